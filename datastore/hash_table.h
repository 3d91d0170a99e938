// A map from texts to untyped pointers with a fixed number of buckets and
// chaining: the sequence state, the symbols of an XML import and the key
// index of a data object use it.  Keys are copied and compared exactly; the
// values are the caller's and never freed by the table.  No lock.
#pragma once

#include <cstdint>

struct HashEntry {
  char* key;  // absent in an empty bucket's record
  void* value;
  HashEntry* next;
};

struct StringHashTable {
  int32_t bucketCount;
  HashEntry** buckets;  // each holds one record from the start
};

// The bucket of a key: index = (index * 26 + c) mod count over its bytes as
// signed values; for keys with bytes above 127 the remainder is made
// non-negative.
int32_t GetHashBucket(const char* key, int32_t bucketCount);

bool InitHashTable(StringHashTable* table, int32_t bucketCount);
bool PutHashEntry(StringHashTable* table, const char* key, void* value);
bool ContainsHashKey(StringHashTable* table, const char* key);
void* GetHashValue(StringHashTable* table, const char* key);
HashEntry* GetHashEntry(StringHashTable* table, const char* key);
bool RemoveHashEntry(StringHashTable* table, const char* key);
int32_t CountHashEntries(StringHashTable* table);
// A new array of the keys (borrowed) in bucket and chain order, ended by
// none; free the array with free.
char** GetHashKeys(StringHashTable* table);
void FreeHashTable(StringHashTable* table);
bool MergeHashTable(StringHashTable* source, StringHashTable* target);
