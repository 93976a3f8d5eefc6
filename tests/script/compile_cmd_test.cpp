// The CLI's compile command, run as a program.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "textlib/cp932.h"

namespace {

struct CliRun {
  int status;
  std::string out;
};

CliRun RunCli(const std::string& args) {
  std::string cmd = std::string(BQ_CLI_PATH) + " " + args + " 2>&1";
  CliRun r{-1, {}};
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  int st = ::pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

class CompileCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(BQ_CLI_PATH)) GTEST_SKIP() << "brindlequay-cli not built";
    dir_ = ::testing::TempDir() + "bq_cli_" + std::to_string(::getpid()) + "/";
    std::filesystem::create_directories(dir_ + "libs");
  }
  void TearDown() override {
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }
  std::string Write(const std::string& name, const std::string& utf8) {
    std::ofstream(dir_ + name, std::ios::binary) << bq::Utf8ToSjis(utf8);
    return dir_ + name;
  }
  std::string dir_;
};

TEST_F(CompileCommand, ListingIsPrintedInUtf8) {
  std::string f = Write("a.pss", "SCRIPT t; BEGIN x := '日本' END.");
  CliRun r = RunCli("compile " + f + " --listing");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "  0: BRK  #0\n  1: NOP \n  2: HALT\n  3: BRK  #0\n  4: LDA  S,'日本'(1)\n  5: STA  X(18)\n"
                   "  6: BRK  #0\n  7: HALT\n");
  EXPECT_EQ(RunCli("compile " + f).out, "");
}

TEST_F(CompileCommand, ErrorShowsTextLineAndMarker) {
  std::string f = Write("e.pss", "SCRIPT t;\r\nBEGIN\r\n  x := 1;\r\n  FOR i := 1 TO 3 y := 2\r\nEND.\r\n");
  CliRun r = RunCli("compile " + f);
  EXPECT_EQ(r.status, 1);
  // The source line is named by the file and its own 1-based line; the
  // error text keeps the compiler's numbering.
  std::string note = f + ":4: ";
  EXPECT_EQ(r.out, "構文エラー\n3行目:DO が必要です\n" + note + "  FOR i := 1 TO 3 y := 2\n" +
                       std::string(note.size(), ' ') + "                  ^\n");
}

TEST_F(CompileCommand, WarningsShowTheirLineAndMarkerAndWerrorMakesThemFail) {
  std::string f = Write("w.pss", "SCRIPT t;\r\nBEGIN\r\n  title := 'a';\r\n  r := titel\r\nEND.\r\n");
  CliRun r = RunCli("compile " + f);
  EXPECT_EQ(r.status, 0);
  std::string note = f + ":4: ";
  EXPECT_EQ(r.out, note + "警告: 変数 titel はどこでも代入されていません (名前の書き誤り?)。値はいつも空です [unassigned]\n" +
                       note + "  r := titel\n" + std::string(note.size(), ' ') + "       ^^^^^\n");
  CliRun strict = RunCli("compile " + f + " --werror");
  EXPECT_EQ(strict.status, 1);
  EXPECT_EQ(strict.out.rfind(r.out, 0), 0u) << strict.out;
  EXPECT_NE(strict.out.find("1 warning(s), failing as --werror asks"), std::string::npos) << strict.out;
  std::string clean = Write("c.pss", "SCRIPT t;\r\nBEGIN\r\n  title := 'a';\r\n  r := title\r\nEND.\r\n");
  CliRun quiet = RunCli("compile --werror " + clean);
  EXPECT_EQ(quiet.status, 0);
  EXPECT_EQ(quiet.out, "");
}

// Files saved by Unix editors end their lines with LF alone; line numbers
// must come out as for the same file with CR LF.
TEST_F(CompileCommand, BareLineFeedFilesNumberLinesLikeCrLfFiles) {
  std::string f = Write("lf.pss", "SCRIPT t;\nBEGIN\n  x := 1;\n  FOR i := 1 TO 3 y := 2\nEND.\n");
  CliRun r = RunCli("compile " + f);
  EXPECT_EQ(r.status, 1);
  std::string note = f + ":4: ";
  EXPECT_EQ(r.out, "構文エラー\n3行目:DO が必要です\n" + note + "  FOR i := 1 TO 3 y := 2\n" +
                       std::string(note.size(), ' ') + "                  ^\n");
  EXPECT_EQ(RunCli("exec " + dir_ + "missing.pss").status, 2);
}

TEST_F(CompileCommand, ErrorInAnIncludedLibraryMarksTheInclude) {
  Write("libs/bad.pss", "PROCDEF p;\r\nBEGIN\r\n  q := ;\r\nEND;\r\n");
  std::string f = Write("i.pss", "SCRIPT t;\r\nINCLUDE 'bad.pss';\r\nBEGIN p; END.\r\n");
  CliRun r = RunCli("compile " + f + " --libs " + dir_ + "libs");
  EXPECT_EQ(r.status, 1);
  std::string note = f + ":2: ";
  EXPECT_EQ(r.out, "構文エラー\n1行目:; 不明な項です!?\n" + note + "INCLUDE 'bad.pss';\n" + std::string(note.size(), ' ') +
                       "        ^^^^^^^^^\n");
  Write("libs/good.pss", "PROCDEF p; ;\r\n");
  std::string g = Write("g.pss", "SCRIPT t;\r\nINCLUDE 'good.pss';\r\nBEGIN p; END.\r\n");
  EXPECT_EQ(RunCli("--libs " + dir_ + "libs compile " + g).status, 0);
}

TEST_F(CompileCommand, NotAScriptMissingFileAndBadArguments) {
  std::string f = Write("n.pss", "hello");
  CliRun r = RunCli("compile " + f);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("does not start with SCRIPT"), std::string::npos);
  r = RunCli("compile " + dir_ + "missing.pss");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.out.find("No such file or directory"), std::string::npos);
  EXPECT_EQ(RunCli("compile").status, 2);
  EXPECT_EQ(RunCli("compile " + f + " --bogus").status, 2);
}

TEST_F(CompileCommand, ShippedTemplateCompiles) {
  CliRun r = RunCli(std::string("compile ") + BQ_SOURCE_DIR + "/libs/template.pss --listing");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("XFN  PUT,_(0)"), std::string::npos);
  EXPECT_NE(r.out.find("LSTF ARAY,[0]"), std::string::npos);
}

}  // namespace
