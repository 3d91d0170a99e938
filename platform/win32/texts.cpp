// Message texts and UTF conversions of the seam on Windows.
#include <windows.h>

#include "platform/platform.h"

namespace plat {

namespace {
constexpr DWORD kLanguage = 0x400;  // neutral language, the user's default
}  // namespace

bool SystemMessageAnsi(uint32_t code, uint32_t flags, std::string* text) {
  char* buffer = nullptr;
  DWORD n =
      FormatMessageA(flags, nullptr, code, kLanguage, reinterpret_cast<char*>(&buffer), 0, nullptr);
  if (n == 0 || !buffer) return false;
  text->assign(buffer, n);
  LocalFree(buffer);
  return true;
}

bool SystemMessageWide(uint32_t code, uint32_t flags, std::u16string* text) {
  wchar_t* buffer = nullptr;
  DWORD n = FormatMessageW(flags, nullptr, code, kLanguage, reinterpret_cast<wchar_t*>(&buffer), 0,
                           nullptr);
  if (n == 0 || !buffer) return false;
  text->assign(reinterpret_cast<const char16_t*>(buffer), n);
  LocalFree(buffer);
  return true;
}

uint32_t LastErrorCode() { return GetLastError(); }

void SetLastErrorCode(uint32_t code) { SetLastError(code); }

bool ConvertUtf8ToUtf16(const char* text, std::u16string* out) {
  int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  if (n <= 0) return false;
  std::wstring wide(static_cast<size_t>(n), L'\0');
  if (MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), n) <= 0) return false;
  out->assign(reinterpret_cast<const char16_t*>(wide.c_str()));
  return true;
}

bool ConvertUtf16ToUtf8(const char16_t* text, std::string* out) {
  const auto* wide = reinterpret_cast<const wchar_t*>(text);
  int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return false;
  std::string narrow(static_cast<size_t>(n), '\0');
  if (WideCharToMultiByte(CP_UTF8, 0, wide, -1, narrow.data(), n, nullptr, nullptr) <= 0) {
    return false;
  }
  out->assign(narrow.c_str());
  return true;
}

}  // namespace plat
