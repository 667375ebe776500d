#!/usr/bin/env bash
# tools/fuzz.sh [SECONDS]: builds the request fuzzer (the CMake target
# request_fuzzer: clang, libFuzzer with AddressSanitizer and UBSan) in
# $BUILD/fuzz and runs it for SECONDS (default 300) on a scratch copy of
# fuzz/corpus. libFuzzer's output goes to $BUILD/fuzz/fuzz.log; one summary
# line is printed. Exits non-zero on a crash or a broken invariant: the tail
# of the log is printed and the crashing input is left in $BUILD/fuzz/.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/tools/lib.sh"
SECONDS_TO_RUN="${1:-300}"
OUT="$BUILD/fuzz"

ensure_packages "${NATIVE_PACKAGES[@]}" "${TOOL_PACKAGES[@]}" || exit 1
mkdir -p "$BUILD"
log "fuzzer build ($OUT)"
configure_and_build "$OUT" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DORVANE_FUZZ=ON -DORVANE_BUILD_TESTS=OFF \
  -DORVANE_SANITIZE=address,undefined -- request_fuzzer || exit 1

# Work on a copy so that inputs the fuzzer finds never land in the repository.
rm -rf "$OUT/corpus" "$OUT"/crash-* "$OUT"/leak-* "$OUT"/timeout-* "$OUT"/oom-*
mkdir -p "$OUT/corpus"
cp "$ROOT"/fuzz/corpus/* "$OUT/corpus/"
seeds=$(find "$OUT/corpus" -type f | wc -l)

echo "fuzzing for $SECONDS_TO_RUN s (log: $OUT/fuzz.log)"
(cd "$OUT" && "$OUT/fuzz/request_fuzzer" -max_total_time="$SECONDS_TO_RUN" -max_len=8192 -timeout=10 \
  -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$OUT/" "$OUT/corpus") \
  >"$OUT/fuzz.log" 2>&1
rc=$?

# The last status line ("#N DONE cov: C ft: F corp: K/SIZE ...") and the
# final counters.
status=$(grep -E '^#[0-9]+' "$OUT/fuzz.log" | tail -n 1)
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$OUT/fuzz.log" | tail -n 1)
cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$status")
corpus=$(sed -n 's/.* corp: \([0-9]*\/[0-9A-Za-z]*\).*/\1/p' <<<"$status")
crashes=0
for f in "$OUT"/crash-* "$OUT"/leak-* "$OUT"/timeout-* "$OUT"/oom-*; do
  [ -e "$f" ] && crashes=$((crashes + 1))
done
echo "fuzzing: ${runs:-?} runs in $SECONDS_TO_RUN s, coverage ${cov:-?}," \
  "corpus ${corpus:-?} (from $seeds seeds), $crashes crashes"
if [ "$rc" -ne 0 ] || [ "$crashes" -ne 0 ]; then
  tail -n 40 "$OUT/fuzz.log"
  echo "FAIL the fuzzer stopped with exit $rc; input kept in $OUT/"
  exit 1
fi
