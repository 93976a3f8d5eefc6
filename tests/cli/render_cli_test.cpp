// brindlequay-cli with the folder option RenderJS: folder set and show, and
// the one failure line of a fetch when no chromium is on PATH (nothing else
// of the run changes). The renders themselves are tested in the core.
#include <gtest/gtest.h>

#include "tests/cli/cli_runner.h"

namespace bq::test {
namespace {

const char* kOnePage =
    "SCRIPT one;\r\nBEGIN\r\n  GET(%URL%);\r\n  PACK(0: 1, 3: 'title', 2: 1000);\r\n  PUTLOG(0)\r\nEND.\r\n";

class RenderCli : public CliRunner {
 protected:
  void SetUp() override {
    CliRunner::SetUp();
    Script("one.pss", kOnePage);
    Page("/p.html", "<p>static</p>");
    ProcessResult add = Cli("folder add js --url " + Url("/p.html") + " --script one.pss");
    ASSERT_EQ(add.status, 0) << add.err;
  }
  std::string Show() { return Cli("folder show js").out; }
};

TEST_F(RenderCli, FolderSetTurnsTheOptionOnAndOffAndRefusesOtherValues) {
  EXPECT_NE(Show().find("\nRenderJS=0\n"), std::string::npos);
  struct Case {
    const char* arg;
    int status;
    const char* shown;
  };
  for (const Case& c : {Case{"RenderJS=1", 0, "\nRenderJS=1\n"}, Case{"RenderJS=yes", 2, "\nRenderJS=1\n"},
                        Case{"RenderJS=0", 0, "\nRenderJS=0\n"}}) {
    ProcessResult set = Cli(std::string("folder set js ") + c.arg);
    EXPECT_EQ(set.status, c.status) << c.arg << set.err;
    EXPECT_NE(Show().find(c.shown), std::string::npos) << c.arg;
  }
  // Off is the absence of the line: the node file is as before.
  std::string node;
  ASSERT_TRUE(fs::ReadFile(LogRoot() + "js/kvlnode.web", node));
  EXPECT_EQ(node.find("RenderJS"), std::string::npos);
}

TEST_F(RenderCli, WithoutChromiumOnPathTheFetchFailsWithOneLine) {
  ASSERT_EQ(Cli("folder set js RenderJS=1").status, 0);
  fs::ForceDirectories(dir + "empty-bin/");
  ProcessResult run = RunProcess("PATH=" + dir + "empty-bin " + std::string(BQ_CLI_PATH) + " --data " + dir + "data --libs " +
                                 dir + "libs run js",
                             dir + "stderr.txt");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "fetch failed: GET " + Url("/p.html") + ": chromium が見つかりません: apt install chromium\n");
  // The script goes on with an empty page, as after any failed fetch.
  EXPECT_EQ(run.out, "1 new, 1 unread, 1 total\n");
  // The same folder without the option fetches as before.
  ASSERT_EQ(Cli("folder set js RenderJS=0").status, 0);
  ProcessResult plain = RunProcess("PATH=" + dir + "empty-bin " + std::string(BQ_CLI_PATH) + " --data " + dir +
                                   "data --libs " + dir + "libs run js",
                               dir + "stderr.txt");
  EXPECT_EQ(plain.err, "");
}

}  // namespace
}  // namespace bq::test
