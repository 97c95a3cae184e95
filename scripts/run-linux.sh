#!/usr/bin/env bash
# Builds the Linux window (installing what is missing on Debian 12) and
# starts it on the current display.
source "$(dirname "$0")/ci/lib.sh"
cd "$ROOT"

log "Installing the window's packages"
need_base_packages
need_packages qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev libgl-dev fonts-liberation

log "Building"
cmake -S . -B build/default -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCALVORA_TESTS=OFF \
  -DCALVORA_BENCH=OFF
cmake --build build/default -j "$JOBS" --target calvora

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display to open the window on (neither DISPLAY nor WAYLAND_DISPLAY is set)."
  echo "Start build/default/platform/qt/calvora from a desktop session."
  exit 0
fi
log "Starting the window"
exec build/default/platform/qt/calvora
