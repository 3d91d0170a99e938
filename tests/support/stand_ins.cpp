#include "tests/support/stand_ins.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <thread>

namespace hvtest {

namespace {

std::string SleepProgram() {
  for (const char* p : {"/usr/bin/sleep", "/bin/sleep"}) {
    if (access(p, X_OK) == 0) return p;
  }
  throw std::runtime_error("no sleep program");
}

}  // namespace

StandIns::~StandIns() {
  for (pid_t pid : started_) {
    if (std::find(ended_.begin(), ended_.end(), pid) != ended_.end()) continue;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
}

std::string StandIns::PathOf(const std::string& name, const std::string& subdir) const {
  return dir_ + "/" + subdir + "/" + name;
}

pid_t StandIns::Start(const std::string& name, const std::string& subdir) {
  return StartAs(name, name, subdir);
}

pid_t StandIns::StartAs(const std::string& name, const std::string& argv0,
                        const std::string& subdir) {
  const std::string path = PathOf(name, subdir);
  if (access(path.c_str(), X_OK) != 0) {
    std::filesystem::create_directories(dir_ + "/" + subdir);
    std::filesystem::copy_file(SleepProgram(), path);
    chmod(path.c_str(), 0755);
  }
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    execl(path.c_str(), argv0.c_str(), "600", static_cast<char*>(nullptr));
    _exit(127);
  }
  started_.push_back(pid);
  // Wait until the exec has happened, so a snapshot sees the new name.
  const std::string exe = "/proc/" + std::to_string(pid) + "/exe";
  for (int i = 0; i < 400; ++i) {
    char target[4096];
    ssize_t n = readlink(exe.c_str(), target, sizeof target - 1);
    if (n > 0 && std::string(target, static_cast<size_t>(n)) == path) return pid;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  throw std::runtime_error("stand-in did not start: " + path);
}

bool StandIns::Alive(pid_t pid) {
  if (std::find(ended_.begin(), ended_.end(), pid) != ended_.end()) return false;
  if (waitpid(pid, nullptr, WNOHANG) == pid) {
    ended_.push_back(pid);
    return false;
  }
  return true;
}

}  // namespace hvtest
