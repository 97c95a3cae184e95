# Shared helpers for the build and test scripts; source it, do not run it.
set -euo pipefail
# A command that ends a script under `set -e` says which one it was.
set -E
trap 'echo "FAILED: \"$BASH_COMMAND\" exited with $? (${BASH_SOURCE[0]##*/}, line $LINENO)" >&2' ERR

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
JOBS=${JOBS:-$(nproc)}

log() { printf '\n== %s\n' "$*"; }

# The version, as the top CMakeLists.txt's project() call gives it.
project_version() { sed -n 's/^project(Calvora VERSION \([0-9.]*\) .*/\1/p' "$ROOT/CMakeLists.txt"; }

_apt_updated=0
# need_packages PKG...: installs whichever of the Debian packages are missing.
need_packages() {
  local missing=()
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$_apt_updated" = 0 ]; then
    apt-get update -qq
    _apt_updated=1
  fi
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# need_architecture ARCH: lets ARCH's packages install beside the machine's own
# (the package lists are fetched again once it is added).
need_architecture() {
  if ! dpkg --print-foreign-architectures | grep -qx "$1"; then
    dpkg --add-architecture "$1"
    apt-get update -qq
    _apt_updated=1
  fi
}

# The packages every build needs: compilers, CMake, GoogleTest, Benchmark,
# and MPFR for the trigonometry tests.
need_base_packages() {
  need_packages build-essential cmake ninja-build g++ clang-14 libclang-rt-14-dev \
    googletest libgtest-dev libbenchmark-dev libmpfr-dev python3
}

# The Linux window, its tests and their process checks (Xvfb, strace, PDF
# and AppStream tools, and the AT-SPI bus, registry and Python bindings for
# the screen-reader listing), on a fresh Debian 12.
need_qt_packages() {
  need_base_packages
  need_packages qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev libgl-dev libx11-dev \
    fonts-liberation fontconfig xvfb xauth strace poppler-utils appstream \
    at-spi2-core dbus-daemon gir1.2-atspi-2.0 python3-gi
}

# The cross compilers, binutils and Wine for both Windows builds, on a fresh
# Debian 12 (the 32-bit loader needs the i386 architecture).
need_windows_packages() {
  need_architecture i386
  need_base_packages
  need_packages mingw-w64 g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix \
    binutils-mingw-w64-i686 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix \
    binutils-mingw-w64-x86-64 googletest wine wine32:i386 wine64 xvfb xauth imagemagick
}

# The cross compiler, the arm64 libraries the aarch64 build links (Qt 6,
# GoogleTest, Benchmark, MPFR) and qemu-aarch64 to run its programs, on a
# fresh Debian 12 (the arm64 architecture is added first; its packages
# install beside the build machine's).
need_aarch64_packages() {
  need_architecture arm64
  need_qt_packages
  need_packages g++-aarch64-linux-gnu binutils-aarch64-linux-gnu qemu-user \
    libmpfr-dev:arm64 libgmp-dev:arm64 libgtest-dev:arm64 libbenchmark-dev:arm64 \
    qt6-base-dev:arm64 qt6-multimedia-dev:arm64 libgl-dev:arm64 libx11-dev:arm64
}

# The emulator that runs the aarch64 build's programs (the toolchain file
# gives ctest the same one).
AARCH64_RUN=(qemu-aarch64 -L /usr/aarch64-linux-gnu)

# runs_aarch64_programs PROGRAM: whether qemu-aarch64 starts that arm64
# program here (PROGRAM --version); the reason goes to NO_AARCH64_WHY.
runs_aarch64_programs() {
  NO_AARCH64_WHY=""
  local out
  if ! out=$("${AARCH64_RUN[@]}" "$1" --version 2>&1); then
    NO_AARCH64_WHY="${AARCH64_RUN[*]} $1 --version: ${out:-no output}"
    return 1
  fi
}

# Debian's emscripten (with its clang, binaryen and node modules) for the
# browser page, and Debian's Chromium, node and npm for the page's tests;
# playwright-core and axe-core come from npm (tests/web/package-lock.json).
need_web_packages() {
  need_base_packages
  need_packages emscripten chromium fonts-liberation
  command -v node >/dev/null || need_packages nodejs
  command -v npm >/dev/null || need_packages npm
}

# ctest_counted DIR [ctest args...]: runs ctest with its output shown and
# sets CTEST_PASSED, CTEST_FAILED and CTEST_NOT_RUN from its summary. Tests
# that ctest lists as not run for a reason of their own (skipped, disabled)
# count as not run; those it could not run (a failed fixture, a missing
# program) are among its failures. A run that ends without a summary counts
# as one failure. Returns ctest's status.
ctest_counted() {
  local dir=$1 out rc=0 line
  shift
  out=$(mktemp)
  ctest --test-dir "$dir" --output-on-failure "$@" 2>&1 | tee "$out" || rc=$?
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$out" | tail -n 1 || true)
  CTEST_NOT_RUN=0
  if [ -n "$line" ]; then
    local total skipped
    total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
    CTEST_FAILED=$(sed -E 's/.*tests passed, ([0-9]+) tests? failed.*/\1/' <<<"$line")
    skipped=$(sed -n '/^The following tests did not run:/,/^$/p' "$out" |
      grep -cE '\((Skipped|Disabled)\)$' || true)
    CTEST_NOT_RUN=${skipped:-0}
    CTEST_PASSED=$((total - CTEST_FAILED - CTEST_NOT_RUN))
  else
    CTEST_PASSED=0
    CTEST_FAILED=1
  fi
  rm -f "$out"
  return $rc
}

# ctest_listed DIR [ctest args...]: how many tests `ctest -N` selects.
ctest_listed() {
  local dir=$1
  shift
  ctest --test-dir "$dir" -N "$@" | sed -n 's/^Total Tests: //p'
}

# wine_loader ARCH: the Wine loader for programs of ARCH (win32 or win64).
# Debian's `wine` wrapper would take the 32-bit loader whenever wine32 is
# installed, even for a 64-bit program and even where it cannot start.
wine_loader() {
  case $1 in
  win32) echo /usr/lib/wine/wine ;;
  win64) echo /usr/lib/wine/wine64 ;;
  *) echo "wine_loader: unknown architecture '$1'" >&2; return 2 ;;
  esac
}

