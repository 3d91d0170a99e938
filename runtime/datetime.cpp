#include "runtime/datetime.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/platform.h"
#include "runtime/log.h"

namespace {

char* HeapText(const char* text) {
  size_t n = strlen(text) + 1;
  char* out = static_cast<char*>(malloc(n));
  if (out) memcpy(out, text, n);
  return out;
}

// Days from 1970-01-01 of a proleptic Gregorian date (month 1 to 12).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int64_t* y, int64_t* m, int64_t* d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  *d = doy - (153 * mp + 2) / 5 + 1;
  *m = mp < 10 ? mp + 3 : mp - 9;
  *y = yoe + era * 400 + (*m <= 2);
}

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Calendar normalisation of broken-down fields (month 0 to 11), carrying
// overflow upwards, in UTC terms: no daylight-saving shifts.
struct Fields {
  int64_t year, month, day, hour, minute, second;
};

void Normalise(Fields* f) {
  int64_t carry = FloorDiv(f->second, 60);
  f->second -= carry * 60;
  f->minute += carry;
  carry = FloorDiv(f->minute, 60);
  f->minute -= carry * 60;
  f->hour += carry;
  carry = FloorDiv(f->hour, 24);
  f->hour -= carry * 24;
  f->day += carry;
  carry = FloorDiv(f->month, 12);
  f->month -= carry * 12;
  f->year += carry;
  const int64_t days = DaysFromCivil(f->year, f->month + 1, 1) + f->day - 1;
  int64_t y, m, d;
  CivilFromDays(days, &y, &m, &d);
  f->year = y;
  f->month = m - 1;
  f->day = d;
}

enum class Form { kNone, kBoth, kDate, kTime };

Form FormOf(const char* text) {
  const bool dash = strchr(text, '-') != nullptr;
  const bool colon = strchr(text, ':') != nullptr;
  if (dash && colon) return Form::kBoth;
  if (dash) return Form::kDate;
  if (colon) return Form::kTime;
  return Form::kNone;
}

// The six numbers of a text of the given form; missing ones stay 0.
void Scan(const char* text, Form form, int v[6]) {
  for (int i = 0; i < 6; ++i) v[i] = 0;
  switch (form) {
    case Form::kBoth:
      sscanf(text, "%d-%d-%d %d:%d:%d", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]);
      break;
    case Form::kDate:
      sscanf(text, "%d-%d-%d", &v[0], &v[1], &v[2]);
      break;
    case Form::kTime:
      sscanf(text, "%d:%d:%d", &v[3], &v[4], &v[5]);
      break;
    case Form::kNone:
      break;
  }
}

KesDateTime* NewDateTimeRecord() {
  return static_cast<KesDateTime*>(calloc(1, sizeof(KesDateTime)));
}

KesDateTime* Shift(KesDateTime* value, uint32_t amount, uint8_t unit, int sign) {
  if (!value || !value->date || !value->time) return value;
  // Through the text form and back, as the record's fields are read.
  char* text = ConvertKesDateTimeToString(value);
  struct tm parts {};
  const bool parsed = text && ParseTimeText(text, "%Y-%m-%d %H:%M:%S", &parts);
  free(text);
  if (!parsed) return value;
  Fields f{parts.tm_year + 1900LL, parts.tm_mon, parts.tm_mday,
           parts.tm_hour,          parts.tm_min, parts.tm_sec};
  const int64_t n = static_cast<int64_t>(amount) * sign;
  switch (unit) {
    case kNanoseconds:
      f.second += static_cast<int64_t>(amount / 1000000000u) * sign;
      break;
    case kMicroseconds:
      f.second += static_cast<int64_t>(amount / 1000000u) * sign;
      break;
    case kMilliseconds:
      f.second += static_cast<int64_t>(amount / 1000u) * sign;
      break;
    case kSeconds:
      f.second += n;
      break;
    case kMinutes:
      f.minute += n;
      break;
    case kHours:
      f.hour += n;
      break;
    case kDays:
      f.day += n;
      break;
    case kWeeks:
      f.day += n * 7;
      break;
    case kMonths:
      f.month += n;
      break;
    default:
      return value;
  }
  Normalise(&f);
  value->date->year = static_cast<uint16_t>(f.year);
  value->date->month = static_cast<uint8_t>(f.month + 1);
  value->date->day = static_cast<uint8_t>(f.day);
  value->time->hour = static_cast<uint8_t>(f.hour);
  value->time->minute = static_cast<uint8_t>(f.minute);
  value->time->second = static_cast<uint8_t>(f.second);
  return value;
}

