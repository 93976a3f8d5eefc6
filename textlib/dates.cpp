#include "textlib/dates.h"

#include <cmath>
#include <cstdio>
#include <ctime>

#include "textlib/cp932.h"
#include "textlib/strutil.h"

namespace bq {
namespace {

constexpr const char* kMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* kDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::int64_t kSecondsPerDay = 86400;
constexpr double kCalendarEpoch = 25569.0;  // 1970-01-01 as days since 1899-12-30
constexpr const char* kBadDay =
    "\x93\xfa\x95t\x82\xc9\x95\xcf\x8a\xb7\x82\xc5\x82\xab\x82\xc8\x82\xa2\x92l\x82\xaa\x93n\x82\xb3"
    "\x82\xea\x82\xdc\x82\xb5\x82\xbd";  // 日付に変換できない値が渡されました

// Day-part words of DATEFORMAT in search order, with the hours they add.
struct DayPart {
  std::string_view word;
  int hours;
};
constexpr DayPart kDayParts[] = {
    {"AM", 0},          {"PM", 12},        {"\x8c\xdf\x91O", 0},  // 午前
    {"\x8c\xdf\x8c\xe3", 12},                                    // 午後
    {"\x92\xa9", 6},    {"\x92\x8b", 13},                        // 朝 昼
    {"\x97[", 18},      {"\x96\xe9", 21},                        // 夕 夜
};

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's method).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

Date Saturate(std::int64_t v) {
  if (v < 0) return 0;
  if (v > 0xFFFFFFFFLL) return 0xFFFFFFFFu;
  return static_cast<Date>(v);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a run of digits at pos, saturating far below overflow.
std::int64_t ReadDigits(std::string_view s, std::size_t& pos, std::size_t* count = nullptr) {
  std::int64_t v = 0;
  std::size_t n = 0;
  while (pos < s.size() && IsDigit(s[pos])) {
    if (v < 100000000000LL) v = v * 10 + (s[pos] - '0');
    ++pos;
    ++n;
  }
  if (count) *count = n;
  return v;
}

int ClampInt(std::int64_t v) { return v > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(v); }

// Seconds of the day from "hh:mm:ss": each ':' multiplies what came before by 60.
std::int64_t TimeSeconds(std::string_view t) {
  std::int64_t total = 0, cur = 0;
  for (char c : t) {
    if (IsDigit(c)) {
      if (cur < 100000000LL) cur = cur * 10 + (c - '0');
    } else if (c == ':') {
      if (total < 100000000LL) total = (total + cur) * 60;
      cur = 0;
    }
  }
  return total + cur;
}

// Zone offset to add: "GMT" 0; "+hhmm" negative, "-hhmm" positive; else 0.
std::int64_t ZoneOffset(std::string_view z) {
  if (z == "GMT" || z.empty() || (z[0] != '+' && z[0] != '-')) return 0;
  auto digit = [&](std::size_t i) { return i < z.size() && IsDigit(z[i]) ? z[i] - '0' : 0; };
  std::int64_t secs = (digit(1) * 10 + digit(2)) * 3600 + (digit(3) * 10 + digit(4)) * 60;
  return z[0] == '+' ? -secs : secs;
}

std::string TwoDigits(int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d", v);
  return buf;
}

// Full-width digits become ASCII digits, ASCII letters upper case.
std::string NormaliseFreeText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(c) && i + 1 < text.size()) {
      unsigned char t = static_cast<unsigned char>(text[i + 1]);
      if (c == 0x82 && t >= 0x4F && t <= 0x58) {
        out += static_cast<char>('0' + (t - 0x4F));
      } else {
        out += text.substr(i, 2);
      }
      ++i;
    } else {
      out += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 0x20) : static_cast<char>(c);
    }
  }
  return out;
}

}  // namespace

DateParts DecodeDate(Date date) {
  DateParts p;
  if (date == 0) return p;
  CivilFromDays(date / kSecondsPerDay, p.year, p.month, p.day);
  const int secs = static_cast<int>(date % kSecondsPerDay);
  p.hour = secs / 3600;
  p.minute = secs / 60 % 60;
  p.second = secs % 60;
  return p;
}

