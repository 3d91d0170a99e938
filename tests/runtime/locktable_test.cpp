#include "runtime/locktable.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <limits>
#include <thread>
#include <vector>

namespace {

class LockTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = gv_lockTableMutex;
    gv_lockTableMutex = plat::MutexCreate();
  }
  void TearDown() override {
    plat::MutexClose(gv_lockTableMutex);
    gv_lockTableMutex = saved_;
  }
  plat::MutexHandle saved_ = nullptr;
};

TEST_F(LockTableTest, LockIsBusyForOtherThreadUntilUnlocked) {
  int object = 0;
  ASSERT_EQ(LockObject(&object), kLockEntered);
  std::atomic<bool> acquired{false};
  std::thread other([&] {
    LockObject(&object);
    acquired = true;
    UnlockObject(&object);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(acquired.load());
  EXPECT_EQ(UnlockObject(&object), kLockRemoved);
  other.join();
  EXPECT_TRUE(acquired.load());
}

TEST_F(LockTableTest, UnlockOfFreeAddressIsNotFound) {
  int object = 0;
  EXPECT_EQ(UnlockObject(&object), kLockBusy);
  ASSERT_EQ(LockObject(&object), kLockEntered);
  EXPECT_EQ(UnlockObject(&object), kLockRemoved);
  EXPECT_EQ(UnlockObject(&object), kLockBusy);
}

TEST_F(LockTableTest, RemovingFirstMiddleAndLastKeepsTheOthers) {
  int objects[5];
  for (int& o : objects) ASSERT_EQ(LockObject(&o), kLockEntered);
  EXPECT_EQ(UnlockObject(&objects[0]), kLockRemoved);  // first
  EXPECT_EQ(UnlockObject(&objects[2]), kLockRemoved);  // middle
  EXPECT_EQ(UnlockObject(&objects[4]), kLockRemoved);  // last
  int extra = 0;
  ASSERT_EQ(LockObject(&extra), kLockEntered);
  for (int i : {1, 3}) EXPECT_EQ(UnlockObject(&objects[i]), kLockRemoved);
  EXPECT_EQ(UnlockObject(&extra), kLockRemoved);
  for (int& o : objects) EXPECT_EQ(UnlockObject(&o), kLockBusy);
}

// Addresses 64 KiB apart share a slot: all but one of them live in the
// overflow list, and every order of locking and unlocking them (by any
// thread) keeps each one locked once at most.
TEST_F(LockTableTest, AddressesSharingASlotAreEachLockedOnce) {
  static char region[8 * 65536 + 16];
  auto at = [](int i) { return static_cast<const void*>(&region[16 + i * 65536]); };
  for (int i = 0; i < 8; ++i) ASSERT_EQ(LockObject(at(i)), kLockEntered);
  // The slot's holder leaves first: the overflow entries keep their locks.
  EXPECT_EQ(UnlockObject(at(0)), kLockRemoved);
  std::atomic<bool> second{false};
  std::thread waiter([&] {
    LockObject(at(3));  // held in the list: waits
    second = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_FALSE(second.load());
  // Unlocked by another thread than the one that locked it.
  std::thread([&] { EXPECT_EQ(UnlockObject(at(3)), kLockRemoved); }).join();
  waiter.join();
  EXPECT_TRUE(second.load());
  ASSERT_EQ(LockObject(at(0)), kLockEntered);  // the free slot again
  for (int i = 0; i < 8; ++i) EXPECT_EQ(UnlockObject(at(i)), kLockRemoved) << i;
  for (int i = 0; i < 8; ++i) EXPECT_EQ(UnlockObject(at(i)), kLockBusy) << i;
}

// Threads on a few addresses that share one slot, each guarding a plain
// counter with the lock table alone: no increment is lost (and the
// ThreadSanitizer build sees no race).
TEST_F(LockTableTest, ThreadsOnAddressesSharingASlotLoseNoIncrement) {
  static char region[4 * 65536 + 16];
  long counters[4] = {};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 400; ++i) {
        const int k = (t + i) % 4;
        const void* address = &region[16 + k * 65536];
        LockObject(address);
        ++counters[k];
        UnlockObject(address);
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(counters[0] + counters[1] + counters[2] + counters[3], 8 * 400);
  for (long c : counters) EXPECT_EQ(c, 8 * 100);
}

TEST_F(LockTableTest, ManyThreadsSerialiseOnOneAddress) {
  int object = 0;
  long counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 500; ++i) {
        LockObject(&object);
        ++counter;  // guarded by the lock table only
        UnlockObject(&object);
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(counter, 2000);
}

TEST(LockWaitTest, BackOffSequence) {
  const int32_t saved = GetLockWaitCounter();
  SetLockWaitCounter(0);
  std::vector<uint32_t> waits;
  for (int i = 1; i <= 250; ++i) waits.push_back(NextLockWait());
  // The n-th wait of the process sleeps n/100 ms.
  EXPECT_EQ(waits[0], 0u);
  EXPECT_EQ(waits[98], 0u);
  EXPECT_EQ(waits[99], 1u);
  EXPECT_EQ(waits[149], 1u);
  EXPECT_EQ(waits[199], 2u);
  // -10 becomes 10.
  SetLockWaitCounter(-10);
  EXPECT_EQ(NextLockWait(), 0u);
  EXPECT_EQ(GetLockWaitCounter(), 10);
  SetLockWaitCounter(saved);
}

TEST(LockWaitTest, WrapsToStartOfCycleAtItsLimit) {
  const int32_t saved = GetLockWaitCounter();
  const int32_t max = std::numeric_limits<int32_t>::max();
  SetLockWaitCounter(max - 17);
  EXPECT_EQ(NextLockWait(), static_cast<uint32_t>((max - 7) / 1000));
  EXPECT_EQ(GetLockWaitCounter(), max - 7);
  EXPECT_EQ(NextLockWait(), 0u);  // would pass the limit: back to 10
  EXPECT_EQ(GetLockWaitCounter(), 10);
  SetLockWaitCounter(std::numeric_limits<int32_t>::min());
  EXPECT_EQ(NextLockWait(), 0u);  // never negative
  SetLockWaitCounter(saved);
}

}  // namespace
