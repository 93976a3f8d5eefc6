// Folders with the option RenderJS: their pages are the documents headless
// Chromium builds, over pages served here on 127.0.0.1. Every render is
// bounded by a budget of a few seconds; without an installed chromium these
// tests are skipped (the one for a missing chromium runs in the CLI tests).
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/core/application.h"
#include "app/core/kernel.h"
#include "app/core/local_server.h"
#include "app/core/rounds/render_option.h"
#include "platform/fs.h"
#include "textlib/cp932.h"
#include "web/pagerender.h"
#include "web/webtexts.h"

namespace bq::test {
namespace {

// The list exists only once the script has fetched the JSON and built it.
const char* kListPage =
    "<html><head><meta charset=\"Shift_JIS\"><title>list</title></head><body><ul id=\"list\"></ul><script>"
    "fetch('/items.json').then(r => r.json()).then(items => { const ul = document.getElementById('list');"
    " for (const it of items) { const li = document.createElement('li'); li.textContent = it.title;"
    " ul.appendChild(li); } });</script></body></html>";
const char* kItems = R"([{"title":"一つ目の記事"},{"title":"二つ目の記事"},{"title":"三つ目"}])";
// A script the page waits for that never comes.
const char* kHangingPage = "<html><body><script src=\"/hang.js\"></script><p>never</p></body></html>";

const char* kClipScript =
    "SCRIPT rendered;\r\n"
    "BEGIN\r\n"
    "  GET(%URL%); page := _; n := 0;\r\n"
    "  FOREACH row IN @WRAPSTR['<li>', '</li>', page] DO BEGIN\r\n"
    "    n := n + 1; PACK(0: n, 2: 1000 + n, 3: row); PUTLOG(0)\r\n"
    "  END\r\n"
    "END.\r\n";

class RenderTest : public ::testing::Test {
 protected:
  TScrapList& Log() { return ::bq::app::TKernel::Log(app); }
  TWebAccess& Web() { return ::bq::app::TKernel::Web(app); }
  void SetUp() override {
    if (FindOnPath("chromium").empty()) GTEST_SKIP() << "chromium is not installed (apt install chromium)";
    char tmpl[] = "/tmp/bqrender.XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = std::string(tmpl) + "/";
    fs::ForceDirectories(dir + "libs/");
    // Chromium's temporary profiles go here, to be seen gone afterwards.
    fs::ForceDirectories(dir + "tmp/");
    const char* old = std::getenv("TMPDIR");
    savedTmp = old ? old : "";
    ::setenv("TMPDIR", (dir + "tmp").c_str(), 1);
    fs::WriteFileAtomic(dir + "libs/template.pss", kClipScript);
    app.SetProgramFolder(dir, dir + "libs/");
    app.SetupFolders(dir + "data/");
    folder = app.LogRoot() + "js/";
    fs::ForceDirectories(folder);
  }
  void TearDown() override {
    release = true;
    if (dir.empty()) return;
    for (const auto& e : fs::ListDir(dir + "tmp/")) ADD_FAILURE() << "left behind: " << e.name;
    if (savedTmp.empty()) {
      ::unsetenv("TMPDIR");
    } else {
      ::setenv("TMPDIR", savedTmp.c_str(), 1);
    }
    std::string cmd = "rm -rf '" + dir + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }
  // A round target rendering path, the script above.
  void MakeFolder(const std::string& path) {
    TFolderInfo info;
    info.SiteUrl = server.Url(path);
    info.RoundTarget = true;
    app::SetRendersPages(info, true);
    fs::WriteFileAtomic(folder + "kvlnode.web", FormatNodeFile(info));
  }
  std::vector<std::string> Titles() {
    std::vector<std::string> out;
    for (int i = 0; i < Log().Count(); ++i) out.push_back(SjisToUtf8(Log().GetItem(i).TITLE));
    std::sort(out.begin(), out.end());
    return out;
  }
  static std::int64_t MsSince(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t).count();
  }

