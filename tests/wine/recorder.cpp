// A stand-in uninstaller for the Windows tests: appends its command line and
// working directory to the file named by RECORD, then exits with the code
// in EXIT_WITH (32 bits, so the installer codes 1641 and 3010 can come back).
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main() {
  char record[MAX_PATH];
  if (GetEnvironmentVariableA("RECORD", record, sizeof record)) {
    if (FILE* f = std::fopen(record, "a")) {
      char cwd[MAX_PATH] = "";
      GetCurrentDirectoryA(sizeof cwd, cwd);
      std::fprintf(f, "%s | %s\n", GetCommandLineA(), cwd);
      std::fclose(f);
    }
  }
  char code[32] = "0";
  GetEnvironmentVariableA("EXIT_WITH", code, sizeof code);
  return static_cast<int>(std::strtoul(code, nullptr, 10));
}
