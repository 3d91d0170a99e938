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
libraries=($(pkg-config --libs libxml-2.0 odbc odbcinst) -pthread)

# The library and the run's parser compiled once, in parallel, into one
# archive that every target links.
mkdir -p "$out/obj"
# shellcheck disable=SC2046
printf '%s\n' platform/posix/*.cpp runtime/*.cpp datastore/*.cpp database/*.cpp \
  precheck/command_line.cpp |
  xargs -P "$(nproc)" -I{} sh -c 'clang++ -std=c++20 -g -O1 \
    -fsanitize=fuzzer-no-link,address,undefined -I. '"$(pkg-config --cflags libxml-2.0)"' \
    -c {} -o "$0/obj/$(echo {} | tr / _).o"' "$out"
rm -f "$out/libfuzzed.a"
ar rcs "$out/libfuzzed.a" "$out"/obj/*.o

for target in registry text command_line run_context dictionary data_files criteria import \
  personality; do
  # shellcheck disable=SC2046
  clang++ "${flags[@]}" $(pkg-config --cflags libxml-2.0) "tests/fuzz/${target}_fuzz.cpp" \
    "$out/libfuzzed.a" "${libraries[@]}" -o "$out/${target}_fuzz"
done

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
