#include "platform/posix/registry_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/posix/errno_map.h"

namespace plat::posix {

namespace {

struct FileStamp {
  bool exists = false;
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  timespec mtime{};
  timespec ctime{};

  bool operator==(const FileStamp& o) const {
    if (exists != o.exists) return false;
    if (!exists) return true;
    return dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
           mtime.tv_nsec == o.mtime.tv_nsec && ctime.tv_sec == o.ctime.tv_sec &&
           ctime.tv_nsec == o.ctime.tv_nsec;
  }
};

FileStamp StampOf(const struct stat& st) {
  FileStamp s;
  s.exists = true;
  s.dev = st.st_dev;
  s.ino = st.st_ino;
  s.size = st.st_size;
  s.mtime = st.st_mtim;
  s.ctime = st.st_ctim;
  return s;
}

// The last parse, shared by every thread of the process.
struct Cache {
  std::mutex mutex;
  bool valid = false;
  std::string path;
  FileStamp stamp;
  int32_t result = kErrorSuccess;
  std::shared_ptr<const RegTree> tree;
  std::string parse_error;
};

std::atomic<uint64_t> gv_parseCount{0};

Cache& TheCache() {
  static Cache cache;
  return cache;
}

bool ReadAll(int fd, std::string* out) {
  out->clear();
  char buf[65536];
  while (true) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return true;
    out->append(buf, static_cast<size_t>(n));
  }
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

std::string DirectoryOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

void Remember(Cache& cache, const std::string& path, const FileStamp& stamp, int32_t result,
              std::shared_ptr<const RegTree> tree) {
  cache.valid = true;
  cache.path = path;
  cache.stamp = stamp;
  cache.result = result;
  cache.tree = std::move(tree);
}

int32_t Load(const std::string& path, std::shared_ptr<const RegTree>* tree) {
  Cache& cache = TheCache();
  // One stat decides whether the last parse still stands.
  struct stat st;
  if (stat(path.c_str(), &st) == 0) {
    std::lock_guard<std::mutex> lock(cache.mutex);
    if (cache.valid && cache.path == path && cache.stamp == StampOf(st)) {
      *tree = cache.tree;
      return cache.result;
    }
  }
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    int error = errno;
    if (error != ENOENT) return WindowsErrorFromErrno(error, kErrorCantRead);
    std::lock_guard<std::mutex> lock(cache.mutex);
    FileStamp missing;
    if (!cache.valid || cache.path != path || !(cache.stamp == missing)) {
      Remember(cache, path, missing, kErrorSuccess, std::make_shared<const RegTree>());
    }
    *tree = cache.tree;
    return kErrorSuccess;
  }
  if (fstat(fd, &st) != 0) {
    int error = errno;
    close(fd);
    return WindowsErrorFromErrno(error, kErrorCantRead);
  }
  FileStamp stamp = StampOf(st);
  {
    std::lock_guard<std::mutex> lock(cache.mutex);
    if (cache.valid && cache.path == path && cache.stamp == stamp) {
      close(fd);
      *tree = cache.tree;
      return cache.result;
    }
  }
  std::string bytes;
  bool read_ok = ReadAll(fd, &bytes);
  int error = errno;
  close(fd);
  if (!read_ok) return WindowsErrorFromErrno(error, kErrorCantRead);

