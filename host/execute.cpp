#include "host/execute.h"

#include <cstdlib>
#include <string>

#include "host/error_text.h"
#include "platform/platform.h"
#include "runtime/log.h"
#include "runtime/textutil.h"

namespace {

void SetRemarks(char** remarks, int32_t code) {
  char* text = GetErrorMessage(code);
  free(*remarks);
  *remarks = nullptr;
  if (text) AllocateAndCopyString(remarks, text);
  free(text);
}

}  // namespace

int32_t FoldInstallerExitCode(int32_t exitCode) {
  if (exitCode == plat::kErrorSuccessRebootInitiated ||
      exitCode == plat::kErrorSuccessRebootRequired) {
    return 0;
  }
  return exitCode;
}

int32_t execute(const char* workingDir, const char* commandLine, char** remarks, int32_t minutes) {
  LogInfo("@@@@@@@@ Inside execute Method @@@@@@@@ \n");
  if (!commandLine) {
    SetRemarks(remarks, plat::kErrorInvalidParameter);
    return plat::kErrorInvalidParameter;
  }
  std::string saved;  // as long as it needs to be
  if (workingDir) {
    int32_t result = plat::CurrentDirectory(&saved);
    if (result != plat::kErrorSuccess) {
      LogInfo("execute: Failed to get the CurrentWorkingDirectory \n");
      SetRemarks(remarks, result);
      return result;
    }
    LogInfo("execute : Current Working Directory : %s \n", saved.c_str());
    LogInfo("execute : Executing Application Source : %s \n", commandLine);
    LogInfo("execute : Set Working Directory : %s \n", workingDir);
    result = plat::EnterWorkingDirectory(workingDir);
    if (result != plat::kErrorSuccess) {
      LogInfo("execute : Failed to set the WorkingDirectory %s \n ", workingDir);
      SetRemarks(remarks, result);
      return result;
    }
  }

  int32_t result = plat::kErrorSuccess;
  plat::ProcessHandle process = nullptr;
  int32_t started = plat::ProcessStart(commandLine, workingDir, &process);
  if (started != plat::kErrorSuccess) {
    result = started;
    LogInfo("execute : Failed to Create the Process for the application \n");
    SetRemarks(remarks, result);
  } else {
    LogInfo("execute : Process successfully created for application %s \n", commandLine);
    const uint32_t limit = static_cast<uint32_t>(minutes) * 60000u;
    const uint32_t waited = plat::ProcessWait(process, limit);
    if (waited == plat::kWaitFailed) {
      result = static_cast<int32_t>(plat::LastErrorCode());
      LogInfo("execute : WaitForSingleObject Failed with error code %d \n", result);
      SetRemarks(remarks, result);
    } else if (waited == plat::kWaitTimeout) {
      result = plat::kErrorWaitTimeout;
      LogInfo(
          "execute : Terminating the Process for application %s as time is exceeded %d Minutes \n",
          commandLine, minutes);
      SetRemarks(remarks, result);
      if (plat::ProcessTerminate(process, 0)) {
        LogInfo("execute : The process has been successfully terminated ..! \n");
      } else {
        LogInfo("execute : The process termination is failed with error code : %d \n",
                static_cast<int32_t>(plat::LastErrorCode()));
      }
    } else {
      uint32_t code = 0;
      if (!plat::ProcessExitCode(process, &code)) {
        result = static_cast<int32_t>(plat::LastErrorCode());
        LogInfo(
            "execute : Unable to find the exit code for the application and the error code is : %d "
            "\n",
            result);
        SetRemarks(remarks, result);
      } else {
        SetRemarks(remarks, static_cast<int32_t>(code));
        LogInfo("execute : Exit code for the application : %d \n", static_cast<int32_t>(code));
        result = FoldInstallerExitCode(static_cast<int32_t>(code));
      }
    }
    plat::ProcessClose(process);
  }

  if (workingDir) plat::LeaveWorkingDirectory(saved.c_str());
  LogInfo("execute : Remarks from the CreateProcess is %s for the executable %s \n", *remarks,
          commandLine);
  LogInfo("@@@@@@@@ End Of execute Method @@@@@@@@ \n");
  return result;
}
