// exec with every builtin: the same script gives the same articles run by
// exec and run as a folder's script.
#include "tests/cli/cli_runner.h"

namespace bq::test {
namespace {

// Reads rows ",title,date,author_words," from the page with @WRAPSTR, takes
// them apart with CSV, DATEFORMAT, DECODEDATE, FORMATDATE and @SPLIT, and
// stores one article per row.
const char* kBoth =
    "SCRIPT both;\r\n"
    "BEGIN\r\n"
    "  GET(%URL%); page := _; n := 0;\r\n"
    "  FOREACH row IN @WRAPSTR['<li>', '</li>', page] DO BEGIN\r\n"
    "    n := n + 1; d := DATEFORMAT(CSV(row, 2)); DECODEDATE(d, y, mo, da);\r\n"
    "    words := CSV(row, 3); a := '';\r\n"
    "    FOREACH w IN @SPLIT['_', words] DO a := a + w + '・';\r\n"
    "    PACK(0: n, 2: d, 3: CSV(row, 1) + ' ' + FORMATDATE(d, 'Y/M/D') + ' ' + y + mo + da, 4: a);\r\n"
    "    PUTLOG(0)\r\n"
    "  END\r\n"
    "END.\r\n";

const char* kPage =
    "<ul><li>,一番,2026/11/02-10:00:00,山田_太郎,</li><li>,二番,2026/11/03-11:30:00,鈴木_花子,</li>"
    "<li>,三番,2026/11/01-09:15:00,佐藤_一,</li></ul>";

class ExecFullHost : public CliRunner {};

TEST_F(ExecFullHost, ExecStoresTheSameArticlesAsTheFolderScript) {
  Script("both.pss", kBoth);
  Page("/list.html", kPage);
  ProcessResult add = Cli("folder add b --url " + Url("/list.html") + " --script both.pss");
  ASSERT_EQ(add.status, 0) << add.err;
  ProcessResult run = Cli("run b");
  ASSERT_EQ(run.status, 0) << run.err;
  ASSERT_EQ(run.out, "3 new, 3 unread, 3 total\n");
  ProcessResult list = Cli("list b");
  ASSERT_EQ(list.status, 0);
  ProcessResult exec = Cli("exec " + dir + "libs/both.pss --articles --url " + Url("/list.html"));
  EXPECT_EQ(exec.status, 0) << exec.err;
  EXPECT_EQ(exec.err, "");
  EXPECT_EQ(exec.out, list.out);
  EXPECT_NE(list.out.find("■　  2  二番 2026/11/03 2026113  鈴木・花子・  2026/11/03 11:30:00\n"), std::string::npos)
      << list.out;
}

TEST_F(ExecFullHost, TheScratchLogAndTheCacheFolderAreLeftBehindNowhere) {
  Script("one.pss", "SCRIPT o;\r\nBEGIN GET(%URL%); PACK(0: 1, 2: 5, 3: _); PUTLOG(0) END.\r\n");
  Page("/p.html", "page");
  ProcessResult first = Cli("exec " + dir + "libs/one.pss --articles --url " + Url("/p.html"));
  EXPECT_EQ(first.status, 0) << first.err;
  EXPECT_NE(first.out.find("page"), std::string::npos) << first.out;
  // Each exec starts from an empty scratch log; the data folder keeps only
  // the page cache.
  ProcessResult second = Cli("exec " + dir + "libs/one.pss --articles --url " + Url("/p.html"));
  EXPECT_EQ(second.out, first.out);
  EXPECT_TRUE(fs::DirectoryExists(dir + "data/cache/"));
  std::vector<fs::DirEntry> below = fs::ListDir(dir + "data/Log/");
  for (const auto& e : below) EXPECT_FALSE(e.isDir) << e.name;
}

TEST_F(ExecFullHost, MessageGoesToStderrAndFailedFetchesAreNamed) {
  Script("m.pss", "SCRIPT m;\r\nBEGIN GET(%URL%); MESSAGE('こんにちは'); x := URLNUM('a/123.html') END.\r\n");
  ProcessResult r = Cli("exec " + dir + "libs/m.pss --url " + Url("/none.html"));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "fetch failed: GET " + Url("/none.html") + ": HTTP 404\nBrindlequay: こんにちは\n");
  EXPECT_EQ(r.err.find("BLTN"), std::string::npos);
}

}  // namespace
}  // namespace bq::test
