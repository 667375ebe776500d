#!/usr/bin/env bash
# tools/fuzz.sh [SECONDS]: builds the fuzzers (the CMake targets
# request_fuzzer, multipart_fuzzer, settings_fuzzer and exif_fuzzer: clang,
# libFuzzer with AddressSanitizer and UBSan) in $BUILD/fuzz and runs them for
# SECONDS in all (default 300): a third for the request fuzzer on a scratch
# copy of fuzz/corpus, a third for the multipart fuzzer on one of
# fuzz/multipart_corpus, a sixth each for the settings file's on one of
# fuzz/settings_corpus and the Exif fuzzer on one of fuzz/exif_corpus. Each one's
# libFuzzer output goes to $BUILD/fuzz/NAME.log; one summary line is printed
# for each. Exits non-zero on a crash or a broken invariant: the tail of the
# log is printed and the crashing input is left in $BUILD/fuzz/.
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
  -DORVANE_SANITIZE=address,undefined -- request_fuzzer multipart_fuzzer settings_fuzzer \
  exif_fuzzer || exit 1
rm -f "$OUT"/crash-* "$OUT"/leak-* "$OUT"/timeout-* "$OUT"/oom-* "$OUT"/*-crash-* \
  "$OUT"/*-leak-* "$OUT"/*-timeout-* "$OUT"/*-oom-*

# run_fuzzer NAME SEEDS SECONDS MAX_LEN: NAME's fuzzer on a copy of the SEEDS
# folder, so that inputs the fuzzer finds never land in the repository.
run_fuzzer() {
  local name="$1" seeds_dir="$2" seconds="$3" max_len="$4"
  local corpus="$OUT/$name-corpus" log_file="$OUT/$name.log"
  rm -rf "$corpus"
  mkdir -p "$corpus"
  cp "$seeds_dir"/* "$corpus/"
  local seeds
  seeds=$(find "$corpus" -type f | wc -l)
  echo "fuzzing $name for $seconds s (log: $log_file)"
  (cd "$OUT" && "$OUT/fuzz/${name}_fuzzer" -max_total_time="$seconds" -max_len="$max_len" \
    -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$OUT/$name-" \
    "$corpus") >"$log_file" 2>&1
  local rc=$?

  # The last status line ("#N DONE cov: C ft: F corp: K/SIZE ...") and the
  # final counters.
  local status runs cov corpus_size crashes=0 f
  status=$(grep -E '^#[0-9]+' "$log_file" | tail -n 1)
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log_file" | tail -n 1)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$status")
  corpus_size=$(sed -n 's/.* corp: \([0-9]*\/[0-9A-Za-z]*\).*/\1/p' <<<"$status")
  for f in "$OUT/$name"-crash-* "$OUT/$name"-leak-* "$OUT/$name"-timeout-* "$OUT/$name"-oom-*; do
    [ -e "$f" ] && crashes=$((crashes + 1))
  done
  echo "fuzzing $name: ${runs:-?} runs in $seconds s, coverage ${cov:-?}," \
    "corpus ${corpus_size:-?} (from $seeds seeds), $crashes crashes"
  if [ "$rc" -ne 0 ] || [ "$crashes" -ne 0 ]; then
    tail -n 40 "$log_file"
    echo "FAIL the $name fuzzer stopped with exit $rc; input kept in $OUT/"
    return 1
  fi
}

multipart_seconds=$((SECONDS_TO_RUN / 3))
[ "$multipart_seconds" -ge 1 ] || multipart_seconds=1
settings_seconds=$((SECONDS_TO_RUN / 6))
[ "$settings_seconds" -ge 1 ] || settings_seconds=1
exif_seconds=$((SECONDS_TO_RUN / 6))
[ "$exif_seconds" -ge 1 ] || exif_seconds=1
request_seconds=$((SECONDS_TO_RUN - multipart_seconds - settings_seconds - exif_seconds))
[ "$request_seconds" -ge 1 ] || request_seconds=1
rc=0
run_fuzzer request "$ROOT/fuzz/corpus" "$request_seconds" 8192 || rc=1
run_fuzzer multipart "$ROOT/fuzz/multipart_corpus" "$multipart_seconds" 16384 || rc=1
run_fuzzer settings "$ROOT/fuzz/settings_corpus" "$settings_seconds" 65536 || rc=1
# An Exif block is at most 64 KiB, and so is what is read for a header.
run_fuzzer exif "$ROOT/fuzz/exif_corpus" "$exif_seconds" 70000 || rc=1
exit "$rc"
