#!/usr/bin/env bash
# tools/fuzz.sh [SECONDS]: builds the request fuzzer (clang, libFuzzer with
# AddressSanitizer and UBSan) into build/fuzz/ and runs it for SECONDS
# (default 300) on a scratch copy of fuzz/corpus. Exits non-zero on a crash
# or a broken invariant; the crashing input is left in build/fuzz/.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
SECONDS_TO_RUN="${1:-300}"
OUT="$ROOT/build/fuzz"
CXX="${FUZZ_CXX:-clang++}"

CORE_SOURCES=(text_rules settings url_decode content_type path_map http_date responses request)
sources=("$ROOT/fuzz/request_fuzzer.cpp")
for name in "${CORE_SOURCES[@]}"; do sources+=("$ROOT/src/http/core/$name.cpp"); done
sources+=("$ROOT/src/base/code_page.cpp" "$ROOT/src/base/utc_time.cpp")

mkdir -p "$OUT"
echo "building $OUT/request_fuzzer" >&2
"$CXX" -std=c++17 -g -O1 -Wall -Wextra -Werror -fno-omit-frame-pointer \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -I"$ROOT/src" "${sources[@]}" -o "$OUT/request_fuzzer"

# Work on a copy so that inputs the fuzzer finds never land in the repository.
rm -rf "$OUT/corpus"
mkdir -p "$OUT/corpus"
cp "$ROOT"/fuzz/corpus/* "$OUT/corpus/"

echo "fuzzing for $SECONDS_TO_RUN s" >&2
cd "$OUT"
exec "$OUT/request_fuzzer" -max_total_time="$SECONDS_TO_RUN" -max_len=8192 -timeout=10 \
  -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$OUT/" "$OUT/corpus"
