#!/usr/bin/env bash
# The last part of ./x bench upload: resumable uploads (the protocol the
# upload page speaks) beside nginx's WebDAV PUT, both fed by curl over
# 127.0.0.1 into one folder, taking turns round after round (medians of
# ORVANE_BENCH_ROUNDS turns, default 3):
#   1 GiB in one PATCH (curl -X PATCH -T FILE after the creation), against
#   nginx's PUT of the same file (curl -T);
#   the same file in 8 MiB PATCHes, one curl process sending them one after
#   the other (--next), against the same PUT;
#   1,000 files of 100 KiB three at a time (curl --parallel-max 3), each in
#   the request that creates its upload, against nginx's PUT of the same
#   files three at a time: files per second; and against a second nginx
#   that closes each connection after its answer, as this server (one
#   request a connection, by design) does, so the cost of the connections
#   is told apart from the rest.
# Each figure also gives this server's peak resident memory over its turns
# (VmHWM, reset before each figure through /proc/PID/clear_refs).
# Prints a small table and a RESULT line; the targets: one PATCH >= 0.9 of
# nginx, 8 MiB PATCHes >= 0.8, files per second >= nginx, peaks under 100 MB.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/tools/lib.sh"

ROUNDS="${ORVANE_BENCH_ROUNDS:-3}"
MIB=$((1024 * 1024))
BIG_BYTES=$((1024 * MIB))
PIECE=$((8 * MIB))
SMALL_COUNT=1000
SMALL_BYTES=$((100 * 1024))

bench_start resumable nginx-light curl python3 coreutils

read -r -a PORTS <<<"$(free_ports 3)"
PORT_THIS=${PORTS[0]}
PORT_NGINX=${PORTS[1]}
PORT_NGINX_CLOSE=${PORTS[2]}
INBOX="$WORK/inbox"
mkdir -p "$INBOX" "$WORK/site" "$WORK/small" "$WORK/nginx/tmp" "$WORK/nginx-close/tmp"
chmod 777 "$INBOX"

now_ns() { date +%s%N; }
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a + 0 > 0 && b + 0 > 0) printf "%.2f", a / b; else printf "-" }'; }
per_s() { awk -v n="$1" -v t="$2" -v scale="$3" 'BEGIN { printf "%.0f", n * scale / t }'; }
mb() { awk -v k="$1" 'BEGIN { printf "%.1f", k * 1024 / 1000000 }'; }

"$SERVER" --upload "$INBOX" "$WORK/site" "$PORT_THIS" >"$WORK/this.out" 2>&1 &
THIS_PID=$!
PIDS+=("$THIS_PID")
for _ in $(seq 1 200); do grep -q "Ctrl-C stops" "$WORK/this.out" && break; sleep 0.1; done
CODE="$(grep -o 'code=[A-Z0-9]*' "$WORK/this.out" | head -n 1)"
THIS="http://127.0.0.1:$PORT_THIS"
COOKIE="Cookie: orvane_code_$PORT_THIS=${CODE#code=}"
start_nginx "$WORK/nginx" 64 "  client_max_body_size 0;
  client_body_buffer_size 256k;
  server {
    listen 127.0.0.1:$PORT_NGINX;
    root $INBOX;
    location / { dav_methods PUT; }
  }"
PIDS+=("$NGINX_PID")
start_nginx "$WORK/nginx-close" 64 "  client_max_body_size 0;
  client_body_buffer_size 256k;
  keepalive_timeout 0;
  server {
    listen 127.0.0.1:$PORT_NGINX_CLOSE;
    root $INBOX;
    location / { dav_methods PUT; }
  }"
PIDS+=("$NGINX_PID")
for port in "$PORT_NGINX" "$PORT_NGINX_CLOSE"; do
  for _ in $(seq 1 100); do
    curl -s -o /dev/null --max-time 1 "http://127.0.0.1:$port/" && break
    sleep 0.1
  done
done

log "making 1 GiB and $SMALL_COUNT files of 100 KiB of random bytes"
BIG="$WORK/big.bin"
head -c "$BIG_BYTES" /dev/urandom >"$BIG"
mkdir -p "$WORK/pieces"
split -b "$PIECE" -a 3 -d "$BIG" "$WORK/pieces/p"
for i in $(seq -w 1 "$SMALL_COUNT"); do head -c "$SMALL_BYTES" /dev/urandom >"$WORK/small/f$i.bin"; done

