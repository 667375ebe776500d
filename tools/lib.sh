# Shared by ./x and the scripts under tools/: packages, builds, Wine and Xvfb.
# Sourced, not run; the package lists are read by the scripts that source it.
# shellcheck shell=bash disable=SC2034

ROOT="${ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
# ORVANE_BUILD_ROOT puts the builds (and the Wine prefix) elsewhere than build/.
BUILD="${ORVANE_BUILD_ROOT:-$ROOT/build}"
export WINEPREFIX="$BUILD/wine/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

log() { printf '\033[1m== %s\033[0m\n' "$*" >&2; }

# Installs whichever of the named Debian packages are missing.
ensure_packages() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    dpkg -s "$pkg" >/dev/null 2>&1 || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  log "installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  # Another install on this machine (a second run, the system's own) holds
  # dpkg's lock for a while: wait for it rather than fail.
  local wait=(-o DPkg::Lock::Timeout=600)
  $sudo apt-get "${wait[@]}" update -q >/dev/null
  DEBIAN_FRONTEND=noninteractive $sudo apt-get "${wait[@]}" install -y -q "${missing[@]}" >/dev/null
}

# Wine names files on the Linux side in the locale's character set, so the
# Chinese locale must exist for Chinese file names (and code page 936).
ensure_zh_locale() {
  locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$' && return 0
  ensure_packages locales
  log "generating the zh_CN.UTF-8 locale"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  $sudo locale-gen >/dev/null
}

# Wine's 32-bit side, for the x86 program's tests: Debian's wine32 comes from
# the i386 architecture, which is added first.
ensure_wine32() {
  dpkg -s wine32:i386 >/dev/null 2>&1 && return 0
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
  ensure_packages wine32:i386
}

NATIVE_PACKAGES=(cmake ninja-build g++ googletest media-types libjpeg62-turbo-dev libpng-dev)
# The cross compilers, one package list per Windows target: each Windows build
# installs its own before it configures, so any stage or command that builds
# the Windows program works alone on a machine that has none of them.
MINGW64_PACKAGES=(mingw-w64 g++-mingw-w64-x86-64-posix)
MINGW32_PACKAGES=(mingw-w64 g++-mingw-w64-i686-posix)
# What runs and drives the Windows program: Wine, a private X screen, the
# fonts of its window, the screenshot and QR-decoding tools, and curl, which
# sends the program a file from outside Wine.
WINE_PACKAGES=(wine wine64 xvfb x11-utils xdotool fonts-wqy-microhei fonts-wine imagemagick
               zbar-tools curl)
WINDOWS_PACKAGES=("${MINGW64_PACKAGES[@]}" g++-mingw-w64-i686-posix "${WINE_PACKAGES[@]}")
TOOL_PACKAGES=(clang libclang-rt-14-dev clang-format clang-tidy shellcheck python3 curl libssl-dev)
# The readers every archive the tests make is checked with: Python's zipfile,
# Info-ZIP's unzip, 7-Zip and libarchive's bsdtar; curl fetches and resumes.
ARCHIVE_ORACLE_PACKAGES=(python3 unzip 7zip libarchive-tools curl)

# Every C++ file of the project that clang-format checks, one path a line.
cpp_sources() {
  find "$ROOT/src" "$ROOT/tests" "$ROOT/fuzz" "$ROOT/bench" "$ROOT/tools" -type f \
    \( -name '*.cpp' -o -name '*.h' \) | sort
}

# Nayuki's QR Code generator (MIT; the build uses its C encoder), from
# Debian's qr-code-generator source package, fetched with apt's source
# download through a private apt configuration (a deb-src entry for this
# system's own Debian release and the mirror its sources already name; the
# system's sources are left alone) and checked against the pinned SHA-256.
# Sets QRCODEGEN_SOURCE_DIR.
QRCODEGEN_VERSION=1.8.0
QRCODEGEN_DEBIAN_VERSION=1.8.0-1.1
QRCODEGEN_TARBALL=qr-code-generator_${QRCODEGEN_VERSION}.orig.tar.gz
QRCODEGEN_SHA256=2ec0a4d33d6f521c942eeaf473d42d5fe139abcfa57d2beffe10c5cf7d34ae60
# Two runs at once (two stages, or a stage and ./x build) share one lock on
# the folder, so neither unpacks over the other's build; CMake checks the
# unpacked files themselves (their SHA-256) on every configure.
fetch_qrcodegen() {
  local deps="$BUILD/deps"
  mkdir -p "$deps"
  (
    flock 8 || exit 1
    fetch_qrcodegen_locked
  ) 8>"$deps/.fetch.lock" || return 1
  QRCODEGEN_SOURCE_DIR="$deps/QR-Code-generator-$QRCODEGEN_VERSION"
}

