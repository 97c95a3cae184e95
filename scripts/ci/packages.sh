#!/usr/bin/env bash
# Builds the packages with scripts/package.sh and checks them:
#   the .deb (amd64, and the contents of the arm64 one): lintian (no error,
#     no warning), the exact file list with modes
#     and stripped ELF files, the control fields, the manual pages, the
#     completion's modes against calvora-cli --help; then, as root, installed
#     into this machine with apt-get: calvora-cli, man, the desktop entry and
#     AppStream record, the media module where the program looks for it, bash
#     completion through bash-completion's loader, and removal;
#   the browser page: one file with the WebAssembly and the chime inside,
#     naming nothing outside it;
#   the zips: their files (the page among them), CR LF text, the executables' machine types and
#     symbol tables, calvora-cli.exe runs under Wine;
#   the installers: silent install per user and per machine under Wine, the
#     files, the Uninstall registry key, the Start menu shortcut, the
#     installed calvora-cli.exe, and silent uninstall leaving nothing behind.
# The 64-bit installer and the 64-bit zip run under wine64 everywhere; the
# installer for every Windows is a 32-bit program, so it and the 32-bit zip
# run only where this machine starts 32-bit processes (CALVORA_NO_32BIT=1
# takes the other path). What cannot run is reported as not run.
#
# Usage: packages.sh [--no-build]   (--no-build checks build/packages as it is)
# The last line is the tally: "packages checks: P passed, F failed, N not run".
source "$(dirname "$0")/lib.sh"
cd "$ROOT"

build=1
for arg in "$@"; do
  case $arg in
  --no-build) build=0 ;;
  *) echo "packages.sh: unknown option $arg" >&2; exit 2 ;;
  esac
done

passed=0
failed=0
not_run=0
# check NAME COMMAND...: runs one check and counts it.
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
# not_run NAME REASON: a check that cannot run here.
not_run() {
  echo "not run: $1 ($2)"
  not_run=$((not_run + 1))
}
tally() {
  echo
  echo "packages checks: $passed passed, $failed failed, $not_run not run"
  [ "$failed" = 0 ]
}

work=$(mktemp -d)
installed_deb=0
cleanup() {
  stop_wine_session
  # A run that stopped between install and removal leaves no package behind.
  if [ "$installed_deb" = 1 ] && dpkg-query -W -f='${Status}' calvora 2>/dev/null | grep -q "ok installed"; then
    DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq calvora >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

log "Installing what the checks need"
need_windows_packages
need_packages nsis lintian dpkg-dev man-db desktop-file-utils bash-completion appstream \
  xvfb xauth python3

if [ "$build" = 1 ]; then
  check "scripts/package.sh builds every package" bash scripts/package.sh
fi
out=build/packages
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/package/CMakeCache.txt 2>/dev/null || true)
deb=$out/calvora_${version}_amd64.deb
deb_arm64=$out/calvora_${version}_arm64.deb
zip32=$out/calvora-$version-win32.zip
zip64=$out/calvora-$version-win64.zip
setup_all=$out/calvora-$version-setup.exe
setup64=$out/calvora-$version-win64-setup.exe
page=$out/calvora-$version.html
for f in "$deb" "$deb_arm64" "$zip32" "$zip64" "$setup_all" "$setup64" "$page"; do
  if [ -z "$version" ] || [ ! -f "$f" ]; then
    echo "FAILED: ${f:-the packages} missing (version '${version}')"
    failed=$((failed + 1))
    tally
    exit 1
  fi
done

# ---- The .deb, without installing it ------------------------------------------------

deb_lintian() {
  local rc=0
  # Root's lintian says so on every run; that line is not about the package.
  lintian --fail-on error,warning --info --pedantic --show-overrides "$deb" 2>&1 |
    grep -v '^running with root privileges' || true
  lintian --fail-on error,warning "$deb" >/dev/null 2>&1 || rc=$?
  [ "$rc" = 0 ]
}

