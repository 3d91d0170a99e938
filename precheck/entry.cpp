#include "precheck/entry.h"

#include <cstdlib>
#include <string>

#include "host/registry_read.h"
#include "platform/platform.h"
#include "precheck/rule_dispatch.h"
#include "precheck/run_context.h"
#include "runtime/locktable.h"
#include "runtime/log.h"

namespace {

constexpr const char* kLogFileName = "hvvantrel.log";
constexpr int32_t kLogSizeValue = 100000;
constexpr uint8_t kLogLevel = 3;

void SetUpLog() {
  std::string cwd;
  int32_t error = plat::CurrentDirectory(&cwd);
  if (error != plat::kErrorSuccess) {
    LogInfo("Create dir failed : %d \n", error);  // no log is open: written nowhere
    return;
  }
  InitLogDefaults();
  const std::string dir = cwd + plat::kPathSeparator + ".." + plat::kPathSeparator + "logs";
  plat::MakeDirectory(dir.c_str());  // an existing directory is fine
  SetLogParams(kLogFileName, dir.c_str(), kLogSizeValue, nullptr, kLogLevel);
  OpenLogFile();
  InitMutex();
}

std::optional<std::string> ReadAgentText(const char* valueName) {
  char* text = nullptr;
  int32_t result = ReadRegSZ(plat::kHkeyLocalMachine, kAgentKey, valueName, &text);
  std::optional<std::string> value;
  if (result == plat::kErrorSuccess && text) value = text;
  free(text);
  return value;
}

}  // namespace

int PrecheckMain(int argc, const char* const* argv) {
  RunContext ctx;
  SetUpLog();
  ctx.agentInstallDir = ReadAgentText("HVAgentInstallDir");
  ctx.listOfExe.clear();
  ctx.uninstallSwitches.clear();
  ParseCommandLine(argc, argv, &ctx);
  if (!ctx.productName) {
    LogInfo("product name is null\n");
    return 0;
  }
  // Used whole, whatever its length.
  plat::SystemDirectory(&ctx.systemDirectory);
  ctx.agentVersion = ReadAgentText("HVAgentVersion");
  DispatchProductRule(&ctx);
  free(ctx.remarks);

  CloseLogFile();
  FreeLogParams();
  plat::MutexClose(gv_lockTableMutex);
  gv_lockTableMutex = nullptr;
  return ctx.runStatus;
}
