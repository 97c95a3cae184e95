#!/usr/bin/env bash
# The Linux program checked as a process and as an installed package; the
# ctest tests qt.process, qt.screenshot (both on the X display fixture) and
# qt.desktop run one check each:
#
#   program_checks.sh process XPROBE CALVORA
#       the real program maps its window, is closed through the close box's
#       request, exits with 0, and in between writes no file and opens no
#       network socket (traced with strace)
#   program_checks.sh screenshot SCREENSHOT_TOOL OUTPUT.png
#       the window after a Calc, captured into OUTPUT.png; choosing a mode,
#       typing, calculating (with the sound) and closing write nothing but
#       the picture and open no network socket
#   program_checks.sh desktop SOURCE_DIR BUILD_DIR CMAKE
#       the desktop entry and AppStream record are valid, and `cmake
#       --install` puts the program, the entry, the record, the icons and
#       the sound and print module in place
# Each check says what failed and returns nonzero; no `set -e`, so that a
# failing step is reported by the check itself.
set -uo pipefail

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A desktop session has a private runtime directory; without one Qt would
# make its own under /tmp.
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"

# trace_is_clean LOG [ALLOWED]: no file written or changed (but ALLOWED), no
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

need_display() {
  [ -n "${DISPLAY:-}" ] || { echo "no X display (the test runs on the display fixture)"; exit 1; }
}

process_check() {
  local xprobe=$1 calvora=$2 log_file="$work/strace.log" out rc=0
  need_display
  out=$("$xprobe" --linger 1 -- \
    strace -f -qq -o "$log_file" -e trace=%file,%network "$calvora" 2>&1) || rc=$?
  echo "$out" | grep -E '^(mapped_ms|exit_code)' || true
  if [ $rc -ne 0 ]; then
    echo "the program ended with code $rc (expected 0)"
    echo "$out" | tail -n 20
    return 1
  fi
  trace_is_clean "$log_file"
}

screenshot_check() {
  local tool=$1 picture=$2 log_file="$work/strace-calc.log"
  need_display
  mkdir -p "$(dirname "$picture")"
  rm -f "$picture"
  strace -f -qq -o "$log_file" -e trace=%file,%network "$tool" "$picture" || return 1
  [ -s "$picture" ] || { echo "no picture in $picture"; return 1; }
  echo "$picture written"
  trace_is_clean "$log_file" "$picture"
}

desktop_check() {
  local source=$1 build=$2 cmake=$3
  # The record as the build configured it, with the version from project().
  appstreamcli validate --no-net "$build/dist/org.calvora.Calvora.metainfo.xml" || return 1
  local prefix="$work/prefix"
  "$cmake" --install "$build" --prefix "$prefix" --component calvora >/dev/null || return 1
  local f
  for f in bin/calvora share/applications/org.calvora.Calvora.desktop \
    share/metainfo/org.calvora.Calvora.metainfo.xml \
    share/icons/hicolor/16x16/apps/org.calvora.Calvora.png \
    share/icons/hicolor/32x32/apps/org.calvora.Calvora.png \
    share/icons/hicolor/48x48/apps/org.calvora.Calvora.png; do
    [ -e "$prefix/$f" ] || { echo "not installed: $f"; return 1; }
  done
  echo "installed: the program, the desktop entry, the AppStream record, the icons"
  grep -q '^Categories=.*Science;.*Electronics;' "$prefix/share/applications/org.calvora.Calvora.desktop" ||
    { echo "the desktop entry's Categories lack Science and Electronics"; return 1; }
  # The installed program finds its sound and print module where it was put.
  local module
  module=$(grep -aoE '/\.\./[./a-zA-Z0-9_-]*calvora-media\.so' "$prefix/bin/calvora" | head -n 1 || true)
  [ -n "$module" ] && [ -f "$prefix/bin$module" ] || { echo "module not at bin$module"; return 1; }
  echo "the program finds its module at bin$module"
}

usage() {
  echo "usage: program_checks.sh process XPROBE CALVORA | screenshot TOOL OUTPUT.png |" \
    "desktop SOURCE_DIR BUILD_DIR CMAKE" >&2
  exit 2
}
case ${1:-} in
process) [ $# -eq 3 ] || usage; process_check "$2" "$3" ;;
screenshot) [ $# -eq 3 ] || usage; screenshot_check "$2" "$3" ;;
desktop) [ $# -eq 4 ] || usage; desktop_check "$2" "$3" "$4" ;;
*) usage ;;
esac
