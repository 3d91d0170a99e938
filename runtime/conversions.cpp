#include "runtime/conversions.h"

#include <sys/stat.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/log.h"
#include "runtime/textutil.h"

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The rules for absent texts shared by the comparisons: 0 both absent,
// -1 only the first, 1 only the second; 2 means both are present.
int32_t AbsentOrder(const void* a, const void* b) {
  if (!a && !b) return 0;
  if (!a) return -1;
  if (!b) return 1;
  return 2;
}

char* HeapText(const std::string& text, size_t at_least = 0) {
  size_t size = text.size() + 1 > at_least ? text.size() + 1 : at_least;
  char* out = static_cast<char*>(calloc(size, 1));
  if (!out) {
    LogError("Unable to allocate buffer !!! \n");
    return nullptr;
  }
  memcpy(out, text.data(), text.size());
  return out;
}

// ".<sub-identifier>" (built in two steps: GCC 12 at -O3 misreads the
// one-expression form as an overlapping copy).
void AppendSubId(std::string* text, uint32_t value) {
  text->push_back('.');
  text->append(std::to_string(value));
}

// The value of a hexadecimal digit, or fallback for any other character.
int HexDigitOr(int c, int fallback) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return fallback;
}

char* CaseCopy(const char* text, char (*change)(char)) {
  if (!text) return nullptr;
  const size_t n = strlen(text);
  char* out = static_cast<char*>(malloc(n + 1));
  if (!out) return nullptr;
  for (size_t i = 0; i < n; ++i) out[i] = change(text[i]);
  out[n] = '\0';
  return out;
}

}  // namespace

char* CopyString(char* target, const char* source) {
  if (!source || !target) return nullptr;
  return strcpy(target, source);
}

int32_t GetStringLength(const char* text) { return text ? static_cast<int32_t>(strlen(text)) : 0; }

int32_t CompareString(const char* a, const char* b) {
  int32_t absent = AbsentOrder(a, b);
  if (absent != 2) return absent;
  for (;; ++a, ++b) {
    if (*a != *b || !*a) return static_cast<int8_t>(*a - *b);
  }
}

int32_t CompareStringNoCase(const char* a, const char* b) {
  int32_t absent = AbsentOrder(a, b);
  if (absent != 2) return absent;
  for (;; ++a, ++b) {
    const char x = LowerAscii(*a);
    const char y = LowerAscii(*b);
    if (x != y || !x) return static_cast<int8_t>(x - y);
  }
}

void* CopyBytes(void* target, const void* source, int32_t count) {
  if (target && source && count > 0) memcpy(target, source, static_cast<size_t>(count));
  return target;
}

const char* SubString(const char* text, const char* pattern) {
  LogTrace("\n\t@@@@@ Inside SubString() @@@@@ \n");
  if (!text || !pattern) return nullptr;
  const size_t n = strlen(text);
  const size_t m = strlen(pattern);
  if (m == 0 || n < m) return nullptr;
  for (size_t i = 0; i + m <= n; ++i) {
    if (text[i] == pattern[0] && memcmp(text + i, pattern, m) == 0) return text + i;
  }
  return nullptr;
}

bool FindSubString(const char* text, const char* pattern) {
  LogTrace("\n\t@@@@@ Inside FindSubString() @@@@@ \n");
  if (!text || !pattern) return false;
  const size_t n = strlen(text);
  const size_t m = strlen(pattern);
  if (m == 0 || n < m) return false;
  for (size_t i = 0; i + m <= n; ++i) {
    if (text[i] == pattern[0] && memcmp(text + i, pattern, m) == 0) return true;
  }
  return false;
}

char* CopyStringN(char* target, const char* source, int32_t n) {
  if (!target || !source) return target;
  for (int32_t i = 0; i < n; ++i) {
    target[i] = source[i];
    if (!source[i]) break;
  }
  return target;
}

char* AppendString(char* target, const char* source) {
  if (!target || !source) return target;
  return strcat(target, source);
}

void ReverseString(char* text, int32_t n) {
  if (!text || n <= 1) return;
  char* copy = static_cast<char*>(malloc(static_cast<size_t>(n)));
  if (!copy) return;
  memcpy(copy, text, static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) text[i] = copy[n - 1 - i];
  free(copy);
}

