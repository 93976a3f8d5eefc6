// The CLI's exec command, run as a program.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "textlib/cp932.h"

namespace {

struct ExecRun {
  int status = -1;
  std::string out;
  std::string err;
};

class ExecCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(BQ_CLI_PATH)) GTEST_SKIP() << "brindlequay-cli not built";
    dir_ = ::testing::TempDir() + "bq_exec_" + std::to_string(::getpid()) + "/";
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }
  std::string Write(const std::string& name, const std::string& utf8) {
    std::ofstream(dir_ + name, std::ios::binary) << bq::Utf8ToSjis(utf8);
    return dir_ + name;
  }
  // env: assignments put before the command (e.g. "TMPDIR=/x ").
  ExecRun Exec(const std::string& args, const std::string& env = "") {
    std::string errFile = dir_ + "stderr.txt";
    std::string cmd = env + std::string(BQ_CLI_PATH) + " exec " + args + " 2>" + errFile;
    ExecRun r;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    std::ifstream e(errFile, std::ios::binary);
    std::stringstream ss;
    ss << e.rdbuf();
    r.err = ss.str();
    return r;
  }
  std::string dir_;
};

TEST_F(ExecCommand, PrintsThePrintTextAndExitsZeroWhenItHalts) {
  std::string f = Write("p.pss", "SCRIPT t; BEGIN PACK(0: 5, 1: 2, 2: 86400, 3: '題名', 7: 'x'); PRINT() END.");
  ExecRun r = Exec(f);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, std::string(42, '-') +
                       "\n0:TOPIC:5\n1:REFER:2\n2:DATE:Fri, 2 Jan 1970 00:00:00 +0900\n3:TITLE:題名\n4:AUTHOR:\n"
                       "5:MAILTO:\n6:HP:\n8:HEAD:\n9:HOST:\n7:BODY:\nx\n");
}

TEST_F(ExecCommand, TraceListsEveryExecutedInstruction) {
  std::string f = Write("t.pss", "SCRIPT t; BEGIN x := 1 END.");
  ExecRun r = Exec(f + " --trace");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "  3: LDA  #1\n  4: STA  X(18)\n");  // the final HALT is never executed
}

TEST_F(ExecCommand, TheScratchFolderGoesBelowTmpdirElseTmpAndIsRemoved) {
  std::filesystem::create_directories(dir_ + "tmp");
  const struct {
    std::string env, parent;
  } cases[] = {
      {"TMPDIR=" + dir_ + "tmp ", dir_ + "tmp/"},
      {"TMPDIR=" + dir_ + "missing ", "/tmp/"},  // a TMPDIR that cannot hold it
      {"env -u TMPDIR ", "/tmp/"},
  };
  std::string f = Write("d.pss", "SCRIPT t; BEGIN PACK(3: @DATAFOLDER); PRINT() END.");
  for (const auto& c : cases) {
    ExecRun r = Exec(f, c.env);
    EXPECT_EQ(r.status, 0) << c.env << r.err;
    const std::size_t at = r.out.find("3:TITLE:");
    ASSERT_NE(at, std::string::npos) << r.out;
    const std::string data = r.out.substr(at + 8, r.out.find('\n', at) - at - 8);
    EXPECT_EQ(data.rfind(c.parent + "brindlequay-exec.", 0), 0u) << c.env << data;
    ASSERT_GT(data.size(), 9u);
    EXPECT_EQ(data.substr(data.size() - 9), "/scratch/") << data;  // the script's own folder
    EXPECT_FALSE(std::filesystem::exists(data.substr(0, data.size() - 8))) << data;
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir_ + "tmp"));
}

// A script that only computes makes no folder; one that reaches its folder,
// its files or the log finds them made. Either way TMPDIR is left empty.
TEST_F(ExecCommand, EachScriptFindsTheFoldersItReachesAndLeavesNothingBehind) {
  std::filesystem::create_directories(dir_ + "tmp");
  const struct {
    const char* what;
    std::string source, options;
    std::vector<std::string> out;  // pieces of the output, in order
  } cases[] = {
      {"computes only", "SCRIPT t; BEGIN PACK(3: 'x' + 'y', 4: 2 * 21); PRINT() END.", "", {"3:TITLE:xy\n4:AUTHOR:42\n"}},
      {"a file in its folder",
       "SCRIPT t; BEGIN t := '保存'; SAVEF(@DATAFOLDER + 'a.txt', t); LOADF(@DATAFOLDER + 'a.txt');"
       " PACK(3: _, 4: @DATAFOLDER); PRINT() END.",
       "", {"3:TITLE:保存\n4:AUTHOR:" + dir_ + "tmp/brindlequay-exec.", "/scratch/\n5:MAILTO:"}},
      {"stored articles", "SCRIPT t; BEGIN PACK(0: 1, 2: 5, 3: '一'); PUTLOG(0); PACK(0: 2, 2: 6, 3: '二'); PUTLOG(0) END.",
       "--articles", {"  2  二    1970/01/01 00:00:06\n", "  1  一    1970/01/01 00:00:05\n"}},
  };
  for (const auto& c : cases) {
    ExecRun r = Exec(Write("s.pss", c.source) + " " + c.options, "TMPDIR=" + dir_ + "tmp ");
    EXPECT_EQ(r.status, 0) << c.what << r.err;
    EXPECT_EQ(r.err, "") << c.what;
    std::size_t at = 0;
    for (const std::string& piece : c.out) {
      at = r.out.find(piece, at);
      ASSERT_NE(at, std::string::npos) << c.what << ": " << piece << "\n" << r.out;
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir_ + "tmp")) << c.what;
  }
}

TEST_F(ExecCommand, RunTimeAndCompileErrorsExitOne) {
  ExecRun r = Exec(Write("r.pss", "SCRIPT t; BEGIN x := '-' - 1 END."));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "'-' は整数ではありません\n");
  std::string c = Write("c.pss", "SCRIPT t; BEGIN FOR i := 1 TO 2 x := 1 END.");
  r = Exec(c);
  EXPECT_EQ(r.status, 1);
  // As compile shows it: the text, then the marked line named by file and line.
  std::string note = c + ":1: ";
  EXPECT_EQ(r.err, "構文エラー\n0行目:DO が必要です\n" + note + "SCRIPT t; BEGIN FOR i := 1 TO 2 x := 1 END.\n" +
                       std::string(note.size() + 32, ' ') + "^\n");
  r = Exec(Write("n.pss", "hello"));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("not a script"), std::string::npos);
}

TEST_F(ExecCommand, EveryBuiltinRunsAndAFailedFetchIsReportedAndTheScriptGoesOn) {
  ExecRun r = Exec(Write("u.pss", "SCRIPT t; BEGIN x := GET('http://127.0.0.1:9/'); MESSAGE('hi');"
                                  " PACK(0: URLNUM('a/12.html'), 3: CSV('a,b', 1)); PRINT() END."));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err.rfind("fetch failed: GET http://127.0.0.1:9/: ", 0), 0u) << r.err;
  EXPECT_NE(r.err.find("\nBrindlequay: hi\n"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("はここでは使えません"), std::string::npos) << r.err;
  EXPECT_NE(r.out.find("0:TOPIC:12000000\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("3:TITLE:b\n"), std::string::npos) << r.out;
}

}  // namespace
