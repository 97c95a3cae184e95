#!/usr/bin/env bash
# The companion of another build (Windows under Wine, 64-bit ARM under
# qemu-aarch64) against the build machine's own calvora-cli, one check per
# ctest test; RUN... is the command that runs the other build's programs
# (cmake/wine-run.sh ARCH, or the emulator).
#
#   compare_with_host.sh texts CLI HOST_CLI RUN...
#       CLI prints what HOST_CLI prints, exit code included
#   compare_with_host.sh batch CLI HOST_CLI VARIED_ROWS_PY RUN...
#       CLI batch gives byte-identical output and messages to HOST_CLI over
#       3,000 varied rows of every one of the 16 modes, and of every one of
#       the 20 meter pairs, with ranges and without
# Line ends of the messages are compared without CR (Windows writes CR LF
# to the console; the CSV itself is the same bytes everywhere).
set -uo pipefail

texts() {
  local cli=$1 host_cli=$2
  shift 2
  [ -x "$host_cli" ] || { echo "no calvora-cli of this machine at $host_cli"; return 1; }
  local cases=(
    "calc Cs-D 1000 1 .01"
    "calc --report Cs-D 1000 1 .01"
    "calc --report ls-q 1000 10 50"
    "calc --json 9 1000 100 30"
    "calc R-X 1000 1000 0 100"
    "calc Ls-R 1000 10 5"
    "calc IVP 60 120 0.5 30"
    "calc Cs||Cs 1000 1 .01 2.2 .02"
    "calc Lp-Q 1E6 .001 1E12"
    "calc G-B 1000 1000 0 0"
    "parse &HFFFF"
    "parse 1.5e-3x"
    "parse -.5D2"
    "format 1234.5678 4 Ohms"
    "format 0 4 F"
    "format 1e300 2 mhos"
    "format -0.000000000000000001234 4 H"
    "--version"
    "calc NoSuchMode"
    "calc Cs-D 1000 1 .01 --json"
    "convert Cp-Rp 1KHz 4n7 4K7 --json"
    "convert --accuracy 0.1% 0.0005 Ls-D 1k 1m 0"
    "convert -h"
  )
  local ok=0 bad=0 c args run=("$@")
  # one INPUT ARGS...: both programs on ARGS with INPUT on standard input.
  one() {
    local input=$1 want got
    shift
    want=$(printf '%s' "$input" | "$host_cli" "$@" 2>&1; echo "exit $?")
    got=$(printf '%s' "$input" | "${run[@]}" "$cli" "$@" 2>&1 | tr -d '\r'; echo "exit ${PIPESTATUS[1]}")
    if [ "$want" = "$got" ]; then
      ok=$((ok + 1))
    else
      bad=$((bad + 1))
      echo "differs: calvora-cli $*"
      diff <(echo "$want") <(echo "$got") | head -20
    fi
  }
  for c in "${cases[@]}"; do
    read -r -a args <<<"$c"
    one "" "${args[@]}"
  done
  one $'1000,1,.01\n1000,2.2,0.5\nnot,a,line\n' batch --header Cs-D
  echo "calvora-cli texts: $ok the same, $bad different"
  [ "$bad" = 0 ]
}

batch() {
  local cli=$1 host_cli=$2 varied_rows=$3
  shift 3
  [ -x "$host_cli" ] || { echo "no calvora-cli of this machine at $host_cli"; return 1; }
  local work rows=3000 bad=0 runs=0
  work=$(mktemp -d)
  # same LABEL ARGS...: batch ARGS over $work/in.csv on both, compared.
  same() {
    local label=$1
    shift
    runs=$((runs + 1))
    "$host_cli" batch "$@" <"$work/in.csv" >"$work/host.csv" 2>"$work/host.err" || true
    "${run[@]}" "$cli" batch "$@" <"$work/in.csv" >"$work/other.csv" 2>"$work/other.err" || true
    tr -d '\r' <"$work/other.err" >"$work/other.err.lf"
    if [ -s "$work/host.csv" ] && cmp -s "$work/host.csv" "$work/other.csv" &&
      cmp -s "$work/host.err" "$work/other.err.lf"; then
      printf '%-28s %d rows, %d bytes, the same\n' "$label" "$rows" "$(stat -c %s "$work/host.csv")"
    else
      bad=$((bad + 1))
      printf '%s: DIFFERENT; first differing lines (this machine, the other build):\n' "$label"
      diff <(cat "$work/host.csv" "$work/host.err") <(cat "$work/other.csv" "$work/other.err.lf") |
        head -6
    fi
  }
  local run=("$@") mode fields pair index=0
  for mode in $(seq 16); do
    fields=$("$host_cli" --help | sed -n "s/^ *$mode  [^ ]* (rows: \(.*\))$/\1/p" | tr ',' '\n' | wc -l)
    python3 "$varied_rows" "$fields" "$rows" "$mode" >"$work/in.csv"
    # --lenient: every record is calculated as the window reads it, junk included.
    same "mode $mode ($fields fields)" --lenient "$mode"
  done
  # The meter pairs over a meter's log of each, with their ranges and without.
  for pair in Cs-D Cs-Q Cs-Rs Cp-D Cp-Q Cp-G Cp-Rp Ls-D Ls-Q Ls-Rs Lp-D Lp-Q Lp-G Lp-Rp \
    R-X G-B Z-thd Z-thr Y-thd Y-thr; do
    index=$((index + 1))
    python3 "$varied_rows" 3 "$rows" "$((100 + index))" --meter >"$work/in.csv"
    same "pair $pair" --pair "$pair"
    same "pair $pair with accuracy" --pair "$pair" --accuracy 0.05% 1%
  done
  rm -rf "$work"
  echo "batch: $((runs - bad)) of $runs runs (16 modes, 20 pairs with and without accuracy) byte-identical"
  [ "$bad" = 0 ]
}

usage() {
  echo "usage: compare_with_host.sh texts CLI HOST_CLI RUN... | batch CLI HOST_CLI VARIED_ROWS_PY RUN..." >&2
  exit 2
}
check=${1:-}
[ $# -ge 1 ] && shift
case $check in
texts) [ $# -ge 3 ] || usage ;;
batch) [ $# -ge 4 ] || usage ;;
*) usage ;;
esac
"$check" "$@"
