#pragma once
// What the commands that work on a data folder share: the application set
// up from the global options (settings read but never written by the CLI,
// the data folder, the libs folder), Ctrl-C, SIGTERM and SIGHUP turned into
// Stop for the commands that run scripts, and the conversions between
// terminal text (UTF-8) and the system's Shift_JIS.
#include <memory>
#include <string>
#include <string_view>

#include "app/cli/commands.h"
#include "app/cli/terminal.h"
#include "app/core/application.h"
#include "app/core/kernel.h"
#include "app/core/shell/program_layout.h"
#include "platform/events.h"
#include "platform/ui.h"

namespace bq::cli {

struct CliApp {
  explicit CliApp(TWebAccess::ProxySource proxy) : app(ui, pump, std::move(proxy)) {}
  // Every write that failed is told on stderr, one "not saved: " line each,
  // and makes the command end with 1 (see UnsavedWrites).
  ~CliApp();
  CliApp(const CliApp&) = delete;
  CliApp& operator=(const CliApp&) = delete;
  ConsoleUi ui;
  CallbackPump pump;
  app::TApplication app;
};

// Commands that only show (list, find, show --keep-unread, folder show,
// schedule show) open the data folder read-only: they never write a file.
enum class Access { kReadWrite, kReadOnly };

// The application with the settings read and the program and libs folders
// set, but no folder opened yet; layout receives the file layout in use.
std::unique_ptr<CliApp> LoadApp(const GlobalOptions& options, app::ProgramLayout& layout,
                                TWebAccess::ProxySource proxy = ReadSystemProxySettings);
// The data folder of the options and settings (OS path, ending in '/').
std::string DataFolder(const app::TApplication& a, const app::ProgramLayout& layout);
// The application as OpenApp makes it (read-only when asked, another
// program's lock told on stderr, unattended, stopped by a signal once
// StopOnSignals is called), before its folders are set up.
std::unique_ptr<CliApp> LoadHeadlessApp(const GlobalOptions& options, app::ProgramLayout& layout,
                                        TWebAccess::ProxySource proxy = ReadSystemProxySettings,
                                        Access access = Access::kReadWrite);
// The application with its folders set up.
std::unique_ptr<CliApp> OpenApp(const GlobalOptions& options,
                                TWebAccess::ProxySource proxy = ReadSystemProxySettings,
                                Access access = Access::kReadWrite);
std::unique_ptr<CliApp> OpenApp(const GlobalOptions& options, Access access);
// For the commands that run scripts: from now on Ctrl-C, SIGTERM or SIGHUP
// stops the running script (the command then saves and reports as after
// Stop) instead of ending the process; a second one ends it at once. The
// other commands keep the default: their writes never leave a file
// half-written.
void StopOnSignals();
// True once one of those signals came.
bool Interrupted();
// The exit status of a command a signal stopped (128 + the signal's number),
// 0 when none came.
int InterruptedStatus();
// The number of writes that failed in this process; main turns a command's
// 0 into 1 when there was any.
int UnsavedWrites();
// A folder argument: an absolute path as given, else a path below the log
// root, never the current directory (system path, ending in '/').
std::string FolderArgument(const app::TApplication& app, const std::string& arg);
// Prints a usage line to stderr and returns 2.
int UsageError(const char* usage);

}  // namespace bq::cli