// ---- ParseTimeText ----

const char* const kWeekdays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};
const char* const kMonths[] = {"January",   "February", "March",    "April",
                               "May",       "June",     "July",     "August",
                               "September", "October",  "November", "December"};

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsNoCase(const char* text, const char* word, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    if (!text[i] || Lower(text[i]) != Lower(word[i])) return false;
  }
  return true;
}

// A full or three-letter name from the list; its index, or -1.
const char* ReadName(const char* s, const char* const* names, int count, int* index) {
  for (int i = 0; i < count; ++i) {
    size_t full = strlen(names[i]);
    if (StartsNoCase(s, names[i], full)) {
      *index = i;
      return s + full;
    }
  }
  for (int i = 0; i < count; ++i) {
    if (StartsNoCase(s, names[i], 3)) {
      *index = i;
      return s + 3;
    }
  }
  return nullptr;
}

const char* ReadNumber(const char* s, int max_digits, int low, int high, int* value) {
  while (IsSpace(*s)) ++s;
  int v = 0;
  int digits = 0;
  while (digits < max_digits && *s >= '0' && *s <= '9') {
    v = v * 10 + (*s++ - '0');
    ++digits;
  }
  if (digits == 0 || v < low || v > high) return nullptr;
  *value = v;
  return s;
}

struct ParseState {
  int century = -1;
  int year_in_century = -1;
  bool pm = false;
  bool have_pm = false;
  bool twelve_hour = false;
};

const char* Parse(const char* s, const char* format, struct tm* t, ParseState* st);

const char* Conversion(const char* s, char c, struct tm* t, ParseState* st) {
  int v = 0;
  switch (c) {
    case '%':
      return *s == '%' ? s + 1 : nullptr;
    case 'a':
    case 'A':
      s = ReadName(s, kWeekdays, 7, &v);
      if (s) t->tm_wday = v;
      return s;
    case 'b':
    case 'B':
    case 'h':
      s = ReadName(s, kMonths, 12, &v);
      if (s) t->tm_mon = v;
      return s;
    case 'C':
      s = ReadNumber(s, 2, 0, 99, &v);
      if (s) st->century = v;
      return s;
    case 'c':
      return Parse(s, "%x %X", t, st);
    case 'D':
    case 'x':
      return Parse(s, "%m/%d/%y", t, st);
    case 'd':
    case 'e':
      s = ReadNumber(s, 2, 1, 31, &v);
      if (s) t->tm_mday = v;
      return s;
    case 'H':
    case 'k':
      s = ReadNumber(s, 2, 0, 23, &v);
      if (s) t->tm_hour = v, st->twelve_hour = false;
      return s;
    case 'I':
    case 'l':
      s = ReadNumber(s, 2, 1, 12, &v);
      if (s) t->tm_hour = v % 12, st->twelve_hour = true;
      return s;
    case 'j':
      s = ReadNumber(s, 3, 1, 366, &v);
      if (s) t->tm_yday = v - 1;
      return s;
    case 'M':
      s = ReadNumber(s, 2, 0, 59, &v);
      if (s) t->tm_min = v;
      return s;
    case 'm':
      s = ReadNumber(s, 2, 1, 12, &v);
      if (s) t->tm_mon = v - 1;
      return s;
    case 'n':
    case 't':
      while (IsSpace(*s)) ++s;
      return s;
    case 'p':
      while (IsSpace(*s)) ++s;
      if (StartsNoCase(s, "AM", 2)) {
        st->have_pm = true, st->pm = false;
        return s + 2;
      }
      if (StartsNoCase(s, "PM", 2)) {
        st->have_pm = true, st->pm = true;
        return s + 2;
      }
      return nullptr;
    case 'R':
      return Parse(s, "%H:%M", t, st);
    case 'r':
      return Parse(s, "%I:%M:%S %p", t, st);
    case 'S':
      s = ReadNumber(s, 2, 0, 61, &v);
      if (s) t->tm_sec = v;
      return s;
    case 'T':
    case 'X':
      return Parse(s, "%H:%M:%S", t, st);
    case 'U':
    case 'W':
      return ReadNumber(s, 2, 0, 53, &v);
    case 'w':
      s = ReadNumber(s, 1, 0, 6, &v);
      if (s) t->tm_wday = v;
      return s;
    case 'Y':
      s = ReadNumber(s, 4, 0, 9999, &v);
      if (s) t->tm_year = v - 1900, st->century = -1, st->year_in_century = -1;
      return s;
    case 'y':
      s = ReadNumber(s, 2, 0, 99, &v);
      if (s) st->year_in_century = v;
      return s;
    default:
      return nullptr;
  }
}

