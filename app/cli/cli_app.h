#pragma once
// What the commands that work on a data folder share: the application set
// up from the global options (settings read but never written by the CLI,
// the data folder, the libs folder), Ctrl-C turned into Stop, and the
// conversions between terminal text (UTF-8) and the system's Shift_JIS.
#include <memory>
#include <string>
#include <string_view>

#include "app/cli/commands.h"
#include "app/cli/terminal.h"
#include "app/core/application.h"
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

// The application with its folders set up; Ctrl-C during a run stops it.
std::unique_ptr<CliApp> OpenApp(const GlobalOptions& options,
                                TWebAccess::ProxySource proxy = ReadSystemProxySettings,
                                Access access = Access::kReadWrite);
std::unique_ptr<CliApp> OpenApp(const GlobalOptions& options, Access access);
// True once Ctrl-C was pressed (the handler is installed by OpenApp).
bool Interrupted();
// The number of writes that failed in this process; main turns a command's
// 0 into 1 when there was any.
int UnsavedWrites();
// A folder argument: an existing path as given, else a path below the log
// root (system path, ending in '/').
std::string FolderArgument(const app::TApplication& app, const std::string& arg);
// Prints a usage line to stderr and returns 2.
int UsageError(const char* usage);

}  // namespace bq::cli
