// UTF-8 <-> UTF-16 for the POSIX emulation (registry file and ANSI view,
// whose code page is UTF-8 on Linux).  Invalid input never stops a
// conversion: each bad sequence becomes U+FFFD, as Windows does with flags 0.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace plat::posix {

std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// Code units from little-endian bytes; an odd trailing byte is dropped.
std::u16string Utf16FromLittleEndian(const uint8_t* bytes, size_t count);
std::string Utf16ToLittleEndian(std::u16string_view text);

}  // namespace plat::posix