const char* Parse(const char* s, const char* format, struct tm* t, ParseState* st) {
  for (const char* f = format; *f && s; ++f) {
    if (IsSpace(*f)) {
      while (IsSpace(*s)) ++s;
      continue;
    }
    if (*f != '%') {
      if (*s != *f) return nullptr;
      ++s;
      continue;
    }
    ++f;
    if (*f == 'E' || *f == 'O') ++f;  // the modifiers change nothing in the C locale
    if (!*f) return nullptr;
    s = Conversion(s, *f, t, st);
  }
  return s;
}

}  // namespace

KesDate* CreateKesDate(int year, int month, int day) {
  auto* d = static_cast<KesDate*>(calloc(1, sizeof(KesDate)));
  if (!d) {
    LogError("KesDate creation failed");
    return nullptr;
  }
  d->year = static_cast<uint16_t>(year);
  d->month = static_cast<uint8_t>(month);
  d->day = static_cast<uint8_t>(day);
  return d;
}

KesTime* CreateKesTime(int hour, int minute, int second) {
  auto* t = static_cast<KesTime*>(calloc(1, sizeof(KesTime)));
  if (!t) {
    LogError("KesTime creation failed");
    return nullptr;
  }
  t->hour = static_cast<uint8_t>(hour);
  t->minute = static_cast<uint8_t>(minute);
  t->second = static_cast<uint8_t>(second);
  return t;
}

KesDateTime* CreateKesDateTime(int year, int month, int day, int hour, int minute, int second) {
  KesDateTime* v = NewDateTimeRecord();
  if (!v) {
    LogError("KesDateTime creation failed");
    return nullptr;
  }
  v->date = CreateKesDate(year, month, day);
  v->time = CreateKesTime(hour, minute, second);
  if (!v->date || !v->time) {
    FreeKesDateTime(v);
    return nullptr;
  }
  return v;
}

void FreeKesDateTime(KesDateTime* value) {
  if (!value) return;
  free(value->date);
  free(value->time);
  free(value);
}

char* ConvertKesDateToString(const KesDate* date) {
  if (!date) return nullptr;
  char buf[32];
  snprintf(buf, sizeof buf, "%04d-%02d-%02d", date->year, date->month, date->day);
  return HeapText(buf);
}

char* ConvertKesTimeToString(const KesTime* time) {
  if (!time) return nullptr;
  char buf[32];
  snprintf(buf, sizeof buf, "%02d:%02d:%02d", time->hour, time->minute, time->second);
  return HeapText(buf);
}

char* ConvertKesDateTimeToString(const KesDateTime* value) {
  if (!value) return nullptr;
  if (value->date && value->time) {
    char buf[48];
    snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", value->date->year,
             value->date->month, value->date->day, value->time->hour, value->time->minute,
             value->time->second);
    return HeapText(buf);
  }
  if (value->date) return ConvertKesDateToString(value->date);
  if (value->time) return ConvertKesTimeToString(value->time);
  return nullptr;
}

KesDateTime* ConvertStringToKesDateTime(const char* text) {
  LogTrace("Inside ConvertStringToKesDateTime \n");
  if (!text) {
    LogError("datetimeStr NULL \n");
    return nullptr;
  }
  const Form form = FormOf(text);
  if (form == Form::kNone) return nullptr;
  int v[6];
  Scan(text, form, v);
  return CreateKesDateTime(v[0], v[1], v[2], v[3], v[4], v[5]);
}

