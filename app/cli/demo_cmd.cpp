// brindlequay-cli demo: serves the bundled demo boards (Shift_JIS, EUC-JP and
// UTF-8 pages, two pages each) on 127.0.0.1, lays out a fresh data folder
// with three site folders using the example scripts of libs/, runs a round
// over them and prints the round line and every folder's articles in thread
// order.
#include <stdlib.h>

#include <cstdio>

#include "app/cli/cli_app.h"
#include "app/cli/terminal.h"
#include "app/core/local_server.h"
#include "platform/events.h"
#include "platform/fs.h"
#include "textlib/cp932.h"
#include "textlib/dates.h"

namespace bq::cli {

namespace {

constexpr char kDemoUsage[] = "demo [--serve]";

struct DemoSite {
  const char* folder;  // UTF-8
  const char* board;   // folder below libs/demo/
  const char* script;
};
constexpr DemoSite kSites[] = {
    {"駅前掲示板", "sjis", "board.pss"},
    {"町内会の伝言板", "euc", "table_board.pss"},
    {"読書会", "utf8", "board.pss"},
};

void PrintArticles(TScrapList& log) {
  for (int i = 0; i < log.Count(); ++i) {
    const ArticleView a = log.View(i);
    std::printf("  %s%3d  %s  [%s]  %s\n", a.Unread ? "*" : " ", a.TOPIC, TerminalText(log.TreeTitle(i)).c_str(),
                TerminalText(a.AUTHOR).c_str(), TerminalText(DisplayDateTime(a.DATE)).c_str());
    std::string body = TerminalText(a.BODY);
    std::size_t pos = 0;
    while (pos < body.size()) {
      std::size_t end = body.find('\n', pos);
      if (end == std::string::npos) end = body.size();
      if (end > pos) std::printf("          %s\n", body.substr(pos, end - pos).c_str());
      pos = end + 1;
    }
  }
}

}  // namespace

int DemoCommand(const Args& args, const GlobalOptions& options) {
  const bool serve = args.size() == 1 && args[0] == "--serve";
  if (!args.empty() && !serve) return UsageError(kDemoUsage);
  std::string pages = LibsFolder(options) + "demo/";
  if (!fs::DirectoryExists(fs::FromOsPath(pages))) {
    std::fprintf(stderr, "the demo pages are missing: %s\n", pages.c_str());
    return 1;
  }
  GlobalOptions opts = options;
  if (opts.dataDir.empty()) {
    char tmpl[] = "/tmp/brindlequay-demo.XXXXXX";
    if (!::mkdtemp(tmpl)) {
      std::perror("mkdtemp");
      return 1;
    }
    opts.dataDir = tmpl;
  }
  app::TLocalServer server(app::FolderHandler(pages, {{"utf8", "UTF-8"}}));
  std::printf("demo board server: %s\n", server.Url("/").c_str());
  std::printf("demo data folder:  %s\n\n", opts.dataDir.c_str());
  // The demo server is on this machine: a proxy of the environment could
  // not reach it, so loopback is always bypassed.
  auto cli = OpenApp(opts, [] {
    SystemProxySettings s = ReadSystemProxySettings();
    s.bypass += s.bypass.empty() ? "127.0.0.1" : ";127.0.0.1";
    return s;
  });
  StopOnSignals();
  app::TApplication& a = cli->app;
  TScrapList& log = app::TKernel::Log(a);
  for (const DemoSite& s : kSites) {
    std::string path = a.LogRoot() + Utf8ToSjis(s.folder) + "/";
    fs::ForceDirectories(path);
    log.OpenFolder(path);
    log.Folder.SiteUrl = server.Url(std::string("/") + s.board + "/index.html");
    log.Folder.ScriptName = s.script;
    log.Folder.RoundTarget = true;
    log.Folder.TreeView = true;  // replies to replies are threaded too
    log.SaveNode();
    std::printf("site folder %s: %s with %s\n", s.folder, TerminalText(log.Folder.SiteUrl).c_str(), s.script);
  }
  std::printf("\nround over all folders:\n");
  app::RoundEvents ev;
  ev.folderDone = [&a](const std::string& folder, int unread, const std::string& error) {
    std::string name = TerminalText(app::RelativeFolder(a.LogRoot(), folder));
    std::printf("  %s: %s\n", name.empty() ? "(log root)" : name.c_str(),
                error.empty() ? (std::to_string(unread) + " unread").c_str() : TerminalText(error).c_str());
  };
  std::string line = a.TimerAction(ev);
  std::printf("%s\n", TerminalText(line).c_str());
  for (const DemoSite& s : kSites) {
    a.OpenFolderForShowing(a.LogRoot() + Utf8ToSjis(s.folder) + "/");
    std::printf("\n== %s (%d articles)\n", s.folder, log.Count());
    PrintArticles(log);
  }
  log.SaveLog();
  std::printf("\nround log: %sRoundLog.txt\n", TerminalText(a.LogRoot()).c_str());
  if (serve) {
    // The desktop program's rounds fetch from this server while it runs.
    std::printf("serving the demo boards until interrupted\n");
    std::fflush(stdout);
    while (!Interrupted()) SleepMs(100);
  }
  return 0;
}

}  // namespace bq::cli
