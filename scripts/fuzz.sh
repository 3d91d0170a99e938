#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer (AddressSanitizer and
# UndefinedBehaviorSanitizer on) and runs each for a while, starting from
# the seed corpora in tests/fuzz:
#   scripts/fuzz.sh [seconds per target, default 60]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
out=build/fuzz
mkdir -p "$out/corpus-registry" "$out/corpus-text" "$out/corpus-dictionary" "$out/corpus-data-files" "$out/corpus-criteria" "$out/corpus-import" "$out/corpus-personality" "$out/corpus-run-context" \
  "$out/corpus-command-line"
cp demo/registry.reg "$out/corpus-registry/"
cp tests/fuzz/corpus-dictionary/* demo/tavrix/data/*.xml "$out/corpus-dictionary/"
cp tests/fuzz/corpus-data-files/* "$out/corpus-data-files/"
cp tests/fuzz/corpus-criteria/* "$out/corpus-criteria/"
cp tests/fuzz/corpus-import/* "$out/corpus-import/"
cp tests/fuzz/corpus-personality/* "$out/corpus-personality/"
cp tests/fuzz/corpus-run-context/* "$out/corpus-run-context/"
cp tests/fuzz/corpus-command-line/* "$out/corpus-command-line/"
flags=(-std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -I.)
library=(platform/posix/*.cpp runtime/*.cpp datastore/*.cpp database/*.cpp)
libraries=($(pkg-config --libs libxml-2.0 odbc odbcinst) -pthread)

clang++ "${flags[@]}" tests/fuzz/registry_fuzz.cpp platform/posix/registry_tree.cpp \
  platform/posix/unicode.cpp -o "$out/registry_fuzz"
clang++ "${flags[@]}" tests/fuzz/text_fuzz.cpp platform/posix/command_line.cpp \
  platform/posix/unicode.cpp platform/posix/machine.cpp runtime/datetime.cpp \
  runtime/textutil.cpp runtime/conversions.cpp runtime/log.cpp runtime/locktable.cpp \
  -o "$out/text_fuzz"
clang++ "${flags[@]}" tests/fuzz/command_line_fuzz.cpp platform/posix/command_line.cpp \
  -o "$out/command_line_fuzz"
clang++ "${flags[@]}" tests/fuzz/run_context_fuzz.cpp precheck/command_line.cpp \
  runtime/log.cpp runtime/textutil.cpp runtime/conversions.cpp runtime/locktable.cpp \
  runtime/datetime.cpp platform/posix/*.cpp -pthread -o "$out/run_context_fuzz"
# shellcheck disable=SC2046
clang++ "${flags[@]}" $(pkg-config --cflags libxml-2.0) tests/fuzz/dictionary_fuzz.cpp \
  "${library[@]}" "${libraries[@]}" -o "$out/dictionary_fuzz"
# shellcheck disable=SC2046
clang++ "${flags[@]}" $(pkg-config --cflags libxml-2.0) tests/fuzz/data_files_fuzz.cpp \
  "${library[@]}" "${libraries[@]}" -o "$out/data_files_fuzz"
# shellcheck disable=SC2046
clang++ "${flags[@]}" $(pkg-config --cflags libxml-2.0) tests/fuzz/criteria_fuzz.cpp \
  "${library[@]}" "${libraries[@]}" -o "$out/criteria_fuzz"
# shellcheck disable=SC2046
clang++ "${flags[@]}" $(pkg-config --cflags libxml-2.0) tests/fuzz/import_fuzz.cpp \
  "${library[@]}" "${libraries[@]}" -o "$out/import_fuzz"
# shellcheck disable=SC2046
clang++ "${flags[@]}" $(pkg-config --cflags libxml-2.0) tests/fuzz/personality_fuzz.cpp \
  "${library[@]}" "${libraries[@]}" -o "$out/personality_fuzz"

"$out/registry_fuzz" -max_total_time="$seconds" -max_len=2048 "$out/corpus-registry"
"$out/text_fuzz" -max_total_time="$seconds" -max_len=256 "$out/corpus-text"
"$out/run_context_fuzz" -max_total_time="$seconds" -max_len=1024 "$out/corpus-run-context"
"$out/command_line_fuzz" -max_total_time="$seconds" -max_len=512 "$out/corpus-command-line"
"$out/dictionary_fuzz" -max_total_time="$seconds" -max_len=8192 -timeout=10 \
  -dict=tests/fuzz/dictionary.dict "$out/corpus-dictionary"
"$out/data_files_fuzz" -max_total_time="$seconds" -max_len=1024 -timeout=10 "$out/corpus-data-files"
"$out/criteria_fuzz" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
  -dict=tests/fuzz/criteria.dict "$out/corpus-criteria"
"$out/import_fuzz" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
  -dict=tests/fuzz/dictionary.dict "$out/corpus-import"
"$out/personality_fuzz" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
  -dict=tests/fuzz/personality.dict "$out/corpus-personality"
