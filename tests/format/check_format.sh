#!/usr/bin/env bash
# Checks every C and C++ source of the tree against the tree's .clang-format
# without changing any file, and lists the files that would change, with the
# number of edits the formatter would make in each.
#
#   check_format.sh SOURCE_DIR CLANG_FORMAT
#
# The files are those git tracks (*.cpp, *.cc, *.h, *.hpp, *.c); outside a git
# checkout, the same patterns under SOURCE_DIR, build trees left out.
set -uo pipefail
source_dir=$1
clang_format=$2

if ! command -v "$clang_format" >/dev/null 2>&1; then
  echo "no clang-format to check with ($clang_format); install clang-format-14"
  exit 1
fi
cd "$source_dir" || exit 1
[ -f .clang-format ] || { echo "no .clang-format in $source_dir"; exit 1; }

patterns=('*.cpp' '*.cc' '*.h' '*.hpp' '*.c')
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files -- "${patterns[@]}")
else
  mapfile -t files < <(find . -path ./build -prune -o -path './.git' -prune -o -type f \
    \( -name '*.cpp' -o -name '*.cc' -o -name '*.h' -o -name '*.hpp' -o -name '*.c' \) -print |
    sed 's|^\./||' | sort)
fi
[ ${#files[@]} -gt 0 ] || { echo "no C or C++ source found under $source_dir"; exit 1; }

"$clang_format" --version
bad=0
for f in "${files[@]}"; do
  if ! "$clang_format" --style=file --dry-run -Werror "$f" >/dev/null 2>&1; then
    edits=$("$clang_format" --style=file --output-replacements-xml "$f" | grep -c '<replacement ' || true)
    echo "not formatted: $f ($edits edits)"
    bad=$((bad + 1))
  fi
done
echo "${#files[@]} files checked, $bad not formatted"
[ "$bad" -eq 0 ]
