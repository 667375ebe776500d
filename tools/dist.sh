#!/usr/bin/env bash
# ./x dist: builds the Windows program for 64-bit and for 32-bit Windows and
# puts OrvaneServer.exe, OrvaneServer-x86.exe and their SHA-256 into dist/.
# Each .exe is the whole program: one file, no installer.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/tools/lib.sh"

ensure_packages "${NATIVE_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}"
build_windows
build_windows32
mkdir -p "$ROOT/dist"
cp "$BUILD/win/OrvaneServer.exe" "$ROOT/dist/OrvaneServer.exe"
cp "$BUILD/win32/OrvaneServer.exe" "$ROOT/dist/OrvaneServer-x86.exe"
# The most each program may weigh, its features and their pages included:
# one use of the C++ streams (<sstream>, <iostream>) anywhere brings their
# locale machinery into the static program and takes it past this.
declare -A ceiling_kib=([OrvaneServer.exe]=800 [OrvaneServer-x86.exe]=900)
for exe in OrvaneServer.exe OrvaneServer-x86.exe; do
  # The programs are linked stripped; a debug section here means they were not.
  if x86_64-w64-mingw32-objdump -h "$ROOT/dist/$exe" | grep -q '\.debug'; then
    log "dist/$exe carries debug sections"
    exit 1
  fi
  (cd "$ROOT/dist" && sha256sum "$exe" >"$exe.sha256")
  bytes="$(stat -c %s "$ROOT/dist/$exe")"
  log "dist/$exe ($bytes bytes, $(((bytes + 1023) / 1024)) KiB of at most ${ceiling_kib[$exe]} KiB)"
  cat "$ROOT/dist/$exe.sha256"
  if [ "$bytes" -gt $((ceiling_kib[$exe] * 1024)) ]; then
    log "dist/$exe is larger than ${ceiling_kib[$exe]} KiB: look for streams in its link map"
    exit 1
  fi
done
