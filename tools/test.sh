#!/usr/bin/env bash
# ./x test: installs what is missing, builds every target and runs every test
# natively, under Wine, under ThreadSanitizer and AddressSanitizer, checks the
# formatting and the lock annotations (a clang build), and runs the fuzzer and
# the stress program briefly. Exits non-zero when anything fails.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/tools/lib.sh"

ensure_packages "${NATIVE_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}" "${TOOL_PACKAGES[@]}" || exit 1
ensure_zh_locale || exit 1
ensure_wine32 || exit 1

passed=0
failed=0
failures=()
timings=()
# stage NAME COMMAND...: runs one stage, counts it and notes its time.
stage() {
  local name="$1"
  shift
  log "$name"
  local started=$SECONDS
  local result=ok
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    failures+=("$name")
    result=FAILED
  fi
  timings+=("$(printf '%5d s  %-6s %s' $((SECONDS - started)) "$result" "$name")")
}

run_ctest() {
  local dir="$1"
  shift
  (cd "$dir" && ctest --output-on-failure --timeout 600 "$@")
}

# Every C++ file must be as clang-format (with .clang-format) writes it.
check_format() {
  local bad=()
  local f
  while IFS= read -r f; do
    clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || bad+=("${f#"$ROOT"/}")
  done < <(find "$ROOT/src" "$ROOT/tests" "$ROOT/fuzz" "$ROOT/bench" -type f \
    \( -name '*.cpp' -o -name '*.h' \) | sort)
  [ ${#bad[@]} -eq 0 ] && return 0
  echo "not formatted as .clang-format says (clang-format -i FILE... fixes them):"
  printf '  %s\n' "${bad[@]}"
  return 1
}

# The x86 program on Wine's 32-bit side: the core and service tests, and one
# window run that starts it, serves a file and closes it (a prefix made
# before Wine's 32-bit side was installed is brought up to date first).
windows32_tests() {
  [ -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ] || wine wineboot -u >/dev/null 2>&1
  run_ctest "$BUILD/win32" -L "core|service" &&
    "$ROOT/tools/wine-run" "$BUILD/win32/tests/window/window_tests.exe" \
      --gtest_filter='*ClosingWhileServing*' "$BUILD/win32/OrvaneServer.exe"
}

# The window's layout tests once more on a 144-DPI screen (their own prefix).
window_layout_144dpi() {
  wine_prefix_144_ready || return 1
  local rc=0
  WINEPREFIX="$WINEPREFIX_144" "$ROOT/tools/wine-run" "$BUILD/win/tests/window/window_tests.exe" \
    "$BUILD/win/OrvaneServer.exe" --dpi=144 \
    --gtest_filter='WindowTest.ControlsHave*:WindowTest.LayoutScales*' || rc=$?
  WINEPREFIX="$WINEPREFIX_144" wineserver -k 2>/dev/null || true
  return "$rc"
}

# The QR window's code read back by zbarimg on the 144-DPI screen too.
qr_window_144dpi() {
  wine_prefix_144_ready || return 1
  local rc=0
  WINEPREFIX="$WINEPREFIX_144" "$ROOT/tools/wine-run" \
    "$BUILD/win/tests/window/address_window_tests.exe" "$BUILD/win/OrvaneServer.exe" --dpi=144 \
    --xdotool="$(command -v xdotool)" --zbarimg="$(command -v zbarimg)" \
    --import="$(command -v import)" --gtest_filter='*QrWindowShows*' || rc=$?
  WINEPREFIX="$WINEPREFIX_144" wineserver -k 2>/dev/null || true
  return "$rc"
}

trap stop_wine_and_xvfb EXIT

stage "format check (clang-format)" check_format
stage "native build" build_native
stage "Windows build" build_windows
stage "32-bit Windows build" build_windows32
stage "ThreadSanitizer build" build_tsan
stage "AddressSanitizer build" build_asan
stage "clang thread-safety build (-Wthread-safety)" build_thread_safety

stage "native tests" run_ctest "$BUILD/native"
stage "AddressSanitizer + UBSan tests" run_ctest "$BUILD/asan"
stage "ThreadSanitizer tests" run_ctest "$BUILD/tsan" -L service
wine_prefix_ready
start_xvfb || exit 1
stage "Windows tests under Wine" run_ctest "$BUILD/win"
stage "32-bit Windows tests under Wine" windows32_tests
stage "window layout at 144 DPI under Wine" window_layout_144dpi
stage "QR window at 144 DPI under Wine (zbarimg)" qr_window_144dpi
stop_wine_and_xvfb
stage "fuzzing (30 s)" "$ROOT/tools/fuzz.sh" 30
stage "stress (short form)" "$ROOT/tools/stress.sh" --short

echo
echo "stage times:"
printf '%s\n' "${timings[@]}"
for f in "${failures[@]}"; do echo "FAILED: $f"; done
echo "stages: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