int32_t CompareBytes(const void* a, const void* b, int32_t n) {
  int32_t absent = AbsentOrder(a, b);
  if (absent != 2) return absent;
  const auto* x = static_cast<const uint8_t*>(a);
  const auto* y = static_cast<const uint8_t*>(b);
  for (int32_t i = 0; i < n; ++i) {
    if (x[i] != y[i]) return x[i] - y[i];
  }
  return 0;
}

int32_t CompareStringN(const char* a, const char* b, int32_t n) {
  if (!a || !b) return AbsentOrder(a, b) == 2 ? 0 : AbsentOrder(a, b);
  for (int32_t i = 0; i < n; ++i) {
    if (a[i] != b[i] || !a[i]) return static_cast<int8_t>(a[i] - b[i]);
  }
  return 0;
}

int32_t CompareStringNoCaseN(const char* a, const char* b, int32_t n) {
  if (!a || !b) return AbsentOrder(a, b) == 2 ? 0 : AbsentOrder(a, b);
  const int32_t la = static_cast<int32_t>(strlen(a));
  const int32_t lb = static_cast<int32_t>(strlen(b));
  const int32_t shorter = la < lb ? la : lb;
  const int32_t limit = n < shorter ? n : shorter;
  for (int32_t i = 0; i < limit; ++i) {
    const int d = static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i]);
    if (d == 0 || d == 32 || d == -32) continue;
    return d > 0 ? 1 : -1;
  }
  if (n > shorter && la != lb) return la > lb ? 1 : -1;
  return 0;
}

const void* FindByte(const void* bytes, int value, int32_t n) {
  if (!bytes || n <= 0) return nullptr;
  return memchr(bytes, value, static_cast<size_t>(n));
}

const char* FindChar(const char* text, int c) { return text ? strchr(text, c) : nullptr; }

const char* FindAnyChar(const char* text, const char* set) {
  return text && set ? strpbrk(text, set) : nullptr;
}

int32_t SpanChars(const char* text, const char* set) {
  return text && set ? static_cast<int32_t>(strspn(text, set)) : 0;
}

void* FillBytes(void* target, int value, int32_t n) {
  if (target && n > 0) memset(target, value, static_cast<size_t>(n));
  return target;
}

bool HasPrefix(const char* run, int32_t m, const char* prefix, int32_t n) {
  if (!run || !prefix || m < n) return false;
  return n <= 0 || memcmp(run, prefix, static_cast<size_t>(n)) == 0;
}

int32_t GetIndex(const char* bytes, char value, int32_t n) {
  LogTrace("\n\t@@@@@ Inside GetIndex() @@@@@ \n");
  for (int32_t i = 0; bytes && i < n; ++i) {
    if (bytes[i] == value) return i;
  }
  return -1;
}

int32_t CountSeparators(const char* bytes, int32_t n, char separator) {
  int32_t count = 0;
  for (int32_t i = 0; bytes && i < n; ++i) count += bytes[i] == separator;
  return count;
}

int32_t GetTokenLength(const char* bytes, int32_t n, char separator, bool* found) {
  if (found) *found = false;
  for (int32_t i = 0; bytes && i < n; ++i) {
    if (bytes[i] == separator) {
      if (found) *found = true;
      return i + 1;
    }
  }
  return n;
}

bool SplitString(const char* bytes, int32_t n, char separator, char*** pieces, int32_t** lengths,
                 int32_t* count) {
  *pieces = nullptr;
  *lengths = nullptr;
  *count = CountSeparators(bytes, n, separator) + 1;
  auto** out = static_cast<char**>(calloc(static_cast<size_t>(*count), sizeof(char*)));
  auto* sizes = static_cast<int32_t*>(calloc(static_cast<size_t>(*count), sizeof(int32_t)));
  if (!out || !sizes) {
    free(out);
    free(sizes);
    LogError("Unable to allocate buffer !!! \n");
    return false;
  }
  int32_t start = 0;
  for (int32_t k = 0; k < *count; ++k) {
    int32_t end = start;
    while (end < n && bytes[end] != separator) ++end;
    if (AllocateAndCopyBytes(&out[k], bytes + start, end - start) != 1) {
      FreeStringArray(out, k);
      free(sizes);
      return false;
    }
    sizes[k] = end - start;
    start = end + 1;
  }
  *pieces = out;
  *lengths = sizes;
  return true;
}

