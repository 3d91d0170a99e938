// Runs a command line under Wine and writes its whole 32-bit exit status to
// a file, which an 8-bit Linux exit status cannot carry:
//   runner.exe <status file> <program> [arguments...]
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  // The command line after the status file, as it was written.
  const char* line = GetCommandLineA();
  const char* rest = std::strstr(line, argv[1]);
  if (!rest) return 2;
  rest += std::strlen(argv[1]);
  if (*rest == '"') ++rest;
  while (*rest == ' ') ++rest;
  char command[32768];
  std::snprintf(command, sizeof command, "%s", rest);
  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION info;
  if (!CreateProcessA(nullptr, command, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &info)) {
    return 3;
  }
  WaitForSingleObject(info.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(info.hProcess, &code);
  if (FILE* f = std::fopen(argv[1], "w")) {
    std::fprintf(f, "%lu\n", static_cast<unsigned long>(code));
    std::fclose(f);
  }
  return 0;
}
