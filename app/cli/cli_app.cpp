// Shared set-up of the data-folder commands.
#include "app/cli/cli_app.h"


#include <cstdio>
#include <memory>

#include "app/core/shell/program_layout.h"
#include "platform/fs.h"
#include "platform/stop_signals.h"
#include "textlib/cp932.h"

namespace bq::cli {

bool Interrupted() { return StopSignal() != 0; }

int InterruptedStatus() { return Interrupted() ? SignalExitStatus(StopSignal()) : 0; }

namespace {

int gUnsaved = 0;
// Another program holding a folder's lock is told after 5 s, then every 10 s.
constexpr std::uint32_t kLockNoticeEveryMs = 10000;

}  // namespace

int UnsavedWrites() { return gUnsaved; }

CliApp::~CliApp() {
  for (const std::string& failure : app.FailedWrites()) {
    std::fprintf(stderr, "not saved: %s\n", TerminalText(failure).c_str());
    ++gUnsaved;
  }
}

std::unique_ptr<CliApp> LoadApp(const GlobalOptions& options, app::ProgramLayout& layout,
                                TWebAccess::ProxySource proxy) {
  auto cli = std::make_unique<CliApp>(std::move(proxy));
  app::TApplication& a = cli->app;
  layout = app::PickLayout(options.exeDir, options.settingsFile, options.dataDir, options.libsDir);
  std::string settings = layout.settingsFile;
  if (fs::FileExists(fs::FromOsPath(settings))) {
    // Only read here: a damaged file is the desktop's to keep aside.
    a.Settings.Load(fs::FromOsPath(settings), false);
    if (!a.Settings.Problem.empty()) std::fprintf(stderr, "%s\n", TerminalText(a.Settings.Problem).c_str());
  }
  // The CLI reads the shared settings but leaves writing them to the desktop.
  a.Settings.fileName.clear();
  a.SetProgramFolder(fs::FromOsPath(options.exeDir), fs::FromOsPath(layout.libsFolder));
  return cli;
}

std::string DataFolder(const app::TApplication& a, const app::ProgramLayout& layout) {
  return app::ChooseDataFolder(layout, fs::ToOsPath(a.Settings.logDir));
}

std::unique_ptr<CliApp> OpenApp(const GlobalOptions& options, Access access) {
  return OpenApp(options, ReadSystemProxySettings, access);
}

std::unique_ptr<CliApp> LoadHeadlessApp(const GlobalOptions& options, app::ProgramLayout& layout,
                                        TWebAccess::ProxySource proxy, Access access) {
  auto cli = LoadApp(options, layout, std::move(proxy));
  app::TApplication& a = cli->app;
  app::TKernel::Log(a).SetReadOnly(access == Access::kReadOnly);
  auto nextNotice = std::make_shared<std::uint32_t>(0);
  app::TKernel::Log(a).OnLockWait = [nextNotice](const std::string& folder, std::uint32_t waitedMs) {
    if (waitedMs < *nextNotice) return;
    *nextNotice = waitedMs + kLockNoticeEveryMs;
    std::fprintf(stderr, "waiting for %s: another program is writing it (%u s)\n", TerminalText(folder).c_str(),
                 waitedMs / 1000);
  };
  // Nobody watches a headless run: a silent server ends it after the safety limit.
  a.Unattended = true;
  app::TApplication* ap = &a;
  cli->pump.Add([ap] {
    if (Interrupted() && (app::TKernel::Machine(*ap).State != script::RunState::Stopped || !app::TKernel::Web(*ap).Stopped())) ap->Stop();
  });
  return cli;
}

std::unique_ptr<CliApp> OpenApp(const GlobalOptions& options, TWebAccess::ProxySource proxy, Access access) {
  app::ProgramLayout layout;
  auto cli = LoadHeadlessApp(options, layout, std::move(proxy), access);
  cli->app.SetupFolders(fs::FromOsPath(DataFolder(cli->app, layout)));
  return cli;
}

void StopOnSignals() { CatchStopSignals(); }

std::string FolderArgument(const app::TApplication& app, const std::string& arg) {
  std::string sys = fs::FromOsPath(arg);
  if (!sys.empty() && sys[0] == '/') return fs::IncludeTrailingSeparator(sys);
  return fs::IncludeTrailingSeparator(app.LogRoot() + sys);
}

int UsageError(const char* usage) {
  std::fprintf(stderr, "usage: brindlequay-cli %s\n", usage);
  return 2;
}

}  // namespace bq::cli
