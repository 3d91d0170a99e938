// Programs of the seam on Windows: hidden child processes, waits, exit codes.
#include <windows.h>
// After windows.h: the tool-help and process-status interfaces.
#include <psapi.h>
#include <tlhelp32.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"

struct plat::ProcessObject {
  PROCESS_INFORMATION info;
};

namespace plat {

int32_t EnterWorkingDirectory(const char* dir) {
  return SetCurrentDirectoryA(dir) ? kErrorSuccess : static_cast<int32_t>(GetLastError());
}

void LeaveWorkingDirectory(const char* saved) {
  if (saved) SetCurrentDirectoryA(saved);  // a failure is ignored
}

int32_t ProcessStart(const char* command_line, const char* working_dir, ProcessHandle* process) {
  if (!process) return kErrorInvalidParameter;
  *process = nullptr;
  if (!command_line) return kErrorInvalidParameter;
  // CreateProcessA may write into the command line.
  std::vector<char> line(command_line, command_line + strlen(command_line) + 1);
  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info;
  ZeroMemory(&info, sizeof info);
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE,
                      CREATE_NO_WINDOW | CREATE_DEFAULT_ERROR_MODE, nullptr, working_dir, &startup,
                      &info)) {
    return static_cast<int32_t>(GetLastError());
  }
  *process = new ProcessObject{info};
  return kErrorSuccess;
}

uint32_t ProcessWait(ProcessHandle process, uint32_t milliseconds) {
  if (!process) {
    SetLastError(ERROR_INVALID_HANDLE);
    return kWaitFailed;
  }
  return WaitForSingleObject(process->info.hProcess, milliseconds);
}

bool ProcessTerminate(ProcessHandle process, uint32_t exit_code) {
  return process && TerminateProcess(process->info.hProcess, exit_code);
}

bool ProcessExitCode(ProcessHandle process, uint32_t* exit_code) {
  DWORD code = 0;
  if (!process || !GetExitCodeProcess(process->info.hProcess, &code)) return false;
  *exit_code = code;
  return true;
}

void ProcessClose(ProcessHandle process) {
  if (!process) return;
  if (process->info.hThread) CloseHandle(process->info.hThread);
  CloseHandle(process->info.hProcess);
  delete process;
}

bool ProcessSnapshot(std::vector<ProcessEntry>* entries) {
  entries->clear();
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  PROCESSENTRY32 entry;
  ZeroMemory(&entry, sizeof entry);
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    entries->push_back(ProcessEntry{entry.th32ProcessID, entry.szExeFile});
  }
  CloseHandle(snapshot);
  return true;
}

int32_t ProcessOpen(uint32_t pid, uint32_t access, ProcessHandle* process) {
  if (!process) return kErrorInvalidParameter;
  *process = nullptr;
  HANDLE handle = OpenProcess(access, FALSE, pid);
  if (!handle) return static_cast<int32_t>(GetLastError());
  PROCESS_INFORMATION info;
  ZeroMemory(&info, sizeof info);
  info.hProcess = handle;
  *process = new ProcessObject{info};
  return kErrorSuccess;
}

bool ProcessModulePath(ProcessHandle process, std::string* path) {
  char buffer[MAX_PATH];
  DWORD n = GetModuleFileNameExA(process->info.hProcess, nullptr, buffer, MAX_PATH);
  if (n == 0) return false;
  path->assign(buffer, n);
  return true;
}

}  // namespace plat
