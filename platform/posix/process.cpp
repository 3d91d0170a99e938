// Programs of the seam on Linux: a Windows command line started as a real
// child process in its working directory, waited for with a time limit.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/command_line.h"
#include "platform/posix/errno_map.h"

extern char** environ;

struct plat::ProcessObject {
  bool child = true;  // started by us (else opened by id): only children are reaped
  pid_t pid = -1;
  int pidfd = -1;
  bool reaped = false;
  bool terminated = false;  // by ProcessTerminate, with terminate_code
  uint32_t terminate_code = 0;
  int status = 0;
};

namespace plat {

namespace {

constexpr uint32_t kInfinite = 0xFFFFFFFFu;

bool IsRegularFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string Joined(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  return dir.back() == '/' ? dir + name : dir + "/" + name;
}

// Where process creation would find the program: a name with a directory
// part is taken as it stands (relative to the working directory); a bare
// name is looked for in the working directory, then on PATH.  A name without
// an extension is also tried with ".exe".
bool Resolve(const std::string& name, const std::string& base, std::string* path) {
  std::vector<std::string> names{name};
  size_t slash = name.rfind('/');
  if (name.find('.', slash == std::string::npos ? 0 : slash) == std::string::npos) {
    names.push_back(name + ".exe");
  }
  for (const std::string& n : names) {
    if (n.find('/') != std::string::npos) {
      std::string p = n.front() == '/' ? n : Joined(base, n);
      if (IsRegularFile(p)) {
        *path = p;
        return true;
      }
      continue;
    }
    std::vector<std::string> dirs{base};
    const char* env = std::getenv("PATH");
    std::string list = env ? env : "/usr/local/bin:/usr/bin:/bin";
    for (size_t start = 0; start <= list.size();) {
      size_t colon = list.find(':', start);
      if (colon == std::string::npos) colon = list.size();
      std::string dir = list.substr(start, colon - start);
      dirs.push_back(dir.empty() ? "." : dir);
      start = colon + 1;
    }
    for (const std::string& dir : dirs) {
      std::string p = Joined(dir, n);
      if (IsRegularFile(p)) {
        *path = p;
        return true;
      }
    }
  }
  return false;
}

// Whether a process we did not start has ended (its descriptor is readable).
bool Ended(const ProcessObject* p) {
  if (p->pidfd < 0) return kill(p->pid, 0) != 0 && errno == ESRCH;
  pollfd fd{p->pidfd, POLLIN, 0};
  return poll(&fd, 1, 0) > 0;
}

void Reap(ProcessObject* p, int options) {
  if (p->reaped || !p->child) return;
  int status = 0;
  pid_t r;
  do {
    r = waitpid(p->pid, &status, options);
  } while (r < 0 && errno == EINTR);
  if (r == p->pid) {
    p->reaped = true;
    p->status = status;
  }
}

long long NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

}  // namespace

int32_t EnterWorkingDirectory(const char* dir) {
  int32_t result = kErrorSuccess;
  struct stat st;
  if (!dir || !*dir) {
    result = kErrorFileNotFound;
  } else if (stat(dir, &st) != 0) {
    result = errno == ENOTDIR ? kErrorPathNotFound
                              : posix::WindowsErrorFromErrno(errno, kErrorPathNotFound);
  } else if (!S_ISDIR(st.st_mode)) {
    result = kErrorDirectory;
  } else if (access(dir, X_OK) != 0) {
    result = kErrorAccessDenied;
  }
  if (result != kErrorSuccess) SetLastErrorCode(static_cast<uint32_t>(result));
  return result;
}

void LeaveWorkingDirectory(const char* /*saved*/) {}

int32_t ProcessStart(const char* command_line, const char* working_dir, ProcessHandle* process) {
  if (!process) return kErrorInvalidParameter;
  *process = nullptr;
  if (!command_line) return kErrorInvalidParameter;
  std::string base;
  if (working_dir && *working_dir) {
    base = working_dir;
  } else {
    char* cwd = getcwd(nullptr, 0);
    if (cwd) base = cwd;
    free(cwd);
  }

  std::string path;
  std::vector<std::string> argv_text;
  for (const posix::ProgramChoice& choice : posix::ProgramCandidates(command_line)) {
    if (Resolve(choice.program, base, &path)) {
      argv_text.push_back(choice.program);
      for (std::string& a : posix::SplitArguments(choice.rest)) argv_text.push_back(std::move(a));
      break;
    }
  }
  if (argv_text.empty()) {
    SetLastErrorCode(kErrorFileNotFound);
    return kErrorFileNotFound;
  }
  std::vector<char*> argv;
  for (std::string& a : argv_text) argv.push_back(a.data());
  argv.push_back(nullptr);
  const char* child_dir = working_dir && *working_dir ? working_dir : nullptr;

  // The child reports a failed exec through this pipe; a clean exec closes it.
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0)
    return posix::WindowsErrorFromErrno(errno, kErrorNotEnoughMemory);
  pid_t pid = fork();
  if (pid < 0) {
    int error = errno;
    close(report[0]);
    close(report[1]);
    return posix::WindowsErrorFromErrno(error, kErrorNotEnoughMemory);
  }
  if (pid == 0) {
    // Only async-signal-safe calls from here on.
    setpgid(0, 0);
    int null_fd = open("/dev/null", O_RDWR);
    if (null_fd >= 0) {
      dup2(null_fd, 0);
      dup2(null_fd, 1);
      dup2(null_fd, 2);
      if (null_fd > 2) close(null_fd);
    }
    int error = 0;
    if (child_dir && chdir(child_dir) != 0) {
      error = errno;
    } else {
      execve(path.c_str(), argv.data(), environ);
      error = errno;
    }
    ssize_t ignored = write(report[1], &error, sizeof error);
    (void)ignored;
    _exit(127);
  }
  close(report[1]);
  int child_error = 0;
  ssize_t n;
  do {
    n = read(report[0], &child_error, sizeof child_error);
  } while (n < 0 && errno == EINTR);
  close(report[0]);

