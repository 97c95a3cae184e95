#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (the fuzz preset: everything under
# AddressSanitizer and UBSan) and runs each for a while from its committed
# seed corpus. Exits nonzero if a target finds a crash or fails to build.
# Environment: FUZZ_SECONDS (default 30), BUILD_DIR (default the preset's).
source "$(dirname "$0")/lib.sh"
cd "$ROOT"

need_base_packages
need_packages clang-14 libclang-rt-14-dev

SECONDS_EACH=${FUZZ_SECONDS:-30}
BUILD=${BUILD_DIR:-build/fuzz}

log "Building the fuzz targets in $BUILD"
cmake --preset fuzz -B "$BUILD"
cmake --build "$BUILD" -j "$JOBS" --target parse_number_fuzz formatter_fuzz meter_value_fuzz

status=0
for target in parse_number formatter meter_value; do
  # New inputs go to a scratch folder, so the committed seeds stay as they are.
  work="$BUILD/fuzz-runs/$target"
  rm -rf "$work"
  mkdir -p "$work/corpus" "$work/artifacts"
  log "Fuzzing $target for ${SECONDS_EACH}s"
  if "$BUILD/fuzz/${target}_fuzz" -max_total_time="$SECONDS_EACH" -print_final_stats=1 \
      -artifact_prefix="$work/artifacts/" "$work/corpus" "fuzz/corpus/$target"; then
    echo "$target: no crash"
  else
    echo "FAILED: $target crashed; reproducer in $work/artifacts/:"
    ls -l "$work/artifacts/"
    status=1
  fi
done
exit $status
