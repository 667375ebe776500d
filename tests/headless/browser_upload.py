#!/usr/bin/env python3
"""Sends files from the upload page in headless Chromium, as a visitor does:
opens ADDRESS (the address with the code: the browser follows the redirect
that trades it for a cookie), puts the FILES into the page's file field,
clicks its button and waits until the page has a line for each file saying
that it arrived (已收到 NAME). Prints the lines; fails naming the step that
did not happen.
Usage: browser_upload.py ADDRESS PROFILE_FOLDER FILE..."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from devtools import Chromium, run_main  # noqa: E402


def main():
    address, profile, files = sys.argv[1], sys.argv[2], sys.argv[3:]
    expected = ["已收到 " + os.path.basename(path) for path in files]
    with Chromium(profile) as browser:
        browser.open(address)
        where = browser.evaluate("location.pathname + location.search")
        if where != "/:upload":
            sys.exit(f"the browser ended up at {where!r}, not at the upload page without the code")
        browser.set_files("#up input[type=file]", files)
        browser.click("#up button")
        # Finished once every file has its line and no line holds a bar.
        lines = browser.wait_for(
            "(function(){var t=[].map.call(document.querySelectorAll('#files li'),"
            "function(li){return li.textContent;});"
            f"return t.length=={len(files)}&&!document.querySelector('#files progress')&&t;}})()",
            60, "a finished line for each file")
    print("\n".join(lines))
    if lines != expected:
        sys.exit(f"the page said {lines!r}, expected {expected!r}")


if __name__ == "__main__":
    run_main(main)
