// schedule show and schedule set: the schedule of weblog.def from the
// command line.
#include "app/core/rounds/schedule.h"
#include "tests/cli/cli_runner.h"
#include "textlib/dates.h"

namespace bq::test {
namespace {

using ScheduleCommand = CliRunner;

TEST_F(ScheduleCommand, SetThenShowGivesTheTimeAndTheNextRound) {
  std::uint32_t before = app::NextRoundTime(1u << 13, 45, NowDate());
  ProcessResult set = Cli("schedule set --hours 13 --minute 45 --on");
  std::uint32_t after = app::NextRoundTime(1u << 13, 45, NowDate());
  ASSERT_EQ(set.status, 0) << set.err;
  ProcessResult show = Cli("schedule show");
  EXPECT_EQ(show.status, 0) << show.err;
  std::string head = "enabled: on\nhours: 13\nminute: 45\nnext round: ";
  EXPECT_TRUE(show.out == head + DisplayDateTime(before) + "\n" || show.out == head + DisplayDateTime(after) + "\n")
      << show.out;
  EXPECT_EQ(set.out, show.out);
  std::string def;
  ASSERT_TRUE(fs::ReadFile(dir + "data/Log/weblog.def", def));
  EXPECT_EQ(def.substr(0, 13), "1\r\n8192\r\n45\r\n");
}

TEST_F(ScheduleCommand, OptionsLeftOutKeepTheirValues) {
  ASSERT_EQ(Cli("schedule set --hours 1,13 --minute 5 --on").status, 0);
  ASSERT_EQ(Cli("schedule set --off").status, 0);
  EXPECT_EQ(Cli("schedule show").out, "enabled: off\nhours: 1,13\nminute: 5\nnext round: none\n");
  ASSERT_EQ(Cli("schedule set --every-2h --on").status, 0);
  EXPECT_EQ(Cli("schedule show").out.rfind("enabled: on\nhours: 0,2,4,6,8,10,12,14,16,18,20,22\nminute: 5\nnext round: 20", 0),
            0u);
  ASSERT_EQ(Cli("schedule set --none").status, 0);
  EXPECT_EQ(Cli("schedule show").out, "enabled: on\nhours: none\nminute: 5\nnext round: none\n");
}

TEST_F(ScheduleCommand, BadHoursMinutesAndOptionsAreUsageErrorsAndChangeNothing) {
  ASSERT_EQ(Cli("schedule set --hours 3 --minute 7 --on").status, 0);
  for (const char* bad : {"set", "set --hours 24", "set --hours", "set --minute 60", "set --minute x", "set --on --off",
                          "set --hours 1 --none", "set --every", "show extra", "sett"}) {
    ProcessResult r = Cli(std::string("schedule ") + bad);
    EXPECT_EQ(r.status, 2) << bad;
    EXPECT_EQ(r.err.rfind("usage: brindlequay-cli schedule", 0), 0u) << bad << ": " << r.err;
  }
  EXPECT_EQ(Cli("schedule show").out.rfind("enabled: on\nhours: 3\nminute: 7\nnext round: 20", 0), 0u);
}

}  // namespace
}  // namespace bq::test
