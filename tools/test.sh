#!/usr/bin/env bash
# ./x test [STAGE...]: runs the named stages (every stage when none is named)
# and exits non-zero when any of them fails. Each stage installs and builds
# what it needs first, so any one of them runs from a fresh clone.
#   ./x test --list   names the stages and what each one checks
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/tools/lib.sh"

# The stages in the order a full run takes them: NAME, then what it checks.
# A new stage is one row here and one function stage_NAME below.
STAGES=(
  "format      every C++ file is as clang-format (with .clang-format) writes it; node --check reads the pages' scripts"
  "shellcheck  x, tools/, .ci/run and the test scripts pass shellcheck"
  "native      native build: unit and integration tests"
  "wine        Windows build: core and service tests under Wine (code page 936)"
  "window      Windows build: the window driven under Wine and Xvfb"
  "tidy        clang-tidy (with .clang-tidy) over src/: the native build and the Windows-only code"
  "tsa         clang checks the lock annotations of every native file (-Wthread-safety)"
  "asan        AddressSanitizer + UBSan build: every native test"
  "tsan        ThreadSanitizer build: the service tests"
  "win32       32-bit Windows build: core and service tests and one window run"
  "dpi         the window's layout tests and the QR window on a 144-DPI screen under Wine"
  "fuzz        the request, multipart, settings-file and Exif fuzzers for 30 s"
  "stress      the stress program, short form"
)

stage_names() {
  local row
  for row in "${STAGES[@]}"; do echo "${row%% *}"; done
}

run_ctest() {
  local dir="$1"
  shift
  (cd "$dir" && ctest --output-on-failure --timeout 600 "$@")
}

