#!/usr/bin/env bash
# ./x bench upload, and the last part of ./x bench: receiving files.
#   512 MiB of random bytes sent over 127.0.0.1 with `curl -F f=@FILE` to the
#   headless server with --upload, beside nginx's WebDAV PUT of the same file
#   (`curl -T`, dav_methods PUT; its body buffer raised from 16 KiB to the
#   256 KiB pieces this server reads and writes, with which nginx is about
#   twice as fast) and beside `cp` of the file: all three into
#   one folder of one disk, taking turns round after round (medians of
#   ORVANE_BENCH_ROUNDS turns, default 3).
#   Each turn starts with the folder empty and the machine's dirty pages
#   written out (`sync`), and is timed twice: until the answer came (cp:
#   until it returned), when the bytes may still be in the page cache; and
#   until `sync FILE` (fsync of the stored file) returned after that, when
#   they are on the disk. Neither server syncs by itself, so the second
#   figure treats all three alike. The servers' processor time (user and
#   system, from /proc) over each turn is a third figure: what receiving the
#   file cost each of them.
#   Then one 1 GiB upload to a fresh server: its peak resident memory
#   (VmHWM from /proc) before and after.
# Prints a small table and a RESULT line; the targets are this/nginx >= 0.8
# and a peak under 100 MB. Then tools/bench_resumable.sh: the same with the
# resumable protocol (one PATCH, 8 MiB PATCHes, 1,000 small files).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/tools/lib.sh"

ROUNDS="${ORVANE_BENCH_ROUNDS:-3}"
MIB=$((1024 * 1024))
SENT_BYTES=$((512 * MIB))
BIG_BYTES=$((1024 * MIB))

bench_start upload nginx-light curl python3 coreutils

read -r -a PORTS <<<"$(free_ports 3)"
PORT_THIS=${PORTS[0]}
PORT_NGINX=${PORTS[1]}
PORT_MEMORY=${PORTS[2]}

INBOX="$WORK/inbox"
# nginx's worker runs as another user when started as root.
mkdir -p "$INBOX" "$WORK/site" "$WORK/nginx/tmp"
chmod 777 "$INBOX"

# start_headless PORT OUT: this server with uploads into INBOX, its report in
# OUT; sets STARTED_PID and CODE once it listens (20 s at most).
start_headless() {
  "$SERVER" --upload "$INBOX" "$WORK/site" "$1" >"$2" 2>&1 &
  STARTED_PID=$!
  PIDS+=("$STARTED_PID")
  local _
  for _ in $(seq 1 200); do
    if grep -q "Ctrl-C stops" "$2"; then
      CODE="$(grep -o 'code=[A-Z0-9]*' "$2" | head -n 1)"
      CODE="${CODE#code=}"
      [ -n "$CODE" ] && return 0
    fi
    sleep 0.1
  done
  log "this server did not start on $1: $(head -c 300 "$2")"
  return 1
}

# Processor time of a process so far (its ended threads included), in clock
# ticks: utime + stime of /proc/PID/stat.
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
# kB of a /proc status field.
status_kb() { awk -v f="$2:" '$1 == f {print $2}' "/proc/$1/status"; }
now_ns() { date +%s%N; }
# mb_per_s BYTES NANOSECONDS
mb_per_s() { awk -v b="$1" -v t="$2" 'BEGIN { printf "%.0f", b * 1000 / t }'; }
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a + 0 > 0 && b + 0 > 0) printf "%.2f", a / b; else printf "-" }'; }

log "making 512 MiB of random bytes"
SOURCE="$WORK/up.bin"
head -c "$SENT_BYTES" /dev/urandom >"$SOURCE"

