#!/usr/bin/env bash
# The headless server with --code, as a visitor meets it with curl: refused
# without the code, let in through the address the start report prints (a
# redirect that leaves a cookie), then served by the cookie alone; a second
# start makes a new code, and the first start's cookie is refused.
# Usage: access_code_test.sh HEADLESS
set -uo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=SCRIPTDIR/headless_lib.sh
source "$HERE/headless_lib.sh"
ensure_packages curl || exit 1

headless="$1"
mkdir -p "$work/site"
echo "shared text" >"$work/site/a.txt"
echo "home page" >"$work/site/index.htm"

launch_with_code() {
  "$headless" --code "$work/site" "$1" >"$work/out" 2>&1 </dev/null &
  server_pid=$!
}

failed=0
fail() {
  echo "$*"
  failed=1
}
# status PATH [CURL ARGS...]: the status code of a GET of PATH.
status() {
  local path="$1"
  shift
  curl -s -o /dev/null -w '%{http_code}' "$@" "http://127.0.0.1:$port$path"
}

codes=()
for run in 1 2; do
  start_on_free_port "$work/out" launch_with_code || exit 1
  address="$(grep -o 'http://127\.0\.0\.1:[0-9]*/?code=[A-Z0-9]*' "$work/out" | head -n 1)"
  code="${address##*=}"
  [ ${#code} -ge 10 ] || fail "run $run: no address with a code in the report"
  codes+=("$code")
  [ "$(status /a.txt)" = 403 ] || fail "run $run: a visitor without the code was not refused"
  [ "$(status /nothing.txt)" = 403 ] || fail "run $run: a missing file told apart from a refusal"
  if [ "$run" = 2 ]; then
    [ "$(status /a.txt -b "$work/jar")" = 403 ] || fail "the first start's cookie still lets in"
  fi
  rm -f "$work/jar"
  # The printed address: a redirect without the code, then the page by cookie.
  [ "$(curl -s -c "$work/jar" -L -b "$work/jar" "$address" -o /dev/null -w '%{http_code}')" = 200 ] ||
    fail "run $run: the printed address did not lead in"
  body="$(curl -s -b "$work/jar" "http://127.0.0.1:$port/a.txt")"
  [ "$body" = "shared text" ] || fail "run $run: the cookie alone did not let in ($body)"
  kill "$server_pid" && wait "$server_pid" 2>/dev/null
  server_pid=""
done
[ "${codes[0]}" != "${codes[1]}" ] || fail "both starts made the same code"
[ "$failed" -eq 0 ] && echo "refused, let in by the printed address, kept in by the cookie; a new code per start"
exit "$failed"
