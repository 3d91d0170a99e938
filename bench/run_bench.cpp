// A whole hvprecheck run for a plain row (7zip, nothing of it running) on
// a machine with 100, 1,000 and 5,000 running processes, side by side with
// `pgrep -x 7zFM.exe` over the same process table.  The processes are this
// program's own children, parked until the end (and killed with it should
// it die); their number never goes beyond the largest size.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/ratio_reporter.h"

extern char** environ;

namespace {

constexpr int kLargest = 5000;
std::vector<pid_t> g_parked;

void Unpark() {
  for (pid_t pid : g_parked) kill(pid, SIGKILL);
  for (pid_t pid : g_parked) waitpid(pid, nullptr, 0);
  g_parked.clear();
}

// Grows or shrinks the parked population to n processes.
bool Population(int n) {
  if (n > kLargest) return false;
  while (static_cast<int>(g_parked.size()) > n) {
    kill(g_parked.back(), SIGKILL);
    waitpid(g_parked.back(), nullptr, 0);
    g_parked.pop_back();
  }
  const pid_t parent = getpid();
  while (static_cast<int>(g_parked.size()) < n) {
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (getppid() != parent) _exit(0);
      for (;;) pause();
    }
    g_parked.push_back(pid);
  }
  return true;
}

// Runs a program to its end; its exit status, or -1.
int Run(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) env.emplace_back(*e);
  env.insert(env.end(), extraEnv.begin(), extraEnv.end());
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<std::string> copy = args;
  std::vector<char*> argv;
  for (std::string& a : copy) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (failed) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Machine {
  std::string dir;
  Machine() {
    char pattern[] = "/tmp/hvrunbench.XXXXXX";
    dir = mkdtemp(pattern) ? pattern : "/tmp";
    std::filesystem::create_directories(dir + "/work");
    std::ofstream(dir + "/registry.reg")
        << "Windows Registry Editor Version 5.00\n\n"
           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrane\\Halvora\\HVAgent]\n"
           "\"HVAgentInstallDir\"=\"C:\\\\HVAgent\"\n\n"
           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrane\\Halvora\\HVAgent\\Patch]\n"
           "\"alwaysKillApps\"=dword:00000000\n\n";
  }
  ~Machine() { std::filesystem::remove_all(dir); }
};

void BM_WholeRun(benchmark::State& state) {
  static Machine machine;
  if (!Population(static_cast<int>(state.range(0)))) {
    state.SkipWithError("cannot start the processes");
    return;
  }
  const bool peer = state.range(1) == 1;
  const std::vector<std::string> env = {"HVPRECHECK_REGISTRY=" + machine.dir + "/registry.reg",
                                        "HVPRECHECK_UPTIME_MS=3600000"};
  std::filesystem::current_path(machine.dir + "/work");
  for (auto _ : state) {
    const int status =
        peer ? Run({"pgrep", "-x", "7zFM.exe"}, {}) : Run({HVPRECHECK_BINARY, "-n", "7zip"}, env);
    if (status != (peer ? 1 : 0)) state.SkipWithError("unexpected exit status");
  }
  state.SetLabel(peer ? "pgrep -x 7zFM.exe" : "hvprecheck -n 7zip");
}
BENCHMARK(BM_WholeRun)
    ->Args({100, 0})
    ->Args({100, 1})
    ->Args({1000, 0})
    ->Args({1000, 1})
    ->Args({kLargest, 0})
    ->Args({kLargest, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  hvbench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  Unpark();
  reporter.Ratios(
      {{"BM_WholeRun/100/0/min_time:1.000/real_time", "BM_WholeRun/100/1/min_time:1.000/real_time"},
       {"BM_WholeRun/1000/0/min_time:1.000/real_time",
        "BM_WholeRun/1000/1/min_time:1.000/real_time"},
       {"BM_WholeRun/5000/0/min_time:1.000/real_time",
        "BM_WholeRun/5000/1/min_time:1.000/real_time"},
       {"BM_WholeRun/5000/0/min_time:1.000/real_time",
        "BM_WholeRun/100/0/min_time:1.000/real_time"},
       {"BM_WholeRun/5000/1/min_time:1.000/real_time",
        "BM_WholeRun/100/1/min_time:1.000/real_time"}});
  benchmark::Shutdown();
  return 0;
}
