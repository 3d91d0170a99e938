// Machine calls of the seam on Windows.
#include <windows.h>

#include <direct.h>
#include <share.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "platform/platform.h"

namespace plat {

uint32_t TickCount() { return GetTickCount(); }

namespace {

// Calls an ANSI "fill this buffer" function with a buffer that grows until
// the text fits, so no length is ever cut.
template <typename Fill>
int32_t FillText(std::string* out, Fill fill) {
  std::vector<char> buf(MAX_PATH + 1);
  while (true) {
    DWORD n = fill(buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return static_cast<int32_t>(GetLastError());
    if (n < buf.size()) {
      out->assign(buf.data(), n);
      return kErrorSuccess;
    }
    buf.resize(n + 1);
  }
}

}  // namespace

int32_t CurrentDirectory(std::string* out) {
  return FillText(out, [](char* b, DWORD n) { return GetCurrentDirectoryA(n, b); });
}

int32_t SystemDirectory(std::string* out) {
  return FillText(out, [](char* b, DWORD n) { return GetSystemDirectoryA(b, n); });
}

int MakeDirectory(const char* path) { return _mkdir(path) == 0 ? 0 : errno; }

FILE* OpenSharedFile(const char* path, const char* mode) { return _fsopen(path, mode, _SH_DENYNO); }

LocalTime LocalTimeNow() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return LocalTime{st.wYear,   st.wMonth,  st.wDay,         st.wHour,
                   st.wMinute, st.wSecond, st.wMilliseconds};
}

void SleepMs(uint32_t milliseconds) { Sleep(milliseconds); }

uint32_t CurrentThreadId() { return GetCurrentThreadId(); }

uint32_t CurrentProcessId() { return GetCurrentProcessId(); }

MutexHandle MutexCreate() {
  return reinterpret_cast<MutexHandle>(CreateMutexA(nullptr, FALSE, nullptr));
}

bool MutexWait(MutexHandle mutex) {
  if (!mutex) return false;
  DWORD r = WaitForSingleObject(reinterpret_cast<HANDLE>(mutex), INFINITE);
  return r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
}

void MutexRelease(MutexHandle mutex) {
  if (mutex) ReleaseMutex(reinterpret_cast<HANDLE>(mutex));
}

void MutexClose(MutexHandle mutex) {
  if (mutex) CloseHandle(reinterpret_cast<HANDLE>(mutex));
}

}  // namespace plat
