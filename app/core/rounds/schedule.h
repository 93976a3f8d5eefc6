#pragma once
// The round schedule: the hours as a mask of bits 0..23 and the minute, as
// the options dialog's "巡回" page and the CLI show and set them; the time of
// the next round; and TSchedule, the one rule of when a scheduled round is
// due, which the CLI's schedule loop and the desktop's timer both follow.
#include <cstdint>
#include <string>
#include <string_view>

namespace bq {
class TScrapList;
}

namespace bq::app {

// Bit h set: hour h is marked.
using HourChecks = std::uint32_t;
inline constexpr HourChecks kAllHours = (1u << 24) - 1;
// The "２時間おき" button: the even hours 0, 2, ... 22.
inline constexpr HourChecks kEveryTwoHours = 0x555555u;
// "選択反転"
inline constexpr HourChecks InvertHours(HourChecks h) { return ~h & kAllHours; }

// "0,2,13" for the hours of a mask, in order; empty for none.
std::string HoursText(HourChecks hours);
// Reads "13", "1,13,22" (blanks allowed around the numbers) into a mask;
// false for an empty list, a word or an hour outside 0..23.
bool ParseHours(std::string_view text, HourChecks& hours);
// The first whole minute after now (a date: local seconds since 1970) whose
// hour is in the mask and whose minute is the given one; 0 when the mask is
// empty or the minute is outside 0..59.
std::uint32_t NextRoundTime(HourChecks hours, int minute, std::uint32_t now);

// The options dialog's line about the next scheduled round (Shift_JIS):
// "次の定時巡回: yyyy/mm/dd hh:nn", followed by " (日本時間)" when namesZone;
// "次の定時巡回: なし" with the reason when the schedule is off or no hour
// is marked. Without a date: now, named when the machine's zone is another.
std::string NextRoundText(HourChecks hours, int minute, bool enabled, std::uint32_t now, bool namesZone);
std::string NextRoundText(HourChecks hours, int minute, bool enabled);

// The schedule switch: caption "ON " (with its trailing blank) or "OFF".
std::string_view TimerSwitchCaption(bool on);

inline constexpr std::uint32_t kScheduleTickMs = 5000;
inline constexpr std::uint32_t kAfterRoundMs = 60000;

// When a scheduled round is due. The timer ticks every 5 s; a tick in a
// marked hour at the marked minute is due unless the script editor holds
// unsaved changes or a round over all folders already started in that
// minute: one of this process (remembered), or one the round log tells of
// (an earlier run of this program, or the other program on the same data
// folder). After a round over all folders the next tick is 60 s away.
class TSchedule {
 public:
  bool Due(const TScrapList& log, std::uint32_t now, bool editorDirty, const std::string& roundLogPath);
  // A round over all folders started at now: its minute is taken.
  void RoundStarted(std::uint32_t now) { lastRoundMinute_ = now / 60; }
  void RoundDone() { interval_ = kAfterRoundMs; }
  std::uint32_t Interval() const { return interval_; }

 private:
  std::uint32_t interval_ = kScheduleTickMs;
  std::int64_t lastRoundMinute_ = -1;
};

// The start of the last round over all folders written to a round log (its
// line ends with " ＠ＡＬＬ"), read from the end of the file; 0 when none.
std::uint32_t LastRoundOverAllStart(const std::string& roundLogPath);

}  // namespace bq::app
