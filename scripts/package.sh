#!/usr/bin/env bash
# Builds every package of Calvora from a checkout on Debian 12, installing
# with apt-get whatever the builds need (run as root or with sudo):
#   build/packages/calvora_<version>_amd64.deb      Debian package (cpack)
#   build/packages/calvora_<version>_arm64.deb      the same for 64-bit ARM
#                                                   (Raspberry Pi OS, Debian arm64)
#   build/packages/calvora-<version>-win32.zip      32-bit Windows programs (cpack)
#   build/packages/calvora-<version>-win64.zip      64-bit Windows programs (cpack)
#   build/packages/calvora-<version>-setup.exe      installer for every Windows
#                                                   (32-bit program; installs the
#                                                   build of the machine's kind)
#   build/packages/calvora-<version>-win64-setup.exe  installer of the 64-bit build
#                                                   alone (64-bit program)
#   build/packages/calvora-<version>.html           the browser page, one file
#                                                   (also in both zips)
# Release builds from the presets package-web, package, package-aarch64,
# package-windows and package-windows64 (build/package*), staged installs under build/stage/,
# the installers made by makensis from dist/windows/calvora.nsi. Prints the
# packages and their sizes last.
#
# Usage: package.sh [--install-only]
source "$(dirname "$0")/ci/lib.sh"
cd "$ROOT"

install_only=0
for arg in "$@"; do
  case $arg in
  --install-only) install_only=1 ;;
  *) echo "package.sh: unknown option $arg" >&2; exit 2 ;;
  esac
done

# What the five builds and the packaging tools need on a fresh Debian 12.
log "Installing what the package builds need"
need_base_packages
need_aarch64_packages
need_packages qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev libgl-dev libx11-dev \
  mingw-w64 g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 \
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
  dpkg-dev binutils gzip nsis emscripten
[ "$install_only" = 1 ] && exit 0

out=build/packages
stage=build/stage
rm -rf "$out" "$stage"
mkdir -p "$out" "$stage"

# The browser page first: the Windows zips carry it too.
log "Release build: preset package-web"
cmake --preset package-web >/dev/null
cmake --build --preset package-web -j "$JOBS"
page=$ROOT/build/package-web/web/calvora.html

for preset in package package-aarch64 package-windows package-windows64; do
  log "Release build: preset $preset"
  page_arg=()
  [[ $preset == package-windows* ]] && page_arg=(-DCALVORA_WEB_PAGE="$page")
  cmake --preset "$preset" "${page_arg[@]}" >/dev/null
  cmake --build --preset "$preset" -j "$JOBS"
  # A package from an earlier run must not be taken for this one's.
  rm -rf "build/$preset/packages"
  # dpkg-shlibdeps reads the libraries of the package's architecture.
  host_arch=$(dpkg --print-architecture)
  [ "$preset" = package-aarch64 ] && host_arch=arm64
  (cd "build/$preset" && DEB_HOST_ARCH=$host_arch cpack)
  cp "build/$preset"/packages/*.deb "build/$preset"/packages/*.zip "$out"/ 2>/dev/null || true
done

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/package/CMakeCache.txt)
[ -n "$version" ] || { echo "FAILED: no project version in build/package/CMakeCache.txt" >&2; exit 1; }
cp "$page" "$out/calvora-$version.html"

log "Staging the Windows builds for the installers"
for arch in win32 win64; do
  preset=package-windows
  [ "$arch" = win64 ] && preset=package-windows64
  cmake --install "build/$preset" --component calvora --prefix "$ROOT/$stage/$arch" --strip >/dev/null
done

# makensis NAME [WIN32_DIR]: one installer; with the 32-bit folder it is the
# 32-bit installer of both builds, without it the 64-bit one.
make_installer() {
  local file=$1 win32_dir=${2:-} args=()
  [ -n "$win32_dir" ] && args+=("-DWIN32_DIR=$win32_dir")
  log "makensis: $file"
  makensis -V2 -NOCD \
    "-DVERSION_NSH=$ROOT/build/package-windows64/packaging/calvora-version.nsh" \
    "-DWIN64_DIR=$ROOT/$stage/win64" "${args[@]}" \
    "-DICON=$ROOT/resources/calvora.ico" "-DOUTFILE=$ROOT/$out/$file" \
    dist/windows/calvora.nsi
}
make_installer "calvora-$version-setup.exe" "$ROOT/$stage/win32"
make_installer "calvora-$version-win64-setup.exe"

expected=("calvora_${version}_amd64.deb" "calvora_${version}_arm64.deb" "calvora-$version-win32.zip" "calvora-$version-win64.zip"
  "calvora-$version-setup.exe" "calvora-$version-win64-setup.exe" "calvora-$version.html")
log "Packages in $out"
missing=0
for f in "${expected[@]}"; do
  if [ -f "$out/$f" ]; then
    printf '%10s  %s/%s\n' "$(stat -c %s "$out/$f")" "$out" "$f"
  else
    echo "FAILED: $out/$f was not made"
    missing=1
  fi
done
[ "$missing" = 0 ]
