#!/usr/bin/env bash
# ./x bench zip, and the last part of ./x bench: a folder as one archive.
#   The bench makes a folder of 4 GiB: 10,000 small files (1 to 40 KiB, in
#   100 folders) and four large ones, and one file of the same total size.
#   Both are read once first, so every turn finds them in the page cache
#   (the machine needs about 9 GiB of free memory for that).
#   Then, ORVANE_BENCH_ROUNDS times (default 3), each of bench/zip_bench.cpp's
#   turns: reading the file and reading the folder's archive through its
#   body (pieces of 256 KiB); sending the file with sendfile() over a
#   loopback connection, and the archive the same way, once through its
#   spans (made bytes with send(), file ranges with sendfile(), the CRCs read
#   from the page cache, then again with the CRCs the first turn left in the
#   cache), once read into a buffer and sent with send().
#   Last, where the processor's time goes in the two archive turns that
#   count CRCs (perf, user space, by symbol).
# Prints the medians, the ratios to the one file, the peak memory, the
# profiles, and a RESULT line. The targets for the archive over HTTP are
# archive/file >= 0.9 and a peak under 60 MB.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/tools/lib.sh"

ROUNDS="${ORVANE_BENCH_ROUNDS:-3}"
TOTAL=$((4 * 1024 * 1024 * 1024))
SMALL_FILES=10000

ensure_packages "${NATIVE_PACKAGES[@]}" python3 linux-perf
mkdir -p "$BUILD"
log "optimised native build ($BUILD/bench)"
configure_and_build "$BUILD/bench" -DCMAKE_BUILD_TYPE=Release -DORVANE_BUILD_TESTS=OFF \
  -DORVANE_BUILD_BENCH=ON -- zip-bench
BENCH="$BUILD/bench/zip-bench"

WORK="$(mktemp -d /tmp/orvane-bench-zip.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT
trap 'exit 130' INT TERM
FOLDER="$WORK/folder"
ONE="$WORK/one.bin"

log "making a folder of 4 GiB ($SMALL_FILES small files and 4 large ones) and one file as large"
python3 - "$FOLDER" "$ONE" "$TOTAL" "$SMALL_FILES" <<'PY'
import os, random, sys
folder, one, total, small_files = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
random.seed(35)
pool = os.urandom(64 << 20)
def write(path, size):
    with open(path, "wb") as f:
        while size > 0:
            at = random.randrange(0, len(pool) - (1 << 20))
            piece = pool[at:at + min(size, 1 << 20)]
            f.write(piece)
            size -= len(piece)
used = 0
for i in range(small_files):
    sub = os.path.join(folder, "small", f"d{i // 100:03d}")
    os.makedirs(sub, exist_ok=True)
    size = random.randint(1 << 10, 40 << 10)
    write(os.path.join(sub, f"f{i:05d}.jpg"), size)
    used += size
large = (total - used) // 4
for i in range(4):
    write(os.path.join(folder, f"large{i}.mp4"), large if i < 3 else total - used - 3 * large)
write(one, total)
PY
log "reading both once, into the page cache"
find "$FOLDER" -type f -exec cat {} + >/dev/null
cat "$ONE" >/dev/null

median() { printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
field() { sed -n "s/.*[[:space:]]$1=\([^ ]*\).*/\1/p"; }
declare -A SECONDS_OF PEAK WALK USER SYS
LABELS=(read-file read-zip send-file send-zip-cold send-zip-cached send-zip-read)
for round in $(seq 1 "$ROUNDS"); do
  log "round $round of $ROUNDS"
  for mode in read-file read-zip send-file send-zip send-zip-read; do
    path="$FOLDER"
    [[ "$mode" == *-file ]] && path="$ONE"
    out="$("$BENCH" "$mode" "$path")" || { log "$mode failed: $out"; exit 1; }
    while read -r label rest; do
      SECONDS_OF[$label]="${SECONDS_OF[$label]:-} $(field seconds <<<" $rest")"
      PEAK[$label]="$(field peak_mb <<<" $rest")"
      USER[$label]="${USER[$label]:-} $(field user <<<" $rest")"
      SYS[$label]="${SYS[$label]:-} $(field sys <<<" $rest")"
      walk="$(field walk <<<" $rest")"
      [ "$walk" = "0.000" ] || WALK[$label]="${WALK[$label]:-} $walk"
    done <<<"$out"
  done
done

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
gibps() { awk -v s="$1" -v t="$TOTAL" 'BEGIN { printf "%.2f", t / s / 1073741824 }'; }
echo
printf '%-16s %9s %8s %11s %7s %7s %7s %8s\n' turn seconds GiB/s "x one file" "walk s" "user s" \
  "sys s" "peak MB"
declare -A MEDIAN
for label in "${LABELS[@]}"; do
  # shellcheck disable=SC2086 # the list of seconds is meant to split
  MEDIAN[$label]="$(median ${SECONDS_OF[$label]})"
  base=read-file
  [[ "$label" == send-* ]] && base=send-file
  walk="-"
  # shellcheck disable=SC2086
  [ -n "${WALK[$label]:-}" ] && walk="$(median ${WALK[$label]})"
  # shellcheck disable=SC2086
  printf '%-16s %9s %8s %11s %7s %7s %7s %8s\n' "$label" "${MEDIAN[$label]}" \
    "$(gibps "${MEDIAN[$label]}")" "$(ratio "${MEDIAN[$base]}" "${MEDIAN[$label]}")" "$walk" \
    "$(median ${USER[$label]})" "$(median ${SYS[$label]})" "${PEAK[$label]}"
done
echo "(x one file: the file's seconds over the turn's, so 1.00 is as fast as the one file;"
echo " the archive is the folder's 4 GiB plus its headers; walk: collecting the 10,004 entries,"
echo " part of the turn's seconds; user and sys: the processor time of the turn, both ends of the"
echo " connection, which is a thread of the same process; load average now: $(cut -d' ' -f1-3 /proc/loadavg))"

if perf record -q -e cpu-clock:u -o "$WORK/perf.probe" true >/dev/null 2>&1; then
  for mode in read-zip send-zip-read; do
    echo
    echo "where user-space time goes in $mode (perf, cpu-clock:u):"
    perf record -q -e cpu-clock:u -F 2000 -o "$WORK/perf.data" "$BENCH" "$mode" "$FOLDER" >/dev/null
    # awk reads to the end, so perf is not cut off by a closed pipe.
    perf report -q -i "$WORK/perf.data" --stdio --no-children --sort dso,symbol 2>/dev/null |
      awk 'NF && shown++ < 8 { line = $0; sub(/^ +/, "", line); print "  " substr(line, 1, 110) }' 
  done
else
  echo "(perf cannot sample here: no profile)"
fi

echo "RESULT read_zip_x_file=$(ratio "${MEDIAN[read-file]}" "${MEDIAN[read-zip]}")" \
  "send_zip_cold_x_file=$(ratio "${MEDIAN[send-file]}" "${MEDIAN[send-zip-cold]}")" \
  "send_zip_cached_x_file=$(ratio "${MEDIAN[send-file]}" "${MEDIAN[send-zip-cached]}")" \
  "send_zip_read_x_file=$(ratio "${MEDIAN[send-file]}" "${MEDIAN[send-zip-read]}")" \
  "peak_mb=${PEAK[send-zip-cached]}"
