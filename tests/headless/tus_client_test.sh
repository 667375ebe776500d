#!/usr/bin/env bash
# A real resumable upload client against the headless server with --upload:
# tus-js-client (Node, tus_client.js) sends 64 MiB and is ended at about
# half, as a phone that loses its network; a second client given the
# upload's address asks the offset and sends only the rest from there. The
# file then arrives once, byte for byte, with its modification time, and
# nothing else is left in the upload folder.
# Usage: tus_client_test.sh HEADLESS
set -uo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=SCRIPTDIR/headless_lib.sh
source "$HERE/headless_lib.sh"
ensure_tus_client || exit 1
export NODE_PATH="$TUS_CLIENT_MODULES"

headless="$1"
mkdir -p "$work/site" "$work/inbox" "$work/sent"
sent="$work/sent/video 1.mp4"
head -c $((64 * 1024 * 1024)) /dev/urandom >"$sent"
touch -d '2021-03-04 05:06:07.250 UTC' "$sent"

launch() {
  "$headless" --upload "$work/inbox" "$work/site" "$1" >"$work/out" 2>&1 </dev/null &
  server_pid=$!
}
start_on_free_port "$work/out" launch || exit 1
code="$(grep 'Uploads go to' "$work/out" | grep -o 'code=[A-Z0-9]*')"
cookie="orvane_code_$port=${code#code=}"

failed=0
first="$(timeout 60 node "$HERE/tus_client.js" start "http://127.0.0.1:$port/:upload" \
  "$cookie" "$sent" 0.5)" || failed=1
echo "first client: $first"
url="$(python3 -c 'import json, sys; print(json.loads(sys.argv[1])["url"])' "$first")"
second="$(timeout 60 node "$HERE/tus_client.js" resume "$url" "$cookie" "$sent")" || failed=1
echo "second client: $second"
python3 - "$second" $((64 * 1024 * 1024)) <<'PY' || failed=1
import json, sys
report, size = json.loads(sys.argv[1]), int(sys.argv[2])
told = report["told"]
if not 0 < told < size:
    sys.exit(f"the server told offset {told} of {size} after the first client ended")
if report["from"] != told or report["patches"] != 1:
    sys.exit(f"the second client sent from {report['from']} in {report['patches']} PATCHes, "
             f"not the rest from {told} in one")
print(f"resumed at {told} of {size}: the second client sent {size - told} bytes")
PY
cmp "$sent" "$work/inbox/video 1.mp4" || failed=1
[ "$(stat -c %Y "$work/inbox/video 1.mp4")" = "$(stat -c %Y "$sent")" ] || {
  echo "the stored file's time is not the one sent"
  failed=1
}
held="$(ls -A "$work/inbox")"
[ "$held" = "video 1.mp4" ] || {
  echo "the upload folder holds more or other than the one file:"
  echo "$held"
  failed=1
}
[ "$failed" -eq 0 ] && echo "resumed by a second client, the file arrived once, byte for byte"
exit "$failed"
