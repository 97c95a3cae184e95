#!/usr/bin/env bash
# Builds everything and runs every test on a Debian 12 machine, installing
# what is missing. Each build is configured from its CMake preset, built, and
# tested by ctest, which runs every check of that build (unit tests, the
# programs as processes, the fixtures that give them a display or a Wine
# session, the fuzzers); this script only adds up ctest's counts:
#
#   ci         the Linux program and companion, warnings as errors; Qt tests
#              offscreen, process and install checks on a private Xvfb, the
#              format check
#   soft       the same tests again with extended precision in software
#              (CALVORA_SOFT_EXTENDED), as every target without the x87 unit
#              carries it
#   asan       core, number texts and companion under ASan and UBSan
#   fuzz       the libFuzzer targets, FUZZ_SECONDS each (default 30)
#   windows64  the 64-bit Windows build under wine64, compared with ci's
#              calvora-cli
#   windows    the 32-bit Windows build, under Wine where this machine starts
#              32-bit processes (CALVORA_NO_32BIT=1 takes the other path)
#   aarch64    the 64-bit ARM Linux build, cross-built, its tests under
#              qemu-aarch64, its calvora-cli compared with ci's
#   web        the browser page (emscripten): its module under node and the
#              page in headless Chromium, compared with ci's calvora-cli
#   packages   the .deb, the zips and the installers, built by
#              scripts/package.sh and checked by scripts/ci/packages.sh (which
#              reports its own counts, added here)
#
#   test.sh [BUILD...]     (default: all of them, in this order)
#
# The last line is the tally: "P passed, F failed" or, when some tests could
# not run here, "P passed, F failed, N not run". Exits nonzero on any failure.
source "$(dirname "$0")/ci/lib.sh"
cd "$ROOT"

builds=("$@")
[ ${#builds[@]} -gt 0 ] || builds=(ci soft asan fuzz windows64 windows aarch64 web packages)
for b in "${builds[@]}"; do
  case $b in
  ci | soft | asan | fuzz | windows64 | windows | aarch64 | web | packages) ;;
  *) echo "test.sh: unknown build '$b' (ci, soft, asan, fuzz, windows64, windows, aarch64, web, packages)" >&2; exit 2 ;;
  esac
done

log "Installing what the builds and their tests need"
need_base_packages
need_qt_packages
need_windows_packages
need_aarch64_packages
need_web_packages
need_packages clang-format-14

passed=0
failed=0
not_run=0
summary=()

# build PRESET [cmake args...]: configures and builds one preset. A build
# that does not configure counts as one failure; one that configures but does
# not build counts as one failure, and its tests as not run.
build() {
  local preset=$1
  shift
  log "$preset: configuring and building"
  if ! cmake --preset "$preset" "$@"; then
    echo "FAILED: the $preset build does not configure"
    failed=$((failed + 1))
    summary+=("build $preset: does not configure (1 failure)")
    return 1
  fi
  if ! cmake --build --preset "$preset" -j "$JOBS"; then
    local tests
    tests=$(ctest_listed "build/$preset" || echo 0)
    echo "FAILED: the $preset build does not build; its ${tests:-0} tests not run"
    failed=$((failed + 1))
    not_run=$((not_run + ${tests:-0}))
    summary+=("build $preset: does not build (1 failure, ${tests:-0} tests not run)")
    return 1
  fi
}

# run_package_checks: the packages' checks, a script of their own that ends
# with "packages checks: P passed, F failed, N not run"; a run that ends
# without that line counts as one failure.
run_package_checks() {
  local out rc=0 line start=$SECONDS
  log "packages: build and check"
  out=$(mktemp)
  bash scripts/ci/packages.sh 2>&1 | tee "$out" || rc=$?
  line=$(grep -E '^packages checks: [0-9]+ passed, [0-9]+ failed, [0-9]+ not run$' "$out" | tail -n 1)
  rm -f "$out"
  if [ -z "$line" ]; then
    echo "FAILED: the package checks ended without their counts (exit $rc)"
    failed=$((failed + 1))
    summary+=("packages: ended without counts (1 failure)")
    return
  fi
  read -r p f n <<<"$(sed -E 's/.*: ([0-9]+) passed, ([0-9]+) failed, ([0-9]+) not run/\1 \2 \3/' <<<"$line")"
  passed=$((passed + p))
  failed=$((failed + f))
  not_run=$((not_run + n))
  summary+=("packages: $p passed, $f failed, $n not run ($((SECONDS - start)) s)")
}

# run_tests PRESET [ctest args...]: runs the build's tests and adds their counts.
run_tests() {
  local preset=$1 start=$SECONDS
  shift
  log "$preset: ctest $*"
  ctest_counted "build/$preset" "$@" || true
  passed=$((passed + CTEST_PASSED))
  failed=$((failed + CTEST_FAILED))
  not_run=$((not_run + CTEST_NOT_RUN))
  summary+=("build $preset: $CTEST_PASSED passed, $CTEST_FAILED failed, $CTEST_NOT_RUN skipped ($((SECONDS - start)) s)")
}

for b in "${builds[@]}"; do
  case $b in
  ci)
    build ci && run_tests ci -j "$JOBS"
    ;;
  soft)
    build soft && run_tests soft -j "$JOBS"
    ;;
  asan)
    build asan &&
      ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:strict_string_checks=1} \
        UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
        run_tests asan -j "$JOBS"
    ;;
  fuzz)
    build fuzz && run_tests fuzz -j "$JOBS"
    ;;
  windows64)
    build windows64 -DCALVORA_HOST_CLI="$ROOT/build/ci/cli/calvora-cli" && run_tests windows64 -j "$JOBS"
    ;;
  windows)
    build windows -DCALVORA_HOST_CLI="$ROOT/build/ci/cli/calvora-cli" || continue
    if runs_32bit_programs; then
      run_tests windows -j "$JOBS"
    else
      echo "this kernel runs no 32-bit processes: the 32-bit build was built and its headers checked, not run"
      left=$(ctest_listed build/windows -LE static)
      run_tests windows -L static
      not_run=$((not_run + ${left:-0}))
      summary+=("build windows: ${left:-0} tests under Wine not run (no 32-bit processes)")
    fi
    ;;
  aarch64)
    build aarch64 -DCALVORA_HOST_CLI="$ROOT/build/ci/cli/calvora-cli" || continue
    if runs_aarch64_programs build/aarch64/cli/calvora-cli; then
      run_tests aarch64 -j "$JOBS"
    else
      echo "qemu-aarch64 does not run the aarch64 build's programs here: built, not run"
      echo "($NO_AARCH64_WHY)"
      left=$(ctest_listed build/aarch64)
      not_run=$((not_run + ${left:-0}))
      summary+=("build aarch64: ${left:-0} tests under qemu-aarch64 not run")
    fi
    ;;
  web)
    # The page is compared with the ci build's companion, made here when
    # the ci build is not part of this run.
    if [ ! -x build/ci/cli/calvora-cli ]; then
      cmake --preset ci >/dev/null && cmake --build --preset ci -j "$JOBS" --target calvora-cli ||
        { failed=$((failed + 1)); summary+=("build web: no ci calvora-cli to compare with (1 failure)"); continue; }
    fi
    build web && run_tests web -j "$JOBS"
    ;;
  packages)
    run_package_checks
    ;;
  esac
done

echo
printf '%s\n' "${summary[@]}"
if [ "$not_run" -gt 0 ]; then
  echo "$passed passed, $failed failed, $not_run not run"
else
  echo "$passed passed, $failed failed"
fi
[ "$failed" -eq 0 ] || exit 1
