// Runs nobody watches: a scheduled round over a server that accepts and
// then says nothing ends after the safety limit, reported as the watchdog
// reports its stop; a run started by hand keeps waiting until Stop.
#include <gtest/gtest.h>

#include <chrono>

#include "app/core/rounds/round_runner.h"
#include "platform/fs.h"
#include "tests/support/app_fixture.h"
#include "tests/web/scripted_server.h"
#include "textlib/dates.h"
#include "web/webtexts.h"

namespace bq::test {
namespace {

const char* kFetchOne = "SCRIPT one;\r\nBEGIN\r\n  GET(%URL%);\r\n  PACK(0: 1, 3: _, 2: 1000);\r\n  PUTLOG(0)\r\nEND.\r\n";

class UnattendedTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    fs::WriteFileAtomic(Libs() + "template.pss", kFetchOne);
    TFolderInfo info;
    info.SiteUrl = server.url("/quiet");
    info.RoundTarget = true;
    folder = Site("quiet", info);
    Log().ScheduleEnabled = true;
    Log().ScheduleHours = 1u << 13;
    Log().ScheduleMinute = 45;
  }
  std::int64_t MsSince(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t).count();
  }

  std::string folder;
  ScriptedServer server{[](Conn& c, int) {
    c.ReadRequest();
    c.Hold(60000);
  }};
};

TEST_F(UnattendedTest, AScheduledRoundEndsASilentFetchAfterTheSafetyLimit) {
  app.Settings.unattendedLimit = 1;
  std::vector<std::string> errors;
  app::RoundEvents ev;
  ev.folderDone = [&](const std::string&, int, const std::string& error) { errors.push_back(error); };
  auto t0 = std::chrono::steady_clock::now();
  ASSERT_TRUE(app.ScheduleTick(EncodeDate(2026, 12, 8, 13, 45, 0), ev));
  EXPECT_LT(MsSince(t0), 5000);
  ASSERT_EQ(errors.size(), 1u);  // the folder (the log root has no address)
  EXPECT_EQ(errors[0], std::string(webtext::kInterruptedBy) + "1" + webtext::kNoReplyFor + "\r\n" + server.url("/quiet"));
  Log().OpenFolder(folder);
  EXPECT_EQ(Log().Count(), 0);  // the run ended at the stop, as Stop ends it
  // The next run by hand is watched again: no limit.
  app.LoadAndCompile();
  t0 = std::chrono::steady_clock::now();
  pump.Add([&] {
    if (MsSince(t0) > 1500 && Machine().State == script::RunState::Run) app.Stop();
  });
  app.ExecAction();
  EXPECT_GE(MsSince(t0), 1500);
  EXPECT_EQ(app.StopText(), "");
}

TEST_F(UnattendedTest, ARunStartedByHandWaitsUntilStop) {
  app.Settings.unattendedLimit = 1;
  Log().OpenFolder(folder);
  app.LoadAndCompile();
  auto t0 = std::chrono::steady_clock::now();
  pump.Add([&] {
    if (MsSince(t0) > 2500 && Machine().State == script::RunState::Run) app.Stop();
  });
  app.ExecAction();
  EXPECT_GE(MsSince(t0), 2500);  // past the limit: it does not apply here
  EXPECT_EQ(app.StopText(), "");
  EXPECT_EQ(Log().Count(), 0);
}

TEST_F(UnattendedTest, TheHeadlessFlagMakesEveryRunUnattended) {
  app.Settings.unattendedLimit = 1;
  app.Unattended = true;
  Log().OpenFolder(folder);
  app.LoadAndCompile();
  auto t0 = std::chrono::steady_clock::now();
  app.ExecAction();
  EXPECT_LT(MsSince(t0), 4000);
  EXPECT_NE(app.StopText().find(webtext::kNoReplyFor), std::string::npos);
}

TEST_F(UnattendedTest, TheDesktopsScheduledRoundEndsASilentFetchAfterTheSafetyLimitAndReportsIt) {
  app.Settings.unattendedLimit = 1;
  app::TRoundRunner runner(app);
  auto t0 = std::chrono::steady_clock::now();
  ASSERT_TRUE(runner.ScheduleTick(EncodeDate(2026, 12, 8, 13, 45, 0), ""));
  EXPECT_LT(MsSince(t0), 5000);
  bool watchdogLine = false;
  for (const auto& e : runner.Report().Entries())
    watchdogLine |= e.folder == folder && e.message.find(webtext::kNoReplyFor) != std::string::npos;
  EXPECT_TRUE(watchdogLine);
  EXPECT_GE(runner.Report().RoundFailures(), 1);  // the page that never came
}

}  // namespace
}  // namespace bq::test
