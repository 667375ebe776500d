#!/usr/bin/env bash
# ./x test: installs what is missing, builds every target and runs every test
# natively, under Wine, under ThreadSanitizer and AddressSanitizer, and the
# fuzzer briefly. Exits non-zero when anything fails.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/tools/lib.sh"

ensure_packages "${NATIVE_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}" "${TOOL_PACKAGES[@]}" || exit 1
ensure_zh_locale || exit 1

passed=0
failed=0
failures=()
# stage NAME COMMAND...: runs one stage and counts it.
stage() {
  local name="$1"
  shift
  log "$name"
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    failures+=("$name")
  fi
}

run_ctest() {
  local dir="$1"
  shift
  (cd "$dir" && ctest --output-on-failure --timeout 600 "$@")
}

trap stop_wine_and_xvfb EXIT

build_native || exit 1
build_windows || exit 1
build_tsan || exit 1
build_asan || exit 1

stage "native tests" run_ctest "$BUILD/native"
stage "AddressSanitizer + UBSan tests" run_ctest "$BUILD/asan"
stage "ThreadSanitizer tests" run_ctest "$BUILD/tsan" -L service
wine_prefix_ready
start_xvfb || exit 1
stage "Windows tests under Wine" run_ctest "$BUILD/win"
stop_wine_and_xvfb
if [ -x "$ROOT/tools/fuzz.sh" ]; then
  stage "fuzzing (30 s)" "$ROOT/tools/fuzz.sh" 30
fi
if [ -x "$ROOT/tools/stress.sh" ]; then
  stage "stress (short form)" "$ROOT/tools/stress.sh" --short
fi

echo
for f in "${failures[@]}"; do echo "FAILED: $f"; done
echo "stages: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
