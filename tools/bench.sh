#!/usr/bin/env bash
# ./x bench: this server's speed and memory beside nginx and Python's
# http.server and beside the bare server of the same design (bench/
# design_floor.cpp, "floor"), in one run, servers taking turns on 127.0.0.1.
#   small file: wrk -t2 -c32 -d10s --latency -H 'Connection: close', then a
#     browser's load: wrk -t2 -c6 (half the duration)
#   256 MiB file: one GET with curl
#   folder listing: a folder of 10,000 small files, this server with --list
#     beside nginx's autoindex and Python's own listing: wrk -t2 -c6 (half the
#     duration)
#   memory: this server idle with its 500 threads, and holding 499 connections
#   the Windows program under Wine on the small file, when it is built
#   receiving files: tools/bench_upload.sh, last (`./x bench upload` runs
#     only that part)
#   a folder as one archive: tools/bench_zip.sh, after it (`./x bench zip`
#     runs only that part)
#   thumbnails: tools/bench_thumbs.sh, only as `./x bench thumbs`
# Prints one table with the ratios this/floor, this/nginx, floor/nginx and
# this/python.
# Environment: ORVANE_BENCH_PORT (first of seven ports; by default seven free
# ones are picked),
# ORVANE_BENCH_SECONDS (wrk duration, default 10), ORVANE_BENCH_ROUNDS (turns
# each server takes, default 3; the table shows medians), ORVANE_WIN_EXE (the
# Windows program, default build/win/OrvaneServer.exe), ORVANE_BENCH_LOCK (a
# file to hold with flock while Wine runs, when others share the machine).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/tools/lib.sh"

case "${1:-}" in
  upload) exec "$ROOT/tools/bench_upload.sh" ;;
  zip) exec "$ROOT/tools/bench_zip.sh" ;;
  thumbs) exec "$ROOT/tools/bench_thumbs.sh" ;;
  "") ;;
  *)
    echo "usage: $0 [upload|zip|thumbs]" >&2
    exit 2
    ;;
esac

SECONDS_PER_RUN="${ORVANE_BENCH_SECONDS:-10}"
ROUNDS="${ORVANE_BENCH_ROUNDS:-3}"

BROWSER_CONNECTIONS=6
BROWSER_SECONDS=$(((SECONDS_PER_RUN + 1) / 2))

ensure_packages "${NATIVE_PACKAGES[@]}" nginx-light wrk curl python3
command -v python3 >/dev/null || { log "python3 is missing"; exit 1; }

if [ -n "${ORVANE_BENCH_PORT:-}" ]; then
  PORTS=()
  for i in 0 1 2 3 4 5 6; do PORTS+=($((ORVANE_BENCH_PORT + i))); done
else
  PORTS_TEXT="$(free_ports 7)"
  read -r -a PORTS <<<"$PORTS_TEXT"
fi
PORT_THIS=${PORTS[0]}
PORT_NGINX=${PORTS[1]}
PORT_PYTHON=${PORTS[2]}
PORT_WINE=${PORTS[3]}
PORT_MEMORY=${PORTS[4]}
PORT_FLOOR=${PORTS[5]}
PORT_LIST=${PORTS[6]}
LISTED_FILES=10000

mkdir -p "$BUILD"
log "optimised native build ($BUILD/bench)"
configure_and_build "$BUILD/bench" -DCMAKE_BUILD_TYPE=Release -DORVANE_BUILD_TESTS=OFF \
  -DORVANE_BUILD_BENCH=ON
SERVER="$BUILD/bench/orvane-headless"
FLOOR="$BUILD/bench/design-floor"

WORK="$(mktemp -d /tmp/orvane-bench.XXXXXX)"
chmod 755 "$WORK"  # nginx's worker runs as another user and must read the site
SITE="$WORK/site"
PIDS=()
WINE_STARTED=0

