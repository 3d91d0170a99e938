// Message texts and UTF conversions of the seam on Linux.  The texts are our
// own short wording for the Windows codes this layer produces; any other
// code has none, so callers fall back to their own tables.
#include <cstring>

#include "platform/platform.h"
#include "platform/posix/unicode.h"

namespace plat {

namespace {

struct CodeText {
  uint32_t code;
  const char* text;
};

constexpr CodeText kTexts[] = {
    {0, "The operation succeeded."},
    {2, "The file was not found."},
    {3, "The path was not found."},
    {5, "Access was denied."},
    {6, "The handle is not valid."},
    {8, "There is not enough memory."},
    {13, "The data is not valid."},
    {87, "A parameter is not valid."},
    {161, "The path name is not valid."},
    {193, "The file is not a program that can be run."},
    {234, "More data is available than the buffer holds."},
    {258, "The wait ran out of time."},
    {259, "There are no more items."},
    {267, "The name is not a directory."},
    {1009, "The registry database is corrupt."},
    {1012, "The registry could not be read."},
    {1013, "The registry could not be written."},
    {1018, "The registry key has been deleted."},
    {1641, "The operation succeeded and a restart has been started."},
    {3010, "The operation succeeded; a restart is needed to complete it."},
};

const char* Lookup(uint32_t code) {
  for (const CodeText& t : kTexts) {
    if (t.code == code) return t.text;
  }
  return nullptr;
}

// Without the width mask a system text keeps its line end.
std::string Shaped(const char* text, uint32_t flags) {
  std::string out(text);
  if ((flags & 0xFF) == 0) out.push_back('\n');
  return out;
}

}  // namespace

bool SystemMessageAnsi(uint32_t code, uint32_t flags, std::string* text) {
  const char* found = Lookup(code);
  if (!found) return false;
  *text = Shaped(found, flags);
  return true;
}

bool SystemMessageWide(uint32_t code, uint32_t flags, std::u16string* text) {
  const char* found = Lookup(code);
  if (!found) return false;
  *text = posix::Utf8ToUtf16(Shaped(found, flags));
  return true;
}

bool ConvertUtf8ToUtf16(const char* text, std::u16string* out) {
  if (!text) {
    SetLastErrorCode(kErrorInvalidParameter);
    return false;
  }
  *out = posix::Utf8ToUtf16(text);
  return true;
}

bool ConvertUtf16ToUtf8(const char16_t* text, std::string* out) {
  if (!text) {
    SetLastErrorCode(kErrorInvalidParameter);
    return false;
  }
  *out = posix::Utf16ToUtf8(text);
  return true;
}

}  // namespace plat
