// The registry file of the POSIX emulation, at HVPRECHECK_REGISTRY.
//
// Reads parse the file only when it has changed since the last parse (by
// device, inode, size and times), so a run that reads many keys parses it
// once.  Every change is a read-modify-write under an advisory lock on a
// companion ".lock" file, ending in an atomic replace (temporary file, fsync,
// rename), so two writers never lose each other's changes and a crash never
// leaves a half-written registry.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/posix/registry_tree.h"

namespace plat::posix {

inline constexpr const char* kDefaultRegistryPath = "/var/lib/hvprecheck/registry.reg";

// How long a change waits for the writers' lock unless
// HVPRECHECK_REGISTRY_LOCK_TIMEOUT_MS says otherwise.
inline constexpr std::chrono::milliseconds kDefaultLockTimeout{10000};

std::string RegistryFilePath();

// The current registry: 0, or kErrorBadDb for a file that cannot be parsed,
// kErrorAccessDenied or kErrorCantRead for one that cannot be read.  A
// missing file is an empty registry.
int32_t LoadRegistry(std::shared_ptr<const RegTree>* tree);

// Applies change to a copy of the current registry under the writers' lock
// and replaces the file with the result when change returns 0 and says it
// changed something.  The result is change's, or the Windows code of the
// failure to read or write the file: 258 (kErrorWaitTimeout) when another
// writer held the lock for the whole timeout.
using RegistryChange = std::function<int32_t(RegTree* tree, bool* changed)>;
int32_t ModifyRegistry(const RegistryChange& change);

// How many times this process has parsed a registry file.
uint64_t RegistryParseCount();

// Why the last parse failed, for diagnostics.
std::string LastRegistryParseError();

}  // namespace plat::posix
