#!/usr/bin/env bash
# Cross-builds hvprecheck.exe with mingw-w64:
#   build/win-i686/hvprecheck.exe    the shipped 32-bit console program
#   build/win-x86_64/hvprecheck.exe  the 64-bit build the Windows tests run
# Both link the C and C++ runtimes statically.  Each tree also holds the
# Windows test programs (tests/wine).
set -euo pipefail
cd "$(dirname "$0")/.."
for arch in ${HV_WINDOWS_ARCHS:-i686 x86_64}; do
  cmake -S . -B "build/win-$arch" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$arch.cmake" >/dev/null
  cmake --build "build/win-$arch"
  echo "built build/win-$arch/hvprecheck.exe"
done
