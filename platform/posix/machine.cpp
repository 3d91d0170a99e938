// Machine calls of the seam on Linux: boot clock, directories, time, threads.
#include <sched.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>

#include "platform/platform.h"
#include "platform/posix/errno_map.h"

struct plat::MutexObject {
  std::mutex mutex;
};

namespace plat {

uint32_t TickCount() {
  // A fixed uptime stands in for the boot clock in simulations and tests.
  if (const char* fixed = std::getenv("HVPRECHECK_UPTIME_MS"); fixed && *fixed) {
    char* end = nullptr;
    errno = 0;
    unsigned long long value = std::strtoull(fixed, &end, 10);
    if (errno == 0 && *end == '\0' && fixed[0] != '-') return static_cast<uint32_t>(value);
  }
  timespec ts{};
  clock_gettime(CLOCK_BOOTTIME, &ts);
  const auto ms = static_cast<unsigned long long>(ts.tv_sec) * 1000ULL +
                  static_cast<unsigned long long>(ts.tv_nsec) / 1000000ULL;
  return static_cast<uint32_t>(ms);
}

int32_t CurrentDirectory(std::string* out) {
  char* cwd = getcwd(nullptr, 0);
  if (!cwd) return posix::WindowsErrorFromErrno(errno, kErrorPathNotFound);
  out->assign(cwd);
  free(cwd);
  return kErrorSuccess;
}

int32_t SystemDirectory(std::string* out) {
  const char* dir = std::getenv("HVPRECHECK_SYSTEM_DIR");
  out->assign(dir && *dir ? dir : "/usr/bin");
  return kErrorSuccess;
}

int MakeDirectory(const char* path) { return mkdir(path, 0777) == 0 ? 0 : errno; }

FILE* OpenSharedFile(const char* path, const char* mode) {
  // "e": the stream is not inherited by the programs we start.
  std::string with_cloexec = std::string(mode) + "e";
  return std::fopen(path, with_cloexec.c_str());
}

LocalTime LocalTimeNow() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  tm parts{};
  localtime_r(&ts.tv_sec, &parts);
  return LocalTime{parts.tm_year + 1900,
                   parts.tm_mon + 1,
                   parts.tm_mday,
                   parts.tm_hour,
                   parts.tm_min,
                   parts.tm_sec,
                   static_cast<int>(ts.tv_nsec / 1000000)};
}

void SleepMs(uint32_t milliseconds) {
  if (milliseconds == 0) {
    sched_yield();
    return;
  }
  timespec ts{static_cast<time_t>(milliseconds / 1000),
              static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

uint32_t CurrentThreadId() { return static_cast<uint32_t>(gettid()); }

uint32_t CurrentProcessId() { return static_cast<uint32_t>(getpid()); }

MutexHandle MutexCreate() { return new (std::nothrow) MutexObject; }

bool MutexWait(MutexHandle mutex) {
  if (!mutex) return false;
  mutex->mutex.lock();
  return true;
}

void MutexRelease(MutexHandle mutex) {
  if (mutex) mutex->mutex.unlock();
}

void MutexClose(MutexHandle mutex) { delete mutex; }

}  // namespace plat

namespace plat {

namespace {
thread_local uint32_t gv_lastError = 0;
}  // namespace

uint32_t LastErrorCode() { return gv_lastError; }

void SetLastErrorCode(uint32_t code) { gv_lastError = code; }

}  // namespace plat