fetch_qrcodegen_locked() {
  local deps="$BUILD/deps"
  QRCODEGEN_SOURCE_DIR="$deps/QR-Code-generator-$QRCODEGEN_VERSION"
  [ "$(cat "$QRCODEGEN_SOURCE_DIR.sha256" 2>/dev/null)" = "$QRCODEGEN_SHA256" ] && return 0
  local apt="$deps/apt"
  mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/download"
  local codename mirror
  codename="$(. /etc/os-release && echo "${VERSION_CODENAME:-}")"
  # shellcheck disable=SC2016 # apt expands the $(FIELD) names itself
  mirror="$(apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(LABEL)' 'Created-By: Packages' |
    awk -v c="$codename" '$2 == c && $3 == "Debian" { print $1; exit }')"
  if [ -z "$codename" ] || [ -z "$mirror" ]; then
    log "no Debian '$codename' mirror in apt's sources to fetch qr-code-generator from"
    return 1
  fi
  echo "deb-src $mirror $codename main" >"$apt/sources.list"
  local opts=(-q -o Dir::Etc::SourceList="$apt/sources.list" -o Dir::Etc::SourceParts=/dev/null
              -o Dir::State::Lists="$apt/lists" -o Dir::Cache="$apt/cache")
  log "fetching qr-code-generator $QRCODEGEN_DEBIAN_VERSION (apt source, $codename)"
  {
    apt-get "${opts[@]}" update &&
      (cd "$apt/download" && rm -f ./*.tar.* &&
        apt-get "${opts[@]}" source --download-only --tar-only \
          "qr-code-generator=$QRCODEGEN_DEBIAN_VERSION")
  } >"$apt/fetch.log" 2>&1 || {
    cat "$apt/fetch.log" >&2
    return 1
  }
  local got
  got="$(sha256sum "$apt/download/$QRCODEGEN_TARBALL" 2>/dev/null | cut -d' ' -f1)"
  if [ "$got" != "$QRCODEGEN_SHA256" ]; then
    log "$QRCODEGEN_TARBALL: SHA-256 '$got', expected $QRCODEGEN_SHA256"
    return 1
  fi
  rm -rf "$QRCODEGEN_SOURCE_DIR"
  tar -xzf "$apt/download/$QRCODEGEN_TARBALL" -C "$deps" || return 1
  echo "$QRCODEGEN_SHA256" >"$QRCODEGEN_SOURCE_DIR.sha256"
}

# tus-js-client, a resumable upload client that speaks the protocol the
# upload page speaks, for the tests that resume an upload with a real
# client: installed with npm into the build folder at a pinned version, once
# (two tests at once share a lock on the folder). Sets TUS_CLIENT_MODULES,
# the node_modules folder to hand Node as NODE_PATH.
TUS_CLIENT_VERSION=4.3.1
ensure_tus_client() {
  # A Node.js that comes with its own npm (not Debian's) needs no npm package.
  command -v node >/dev/null || ensure_packages nodejs || return 1
  command -v npm >/dev/null || ensure_packages npm || return 1
  local dir="$BUILD/node"
  TUS_CLIENT_MODULES="$dir/node_modules"
  mkdir -p "$dir"
  (
    flock 8 || exit 1
    grep -q "\"version\": \"$TUS_CLIENT_VERSION\"" \
      "$TUS_CLIENT_MODULES/tus-js-client/package.json" 2>/dev/null && exit 0
    log "installing tus-js-client $TUS_CLIENT_VERSION (npm) into $dir"
    npm install --prefix "$dir" --no-audit --no-fund --no-save --loglevel=error \
      "tus-js-client@$TUS_CLIENT_VERSION" >"$dir/install.log" 2>&1 || {
      cat "$dir/install.log" >&2
      exit 1
    }
  ) 8>"$dir/.install.lock"
}

# configure_and_build DIR [cmake args...] [-- ninja targets...]
# Configures DIR when it is new or when the cmake arguments differ from the
# ones it was configured with (kept in DIR.args), then builds the targets
# (all when none are named; none at all for the one target --configure-only,
# which leaves the compile database and the tests' list). A changed
# configuration starts from a fresh cache, so an argument that was dropped
# does not linger in it.
configure_and_build() {
  local dir="$1"
  shift
  local args=() targets=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do
    args+=("$1")
    shift
  done
  [ $# -gt 0 ] && shift
  targets=("$@")
  fetch_qrcodegen || return 1
  args+=("-DQRCODEGEN_SOURCE_DIR=$QRCODEGEN_SOURCE_DIR")
  local wanted
  wanted="$(printf '%s\n' "${args[@]}")"
  if [ ! -f "$dir/build.ninja" ] || [ "$(cat "$dir.args" 2>/dev/null)" != "$wanted" ]; then
    rm -rf "$dir.args" "$dir/CMakeCache.txt" "$dir/CMakeFiles"
    cmake -S "$ROOT" -B "$dir" -G Ninja "${args[@]}" >"$dir.configure.log" 2>&1 || {
      cat "$dir.configure.log" >&2
      return 1
    }
    printf '%s\n' "$wanted" >"$dir.args"
  fi
  [ "${targets[*]}" = "--configure-only" ] && return 0
  ninja -C "$dir" "${targets[@]}" >"$dir.build.log" 2>&1 || {
    tail -n 60 "$dir.build.log" >&2
    return 1
  }
}

# test_programs DIR LABELS: what the tests of the configured build DIR whose
# label matches LABELS (as ctest -L takes it) run or are handed (their
# programs, the program under test), as ninja targets, one a line: a stage
# that runs some of the tests builds only those.
test_programs() {
  (cd "$1" && ctest -N -L "$2" --show-only=json-v1) | python3 -c 'import json, os, sys
root = os.path.realpath(sys.argv[1])
seen = set()
for test in json.load(sys.stdin)["tests"]:
    for word in test.get("command", []):
        path = os.path.realpath(word)
        if path.startswith(root + os.sep) and path not in seen:
            seen.add(path)
            print(os.path.relpath(path, root))' "$1"
}

# The build arguments of each build folder, shared by the stages and the
# scripts that use the same build.
NATIVE_ARGS=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
WINDOWS_ARGS=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake")
WINDOWS32_ARGS=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-i686.cmake")

# build_native [targets...]: everything, or only the named targets
# (--configure-only: none).
build_native() {
  ensure_packages "${NATIVE_PACKAGES[@]}" || return 1
  mkdir -p "$BUILD"
  log "native build ($BUILD/native)"
  configure_and_build "$BUILD/native" "${NATIVE_ARGS[@]}" -- "$@"
}

# build_windows [targets...], as build_native.
# shellcheck disable=SC2120 # the test stages name targets; ./x build and dist do not
build_windows() {
  ensure_packages "${NATIVE_PACKAGES[@]}" "${MINGW64_PACKAGES[@]}" || return 1
  mkdir -p "$BUILD"
  log "Windows build with MinGW-w64 ($BUILD/win)"
  configure_and_build "$BUILD/win" "${WINDOWS_ARGS[@]}" -- "$@"
}

# The 32-bit program (and its tests) for older 32-bit Windows; [targets...]
# as build_native.
build_windows32() {
  ensure_packages "${NATIVE_PACKAGES[@]}" "${MINGW32_PACKAGES[@]}" || return 1
  mkdir -p "$BUILD"
  log "32-bit Windows build with MinGW-w64 ($BUILD/win32)"
  configure_and_build "$BUILD/win32" "${WINDOWS32_ARGS[@]}" -- "$@"
}

# The sanitizer builds: optimized as the native build, with line tables only
# as debug information, which is what a sanitizer's stack trace reads (full
# debug information made their builds a third slower).
SANITIZER_ARGS=(-DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG"
                "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG")

# build_tsan [targets...], as build_native.
build_tsan() {
  ensure_packages "${NATIVE_PACKAGES[@]}" || return 1
  mkdir -p "$BUILD"
  log "ThreadSanitizer build ($BUILD/tsan)"
  configure_and_build "$BUILD/tsan" "${SANITIZER_ARGS[@]}" -DORVANE_SANITIZE=thread -- "$@"
}

build_asan() {
  ensure_packages "${NATIVE_PACKAGES[@]}" || return 1
  mkdir -p "$BUILD"
  log "AddressSanitizer build ($BUILD/asan)"
  configure_and_build "$BUILD/asan" "${SANITIZER_ARGS[@]}" -DORVANE_SANITIZE=address,undefined
}

# A prefix made while Wine's 32-bit side was missing has no 32-bit system
# (syswow64) and can run no 32-bit program, also once wine32 is installed; a
# wineboot does not add it. So every prefix is made with both halves of Wine
# installed, and one without its 32-bit side (from an older run) is made again.
wine_prefix_whole() {
  [ -f "$1/system.reg" ] && [ -f "$1/drive_c/windows/syswow64/kernel32.dll" ]
}

# Makes the prefix $WINEPREFIX (with both halves of Wine) unless it is whole.
make_wine_prefix() {
  ensure_wine32 || return 1
  wine_prefix_whole "$WINEPREFIX" && return 0
  log "making the Wine prefix ($WINEPREFIX)"
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  LC_ALL=zh_CN.UTF-8 wine wineboot -i >/dev/null 2>&1 || true
  wineserver -w 2>/dev/null || true
  wine_prefix_whole "$WINEPREFIX" || {
    log "Wine made no whole prefix in $WINEPREFIX (no syswow64/kernel32.dll)"
    return 1
  }
}

# The private Wine prefix, made once.
wine_prefix_ready() {
  make_wine_prefix || return 1
  link_wine_fonts
  keep_user_folders_private
}

# A second prefix whose screen is at 144 DPI (150 %), for the window's layout
# at another scale; Wine reads the DPI from LogPixels, as winecfg sets it.
WINEPREFIX_144="$BUILD/wine/prefix-144"
wine_prefix_144_ready() {
  if ! wine_prefix_whole "$WINEPREFIX_144"; then
    WINEPREFIX="$WINEPREFIX_144" make_wine_prefix || return 1
    WINEPREFIX="$WINEPREFIX_144" wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels \
      /t REG_DWORD /d 144 /f >/dev/null 2>&1
    WINEPREFIX="$WINEPREFIX_144" wineserver -w 2>/dev/null || true
  fi
  link_wine_fonts "$WINEPREFIX_144"
  keep_user_folders_private "$WINEPREFIX_144"
}

# Wine links a new prefix's user folders (Desktop, Documents, Downloads, ...)
# to the home folder; in the private prefixes they become folders of their
# own, so what a test stores there (an upload into Downloads) stays under
# the build folder.
keep_user_folders_private() {
  local folder
  for folder in "${1:-$WINEPREFIX}"/drive_c/users/*/*; do
    [ -L "$folder" ] || continue
    rm -f "$folder" && mkdir -p "$folder"
  done
}

# Wine's own fonts (fonts-wine: Marlett for the title-bar buttons, Tahoma) are
# not picked up from the data folder by this Wine build, so they are linked
# into the prefix's Fonts folder (of $WINEPREFIX, or of the prefix named).
link_wine_fonts() {
  local fonts="${1:-$WINEPREFIX}/drive_c/windows/Fonts"
  mkdir -p "$fonts"
  local f
  for f in /usr/share/wine/fonts/*.ttf; do
    [ -e "$f" ] && [ ! -e "$fonts/$(basename "$f")" ] && ln -s "$f" "$fonts/"
  done
  return 0
}

# Everything the Windows program needs before it can start under Wine.
prepare_windows_program() {
  ensure_packages "${WINE_PACKAGES[@]}" || return 1
  ensure_zh_locale || return 1
  build_windows || return 1
  wine_prefix_ready
}

# free_ports N: N different ports in 20000-32000 that nothing is bound to now
# (this server takes ports up to 32767 only, so the system's ephemeral range,
# which binding port 0 would give, is no use). Picked at random, so two runs
# at once do not try the same ones.
free_ports() {
  python3 - "$1" <<'PY'
import random, socket, sys
want, found = int(sys.argv[1]), []
for _ in range(2000):
    if len(found) == want:
        break
    port = random.randint(20000, 32000)
    if port in found:
        continue
    with socket.socket() as probe:
        try:
            probe.bind(("", port))
        except OSError:
            continue
    found.append(port)
if len(found) < want:
    sys.exit("no free ports")
print(" ".join(map(str, found)))
PY
}

# Starts a private Xvfb screen; sets XVFB_PID and DISPLAY.
XVFB_PID=""
start_xvfb() {
  local n
  for n in $(seq 91 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    local _
    for _ in $(seq 1 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      sleep 0.1
    done
    if kill -0 "$XVFB_PID" 2>/dev/null; then
      export DISPLAY=":$n"
      return 0
    fi
  done
  log "could not start Xvfb"
  return 1
}

# Keeps the wineserver of $WINEPREFIX (or of the prefix named) and Wine's own
# services running until stop_wine_and_xvfb, so each Windows program a test
# runs starts in well under a second instead of booting Wine anew (about
# 2.5 s each). Wine's services are started here, with no terminal or pipe of
# ours: started by the first test, they would keep ctest's output pipe open.
start_wine_session() {
  local prefix="${1:-$WINEPREFIX}"
  {
    WINEPREFIX="$prefix" wineserver -p &&
      WINEPREFIX="$prefix" LC_ALL=zh_CN.UTF-8 wine wineboot
  } </dev/null >/dev/null 2>&1
}

# Stops what this script started: the prefix's wineserver, then our Xvfb.
stop_wine_and_xvfb() {
  wineserver -k 2>/dev/null || true
  if [ -n "$XVFB_PID" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
  fi
}

# start_nginx DIR CONNECTIONS HTTP: nginx for the benchmarks, one worker in
# a background job of this shell, its pid file, log and temporary files in
# DIR, and HTTP (lines) inside its http block; sets NGINX_PID.
start_nginx() {
  local dir="$1" connections="$2" http="$3"
  mkdir -p "$dir/tmp"
  cat >"$dir/nginx.conf" <<NGINX
worker_processes 1;
daemon off;
master_process on;
pid $dir/nginx.pid;
error_log $dir/error.log;
events { worker_connections $connections; }
http {
  access_log off;
  client_body_temp_path $dir/tmp;
$http
}
NGINX
  nginx -p "$dir" -c "$dir/nginx.conf" -e "$dir/error.log" &
  NGINX_PID=$!
}

# bench_start NAME PACKAGE...: what every benchmark begins with. Installs the
# packages named (with the native build's), builds the optimised headless
# server (SERVER, in $BUILD/bench), makes WORK, a folder of its own under
# /tmp that anyone may read (nginx's worker runs as another user), and PIDS,
# the processes to end: on the way out they are ended and WORK is removed.
bench_start() {
  local name="$1"
  shift
  ensure_packages "${NATIVE_PACKAGES[@]}" "$@" || exit 1
  mkdir -p "$BUILD"
  log "optimised native build ($BUILD/bench)"
  configure_and_build "$BUILD/bench" -DCMAKE_BUILD_TYPE=Release -DORVANE_BUILD_TESTS=OFF \
    -DORVANE_BUILD_BENCH=ON -- orvane-headless || exit 1
  SERVER="$BUILD/bench/orvane-headless"
  WORK="$(mktemp -d "/tmp/orvane-bench-$name.XXXXXX")"
  chmod 755 "$WORK"
  PIDS=()
  trap bench_end EXIT
  trap 'exit 130' INT TERM
}

# Ends what a benchmark started (PIDS) and removes its WORK folder.
bench_end() {
  local pid
  for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$WORK"
}
