#include "runtime/locktable.h"

#include <atomic>
#include <cstdlib>
#include <limits>
#include <mutex>

#include "runtime/log.h"

plat::MutexHandle gv_lockTableMutex = nullptr;

namespace {

struct LockEntry {
  const void* object;
  LockEntry* next;
};

LockEntry* gv_lockHead = nullptr;
LockEntry* gv_lockTail = nullptr;

// Removed entries kept for reuse, so that a lock and an unlock do not cost
// an allocation and a free each; bounded so the table never hoards memory.
LockEntry* gv_spareEntries = nullptr;
int gv_spareCount = 0;
constexpr int kMaxSpareEntries = 64;

// Microseconds; shared by all threads and addresses, never reset.
std::atomic<int32_t> lockWaitCounter{0};

// Guards the list before InitMutex has run and after its handle is closed,
// so the table is never changed without mutual exclusion.
std::mutex gv_fallbackMutex;

template <typename Change>
uint8_t ChangeTable(Change change) {
  plat::MutexHandle mutex = gv_lockTableMutex;
  if (mutex && plat::MutexWait(mutex)) {
    uint8_t result = change();
    plat::MutexRelease(mutex);
    return result;
  }
  std::lock_guard<std::mutex> lock(gv_fallbackMutex);
  return change();
}

uint8_t Enter(const void* object) {
  for (LockEntry* e = gv_lockHead; e; e = e->next) {
    if (e->object == object) return kLockBusy;
  }
  LockEntry* entry = gv_spareEntries;
  if (entry) {
    gv_spareEntries = entry->next;
    --gv_spareCount;
  } else {
    entry = static_cast<LockEntry*>(malloc(sizeof(LockEntry)));
    if (!entry) return kLockBusy;
  }
  entry->object = object;
  entry->next = nullptr;
  if (gv_lockTail) {
    gv_lockTail->next = entry;
  } else {
    gv_lockHead = entry;
  }
  gv_lockTail = entry;
  return kLockEntered;
}

uint8_t Remove(const void* object) {
  LockEntry* previous = nullptr;
  for (LockEntry* e = gv_lockHead; e; previous = e, e = e->next) {
    if (e->object != object) continue;
    if (previous) {
      previous->next = e->next;
    } else {
      gv_lockHead = e->next;
    }
    if (gv_lockTail == e) gv_lockTail = previous;
    if (gv_spareCount < kMaxSpareEntries) {
      e->next = gv_spareEntries;
      gv_spareEntries = e;
      ++gv_spareCount;
    } else {
      free(e);
    }
    return kLockRemoved;
  }
  return kLockBusy;
}

}  // namespace

void InitMutex() {
  LogTrace("\n\t@@@@@ Inside InitMutex() @@@@@\n");
  gv_lockTableMutex = plat::MutexCreate();
}

uint8_t LockObject(const void* object) {
  uint8_t result = ChangeTable([object] { return Enter(object); });
  while (result == kLockBusy) {
    plat::SleepMs(NextLockWait());
    result = ChangeTable([object] { return Enter(object); });
  }
  return result;
}

uint8_t UnlockObject(const void* object) {
  return ChangeTable([object] { return Remove(object); });
}

uint32_t NextLockWait() {
  // -10 becomes 10; otherwise 10 more.  At the top of the 32-bit range the
  // counter starts its cycle again at 10, so a wait is never negative.
  int32_t current = lockWaitCounter.load(std::memory_order_relaxed);
  int32_t next;
  do {
    if (current == -10 || current > std::numeric_limits<int32_t>::max() - 10) {
      next = 10;
    } else {
      next = current + 10;
    }
  } while (!lockWaitCounter.compare_exchange_weak(current, next, std::memory_order_relaxed));
  return next < 0 ? 0u : static_cast<uint32_t>(next / 1000);
}

int32_t GetLockWaitCounter() { return lockWaitCounter.load(std::memory_order_relaxed); }

void SetLockWaitCounter(int32_t value) { lockWaitCounter.store(value, std::memory_order_relaxed); }
