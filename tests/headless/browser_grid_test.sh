#!/usr/bin/env bash
# The folder page's grid in a real browser: headless Chromium as a phone of
# 390 CSS pixels (browser_grid.py) opens a folder of photos the headless
# server lists, scrolls to its end, and every tile's thumbnail loads; the
# switch to the list and back works and is remembered after a reload.
# Usage: browser_grid_test.sh HEADLESS
set -uo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=SCRIPTDIR/headless_lib.sh
source "$HERE/headless_lib.sh"
ensure_packages chromium imagemagick python3 || exit 1

headless="$1"
mkdir -p "$work/site/相册"
# 30 photos from three pictures: landscape, portrait and square.
convert -size 800x600 gradient:'#7fb3d5-#f9e79f' "$work/a.jpg" &&
  convert -size 600x800 gradient:'#a9dfbf-#5d6d7e' "$work/b.jpg" &&
  convert -size 500x500 gradient:'#f5b041-#fdfefe' "$work/c.png" || exit 1
for i in $(seq 10 39); do
  case $((i % 3)) in
    0) cp "$work/a.jpg" "$work/site/相册/IMG_$i.jpg" ;;
    1) cp "$work/b.jpg" "$work/site/相册/IMG_$i.jpg" ;;
    2) cp "$work/c.png" "$work/site/相册/IMG_$i.png" ;;
  esac
done
echo "not a picture" >"$work/site/相册/notes.txt"

launch() {
  "$headless" --list "$work/site" "$1" >"$work/out" 2>&1 </dev/null &
  server_pid=$!
}
start_on_free_port "$work/out" launch || exit 1
timeout 120 python3 "$HERE/browser_grid.py" "http://127.0.0.1:$port/%E7%9B%B8%E5%86%8C/" \
  "$work/profile" 30
