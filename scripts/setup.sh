#!/usr/bin/env bash
# Installs what building, testing and cross-building need (Debian packages).
# Idempotent: installs only what is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config dpkg-dev
  libxml2-dev clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  mingw-w64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  wine wine64
  unixodbc unixodbc-dev odbcinst libsqliteodbc odbc-postgresql odbc-mariadb
  postgresql-15 mariadb-server mariadb-client libsqlite3-dev
  firebird3.0-utils firebird3.0-server-core
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

sudo=""
if [[ $(id -u) -ne 0 ]]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
echo "setup: installing ${missing[*]}"
if ! $sudo apt-get install -y -q "${missing[@]}"; then
  $sudo apt-get update -q
  $sudo apt-get install -y -q "${missing[@]}"
fi
