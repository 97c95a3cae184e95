#!/usr/bin/env bash
# Builds everything and runs every test on a Debian 12 machine, installing
# what is missing: the Linux program and companion with all their tests, the
# sanitizer build, the fuzzers, and the Windows build under Wine.
source "$(dirname "$0")/ci/lib.sh"
cd "$ROOT"

passed=0
failed=0
# run_ctest BUILD_DIR [ctest args...]: runs ctest, adds its counts to the tally.
run_ctest() {
  local dir=$1
  shift
  local out
  out=$(mktemp)
  local rc=0
  ctest --test-dir "$dir" --output-on-failure "$@" 2>&1 | tee "$out" || rc=$?
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$out" | tail -n 1 || true)
  if [ -n "$line" ]; then
    local total fail
    total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
    fail=$(sed -E 's/.*tests passed, ([0-9]+) tests? failed.*/\1/' <<<"$line")
    passed=$((passed + total - fail))
    failed=$((failed + fail))
  else
    failed=$((failed + 1))
  fi
  rm -f "$out"
  return $rc
}

# stage NAME COMMAND...: one script-level check, counted as one test.
stage() {
  local name=$1
  shift
  log "$name"
  if "$@"; then
    passed=$((passed + 1))
  else
    echo "FAILED: $name"
    failed=$((failed + 1))
  fi
}

log "Installing build dependencies"
need_base_packages
bash scripts/ci/qt.sh --install-only

log "Linux build (warnings are errors) and all its tests"
cmake --preset ci
cmake --build --preset ci -j "$JOBS"
run_ctest build/ci -j "$JOBS" || true

stage "Sanitizer build: core, number texts and companion under ASan+UBSan" bash scripts/ci/sanitize.sh
stage "Fuzzing the parser and the formatter" bash scripts/ci/fuzz.sh
stage "Linux window: process, printing and screenshot checks" bash scripts/ci/qt.sh --build-dir build/ci --skip-ctest
stage "Windows build under Wine" bash scripts/ci/windows.sh --screenshot

echo
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
