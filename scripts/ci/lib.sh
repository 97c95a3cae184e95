# Shared helpers for the build and test scripts; source it, do not run it.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
JOBS=${JOBS:-$(nproc)}

log() { printf '\n== %s\n' "$*"; }

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

# start_wine_session PREFIX FIRST_DISPLAY LAST_DISPLAY: a private Xvfb display
# (the first free number in the range) and a private 32-bit Wine prefix with
# one virtual desktop, both ended when the calling script exits. Wine draws
# the window frames itself on the desktop, so windows map and unmap without
# waiting for a window manager that is not there.
start_wine_session() {
  local prefix=$1 first=$2 last=$3 n
  WINE_DISPLAY=""
  for n in $(seq "$first" "$last"); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
      WINE_DISPLAY=":$n"
      break
    fi
  done
  [ -n "$WINE_DISPLAY" ] || { echo "no free X display number" >&2; return 1; }
  mkdir -p "$(dirname "$prefix")"
  Xvfb "$WINE_DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  WINE_XVFB_PID=$!
  export DISPLAY=$WINE_DISPLAY WINEPREFIX=$prefix WINEARCH=win32 WINEDEBUG=-all
  # No Mono or Gecko downloads, and no sound drivers: there is no sound card.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winealsa.drv,winepulse.drv=d"
  trap stop_wine_session EXIT
  for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X${WINE_DISPLAY#:}" ] && break
    sleep 0.1
  done
  log "Wine prefix $WINEPREFIX on display $DISPLAY"
  wineboot -i >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f >/dev/null 2>&1
}

stop_wine_session() {
  wineserver -k 2>/dev/null || true
  kill "$WINE_XVFB_PID" 2>/dev/null || true
  wait "$WINE_XVFB_PID" 2>/dev/null || true
}