int DayOfWeek(Date date) {
  if (date == 0) return 6;  // 1899-12-30 was a Saturday
  return static_cast<int>((4 + date / kSecondsPerDay) % 7);
}

std::int64_t ClampedDayNumber(int& year, int& month, int& day) {
  if (year < 1970 || year > 2106) {
    year = year < 1970 ? 1970 : 2106;
    month = 1;
    day = 1;
  }
  if (month < 1 || month > 12) month = 1;
  if (day < 1 || day > 31) day = 1;
  if (day > DaysInMonth(year, month)) throw DateError(kBadDay);
  return DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
}

Date EncodeDate(int year, int month, int day, int hour, int minute, int second) {
  const std::int64_t days = ClampedDayNumber(year, month, day);
  if (hour < 0 || hour >= 24) hour = 0;
  if (minute < 0 || minute >= 60) minute = 0;
  if (second < 0 || second >= 60) second = 0;
  return Saturate(days * kSecondsPerDay + hour * 3600 + minute * 60 + second);
}

double DateToCalendar(Date date) {
  if (date == 0) return 0.0;
  return kCalendarEpoch + static_cast<double>(date) / kSecondsPerDay;
}

Date CalendarToDate(double value) {
  if (value == 0.0 || !std::isfinite(value)) return 0;
  double secs = std::floor((value - kCalendarEpoch) * kSecondsPerDay + 0.5);
  if (secs <= 0) return 0;
  if (secs >= 4294967295.0) return 0xFFFFFFFFu;
  return static_cast<Date>(secs);
}

std::string MailDateText(Date date) {
  const DateParts p = DecodeDate(date);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s, %d %s %d %2.2d:%2.2d:%2.2d +0900", kDayNames[DayOfWeek(date)],
                p.day, kMonthNames[p.month - 1], p.year, p.hour, p.minute, p.second);
  return buf;
}

Date ReadMailDate(std::string_view text) {
  std::size_t pos = 0;
  const std::size_t comma = text.find(',');
  const std::size_t eol = text.find_first_of("\r\n");
  if (comma != std::string_view::npos && (eol == std::string_view::npos || comma < eol)) {
    pos = comma + 1;
  }
  while (pos < text.size() && text[pos] == ' ') ++pos;
  std::size_t dayDigits = 0;
  int day = ClampInt(ReadDigits(text, pos, &dayDigits));
  if (dayDigits == 0) return 0;
  const std::size_t dayEnd = pos;
  int month = 1;
  if (dayEnd + 4 <= text.size()) {
    std::string_view name = text.substr(dayEnd + 1, 3);
    for (int i = 0; i < 12; ++i) {
      if (name.size() == 3 && StartsWithNoCase(name, kMonthNames[i])) month = i + 1;
    }
  }
  std::size_t ypos = dayEnd + 5;
  std::size_t yearDigits = 0;
  std::int64_t year = ypos <= text.size() ? ReadDigits(text, ypos, &yearDigits) : 0;
  if (yearDigits < 4) year += 1900;  // "19" put in front of a short year
  if (ypos > text.size()) ypos = text.size();
  std::string_view time = NextToken(text, ypos);
  std::string_view zone = NextToken(text, ypos);
  int y = ClampInt(year);
  const std::int64_t days = ClampedDayNumber(y, month, day);
  return Saturate(days * kSecondsPerDay + TimeSeconds(time) + ZoneOffset(zone) + kLocalOffsetSeconds);
}

Date TryReadMailDate(std::string_view text) noexcept {
  try {
    return ReadMailDate(text);
  } catch (const DateError&) {
    return 0;
  }
}

