#!/usr/bin/env bash
# Builds the core, number-text and companion tests under AddressSanitizer and
# UBSan (the asan preset, no window) and runs them. Exits nonzero on any
# build error, sanitizer report or failed test.
# Environment: BUILD_DIR (default the preset's).
source "$(dirname "$0")/lib.sh"
cd "$ROOT"

need_base_packages

BUILD=${BUILD_DIR:-build/asan}

log "Building the sanitizer configuration in $BUILD"
cmake --preset asan -B "$BUILD"
cmake --build "$BUILD" -j "$JOBS"

log "Running the tests under the sanitizers"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$BUILD" --output-on-failure -j "$JOBS"
