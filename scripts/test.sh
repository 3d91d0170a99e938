#!/usr/bin/env bash
# Sets up the machine, then builds and runs every test: the normal build,
# libtavrix installed and the example built against it, AddressSanitizer
# with UndefinedBehaviorSanitizer, ThreadSanitizer for the threaded code,
# every fuzz target for a bounded time, both Windows cross builds, and the
# Windows end-to-end suite under wine64.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

jobs=$(nproc)

echo "== source format"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

echo "== build and test"
scripts/build.sh build/release -DBUILD_TESTING=ON -DHV_BENCH=ON
ctest --no-tests=error --test-dir build/release -j"$jobs" --output-on-failure

echo "== the library demo"
scripts/demo-tavrix.sh >/dev/null

echo "== libtavrix as an installed package"
scripts/test-package.sh build/release

echo "== AddressSanitizer and UndefinedBehaviorSanitizer"
scripts/build.sh build/asan -DCMAKE_BUILD_TYPE=Debug -DHV_SANITIZE=ON -DBUILD_TESTING=ON -DHV_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --no-tests=error --test-dir build/asan -j"$jobs" --output-on-failure

echo "== ThreadSanitizer (threaded runtime code)"
scripts/build.sh build/tsan -DCMAKE_BUILD_TYPE=Debug -DHV_TSAN=ON -DBUILD_TESTING=ON -DHV_BENCH=OFF
TSAN_OPTIONS=halt_on_error=1 ctest --no-tests=error --test-dir build/tsan -j"$jobs" --output-on-failure -R 'Lock|Log|Vector|Queue|Thread|MemPool|ConnectionPool'

echo "== fuzz targets (30 s each)"
scripts/fuzz.sh 30

echo "== Windows cross builds"
scripts/build-windows.sh
# The shipped program needs nothing beyond what Windows itself has.
imports=$(i686-w64-mingw32-objdump -p build/win-i686/hvprecheck.exe | awk '/DLL Name:/ {print tolower($3)}')
for dll in $imports; do
  case $dll in
    kernel32.dll | advapi32.dll | msvcrt.dll | ole32.dll | oleaut32.dll | psapi.dll | user32.dll) ;;
    odbc32.dll | odbccp32.dll | ws2_32.dll) ;;
    *) echo "hvprecheck.exe needs $dll, which Windows does not ship"; exit 1 ;;
  esac
done

echo "== the Windows end-to-end suite under wine64"
tests/wine/run.sh build/win-x86_64

echo "== all tests passed"
