#!/usr/bin/env bash
# Sets up the machine, then builds and runs every test: the normal build,
# AddressSanitizer with UndefinedBehaviorSanitizer, ThreadSanitizer for the
# threaded code, and both Windows cross builds.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

jobs=$(nproc)

echo "== source format"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

echo "== build and test"
scripts/build.sh build/release -DBUILD_TESTING=ON -DHV_BENCH=ON
ctest --no-tests=error --test-dir build/release -j"$jobs" --output-on-failure

echo "== AddressSanitizer and UndefinedBehaviorSanitizer"
scripts/build.sh build/asan -DCMAKE_BUILD_TYPE=Debug -DHV_SANITIZE=ON -DBUILD_TESTING=ON -DHV_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --no-tests=error --test-dir build/asan -j"$jobs" --output-on-failure

echo "== ThreadSanitizer (threaded runtime code)"
scripts/build.sh build/tsan -DCMAKE_BUILD_TYPE=Debug -DHV_TSAN=ON -DBUILD_TESTING=ON -DHV_BENCH=OFF
TSAN_OPTIONS=halt_on_error=1 ctest --no-tests=error --test-dir build/tsan -j"$jobs" --output-on-failure -R 'Lock|Log'

echo "== Windows cross builds"
scripts/build-windows.sh

echo "== all tests passed"
