#!/usr/bin/env bash
# Cross-builds hvprecheck.exe with mingw-w64:
#   build/win-i686/hvprecheck.exe    the shipped 32-bit console program
#   build/win-x86_64/hvprecheck.exe  the 64-bit build the Windows tests run
# Both carry the whole library (libxml2, built once per target and cached by
# scripts/build-libxml2-windows.sh, and ODBC32) and link the C and C++
# runtimes statically.  Each tree also holds the Windows test programs
# (tests/wine), the library's suites among them.
set -euo pipefail
cd "$(dirname "$0")/.."
for arch in ${HV_WINDOWS_ARCHS:-i686 x86_64}; do
  libxml2=$(scripts/build-libxml2-windows.sh "$arch")
  cmake -S . -B "build/win-$arch" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$arch.cmake" -DHV_LIBXML2_PREFIX="$libxml2" >/dev/null
  cmake --build "build/win-$arch"
  echo "built build/win-$arch/hvprecheck.exe"
done
