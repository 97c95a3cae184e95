#!/usr/bin/env bash
# Refreshes the README's pictures of the window after a Calc:
#   docs/screenshot-linux.png    the Linux program (ci build) on a private Xvfb
#   docs/screenshot-windows.png  the 64-bit Windows program (windows64 build,
#                                which runs wherever wine64 does) under Wine
#   docs/screenshot-web-light.png, docs/screenshot-web-dark.png
#                                the browser page (web build) on a 360-pixel
#                                phone screen in both colour schemes, taken
#                                by the web.page test in headless Chromium
# Each is taken by its build's screenshot test (qt.screenshot,
# win32.screenshot), which ctest runs with its display or Wine session
# fixture; the test writes into the build tree and this script copies the
# picture to docs/. Installs what is missing, builds what the tests need.
source "$(dirname "$0")/ci/lib.sh"
cd "$ROOT"

log "Installing what the screenshots need"
need_qt_packages
need_windows_packages
need_web_packages

# shoot PRESET TEST PICTURE TARGET...: builds TARGETs, runs TEST, copies PICTURE.
shoot() {
  local preset=$1 test=$2 picture=$3
  shift 3
  log "$preset: $test"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$JOBS" --target "$@"
  rm -f "build/$preset/$picture"
  ctest --test-dir "build/$preset" --output-on-failure -R "^${test//./\\.}\$"
  [ -s "build/$preset/$picture" ] || { echo "FAILED: no picture in build/$preset/$picture" >&2; return 1; }
  mkdir -p docs
  cp "build/$preset/$picture" "docs/$(basename "$picture")"
  echo "docs/$(basename "$picture") refreshed"
}

shoot ci qt.screenshot tests/qt/screenshot-linux.png calvora calvora_screenshot calvora_xprobe
shoot windows64 win32.screenshot tests/win32/screenshot-windows.png calvora remote_control
# The page's test compares with the ci build's companion.
cmake --build --preset ci -j "$JOBS" --target calvora-cli
shoot web web.page tests/web/screenshot-web-light.png calvora_html
cp build/web/tests/web/screenshot-web-dark.png docs/
echo "docs/screenshot-web-dark.png refreshed"
