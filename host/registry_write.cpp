#include "host/registry_write.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <type_traits>

#include "host/error_text.h"
#include "runtime/log.h"

namespace {

struct FreeDeleter {
  void operator()(void* p) const { free(p); }
};
using WideText = std::unique_ptr<char16_t, FreeDeleter>;

size_t WideLength(const char16_t* text) {
  size_t n = 0;
  while (text[n]) ++n;
  return n;
}

bool IsMarker(const char16_t* text) {
  return text && (text[0] == u'-') && (text[1] == u'-') && text[2] == 0;
}

bool IsBlank(char32_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The signed reading of writeValue: blanks, one sign, digits up to the first
// other character, clamped to the 32-bit range as the runtime's reader does.
// Leading blanks and one sign, as both number readers take them.
template <typename Char>
const Char* SkipBlanksAndSign(const Char* text, bool* negative) {
  while (IsBlank(static_cast<char32_t>(static_cast<std::make_unsigned_t<Char>>(*text)))) ++text;
  *negative = false;
  if (*text == '+' || *text == '-') *negative = *text++ == '-';
  return text;
}

template <typename Char>
int32_t ReadSigned(const Char* text) {
  bool negative = false;
  text = SkipBlanksAndSign(text, &negative);
  int64_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    value = value * 10 + (*text - '0');
    if (value > (int64_t{1} << 32)) value = int64_t{1} << 32;  // already out of range
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

// The unsigned reading of writeValueEx: a '-' negates modulo 2^32, a value
// beyond 32 bits gives 0xFFFFFFFF.
uint32_t ReadUnsigned(const char* text) {
  bool negative = false;
  text = SkipBlanksAndSign(text, &negative);
  uint64_t value = 0;
  bool overflow = false;
  for (; *text >= '0' && *text <= '9'; ++text) {
    value = value * 10 + static_cast<uint64_t>(*text - '0');
    if (value > 0xFFFFFFFFull) {
      overflow = true;
      value = 0xFFFFFFFFull;
    }
  }
  if (overflow) return 0xFFFFFFFFu;
  auto v = static_cast<uint32_t>(value);
  return negative ? 0u - v : v;
}

std::string WideBytes(const char16_t* text, size_t units) {
  return std::string(reinterpret_cast<const char*>(text), units * sizeof(char16_t));
}

std::string Utf8Of(const char16_t* wide) {
  char* text = nullptr;
  ChangeWideStrToUtf8(wide, &text);
  std::string out = text ? text : "";
  free(text);
  return out;
}

// The texts of one family of the write operations.
struct WriteTexts {
  const char* inside;
  const char* empty_args;
  bool empty_args_is_error;
  const char* subkey;
  const char* name;
  const char* data;
  const char* default_name;
  const char* zero_data;
  const char* sz_size;
  const char* binary_size;  // writeValueEx only
  const char* dword_size;
  const char* multi_size;
  const char* qword_size;  // writeValueEx only
  const char* create_failed;
  const char* open_failed;
  const char* key_found;
  const char* after_add;
  const char* set_failed;
  const char* failed_subkey;
  const char* failed_name;
  const char* failed_data;
  const char* failed_type;
  const char* end;
  bool extended;
  int32_t (*add_key)(plat::RegRoot, const char*);
};

const WriteTexts kWriteValue = {
    "@@@@@@@@ Inside writeValue Method @@@@@@@@ \n",
    "writeValue : Valuename or Valuedata is Empty \n",
    false,
    "writeValue: Subkey : %s \n",
    "writeValue: Value Name: %s \n",
    "writeValue: Value Data: %s \n",
    "writeValue : going to add the (default) value .\n",
    "writeValue : going to add the value data as 0 value .\n",
    "writeValue:  Data type is REG_SZ or REG_EXPAND_SZ or REG_BINARY: %d\n",
    nullptr,
    "writeValue:  REG_DWORD -- sizeOfInputData: %d\n",
    "writeValue:  Data type is REG_MULTI_SZ: %d\n",
    nullptr,
    "writeValue:  WriteValue failure during key creation! %d \n",
    "writeValue:  Key open failure! %d \n",
    "writeValue:  Key found ...!: %d\n",
    "writeValue:  After addRegistryKey method in writeValue method!!\n",
    "writeValue:  Function WriteValue failure!:%d\n",
    "writeValue:    Subkey: %s \n",
    "writeValue:    Valuename: %s \n",
    "writeValue:    Valuedata: %s \n",
    "writeValue:    Datatype: %d \n",
    "@@@@@@@@ End Of writeValue Method @@@@@@@@ \n",
    false,
    &addRegistryKey,
};

const WriteTexts kWriteValueEx = {
    "@@@@@@@@ Inside writeValueEx Method @@@@@@@@ \n",
    "writeValueEx : Valuename or Valuedata is Empty \n",
    true,
    "writeValueEx: Subkey : %s \n",
    "writeValueEx: Value Name: %s \n",
    "writeValueEx: Value Data: %s \n",
    "writeValueEx : going to add the (default) value .\n",
    "writeValueEx : going to add the value data as 0 value .\n",
    "writeValueEx:  Data type is REG_SZ or REG_EXPAND_SZ or REG_BINARY: %d\n",
    "writeValueEx:  Data type is REG_BINARY: %d\n",
    "writeValueEx:  REG_DWORD -- sizeOfInputData: %d\n",
    "writeValueEx:  Data type is REG_MULTI_SZ: %d\n",
    "writeValueEx:  REG_QWORD -- sizeOfInputData: %d\n",
    "writeValueEx:  WriteValue failure during key creation! %d \n",
    "writeValueEx:  Key open failure! %d \n",
    "writeValueEx:  Key found ...!: %d\n",
    "writeValueEx:  After addRegistryKey method in writeValue method!!\n",
    "writeValueEx:  Function WriteValue failure!:%d\n",
    "writeValueEx:    Subkey: %s \n",
    "writeValueEx:    Valuename: %s \n",
    "writeValueEx:    Valuedata: %s \n",
    "writeValueEx:    Datatype: %d \n",
    "@@@@@@@@ End Of writeValueEx Method @@@@@@@@ \n",
    true,
    &addRegistryKeyEx,
};

struct KeyTexts {
  const char* inside;
  const char* failed;
  const char* existing;
  const char* created;
};

constexpr KeyTexts kAddKey = {
    "addRegistryKey: Inside addRegistryKey method ...... \n",
    "addRegistryKey:  Create registry key \"%s\" function failed: %d \n",
    "addRegistryKey:  Opened already existing key! \n",
    "addRegistryKey:  Create registry key function successfull: %d \n",
};

constexpr KeyTexts kAddKeyEx = {
    "addRegistryKeyEx: Inside addRegistryKey method ...... \n",
    "addRegistryKeyEx:  Create registry key \"%s\" function failed: %d \n",
    "addRegistryKeyEx:  Opened already existing key! \n",
    "addRegistryKeyEx:  Create registry key function successfull: %d \n",
};

// Every format below comes from the tables above, never from input.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"

int32_t AddKey(const KeyTexts& t, plat::RegRoot root, const char* keyPath) {
  LogDebug(t.inside);
  plat::RegKey key = nullptr;
  uint32_t disposition = 0;
  int32_t result = plat::RegistryCreateKey(root, keyPath, plat::kKeyAllAccess, &key, &disposition);
  if (result != plat::kErrorSuccess) {
    LogError(t.failed, keyPath, result);
    LogErrorMessage(result);
    return result;
  }
  if (disposition == plat::kRegOpenedExistingKey) {
    LogDebug(t.existing);
  } else {
    LogDebug(t.created, disposition);
  }
  plat::RegistryCloseKey(key);
  return plat::kErrorSuccess;
}

// The bytes a value of this type is stored as; false for a type the family
// does not know.
bool Encode(const WriteTexts& t, uint32_t type, const char16_t* wide, const char* utf8,
            bool zero_data, std::string* bytes) {
  switch (type) {
    case plat::kRegSz:
    case plat::kRegExpandSz:
      *bytes = WideBytes(wide, WideLength(wide) + 1);
      LogDebug(t.sz_size, static_cast<int>(bytes->size()));
      return true;
    case plat::kRegBinary:
      if (!t.extended) {
        *bytes = WideBytes(wide, WideLength(wide) + 1);
        LogDebug(t.sz_size, static_cast<int>(bytes->size()));
      } else {
        // The data as the caller gave it, with its NUL; "--" stores nothing.
        *bytes = zero_data ? std::string() : std::string(utf8, strlen(utf8) + 1);
        LogDebug(t.binary_size, static_cast<int>(bytes->size()));
      }
      return true;
    case plat::kRegDword: {
      uint32_t v = t.extended ? ReadUnsigned(zero_data ? "" : utf8)
                              : static_cast<uint32_t>(ReadSigned(wide));
      bytes->assign(reinterpret_cast<const char*>(&v), sizeof v);
      LogDebug(t.dword_size, static_cast<int>(bytes->size()));
      return true;
    }
    case plat::kRegMultiSz:
      if (!t.extended) {
        // The text as the one string of a valid multi-string.
        *bytes = WideBytes(wide, WideLength(wide) + 1) + std::string(2, '\0');
      } else {
        uint32_t size = 0;
        WideText block(ConvertToMultiSz(wide, &size));
        if (!block) return false;
        *bytes = std::string(reinterpret_cast<const char*>(block.get()), size);
      }
      LogDebug(t.multi_size, static_cast<int>(bytes->size()));
      return true;
    case plat::kRegQword:
      if (!t.extended) return false;
      {
        uint64_t v = ConvertToQword(zero_data ? "" : utf8);
        bytes->assign(reinterpret_cast<const char*>(&v), sizeof v);
        LogDebug(t.qword_size, static_cast<int>(bytes->size()));
      }
      return true;
    default:
      return false;
  }
}

int32_t WriteValue(const WriteTexts& t, plat::RegRoot root, const char* keyPath,
                   const char* valueName, const char* valueData, uint32_t type) {
  LogDebug(t.inside);
  if (!valueName || !valueData) {
    if (t.empty_args_is_error) {
      LogError(t.empty_args);
    } else {
      LogInfo(t.empty_args);
    }
    return plat::kErrorInvalidData;
  }
  LogDebug(t.subkey, keyPath);
  LogDebug(t.name, valueName);
  LogDebug(t.data, valueData);

  char16_t* raw_name = nullptr;
  char16_t* raw_data = nullptr;
  ChangeUtf8ToWideStr(valueName, &raw_name);
  ChangeUtf8ToWideStr(valueData, &raw_data);
  WideText name(raw_name ? raw_name : static_cast<char16_t*>(calloc(1, sizeof(char16_t))));
  WideText data(raw_data ? raw_data : static_cast<char16_t*>(calloc(1, sizeof(char16_t))));
  if (!name || !data) return plat::kErrorNotEnoughMemory;
  if (IsMarker(name.get())) {
    LogInfo(t.default_name);
    name.get()[0] = 0;
  }
  const bool zero_data = IsMarker(data.get());
  if (zero_data) {
    LogInfo(t.zero_data);
    data.get()[0] = 0;
  }

  std::string bytes;
  if (!Encode(t, type, data.get(), valueData, zero_data, &bytes)) {
    LogError(t.set_failed, plat::kErrorInvalidParameter);
    LogError(t.failed_type, static_cast<int>(type));
    return plat::kErrorInvalidParameter;
  }

  int32_t result = t.add_key(root, keyPath);
  if (result != plat::kErrorSuccess) {
    LogError(t.create_failed, result);
    return result;
  }
  plat::RegKey key = nullptr;
  result = plat::RegistryOpenKey(root, keyPath, plat::kKeyAllAccess, &key);
  if (result != plat::kErrorSuccess) {
    LogError(t.open_failed, result);
    LogErrorMessage(result);
    return result;
  }
  LogDebug(t.key_found, result);
  LogDebug(t.after_add);

  result = plat::RegistrySetValueWide(key, name.get(), type,
                                      reinterpret_cast<const uint8_t*>(bytes.data()),
                                      static_cast<uint32_t>(bytes.size()));
  if (result == plat::kErrorSuccess) {
    LogErrorMessage(0);
    plat::RegistryCloseKey(key);
    LogDebug(t.end);
    return plat::kErrorSuccess;
  }
  LogError(t.set_failed, result);
  LogError(t.failed_subkey, keyPath);
  LogError(t.failed_name, Utf8Of(name.get()).c_str());
  LogError(t.failed_data, Utf8Of(data.get()).c_str());
  LogError(t.failed_type, static_cast<int>(type));
  LogErrorMessage(result);
  plat::RegistryCloseKey(key);
  return result;
}

#pragma GCC diagnostic pop

}  // namespace

int32_t addRegistryKey(plat::RegRoot root, const char* keyPath) {
  return AddKey(kAddKey, root, keyPath);
}

int32_t addRegistryKeyEx(plat::RegRoot root, const char* keyPath) {
  return AddKey(kAddKeyEx, root, keyPath);
}

int32_t writeValue(plat::RegRoot root, const char* keyPath, const char* valueName,
                   const char* valueData, uint32_t type) {
  return WriteValue(kWriteValue, root, keyPath, valueName, valueData, type);
}

int32_t writeValueEx(plat::RegRoot root, const char* keyPath, const char* valueName,
                     const char* valueData, uint32_t type) {
  return WriteValue(kWriteValueEx, root, keyPath, valueName, valueData, type);
}

char16_t* BuildMultiString(const char16_t* text, char16_t escape, char16_t separator,
                           char16_t replacement, uint32_t* size) {
  const size_t length = text ? WideLength(text) : 0;
  auto* block = static_cast<char16_t*>(calloc(length + 2, sizeof(char16_t)));
  if (!block) return nullptr;
  size_t written = 0;
  for (size_t i = 0; i < length; ++i) {
    if (text[i] == escape) {
      if (i + 1 < length) block[written++] = text[++i];
    } else if (text[i] == separator) {
      block[written++] = replacement;
    } else {
      block[written++] = text[i];
    }
  }
  // The two final NULs are already there: the block was zeroed.
  if (size) *size = static_cast<uint32_t>(2 * written + 4);
  return block;
}

char16_t* ConvertToMultiSz(const char16_t* text, uint32_t* size) {
  return BuildMultiString(text, u'^', u';', u'\0', size);
}

uint64_t ConvertToQword(const char* text) {
  uint64_t value = 0;
  for (; text && *text; ++text) value = value * 10 + static_cast<uint64_t>(*text - '0');
  return value;
}
