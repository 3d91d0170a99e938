#include "tests/support/test_support.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace hvtest {

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/hvtest.XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
  path_ = buf.data();
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
  const char* old = std::getenv(name);
  had_old_ = old != nullptr;
  if (old) old_ = old;
  if (value) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
}

ScopedEnv::~ScopedEnv() {
  if (had_old_) {
    setenv(name_.c_str(), old_.c_str(), 1);
  } else {
    unsetenv(name_.c_str());
  }
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + path);
  out << content;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

void MakeDirs(const std::string& path) { std::filesystem::create_directories(path); }

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string TakeText(char* text) {
  std::string s = text ? text : "(none)";
  free(text);
  return s;
}

std::string FirstMissingInOrder(const std::string& text, const std::vector<std::string>& pieces) {
  size_t at = 0;
  for (const std::string& piece : pieces) {
    size_t found = text.find(piece, at);
    if (found == std::string::npos) return piece.empty() ? std::string("(empty piece)") : piece;
    at = found + piece.size();
  }
  return {};
}

size_t CountOf(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::string& cwd, const std::map<std::string, std::string>& env) {
  std::map<std::string, std::string> merged;
  for (char** e = environ; *e; ++e) {
    const char* eq = std::strchr(*e, '=');
    if (eq) merged[std::string(*e, static_cast<size_t>(eq - *e))] = eq + 1;
  }
  for (const auto& [k, v] : env) merged[k] = v;
  std::vector<std::string> env_text;
  for (const auto& [k, v] : merged) env_text.push_back(k + "=" + v);
  std::vector<char*> envp;
  for (auto& s : env_text) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::vector<std::string> argv_text{program};
  argv_text.insert(argv_text.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& s : argv_text) argv.push_back(s.data());
  argv.push_back(nullptr);

  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) throw std::runtime_error("pipe failed");
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    dup2(pipe_fds[1], 1);
    close(pipe_fds[0]);
    close(pipe_fds[1]);
    int null_fd = open("/dev/null", O_RDONLY);
    if (null_fd >= 0) dup2(null_fd, 0);
    if (chdir(cwd.c_str()) != 0) _exit(126);
    execve(program.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  close(pipe_fds[1]);
  RunResult result;
  char buf[4096];
  for (ssize_t n; (n = read(pipe_fds[0], buf, sizeof buf)) != 0;) {
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    result.out.append(buf, static_cast<size_t>(n));
  }
  close(pipe_fds[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

}  // namespace hvtest
