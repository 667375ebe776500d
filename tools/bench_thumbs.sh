#!/usr/bin/env bash
# ./x bench thumbs: thumbnails made on this computer, beside vipsthumbnail.
#   200 photos of 4000 x 3000 pixels made by the bench (four ImageMagick
#   plasma pictures with grain, each in fifty variants by libvips: turned,
#   mirrored, brighter or darker), written as JPEG at quality 90.
#   Each turn: bench/thumbnail_bench.cpp makes every thumbnail once through
#   the maker's entry point from 4 threads, then fetches them all again from
#   its store, and gives its peak resident memory; `vipsthumbnail --size 360`
#   (Debian's libvips-tools, in one process with two threads:
#   VIPS_CONCURRENCY=2) makes the same 200. The two take turns, the order
#   swapped each turn (ORVANE_BENCH_ROUNDS turns, default 3; the table shows
#   medians). Every photo is read once before the turns, so both find them
#   in the page cache.
# Prints a small table and a RESULT line; the targets: at least as fast as
# vipsthumbnail, the store at least ten times as fast as the first making,
# and a peak under 150 MB.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/tools/lib.sh"

ROUNDS="${ORVANE_BENCH_ROUNDS:-3}"
PHOTOS=200
THREADS=4

ensure_packages "${NATIVE_PACKAGES[@]}" imagemagick libvips-tools python3
mkdir -p "$BUILD"
log "optimised native build ($BUILD/bench)"
configure_and_build "$BUILD/bench" -DCMAKE_BUILD_TYPE=Release -DORVANE_BUILD_TESTS=OFF \
  -DORVANE_BUILD_BENCH=ON -- thumbnail-bench
BENCH="$BUILD/bench/thumbnail-bench"

WORK="$(mktemp -d /tmp/orvane-bench-thumbs.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT
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

ours_first=() ours_kept=() ours_peak=() vips_times=()
run_ours() {
  local line
  line="$("$BENCH" "$WORK/photos" "$THREADS")" || {
    echo "thumbnail-bench failed: $line" >&2
    exit 1
  }
  read -r _ files _ made _ first _ kept _ _ _ peak <<<"$line"
  if [ "$files" -ne "$PHOTOS" ] || [ "$made" -ne "$PHOTOS" ]; then
    echo "thumbnail-bench made $made of $files" >&2
    exit 1
  fi
  ours_first+=("$first")
  ours_kept+=("$kept")
  ours_peak+=("$peak")
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

python3 - "${ours_first[*]}" "${ours_kept[*]}" "${ours_peak[*]}" "${vips_times[*]}" <<'PY'
import statistics, sys
first, kept, peak, vips = ([float(x) for x in arg.split()] for arg in sys.argv[1:5])
f, k, p, v = (statistics.median(x) for x in (first, kept, peak, vips))
print(f"{'200 thumbnails of 4000 x 3000':36} {'seconds':>9} {'per photo':>10}")
print(f"{'this maker, 4 threads, first':36} {f:9.3f} {f / 200 * 1000:8.1f} ms")
print(f"{'this maker, 4 threads, from store':36} {k:9.5f} {k / 200 * 1e6:8.1f} us")
print(f"{'vipsthumbnail --size 360, 2 threads':36} {v:9.3f} {v / 200 * 1000:8.1f} ms")
print(f"turns: this {first}, store {kept}, vips {vips}")
print(f"peak resident memory of the maker: {p / 1e6:.1f} MB")
ok = f <= v and k * 10 <= f and p < 150e6
print(f"RESULT this/vips {v / f:.2f}x as fast (target >= 1), store {f / k:.0f}x the first "
      f"(target >= 10), peak {p / 1e6:.1f} MB (target < 150): {'met' if ok else 'NOT met'}")
PY
