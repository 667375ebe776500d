#!/usr/bin/env bash
# ./x screenshot [window|listing|upload|grid]: starts OrvaneServer.exe in a Wine
# virtual desktop on a private Xvfb screen and saves the window, title bar
# included, to docs/screenshot.png; then, in a second desktop, the address
# box's menu opened beside the QR window, to docs/address-menu.png. Then the
# folder listing as a phone shows it, to docs/listing.png, and the same page
# with uploads on, in the middle of sending files, to docs/upload.png, and a
# folder of photos in the grid of thumbnails, to docs/grid.png. A word names
# one part.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/tools/lib.sh"
part="${1:-all}"

# free_port: a port in 20000-32000 that nothing is bound to now (the server
# takes ports up to 32767 only), picked at random.
free_port() {
  python3 - <<'PY'
import random, socket, sys
for _ in range(2000):
    port = random.randint(20000, 32000)
    with socket.socket() as probe:
        try:
            probe.bind(("", port))
        except OSError:
            continue
    print(port)
    sys.exit(0)
sys.exit("no free port")
PY
}

# make_sample FOLDER: a small shared folder as an operator might have one:
# photos, a video, a PDF and a folder, with Chinese names and fixed times.
# Everything in it is made here. The video is a stand-in of the right name
# and size (no encoder is at hand); the page shows names, sizes and times.
make_sample() {
  local folder="$1"
  rm -rf "$folder"
  mkdir -p "$folder/旅行"
  convert -size 1600x1200 gradient:'#7fb3d5-#f9e79f' "$folder/照片1.png"
  convert -size 1600x1200 gradient:'#a9dfbf-#fdfefe' "$folder/照片2.png"
  convert -size 1200x1600 -seed 7 plasma:fractal -blur 0x6 "$folder/照片10.png"
  convert -size 2400x1800 -seed 3 plasma:'#f5b041-#5dade2' -quality 85 "$folder/海边.jpg"
  convert -size 800x600 gradient:'#d2b4de-#fdfefe' "$folder/旅行/第一天.png"
  head -c 3456789 /dev/zero >"$folder/视频.mp4"
  # A one-page PDF, its cross-reference table counted out byte by byte.
  python3 - "$folder/说明.pdf" <<'PY'
import sys
objects = [
    b"<< /Type /Catalog /Pages 2 0 R >>",
    b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
    b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R"
    b" /Resources << /Font << /F1 5 0 R >> >> >>",
    None,
    b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
]
text = b"BT /F1 24 Tf 72 760 Td (Shared with OrvaneServer) Tj ET"
objects[3] = b"<< /Length %d >>\nstream\n%s\nendstream" % (len(text), text)
out, offsets = bytearray(b"%PDF-1.4\n"), []
for number, body in enumerate(objects, 1):
    offsets.append(len(out))
    out += b"%d 0 obj\n%s\nendobj\n" % (number, body)
xref = len(out)
out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
out += b"".join(b"%010d 00000 n \n" % offset for offset in offsets)
out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
open(sys.argv[1], "wb").write(out)
PY
  local name when=0
  for name in 照片1.png 照片2.png 照片10.png 海边.jpg 视频.mp4 说明.pdf 旅行/第一天.png 旅行; do
    TZ=UTC touch -d "2026-05-0$((1 + when % 5)) 1$((when % 10)):$((10 + when * 7 % 50))" "$folder/$name"
    when=$((when + 1))
  done
}

# serve_sample PORT OUT ARGS...: the headless server started with ARGS on
# PORT, its report in OUT; sets server_pid once it answers (10 s at most).
serve_sample() {
  local port="$1" out="$2"
  shift 2
  TZ=UTC "$BUILD/native/orvane-headless" "$@" "$port" >"$out" 2>&1 &
  server_pid=$!
  for _ in $(seq 1 50); do
    curl -s -o /dev/null "http://127.0.0.1:$port/" && return 0
    kill -0 "$server_pid" 2>/dev/null || break
    sleep 0.2
  done
  kill "$server_pid" 2>/dev/null || true
  wait "$server_pid" 2>/dev/null || true
  log "the headless server did not start with $*"
  return 1
}

# The listing of the sample folder, served by the headless server with the
# listing on, in a 390 x 844 window of headless Chromium: what a phone shows.
take_listing() {
  ensure_packages "${NATIVE_PACKAGES[@]}" chromium imagemagick fonts-wqy-microhei python3 curl
  build_native
  local sample="$BUILD/listing-sample" profile="$BUILD/listing-browser" port server_pid
  make_sample "$sample"
  port="$(free_port)"
  serve_sample "$port" /dev/null --list "$sample" || return 1
  rm -rf "$profile"
  mkdir -p "$profile" "$ROOT/docs"
  local shot=0
  timeout 90 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$profile" --hide-scrollbars --window-size=390,844 \
    --screenshot="$ROOT/docs/listing.png" "http://127.0.0.1:$port/" >/dev/null 2>&1 || shot=$?
  kill "$server_pid" 2>/dev/null || true
  wait "$server_pid" 2>/dev/null || true
  rm -rf "$profile"
  if [ "$shot" -ne 0 ] || [ ! -s "$ROOT/docs/listing.png" ]; then
    log "Chromium took no picture of the listing"
    return 1
  fi
  log "saved docs/listing.png"
}

