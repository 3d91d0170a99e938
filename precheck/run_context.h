// The settings of one precheck run, taken from the command line and the
// agent's registry area; every rule reads them.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>

#include "platform/platform.h"

// Registry area of the patch-management agent.
inline constexpr const char* kAgentKey = "Software\\Kestrane\\Halvora\\HVAgent";
inline constexpr const char* kUninstallKeyPrefix =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// An executable of the product is in use and was not killed.
inline constexpr int32_t AppRunningStatus = 20001;

struct RunContext {
  std::optional<std::string> productName;        // -n
  std::optional<std::string> processName;        // -p, logged only
  std::optional<std::string> processRunningDir;  // -f
  int32_t clearAppDetection = 0;                 // -c; nonzero selects clear mode
  std::deque<std::string> listOfExe;             // -e, consumed from the front
  std::deque<std::string> uninstallSwitches;     // -s, consumed by the generic rule
  std::string RegKeyPath;                        // -k
  std::string RegKeyValueName;                   // -k
  std::optional<std::string> agentInstallDir;
  std::optional<std::string> agentVersion;
  std::string systemDirectory;  // working directory of every uninstall command
  char* remarks = nullptr;      // of the last command run; owned here, only logged
  int32_t runStatus = 0;
  plat::WmiHandle wmiServices = nullptr;
};

// Process-wide platform flags set by -x; never cleared once set.
extern uint8_t gv_is32;
extern uint8_t gv_IsWow64;

// How the rules run an uninstall command: execute, unless a test records
// the calls instead.
using RunCommandFn = int32_t (*)(const char* workingDir, const char* commandLine, char** remarks,
                                 int32_t minutes);
extern RunCommandFn gv_runCommand;

// Runs one uninstall command in the system directory with a limit in
// minutes; its remarks replace ctx->remarks.
int32_t RunUninstallCommand(RunContext* ctx, const std::string& command, int32_t minutes);

// Fills ctx from argv[1..argc-1].  An option given as the last argument has
// no value and is ignored.
void ParseCommandLine(int argc, const char* const* argv, RunContext* ctx);

// The optional text for a %s argument: absent texts print as "(null)".
inline const char* TextOrNull(const std::optional<std::string>& text) {
  return text ? text->c_str() : nullptr;
}
