#include "datastore/column_value.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "database/mempool.h"
#include "tests/support/test_support.h"

namespace {

std::string Hex(const char* bytes, int32_t n) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (int32_t i = 0; i < n; ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

struct ToValueCase {
  const char* text;
  int32_t lengthIn;
  uint8_t type;
  const char* hex;  // nullptr: no value
  int32_t lengthOut;
};

void PrintTo(const ToValueCase& c, std::ostream* os) {
  *os << "type " << int(c.type) << " from \"" << (c.text ? c.text : "(none)") << "\"";
}

class ToValueTest : public ::testing::TestWithParam<ToValueCase> {};

TEST_P(ToValueTest, Converts) {
  const ToValueCase& c = GetParam();
  int32_t length = c.lengthIn;
  char* value = ConvertStringToValue(c.text, &length, c.type);
  if (!c.hex) {
    EXPECT_EQ(value, nullptr);
    return;
  }
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(length, c.lengthOut);
  EXPECT_EQ(Hex(value, length), c.hex);
  EXPECT_EQ(value[length], '\0') << "one NUL after the length";
  free(value);
}

INSTANTIATE_TEST_SUITE_P(
    AllTypes, ToValueTest,
    ::testing::Values(
        ToValueCase{"-7", 0, KES_SQL_TINYINT, "F9", 1},
        ToValueCase{"200", 0, KES_SQL_UNSIGNED_TINYINT, "C8", 1},
        ToValueCase{"300", 0, KES_SQL_UNSIGNED_TINYINT, "2C", 1},  // low byte kept
        ToValueCase{"+258", 0, KES_SQL_SMALLINT, "0201", 2},
        ToValueCase{"65535", 0, KES_SQL_UNSIGNED_SMALLINT, "FFFF", 2},
        ToValueCase{"12abc", 0, KES_SQL_INT, "00000000", 4},
        ToValueCase{" 12", 0, KES_SQL_INT, "00000000", 4},
        ToValueCase{"", 0, KES_SQL_INT, "00000000", 4},
        ToValueCase{"-", 0, KES_SQL_INT, "00000000", 4},
        ToValueCase{"-1", 0, KES_SQL_UNSIGNED_INT, "FFFFFFFF", 4},
        ToValueCase{"5000000000", 0, KES_SQL_BIGINT, "00F2052A01000000", 8},
        ToValueCase{"18446744073709551615", 0, KES_SQL_UNSIGNED_LONG_INT, "FFFFFFFFFFFFFFFF", 8},
        ToValueCase{"1.5", 0, KES_SQL_FLOAT, "0000C03F", 4},
        ToValueCase{"-2.5", 0, KES_SQL_REAL, "000020C0", 4},
        ToValueCase{"0.25", 0, KES_SQL_DOUBLE, "000000000000D03F", 8},
        ToValueCase{"1e5", 0, KES_SQL_DOUBLE, "0000000000000000", 8},
        ToValueCase{"1.2.3", 0, KES_SQL_FLOAT, "00000000", 4},
        ToValueCase{"12.50", 3, KES_SQL_DECIMAL, "31322E", 3},
        ToValueCase{"abcdef", 2, KES_SQL_NOT_SUPPORTED_TYPE, "6162", 2},
        ToValueCase{"xyz", 3, KES_SQL_BLOB, "78797A", 3},
        ToValueCase{"xyz", -1, KES_SQL_CLOB, nullptr, 0},
        ToValueCase{"abc", 99, KES_SQL_VARCHAR, "616263", 3},
        ToValueCase{"", 0, KES_SQL_TEXT, "", 0},
        ToValueCase{"2024-03-05 09:07:02", 0, KES_SQL_DATETIME, "E807030509070203000000", 11},
        ToValueCase{"2024-03-05", 0, KES_SQL_DATE, "E807030500000003000000", 11},
        ToValueCase{"09:07:02", 0, KES_SQL_TIME, "0000000009070203000000", 11},
        ToValueCase{"noon", 0, KES_SQL_TIME, nullptr, 0},
        ToValueCase{"FALSE", 0, KES_SQL_BOOLEAN, "00", 1},
        ToValueCase{"true", 0, KES_SQL_BOOLEAN, "01", 1},
        ToValueCase{"yes", 0, KES_SQL_BOOLEAN, nullptr, 0}, ToValueCase{"1", 0, 23, nullptr, 0},
        ToValueCase{nullptr, 0, KES_SQL_INT, nullptr, 0}));

struct ToTextCase {
  std::vector<unsigned char> bytes;
  bool absent;
  uint8_t type;
  const char* text;  // nullptr: no text
};

void PrintTo(const ToTextCase& c, std::ostream* os) {
  *os << "type " << int(c.type) << " to \"" << (c.text ? c.text : "(none)") << "\"";
}

class ToTextTest : public ::testing::TestWithParam<ToTextCase> {};

TEST_P(ToTextTest, Converts) {
  const ToTextCase& c = GetParam();
  // The value in a buffer of exactly length + 1 bytes, as the store keeps it.
  std::vector<char> buffer(c.bytes.begin(), c.bytes.end());
  buffer.push_back('\0');
  const auto length = static_cast<int32_t>(c.bytes.size());
  char* text = ConvertValueToString(c.absent ? nullptr : buffer.data(), length, c.type);
  if (!c.text) {
    EXPECT_EQ(text, nullptr);
    free(text);
    return;
  }
  EXPECT_EQ(hvtest::TakeText(text), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    AllTypes, ToTextTest,
    ::testing::Values(
        ToTextCase{{}, true, KES_SQL_INT, "NULL"}, ToTextCase{{0xF9}, false, KES_SQL_TINYINT, "-7"},
        ToTextCase{{0xF9}, false, KES_SQL_UNSIGNED_TINYINT, "249"},
        // 4-byte integers of the XML import read at the narrower width.
        ToTextCase{{0xFE, 0xFF, 0xFF, 0xFF}, false, KES_SQL_SMALLINT, "-2"},
        ToTextCase{{0xFF, 0xFF, 0xFF, 0xFF}, false, KES_SQL_UNSIGNED_INT, "4294967295"},
        ToTextCase{{0x00, 0xF2, 0x05, 0x2A, 0x01, 0, 0, 0}, false, KES_SQL_BIGINT, "5000000000"},
        ToTextCase{{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
                   false,
                   KES_SQL_UNSIGNED_LONG_INT,
                   "18446744073709551615"},
        // A buffer shorter than the width reads as zero-extended, not past its end.
        ToTextCase{{0x05}, false, KES_SQL_INT, "5"},
        ToTextCase{{0x00, 0x00, 0xC0, 0x3F}, false, KES_SQL_FLOAT, "1.500000"},
        ToTextCase{{0x00, 0x00, 0x20, 0xC0}, false, KES_SQL_REAL, "-2.500000"},
        ToTextCase{{0, 0, 0, 0, 0, 0, 0xD0, 0x3F}, false, KES_SQL_DOUBLE, "0.250000"},
        ToTextCase{{'1', '2', '.', '5'}, false, KES_SQL_NUMERIC, "12.5"},
        ToTextCase{{'a', 'b', 0, 'c'}, false, KES_SQL_VARCHAR, "ab"},
        ToTextCase{{'x'}, false, KES_SQL_CLOB, "x"},
        ToTextCase{{0xE8, 0x07, 3, 5, 9, 7, 2, 3, 0, 0, 0},
                   false,
                   KES_SQL_DATETIME,
                   "2024-03-05 09:07:02"},
        ToTextCase{{0xE8, 0x07, 3, 5, 0, 0, 0, 1, 0, 0, 0}, false, KES_SQL_DATE, "2024-03-05"},
        ToTextCase{{0, 0, 0, 0, 23, 59, 1, 2, 0, 0, 0}, false, KES_SQL_TIME, "23:59:01"},
        ToTextCase{{1}, false, KES_SQL_BOOLEAN, "'t'"},
        ToTextCase{{7}, false, KES_SQL_BOOLEAN, "'f'"},
        ToTextCase{{'a'}, false, KES_SQL_NOT_SUPPORTED_TYPE, nullptr},
        ToTextCase{{'a'}, false, 23, nullptr}));

TEST(ColumnValueTest, LongTextAndDecimalComeBackWhole) {
  const std::string text(5000, 'q');
  for (uint8_t type : {KES_SQL_TEXT, KES_SQL_DECIMAL}) {
    int32_t length = static_cast<int32_t>(text.size());
    char* value = ConvertStringToValue(text.c_str(), &length, type);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(hvtest::TakeText(ConvertValueToString(value, length, type)), text);
    free(value);
  }
}

TEST(ColumnValueTest, TextToValueToTextRoundTrips) {
  struct Case {
    const char* text;
    uint8_t type;
  } cases[] = {{"-128", KES_SQL_TINYINT},
               {"32767", KES_SQL_SMALLINT},
               {"-2147483648", KES_SQL_INT},
               {"-9223372036854775807", KES_SQL_BIGINT},
               {"1999-12-31 23:59:59", KES_SQL_DATETIME},
               {"hello", KES_SQL_CHAR}};
  for (const Case& c : cases) {
    int32_t length = 0;
    char* value = ConvertStringToValue(c.text, &length, c.type);
    ASSERT_NE(value, nullptr) << c.text;
    EXPECT_EQ(hvtest::TakeText(ConvertValueToString(value, length, c.type)), c.text);
    free(value);
  }
}

TEST(ColumnValueTest, PoolStringCoversNumbersTextsAndBooleansOnly) {
  ASSERT_EQ(InitializeMemPool(), 1);
  MemPool* pool = nullptr;
  ASSERT_EQ(CreateMemPool(&pool, nullptr, nullptr), 1);
  const char five[4] = {5, 0, 0, 0};
  const char yes[1] = {1};
  const char date[11] = {static_cast<char>(0xE8), 7, 3, 5, 0, 0, 0, 1, 0, 0, 0};
  char* text = ConvertValueToPoolString(five, 4, KES_SQL_INT, pool);
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "5");
  text = ConvertValueToPoolString(yes, 1, KES_SQL_BOOLEAN, pool);
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "'t'");
  EXPECT_EQ(ConvertValueToPoolString(date, 11, KES_SQL_DATE, pool), nullptr);
  EXPECT_EQ(ConvertValueToPoolString("ab", 2, KES_SQL_BLOB, pool), nullptr);
  EXPECT_EQ(ConvertValueToPoolString("ab", 2, KES_SQL_TEXT, pool), nullptr);
  EXPECT_EQ(ConvertValueToPoolString(nullptr, 0, KES_SQL_INT, pool), nullptr);
  DestroyMemPool(pool);
  TerminateMemPool();
}

TEST(ColumnValueTest, TypeNames) {
  struct Case {
    const char* name;
    uint8_t code;
  } cases[] = {{"BIGINT", 7}, {"bigint", 7},        {"KES_SQL_BIGINT", 0}, {"varchar", 0},
               {"nchar", 15}, {"CHAR", 15},         {"KES_SQL_CHAR", 14},  {"Integer", 5},
               {"LONG", 5},   {"timestamp", 18},    {"boolean", 19},       {"KES_SQL_TEXT", 22},
               {"float", 9},  {"KES_SQL_REAL", 11}, {nullptr, 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(GetDataTypeFromName(c.name), c.code) << (c.name ? c.name : "(none)");
  }
  EXPECT_STREQ(GetDataTypeName(KES_SQL_UNSIGNED_LONG_INT), "KES_SQL_UNSIGNED_LONG_INT");
  EXPECT_STREQ(GetDataTypeName(KES_SQL_TEXT), "KES_SQL_TEXT");
  EXPECT_EQ(GetDataTypeName(23), nullptr);
}

TEST(ColumnValueTest, DateValuesAreFlatAndUnpackToTheirParts) {
  KesDateTime* both = CreateKesDateTime(2026, 12, 11, 15, 30, 45);
  char packed[kDateValueSize];
  PackDateValue(both, packed);
  FreeKesDateTime(both);
  // A byte copy is a whole value.
  char copy[kDateValueSize];
  memcpy(copy, packed, sizeof copy);
  KesDateTime* back = UnpackDateValue(copy, kDateValueSize);
  ASSERT_NE(back, nullptr);
  ASSERT_NE(back->date, nullptr);
  ASSERT_NE(back->time, nullptr);
  EXPECT_EQ(back->date->year, 2026);
  EXPECT_EQ(back->time->second, 45);
  FreeKesDateTime(back);
  EXPECT_EQ(UnpackDateValue(copy, 10), nullptr);
  const char none[kDateValueSize] = {};
  EXPECT_EQ(UnpackDateValue(none, kDateValueSize), nullptr);
  EXPECT_EQ(hvtest::TakeText(ConvertValueToString(none, kDateValueSize, KES_SQL_DATE)), "(none)");
}

}  // namespace
