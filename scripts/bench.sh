#!/usr/bin/env bash
# Runs every benchmark and prints its figures: the core routines and batch
# throughput, the Linux window against a minimal Qt program, and the Windows
# program against a minimal Win32 dialog under Wine, and the browser page in
# headless Chromium. Nothing is asserted.
source "$(dirname "$0")/ci/lib.sh"
cd "$ROOT"
bash scripts/ci/bench-core.sh
bash scripts/ci/bench-qt.sh
bash scripts/ci/bench-windows.sh
bash scripts/ci/bench-web.sh
