#!/usr/bin/env bash
# ./x screenshot: starts OrvaneServer.exe in a Wine virtual desktop on a
# private Xvfb screen and saves the window, title bar included, to
# docs/screenshot.png; then, in a second desktop, the address box's menu
# opened beside the QR window, to docs/address-menu.png.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/tools/lib.sh"

prepare_windows_program

trap stop_wine_and_xvfb EXIT
unset DISPLAY
start_xvfb
export LC_ALL=zh_CN.UTF-8
# Run from a neutral folder of the prefix, so the site folder the window
# shows (the program's own folder) is no path of the build machine.
mkdir -p "$WINEPREFIX/drive_c/OrvaneServer"
cp "$BUILD/win/OrvaneServer.exe" "$WINEPREFIX/drive_c/OrvaneServer/OrvaneServer.exe"
wine explorer /desktop=OrvaneServer,640x400 'C:\OrvaneServer\OrvaneServer.exe' >/dev/null 2>&1 &
desktop_pid=$!

# The window is the X window named after the program's title; wait for it,
# for its controls to be drawn and for it to stand still (the program
# centres it once it knows its monitor's DPI).
window_geometry() {
  local id
  id="$(xdotool search --name '^OrvaneServer [0-9]' 2>/dev/null | head -n 1 || true)"
  [ -n "$id" ] || return 0
  xwininfo -id "$id" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
    /Width:/ {w=$2} /Height:/ {h=$2} END {if (w > 0) printf "%dx%d+%d+%d", w, h, x, y}'
}
# Waits up to 30 s for the window and prints its geometry (nothing if it
# never appeared).
wait_for_window() {
  local geometry=""
  for _ in $(seq 1 150); do
    geometry="$(window_geometry)"
    [ -n "$geometry" ] && break
    sleep 0.2
  done
  printf '%s' "$geometry"
}
geometry="$(wait_for_window)"
if [ -z "$geometry" ]; then
  log "the window did not appear"
  exit 1
fi
for _ in $(seq 1 20); do
  sleep 1
  settled="$(window_geometry)"
  [ "$settled" = "$geometry" ] && break
  geometry="$settled"
done
mkdir -p "$ROOT/docs"
# A margin of desktop around the window, so the frame shows whole.
import -window root -crop "$geometry" +repage "$ROOT/docs/screenshot.png.tmp.png"
convert "$ROOT/docs/screenshot.png.tmp.png" -bordercolor '#2b5f86' -border 12 "$ROOT/docs/screenshot.png"
rm -f "$ROOT/docs/screenshot.png.tmp.png"
log "saved docs/screenshot.png ($geometry)"

# The address box's menu beside the QR window: the program is started anew
# in a desktop wide enough for both, with the keyboard as an operator would:
# Tab to the address box, Shift+F10 and Q for the QR window, a click back on
# the main window (its focus returns to the address box), Shift+F10 again.
wineserver -k 2>/dev/null || true
wait "$desktop_pid" 2>/dev/null || true
wine explorer /desktop=OrvaneMenu,880x420 'C:\OrvaneServer\OrvaneServer.exe' >/dev/null 2>&1 &
geometry="$(wait_for_window)"
[ -n "$geometry" ] || {
  log "the window did not appear the second time"
  exit 1
}
sleep 3
IFS='x+' read -r width height left top <<<"$(window_geometry)"
xdotool mousemove $((left + width - 4)) $((top + height - 4))
xdotool key --delay 150 Tab Tab Tab Tab Tab Tab shift+F10 q
sleep 2
xdotool mousemove $((left + width - 4)) $((top + height - 4)) click 1
sleep 1
xdotool key --delay 150 shift+F10 Down Down Down
sleep 2
desktop="$(xdotool search --name '^OrvaneMenu' 2>/dev/null | head -n 1 || true)"
if [ -n "$desktop" ]; then
  import -window "$desktop" "$ROOT/docs/address-menu.png"
else
  import -window root -crop 880x420+0+0 +repage "$ROOT/docs/address-menu.png"
fi
log "saved docs/address-menu.png"
