// brindlequay-cli round [FOLDER] and schedule: rounds with their round line,
// one line of progress per folder.
#include <cstdio>
#include <memory>

#include "app/cli/cli_app.h"
#include "app/cli/compile_report.h"
#include "app/cli/fetch_report.h"
#include "app/cli/terminal.h"
#include "platform/events.h"
#include "platform/fs.h"
#include "textlib/dates.h"

namespace bq::cli {

namespace {

constexpr char kRoundUsage[] = "round [FOLDER]";
constexpr char kScheduleUsage[] = "schedule [show | set ...]";

std::string FolderName(const app::TApplication& a, const std::string& folder) {
  std::string name = TerminalText(app::RelativeFolder(a.LogRoot(), folder));
  return name.empty() ? "(log root)" : name;
}

// One line per folder; the failed fetches of a folder come before its line,
// named with the folder.
app::RoundEvents Progress(app::TApplication& a, bool verbose) {
  app::RoundEvents ev;
  const app::TApplication* ap = &a;
  auto fetches = ReportPageOperations(a, verbose);
  // The warnings of a script go to stderr once, however many folders use it.
  auto warnings = std::make_shared<TWarningPrinter>();
  ev.scriptCompiled = [ap, warnings](const std::string&) { warnings->PrintOnce(stderr, *ap); };
  ev.folderStarted = [ap, fetches](const std::string& folder, std::size_t) {
    fetches->folder = FolderName(*ap, folder);
  };
  ev.folderDone = [ap](const std::string& folder, int unread, const std::string& error) {
    std::string name = FolderName(*ap, folder);
    if (error.empty()) {
      std::printf("%s: %d unread\n", name.c_str(), unread);
    } else if (IsCompileErrorText(error)) {
      std::printf("%s: error: ", name.c_str());
      PrintCompileError(stdout, error, app::TKernel::Engine(*ap), ap->ScriptSource, ScriptLabel(*ap));
    } else {
      std::printf("%s: error: %s\n", name.c_str(), TerminalText(error).c_str());
    }
    std::fflush(stdout);
  };
  return ev;
}

}  // namespace

int RoundCommand(const Args& args, const GlobalOptions& options) {
  if (args.size() > 1 || (args.size() == 1 && (args[0].empty() || args[0][0] == '-'))) return UsageError(kRoundUsage);
  auto cli = OpenApp(options);
  StopOnSignals();
  app::TApplication& a = cli->app;
  if (!args.empty() && !fs::DirectoryExists(FolderArgument(a, args[0]))) {
    std::fprintf(stderr, "no such folder: %s\n", TerminalText(FolderArgument(a, args[0])).c_str());
    return 1;
  }
  app::RoundEvents progress = Progress(a, options.verbose);
  std::string line = args.empty() ? a.TimerAction(progress) : a.RoundAction(FolderArgument(a, args[0]), progress);
  std::printf("%s\n", TerminalText(line).c_str());
  return InterruptedStatus();
}

int ScheduleSubcommand(const Args& args, const GlobalOptions& options);  // schedule_cmd.cpp

int ScheduleCommand(const Args& args, const GlobalOptions& options) {
  if (!args.empty() && (args[0] == "show" || args[0] == "set")) return ScheduleSubcommand(args, options);
  if (!args.empty()) return UsageError(kScheduleUsage);
  auto cli = OpenApp(options);
  StopOnSignals();
  app::TApplication& a = cli->app;
  if (!a.ScheduleEnabled()) std::fprintf(stderr, "the schedule is off in weblog.def; waiting anyway\n");
  std::printf("waiting for the scheduled hours (Ctrl-C or SIGTERM ends)\n");
  std::fflush(stdout);
  app::RoundEvents progress = Progress(a, options.verbose);
  while (!Interrupted()) {
    std::uint64_t until = TickCount64() + a.ScheduleInterval();
    while (!Interrupted() && TickCount64() < until) SleepMs(50);
    if (Interrupted()) break;
    // weblog.def is read again at every tick, so "schedule set" takes effect.
    if (a.ServerScheduleTick(NowDate(), progress)) {
      std::printf("%s\n", TerminalText(a.LastRoundLine).c_str());
      std::fflush(stdout);
    }
  }
  return 0;
}

}  // namespace bq::cli
