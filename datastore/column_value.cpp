// Column types, values and the conversions between text and values.
#include "datastore/column_value.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string>

#include "database/mempool.h"
#include "runtime/conversions.h"
#include "runtime/log.h"
#include "runtime/textutil.h"

namespace {

struct TypeEntry {
  const char* name;
  // Names a data dictionary may use for the code, compared without case.
  const char* accepted[3];
};

const TypeEntry kTypes[kKesSqlTypeCount] = {
    {"KES_SQL_NOT_SUPPORTED_TYPE", {"KES_SQL_NOT_SUPPORTED_TYPE"}},
    {"KES_SQL_TINYINT", {"KES_SQL_TINYINT"}},
    {"KES_SQL_UNSIGNED_TINYINT", {"KES_SQL_UNSIGNED_TINYINT"}},
    {"KES_SQL_SMALLINT", {"KES_SQL_SMALLINT"}},
    {"KES_SQL_UNSIGNED_SMALLINT", {"KES_SQL_UNSIGNED_SMALLINT"}},
    {"KES_SQL_INT", {"KES_SQL_INT", "INTEGER", "LONG"}},
    {"KES_SQL_UNSIGNED_INT", {"KES_SQL_UNSIGNED_INT"}},
    {"KES_SQL_BIGINT", {"BIGINT"}},
    {"KES_SQL_UNSIGNED_LONG_INT", {"KES_SQL_UNSIGNED_LONG_INT"}},
    {"KES_SQL_FLOAT", {"KES_SQL_FLOAT", "FLOAT"}},
    {"KES_SQL_DOUBLE", {"KES_SQL_DOUBLE"}},
    {"KES_SQL_REAL", {"KES_SQL_REAL"}},
    {"KES_SQL_DECIMAL", {"KES_SQL_DECIMAL"}},
    {"KES_SQL_NUMERIC", {"KES_SQL_NUMERIC"}},
    {"KES_SQL_CHAR", {"KES_SQL_CHAR"}},
    {"KES_SQL_VARCHAR", {"CHAR", "NCHAR"}},
    {"KES_SQL_DATE", {"KES_SQL_DATE", "DATE"}},
    {"KES_SQL_TIME", {"KES_SQL_TIME", "TIME"}},
    {"KES_SQL_DATETIME", {"KES_SQL_DATETIME", "DATETIME", "TIMESTAMP"}},
    {"KES_SQL_BOOLEAN", {"BOOLEAN"}},
    {"KES_SQL_BLOB", {"KES_SQL_BLOB", "BLOB"}},
    {"KES_SQL_CLOB", {"KES_SQL_CLOB", "CLOB"}},
    {"KES_SQL_TEXT", {"KES_SQL_TEXT", "TEXT"}},
};

// Widths of the fixed-width codes 1 to 11 (0 elsewhere).
int32_t FixedWidth(uint8_t type) {
  static const int32_t kWidths[12] = {0, 1, 1, 2, 2, 4, 4, 8, 8, 4, 8, 4};
  return type <= KES_SQL_REAL ? kWidths[type] : 0;
}

bool IsSigned(uint8_t type) {
  return type == KES_SQL_TINYINT || type == KES_SQL_SMALLINT || type == KES_SQL_INT ||
         type == KES_SQL_BIGINT;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Strict decimal integer: optional sign, then digits only; anything else is
// 0.  Wraps like unsigned arithmetic instead of overflowing.
uint64_t ParseStrictInteger(const char* text) {
  const char* p = text;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  uint64_t value = 0;
  for (; *p; ++p) {
    if (!IsDigit(*p)) return 0;
    value = value * 10 + static_cast<uint64_t>(*p - '0');
  }
  return negative ? ~value + 1 : value;
}

// Strict decimal fraction: optional sign, digits, an optional '.', digits;
// anything else is 0.
double ParseStrictFraction(const char* text) {
  const char* p = text;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  const char* start = p;
  bool point = false;
  bool digits = false;
  for (; *p; ++p) {
    if (IsDigit(*p)) {
      digits = true;
    } else if (*p == '.' && !point) {
      point = true;
    } else {
      return 0.0;
    }
  }
  if (!digits) return 0.0;
  double value = 0.0;
  if (std::from_chars(start, p, value, std::chars_format::fixed).ec != std::errc()) return 0.0;
  return negative ? -value : value;
}

char* NewValue(const void* bytes, int32_t length) {
  char* out = nullptr;
  if (AllocateAndCopyBytes(&out, static_cast<const char*>(bytes), length) != kResultSuccess) {
    return nullptr;
  }
  return out;
}

// The first width bytes of a value into bytes; those past the given length
// stay zero instead of being read past the buffer.
void CopyFixedBytes(const char* value, int32_t length, int32_t width, unsigned char* bytes) {
  const int32_t available = length < width ? (length > 0 ? length : 0) : width;
  memcpy(bytes, value, static_cast<size_t>(available));
}

// The integer of a fixed-width value, sign- or zero-extended.
uint64_t ReadInteger(const char* value, int32_t length, uint8_t type) {
  const int32_t width = FixedWidth(type);
  unsigned char bytes[8] = {};
  CopyFixedBytes(value, length, width, bytes);
  uint64_t v = 0;
  for (int32_t i = width - 1; i >= 0; --i) v = (v << 8) | bytes[i];
  if (IsSigned(type) && width < 8 && (bytes[width - 1] & 0x80)) v |= ~uint64_t{0} << (width * 8);
  return v;
}

double ReadFloat(const char* value, int32_t length, uint8_t type) {
  const int32_t width = FixedWidth(type);
  unsigned char bytes[8] = {};
  CopyFixedBytes(value, length, width, bytes);
  if (width == 4) {
    float f;
    memcpy(&f, bytes, 4);
    return f;
  }
  double d;
  memcpy(&d, bytes, 8);
  return d;
}

// The text of a value of types 1 to 15 and 19 ("%f" for the floating
// types, the text up to its first NUL for the text types), appended to out.
// False for the types it does not cover.
bool ScalarText(const char* value, int32_t length, uint8_t type, std::string* out) {
  char buf[400];
  switch (type) {
    case KES_SQL_TINYINT:
    case KES_SQL_SMALLINT:
    case KES_SQL_INT:
    case KES_SQL_BIGINT: {
      const auto r = std::to_chars(buf, buf + sizeof buf,
                                   static_cast<int64_t>(ReadInteger(value, length, type)));
      out->assign(buf, r.ptr);
      return true;
    }
    case KES_SQL_UNSIGNED_TINYINT:
    case KES_SQL_UNSIGNED_SMALLINT:
    case KES_SQL_UNSIGNED_INT:
    case KES_SQL_UNSIGNED_LONG_INT: {
      const auto r = std::to_chars(buf, buf + sizeof buf, ReadInteger(value, length, type));
      out->assign(buf, r.ptr);
      return true;
    }
    case KES_SQL_FLOAT:
    case KES_SQL_DOUBLE:
    case KES_SQL_REAL: {
      // As "%f" does, without depending on the process's locale.
      const auto r = std::to_chars(buf, buf + sizeof buf, ReadFloat(value, length, type),
                                   std::chars_format::fixed, 6);
      out->assign(buf, r.ptr);
      return true;
    }
    case KES_SQL_DECIMAL:
    case KES_SQL_NUMERIC:
    case KES_SQL_CHAR:
    case KES_SQL_VARCHAR:
      out->assign(value, strnlen(value, static_cast<size_t>(length > 0 ? length : 0)));
      return true;
    case KES_SQL_BOOLEAN:
      out->assign(length > 0 && value[0] == 1 ? "'t'" : "'f'");
      return true;
    default:
      return false;
  }
}

}  // namespace

uint64_t ReadIntegerValue(const char* value, int32_t length, uint8_t type) {
  if (!value || type < KES_SQL_TINYINT || type > KES_SQL_UNSIGNED_LONG_INT) return 0;
  return ReadInteger(value, length, type);
}

void PackDateValue(const KesDateTime* value, char* out) {
  memset(out, 0, kDateValueSize);
  if (!value) return;
  uint8_t parts = 0;
  if (value->date) {
    out[0] = static_cast<char>(value->date->year & 0xFF);
    out[1] = static_cast<char>(value->date->year >> 8);
    out[2] = static_cast<char>(value->date->month);
    out[3] = static_cast<char>(value->date->day);
    parts |= kDateValueHasDate;
  }
  if (value->time) {
    out[4] = static_cast<char>(value->time->hour);
    out[5] = static_cast<char>(value->time->minute);
    out[6] = static_cast<char>(value->time->second);
    parts |= kDateValueHasTime;
  }
  out[7] = static_cast<char>(parts);
}

KesDateTime* UnpackDateValue(const char* value, int32_t length) {
  if (!value || length < kDateValueSize) return nullptr;
  const auto* b = reinterpret_cast<const unsigned char*>(value);
  const uint8_t parts = b[7];
  if (!(parts & (kDateValueHasDate | kDateValueHasTime))) return nullptr;
  auto* result = static_cast<KesDateTime*>(calloc(1, sizeof(KesDateTime)));
  if (!result) return nullptr;
  if (parts & kDateValueHasDate) {
    result->date = CreateKesDate(b[0] | (b[1] << 8), b[2], b[3]);
    if (!result->date) {
      FreeKesDateTime(result);
      return nullptr;
    }
  }
  if (parts & kDateValueHasTime) {
    result->time = CreateKesTime(b[4], b[5], b[6]);
    if (!result->time) {
      FreeKesDateTime(result);
      return nullptr;
    }
  }
  return result;
}

const char* GetDataTypeName(uint8_t type) {
  return type < kKesSqlTypeCount ? kTypes[type].name : nullptr;
}

uint8_t GetDataTypeFromName(const char* name) {
  LogTrace("\n\t@@@@@ Inside GetDataTypeFromName() @@@@@ \n");
  if (!name) return KES_SQL_NOT_SUPPORTED_TYPE;
  for (uint8_t code = 0; code < kKesSqlTypeCount; ++code) {
    for (const char* accepted : kTypes[code].accepted) {
      if (accepted && CompareStringNoCase(accepted, name) == 0) return code;
    }
  }
  return KES_SQL_NOT_SUPPORTED_TYPE;
}

bool ConvertStringToValueBytes(const char* text, int32_t* length, uint8_t type,
                               char scratch[kValueScratchSize], const char** bytes) {
  if (!text || !length || !scratch || !bytes) return false;
  switch (type) {
    case KES_SQL_NOT_SUPPORTED_TYPE:
    case KES_SQL_DECIMAL:
    case KES_SQL_NUMERIC:
    case KES_SQL_BLOB:
    case KES_SQL_CLOB:
      if (*length < 0) return false;
      *bytes = text;
      return true;
    case KES_SQL_TINYINT:
    case KES_SQL_UNSIGNED_TINYINT:
    case KES_SQL_SMALLINT:
    case KES_SQL_UNSIGNED_SMALLINT:
    case KES_SQL_INT:
    case KES_SQL_UNSIGNED_INT:
    case KES_SQL_BIGINT:
    case KES_SQL_UNSIGNED_LONG_INT: {
      const uint64_t v = ParseStrictInteger(text);
      for (int i = 0; i < 8; ++i) scratch[i] = static_cast<char>(v >> (8 * i));
      *length = FixedWidth(type);
      *bytes = scratch;
      return true;
    }
    case KES_SQL_FLOAT:
    case KES_SQL_REAL: {
      const float f = static_cast<float>(ParseStrictFraction(text));
      memcpy(scratch, &f, 4);
      *length = 4;
      *bytes = scratch;
      return true;
    }
    case KES_SQL_DOUBLE: {
      const double d = ParseStrictFraction(text);
      memcpy(scratch, &d, 8);
      *length = 8;
      *bytes = scratch;
      return true;
    }
    case KES_SQL_CHAR:
    case KES_SQL_VARCHAR:
    case KES_SQL_TEXT: {
      const size_t n = strlen(text);
      if (n > INT32_MAX - 1) return false;
      *length = static_cast<int32_t>(n);
      *bytes = text;
      return true;
    }
    case KES_SQL_DATE:
    case KES_SQL_TIME:
    case KES_SQL_DATETIME: {
      KesDateTime* parsed = ConvertStringToKesDateTime(text);
      if (!parsed) return false;
      PackDateValue(parsed, scratch);
      FreeKesDateTime(parsed);
      *length = kDateValueSize;
      *bytes = scratch;
      return true;
    }
    case KES_SQL_BOOLEAN: {
      if (CompareStringNoCase(text, "TRUE") == 0) {
        scratch[0] = 1;
      } else if (CompareStringNoCase(text, "FALSE") == 0) {
        scratch[0] = 0;
      } else {
        return false;
      }
      *length = 1;
      *bytes = scratch;
      return true;
    }
    default:
      return false;
  }
}

char* ConvertStringToValue(const char* text, int32_t* length, uint8_t type) {
  LogTrace("\n\t@@@@@ Inside ConvertStringToValue() @@@@@ \n");
  char scratch[kValueScratchSize];
  const char* bytes = nullptr;
  int32_t converted = length ? *length : 0;
  if (!ConvertStringToValueBytes(text, &converted, type, scratch, &bytes)) return nullptr;
  char* out = NewValue(bytes, converted);
  if (out) *length = converted;
  return out;
}

bool AppendValueText(const char* value, int32_t length, uint8_t type, std::string* out) {
  if (!value) {
    out->append("NULL");
    return true;
  }
  if (type == KES_SQL_DATE || type == KES_SQL_TIME || type == KES_SQL_DATETIME) {
    KesDateTime* parts = UnpackDateValue(value, length);
    char* text = ConvertKesDateTimeToString(parts);
    FreeKesDateTime(parts);
    if (!text) return false;
    out->append(text);
    free(text);
    return true;
  }
  if (type == KES_SQL_BLOB || type == KES_SQL_CLOB || type == KES_SQL_TEXT) {
    out->append(value, strnlen(value, static_cast<size_t>(length > 0 ? length : 0)));
    return true;
  }
  std::string text;
  if (!ScalarText(value, length, type, &text)) return false;
  out->append(text);
  return true;
}

char* ConvertValueToString(const char* value, int32_t length, uint8_t type) {
  LogTrace("\n\t@@@@@ Inside ConvertValueToString() @@@@@ \n");
  std::string text;
  if (!AppendValueText(value, length, type, &text)) return nullptr;
  char* out = nullptr;
  AllocateAndCopyString(&out, text.c_str());
  return out;
}

char* ConvertValueToPoolString(const char* value, int32_t length, uint8_t type, MemPool* pool) {
  LogTrace("\n\t@@@@@ Inside ConvertValueToPoolString() @@@@@ \n");
  if (!value || !pool) return nullptr;
  std::string text;
  if (!ScalarText(value, length, type, &text)) return nullptr;
  char* out = nullptr;
  if (!PoolStrndup(&out, text.data(), text.size(), pool)) return nullptr;
  return out;
}
