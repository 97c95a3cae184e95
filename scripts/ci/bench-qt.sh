#!/usr/bin/env bash
# The Linux window against a minimal Qt 6 Widgets program (a 450 x 290
# dialog-unit window of 21 push buttons), both on the same Xvfb display in
# the same run, alternating, so that the machine's noise falls on both:
# time from process start to the window mapped (the X server's MapNotify),
# resident and proportional memory 2 s later, CPU time and context switches
# while idle for 5 s; then the time from a Calc click to the painted panel.
# Prints figures; asserts nothing.
#
#   bench-qt.sh [--build-dir DIR] [--rounds N] [--clicks N]
source "$(dirname "$0")/lib.sh"
cd "$ROOT"

build_dir=build/h-qt
rounds=10
clicks=300
while [ $# -gt 0 ]; do
  case $1 in
    --build-dir) build_dir=$2; shift ;;
    --rounds) rounds=$2; shift ;;
    --clicks) clicks=$2; shift ;;
    *) echo "bench-qt.sh: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done

log "Installing the Linux window's packages"
need_qt_packages

log "Building the window, the minimal program and the probes in $build_dir"
if [ ! -f "$build_dir/CMakeCache.txt" ]; then
  cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build_dir" -j "$JOBS" --target calvora calvora_minimal calvora_calcbench \
  calvora_xprobe

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"

probe=$build_dir/tools/calvora_xprobe
calvora=$build_dir/platform/qt/calvora
minimal=$build_dir/bench/qt/calvora_minimal
calcbench=$build_dir/bench/qt/calvora_calcbench

# Everything below runs on one virtual display.
cat >"$work/run.sh" <<EOF
set -e
# Start-up: the two programs alternate, round after round.
for i in \$(seq $rounds); do
  "$probe" --linger 0.3 -- "$calvora" 2>/dev/null | sed 's/^/calvora /'
  "$probe" --linger 0.3 -- "$minimal" 2>/dev/null | sed 's/^/minimal /'
done
# Memory and idle activity: two rounds each, alternating.
for i in 1 2; do
  "$probe" --measure --idle 5 -- "$minimal" 2>/dev/null | sed 's/^/minimal /'
  "$probe" --measure --idle 5 -- "$calvora" 2>/dev/null | sed 's/^/calvora /'
done
"$calcbench" $clicks 2>/dev/null | sed 's/^/calc /'
EOF
log "Measuring ($rounds start-up rounds, 2 memory and idle rounds, $clicks Calc clicks)"
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" bash "$work/run.sh" >"$work/figures"

python3 - "$work/figures" <<'EOF'
import statistics
import sys

values = {}
calc = []
for line in open(sys.argv[1]):
    parts = line.split()
    if parts[0] == "calc":
        calc.append(line[5:].rstrip())
        continue
    if len(parts) == 3:
        values.setdefault((parts[0], parts[1]), []).append(float(parts[2]))

def median(program, name):
    v = values.get((program, name), [])
    return statistics.median(v) if v else float("nan")

rows = [
    ("window mapped after start (median)", "mapped_ms", "ms", 1.0, "within 1.25x"),
    ("resident memory 2 s later", "rss_kib", "MiB", 1024.0, "within 1.2x"),
    ("proportional memory 2 s later", "pss_kib", "MiB", 1024.0, ""),
    ("CPU time while idle 5 s", "idle_cpu_ms", "ms", 1.0, "zero"),
    ("context switches while idle 5 s", "idle_context_switches", "", 1.0, "zero"),
    ("threads", "threads", "", 1.0, ""),
]
print(f"{'':38} {'calvora':>10} {'minimal':>10} {'ratio':>7}  target")
for title, key, unit, scale, target in rows:
    a, b = median("calvora", key) / scale, median("minimal", key) / scale
    ratio = f"{a / b:7.2f}" if b else "      -"
    print(f"{title:38} {a:10.1f} {b:10.1f} {ratio}  {target} {unit}".rstrip())
runs = len(values.get(("calvora", "mapped_ms"), []))
print(f"(start-up over {runs} runs each; memory and idle: median of 2 runs each)")
print()
print("Calc, in the window on the same display (target: under 2 ms):")
for line in calc:
    print("  " + line)
EOF
