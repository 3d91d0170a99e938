// The settings of one precheck run, taken from the command line and the
// agent's registry area; every rule reads them.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>

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
  std::optional<std::string> remarks;
  int32_t runStatus = 0;
  void* wmiServices = nullptr;
};

// Process-wide platform flags set by -x; never cleared once set.
extern uint8_t gv_is32;
extern uint8_t gv_IsWow64;

// Fills ctx from argv[1..argc-1].  An option given as the last argument has
// no value and is ignored.
void ParseCommandLine(int argc, const char* const* argv, RunContext* ctx);

// The optional text for a %s argument: absent texts print as "(null)".
inline const char* TextOrNull(const std::optional<std::string>& text) {
  return text ? text->c_str() : nullptr;
}
