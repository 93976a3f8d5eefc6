// brindlequay-cli schedule show | schedule set ...: the round schedule of
// weblog.def without the desktop program, written as its options dialog
// writes it.
#include <cstdio>
#include <cstdlib>

#include "app/cli/cli_app.h"
#include "app/core/rounds/schedule.h"
#include "textlib/dates.h"

namespace bq::cli {

namespace {

constexpr char kScheduleSetUsage[] = "schedule set [--hours H,H,...|--every-2h|--none] [--minute M] [--on|--off]";

struct ScheduleEdit {
  bool hoursGiven = false;
  std::uint32_t hours = 0;
  int minute = -1;  // -1: unchanged
  int enabled = -1;  // -1: unchanged, else 0 or 1
};

bool ParseMinute(const std::string& text, int& minute) {
  if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  minute = std::atoi(text.c_str());
  return minute <= 59;
}

bool ParseScheduleEdit(const Args& args, ScheduleEdit& e) {
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    bool hasValue = i + 1 < args.size();
    if (a == "--hours" && hasValue && !e.hoursGiven) {
      if (!app::ParseHours(args[++i], e.hours)) return false;
      e.hoursGiven = true;
    } else if ((a == "--every-2h" || a == "--none") && !e.hoursGiven) {
      e.hours = a == "--none" ? 0 : app::kEveryTwoHours;
      e.hoursGiven = true;
    } else if (a == "--minute" && hasValue && e.minute < 0) {
      if (!ParseMinute(args[++i], e.minute)) return false;
    } else if ((a == "--on" || a == "--off") && e.enabled < 0) {
      e.enabled = a == "--on" ? 1 : 0;
    } else {
      return false;
    }
  }
  return args.size() > 1;
}

void PrintSchedule(const app::TApplication& a) {
  const TScrapList& log = app::TKernel::Log(a);
  std::string hours = app::HoursText(log.ScheduleHours);
  std::uint32_t next = app::NextRoundTime(log.ScheduleHours, log.ScheduleMinute, NowDate());
  std::printf("enabled: %s\n", log.ScheduleEnabled ? "on" : "off");
  std::printf("hours: %s\n", hours.empty() ? "none" : hours.c_str());
  std::printf("minute: %d\n", log.ScheduleMinute);
  if (!log.ScheduleEnabled || next == 0)
    std::printf("next round: none\n");
  else
    std::printf("next round: %s\n", DisplayDateTime(next).c_str());
}

}  // namespace

int ScheduleSubcommand(const Args& args, const GlobalOptions& options) {
  if (args[0] == "show") {
    if (args.size() != 1) return UsageError("schedule show");
    auto cli = OpenApp(options, Access::kReadOnly);
    PrintSchedule(cli->app);
    return 0;
  }
  ScheduleEdit e;
  if (args[0] != "set" || !ParseScheduleEdit(args, e)) return UsageError(kScheduleSetUsage);
  auto cli = OpenApp(options);
  app::TApplication& a = cli->app;
  const TScrapList& log = app::TKernel::Log(a);
  if (!a.SetSchedule(e.enabled < 0 ? log.ScheduleEnabled : e.enabled == 1, e.hoursGiven ? e.hours : log.ScheduleHours,
                     e.minute < 0 ? log.ScheduleMinute : e.minute)) {
    // The values asked for are not in force: say so, and nothing else
    // (the failed file follows as "not saved: ...").
    std::fprintf(stderr, "schedule not changed\n");
    return 1;
  }
  PrintSchedule(a);
  return 0;
}

}  // namespace bq::cli
