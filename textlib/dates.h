#pragma once
// Dates as the system stores them: an unsigned 32-bit count of seconds since
// 1970-01-01 00:00:00 local time, local time being UTC+9. 0 means "no date".
//
// Reading and writing mail-style dates ("Mon, 2 Jan 2006 03:04:05 +0900"),
// reading free-form dates out of page text (DATEFORMAT), writing dates with a
// letter format (FORMATDATE), splitting a date into its parts (DECODEDATE) and
// the three display formats of the article list.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "textlib/error.h"

namespace bq {

using Date = std::uint32_t;

// Raised for a day that does not exist in its month (31 April).
class DateError : public Exception {
 public:
  using Exception::Exception;
};

// Local time is UTC+9; every mail-style date is written with this zone.
inline constexpr std::int64_t kLocalOffsetSeconds = 9 * 3600;

// The calendar parts of a date. The date 0 decodes to 1899-12-30 00:00:00
// (the calendar value 0), as every writer of dates shows it.
struct DateParts {
  int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0;
};
DateParts DecodeDate(Date date);
// 0 = Sunday ... 6 = Saturday.
int DayOfWeek(Date date);

// Builds a date from calendar parts with clamping: a year below 1970 or above
// 2106 becomes 1970 or 2106 with month and day 1; a month of 0 or above 12
// becomes 1; a day of 0 or above 31 becomes 1; an hour of 24 or more, a minute
// or second of 60 or more becomes 0. A day the month does not have raises
// DateError. Moments past the last representable second give 0xFFFFFFFF.
Date EncodeDate(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
// Days from 1970-01-01 to the clamped calendar day (the day itself checked as above).
std::int64_t ClampedDayNumber(int& year, int& month, int& day);

// Calendar values: days since 1899-12-30, the fraction being the time of day.
double DateToCalendar(Date date);
Date CalendarToDate(double value);

// "Mon, 2 Jan 2006 03:04:05 +0900".
std::string MailDateText(Date date);
// Reads a mail-style date ("Sun, 06 Dec 2026 18:08:53 GMT", "6 Dec 97 10:00
// +0000"). 0 when the text holds no day. Month names match in any case (an
// unknown one reads as January). Raises DateError for a day its month
// does not have; TryReadMailDate gives 0 then, for callers such as HTTP
// headers where an odd date must not end anything.
Date ReadMailDate(std::string_view text);
Date TryReadMailDate(std::string_view text) noexcept;

// FORMATDATE: "@CTIME" (the default) gives the mail date text; otherwise the
// letters D M H N S (two digits), d m h n s (no leading zero), Y (four-digit
// year) and y (year modulo 100) are replaced; '\' copies the next character.
std::string FormatDate(Date date, std::string_view format = "@CTIME");

// DATEFORMAT: reads a date out of free text. `year` nonzero fixes the year;
// `now` is the present moment (a Date), used for the defaults of today and
// for the year roll-back. 0 when the text holds too few numbers. Raises
// DateError for a day its month does not have.
Date DateFormat(std::string_view text, std::string_view format, int year, Date now);
Date DateFormat(std::string_view text, std::string_view format = "YMDhns", int year = 0);
// How many numbers DATEFORMAT reads out of text (runs of digits, full-width
// digits included): a format of more letters than this gives 0.
std::size_t DateNumberCount(std::string_view text);

// The present moment as a Date (the system clock read as UTC+9).
Date NowDate();

// The display formats: "yyyy/mm/dd hh:nn:ss", "yyyy/mm/dd", "hh:nn:ss".
std::string DisplayDateTime(Date date);
std::string DisplayDate(Date date);
std::string DisplayTime(Date date);

}  // namespace bq
