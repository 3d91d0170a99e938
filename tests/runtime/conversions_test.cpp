#include "runtime/conversions.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/support/test_support.h"

namespace {

using hvtest::TakeText;

TEST(ConversionsTest, Comparisons) {
  struct Case {
    const char* a;
    const char* b;
    int exact;   // sign of CompareString
    int nocase;  // sign of CompareStringNoCase
  } cases[] = {
      {nullptr, nullptr, 0, 0}, {nullptr, "x", -1, -1}, {"x", nullptr, 1, 1},
      {"Table", "TABLE", 1, 0}, {"a", "b", -1, -1},     {"abc", "ab", 1, 1},
      {"", "", 0, 0},           {"[", "{", -1, -1},  // only A to Z change case
  };
  auto sign = [](int v) { return (v > 0) - (v < 0); };
  for (const Case& c : cases) {
    EXPECT_EQ(sign(CompareString(c.a, c.b)), c.exact)
        << (c.a ? c.a : "-") << "/" << (c.b ? c.b : "-");
    EXPECT_EQ(sign(CompareStringNoCase(c.a, c.b)), c.nocase) << (c.a ? c.a : "-");
  }
  EXPECT_EQ(CompareStringN("abcX", "abcY", 3), 0);
  EXPECT_EQ(CompareStringNoCaseN("HELLO", "hello world", 5), 0);
  EXPECT_EQ(CompareStringNoCaseN("HELLO", "hello world", 8), -1);
  EXPECT_EQ(CompareBytes("a\0b", "a\0c", 3), 'b' - 'c');
  EXPECT_EQ(CompareBytes("ab", "cd", 0), 0);
  EXPECT_EQ(GetStringLength(nullptr), 0);
  char target[8] = "zzzzzzz";
  EXPECT_EQ(CopyString(target, nullptr), nullptr);
  EXPECT_STREQ(CopyString(target, "abc"), "abc");
}

TEST(ConversionsTest, Search) {
  const char* text = "abcabc";
  EXPECT_EQ(SubString(text, "ca"), text + 2);
  EXPECT_EQ(SubString("ab", "abc"), nullptr);
  EXPECT_EQ(SubString(text, ""), nullptr);
  EXPECT_TRUE(FindSubString(text, "bca"));
  EXPECT_FALSE(FindSubString(text, "cb"));
  EXPECT_EQ(FindChar(text, 'c'), text + 2);
  EXPECT_EQ(FindChar(text, '\0'), text + 6);
  EXPECT_EQ(FindAnyChar(text, "xc"), text + 2);
  EXPECT_EQ(SpanChars(text, "ab"), 2);
  EXPECT_EQ(GetIndex(text, 'c', 6), 2);
  EXPECT_EQ(GetIndex(text, 'c', 2), -1);
  EXPECT_TRUE(HasPrefix("abcdef", 6, "abc", 3));
  EXPECT_FALSE(HasPrefix("ab", 2, "abc", 3));
}

TEST(ConversionsTest, SplittingAndBoundedCopies) {
  char** pieces = nullptr;
  int32_t* lengths = nullptr;
  int32_t count = 0;
  ASSERT_TRUE(SplitString("a,,bc", 5, ',', &pieces, &lengths, &count));
  ASSERT_EQ(count, 3);
  EXPECT_STREQ(pieces[0], "a");
  EXPECT_STREQ(pieces[1], "");
  EXPECT_STREQ(pieces[2], "bc");
  EXPECT_EQ(lengths[2], 2);
  FreeStringArray(pieces, count);
  free(lengths);
  EXPECT_TRUE(IsStringMatched("red,green,blue", 14, "green", 5));
  EXPECT_FALSE(IsStringMatched("red,green,blue", 14, "gree", 4));
  bool found = false;
  EXPECT_EQ(GetTokenLength("ab,c", 4, ',', &found), 3);
  EXPECT_TRUE(found);
  EXPECT_EQ(GetTokenLength("abc", 3, ',', &found), 3);
  EXPECT_FALSE(found);
  char small[4];
  EXPECT_EQ(CopyStringBounded(small, "abcdef", 4), 6);
  EXPECT_STREQ(small, "abc");
  char buf[6] = "ab";
  EXPECT_EQ(AppendStringBounded(buf, "cdefg", 6), 7);
  EXPECT_STREQ(buf, "abcde");
  EXPECT_EQ(CopyStringBounded(nullptr, "x", 4), 0);
  char rev[] = "hello";
  ReverseString(rev, 4);
  EXPECT_STREQ(rev, "lleho");
  EXPECT_EQ(TakeText(ToUpperCopy("aZ[1")), "AZ[1");
  EXPECT_EQ(TakeText(ToLowerCopy("aZ[1")), "az[1");
}

TEST(ConversionsTest, Numbers) {
  EXPECT_EQ(TakeText(ConvertToStringFromInteger(-120)), "-120");
  EXPECT_EQ(TakeText(ConvertToStringFromInteger(0)), "0");
  int32_t length = 0;
  EXPECT_EQ(TakeText(ConvertToStringFromUnsignedInteger(4000000000u, &length)), "4000000000");
  EXPECT_EQ(length, 10);
  const uint8_t negative[] = {0xFF, 0xFE};
  EXPECT_EQ(ConvertToInteger(negative, 2), -2);
  const uint8_t five[] = {1, 2, 3, 4, 5};
  EXPECT_EQ(ConvertToInteger(five, 5), -1);
  EXPECT_EQ(ConvertToUnsignedInteger(five, 4), 0x01020304u);
  int32_t seven = 7;
  EXPECT_EQ(TakeText(ToString(&seven, 0)), "7");
  EXPECT_EQ(TakeText(ToString(&seven, 1)), "TRUE");
  EXPECT_EQ(TakeText(ToString(nullptr, 1)), "FALSE");
  EXPECT_EQ(ToString(&seven, 2), nullptr);
  EXPECT_EQ(GetHexValue('b'), 11);
  EXPECT_EQ(GetHexValue('x'), 'x');
  EXPECT_EQ(ConvertToDecimalFromHexa('x'), 0);
  char hex[] = "0aFF10";
  EXPECT_EQ(ConvertToHexValue(hex, 6), 3);
  EXPECT_EQ(memcmp(hex, "\x0a\xff\x10", 3), 0);
  uint8_t nibbles[4];
  const uint8_t two[] = {0xAB, 0x01};
  ConvertToStringFromHex(two, 2, nibbles);
  EXPECT_EQ(memcmp(nibbles, "\x0a\x0b\x00\x01", 4), 0);
}

TEST(ConversionsTest, Counters) {
  const uint8_t octets[] = {0x01, 0x02, 0x03, 0x04, 0x05};
  Counter64 c = ConvertToCounter64(octets, 5);
  EXPECT_EQ(c.high, 1u);
  EXPECT_EQ(c.low, 0x02030405u);
  const uint8_t nine[] = {0xEE, 0, 0, 0, 1, 0, 0, 0, 2};
  c = ConvertToCounter64(nine, 9);  // the first of nine octets is skipped
  EXPECT_EQ(c.high, 1u);
  EXPECT_EQ(c.low, 2u);
  EXPECT_EQ(ConvertToULongLongFromCounter64(c), (1ull << 32) + 2);
  Counter64 back = ConvertToCounter64FromULongLong(0x123456789ull);
  EXPECT_EQ(back.high, 1u);
  EXPECT_EQ(back.low, 0x23456789u);
  EXPECT_EQ(TakeText(ConvertToStringFromCounter64(back)), "4886718345");
}

TEST(ConversionsTest, OidsAndAddresses) {
  struct Case {
    const char* text;
    bool ip;
    int32_t result;
  } cases[] = {
      {".1.3.6", false, 3}, {"10.0.0.1", true, 4}, {"1.3.6", false, -1},   {".1..3", false, -1},
      {"nodots", true, -1}, {".1.x.3", false, -1}, {"10.00.0.1", true, 4},
  };
  for (const Case& c : cases) {
    uint32_t* oid = nullptr;
    EXPECT_EQ(ConvertToOidOrIpFromString(c.text, &oid, c.ip), c.result) << c.text;
    if (c.result == 3) {
      EXPECT_TRUE(oid[0] == 1 && oid[1] == 3 && oid[2] == 6);
    }
    free(oid);
  }
  struct Ip {
    const char* text;
    bool valid;
  } ips[] = {{"10.0.0.1", true}, {"255.255.255.255", true}, {"256.0.0.1", false},
             {".1.2.3", false},  {"1..2.3", false},         {"1.2.3", false},
             {"1.2.3.", false},  {"1.-0.2.3", false},       {"1.a.2.3", false}};
  for (const Ip& ip : ips) {
    EXPECT_EQ(IsValidIPAddress(ip.text, static_cast<int32_t>(strlen(ip.text))), ip.valid)
        << ip.text;
  }
  EXPECT_TRUE(IsValidOid(".1.3"));
  EXPECT_FALSE(IsValidOid(".1"));
  const uint32_t oid[] = {1, 3, 6, 1};
  int32_t size = sizeof oid;
  EXPECT_EQ(TakeText(ConvertToStringFromOID(oid, &size)), ".1.3.6.1");
  EXPECT_EQ(size, 8);
  char buf[32];
  EXPECT_EQ(ConvertToStringFromOid(oid, 3, buf, sizeof buf), 1);
  EXPECT_STREQ(buf, ".1.3.6");
  const uint32_t address[] = {9, 192, 168, 0, 1};
  ConvertToIpAddressFromOid(address, 1, 4, buf, sizeof buf);
  EXPECT_STREQ(buf, "192.168.0.1");
  const uint32_t longer[] = {1, 3, 6, 1, 2};
  EXPECT_EQ(CompareOid(oid, 4, longer, 5), -1);
  EXPECT_EQ(CompareOid(longer, 5, oid, 4), 1);
  EXPECT_EQ(CompareOid(oid, 4, oid, 4), 0);
  EXPECT_EQ(GetNextSubId(longer, 5, 3), 6u);
  uint32_t* copy = nullptr;
  int32_t count = 0;
  EXPECT_EQ(ReallocateAndSetOID(&copy, &count, oid, 4), 1);
  EXPECT_EQ(count, 4);
  EXPECT_EQ(copy[3], 1u);
  free(copy);
  char* text = nullptr;
  EXPECT_EQ(ReallocateAndSetString(&text, "abcdef", 3), 1);
  EXPECT_STREQ(text, "abc");
  free(text);
  const uint32_t chars[] = {72, 255 + 105};
  char out[4];
  ConvertToCharArray(chars, 0, 2, out);
  EXPECT_STREQ(out, "Hi");  // modulo 255
  uint32_t ids[3];
  CopyStringToOID(reinterpret_cast<const uint8_t*>("\xff"
                                                   "a"),
                  2, ids);
  EXPECT_EQ(ids[0], 255u);
  CopyStringToOid("\xff", ids);
  EXPECT_EQ(ids[0], 0xFFFFFFFFu);  // a signed byte
}

TEST(ConversionsTest, DirectoryAndKey) {
  hvtest::TempDir dir;
  EXPECT_TRUE(IsDirectory(dir.path().c_str()));
  hvtest::WriteFile(dir.Sub("f"), "x");
  EXPECT_FALSE(IsDirectory(dir.Sub("f").c_str()));
  EXPECT_FALSE(IsDirectory(dir.Sub("none").c_str()));
  uint8_t buf[] = {0x00, 0x10, 0xFF};
  EncryptDecryptKey(buf, 3, 250);  // key 259 mod 255 = 4
  EXPECT_EQ(buf[0], 0x04);
  EXPECT_EQ(buf[1], 0x14);
  EncryptDecryptKey(buf, 3, 250);
  EXPECT_EQ(memcmp(buf, "\x00\x10\xff", 3), 0);
  EncryptDecryptKey(buf, 3, 1);  // key 10
  EXPECT_EQ(buf[1], 0x1A);
}

}  // namespace
