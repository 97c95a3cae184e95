#!/usr/bin/env bash
# Builds Calvora on a Debian 12 machine (installing what is missing), shows a
# sample conversion with the command-line companion, and starts the window.
source "$(dirname "$0")/ci/lib.sh"
cd "$ROOT"

log "Installing build dependencies"
need_base_packages
need_packages qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev fonts-liberation libgl-dev

log "Building"
cmake --preset default -DCALVORA_TESTS=OFF -DCALVORA_BENCH=OFF
cmake --build --preset default -j "$JOBS" --target calvora calvora-cli

log "A 1 uF capacitor with D = 0.01 at 1 kHz (calvora-cli calc Cs-D 1000 1 .01)"
build/default/cli/calvora-cli calc Cs-D 1000 1 .01

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display to open the window on (DISPLAY is not set)."
  echo "Run build/default/platform/qt/calvora from a desktop session."
  exit 0
fi
log "Starting the window"
exec build/default/platform/qt/calvora