bool IsStringMatched(const char* list, int32_t n, const char* candidate, int32_t m) {
  LogTrace("\n\t@@@@@ Inside IsStringMatched() @@@@@ \n");
  char** pieces = nullptr;
  int32_t* lengths = nullptr;
  int32_t count = 0;
  if (!list || !candidate || !SplitString(list, n, ',', &pieces, &lengths, &count)) return false;
  bool matched = false;
  for (int32_t k = 0; k < count && !matched; ++k) {
    matched = lengths[k] == m && memcmp(pieces[k], candidate, static_cast<size_t>(m)) == 0;
  }
  FreeStringArray(pieces, count);
  free(lengths);
  return matched;
}

void FreeStringArray(char** pieces, int32_t count) {
  LogTrace("\n\t@@@@@ Inside FreeStringArray() @@@@@ \n");
  if (!pieces) return;
  for (int32_t k = 0; k < count; ++k) free(pieces[k]);
  free(pieces);
}

int32_t CopyStringBounded(char* target, const char* source, int32_t size) {
  if (!target || !source || size <= 0) return 0;
  const int32_t n = static_cast<int32_t>(strlen(source));
  const int32_t copied = n < size - 1 ? n : size - 1;
  memcpy(target, source, static_cast<size_t>(copied));
  target[copied] = '\0';
  return n;
}

int32_t AppendStringBounded(char* target, const char* source, int32_t size) {
  if (!target || !source || size <= 0) return 0;
  const int32_t have = static_cast<int32_t>(strnlen(target, static_cast<size_t>(size)));
  const int32_t n = static_cast<int32_t>(strlen(source));
  if (have < size - 1) {
    const int32_t room = size - 1 - have;
    const int32_t copied = n < room ? n : room;
    memcpy(target + have, source, static_cast<size_t>(copied));
    target[have + copied] = '\0';
  }
  return have + n;
}

char* ToLowerCopy(const char* text) { return CaseCopy(text, LowerAscii); }
char* ToUpperCopy(const char* text) { return CaseCopy(text, UpperAscii); }

int32_t ConvertToInteger(const uint8_t* bytes, int32_t n) {
  LogTrace("\n\t@@@@@ Inside ConvertToInteger() @@@@@ \n");
  if (n > 4) return -1;
  if (!bytes || n <= 0) return 0;
  uint32_t value = (bytes[0] & 0x80) ? 0xFFFFFFFFu : 0u;  // the first byte's sign carries
  for (int32_t i = 0; i < n; ++i) value = (value << 8) | bytes[i];
  return static_cast<int32_t>(value);
}

uint32_t ConvertToUnsignedInteger(const uint8_t* bytes, int32_t n) {
  uint32_t value = 0;
  for (int32_t i = 0; bytes && i < n; ++i) value = (value << 8) | bytes[i];
  return value;
}

char* ConvertToStringFromInteger(int32_t value) {
  LogTrace("\n\t@@@@@ Inside ConvertToStringFromInteger() @@@@@\n");
  char buf[20];
  snprintf(buf, sizeof buf, "%d", value);
  char* text = HeapText(buf, 20);
  if (text) LogTrace("The string is %s\n", text);
  return text;
}

char* ConvertToStringFromUnsignedInteger(uint32_t value, int32_t* length) {
  LogTrace("\n\t@@@@@ Inside ConvertToStringFromUnsignedInteger() @@@@@\n");
  LogTrace("The value is %d\n", static_cast<int>(value));
  char buf[20];
  int n = snprintf(buf, sizeof buf, "%u", value);
  char* text = HeapText(buf, 20);
  if (!text) return nullptr;
  if (length) *length = n;
  LogTrace("The string is %s\n", text);
  return text;
}

