#!/usr/bin/env bash
# The headless server on a terminal (script gives it one): the QR code it
# prints under its start line, drawn as a picture, must decode with zbarimg
# to exactly the address the start line names. Usage: qr_decode_test.sh HEADLESS
# Exits 77 (skipped) when this machine has no address other machines can use.
set -uo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=SCRIPTDIR/../../tools/lib.sh
source "$HERE/../../tools/lib.sh"
ensure_packages zbar-tools python3 bsdutils || exit 1

headless="$1"
work="$(mktemp -d)"
script_pid=""
cleanup() {
  [ -n "$script_pid" ] && kill "$script_pid" 2>/dev/null && wait "$script_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A free port the server reads as itself (1 to 32767): a random one, tried
# again when the server cannot listen on it.
started=""
for attempt in $(seq 1 20); do
  port=$((10000 + RANDOM % 22000))
  script -qefc "$headless '$work' $port" /dev/null >"$work/out" 2>&1 </dev/null &
  script_pid=$!
  for _ in $(seq 1 100); do
    grep -q "Ctrl-C stops" "$work/out" && { started=yes; break; }
    kill -0 "$script_pid" 2>/dev/null || break
    sleep 0.1
  done
  [ -n "$started" ] && break
  kill "$script_pid" 2>/dev/null
  wait "$script_pid" 2>/dev/null
  script_pid=""
  echo "attempt $attempt: port $port not taken"
done
[ -n "$started" ] || { echo "the server did not start"; cat "$work/out"; exit 1; }
sleep 0.5  # the code follows the start line at once; let the terminal pass it on
kill "$script_pid" 2>/dev/null
wait "$script_pid" 2>/dev/null
script_pid=""

if ! grep -q $'\xe2\x96\x80' "$work/out"; then
  if grep -q "or http://127.0.0.1:$port/ from other machines" "$work/out"; then
    echo "no address other machines can use here: skipped"
    exit 77
  fi
  echo "no QR code under the start line:"
  cat "$work/out"
  exit 1
fi
printed="$(python3 "$HERE/terminal_qr_to_pbm.py" "$work/code.pbm" <"$work/out")" || exit 1
decoded="$(zbarimg --raw -q --nodbus "$work/code.pbm")" || { echo "zbarimg found no code"; exit 1; }
echo "printed: $printed"
echo "decoded: $decoded"
[ "$decoded" = "$printed" ]
