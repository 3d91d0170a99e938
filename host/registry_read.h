// Registry reads of the precheck flow.  Each call opens its key, reads one
// value, closes the key and logs what went wrong; results are Windows error
// codes (0 for success) passed through unchanged.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// On success *out is a new zeroed buffer holding the value's raw bytes and at
// least five zero bytes after them (any type; strings in the ANSI code page).
// The caller frees *out in every case where it is present.
int32_t ReadRegSZ(plat::RegRoot root, const char* keyPath, const char* valueName, char** out);
// The same with its own log texts.
int32_t ReadRegSZEx(plat::RegRoot root, const char* keyPath, const char* valueName, char** out);
// At most 4 bytes into *value, which is written only on success.
int32_t ReadDwordRegistryData(plat::RegRoot root, const char* keyPath, const char* valueName,
                              uint32_t* value);
