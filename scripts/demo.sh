#!/usr/bin/env bash
# Sets up the machine, builds hvprecheck and runs its main job on a
# self-contained demo machine under build/demo: a copy of demo/registry.reg
# as the registry, the agent's working directory build/demo/agent/bin, and
# 7-Zip's file manager running as a stand-in (a copy of sleep named
# 7zFM.exe).  Every run starts from a fresh demo machine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release --target hvprecheck

program=$PWD/build/release/hvprecheck
root=$PWD/build/demo
rm -rf "$root"
mkdir -p "$root/agent/bin" "$root/apps"
cp demo/registry.reg "$root/registry.reg"
cp "$(command -v sleep)" "$root/apps/7zFM.exe"

export HVPRECHECK_REGISTRY=$root/registry.reg
export HVPRECHECK_SYSTEM_DIR=/usr/bin

app=""
cleanup() { [[ -n $app ]] && kill "$app" 2>/dev/null; true; }
trap cleanup EXIT

explain() {
  case $1 in
    0) echo "  0: the application is free; the agent may patch it" ;;
    33) echo "  33: 20001 (the application is in use) as an 8-bit POSIX exit status" ;;
    1) echo "  1: neither uninstall string of the product could be read" ;;
    *) echo "  $1: unexpected" ;;
  esac
}

run() {
  local uptime=$1
  shift
  echo "== hvprecheck $*   (uptime $((uptime / 60000)) minutes)"
  local status=0
  (cd "$root/agent/bin" && HVPRECHECK_UPTIME_MS=$uptime "$program" "$@") || status=$?
  echo "exit status: $status"
  explain "$status"
}

"$root/apps/7zFM.exe" 3600 &
app=$!
sleep 0.2
echo "7zFM.exe is running (pid $app)"
echo

run 7200000 -n 7zip
echo "7zFM.exe still running: $(kill -0 "$app" 2>/dev/null && echo yes || echo no)"
echo "Fast Startup in the registry afterwards:"
grep -E 'HiberbootEnabled|hvDisabledFastStartup' "$root/registry.reg" | sed 's/^/  /'
echo

run 600000 -n 7zip
wait "$app" 2>/dev/null || true
echo "7zFM.exe still running: $(kill -0 "$app" 2>/dev/null && echo yes || echo no)"
app=""
echo

echo "== build/demo/agent/logs/hvvantrel.log"
cat "$root/agent/logs/hvvantrel.log"
