#!/usr/bin/env bash
# ./x bench zip, and the last part of ./x bench: a folder as one archive, over
# HTTP, beside one file of the same size.
#   The bench makes a site: a folder of 4 GiB (10,000 small files of 1 to 40
#   KiB in 100 folders, and four large ones) and one file of the same total
#   size. Both are read once first, so every turn finds them in the page
#   cache (the machine needs about 9 GiB of free memory for that).
#   nginx (sendfile on) serves the site. Then, ORVANE_BENCH_ROUNDS times
#   (default 3), the optimised headless server is started afresh with --list
#   on the site, and curl fetches to /dev/null, one after the other: the
#   folder's archive (GET /:zip/folder/) as a first download, when no CRC is
#   known and every file is read to count it; the archive again, as a
#   resumed or repeated download finds it, its CRCs remembered; the one file
#   from this server; the one file from nginx. For each, its time, and this
#   server's processor time (user and system, from /proc); the server's
#   peak memory (VmHWM) before it is stopped.
#   Last, a first download once more with perf recording the server: where
#   its processor time goes, by symbol, kernel and user space together.
# Prints the medians, the speeds (bytes a second, so the archive's headers
# count as sent bytes), the ratios, the peak memory, the profile and a
# RESULT line. The targets: the archive at least 0.9 times as fast as the
# one file from this server, and a peak under 60 MB.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/tools/lib.sh"

ROUNDS="${ORVANE_BENCH_ROUNDS:-3}"
TOTAL=$((4 * 1024 * 1024 * 1024))
SMALL_FILES=10000

bench_start zip nginx-light curl python3 linux-perf

SITE="$WORK/site"

log "making a folder of 4 GiB ($SMALL_FILES small files and 4 large ones) and one file as large"
python3 - "$SITE/folder" "$SITE/one.bin" "$TOTAL" "$SMALL_FILES" <<'PY'
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
chmod -R a+rX "$SITE"
log "reading both once, into the page cache"
find "$SITE" -type f -exec cat {} + >/dev/null

PORTS_TEXT="$(free_ports 2)"
read -r PORT_THIS PORT_NGINX <<<"$PORTS_TEXT"
start_nginx "$WORK/nginx" 64 "  sendfile on;
  keepalive_timeout 0;
  proxy_temp_path $WORK/nginx/tmp;
  fastcgi_temp_path $WORK/nginx/tmp;
  uwsgi_temp_path $WORK/nginx/tmp;
  scgi_temp_path $WORK/nginx/tmp;
  server { listen 127.0.0.1:$PORT_NGINX; root $SITE; }"
PIDS+=("$NGINX_PID")

# ready PORT: true once the server there answers, within 10 s.
ready() {
  local _
  for _ in $(seq 1 100); do
    curl -s -o /dev/null --max-time 1 -r 0-0 "http://127.0.0.1:$1/one.bin" && return 0
    sleep 0.1
  done
  return 1
}
ready "$PORT_NGINX" || { log "nginx did not start"; exit 1; }
# start_server: this server, fresh (no CRC known), as SERVER_PID.
start_server() {
  "$SERVER" --list "$SITE" "$PORT_THIS" >/dev/null 2>"$WORK/this.err" &
  SERVER_PID=$!
  PIDS+=("$SERVER_PID")
  ready "$PORT_THIS" || { log "this server did not start"; exit 1; }
}
stop_server() {
  kill "$SERVER_PID" 2>/dev/null || true
  wait "$SERVER_PID" 2>/dev/null || true
}

# The server's processor time so far, in clock ticks, exited threads too.
server_ticks() { awk '{print $14 + $15}' "/proc/$SERVER_PID/stat"; }
TICK="$(getconf CLK_TCK)"
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
declare -A SECONDS_OF BYTES_OF CPU_OF
PEAKS=()
TURNS=(zip-first zip-again file-this file-nginx)
declare -A URL_OF=([zip-first]="http://127.0.0.1:$PORT_THIS/:zip/folder/"
  [zip-again]="http://127.0.0.1:$PORT_THIS/:zip/folder/"
  [file-this]="http://127.0.0.1:$PORT_THIS/one.bin"
  [file-nginx]="http://127.0.0.1:$PORT_NGINX/one.bin")
