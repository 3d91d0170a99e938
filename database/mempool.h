// Memory pools: cheap allocation of many small pieces released together.
// A pool hands out memory from large blocks and frees nothing piecemeal;
// clearing or destroying it returns its blocks to an allocator, which keeps
// freed blocks in free lists by size.  Pools form a tree under the global
// pool; destroying a pool destroys its children first.  Not thread-safe: a
// pool tree belongs to one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr size_t kMemPageSize = 4096;
inline constexpr size_t kMemMinBlockSize = 8192;
inline constexpr size_t kMemAlignment = 8;
inline constexpr size_t kMemFreeLists = 20;

struct MemPool;

struct MemBlock {
  MemBlock* next;
  MemBlock** ref;      // the field that points at this block
  uint32_t index;      // size in pages minus 1
  uint32_t freeIndex;  // whole free pages left, for ordering
  char* firstFree;
  char* end;
};

struct MemAllocator {
  uint32_t largestIndex;  // in the size-class lists
  uint32_t maxFreePages;  // 0: keep everything
  uint32_t freeAllowance;
  void* lock;  // always absent
  MemPool* owner;
  MemBlock* freeLists[kMemFreeLists];  // 1..19 by index; 0 for index 20 and more
};

struct MemPool {
  MemPool* parent;
  MemPool* child;
  MemPool* sibling;
  MemPool** ref;  // the field that points at this pool
  MemAllocator* allocator;
  MemBlock* active;
  MemBlock* own;
  char* ownFirstFree;  // right after this record
};

// Header sizes rounded to the alignment (24 and 32 bytes in the 32-bit program).
inline constexpr size_t kMemBlockHeaderSize = (sizeof(MemBlock) + 7) & ~size_t{7};
inline constexpr size_t kMemPoolRecordSize = (sizeof(MemPool) + 7) & ~size_t{7};

uint8_t InitializeMemPool();
void TerminateMemPool();
MemPool* GetGlobalMemPool();

bool CreateMemAllocator(MemAllocator** allocator);
void DestroyMemAllocator(MemAllocator* allocator);
void SetAllocatorOwner(MemAllocator* allocator, MemPool* pool);
MemPool* GetAllocatorOwner(MemAllocator* allocator);
void SetAllocatorMaxFree(MemAllocator* allocator, size_t size);
MemBlock* AllocateBlock(MemAllocator* allocator, size_t size);
void FreeBlocks(MemAllocator* allocator, MemBlock* chain);

uint8_t CreateMemPool(MemPool** pool, MemPool* parent, MemAllocator* allocator);
// A pool with an allocator of its own that goes with it, outside the tree
// of the global pool: its owner may use it on any thread.  None when out of
// memory.  DestroyMemPool frees both.
MemPool* CreateStandalonePool();
void ClearMemPool(MemPool* pool);
void DestroyMemPool(MemPool* pool);
void* PoolAlloc(MemPool* pool, size_t size);
// False, and *copy absent, when the pool cannot allocate.
bool PoolStrdup(char** copy, const char* text, MemPool* pool);
bool PoolStrndup(char** copy, const char* bytes, size_t length, MemPool* pool);
MemPool* GetPoolParent(MemPool* pool);
MemAllocator* GetPoolAllocator(MemPool* pool);
bool IsPoolAncestor(MemPool* a, MemPool* b);

// The free space of a block, for inspection.
inline size_t MemBlockSpaceLeft(const MemBlock* block) {
  return static_cast<size_t>(block->end - block->firstFree);
}