  auto* p = new ProcessObject;
  p->pid = pid;
  if (n == static_cast<ssize_t>(sizeof child_error)) {
    Reap(p, 0);
    delete p;
    int32_t code = child_error == ENOEXEC
                       ? kErrorBadExeFormat
                       : posix::WindowsErrorFromErrno(child_error, kErrorFileNotFound);
    SetLastErrorCode(static_cast<uint32_t>(code));
    return code;
  }
  p->pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  *process = p;
  return kErrorSuccess;
}

uint32_t ProcessWait(ProcessHandle p, uint32_t milliseconds) {
  if (!p || !p->child) {
    SetLastErrorCode(kErrorInvalidHandle);
    return kWaitFailed;
  }
  Reap(p, WNOHANG);
  if (p->reaped) return kWaitObject0;
  const long long deadline = milliseconds == kInfinite ? -1 : NowMs() + milliseconds;
  while (true) {
    long long left = deadline < 0 ? -1 : deadline - NowMs();
    if (deadline >= 0 && left < 0) left = 0;
    if (p->pidfd >= 0) {
      pollfd fd{p->pidfd, POLLIN, 0};
      int timeout = left < 0 ? -1 : static_cast<int>(left > INT_MAX ? INT_MAX : left);
      int r = poll(&fd, 1, timeout);
      if (r < 0 && errno != EINTR) {
        SetLastErrorCode(
            static_cast<uint32_t>(posix::WindowsErrorFromErrno(errno, kErrorInvalidHandle)));
        return kWaitFailed;
      }
      if (r > 0) {
        Reap(p, 0);
        return kWaitObject0;
      }
    } else {
      // Without process descriptors: look every few milliseconds.
      Reap(p, WNOHANG);
      if (p->reaped) return kWaitObject0;
      if (left != 0) {
        timespec ts{0, 5 * 1000000L};
        nanosleep(&ts, nullptr);
      }
    }
    Reap(p, WNOHANG);
    if (p->reaped) return kWaitObject0;
    if (deadline >= 0 && NowMs() >= deadline) return kWaitTimeout;
  }
}

