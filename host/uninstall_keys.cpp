#include "host/uninstall_keys.h"

#include <cstdint>
#include <cstring>

#include "host/registry_read.h"
#include "host/registry_write.h"
#include "platform/platform.h"
#include "runtime/log.h"

namespace {

constexpr uint32_t kNameBufferSize = 260;
constexpr const char* kPowerKey = "System\\CurrentControlSet\\Control\\Power";
constexpr const char* kSessionPowerKey =
    "System\\CurrentControlSet\\Control\\Session Manager\\Power";
constexpr const char* kAgentSettingsKey = "Software\\Kestrane\\Halvora\\HVAgent\\Settings";

}  // namespace

void EnumerateSubKeys(std::vector<std::string>* names, const char* keyPath) {
  plat::RegKey key = nullptr;
  if (plat::RegistryOpenKey(plat::kHkeyLocalMachine, keyPath, plat::kKeyRead, &key) ==
      plat::kErrorSuccess) {
    char name[kNameBufferSize];
    for (uint32_t index = 0;; ++index) {
      memset(name, 0, sizeof name);
      uint32_t size = kNameBufferSize;
      if (plat::RegistryEnumKeyAnsi(key, index, name, &size) != plat::kErrorSuccess) break;
      names->emplace_back(name, size);
    }
  }
  for (const std::string& n : *names) LogDebug("Subkey Name:%s\n", n.c_str());
  if (key) plat::RegistryCloseKey(key);
}

void DisableFastStartup() {
  uint32_t hibernate = 0;
  ReadDwordRegistryData(plat::kHkeyLocalMachine, kPowerKey, "HibernateEnabled", &hibernate);
  if (hibernate == 0) return;
  if (writeValueEx(plat::kHkeyLocalMachine, kSessionPowerKey, "HiberbootEnabled", "0",
                   plat::kRegDword) == plat::kErrorSuccess) {
    LogInfo("!!! Fast Startup has been disabled\n");
  }
  writeValue(plat::kHkeyLocalMachine, kAgentSettingsKey, "hvDisabledFastStartup", "1",
             plat::kRegDword);
}