for round in $(seq 1 "$ROUNDS"); do
  log "round $round of $ROUNDS"
  start_server
  for turn in "${TURNS[@]}"; do
    before="$(server_ticks)"
    read -r code seconds bytes <<<"$(curl -s -o /dev/null \
      -w '%{http_code} %{time_total} %{size_download}' "${URL_OF[$turn]}")"
    after="$(server_ticks)"
    [ "$code" = 200 ] || { log "$turn answered $code"; exit 1; }
    SECONDS_OF[$turn]+=" $seconds"
    BYTES_OF[$turn]="$bytes"
    [ "$turn" = file-nginx ] ||
      CPU_OF[$turn]+=" $(awk -v t="$((after - before))" -v k="$TICK" 'BEGIN {printf "%.2f", t / k}')"
  done
  PEAKS+=("$(awk '$1 == "VmHWM:" {print $2}' "/proc/$SERVER_PID/status")")
  stop_server
done
PEAK_KB="$(printf '%s\n' "${PEAKS[@]}" | sort -n | tail -n 1)"

speed() { awk -v b="$1" -v s="$2" 'BEGIN { printf "%.2f", b / s / 1073741824 }'; }
declare -A MEDIAN SPEED
echo
printf '%-12s %9s %8s %14s %12s\n' turn seconds GiB/s bytes "server cpu s"
for turn in "${TURNS[@]}"; do
  # shellcheck disable=SC2086 # the list of seconds is meant to split
  MEDIAN[$turn]="$(median ${SECONDS_OF[$turn]})"
  SPEED[$turn]="$(speed "${BYTES_OF[$turn]}" "${MEDIAN[$turn]}")"
  cpu="-"
  # shellcheck disable=SC2086
  [ -n "${CPU_OF[$turn]:-}" ] && cpu="$(median ${CPU_OF[$turn]})"
  printf '%-12s %9s %8s %14s %12s\n' "$turn" "${MEDIAN[$turn]}" "${SPEED[$turn]}" \
    "${BYTES_OF[$turn]}" "$cpu"
done
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
FIRST_X_FILE="$(ratio "${SPEED[zip-first]}" "${SPEED[file-this]}")"
AGAIN_X_FILE="$(ratio "${SPEED[zip-again]}" "${SPEED[file-this]}")"
FIRST_X_NGINX="$(ratio "${SPEED[zip-first]}" "${SPEED[file-nginx]}")"
FILE_X_NGINX="$(ratio "${SPEED[file-this]}" "${SPEED[file-nginx]}")"
PEAK_MB="$(awk -v k="$PEAK_KB" 'BEGIN { printf "%.1f", k / 1024 }')"
echo "archive / one file from this server: $FIRST_X_FILE a first download, $AGAIN_X_FILE again" \
  "(target >= 0.9); first archive / nginx's file: $FIRST_X_NGINX;" \
  "this server's file / nginx's: $FILE_X_NGINX"
echo "this server's peak memory: $PEAK_MB MB, the most of the $ROUNDS runs (target < 60)"
echo "(medians of $ROUNDS turns; server cpu: this server's processor time in the turn, user and" \
  "system; curl and the servers share $(nproc) cores; load average now:" \
  "$(cut -d' ' -f1-3 /proc/loadavg))"

if perf record -q -e cpu-clock -o "$WORK/perf.probe" true >/dev/null 2>&1; then
  echo
  echo "where this server's processor time goes in one more first download (perf, cpu-clock):"
  start_server
  perf record -q -e cpu-clock -F 2000 -p "$SERVER_PID" -o "$WORK/perf.data" -- \
    curl -s -o /dev/null "${URL_OF[zip-first]}" >/dev/null 2>&1
  stop_server
  # awk reads to the end, so perf is not cut off by a closed pipe.
  perf report -q -i "$WORK/perf.data" --stdio --no-children --sort dso,symbol 2>/dev/null |
    awk 'NF && shown++ < 12 { line = $0; sub(/^ +/, "", line); print "  " substr(line, 1, 100) }'
else
  echo "(perf cannot sample here: no profile)"
fi

echo "RESULT zip_first_x_file=$FIRST_X_FILE zip_again_x_file=$AGAIN_X_FILE" \
  "zip_first_x_nginx=$FIRST_X_NGINX file_x_nginx=$FILE_X_NGINX" \
  "zip_first_gibps=${SPEED[zip-first]} zip_again_gibps=${SPEED[zip-again]}" \
  "file_gibps=${SPEED[file-this]} nginx_gibps=${SPEED[file-nginx]} peak_mb=$PEAK_MB"