cleanup() {
  local pid
  for pid in "${PIDS[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${PIDS[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  PIDS=()
  [ "$WINE_STARTED" -eq 1 ] && stop_wine_and_xvfb
  rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# stop_pid PID: ends one server this script started and forgets it.
stop_pid() {
  local pid="$1" kept=() p
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  for p in "${PIDS[@]}"; do
    [ "$p" = "$pid" ] || kept+=("$p")
  done
  PIDS=("${kept[@]}")
}

# wait_ready PORT: true once the small file comes back, within 20 s.
wait_ready() {
  local _
  for _ in $(seq 1 200); do
    curl -s -o /dev/null --max-time 1 "http://127.0.0.1:$1/small.htm" && return 0
    sleep 0.1
  done
  return 1
}

log "making the site in $SITE"
mkdir -p "$SITE"
head -c 1024 /dev/urandom | base64 -w 64 | head -c 1024 >"$SITE/small.htm"
head -c $((256 * 1024 * 1024)) /dev/urandom >"$SITE/big.bin"
BIG_BYTES=$((256 * 1024 * 1024))
# The listed folder: small files with names like a photo folder's.
mkdir -p "$SITE/many"
(cd "$SITE/many" && seq -f 'IMG_%05g.jpg' 1 "$LISTED_FILES" | xargs touch)

# Results, by "figure.server".
declare -A R

# median VALUES...: the middle value (the lower middle of an even count).
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
# wrk prints latencies with units; the table shows milliseconds.
ms() {
  awk -v v="$1" 'BEGIN {
    if (v ~ /us$/) printf "%.2f", v / 1000; else if (v ~ /ms$/) printf "%.2f", v + 0;
    else if (v ~ /s$/) printf "%.2f", v * 1000; else printf "-" }'
}

# Accept-queue overflows of the whole machine so far (a dropped SYN costs its
# client a one-second retransmission, which shows in p99).
listen_overflows() {
  if command -v nstat >/dev/null; then
    nstat -az TcpExtListenOverflows 2>/dev/null | awk '/TcpExtListenOverflows/ {print $2; f=1} END {if (!f) print 0}'
  else
    echo 0
  fi
}

# wrk_round NAME PORT [CONNECTIONS SECONDS KEY URLPATH]: one wrk run on the
# small file (or on URLPATH); adds to the figures of NAME (of KEY.NAME when
# KEY is given).
declare -A RPS P50 P99 BIG
wrk_round() {
  local port="$2" connections="${3:-32}" seconds="${4:-$SECONDS_PER_RUN}"
  local name="${5:+$5.}$1" path="${6:-/small.htm}" out before after
  before=$(listen_overflows)
  out=$(wrk -t2 -c"$connections" -d"${seconds}s" --latency -H 'Connection: close' \
    "http://127.0.0.1:$port$path")
  after=$(listen_overflows)
  echo "$out" >>"$WORK/wrk-$name.txt"
  RPS[$name]+=" $(awk '/^Requests\/sec:/ {print $2}' <<<"$out")"
  P50[$name]+=" $(ms "$(awk '$1 == "50%" {print $2}' <<<"$out")")"
  P99[$name]+=" $(ms "$(awk '$1 == "99%" {print $2}' <<<"$out")")"
  local read_errors timeouts requests non2xx
  read_errors=$(awk '/Socket errors:/ {gsub(",", ""); n = $6} END {print n + 0}' <<<"$out")
  timeouts=$(awk '/Socket errors:/ {gsub(",", ""); n = $10} END {print n + 0}' <<<"$out")
  requests=$(awk '/requests in/ {n = $1} END {print n + 0}' <<<"$out")
  non2xx=$(awk '/Non-2xx or 3xx responses:/ {n = $NF} END {print n + 0}' <<<"$out")
  R[readerr.$name]=$((${R[readerr.$name]:-0} + read_errors))
  R[timeouts.$name]=$((${R[timeouts.$name]:-0} + timeouts))
  R[requests.$name]=$((${R[requests.$name]:-0} + requests))
  R[non2xx.$name]=$((${R[non2xx.$name]:-0} + non2xx))
  R[overflow.$name]=$((${R[overflow.$name]:-0} + after - before))
}

