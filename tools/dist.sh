#!/usr/bin/env bash
# ./x dist: builds the Windows program and puts OrvaneServer.exe and its
# SHA-256 into dist/. The .exe is the whole program: one file, no installer.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/tools/lib.sh"

ensure_packages "${NATIVE_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}"
build_windows
mkdir -p "$ROOT/dist"
cp "$BUILD/win/OrvaneServer.exe" "$ROOT/dist/OrvaneServer.exe"
(cd "$ROOT/dist" && sha256sum OrvaneServer.exe >OrvaneServer.exe.sha256)
log "dist/OrvaneServer.exe ($(stat -c %s "$ROOT/dist/OrvaneServer.exe") bytes)"
cat "$ROOT/dist/OrvaneServer.exe.sha256"
