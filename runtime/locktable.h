// The lock table: the process-wide set of the object addresses that are
// locked now, so that shared objects (the log, vectors, tables) are
// serialised without a mutex of their own.  Not re-entrant and without
// owner: any thread may unlock, never lock an address twice, always unlock
// what you locked.  An address is held in a hashed slot (bucket: address /
// 16 mod 4096) taken and freed with one atomic operation each; addresses
// whose slot is taken go to an overflow list under the table mutex.
#pragma once

#include <cstdint>

#include "../platform/platform.h"

extern plat::MutexHandle gv_lockTableMutex;

inline constexpr uint8_t kLockEntered = 1;
inline constexpr uint8_t kLockBusy = 2;  // also "not found" when unlocking
inline constexpr uint8_t kLockRemoved = 4;

void InitMutex();

// Blocks, sleeping with back-off, until the address is entered; returns 1.
uint8_t LockObject(const void* object);
// 4 removed, 2 not found.
uint8_t UnlockObject(const void* object);

// The next back-off wait in milliseconds (advances the process-wide counter).
uint32_t NextLockWait();
// The counter of microseconds behind NextLockWait, for inspection and tests.
int32_t GetLockWaitCounter();
void SetLockWaitCounter(int32_t value);
