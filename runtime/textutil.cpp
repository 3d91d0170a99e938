#include "runtime/textutil.h"

#include <cstdlib>
#include <cstring>

#include "runtime/log.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Sums digits by place from the right.  Powers are taken in double
// precision so that long digit runs still give their value.
double SumDigits(const char* text, size_t count) {
  double sum = 0;
  double place = 1;
  for (size_t i = count; i > 0; --i) {
    sum += (text[i - 1] - '0') * place;
    place *= 10;
  }
  return sum;
}

}  // namespace

int32_t GetPower(int32_t base, int32_t exponent) {
  uint32_t result = 1;  // unsigned: overflow wraps instead of being undefined
  for (int32_t i = 0; i < exponent; ++i) result *= static_cast<uint32_t>(base);
  return static_cast<int32_t>(result);
}

bool IsNumericString(const char* text, int32_t length) {
  if (length <= 0) return true;
  if (!text) return false;
  int32_t start = (text[0] == '+' || text[0] == '-') ? 1 : 0;
  for (int32_t i = start; i < length; ++i) {
    if (!IsDigit(text[i])) return false;
  }
  return true;
}

bool IsDecimalString(const char* text, int32_t length) {
  if (length > 0 && !text) return false;
  bool point = false;
  for (int32_t i = 0; i < length; ++i) {
    if (text[i] == '.') {
      if (point) return false;
      point = true;
    } else if (!IsDigit(text[i])) {
      return false;
    }
  }
  return true;
}

int32_t ConvertStringToInt(const char* text) {
  if (!text) return -1;
  const size_t length = strlen(text);
  if (!IsNumericString(text, static_cast<int32_t>(length))) return -1;
  uint32_t sum = 0;  // wraps for out-of-range text rather than overflowing
  uint32_t place = 1;
  for (size_t i = length; i > 0; --i) {
    char c = text[i - 1];
    if (c == '-') {
      sum = 0u - sum;
    } else if (c != '+') {
      sum += static_cast<uint32_t>(c - '0') * place;
      place *= 10;
    }
  }
  return static_cast<int32_t>(sum);
}

double ConvertStringToDouble(const char* text) {
  if (!text) return 0;
  const size_t length = strlen(text);
  const char* point = strchr(text, '.');
  if (!point) {
    if (!IsDecimalString(text, static_cast<int32_t>(length))) return 0;
    return SumDigits(text, length);
  }
  const auto whole_length = static_cast<size_t>(point - text);
  double whole = 0;
  if (whole_length > 0) {
    if (!IsDecimalString(text, static_cast<int32_t>(whole_length))) return 0;
    whole = SumDigits(text, whole_length);
  }
  const char* fraction = point + 1;
  const size_t fraction_length = strlen(fraction);
  double scale = 1;
  for (size_t i = 0; i < fraction_length; ++i) scale *= 10;
  return whole + SumDigits(fraction, fraction_length) / scale;
}

uint8_t AllocateAndCopyBytes(char** out, const char* source, int32_t length) {
  if (length < 0 || (length > 0 && !source)) {
    *out = nullptr;
    return kResultFailure;
  }
  *out = static_cast<char*>(malloc(static_cast<size_t>(length) + 1));
  if (!*out) {
    LogError("Unable to allocate memory\n");
    return kResultOutOfMemory;
  }
  if (length > 0) memcpy(*out, source, static_cast<size_t>(length));
  (*out)[length] = '\0';  // every byte of the block is written
  return kResultSuccess;
}

uint8_t AllocateAndCopyString(char** out, const char* source) {
  if (!source) {
    *out = nullptr;
    return kResultFailure;
  }
  const size_t size = strlen(source) + 1;
  *out = static_cast<char*>(malloc(size));
  if (!*out) return kResultOutOfMemory;
  memcpy(*out, source, size);
  return kResultSuccess;
}
