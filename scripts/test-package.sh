#!/usr/bin/env bash
# Installs libtavrix from a build tree into a temporary prefix and builds the
# example program against it twice, through pkg-config and through
# find_package(Tavrix), then runs both on the demo dictionary:
#   scripts/test-package.sh <build dir>
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1
repo=$PWD
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

example=examples/list_tables
# pkg-config
PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --exists tavrix
# shellcheck disable=SC2046
g++ -std=c++20 -o "$prefix/list_tables_pc" "$example/list_tables.cpp" \
  $(PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --cflags --libs tavrix)
# find_package
cmake -S "$example" -B "$prefix/build" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$prefix/build" >/dev/null

expected="Customer
  CustomerId       KES_SQL_BIGINT"
for program in "$prefix/list_tables_pc" "$prefix/build/list_tables"; do
  out=$(cd "$prefix" && "$program" "$repo/demo/tavrix")
  if [[ $out != "$expected"* ]] || [[ $out != *"OrderLine"* ]]; then
    echo "package test: $program printed:"
    echo "$out"
    exit 1
  fi
done
echo "package test: the example built through pkg-config and find_package(Tavrix) and ran"
echo "$out"
