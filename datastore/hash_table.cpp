#include "datastore/hash_table.h"

#include <cstdlib>
#include <cstring>

#include "runtime/log.h"
#include "runtime/textutil.h"

int32_t GetHashBucket(const char* key, int32_t bucketCount) {
  if (!key || bucketCount <= 0) return 0;
  int64_t index = 0;
  for (const char* c = key; *c; ++c) {
    index = (index * 26 + static_cast<signed char>(*c)) % bucketCount;
  }
  // Negative only after a byte above 127: C's remainder keeps the sign.
  if (index < 0) index += bucketCount;
  return static_cast<int32_t>(index);
}

bool InitHashTable(StringHashTable* table, int32_t bucketCount) {
  LogTrace("\n\t@@@@@ Inside InitHashTable() @@@@@ \n");
  if (!table) return false;
  if (bucketCount <= 0) bucketCount = 10;
  table->bucketCount = 0;
  table->buckets =
      static_cast<HashEntry**>(calloc(static_cast<size_t>(bucketCount), sizeof(HashEntry*)));
  if (!table->buckets) return false;
  for (int32_t i = 0; i < bucketCount; ++i) {
    table->buckets[i] = static_cast<HashEntry*>(calloc(1, sizeof(HashEntry)));
    if (!table->buckets[i]) {
      for (int32_t j = 0; j < i; ++j) free(table->buckets[j]);
      free(table->buckets);
      table->buckets = nullptr;
      return false;
    }
  }
  table->bucketCount = bucketCount;
  return true;
}

HashEntry* GetHashEntry(StringHashTable* table, const char* key) {
  if (!table || !table->buckets || !key) return nullptr;
  for (HashEntry* e = table->buckets[GetHashBucket(key, table->bucketCount)]; e; e = e->next) {
    if (e->key && strcmp(e->key, key) == 0) return e;
  }
  return nullptr;
}

bool PutHashEntry(StringHashTable* table, const char* key, void* value) {
  if (!table || !table->buckets || !key) return false;
  HashEntry* first = table->buckets[GetHashBucket(key, table->bucketCount)];
  if (!first->key) {
    if (AllocateAndCopyString(&first->key, key) != 1) return false;
    first->value = value;
    return true;
  }
  HashEntry* last = first;
  for (HashEntry* e = first; e; e = e->next) {
    if (strcmp(e->key, key) == 0) {
      e->value = value;
      return true;
    }
    last = e;
  }
  auto* entry = static_cast<HashEntry*>(calloc(1, sizeof(HashEntry)));
  if (!entry || AllocateAndCopyString(&entry->key, key) != 1) {
    free(entry);
    return false;
  }
  entry->value = value;
  last->next = entry;
  return true;
}

bool ContainsHashKey(StringHashTable* table, const char* key) {
  return GetHashEntry(table, key) != nullptr;
}

void* GetHashValue(StringHashTable* table, const char* key) {
  HashEntry* entry = GetHashEntry(table, key);
  return entry ? entry->value : nullptr;
}

bool RemoveHashEntry(StringHashTable* table, const char* key) {
  if (!table || !table->buckets || !key) return false;
  HashEntry** slot = &table->buckets[GetHashBucket(key, table->bucketCount)];
  HashEntry* first = *slot;
  if (!first->key) return false;
  if (strcmp(first->key, key) == 0) {
    free(first->key);
    if (first->next) {
      *slot = first->next;
      free(first);
    } else {
      first->key = nullptr;
      first->value = nullptr;
    }
    return true;
  }
  for (HashEntry* previous = first; previous->next; previous = previous->next) {
    HashEntry* e = previous->next;
    if (strcmp(e->key, key) == 0) {
      previous->next = e->next;
      free(e->key);
      free(e);
      return true;
    }
  }
  return false;
}

int32_t CountHashEntries(StringHashTable* table) {
  if (!table || !table->buckets) return 0;
  int32_t count = 0;
  for (int32_t i = 0; i < table->bucketCount; ++i) {
    for (HashEntry* e = table->buckets[i]; e; e = e->next) {
      if (e->key) ++count;
    }
  }
  return count;
}

char** GetHashKeys(StringHashTable* table) {
  const int32_t count = CountHashEntries(table);
  auto** keys = static_cast<char**>(calloc(static_cast<size_t>(count) + 1, sizeof(char*)));
  if (!keys) return nullptr;
  int32_t at = 0;
  for (int32_t i = 0; table && i < table->bucketCount; ++i) {
    for (HashEntry* e = table->buckets[i]; e; e = e->next) {
      if (e->key) keys[at++] = e->key;
    }
  }
  return keys;
}

void FreeHashTable(StringHashTable* table) {
  LogTrace("\n\t@@@@@ Inside FreeHashTable() @@@@@ \n");
  if (!table || !table->buckets) return;
  for (int32_t i = 0; i < table->bucketCount; ++i) {
    for (HashEntry* e = table->buckets[i]; e;) {
      HashEntry* next = e->next;
      free(e->key);
      free(e);
      e = next;
    }
  }
  free(table->buckets);
  table->buckets = nullptr;
  table->bucketCount = 0;
}

bool MergeHashTable(StringHashTable* source, StringHashTable* target) {
  if (!source || !target || !source->buckets || !target->buckets) return false;
  for (int32_t i = 0; i < source->bucketCount; ++i) {
    for (HashEntry* e = source->buckets[i]; e; e = e->next) {
      if (e->key && !ContainsHashKey(target, e->key) && !PutHashEntry(target, e->key, e->value)) {
        return false;
      }
    }
  }
  return true;
}
