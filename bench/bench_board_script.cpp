// The sample script libs/board.pss over one page of 3,000 posts: the fetch
// of a folder (GET, clip, STRIP, PACK, PUTLOG for every post) into an empty
// log. The counters tell what it stored: 3,000 articles, and how many of
// them have a wrong link or reply number (0 when the script is right).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <memory>
#include <string>

#include "app/core/application.h"
#include "app/core/kernel.h"
#include "app/core/local_server.h"
#include "bench/board_page.h"
#include "platform/fs.h"

namespace bq {
namespace {

constexpr int kPosts = 3000;

SystemProxySettings NoProxy() { return {}; }

// Articles whose link is not the page address and "#" with the post's
// number, or whose reply number is wrong: 0 when the script does its job.
int WrongArticles(app::TApplication& a, const std::string& url) {
  int wrong = 0;
  TScrapList& log = app::TKernel::Log(a);
  for (int i = 0; i < log.Count(); ++i) {
    const TDataInfo d = log.GetItem(i);
    if (d.LINK != url + "#" + std::to_string(d.TOPIC) || d.REFER != bench::BoardReplyTo(d.TOPIC)) ++wrong;
  }
  return wrong;
}

void BM_BoardScript3000Posts(benchmark::State& state) {
  std::string page = bench::BoardPostsPage(kPosts);
  app::TLocalServer server([&page](const app::LocalRequest&) { return app::LocalResponse{200, "text/html", page}; });
  char tmpl[] = "/tmp/bqboard.XXXXXX";
  if (!mkdtemp(tmpl)) {
    state.SkipWithError("mkdtemp failed");
    return;
  }
  std::string dir = std::string(tmpl) + "/";
  std::string libs = std::string(BQ_SOURCE_DIR) + "/libs/";
  int run = 0;
  double articles = 0, wrong = 0;
  for (auto _ : state) {
    state.PauseTiming();
    RecordingUi ui;
    CallbackPump pump;
    auto a = std::make_unique<app::TApplication>(ui, pump, NoProxy);
    a->SetProgramFolder(dir, libs);
    a->SetupFolders(dir + "data" + std::to_string(run++) + "/");
    std::string folder = a->LogRoot() + "board/";
    fs::ForceDirectories(folder);
    app::TKernel::Log(*a).OpenFolder(folder);
    app::TKernel::Log(*a).Folder.SiteUrl = server.Url("/bbs/index.html");
    app::TKernel::Log(*a).Folder.ScriptName = "board.pss";
    a->LoadAndCompile();
    state.ResumeTiming();
    a->ExecAction();
    state.PauseTiming();
    articles = app::TKernel::Log(*a).Count();
    wrong = WrongArticles(*a, app::TKernel::Log(*a).Folder.SiteUrl);
    a.reset();
    state.ResumeTiming();
  }
  state.counters["articles"] = articles;
  state.counters["wrong_articles"] = wrong;
  std::system(("rm -rf '" + dir + "'").c_str());
}
// At least a second of runs (a single run when one takes longer).
BENCHMARK(BM_BoardScript3000Posts)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();

}  // namespace
}  // namespace bq
