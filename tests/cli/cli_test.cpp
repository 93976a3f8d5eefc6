// brindlequay-cli's data-folder commands, run as a child process against a
// temporary data folder, a temporary libs folder and a loopback server.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "app/core/local_server.h"
#include "platform/fs.h"
#include "tests/support/app_fixture.h"
#include "textlib/cp932.h"

namespace bq::test {
namespace {

using Result = ProcessResult;

const char* kBoardPage =
    "<div><b>題一</b><i>太郎</i><p>本文</p></div><div><b>題二</b><i>花子</i><p>二</p></div>";

const char* kScript =
    "SCRIPT s;\r\n"
    "POST[]:-\r\n<b>${TITLE}</b><i>${AUTHOR}</i><p>${BODY}</p>\r\n-::\r\n"
    "PROCDEF EXPORT(file, target, del)\r\nBEGIN\r\n  s := '';\r\n"
    "  FOREACH t IN @TOPICS[target] DO BEGIN UNPACK(t, 3: title); s := s + title + EXPANDSTR('\\n') END;\r\n"
    "  SAVEF(file, s)\r\nEND;\r\n"
    "BEGIN\r\n  GET(%URL%); n := 0;\r\n"
    "  FOREACH r IN @CLIP[POST] DO BEGIN n := n + 1; PACK(0: n, 2: 1000 + n, 3: TITLE, 4: AUTHOR, 7: BODY);"
    " PUTLOG(0) END\r\nEND.\r\n";

class CliTest : public TestFolder {
 protected:
  void SetUp() override {
    TestFolder::SetUp();
    Script("board.pss", kScript);
    Script("template.pss", kScript);
    Script("bad.pss", "SCRIPT b;\r\nBEGIN x := END.\r\n");
  }
  using TestFolder::Cli;
  // The CLI without the folder's options.
  Result Cli(const std::string& args, bool) { return Command(std::string(BQ_CLI_PATH) + " " + args); }
  void AddSite(const std::string& name, const std::string& script = "board.pss") {
    Result r = Cli("folder add " + name + " --url " + server.Url("/bbs") + " --script " + script + " --round");
    ASSERT_EQ(r.status, 0) << r.err;
  }

  app::TLocalServer server{[](const app::LocalRequest& r) {
    if (r.target == "/bbs") return app::LocalResponse{200, "text/html", Utf8ToSjis(kBoardPage)};
    return app::LocalResponse{404, "text/html", ""};
  }};
};

TEST_F(CliTest, HelpListsEveryCommandWithDemoFirstOnItsLine) {
  Result r = Cli("help", false);
  EXPECT_EQ(r.status, 0);
  for (const char* c : {"\n  run ", "\n  round ", "\n  schedule ", "\n  list ", "\n  export ", "\n  folder ",
                        "\n  demo ", "\n  exec ", "\n  compile "})
    EXPECT_NE(r.out.find(c), std::string::npos) << c;
}

TEST_F(CliTest, FolderAddShowAndSetEditTheNodeFile) {
  AddSite("サイト");
  Result show = Cli("folder show サイト");
  EXPECT_EQ(show.status, 0);
  EXPECT_NE(show.out.find("SiteUrl=" + server.Url("/bbs") + "\n"), std::string::npos) << show.out;
  EXPECT_NE(show.out.find("ScriptName=board.pss\n"), std::string::npos);
  EXPECT_NE(show.out.find("RoundTarget=1\n"), std::string::npos);
  EXPECT_EQ(Cli("folder set サイト NickName=名無し RoundTarget=0 LastTopic=12").status, 0);
  show = Cli("folder show サイト");
  EXPECT_NE(show.out.find("NickName=名無し\n"), std::string::npos) << show.out;
  EXPECT_NE(show.out.find("RoundTarget=0\n"), std::string::npos);
  EXPECT_NE(show.out.find("LastTopic=12\n"), std::string::npos);
  Result bad = Cli("folder set サイト Colour=red");
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.err, "unknown field: Colour=red\n");
  EXPECT_EQ(Cli("folder set サイト RoundTarget=yes").status, 2);
  EXPECT_EQ(Cli("folder show nowhere").status, 1);
  EXPECT_EQ(Cli("folder").status, 2);
}

// A relative folder is below the log root, whatever the current directory
// holds: a folder of that name there is never written.
TEST_F(CliTest, ARelativeFolderIsBelowTheLogRootNeverTheCurrentDirectory) {
  fs::ForceDirectories(dir + "slow/");
  char cwd[4096];
  ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
  ASSERT_EQ(::chdir(dir.c_str()), 0);
  AddSite("slow");
  Result show = Cli("folder show slow");
  ASSERT_EQ(::chdir(cwd), 0);
  EXPECT_EQ(show.status, 0);
  EXPECT_TRUE(fs::FileExists(dir + "data/Log/slow/kvlnode.web"));
  EXPECT_FALSE(fs::FileExists(dir + "slow/kvlnode.web"));
}

TEST_F(CliTest, RunFetchesOneFolderAndCountsItsArticles) {
  AddSite("a");
  Result r = Cli("run a");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "2 new, 2 unread, 2 total\n");
  r = Cli("run a");
  EXPECT_EQ(r.out, "0 new, 2 unread, 2 total\n");
  EXPECT_EQ(Cli("run").status, 2);
  EXPECT_EQ(Cli("run a b").status, 2);
  Result missing = Cli("run nowhere");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "no such folder: " + dir + "data/Log/nowhere/\n");
  EXPECT_FALSE(fs::DirectoryExists(dir + "data/Log/nowhere/"));
}

