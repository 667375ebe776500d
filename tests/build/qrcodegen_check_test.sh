#!/usr/bin/env bash
# The QR library's two source files are checked by CMake itself: a copy of the
# library whose qrcodegen.c gains one line after the project was configured
# must stop the next build. Usage: qrcodegen_check_test.sh QRCODEGEN_SOURCE_DIR
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
source_dir="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

cp -r "$source_dir" "$work/qr"
if ! cmake -S "$ROOT" -B "$work/build" -G Ninja -DQRCODEGEN_SOURCE_DIR="$work/qr" \
  -DORVANE_BUILD_TESTS=OFF >"$work/configure.log" 2>&1; then
  echo "FAIL the untouched library did not configure:"
  tail -n 20 "$work/configure.log"
  exit 1
fi
echo '/* an edit */' >>"$work/qr/c/qrcodegen.c"
if ninja -C "$work/build" qrcodegen >"$work/build.log" 2>&1; then
  echo "FAIL the edited qrcodegen.c was built"
  exit 1
fi
if ! grep -q "qrcodegen.c is not QR Code generator 1.8.0's" "$work/build.log"; then
  echo "FAIL the build failed, but not on the library's SHA-256:"
  tail -n 20 "$work/build.log"
  exit 1
fi
echo "ok: the edited library was refused"
