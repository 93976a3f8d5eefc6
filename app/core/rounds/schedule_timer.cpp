#include "app/core/rounds/schedule_timer.h"

#include "logstore/scrap_list.h"

namespace bq::app {

bool TScheduleTimer::Tick(const TScrapList& log, const ScheduleTime& now, bool editorDirty) {
  interval_ = kScheduleTickMs;
  if (editorDirty || !log.IsRoundTime(now.hour, now.minute)) return false;
  const long long minute = ((static_cast<long long>(now.year) * 13 + now.month) * 32 + now.day) * 1440 +
                           now.hour * 60 + now.minute;
  if (minute == lastRoundMinute_) return false;
  lastRoundMinute_ = minute;
  return true;
}

std::string TimerSwitchCaption(bool on) { return on ? "ON " : "OFF"; }

int TimerSwitchImage(bool on) { return on ? 29 : 28; }

bool ToggleSchedule(TScrapList& log) {
  log.ScheduleEnabled = !log.ScheduleEnabled;
  log.SaveRootDef();
  return log.ScheduleEnabled;
}

HourChecks EveryOtherHour() {
  HourChecks h = 0;
  for (int i = 0; i < 24; i += 2) h |= 1u << i;
  return h;
}

}  // namespace bq::app
