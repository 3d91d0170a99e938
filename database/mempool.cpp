#include "database/mempool.h"

#include <cstdlib>
#include <cstring>

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(kMemBlockHeaderSize == 24 && kMemPoolRecordSize == 32,
              "the 32-bit layout of block header and pool record");
#endif

namespace {

MemAllocator* gv_globalAllocator = nullptr;
MemPool* gv_globalPool = nullptr;
uint8_t gv_memPoolInitCount = 0;

size_t AlignUp(size_t n, size_t a) { return (n + a - 1) & ~(a - 1); }

uint32_t SizeIndexFor(size_t size) {
  size_t block = AlignUp(size + kMemBlockHeaderSize, kMemPageSize);
  if (block < kMemMinBlockSize) block = kMemMinBlockSize;
  return static_cast<uint32_t>(block / kMemPageSize - 1);
}

void TakeAllowance(MemAllocator* a, uint32_t index) {
  a->freeAllowance += index;
  if (a->maxFreePages && a->freeAllowance > a->maxFreePages) a->freeAllowance = a->maxFreePages;
}

MemBlock* Fresh(MemBlock* b) {
  b->next = nullptr;
  b->ref = nullptr;
  b->freeIndex = 0;
  b->firstFree = reinterpret_cast<char*>(b) + kMemBlockHeaderSize;
  b->end = reinterpret_cast<char*>(b) + (static_cast<size_t>(b->index) + 1) * kMemPageSize;
  return b;
}

// Unlinks a block from the ring it is in (ref points at it).
void Unlink(MemBlock* b) {
  *b->ref = b->next;
  b->next->ref = b->ref;
}

// Links b into a ring just before `before`.
void InsertBefore(MemBlock* b, MemBlock* before) {
  b->ref = before->ref;
  b->next = before;
  *b->ref = b;
  before->ref = &b->next;
}

// The ring's blocks after the own block as a chain (in reverse ring order),
// leaving the own block alone in a ring of one.
MemBlock* RingToChain(MemBlock* own) {
  MemBlock* chain = nullptr;
  for (MemBlock* b = own->next; b != own;) {
    MemBlock* next = b->next;
    b->next = chain;
    chain = b;
    b = next;
  }
  own->next = own;
  own->ref = &own->next;
  return chain;
}

}  // namespace

bool CreateMemAllocator(MemAllocator** allocator) {
  *allocator = static_cast<MemAllocator*>(calloc(1, sizeof(MemAllocator)));
  if (!*allocator) return false;
  (*allocator)->largestIndex = 1;
  return true;
}

void DestroyMemAllocator(MemAllocator* allocator) {
  if (!allocator) return;
  for (MemBlock*& list : allocator->freeLists) {
    while (list) {
      MemBlock* next = list->next;
      free(list);
      list = next;
    }
  }
  free(allocator);
}

void SetAllocatorOwner(MemAllocator* allocator, MemPool* pool) { allocator->owner = pool; }

MemPool* GetAllocatorOwner(MemAllocator* allocator) { return allocator->owner; }

void SetAllocatorMaxFree(MemAllocator* allocator, size_t size) {
  const auto pages = static_cast<uint32_t>(AlignUp(size, kMemPageSize) / kMemPageSize);
  const int64_t moved =
      static_cast<int64_t>(allocator->freeAllowance) + pages - allocator->maxFreePages;
  allocator->maxFreePages = pages;
  allocator->freeAllowance = moved < 0 ? 0 : static_cast<uint32_t>(moved);
  if (allocator->freeAllowance > pages) allocator->freeAllowance = pages;
}

MemBlock* AllocateBlock(MemAllocator* a, size_t size) {
  const uint32_t index = SizeIndexFor(size);
  if (index <= a->largestIndex) {
    for (uint32_t i = index; i <= a->largestIndex && i < kMemFreeLists; ++i) {
      MemBlock* b = a->freeLists[i];
      if (!b) continue;
      a->freeLists[i] = b->next;
      if (!a->freeLists[i] && i == a->largestIndex) {
        while (a->largestIndex > 1 && !a->freeLists[a->largestIndex]) --a->largestIndex;
      }
      TakeAllowance(a, b->index);
      return Fresh(b);
    }
  } else {
    // Large blocks: first fit in list 0.
    for (MemBlock** at = &a->freeLists[0]; *at; at = &(*at)->next) {
      MemBlock* b = *at;
      if (b->index < index) continue;
      *at = b->next;
      TakeAllowance(a, b->index);
      return Fresh(b);
    }
  }
  const size_t bytes = (static_cast<size_t>(index) + 1) * kMemPageSize;
  auto* b = static_cast<MemBlock*>(malloc(bytes));
  if (!b) return nullptr;
  b->index = index;
  return Fresh(b);
}

void FreeBlocks(MemAllocator* a, MemBlock* chain) {
  while (chain) {
    MemBlock* b = chain;
    chain = chain->next;
    if (a->maxFreePages && a->freeAllowance < b->index) {
      free(b);
      continue;
    }
    if (a->maxFreePages) a->freeAllowance -= b->index;
    const uint32_t list = b->index >= kMemFreeLists ? 0 : b->index;
    b->next = a->freeLists[list];
    a->freeLists[list] = b;
    if (list != 0 && list > a->largestIndex) a->largestIndex = list;
  }
}