char* ToString(const void* value, int type) {
  LogTrace("\n\t@@@@@ Inside ToString() @@@@@\n");
  if (type == 0)
    return value ? ConvertToStringFromInteger(*static_cast<const int32_t*>(value)) : nullptr;
  if (type == 1) return HeapText(value ? "TRUE" : "FALSE");
  return nullptr;
}

int GetHexValue(int c) {
  LogTrace("\n\t@@@@@ Inside GetHexValue() @@@@@\t\n");
  return HexDigitOr(c, c);
}

int ConvertToDecimalFromHexa(int c) {
  LogTrace("\n\t@@@@@ Inside ConvertToDecimalFromHexa() @@@@@ \n");
  return HexDigitOr(c, 0);
}

int32_t ConvertToHexValue(char* text, int32_t n) {
  LogTrace("\n\t@@@@@ Inside ConvertToHexValue() @@@@@\t\n");
  if (!text || n <= 0) return 0;
  uint8_t packed[32];
  int32_t count = n / 2 < 32 ? n / 2 : 32;
  for (int32_t i = 0; i < count; ++i) {
    packed[i] = static_cast<uint8_t>((ConvertToDecimalFromHexa(text[2 * i]) << 4) |
                                     ConvertToDecimalFromHexa(text[2 * i + 1]));
  }
  memcpy(text, packed, static_cast<size_t>(count));
  return count;
}

void ConvertToStringFromHex(const uint8_t* bytes, int32_t n, uint8_t* target) {
  LogTrace("\n\t@@@@@ Inside ConvertToStringFromHex() @@@@@ \n");
  for (int32_t i = 0; bytes && target && i < n; ++i) {
    target[2 * i] = static_cast<uint8_t>(bytes[i] >> 4);
    target[2 * i + 1] = static_cast<uint8_t>(bytes[i] & 0x0F);
  }
}

uint64_t ConvertToULongLongFromCounter64(Counter64 counter) {
  LogTrace("\n\t@@@@@ Inside ConvertToULongLongFromCounter64() @@@@@ \n");
  return (static_cast<uint64_t>(counter.high) << 32) | counter.low;
}

Counter64 ConvertToCounter64FromULongLong(uint64_t value) {
  LogTrace("\n\t@@@@@ Inside ConvertToCounter64FromULongLong() @@@@@ \n");
  return Counter64{static_cast<uint32_t>(value >> 32), static_cast<uint32_t>(value)};
}

Counter64 ConvertToCounter64(const uint8_t* octets, int32_t n) {
  LogTrace("\n\t@@@@@ Inside ConvertToCounter64() @@@@@\n");
  Counter64 c{0, 0};
  if (!octets || n <= 0) return c;
  if (n == 9) ++octets, --n;
  if (n > 8) n = 8;
  const int32_t low_count = n < 4 ? n : 4;
  const int32_t high_count = n - low_count;
  c.high = ConvertToUnsignedInteger(octets, high_count);
  c.low = ConvertToUnsignedInteger(octets + high_count, low_count);
  return c;
}

char* ConvertToStringFromCounter64(Counter64 counter) {
  char buf[21];
  snprintf(buf, sizeof buf, "%lld",
           static_cast<long long>((static_cast<uint64_t>(counter.high) << 32) | counter.low));
  char* text = HeapText(buf, 21);
  if (text) LogDebug("The String is : %s\n", text);
  return text;
}

uint16_t GetOidLength(const char* text, int32_t n) {
  LogTrace("\n\t@@@@@ Inside GetOidLength() @@@@@ \n");
  return static_cast<uint16_t>(CountSeparators(text, n, '.'));
}

bool IsValidOid(const char* text) {
  LogTrace("\n\t@@@@@ Inside IsValidOid() @@@@@\n");
  return text && text[0] == '.' && CountSeparators(text, GetStringLength(text), '.') > 1;
}

bool IsValidIPAddress(const char* text, int32_t n) {
  LogTrace("\n\t@@@@@ Inside IsValidIPAddress() @@@@@\n");
  LogTrace("len is %d\n", n);
  if (!text || n <= 0) return false;
  if (text[0] == '.' || text[n - 1] == '.') return false;
  if (CountSeparators(text, n, '.') != 3) return false;
  int32_t start = 0;
  for (int32_t k = 0; k < 4; ++k) {
    int32_t end = start;
    while (end < n && text[end] != '.') ++end;
    if (end == start) return false;  // two dots in a row
    const std::string part(text + start, static_cast<size_t>(end - start));
    const int32_t value = ConvertStringToInt(part.c_str());
    if (value == -1 || value > 255) return false;
    if (value == 0 && part.find_first_not_of('0') != std::string::npos) return false;
    start = end + 1;
  }
  return true;
}

