// brindlequay-cli export FOLDER FILE [--target 0-4] [--delete]: calls the
// EXPORT procedure of the folder's script, which writes the file.
#include <cstdio>
#include <cstdlib>

#include "app/cli/cli_app.h"
#include "app/cli/terminal.h"
#include "platform/fs.h"
#include "textlib/error.h"

namespace bq::cli {

namespace {
constexpr char kExportUsage[] = "export FOLDER FILE [--target 0-4] [--delete]";
}

int ExportCommand(const Args& args, const GlobalOptions& options) {
  std::vector<std::string> words;
  int target = 0;
  bool del = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--delete") {
      del = true;
    } else if (args[i] == "--target" && i + 1 < args.size()) {
      const std::string& t = args[++i];
      if (t.size() != 1 || t[0] < '0' || t[0] > '4') return UsageError(kExportUsage);
      target = t[0] - '0';
    } else if (!args[i].empty() && args[i][0] != '-') {
      words.push_back(args[i]);
    } else {
      return UsageError(kExportUsage);
    }
  }
  if (words.size() != 2) return UsageError(kExportUsage);
  auto cli = OpenApp(options);
  StopOnSignals();
  app::TApplication& a = cli->app;
  std::string folder = FolderArgument(a, words[0]);
  if (!fs::DirectoryExists(folder)) {
    std::fprintf(stderr, "no such folder: %s\n", TerminalText(folder).c_str());
    return 1;
  }
  try {
    app::TKernel::Log(a).OpenFolder(folder);
    a.LoadAndCompile();
    if (!a.HasExport()) {
      std::fprintf(stderr, "the script %s has no EXPORT procedure\n", TerminalText(a.ScriptPath()).c_str());
      return 1;
    }
    if (app::TKernel::Log(a).Count() == 0) {
      std::fprintf(stderr, "the folder holds no articles\n");
      return 1;
    }
    a.Export(fs::FromOsPath(words[1]), target, del);
  } catch (const Exception& e) {
    std::fprintf(stderr, "%s\n", TerminalText(e.what()).c_str());
    return Interrupted() ? InterruptedStatus() : 1;
  }
  if (Interrupted()) return InterruptedStatus();
  std::printf("exported to %s\n", words[1].c_str());
  return 0;
}

}  // namespace bq::cli