start_headless "$PORT_THIS" "$WORK/this.out"
THIS_SERVER_PID=$STARTED_PID
THIS_URL="http://127.0.0.1:$PORT_THIS/:upload?code=$CODE"
start_nginx "$WORK/nginx" 64 "  client_max_body_size 0;
  client_body_buffer_size 256k;
  server {
    listen 127.0.0.1:$PORT_NGINX;
    root $INBOX;
    location / { dav_methods PUT; }
  }"
PIDS+=("$NGINX_PID")
for _ in $(seq 1 100); do
  curl -s -o /dev/null --max-time 1 "http://127.0.0.1:$PORT_NGINX/" && break
  sleep 0.1
done
# The one worker, the process that receives the body.
NGINX_WORKER="$(pgrep -P "$NGINX_PID" | head -n 1)"

declare -A ANSWERED ON_DISK CPU
declare -A SERVER_PID=([this]=$THIS_SERVER_PID [nginx]=$NGINX_WORKER)
# turn NAME ROUND: one transfer of SOURCE into INBOX/up.bin by NAME (this,
# nginx or cp); adds its two figures. The first round also compares the
# stored bytes.
turn() {
  local name="$1" round="$2" stored="$INBOX/up.bin" status start answered synced size ticks=0
  local server="${SERVER_PID[$name]:-}"
  rm -f "$INBOX"/* "$INBOX"/.[!.]*
  sync
  [ -n "$server" ] && ticks=$(cpu_ticks "$server")
  start=$(now_ns)
  case "$name" in
    this) status=$(curl -s -o /dev/null -w '%{http_code}' --max-time 300 -F "f=@$SOURCE" "$THIS_URL") ;;
    nginx)
      status=$(curl -s -o /dev/null -w '%{http_code}' --max-time 300 -T "$SOURCE" \
        "http://127.0.0.1:$PORT_NGINX/up.bin")
      ;;
    cp) cp "$SOURCE" "$stored" && status=copied ;;
  esac
  answered=$(now_ns)
  [ -n "$server" ] && ticks=$(($(cpu_ticks "$server") - ticks))
  sync "$stored" 2>/dev/null || true
  synced=$(now_ns)
  size=$(stat -c %s "$stored" 2>/dev/null || echo 0)
  if [ "$size" != "$SENT_BYTES" ]; then
    log "$name: answer $status, stored $size of $SENT_BYTES bytes"
    exit 1
  fi
  if [ "$round" = 1 ] && ! cmp -s "$SOURCE" "$stored"; then
    log "$name: the stored file differs from the one sent"
    exit 1
  fi
  ANSWERED[$name]+=" $(mb_per_s "$SENT_BYTES" $((answered - start)))"
  ON_DISK[$name]+=" $(mb_per_s "$SENT_BYTES" $((synced - start)))"
  CPU[$name]+=" $(awk -v t="$ticks" -v hz="$(getconf CLK_TCK)" 'BEGIN { printf "%.2f", t / hz }')"
}

NAMES=(this nginx cp)
for round in $(seq 1 "$ROUNDS"); do
  for name in "${NAMES[@]}"; do
    log "upload round $round/$ROUNDS: $name"
    turn "$name" "$round"
  done
done
kill "${PIDS[@]}" 2>/dev/null || true
wait "${PIDS[@]}" 2>/dev/null || true
PIDS=()
rm -f "$INBOX"/*

log "memory: one 1 GiB upload to a fresh server"
BIG="$WORK/big.bin"
cat "$SOURCE" "$SOURCE" >"$BIG"
rm -f "$SOURCE"
sync
start_headless "$PORT_MEMORY" "$WORK/memory.out"
MEMORY_PID=$STARTED_PID
sleep 0.5
HWM_IDLE=$(status_kb "$MEMORY_PID" VmHWM)
start=$(now_ns)
status=$(curl -s -o /dev/null -w '%{http_code}' --max-time 300 -F "f=@$BIG" \
  "http://127.0.0.1:$PORT_MEMORY/:upload?code=$CODE")
elapsed=$(($(now_ns) - start))
HWM_BIG=$(status_kb "$MEMORY_PID" VmHWM)
RSS_AFTER=$(status_kb "$MEMORY_PID" VmRSS)
size=$(stat -c %s "$INBOX/big.bin" 2>/dev/null || echo 0)
if [ "$status" != 200 ] || [ "$size" != "$BIG_BYTES" ]; then
  log "1 GiB upload: answer $status, stored $size of $BIG_BYTES bytes"
  exit 1
fi

declare -A M
# The samples are space-separated lists, split into median's arguments on purpose.
# shellcheck disable=SC2086
for name in "${NAMES[@]}"; do
  M[answered.$name]=$(median ${ANSWERED[$name]})
  M[disk.$name]=$(median ${ON_DISK[$name]})
done
# shellcheck disable=SC2086
for name in this nginx; do M[cpu.$name]=$(median ${CPU[$name]}); done
mb() { awk -v k="$1" 'BEGIN { printf "%.1f", k * 1024 / 1000000 }'; }
row() { printf '%-40s %10s %10s %10s %11s %9s\n' "$@"; }

echo
echo "upload: 512 MiB of random bytes over 127.0.0.1 into one folder, MB/s (10^6 bytes/s),"
echo "medians of $ROUNDS interleaved turns; this: curl -F to --upload, nginx: WebDAV PUT (curl -T)"
echo "per turn until answered: this${ANSWERED[this]}; nginx${ANSWERED[nginx]}; cp${ANSWERED[cp]}"
echo "per turn until on disk: this${ON_DISK[this]}; nginx${ON_DISK[nginx]}; cp${ON_DISK[cp]}"
echo "per turn, server processor seconds: this${CPU[this]}; nginx${CPU[nginx]}"
row "figure" "this" "nginx" "cp" "this/nginx" "this/cp"
row "until answered (page cache), MB/s" "${M[answered.this]}" "${M[answered.nginx]}" \
  "${M[answered.cp]}" "$(ratio "${M[answered.this]}" "${M[answered.nginx]}")" \
  "$(ratio "${M[answered.this]}" "${M[answered.cp]}")"
row "until on disk (then fsync), MB/s" "${M[disk.this]}" "${M[disk.nginx]}" "${M[disk.cp]}" \
  "$(ratio "${M[disk.this]}" "${M[disk.nginx]}")" "$(ratio "${M[disk.this]}" "${M[disk.cp]}")"
row "server processor time, s" "${M[cpu.this]}" "${M[cpu.nginx]}" "" \
  "$(ratio "${M[cpu.this]}" "${M[cpu.nginx]}")" ""
echo "(target: this/nginx >= 0.8 in MB/s)"
echo "1 GiB upload: $(mb_per_s "$BIG_BYTES" "$elapsed") MB/s until answered;" \
  "peak RSS (VmHWM) $(mb "$HWM_BIG") MB, idle before it $(mb "$HWM_IDLE") MB," \
  "RSS after it $(mb "$RSS_AFTER") MB (target: peak under 100 MB)"
echo "RESULT upload_this=${M[answered.this]} upload_nginx=${M[answered.nginx]}" \
  "upload_cp=${M[answered.cp]} upload_disk_this=${M[disk.this]} upload_disk_nginx=${M[disk.nginx]}" \
  "upload_disk_cp=${M[disk.cp]} upload_this_nginx=$(ratio "${M[answered.this]}" "${M[answered.nginx]}")" \
  "upload_disk_this_nginx=$(ratio "${M[disk.this]}" "${M[disk.nginx]}")" \
  "upload_cpu_this=${M[cpu.this]} upload_cpu_nginx=${M[cpu.nginx]}" \
  "upload_hwm_idle_kb=$HWM_IDLE upload_hwm_1gib_kb=$HWM_BIG"

# Then the resumable uploads the page sends, beside nginx's PUT.
"$ROOT/tools/bench_resumable.sh"