# big_round NAME PORT: one GET of the 256 MiB file; adds MiB/s (0 when short).
big_round() {
  local size speed
  read -r size speed < <(curl -s -o /dev/null --max-time 120 -w '%{size_download} %{speed_download}\n' \
    "http://127.0.0.1:$2/big.bin")
  if [ "$size" = "$BIG_BYTES" ]; then
    BIG[$1]+=" $(awk -v s="$speed" 'BEGIN {printf "%.0f", s / 1048576}')"
  else
    BIG[$1]+=" 0"
    log "$1 sent $size of $BIG_BYTES bytes"
  fi
}

log "starting this server (headless) on $PORT_THIS and with --list on $PORT_LIST, the floor on $PORT_FLOOR, nginx on $PORT_NGINX, python on $PORT_PYTHON"
"$SERVER" "$SITE" "$PORT_THIS" >/dev/null 2>"$WORK/this.err" &
PIDS+=($!)
"$SERVER" --list "$SITE" "$PORT_LIST" >/dev/null 2>"$WORK/list.err" &
PIDS+=($!)
# The floor answers every request with the one file it was given.
"$FLOOR" "$SITE/small.htm" "$PORT_FLOOR" >/dev/null 2>"$WORK/floor.err" &
PIDS+=($!)
start_nginx "$WORK/nginx" 1024 "  sendfile on;
  keepalive_timeout 0;
  proxy_temp_path $WORK/nginx/tmp;
  fastcgi_temp_path $WORK/nginx/tmp;
  uwsgi_temp_path $WORK/nginx/tmp;
  scgi_temp_path $WORK/nginx/tmp;
  types { text/html htm; application/octet-stream bin; }
  server {
    listen 127.0.0.1:$PORT_NGINX;
    root $SITE;
    location /many/ { autoindex on; }
  }"
PIDS+=("$NGINX_PID")
python3 -m http.server "$PORT_PYTHON" --bind 127.0.0.1 --directory "$SITE" >/dev/null 2>&1 &
PIDS+=($!)
NAMES=(this floor nginx python)
declare -A PORT_OF=([this]=$PORT_THIS [floor]=$PORT_FLOOR [nginx]=$PORT_NGINX [python]=$PORT_PYTHON)
# The listing's turns: this server with --list, nginx's autoindex, python.
LIST_NAMES=(this nginx python)
declare -A LIST_PORT_OF=([this]=$PORT_LIST [nginx]=$PORT_NGINX [python]=$PORT_PYTHON)
for name in "${NAMES[@]}"; do
  wait_ready "${PORT_OF[$name]}" || { log "$name did not answer on ${PORT_OF[$name]}"; exit 1; }
  # A short warm-up so no server pays for first-touch costs in the figures.
  wrk -t2 -c32 -d1s -H 'Connection: close' "http://127.0.0.1:${PORT_OF[$name]}/small.htm" >/dev/null 2>&1 || true
done
wait_ready "$PORT_LIST" || { log "this server with --list did not answer on $PORT_LIST"; exit 1; }
# Each lists the whole folder, so the turns compare the same work.
for name in "${LIST_NAMES[@]}"; do
  listed=$(curl -s --max-time 30 "http://127.0.0.1:${LIST_PORT_OF[$name]}/many/" | grep -c 'IMG_' || true)
  [ "$listed" -ge "$LISTED_FILES" ] || { log "$name listed $listed of $LISTED_FILES files"; exit 1; }
done
# The servers take turns, round after round, so a burst of other load on the
# machine falls on all of them rather than on one; the table shows medians.
for round in $(seq 1 "$ROUNDS"); do
  for name in "${NAMES[@]}"; do
    log "round $round/$ROUNDS: $name"
    wrk_round "$name" "${PORT_OF[$name]}"
  done
  # What one browser opens to one host: the accept queue of 5 should hold it.
  for name in "${NAMES[@]}"; do
    log "round $round/$ROUNDS: $name, $BROWSER_CONNECTIONS connections"
    wrk_round "$name" "${PORT_OF[$name]}" "$BROWSER_CONNECTIONS" "$BROWSER_SECONDS" c6
  done
  for name in "${NAMES[@]}"; do
    [ "$name" = floor ] || big_round "$name" "${PORT_OF[$name]}"
  done
  for name in "${LIST_NAMES[@]}"; do
    log "round $round/$ROUNDS: $name, the listing of $LISTED_FILES files"
    wrk_round "$name" "${LIST_PORT_OF[$name]}" "$BROWSER_CONNECTIONS" "$BROWSER_SECONDS" list /many/
  done