# The files of the package with their modes: exactly this list.
# The .deb being checked, unpacked: its architecture, its multiarch folder
# and the command that runs its programs here (nothing for this machine's
# own, the emulator for arm64).
deb_arch=amd64
deb_runner=()
deb_root=$work/deb-root
dpkg -x "$deb" "$deb_root"
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
deb_expected_files() {
  cat <<EOF
755 usr/bin/calvora
755 usr/bin/calvora-cli
644 usr/lib/$multiarch/calvora/calvora-media.so
644 usr/share/applications/org.calvora.Calvora.desktop
644 usr/share/bash-completion/completions/calvora-cli
644 usr/share/doc/calvora/changelog.gz
644 usr/share/doc/calvora/copyright
644 usr/share/icons/hicolor/16x16/apps/org.calvora.Calvora.png
644 usr/share/icons/hicolor/32x32/apps/org.calvora.Calvora.png
644 usr/share/icons/hicolor/48x48/apps/org.calvora.Calvora.png
644 usr/share/man/man1/calvora-cli.1.gz
644 usr/share/man/man1/calvora.1.gz
644 usr/share/metainfo/org.calvora.Calvora.metainfo.xml
EOF
}
deb_files() {
  local got
  got=$(cd "$deb_root" && find . -not -type d -printf '%m %P\n' | sort)
  if [ "$got" != "$(deb_expected_files | sort)" ]; then
    echo "files in the package differ from the expected list (- expected, + packaged):"
    diff <(deb_expected_files | sort) <(echo "$got")
    return 1
  fi
  local bad=0 f
  # Every directory 755, every ELF file stripped of symbols and of the
  # compiler's .comment section.
  if [ -n "$(cd "$deb_root" && find . -type d -not -perm 755)" ]; then
    echo "directories not 755:"; (cd "$deb_root" && find . -type d -not -perm 755)
    bad=1
  fi
  for f in usr/bin/calvora usr/bin/calvora-cli "usr/lib/$multiarch/calvora/calvora-media.so"; do
    if readelf -S "$deb_root/$f" | grep -qE '\.(symtab|comment|debug_)'; then
      echo "$f is not stripped:"; readelf -S "$deb_root/$f" | grep -E '\.(symtab|comment|debug_)'
      bad=1
    fi
  done
  echo "$(deb_expected_files | wc -l) files as expected"
  return $bad
}

deb_fields() {
  local field value bad=0
  dpkg-deb -I "$deb" | sed -n '/^ Package:/,$p'
  expect_field() {
    value=$(dpkg-deb -f "$deb" "$1")
    if ! grep -qE "$2" <<<"$value"; then
      echo "field $1 is '$value', expected /$2/"
      bad=1
    fi
  }
  expect_field Package '^calvora$'
  expect_field Version "^${version//./\\.}\$"
  expect_field Architecture "^$deb_arch\$"
  expect_field Section '^(electronics|science)$'
  expect_field Priority '^optional$'
  expect_field Maintainer '^[^<]+ <[^@>]+@[^>]+>$'
  expect_field Installed-Size '^[0-9]+$'
  # Dependencies as dpkg-shlibdeps computed them: the C and C++ runtimes and
  # the Qt libraries of the program and of its media module.
  for field in libc6 'libstdc\+\+6' libqt6core6 libqt6widgets6 libqt6gui6 libqt6printsupport6 \
    libqt6multimedia6; do
    expect_field Depends "(^|, )$field \\(>= [0-9.]+\\)"
  done
  # A summary and a long description of several lines.
  value=$(dpkg-deb -f "$deb" Description)
  if [ "$(wc -l <<<"$value")" -lt 4 ] || ! head -n 1 <<<"$value" | grep -q impedance; then
    echo "description too short:"; echo "$value"
    bad=1
  fi
  return $bad
}

# Both manual pages render without a warning from groff and name the version.
deb_manuals() {
  local page warnings bad=0
  for page in calvora calvora-cli; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z \
      "$deb_root/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
    if [ -n "$warnings" ]; then
      echo "$page.1: $warnings"; bad=1
    fi
    if ! zcat "$deb_root/usr/share/man/man1/$page.1.gz" | grep -q "^\.TH .*\"Calvora $version\""; then
      echo "$page.1 does not carry version $version"; bad=1
    fi
  done
  # Every mode of calvora-cli --help is a row of the manual's table
  # (number, caption, entry rows, separated by tabs).
  local number caption rows table
  table=$(zcat "$deb_root/usr/share/man/man1/calvora-cli.1.gz" | sed 's/\\-/-/g')
  while IFS=$'\t' read -r number caption rows; do
    grep -qxF "$number"$'\t'"$caption"$'\t'"$rows" <<<"$table" ||
      { echo "calvora-cli.1 lacks mode $number $caption ($rows)"; bad=1; }
  done < <(help_modes "$deb_root/usr/bin/calvora-cli")
  return $bad
}

# help_modes CLI: "NUMBER<TAB>CAPTION<TAB>ROWS" for each mode that CLI's --help lists.
help_modes() {
  "${deb_runner[@]}" "$1" --help | sed -nE 's/^ +([0-9]+)  ([^ ]+) \(rows: (.*)\)$/\1\t\2\t\3/p'
}

