#!/usr/bin/env bash
# The Linux window's checks: installs what they need, builds the program and
# its tests, runs the Qt tests offscreen (the toolkit, the whole window driven
# by clicks and keys, printing into PDF), runs the real program as a process
# under Xvfb and strace (exit code 0 on close, no file written, no network
# socket), checks the desktop files and the install, and takes the README's
# screenshot into docs/screenshot-linux.png.
#
#   qt.sh [--install-only] [--build-dir DIR] [--skip-ctest] [--no-screenshot]
source "$(dirname "$0")/lib.sh"
cd "$ROOT"

build_dir=build/h-qt
install_only=0
skip_ctest=0
screenshot=1
while [ $# -gt 0 ]; do
  case $1 in
    --install-only) install_only=1 ;;
    --build-dir) build_dir=$2; shift ;;
    --skip-ctest) skip_ctest=1 ;;
    --no-screenshot) screenshot=0 ;;
    *) echo "qt.sh: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done

# Everything the window, its tests and its checks use, on a fresh Debian 12.
need_qt_packages() {
  need_base_packages
  need_packages qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev libgl-dev libx11-dev \
    fonts-liberation fontconfig xvfb xauth strace poppler-utils appstream
}

log "Installing the Linux window's packages"
need_qt_packages
[ "$install_only" = 1 ] && exit 0

log "Building the window, its tests and its tools in $build_dir"
if [ ! -f "$build_dir/CMakeCache.txt" ]; then
  cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCALVORA_WERROR=ON
fi
cmake --build "$build_dir" -j "$JOBS" --target calvora qt_ToolkitTests qt_MainWindowTests \
  qt_PrintTests calvora_screenshot calvora_xprobe

passed=0
failed=0
check() {
  local name=$1
  shift
  log "$name"
  if "$@"; then
    echo "ok: $name"
    passed=$((passed + 1))
  else
    echo "FAILED: $name"
    failed=$((failed + 1))
  fi
}

run_qt_tests() {
  ctest --test-dir "$build_dir" -R '^qt\.' --output-on-failure
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A desktop session has a private runtime directory; without one Qt would
# make its own under /tmp.
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"

on_xvfb() {
  xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$@"
}

# Checks an strace log: no file written or changed (but `allowed`), no
# network socket opened.
trace_is_clean() {
  local log_file=$1 allowed=${2:-}
  local writes changes network
  writes=$(grep -E '(open|openat|openat2|creat)\(' "$log_file" |
    grep -E 'O_WRONLY|O_RDWR|O_CREAT|O_TRUNC|creat\(' |
    grep -vE '"/(dev|proc|sys)/' | grep -vE '= -1 ' || true)
  # NOTE: the sound library makes its directory in the session's runtime
  # directory when it looks for the sound server; a desktop session already
  # has it, and it holds nothing of ours.
  changes=$(grep -E '(^|[^a-z_])(mkdir|mkdirat|rename|renameat|renameat2|unlink|unlinkat|link|linkat|symlink|symlinkat|truncate|rmdir)\(' "$log_file" |
    grep -vF "mkdir(\"$XDG_RUNTIME_DIR/pulse\", 0700)" | grep -vE '= -1 ' || true)
  if [ -n "$allowed" ]; then
    writes=$(grep -vF "\"$allowed\"" <<<"$writes" || true)
  fi
  network=$(grep -E 'socket\(AF_INET6?[,)]|connect\([0-9]+, \{sa_family=AF_INET' "$log_file" || true)
  echo "system calls traced: $(wc -l <"$log_file"), files opened: $(grep -cE 'open(at)?\(' "$log_file")"
  local bad=0
  if [ -n "$writes$changes" ]; then
    echo "files written or changed:"
    printf '%s\n' "$writes" "$changes"
    bad=1
  fi
  if [ -n "$network" ]; then
    echo "network sockets:"
    echo "$network"
    bad=1
  fi
  return $bad
}

# The real program as a process: it maps its window, is closed through the
# close box's request, exits with 0, and in between writes no file and
# opens no network socket.
process_test() {
  local log_file="$work/strace.log"
  local out rc=0
  out=$(on_xvfb "$build_dir/tests/qt/calvora_xprobe" --linger 1 -- \
    strace -f -qq -o "$log_file" -e trace=%file,%network "$build_dir/platform/qt/calvora" 2>&1) ||
    rc=$?
  echo "$out" | grep -E '^(mapped_ms|exit_code)' || true
  if [ $rc -ne 0 ]; then
    echo "the program ended with code $rc (expected 0)"
    echo "$out" | tail -n 20
    return 1
  fi
  trace_is_clean "$log_file"
}

# The desktop entry and AppStream record are valid and `cmake --install`
# puts the program, the entry, the record and the icons in place.
desktop_test() {
  appstreamcli validate --no-net "$build_dir/dist/org.calvora.Calvora.metainfo.xml" || return 1
  local prefix="$work/prefix"
  cmake --install "$build_dir" --prefix "$prefix" --component calvora >/dev/null || return 1
  local f
  for f in bin/calvora share/applications/org.calvora.Calvora.desktop \
    share/metainfo/org.calvora.Calvora.metainfo.xml \
    share/icons/hicolor/16x16/apps/org.calvora.Calvora.png \
    share/icons/hicolor/32x32/apps/org.calvora.Calvora.png \
    share/icons/hicolor/48x48/apps/org.calvora.Calvora.png; do
    [ -e "$prefix/$f" ] || { echo "not installed: $f"; return 1; }
  done
  grep -q '^Categories=.*Science;.*Electronics;' "$prefix/share/applications/org.calvora.Calvora.desktop" ||
    return 1
  # The installed program finds its sound and print module where it was put.
  local module
  module=$(grep -aoE '/\.\./[./a-zA-Z0-9_-]*calvora-media\.so' "$prefix/bin/calvora" | head -n 1)
  [ -n "$module" ] && [ -f "$prefix/bin$module" ] || { echo "module not at bin$module"; return 1; }
}

# The picture for the README: the window after a Calc, on the X display.
# The same run is traced: choosing a mode, typing, calculating (with the
# sound) and closing write nothing but the picture and open no network socket.
take_screenshot() {
  mkdir -p docs
  local log_file="$work/strace-calc.log"
  rm -f docs/screenshot-linux.png
  on_xvfb strace -f -qq -o "$log_file" -e trace=%file,%network \
    "$build_dir/tests/qt/calvora_screenshot" docs/screenshot-linux.png || return 1
  [ -s docs/screenshot-linux.png ] || return 1
  echo "docs/screenshot-linux.png written"
  trace_is_clean "$log_file" docs/screenshot-linux.png
}

[ "$skip_ctest" = 1 ] || check "Qt tests, offscreen: toolkit, window, printing" run_qt_tests
check "The program as a process: exit code 0, no file written, no network" process_test
check "Desktop entry, AppStream record and install" desktop_test
[ "$screenshot" = 1 ] && check "Screenshot after a Calc; nothing else written, no network" take_screenshot

echo
echo "qt checks: $passed passed, $failed failed"
[ "$failed" -eq 0 ] || exit 1
