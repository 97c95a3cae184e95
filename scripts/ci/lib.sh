# Shared helpers for the build and test scripts; source it, do not run it.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
JOBS=${JOBS:-$(nproc)}

log() { printf '\n== %s\n' "$*"; }

_apt_updated=0
# need_packages PKG...: installs whichever of the Debian packages are missing.
need_packages() {
  local missing=()
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$_apt_updated" = 0 ]; then
    apt-get update -qq
    _apt_updated=1
  fi
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# The packages every build needs: compilers, CMake, GoogleTest, Benchmark.
need_base_packages() {
  need_packages build-essential cmake ninja-build g++ clang-14 libclang-rt-14-dev \
    googletest libgtest-dev libbenchmark-dev python3
}
