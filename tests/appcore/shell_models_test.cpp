// The shell's rules as plain models: the tray image sequence, the round
// report and the news text.
#include <gtest/gtest.h>

#include "app/core/rounds/round_report.h"
#include "app/core/shell/tray_state.h"
#include "textlib/cp932.h"

namespace bq::test {
namespace {

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
