#!/usr/bin/env bash
# ./x stress: load, faults and hostile input against the service, each bounded
# in count and time, on 127.0.0.1 only. The service runs inside the stress
# program (tests/stress), which can stop and restart it, shorten its waits
# and read its slots, descriptors and memory.
#   tools/stress.sh          the full form: 5 GiB sparse file, 1,000 ranges,
#                            20,000 hostile connections, then the integration
#                            tests once under LeakSanitizer
#   tools/stress.sh --short  the form ./x test runs (about a minute)
# Environment: ORVANE_STRESS_PORT (default: a free port the program probes;
# the server takes ports up to 32767). Exits non-zero when a check fails.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/tools/lib.sh"

SHORT=0
case "${1:-}" in
  --short) SHORT=1 ;;
  "") ;;
  *)
    echo "usage: $0 [--short]" >&2
    exit 2
    ;;
esac
PORT="${ORVANE_STRESS_PORT:-}"

ensure_packages "${NATIVE_PACKAGES[@]}" libssl-dev || exit 1
mkdir -p "$BUILD"
# The stress program is built in the native build, whose libraries it shares
# with the native tests.
log "stress build ($BUILD/native)"
# A native build configured before OpenSSL's headers were installed (by
# ./x run, say) looks for them again.
if grep -qs '^OPENSSL_INCLUDE_DIR:PATH=.*NOTFOUND' "$BUILD/native/CMakeCache.txt"; then
  cmake "$BUILD/native" >/dev/null || exit 1
fi
configure_and_build "$BUILD/native" "${NATIVE_ARGS[@]}" -- orvane_stress || exit 1

WORK="$(mktemp -d /tmp/orvane-stress.XXXXXX)"
STRESS_PID=""
cleanup() {
  if [ -n "$STRESS_PID" ]; then
    kill "$STRESS_PID" 2>/dev/null || true
    wait "$STRESS_PID" 2>/dev/null || true
  fi
  rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

args=(--dir "$WORK")
[ -n "$PORT" ] && args+=(--port "$PORT")
[ "$SHORT" -eq 1 ] && args+=(--short)
# The whole program is bounded too: a hang is a failure, not a stuck test run.
limit=$([ "$SHORT" -eq 1 ] && echo 240 || echo 900)
started=$(date +%s)
timeout --signal=TERM --kill-after=10 "$limit" "$BUILD/native/tests/stress/orvane_stress" "${args[@]}" &
STRESS_PID=$!
wait "$STRESS_PID"
rc=$?
STRESS_PID=""
[ "$rc" -eq 124 ] && echo "stress program passed its limit of $limit s" >&2
echo "stress program: $(($(date +%s) - started)) s"

if [ "$SHORT" -eq 0 ] && [ "$rc" -eq 0 ]; then
  # The integration tests once with LeakSanitizer (part of AddressSanitizer):
  # any leak fails the run.
  log "integration tests under LeakSanitizer ($BUILD/stress-asan)"
  if configure_and_build "$BUILD/stress-asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DORVANE_SANITIZE=address -- service_tests; then
    ASAN_OPTIONS=detect_leaks=1 timeout --kill-after=10 600 \
      "$BUILD/stress-asan/tests/integration/service_tests" --gtest_brief=1 >"$WORK/lsan.txt" 2>&1
    lsan_rc=$?
    tail -n 5 "$WORK/lsan.txt"
    if grep -q "LeakSanitizer" "$WORK/lsan.txt" || [ "$lsan_rc" -ne 0 ]; then
      grep -A 20 "LeakSanitizer" "$WORK/lsan.txt" | head -40
      echo "FAIL integration tests under LeakSanitizer (exit $lsan_rc)"
      rc=1
    else
      echo "ok   integration tests under LeakSanitizer: no leak"
    fi
  else
    echo "FAIL integration tests did not build with AddressSanitizer"
    rc=1
  fi
fi
exit "$rc"
