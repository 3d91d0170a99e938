#!/usr/bin/env bash
# Sets up the machine, builds hvprecheck and runs its main job on a
# self-contained demo machine under build/demo: a copy of demo/registry.reg
# as the registry, the agent's working directory build/demo/agent/bin, and
# an uptime of one hour.  Every run starts from a fresh demo machine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release --target hvprecheck

root=$PWD/build/demo
rm -rf "$root"
mkdir -p "$root/agent/bin"
cp demo/registry.reg "$root/registry.reg"

export HVPRECHECK_REGISTRY=$root/registry.reg
export HVPRECHECK_UPTIME_MS=3600000
export HVPRECHECK_SYSTEM_DIR=/usr/bin

echo "== hvprecheck -n 7zip   (working directory build/demo/agent/bin, uptime 1 h)"
status=0
(cd "$root/agent/bin" && "$OLDPWD/build/release/hvprecheck" -n 7zip) || status=$?
echo "exit status: $status"
case $status in
  0) echo "  0: the application is free; the agent may patch it" ;;
  33) echo "  33: 20001 (in use) seen through an 8-bit POSIX exit status" ;;
  1) echo "  1: the product's old version could not be found for removal" ;;
esac
echo
echo "== build/demo/agent/logs/hvvantrel.log"
cat "$root/agent/logs/hvvantrel.log"
