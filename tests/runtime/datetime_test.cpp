#include "runtime/datetime.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/support/test_support.h"

namespace {

using hvtest::TakeText;

TEST(KesDateTimeTest, TextForms) {
  struct Case {
    const char* text;
    const char* full;     // through ConvertStringToKesDateTime
    const char* general;  // through ConvertStringToKesGenDateTime
  } cases[] = {
      {"2021-03-04 05:06:07", "2021-03-04 05:06:07", "2021-03-04 05:06:07"},
      {"2021-03-04", "2021-03-04 00:00:00", "2021-03-04"},
      {"05:06", "0000-00-00 05:06:00", "05:06:00"},
      {"20210304", "(none)", "(none)"},
      {"2021-13-40", "2021-13-40 00:00:00", "2021-13-40"},  // not range-tested
  };
  for (const Case& c : cases) {
    KesDateTime* v = ConvertStringToKesDateTime(c.text);
    EXPECT_EQ(TakeText(ConvertKesDateTimeToString(v)), c.full) << c.text;
    FreeKesDateTime(v);
    v = ConvertStringToKesGenDateTime(c.text);
    EXPECT_EQ(TakeText(ConvertKesDateTimeToString(v)), c.general) << c.text;
    FreeKesDateTime(v);
  }
  EXPECT_EQ(ConvertStringToKesDateTime(nullptr), nullptr);
  auto* date = static_cast<KesDate*>(ConvertStringToKesDateOrTime("1999-12-31"));
  EXPECT_EQ(TakeText(ConvertKesDateToString(date)), "1999-12-31");
  free(date);
  auto* time = static_cast<KesTime*>(ConvertStringToKesDateOrTime("23:59:58"));
  EXPECT_EQ(TakeText(ConvertKesTimeToString(time)), "23:59:58");
  free(time);
  EXPECT_EQ(ConvertStringToKesDateOrTime("nothing"), nullptr);
}

TEST(KesDateTimeTest, Arithmetic) {
  struct Case {
    const char* start;
    uint32_t amount;
    uint8_t unit;
    bool add;
    const char* result;
  } cases[] = {
      {"2021-01-31 00:00:00", 1, kMonths, true, "2021-03-03 00:00:00"},
      {"2021-01-01 23:00:00", 90, kMinutes, true, "2021-01-02 00:30:00"},
      {"2021-01-01 00:00:00", 999, kMilliseconds, true, "2021-01-01 00:00:00"},
      {"2021-01-01 00:00:00", 2500, kMilliseconds, true, "2021-01-01 00:00:02"},
      {"2021-01-01 00:00:00", 3000000000u, kNanoseconds, true, "2021-01-01 00:00:03"},
      {"2021-01-01 00:00:00", 5000000, kMicroseconds, true, "2021-01-01 00:00:05"},
      {"2020-02-28 12:00:00", 1, kDays, true, "2020-02-29 12:00:00"},
      {"2021-12-25 00:00:00", 2, kWeeks, true, "2022-01-08 00:00:00"},
      {"2021-03-28 01:30:00", 24, kHours, true, "2021-03-29 01:30:00"},  // no DST shift
      {"2021-01-01 00:00:00", 1, kSeconds, false, "2020-12-31 23:59:59"},
      {"2021-03-31 00:00:00", 1, kMonths, false, "2021-03-03 00:00:00"},
      {"2021-01-01 00:00:00", 5, 42, true, "2021-01-01 00:00:00"},  // an unknown unit
  };
  for (const Case& c : cases) {
    KesDateTime* v = ConvertStringToKesDateTime(c.start);
    if (c.add) {
      AddToKesDateTime(v, c.amount, c.unit);
    } else {
      SubtractFromKesDateTime(v, c.amount, c.unit);
    }
    EXPECT_EQ(TakeText(ConvertKesDateTimeToString(v)), c.result) << c.start << " " << c.amount;
    FreeKesDateTime(v);
  }
}

TEST(KesDateTimeTest, Later) {
  KesDateTime* a = CreateKesDateTime(2021, 1, 1, 10, 0, 0);
  KesDateTime* b = CreateKesDateTime(2021, 1, 1, 10, 0, 0);
  EXPECT_FALSE(IsKesDateTimeLater(a, b));
  EXPECT_FALSE(IsKesDateTimeLater(b, a));
  b->time->second = 1;
  EXPECT_TRUE(IsKesDateTimeLater(b, a));
  a->date->month = 2;
  EXPECT_TRUE(IsKesDateTimeLater(a, b));
  EXPECT_FALSE(IsKesDateTimeLater(nullptr, b));
  FreeKesDateTime(a);
  FreeKesDateTime(b);
}

TEST(KesDateTimeTest, CurrentTime) {
  const std::string now = TakeText(GetCurrentDateTimeString());
  EXPECT_EQ(now.size(), 19u);
  EXPECT_GT(GetCurrentTimeInSeconds(), 1700000000u);
}

TEST(ParseTimeTextTest, Conversions) {
  struct Case {
    const char* text;
    const char* format;
    bool ok;
    int year, mon, mday, hour, min, sec;
  } cases[] = {
      {"2021-03-04 05:06:07", "%Y-%m-%d %H:%M:%S", true, 121, 2, 4, 5, 6, 7},
      {"Thu, 04 Mar 2021 17:06:07", "%a, %d %b %Y %T", true, 121, 2, 4, 17, 6, 7},
      {"march 4 21 05:06:07 PM", "%B %e %y %r", true, 121, 2, 4, 17, 6, 7},
      {"03/04/99", "%D", true, 99, 2, 4, 0, 0, 0},
      {"2021-13-01", "%Y-%m-%d", false, 0, 0, 0, 0, 0, 0},
      {"24:00", "%H:%M", false, 0, 0, 0, 0, 0, 0},
      {"12:30", "%R", true, 0, 0, 0, 12, 30, 0},
      {"x", "%Y", false, 0, 0, 0, 0, 0, 0},
      {"100%", "%j%%", true, 0, 0, 0, 0, 0, 0},
      {"20 21", "%C %y", true, 121, 0, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    struct tm t {};
    const char* end = ParseTimeText(c.text, c.format, &t);
    EXPECT_EQ(end != nullptr, c.ok) << c.text;
    if (!end || !c.ok) continue;
    EXPECT_EQ(*end, '\0') << c.text;
    EXPECT_EQ(t.tm_year, c.year) << c.text;
    EXPECT_EQ(t.tm_mon, c.mon) << c.text;
    EXPECT_EQ(t.tm_mday, c.mday) << c.text;
    EXPECT_EQ(t.tm_hour, c.hour) << c.text;
    EXPECT_EQ(t.tm_min, c.min) << c.text;
    EXPECT_EQ(t.tm_sec, c.sec) << c.text;
  }
}

TEST(BrokenDownTimeTest, MonthsAndDateTimes) {
  EXPECT_EQ(ParseMonth("jan"), 0);
  EXPECT_EQ(ParseMonth("DEC"), 11);
  EXPECT_EQ(ParseMonth("January"), -1);
  EXPECT_EQ(ParseMonth(nullptr), -1);
  struct Case {
    const char* text;
    int year, mon, mday, hour;
  } cases[] = {
      {"Thu 04 Mar 2021 05:06:07 GMT", 121, 2, 4, 5},
      {"Thursday 04-Mar-21 05:06:07 GMT", 21, 2, 4, 5},
      {"Thu Mar 4 05:06:07 2021", 121, 2, 4, 5},
  };
  for (const Case& c : cases) {
    struct tm* t = ParseDateTime(c.text);
    ASSERT_NE(t, nullptr) << c.text;
    EXPECT_EQ(t->tm_year, c.year) << c.text;
    EXPECT_EQ(t->tm_mon, c.mon) << c.text;
    EXPECT_EQ(t->tm_mday, c.mday) << c.text;
    EXPECT_EQ(t->tm_hour, c.hour) << c.text;
    free(t);
  }
  EXPECT_EQ(ParseDateTime("Thu 04 Foo 2021 05:06:07 GMT"), nullptr);
  EXPECT_EQ(ParseDateTime("nonsense"), nullptr);
  struct tm a {
  }, b{};
  a.tm_year = b.tm_year = 100;
  EXPECT_EQ(CompareTime(&a, &b), 1);  // equal counts as later-or-equal
  b.tm_sec = 1;
  EXPECT_EQ(CompareTime(&a, &b), 0);
}

TEST(OctetDateTimeTest, RoundTripWithOffset) {
  const uint8_t octets[11] = {0x07, 0xE5, 3, 4, 5, 6, 7, 8, '+', 5, 30};
  int32_t length = 11;
  const std::string text = TakeText(ConvertToStringFromDateTime(octets, &length));
  EXPECT_EQ(text, "2021-3-4,5:6:7.8,+5:30");
  EXPECT_EQ(length, static_cast<int32_t>(text.size()));
  int32_t back_length = 0;
  uint8_t* back = ConvertToDateTimeFromString(text.c_str(), &back_length);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back_length, 11);
  EXPECT_EQ(memcmp(back, octets, 11), 0);
  free(back);
  length = 8;
  EXPECT_EQ(TakeText(ConvertToStringFromDateTime(octets, &length)), "2021-3-4,5:6:7.8");
  back = ConvertToDateTimeFromString("2021-3-4,5:6:7.8", &back_length);
  EXPECT_EQ(back_length, 8);
  free(back);
  EXPECT_EQ(ConvertToDateTimeFromString("2021-3-4", &back_length), nullptr);
}

}  // namespace
