#pragma once
// The schedule timer of the desktop and the schedule switch.
//
// The timer runs exactly while the schedule is on and nothing holds it: a
// round, a fetch or an open dialog holds it off and lets go afterwards.
// Every tick sets the interval to 5 s; a tick in a marked hour at the marked
// minute starts a round over all folders unless the script editor holds
// unsaved changes. After that round the interval is 60 s, so the timer's
// next tick falls in a later minute. The minute of the last scheduled round
// is remembered as well, so a timer restarted early (a dialog closed at once)
// cannot start the same minute's round twice.
#include <cstdint>
#include <string>

namespace bq {
class TScrapList;
}

namespace bq::app {

inline constexpr std::uint32_t kScheduleTickMs = 5000;
inline constexpr std::uint32_t kAfterRoundMs = 60000;

// A local time as the schedule sees it.
struct ScheduleTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
};

class TScheduleTimer {
 public:
  // Follows ScheduleEnabled (at set-up, after the options dialog, on the switch).
  void SetEnabled(bool on) { enabled_ = on; }
  bool Enabled() const { return enabled_; }
  // Holds the timer off while something runs or a dialog is open; holds nest.
  void Hold() { ++holds_; }
  void Release() {
    if (holds_ > 0) --holds_;
  }
  // True when the timer should be counting now.
  bool Active() const { return enabled_ && holds_ == 0; }
  std::uint32_t Interval() const { return interval_; }

  // One tick: true when a scheduled round is due now. The caller runs it
  // and calls RoundDone afterwards.
  bool Tick(const TScrapList& log, const ScheduleTime& now, bool editorDirty);
  void RoundDone() { interval_ = kAfterRoundMs; }

 private:
  bool enabled_ = false;
  int holds_ = 0;
  std::uint32_t interval_ = kScheduleTickMs;
  long long lastRoundMinute_ = -1;
};

// The schedule switch: caption "ON " (with its trailing blank) or "OFF", and
// the tool bar image 29 or 28.
std::string TimerSwitchCaption(bool on);
int TimerSwitchImage(bool on);
// Toggles ScheduleEnabled and writes the root definition, which holds it.
bool ToggleSchedule(TScrapList& log);

// The 24 hour checks of the options dialog and their four buttons.
using HourChecks = std::uint32_t;  // bit h = hour h checked
inline constexpr HourChecks kAllHours = (1u << 24) - 1;
inline HourChecks CheckAllHours() { return kAllHours; }
inline HourChecks UncheckAllHours() { return 0; }
// "２時間おき": the even hours 0, 2, ... 22 checked, the odd ones not.
HourChecks EveryOtherHour();
// "選択反転"
inline HourChecks InvertHours(HourChecks h) { return ~h & kAllHours; }

}  // namespace bq::app