done
# The samples are space-separated lists, split into median's arguments on purpose.
# shellcheck disable=SC2086
for name in "${NAMES[@]}" "${NAMES[@]/#/c6.}" "${LIST_NAMES[@]/#/list.}"; do
  R[rps.$name]=$(median ${RPS[$name]})
  R[p50.$name]=$(median ${P50[$name]})
  R[p99.$name]=$(median ${P99[$name]})
done
for name in this nginx python; do
  # shellcheck disable=SC2086
  R[big.$name]=$(median ${BIG[$name]})
done
for pid in "${PIDS[@]}"; do stop_pid "$pid"; done

# The Windows program: started on a private Xvfb, its port and folder set and
# Start pressed by window messages from a small helper built against the
# window's control IDs.
WINE_NOTE=""
wine_row() {
  local exe="${ORVANE_WIN_EXE:-$BUILD/win/OrvaneServer.exe}" ids="$ROOT/src/ui/control_ids.h"
  if [ ! -f "$exe" ]; then
    WINE_NOTE="skipped: $exe is not built (./x build)"
    return 0
  fi
  if [ ! -f "$ids" ]; then
    WINE_NOTE="skipped: the window's control IDs ($ids) are not there yet"
    return 0
  fi
  if ! command -v x86_64-w64-mingw32-g++ >/dev/null || ! command -v wine >/dev/null; then
    WINE_NOTE="skipped: MinGW-w64 or Wine is not installed (./x build)"
    return 0
  fi
  local helper="$WORK/press_start.exe"
  if ! x86_64-w64-mingw32-g++ -O1 -static -std=c++17 -I"$ROOT/src" \
    -o "$helper" "$ROOT/bench/press_start.cpp" -luser32 2>"$WORK/helper.log"; then
    WINE_NOTE="skipped: the start helper did not build against $ids ($(head -c 200 "$WORK/helper.log"))"
    return 0
  fi
  # A Wine prefix of its own, so stopping its wineserver touches nobody else's.
  export WINEPREFIX="$BUILD/bench-wine/prefix"
  wine_prefix_ready
  start_xvfb || { WINE_NOTE="skipped: no Xvfb"; return 0; }
  WINE_STARTED=1
  local winsite
  winsite="$(winepath -w "$SITE" 2>/dev/null)"
  wine "$exe" >/dev/null 2>&1 &
  PIDS+=($!)
  local wine_pid=$!
  if ! timeout 60 wine "$helper" "$PORT_WINE" "$winsite" >"$WORK/helper.out" 2>&1; then
    WINE_NOTE="skipped: could not press Start ($(tr '\n' ' ' <"$WORK/helper.out" | head -c 200))"
    stop_pid "$wine_pid"
    stop_wine_and_xvfb
    WINE_STARTED=0
    return 0
  fi
  if wait_ready "$PORT_WINE"; then
    local out
    out=$(wrk -t2 -c32 -d"${SECONDS_PER_RUN}s" --latency -H 'Connection: close' \
      "http://127.0.0.1:$PORT_WINE/small.htm")
    R[wine]=$(awk '/^Requests\/sec:/ {print $2}' <<<"$out")
  else
    WINE_NOTE="skipped: the Windows program did not answer on $PORT_WINE"
  fi
  stop_pid "$wine_pid"
  stop_wine_and_xvfb
  WINE_STARTED=0
}
log "the Windows program under Wine"
if [ -n "${ORVANE_BENCH_LOCK:-}" ]; then
  exec 9>"$ORVANE_BENCH_LOCK"
  flock 9
  wine_row
  flock -u 9
else
  wine_row
fi

# kB of a /proc status field.
status_kb() { awk -v f="$2:" '$1 == f {print $2}' "/proc/$1/status"; }

