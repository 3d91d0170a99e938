#!/usr/bin/env bash
# Builds libxml2 for a mingw-w64 target as a static library, from Debian's
# own source package of the version the Linux build uses, and prints the
# prefix it is installed under:
#   scripts/build-libxml2-windows.sh i686|x86_64
# The source comes from `apt-get source` (the deb-src lists of the archive
# the machine already uses are enabled for it); nothing of it is kept in
# the repository.  Builds are cached by version and target in
# ${HV_DEPS_CACHE:-~/.cache/hvprecheck-deps}, so a second build reuses them.
# Only the parts the library needs are built: the tree, the reader and the
# writer; no network access, no iconv (UTF-8, UTF-16 and the ISO-8859
# encodings are built in), no compression, no modules.
set -euo pipefail
arch=$1
repo=$(cd "$(dirname "$0")/.." && pwd)
version=$(dpkg-query -W -f='${Version}' libxml2-dev)
cache=${HV_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/hvprecheck-deps}
# The options live in this script: a change of it is a new build.
recipe=$(sha1sum "$0" | cut -c1-8)
prefix=$cache/libxml2-$version-$arch-$recipe
if [[ -f $prefix/.complete ]]; then
  echo "$prefix"
  exit 0
fi
log=$prefix.log
mkdir -p "$cache"
exec 3>&1 1>"$log" 2>&1

sudo=""
if [[ $(id -u) -ne 0 ]]; then sudo="sudo"; fi
source_dir=$cache/src/libxml2-$version
if [[ ! -f $source_dir/.complete ]]; then
  # The source lists of the same archive the binary packages come from.
  lists=/etc/apt/sources.list.d/hvprecheck-deb-src.sources
  if [[ ! -f $lists ]]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | $sudo tee "$lists"
    $sudo apt-get update -q
  fi
  if ! command -v dpkg-source >/dev/null; then $sudo apt-get install -y -q dpkg-dev; fi
  fetch=$(mktemp -d "$cache/fetch.XXXXXX")
  (cd "$fetch" && apt-get source -q --download-only "libxml2=$version")
  rm -rf "$source_dir"
  mkdir -p "$cache/src"
  dpkg-source -x --no-check "$fetch"/libxml2_*.dsc "$source_dir"
  rm -rf "$fetch"
  touch "$source_dir/.complete"
fi

build=$cache/build-libxml2-$version-$arch
rm -rf "$build" "$prefix"
off=(FTP HTTP ICONV ICU LZMA ZLIB PYTHON TESTS PROGRAMS MODULES DOCB HTML LEGACY CATALOG
  SCHEMAS SCHEMATRON XINCLUDE XPTR DEBUG)
options=()
for o in "${off[@]}"; do options+=("-DLIBXML2_WITH_$o=OFF"); done
cmake -S "$source_dir" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-$arch.cmake" -DBUILD_SHARED_LIBS=OFF \
  -DCMAKE_INSTALL_PREFIX="$prefix" "${options[@]}"
cmake --build "$build"
cmake --install "$build"
rm -rf "$build"
touch "$prefix/.complete"
echo "$prefix" >&3
