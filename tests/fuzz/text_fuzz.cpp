// Fuzz target: the parsers of untrusted text (command lines, UTF-8, dates
// and times, numbers, identifiers) never crash or read out of bounds.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include "platform/posix/command_line.h"
#include "platform/posix/unicode.h"
#include "runtime/conversions.h"
#include "runtime/datetime.h"
#include "runtime/textutil.h"
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string s(reinterpret_cast<const char*>(data), size);
  plat::posix::SplitArguments(s);
  plat::posix::ProgramCandidates(s);
  auto w = plat::posix::Utf8ToUtf16(s);
  plat::posix::Utf16ToUtf8(w);
  std::string z = s.c_str();  // up to the first NUL
  struct tm t {};
  size_t cut = z.size() / 2;
  ParseTimeText(z.substr(0, cut).c_str(), z.substr(cut).c_str(), &t);
  FreeKesDateTime(ConvertStringToKesDateTime(z.c_str()));
  FreeKesDateTime(ConvertStringToKesGenDateTime(z.c_str()));
  free(ParseDateTime(z.c_str()));
  int32_t len = 0;
  free(ConvertToDateTimeFromString(z.c_str(), &len));
  ConvertStringToInt(z.c_str());
  ConvertStringToDouble(z.c_str());
  uint32_t* oid = nullptr;
  ConvertToOidOrIpFromString(z.c_str(), &oid, false);
  free(oid);
  oid = nullptr;
  ConvertToOidOrIpFromString(z.c_str(), &oid, true);
  free(oid);
  IsValidIPAddress(z.c_str(), (int32_t)z.size());
  return 0;
}
