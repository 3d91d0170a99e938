// Records and lists allocated in a memory pool: the query model and the
// data objects keep their lists in the pool they belong to, so that one
// destruction of the pool frees them.  Pool lists hold pool nodes; never
// give them to FreeVector or DeleteElementAt.
#pragma once

#include <cstring>

#include "../runtime/vector.h"
#include "mempool.h"

// A zero-filled record from the pool, or none.
template <typename T>
T* PoolNew(MemPool* pool) {
  if (!pool) return nullptr;
  void* memory = PoolAlloc(pool, sizeof(T));
  if (memory) memset(memory, 0, sizeof(T));
  return static_cast<T*>(memory);
}

// A zero-filled array of count elements from the pool, or none.
template <typename T>
T* PoolNewArray(MemPool* pool, size_t count) {
  if (!pool) return nullptr;
  void* memory = PoolAlloc(pool, sizeof(T) * (count ? count : 1));
  if (memory) memset(memory, 0, sizeof(T) * (count ? count : 1));
  return static_cast<T*>(memory);
}

// A pool copy of a text; an absent text stays absent.  False when the copy
// could not be made.
inline bool PoolCopy(const char* text, char** copy, MemPool* pool) {
  *copy = nullptr;
  return !text || PoolStrdup(copy, text, pool);
}

inline Vector* PoolVector(MemPool* pool) {
  auto* vector = PoolNew<Vector>(pool);
  if (vector) InitVector(vector, nullptr);
  return vector;
}

// Appends with a node from the pool.
inline bool PoolAppend(Vector* list, void* data, MemPool* pool) {
  if (!list || !data) return false;
  auto* node = PoolNew<VectorNode>(pool);
  if (!node) return false;
  node->data = data;
  return AddElement(list, node) == 1;
}
