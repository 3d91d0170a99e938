#include "host/execute.h"
#include "precheck/run_context.h"

RunCommandFn gv_runCommand = &execute;

int32_t RunUninstallCommand(RunContext* ctx, const std::string& command, int32_t minutes) {
  return gv_runCommand(ctx->systemDirectory.c_str(), command.c_str(), &ctx->remarks, minutes);
}
