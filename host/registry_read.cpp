#include "host/registry_read.h"

#include <cstdlib>

#include "runtime/log.h"

namespace {

struct SzTexts {
  const char* open_failed;
  bool open_names_key;
  const char* read_failed;
};

constexpr SzTexts kReadRegSZTexts = {
    "ReadRegSZ: Error while opening registry key %s ,and the error is  %d \n", true,
    "ReadRegSZ: Error while reading DWORD value! %d \n"};
constexpr SzTexts kReadRegSZExTexts = {
    "ReadRegSZEx: Error while opening registry key for serverName %d \n", false,
    "ReadRegSZEx: Error while reading DWORD value! %d \n"};

// The texts are chosen from the two tables above, never from input.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
int32_t ReadText(const SzTexts& texts, plat::RegRoot root, const char* keyPath,
                 const char* valueName, char** out) {
  *out = nullptr;
  plat::RegKey key = nullptr;
  int32_t result = plat::RegistryOpenKey(root, keyPath, plat::kKeyQueryValue, &key);
  if (result != plat::kErrorSuccess) {
    if (texts.open_names_key) {
      LogError(texts.open_failed, keyPath, result);
    } else {
      LogError(texts.open_failed, result);
    }
    return result;
  }
  uint32_t size = 0;
  result = plat::RegistryQueryValueAnsi(key, valueName, nullptr, nullptr, &size);
  if (result != plat::kErrorSuccess) {
    plat::RegistryCloseKey(key);
    return result;
  }
  *out = static_cast<char*>(calloc(static_cast<size_t>(size) + 5, 1));
  if (!*out) {
    plat::RegistryCloseKey(key);
    result = plat::kErrorNotEnoughMemory;
    LogError(texts.read_failed, result);
    return result;
  }
  result = plat::RegistryQueryValueAnsi(key, valueName, nullptr, reinterpret_cast<uint8_t*>(*out),
                                        &size);
  if (result != plat::kErrorSuccess) LogError(texts.read_failed, result);
  plat::RegistryCloseKey(key);
  return result;
}
#pragma GCC diagnostic pop

}  // namespace

int32_t ReadRegSZ(plat::RegRoot root, const char* keyPath, const char* valueName, char** out) {
  return ReadText(kReadRegSZTexts, root, keyPath, valueName, out);
}

int32_t ReadRegSZEx(plat::RegRoot root, const char* keyPath, const char* valueName, char** out) {
  return ReadText(kReadRegSZExTexts, root, keyPath, valueName, out);
}

int32_t ReadDwordRegistryData(plat::RegRoot root, const char* keyPath, const char* valueName,
                              uint32_t* value) {
  plat::RegKey key = nullptr;
  int32_t result = plat::RegistryOpenKey(root, keyPath, plat::kKeyQueryValue, &key);
  if (result == plat::kErrorFileNotFound) {
    LogDebug("ReadDwordRegistryData:  value  %s Not found: %d \n", valueName, result);
    return result;
  }
  if (result != plat::kErrorSuccess) {
    LogError(
        "ReadDwordRegistryData: Error while opening registry key %s,and the errorcode is : %d \n",
        keyPath, result);
    return result;
  }
  uint8_t bytes[4] = {0, 0, 0, 0};
  uint32_t size = sizeof bytes;
  result = plat::RegistryQueryValueAnsi(key, valueName, nullptr, bytes, &size);
  if (result == plat::kErrorSuccess) {
    // Fewer than four bytes fill the low end, as a read into the variable does.
    uint32_t v = *value;
    for (uint32_t i = 0; i < size; ++i) {
      v = (v & ~(0xFFu << (8 * i))) | (static_cast<uint32_t>(bytes[i]) << (8 * i));
    }
    *value = v;
  } else if (result == plat::kErrorFileNotFound) {
    LogDebug("ReadDwordRegistryData:  value  %s Not found: %d \n", valueName, result);
  } else {
    LogError("ReadDwordRegistryData: Error while reading DWORD value of %s : %d \n", valueName,
             result);
  }
  plat::RegistryCloseKey(key);
  return result;
}
