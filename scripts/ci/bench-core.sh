#!/usr/bin/env bash
# Builds the core benchmarks and runs each briefly, then times the real
# companion converting a log of Cs-D rows: twice, with extended precision on
# the x87 unit and in software (CALVORA_SOFT_EXTENDED, as on ARM). Prints
# figures; asserts nothing.
# Reference targets on the development machine: ParseNumber < 50 ns,
# EngineeringFormatter < 200 ns, RunCalc < 300 ns, batch >= 1,000,000 rows/s,
# batch --pair >= 1,000,000 rows/s (>= 500,000 with --accuracy); in software,
# batch >= 300,000 rows/s.
# Environment: BENCH_MIN_TIME (default 0.05 s), BATCH_ROWS (default 1000000),
# BUILD_DIR (default build/h-cli; the software build goes to BUILD_DIR-soft).
source "$(dirname "$0")/lib.sh"
cd "$ROOT"

need_base_packages

ROWS=${BATCH_ROWS:-1000000}
log_file=$(mktemp)
trap 'rm -f "$log_file"' EXIT

for soft in OFF ON; do
  BUILD=${BUILD_DIR:-build/h-cli}
  kind="x87 unit"
  if [ "$soft" = ON ]; then
    BUILD=$BUILD-soft
    kind="software type"
  fi
  log "Building the core benchmarks in $BUILD (extended precision: $kind)"
  cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCALVORA_GUI=OFF \
    -DCALVORA_TESTS=OFF -DCALVORA_BENCH=ON -DCALVORA_SOFT_EXTENDED=$soft
  cmake --build "$BUILD" -j "$JOBS" --target calvora_core_bench calvora-cli

  log "Core routines and in-process batch throughput ($kind)"
  "$BUILD/bench/core/calvora_core_bench" --benchmark_min_time="${BENCH_MIN_TIME:-0.05}"

  log "calvora-cli batch Cs-D on $ROWS rows through stdin and stdout ($kind)"
  awk -v n="$ROWS" 'BEGIN {
    split("1 2.2 4.7 .1 100 0.033 15 6.8E-3", c, " "); split(".01 .002 0.05 .1 1E-4", d, " ");
    for (i = 0; i < n; i++) printf "%d,%s,%s\n", 100 + 10 * (i % 1000), c[i % 8 + 1], d[i % 5 + 1]
  }' >"$log_file"
  start=$(date +%s%N)
  "$BUILD/cli/calvora-cli" batch Cs-D <"$log_file" >/dev/null
  end=$(date +%s%N)
  awk -v n="$ROWS" -v ns=$((end - start)) \
    'BEGIN { printf "%d rows in %.3f s: %.0f rows per second\n", n, ns / 1e9, n / (ns / 1e9) }'

  log "calvora-cli batch --pair Cp-D on $ROWS meter readings, without and with accuracy ($kind)"
  awk -v n="$ROWS" 'BEGIN {
    split("1n 2.2nF 4n7 100p 10u 0.033u 15n 6.8e-9", c, " "); split("0.0002 .002 0.05 1e-4 500u", d, " ");
    for (i = 0; i < n; i++) printf "%dk,%s,%s\n", 1 + i % 100, c[i % 8 + 1], d[i % 5 + 1]
  }' >"$log_file"
  for accuracy in "" "--accuracy 0.05% 0.0005"; do
    start=$(date +%s%N)
    # shellcheck disable=SC2086
    "$BUILD/cli/calvora-cli" batch --pair Cp-D $accuracy <"$log_file" >/dev/null
    end=$(date +%s%N)
    awk -v n="$ROWS" -v ns=$((end - start)) -v a="${accuracy:-no accuracy}" \
      'BEGIN { printf "%s: %d rows in %.3f s: %.0f rows per second\n", a, n, ns / 1e9, n / (ns / 1e9) }'
  done
done
