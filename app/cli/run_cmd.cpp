// brindlequay-cli run FOLDER: the fetch of one site folder.
#include <cstdio>

#include "app/cli/cli_app.h"
#include "app/cli/compile_report.h"
#include "app/cli/fetch_report.h"
#include "app/cli/terminal.h"
#include "platform/fs.h"
#include "textlib/error.h"

namespace bq::cli {

namespace {
constexpr char kRunUsage[] = "run FOLDER";

// A run the watchdog or the safety limit ended is a failed run.
int ReportWatchdogStop(const app::TApplication& a) {
  if (a.StopText().empty()) return 0;
  std::fprintf(stderr, "%s\n", TerminalText(a.StopText()).c_str());
  return 1;
}
}  // namespace

int RunCommand(const Args& args, const GlobalOptions& options) {
  if (args.size() != 1 || args[0].empty() || args[0][0] == '-') return UsageError(kRunUsage);
  auto cli = OpenApp(options);
  StopOnSignals();
  app::TApplication& a = cli->app;
  std::string folder = FolderArgument(a, args[0]);
  if (!fs::DirectoryExists(folder)) {
    std::fprintf(stderr, "no such folder: %s\n", TerminalText(folder).c_str());
    return 1;
  }
  TScrapList& log = app::TKernel::Log(a);
  if (!log.OpenFolder(folder)) return 1;
  auto fetches = ReportPageOperations(a, options.verbose);
  int before = log.Count();
  int status = 0;
  try {
    // A feed folder has no script to compile: the fetch reads its feed.
    if (!app::IsFeedFolder(log.Folder)) a.LoadAndCompile();
  } catch (const script::ECompileError& e) {
    // Nothing ran, so there is no count to report.
    PrintCompileError(stderr, e.what(), app::TKernel::Engine(a), a.ScriptSource, ScriptLabel(a));
    return 1;
  } catch (const Exception& e) {
    std::fprintf(stderr, "%s\n", TerminalText(e.what()).c_str());
    return 1;
  }
  PrintWarnings(stderr, app::TKernel::Engine(a), ScriptLabel(a));
  try {
    a.ExecAction();
    status = ReportWatchdogStop(a);
  } catch (const Exception& e) {
    std::fprintf(stderr, "%s\n", TerminalText(e.what()).c_str());
    status = 1;
  }
  // Stopped by a signal, the run still saves what it stored.
  if (Interrupted()) status = InterruptedStatus();
  // Counted before the save: a save that merges another program's articles
  // brings in more than this run stored.
  const int added = log.Count() - before;
  log.SaveLog();
  // --verbose shows what the script's PRINT statements collected.
  const std::string& printed = app::TKernel::Machine(a).PrintBuffer;
  if (options.verbose && !printed.empty()) std::printf("%s", TerminalText(printed).c_str());
  std::printf("%d new, %d unread, %d total\n", added, log.UnreadCount(), log.Count());
  return status;
}

}  // namespace bq::cli
