#include <cstring>

#include "precheck/run_context.h"
#include "runtime/log.h"
#include "runtime/textutil.h"

uint8_t gv_is32 = 0;
uint8_t gv_IsWow64 = 0;

namespace {

void SplitUninstallValue(const std::string& value, RunContext* ctx) {
  const size_t last = value.rfind('\\');
  const int position = last == std::string::npos ? -1 : static_cast<int>(last);
  LogDebug("Position of the last \\ is:%d", position);
  if (last == std::string::npos) {
    ctx->RegKeyPath = std::string(kUninstallKeyPrefix) + value;
    ctx->RegKeyValueName = value;
  } else {
    ctx->RegKeyPath = std::string(kUninstallKeyPrefix) + value.substr(0, last);
    ctx->RegKeyValueName = value.substr(last + 1);
  }
  LogInfo("Regkey Path:%s\tRegKeyValueName :%s\n", ctx->RegKeyPath.c_str(),
          ctx->RegKeyValueName.c_str());
}

bool TakesValue(char letter) { return std::strchr("cefknpsx", letter) != nullptr && letter; }

}  // namespace

void ParseCommandLine(int argc, const char* const* argv, RunContext* ctx) {
  for (int i = 1; i < argc; ++i) {
    const char* word = argv[i];
    if (!word || word[0] != '-' || !TakesValue(word[1])) continue;
    if (i + 1 >= argc) break;  // the last argument has no value
    const char* value = argv[++i];
    if (!value) break;
    switch (word[1]) {
      case 'c':
        ctx->clearAppDetection = ConvertStringToInt(value);
        LogInfo("App detection need to be cleared");
        break;
      case 'e':
        ctx->listOfExe.emplace_back(value);
        break;
      case 'f':
        ctx->processRunningDir = value;
        LogInfo("Process Running Dir : %s\n", value);
        break;
      case 'k':
        SplitUninstallValue(value, ctx);
        break;
      case 'n':
        ctx->productName = value;
        LogInfo("productName : %s\n", value);
        break;
      case 'p':
        ctx->processName = value;
        LogInfo("Process Name : %s\n", value);
        break;
      case 's':
        ctx->uninstallSwitches.emplace_back(value);
        break;
      case 'x': {
        const int32_t platform = ConvertStringToInt(value);
        if (platform == 32) {
          gv_is32 = 1;
        } else {
          gv_IsWow64 = 1;
        }
        LogInfo("App platform is %d and gv_is32 is %d and gv_IsWow64 is %d", platform, gv_is32,
                gv_IsWow64);
        break;
      }
    }
  }
}
