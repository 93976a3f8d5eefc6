// brindlequay-cli opml export [FOLDER] > subs.opml
//                 opml import FILE [FOLDER]
// The folder tree (below FOLDER, default the log root) as OPML, out and in.
#include <cstdio>

#include "app/cli/cli_app.h"
#include "app/cli/terminal.h"
#include "app/core/feeds/opml_tree.h"
#include "platform/fs.h"
#include "textlib/limits.h"

namespace bq::cli {

namespace {
constexpr char kOpmlUsage[] = "opml export [FOLDER] | opml import FILE [FOLDER]";
}

int OpmlCommand(const Args& args, const GlobalOptions& options) {
  const bool exporting = !args.empty() && args[0] == "export" && args.size() <= 2;
  const bool importing = !args.empty() && args[0] == "import" && args.size() >= 2 && args.size() <= 3;
  if (!exporting && !importing) return UsageError(kOpmlUsage);
  auto cli = OpenApp(options);
  app::TApplication& a = cli->app;
  if (exporting) {
    const std::string folder = args.size() == 2 ? FolderArgument(a, args[1]) : a.LogRoot();
    if (!fs::DirectoryExists(folder)) {
      std::fprintf(stderr, "no such folder: %s\n", TerminalText(folder).c_str());
      return 1;
    }
    const std::string text = app::ExportOpml(a, folder);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
  }
  std::string bytes;
  if (!fs::ReadFile(fs::FromOsPath(args[1]), bytes, limits::kMaxOpmlFile)) {
    std::fprintf(stderr, "cannot read %s\n", args[1].c_str());
    return 1;
  }
  const std::string folder = args.size() == 3 ? FolderArgument(a, args[2]) : a.LogRoot();
  const app::OpmlImportResult r = app::ImportOpml(a, bytes, folder);
  for (const std::string& path : r.created) std::printf("%s\n", TerminalText(app::RelativeFolder(a.LogRoot(), path)).c_str());
  std::printf("%d feed folders, %d script folders, %d folders created; %d already there\n", r.feeds, r.scripts,
              r.folders, r.existing);
  if (!r.error.empty()) {
    std::fprintf(stderr, "%s: %s\n", args[1].c_str(), TerminalText(r.error).c_str());
    return 1;
  }
  return 0;
}

}  // namespace bq::cli
