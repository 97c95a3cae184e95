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
#   process_checks.sh cli_texts CLI_EXE LINUX_CLI WINE_RUN...
#       calvora-cli.exe prints what the Linux calvora-cli prints, exit code
#       included
#   process_checks.sh cli_batch CLI_EXE LINUX_CLI VARIED_ROWS_PY WINE_RUN...
#       calvora-cli.exe batch gives byte-identical output to the Linux one
#       over 3,000 varied rows of every one of the 16 modes, and of every
#       one of the 20 meter pairs with ranges
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

cli_texts() {
  local win_cli=$1 linux_cli=$2
  shift 2
  [ -x "$linux_cli" ] || { echo "no Linux calvora-cli at $linux_cli"; return 1; }
  local cases=(
    "calc Cs-D 1000 1 .01"
    "calc --report Cs-D 1000 1 .01"
    "calc --report ls-q 1000 10 50"
    "calc --json 9 1000 100 30"
    "calc R-X 1000 1000 0 100"
    "calc Ls-R 1000 10 5"
    "calc IVP 60 120 0.5 30"
    "calc Cs||Cs 1000 1 .01 2.2 .02"
    "calc Lp-Q 1E6 .001 1E12"
    "calc G-B 1000 1000 0 0"
    "parse &HFFFF"
    "parse 1.5e-3x"
    "parse -.5D2"
    "format 1234.5678 4 Ohms"
    "format 0 4 F"
    "format 1e300 2 mhos"
    "format -0.000000000000000001234 4 H"
    "--version"
    "calc NoSuchMode"
    "calc Cs-D 1000 1 .01 --json"
    "convert Cp-Rp 1KHz 4n7 4K7 --json"
    "convert -h"
  )
  local ok=0 bad=0 c want got args
  for c in "${cases[@]}"; do
    read -r -a args <<<"$c"
    want=$("$linux_cli" "${args[@]}" 2>&1; echo "exit $?")
    got=$("$@" "$win_cli" "${args[@]}" 2>&1 | tr -d '\r'; echo "exit ${PIPESTATUS[0]}")
    if [ "$want" = "$got" ]; then
      ok=$((ok + 1))
    else
      bad=$((bad + 1))
      echo "differs: calvora-cli $c"
      diff <(echo "$want") <(echo "$got") | head -20
    fi
  done
  local input=$'1000,1,.01\n1000,2.2,0.5\nnot,a,line\n'
  want=$(printf '%s' "$input" | "$linux_cli" batch --header Cs-D 2>&1; echo "exit $?")
  got=$(printf '%s' "$input" | "$@" "$win_cli" batch --header Cs-D 2>&1 | tr -d '\r'; echo "exit ${PIPESTATUS[1]}")
  if [ "$want" = "$got" ]; then
    ok=$((ok + 1))
  else
    bad=$((bad + 1))
    echo "differs: calvora-cli batch --header Cs-D"
    diff <(echo "$want") <(echo "$got") | head -20
  fi
  echo "calvora-cli texts: $ok the same, $bad different"
  [ "$bad" = 0 ]
}

cli_batch() {
  local win_cli=$1 linux_cli=$2 varied_rows=$3
  shift 3
  [ -x "$linux_cli" ] || { echo "no Linux calvora-cli at $linux_cli"; return 1; }
  local work mode fields rows=3000 bad=0
  work=$(mktemp -d)
  for mode in $(seq 16); do
    fields=$("$linux_cli" --help | sed -n "s/^ *$mode  [^ ]* (rows: \(.*\))$/\1/p" | tr ',' '\n' | wc -l)
    python3 "$varied_rows" "$fields" "$rows" "$mode" >"$work/in.csv"
    # --lenient: every record is calculated as the window reads it, junk included.
    "$linux_cli" batch --lenient "$mode" <"$work/in.csv" >"$work/linux.csv" 2>"$work/linux.err" || true
    "$@" "$win_cli" batch --lenient "$mode" <"$work/in.csv" >"$work/windows.csv" \
      2>"$work/windows.err" || true
    tr -d '\r' <"$work/windows.err" >"$work/windows.err.lf"
    if [ -s "$work/linux.csv" ] && cmp -s "$work/linux.csv" "$work/windows.csv" &&
      cmp -s "$work/linux.err" "$work/windows.err.lf"; then
      printf 'mode %2d: %d rows of %d fields, %d bytes, the same\n' "$mode" "$rows" "$fields" \
        "$(stat -c %s "$work/linux.csv")"
    else
      bad=$((bad + 1))
      printf 'mode %2d: DIFFERENT; first differing lines (input, Linux, Windows):\n' "$mode"
      diff <(cat "$work/linux.csv" "$work/linux.err") <(cat "$work/windows.csv" "$work/windows.err.lf") |
        head -6
    fi
  done
  # The meter pairs, with their ranges, over a meter's log of each.
  local pair index=0
  for pair in Cs-D Cs-Q Cs-Rs Cp-D Cp-Q Cp-G Cp-Rp Ls-D Ls-Q Ls-Rs Lp-D Lp-Q Lp-G Lp-Rp \
    R-X G-B Z-thd Z-thr Y-thd Y-thr; do
    index=$((index + 1))
    python3 "$varied_rows" 3 "$rows" "$((100 + index))" --meter >"$work/in.csv"
    "$linux_cli" batch --pair "$pair" --accuracy 0.05% 1% <"$work/in.csv" >"$work/linux.csv" \
      2>"$work/linux.err" || true
    "$@" "$win_cli" batch --pair "$pair" --accuracy 0.05% 1% <"$work/in.csv" >"$work/windows.csv" \
      2>"$work/windows.err" || true
    tr -d '\r' <"$work/windows.err" >"$work/windows.err.lf"
    if [ -s "$work/linux.csv" ] && cmp -s "$work/linux.csv" "$work/windows.csv" &&
      cmp -s "$work/linux.err" "$work/windows.err.lf"; then
      printf 'pair %-6s %d rows, %d bytes, the same\n' "$pair" "$rows" "$(stat -c %s "$work/linux.csv")"
    else
      bad=$((bad + 1))
      printf 'pair %s: DIFFERENT; first differing lines (Linux, Windows):\n' "$pair"
      diff <(cat "$work/linux.csv" "$work/linux.err") <(cat "$work/windows.csv" "$work/windows.err.lf") |
        head -6
    fi
  done
  rm -rf "$work"
  echo "batch: $((36 - bad)) of 16 modes and 20 pairs byte-identical"
  [ "$bad" = 0 ]
}

usage() {
  echo "usage: process_checks.sh closes_from_outside|refuses_windows_98|screenshot|cli_texts|cli_batch ARGS... WINE_RUN..." >&2
  exit 2
}
check=${1:-}
[ $# -ge 1 ] && shift
case $check in
closes_from_outside | refuses_windows_98 | cli_texts) [ $# -ge 3 ] || usage ;;
screenshot | cli_batch) [ $# -ge 4 ] || usage ;;
*) usage ;;
esac
"$check" "$@"
