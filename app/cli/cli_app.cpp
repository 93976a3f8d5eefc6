// Shared set-up of the data-folder commands.
#include "app/cli/cli_app.h"


#include <cstdio>

#include "app/core/shell/program_layout.h"
#include "platform/fs.h"
#include "platform/stop_signals.h"
#include "textlib/cp932.h"

namespace bq::cli {

bool Interrupted() { return StopSignal() != 0; }

int InterruptedStatus() { return Interrupted() ? SignalExitStatus(StopSignal()) : 0; }

std::unique_ptr<CliApp> LoadApp(const GlobalOptions& options, app::ProgramLayout& layout,
                                TWebAccess::ProxySource proxy) {
  auto cli = std::make_unique<CliApp>(std::move(proxy));
  app::TApplication& a = cli->app;
  layout = app::PickLayout(options.exeDir, options.settingsFile, options.dataDir, options.libsDir);
  std::string settings = layout.settingsFile;
  if (fs::FileExists(fs::FromOsPath(settings))) a.Settings.Load(fs::FromOsPath(settings));
  // The CLI reads the shared settings but leaves writing them to the desktop.
  a.Settings.fileName.clear();
  a.SetProgramFolder(fs::FromOsPath(options.exeDir), fs::FromOsPath(layout.libsFolder));
  return cli;
}

std::string DataFolder(const app::TApplication& a, const app::ProgramLayout& layout) {
  return app::ChooseDataFolder(layout, fs::ToOsPath(a.Settings.logDir));
}

std::unique_ptr<CliApp> OpenApp(const GlobalOptions& options, TWebAccess::ProxySource proxy) {
  app::ProgramLayout layout;
  auto cli = LoadApp(options, layout, std::move(proxy));
  app::TApplication& a = cli->app;
  a.SetupFolders(fs::FromOsPath(DataFolder(a, layout)));
  // Nobody watches a headless run: a silent server ends it after the safety limit.
  a.Unattended = true;
  app::TApplication* ap = &a;
  cli->pump.Add([ap] {
    if (Interrupted() && (app::TKernel::Machine(*ap).State != script::RunState::Stopped || !app::TKernel::Web(*ap).Stopped())) ap->Stop();
  });
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
