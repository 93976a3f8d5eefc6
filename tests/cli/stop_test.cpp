// brindlequay-cli ended from outside or by its own limits: a signal during a
// run, a round or an exec stops the script and saves what it stored; a
// runaway script ends at its limit; a run out of memory ends with its
// message; a round over the log root says nothing about the root.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/cli/cli_runner.h"

namespace bq::test {
namespace {

// Stores 100 articles, tells the server it has, then waits for ever.
const char* kStoreAndWait =
    "SCRIPT store;\r\nBEGIN\r\n"
    "  FOR i := 1 TO 100 DO BEGIN PACK(0: i, 2: 1000 + i, 3: 'article'); PUTLOG(0) END;\r\n"
    "  GET(%URL%);\r\n"
    "  WHILE TRUE DO SLEEP(20)\r\nEND.\r\n";

const char* kFetchOne = "SCRIPT one;\r\nBEGIN GET(%URL%); PACK(0: 1, 2: 1000, 3: _); PUTLOG(0) END.\r\n";

std::string ReadAll(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

int CountOf(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

class CliStop : public CliRunner {
 protected:
  void SetUp() override {
    CliRunner::SetUp();
    Script("store.pss", kStoreAndWait);
    Script("one.pss", kFetchOne);
    Page("/ready", "ready");
    Page("/page", "page");
  }
  void Folder(const std::string& name, const std::string& script, const std::string& path) {
    ProcessResult r = Cli("folder add " + name + " --url " + Url(path) + " --script " + script + " --round");
    ASSERT_EQ(r.status, 0) << r.err;
  }
  // "URL" becomes the ready page's address, "LIBS/" the libs folder.
  std::vector<std::string> Expand(std::vector<std::string> args) {
    for (auto& a : args) {
      if (a == "URL") a = Url("/ready");
      if (a.rfind("LIBS/", 0) == 0) a = dir + "libs/" + a.substr(5);
    }
    return args;
  }
  std::vector<std::string> Argv(const std::vector<std::string>& args) const {
    std::vector<std::string> v{BQ_CLI_PATH, "--data", dir + "data", "--libs", dir + "libs"};
    v.insert(v.end(), args.begin(), args.end());
    return v;
  }
  // Starts the command, waits until cond holds (at most 20 s), sends sig,
  // and returns the wait status (-1 when it did not end within 20 s).
  template <typename Cond>
  int SignalWhen(const std::vector<std::string>& args, Cond cond, int sig) {
    pid_t pid = SpawnProcess(Argv(args), dir + "out.txt", dir + "err.txt");
    EXPECT_GT(pid, 0);
    for (int i = 0; i < 2000 && !cond(); ++i) ::usleep(10000);
    EXPECT_TRUE(cond()) << "the command never got there: " << ReadAll(dir + "err.txt");
    ::kill(pid, sig);
    return WaitChild(pid, 20000);
  }
  std::string Out() const { return ReadAll(dir + "out.txt"); }
  std::string Err() const { return ReadAll(dir + "err.txt"); }
  int LogLines(const std::string& folder) const { return CountOf(ReadAll(LogRoot() + folder + "/kvllog.dat"), "\r\n"); }
};

struct SignalCase {
  const char* name;
  std::vector<std::string> args;  // as Expand takes them
  int signal;
  const char* output;  // what stdout shows afterwards
};
void PrintTo(const SignalCase& c, std::ostream* os) { *os << c.name; }

class SignalStops : public CliStop, public ::testing::WithParamInterface<SignalCase> {};

TEST_P(SignalStops, TheScriptStopsAndWhatItStoredIsSaved) {
  const SignalCase& c = GetParam();
  Folder("store", "store.pss", "/ready");
  std::vector<std::string> args = Expand(c.args);
  int served = server.Requests();
  int status = SignalWhen(args, [&] { return server.Requests() > served; }, c.signal);
  ASSERT_TRUE(WIFEXITED(status)) << "status " << status << "\n" << Err();
  EXPECT_EQ(WEXITSTATUS(status), 128 + c.signal) << Err();
  EXPECT_NE(Out().find(c.output), std::string::npos) << Out();
  if (args[0] == "exec") {
    EXPECT_EQ(CountOf(Out(), "article"), 100) << Out();  // the scratch log, listed before it goes
  } else {
    EXPECT_EQ(LogLines("store"), 100);
  }
  if (args[0] == "round") {
    EXPECT_NE(ReadAll(LogRoot() + "RoundLog.txt").find("Folder Round: "), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Signals, SignalStops,
    ::testing::Values(SignalCase{"RunTerm", {"run", "store"}, SIGTERM, "100 new, 100 unread, 100 total\n"},
                      SignalCase{"RunHup", {"run", "store"}, SIGHUP, "100 new, 100 unread, 100 total\n"},
                      SignalCase{"RunInt", {"run", "store"}, SIGINT, "100 new, 100 unread, 100 total\n"},
                      SignalCase{"RoundTerm", {"round"}, SIGTERM, "store/: 100 unread\nFolder Round: "},
                      SignalCase{"ExecTerm", {"exec", "LIBS/store.pss", "--url", "URL", "--articles"}, SIGTERM,
                                 "article"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CliStop, ScheduleEndsOnSigtermWithoutError) {
  int status = SignalWhen({"schedule"}, [&] { return Out().find("waiting for the scheduled hours") != std::string::npos; },
                          SIGTERM);
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(CliStop, ARoundOverTheRootSaysNothingAboutFoldersWithoutAnAddress) {
  Folder("site", "one.pss", "/page");
  Folder("group", "one.pss", "/page");
  ASSERT_EQ(Cli("folder set group SiteUrl=").status, 0);
  ProcessResult r = Cli("round");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out.find("(log root)"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("group/"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("site/: 1 unread\nFolder Round: "), std::string::npos) << r.out;
  EXPECT_FALSE(fs::FileExists(LogRoot() + "group/kvllog.dat"));
}

struct RunawayCase {
  const char* name;
  const char* settings;
  const char* script;
  std::vector<std::string> args;
  const char* message;  // UTF-8, on stderr
  const char* output;   // on stdout
  std::size_t outAtMost;
};
void PrintTo(const RunawayCase& c, std::ostream* os) { *os << c.name; }

class Runaway : public CliStop, public ::testing::WithParamInterface<RunawayCase> {};

TEST_P(Runaway, AScriptWithoutEndStopsAtTheLimitWithItsMessage) {
  const RunawayCase& c = GetParam();
  Script("flood.pss", c.script);
  Folder("flood", "flood.pss", "/page");
  fs::WriteFileAtomic(dir + "limits.ini", c.settings);
  std::string args;
  for (const std::string& a : Expand(c.args)) args += " " + a;
  ProcessResult r = Cli("--settings " + dir + "limits.ini" + args);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  EXPECT_NE(r.out.find(c.output), std::string::npos) << r.out.substr(0, 300);
  EXPECT_LE(r.out.size(), c.outAtMost);
}

INSTANTIATE_TEST_SUITE_P(
    Limits, Runaway,
    ::testing::Values(
        RunawayCase{"Articles", "ARTICLELIMIT=40\r\n",
                    "SCRIPT f;\r\nBEGIN i := 0; WHILE TRUE DO BEGIN i := i + 1; PACK(0: i, 2: 1000 + i, 3: 'x');"
                    " PUTLOG(0) END END.\r\n",
                    {"run", "flood"},
                    "一回の実行で保存できる記事数の上限 (40 件) に達したので実行を終えました (設定 ARTICLELIMIT)",
                    "40 new, 40 unread, 40 total\n", 100},
        RunawayCase{"Print", "PRINTLIMIT=2\r\n", "SCRIPT f;\r\nBEGIN PACK(0: 1, 3: 'x'); WHILE TRUE DO BEGIN PRINT; n := n + 1 END END.\r\n",
                    {"exec", "LIBS/flood.pss"},
                    "PRINT の出力が上限 (2 KB) に達したので実行を終えました (設定 PRINTLIMIT)",
                    "0:TOPIC:1\n", 2048}),
    [](const auto& info) { return std::string(info.param.name); });

#if defined(__SANITIZE_ADDRESS__)
#define BQ_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BQ_UNDER_ASAN 1
#endif
#endif

// Under a limit on the address space (ulimit -v) an allocation fails where
// without one the kernel would end the process.
TEST_F(CliStop, ARunOutOfMemoryEndsWithItsMessageAndTheLogAsLastSaved) {
#ifdef BQ_UNDER_ASAN
  GTEST_SKIP() << "the sanitizer's shadow memory does not fit under an address-space limit";
#else
  Folder("big", "one.pss", "/page");
  ASSERT_EQ(Cli("run big").status, 0);
  const std::string saved = ReadAll(LogRoot() + "big/kvllog.dat");
  ASSERT_FALSE(saved.empty());
  // Articles of 1 MB each, far past the memory the shell leaves it.
  Script("one.pss",
         "SCRIPT big;\r\nBEGIN b := 'x'; FOR k := 1 TO 20 DO b := b + b; i := 1;"
         " WHILE TRUE DO BEGIN i := i + 1; PACK(0: i, 2: 1000 + i, 3: 'x', 7: b + i); PUTLOG(0) END END.\r\n");
  ProcessResult r = RunProcess("ulimit -v 400000; " + std::string(BQ_CLI_PATH) + " --data " + dir + "data --libs " + dir +
                               "libs run big",
                           dir + "stderr.txt");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("メモリが足りません"), std::string::npos) << r.err;
  EXPECT_NE(r.out.find("0 new, "), std::string::npos) << r.out;
  EXPECT_EQ(ReadAll(LogRoot() + "big/kvllog.dat"), saved);
#endif
}

}  // namespace
}  // namespace bq::test
