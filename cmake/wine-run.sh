#!/bin/sh
# Runs one cross-built Windows program under Wine and passes its exit code
# back: wine-run.sh win32|win64 PROGRAM [ARGS...]. The architecture picks the
# loader itself (Debian's `wine` wrapper would take the 32-bit loader
# whenever wine32 is installed, even for a 64-bit program).
#
# Under ctest, CALVORA_WINE_SESSION names the state file of the build's Wine
# session fixture (tests/fixtures/session.sh): the program runs on that
# session's display and prefix. Run by hand, the caller's DISPLAY and
# WINEPREFIX are used; without a DISPLAY the program runs on a throw-away
# Xvfb display of its own.
set -u
arch=$1
shift
case $arch in
win32) loader=/usr/lib/wine/wine ;;
win64) loader=/usr/lib/wine/wine64 ;;
*)
  echo "wine-run.sh: unknown architecture '$arch' (win32 or win64)" >&2
  exit 2
  ;;
esac
state=${CALVORA_WINE_SESSION:-}
if [ -n "$state" ] && [ -f "$state" ]; then
  . "$state"
  if ! kill -0 "$XVFB_PID" 2>/dev/null; then
    echo "wine-run.sh: the display $DISPLAY of the Wine session in $state is gone" >&2
    exit 125
  fi
  if [ "$WINEARCH" != "$arch" ]; then
    echo "wine-run.sh: the Wine session in $state is $WINEARCH, not $arch" >&2
    exit 125
  fi
  export DISPLAY WINEPREFIX
elif [ -n "$state" ]; then
  echo "wine-run.sh: no Wine session in $state (its setup test did not run or failed)" >&2
  exit 125
fi
: "${WINEPREFIX:=${HOME}/.calvora-wine-$arch}"
: "${WINEDEBUG:=-all}"
# No Mono or Gecko downloads on a first boot of the prefix, no sound drivers.
: "${WINEDLLOVERRIDES:=mscoree,mshtml=;winealsa.drv,winepulse.drv=d}"
WINELOADER=$loader
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES WINELOADER
if [ -z "${WINEARCH:-}" ] && [ ! -d "$WINEPREFIX" ]; then
  export WINEARCH="$arch"
fi

if [ -z "${DISPLAY:-}" ]; then
  status=0
  xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$loader" "$@" || status=$?
  wineserver -k 2>/dev/null || true
  exit "$status"
fi
exec "$loader" "$@"