TEST_F(CliTest, RunReportsACompileErrorOnStderrWithExitOne) {
  AddSite("b", "bad.pss");
  Result r = Cli("run b");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.rfind("構文エラー\n", 0), 0u) << r.err;
  EXPECT_NE(r.err.find("行目:END 不明な項です!?\n"), std::string::npos) << r.err;
}

TEST_F(CliTest, RoundPrintsOneLinePerFolderAndTheRoundLine) {
  AddSite("a");
  AddSite("b", "bad.pss");
  Result r = Cli("round");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("a/: 2 unread\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("b/: error: 構文エラー"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Folder Round: "), std::string::npos);
  EXPECT_NE(r.out.find(", Unread Total: 2 ＠ＡＬＬ\n"), std::string::npos) << r.out;
  std::string log;
  ASSERT_TRUE(fs::ReadFile(dir + "data/Log/RoundLog.txt", log));
  EXPECT_NE(log.find("Unread Total: 2 \x81\x97\x82\x60\x82\x6b\x82\x6b\r\n"), std::string::npos);
  r = Cli("round a");
  EXPECT_NE(r.out.find("Unread Total: 2 ＠a/\n"), std::string::npos) << r.out;
}

// The board script with a trap: the title is read through a misspelt name.
const char* kWarnScript =
    "SCRIPT w;\r\n"
    "POST[]:-\r\n<b>${TITLE}</b><i>${AUTHOR}</i><p>${BODY}</p>\r\n-::\r\n"
    "BEGIN\r\n  GET(%URL%); n := 0;\r\n"
    "  FOREACH r IN @CLIP[POST] DO BEGIN n := n + 1; PACK(0: n, 2: 1000 + n, 3: TITEL, 4: AUTHOR, 7: BODY); "
    "PUTLOG(0) END\r\nEND.\r\n";

TEST_F(CliTest, RunAndRoundPrintAScriptsWarningsOnceOnStderr) {
  fs::WriteFileAtomic(dir + "libs/warn.pss", Utf8ToSjis(kWarnScript));
  AddSite("w1", "warn.pss");
  AddSite("w2", "warn.pss");
  // The line with the misspelt name, and the marker under it.
  std::string line = std::string(kWarnScript).substr(std::string(kWarnScript).find("  FOREACH"));
  line = line.substr(0, line.find('\r'));
  std::string marker = std::string(std::string_view("warn.pss:7: ").size() + line.find("TITEL"), ' ') + "^^^^^";
  const std::string warnings =
      "warn.pss:3: 警告: クリップテンプレート POST の取り込み ${TITLE} の変数 TITLE はどこでも読まれていません "
      "[capture-unread]\n"
      "warn.pss:3: <b>${TITLE}</b><i>${AUTHOR}</i><p>${BODY}</p>\n"
      "               ^^^^^^^^\n"
      "warn.pss:7: 警告: 変数 TITEL はどこでも代入されていません (名前の書き誤り?)。値はいつも空です [unassigned]\n"
      "warn.pss:7: " + line + "\n" + marker + "\n";
  Result r = Cli("run w1");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "2 new, 2 unread, 2 total\n");  // warnings never stop a run
  EXPECT_EQ(r.err, warnings);
  r = Cli("round");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("w2/: 2 unread\n"), std::string::npos) << r.out;
  // Once, though two folders ran the script (the log root's own fetch of
  // an empty address fails besides).
  std::size_t at = r.err.find(warnings);
  EXPECT_NE(at, std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("[capture-unread]", at + warnings.size()), std::string::npos) << r.err;
}

