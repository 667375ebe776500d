#!/usr/bin/env bash
# The ticked entries of a folder's listing as one archive, in a real browser:
# headless Chromium at a phone's width (browser_archive.py) opens the listing
# the headless server with --list gives, ticks a file and a folder, presses
# 下载所选 and saves the download, which holds exactly those two, the folder
# with what is in it, and passes unzip's test.
# Usage: browser_archive_test.sh HEADLESS
set -uo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=SCRIPTDIR/headless_lib.sh
source "$HERE/headless_lib.sh"
ensure_packages chromium python3 unzip || exit 1

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
listed="$(LC_ALL=C.UTF-8 unzip -Z1 "$saved")"
[ "$listed" = $'旅行/海边.jpg\n旅行/空/\n照片 1.jpg' ] || {
  printf 'the browser saved %s, which holds:\n%s\n' "$saved" "$listed"
  exit 1
}
unzip -tq "$saved" && echo "$(basename "$saved") holds the two ticked entries"
