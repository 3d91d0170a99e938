// Reading every entry of a large uninstall key from the POSIX registry file:
// the file is parsed once, then each read is a lookup.  The peer is the
// first read after the file changed, which has to parse it.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "host/registry_read.h"
#include "host/uninstall_keys.h"

namespace {

constexpr int kEntries = 2000;
const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

std::string MakeRegistryFile() {
  char pattern[] = "/tmp/hvbench.XXXXXX";
  std::string dir = mkdtemp(pattern);
  std::string path = dir + "/registry.reg";
  std::ofstream out(path);
  out << "Windows Registry Editor Version 5.00\n\n";
  for (int i = 0; i < kEntries; ++i) {
    out << "[HKEY_LOCAL_MACHINE\\" << kUninstall << "\\{0000" << i << "-PRODUCT}]\n"
        << "\"DisplayName\"=\"Product number " << i << "\"\n"
        << "\"UninstallString\"=\"MsiExec.exe /X{0000" << i << "-PRODUCT}\"\n"
        << "\"EstimatedSize\"=dword:00001000\n\n";
  }
  setenv("HVPRECHECK_REGISTRY", path.c_str(), 1);
  return path;
}

// What an uninstall rule does: list the entries, read each display name.
void ReadAllDisplayNames() {
  std::vector<std::string> names;
  EnumerateSubKeys(&names, kUninstall.c_str());
  for (const std::string& name : names) {
    std::string key = kUninstall + "\\" + name;
    char* text = nullptr;
    ReadRegSZ(plat::kHkeyLocalMachine, key.c_str(), "DisplayName", &text);
    benchmark::DoNotOptimize(text);
    free(text);
  }
}

void BM_EnumerateAndReadDisplayNames(benchmark::State& state) {
  MakeRegistryFile();
  for (auto _ : state) ReadAllDisplayNames();
  state.SetItemsProcessed(state.iterations() * kEntries);
}
BENCHMARK(BM_EnumerateAndReadDisplayNames)->Unit(benchmark::kMillisecond);

void BM_FirstReadAfterChange(benchmark::State& state) {
  std::string path = MakeRegistryFile();
  for (auto _ : state) {
    state.PauseTiming();
    std::ofstream(path, std::ios::app) << "\n";  // changes size and time
    state.ResumeTiming();
    char* text = nullptr;
    ReadRegSZ(plat::kHkeyLocalMachine, (kUninstall + "\\{00001-PRODUCT}").c_str(), "DisplayName",
              &text);
    free(text);
  }
}
BENCHMARK(BM_FirstReadAfterChange)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
