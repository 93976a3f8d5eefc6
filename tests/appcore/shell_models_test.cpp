// The shell's rules as plain models: the busy state, the schedule timer and
// switch, the tray image sequence, the round report and the news text.
#include <gtest/gtest.h>

#include "app/core/shell/busy_state.h"
#include "app/core/rounds/round_report.h"
#include "app/core/rounds/schedule_timer.h"
#include "app/core/shell/tray_state.h"
#include "logstore/scrap_list.h"
#include "platform/ui.h"
#include "textlib/cp932.h"

namespace bq::test {
namespace {

using app::ActionStates;
using app::BusyActions;
using app::BusyInput;

TEST(BusyState, WhileBusyOnlyStopAndSkipFollowTheStoppableFlag) {
  BusyInput in;
  in.hasExport = true, in.logCount = 3, in.folderIsLogRoot = false, in.hasSearchText = true, in.listRows = 3;
  in.enabled = false;
  in.stoppable = true;
  ActionStates s = BusyActions(in);
  EXPECT_FALSE(s.general || s.exportLog || s.properties || s.deleteFolder || s.renameFolder ||
               s.editCaptions || s.findNext || s.findPrevious);
  EXPECT_TRUE(s.stop && s.skip && s.waitCursor);
  in.stoppable = false;  // an export or cache clean-up cannot be stopped
  s = BusyActions(in);
  EXPECT_FALSE(s.stop || s.skip);
  EXPECT_TRUE(s.waitCursor);
}

TEST(BusyState, LeavingItEnablesByTheOpenFolderTheScriptAndTheSearch) {
  BusyInput in;
  in.hasExport = true, in.logCount = 3, in.folderIsLogRoot = false, in.hasSearchText = true, in.listRows = 3;
  ActionStates s = BusyActions(in);
  EXPECT_TRUE(s.general && s.exportLog && s.properties && s.deleteFolder && s.renameFolder &&
              s.editCaptions && s.findNext && s.findPrevious);
  EXPECT_FALSE(s.stop || s.skip || s.waitCursor || s.refreshList);

  in.folderIsLogRoot = true;
  s = BusyActions(in);
  EXPECT_FALSE(s.properties || s.deleteFolder || s.renameFolder || s.editCaptions);
  EXPECT_TRUE(s.exportLog);

  in.hasSearchText = false;
  in.listRows = 1;  // the script stored two articles the list has not shown
  s = BusyActions(in);
  EXPECT_FALSE(s.findNext || s.findPrevious);
  EXPECT_TRUE(s.refreshList);
}

TEST(BusyState, ExportNeedsAnExportProcedureAndAnArticle) {
  EXPECT_FALSE(app::ExportEnabled(false, 10));
  EXPECT_FALSE(app::ExportEnabled(true, 0));
  EXPECT_TRUE(app::ExportEnabled(true, 1));
  BusyInput in;
  in.hasExport = true;
  in.logCount = 0;
  EXPECT_FALSE(BusyActions(in).exportLog);
}

class ScheduleTimerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    log.ScheduleEnabled = true;
    log.ScheduleHours = 1u << 13;
    log.ScheduleMinute = 45;
    timer.SetEnabled(true);
  }
  app::ScheduleTime At(int hour, int minute) { return {2026, 12, 8, hour, minute}; }
  RecordingUi ui;
  TScrapList log{ui};
  app::TScheduleTimer timer;
};

TEST_F(ScheduleTimerTest, AtHourThirteenMinuteFortyFiveARoundRunsOnceNotAgainAtTheNextTick) {
  EXPECT_FALSE(timer.Tick(log, At(13, 44), false));
  EXPECT_EQ(timer.Interval(), app::kScheduleTickMs);
  ASSERT_TRUE(timer.Tick(log, At(13, 45), false));
  timer.RoundDone();
  EXPECT_EQ(timer.Interval(), app::kAfterRoundMs);
  // A timer restarted early (a dialog closed at once) ticks in the same minute.
  EXPECT_FALSE(timer.Tick(log, At(13, 45), false));
  EXPECT_EQ(timer.Interval(), app::kScheduleTickMs);
  EXPECT_FALSE(timer.Tick(log, At(13, 46), false));
  EXPECT_FALSE(timer.Tick(log, At(12, 45), false));
  // The next day's 13:45 runs again.
  EXPECT_TRUE(timer.Tick(log, {2026, 12, 9, 13, 45}, false));
}

TEST_F(ScheduleTimerTest, NoRoundWhileTheEditorHoldsUnsavedChanges) {
  EXPECT_FALSE(timer.Tick(log, At(13, 45), true));
  // Saved within the minute: the next tick starts it.
  EXPECT_TRUE(timer.Tick(log, At(13, 45), false));
}

TEST_F(ScheduleTimerTest, RunsOnlyWhileEnabledAndNothingHoldsIt) {
  EXPECT_TRUE(timer.Active());
  timer.Hold();  // a round
  timer.Hold();  // a dialog opened by it
  timer.Release();
  EXPECT_FALSE(timer.Active());
  timer.Release();
  EXPECT_TRUE(timer.Active());
  timer.Release();  // one release too many does not leave a hold behind
  timer.Hold();
  EXPECT_FALSE(timer.Active());
  timer.Release();
  timer.SetEnabled(false);
  EXPECT_FALSE(timer.Active());
}

