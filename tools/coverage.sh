#!/usr/bin/env bash
# ./x coverage: line and branch coverage of the native test run (gcc's
# --coverage, read by gcovr) over the program's own sources under src/.
# Builds in $BUILD/coverage-build, writes the HTML report to
# $BUILD/coverage/index.html and ends with a one-line summary. Exits non-zero
# when a test fails (the report is still written).
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/tools/lib.sh"

ensure_packages "${NATIVE_PACKAGES[@]}" gcovr || exit 1
mkdir -p "$BUILD"
DIR="$BUILD/coverage-build"
REPORT="$BUILD/coverage"
log "coverage build ($DIR)"
configure_and_build "$DIR" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=--coverage \
  -DCMAKE_EXE_LINKER_FLAGS=--coverage || exit 1

# Counts from an earlier run would add up with this one.
find "$DIR" -name '*.gcda' -delete
log "native tests"
(cd "$DIR" && ctest --output-on-failure --timeout 600)
rc=$?

log "coverage report ($REPORT)"
rm -rf "$REPORT"
mkdir -p "$REPORT"
# Only the coverage build is searched for counts (the build root also holds
# the Wine prefix, whose drive links lead to the whole file system).
# Branches that only exceptions take (every call that may throw) and those
# the compiler proves unreachable say nothing about the tests.
gcovr --root "$ROOT" --object-directory "$DIR" --filter "$ROOT/src/" \
  --exclude-directories '.*/CompilerId.*' \
  --exclude-throw-branches --exclude-unreachable-branches -j 2 \
  --html-details "$REPORT/index.html" --print-summary "$DIR" >"$REPORT/summary.txt" 2>&1 || {
  cat "$REPORT/summary.txt" >&2
  exit 1
}
# "lines: 89.9% (1282 out of 1426)" -> "89.9% (1282 of 1426)"
figure() {
  sed -n "s/^$1: *\([0-9.]*%\) (\([0-9]*\) out of \([0-9]*\)).*/\1 (\2 of \3)/p" \
    "$REPORT/summary.txt"
}
lines=$(figure lines)
branches=$(figure branches)
echo "coverage of src/ by the native tests: lines ${lines:-?}, branches ${branches:-?}" \
  "(report: ${REPORT#"$ROOT"/}/index.html)"
exit "$rc"
