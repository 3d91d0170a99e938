#include "database/mempool.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class MemPoolTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(CreateMemAllocator(&allocator_)); }
  void TearDown() override { DestroyMemAllocator(allocator_); }
  MemPool* NewPool(MemPool* parent = nullptr) {
    MemPool* p = nullptr;
    EXPECT_EQ(CreateMemPool(&p, parent, parent ? nullptr : allocator_), 1);
    return p;
  }
  MemAllocator* allocator_ = nullptr;
};

TEST_F(MemPoolTest, FirstPoolBlockAndSmallPieces) {
  MemPool* pool = NewPool();
  ASSERT_NE(pool, nullptr);
  EXPECT_EQ(pool->own->index, 1u);  // one 8192-byte block
  const size_t usable = kMemMinBlockSize - kMemBlockHeaderSize - kMemPoolRecordSize;
  EXPECT_EQ(MemBlockSpaceLeft(pool->active), usable);  // 8136 in the 32-bit program
  auto* a = static_cast<char*>(PoolAlloc(pool, 1));
  auto* b = static_cast<char*>(PoolAlloc(pool, 1));
  EXPECT_EQ(b - a, 8);  // a 1-byte request takes 8
  EXPECT_EQ(reinterpret_cast<uintptr_t>(a) % 8, 0u);
  EXPECT_EQ(MemBlockSpaceLeft(pool->active), usable - 16);
  DestroyMemPool(pool);
}

TEST_F(MemPoolTest, BlockSizesAndExactFit) {
  MemBlock* big = AllocateBlock(allocator_, 9000);
  ASSERT_NE(big, nullptr);
  EXPECT_EQ(big->index, 2u);  // 12288 bytes
  EXPECT_EQ(big->end - reinterpret_cast<char*>(big), 12288);
  FreeBlocks(allocator_, big);
  EXPECT_EQ(allocator_->freeLists[2], big);
  EXPECT_EQ(allocator_->largestIndex, 2u);
  // Found again from its list.
  EXPECT_EQ(AllocateBlock(allocator_, 9000), big);
  EXPECT_EQ(allocator_->largestIndex, 1u);
  FreeBlocks(allocator_, big);

  MemPool* pool = NewPool();
  MemBlock* first = pool->active;
  const size_t left = MemBlockSpaceLeft(first);
  void* p = PoolAlloc(pool, left);  // exactly the space left does not fit
  ASSERT_NE(p, nullptr);
  EXPECT_NE(pool->active, first);
  EXPECT_EQ(MemBlockSpaceLeft(first), left);
  DestroyMemPool(pool);
}

TEST_F(MemPoolTest, LargeBlocksGoToListZeroAndAreFoundByFirstFit) {
  MemBlock* huge = AllocateBlock(allocator_, 100 * 4096);
  ASSERT_NE(huge, nullptr);
  EXPECT_GE(huge->index, 20u);
  FreeBlocks(allocator_, huge);
  EXPECT_EQ(allocator_->freeLists[0], huge);
  EXPECT_EQ(AllocateBlock(allocator_, 90 * 4096), huge);
  FreeBlocks(allocator_, huge);
}

TEST_F(MemPoolTest, RingStaysOrderedByFreeSpace) {
  MemPool* pool = NewPool();
  // Leave blocks with different free space, then check the ring's order.
  PoolAlloc(pool, 5000);
  PoolAlloc(pool, 6000);   // a new block; the first keeps ~3 KB
  PoolAlloc(pool, 20000);  // a large one
  PoolAlloc(pool, 100);
  uint32_t previous = UINT32_MAX;
  MemBlock* b = pool->active->next;
  for (; b != pool->active; b = b->next) {
    EXPECT_LE(b->freeIndex, previous);
    previous = b->freeIndex;
  }
  ClearMemPool(pool);
  EXPECT_EQ(pool->active, pool->own);
  EXPECT_EQ(pool->own->next, pool->own);
  EXPECT_EQ(MemBlockSpaceLeft(pool->own),
            kMemMinBlockSize - kMemBlockHeaderSize - kMemPoolRecordSize);
  DestroyMemPool(pool);
}

TEST_F(MemPoolTest, ChildrenGoWithTheirParent) {
  MemPool* parent = NewPool();
  MemPool* a = NewPool(parent);
  MemPool* b = NewPool(parent);
  MemPool* grandchild = NewPool(a);
  EXPECT_EQ(GetPoolParent(grandchild), a);
  EXPECT_EQ(GetPoolAllocator(grandchild), allocator_);
  EXPECT_TRUE(IsPoolAncestor(parent, grandchild));
  EXPECT_TRUE(IsPoolAncestor(nullptr, grandchild));
  EXPECT_FALSE(IsPoolAncestor(b, grandchild));
  DestroyMemPool(a);  // and its child
  EXPECT_EQ(parent->child, b);
  EXPECT_EQ(b->sibling, nullptr);
  DestroyMemPool(parent);  // and b; ASan shows nothing is lost or used after
}

TEST_F(MemPoolTest, Copies) {
  MemPool* pool = NewPool();
  char* copy = nullptr;
  ASSERT_TRUE(PoolStrdup(&copy, "hello", pool));
  EXPECT_STREQ(copy, "hello");
  ASSERT_TRUE(PoolStrndup(&copy, "abcdef", 3, pool));
  EXPECT_STREQ(copy, "abc");
  DestroyMemPool(pool);
}

TEST(GlobalMemPoolTest, CountedStartAndEnd) {
  ASSERT_EQ(InitializeMemPool(), 1);
  ASSERT_EQ(InitializeMemPool(), 1);
  MemPool* global = GetGlobalMemPool();
  ASSERT_NE(global, nullptr);
  MemPool* top = nullptr;
  ASSERT_EQ(CreateMemPool(&top, nullptr, nullptr), 1);
  EXPECT_EQ(GetPoolParent(top), global);
  PoolAlloc(top, 50000);
  TerminateMemPool();
  EXPECT_EQ(GetGlobalMemPool(), global);  // still one start to undo
  TerminateMemPool();
  EXPECT_EQ(GetGlobalMemPool(), nullptr);  // the global pool took top with it
}

}  // namespace
