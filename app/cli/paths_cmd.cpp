// brindlequay-cli paths [settings|data|log-root|libs|help]
// The files and folders the options and settings lead to: every one as
// "name: path", or the one named, bare (for scripts and the shell's
// completion, which finds the site folders below the log root with it).
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/cli/cli_app.h"

namespace bq::cli {

namespace {

constexpr char kPathsUsage[] = "paths [settings|data|log-root|libs|help]";

std::string Normal(const std::string& path) {
  std::string n = std::filesystem::path(path).lexically_normal().string();
  return n.empty() ? path : n;
}

}  // namespace

int PathsCommand(const Args& args, const GlobalOptions& options) {
  if (args.size() > 1) return UsageError(kPathsUsage);
  app::ProgramLayout layout;
  auto cli = LoadApp(options, layout);
  std::string data = DataFolder(cli->app, layout);
  const std::vector<std::pair<std::string, std::string>> paths = {
      {"settings", layout.settingsFile},  {"data", data},
      {"log-root", app::LogRootOf(data)}, {"libs", layout.libsFolder},
      {"help", layout.helpPage},
  };
  for (const auto& [name, path] : paths) {
    if (args.empty())
      std::printf("%s: %s\n", name.c_str(), Normal(path).c_str());
    else if (args[0] == name) {
      std::printf("%s\n", Normal(path).c_str());
      return 0;
    }
  }
  return args.empty() ? 0 : UsageError(kPathsUsage);
}

}  // namespace bq::cli
