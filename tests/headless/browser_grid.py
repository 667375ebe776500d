#!/usr/bin/env python3
"""A folder page's grid in headless Chromium as a phone of 390 CSS pixels:
opens ADDRESS, finds COUNT tiles three to a row, scrolls to the end so each
lazy thumbnail is fetched and waits until all have loaded (naturalWidth >
0); then the list and back, each kept after a reload. Fails naming the step.
Usage: browser_grid.py ADDRESS PROFILE_FOLDER COUNT"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from devtools import Chromium, DevToolsError, run_main  # noqa: E402

TILES = "document.querySelectorAll('.tiles img')"
# The first four tiles' tops and lefts, for the rows they form.
CORNERS = ("[].slice.call(" + TILES + ",0,4).map(function(i){"
           "var r=i.getBoundingClientRect();return [Math.round(r.left),Math.round(r.top)];})")
SHOWN = "document.body.classList.contains('list')?'list':'grid'"
IMAGES_SHOWN = "getComputedStyle(document.querySelector('.tiles img')).display!='none'"


def check(what, actual, expected):
    if actual != expected:
        raise DevToolsError(f"{what}: {actual!r}, expected {expected!r}")


def tap(browser, selector):
    """Scrolls `selector` into view, as a visitor would, and clicks it."""
    browser.evaluate(f"document.querySelector('{selector}').scrollIntoView({{block:'center'}})")
    browser.click(selector)


def main():
    address, profile, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
    with Chromium(profile) as browser:
        browser.call("Emulation.setDeviceMetricsOverride",
                     {"width": 390, "height": 844, "deviceScaleFactor": 2, "mobile": True})
        browser.open(address)
        check("tiles", browser.evaluate(TILES + ".length"), count)
        check("the view at first", browser.evaluate(SHOWN), "grid")
        corners = browser.evaluate(CORNERS)
        # Three across: the fourth tile starts the second row, under the first.
        if not (corners[0][1] == corners[1][1] == corners[2][1] < corners[3][1]
                and corners[0][0] == corners[3][0] < corners[1][0] < corners[2][0]):
            raise DevToolsError(f"the first four tiles are not three to a row: {corners}")
        # Down a screen at a time, so each tile comes into view as on a phone.
        while not browser.evaluate("window.innerHeight+window.scrollY>="
                                   "document.documentElement.scrollHeight-1"):
            browser.evaluate("window.scrollBy(0, window.innerHeight)")
            browser.wait_for(
                "[].every.call(" + TILES + ",function(i){var r=i.getBoundingClientRect();"
                "return r.bottom<0||r.top>innerHeight||i.complete;})", 30,
                "the thumbnails in view")
        loaded = browser.wait_for(
            "(function(){var l=[].filter.call(" + TILES + ",function(i){"
            "return i.complete&&i.naturalWidth>0;}).length;return l==" + str(count) + "&&l;})()",
            30, "every thumbnail loaded")
        print(f"{loaded} tiles three to a row, every thumbnail loaded")

        tap(browser, "#view")
        check("after the switch", browser.evaluate(SHOWN), "list")
        check("thumbnails shown in the list", browser.evaluate(IMAGES_SHOWN), False)
        browser.open(address)
        check("the list after a reload", browser.evaluate(SHOWN), "list")
        tap(browser, "#view")
        check("after the switch back", browser.evaluate(SHOWN), "grid")
        browser.open(address)
        check("the grid after a reload", browser.evaluate(SHOWN), "grid")
        check("thumbnails shown in the grid", browser.evaluate(IMAGES_SHOWN), True)
        print("the switch to the list and back works and is remembered after a reload")


if __name__ == "__main__":
    run_main(main)