int32_t ConvertToOidOrIpFromString(const char* text, uint32_t** oid, bool ip) {
  LogTrace("\n\t@@@@@ Inside ConvertToOidOrIpFromString() @@@@@ \n");
  *oid = nullptr;
  const int32_t n = GetStringLength(text);
  const uint16_t dots = GetOidLength(text, n);
  if (dots == 0) {
    LogError(ip ? "Incorrect format of IpAddress\n" : "Incorrect format of OID\n");
    return -1;
  }
  const int32_t expected = ip ? dots + 1 : dots;
  auto* values =
      static_cast<uint32_t*>(calloc(static_cast<size_t>(expected) + 1, sizeof(uint32_t)));
  if (!values) {
    LogError("Unable to allocate buffer !!! \n");
    return -1;
  }
  int32_t read = 0;
  int32_t start = ip ? 0 : 1;
  while (start <= n && read <= expected) {
    int32_t end = start;
    while (end < n && text[end] != '.') ++end;
    const std::string run(text + start, static_cast<size_t>(end - start));
    const int32_t value = ConvertStringToInt(run.c_str());
    if (run.empty() || value == -1 || (value == 0 && run.back() != '0') || read >= expected) {
      free(values);
      return -1;
    }
    values[read++] = static_cast<uint32_t>(value);
    start = end + 1;
  }
  *oid = values;
  return read == expected ? expected : 0;
}

char* ConvertToStringFromOID(const uint32_t* oid, int32_t* size) {
  LogTrace("\n\t@@@@@ Inside ConvertToStringFromOID() @@@@@\n");
  if (!oid || !size) return nullptr;
  std::string text;
  for (int32_t i = 0; i < *size / 4; ++i) {
    LogTrace("The SubId IS %ld\n", static_cast<long>(oid[i]));
    AppendSubId(&text, oid[i]);
    LogTrace("The String rep as SubId is %s\n", text.c_str());
  }
  LogTrace("The String rep as OID is %s\n", text.c_str());
  char* out = HeapText(text);
  if (out) *size = static_cast<int32_t>(text.size());
  return out;
}

uint8_t ConvertToStringFromOid(const uint32_t* oid, int32_t count, char* target, size_t capacity) {
  LogTrace("\n\t@@@@@ Inside ConvertToStringFromOid() @@@@@ \n");
  std::string text;
  for (int32_t i = 0; oid && i < count; ++i) AppendSubId(&text, oid[i]);
  if (target && capacity > 0) snprintf(target, capacity, "%s", text.c_str());
  return 1;
}

void ConvertToIpAddressFromOid(const uint32_t* oid, int32_t start, int32_t end, char* target,
                               size_t capacity) {
  LogTrace("\n\t@@@@@ Inside ConvertToIpAddressFromOid()\t@@@@@ \n");
  std::string text;
  for (int32_t i = start; oid && i <= end; ++i) {
    if (!text.empty()) text += '.';
    text += std::to_string(oid[i] % 1000);  // one to three digits
  }
  if (target && capacity > 0) snprintf(target, capacity, "%s", text.c_str());
}

int32_t CompareOid(const uint32_t* a, int32_t na, const uint32_t* b, int32_t nb) {
  LogTrace("\n\t@@@@@ Inside CompareOid() @@@@@ \n");
  const int32_t n = na < nb ? na : nb;
  for (int32_t i = 0; i < n; ++i) {
    if (a[i] != b[i]) return a[i] > b[i] ? 1 : -1;
  }
  if (na != nb) return na > nb ? 1 : -1;
  return 0;
}

void CopyOid(uint32_t* target, const uint32_t* source, int32_t n) {
  LogTrace("\n\t@@@@@ Inside CopyOid() @@@@@ \n");
  if (target && source && n > 0) memcpy(target, source, static_cast<size_t>(n) * sizeof(uint32_t));
}

