// The round schedule's hours, minute and next round time, and a running
// schedule that follows weblog.def when another program sets it.
#include "app/core/rounds/schedule.h"

#include <gtest/gtest.h>

#include "platform/fs.h"
#include "tests/support/app_fixture.h"
#include "textlib/dates.h"

namespace bq::test {
namespace {

TEST(ScheduleHours, ListsAndMasksConvertBothWays) {
  std::uint32_t mask = 0;
  ASSERT_TRUE(app::ParseHours("13", mask));
  EXPECT_EQ(mask, 1u << 13);
  ASSERT_TRUE(app::ParseHours("22, 1,13,1", mask));
  EXPECT_EQ(mask, (1u << 22) | (1u << 13) | 2u);
  EXPECT_EQ(app::HoursText(mask), "1,13,22");
  EXPECT_EQ(app::HoursText(app::kEveryTwoHours), "0,2,4,6,8,10,12,14,16,18,20,22");
  EXPECT_EQ(app::HoursText(0), "");
  mask = 7;
  for (const char* bad : {"", "24", "1,", ",1", "a", "1;2", "-1", "0013", "1 2"}) {
    EXPECT_FALSE(app::ParseHours(bad, mask)) << bad;
    EXPECT_EQ(mask, 7u) << bad;  // left as it was
  }
}

TEST(ScheduleNextRound, IsTheFirstMatchingMinuteAfterNow) {
  const std::uint32_t now = EncodeDate(2026, 12, 8, 13, 20, 0);
  EXPECT_EQ(app::NextRoundTime(1u << 13, 45, now), EncodeDate(2026, 12, 8, 13, 45, 0));
  EXPECT_EQ(app::NextRoundTime(1u << 13, 10, now), EncodeDate(2026, 12, 9, 13, 10, 0));  // passed today
  EXPECT_EQ(app::NextRoundTime(1u << 13, 20, now), EncodeDate(2026, 12, 9, 13, 20, 0));  // not now itself
  EXPECT_EQ(app::NextRoundTime((1u << 2) | (1u << 23), 0, now), EncodeDate(2026, 12, 8, 23, 0, 0));
  EXPECT_EQ(app::NextRoundTime(1u << 2, 0, EncodeDate(2026, 12, 31, 23, 59, 59)), EncodeDate(2027, 1, 1, 2, 0, 0));
  EXPECT_EQ(app::NextRoundTime(0, 45, now), 0u);
  EXPECT_EQ(app::NextRoundTime(1u << 13, 60, now), 0u);
}

TEST(ScheduleNextRound, TheOptionsLineNamesTheNextRoundOrWhyThereIsNone) {
  const std::uint32_t now = EncodeDate(2026, 12, 8, 13, 20, 0);
  struct Case {
    app::HourChecks hours;
    int minute;
    bool enabled, namesZone;
    const char* text;
  } cases[] = {
      {1u << 13, 45, true, false, "次の定時巡回: 2026/12/08 13:45"},
      {1u << 13, 10, true, true, "次の定時巡回: 2026/12/09 13:10 (日本時間)"},
      {1u << 13, 45, false, false, "次の定時巡回: なし (定時巡回しない)"},
      {0, 45, true, false, "次の定時巡回: なし (時間の指定がありません)"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SjisToUtf8(app::NextRoundText(c.hours, c.minute, c.enabled, now, c.namesZone)), c.text);
}

TEST(HourChecks, EveryOtherHourThenInvertLeavesExactlyTheOddHours) {
  const app::HourChecks h = app::InvertHours(app::kEveryTwoHours);
  for (int i = 0; i < 24; ++i) EXPECT_EQ((h >> i) & 1u, static_cast<unsigned>(i % 2)) << i;
  EXPECT_EQ(h >> 24, 0u);
  EXPECT_EQ(app::InvertHours(app::kAllHours), 0u);
  EXPECT_EQ(app::kAllHours, 0xFFFFFFu);
}

class ScheduleFile : public TestFolder {
 protected:
  void SetUp() override {
    TestFolder::SetUp();
    fs::WriteFileAtomic(Libs() + "template.pss", "SCRIPT t;\r\nBEGIN PACK(0: 1, 2: 5, 3: 'x'); PUTLOG(0) END.\r\n");
    for (app::TApplication* a : {&running, &setter}) SetUpApplication(*a);
  }
  TScrapList& Running() { return app::TKernel::Log(running); }

  RecordingUi ui;
  CallbackPump pump;
  app::TApplication running{ui, pump, NoProxy};
  app::TApplication setter{ui, pump, NoProxy};
};

TEST_F(ScheduleFile, ARunningScheduleTakesUpAScheduleSetAfterItStarted) {
  const std::uint32_t at = EncodeDate(2026, 12, 8, 13, 45, 0);
  EXPECT_FALSE(running.ServerScheduleTick(at));  // no schedule yet
  setter.SetSchedule(true, 1u << 13, 45);
  std::string text;
  ASSERT_TRUE(fs::ReadFile(LogRoot() + "weblog.def", text));
  EXPECT_EQ(text.substr(0, 13), "1\r\n8192\r\n45\r\n");
  EXPECT_FALSE(running.ServerScheduleTick(at - 60));
  EXPECT_TRUE(Running().ScheduleEnabled);
  EXPECT_EQ(Running().ScheduleMinute, 45);
  EXPECT_TRUE(running.ServerScheduleTick(at));
  EXPECT_NE(running.LastRoundLine.find("Folder Round: "), std::string::npos);
  setter.SetSchedule(false, 1u << 13, 45);  // switched off: no more rounds
  EXPECT_FALSE(running.ServerScheduleTick(at + 86400));
}

TEST_F(ScheduleFile, AnUnchangedFileLeavesTheScheduleInMemoryAlone) {
  setter.SetSchedule(true, 1u << 5, 0);
  EXPECT_TRUE(running.ReloadScheduleIfChanged());
  Running().ScheduleMinute = 30;  // as the options dialog holds it before OK
  EXPECT_FALSE(running.ReloadScheduleIfChanged());
  EXPECT_EQ(Running().ScheduleMinute, 30);
}

}  // namespace
}  // namespace bq::test
