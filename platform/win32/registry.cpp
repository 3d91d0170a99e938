// Registry calls of the seam on the real Windows registry.
#include <windows.h>

#include "platform/platform.h"

namespace plat {

namespace {

HKEY RootHandle(RegRoot root) {
  switch (root) {
    case kHkeyClassesRoot:
      return HKEY_CLASSES_ROOT;
    case kHkeyCurrentUser:
      return HKEY_CURRENT_USER;
    case kHkeyLocalMachine:
      return HKEY_LOCAL_MACHINE;
    case kHkeyUsers:
      return HKEY_USERS;
    case kHkeyCurrentConfig:
      return HKEY_CURRENT_CONFIG;
    default:
      return nullptr;
  }
}

HKEY ToHkey(RegKey key) { return reinterpret_cast<HKEY>(key); }

}  // namespace

int32_t RegistryOpenKey(RegRoot root, const char* path, uint32_t access, RegKey* key) {
  if (!key) return kErrorInvalidParameter;
  *key = nullptr;
  HKEY base = RootHandle(root);
  if (!base) return kErrorInvalidHandle;
  HKEY opened = nullptr;
  LONG r = RegOpenKeyExA(base, path, 0, access, &opened);
  if (r == ERROR_SUCCESS) *key = reinterpret_cast<RegKey>(opened);
  return static_cast<int32_t>(r);
}

int32_t RegistryQueryValueAnsi(RegKey key, const char* name, uint32_t* type, uint8_t* data,
                               uint32_t* size) {
  DWORD t = 0;
  DWORD n = size ? *size : 0;
  LONG r = RegQueryValueExA(ToHkey(key), name, nullptr, &t, data, size ? &n : nullptr);
  if (type) *type = t;
  if (size) *size = n;
  return static_cast<int32_t>(r);
}

int32_t RegistryCreateKey(RegRoot root, const char* path, uint32_t access, RegKey* key,
                          uint32_t* disposition) {
  if (!key) return kErrorInvalidParameter;
  *key = nullptr;
  HKEY base = RootHandle(root);
  if (!base) return kErrorInvalidHandle;
  HKEY created = nullptr;
  DWORD how = 0;
  LONG r = RegCreateKeyExA(base, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                           &created, &how);
  if (r == ERROR_SUCCESS) {
    *key = reinterpret_cast<RegKey>(created);
    if (disposition) *disposition = how;
  }
  return static_cast<int32_t>(r);
}

int32_t RegistrySetValueWide(RegKey key, const char16_t* name, uint32_t type, const uint8_t* data,
                             uint32_t size) {
  static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide texts are UTF-16");
  return static_cast<int32_t>(
      RegSetValueExW(ToHkey(key), reinterpret_cast<const wchar_t*>(name), 0, type, data, size));
}

int32_t RegistryDeleteKey(RegRoot root, const char* path) {
  HKEY base = RootHandle(root);
  if (!base) return kErrorInvalidHandle;
  return static_cast<int32_t>(RegDeleteKeyA(base, path));
}

int32_t RegistryEnumKeyAnsi(RegKey key, uint32_t index, char* name, uint32_t* size) {
  if (!size) return kErrorInvalidParameter;
  DWORD n = *size;
  FILETIME last_write;
  LONG r = RegEnumKeyExA(ToHkey(key), index, name, &n, nullptr, nullptr, nullptr, &last_write);
  if (r == ERROR_SUCCESS) *size = n;
  return static_cast<int32_t>(r);
}

void RegistryCloseKey(RegKey key) {
  if (key) RegCloseKey(ToHkey(key));
}

}  // namespace plat