# The sample folder's listing with uploads on, as a phone shows it while it
# sends three files: the upload slowed to 1.5 MB/s in the browser, the
# picture taken once the first file has arrived and the second is half-way.
take_upload() {
  ensure_packages "${NATIVE_PACKAGES[@]}" chromium chromium-l10n fonts-wqy-microhei python3 curl
  build_native
  local sample="$BUILD/listing-sample" work="$BUILD/upload-sample" port server_pid code shot=0
  make_sample "$sample"
  rm -rf "$work"
  mkdir -p "$work/inbox" "$work/sent" "$ROOT/docs"
  head -c 1800000 /dev/urandom >"$work/sent/IMG_20260503_101512.jpg"
  head -c 2600000 /dev/urandom >"$work/sent/IMG_20260503_101530.jpg"
  head -c 9000000 /dev/urandom >"$work/sent/VID_20260503_102004.mp4"
  port="$(free_port)"
  serve_sample "$port" "$work/out" --list --upload "$work/inbox" "$sample" || return 1
  code="$(grep -o 'code=[A-Z0-9]*' "$work/out" | head -n 1)"
  LANGUAGE=zh_CN timeout 180 python3 "$ROOT/tools/upload_picture.py" "http://127.0.0.1:$port/?$code" \
    "$work/browser" "$ROOT/docs/upload.png" 1500000 "$work/sent"/* || shot=$?
  kill "$server_pid" 2>/dev/null || true
  wait "$server_pid" 2>/dev/null || true
  rm -rf "$work"
  if [ "$shot" -ne 0 ]; then
    log "Chromium took no picture of the upload"
    return 1
  fi
  log "saved docs/upload.png"
}

# make_photos FOLDER: a phone's folder of holiday photos by the sea, drawn
# here by ImageMagick: a sky, the sea and the sand in the light of five
# times of day, the horizon and the sun moving from one to the next, with a
# little grain; landscape and portrait, named and dated as a camera does.
make_photos() {
  local folder="$1" i sky sea sand sun width height horizon shore x y name
  local skies=('#4a90d9-#d6ecfa' '#f39c5a-#fbe3b8' '#6a4c93-#f7a072' '#1f3b73-#7f9cc9'
    '#87b5e0-#f4f8fb')
  local seas=('#1b6ca8-#3fa7d6' '#c0703e-#5d8aa8' '#5b3f7a-#d98c6a' '#0f2442-#2d4f7f'
    '#2b7bb9-#7cc6de')
  local sands=('#e8d3a2-#c9a66b' '#d9a66b-#a87444' '#b98a6e-#7a5446' '#5a5150-#3a3433'
    '#efe2c0-#d8c08f')
  local suns=('#fffbe6' '#ffd27a' '#ffb36b' '#f2f2f2' '#fffdf5')
  rm -rf "$folder"
  mkdir -p "$folder"
  for i in $(seq 0 14); do
    sky=${skies[i % 5]} sea=${seas[i % 5]} sand=${sands[i % 5]} sun=${suns[i % 5]}
    width=1200 height=900
    [ $((i % 4)) -eq 1 ] && width=900 height=1200
    horizon=$((height * (40 + i * 7 % 20) / 100))
    shore=$((horizon + height * (20 + i * 3 % 10) / 100))
    x=$((width * (15 + i * 23 % 70) / 100)) y=$((horizon * (35 + i * 11 % 45) / 100))
    name="$(printf 'IMG_20260503_%02d%02d%02d.jpg' $((9 + i / 2)) $((i * 7 % 60)) $((i * 13 % 60)))"
    convert -size "${width}x$height" xc:white \
      \( -size "${width}x$horizon" gradient:"$sky" \) -geometry +0+0 -composite \
      -fill "$sun" -draw "circle $x,$y $((x + width / 18)),$y" \
      \( -size "${width}x$((shore - horizon))" gradient:"$sea" \) -geometry "+0+$horizon" -composite \
      \( -size "${width}x$((height - shore))" gradient:"$sand" \) -geometry "+0+$shore" -composite \
      -seed "$i" -attenuate 0.4 +noise Gaussian -blur 0x1.5 -quality 85 "$folder/$name"
    TZ=UTC touch -d "2026-05-03 $((9 + i / 2)):$((10 + i * 3))" "$folder/$name"
  done
}

# A folder of photos in the grid, served by the headless server with the
# listing on, in a 390 x 844 window of headless Chromium: what a phone shows.
take_grid() {
  ensure_packages "${NATIVE_PACKAGES[@]}" chromium imagemagick fonts-wqy-microhei python3 curl
  build_native
  local site="$BUILD/grid-sample" port server_pid shot=0
  make_photos "$site/海边"
  port="$(free_port)"
  serve_sample "$port" /dev/null --list "$site" || return 1
  mkdir -p "$ROOT/docs"
  timeout 120 python3 "$ROOT/tools/grid_picture.py" "http://127.0.0.1:$port/%E6%B5%B7%E8%BE%B9/" \
    "$BUILD/grid-browser" "$ROOT/docs/grid.png" || shot=$?
  kill "$server_pid" 2>/dev/null || true
  wait "$server_pid" 2>/dev/null || true
  rm -rf "$site" "$BUILD/grid-browser"
  if [ "$shot" -ne 0 ]; then
    log "Chromium took no picture of the grid"
    return 1
  fi
  log "saved docs/grid.png"
}

case "$part" in
  listing | upload | grid)
    "take_$part"
    exit
    ;;
esac
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
wine explorer /desktop=OrvaneMenu,1100x420 'C:\OrvaneServer\OrvaneServer.exe' >/dev/null 2>&1 &
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
  import -window root -crop 1100x420+0+0 +repage "$ROOT/docs/address-menu.png"
fi
log "saved docs/address-menu.png"

[ "$part" = window ] && exit
take_listing
take_upload
take_grid