# runs_32bit_programs: whether this machine starts 32-bit processes, tried
# once with the 32-bit Wine loader; some kernels are built without 32-bit
# emulation ("Exec format error"). CALVORA_NO_32BIT=1 makes it answer no, to
# try the other path on a machine that can. The reason goes to NO_32BIT_WHY.
runs_32bit_programs() {
  NO_32BIT_WHY=""
  if [ "${CALVORA_NO_32BIT:-0}" = 1 ]; then
    NO_32BIT_WHY="CALVORA_NO_32BIT=1 is set"
    return 1
  fi
  local out
  if ! out=$(/usr/lib/wine/wine --version 2>&1); then
    NO_32BIT_WHY="/usr/lib/wine/wine --version: ${out:-no output}"
    return 1
  fi
}

# start_wine_session PREFIX FIRST_DISPLAY LAST_DISPLAY ARCH: a private Xvfb
# display (the first free number in the range) and a private Wine prefix of
# ARCH (win32 or win64) with one virtual desktop, the same session that the
# Windows builds' tests get as their fixture (tests/fixtures/session.sh);
# both are ended when the calling script exits. Exports DISPLAY and the Wine
# variables and sets WINE to the loader to run programs with. Says what
# failed and returns nonzero when the session cannot be set up.
start_wine_session() {
  local prefix=$1 first=$2 last=$3 arch=$4
  WINE_SESSION_STATE=$prefix.session.env
  trap stop_wine_session EXIT
  CALVORA_DISPLAY_FIRST=$first CALVORA_DISPLAY_LAST=$last \
    bash "$ROOT/tests/fixtures/session.sh" wine "$WINE_SESSION_STATE" "$arch" "$prefix" || return 1
  # shellcheck disable=SC1090
  . "$WINE_SESSION_STATE"
  export DISPLAY WINEPREFIX WINEARCH WINELOADER WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;winealsa.drv,winepulse.drv=d"
  WINE=$WINELOADER
  log "Wine prefix $WINEPREFIX ($arch) on display $DISPLAY"
}

stop_wine_session() {
  if [ -n "${WINE_SESSION_STATE:-}" ]; then
    bash "$ROOT/tests/fixtures/session.sh" stop "$WINE_SESSION_STATE" >/dev/null || true
  fi
  WINE_SESSION_STATE=""
}
