// The narrow machine interface under the host services and the runtime.
//
// Everything here speaks Windows terms (error codes, registry types, root
// keys), because the rules above depend on them.  win32/ implements it with
// the real calls; posix/ emulates the same machine on Linux.  No OS header
// is included here: <windows.h> stays inside win32/*.cpp.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace plat {

// Windows error codes the seam reports.
enum : int32_t {
  kErrorSuccess = 0,
  kErrorFileNotFound = 2,
  kErrorPathNotFound = 3,
  kErrorAccessDenied = 5,
  kErrorInvalidHandle = 6,
  kErrorNotEnoughMemory = 8,
  kErrorInvalidData = 13,
  kErrorInvalidParameter = 87,
  kErrorBadPathname = 161,
  kErrorMoreData = 234,
  kErrorWaitTimeout = 258,
  kErrorNoMoreItems = 259,
  kErrorBadDb = 1009,  // the registry database is corrupt
  kErrorCantRead = 1012,
  kErrorCantWrite = 1013,
  kErrorKeyDeleted = 1018,
};

// Predefined root keys, by their Windows handle values.
using RegRoot = uint32_t;
inline constexpr RegRoot kHkeyClassesRoot = 0x80000000u;
inline constexpr RegRoot kHkeyCurrentUser = 0x80000001u;
inline constexpr RegRoot kHkeyLocalMachine = 0x80000002u;
inline constexpr RegRoot kHkeyUsers = 0x80000003u;
inline constexpr RegRoot kHkeyCurrentConfig = 0x80000005u;

// Access masks.
inline constexpr uint32_t kKeyQueryValue = 0x0001u;
inline constexpr uint32_t kKeyRead = 0x20019u;
inline constexpr uint32_t kKeyAllAccess = 0xF003Fu;

// Value types.
inline constexpr uint32_t kRegNone = 0;
inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegExpandSz = 2;
inline constexpr uint32_t kRegBinary = 3;
inline constexpr uint32_t kRegDword = 4;
inline constexpr uint32_t kRegMultiSz = 7;
inline constexpr uint32_t kRegQword = 11;

// ---- registry ----
struct RegKeyHandle;  // opaque; never defined outside a backend
using RegKey = RegKeyHandle*;

// Opens root\path (an absent or empty path opens the root itself).
int32_t RegistryOpenKey(RegRoot root, const char* path, uint32_t access, RegKey* key);

// ANSI view of a value: string types come back in the ANSI code page with
// their terminating NULs, every other type as its raw bytes.  With no data
// buffer only the size is reported; a buffer smaller than the value gives
// kErrorMoreData and the size needed.  type may be absent.
int32_t RegistryQueryValueAnsi(RegKey key, const char* name, uint32_t* type, uint8_t* data,
                               uint32_t* size);

void RegistryCloseKey(RegKey key);

// ---- machine ----
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Milliseconds since boot, 32 bits, wrapping.
uint32_t TickCount();

// Both give 0 or a Windows error code.
int32_t CurrentDirectory(std::string* out);
int32_t SystemDirectory(std::string* out);

// One directory level; 0 or the errno value of the failure.
int MakeDirectory(const char* path);

// A buffered stream opened without denying other readers or writers.
FILE* OpenSharedFile(const char* path, const char* mode);

struct LocalTime {
  int year;
  int month;
  int day;
  int hour;
  int minute;
  int second;
  int milliseconds;
};
LocalTime LocalTimeNow();

void SleepMs(uint32_t milliseconds);
uint32_t CurrentThreadId();
uint32_t CurrentProcessId();

// An unnamed, initially unowned mutex.
struct MutexObject;
using MutexHandle = MutexObject*;
MutexHandle MutexCreate();
bool MutexWait(MutexHandle mutex);
void MutexRelease(MutexHandle mutex);
void MutexClose(MutexHandle mutex);

}  // namespace plat
