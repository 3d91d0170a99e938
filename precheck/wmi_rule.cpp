#include "precheck/wmi_rule.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "host/error_text.h"
#include "platform/platform.h"
#include "runtime/log.h"

namespace {

constexpr const char16_t* kNamespace = u"root\\cimv2";
constexpr const char16_t* kQuery =
    u"Select * from Win32_Process where CommandLine like '%pdfsam-community%'";

void Say(const char* text) {
  fputs(text, stdout);
  fflush(stdout);
}

}  // namespace

int32_t InitWMIConnection(RunContext* ctx) {
  int32_t hr = plat::ComInitializeMultithreaded();
  if (hr < 0) {
    LogError("GetValuesUsingWMIQuery : Failed to initialize COM library. Error code = 0x%x\n",
             static_cast<unsigned>(hr));
    return hr;
  }
  plat::WmiHandle locator = nullptr;
  hr = plat::WmiCreateLocator(&locator);
  if (hr < 0) {
    LogError("GetValuesUsingWMIQuery : Failed to create IWbemLocator object. Err code = 0x%x\n",
             static_cast<unsigned>(hr));
    return hr;
  }
  hr = plat::WmiConnectServer(locator, kNamespace, &ctx->wmiServices);
  plat::WmiRelease(locator);
  if (hr < 0) {
    ctx->wmiServices = nullptr;
    LogError("GetValuesUsingWMIQuery :Could not connect. Error code = 0x%x\n",
             static_cast<unsigned>(hr));
    return hr;
  }
  LogInfo("GetValuesUsingWMIQuery : Connected to ROOT\\CIMV2 WMI namespace\n");
  hr = plat::WmiSetProxyBlanket(ctx->wmiServices);
  if (hr < 0) {
    LogError("GetValuesUsingWMIQuery :Could not set proxy blanket. Error code = 0x%x\n",
             static_cast<unsigned>(hr));
  }
  return hr;
}

int32_t GetValuesUsingWMIQuery(RunContext* ctx, std::optional<std::u16string>* commandLine) {
  if (!ctx->wmiServices) {
    LogInfo("WMI connection failed. So ignoring WMI Check\n");
    return 0;
  }
  std::vector<std::optional<std::u16string>> lines;
  int32_t result = plat::WmiQueryCommandLines(ctx->wmiServices, kQuery, &lines);
  if (result < 0) {
    LogError(
        "GetValuesUsingWMIQuery : Query for the required wmi class is failed . Error code = "
        "0x%x\n",
        static_cast<unsigned>(result));
  } else {
    for (const auto& line : lines) {
      if (!line) continue;  // an object without a command line
      *commandLine = *line;
      char* text = nullptr;
      ChangeWideStrToUtf8(line->c_str(), &text);
      LogInfo("GetValuesUsingWMIQuery : The required Value is given by: %s\n", text ? text : "");
      free(text);
      result = 0;
    }
  }
  LogDebug("GetValuesUsingWMIQuery : Going to clean the allocated resources .\n");
  return result;
}

RuleOutcome PdfsamBasicRule(RunContext* ctx) {
  InitWMIConnection(ctx);
  std::optional<std::u16string> commandLine;
  GetValuesUsingWMIQuery(ctx, &commandLine);
  bool running = commandLine && commandLine->find(u"pdfsam-community") != std::u16string::npos;
  Say(running ? "Pdfsam Running" : "Pdfsam not Running");
  if (StartupKillPolicy(*ctx, "pdfsam.exe") == 0) running = true;
  Say("before closing wmi");
  if (ctx->wmiServices) {
    plat::WmiRelease(ctx->wmiServices);
    ctx->wmiServices = nullptr;
  }
  plat::ComUninitialize();
  Say("closed wmi");
  return running ? RuleOutcome::kInUse : RuleOutcome::kFree;
}
