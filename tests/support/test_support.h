// Shared pieces of the test programs: temporary directories, files,
// environment overrides, and running a real program as its users do.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace hvtest {

// A fresh directory removed with everything in it at the end of the test.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string Sub(const std::string& relative) const { return path_ + "/" + relative; }

 private:
  std::string path_;
};

// Sets (or, with no value, unsets) an environment variable for a scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  static void Set(const char* name, const char* value);
  std::string name_;
  bool had_old_;
  std::string old_;
};

void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
void MakeDirs(const std::string& path);
std::vector<std::string> SplitLines(const std::string& text);
// A heap text as a string ("(none)" when absent), freeing it.
std::string TakeText(char* text);
// The first of pieces that does not occur in text after the ones before it;
// empty when all occur in that order.
std::string FirstMissingInOrder(const std::string& text, const std::vector<std::string>& pieces);
// How often what occurs in text.
size_t CountOf(const std::string& text, const std::string& what);

struct RunResult {
  int status = -1;  // exit status, or 128 + signal
  std::string out;  // standard output
};

// Runs program with args in cwd (POSIX only); env entries are added to (or, with an empty
// name=value of "name=", replace in) the test's own environment.
RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::string& cwd, const std::map<std::string, std::string>& env);

}  // namespace hvtest
