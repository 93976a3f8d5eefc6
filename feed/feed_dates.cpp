#include "feed/feed_dates.h"

#include <algorithm>
#include <cstdint>

namespace bq::feed {
namespace {

struct Cursor {
  std::string_view s;
  std::size_t i = 0;
  bool End() const { return i >= s.size(); }
  char Peek() const { return End() ? '\0' : s[i]; }
  void SkipBlanks() {
    while (!End() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r' || s[i] == '\n' || s[i] == ',')) ++i;
  }
  // Up to maxDigits digits; -1 when there is none.
  int Number(int maxDigits, int* count = nullptr) {
    int v = 0, n = 0;
    while (!End() && n < maxDigits && s[i] >= '0' && s[i] <= '9') {
      v = v * 10 + (s[i++] - '0');
      ++n;
    }
    if (count) *count = n;
    return n == 0 ? -1 : v;
  }
  bool Take(char c) {
    if (Peek() != c) return false;
    ++i;
    return true;
  }
  std::string_view Word() {
    std::size_t b = i;
    while (!End() && ((s[i] >= 'A' && s[i] <= 'Z') || (s[i] >= 'a' && s[i] <= 'z'))) ++i;
    return s.substr(b, i - b);
  }
};

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

bool SameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Upper(a[i]) != Upper(b[i])) return false;
  return true;
}

// Days from 1970-01-01 to a civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

bool ValidDay(int y, int m, int d) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (m < 1 || m > 12 || d < 1) return false;
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return d <= kDays[m - 1] + (m == 2 && leap ? 1 : 0);
}

// The local date of a moment given in its own zone (offset seconds east of
// UTC); 0 when out of range or invalid.
Date Make(int y, int mo, int d, int h, int mi, int s, std::int64_t offset) {
  if (y < 1970 || y > 2106 || !ValidDay(y, mo, d) || h > 23 || mi > 59 || s > 60) return 0;
  if (s == 60) s = 59;
  const std::int64_t utc = DaysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60 + s - offset;
  const std::int64_t local = utc + kLocalOffsetSeconds;
  if (local <= 0 || local > 0xFFFFFFFFll) return 0;
  return static_cast<Date>(local);
}

int MonthOf(std::string_view word) {
  static constexpr std::string_view kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  if (word.size() < 3) return 0;
  for (int m = 0; m < 12; ++m)
    if (SameWord(word.substr(0, 3), kMonths[m])) return m + 1;
  return 0;
}

// "+0900", "-05:00", "GMT", "EST" ...: seconds east of UTC. False when the
// text names no zone this reader knows.
bool ZoneOffset(Cursor& c, std::int64_t& offset) {
  c.SkipBlanks();
  offset = 0;
  if (c.End()) return true;
  const char sign = c.Peek();
  if (sign == '+' || sign == '-') {
    ++c.i;
    int n = 0;
    const int hh = c.Number(2, &n);
    if (n != 2) return false;
    c.Take(':');
    const int mm = c.Number(2, &n);
    offset = (hh * 3600 + (n == 2 ? mm * 60 : 0)) * (sign == '-' ? -1 : 1);
    return true;
  }
  static constexpr struct {
    std::string_view name;
    int hours;
  } kZones[] = {{"UT", 0},  {"UTC", 0}, {"GMT", 0}, {"Z", 0},   {"EST", -5}, {"EDT", -4}, {"CST", -6},
                {"CDT", -5}, {"MST", -7}, {"MDT", -6}, {"PST", -8}, {"PDT", -7}, {"JST", 9}};
  const std::string_view word = c.Word();
  for (const auto& z : kZones) {
    if (SameWord(word, z.name)) {
      offset = z.hours * 3600;
      return true;
    }
  }
  return false;
}

}  // namespace

Date ReadRfc822Date(std::string_view text) {
  Cursor c{text};
  c.SkipBlanks();
  if (!c.End() && !(c.Peek() >= '0' && c.Peek() <= '9')) {
    c.Word();  // the weekday
    c.SkipBlanks();
  }
  const int day = c.Number(2);
  c.SkipBlanks();
  const int month = MonthOf(c.Word());
  c.SkipBlanks();
  int digits = 0;
  int year = c.Number(4, &digits);
  if (day < 0 || month == 0 || year < 0) return 0;
  if (digits <= 2) year += year < 50 ? 2000 : 1900;
  c.SkipBlanks();
  int h = 0, mi = 0, s = 0;
  if (!c.End() && c.Peek() >= '0' && c.Peek() <= '9') {
    h = c.Number(2);
    if (!c.Take(':')) return 0;
    mi = c.Number(2);
    if (mi < 0) return 0;
    if (c.Take(':')) s = std::max(c.Number(2), 0);
  }
  std::int64_t offset = 0;
  if (!ZoneOffset(c, offset)) return 0;
  return Make(year, month, day, h, mi, s, offset);
}

Date ReadIsoDate(std::string_view text) {
  Cursor c{text};
  c.SkipBlanks();
  int n = 0;
  const int year = c.Number(4, &n);
  if (n != 4) return 0;
  int month = 1, day = 1, h = 0, mi = 0, s = 0;
  if (c.Take('-')) {
    month = c.Number(2, &n);
    if (n != 2) return 0;
    if (c.Take('-')) {
      day = c.Number(2, &n);
      if (n != 2) return 0;
    }
  }
  std::int64_t offset = kLocalOffsetSeconds;
  if (c.Take('T') || c.Take('t') || (c.Peek() == ' ' && c.i + 1 < text.size() && text[c.i + 1] >= '0' &&
                                     text[c.i + 1] <= '9' && c.Take(' '))) {
    h = c.Number(2, &n);
    if (n != 2 || !c.Take(':')) return 0;
    mi = c.Number(2, &n);
    if (n != 2) return 0;
    if (c.Take(':')) {
      s = c.Number(2, &n);
      if (n != 2) return 0;
      if (c.Take('.') || c.Take(',')) c.Number(9);
    }
    if (!c.End() && c.Peek() != ' ') {
      if (!ZoneOffset(c, offset)) return 0;
    }
  }
  return Make(year, month, day, h, mi, s, offset);
}

Date ReadFeedDate(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) ++i;
  // Four digits and a dash open the ISO form; anything else is tried as RFC 822 first.
  const bool iso = text.size() >= i + 5 && text[i + 4] == '-' &&
                   std::all_of(text.begin() + static_cast<std::ptrdiff_t>(i),
                               text.begin() + static_cast<std::ptrdiff_t>(i + 4), [](char ch) { return ch >= '0' && ch <= '9'; });
  const Date first = iso ? ReadIsoDate(text) : ReadRfc822Date(text);
  if (first != 0) return first;
  return iso ? ReadRfc822Date(text) : ReadIsoDate(text);
}

}  // namespace bq::feed
