// Stand-in applications: copies of sleep named after Windows executables,
// started by the test and always killed and reaped when it ends.  Tests
// only ever kill what they started.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace hvtest {

class StandIns {
 public:
  explicit StandIns(std::string dir) : dir_(std::move(dir)) {}
  ~StandIns();
  StandIns(const StandIns&) = delete;
  StandIns& operator=(const StandIns&) = delete;

  // Starts <dir>/<subdir>/<name> and returns once the process runs under
  // that name.
  pid_t Start(const std::string& name, const std::string& subdir = "apps");
  // The same with a chosen first argument, which shows in its command line.
  pid_t StartAs(const std::string& name, const std::string& argv0,
                const std::string& subdir = "apps");
  // The copy a program of that name runs from.
  std::string PathOf(const std::string& name, const std::string& subdir = "apps") const;
  // False once the process has ended (it is reaped then).
  bool Alive(pid_t pid);

 private:
  std::string dir_;
  std::vector<pid_t> started_;
  std::vector<pid_t> ended_;
};

}  // namespace hvtest
