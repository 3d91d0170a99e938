#!/usr/bin/env bash
# The Windows end-to-end suite: the x86_64 hvprecheck.exe under wine64 in a
# fresh Wine prefix, with registry fixtures imported by Wine's reg tool,
# stand-in applications started under their Windows names, and stand-in
# uninstallers that record their command lines and exit with chosen codes.
#   tests/wine/run.sh <x86_64 Windows build directory>
set -uo pipefail

build=$(cd "$1" && pwd)
scratch=$(mktemp -d /tmp/hvwine.XXXXXX)
export WINEPREFIX=$scratch/prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  wineserver -k >/dev/null 2>&1
  rm -rf "$scratch"
}
trap cleanup EXIT

failures=0
ok() { echo "ok: $*"; }
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
skip() { echo "skip: $*"; }
check() { # check <description> <command...>
  local what=$1
  shift
  if "$@"; then ok "$what"; else fail "$what"; fi
}

echo "== a fresh Wine prefix"
wineboot -i >/dev/null 2>&1 || { echo "wineboot failed"; exit 1; }
drive=$WINEPREFIX/drive_c
tools=$drive/hvtools
mkdir -p "$tools/agent/bin" "$tools/apps" "$tools/hv tools"
cp "$build/hvprecheck.exe" "$build"/tests/wine/*.exe "$tools/"
cp "$build/tests/wine/recorder.exe" "$tools/hv tools/recorder.exe"
cp "$build/tests/wine/standin.exe" "$tools/java.exe"
log=$tools/agent/logs/hvvantrel.log
record=$tools/record.txt
winexe() { wine "$@" 2>/dev/null | tr -d '\r'; }

echo "== the Win32 backend, checked from inside"
(cd "$tools" && winexe win_checks.exe 'C:\hvtools' pdfsam-community) | tee "$scratch/checks.txt"
failures=$((failures + $(grep -c '^FAIL' "$scratch/checks.txt")))

# ---- helpers over the real (Wine) registry and processes ----
reg_import() { # reg_import <regedit text, LF line ends>
  printf '%s' "$1" | sed 's/$/\r/' >"$tools/fixture.reg"
  wine reg import 'C:\hvtools\fixture.reg' >/dev/null 2>&1
}
reg_value() { # reg_value <key> <value>: the data as reg query shows it, or nothing
  winexe reg query "HKLM\\$1" /v "$2" | awk -v v="$2" 'tolower($1) == tolower(v) {print $3}'
}
reg_has_key() { wine reg query "HKLM\\$1" >/dev/null 2>&1; }
reg_drop() { wine reg delete "HKLM\\$1" /f >/dev/null 2>&1; }
running() { winexe "$tools/procs.exe" | grep -qix "$1"; }
start_app() { # start_app <name>
  cp "$tools/standin.exe" "$tools/apps/$1"
  (cd "$tools/apps" && wine "$1" >/dev/null 2>&1 &)
  for _ in $(seq 50); do running "$1" && return 0; sleep 0.2; done
  echo "stand-in $1 did not start"
  return 1
}
stop_app() { wine taskkill /f /im "$1" >/dev/null 2>&1; }
status=""
out=""
run_hv() { # run_hv <args...>: sets status (32 bits) and out (standard output)
  rm -f "$tools/status.txt"
  out=$(cd "$tools/agent/bin" && wine 'C:\hvtools\runner.exe' 'C:\hvtools\status.txt' \
    'C:\hvtools\hvprecheck.exe' "$@" 2>/dev/null)
  status=$(tr -d '\r\n' <"$tools/status.txt" 2>/dev/null)
}
log_has() { grep -qF -- "$1" "$log"; }
fresh_log() { rm -f "$log"; }

agent='[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrane\Halvora\HVAgent]
"HVAgentInstallDir"="C:\\hvtools"
"HVAgentVersion"="11.4.0"
'
power() { # power <HibernateEnabled> <alwaysKillApps>
  reg_import "Windows Registry Editor Version 5.00

$agent
[HKEY_LOCAL_MACHINE\SOFTWARE\Kestrane\Halvora\HVAgent\Patch]
\"alwaysKillApps\"=dword:0000000$2

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Power]
\"HibernateEnabled\"=dword:0000000$1

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Session Manager\Power]
\"HiberbootEnabled\"=dword:00000001
"
  reg_drop 'Software\Kestrane\Halvora\HVAgent\Settings'
}

echo "== the entry"
power 0 0
fresh_log
run_hv
check "no arguments: status 0" test "$status" = 0
check "no arguments: product name is null" log_has "[INFO] product name is null"
check "no arguments: no close line" bash -c "! grep -q 'Log close time' '$log'"
run_hv -x 32 -k 'Foo\' -n Zzz
check "command line lines" log_has "App platform is 32 and gv_is32 is 1 and gv_IsWow64 is 0["
check "the log entry format" grep -qE '^\[ [0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:]{12} \] \[ [0-9]+ \] \[INFO\] productName : Zzz' "$log"

echo "== start-up kill and the in-use verdict"
power 1 1
start_app 7zFM.exe
fresh_log
run_hv -n 7zip
check "alwaysKillApps: status 0" test "$status" = 0
check "alwaysKillApps: the final tick count is 1" log_has "the final tick count is 1"
check "alwaysKillApps: 7zFM.exe killed" bash -c "! (cd '$tools' && wine procs.exe 2>/dev/null | tr -d '\r' | grep -qix 7zFM.exe)"
power 1 0
uptime=$(winexe "$tools/procs.exe" --uptime)
if ((uptime > 960000)); then
  start_app 7zFM.exe
  fresh_log
  run_hv -n 7zip
  check "in use: status 20001" test "$status" = 20001
  check "in use: 7zFM.exe left running" running 7zFM.exe
  check "in use: HiberbootEnabled 0" test "$(reg_value 'System\CurrentControlSet\Control\Session Manager\Power' HiberbootEnabled)" = 0x0
  check "in use: hvDisabledFastStartup 1" test "$(reg_value 'Software\Kestrane\Halvora\HVAgent\Settings' hvDisabledFastStartup)" = 0x1
  check "in use: Fast Startup logged" log_has "!!! Fast Startup has been disabled"
  power 0 0
  run_hv -n 7zip
  check "hibernation off: still 20001" test "$status" = 20001
  check "hibernation off: nothing written" test -z "$(reg_value 'Software\Kestrane\Halvora\HVAgent\Settings' hvDisabledFastStartup)"
  stop_app 7zFM.exe
else
  skip "in use and Fast Startup: this machine booted $((uptime / 1000)) s ago, inside the start-up window, and Windows' tick count cannot be chosen"
fi

echo "== the command-line query (WMI)"
# Wine's WMI knows only the calling process's own command line, so the
# product text rides on hvprecheck's own (a stray word the parser skips).
power 0 0
fresh_log
run_hv -n PDFsamBasic pdfsam-community
if [[ $out == "Pdfsam Running"* ]]; then
  check "PDFsamBasic in use by command line: status 20001" test "$status" = 20001
  check "PDFsamBasic in use: standard output" test "$out" = "Pdfsam Runningbefore closing wmiclosed wmi"
else
  skip "PDFsamBasic in use by command line: this machine's WQL returns nothing for the LIKE filter"
fi
check "PDFsamBasic: the COM steps" log_has "GetValuesUsingWMIQuery : Connected to ROOT\CIMV2 WMI namespace"
run_hv -n PDFsamBasic
check "PDFsamBasic free: status 0" test "$status" = 0
check "PDFsamBasic free: standard output" test "$out" = "Pdfsam not Runningbefore closing wmiclosed wmi"
start_app pdfsam.exe
power 0 1
run_hv -n PDFsamBasic
check "PDFsamBasic: pdfsam.exe killed, status 0" test "$status" = 0
check "PDFsamBasic: pdfsam.exe gone" bash -c "! (cd '$tools' && wine procs.exe 2>/dev/null | tr -d '\r' | grep -qix pdfsam.exe)"

echo "== markers"
power 0 0
reg_drop 'SOFTWARE\Kestrane\Halvora\HVAgent\AppDetection'
run_hv -n Tortoise
check "tortoise: marker created" reg_has_key 'SOFTWARE\Kestrane\Halvora\HVAgent\AppDetection\Tortoise'
run_hv -c 1 -n tortoise
check "tortoise clear mode: marker deleted" bash -c "! wine reg query 'HKLM\\SOFTWARE\\Kestrane\\Halvora\\HVAgent\\AppDetection\\Tortoise' >/dev/null 2>&1"

echo "== uninstall commands and their exit codes"
uninstall='SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall'
reg_import "Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\\$uninstall\\{G1}]
\"UninstallString\"=\"\\\"C:\\\\hvtools\\\\hv tools\\\\recorder.exe\\\"\"
"
for code in 3010 1641 1603 0; do
  fresh_log
  rm -f "$record"
  out=$(cd "$tools/agent/bin" && RECORD='C:\hvtools\record.txt' EXIT_WITH=$code wine 'C:\hvtools\runner.exe' \
    'C:\hvtools\status.txt' 'C:\hvtools\hvprecheck.exe' -k '{G1}\UninstallString' -s /S -n GenericProduct 2>/dev/null)
  expect=$code
  [[ $code == 3010 || $code == 1641 ]] && expect=0
  check "exit code $code gives $expect" log_has "The return value is $expect["
  check "exit code $code: its own remarks" log_has "execute : Exit code for the application : $code "
  check "exit code $code: status 0" test "$(tr -d '\r\n' <"$tools/status.txt")" = 0
done
check "the command line and working directory" grep -qiF '"C:\hvtools\hv tools\recorder.exe" /S  | C:\windows\system32' "$record"
check "marker after the uninstall" reg_has_key 'SOFTWARE\Kestrane\Halvora\HVAgent\AppDetection\GenericProduct'

reg_import "Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\\$uninstall\\{H1}]
\"DisplayName\"=\"HipChat\"
\"QuietUninstallString\"=\"\\\"C:\\\\hvtools\\\\hv tools\\\\recorder.exe\\\" /quiet\"

[HKEY_LOCAL_MACHINE\\$uninstall\\{H2}]
\"DisplayName\"=\"HipChat\"
\"UninstallString\"=\"\\\"C:\\\\hvtools\\\\hv tools\\\\recorder.exe\\\"\"
"
rm -f "$record"
(export RECORD='C:\hvtools\record.txt' EXIT_WITH=0; run_hv -n hipchat)
check "hipchat: both entries removed" test "$(grep -c recorder.exe "$record" 2>/dev/null)" = 2
check "hipchat: switches appended" grep -qF '/qn /norestart ALLUSERS=1' "$record"
check "hipchat: entry keys deleted" bash -c "! wine reg query 'HKLM\\$uninstall\\{H1}' >/dev/null 2>&1 && ! wine reg query 'HKLM\\$uninstall\\{H2}' >/dev/null 2>&1"

run_hv -n DVDFab10
check "DVDFab10 without its strings: status 1" test "$status" = 1

fresh_log
run_hv -n skype
check "skype: the seven removals through the system's MsiExec" test "$(grep -c 'Execution status for Skype' "$log")" = 7
check "skype: marker" reg_has_key 'SOFTWARE\Kestrane\Halvora\HVAgent\AppDetection\skype'

echo "== the library's suites (values, dictionary, criteria, tables, SQL texts, XML import,"
echo "   data objects, and ODBC through Wine's ODBC32 to the host's SQLite driver)"
# Run from the build tree (drive Z:), so the sources' Unix paths open as they are.
if (cd "$build" && HV_WINE_SQLITE_DB=$scratch/wine.db wine tests/wine/library_tests.exe \
  --gtest_brief=1 2>/dev/null | tr -d '\r' | grep -v '^\[ .* \] \[ [0-9]* \]' \
  >"$scratch/library.txt"); then
  ok "library suites: $(grep -o '[0-9]* tests' "$scratch/library.txt" | tail -1) passed"
else
  grep -E 'Failure|FAILED|Expected|Which is' "$scratch/library.txt" | head -40
  fail "library suites"
fi

echo
if ((failures > 0)); then
  echo "Windows suite: $failures failed"
  exit 1
fi
echo "Windows suite: all passed"
