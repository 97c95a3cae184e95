#!/usr/bin/env bash
# The Windows builds, cross-built with mingw-w64: `windows` (32-bit, the
# program for every Windows of the NT family) and `windows64` (the native
# 64-bit build). Both are always built and their executables' headers and
# resources checked without running them (label "static"). Each build whose
# programs this machine can run is then checked under Wine on a private Xvfb
# display with a private prefix of its own architecture:
#   1. its test suites (core, number texts, companion, the Win32 toolkit and
#      dialog, the GDI report) by ctest;
#   2. calvora.exe closed with SC_CLOSE from another process exits with 0;
#   3. with Wine reporting Windows 98 for calvora.exe it shows
#      "Win98 No Support" and exits with 255;
#   4. calvora-cli.exe prints the same texts as the Linux calvora-cli;
#   5. calvora-cli.exe batch gives byte-identical output to the Linux one
#      over 3,000 varied rows of every one of the 16 modes.
# The 64-bit build runs under wine64 everywhere. The 32-bit build runs only
# where this machine starts 32-bit processes (probed once; CALVORA_NO_32BIT=1
# takes the other path). What could not run is reported as not run, never
# as passed. With --screenshot, docs/screenshot-windows.png is taken from
# the 64-bit build after a Calc.
#
# Usage: windows.sh [--install-only] [--screenshot] [--skip-ctest]
# The last line is the tally: "windows checks: P passed, F failed, N not run".
source "$(dirname "$0")/lib.sh"
cd "$ROOT"

install_only=0
screenshot=0
skip_ctest=0
for arg in "$@"; do
  case $arg in
  --install-only) install_only=1 ;;
  --screenshot) screenshot=1 ;;
  --skip-ctest) skip_ctest=1 ;;
  *) echo "unknown option $arg" >&2; exit 2 ;;
  esac
done

need_windows_packages
[ "$install_only" = 1 ] && exit 0

passed=0
failed=0
not_run=0
# check NAME COMMAND...: runs one check and counts it.
check() {
  local name=$1
  shift
  log "$name"
  if "$@"; then
    echo "ok: $name"
    passed=$((passed + 1))
  else
    echo "FAILED: $name"
    failed=$((failed + 1))
  fi
}
# not_run NAME COUNT REASON: checks that could not run here.
not_run() {
  echo "not run: $1 ($3)"
  not_run=$((not_run + $2))
}

title="Calvora Impedance Calculator $(project_version)"

# ---- Build both, check both without running them ------------------------------
build_preset() {
  cmake --preset "$1" --fresh >/dev/null && cmake --build --preset "$1" -j "$JOBS"
}
built=()
for preset in windows windows64; do
  log "Cross-building the $preset preset"
  if build_preset "$preset"; then
    built+=("$preset")
    log "$preset: headers and resources of calvora.exe and calvora-cli.exe"
    ctest_counted "build/$preset" -L static || true
    passed=$((passed + CTEST_PASSED))
    failed=$((failed + CTEST_FAILED))
  else
    echo "FAILED: the $preset preset does not build"
    failed=$((failed + 1))
  fi
done

# ---- The Linux companion the Windows texts are compared with ------------------
linux_cli=""
for dir in build/ci build/default build/h-win-linux; do
  if [ -x "$dir/cli/calvora-cli" ]; then
    linux_cli=$ROOT/$dir/cli/calvora-cli
    break
  fi
done
if [ -z "$linux_cli" ]; then
  cmake -S . -B build/h-win-linux -DCALVORA_GUI=OFF -DCALVORA_TESTS=OFF -DCALVORA_BENCH=OFF >/dev/null
  cmake --build build/h-win-linux -j "$JOBS" --target calvora-cli >/dev/null
  linux_cli=$ROOT/build/h-win-linux/cli/calvora-cli
fi

# ---- Checks of one running build -----------------------------------------------

# closes_from_outside BUILD: SC_CLOSE from another process ends it with 0.
closes_from_outside() {
  local exe=$1/platform/win32/calvora.exe remote=$1/tests/win32/remote_control.exe
  "$WINE" "$exe" &
  local app=$! rc=0
  if ! "$WINE" "$remote" close "$title"; then
    echo "calvora.exe window not found"
    kill "$app" 2>/dev/null || true
    return 1
  fi
  wait "$app" || rc=$?
  echo "calvora.exe exit code: $rc"
  [ "$rc" = 0 ]
}

# refuses_windows_98 BUILD: the message and exit code 255.
refuses_windows_98() {
  local exe=$1/platform/win32/calvora.exe remote=$1/tests/win32/remote_control.exe
  local key='HKCU\Software\Wine\AppDefaults\calvora.exe'
  "$WINE" reg add "$key" /v Version /d win98 /f >/dev/null 2>&1
  "$WINE" "$exe" &
  local app=$! rc=0 found=1
  "$WINE" "$remote" box "Win98 No Support" || found=0
  if [ "$found" = 1 ]; then
    wait "$app" || rc=$?
    echo "calvora.exe exit code: $rc"
  else
    echo "no \"Win98 No Support\" message"
    kill "$app" 2>/dev/null || true
  fi
  "$WINE" reg delete "$key" /f >/dev/null 2>&1 || true
  [ "$found" = 1 ] && [ "$rc" = 255 ]
}

