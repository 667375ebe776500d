#!/usr/bin/env bash
# The ticked entries of a folder's listing as one archive, in a real browser:
# headless Chromium at a phone's width (browser_archive.py) opens the listing
# the headless server with --list gives, ticks a file and a folder, presses
# 下载所选 and saves the download; then the archive holds exactly those two,
# the folder with what is in it, byte for byte (Python's zipfile reads it).
# Usage: browser_archive_test.sh HEADLESS
set -uo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=SCRIPTDIR/headless_lib.sh
source "$HERE/headless_lib.sh"
ensure_packages chromium python3 || exit 1

headless="$1"
site="$work/site"
mkdir -p "$site/旅行/空" "$work/downloads"
head -c 400000 /dev/urandom >"$site/照片 1.jpg"
head -c 70000 /dev/urandom >"$site/旅行/海边.jpg"
echo "not ticked" >"$site/notes.txt"
echo "not ticked either" >"$site/其他.txt"

launch() {
  "$headless" --list "$site" "$1" >"$work/out" 2>&1 </dev/null &
  server_pid=$!
}
start_on_free_port "$work/out" launch || exit 1

saved="$(timeout 120 python3 "$HERE/browser_archive.py" "http://127.0.0.1:$port/" \
  "$work/profile" "$work/downloads" "照片 1.jpg" "旅行" | tail -n 1)" || exit 1
echo "the browser saved $(basename "$saved")"
python3 - "$saved" "$site" <<'PY'
import os, sys, zipfile
archive, site = sys.argv[1], sys.argv[2]
expected = ["旅行/海边.jpg", "旅行/空/", "照片 1.jpg"]  # by their names' bytes
with zipfile.ZipFile(archive) as z:
    names = z.namelist()
    if names != expected:
        sys.exit(f"the archive holds {names}, expected {expected}")
    if z.testzip() is not None:
        sys.exit("a CRC of the archive is wrong")
    for name in (expected[0], expected[2]):
        with open(os.path.join(site, name), "rb") as f:
            if z.read(name) != f.read():
                sys.exit(f"{name} differs from its file")
print("the archive holds the two ticked entries, byte for byte")
PY
