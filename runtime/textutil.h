// Decimal text to numbers, their digit checks, and the owned copies of texts
// and byte runs that almost every module takes.  Copies are malloc'ed and
// the caller frees them.
#pragma once

#include <cstdint>

inline constexpr uint8_t kResultSuccess = 1;
inline constexpr uint8_t kResultFailure = 0;
inline constexpr uint8_t kResultOutOfMemory = 99;

// Decimal text with an optional leading sign; -1 for text that is not
// numeric, 0 for the empty text or a lone sign.
int32_t ConvertStringToInt(const char* text);
// Unsigned decimal text with an optional fraction; 0 when the part before
// the point is not numeric.
double ConvertStringToDouble(const char* text);
// base ** exponent by repeated multiplication (wrapping); 1 for exponent <= 0.
int32_t GetPower(int32_t base, int32_t exponent);
bool IsNumericString(const char* text, int32_t length);
bool IsDecimalString(const char* text, int32_t length);

// length bytes of source and a NUL in a new block: 1, or 99 (logged).
uint8_t AllocateAndCopyBytes(char** out, const char* source, int32_t length);
// A copy of the whole text: 1, or 99 (not logged).
uint8_t AllocateAndCopyString(char** out, const char* source);