  std::string dir, folder, savedTmp;
  std::atomic<bool> release{false};
  RecordingUi ui;
  CallbackPump pump;
  app::TApplication app{ui, pump, [] { return SystemProxySettings(); }};
  app::TLocalServer server{[this](const app::LocalRequest& r) {
    if (r.target == "/list.html") return app::LocalResponse{200, "text/html", kListPage};
    if (r.target == "/items.json") return app::LocalResponse{200, "application/json", kItems};
    if (r.target == "/hang.html") return app::LocalResponse{200, "text/html", kHangingPage};
    if (r.target == "/hang.js") {
      for (int i = 0; i < 600 && !release; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
      return app::LocalResponse{200, "text/javascript", ""};
    }
    return app::LocalResponse{404, "text/html", "not here"};
  }};
};

TEST_F(RenderTest, AListBuiltByFetchIsClippedAndReplaysFromTheCacheWithoutChromium) {
  MakeFolder("/list.html");
  ASSERT_TRUE(Log().OpenFolder(folder));
  app.LoadAndCompile();
  app.ExecAction();
  EXPECT_EQ(Web().RenderFault(), "");
  EXPECT_EQ(Web().ReplyNo(), 200);
  EXPECT_EQ(Web().Renderer.Started(), 1);
  EXPECT_EQ(Titles(), (std::vector<std::string>{"<li>一つ目の記事</li>", "<li>三つ目</li>", "<li>二つ目の記事</li>"}));
  EXPECT_FALSE(Web().RenderPages);  // for the run of the folder only

  // "キャッシュから実行": the rendered page again, no Chromium, no request.
  const int requests = server.Requests();
  Web().CacheOnly = true;
  Web().Renderer.Program = dir + "no-chromium-here";
  Log().Clear();
  app.ExecAction();
  Web().CacheOnly = false;
  EXPECT_EQ(Web().ReplyNo(), 999);
  EXPECT_EQ(Web().Renderer.Started(), 1);
  EXPECT_EQ(server.Requests(), requests);
  EXPECT_EQ(Titles().size(), 3u);
}

TEST_F(RenderTest, APageThatNeverFinishesEndsAtTheBudgetAndTheRoundReportsIt) {
  MakeFolder("/hang.html");
  app.Settings.renderBudget = 3;
  std::vector<std::string> errors;
  app::RoundEvents ev;
  ev.quietErrors = true;
  ev.folderDone = [&](const std::string& f, int, const std::string& error) {
    if (f == folder) errors.push_back(error);
  };
  auto t0 = std::chrono::steady_clock::now();
  app.RoundAction(folder, ev);
  EXPECT_GE(MsSince(t0), 3000);
  EXPECT_LT(MsSince(t0), 20000);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(SjisToUtf8(errors[0]), "JavaScript の実行が 3 秒以内に終わりませんでした: " + server.Url("/hang.html"));
  EXPECT_EQ(app.Status.panels[0], errors[0]);
  EXPECT_EQ(Web().ReplyNo(), 406);
  EXPECT_EQ(Log().Count(), 0);
}

TEST_F(RenderTest, StopDuringARenderEndsItAtOnceAndLeavesNoChromiumBehind) {
  MakeFolder("/hang.html");
  app.Settings.renderBudget = 60;
  pid_t group = 0;
  std::chrono::steady_clock::time_point started;
  Web().Renderer.OnWait = [&](pid_t pgid) {
    if (group == 0) started = std::chrono::steady_clock::now();
    group = pgid;
  };
  bool stopped = false;
  pump.Add([&] {
    // Once Chromium has had time to ask for the hanging script.
    if (group != 0 && !stopped && MsSince(started) > 1500) {
      stopped = true;
      app.Stop();
    }
  });
  ASSERT_TRUE(Log().OpenFolder(folder));
  app.LoadAndCompile();
  try {
    app.ExecAction();
  } catch (const Exception&) {
    // A stopped fetch may end the run with its error.
  }
  ASSERT_TRUE(stopped);
  EXPECT_LT(MsSince(started), 1500 + 5000);
  EXPECT_TRUE(Web().Stopped());
  EXPECT_EQ(Web().RenderFault(), "");  // the user's own stop is no fault
  EXPECT_EQ(::kill(-group, 0), -1);      // the whole process group is gone
  EXPECT_EQ(errno, ESRCH);
}

}  // namespace
}  // namespace bq::test
