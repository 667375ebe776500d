#!/usr/bin/env python3
"""Downloads the ticked entries of a folder's listing in headless Chromium at
390 x 844, as a phone does: opens ADDRESS (a listing), ticks the box of each
NAME, waits for the 下载所选 button the page's script shows, presses it and
waits until the browser has saved the archive in DOWNLOADS. Prints the saved
file's path; fails naming the step that did not happen.
Usage: browser_archive.py ADDRESS PROFILE_FOLDER DOWNLOADS NAME..."""
import json
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from devtools import Chromium, DevToolsError, run_main  # noqa: E402


def saved_file(folder, timeout):
    """The one file in `folder` once the browser finished writing it."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        names = os.listdir(folder)
        done = [n for n in names if not n.endswith(".crdownload")]
        if len(names) == 1 and done:
            return os.path.join(folder, done[0])
        time.sleep(0.1)
    raise DevToolsError(f"no whole download in {timeout} s (the folder holds {os.listdir(folder)})")


def main():
    address, profile, downloads, names = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
    os.makedirs(downloads, exist_ok=True)
    with Chromium(profile, ["--lang=zh-CN"]) as browser:
        browser.call("Emulation.setDeviceMetricsOverride",
                     {"width": 390, "height": 844, "deviceScaleFactor": 1, "mobile": True})
        browser.call("Browser.setDownloadBehavior",
                     {"behavior": "allow", "downloadPath": os.path.abspath(downloads)})
        browser.open(address)
        if browser.evaluate("document.getElementById('zip').hidden") is not True:
            sys.exit("下载所选 shows before anything is ticked")
        for name in names:
            box = f"input[name=n][value={json.dumps(name, ensure_ascii=False)}]"
            browser.evaluate(f"document.querySelector({json.dumps(box)}).scrollIntoView()")
            browser.click(box)
        browser.wait_for("!document.getElementById('zip').hidden", 10, "the 下载所选 button")
        browser.click("#zip")
        print(saved_file(downloads, 60))


if __name__ == "__main__":
    run_main(main)