bool ProcessTerminate(ProcessHandle p, uint32_t exit_code) {
  if (!p) {
    SetLastErrorCode(kErrorInvalidHandle);
    return false;
  }
  if (!p->child) {
    int r = p->pidfd >= 0
                ? static_cast<int>(syscall(SYS_pidfd_send_signal, p->pidfd, SIGKILL, nullptr, 0))
                : kill(p->pid, SIGKILL);
    if (r != 0) {
      int32_t code = errno == ESRCH ? static_cast<int32_t>(kErrorAccessDenied)
                                    : posix::WindowsErrorFromErrno(errno, kErrorAccessDenied);
      SetLastErrorCode(static_cast<uint32_t>(code));
      return false;
    }
    p->terminated = true;
    p->terminate_code = exit_code;
    return true;
  }
  Reap(p, WNOHANG);
  if (p->reaped) {
    SetLastErrorCode(kErrorAccessDenied);  // as for a process that has ended
    return false;
  }
  // The whole group, so that what the program started goes with it.
  kill(-p->pid, SIGKILL);
  if (kill(p->pid, SIGKILL) != 0 && errno != ESRCH) {
    SetLastErrorCode(
        static_cast<uint32_t>(posix::WindowsErrorFromErrno(errno, kErrorAccessDenied)));
    return false;
  }
  Reap(p, 0);
  p->terminated = true;
  p->terminate_code = exit_code;
  return true;
}

bool ProcessExitCode(ProcessHandle p, uint32_t* exit_code) {
  if (!p || !exit_code) {
    SetLastErrorCode(kErrorInvalidHandle);
    return false;
  }
  if (!p->child) {
    // Another's process: its code is known only while it runs.
    *exit_code = !Ended(p) ? kStillActive : p->terminated ? p->terminate_code : 0;
    return true;
  }
  Reap(p, WNOHANG);
  if (!p->reaped) {
    *exit_code = kStillActive;
  } else if (p->terminated) {
    *exit_code = p->terminate_code;
  } else if (WIFEXITED(p->status)) {
    *exit_code = static_cast<uint32_t>(WEXITSTATUS(p->status));
  } else if (WIFSIGNALED(p->status)) {
    *exit_code = 128u + static_cast<uint32_t>(WTERMSIG(p->status));  // as a shell reports it
  } else {
    *exit_code = 1;
  }
  return true;
}

void ProcessClose(ProcessHandle p) {
  if (!p) return;
  Reap(p, WNOHANG);
  if (p->pidfd >= 0) close(p->pidfd);
  delete p;
}

int32_t ProcessOpen(uint32_t pid, uint32_t /*access*/, ProcessHandle* process) {
  if (!process) return kErrorInvalidParameter;
  *process = nullptr;
  // A process whose executable we may not read cannot be opened.
  const std::string exe = "/proc/" + std::to_string(pid) + "/exe";
  char target[4096];
  if (readlink(exe.c_str(), target, sizeof target) < 0) {
    int32_t code = errno == ENOENT ? kErrorInvalidParameter : kErrorAccessDenied;
    SetLastErrorCode(static_cast<uint32_t>(code));
    return code;
  }
  auto* p = new ProcessObject;
  p->child = false;
  p->pid = static_cast<pid_t>(pid);
  p->pidfd = static_cast<int>(syscall(SYS_pidfd_open, p->pid, 0));
  if (p->pidfd < 0 && errno == ESRCH) {
    delete p;
    SetLastErrorCode(kErrorInvalidParameter);
    return kErrorInvalidParameter;
  }
  *process = p;
  return kErrorSuccess;
}

bool ProcessModulePath(ProcessHandle process, std::string* path) {
  if (!process) return false;
  const std::string exe = "/proc/" + std::to_string(process->pid) + "/exe";
  char target[4096];
  ssize_t n = readlink(exe.c_str(), target, sizeof target - 1);
  if (n < 0) {
    SetLastErrorCode(kErrorAccessDenied);
    return false;
  }
  path->assign(target, static_cast<size_t>(n));
  return true;
}

}  // namespace plat
