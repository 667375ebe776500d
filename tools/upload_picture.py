#!/usr/bin/env python3
"""The phone's page in the middle of an upload, for ./x screenshot: headless
Chromium at 390 x 844 opens ADDRESS (with the access code), picks FILES in
the page's send area, its upload slowed to THROUGHPUT bytes a second by
DevTools' network emulation, clicks the button and, once the first file has
arrived and the next is between a third and two thirds sent, saves the
viewport to PICTURE.
Usage: upload_picture.py ADDRESS PROFILE_FOLDER PICTURE THROUGHPUT FILE..."""
import os
import sys

from devtools import Chromium, run_main

WIDTH, HEIGHT = 390, 844


def main():
    address, profile, picture, throughput = sys.argv[1:5]
    files = sys.argv[5:]
    with Chromium(profile, ["--hide-scrollbars", "--lang=zh-CN"]) as browser:
        browser.call("Emulation.setDeviceMetricsOverride",
                     {"width": WIDTH, "height": HEIGHT, "deviceScaleFactor": 1, "mobile": False})
        browser.open(address)
        browser.call("Network.enable")
        browser.call("Network.emulateNetworkConditions",
                     {"offline": False, "latency": 0, "downloadThroughput": -1,
                      "uploadThroughput": float(throughput)})
        browser.set_files("#up input[type=file]", files)
        browser.click("#up button")
        browser.wait_for(
            "(function(){var l=document.querySelectorAll('#files li'),b=l.length&&l[l.length-1]"
            ".querySelector('progress');return l.length==2&&l[0].textContent.indexOf('已收到')==0"
            "&&b&&b.value>b.max/3&&b.value<b.max*2/3;})()",
            120, "the first file arrived and the second half-way")
        browser.screenshot(picture)


if __name__ == "__main__":
    run_main(main)
