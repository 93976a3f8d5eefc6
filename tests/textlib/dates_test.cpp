#include "textlib/dates.h"

#include <gtest/gtest.h>

#include <string>

#include "textlib/strutil.h"

namespace bq {
namespace {

const char* const kBadDay =
    "\x93\xfa\x95t\x82\xc9\x95\xcf\x8a\xb7\x82\xc5\x82\xab\x82\xc8\x82\xa2\x92l\x82\xaa\x93n\x82\xb3"
    "\x82\xea\x82\xdc\x82\xb5\x82\xbd";

TEST(DateEncoding, EpochAndKnownMoments) {
  EXPECT_EQ(EncodeDate(1970, 1, 1, 0, 0, 0), 0u);
  EXPECT_EQ(EncodeDate(1970, 1, 2, 0, 0, 1), 86401u);
  // 2006-01-02 03:04:05 local is 2006-01-01 18:04:05 UTC = 1136138645; local adds 9 h.
  EXPECT_EQ(EncodeDate(2006, 1, 2, 3, 4, 5), 1136138645u + 32400u);
  EXPECT_EQ(EncodeDate(2106, 2, 7, 6, 28, 15), 0xFFFFFFFFu);
}

TEST(DateEncoding, DecodeGivesPartsAndZeroIsTheCalendarZero) {
  DateParts p = DecodeDate(EncodeDate(2024, 2, 29, 23, 59, 58));
  EXPECT_EQ(p.year, 2024);
  EXPECT_EQ(p.month, 2);
  EXPECT_EQ(p.day, 29);
  EXPECT_EQ(p.hour, 23);
  EXPECT_EQ(p.minute, 59);
  EXPECT_EQ(p.second, 58);
  p = DecodeDate(0);
  EXPECT_EQ(p.year, 1899);
  EXPECT_EQ(p.month, 12);
  EXPECT_EQ(p.day, 30);
  EXPECT_EQ(p.hour + p.minute + p.second, 0);
}

TEST(DateEncoding, CalendarValuesConvertBothWays) {
  EXPECT_EQ(DateToCalendar(0), 0.0);
  EXPECT_EQ(CalendarToDate(0.0), 0u);
  EXPECT_DOUBLE_EQ(DateToCalendar(86400), 25570.0);
  EXPECT_EQ(CalendarToDate(25569.5), 43200u);
  for (Date d : {1u, 59u, 86399u, 1136170445u, 0xFFFFFF00u}) {
    EXPECT_EQ(CalendarToDate(DateToCalendar(d)), d) << d;
  }
  EXPECT_EQ(CalendarToDate(1.0), 0u);  // before 1970: no negative dates
}

TEST(DateClamping, OutOfRangePartsAreClamped) {
  EXPECT_EQ(EncodeDate(1969, 5, 5), EncodeDate(1970, 1, 1));
  EXPECT_EQ(EncodeDate(2200, 5, 5), EncodeDate(2106, 1, 1));
  EXPECT_EQ(EncodeDate(2006, 0, 5), EncodeDate(2006, 1, 5));
  EXPECT_EQ(EncodeDate(2006, 13, 5), EncodeDate(2006, 1, 5));
  EXPECT_EQ(EncodeDate(2006, 3, 0), EncodeDate(2006, 3, 1));
  EXPECT_EQ(EncodeDate(2006, 3, 32), EncodeDate(2006, 3, 1));
  EXPECT_EQ(EncodeDate(2006, 3, 3, 24, 60, 60), EncodeDate(2006, 3, 3, 0, 0, 0));
  EXPECT_EQ(EncodeDate(2006, 3, 3, 23, 59, 59), EncodeDate(2006, 3, 4) - 1);
}

TEST(DateClamping, DayMissingFromItsMonthRaisesCalendarError) {
  try {
    EncodeDate(2006, 4, 31);
    FAIL() << "no error";
  } catch (const DateError& e) {
    EXPECT_STREQ(e.what(), kBadDay);
  }
  EXPECT_THROW(EncodeDate(2023, 2, 29), DateError);
  EXPECT_NO_THROW(EncodeDate(2024, 2, 29));
}

TEST(MailDate, WritesWeekdayDayMonthYearAndFixedZone) {
  EXPECT_EQ(MailDateText(EncodeDate(2006, 1, 2, 3, 4, 5)), "Mon, 2 Jan 2006 03:04:05 +0900");
  EXPECT_EQ(MailDateText(0), "Sat, 30 Dec 1899 00:00:00 +0900");
  EXPECT_EQ(MailDateText(1), "Thu, 1 Jan 1970 00:00:01 +0900");
}

TEST(MailDate, ReadsTheStatedExamples) {
  EXPECT_EQ(ReadMailDate("Sun, 06 Dec 2026 18:08:53 GMT"), EncodeDate(2026, 12, 7, 3, 8, 53));
  EXPECT_EQ(ReadMailDate("Sun, 06 Dec 2026 18:08:53 +0900"), EncodeDate(2026, 12, 6, 18, 8, 53));
  EXPECT_EQ(ReadMailDate("6 Dec 97 10:00:00 +0000"), EncodeDate(1997, 12, 6, 19, 0, 0));
}

TEST(MailDate, WrittenTextReadsBackToTheSameDate) {
  for (Date d : {EncodeDate(2006, 1, 2, 3, 4, 5), EncodeDate(1999, 12, 31, 23, 59, 59),
                 EncodeDate(2038, 1, 19, 12, 0, 0)}) {
    EXPECT_EQ(ReadMailDate(MailDateText(d)), d);
  }
}

TEST(MailDate, ZonesAndShortTimes) {
  const Date base = EncodeDate(2026, 12, 6, 0, 0, 0);
  EXPECT_EQ(ReadMailDate("6 Dec 2026 10:00:00 -0130"), base + 10 * 3600 + 5400 + 32400);
  EXPECT_EQ(ReadMailDate("6 Dec 2026 10:00:00 EST"), base + 10 * 3600 + 32400);
  // Hours and minutes only: each ':' multiplies by 60, so 10:30 counts as 630 seconds.
  EXPECT_EQ(ReadMailDate("6 Dec 2026 10:30 +0900"), base + 630);
  EXPECT_EQ(ReadMailDate("6 Xyz 2026 00:00:00 +0900"), EncodeDate(2026, 1, 6));
}

TEST(MailDate, OddTextGivesZeroOrTheCalendarError) {
  EXPECT_EQ(ReadMailDate(""), 0u);
  EXPECT_EQ(ReadMailDate("Sun, "), 0u);
  EXPECT_EQ(ReadMailDate("no date here"), 0u);
  EXPECT_EQ(ReadMailDate("6"), EncodeDate(1970, 1, 1) + 32400);  // year missing: clamped
  EXPECT_THROW(ReadMailDate("31 Apr 2006 00:00:00 +0900"), DateError);
  EXPECT_EQ(TryReadMailDate("31 Apr 2006 00:00:00 +0900"), 0u);
  EXPECT_EQ(ReadMailDate("1 Jan 1970 00:00:00 +1400"), 0u);  // before the epoch saturates
  EXPECT_EQ(ReadMailDate("9 Jan 2006 99999999999999999999:1 GMT") > 0, true);
}

TEST(FormatDate, LetterFormats) {
  const Date d = EncodeDate(2006, 1, 2, 3, 4, 5);
  EXPECT_EQ(FormatDate(d, "Y/M/D H:N"), "2006/01/02 03:04");
  EXPECT_EQ(FormatDate(d, "y"), "6");
  EXPECT_EQ(FormatDate(d, "d.m.h.n.s S"), "2.1.3.4.5 05");
  EXPECT_EQ(FormatDate(d, "\\Y=Y"), "Y=2006");
  EXPECT_EQ(FormatDate(d, "Y\x94N"), "2006\x94N");  // 年: the trail byte 'N' is not a letter
  EXPECT_EQ(FormatDate(d), "Mon, 2 Jan 2006 03:04:05 +0900");
  EXPECT_EQ(FormatDate(d, "@CTIME"), "Mon, 2 Jan 2006 03:04:05 +0900");
  EXPECT_EQ(FormatDate(d, "x\\"), "x");
}

TEST(FormatDate, ZeroDateIsTheCalendarZero) {
  EXPECT_EQ(FormatDate(0, "Y-M-D H:N:S"), "1899-12-30 00:00:00");
}

class DateFormatTest : public ::testing::Test {
 protected:
  const Date now_ = EncodeDate(2026, 12, 8, 20, 0, 0);
};

TEST_F(DateFormatTest, KanjiDateWithTime) {
  EXPECT_EQ(DateFormat("2006\x94N" "1\x8c\x8e" "2\x93\xfa 3:04", "YMDhn", 0, now_),
            EncodeDate(2006, 1, 2, 3, 4, 0));
}

TEST_F(DateFormatTest, DroppedLeadingNumbersAndYearRollBack) {
  EXPECT_EQ(DateFormat("1/2 3:04", "-MDhn", 0, now_), EncodeDate(2026, 1, 2, 3, 4, 0));
  EXPECT_EQ(DateFormat("No.55 1/2 3:04", "-MDhn", 0, now_), EncodeDate(2026, 1, 2, 3, 4, 0));
  // On 1 January the 2nd lies ahead, so last year's is meant.
  EXPECT_EQ(DateFormat("1/2 3:04", "-MDhn", 0, EncodeDate(2026, 1, 1)), EncodeDate(2025, 1, 2, 3, 4, 0));
  // A year argument stops the roll-back.
  EXPECT_EQ(DateFormat("1/2 3:04", "-MDhn", 2030, now_), EncodeDate(2030, 1, 2, 3, 4, 0));
}

TEST_F(DateFormatTest, DayPartWordsAddHours) {
  EXPECT_EQ(DateFormat("\x8c\xdf\x8c\xe3" "3:00", "*hn", 0, now_), EncodeDate(2026, 12, 8, 15, 0, 0));
  EXPECT_EQ(DateFormat("3:00 pm", "*hn", 0, now_), EncodeDate(2026, 12, 8, 15, 0, 0));
  // 夜 adds 21: 1:30 becomes 22:30, which lies ahead of 20:00, so the year goes back.
  EXPECT_EQ(DateFormat("\x96\xe9" "1:30", "*hn", 0, now_), EncodeDate(2025, 12, 8, 22, 30, 0));
  // 9 + 21 is no hour of the day and clamps to 0.
  EXPECT_EQ(DateFormat("\x96\xe9" "9:30", "*hn", 0, now_), EncodeDate(2026, 12, 8, 0, 30, 0));
  // 朝 comes before 夜 in the word table.
  EXPECT_EQ(DateFormat("\x96\xe9\x92\xa9" "1:00", "*hn", 0, now_), EncodeDate(2026, 12, 8, 7, 0, 0));
  EXPECT_EQ(DateFormat("PM 13:00", "*hn", 0, now_), EncodeDate(2026, 12, 8, 13, 0, 0));
  // Without '*' the word is ignored.
  EXPECT_EQ(DateFormat("\x8c\xdf\x8c\xe3" "3:00", "hn", 0, now_), EncodeDate(2026, 12, 8, 3, 0, 0));
  // At 10:00 today's 15:00 lies ahead and is taken from last year.
  EXPECT_EQ(DateFormat("\x8c\xdf\x8c\xe3" "3:00", "*hn", 0, EncodeDate(2026, 12, 8, 10, 0, 0)),
            EncodeDate(2025, 12, 8, 15, 0, 0));
}

TEST_F(DateFormatTest, TooFewNumbersGiveZero) {
  EXPECT_EQ(DateFormat("12", "YMD", 0, now_), 0u);
  EXPECT_EQ(DateFormat("", "YMD", 0, now_), 0u);
  EXPECT_EQ(DateFormat("abc", "-YMD", 0, now_), 0u);
}

TEST_F(DateFormatTest, FullWidthDigitsShortYearsAndSkippedNumbers) {
  EXPECT_EQ(DateFormat("\x82\x51\x82\x4f\x82\x4f\x82\x55/\x82\x50/\x82\x51", "YMD", 0, now_),
            EncodeDate(2006, 1, 2));
  EXPECT_EQ(DateFormat("06/01/02", "YMD", 0, now_), EncodeDate(2006, 1, 2));
  EXPECT_EQ(DateFormat("7 2006 5 6", "xYMD", 0, now_), EncodeDate(2006, 5, 6));
  EXPECT_THROW(DateFormat("2006/4/31", "YMD", 0, now_), DateError);
}

// DATEFORMAT upper-cases its text before reading it as a mail date, so the
// month names are matched without regard to case.
TEST_F(DateFormatTest, MailFormatAndHugeNumbers) {
  EXPECT_EQ(DateFormat("sun, 06 dec 2026 18:08:53 gmt", "@CTIME", 0, now_),
            EncodeDate(2026, 12, 7, 3, 8, 53));
  EXPECT_EQ(DateFormat("99999999999999999999999/1/1", "YMD", 0, now_), EncodeDate(2106, 1, 1));
}

TEST(IntStack, PushPopShiftItem) {
  TIntStack s;
  EXPECT_EQ(s.Pop(), -1);
  EXPECT_EQ(s.Shift(), -1);
  s.Push(1);
  s.Push(2);
  s.Push(3);
  EXPECT_EQ(s.Item(5), 0);
  EXPECT_EQ(s.Item(-1), 0);
  EXPECT_EQ(s.Item(1), 2);
  EXPECT_EQ(s.Pop(), 3);
  EXPECT_EQ(s.Shift(), 1);
  EXPECT_EQ(s.Count(), 1);
}

TEST(DisplayFormats, DateTimeDateAndTime) {
  const Date d = EncodeDate(2006, 1, 2, 3, 4, 5);
  EXPECT_EQ(DisplayDateTime(d), "2006/01/02 03:04:05");
  EXPECT_EQ(DisplayDate(d), "2006/01/02");
  EXPECT_EQ(DisplayTime(d), "03:04:05");
  EXPECT_EQ(DisplayDateTime(0), "1899/12/30 00:00:00");
}

}  // namespace
}  // namespace bq
