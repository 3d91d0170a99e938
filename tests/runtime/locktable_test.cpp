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
  // The tail moved back: a new entry after removing the last still links in.
  int extra = 0;
  ASSERT_EQ(LockObject(&extra), kLockEntered);
  for (int i : {1, 3}) EXPECT_EQ(UnlockObject(&objects[i]), kLockRemoved);
  EXPECT_EQ(UnlockObject(&extra), kLockRemoved);
  for (int& o : objects) EXPECT_EQ(UnlockObject(&o), kLockBusy);
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
