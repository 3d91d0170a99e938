// The library's date and time values (columns of the date types), their
// fixed text forms, conversion from text, the current time, calendar
// arithmetic and comparison; and an older group over broken-down times and
// date-and-time octet strings.  Values are calendar fields without a zone.
#pragma once

#include <cstdint>
#include <ctime>

struct KesDate {
  uint16_t year;
  uint8_t month;
  uint8_t day;
};

struct KesTime {
  uint8_t hour;
  uint8_t minute;
  uint8_t second;
};

// Owns its two parts; free it with FreeKesDateTime.
struct KesDateTime {
  KesDate* date;
  KesTime* time;
  uint8_t reserved1;
  uint8_t reserved2;
  uint8_t reserved3;
};

enum DateTimeUnit : uint8_t {
  kNanoseconds = 1,
  kMicroseconds = 2,
  kMilliseconds = 3,
  kSeconds = 4,
  kMinutes = 5,
  kHours = 6,
  kDays = 7,
  kWeeks = 8,
  kMonths = 9,
};

KesDate* CreateKesDate(int year, int month, int day);
KesTime* CreateKesTime(int hour, int minute, int second);
KesDateTime* CreateKesDateTime(int year, int month, int day, int hour, int minute, int second);
void FreeKesDateTime(KesDateTime* value);

char* ConvertKesDateToString(const KesDate* date);
char* ConvertKesTimeToString(const KesTime* time);
char* ConvertKesDateTimeToString(const KesDateTime* value);

KesDateTime* ConvertStringToKesDateTime(const char* text);
KesDateTime* ConvertStringToKesGenDateTime(const char* text);
// A KesDateTime, a KesDate or a KesTime, by the form of the text.
void* ConvertStringToKesDateOrTime(const char* text);

KesDateTime* GetCurrentKesDateTime();
char* GetCurrentDateTimeString();
uint32_t GetCurrentTimeInSeconds();

// Calendar arithmetic in place, without daylight-saving shifts.
KesDateTime* AddToKesDateTime(KesDateTime* value, uint32_t amount, uint8_t unit);
KesDateTime* SubtractFromKesDateTime(KesDateTime* value, uint32_t amount, uint8_t unit);
bool IsKesDateTimeLater(const KesDateTime* a, const KesDateTime* b);

// strptime in the C locale: the position after the parsed text, or none.
const char* ParseTimeText(const char* text, const char* format, struct tm* parts);

int CompareTime(const struct tm* a, const struct tm* b);
int ParseMonth(const char* text);
struct tm* ParseDateTime(const char* text);
char* ConvertToStringFromDateTime(const uint8_t* octets, int32_t* length);
uint8_t* ConvertToDateTimeFromString(const char* text, int32_t* length);
