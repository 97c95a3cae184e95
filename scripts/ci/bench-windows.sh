#!/usr/bin/env bash
# Figures for the Windows program under Wine, side by side with a minimal
# Win32 dialog program built the same way (450 x 290 dialog units, 21
# buttons, a waiting message loop). Prints figures; asserts nothing.
#   - calvora.exe size, stripped (goal: under 512 KB)
#   - start to window shown, with the wineserver already running
#     (goal: within 1.1x of the minimal program)
#   - CPU time and context switches while idle for 5 s (goal: zero)
#   - Calc time
# For the 64-bit build (windows64 preset) and, where this machine runs
# 32-bit processes, the 32-bit one (windows preset); each is built here
# when missing.
#   bench-windows.sh [win32|win64]...   (default: every build that can run)
source "$(dirname "$0")/lib.sh"
cd "$ROOT"

need_windows_packages
archs=("$@")
if [ ${#archs[@]} -eq 0 ]; then
  archs=(win64)
  if runs_32bit_programs; then
    archs+=(win32)
  else
    echo "32-bit build not measured: this kernel runs no 32-bit processes ($NO_32BIT_WHY)"
  fi
fi

# pooled TIMES...: prints "median lower-quartile minimum" of the times.
pooled() { printf '%s\n' "$@" | sort -g | awk '{t[NR] = $1} END {print t[int(NR / 2) + 1], t[int(NR / 4) + 1], t[1]}'; }

# idle_figures PID: CPU ticks and context switches of every thread of PID.
idle_figures() {
  local pid=$1 ticks=0 switches=0 t
  for t in /proc/"$pid"/task/*; do
    read -r -a f <"$t/stat"
    ticks=$((ticks + f[13] + f[14]))
    switches=$((switches + $(awk '/ctxt_switches/ {s += $2} END {print s}' "$t/status")))
  done
  echo "$ticks $switches"
}

# bench_build PRESET ARCH TRIPLE: every figure of one build.
bench_build() {
  local preset=$1 arch=$2 triple=$3
  local BUILD=$ROOT/build/$preset
  if [ ! -x "$BUILD/bench/win32/launch_timer.exe" ] || [ ! -x "$BUILD/platform/win32/calvora.exe" ] ||
    [ ! -x "$BUILD/tools/remote_control.exe" ]; then
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$JOBS" >/dev/null
  fi

  log "$preset ($arch)"
  start_wine_session "$BUILD/wineprefix-bench" 121 140 "$arch"
  wineserver -w
  # Keep the wineserver running between the measurements.
  wineserver -p 60

  local calvora=$BUILD/platform/win32/calvora.exe
  local minimal=$BUILD/bench/win32/minimal_dialog.exe
  local title="Calvora Impedance Calculator $(project_version)"

  log "Executable size (stripped)"
  for exe in "$calvora" "$minimal"; do
    stripped=$(mktemp --suffix=.exe)
    "$triple-strip" -o "$stripped" "$exe"
    printf '%-22s %8d bytes stripped (%d KB), %d bytes as built\n' "$(basename "$exe")" \
      "$(stat -c %s "$stripped")" $(($(stat -c %s "$stripped") / 1024)) "$(stat -c %s "$exe")"
    rm -f "$stripped"
  done
  printf 'DLLs imported by calvora.exe: %s\n' \
    "$("$triple-objdump" -p "$calvora" | sed -n 's/.*DLL Name: //p' | tr '\n' ' ')"

  log "Start to window shown (wineserver running)"
  # Both warm up first; then the two alternate in rounds, so that a slow
  # stretch of the shared machine weighs on both alike. Single start-ups
  # scatter widely under Wine (the display driver's start-up alone varies by
  # tens of milliseconds), so the figures that count are pooled over all
  # rounds.
  "$WINE" "$BUILD/bench/win32/launch_timer.exe" 1 "Minimal Dialog" "$minimal" >/dev/null
  "$WINE" "$BUILD/bench/win32/launch_timer.exe" 1 "$title" "$calvora" >/dev/null
  minimal_times=""
  calvora_times=""
  for round in 1 2 3 4 5; do
    echo "round $round:"
    line=$("$WINE" "$BUILD/bench/win32/launch_timer.exe" 5 "Minimal Dialog" "$minimal" | tr -d '\r')
    echo "$line" | sed 's/ runs:.*/ runs/'
    minimal_times="$minimal_times ${line##*runs:}"
    line=$("$WINE" "$BUILD/bench/win32/launch_timer.exe" 5 "$title" "$calvora" | tr -d '\r')
    echo "$line" | sed 's/ runs:.*/ runs/'
    calvora_times="$calvora_times ${line##*runs:}"
  done
  read -r mm mq mn <<<"$(pooled $minimal_times)"
  read -r cm cq cn <<<"$(pooled $calvora_times)"
  printf 'pooled over %d runs each:\n' "$(echo $minimal_times | wc -w)"
  printf '  %-34s median %6.1f ms, lower quartile %6.1f ms, min %6.1f ms\n' "Minimal Dialog" "$mm" "$mq" "$mn" \
    "$title" "$cm" "$cq" "$cn"
  awk -v a="$cm" -v b="$mm" -v c="$cq" -v d="$mq" -v e="$cn" -v f="$mn" 'BEGIN {
    printf "  calvora.exe / minimal: %.2fx median, %.2fx lower quartile, %.2fx min (goal: 1.10x)\n", a / b, c / d, e / f }'

  log "Idle for 5 s after start"
  for pair in "Minimal Dialog|$minimal" "$title|$calvora"; do
    name=${pair%%|*}
    exe=${pair#*|}
    "$WINE" "$exe" &
    pid=$!
    sleep 3
    read -r t0 s0 <<<"$(idle_figures "$pid")"
    sleep 5
    read -r t1 s1 <<<"$(idle_figures "$pid")"
    printf '%-34s CPU %d ms, %d context switches in 5 s\n' "$name" \
      $(((t1 - t0) * 1000 / $(getconf CLK_TCK))) $((s1 - s0))
    "$WINE" "$BUILD/tools/remote_control.exe" close "$name" >/dev/null 2>&1 || kill "$pid"
    wait "$pid" 2>/dev/null || true
  done

  log "Calc time"
  "$WINE" "$BUILD/bench/win32/calc_bench.exe" | tr -d '\r'
  stop_wine_session
}

for arch in "${archs[@]}"; do
  case $arch in
  win32) bench_build windows win32 i686-w64-mingw32 ;;
  win64) bench_build windows64 win64 x86_64-w64-mingw32 ;;
  *) echo "unknown architecture $arch (win32 or win64)" >&2; exit 2 ;;
  esac
done