void SetNOid(uint32_t* target, int32_t index, const uint32_t* source, int32_t n) {
  LogTrace("\n\t@@@@@ Inside SetNOid() @@@@@\t\n");
  if (target && source && n > 0)
    memcpy(target + index, source, static_cast<size_t>(n) * sizeof(uint32_t));
}

uint32_t GetNextSubId(const uint32_t* list, int32_t n, uint32_t value) {
  LogTrace("\n\t@@@@@ Inside GetNextSubId() @@@@@ \n");
  for (int32_t i = 0; list && i < n; ++i) {
    if (list[i] > value) return list[i];
  }
  return 0;
}

uint8_t ReallocateAndSetOID(uint32_t** target, int32_t* count, const uint32_t* source, int32_t n) {
  LogTrace("\n\t@@@@@ Inside ReallocateAndSetOID() @@@@@ \n");
  free(*target);
  *target = static_cast<uint32_t*>(calloc(static_cast<size_t>(n) + 1, sizeof(uint32_t)));
  if (!*target) {
    LogError("Unable to allocate memory");
    return kResultOutOfMemory;
  }
  CopyOid(*target, source, n);
  if (count) *count = n;
  return kResultSuccess;
}

uint8_t ReallocateAndSetString(char** target, const char* source, int32_t n) {
  LogTrace("\n\t@@@@@ Inside ReallocateAndSetString() @@@@@ \n");
  free(*target);
  *target = static_cast<char*>(calloc(static_cast<size_t>(n) + 1, 1));
  if (!*target) {
    LogError("Unable to allocate memory\n");
    return kResultOutOfMemory;
  }
  if (source && n > 0) memcpy(*target, source, static_cast<size_t>(n));
  return kResultSuccess;
}

void ConvertToCharArray(const uint32_t* oid, int32_t start, int32_t n, char* target) {
  LogTrace("\n\t@@@@@ Inside ConvertToCharArray() @@@@@ \n");
  if (!oid || !target) return;
  for (int32_t i = 0; i < n; ++i) target[i] = static_cast<char>(oid[start + i] % 255);
  target[n > 0 ? n : 0] = '\0';
}

void CopyStringToOid(const char* text, uint32_t* oid) {
  LogTrace("\n\t@@@@@ Inside CopyStringToOid() @@@@@ \n");
  for (size_t i = 0; text && oid && text[i]; ++i) {
    oid[i] = static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(text[i])));
  }
}

void CopyStringToOID(const uint8_t* bytes, int32_t n, uint32_t* oid) {
  LogTrace("\n\t@@@@@ Inside CopyStringToOID() @@@@@ \n");
  for (int32_t i = 0; bytes && oid && i < n; ++i) oid[i] = bytes[i];
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
void PrintStream(const uint8_t* bytes, int32_t n, const char* format) {
  LogTrace("\n\t@@@@@ Inside PrintStream() @@@@@ \n");
  // The caller's format prints one byte.
  for (int32_t i = 0; bytes && format && i < n; ++i) LogDebug(format, bytes[i]);
  LogDebug("\n");
}
#pragma GCC diagnostic pop

void PrintOid(const uint32_t* oid, int32_t n) {
  LogTrace("\n\t@@@@@ Inside PrintOid() @@@@@ \n");
  for (int32_t i = 0; oid && i < n; ++i) LogDebug("%lu\t", static_cast<unsigned long>(oid[i]));
  LogDebug("\n");
}

bool IsDirectory(const char* path) {
  LogTrace("\n\t@@@@@ Inside IsDirectory() @@@@@ \n");
  struct stat st;
  return path && stat(path, &st) == 0 && (st.st_mode & S_IFMT) == S_IFDIR;
}

void EncryptDecryptKey(uint8_t* buffer, int32_t length, int32_t seed) {
  LogTrace("\t\t@@@@@ Inside EncryptDecryptKey() @@@@@\n");
  int32_t key = seed + 9;
  if (key >= 256) key %= 255;
  for (int32_t i = 0; buffer && i < length; ++i) buffer[i] ^= static_cast<uint8_t>(key & 0xFF);
}
