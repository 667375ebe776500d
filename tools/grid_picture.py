#!/usr/bin/env python3
"""A folder of photos in the grid as a phone shows it, for ./x screenshot:
headless Chromium at 390 x 844 opens ADDRESS and, once every thumbnail in
view has loaded, saves the viewport to PICTURE.
Usage: grid_picture.py ADDRESS PROFILE_FOLDER PICTURE"""
import sys

from devtools import Chromium, run_main

WIDTH, HEIGHT = 390, 844


def main():
    address, profile, picture = sys.argv[1:4]
    with Chromium(profile, ["--hide-scrollbars", "--lang=zh-CN"]) as browser:
        browser.call("Emulation.setDeviceMetricsOverride",
                     {"width": WIDTH, "height": HEIGHT, "deviceScaleFactor": 1, "mobile": False})
        browser.open(address)
        browser.wait_for(
            "(function(){var t=document.querySelectorAll('.tiles img');return t.length>0&&"
            "[].every.call(t,function(i){return i.getBoundingClientRect().top>innerHeight||"
            "(i.complete&&i.naturalWidth>0);});})()",
            60, "the thumbnails in view")
        browser.screenshot(picture)


if __name__ == "__main__":
    run_main(main)
