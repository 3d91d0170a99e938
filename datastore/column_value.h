// Column data types and values: the closed set of 23 type codes, the binary
// form of a value of each (a malloc'ed buffer with one NUL after its
// length; an absent buffer is the SQL NULL), the names a data dictionary may
// use for them, and the conversions between text and values shared by the
// store, the providers and the statement generators.
#pragma once

#include <cstdint>
#include <string>

#include "../runtime/datetime.h"

struct MemPool;

inline constexpr uint8_t KES_SQL_NOT_SUPPORTED_TYPE = 0;
inline constexpr uint8_t KES_SQL_TINYINT = 1;
inline constexpr uint8_t KES_SQL_UNSIGNED_TINYINT = 2;
inline constexpr uint8_t KES_SQL_SMALLINT = 3;
inline constexpr uint8_t KES_SQL_UNSIGNED_SMALLINT = 4;
inline constexpr uint8_t KES_SQL_INT = 5;
inline constexpr uint8_t KES_SQL_UNSIGNED_INT = 6;
inline constexpr uint8_t KES_SQL_BIGINT = 7;
inline constexpr uint8_t KES_SQL_UNSIGNED_LONG_INT = 8;
inline constexpr uint8_t KES_SQL_FLOAT = 9;
inline constexpr uint8_t KES_SQL_DOUBLE = 10;
inline constexpr uint8_t KES_SQL_REAL = 11;
inline constexpr uint8_t KES_SQL_DECIMAL = 12;
inline constexpr uint8_t KES_SQL_NUMERIC = 13;
inline constexpr uint8_t KES_SQL_CHAR = 14;
inline constexpr uint8_t KES_SQL_VARCHAR = 15;
inline constexpr uint8_t KES_SQL_DATE = 16;
inline constexpr uint8_t KES_SQL_TIME = 17;
inline constexpr uint8_t KES_SQL_DATETIME = 18;
inline constexpr uint8_t KES_SQL_BOOLEAN = 19;
inline constexpr uint8_t KES_SQL_BLOB = 20;
inline constexpr uint8_t KES_SQL_CLOB = 21;
inline constexpr uint8_t KES_SQL_TEXT = 22;
inline constexpr uint8_t kKesSqlTypeCount = 23;

// A value and its length in bytes (the buffer holds length + 1 bytes).
struct ColumnValue {
  char* data;
  int32_t length;
};

// A date, time or date-time inside a value buffer: a flat record of
// exactly 11 bytes, the same on every platform, so that any byte copy of a
// value is a whole value.  Byte 0-1 year (little-endian), 2 month, 3 day,
// 4 hour, 5 minute, 6 second, 7 the parts present (kDateValueHasDate |
// kDateValueHasTime), 8-10 zero.
inline constexpr int32_t kDateValueSize = 11;
inline constexpr uint8_t kDateValueHasDate = 1;
inline constexpr uint8_t kDateValueHasTime = 2;

// Packs a KesDateTime (either part may be absent) into out[11].
void PackDateValue(const KesDateTime* value, char* out);
// A new KesDateTime with the parts present in the value, or none when the
// buffer is shorter than 11 bytes or carries neither part.
KesDateTime* UnpackDateValue(const char* value, int32_t length);

// The integer of a value of the integer types 1 to 8, sign- or zero-extended
// by its type (bytes past the length count as 0); 0 for other types.
uint64_t ReadIntegerValue(const char* value, int32_t length, uint8_t type);

// The code's name (KES_SQL_...), or none for codes above 22.
const char* GetDataTypeName(uint8_t type);
// The code for a dictionary type name (case ignored); 0 for an unknown or
// missing name.
uint8_t GetDataTypeFromName(const char* name);

// Text to a new value of the type; *length is in and out (see the types).
// None for no text, a type above 22, a boolean other than TRUE/FALSE, a
// date-time text with neither '-' nor ':', or no memory.
char* ConvertStringToValue(const char* text, int32_t* length, uint8_t type);
// The same conversion without allocating: *bytes points at the value (the
// text itself, or scratch for the fixed-width types) and *length is its
// length.  False where ConvertStringToValue gives none for the input.
inline constexpr int32_t kValueScratchSize = 16;
bool ConvertStringToValueBytes(const char* text, int32_t* length, uint8_t type,
                               char scratch[kValueScratchSize], const char** bytes);
// A value as new text ("NULL" for an absent value); none for types 0 and
// above 22.  The caller frees it.
char* ConvertValueToString(const char* value, int32_t length, uint8_t type);
// The same text appended to out, without allocating a copy; false (out
// unchanged) where ConvertValueToString gives none.
bool AppendValueText(const char* value, int32_t length, uint8_t type, std::string* out);
// The same texts for types 1 to 15 and 19, allocated in the pool; none for
// other types or an absent value.
char* ConvertValueToPoolString(const char* value, int32_t length, uint8_t type, MemPool* pool);