log "memory: idle with the pool, then holding 499 connections"
"$SERVER" "$SITE" "$PORT_MEMORY" >/dev/null 2>&1 &
PIDS+=($!)
MEM_PID=$!
wait_ready "$PORT_MEMORY" || { log "server for the memory figures did not start"; exit 1; }
sleep 1
R[threads_idle]=$(status_kb "$MEM_PID" Threads)
R[rss_idle]=$(status_kb "$MEM_PID" VmRSS)
HELD_FILE="$WORK/held.txt"
python3 "$ROOT/bench/hold_connections.py" "$PORT_MEMORY" 499 8 >"$HELD_FILE" 2>&1 &
PIDS+=($!)
HOLD_PID=$!
# Sample while they are held (the server waits up to 10 s for each request).
for _ in $(seq 1 60); do
  [ -s "$HELD_FILE" ] && break
  sleep 0.1
done
sleep 1
R[held]=$(head -n 1 "$HELD_FILE" 2>/dev/null || echo 0)
R[threads_held]=$(status_kb "$MEM_PID" Threads)
R[rss_held]=$(status_kb "$MEM_PID" VmRSS)
R[hwm_held]=$(status_kb "$MEM_PID" VmHWM)
stop_pid "$HOLD_PID"
stop_pid "$MEM_PID"

# ---- the table ----
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a + 0 > 0 && b + 0 > 0) printf "%.2f", a / b; else printf "-" }'; }
# row FIGURE THIS FLOOR NGINX PYTHON THIS/FLOOR THIS/NGINX FLOOR/NGINX THIS/PYTHON
row() { printf '%-34s %12s %12s %12s %12s %10s %10s %11s %11s\n' "$@"; }
mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
# speed_rows KEY LABEL: the requests/s and latency rows of one kind of turn.
speed_rows() {
  local k="$1" label="$2" figure unit
  for figure in rps p50 p99; do
    case $figure in
      rps) unit="requests/s" ;;
      p50) unit="p50 latency (ms)" ;;
      p99) unit="p99 latency (ms)" ;;
    esac
    local t="${R[$figure.${k}this]}" f="${R[$figure.${k}floor]}" n="${R[$figure.${k}nginx]}"
    local p="${R[$figure.${k}python]}"
    row "$label, $unit" "$t" "$f" "$n" "$p" "$(ratio "$t" "$f")" "$(ratio "$t" "$n")" \
      "$(ratio "$f" "$n")" "$(ratio "$t" "$p")"
  done
  local counts name
  for counts in "readerr:  wrk read errors / requests" "non2xx:  non-2xx answers (must be 0)" \
    "timeouts:  wrk timeouts" "overflow:  accept-queue overflows"; do
    local cells=()
    for name in this floor nginx python; do
      if [ "${counts%%:*}" = readerr ]; then
        cells+=("${R[readerr.$k$name]}/${R[requests.$k$name]}")
      else
        cells+=("${R[${counts%%:*}.$k$name]}")
      fi
    done
    row "${counts#*:}" "${cells[@]}" "" "" "" ""
  done
}

echo
echo "OrvaneServer bench, $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $(awk -F': ' '/model name/ {print $2; exit}' /proc/cpuinfo)"
echo "small file: 1 KiB .htm, wrk -t2 -c32 -d${SECONDS_PER_RUN}s, and -c$BROWSER_CONNECTIONS" \
  "-d${BROWSER_SECONDS}s, --latency -H 'Connection: close'; medians of $ROUNDS turns each, counts summed"
echo "per turn, requests/s: this${RPS[this]}; floor${RPS[floor]}; nginx${RPS[nginx]}; python${RPS[python]}"
echo "per turn, -c$BROWSER_CONNECTIONS requests/s: this${RPS[c6.this]}; floor${RPS[c6.floor]};" \
  "nginx${RPS[c6.nginx]}; python${RPS[c6.python]}"
echo "folder listing: /many/ of $LISTED_FILES files, this with --list, nginx autoindex, python;" \
  "wrk -t2 -c$BROWSER_CONNECTIONS -d${BROWSER_SECONDS}s; per turn, requests/s: this${RPS[list.this]};" \
  "nginx${RPS[list.nginx]}; python${RPS[list.python]}"
