// The string hash table.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "datastore/hash_table.h"

namespace {

TEST(StringHashTable, PutsReplacesFindsRemovesAndListsKeys) {
  StringHashTable table{};
  ASSERT_TRUE(InitHashTable(&table, 0));
  EXPECT_EQ(table.bucketCount, 10);
  int a = 1, b = 2, c = 3, d = 4;
  // "a" and "k" share a bucket of 10 ('a' = 97, 'k' = 107): a chain.
  ASSERT_TRUE(PutHashEntry(&table, "a", &a));
  ASSERT_TRUE(PutHashEntry(&table, "k", &b));
  ASSERT_TRUE(PutHashEntry(&table, "Key", &c));
  EXPECT_EQ(GetHashBucket("a", 10), GetHashBucket("k", 10));
  EXPECT_EQ(CountHashEntries(&table), 3);
  ASSERT_TRUE(PutHashEntry(&table, "k", &d));  // replaces the value pointer
  EXPECT_EQ(GetHashValue(&table, "k"), &d);
  EXPECT_EQ(CountHashEntries(&table), 3);
  EXPECT_FALSE(ContainsHashKey(&table, "key"));  // case counts
  EXPECT_NE(GetHashEntry(&table, "Key"), nullptr);

  char** keys = GetHashKeys(&table);
  ASSERT_NE(keys, nullptr);
  std::vector<std::string> listed;
  for (char** k = keys; *k; ++k) listed.push_back(*k);
  free(keys);
  EXPECT_EQ(listed.size(), 3u);

  // Removing the bucket's first record moves its successor in; removing the
  // last record empties it in place.
  EXPECT_TRUE(RemoveHashEntry(&table, "a"));
  EXPECT_EQ(GetHashValue(&table, "k"), &d);
  EXPECT_TRUE(RemoveHashEntry(&table, "k"));
  EXPECT_FALSE(RemoveHashEntry(&table, "k"));
  EXPECT_TRUE(PutHashEntry(&table, "k", &b));
  EXPECT_EQ(GetHashValue(&table, "k"), &b);

  StringHashTable target{};
  ASSERT_TRUE(InitHashTable(&target, 3));
  ASSERT_TRUE(PutHashEntry(&target, "Key", &a));
  EXPECT_TRUE(MergeHashTable(&table, &target));
  EXPECT_EQ(GetHashValue(&target, "Key"), &a);  // present keys keep their value
  EXPECT_EQ(GetHashValue(&target, "k"), &b);
  EXPECT_FALSE(MergeHashTable(nullptr, &target));
  FreeHashTable(&target);
  FreeHashTable(&table);
}

TEST(StringHashTable, BucketIndexFollowsTheFormulaAndIsNeverNegative) {
  struct Case {
    const char* key;
    int32_t buckets;
    int32_t index;
  };
  const std::vector<Case> cases = {
      {"", 10, 0},
      {"a", 10, 97 % 10},
      {"ab", 50, (97 % 50 * 26 + 98) % 50},
      {"ORDER_SEQ", 50, -1},  // computed below
  };
  for (const Case& c : cases) {
    int32_t expected = c.index;
    if (expected < 0) {
      expected = 0;
      for (const char* p = c.key; *p; ++p) expected = (expected * 26 + *p) % c.buckets;
    }
    EXPECT_EQ(GetHashBucket(c.key, c.buckets), expected) << c.key;
  }
  for (const char* key : {"\xC3\xA9t\xC3\xA9", "\xFF", "a\x80z", "\xE2\x82\xAC\xE2\x82\xAC"}) {
    for (int32_t buckets : {1, 7, 10, 50}) {
      const int32_t index = GetHashBucket(key, buckets);
      EXPECT_GE(index, 0) << key;
      EXPECT_LT(index, buckets) << key;
    }
  }
  StringHashTable table{};
  ASSERT_TRUE(InitHashTable(&table, 50));
  int v = 0;
  EXPECT_TRUE(PutHashEntry(&table, "\xC3\xA9t\xC3\xA9", &v));
  EXPECT_EQ(GetHashValue(&table, "\xC3\xA9t\xC3\xA9"), &v);
  FreeHashTable(&table);
}

}  // namespace
