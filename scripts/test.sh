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
  local rc=0
  ctest_counted "$@" || rc=$?
  passed=$((passed + CTEST_PASSED))
  failed=$((failed + CTEST_FAILED))
  return $rc
}

# stage NAME COMMAND...: one script of checks. A script that ends with a
# tally line ("... checks: P passed, F failed[, N not run]") adds those
# counts; any other script counts as one check, by its exit status.
not_run=0
stage() {
  local name=$1 out rc=0 line
  shift
  log "$name"
  out=$(mktemp)
  "$@" 2>&1 | tee "$out" || rc=$?
  line=$(grep -E '^[a-z0-9 ]+ checks: [0-9]+ passed, [0-9]+ failed' "$out" | tail -n 1 || true)
  rm -f "$out"
  if [ -n "$line" ]; then
    local p f n
    p=$(sed -E 's/.*checks: ([0-9]+) passed.*/\1/' <<<"$line")
    f=$(sed -E 's/.* ([0-9]+) failed.*/\1/' <<<"$line")
    n=$(sed -nE 's/.* ([0-9]+) not run.*/\1/p' <<<"$line")
    passed=$((passed + p))
    failed=$((failed + f))
    not_run=$((not_run + ${n:-0}))
    # A script that failed without counting the failure still fails.
    if [ $rc -ne 0 ] && [ "$f" = 0 ]; then
      echo "FAILED: $name (exit $rc)"
      failed=$((failed + 1))
    fi
  elif [ $rc -eq 0 ]; then
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
stage "Windows builds, 32-bit and 64-bit, under Wine" bash scripts/ci/windows.sh --screenshot
stage "Packages: the .deb, the zips and the installers, built and checked" bash scripts/ci/packages.sh

echo
if [ "$not_run" -gt 0 ]; then
  echo "$passed passed, $failed failed, $not_run not run"
else
  echo "$passed passed, $failed failed"
fi
[ "$failed" -eq 0 ] || exit 1
