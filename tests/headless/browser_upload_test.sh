#!/usr/bin/env bash
# The upload page in a real browser: headless Chromium, driven over its
# DevTools protocol (browser_upload.py), opens the upload address the
# headless server with --upload DIR --list prints (the code traded for a
# cookie in the browser), sends a 48 MiB file and two small ones through the
# page with the network switched off for five seconds under the large one,
# then a fourth file with the page reloaded half-way and the file picked
# again; then DIR holds exactly those four, byte for byte.
# Usage: browser_upload_test.sh HEADLESS
set -uo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=SCRIPTDIR/headless_lib.sh
source "$HERE/headless_lib.sh"
ensure_packages chromium python3 || exit 1

headless="$1"
mkdir -p "$work/site" "$work/inbox" "$work/sent"
sent=("$work/sent/video.mp4" "$work/sent/照片 1.jpg" "$work/sent/notes.txt" "$work/sent/clip.mp4")
head -c $((48 * 1024 * 1024)) /dev/urandom >"${sent[0]}"
head -c 3000000 /dev/urandom >"${sent[1]}"
head -c 150000 /dev/urandom >"${sent[2]}"
head -c $((32 * 1024 * 1024)) /dev/urandom >"${sent[3]}"

launch() {
  "$headless" --upload "$work/inbox" --list "$work/site" "$1" >"$work/out" 2>&1 </dev/null &
  server_pid=$!
}
start_on_free_port "$work/out" launch || exit 1
code="$(grep 'Uploads go to' "$work/out" | grep -o 'code=[A-Z0-9]*')"
[ -n "$code" ] || {
  echo "no upload address with a code in the report"
  exit 1
}

failed=0
timeout 240 python3 "$HERE/browser_upload.py" "http://127.0.0.1:$port/:upload?$code" \
  "$work/profile" "${sent[@]}" || failed=1
for file in "${sent[@]}"; do
  cmp "$file" "$work/inbox/$(basename "$file")" || failed=1
done
held="$(ls -A "$work/inbox")"
[ "$(wc -l <<<"$held")" -eq 4 ] || {
  echo "the upload folder holds more than the four files:"
  echo "$held"
  failed=1
}
[ "$failed" -eq 0 ] && echo "the four files sent from the page arrived, byte for byte"
exit "$failed"
