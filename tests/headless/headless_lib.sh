# shellcheck shell=bash
# Sourced by the headless tests: a work folder ($work) and the server's
# process ($server_pid), both gone when the test ends, and a start on a free
# port; tools/lib.sh comes with it.
# shellcheck source=SCRIPTDIR/../../tools/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/lib.sh"
work="$(mktemp -d)"
server_pid=""
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# start_on_free_port OUT LAUNCH [ARGS...]:
# calls `LAUNCH PORT ARGS...`, which starts the server in the background with
# its output in OUT and sets server_pid, on a random port the server reads as
# itself (20000 to 31999, below 32768), until OUT holds the start line; a
# port the server cannot listen on is given up and another tried, 20 at most.
# Sets port; false, with what the server printed, when no try started.
start_on_free_port() {
  local out="$1" launch="$2" attempt
  shift 2
  for attempt in $(seq 1 20); do
    port=$((20000 + RANDOM % 12000))
    "$launch" "$port" "$@"
    for _ in $(seq 1 100); do
      grep -q "Ctrl-C stops" "$out" && return 0
      kill -0 "$server_pid" 2>/dev/null || break
      sleep 0.1
    done
    kill "$server_pid" 2>/dev/null
    wait "$server_pid" 2>/dev/null
    server_pid=""
    echo "attempt $attempt: port $port not taken"
  done
  echo "the server did not start"
  cat "$out"
  return 1
}