KesDateTime* ConvertStringToKesGenDateTime(const char* text) {
  LogTrace("Inside ConvertStringToKesGenDateTime \n");
  if (!text) {
    LogError("datetimeStr NULL \n");
    return nullptr;
  }
  const Form form = FormOf(text);
  if (form == Form::kNone) {
    LogError("The String is not a datetimeStr \n");
    return nullptr;
  }
  int v[6];
  Scan(text, form, v);
  KesDateTime* value = NewDateTimeRecord();
  if (!value) {
    LogError("KesDateTime creation failed");
    return nullptr;
  }
  if (form != Form::kTime) value->date = CreateKesDate(v[0], v[1], v[2]);
  if (form != Form::kDate) value->time = CreateKesTime(v[3], v[4], v[5]);
  if ((form != Form::kTime && !value->date) || (form != Form::kDate && !value->time)) {
    FreeKesDateTime(value);
    return nullptr;
  }
  return value;
}

void* ConvertStringToKesDateOrTime(const char* text) {
  LogTrace("Inside ConvertStringToKesDateTime \n");
  if (!text) {
    LogError("datetimeStr NULL \n");
    return nullptr;
  }
  const Form form = FormOf(text);
  int v[6];
  Scan(text, form, v);
  switch (form) {
    case Form::kBoth:
      return CreateKesDateTime(v[0], v[1], v[2], v[3], v[4], v[5]);
    case Form::kDate:
      return CreateKesDate(v[0], v[1], v[2]);
    case Form::kTime:
      return CreateKesTime(v[3], v[4], v[5]);
    case Form::kNone:
      break;
  }
  return nullptr;
}

KesDateTime* GetCurrentKesDateTime() {
  const plat::LocalTime now = plat::LocalTimeNow();
  KesDateTime* value = NewDateTimeRecord();
  if (!value) {
    LogError("MEMORY ALLOCATION FAILURE FOR dateTimePtr");
    return nullptr;
  }
  value->date = CreateKesDate(now.year, now.month, now.day);
  if (!value->date) {
    LogError("CreateKesDate Failed");
    FreeKesDateTime(value);
    return nullptr;
  }
  value->time = CreateKesTime(now.hour, now.minute, now.second);
  if (!value->time) {
    LogError("CreateKesTime Failed");
    FreeKesDateTime(value);
    return nullptr;
  }
  return value;
}

char* GetCurrentDateTimeString() {
  KesDateTime* now = GetCurrentKesDateTime();
  char* text = ConvertKesDateTimeToString(now);
  FreeKesDateTime(now);
  return text;
}

uint32_t GetCurrentTimeInSeconds() { return static_cast<uint32_t>(time(nullptr)); }

KesDateTime* AddToKesDateTime(KesDateTime* value, uint32_t amount, uint8_t unit) {
  return Shift(value, amount, unit, 1);
}

KesDateTime* SubtractFromKesDateTime(KesDateTime* value, uint32_t amount, uint8_t unit) {
  return Shift(value, amount, unit, -1);
}

bool IsKesDateTimeLater(const KesDateTime* a, const KesDateTime* b) {
  if (!a || !b || !a->date || !a->time || !b->date || !b->time) return false;
  const int fa[] = {a->date->year, a->date->month,  a->date->day,
                    a->time->hour, a->time->minute, a->time->second};
  const int fb[] = {b->date->year, b->date->month,  b->date->day,
                    b->time->hour, b->time->minute, b->time->second};
  for (int i = 0; i < 6; ++i) {
    if (fa[i] != fb[i]) return fa[i] > fb[i];
  }
  return false;
}

const char* ParseTimeText(const char* text, const char* format, struct tm* parts) {
  if (!text || !format || !parts) return nullptr;
  ParseState st;
  const char* end = Parse(text, format, parts, &st);
  if (!end) return nullptr;
  if (st.have_pm && st.twelve_hour && st.pm) parts->tm_hour += 12;
  if (st.year_in_century >= 0) {
    int year = st.century >= 0 ? st.century * 100 + st.year_in_century
                               : (st.year_in_century < 69 ? 2000 : 1900) + st.year_in_century;
    parts->tm_year = year - 1900;
  } else if (st.century >= 0) {
    parts->tm_year = st.century * 100 - 1900;
  }
  return end;
}

int CompareTime(const struct tm* a, const struct tm* b) {
  LogTrace("\n\t@@@@@ Inside CompareTime() @@@@@\n");
  const int fa[] = {a->tm_year, a->tm_mon, a->tm_mday, a->tm_hour, a->tm_min, a->tm_sec};
  const int fb[] = {b->tm_year, b->tm_mon, b->tm_mday, b->tm_hour, b->tm_min, b->tm_sec};
  for (int i = 0; i < 6; ++i) {
    if (fa[i] != fb[i]) return fa[i] > fb[i] ? 1 : 0;
  }
  return 1;
}