TEST_F(CliTest, ListShowsTheArticlesInThreadOrderAndAsJson) {
  AddSite("a");
  ASSERT_EQ(Cli("run a").status, 0);
  Result r = Cli("list a");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("■　  1  題一  太郎  "), std::string::npos) << r.out;
  EXPECT_GT(r.out.find("題一"), r.out.find("題二"));  // the newest thread first by default
  Result j = Cli("list a --json");
  EXPECT_EQ(j.out.front(), '[');
  EXPECT_NE(j.out.find("\"TITLE\": \"題二\""), std::string::npos) << j.out;
  EXPECT_NE(j.out.find("\"BODY\": \"本文\""), std::string::npos);
  EXPECT_NE(j.out.find("\"Unread\": true"), std::string::npos);
  EXPECT_EQ(Cli("list").status, 2);
}

TEST_F(CliTest, ExportCallsTheScriptsExport) {
  AddSite("a");
  ASSERT_EQ(Cli("run a").status, 0);
  Result r = Cli("export a " + dir + "out.txt --target 0");
  EXPECT_EQ(r.status, 0) << r.err;
  std::string out;
  ASSERT_TRUE(fs::ReadFile(dir + "out.txt", out));
  EXPECT_EQ(SjisToUtf8(out), "題二\r\n題一\r\n");  // in the log's order, newest thread first
  EXPECT_EQ(Cli("export a " + dir + "o.txt --target 9").status, 2);
  EXPECT_EQ(Cli("export a").status, 2);
}

TEST_F(CliTest, DemoShowsArticlesOfAllThreeEncodings) {
  Result r = Cli("--libs " + std::string(BQ_SOURCE_DIR) + "/libs demo", false);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Folder Round: "), std::string::npos);
  EXPECT_NE(r.out.find("新しいパン屋さん"), std::string::npos) << r.out;  // Shift_JIS board
  EXPECT_NE(r.out.find("餅つき大会"), std::string::npos);                 // EUC-JP board
  EXPECT_NE(r.out.find("①②③の注釈"), std::string::npos);               // UTF-8 board
  EXPECT_NE(r.out.find("Unread Total: 18"), std::string::npos);
  std::size_t at = r.out.find("demo data folder:  ");
  ASSERT_NE(at, std::string::npos);
  std::string data = r.out.substr(at + 19, r.out.find('\n', at) - at - 19);
  if (data.rfind("/tmp/brindlequay-demo.", 0) == 0) std::system(("rm -rf '" + data + "'").c_str());
}

}  // namespace
}  // namespace bq::test

namespace bq::test {
namespace {

// --settings names the settings file the CLI shares with the desktop: its
// LOGDIR is the data folder when --data is not given.
TEST_F(CliTest, SettingsOptionNamesTheSharedSettingsFile) {
  fs::WriteFileAtomic(dir + "my.ini", "LOGDIR=" + dir + "fromini/\r\n");
  Result r = Cli("--settings " + dir + "my.ini --libs " + dir + "libs folder add site --url http://x/ --script board.pss",
                 false);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::DirectoryExists(dir + "fromini/Log/site"));
  EXPECT_FALSE(fs::DirectoryExists(dir + "data/Log/site"));
  // The CLI reads the file but never writes it.
  std::string ini;
  ASSERT_TRUE(fs::ReadFile(dir + "my.ini", ini));
  EXPECT_EQ(ini, "LOGDIR=" + dir + "fromini/\r\n");
}

}  // namespace
}  // namespace bq::test
