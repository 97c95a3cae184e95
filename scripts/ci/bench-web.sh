#!/usr/bin/env bash
# Builds the browser page (web preset) and prints its figures in headless
# Chromium: the page's size, navigation to a usable page, and a click on
# Calc to the painted result panel. Asserts nothing. Goals on the development
# machine: at most 400 KB, at most 300 ms, within one frame (16 ms).
# Environment: LOADS (default 20 page loads), CALCS (default 50 clicks).
source "$(dirname "$0")/lib.sh"
cd "$ROOT"

need_web_packages

log "Building the page (web preset)"
cmake --preset web >/dev/null
cmake --build --preset web -j "$JOBS" --target calvora_html
modules=build/web/tests/web/npm
if [ ! -d "$modules/node_modules/playwright-core" ]; then
  (cd "$modules" && npm ci --no-audit --no-fund --prefer-offline)
fi

log "Page figures (headless Chromium, file://, offline)"
NODE_PATH="$ROOT/$modules/node_modules" node tests/web/figures.js build/web/web/calvora.html \
  "${LOADS:-20}" "${CALCS:-50}"
