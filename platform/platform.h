// The narrow machine interface under the host services and the runtime.
//
// Everything here speaks Windows terms (error codes, registry types, root
// keys), because the rules above depend on them.  win32/ implements it with
// the real calls; posix/ emulates the same machine on Linux.  No OS header
// is included here: <windows.h> stays inside win32/*.cpp.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

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
  kErrorBadExeFormat = 193,
  kErrorMoreData = 234,
  kErrorWaitTimeout = 258,
  kErrorNoMoreItems = 259,
  kErrorDirectory = 267,  // the directory name is invalid
  kErrorBadDb = 1009,     // the registry database is corrupt
  kErrorCantRead = 1012,
  kErrorCantWrite = 1013,
  kErrorKeyDeleted = 1018,
  kErrorSuccessRebootInitiated = 1641,
  kErrorSuccessRebootRequired = 3010,
};

// Wait results.
inline constexpr uint32_t kWaitObject0 = 0;
inline constexpr uint32_t kWaitTimeout = 258;
inline constexpr uint32_t kWaitFailed = 0xFFFFFFFFu;

// Registry key dispositions.
inline constexpr uint32_t kRegCreatedNewKey = 1;
inline constexpr uint32_t kRegOpenedExistingKey = 2;

// Message-table flags: from the system, no inserts, system-allocated buffer,
// and (0xFF) one line without the table's line breaks.
inline constexpr uint32_t kFormatMessageOneLine = 0x13FF;
inline constexpr uint32_t kFormatMessageKeepLines = 0x1300;

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

struct ProcessObject;  // a started or opened process; opaque
using ProcessHandle = ProcessObject*;

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

// Creates every missing level of root\path and opens the key; disposition
// is kRegCreatedNewKey when a level was made, else kRegOpenedExistingKey.
int32_t RegistryCreateKey(RegRoot root, const char* path, uint32_t access, RegKey* key,
                          uint32_t* disposition);

// Stores size bytes under a UTF-16 value name (empty: the default value).
int32_t RegistrySetValueWide(RegKey key, const char16_t* name, uint32_t type, const uint8_t* data,
                             uint32_t size);

// Deletes root\path; a key with subkeys is not deleted (kErrorAccessDenied).
int32_t RegistryDeleteKey(RegRoot root, const char* path);

// The ANSI name of subkey number index: on entry *size is the buffer's size,
// on success the name's length without its NUL; kErrorNoMoreItems past the
// last one, kErrorMoreData when the name does not fit.
int32_t RegistryEnumKeyAnsi(RegKey key, uint32_t index, char* name, uint32_t* size);

void RegistryCloseKey(RegKey key);

// ---- texts ----
// The system's text for a code with the given message flags; false when the
// system has none.
bool SystemMessageAnsi(uint32_t code, uint32_t flags, std::string* text);
bool SystemMessageWide(uint32_t code, uint32_t flags, std::u16string* text);

// The calling thread's last error, as the seam's calls leave it.
uint32_t LastErrorCode();
void SetLastErrorCode(uint32_t code);

// UTF-8 <-> UTF-16 with the system's rules for invalid input (flags 0:
// replacement characters).  False, with LastErrorCode set, on failure.
bool ConvertUtf8ToUtf16(const char* text, std::u16string* out);
bool ConvertUtf16ToUtf8(const char16_t* text, std::string* out);

// ---- programs ----

// Makes dir the directory the next started program works in.  Windows
// switches the process's own directory (LeaveWorkingDirectory switches it
// back); the POSIX emulation leaves the parent's directory alone and only
// checks that dir exists and can be entered, with the same error codes.
int32_t EnterWorkingDirectory(const char* dir);
void LeaveWorkingDirectory(const char* saved);

// Starts a command line (the first token names the program) hidden, without
// console input, in working_dir (absent: the current directory).  0 or the
// Windows error code of the failure.
int32_t ProcessStart(const char* command_line, const char* working_dir, ProcessHandle* process);
// kWaitObject0 when it ended, kWaitTimeout when the time passed first,
// kWaitFailed (with LastErrorCode set) when waiting failed.
uint32_t ProcessWait(ProcessHandle process, uint32_t milliseconds);
bool ProcessTerminate(ProcessHandle process, uint32_t exit_code);
bool ProcessExitCode(ProcessHandle process, uint32_t* exit_code);
void ProcessClose(ProcessHandle process);

// ---- running processes ----
struct ProcessEntry {
  uint32_t pid;
  std::string exe_name;  // executable file name, as a tool-help record has it
};

// The running processes; false when no snapshot can be taken.
bool ProcessSnapshot(std::vector<ProcessEntry>* entries);

inline constexpr uint32_t kProcessAllAccess = 0x1FFFFFu;
inline constexpr uint32_t kMaximumAllowed = 0x02000000u;
inline constexpr uint32_t kStillActive = 259;

// Opens a running process by id: 0 or the Windows error code.  Close it
// with ProcessClose; ProcessExitCode and ProcessTerminate work on it as on
// a started one (a running process's exit code is kStillActive).
int32_t ProcessOpen(uint32_t pid, uint32_t access, ProcessHandle* process);
// The path of the process's main module; false when it cannot be read.
bool ProcessModulePath(ProcessHandle process, std::string* path);

// ---- WMI ----
struct WmiObject;  // a locator or a services connection; opaque
using WmiHandle = WmiObject*;

// COM results are HRESULTs; 0 is success.
int32_t ComInitializeMultithreaded();  // CoUninitialize, then the multithreaded apartment
void ComUninitialize();
int32_t WmiCreateLocator(WmiHandle* locator);
int32_t WmiConnectServer(WmiHandle locator, const char16_t* name_space, WmiHandle* services);
int32_t WmiSetProxyBlanket(WmiHandle services);
// Runs a WQL query over Win32_Process and gives each object's CommandLine
// (absent for an object without one), in the order they come back.
int32_t WmiQueryCommandLines(WmiHandle services, const char16_t* query,
                             std::vector<std::optional<std::u16string>>* command_lines);
void WmiRelease(WmiHandle object);

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
