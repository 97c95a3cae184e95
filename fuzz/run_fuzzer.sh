#!/usr/bin/env bash
# Runs one libFuzzer target for a while from its seed corpus:
#   run_fuzzer.sh FUZZER SECONDS WORK_DIR SEED_DIR
# New inputs go to WORK_DIR/corpus (emptied first), a crash reproducer to
# WORK_DIR/artifacts. FUZZ_SECONDS in the environment overrides SECONDS.
# Exits nonzero when the target crashes or reports an error.
set -uo pipefail
fuzzer=$1
seconds=${FUZZ_SECONDS:-$2}
work=$3
seeds=$4
[ -d "$seeds" ] || { echo "no seed corpus at $seeds"; exit 1; }
rm -rf "$work"
mkdir -p "$work/corpus" "$work/artifacts"
echo "fuzzing $(basename "$fuzzer") for ${seconds}s from $seeds"
if "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix="$work/artifacts/" "$work/corpus" "$seeds"; then
  echo "$(basename "$fuzzer"): no crash"
else
  echo "FAILED: $(basename "$fuzzer") crashed; reproducer in $work/artifacts/:"
  ls -l "$work/artifacts/"
  exit 1
fi