uint8_t CreateMemPool(MemPool** pool, MemPool* parent, MemAllocator* allocator) {
  *pool = nullptr;
  if (!parent) parent = gv_globalPool;
  if (!allocator) allocator = parent ? parent->allocator : gv_globalAllocator;
  if (!allocator) return 0;
  MemBlock* block = AllocateBlock(allocator, kMemMinBlockSize - kMemBlockHeaderSize);
  if (!block) return 0;
  auto* p = reinterpret_cast<MemPool*>(block->firstFree);
  memset(p, 0, sizeof(MemPool));
  block->firstFree += kMemPoolRecordSize;
  block->next = block;  // a ring of one
  block->ref = &block->next;
  p->allocator = allocator;
  p->active = block;
  p->own = block;
  p->ownFirstFree = block->firstFree;
  p->parent = parent;
  if (parent) {
    p->sibling = parent->child;
    if (p->sibling) p->sibling->ref = &p->sibling;
    parent->child = p;
    p->ref = &parent->child;
  }
  *pool = p;
  return 1;
}

void* PoolAlloc(MemPool* pool, size_t size) {
  if (!pool) return nullptr;
  size = AlignUp(size ? size : 1, kMemAlignment);
  MemBlock* active = pool->active;
  if (size < MemBlockSpaceLeft(active)) {
    void* memory = active->firstFree;
    active->firstFree += size;
    return memory;
  }
  MemBlock* chosen = active->next;
  if (chosen != active && MemBlockSpaceLeft(chosen) > size) {
    Unlink(chosen);
  } else {
    chosen = AllocateBlock(pool->allocator, size);
    if (!chosen) return nullptr;
  }
  chosen->freeIndex = 0;
  void* memory = chosen->firstFree;
  chosen->firstFree += size;
  InsertBefore(chosen, active);
  pool->active = chosen;
  // The old active block moves along the ring to stay ordered by free pages.
  active->freeIndex = static_cast<uint32_t>(MemBlockSpaceLeft(active) / kMemPageSize);
  MemBlock* after = active->next;
  if (after != chosen && active->freeIndex < after->freeIndex) {
    Unlink(active);
    MemBlock* at = after;
    while (at != chosen && at->freeIndex > active->freeIndex) at = at->next;
    InsertBefore(active, at);
  }
  return memory;
}

void ClearMemPool(MemPool* pool) {
  if (!pool) return;
  while (pool->child) DestroyMemPool(pool->child);
  MemBlock* own = pool->own;
  // Everything in the ring but the own block goes back.
  MemBlock* chain = RingToChain(own);
  own->firstFree = pool->ownFirstFree;
  own->freeIndex = 0;
  pool->active = own;
  FreeBlocks(pool->allocator, chain);
}

MemPool* CreateStandalonePool() {
  MemAllocator* allocator = nullptr;
  MemPool* pool = nullptr;
  if (!CreateMemAllocator(&allocator)) return nullptr;
  if (CreateMemPool(&pool, nullptr, allocator) != 1) {
    DestroyMemAllocator(allocator);
    return nullptr;
  }
  SetAllocatorOwner(allocator, pool);
  return pool;
}

void DestroyMemPool(MemPool* pool) {
  if (!pool) return;
  while (pool->child) DestroyMemPool(pool->child);
  if (pool->ref) {
    *pool->ref = pool->sibling;
    if (pool->sibling) pool->sibling->ref = pool->ref;
  }
  MemAllocator* allocator = pool->allocator;
  const bool owns = allocator->owner == pool;
  // The ring as a chain, the own block (holding this record) last.
  MemBlock* own = pool->own;
  own->next = RingToChain(own);
  if (pool == gv_globalPool) gv_globalPool = nullptr;
  if (owns) {
    for (MemBlock* b = own; b;) {
      MemBlock* next = b->next;
      free(b);
      b = next;
    }
    if (allocator == gv_globalAllocator) gv_globalAllocator = nullptr;
    DestroyMemAllocator(allocator);
  } else {
    FreeBlocks(allocator, own);
  }
}

uint8_t InitializeMemPool() {
  if (gv_memPoolInitCount++ > 0) return 1;
  if (!CreateMemAllocator(&gv_globalAllocator)) {
    gv_memPoolInitCount = 0;
    return 0;
  }
  MemPool* pool = nullptr;
  if (!CreateMemPool(&pool, nullptr, gv_globalAllocator)) {
    DestroyMemAllocator(gv_globalAllocator);
    gv_globalAllocator = nullptr;
    gv_memPoolInitCount = 0;
    return 0;
  }
  gv_globalPool = pool;
  SetAllocatorOwner(gv_globalAllocator, pool);
  return 1;
}

void TerminateMemPool() {
  if (gv_memPoolInitCount == 0) return;
  if (--gv_memPoolInitCount > 0) return;
  DestroyMemPool(gv_globalPool);
  gv_globalPool = nullptr;
  gv_globalAllocator = nullptr;
}

MemPool* GetGlobalMemPool() { return gv_globalPool; }

bool PoolStrdup(char** copy, const char* text, MemPool* pool) {
  return PoolStrndup(copy, text, text ? strlen(text) : 0, pool);
}

bool PoolStrndup(char** copy, const char* bytes, size_t length, MemPool* pool) {
  *copy = static_cast<char*>(PoolAlloc(pool, length + 1));
  if (!*copy) return false;
  memset(*copy, 0, length + 1);
  if (bytes && length) memcpy(*copy, bytes, length);
  return true;
}

MemPool* GetPoolParent(MemPool* pool) { return pool ? pool->parent : nullptr; }

MemAllocator* GetPoolAllocator(MemPool* pool) { return pool ? pool->allocator : nullptr; }

bool IsPoolAncestor(MemPool* a, MemPool* b) {
  if (!a) return true;
  for (MemPool* p = b; p; p = p->parent) {
    if (p == a) return true;
  }
  return false;
}
