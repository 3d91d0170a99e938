// Lists the running processes' executable names for the Windows tests, one
// a line; with --uptime prints the tick count instead.
#include <windows.h>
// After windows.h.
#include <tlhelp32.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--uptime") == 0) {
    std::printf("%lu\n", static_cast<unsigned long>(GetTickCount()));
    return 0;
  }
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 1;
  PROCESSENTRY32 entry;
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    std::printf("%s\n", entry.szExeFile);
  }
  CloseHandle(snapshot);
  return 0;
}