TEST(ScheduleSwitch, CaptionImageAndToggle) {
  EXPECT_EQ(app::TimerSwitchCaption(true), "ON ");
  EXPECT_EQ(app::TimerSwitchCaption(false), "OFF");
  EXPECT_EQ(app::TimerSwitchImage(true), 29);
  EXPECT_EQ(app::TimerSwitchImage(false), 28);
  RecordingUi ui;
  TScrapList log{ui};
  EXPECT_TRUE(app::ToggleSchedule(log));
  EXPECT_TRUE(log.ScheduleEnabled);
  EXPECT_FALSE(app::ToggleSchedule(log));
}

TEST(HourChecks, EveryOtherHourThenInvertLeavesExactlyTheOddHours) {
  app::HourChecks h = app::InvertHours(app::EveryOtherHour());
  for (int i = 0; i < 24; ++i) EXPECT_EQ((h >> i) & 1u, static_cast<unsigned>(i % 2)) << i;
  EXPECT_EQ(h >> 24, 0u);
  EXPECT_EQ(app::InvertHours(app::CheckAllHours()), app::UncheckAllHours());
  EXPECT_EQ(app::CheckAllHours(), 0xFFFFFFu);
}

TEST(TrayState, ARoundAnimatesThroughTheSevenFramesAndEndsNormal) {
  app::TTrayState tray("Brindlequay");
  EXPECT_EQ(tray.Image(), app::TrayImage::Normal);
  tray.NextFrame();  // no animation: nothing moves
  EXPECT_EQ(tray.Image(), app::TrayImage::Normal);
  tray.StartAnimation();
  tray.SetTip(app::RoundTip("/d/Log/", "/d/Log/news/a/"));
  EXPECT_EQ(SjisToUtf8(tray.Tip()), "news/a/ 巡回中...");
  std::vector<std::string> seen{app::TrayImageName(tray.Image())};
  for (int i = 0; i < 9; ++i) {
    tray.NextFrame();
    seen.push_back(app::TrayImageName(tray.Image()));
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"ICON0", "ICON1", "ICON2", "ICON3", "ICON4", "ICON5", "ICON6",
                                            "ICON7", "ICON0", "ICON1"}));
  tray.StopAnimation();
  EXPECT_EQ(tray.Image(), app::TrayImage::Normal);
  EXPECT_EQ(tray.Tip(), "Brindlequay");
}

TEST(TrayState, AScheduledRoundWithUnreadWhileHiddenTurnsActiveUntilTheWindowIsShown) {
  app::TTrayState tray;
  tray.StartAnimation();
  tray.StopAnimation();
  tray.ScheduledRoundEnded(0, true);
  EXPECT_EQ(tray.Image(), app::TrayImage::Normal);
  tray.ScheduledRoundEnded(4, false);
  EXPECT_EQ(tray.Image(), app::TrayImage::Normal);
  tray.ScheduledRoundEnded(4, true);
  EXPECT_STREQ(app::TrayImageName(tray.Image()), "ACTIVE");
  tray.WindowShown();
  EXPECT_STREQ(app::TrayImageName(tray.Image()), "NORMAL");
}

TEST(RoundReport, CollectsErrorsAndCountsOnlyArticlesThatArrived) {
  app::TRoundReport r;
  r.BeginRound();
  r.AddError("/d/Log/a/", "boom", 100);
  r.AddUnread("/d/Log/a/", 2, 5);
  r.AddUnread("/d/Log/b/", 3, 3);
  r.AddUnread("/d/Log/c/", 4, 1);  // the script marked articles read
  EXPECT_EQ(r.RoundErrors(), 1);
  EXPECT_EQ(r.RoundNewCount(), 3);
  ASSERT_EQ(r.RoundNews().size(), 1u);
  r.BeginRound();  // the next round starts its counts afresh, the entries stay
  EXPECT_EQ(r.RoundErrors(), 0);
  EXPECT_TRUE(r.RoundNews().empty());
  ASSERT_EQ(r.Entries().size(), 1u);
  EXPECT_EQ(r.Entries()[0].message, "boom");
  EXPECT_EQ(r.Entries()[0].time, 100u);
  for (std::size_t i = 0; i < app::kMaxReportEntries + 5; ++i) r.AddError("/d/Log/x/", std::to_string(i), 1);
  EXPECT_EQ(r.Entries().size(), app::kMaxReportEntries);
  EXPECT_EQ(r.Entries().back().message, std::to_string(app::kMaxReportEntries + 4));
}

TEST(RoundReport, NewsNamesTheCountAndAtMostFiveFolders) {
  std::vector<app::NewArticles> news;
  EXPECT_TRUE(app::NewArticlesNews("/d/Log/", news).text.empty());
  news.push_back({"/d/Log/", 1});
  news.push_back({"/d/Log/a/b/", 2});
  app::NewsText t = app::NewArticlesNews("/d/Log/", news);
  EXPECT_EQ(SjisToUtf8(t.title), "新着記事");
  EXPECT_EQ(SjisToUtf8(t.text), "新着記事が 3 件あります\r\nインターネット、a/b");
  for (const char* f : {"c/", "d/", "e/", "f/", "g/"}) news.push_back({std::string("/d/Log/") + f, 1});
  t = app::NewArticlesNews("/d/Log/", news);
  EXPECT_EQ(SjisToUtf8(t.text), "新着記事が 8 件あります\r\nインターネット、a/b、c、d、e 他 2 件");
  EXPECT_EQ(SjisToUtf8(app::RoundErrorNews(2).text), "巡回中に 2 件のエラーがありました");
  EXPECT_TRUE(app::RoundErrorNews(0).text.empty());
}

}  // namespace
}  // namespace bq::test
