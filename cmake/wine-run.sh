#!/bin/sh
# Runs one cross-built Windows program under Wine and passes its exit code
# back. The caller normally provides DISPLAY (a private Xvfb) and WINEPREFIX
# (scripts/ci/windows.sh sets both up); without a DISPLAY the program runs on
# a throw-away Xvfb display of its own.
set -u
: "${WINEPREFIX:=${HOME}/.calvora-wine}"
: "${WINEDEBUG:=-all}"
# No Mono or Gecko downloads on a first boot of the prefix, no sound drivers.
: "${WINEDLLOVERRIDES:=mscoree,mshtml=;winealsa.drv,winepulse.drv=d}"
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
if [ -z "${WINEARCH:-}" ] && [ ! -d "$WINEPREFIX" ]; then
  export WINEARCH=win32
fi

if [ -z "${DISPLAY:-}" ]; then
  status=0
  xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" wine "$@" || status=$?
  wineserver -k 2>/dev/null || true
  exit "$status"
fi
exec wine "$@"
