// Subkey listing (the uninstall keys' product codes) and the Fast Startup
// switch the precheck flow throws when it finds an application in use.
#pragma once

#include <string>
#include <vector>

// Appends the names of the subkeys of HKEY_LOCAL_MACHINE\keyPath to names,
// in the registry's order, then logs every name in the list.
void EnumerateSubKeys(std::vector<std::string>* names, const char* keyPath);

// When hibernation is enabled: Fast Startup off, and the agent's record of
// having done so.
void DisableFastStartup();
