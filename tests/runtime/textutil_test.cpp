#include "runtime/textutil.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(ConvertStringToIntTest, Table) {
  struct Case {
    const char* text;
    int32_t value;
  } cases[] = {
      {"123", 123},
      {"-42", -42},
      {"+7", 7},
      {"-", 0},
      {"+", 0},
      {"12a", -1},
      {"1-2", -1},
      {"", 0},
      {"yes", -1},
      {" 1", -1},
      {"007", 7},
      {"-0", 0},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"--1", -1},
      {"32", 32},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ConvertStringToInt(c.text), c.value) << '"' << c.text << '"';
  EXPECT_EQ(ConvertStringToInt(nullptr), -1);
}

TEST(ConvertStringToDoubleTest, Table) {
  struct Case {
    const char* text;
    double value;
  } cases[] = {
      {"12.5", 12.5},
      {".25", 0.25},
      {"7", 7},
      {"-1.5", 0},
      {"1a", 0},
      {"", 0},
      {"3.", 3},
      {"0.125", 0.125},
      // Long digit runs keep their value instead of wrapping a 32-bit power.
      {"12345678901", 12345678901.0},
      {"0.1234567890", 0.123456789},
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(ConvertStringToDouble(c.text), c.value) << '"' << c.text << '"';
  }
}

TEST(DigitChecksTest, NumericAndDecimal) {
  EXPECT_TRUE(IsNumericString("abc", 0));  // length 0 is numeric whatever the text
  EXPECT_TRUE(IsNumericString("-12", 3));
  EXPECT_TRUE(IsNumericString("12x", 2));  // only the first length characters count
  EXPECT_FALSE(IsNumericString("1+2", 3));
  EXPECT_TRUE(IsDecimalString("1.5", 3));
  EXPECT_FALSE(IsDecimalString("1.5.", 4));
  EXPECT_FALSE(IsDecimalString("-1", 2));
}

TEST(GetPowerTest, Values) {
  EXPECT_EQ(GetPower(10, 0), 1);
  EXPECT_EQ(GetPower(10, -3), 1);
  EXPECT_EQ(GetPower(10, 9), 1000000000);
  EXPECT_EQ(GetPower(2, 10), 1024);
  EXPECT_EQ(GetPower(-3, 3), -27);
}

TEST(AllocateAndCopyTest, BytesAndStrings) {
  char* out = nullptr;
  ASSERT_EQ(AllocateAndCopyBytes(&out, "abc", 0), kResultSuccess);
  EXPECT_STREQ(out, "");
  free(out);
  ASSERT_EQ(AllocateAndCopyBytes(&out, "a\0b", 3), kResultSuccess);
  EXPECT_EQ(std::string(out, 4), std::string("a\0b\0", 4));
  free(out);
  ASSERT_EQ(AllocateAndCopyString(&out, "hello"), kResultSuccess);
  EXPECT_STREQ(out, "hello");
  free(out);
  EXPECT_EQ(AllocateAndCopyString(&out, nullptr), kResultFailure);
  EXPECT_EQ(out, nullptr);
}

}  // namespace