# complete_line COMPLETION_FILE LINE: what the completion function offers at
# the end of LINE, one reply per line, from a fresh bash with the file
# sourced and COMP_WORDS, COMP_CWORD, COMP_LINE and COMP_POINT set as bash
# sets them (the words split at readline's word breaks, "|" among them).
complete_line() {
  bash -c '
    source "$1" || exit 1
    COMP_LINE=$2
    COMP_POINT=${#COMP_LINE}
    read -r -a COMP_WORDS <<<"${COMP_LINE//|/ | }"
    COMP_CWORD=${#COMP_WORDS[@]}
    [[ $COMP_LINE == *" " ]] || COMP_CWORD=$((COMP_CWORD - 1))
    func=$(complete -p calvora-cli | sed -nE "s/.*-F ([^ ]+) .*/\1/p")
    [ -n "$func" ] || { echo "no completion function for calvora-cli" >&2; exit 1; }
    "$func" calvora-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
    printf "%s\n" "${COMPREPLY[@]}"
  ' _ "$1" "$2"
}

# The completion offers exactly the captions and numbers of --help: a mode
# added to the program and not to the completion shows here.
completion_modes() {
  local file=$1 cli=$2 want got
  want=$(help_modes "$cli" | cut -f2 | sed 's/|/\\|/g'; help_modes "$cli" | cut -f1)
  got=$(complete_line "$file" "calvora-cli calc ")
  if [ "$want" != "$got" ]; then
    echo "completion modes differ from --help (- help, + completion):"
    diff <(echo "$want") <(echo "$got")
    return 1
  fi
  echo "$(wc -l <<<"$got") mode names and numbers, as --help lists them"
}

# A table of lines and the replies expected at their end ("" for none).
completion_cases() {
  local file=$1 bad=0 line want got
  while IFS='=' read -r line want; do
    got=$(complete_line "$file" "$line" | paste -sd' ')
    if [ "$got" != "$want" ]; then
      echo "'$line<TAB>': got '$got', expected '$want'"
      bad=1
    fi
  done <<'EOF'
calvora-cli ca=calc
calvora-cli n=numbertext
calvora-cli --v=--version
calvora-cli b=batch
calvora-cli calc --r=--report
calvora-cli calc --=--panel --report --json --help --
calvora-cli calc --json ls-=Ls-Q Ls-Ls Ls-R
calvora-cli calc --json ls=Ls-Q Ls\|\|Ls Ls-Ls Ls-R
calvora-cli calc -- cs\|=Cs\|\|Cs
calvora-cli calc Cs\|\|=Cs\|\|Cs
calvora-cli calc cs|=
calvora-cli batch --h=--header --help
calvora-cli batch --header 1=1 10 11 12 13 14 15 16
calvora-cli batch --header ivp=IVP
calvora-cli calc Cs-D =
calvora-cli calc -- 3 1000 =
calvora-cli format 1=
calvora-cli parse =
calvora-cli co=convert
calvora-cli convert z-=Z-thd Z-thr
calvora-cli convert --=--json --accuracy --help --
calvora-cli convert --accuracy 1% 1% lp-r=Lp-Rp
calvora-cli batch --pair y-=Y-thd Y-thr
calvora-cli batch --pair Cp-D --a=--accuracy
calvora-cli batch --pair Cp-D c=
calvora-cli convert Cp-D 1k 1n 0.001 --j=--json
calvora-cli batch --delimiter =tab
calvora-cli batch Cs-D --l=--lenient
EOF
  [ "$bad" = 0 ] && echo "28 completion cases as expected"
  return $bad
}

# The completion offers exactly the meter pairs of --help.
completion_pairs() {
  local file=$1 cli=$2 want got
  want=$("${deb_runner[@]}" "$cli" --help | sed -nE 's/^  ([A-Za-z]+-[A-Za-z]+) +A = .*/\1/p')
  got=$(complete_line "$file" "calvora-cli convert ")
  if [ -z "$want" ] || [ "$want" != "$got" ]; then
    echo "completion pairs differ from --help (- help, + completion):"
    diff <(echo "$want") <(echo "$got")
    return 1
  fi
  echo "$(wc -l <<<"$got") meter pairs, as --help lists them"
}

deb_completion() {
  completion_modes "$deb_root/usr/share/bash-completion/completions/calvora-cli" \
    "$deb_root/usr/bin/calvora-cli" &&
    completion_pairs "$deb_root/usr/share/bash-completion/completions/calvora-cli" \
      "$deb_root/usr/bin/calvora-cli" &&
    completion_cases "$deb_root/usr/share/bash-completion/completions/calvora-cli"
}

# module_path PROGRAM_ROOT: the media module the installed program loads,
# from the relative path built into it.
module_path() {
  local rel
  rel=$(grep -aoE '/\.\./[./a-zA-Z0-9_-]*calvora-media\.so' "$1/usr/bin/calvora" | head -n 1)
  [ -n "$rel" ] && realpath -m "$1/usr/bin$rel"
}
deb_module() {
  local path
  path=$(module_path "$deb_root") || { echo "no module path in usr/bin/calvora"; return 1; }
  echo "calvora loads ${path#"$deb_root"}"
  [ -f "$path" ]
}

check ".deb: lintian reports no error and no warning" deb_lintian
check ".deb: files, modes, stripped ELF files" deb_files
check ".deb: control fields and computed dependencies" deb_fields
check ".deb: manual pages render cleanly and list every mode" deb_manuals
check ".deb: bash completion of commands, options, modes" deb_completion
check ".deb: calvora finds its media module in the package's tree" deb_module

# The arm64 package, the same checks of its contents (its programs run
# under qemu-aarch64; it is not installed on this machine).
deb_amd64=$deb
deb=$deb_arm64 deb_arch=arm64 multiarch=aarch64-linux-gnu deb_runner=("${AARCH64_RUN[@]}")
deb_root=$work/deb-root-arm64
dpkg -x "$deb" "$deb_root"
check "arm64 .deb: lintian reports no error and no warning" deb_lintian
check "arm64 .deb: files, modes, stripped ELF files" deb_files
check "arm64 .deb: control fields and computed dependencies" deb_fields
if runs_aarch64_programs "$deb_root/usr/bin/calvora-cli"; then
  check "arm64 .deb: manual pages render cleanly and list every mode" deb_manuals
  check "arm64 .deb: bash completion of commands, options, modes" deb_completion
else
  not_run "arm64 .deb: manual pages render cleanly and list every mode" "$NO_AARCH64_WHY"
  not_run "arm64 .deb: bash completion of commands, options, modes" "$NO_AARCH64_WHY"
fi
check "arm64 .deb: calvora finds its media module in the package's tree" deb_module
deb=$deb_amd64 deb_arch=amd64 multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH) deb_runner=()
deb_root=$work/deb-root

# ---- The .deb installed on this machine ----------------------------------------------

apt_install() {
  if dpkg-query -W -f='${Status}' calvora 2>/dev/null | grep -q "ok installed"; then
    echo "calvora was installed before: removing it first"
    DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq calvora || return 1
  fi
  installed_deb=1
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb" &&
    dpkg-query -W -f='${Status} ${Version}\n' calvora | grep -qx "install ok installed $version"
}
installed_cli() {
  local got
  got=$(calvora-cli --version) || return 1
  echo "$(command -v calvora-cli): $got"
  [ "$(command -v calvora-cli)" = /usr/bin/calvora-cli ] && [ "$got" = "calvora-cli $version" ] &&
    [ "$(calvora-cli format 1234.5678 4 Ohms)" = " 1.2346 kOhms" ]
}
installed_man() {
  local a b
  a=$(man -w calvora-cli) && b=$(man -w calvora) || return 1
  echo "$a"; echo "$b"
  [ "$a" = /usr/share/man/man1/calvora-cli.1.gz ] && [ "$b" = /usr/share/man/man1/calvora.1.gz ] &&
    man -P cat calvora-cli 2>/dev/null | grep -q 'convert impedance readings'
}
installed_desktop() {
  desktop-file-validate /usr/share/applications/org.calvora.Calvora.desktop &&
    appstreamcli validate --no-net /usr/share/metainfo/org.calvora.Calvora.metainfo.xml &&
    [ -f "$(module_path /)" ] && echo "calvora loads $(module_path /)"
}
# Through bash-completion's own loader, as an interactive shell gets it.
installed_completion() {
  local got
  got=$(bash -c 'source /usr/share/bash-completion/bash_completion
    __load_completion calvora-cli && complete -p calvora-cli') || return 1
  echo "loaded: $got"
  got=$(complete_line /usr/share/bash-completion/completions/calvora-cli "calvora-cli ca")
  echo "calvora-cli ca<TAB> -> $got"
  [ "$got" = calc ] && completion_cases /usr/share/bash-completion/completions/calvora-cli
}
apt_remove() {
  DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq calvora || return 1
  installed_deb=0
  local left=0 f
  while read -r _ f; do
    [ -e "/$f" ] && { echo "left behind: /$f"; left=1; }
  done < <(deb_expected_files)
  [ -e "/usr/lib/$multiarch/calvora" ] && { echo "left behind: /usr/lib/$multiarch/calvora"; left=1; }
  [ -e /usr/share/doc/calvora ] && { echo "left behind: /usr/share/doc/calvora"; left=1; }
  if dpkg-query -W -f='${Status}' calvora 2>/dev/null | grep -q "ok installed"; then
    echo "dpkg still has calvora installed"; left=1
  fi
  [ "$left" = 0 ] && echo "every file of the package is gone"
}

installed_checks=("calvora-cli on PATH prints its version" "man finds both manual pages"
  "desktop entry, AppStream record and media module as installed"
  "bash-completion loads the completion; calvora-cli ca<TAB> gives calc"
  "apt-get remove takes every file away")
if [ "$(id -u)" != 0 ]; then
  for name in "apt-get install ./$deb" "${installed_checks[@]}"; do
    not_run "installed .deb: $name" "not root"
  done
else
  check "installed .deb: apt-get install ./$deb" apt_install
  if [ "$installed_deb" = 1 ]; then
    check "installed .deb: ${installed_checks[0]}" installed_cli
    check "installed .deb: ${installed_checks[1]}" installed_man
    check "installed .deb: ${installed_checks[2]}" installed_desktop
    check "installed .deb: ${installed_checks[3]}" installed_completion
    check "installed .deb: ${installed_checks[4]}" apt_remove
  else
    for name in "${installed_checks[@]}"; do not_run "installed .deb: $name" "install failed"; done
  fi
fi

# ---- The browser page -------------------------------------------------------------------

# One HTML file: the version in its title, the WebAssembly and the program's
# WAV inside as base64, and no address of anything outside it.
page_contents() {
  python3 - "$page" "$version" resources/glass_a.wav <<'EOF'
import base64, re, sys
page = open(sys.argv[1], encoding="utf-8").read()
embedded = dict(re.findall(r"const (CalvoraWasm|ChimeWav) = '([A-Za-z0-9+/=]+)'", page))
wasm = base64.b64decode(embedded.get("CalvoraWasm", ""))
chime = base64.b64decode(embedded.get("ChimeWav", ""))
print("%s: %d bytes, WebAssembly %d bytes, chime %d bytes" % (sys.argv[1], len(page.encode()), len(wasm), len(chime)))
bad = []
if "<title>Calvora %s</title>" % sys.argv[2] not in page:
    bad.append("the title does not carry version %s" % sys.argv[2])
if not wasm.startswith(b"\0asm"):
    bad.append("no WebAssembly module inside")
if chime != open(sys.argv[3], "rb").read():
    bad.append("the chime is not resources/glass_a.wav")
outside = re.findall(r"""(?:src|href)\s*=\s*["']?(?!data:|#)[^"'\s>]+|url\(\s*["']?(?!data:)[^)]*""", page)
if outside:
    bad.append("refers to something outside it: %s" % outside[:3])
print("\n".join(bad))
sys.exit(1 if bad else 0)
EOF
}
check "page: one file with its WebAssembly and chime, naming nothing outside it" page_contents

# ---- The zips --------------------------------------------------------------------------

# pe_format FILE: objdump's name of a Windows executable's format
# (pei-i386 or pei-x86-64).
pe_format() {
  x86_64-w64-mingw32-objdump -f "$1" | sed -n 's/.*file format //p'
}

# zip_contents ZIP ARCH PE_FORMAT: the five files in one top folder, the
# texts as CR LF copies of the repository's, the page as packaged, both
# programs of the right machine type with no symbol table left.
zip_contents() {
  local zip=$1 arch=$2 format=$3 top="calvora-$version-$2" dir bad=0
  dir=$work/zip-$arch
  rm -rf "$dir"
  mkdir -p "$dir"
  local want got
  want=$(printf '%s\n' "$top/LICENSE.txt" "$top/README.txt" "$top/calvora-$version.html" \
    "$top/calvora-cli.exe" "$top/calvora.exe")
  got=$(python3 -c 'import sys, zipfile; print("\n".join(sorted(n for n in zipfile.ZipFile(sys.argv[1]).namelist() if not n.endswith("/"))))' "$zip")
  if [ "$want" != "$got" ]; then
    echo "zip holds:"; echo "$got"; echo "expected:"; echo "$want"
    return 1
  fi
  python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "$zip" "$dir" || return 1
  local text source
  for text in README.txt:README.md LICENSE.txt:LICENSE; do
    source=${text#*:}
    text=${text%%:*}
    if ! python3 - "$dir/$top/$text" "$source" <<'EOF'
import sys
data = open(sys.argv[1], "rb").read()
lines = data.count(b"\n")
bare_lf = lines - data.count(b"\r\n")
bare_cr = data.count(b"\r") - data.count(b"\r\n")
same = data.replace(b"\r\n", b"\n") == open(sys.argv[2], "rb").read()
print(f"{sys.argv[1].split('/')[-1]}: {lines} lines, {bare_lf} LF without CR, {bare_cr} CR without LF, "
      f"{'the same text as' if same else 'DIFFERENT from'} {sys.argv[2]}")
sys.exit(0 if lines > 0 and bare_lf == 0 and bare_cr == 0 and same else 1)
EOF
    then bad=1; fi
  done
  cmp "$dir/$top/calvora-$version.html" "$page" || { echo "the zip's page differs from $page"; bad=1; }
  local exe
  for exe in calvora.exe calvora-cli.exe; do
    got=$(pe_format "$dir/$top/$exe")
    echo "$exe: $got, $(x86_64-w64-mingw32-nm "$dir/$top/$exe" 2>&1 | head -n 1)"
    [ "$got" = "$format" ] || { echo "$exe is $got, expected $format"; bad=1; }
    x86_64-w64-mingw32-nm "$dir/$top/$exe" 2>&1 | grep -q 'no symbols' ||
      { echo "$exe still has symbols"; bad=1; }
  done
  return $bad
}
check "win32 zip: files, CR LF texts, the page, i386 programs without symbols" \
  zip_contents "$zip32" win32 pei-i386
check "win64 zip: files, CR LF texts, the page, x86-64 programs without symbols" \
  zip_contents "$zip64" win64 pei-x86-64

# zip_cli ARCH: the zip's calvora-cli.exe prints the version under Wine.
zip_cli() {
  local got
  got=$("$WINE" "$work/zip-$1/calvora-$version-$1/calvora-cli.exe" --version | tr -d '\r') || return 1
  echo "calvora-cli.exe --version: $got"
  [ "$got" = "calvora-cli $version" ]
}

# ---- The installers under Wine ----------------------------------------------------------

installer_formats() {
  local a b
  a=$(pe_format "$setup_all") b=$(pe_format "$setup64")
  echo "$setup_all: $a; $setup64: $b"
  echo "makensis stubs for 64-bit installers: $(ls /usr/share/nsis/Stubs | grep -c amd64)"
  [ "$a" = pei-i386 ] && [ "$b" = pei-x86-64 ]
}
check "installers: the one for every Windows is 32-bit, the 64-bit one is x86-64" installer_formats

uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Calvora'
# win_env NAME: a Windows environment variable in the prefix.
win_env() { "$WINE" cmd /c echo "%$1%" 2>/dev/null | tr -d '\r'; }
# reg_query ARGS...: `reg query` in the prefix, its output without CRs.
# Exits 0 with the key's values, 1 when reg says the key or value is not
# there, 2 when reg failed otherwise (tried three times: a reg.exe started
# while the previous Wine server shuts down can fail on its own).
reg_query() {
  local out rc try
  for try in 1 2 3; do
    rc=0
    out=$("$WINE" reg query "$@" 2>&1 | tr -d '\r') || rc=$?
    if [ "$rc" = 0 ]; then
      printf '%s\n' "$out"
      return 0
    fi
    grep -q 'Unable to find the specified registry' <<<"$out" && return 1
    sleep 1
  done
  echo "reg query $* failed: $out" >&2
  return 2
}
# reg_value HIVE NAME: one value of the Uninstall key, as reg prints it.
reg_value() {
  reg_query "$1\\$uninstall_key" /v "$2" | sed -nE "s/^ +$2 +REG_[A-Z]+ +//p"
}
# key_absent HIVE [/reg:32]: reg says the Uninstall key is not there.
key_absent() {
  local rc=0
  reg_query "$1\\$uninstall_key" ${2:+"$2"} >/dev/null || rc=$?
  [ "$rc" = 1 ]
}
# lnk_points_to LNK EXE: the shortcut names the program (ANSI or UTF-16).
lnk_points_to() {
  python3 -c 'import sys
d = open(sys.argv[1], "rb").read().lower(); t = sys.argv[2].lower()
sys.exit(0 if t.encode() in d or t.encode("utf-16-le") in d else 1)' "$1" "$2"
}

# install_cycle NAME SETUP MODE ARCH [FOLDER]: one silent install (MODE is
# user or machine; FOLDER, a Windows path, is given with /D), its checks,
# and the silent uninstall, each counted.
install_cycle() {
  local name=$1 setup=$2 mode=$3 arch=$4 folder=${5:-} switch="" hive=HKCU dir_win start_win format
  if [ "$mode" = machine ]; then
    switch=/AllUsers hive=HKLM
    dir_win="$(win_env ProgramFiles)\\Calvora"
    start_win="$(win_env ProgramData)\\Microsoft\\Windows\\Start Menu\\Programs"
  else
    dir_win="$(win_env LOCALAPPDATA)\\Programs\\Calvora"
    start_win="$(win_env APPDATA)\\Microsoft\\Windows\\Start Menu\\Programs"
  fi
  [ -n "$folder" ] && dir_win=$folder
  format=pei-x86-64
  [ "$arch" = win32 ] && format=pei-i386
  local dir lnk
  dir=$("$WINE" winepath -u "$dir_win" 2>/dev/null | tr -d '\r')
  lnk=$("$WINE" winepath -u "$start_win\\Calvora.lnk" 2>/dev/null | tr -d '\r')
  local label="$name, per $mode${switch:+ ($switch)}${folder:+ into $folder}, $arch prefix"

  do_install() {
    local args=(/S)
    [ -n "$switch" ] && args+=("$switch")
    [ -n "$folder" ] && args+=("/D=$folder")
    echo "\"$setup\" ${args[*]}"
    "$WINE" "$setup" "${args[@]}"
  }
  installed_files() {
    local got want=$'LICENSE.txt\nREADME.txt\ncalvora-cli.exe\ncalvora.exe\nuninstall.exe'
    got=$(ls "$dir" 2>/dev/null | sort)
    echo "$dir_win: $(paste -sd' ' <<<"$got")"
    [ "$got" = "$want" ] || { echo "expected: $(paste -sd' ' <<<"$want")"; return 1; }
    local f
    for f in calvora.exe calvora-cli.exe; do
      [ "$(pe_format "$dir/$f")" = "$format" ] || { echo "$f is $(pe_format "$dir/$f"), expected $format"; return 1; }
    done
    echo "calvora.exe and calvora-cli.exe: $format"
  }
  registry_key() {
    reg_query "$hive\\$uninstall_key" | grep -E '^ ' || return 1
    local bad=0 v
    expect_value() {
      v=$(reg_value "$hive" "$1")
      [ "$v" = "$2" ] || { echo "$1 is '$v', expected '$2'"; bad=1; }
    }
    expect_value DisplayName "Calvora Impedance Calculator"
    expect_value DisplayVersion "$version"
    expect_value Publisher "The Calvora developers"
    expect_value DisplayIcon "$dir_win\\calvora.exe,0"
    expect_value InstallLocation "$dir_win"
    expect_value UninstallString "\"$dir_win\\uninstall.exe\" ${switch:-/CurrentUser}"
    expect_value QuietUninstallString "\"$dir_win\\uninstall.exe\" ${switch:-/CurrentUser} /S"
    expect_value NoModify 0x1
    expect_value NoRepair 0x1
    v=$(reg_value "$hive" EstimatedSize)
    # Kilobytes: at least what the two programs take.
    local kb=$(( ($(stat -c %s "$dir/calvora.exe") + $(stat -c %s "$dir/calvora-cli.exe")) / 1024 ))
    [[ $v == 0x* ]] && [ $((v)) -ge "$kb" ] || { echo "EstimatedSize $v below $kb KB"; bad=1; }
    # The 64-bit build is registered in the 64-bit view of HKLM only (HKCU's
    # Software is one key for both views); the other hive has no key.
    if [ "$arch" = win64 ] && [ "$hive" = HKLM ] && ! key_absent "$hive" /reg:32; then
      echo "the key is also in the 32-bit registry view"; bad=1
    fi
    local other=HKLM
    [ "$hive" = HKLM ] && other=HKCU
    if ! key_absent "$other"; then
      echo "a key under $other too"; bad=1
    fi
    return $bad
  }
  shortcut() {
    echo "$start_win\\Calvora.lnk"
    [ -f "$lnk" ] && lnk_points_to "$lnk" "$dir_win\\calvora.exe"
  }
  installed_cli_runs() {
    local got
    got=$("$WINE" "$dir/calvora-cli.exe" --version | tr -d '\r') || return 1
    echo "installed calvora-cli.exe --version: $got"
    [ "$got" = "calvora-cli $version" ]
  }
  do_uninstall() {
    local command exe args
    command=$(reg_value "$hive" QuietUninstallString)
    [ -n "$command" ] || { echo "no QuietUninstallString"; return 1; }
    exe=$(sed -E 's/^"([^"]+)".*/\1/' <<<"$command")
    read -r -a args <<<"$(sed -E 's/^"[^"]+" *//' <<<"$command")"
    echo "$command"
    "$WINE" "$exe" "${args[@]}" || return 1
    # The uninstaller runs on from a copy of itself in the temporary folder.
    local _
    for _ in $(seq 120); do
      [ -e "$dir" ] || [ -e "$lnk" ] || break
      sleep 0.5
    done
    timeout 60 wineserver -w || true
    local bad=0 left
    [ -e "$dir" ] && { echo "install folder left: $(ls -A "$dir")"; bad=1; }
    [ -e "$lnk" ] && { echo "shortcut left"; bad=1; }
    left=$(find "$WINEPREFIX/drive_c" -iname '*calvora*' 2>/dev/null)
    [ -n "$left" ] && { echo "files left:"; echo "$left"; bad=1; }
    if ! key_absent "$hive" || ! key_absent "$hive" /reg:32; then
      echo "Uninstall key left"; bad=1
    fi
    [ "$bad" = 0 ] && echo "no file, shortcut or key left"
    return $bad
  }

  local before=$failed
  check "$label: silent install exits with 0" do_install
  if [ "$failed" != "$before" ]; then
    local n
    for n in "files" "Uninstall key" "Start menu shortcut" "installed calvora-cli.exe runs" \
      "silent uninstall leaves nothing behind"; do
      not_run "$label: $n" "the install failed"
    done
    return 0
  fi
  check "$label: files in $dir_win" installed_files
  check "$label: Uninstall key in $hive" registry_key
  check "$label: Start menu shortcut" shortcut
  check "$label: installed calvora-cli.exe runs" installed_cli_runs
  check "$label: silent uninstall leaves nothing behind" do_uninstall
}
# cycle_not_run LABEL REASON: the six checks of an install cycle that cannot run.
cycle_not_run() {
  local n
  for n in "silent install exits with 0" "files" "Uninstall key" "Start menu shortcut" \
    "installed calvora-cli.exe runs" "silent uninstall leaves nothing behind"; do
    not_run "$1: $n" "$2"
  done
}

# The 64-bit session: the 64-bit zip, the 64-bit installer and, where 32-bit
# processes start, the installer for every Windows, which puts the 64-bit build.
can32=0
why32=""
if runs_32bit_programs; then
  can32=1
else
  why32="this machine starts no 32-bit processes"
  echo
  echo "$why32: the 32-bit zip and the installer for every Windows are checked without running them"
  echo "($NO_32BIT_WHY)"
fi
rm -rf "$ROOT/build/packages-check"
if start_wine_session "$ROOT/build/packages-check/wine64" 141 160 win64; then
  trap cleanup EXIT
  timeout 120 wineserver -w || true
  check "win64 zip: calvora-cli.exe runs under wine64" zip_cli win64
  install_cycle "64-bit installer" "$setup64" user win64
  install_cycle "64-bit installer" "$setup64" machine win64
  install_cycle "64-bit installer" "$setup64" user win64 'C:\Tools\Calvora'
  if [ "$can32" = 1 ]; then
    install_cycle "installer for every Windows" "$setup_all" user win64
    install_cycle "installer for every Windows" "$setup_all" machine win64
  else
    cycle_not_run "installer for every Windows, per user, win64 prefix" "a 32-bit program; $why32"
    cycle_not_run "installer for every Windows, per machine, win64 prefix" "a 32-bit program; $why32"
  fi
  stop_wine_session
else
  echo "FAILED: no 64-bit Wine session"
  failed=$((failed + 1))
  not_run "win64 zip: calvora-cli.exe runs under wine64" "no Wine session"
  for name in "64-bit installer, per user" "64-bit installer, per machine" \
    "64-bit installer, per user into C:\Tools\Calvora" \
    "installer for every Windows, per user" "installer for every Windows, per machine"; do
    cycle_not_run "$name, win64 prefix" "no Wine session"
  done
fi

# The 32-bit session: the 32-bit zip and the installer for every Windows on
# 32-bit Windows, which puts the 32-bit build.
if [ "$can32" = 0 ]; then
  not_run "win32 zip: calvora-cli.exe runs under wine" "a 32-bit program; $why32"
  cycle_not_run "installer for every Windows, per user, win32 prefix" "a 32-bit program; $why32"
  cycle_not_run "installer for every Windows, per machine, win32 prefix" "a 32-bit program; $why32"
elif start_wine_session "$ROOT/build/packages-check/wine32" 141 160 win32; then
  trap cleanup EXIT
  timeout 120 wineserver -w || true
  check "win32 zip: calvora-cli.exe runs under wine" zip_cli win32
  install_cycle "installer for every Windows" "$setup_all" user win32
  install_cycle "installer for every Windows" "$setup_all" machine win32
  stop_wine_session
else
  echo "FAILED: no 32-bit Wine session"
  failed=$((failed + 1))
  not_run "win32 zip: calvora-cli.exe runs under wine" "no Wine session"
  cycle_not_run "installer for every Windows, per user, win32 prefix" "no Wine session"
  cycle_not_run "installer for every Windows, per machine, win32 prefix" "no Wine session"
fi

tally
