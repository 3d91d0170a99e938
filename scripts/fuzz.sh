#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer (AddressSanitizer and
# UndefinedBehaviorSanitizer on) and runs each for a while:
#   scripts/fuzz.sh [seconds per target, default 60]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
out=build/fuzz
mkdir -p "$out/corpus-registry" "$out/corpus-text"
cp demo/registry.reg "$out/corpus-registry/"
flags=(-std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -I.)
clang++ "${flags[@]}" tests/fuzz/registry_fuzz.cpp platform/posix/registry_tree.cpp \
  platform/posix/unicode.cpp -o "$out/registry_fuzz"
clang++ "${flags[@]}" tests/fuzz/text_fuzz.cpp platform/posix/command_line.cpp \
  platform/posix/unicode.cpp platform/posix/machine.cpp runtime/datetime.cpp \
  runtime/textutil.cpp runtime/conversions.cpp runtime/log.cpp runtime/locktable.cpp \
  -o "$out/text_fuzz"
"$out/registry_fuzz" -max_total_time="$seconds" -max_len=2048 "$out/corpus-registry"
"$out/text_fuzz" -max_total_time="$seconds" -max_len=256 "$out/corpus-text"
