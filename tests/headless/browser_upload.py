#!/usr/bin/env python3
"""Sends files from the upload page in headless Chromium, as a visitor on a
phone does, and cuts the network and the page under it: opens ADDRESS (the
address with the code: the browser follows the redirect that trades it for
a cookie), puts LARGE and the SMALL files into the page's file field and
clicks its button; once LARGE is under way the network is switched off for
five seconds (the page must say it paused, then go on by itself); every
file must get its line saying that it arrived (已收到 NAME). Then RELOADED is
sent and the page reloaded half-way; the same file picked again must go on
from the offset the server holds, never from its first byte. Prints what
happened; fails naming the step that did not.
Usage: browser_upload.py ADDRESS PROFILE_FOLDER LARGE SMALL... RELOADED"""
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from devtools import Chromium, DevToolsError, run_main  # noqa: E402

PAUSED = "已暂停，稍后继续"
LINES = ("(function(){return [].map.call(document.querySelectorAll('#files li'),"
         "function(li){return li.textContent;});})()")


def network(browser, offline):
    browser.call("Network.emulateNetworkConditions", {
        "offline": offline, "latency": 0, "downloadThroughput": -1, "uploadThroughput": -1})


def wait_under_way(browser, at_least, what):
    """Waits until the first file's bar shows `at_least` bytes sent, and not
    the whole file yet, looking as often as the browser answers (a file
    crosses loopback in a second)."""
    deadline = time.monotonic() + 60
    while time.monotonic() < deadline:
        if browser.evaluate(
                "(function(){var b=document.querySelector('#files li progress');"
                f"return !!b&&b.value>={at_least}&&b.value<b.max;}})()"):
            return
    raise DevToolsError(f"{what}: not within 60 s")


def send(browser, files):
    browser.set_files("#up input[type=file]", files)
    browser.click("#up button")


def wait_arrived(browser, names, what):
    """Waits until the last lines say the files `names` arrived; all lines."""
    expected = ["已收到 " + name for name in names]
    deadline = time.monotonic() + 120
    lines = None
    while time.monotonic() < deadline:
        lines = browser.evaluate(LINES)
        if lines[-len(names):] == expected:
            return lines
        time.sleep(0.1)
    raise DevToolsError(f"{what}: not within 120 s (last: {lines!r})")


def patches_since(browser, start):
    """The Upload-Offset of each PATCH and the address of each creation the
    page sent since event `start`."""
    patches, creations = [], []
    for event in browser.events[start:]:
        if event["method"] != "Network.requestWillBeSent":
            continue
        request = event["params"]["request"]
        if request["method"] == "PATCH":
            patches.append(int(request["headers"].get("Upload-Offset", "-1")))
        elif request["method"] == "POST":
            creations.append(request["url"])
    return patches, creations


def main():
    address, profile, large, *smalls, reloaded = sys.argv[1:]
    names = [os.path.basename(path) for path in [large, *smalls]]
    with Chromium(profile) as browser:
        browser.open(address)
        where = browser.evaluate("location.pathname + location.search")
        if where != "/:upload":
            sys.exit(f"the browser ended up at {where!r}, not at the upload page without the code")
        browser.call("Network.enable")

        # The network switched off under the large file, and back on.
        send(browser, [large, *smalls])
        wait_under_way(browser, 2 << 20, "the large file under way")
        network(browser, True)
        browser.wait_for(f"{LINES}.join('|').indexOf({PAUSED!r})>=0&&true", 10,
                         "the page saying the upload paused")
        time.sleep(5)
        still = browser.evaluate(LINES)
        network(browser, False)
        print("offline for 5 s:", " | ".join(still))
        print("\n".join(wait_arrived(browser, names, "a finished line for each file")))

        # A reload half-way (while the network is off, so the page cannot go
        # on before it is gone), then the same file picked again.
        send(browser, [reloaded])
        wait_under_way(browser, 2 << 20, "the file to reload under way")
        network(browser, True)
        browser.wait_for(f"{LINES}.join('|').indexOf({PAUSED!r})>=0&&true", 10,
                         "the page saying the upload paused")
        before = len(browser.events)
        browser.call("Page.reload")
        network(browser, False)
        browser.open(address.split("?")[0])
        picked_again = len(browser.events)
        send(browser, [reloaded])
        lines = wait_arrived(browser, [os.path.basename(reloaded)], "the reloaded file's line")
        patches, creations = patches_since(browser, picked_again)
        print("after the reload:", lines[-1], "PATCH from", patches, "creations", creations)
        if not patches or patches[0] <= 0 or creations:
            sys.exit(f"picked again, the file started over (PATCH offsets {patches}, "
                     f"creations {creations}; {len(browser.events) - before} events)")


if __name__ == "__main__":
    run_main(main)
