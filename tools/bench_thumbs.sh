#!/usr/bin/env bash
# ./x bench thumbs: thumbnails made on this computer and fetched over HTTP,
# beside vipsthumbnail.
#   200 photos of 4000 x 3000 pixels made by the bench (four ImageMagick
#   plasma pictures with grain, each in fifty variants by libvips: turned,
#   mirrored, brighter or darker), written as JPEG at quality 90.
#   Each turn: a fresh headless server with --list serves the photos' folder;
#   its page is fetched once (each photo's header read for its tile), then
#   every thumbnail (/:thumb/IMG_0000.jpg ...) is fetched over 4 connections
#   at a time (one curl process, --parallel-max 4), then all of them again
#   from its cache; its peak resident memory (VmHWM) is read at the end.
#   `vipsthumbnail --size 360` (Debian's libvips-tools, in one process with
#   two threads: VIPS_CONCURRENCY=2) makes the same 200. The two take turns,
#   the order swapped each turn (ORVANE_BENCH_ROUNDS turns, default 3; the
#   table shows medians). Every photo is read once before the turns, so both
#   find them in the page cache.
# Prints a small table and a RESULT line; the targets: at least as fast as
# vipsthumbnail, the cache at least ten times as fast as the first fetch,
# and a peak under 150 MB.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/tools/lib.sh"

ROUNDS="${ORVANE_BENCH_ROUNDS:-3}"
PHOTOS=200
CONNECTIONS=4

ensure_packages "${NATIVE_PACKAGES[@]}" imagemagick libvips-tools python3 curl
mkdir -p "$BUILD"
log "optimised native build ($BUILD/bench)"
configure_and_build "$BUILD/bench" -DCMAKE_BUILD_TYPE=Release -DORVANE_BUILD_TESTS=OFF \
  -DORVANE_BUILD_BENCH=ON -- orvane-headless
SERVER="$BUILD/bench/orvane-headless"

WORK="$(mktemp -d /tmp/orvane-bench-thumbs.XXXXXX)"
server_pid=""
stop_server() {
  if [ -n "$server_pid" ]; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
    server_pid=""
  fi
}
trap 'stop_server; rm -rf "$WORK"' EXIT
trap 'exit 130' INT TERM
mkdir -p "$WORK/photos" "$WORK/vips" "$WORK/base"

log "making $PHOTOS photos of 4000 x 3000"
for seed in 1 2 3 4; do
  convert -seed "$seed" -size 4000x3000 plasma:fractal -blur 0x1 \
    -attenuate 0.2 +noise Gaussian -quality 90 "$WORK/base/$seed.jpg" &
done
wait
# Fifty variants of each: a turn or a mirror, and a brightness.
for i in $(seq 0 $((PHOTOS - 1))); do
  base="$WORK/base/$((i % 4 + 1)).jpg"
  out="$(printf '%s/photos/IMG_%04d.jpg' "$WORK" "$i")"
  case $((i / 4 % 4)) in
    0) vips linear "$base" "${out}[Q=90]" 1 $((i % 40)) ;;
    1) vips flip "$base" "${out}[Q=90]" horizontal ;;
    2) vips rot "$base" "${out}[Q=90]" d180 ;;
    3) vips linear "$base" "${out}[Q=90]" 0.9 $((i % 30)) ;;
  esac
done
cat "$WORK"/photos/*.jpg >/dev/null
echo "photos: $(du -sm "$WORK/photos" | cut -f1) MB, $(identify -format '%wx%h' "$WORK/photos/IMG_0000.jpg")"

now() { date +%s.%N; }

ours_page=() ours_first=() ours_kept=() ours_peak=() vips_times=()
# One curl for all the thumbnails, 4 transfers at a time, each its status.
for photo in "$WORK"/photos/*.jpg; do
  printf 'url = "http://127.0.0.1:PORT/:thumb/%s"\noutput = "/dev/null"\n' "$(basename "$photo")"
done >"$WORK/urls.template"
# fetch_all PORT: seconds to fetch every thumbnail; fails unless all are 200.
fetch_all() {
  local start end ok
  sed "s/PORT/$1/" "$WORK/urls.template" >"$WORK/urls"
  start="$(now)"
  ok="$(curl -s --no-progress-meter --parallel --parallel-max "$CONNECTIONS" --config "$WORK/urls" \
    -w '%{http_code}\n' | grep -c '^200$' || true)"
  end="$(now)"
  [ "$ok" -eq "$PHOTOS" ] || {
    echo "$ok of $PHOTOS thumbnails came back 200" >&2
    exit 1
  }
  python3 -c "print($end - $start)"
}
run_ours() {
  local port
  port="$(free_ports 1)"
  "$SERVER" --list "$WORK/photos" "$port" >"$WORK/server.out" 2>&1 &
  server_pid=$!
  for _ in $(seq 1 100); do
    grep -q "Ctrl-C stops" "$WORK/server.out" && break
    sleep 0.1
  done
  ours_page+=("$(curl -s -o /dev/null -w '%{time_total}' "http://127.0.0.1:$port/")")
  ours_first+=("$(fetch_all "$port")")
  ours_kept+=("$(fetch_all "$port")")
  ours_peak+=("$(awk '$1 == "VmHWM:" {print $2 * 1024}' "/proc/$server_pid/status")")
  stop_server
}
run_vips() {
  rm -f "$WORK"/vips/*
  local start end
  start="$(now)"
  VIPS_CONCURRENCY=2 vipsthumbnail --size 360 -o "$WORK/vips/%s.jpg" "$WORK"/photos/*.jpg
  end="$(now)"
  vips_times+=("$(python3 -c "print($end - $start)")")
  [ "$(find "$WORK/vips" -name '*.jpg' | wc -l)" -eq "$PHOTOS" ] || {
    echo "vipsthumbnail made fewer than $PHOTOS" >&2
    exit 1
  }
}

for turn in $(seq 1 "$ROUNDS"); do
  log "turn $turn of $ROUNDS"
  if [ $((turn % 2)) -eq 1 ]; then
    run_ours
    run_vips
  else
    run_vips
    run_ours
  fi
done

python3 - "${ours_first[*]}" "${ours_kept[*]}" "${ours_peak[*]}" "${vips_times[*]}" \
  "${ours_page[*]}" <<'PY'
import statistics, sys
first, kept, peak, vips, page = ([float(x) for x in arg.split()] for arg in sys.argv[1:6])
f, k, p, v, g = (statistics.median(x) for x in (first, kept, peak, vips, page))
print(f"{'200 thumbnails of 4000 x 3000':40} {'seconds':>9} {'per photo':>10}")
print(f"{'this server over HTTP, 4 connections':40} {f:9.3f} {f / 200 * 1000:8.1f} ms")
print(f"{'the same again, from its cache':40} {k:9.4f} {k / 200 * 1000:8.2f} ms")
print(f"{'vipsthumbnail --size 360, 2 threads':40} {v:9.3f} {v / 200 * 1000:8.1f} ms")
print(f"{'the folder page, first (200 headers)':40} {g:9.4f}")
print(f"turns: this {first}, cache {kept}, vips {vips}, page {page}")
print(f"peak resident memory of the server: {p / 1e6:.1f} MB")
ok = f <= v and k * 10 <= f and p < 150e6
print(f"RESULT this/vips {v / f:.2f}x as fast (target >= 1), cache {f / k:.0f}x the first "
      f"(target >= 10), peak {p / 1e6:.1f} MB (target < 150): {'met' if ok else 'NOT met'}")
PY