TUS=(-H "Tus-Resumable: 1.0.0" -H "$COOKIE")
STREAM=(-H "Content-Type: application/offset+octet-stream")
# create LENGTH NAME: a new upload's address.
create() {
  curl -s -D - -o /dev/null -X POST "${TUS[@]}" -H "Upload-Length: $1" \
    -H "Upload-Metadata: filename $(printf '%s' "$2" | base64 -w0)" "$THIS/:upload" |
    tr -d '\r' | awk '/^Location: / { print $2 }'
}

# The curl config of the 8 MiB PATCHes of the file to ADDRESS, one after
# the other.
pieces_config() {
  local offset=0 piece first=1
  for piece in "$WORK"/pieces/p*; do
    [ "$first" -eq 1 ] || echo "next"
    first=0
    printf 'url = "%s%s"\nrequest = PATCH\nupload-file = "%s"\n' "$THIS" "$1" "$piece"
    printf 'header = "Tus-Resumable: 1.0.0"\nheader = "%s"\n' "$COOKIE"
    printf 'header = "Content-Type: application/offset+octet-stream"\n'
    printf 'header = "Upload-Offset: %s"\noutput = "/dev/null"\n' "$offset"
    offset=$((offset + $(stat -c %s "$piece")))
  done
}

# The curl config of the small files: each in its creating request (this),
# or PUT by name (nginx, or nginx-close), named f*-TAG.bin.
small_config() {
  local file name first=1
  for file in "$WORK"/small/*; do
    [ "$first" -eq 1 ] || echo "next"
    first=0
    name="$(basename "$file" .bin)-$2.bin"
    if [ "$1" = this ]; then
      printf 'url = "%s/:upload"\nrequest = POST\ndata-binary = "@%s"\n' "$THIS" "$file"
      printf 'header = "Tus-Resumable: 1.0.0"\nheader = "%s"\n' "$COOKIE"
      printf 'header = "Content-Type: application/offset+octet-stream"\n'
      printf 'header = "Upload-Length: %s"\n' "$SMALL_BYTES"
      printf 'header = "Upload-Metadata: filename %s"\n' "$(printf '%s' "$name" | base64 -w0)"
    else
      local port="$PORT_NGINX"
      [ "$1" = nginx-close ] && port="$PORT_NGINX_CLOSE"
      printf 'url = "http://127.0.0.1:%s/%s"\nupload-file = "%s"\n' "$port" "$name" "$file"
    fi
    printf 'output = "/dev/null"\n'
  done
}
for round in $(seq 1 "$ROUNDS"); do
  small_config this "this$round" >"$WORK/small-this$round.conf"
  small_config nginx "nginx$round" >"$WORK/small-nginx$round.conf"
  small_config nginx-close "close$round" >"$WORK/small-close$round.conf"
done

declare -A FIGURES HWM
# turn NAME ROUND: one transfer; adds its figure (MB/s, or files/s) to
# FIGURES. The small files of every turn stay: a folder emptied just before
# would make the file system's search for a free inode (ext4's
# recently_deleted) the largest cost of creating files there.
turn() {
  local name="$1" round="$2" start elapsed address count
  case "$name" in
    small | small_put | small_close) ;;
    *) find "$INBOX" -maxdepth 1 -name 'big*' -delete ;;
  esac
  sync
  case "$name" in
    patch | pieces) address="$(create "$BIG_BYTES" big.bin)" ;;
  esac
  [ "$name" = pieces ] && pieces_config "$address" >"$WORK/pieces.conf"
  start=$(now_ns)
  case "$name" in
    patch) curl -s -o /dev/null -X PATCH "${TUS[@]}" "${STREAM[@]}" -H "Upload-Offset: 0" \
      -T "$BIG" "$THIS$address" ;;
    pieces) curl -s -K "$WORK/pieces.conf" ;;
    put) curl -s -o /dev/null -T "$BIG" "http://127.0.0.1:$PORT_NGINX/big.bin" ;;
    small) curl -s --parallel --parallel-max 3 -K "$WORK/small-this$round.conf" 2>/dev/null ;;
    small_put) curl -s --parallel --parallel-max 3 -K "$WORK/small-nginx$round.conf" 2>/dev/null ;;
    small_close) curl -s --parallel --parallel-max 3 -K "$WORK/small-close$round.conf" 2>/dev/null ;;
  esac
  elapsed=$(($(now_ns) - start))
  case "$name" in
    small | small_put | small_close)
      local tag=this
      [ "$name" = small_put ] && tag=nginx
      [ "$name" = small_close ] && tag=close
      count=$(find "$INBOX" -maxdepth 1 -name "f*-$tag$round.bin" | wc -l)
      [ "$count" -eq "$SMALL_COUNT" ] || { log "$name: $count of $SMALL_COUNT files stored"; exit 1; }
      FIGURES[$name]+=" $(per_s "$SMALL_COUNT" "$elapsed" 1000000000)"
      ;;
    *)
      cmp -s "$BIG" "$INBOX/big.bin" || { log "$name: the stored file differs"; exit 1; }
      FIGURES[$name]+=" $(per_s "$BIG_BYTES" "$elapsed" 1000)"
      ;;
  esac
}

for figure in patch pieces small; do
  echo 5 >"/proc/$THIS_PID/clear_refs"  # the peak starts again from now
  for round in $(seq 1 "$ROUNDS"); do
    log "resumable round $round/$ROUNDS: $figure"
    turn "$figure" "$round"
    if [ "$figure" = small ]; then
      turn small_put "$round"
      turn small_close "$round"
    else
      turn put "$round"
    fi
  done
  HWM[$figure]=$(awk '$1 == "VmHWM:" { print $2 }' "/proc/$THIS_PID/status")
done

declare -A M
# shellcheck disable=SC2086 # space-separated samples, split into median's arguments
for name in patch pieces put small small_put small_close; do M[$name]=$(median ${FIGURES[$name]}); done
row() { printf '%-34s %10s %10s %10s %16s\n' "$@"; }
echo
echo "resumable uploads: medians of $ROUNDS interleaved turns over 127.0.0.1 into one folder"
echo "per turn: one PATCH${FIGURES[patch]}; 8 MiB PATCHes${FIGURES[pieces]};" \
  "nginx PUT${FIGURES[put]}; small${FIGURES[small]}; nginx small${FIGURES[small_put]};" \
  "nginx small, closing${FIGURES[small_close]}"
row "figure" "this" "nginx" "this/nginx" "peak RSS (this)"
row "1 GiB in one PATCH, MB/s" "${M[patch]}" "${M[put]}" "$(ratio "${M[patch]}" "${M[put]}")" \
  "$(mb "${HWM[patch]}") MB"
row "1 GiB in 8 MiB PATCHes, MB/s" "${M[pieces]}" "${M[put]}" \
  "$(ratio "${M[pieces]}" "${M[put]}")" "$(mb "${HWM[pieces]}") MB"
row "1,000 x 100 KiB, 3 at once, files/s" "${M[small]}" "${M[small_put]}" \
  "$(ratio "${M[small]}" "${M[small_put]}")" "$(mb "${HWM[small]}") MB"
row "  nginx closing each connection" "${M[small]}" "${M[small_close]}" \
  "$(ratio "${M[small]}" "${M[small_close]}")" ""
echo "(targets: one PATCH >= 0.9, 8 MiB PATCHes >= 0.8, files/s >= 1.0 of nginx; peaks under 100 MB)"
echo "RESULT tus_patch=${M[patch]} tus_pieces=${M[pieces]} tus_put_nginx=${M[put]}" \
  "tus_small=${M[small]} tus_small_nginx=${M[small_put]}" \
  "tus_patch_nginx=$(ratio "${M[patch]}" "${M[put]}")" \
  "tus_pieces_nginx=$(ratio "${M[pieces]}" "${M[put]}")" \
  "tus_small_nginx_ratio=$(ratio "${M[small]}" "${M[small_put]}")" \
  "tus_small_nginx_close=${M[small_close]}" \
  "tus_hwm_patch_kb=${HWM[patch]} tus_hwm_pieces_kb=${HWM[pieces]} tus_hwm_small_kb=${HWM[small]}"
