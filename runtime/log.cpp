#include "runtime/log.h"

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "runtime/locktable.h"
#include "runtime/textutil.h"

char* gv_logFileName = nullptr;
char* gv_logDir = nullptr;
int32_t gv_logSizeValue = 0;
void* gv_logExtraValue = nullptr;
uint8_t gv_logLevel = 0;
char* gv_logFilePath = nullptr;
FILE* gv_logFilePtr = nullptr;
uint8_t* gv_logLockKey = nullptr;
const char* gv_tavrixRoot = nullptr;

namespace {

constexpr const char* kDefaultLogName = "tavrix.log";
constexpr int32_t kDefaultSizeValue = 10000;
constexpr uint8_t kDefaultLevel = 3;

enum Threshold : uint8_t { kInfo = 1, kError = 2, kDebug = 3, kTrace = 4 };

void ReplaceText(char** slot, char* value) {
  free(*slot);
  *slot = value;
}

// Joins the pieces with '/' into a new heap text kept as gv_logFilePath.
bool BuildPath(const char* directory, const char* subdirectory, const char* name) {
  size_t length =
      strlen(directory) + strlen(name) + 2 + (subdirectory ? strlen(subdirectory) + 1 : 0);
  char* path = static_cast<char*>(calloc(length + 1, 1));
  if (!path) return false;
  if (subdirectory) {
    snprintf(path, length + 1, "%s/%s/%s", directory, subdirectory, name);
  } else {
    snprintf(path, length + 1, "%s/%s", directory, name);
  }
  ReplaceText(&gv_logFilePath, path);
  return true;
}

bool Open(const char* mode) {
  if (gv_logFilePtr) {
    LogTrace("gv_logFilePtr already Set\n");
    return true;
  }
  if (!gv_logFileName) return false;
  bool built;
  if (gv_logDir) {
    MakeDirectoryPath(gv_logDir);
    built = BuildPath(gv_logDir, nullptr, gv_logFileName);
  } else if (gv_tavrixRoot) {
    std::string logs = std::string(gv_tavrixRoot) + "/logs";
    MakeDirectoryPath(logs.c_str());
    built = BuildPath(gv_tavrixRoot, "logs", gv_logFileName);
  } else {
    plat::MakeDirectory("../logs");
    built = BuildPath("../logs", nullptr, gv_logFileName);
  }
  if (!built) return false;
  gv_logFilePtr = plat::OpenSharedFile(gv_logFilePath, mode);
  if (!gv_logFilePtr) return false;
  char* stamp = GetTimeStamp();
  fprintf(gv_logFilePtr, "Log open time: %s\n", stamp);
  fflush(gv_logFilePtr);
  free(stamp);
  return true;
}

void WriteEntry(uint8_t threshold, const char* tag, const char* format, va_list args) {
  if (!gv_logFilePtr) return;
  if (gv_logLevel == 0 || gv_logLevel < threshold) return;
  if (!gv_logLockKey) return;
  LockObject(gv_logLockKey);
  char* stamp = GetTimeStamp();
  fprintf(gv_logFilePtr, "%s %s %s %s %u %s %s ", "[", stamp ? stamp : "", "]", "[",
          plat::CurrentThreadId(), "]", tag);
  free(stamp);
  vfprintf(gv_logFilePtr, format, args);
  fflush(gv_logFilePtr);
  UnlockObject(gv_logLockKey);
}

}  // namespace

bool InitLogDefaults() {
  if (gv_logFilePtr) {
    gv_logSizeValue = kDefaultSizeValue;
    gv_logExtraValue = nullptr;
    gv_logLevel = kDefaultLevel;
    return true;
  }
  if (gv_logFileName) return true;
  char* name = nullptr;
  if (AllocateAndCopyString(&name, kDefaultLogName) != 1) return false;
  gv_logFileName = name;
  ReplaceText(reinterpret_cast<char**>(&gv_logLockKey), static_cast<char*>(calloc(1, 1)));
  ReplaceText(&gv_logDir, nullptr);
  ReplaceText(&gv_logFilePath, nullptr);
  gv_logSizeValue = kDefaultSizeValue;
  gv_logExtraValue = nullptr;
  gv_logLevel = kDefaultLevel;
  return true;
}