int ParseMonth(const char* text) {
  LogTrace("\n\t@@@@@ Inside ParseMonth() @@@@@\n");
  static const char* const kShort[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  if (!text || strlen(text) != 3) return -1;
  for (int i = 0; i < 12; ++i) {
    if (StartsNoCase(text, kShort[i], 3)) return i;
  }
  return -1;
}

struct tm* ParseDateTime(const char* text) {
  LogTrace("\n\t@@@@@ Inside ParseDateTime() @@@@@\n");
  if (!text) return nullptr;
  auto* t = static_cast<struct tm*>(calloc(1, sizeof(struct tm)));
  if (!t) return nullptr;
  // Widths bound every text field to its buffer.
  char weekday[32], month[32], zone[32];
  int day = 0, year = 0, hour = 0, minute = 0, second = 0;
  int month_index = -1;
  if (sscanf(text, "%31s %d %31s %d %d:%d:%d %31s", weekday, &day, month, &year, &hour, &minute,
             &second, zone) == 8) {
    month_index = ParseMonth(month);
    year -= 1900;
  } else if (sscanf(text, "%31s %d-%3s-%d %d:%d:%d %31s", weekday, &day, month, &year, &hour,
                    &minute, &second, zone) == 8) {
    month_index = ParseMonth(month);  // the two-digit year is kept as it is
  } else if (sscanf(text, "%31s %31s %d %d:%d:%d %d", weekday, month, &day, &hour, &minute, &second,
                    &year) == 7) {
    month_index = ParseMonth(month);
    year -= 1900;
  } else {
    free(t);
    return nullptr;
  }
  if (month_index < 0) {
    free(t);
    return nullptr;
  }
  t->tm_year = year;
  t->tm_mon = month_index;
  t->tm_mday = day;
  t->tm_hour = hour;
  t->tm_min = minute;
  t->tm_sec = second;
  return t;
}

char* ConvertToStringFromDateTime(const uint8_t* octets, int32_t* length) {
  LogTrace("\n\t@@@@@ Inside ConvertToStringFromDateTime() @@@@@\n");
  if (!octets || !length) return nullptr;
  char buf[96];
  const int year = (octets[0] << 8) | octets[1];
  int n;
  if (*length == 8) {
    n = snprintf(buf, sizeof buf, "%d-%d-%d,%d:%d:%d.%d", year, octets[2], octets[3], octets[4],
                 octets[5], octets[6], octets[7]);
  } else {
    n = snprintf(buf, sizeof buf, "%d-%d-%d,%d:%d:%d.%d,%c%d:%d", year, octets[2], octets[3],
                 octets[4], octets[5], octets[6], octets[7], octets[8], octets[9], octets[10]);
  }
  char* text = HeapText(buf);
  if (!text) {
    LogError("Unable to allocate buffer !!! \n");
    return nullptr;
  }
  *length = n;
  LogTrace("The retVal is %s\n", text);
  return text;
}

uint8_t* ConvertToDateTimeFromString(const char* text, int32_t* length) {
  LogTrace("\n\t@@@@@ Inside ConvertToDateTimeFromString() @@@@@\n");
  if (!text || !length) return nullptr;
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, deci = 0, zh = 0, zm = 0;
  char direction = 0;
  const int fields = sscanf(text, "%d-%d-%d,%d:%d:%d.%d,%c%d:%d", &year, &month, &day, &hour,
                            &minute, &second, &deci, &direction, &zh, &zm);
  if (fields != 7 && fields != 10) return nullptr;
  auto* octets = static_cast<uint8_t*>(calloc(static_cast<size_t>(fields) + 1, 1));
  if (!octets) {
    LogError("Unable to allocate buffer !!! \n");
    return nullptr;
  }
  const int values[] = {month, day, hour, minute, second, deci, direction, zh, zm};
  octets[0] = static_cast<uint8_t>((year >> 8) & 0xFF);
  octets[1] = static_cast<uint8_t>(year & 0xFF);
  for (int i = 0; i + 2 < fields + 1; ++i) octets[i + 2] = static_cast<uint8_t>(values[i]);
  for (int i = 0; i < fields + 1; ++i) LogTrace("%.02x\n", octets[i]);
  *length = fields + 1;
  return octets;
}