# same_texts BUILD: calvora-cli.exe prints what the Linux companion prints,
# exit code included.
same_texts() {
  local win_cli=$1/cli/calvora-cli.exe
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
  )
  local ok=0 bad=0 c want got args
  for c in "${cases[@]}"; do
    read -r -a args <<<"$c"
    want=$("$linux_cli" "${args[@]}" 2>&1; echo "exit $?")
    got=$("$WINE" "$win_cli" "${args[@]}" 2>&1 | tr -d '\r'; echo "exit ${PIPESTATUS[0]}")
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
  got=$(printf '%s' "$input" | "$WINE" "$win_cli" batch --header Cs-D 2>&1 | tr -d '\r'; echo "exit ${PIPESTATUS[1]}")
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

# same_numbers BUILD: batch output byte for byte as on Linux, every mode.
same_numbers() {
  local win_cli=$1/cli/calvora-cli.exe work mode fields rows=3000 bad=0
  work=$(mktemp -d)
  for mode in $(seq 16); do
    fields=$("$linux_cli" --help | sed -n "s/^ *$mode  [^ ]* (rows: \(.*\))$/\1/p" | tr ',' '\n' | wc -l)
    python3 tests/cli/varied_rows.py "$fields" "$rows" "$mode" >"$work/in.csv"
    "$linux_cli" batch "$mode" <"$work/in.csv" >"$work/linux.csv" 2>"$work/linux.err" || true
    "$WINE" "$win_cli" batch "$mode" <"$work/in.csv" >"$work/windows.csv" 2>"$work/windows.err" || true
    tr -d '\r' <"$work/windows.err" >"$work/windows.err.lf"
    if cmp -s "$work/linux.csv" "$work/windows.csv" && cmp -s "$work/linux.err" "$work/windows.err.lf"; then
      printf 'mode %2d: %d rows of %d fields, %d bytes, the same\n' "$mode" "$rows" "$fields" \
        "$(stat -c %s "$work/linux.csv")"
    else
      bad=$((bad + 1))
      printf 'mode %2d: DIFFERENT; first differing lines (input, Linux, Windows):\n' "$mode"
      diff <(cat "$work/linux.csv" "$work/linux.err") <(cat "$work/windows.csv" "$work/windows.err.lf") |
        head -6
    fi
  done
  rm -rf "$work"
  [ "$bad" = 0 ]
}

# take_screenshot BUILD: the window after a Calc, for the README.
take_screenshot() {
  local exe=$1/platform/win32/calvora.exe remote=$1/tests/win32/remote_control.exe geometry
  "$WINE" "$exe" &
  local app=$! ok=0
  if geometry=$("$WINE" "$remote" calc "$title" | tr -d '\r'); then
    sleep 1
    read -r w h x y <<<"$geometry"
    mkdir -p docs
    import -display "$DISPLAY" -window root -crop "${w}x${h}+${x}+${y}" +repage docs/screenshot-windows.png &&
      echo "docs/screenshot-windows.png: ${w}x${h}" && ok=1
  else
    echo "could not drive calvora.exe for the screenshot"
  fi
  "$WINE" "$remote" close "$title" >/dev/null || true
  wait "$app" || true
  [ "$ok" = 1 ]
}

# count_wine_checks BUILD: how many checks a run under Wine counts: the
# build's test suites and the four process checks.
count_wine_checks() {
  local suites=0
  [ "$skip_ctest" = 1 ] || suites=$(ctest --test-dir "$1" -N -LE static | sed -n 's/^Total Tests: //p')
  echo $((${suites:-0} + 4))
}

# Every check of one build, in its own Wine session.
run_build() {
  local preset=$1 arch=$2 build=$ROOT/build/$1
  if ! start_wine_session "$build/wineprefix" 93 120 "$arch"; then
    echo "FAILED: no Wine session for $preset"
    failed=$((failed + 1))
    not_run "$preset: everything that runs under Wine" "$(count_wine_checks "$build")" "no Wine session"
    stop_wine_session
    return
  fi
  wineserver -w
  if [ "$skip_ctest" = 0 ]; then
    log "$preset: test suites under Wine ($arch)"
    ctest_counted "$build" -LE static || true
    passed=$((passed + CTEST_PASSED))
    failed=$((failed + CTEST_FAILED))
  fi
  check "$preset: calvora.exe closed with SC_CLOSE from another process exits with 0" \
    closes_from_outside "$build"
  check "$preset: calvora.exe refuses Windows 98 with exit code 255" refuses_windows_98 "$build"
  check "$preset: calvora-cli.exe texts as on Linux" same_texts "$build"
  check "$preset: calvora-cli.exe batch byte-identical to Linux for all 16 modes" \
    same_numbers "$build"
  if [ "$screenshot" = 1 ] && [ "$arch" = win64 ]; then
    check "$preset: screenshot after a Calc" take_screenshot "$build"
  fi
  stop_wine_session
}

# ---- Run what this machine can run ----------------------------------------------
is_built() { [[ " ${built[*]} " == *" $1 "* ]]; }
if is_built windows64; then
  run_build windows64 win64
fi
if ! is_built windows; then
  :
elif runs_32bit_programs; then
  run_build windows win32
else
  echo
  echo "this kernel runs no 32-bit processes: the 32-bit build was built and its headers checked, not run"
  echo "($NO_32BIT_WHY)"
  not_run "windows: test suites, process, text and batch checks under Wine" \
    "$(count_wine_checks "$ROOT/build/windows")" "no 32-bit processes"
fi

echo
echo "windows checks: $passed passed, $failed failed, $not_run not run"
[ "$failed" = 0 ] || exit 1