bool SetLogParams(const char* fileName, const char* directory, int32_t sizeValue, void* extraValue,
                  uint8_t level) {
  if (!fileName || !directory) return false;
  ReplaceText(&gv_logFileName, nullptr);
  ReplaceText(&gv_logDir, nullptr);
  if (AllocateAndCopyString(&gv_logFileName, fileName) != 1) return false;
  if (AllocateAndCopyString(&gv_logDir, directory) != 1) return false;
  gv_logSizeValue = sizeValue;
  gv_logExtraValue = extraValue;
  gv_logLevel = level;
  return true;
}

bool SetLogFileName(const char* fileName) {
  if (!fileName) return false;
  char* copy = nullptr;
  if (AllocateAndCopyString(&copy, fileName) != 1) return false;
  ReplaceText(&gv_logFileName, copy);
  return true;
}

bool SetLogDirectory(const char* directory) {
  if (!directory) return false;
  char* copy = nullptr;
  if (AllocateAndCopyString(&copy, directory) != 1) return false;
  ReplaceText(&gv_logDir, copy);
  return true;
}

void SetLogLevel(uint8_t level) { gv_logLevel = level; }

bool OpenLogFile() { return Open("a+"); }

bool CreateLogFile() { return Open("w"); }

bool SetLogFilePtr(FILE* stream) {
  if (!stream) return false;
  gv_logFilePtr = stream;
  return true;
}

void CloseLogFile() {
  char* stamp = GetTimeStamp();
  if (gv_logFilePtr) {
    fprintf(gv_logFilePtr, "Log close time: %s\n", stamp ? stamp : "");
    fflush(gv_logFilePtr);
    fclose(gv_logFilePtr);
  }
  free(stamp);
  gv_logFilePtr = nullptr;
}

void FreeLogParams() {
  ReplaceText(&gv_logFileName, nullptr);
  ReplaceText(&gv_logDir, nullptr);
  ReplaceText(&gv_logFilePath, nullptr);
  ReplaceText(reinterpret_cast<char**>(&gv_logLockKey), nullptr);
}

#define HV_LOG_CALL(name, threshold, tag)     \
  void name(const char* format, ...) {        \
    va_list args;                             \
    va_start(args, format);                   \
    WriteEntry(threshold, tag, format, args); \
    va_end(args);                             \
  }

HV_LOG_CALL(LogInfo, kInfo, "[INFO]")
HV_LOG_CALL(LogError, kError, "[ERROR]")
HV_LOG_CALL(LogDebug, kDebug, "[DEBUG]")
HV_LOG_CALL(LogTrace, kTrace, "[TRACE]")

#undef HV_LOG_CALL

char* GetTimeStamp() {
  plat::LocalTime t = plat::LocalTimeNow();
  char buf[64];
  int n = snprintf(buf, sizeof buf, "%d-%02d-%02d %02d:%02d:%02d:%03d", t.year, t.month, t.day,
                   t.hour, t.minute, t.second, t.milliseconds);
  if (n < 0) return nullptr;
  // Not AllocateAndCopyBytes: its failure is logged, and logging needs a stamp.
  char* stamp = static_cast<char*>(malloc(static_cast<size_t>(n) + 1));
  if (stamp) memcpy(stamp, buf, static_cast<size_t>(n) + 1);
  return stamp;
}

int MakeDirectoryPath(const char* path) {
  if (!path || !*path) return ENOENT;
  int error = plat::MakeDirectory(path);
  if (error == 0) return 0;
  if (error == EEXIST) return 1;
  if (error != ENOENT) return error;

  std::string parent(path);
  while (!parent.empty() && parent.back() == '/') parent.pop_back();
  size_t slash = parent.rfind('/');
  if (slash == std::string::npos) return ENOENT;  // nothing left to create
  parent.erase(slash);
  if (parent.empty()) return ENOENT;
  // An existing parent is as good as a new one.
  int made = MakeDirectoryPath(parent.c_str());
  if (made != 0 && made != 1) return made;
  error = plat::MakeDirectory(path);
  if (error == EEXIST) return 1;
  return error;
}
