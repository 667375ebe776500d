#!/usr/bin/env bash
# ./x gui: builds the Windows program and starts it under Wine. On the
# current X display when there is one; otherwise on a private Xvfb screen
# inside a Wine virtual desktop (see it with a VNC server or ./x screenshot).
# Returns when the program ends; Ctrl-C ends it.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/tools/lib.sh"

prepare_windows_program

trap stop_wine_and_xvfb EXIT
export LC_ALL=zh_CN.UTF-8
if [ -n "${DISPLAY:-}" ]; then
  log "starting OrvaneServer.exe on display $DISPLAY"
  wine "$BUILD/win/OrvaneServer.exe"
else
  start_xvfb
  log "no display: started a private Xvfb on $DISPLAY; OrvaneServer runs in a Wine virtual desktop there"
  wine explorer /desktop=OrvaneServer,1024x700 "$BUILD/win/OrvaneServer.exe"
fi