  auto parsed = std::make_shared<RegTree>();
  std::string why;
  bool ok = ParseRegistryFile(bytes, parsed.get(), &why);
  gv_parseCount.fetch_add(1, std::memory_order_relaxed);
  std::lock_guard<std::mutex> lock(cache.mutex);
  if (!ok) {
    cache.parse_error = path + ": " + why;
    Remember(cache, path, stamp, kErrorBadDb, nullptr);
    tree->reset();
    return kErrorBadDb;
  }
  Remember(cache, path, stamp, kErrorSuccess, parsed);
  *tree = std::move(parsed);
  return kErrorSuccess;
}

// Writes text as the new registry file by an atomic replace.
int32_t Replace(const std::string& path, const std::string& text, FileStamp* stamp) {
  static std::atomic<unsigned> counter{0};
  std::string temp = path + ".tmp." + std::to_string(getpid()) + "." +
                     std::to_string(counter.fetch_add(1, std::memory_order_relaxed));
  int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return WindowsErrorFromErrno(errno, kErrorCantWrite);
  bool ok = WriteAll(fd, text) && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (!ok || rename(temp.c_str(), path.c_str()) != 0) {
    int error = errno;
    unlink(temp.c_str());
    return WindowsErrorFromErrno(error, kErrorCantWrite);
  }
  // Renaming may touch the inode's times, so take the stamp afterwards.
  struct stat st;
  *stamp = stat(path.c_str(), &st) == 0 ? StampOf(st) : FileStamp{};
  int dir = open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
  return kErrorSuccess;
}

// How long a change waits for the writers' lock: HVPRECHECK_REGISTRY_LOCK_
// TIMEOUT_MS (milliseconds, digits only), else 10 seconds.
std::chrono::milliseconds LockTimeout() {
  const char* text = std::getenv("HVPRECHECK_REGISTRY_LOCK_TIMEOUT_MS");
  if (!text || !*text || std::strlen(text) > 9) return kDefaultLockTimeout;
  for (const char* c = text; *c; ++c) {
    if (*c < '0' || *c > '9') return kDefaultLockTimeout;
  }
  return std::chrono::milliseconds(std::strtol(text, nullptr, 10));
}

// Takes the lock, waiting at most the timeout: a writer that holds it for
// good (hung, or stopped in a debugger) costs later writers that long and
// then 258, never a hang.
int32_t TakeWritersLock(int fd) {
  const auto deadline = std::chrono::steady_clock::now() + LockTimeout();
  auto pause = std::chrono::milliseconds(1);
  for (;;) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return kErrorSuccess;
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) return kErrorCantWrite;
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return kErrorWaitTimeout;
    std::this_thread::sleep_for(
        std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
    pause = std::min(pause * 2, std::chrono::milliseconds(50));
  }
}

}  // namespace

std::string RegistryFilePath() {
  const char* env = std::getenv("HVPRECHECK_REGISTRY");
  return env && *env ? std::string(env) : std::string(kDefaultRegistryPath);
}

int32_t LoadRegistry(std::shared_ptr<const RegTree>* tree) {
  return Load(RegistryFilePath(), tree);
}

int32_t ModifyRegistry(const RegistryChange& change) {
  const std::string path = RegistryFilePath();
  const std::string lock_path = path + ".lock";
  int lock_fd = open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (lock_fd < 0) {
    int error = errno;
    return error == ENOENT ? kErrorPathNotFound : WindowsErrorFromErrno(error, kErrorCantWrite);
  }
  const int32_t locked = TakeWritersLock(lock_fd);
  if (locked != kErrorSuccess) {
    close(lock_fd);
    return locked;
  }
  std::shared_ptr<const RegTree> current;
  int32_t result = Load(path, &current);
  if (result == kErrorSuccess) {
    std::unique_ptr<RegTree> copy = current->Clone();
    bool changed = false;
    result = change(copy.get(), &changed);
    if (result == kErrorSuccess && changed) {
      FileStamp stamp;
      result = Replace(path, SerializeRegistry(*copy), &stamp);
      if (result == kErrorSuccess) {
        Cache& cache = TheCache();
        std::lock_guard<std::mutex> lock(cache.mutex);
        Remember(cache, path, stamp, kErrorSuccess,
                 std::shared_ptr<const RegTree>(std::move(copy)));
      }
    }
  }
  close(lock_fd);  // releases the lock
  return result;
}

uint64_t RegistryParseCount() { return gv_parseCount.load(std::memory_order_relaxed); }

std::string LastRegistryParseError() {
  Cache& cache = TheCache();
  std::lock_guard<std::mutex> lock(cache.mutex);
  return cache.parse_error;
}

}  // namespace plat::posix
