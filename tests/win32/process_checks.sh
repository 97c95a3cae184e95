#!/usr/bin/env bash
# The Windows programs checked as processes under Wine, one check per ctest
# test; WINE_RUN... is the command that runs a Windows program (cmake/
# wine-run.sh ARCH, which runs it in the build's Wine session fixture).
#
#   process_checks.sh closes_from_outside CALVORA_EXE REMOTE WINE_RUN...
#       calvora.exe closed with SC_CLOSE from another process exits with 0
#   process_checks.sh refuses_windows_98 CALVORA_EXE REMOTE WINE_RUN...
#       with Wine reporting Windows 98 for calvora.exe it shows
#       "Win98 No Support" and exits with 255
#   process_checks.sh screenshot CALVORA_EXE REMOTE OUTPUT.png WINE_RUN...
#       the window after a Calc, captured from the session's display
set -uo pipefail

# The window's title, with the version from project(), given by ctest to
# the checks that look for the window.
title=${CALVORA_TITLE:-}

closes_from_outside() {
  [ -n "$title" ] || { echo "CALVORA_TITLE is not set"; return 1; }
  local exe=$1 remote=$2
  shift 2
  "$@" "$exe" &
  local app=$! rc=0
  if ! "$@" "$remote" close "$title"; then
    echo "calvora.exe window not found"
    kill "$app" 2>/dev/null || true
    return 1
  fi
  wait "$app" || rc=$?
  echo "calvora.exe exit code: $rc"
  [ "$rc" = 0 ]
}

refuses_windows_98() {
  local exe=$1 remote=$2
  shift 2
  local key='HKCU\Software\Wine\AppDefaults\calvora.exe'
  "$@" reg add "$key" /v Version /d win98 /f >/dev/null 2>&1 ||
    { echo "reg add of the Windows 98 setting failed"; return 1; }
  "$@" "$exe" &
  local app=$! rc=0 found=1
  "$@" "$remote" box "Win98 No Support" || found=0
  if [ "$found" = 1 ]; then
    wait "$app" || rc=$?
    echo "calvora.exe exit code: $rc"
  else
    echo "no \"Win98 No Support\" message"
    kill "$app" 2>/dev/null || true
  fi
  "$@" reg delete "$key" /f >/dev/null 2>&1 || true
  [ "$found" = 1 ] && [ "$rc" = 255 ]
}

screenshot() {
  [ -n "$title" ] || { echo "CALVORA_TITLE is not set"; return 1; }
  local exe=$1 remote=$2 picture=$3 geometry display
  shift 3
  # The display the program is shown on: the session's, or the caller's.
  display=${DISPLAY:-}
  if [ -n "${CALVORA_WINE_SESSION:-}" ] && [ -f "$CALVORA_WINE_SESSION" ]; then
    display=$(. "$CALVORA_WINE_SESSION" && echo "$DISPLAY")
  fi
  [ -n "$display" ] || { echo "no X display to take the picture from"; return 1; }
  mkdir -p "$(dirname "$picture")"
  rm -f "$picture"
  "$@" "$exe" &
  local app=$! ok=0
  if geometry=$("$@" "$remote" calc "$title" | tr -d '\r') && [ -n "$geometry" ]; then
    sleep 1
    read -r w h x y <<<"$geometry"
    import -display "$display" -window root -crop "${w}x${h}+${x}+${y}" +repage "$picture" &&
      [ -s "$picture" ] && echo "$picture: ${w}x${h}" && ok=1
  else
    echo "could not drive calvora.exe for the screenshot"
  fi
  "$@" "$remote" close "$title" >/dev/null || true
  wait "$app" || true
  [ "$ok" = 1 ]
}

usage() {
  echo "usage: process_checks.sh closes_from_outside|refuses_windows_98|screenshot ARGS... WINE_RUN..." >&2
  exit 2
}
check=${1:-}
[ $# -ge 1 ] && shift
case $check in
closes_from_outside | refuses_windows_98) [ $# -ge 3 ] || usage ;;
screenshot) [ $# -ge 4 ] || usage ;;
*) usage ;;
esac
"$check" "$@"
