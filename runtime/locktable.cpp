#include "runtime/locktable.h"

#include <atomic>
#include <cstdlib>
#include <limits>
#include <mutex>

#include "runtime/log.h"

plat::MutexHandle gv_lockTableMutex = nullptr;

namespace {

// An address is held in its home bucket's slot (one compare-and-swap to
// lock, one to unlock: the common, uncontended case) or, when another
// address holds that slot, in the overflow list under the table mutex.
// overflow[b] counts the list's entries of bucket b plus the slow-path
// lockers of b at work; while it is not zero, every lock and unlock of b
// consults the list, so an address is never entered twice.
constexpr size_t kBuckets = 4096;
std::atomic<const void*> gs_slots[kBuckets];
std::atomic<uint32_t> gs_overflow[kBuckets];

struct LockEntry {
  const void* object;
  LockEntry* next;
};

LockEntry* gv_lockHead = nullptr;

// Removed entries kept for reuse, so that an overflow lock and unlock do not
// cost an allocation and a free each; bounded so the table never hoards
// memory.
LockEntry* gv_spareEntries = nullptr;
int gv_spareCount = 0;
constexpr int kMaxSpareEntries = 64;

// Microseconds; shared by all threads and addresses, never reset.
std::atomic<int32_t> lockWaitCounter{0};

// Guards the list before InitMutex has run and after its handle is closed,
// so the list is never changed without mutual exclusion.
std::mutex gv_fallbackMutex;

size_t BucketOf(const void* object) {
  return (reinterpret_cast<uintptr_t>(object) >> 4) & (kBuckets - 1);
}

template <typename Change>
uint8_t UnderTableMutex(Change change) {
  plat::MutexHandle mutex = gv_lockTableMutex;
  if (mutex && plat::MutexWait(mutex)) {
    uint8_t result = change();
    plat::MutexRelease(mutex);
    return result;
  }
  std::lock_guard<std::mutex> lock(gv_fallbackMutex);
  return change();
}

LockEntry** FindInList(const void* object) {
  for (LockEntry** at = &gv_lockHead; *at; at = &(*at)->next) {
    if ((*at)->object == object) return at;
  }
  return nullptr;
}

// The slow path of a lock, under the table mutex.
uint8_t EnterSlow(const void* object, size_t b) {
  if (FindInList(object)) return kLockBusy;
  gs_overflow[b].fetch_add(1, std::memory_order_seq_cst);
  for (;;) {
    const void* held = gs_slots[b].load(std::memory_order_seq_cst);
    if (held == object) {
      gs_overflow[b].fetch_sub(1, std::memory_order_seq_cst);
      return kLockBusy;
    }
    if (!held) {
      if (!gs_slots[b].compare_exchange_strong(held, object, std::memory_order_seq_cst)) continue;
      gs_overflow[b].fetch_sub(1, std::memory_order_seq_cst);
      return kLockEntered;
    }
    break;  // another address holds the slot: into the list
  }
  LockEntry* entry = gv_spareEntries;
  if (entry) {
    gv_spareEntries = entry->next;
    --gv_spareCount;
  } else {
    entry = static_cast<LockEntry*>(malloc(sizeof(LockEntry)));
    if (!entry) {
      gs_overflow[b].fetch_sub(1, std::memory_order_seq_cst);
      return kLockBusy;
    }
  }
  entry->object = object;
  entry->next = gv_lockHead;
  gv_lockHead = entry;
  return kLockEntered;  // the list entry keeps the count raised
}

uint8_t Enter(const void* object) {
  const size_t b = BucketOf(object);
  if (gs_overflow[b].load(std::memory_order_seq_cst) == 0) {
    const void* expected = nullptr;
    if (gs_slots[b].compare_exchange_strong(expected, object, std::memory_order_seq_cst)) {
      if (gs_overflow[b].load(std::memory_order_seq_cst) == 0) return kLockEntered;
      // A slow-path locker of the bucket is at work: the list decides.
      return UnderTableMutex([object, b] {
        if (!FindInList(object)) return kLockEntered;
        gs_slots[b].store(nullptr, std::memory_order_seq_cst);
        return kLockBusy;
      });
    }
    if (expected == object) return kLockBusy;
  }
  return UnderTableMutex([object, b] { return EnterSlow(object, b); });
}

uint8_t Remove(const void* object) {
  const size_t b = BucketOf(object);
  if (gs_overflow[b].load(std::memory_order_seq_cst) == 0) {
    const void* expected = object;
    if (gs_slots[b].compare_exchange_strong(expected, nullptr, std::memory_order_seq_cst)) {
      return kLockRemoved;
    }
    if (gs_overflow[b].load(std::memory_order_seq_cst) == 0) return kLockBusy;  // not found
  }
  return UnderTableMutex([object, b] {
    if (LockEntry** at = FindInList(object)) {
      LockEntry* e = *at;
      *at = e->next;
      if (gv_spareCount < kMaxSpareEntries) {
        e->next = gv_spareEntries;
        gv_spareEntries = e;
        ++gv_spareCount;
      } else {
        free(e);
      }
      gs_overflow[b].fetch_sub(1, std::memory_order_seq_cst);
      return kLockRemoved;
    }
    const void* expected = object;
    return gs_slots[b].compare_exchange_strong(expected, nullptr, std::memory_order_seq_cst)
               ? kLockRemoved
               : kLockBusy;
  });
}

}  // namespace

void InitMutex() {
  LogTrace("\n\t@@@@@ Inside InitMutex() @@@@@\n");
  gv_lockTableMutex = plat::MutexCreate();
}

uint8_t LockObject(const void* object) {
  uint8_t result = Enter(object);
  while (result == kLockBusy) {
    plat::SleepMs(NextLockWait());
    result = Enter(object);
  }
  return result;
}

uint8_t UnlockObject(const void* object) { return Remove(object); }

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
