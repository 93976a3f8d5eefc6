// A scheduled round over 100 site folders, each script fetching 5 pages of
// 50 posts from a loopback server and clipping every post into its log:
// the whole round, with the articles stored per second.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <string>

#include "app/core/application.h"
#include "app/core/kernel.h"
#include "app/core/local_server.h"
#include "platform/fs.h"
#include "textlib/cp932.h"

namespace bq {
namespace {

constexpr int kFolders = 100;
constexpr int kPages = 5;
constexpr int kPosts = 50;

// Page k (1-based) of a board: kPosts posts with numbers, replies, dates.
std::string BoardPage(int page) {
  std::string s = "<html><head><title>bench</title></head><body>\n";
  for (int i = 0; i < kPosts; ++i) {
    int no = (page - 1) * kPosts + i + 1;
    s += "<div class=\"post\"><a name=\"" + std::to_string(no) + "\">[" + std::to_string(no) +
         "]</a> <span class=\"re\">" + std::to_string(no > 3 && no % 3 == 0 ? no - 2 : 0) + "</span> <b>" +
         Utf8ToSjis("記事の題名 ") + std::to_string(no) + "</b> " + Utf8ToSjis("投稿者:") + "<i>" +
         Utf8ToSjis("名無しさん") + "</i> <small>2026/12/0" + std::to_string(1 + no % 9) + " 1" +
         std::to_string(no % 10) + ":3" + std::to_string(no % 10) + "</small>\n<blockquote>" +
         Utf8ToSjis("本文の一行目です。<br>二行目には少し長めの文章が続きます。") + "</blockquote></div>\n";
  }
  return s + "</body></html>\n";
}

const char* kScript =
    "SCRIPT bench;\r\n"
    "POST[]:-\r\n<a name=\"${NO}\">\\*<span class=\"re\">${RE}</span> <b>${TITLE}</b>\\*<i>${AUTHOR}</i> "
    "<small>${DATE}</small>\\*<blockquote>${BODY}</blockquote>\r\n-::\r\n"
    "BEGIN\r\n"
    "  FOR p := 1 TO 5 DO\r\n  BEGIN\r\n    GET(%URL% + '?page=' + p);\r\n"
    "    FOREACH rec IN @CLIP[POST] DO\r\n    BEGIN\r\n      STRIP(BODY);\r\n"
    "      PACK(0: NO, 1: RE, 2: DATEFORMAT(DATE, 'YMDhn'), 3: TITLE, 4: AUTHOR, 7: BODY);\r\n"
    "      PUTLOG(0)\r\n    END\r\n  END\r\nEND.\r\n";

SystemProxySettings NoProxy() { return {}; }

void BM_RoundOver100Folders(benchmark::State& state) {
  std::string pages[kPages + 1];
  for (int k = 1; k <= kPages; ++k) pages[k] = BoardPage(k);
  app::TLocalServer server([&pages](const app::LocalRequest& r) {
    std::size_t q = r.target.find("?page=");
    int k = q == std::string::npos ? 1 : std::atoi(r.target.c_str() + q + 6);
    if (k < 1 || k > kPages) return app::LocalResponse{404, "text/html", ""};
    return app::LocalResponse{200, "text/html", pages[k]};
  });
  char tmpl[] = "/tmp/bqbench.XXXXXX";
  if (!mkdtemp(tmpl)) {
    state.SkipWithError("mkdtemp failed");
    return;
  }
  std::string dir = std::string(tmpl) + "/";
  fs::ForceDirectories(dir + "libs/");
  fs::WriteFileAtomic(dir + "libs/template.pss", kScript);
  std::int64_t articles = 0;
  int run = 0;
  for (auto _ : state) {
    state.PauseTiming();
    RecordingUi ui;
    CallbackPump pump;
    auto app = std::make_unique<app::TApplication>(ui, pump, NoProxy);
    app->SetProgramFolder(dir, dir + "libs/");
    app->SetupFolders(dir + "data" + std::to_string(run++) + "/");
    for (int f = 0; f < kFolders; ++f) {
      std::string path = app->LogRoot() + "site" + std::to_string(f) + "/";
      fs::ForceDirectories(path);
      TFolderInfo info;
      info.SiteUrl = server.Url("/board" + std::to_string(f) + "/index.html");
      info.RoundTarget = true;
      fs::WriteFileAtomic(path + "kvlnode.web", FormatNodeFile(info));
    }
    state.ResumeTiming();
    app->TimerAction();
    state.PauseTiming();
    for (int f = 0; f < kFolders; ++f) {
      app::TKernel::Log(*app).OpenFolder(app->LogRoot() + "site" + std::to_string(f) + "/");
      articles += app::TKernel::Log(*app).Count();
    }
    if (ui.calls.size()) state.SkipWithError("a folder reported an error");
    app.reset();
    state.ResumeTiming();
  }
  state.counters["articles"] = benchmark::Counter(static_cast<double>(articles) / static_cast<double>(state.iterations()));
  state.counters["articles_per_s"] = benchmark::Counter(static_cast<double>(articles), benchmark::Counter::kIsRate);
  std::system(("rm -rf '" + dir + "'").c_str());
}
BENCHMARK(BM_RoundOver100Folders)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
}  // namespace bq
