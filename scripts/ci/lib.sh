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

# The packages every build needs: compilers, CMake, GoogleTest, Benchmark,
# and MPFR for the trigonometry tests.
need_base_packages() {
  need_packages build-essential cmake ninja-build g++ clang-14 libclang-rt-14-dev \
    googletest libgtest-dev libbenchmark-dev libmpfr-dev python3
}

# The cross compilers, binutils and Wine for both Windows builds, on a fresh
# Debian 12 (the 32-bit loader needs the i386 architecture).
need_windows_packages() {
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    apt-get update -qq
    _apt_updated=1
  fi
  need_base_packages
  need_packages mingw-w64 g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix \
    binutils-mingw-w64-i686 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix \
    binutils-mingw-w64-x86-64 googletest wine wine32:i386 wine64 xvfb xauth imagemagick
}

# ctest_counted DIR [ctest args...]: runs ctest with its output shown and
# sets CTEST_PASSED and CTEST_FAILED from its summary (a run that ends
# without one counts as one failure). Returns ctest's status.
ctest_counted() {
  local dir=$1 out rc=0 line
  shift
  out=$(mktemp)
  ctest --test-dir "$dir" --output-on-failure "$@" 2>&1 | tee "$out" || rc=$?
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$out" | tail -n 1 || true)
  rm -f "$out"
  if [ -n "$line" ]; then
    local total
    total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
    CTEST_FAILED=$(sed -E 's/.*tests passed, ([0-9]+) tests? failed.*/\1/' <<<"$line")
    CTEST_PASSED=$((total - CTEST_FAILED))
  else
    CTEST_PASSED=0
    CTEST_FAILED=1
  fi
  return $rc
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
# ARCH (win32 or win64) with one virtual desktop, both ended when the calling
# script exits. Sets WINE to the loader to run programs with. Wine draws the
# window frames itself on the desktop, so windows map and unmap without
# waiting for a window manager that is not there. Says what failed and
# returns nonzero when the display or the prefix cannot be set up.
start_wine_session() {
  local prefix=$1 first=$2 last=$3 arch=$4 n
  WINE=$(wine_loader "$arch") || return 1
  WINE_DISPLAY=""
  for n in $(seq "$first" "$last"); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
      WINE_DISPLAY=":$n"
      break
    fi
  done
  [ -n "$WINE_DISPLAY" ] || { echo "FAILED: no free X display number in :$first-:$last" >&2; return 1; }
  mkdir -p "$(dirname "$prefix")"
  Xvfb "$WINE_DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  WINE_XVFB_PID=$!
  export DISPLAY=$WINE_DISPLAY WINEPREFIX=$prefix WINEARCH=$arch WINELOADER=$WINE WINEDEBUG=-all
  # No Mono or Gecko downloads, and no sound drivers: there is no sound card.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winealsa.drv,winepulse.drv=d"
  trap stop_wine_session EXIT
  for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X${WINE_DISPLAY#:}" ] && break
    sleep 0.1
  done
  if [ ! -e "/tmp/.X11-unix/X${WINE_DISPLAY#:}" ]; then
    echo "FAILED: Xvfb did not start on $WINE_DISPLAY" >&2
    return 1
  fi
  log "Wine prefix $WINEPREFIX ($arch) on display $DISPLAY"
  local boot_log="$prefix.wineboot.log" rc=0
  "$WINE" wineboot -i >"$boot_log" 2>&1 || rc=$?
  if [ $rc -ne 0 ]; then
    echo "FAILED: $WINE wineboot -i for the $arch prefix $prefix exited with $rc:" >&2
    tail -n 20 "$boot_log" >&2
    return 1
  fi
  "$WINE" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 &&
    "$WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f >/dev/null 2>&1 ||
    { echo "FAILED: reg add of the virtual desktop in $prefix" >&2; return 1; }
}

stop_wine_session() {
  wineserver -k 2>/dev/null || true
  if [ -n "${WINE_XVFB_PID:-}" ]; then
    kill "$WINE_XVFB_PID" 2>/dev/null || true
    wait "$WINE_XVFB_PID" 2>/dev/null || true
  fi
  WINE_XVFB_PID=""
}
