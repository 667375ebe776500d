#!/usr/bin/env bash
# The headless server on a terminal (script gives it one), once with a UTF-8
# locale and once with the C locale (ASCII): the QR code it prints under its
# start line, drawn as a picture, must decode with zbarimg to exactly the
# address the start line names; in the C locale no UTF-8 block character may
# appear. With uploads it must lead to a page with the upload area.
# Usage: qr_decode_test.sh HEADLESS
# Exits 77 (skipped) when this machine has no address other machines can use.
set -uo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=SCRIPTDIR/headless_lib.sh
source "$HERE/headless_lib.sh"
ensure_packages zbar-tools python3 bsdutils || exit 1

headless="$1"

# Runs the server under LOCALE on a terminal, with $server_args before the
# port, until its start line is out and leaves what it printed in $work/out
# and its port in $port.
server_args="'$work'"
launch_on_terminal() {
  LC_ALL="$2" script -qefc "$headless $server_args $1" /dev/null >"$work/out" 2>&1 </dev/null &
  server_pid=$!
}
run_on_terminal() {
  start_on_free_port "$work/out" launch_on_terminal "$1" || return 1
  sleep 0.5  # the code follows the start line at once; let the terminal pass it on
  kill "$server_pid" 2>/dev/null
  wait "$server_pid" 2>/dev/null
  server_pid=""
}

# The code in $work/out, read back: it must name the start line's address,
# or the address that PATTERN (grep -P) finds in $work/out.
decode_code() {
  local printed decoded
  printed="$(python3 "$HERE/terminal_qr_to_pbm.py" "$work/code.pbm" <"$work/out")" || return 1
  [ $# -gt 0 ] && printed="$(grep -oP "$1" "$work/out")"
  decoded="$(zbarimg --raw -q --nodbus "$work/code.pbm")" || { echo "zbarimg found no code"; return 1; }
  echo "printed: $printed"
  echo "decoded: $decoded"
  [ "$decoded" = "$printed" ]
}

# ASCII terminal: the address as text, no UTF-8 half block (E2 96 80).
run_on_terminal C || exit 1
if grep -q $'\xe2\x96' "$work/out"; then
  echo "UTF-8 block characters on a terminal that is not UTF-8:"
  cat -v "$work/out"
  exit 1
fi
grep -q "Open http://127.0.0.1:$port/ here" "$work/out" || { echo "no address:"; cat "$work/out"; exit 1; }
if grep -q "other machines cannot reach it" "$work/out"; then
  echo "no address other machines can use here: skipped"
  exit 77
fi
decode_code || exit 1

# UTF-8 terminal: the code in half blocks.
run_on_terminal C.UTF-8 || exit 1
if ! grep -q $'\xe2\x96\x80' "$work/out"; then
  echo "no QR code in half blocks under the start line:"
  cat "$work/out"
  exit 1
fi
decode_code || exit 1

# With uploads on the code leads to a page with the upload area: "/" when it
# is the folder's listing, else the upload page (an index.htm has none).
mkdir -p "$work/inbox" "$work/listed" "$work/home"
echo home >"$work/home/index.htm"
for row in 'listed:or \Khttp://\S+(?= from other machines)' 'home:send files from \Khttp://\S+'; do
  server_args="--upload '$work/inbox' --list '$work/${row%%:*}'"
  run_on_terminal C.UTF-8 || exit 1
  decode_code "${row#*:}" || exit 1
done
