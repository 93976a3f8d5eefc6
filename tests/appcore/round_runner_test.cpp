// The desktop's rounds without a display: each in the busy state with the
// tray animating, nothing started while something runs or a dialog is
// open, errors into the report, and the scheduled round's tray mark.
#include "app/core/rounds/round_runner.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/fs.h"
#include "tests/support/app_fixture.h"
#include "tests/web/local_servers.h"
#include "textlib/cp932.h"
#include "textlib/dates.h"

namespace bq::test {
namespace {

using Kind = app::TRoundRunner::Kind;

// The runner with the shell's view recorded: every tray image, the busy
// state while animating, the messages and the rounds' ends.
class RoundRunnerTest : public AppFixture, public app::TRoundRunner::View {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    Script("template.pss", "SCRIPT t;\r\nBEGIN PACK(0: 1, 3: 'x', 2: 5); PUTLOG(0) END.\r\n");
    Script("fails.pss", "SCRIPT f;\r\nBEGIN x := DECODEURL('%') END.\r\n");
    TFolderInfo news;
    news.SiteUrl = "http://news.example/";
    news.RoundTarget = true;
    Site("news", news);
    TFolderInfo broken = news;
    broken.ScriptName = "fails.pss";
    Site("broken", broken);
  }
  void TrayChanged() override {
    images.push_back(app::TrayImageName(runner.Tray().Image()));
    busyWhileAnimating |= runner.Tray().Animating() && app.Busy().Busy() && app.Busy().Stoppable();
  }
  void Notify(const app::NewsText& news, bool error) override { (error ? errors : news_).push_back(news.text); }
  void RoundStarted(Kind kind) override { started.push_back(kind); }
  void RoundFinished(Kind kind, const std::string& line, const std::string& reselect) override {
    finished.push_back(kind);
    lines.push_back(line);
    reselects.push_back(reselect);
  }
  std::string RoundLog() { return FileText(app.RoundLogPath()); }

