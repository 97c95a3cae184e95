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
#   program_checks.sh atspi LISTER CALVORA OUTPUT.txt
#       driven over AT-SPI alone in a session bus of its own (Cs-D, 1 uF,
#       D .01, Calc), the window as a screen reader gets it: a dialog, the
#       frames named Entry and Results, each entry box named by its label
#       and described by its unit, each result labelled by its name and
#       described by it; LISTER's listing is kept in OUTPUT.txt
#   program_checks.sh startup CALVORA
#       without a display (DISPLAY unset) and with a broken X server (one
#       that closes every connection at once), the program prints one line
#       on standard error and exits with 255: no Qt log, no abort
#   program_checks.sh desktop SOURCE_DIR BUILD_DIR CMAKE
#       the desktop entry and AppStream record are valid, and `cmake
#       --install` puts the program, the entry, the record, the icons and
#       the sound and print module in place; the record and the changelog
#       carry the release date of the top CMakeLists.txt
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

atspi_check() {
  local lister=$1 calvora=$2 listing=$3 line bad=0
  need_display
  mkdir -p "$(dirname "$listing")"
  rm -f "$listing"
  # Debian's Python, which has the AT-SPI bindings; the session bus starts
  # the accessibility bus and its registry (whose output goes to the log),
  # and ends them when it ends.
  if ! HOME="$work" XDG_CONFIG_HOME="$work/config" dbus-run-session -- sh -c \
    'listing=$1; shift; exec /usr/bin/python3 "$@" >"$listing"' _ "$listing" \
    "$lister" "$calvora" press:Cs-D text:Cs=1 text:DF=.01 press:Calc "wait:-89.43 degrees" \
    >"$work/atspi.log" 2>&1; then
    echo "the AT-SPI listing failed:"; cat "$work/atspi.log"
    return 1
  fi
  echo "$(wc -l <"$listing") objects listed into $listing"
  grep -qE '^  dialog name="Calvora Impedance Calculator [0-9.]+"$' "$listing" ||
    { echo "the window is not a dialog named by its title:"; head -n 3 "$listing"; bad=1; }
  while IFS= read -r line; do
    grep -qxF "    $line" "$listing" || { echo "not listed: $line"; bad=1; }
  done <<'EOF'
panel name="Entry"
panel name="Results"
text name="F" description="Hz" labelled-by=["F"]
text name="Cs" description="uF" labelled-by=["Cs"]
text name="DF" labelled-by=["DF"]
label name=" Hz"
label name="Z" label-for=[" 159.1629 Ohms"]
label name=" 159.1629 Ohms" description="Z" labelled-by=["Z"]
label name="-159.1549 Ohms" description="Xs" labelled-by=["Xs"]
label name=" 1 uF" description="Cs" labelled-by=["Cs"]
label name="-89.43 degrees" description="Phase angle" labelled-by=["Phase angle"]
EOF
  [ "$bad" = 0 ] && echo "dialog, named frames, units as descriptions, results tied to their names"
  return $bad
}

# expect_start_failure WANTED_LINE COMMAND...: COMMAND exits with 255, prints
# nothing on standard output and exactly WANTED_LINE on standard error.
expect_start_failure() {
  local wanted=$1 out err rc=0
  shift
  out=$("$@" 2>"$work/stderr") || rc=$?
  err=$(cat "$work/stderr")
  echo "exit $rc: $err"
  if [ "$rc" != 255 ] || [ -n "$out" ] || [ "$err" != "$wanted" ]; then
    echo "expected exit 255 and only the line: $wanted"
    [ "$rc" != 134 ] || echo "(134: the program aborted)"
    return 1
  fi
}

startup_check() {
  local calvora=$1 n server bad=0
  local clean=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
  expect_start_failure "calvora: cannot open the display: DISPLAY is not set" \
    "${clean[@]}" "$calvora" || bad=1
  # A broken X server of display :n: on the abstract socket, where clients
  # look first, it closes every connection at once. n is the first number
  # from 900 that no server has.
  python3 -c '
import os, socket
s = socket.socket(socket.AF_UNIX)
for n in range(900, 1000):
    if os.path.exists("/tmp/.X11-unix/X%d" % n) or os.path.exists("/tmp/.X%d-lock" % n):
        continue
    try:
        s.bind("\0/tmp/.X11-unix/X%d" % n)
        break
    except OSError:
        pass
else:
    raise SystemExit("no free display number in :900-:999")
s.listen(8)
print("listening on %d" % n, flush=True)
while True:
    s.accept()[0].close()
' >"$work/server.out" 2>&1 &
  server=$!
  for _ in $(seq 50); do
    grep -q listening "$work/server.out" && break
    kill -0 "$server" 2>/dev/null || break
    sleep 0.1
  done
  n=$(sed -n 's/^listening on //p' "$work/server.out")
  if [ -n "$n" ]; then
    expect_start_failure "calvora: cannot open the display \":$n\"" \
      "${clean[@]}" DISPLAY=":$n" "$calvora" || bad=1
  else
    echo "the broken server did not start:"; cat "$work/server.out"
    bad=1
  fi
  kill "$server" 2>/dev/null
  wait "$server" 2>/dev/null
  return $bad
}

# release_dates SOURCE_DIR BUILD_DIR: the AppStream record's release and the
# Debian changelog's entry carry the version and the release date written
# beside it in the top CMakeLists.txt (the changelog as date -R writes it).
release_dates() {
  local source=$1 build=$2 version date stamp
  version=$(sed -n 's/^project(Calvora VERSION \([0-9.]*\) .*/\1/p' "$source/CMakeLists.txt")
  date=$(sed -n 's/^set(CALVORA_RELEASE_DATE \([0-9-]*\))$/\1/p' "$source/CMakeLists.txt")
  [ -n "$version" ] && [ -n "$date" ] ||
    { echo "no version or release date in $source/CMakeLists.txt"; return 1; }
  stamp=$(date -u -d "$date" -R) || return 1
  grep -qF "<release version=\"$version\" date=\"$date\"/>" \
    "$build/dist/org.calvora.Calvora.metainfo.xml" ||
    { echo "the AppStream record has no release $version of $date"; return 1; }
  local trailer
  trailer=$(grep '^ -- ' "$build/packaging/changelog")
  head -n 1 "$build/packaging/changelog" | grep -qF "calvora ($version) " &&
    [[ $trailer == *"  $stamp" ]] ||
    { echo "the changelog's entry is not version $version of $stamp:"; cat "$build/packaging/changelog"; return 1; }
  echo "release $version of $date in the AppStream record and the changelog ($stamp)"
}

desktop_check() {
  local source=$1 build=$2 cmake=$3
  # The record as the build configured it, with the version from project().
  appstreamcli validate --no-net "$build/dist/org.calvora.Calvora.metainfo.xml" || return 1
  release_dates "$source" "$build" || return 1
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
    "atspi LISTER CALVORA OUTPUT.txt | startup CALVORA | desktop SOURCE_DIR BUILD_DIR CMAKE" >&2
  exit 2
}
case ${1:-} in
process) [ $# -eq 3 ] || usage; process_check "$2" "$3" ;;
screenshot) [ $# -eq 3 ] || usage; screenshot_check "$2" "$3" ;;
atspi) [ $# -eq 4 ] || usage; atspi_check "$2" "$3" "$4" ;;
startup) [ $# -eq 2 ] || usage; startup_check "$2" ;;
desktop) [ $# -eq 4 ] || usage; desktop_check "$2" "$3" "$4" ;;
*) usage ;;
esac