std::string FormatDate(Date date, std::string_view format) {
  if (format == "@CTIME") return MailDateText(date);
  const DateParts p = DecodeDate(date);
  std::string out;
  for (std::size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < format.size()) {
      out += format.substr(i++, 2);
      continue;
    }
    switch (c) {
      case 'D': out += TwoDigits(p.day); break;
      case 'M': out += TwoDigits(p.month); break;
      case 'H': out += TwoDigits(p.hour); break;
      case 'N': out += TwoDigits(p.minute); break;
      case 'S': out += TwoDigits(p.second); break;
      case 'd': out += std::to_string(p.day); break;
      case 'm': out += std::to_string(p.month); break;
      case 'h': out += std::to_string(p.hour); break;
      case 'n': out += std::to_string(p.minute); break;
      case 's': out += std::to_string(p.second); break;
      case 'Y': out += std::to_string(p.year); break;
      case 'y': out += std::to_string(p.year % 100); break;
      case '\\':
        if (i + 1 < format.size()) out += format[++i];
        break;
      default: out += c;
    }
  }
  return out;
}

Date NowDate() { return Saturate(static_cast<std::int64_t>(std::time(nullptr)) + kLocalOffsetSeconds); }

Date DateFormat(std::string_view text, std::string_view format, int year) {
  return DateFormat(text, format, year, NowDate());
}

namespace {

// Every run of digits in the normalised text, in order.
std::vector<std::int64_t> NumbersIn(std::string_view text) {
  std::vector<std::int64_t> numbers;
  for (std::size_t i = 0; i < text.size();) {
    if (IsDigit(text[i])) {
      numbers.push_back(ReadDigits(text, i));
    } else {
      i += (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
    }
  }
  return numbers;
}

}  // namespace

std::size_t DateNumberCount(std::string_view text) { return NumbersIn(NormaliseFreeText(text)).size(); }

Date DateFormat(std::string_view rawText, std::string_view format, int yearArg, Date now) {
  const std::string text = NormaliseFreeText(rawText);
  if (format == "@CTIME") return ReadMailDate(text);
  std::vector<std::int64_t> numbers = NumbersIn(text);
  int hourOffset = 0;
  if (!format.empty() && format[0] == '*') {
    format.remove_prefix(1);
    for (const DayPart& part : kDayParts) {
      if (SearchSjis(text, part.word) != std::string_view::npos) {
        hourOffset = part.hours;
        break;
      }
    }
  }
  if (!format.empty() && format[0] == '-') {
    format.remove_prefix(1);
    const std::size_t drop = numbers.size() > format.size() ? numbers.size() - format.size() : 0;
    numbers.erase(numbers.begin(), numbers.begin() + static_cast<std::ptrdiff_t>(drop));
  }
  if (numbers.size() < format.size()) return 0;
  const DateParts today = DecodeDate(now);
  int y = today.year, m = today.month, d = today.day, h = 0, n = 0, s = 0;
  bool yearGiven = yearArg != 0;
  if (yearGiven) y = yearArg;
  for (std::size_t i = 0; i < format.size(); ++i) {
    const int v = ClampInt(numbers[i]);
    switch (format[i]) {
      case 'D': case 'd': d = v; break;
      case 'M': case 'm': m = v; break;
      case 'N': case 'n': n = v; break;
      case 'S': case 's': s = v; break;
      case 'Y': case 'y': y = v; yearGiven = true; break;
      case 'H': case 'h':
        h = v < 12 ? v + hourOffset : v;
        hourOffset = 0;
        break;
      default: break;
    }
  }
  if (y < 999) y += 2000;
  Date result = EncodeDate(y, m, d, h, n, s);
  if (!yearGiven && result > now) result = EncodeDate(y - 1, m, d, h, n, s);
  return result;
}

std::string DisplayDateTime(Date date) {
  const DateParts p = DecodeDate(date);
  char buf[48];
  std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour,
                p.minute, p.second);
  return buf;
}

std::string DisplayDate(Date date) {
  const DateParts p = DecodeDate(date);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", p.year, p.month, p.day);
  return buf;
}

std::string DisplayTime(Date date) {
  const DateParts p = DecodeDate(date);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", p.hour, p.minute, p.second);
  return buf;
}

}  // namespace bq
