// Registry writes of the precheck flow.  Values are given as UTF-8 text,
// stored as UTF-16 (RegSetValueExW) and encoded by their type; every call
// opens and closes its own key and logs what it did.  Results are Windows
// error codes, 0 for success.  The Ex forms have their own log texts, and
// writeValueEx understands more encodings (multi-strings, 64-bit numbers,
// binary data as given).
#pragma once

#include <cstdint>

#include "platform/platform.h"

// Special texts, compared without regard to case: the name "--" is the
// key's default value, the data "--" an empty text (zero for numbers).
inline constexpr const char* kDefaultMarker = "--";

int32_t addRegistryKey(plat::RegRoot root, const char* keyPath);
int32_t addRegistryKeyEx(plat::RegRoot root, const char* keyPath);
int32_t writeValue(plat::RegRoot root, const char* keyPath, const char* valueName,
                   const char* valueData, uint32_t type);
int32_t writeValueEx(plat::RegRoot root, const char* keyPath, const char* valueName,
                     const char* valueData, uint32_t type);

// A REG_MULTI_SZ block from a wide text: ';' ends a string, '^' makes the
// next character literal, two NULs end the block.  *size is
// 2 x (characters before the final NULs) + 4.  A new heap buffer.
char16_t* ConvertToMultiSz(const char16_t* text, uint32_t* size);
// The same with a chosen escape, separator and separator replacement.
char16_t* BuildMultiString(const char16_t* text, char16_t escape, char16_t separator,
                           char16_t replacement, uint32_t* size);
// Decimal digits read left to right in unsigned 64-bit arithmetic; no sign,
// nothing rejected, the empty text gives 0.
uint64_t ConvertToQword(const char* text);
