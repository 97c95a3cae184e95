#!/usr/bin/env bash
# The Windows build, cross-built with mingw-w64 and checked under Wine on a
# private Xvfb display with a private WINEPREFIX:
#   1. the `windows` preset's test suites (core, number texts, companion and
#      the Win32 toolkit and dialog, the GDI report test among them) by ctest;
#   2. calvora.exe closed with SC_CLOSE from another process exits with 0;
#   3. with Wine reporting Windows 98 for calvora.exe it shows
#      "Win98 No Support" and exits with 255;
#   4. calvora-cli.exe prints the same texts as the Linux calvora-cli;
#   5. a screenshot of the window after a Calc, docs/screenshot-windows.png
#      (kept out of CI runs unless --screenshot is given).
# Usage: windows.sh [--install-only] [--screenshot] [--skip-ctest]
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

# ---- Packages -----------------------------------------------------------------
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  _apt_updated=0
  apt-get update -qq
  _apt_updated=1
fi
need_base_packages
need_packages mingw-w64 g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix \
  binutils-mingw-w64-i686 googletest wine wine32:i386 xvfb xauth imagemagick
[ "$install_only" = 1 ] && exit 0

BUILD=$ROOT/build/windows
mkdir -p "$BUILD"

# ---- Private display and Wine prefix ------------------------------------------
start_wine_session "$BUILD/wineprefix" 93 120
wine reg delete 'HKCU\Software\Wine\AppDefaults\calvora.exe' /f >/dev/null 2>&1 || true
wineserver -w

# ---- Build --------------------------------------------------------------------
log "Cross-building the windows preset"
cmake --preset windows --fresh
cmake --build --preset windows -j "$JOBS"

status=0
fail() {
  echo "FAILED: $*"
  status=1
}

# ---- 1. Test suites under Wine ------------------------------------------------
if [ "$skip_ctest" = 0 ]; then
  log "Test suites under Wine"
  ctest --test-dir "$BUILD" --output-on-failure || status=1
fi

exe=$BUILD/platform/win32/calvora.exe
remote=$BUILD/tests/win32/remote_control.exe
title="Calvora Impedance Calculator 1.03"

# ---- 2. Closed from another process --------------------------------------------
log "calvora.exe closed with SC_CLOSE from another process"
wine "$exe" &
app=$!
if wine "$remote" close "$title"; then
  rc=0
  wait "$app" || rc=$?
  echo "calvora.exe exit code: $rc"
  [ "$rc" = 0 ] || fail "calvora.exe exited with $rc after SC_CLOSE"
else
  fail "calvora.exe window not found"
  kill "$app" 2>/dev/null || true
fi

# ---- 3. Windows 98 ----------------------------------------------------------------
log "calvora.exe when Wine reports Windows 98"
wine reg add 'HKCU\Software\Wine\AppDefaults\calvora.exe' /v Version /d win98 /f >/dev/null 2>&1
wine "$exe" &
app=$!
if wine "$remote" box "Win98 No Support"; then
  rc=0
  wait "$app" || rc=$?
  echo "calvora.exe exit code: $rc"
  [ "$rc" = 255 ] || fail "calvora.exe exited with $rc on Windows 98, not 255"
else
  fail "no \"Win98 No Support\" message"
  kill "$app" 2>/dev/null || true
fi
wine reg delete 'HKCU\Software\Wine\AppDefaults\calvora.exe' /f >/dev/null 2>&1 || true

# ---- 4. The companion's texts against the Linux build -----------------------------
log "calvora-cli.exe against the Linux calvora-cli"
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
win_cli=$BUILD/cli/calvora-cli.exe
cli_cases=(
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
)
cli_ok=0
cli_bad=0
for c in "${cli_cases[@]}"; do
  read -r -a args <<<"$c"
  want=$("$linux_cli" "${args[@]}" 2>&1; echo "exit $?")
  got=$(wine "$win_cli" "${args[@]}" 2>&1 | tr -d '\r'; echo "exit ${PIPESTATUS[0]}")
  if [ "$want" = "$got" ]; then
    cli_ok=$((cli_ok + 1))
  else
    cli_bad=$((cli_bad + 1))
    echo "differs: calvora-cli $c"
    diff <(echo "$want") <(echo "$got") | head -20
  fi
done
printf 'batch: ' >&2
batch_input=$'1000,1,.01\n1000,2.2,0.5\nnot,a,line\n'
want=$(printf '%s' "$batch_input" | "$linux_cli" batch --header Cs-D 2>&1; echo "exit $?")
got=$(printf '%s' "$batch_input" | wine "$win_cli" batch --header Cs-D 2>&1 | tr -d '\r'; echo "exit ${PIPESTATUS[1]}")
if [ "$want" = "$got" ]; then cli_ok=$((cli_ok + 1)); echo same >&2; else cli_bad=$((cli_bad + 1)); echo differs >&2; diff <(echo "$want") <(echo "$got") | head -20; fi
echo "calvora-cli texts: $cli_ok the same, $cli_bad different"
[ "$cli_bad" = 0 ] || fail "calvora-cli.exe texts differ from the Linux calvora-cli"

# ---- 5. Screenshot ----------------------------------------------------------------
if [ "$screenshot" = 1 ]; then
  log "Screenshot after a Calc"
  wine "$exe" &
  app=$!
  if geometry=$(wine "$remote" calc "$title" | tr -d '\r'); then
    sleep 1
    read -r w h x y <<<"$geometry"
    mkdir -p docs
    import -display "$DISPLAY" -window root -crop "${w}x${h}+${x}+${y}" +repage docs/screenshot-windows.png
    echo "docs/screenshot-windows.png: ${w}x${h}"
  else
    fail "could not drive calvora.exe for the screenshot"
  fi
  wine "$remote" close "$title" >/dev/null || true
  wait "$app" || true
fi

[ "$status" = 0 ] && echo "Windows checks passed" || echo "Windows checks FAILED"
exit "$status"