# Every C++ file must be as clang-format (with .clang-format) writes it.
stage_format() {
  ensure_packages clang-format || return 1
  local bad=()
  local f
  while IFS= read -r f; do
    clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || bad+=("${f#"$ROOT"/}")
  done < <(cpp_sources)
  [ ${#bad[@]} -eq 0 ] || {
    echo "not formatted as .clang-format says (./x format fixes them):"
    printf '  %s\n' "${bad[@]}"
    return 1
  }
  check_page_scripts
}

# The scripts of the pages (src/http/*/*.js) must be JavaScript Node can read.
check_page_scripts() {
  ensure_packages nodejs || return 1
  local script rc=0
  while IFS= read -r script; do
    node --check "$script" || rc=1
  done < <(find "$ROOT/src/http" -name '*.js' | sort)
  return "$rc"
}

stage_shellcheck() {
  ensure_packages shellcheck || return 1
  (cd "$ROOT" && shellcheck -x x tools/*.sh tools/wine-run .ci/run tests/headless/*.sh tests/build/*.sh)
}

stage_native() {
  build_native && run_ctest "$BUILD/native"
}

# clang-tidy over the translation units of src/: those of the native build,
# then the Windows-only ones (the window, the Win32 backends) from the MinGW
# build's compile database, two at a time; any finding fails the stage. It
# reads only the compile databases: no file of src/ includes one the build
# generates, so the two builds are configured, not built.
stage_tidy() {
  ensure_packages clang-tidy || return 1
  build_native --configure-only && build_windows --configure-only || return 1
  local out="$BUILD/tidy.log"
  : >"$out"
  local rc=0
  tidy_units "$BUILD/native" | xargs -r -P2 -n4 clang-tidy -p "$BUILD/native" --quiet \
    >>"$out" 2>&1 || rc=1
  # clang reads the MinGW build as a Windows target, with MinGW's C++ library
  # and headers as system headers (GCC's own intrinsics headers are left to
  # clang's); the portable units were checked above.
  local gcc_dir args=(--extra-arg=--target=x86_64-w64-mingw32 --extra-arg=-nostdinc++)
  gcc_dir="$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")"
  local dir
  for dir in "$gcc_dir/include/c++" "$gcc_dir/include/c++/x86_64-w64-mingw32" \
    "$gcc_dir/include/c++/backward" /usr/x86_64-w64-mingw32/include; do
    args+=("--extra-arg=-isystem$dir")
  done
  comm -13 <(tidy_units "$BUILD/native") <(tidy_units "$BUILD/win") |
    xargs -r -P2 -n4 clang-tidy -p "$BUILD/win" --quiet "${args[@]}" >>"$out" 2>&1 || rc=1
  if [ "$rc" -ne 0 ] || grep -q ': \(warning\|error\):' "$out"; then
    grep -A3 ': \(warning\|error\):' "$out" | head -n 200
    echo "clang-tidy found the above (full output: $out)"
    return 1
  fi
}

# The files of src/ in a build's compile database, sorted, one a line.
tidy_units() {
  python3 -c 'import json, sys
for entry in json.load(open(sys.argv[1])):
    if entry["file"].startswith(sys.argv[2]):
        print(entry["file"])' "$1/compile_commands.json" "$ROOT/src/" | sort -u
}

# Clang's -Wthread-safety checks at compile time that every member marked
# GUARDED_BY is only touched under its lock. The check is part of clang's
# semantic analysis, so each file the native build compiles (the stress
# program's too) is parsed by clang with that build's own flags and
# -fsyntax-only: no code is made, nothing is linked; any warning fails.
stage_tsa() {
  ensure_packages clang || return 1
  build_native --configure-only || return 1
  log "clang -Wthread-safety over the native build's files"
  python3 - "$BUILD/native/compile_commands.json" "$ROOT" <<'PY'
import concurrent.futures, json, os, shlex, subprocess, sys
database, root = sys.argv[1], os.path.realpath(sys.argv[2])
ours = [os.path.join(root, d) + os.sep for d in ("src", "tests", "bench", "fuzz")]
# The output and dependency files are left out, and so is GCC's precompiled
# gtest.h (clang cannot read it; each test file includes gtest.h itself).
def command(entry):
    words = shlex.split(entry["command"]) if "command" in entry else entry["arguments"]
    kept = ["clang++"]
    i = 1
    while i < len(words):
        word, following = words[i], words[i + 1] if i + 1 < len(words) else ""
        if word in ("-o", "-MF", "-MT", "-MQ") or (
                word == "-include" and following.endswith("cmake_pch.hxx")):
            i += 2
            continue
        if word not in ("-c", "-MD", "-MMD", "-Winvalid-pch"):
            kept.append(word)
        i += 1
    return entry["directory"], kept + ["-fsyntax-only", "-Wthread-safety", "-Werror"]
units = [e for e in json.load(open(database))
         if any(os.path.realpath(e["file"]).startswith(d) for d in ours)]
def check(entry):
    directory, args = command(entry)
    run = subprocess.run(args, cwd=directory, capture_output=True, text=True)
    return entry["file"], run.returncode, run.stdout + run.stderr
failed = 0
with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
    for name, code, output in pool.map(check, units):
        if code != 0 or output.strip():
            failed += 1
            print(output.rstrip())
print(f"{len(units)} files checked, {failed} with findings")
sys.exit(1 if failed or not units else 0)
PY
}

# prepare_NAME: the build of a stage whose tests run later, which can be
# done ahead (see "beside the window tests" below).
prepare_asan() { build_asan; }

stage_asan() {
  prepare_asan && run_ctest "$BUILD/asan"
}

# Only the service tests are run under ThreadSanitizer, so only their
# programs are built.
prepare_tsan() {
  build_tsan --configure-only || return 1
  local programs
  mapfile -t programs < <(test_programs "$BUILD/tsan" service)
  build_tsan "${programs[@]}"
}

stage_tsan() {
  prepare_tsan && run_ctest "$BUILD/tsan" -L service
}

# Wine and Xvfb are started once, by the first stage that needs them, and
# stopped when the run ends.
WINE_STARTED=0
wine_ready() {
  [ "$WINE_STARTED" -eq 1 ] && return 0
  ensure_packages "${WINE_PACKAGES[@]}" || return 1
  ensure_zh_locale || return 1
  wine_prefix_ready || return 1
  start_xvfb || return 1
  WINE_STARTED=1
  start_wine_session
}

# build_windows_for DIR LABELS [targets...]: the Windows build in DIR (win or
# win32), configured, then only what its tests labelled LABELS run, and the
# targets named.
build_windows_for() {
  local dir="$1" labels="$2"
  shift 2
  windows_build "$dir" --configure-only || return 1
  local programs
  mapfile -t programs < <(test_programs "$BUILD/$dir" "$labels")
  windows_build "$dir" "${programs[@]}" "$@"
}

# windows_build win|win32 [targets...]
windows_build() {
  if [ "$1" = win32 ]; then
    build_windows32 "${@:2}"
  else
    build_windows "${@:2}"
  fi
}

stage_wine() {
  build_windows_for win "core|service" && wine_ready && run_ctest "$BUILD/win" -L "core|service"
}

stage_window() {
  build_windows_for win window && wine_ready || return 1
  # The resumable upload client the address tests run from outside Wine.
  ensure_tus_client || return 1
  export NODE_PATH="$TUS_CLIENT_MODULES"
  start_beside_window
  run_ctest "$BUILD/win" -L window
}

# The x86 program on Wine's 32-bit side: the core and service tests, and one
# window run that starts it, serves a file and closes it.
prepare_win32() {
  build_windows_for win32 "core|service" tests/window/window_tests.exe OrvaneServer.exe
}

stage_win32() {
  prepare_win32 && wine_ready || return 1
  run_ctest "$BUILD/win32" -L "core|service" &&
    "$ROOT/tools/wine-run" "$BUILD/win32/tests/window/window_tests.exe" \
      --gtest_filter='*ClosingWhileServing*' "$BUILD/win32/OrvaneServer.exe"
}

# The window's layout tests once more on a 144-DPI screen (their own prefix).
stage_dpi() {
  build_windows_for win window && wine_ready && wine_prefix_144_ready || return 1
  start_wine_session "$WINEPREFIX_144"
  local rc=0
  WINEPREFIX="$WINEPREFIX_144" "$ROOT/tools/wine-run" "$BUILD/win/tests/window/window_tests.exe" \
    "$BUILD/win/OrvaneServer.exe" --dpi=144 \
    --gtest_filter='WindowTest.ControlsHave*:WindowTest.LayoutScales*' || rc=$?
  # The QR window's code, read back by zbarimg at this scale too.
  WINEPREFIX="$WINEPREFIX_144" "$ROOT/tools/wine-run" \
    "$BUILD/win/tests/window/address_window_tests.exe" "$BUILD/win/OrvaneServer.exe" --dpi=144 \
    --xdotool="$(command -v xdotool)" --zbarimg="$(command -v zbarimg)" \
    --import="$(command -v import)" --gtest_filter='*QrWindowShows*' || rc=$?
  WINEPREFIX="$WINEPREFIX_144" wineserver -k 2>/dev/null || true
  return "$rc"
}

stage_fuzz() { "$ROOT/tools/fuzz.sh" 30; }

stage_stress() { "$ROOT/tools/stress.sh" --short; }

# --- beside the window tests ---
# The window tests mostly wait for the window under Wine (the CPU is nearly
# idle for minutes). While they run, the later stages of the run that need
# neither Wine nor a quiet machine go on in the background, one after the
# other: the whole stage for tidy and tsa, which only compute, and the build
# (prepare_NAME) for asan, tsan and win32, whose tests run in their turn
# once the background is done. A stage done in the background is reported
# in its turn.
BESIDE_WINDOW=(tidy tsa asan tsan win32)
BESIDE="$BUILD/beside-window"
BESIDE_PID=""
CURRENT_STAGE=""

# The BESIDE_WINDOW stages that the run takes after the current one.
beside_window_names() {
  local name later=0
  for name in "${selected[@]}"; do
    if [ "$later" -eq 1 ] && printf '%s\n' "${BESIDE_WINDOW[@]}" | grep -qx -- "$name"; then
      echo "$name"
    fi
    [ "$name" = "$CURRENT_STAGE" ] && later=1
  done
}

# Starts the background, once the window tests are about to run.
start_beside_window() {
  [ -z "$BESIDE_PID" ] || return 0
  local names
  mapfile -t names < <(beside_window_names)
  [ ${#names[@]} -gt 0 ] || return 0
  rm -rf "$BESIDE"
  mkdir -p "$BESIDE"
  printf '%s\n' "${names[@]}" >"$BESIDE/names"
  log "beside the window tests, in the background: ${names[*]}"
  (
    for name in "${names[@]}"; do
      started=$SECONDS
      rc=0
      if declare -F "prepare_$name" >/dev/null; then
        "prepare_$name" >"$BESIDE/$name.log" 2>&1 || rc=$?
      else
        "stage_$name" >"$BESIDE/$name.log" 2>&1 || rc=$?
      fi
      echo $((SECONDS - started)) >"$BESIDE/$name.time"
      echo "$rc" >"$BESIDE/$name.rc"
    done
  ) &
  BESIDE_PID=$!
}

# True when the background took NAME; then waits until it is done with it.
beside_window_took() {
  [ -n "$BESIDE_PID" ] && grep -qx -- "$1" "$BESIDE/names" || return 1
  while [ ! -f "$BESIDE/$1.rc" ] && kill -0 "$BESIDE_PID" 2>/dev/null; do sleep 1; done
  [ -f "$BESIDE/$1.rc" ]
}

# Waits until the background is done with everything.
wait_beside_window() {
  [ -n "$BESIDE_PID" ] && wait "$BESIDE_PID" 2>/dev/null
  return 0
}

# Ends the background (an interrupted run) and what it started.
stop_beside_window() {
  [ -n "$BESIDE_PID" ] && kill -0 "$BESIDE_PID" 2>/dev/null || return 0
  end_tree "$BESIDE_PID"
  wait "$BESIDE_PID" 2>/dev/null
}

# Ends a process and its descendants, by process id.
end_tree() {
  local child
  for child in $(ps -o pid= --ppid "$1" 2>/dev/null); do end_tree "$child"; done
  kill "$1" 2>/dev/null || true
}

# --- the run ---

if [ "${1:-}" = "--list" ]; then
  printf '%s\n' "${STAGES[@]}"
  exit 0
fi
selected=("$@")
[ ${#selected[@]} -gt 0 ] || mapfile -t selected < <(stage_names)
for name in "${selected[@]}"; do
  # Not a pipe: grep -q stops at the first match, and the list's writer,
  # left with a closed pipe, would fail the pipeline under pipefail.
  if ! grep -qx -- "$name" < <(stage_names); then
    echo "no stage named '$name'; the stages are:" >&2
    printf '  %s\n' "${STAGES[@]}" >&2
    exit 2
  fi
done

ensure_packages "${NATIVE_PACKAGES[@]}" "${TOOL_PACKAGES[@]}" "${ARCHIVE_ORACLE_PACKAGES[@]}" || exit 1
trap 'stop_beside_window; [ "$WINE_STARTED" -eq 0 ] || stop_wine_and_xvfb' EXIT

passed=0
failed=0
failures=()
timings=()
beside=()
run_started=$SECONDS
for name in "${selected[@]}"; do
  CURRENT_STAGE="$name"
  log "$name"
  started=$SECONDS
  result=ok
  rc=0
  if beside_window_took "$name" && ! declare -F "prepare_$name" >/dev/null; then
    # Done in the background: its output, result and time.
    cat "$BESIDE/$name.log"
    rc="$(cat "$BESIDE/$name.rc")"
    started=$((SECONDS - $(cat "$BESIDE/$name.time")))
    beside+=("$name $(cat "$BESIDE/$name.time") s")
  else
    # Tests run on a machine the background no longer loads; the wait for it
    # is not the stage's time.
    if [ -n "$BESIDE_PID" ]; then
      wait_beside_window
      [ -f "$BESIDE/$name.time" ] && beside+=("$name build $(cat "$BESIDE/$name.time") s")
      started=$SECONDS
    fi
    "stage_$name" || rc=$?
  fi
  if [ "$rc" -eq 0 ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    failures+=("$name")
    result=FAILED
  fi
  timings+=("$(printf '%5d s  %-6s %s' $((SECONDS - started)) "$result" "$name")")
done

echo
echo "stage times:"
printf '%s\n' "${timings[@]}"
[ ${#beside[@]} -eq 0 ] || echo "beside the window tests, in the background: ${beside[*]}"
echo "total: $((SECONDS - run_started)) s"
for f in "${failures[@]}"; do echo "FAILED: $f"; done
echo "stages: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
