#include "precheck/process_check.h"

#include <string>
#include <vector>

#include "host/registry_read.h"
#include "host/uninstall_keys.h"
#include "platform/platform.h"
#include "runtime/conversions.h"
#include "runtime/log.h"

namespace {

constexpr size_t kDetectLength = 15;
constexpr const char* kPatchKey = "SOFTWARE\\Kestrane\\Halvora\\HVAgent\\Patch\\";
constexpr uint32_t kKillPauseMs = 100;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Case-insensitive comparison over at most n characters, stopping at the
// end of either text.
bool SameStart(const std::string& a, const char* b, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    const char x = i < a.size() ? a[i] : '\0';
    const char y = b[i];
    if (Lower(x) != Lower(y)) return false;
    if (x == '\0') return true;
  }
  return true;
}

bool SameName(const std::string& a, const char* b) {
  return CompareStringNoCase(a.c_str(), b) == 0;
}

}  // namespace

uint32_t RunningProcessCheck(const RunContext& ctx, const char* exeName) {
  std::vector<plat::ProcessEntry> entries;
  if (!plat::ProcessSnapshot(&entries)) return 0;
  const uint32_t self = plat::CurrentProcessId();
  const bool filtered = ctx.processRunningDir && !ctx.processRunningDir->empty();
  for (const plat::ProcessEntry& entry : entries) {
    if (!SameStart(entry.exe_name, exeName, kDetectLength)) continue;
    if (entry.pid == self) continue;
    if (filtered) {
      plat::ProcessHandle process = nullptr;
      if (plat::ProcessOpen(entry.pid, plat::kMaximumAllowed, &process) != plat::kErrorSuccess) {
        LogInfo("Failed to open process \n");
        continue;
      }
      std::string path;
      if (!plat::ProcessModulePath(process, &path)) {
        LogInfo("Failed to get module filename \n");
        plat::ProcessClose(process);
        continue;
      }
      LogInfo("Module filename is: %s \n", path.c_str());
      plat::ProcessClose(process);
      if (path.find(*ctx.processRunningDir) == std::string::npos) continue;
    }
    return entry.pid;
  }
  return 0;
}

int StartupKillPolicy(const RunContext& ctx, const char* exeName) {
  if (RunningProcessCheck(ctx, exeName) == 0) return 1;
  uint32_t uptime = plat::TickCount();
  LogInfo("the tick count is %d\n", static_cast<int>(uptime));
  uint32_t alwaysKill = 0;
  ReadDwordRegistryData(plat::kHkeyLocalMachine, kPatchKey, "alwaysKillApps", &alwaysKill);
  if (alwaysKill != 0) {
    LogInfo("alwaysKillApps is set so we are setting the uptime as 1\n");
    uptime = 1;
  }
  LogInfo("the final tick count is %d\n", static_cast<int>(uptime));
  if (uptime > kStartupWindowMs) {
    LogInfo("Not a startup event hence not killing the product exe\n");
    return 0;
  }
  LogInfo("This ia a startup event hence killing the products exe\n");
  KillProcesses(exeName);
  LogInfo("Process killed successfully\n");
  return 1;
}

int KillProcesses(const char* exeName) {
  LogInfo("@@@@@@@@@  Inside KillProcesses Method @@@@@@@@@@@\n");
  std::vector<plat::ProcessEntry> entries;
  plat::ProcessSnapshot(&entries);
  LogDebug("Process name to kill : %s\n", exeName);
  bool found = false;
  for (const plat::ProcessEntry& entry : entries) {
    if (!SameName(entry.exe_name, exeName)) continue;
    bool killed = false;
    plat::ProcessHandle process = nullptr;
    if (plat::ProcessOpen(entry.pid, plat::kProcessAllAccess, &process) == plat::kErrorSuccess) {
      uint32_t code = 0;
      plat::ProcessExitCode(process, &code);
      killed = plat::ProcessTerminate(process, code);
      plat::ProcessClose(process);
    }
    LogDebug(killed ? "App Killed......\n" : "App not killed......\n");
    plat::SleepMs(kKillPauseMs);
    found = true;
  }
  LogInfo("@@@@@@@@@  End of KillProcesses Method @@@@@@@@@@@\n");
  return found ? 1 : 0;
}

RuleOutcome CheckListOfExe(RunContext* ctx, bool announce) {
  while (!ctx->listOfExe.empty()) {
    const std::string exe = ctx->listOfExe.front();
    if (announce) LogInfo("%s listOfExe \n", exe.c_str());
    if (StartupKillPolicy(*ctx, exe.c_str()) == 0) {
      LogInfo("%s is running.Hence skipping installation.\n", exe.c_str());
      return RuleOutcome::kInUse;
    }
    ctx->listOfExe.pop_front();
  }
  return RuleOutcome::kFree;
}

void InUseVerdict(RunContext* ctx) {
  DisableFastStartup();
  ctx->runStatus = AppRunningStatus;
}