  std::vector<std::string> images, errors, news_, lines, reselects;
  std::vector<Kind> started, finished;
  bool busyWhileAnimating = false;
  app::TRoundRunner runner{app, this};
};

TEST_F(RoundRunnerTest, ARoundRunsBusyAndAnimatedAndItsErrorsGoIntoTheReport) {
  runner.RoundBelow(app.LogRoot());
  EXPECT_TRUE(busyWhileAnimating);
  EXPECT_FALSE(app.Busy().Busy());
  ASSERT_GE(images.size(), 2u);
  EXPECT_EQ(images.front(), "ICON0");
  EXPECT_EQ(images.back(), "NORMAL");
  EXPECT_EQ(started, (std::vector<Kind>{Kind::Round}));
  EXPECT_EQ(finished, (std::vector<Kind>{Kind::Round}));
  EXPECT_NE(lines[0].find("Folder Round: "), std::string::npos);
  ASSERT_EQ(runner.Report().Entries().size(), 1u);
  EXPECT_EQ(runner.Report().Entries()[0].folder, app.LogRoot() + "broken/");
  EXPECT_EQ(MessageBoxes(), 0);
  EXPECT_EQ(errors.size(), 1u);
  EXPECT_EQ(runner.MessageFolder(), app.LogRoot() + "news/");  // the news names the folder of the new article
}

TEST_F(RoundRunnerTest, NothingStartsWhileSomethingRunsOrADialogIsOpen) {
  {
    app::TBusyState::Scope options = app.Busy().OpenDialog();
    EXPECT_FALSE(runner.ScheduleActive());
    runner.Fetch();
    runner.RoundBelow(app.LogRoot());
    runner.ScheduledRound("");
  }
  {
    app::TBusyState::Scope run = app.Busy().Enter(app::Activity::Workbench, true);
    runner.ScheduledRound("");
    app.SetSchedule(true, app::kAllHours, DecodeDate(NowDate()).minute);
    EXPECT_FALSE(runner.ScheduleTick(NowDate(), ""));
  }
  EXPECT_TRUE(started.empty());
  EXPECT_EQ(RoundLog(), "");
  EXPECT_TRUE(runner.ScheduleActive());
}

// A workbench run animates the tray from its start to its end; a step, an
// export or the cache cleaning does not.
TEST_F(RoundRunnerTest, TheTrayAnimatesDuringAWorkbenchRunOnly) {
  using app::Activity;
  for (auto [activity, animates] : {std::pair{Activity::WorkbenchRun, true}, std::pair{Activity::Workbench, false},
                                    std::pair{Activity::Export, false}, std::pair{Activity::CacheCleaning, false}}) {
    images.clear();
    {
      app::TBusyState::Scope run = app.Busy().Enter(activity, true);
      runner.FollowBusy();
      EXPECT_EQ(runner.Tray().Animating(), animates) << static_cast<int>(activity);
      runner.NextTrayFrame();
    }
    runner.FollowBusy();
    EXPECT_FALSE(runner.Tray().Animating());
    EXPECT_EQ(runner.Tray().Image(), app::TrayImage::Normal);
    EXPECT_EQ(images, animates ? (std::vector<std::string>{"ICON0", "ICON1", "NORMAL"}) : std::vector<std::string>{});
  }
}

TEST_F(RoundRunnerTest, AScheduledRoundWhileTheWindowIsHiddenLeavesTheTrayActiveUntilItIsShown) {
  const std::uint32_t at = EncodeDate(2026, 12, 8, 13, 45, 0);
  app.SetSchedule(true, 1u << 13, 45);
  ASSERT_TRUE(runner.ScheduleTick(at, app.LogRoot() + "broken/"));
  EXPECT_EQ(finished, (std::vector<Kind>{Kind::Scheduled}));
  EXPECT_EQ(reselects[0], app.LogRoot() + "broken/");
  EXPECT_EQ(runner.Tray().Image(), app::TrayImage::Active);
  EXPECT_EQ(runner.ScheduleInterval(), app::kAfterRoundMs);
  EXPECT_FALSE(runner.ScheduleTick(at + 5, ""));  // the same minute
  runner.WindowShown();
  EXPECT_EQ(runner.Tray().Image(), app::TrayImage::Normal);
  // Shown, the window needs no mark: the next round leaves the tray normal.
  ASSERT_TRUE(runner.ScheduleTick(at + 86400, ""));
  EXPECT_EQ(runner.Tray().Image(), app::TrayImage::Normal);
}

TEST_F(RoundRunnerTest, AFetchByHandShowsItsErrorInAMessageBox) {
  Log().OpenFolder(app.LogRoot() + "broken/");
  app.LoadAndCompile();
  runner.Fetch();
  EXPECT_EQ(MessageBoxes(), 1);
  EXPECT_TRUE(runner.Report().Entries().empty());
  EXPECT_EQ(finished, (std::vector<Kind>{Kind::Fetch}));
  EXPECT_EQ(lines[0], "");
}

TEST_F(RoundRunnerTest, AFetchByHandKeepsWhatItStoredOnDiskForTheOtherProgram) {
  const std::string news = app.LogRoot() + "news/";
  Log().OpenFolder(news);
  app.LoadAndCompile();
  runner.Fetch();
  ASSERT_EQ(Log().Count(), 1);
  EXPECT_FALSE(Log().Modified());
  TScrapList other(ui);
  other.SetReadOnly(true);
  ASSERT_TRUE(other.OpenFolder(news));
  EXPECT_EQ(other.Count(), 1);
}

TEST_F(RoundRunnerTest, EveryFailedPageOfAFetchOrRoundIsAReportLineCountedApart) {
  Script("get.pss", "SCRIPT g;\r\nBEGIN GET(%URL%); GET(%URL% + 'again') END.\r\n");
  TFolderInfo dead;
  dead.SiteUrl = "http://127.0.0.1:" + std::to_string(FreePort()) + "/";
  dead.ScriptName = "get.pss";
  dead.RoundTarget = true;
  const std::string folder = Site("dead", dead);
  runner.RoundBelow(folder);
  ASSERT_EQ(runner.Report().Entries().size(), 2u);
  EXPECT_EQ(runner.Report().RoundFailures(), 2);
  EXPECT_EQ(runner.Report().RoundErrors(), 0);
  EXPECT_EQ(runner.Report().Entries()[0].folder, folder);
  EXPECT_EQ(runner.Report().Entries()[1].message.rfind("GET " + dead.SiteUrl + "again: ", 0), 0u)
      << runner.Report().Entries()[1].message;
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(SjisToUtf8(errors[0]), "取得に失敗: 2 件");
  EXPECT_EQ(SjisToUtf8(app::FailureCountText(runner.Report().RoundFailures())), "取得失敗: 2 件");
  // A fetch by hand: its failures go in too, counted from zero; no message box.
  Log().OpenFolder(folder);
  app.LoadAndCompile();
  runner.Fetch();
  EXPECT_EQ(runner.Report().Entries().size(), 4u);
  EXPECT_EQ(runner.Report().RoundFailures(), 2);
  EXPECT_EQ(MessageBoxes(), 0);
  // A workbench run is not a fetch: its pages stay out of the report.
  app.RunScript();
  EXPECT_EQ(runner.Report().Entries().size(), 4u);
}

TEST(RoundReportTexts, FailuresAndErrorsAreWordedForTheTrayTheStatusBarAndTheReport) {
  struct Case {
    int errors, failures;
    const char* tray;
    const char* status;
  } cases[] = {
      {0, 0, "", ""},
      {1, 0, "巡回中に 1 件のエラーがありました", ""},
      {0, 2, "取得に失敗: 2 件", "取得失敗: 2 件"},
      {3, 1, "巡回中に 3 件のエラーがありました\r\n取得に失敗: 1 件", "取得失敗: 1 件"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SjisToUtf8(app::RoundErrorNews(c.errors, c.failures).text), c.tray);
    EXPECT_EQ(SjisToUtf8(app::FailureCountText(c.failures)), c.status);
  }
  EXPECT_EQ(SjisToUtf8(app::EmptyReportText()), "エラーはありません");
}

TEST(RoundReportTexts, APageFailureNamesTheOperationTheAddressAndTheReason) {
  struct Case {
    const char* op;
    int replyNo;
    const char* error;
    const char* text;
  } cases[] = {
      {"GET", 404, "", "GET http://h/x: HTTP 404"},
      {"POST", 406, "", "POST http://h/x: no reply"},
      {"HEAD", 0, "Connection Failed\r\n", "HEAD http://h/x: Connection Failed"},
      {"DOWNLOAD", 200, "not in the cache ", "DOWNLOAD http://h/x: not in the cache"},
  };
  for (const Case& c : cases) {
    TPageReport r;
    r.operation = c.op;
    r.address = "http://h/x";
    r.replyNo = c.replyNo;
    r.error = c.error;
    EXPECT_EQ(app::PageFailureText(r), c.text);
  }
}

}  // namespace
}  // namespace bq::test
