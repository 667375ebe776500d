#!/usr/bin/env python3
"""Turns the headless server's terminal output into a PBM picture of its QR
code, for a real decoder to read. Reads the output on stdin, writes the
picture (each module SCALE x SCALE pixels) to the named file and prints the
address the start line gives for other machines. The code is either half
blocks (two module rows per line) or pairs of spaces in a background colour
(one module row per line). Fails on a module drawn without explicit colours,
an odd run of spaces or a quiet zone narrower than 4 modules."""
import re
import sys

SCALE = 8
HALF_BLOCK = "\u2580"
DARK_FG, LIGHT_FG, DARK_BG, LIGHT_BG = 30, 97, 40, 107


def main():
    text = sys.stdin.buffer.read().decode("utf-8")
    found = re.search(r"or (http://\S+) from other machines", text)
    if not found:
        sys.exit("no start line with the address for other machines")
    rows = []
    for line in text.splitlines():
        if not line.startswith("\x1b["):
            continue
        fg = bg = None
        top, bottom, spaces = [], [], []
        for token in re.findall(r"\x1b\[([0-9;]*)m|(.)", line):
            codes, char = token
            if char == "":
                for code in (int(c) for c in codes.split(";") if c):
                    if code in (DARK_FG, LIGHT_FG):
                        fg = code
                    elif code in (DARK_BG, LIGHT_BG):
                        bg = code
                    elif code == 0:
                        fg = bg = None
            elif char == HALF_BLOCK:
                if fg is None or bg is None:
                    sys.exit("a half block without explicit colours")
                top.append(fg == DARK_FG)
                bottom.append(bg == DARK_BG)
            elif char == " ":
                if bg is None:
                    sys.exit("a space without an explicit background")
                spaces.append(bg == DARK_BG)
            elif char != "\r":
                sys.exit("unexpected character %r in the code" % char)
        if top and spaces:
            sys.exit("half blocks and spaces on one line")
        if top:
            rows += [top, bottom]
        elif spaces:
            if len(spaces) % 2 or spaces[0::2] != spaces[1::2]:
                sys.exit("a module that is not two spaces of one colour")
            rows.append(spaces[0::2])
    if not rows or any(len(r) != len(rows[0]) for r in rows):
        sys.exit("no code, or lines of different widths")
    width = len(rows[0])
    dark = [(x, y) for y, r in enumerate(rows) for x, v in enumerate(r) if v]
    if not dark:
        sys.exit("the code has no dark module")
    xs, ys = [x for x, _ in dark], [y for _, y in dark]
    if min(xs) < 4 or min(ys) < 4 or width - 1 - max(xs) < 4 or len(rows) - 1 - max(ys) < 4:
        sys.exit("quiet zone narrower than 4 modules")
    with open(sys.argv[1], "w") as out:
        out.write("P1\n%d %d\n" % (width * SCALE, len(rows) * SCALE))
        for r in rows:
            pixels = " ".join("1" if v else "0" for v in r for _ in range(SCALE))
            for _ in range(SCALE):
                out.write(pixels + "\n")
    print(found.group(1))


if __name__ == "__main__":
    main()