row "figure" "this" "floor" "nginx" "python" "this/floor" "this/nginx" "floor/nginx" "this/python"
speed_rows "" "small file"
speed_rows "c6." "-c$BROWSER_CONNECTIONS"
row "256 MiB GET, MiB/s" "${R[big.this]}" "" "${R[big.nginx]}" "${R[big.python]}" "" \
  "$(ratio "${R[big.this]}" "${R[big.nginx]}")" "" "$(ratio "${R[big.this]}" "${R[big.python]}")"
row "folder listing of $LISTED_FILES files, req/s" "${R[rps.list.this]}" "" "${R[rps.list.nginx]}" \
  "${R[rps.list.python]}" "" "$(ratio "${R[rps.list.this]}" "${R[rps.list.nginx]}")" "" \
  "$(ratio "${R[rps.list.this]}" "${R[rps.list.python]}")"
row "  non-2xx answers (must be 0)" "${R[non2xx.list.this]}" "" "${R[non2xx.list.nginx]}" \
  "${R[non2xx.list.python]}" "" "" "" ""
if [ -n "${R[wine]:-}" ]; then
  row "Windows program under Wine, req/s" "${R[wine]}" "" "" "" "$(ratio "${R[wine]}" "${R[rps.floor]}")" \
    "$(ratio "${R[wine]}" "${R[rps.nginx]}")" "" "$(ratio "${R[wine]}" "${R[rps.python]}")"
else
  row "Windows program under Wine, req/s" "-" "" "" "" "" "" "" ""
  echo "  ($WINE_NOTE)"
fi
row "RSS idle, ${R[threads_idle]} threads (MiB)" "$(mib "${R[rss_idle]}")" "" "" "" "" "" "" ""
row "RSS holding ${R[held]} connections (MiB)" "$(mib "${R[rss_held]}")" "" "" "" "" "" "" ""
row "  peak RSS so far, VmHWM (MiB)" "$(mib "${R[hwm_held]}")" "" "" "" "" "" "" ""
row "  threads while holding" "${R[threads_held]}" "" "" "" "" "" "" ""
echo "(wrk counts a close after a 200 head without a Connection line as a read error: this server's"
echo " and the floor's every answer; the floor serves the small file only, so it has no 256 MiB row)"
echo "(accept-queue overflows are the machine's ListenOverflows counter over each turn)"

# Machine-readable line for collecting several runs.
echo "RESULT rps_this=${R[rps.this]} rps_floor=${R[rps.floor]} rps_nginx=${R[rps.nginx]}" \
  "rps_python=${R[rps.python]} this_floor=$(ratio "${R[rps.this]}" "${R[rps.floor]}")" \
  "this_nginx=$(ratio "${R[rps.this]}" "${R[rps.nginx]}") floor_nginx=$(ratio "${R[rps.floor]}" "${R[rps.nginx]}")" \
  "p50_this=${R[p50.this]} p99_this=${R[p99.this]} p50_floor=${R[p50.floor]} p99_floor=${R[p99.floor]}" \
  "p50_nginx=${R[p50.nginx]} p99_nginx=${R[p99.nginx]} p50_python=${R[p50.python]} p99_python=${R[p99.python]}" \
  "c6_rps_this=${R[rps.c6.this]} c6_rps_floor=${R[rps.c6.floor]} c6_rps_nginx=${R[rps.c6.nginx]}" \
  "c6_rps_python=${R[rps.c6.python]} c6_p99_this=${R[p99.c6.this]} c6_p99_floor=${R[p99.c6.floor]}" \
  "c6_overflow_this=${R[overflow.c6.this]} c6_overflow_floor=${R[overflow.c6.floor]}" \
  "big_this=${R[big.this]} big_nginx=${R[big.nginx]} big_python=${R[big.python]}" \
  "list_this=${R[rps.list.this]} list_nginx=${R[rps.list.nginx]} list_python=${R[rps.list.python]}" \
  "wine=${R[wine]:--} rss_idle_kb=${R[rss_idle]} rss_held_kb=${R[rss_held]} hwm_held_kb=${R[hwm_held]}"

# Receiving files, with servers and a folder of its own.
"$ROOT/tools/bench_upload.sh"
# A folder as one archive, with folders of its own.
"$ROOT/tools/bench_zip.sh"
