// Two brindlequay-cli processes on one data folder, for real, against a
// generated board on 127.0.0.1 that hands every run 60 new articles (20 a
// page, 3 pages): every article served is in the log exactly once, no
// deleted article comes back, no read mark is undone. Each case five times.
// Then what a failed write, a damaged or protected node file and an
// unreadable folder do to one process.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <future>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "logstore/scrap_list.h"
#include "platform/fs.h"
#include "platform/ui.h"
#include "tests/support/app_fixture.h"
#include "tests/support/board_server.h"
#include "textlib/cp932.h"

namespace bq::test {
namespace {

using BoardServer = GeneratedBoard;
constexpr int kPerRun = GeneratedBoard::kPerRun;
constexpr int kRepeats = 5;

class TwoProcesses : public TestFolder {
 protected:
  void SetUp() override {
    TestFolder::SetUp();
    fs::CopyFile(std::string(BQ_SOURCE_DIR) + "/libs/board.pss", dir + "libs/board.pss");
    fs::CopyFile(std::string(BQ_SOURCE_DIR) + "/libs/export_text.pss", dir + "libs/export_text.pss");
    ASSERT_TRUE(server_.Listening());
  }
  // A command line of the CLI on the test's data folder, bounded in time.
  std::string Line(const std::string& args) {
    return "timeout 120 " + std::string(BQ_CLI_PATH) + " --data " + dir + "data --libs " + dir +
           "libs --settings " + dir + "none.ini " + args;
  }
  ProcessResult Run(const std::string& args) { return RunProcess(Line(args), dir + "err-" + std::to_string(++n_)); }
  std::future<ProcessResult> Start(const std::string& args) {
    const std::string err = dir + "err-" + std::to_string(++n_);
    return std::async(std::launch::async, [line = Line(args), err] { return RunProcess(line, err); });
  }
  void AddFolder(const std::string& name) {
    ProcessResult r = Run("folder add " + name + " --url " + server_.Url(name) + " --script board.pss --round");
    ASSERT_EQ(r.status, 0) << r.err;
  }
  using LogState = BoardLog;
  LogState Read(const std::string& folder) { return ReadBoardLog(LogRoot() + folder); }
  void ExpectExactly(const std::string& folder, const std::set<int>& topics, const std::string& when) {
    ExpectBoardLog(LogRoot() + folder, topics, when);
  }
  mode_t Mode(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
  }

  BoardServer server_;
  int n_ = 0;
};

TEST_F(TwoProcesses, TwoRunsOfOneFolderAtOnceLoseNothing) {
  AddFolder("site");
  for (int round = 1; round <= kRepeats; ++round) {
    // Both have read the log before either fetches a page.
    server_.HoldFirstPagesFor(2 * round);
    auto one = Start("run site");
    auto two = Start("run site");
    const ProcessResult r1 = one.get(), r2 = two.get();
    ASSERT_EQ(r1.status, 0) << r1.err;
    ASSERT_EQ(r2.status, 0) << r2.err;
    EXPECT_EQ(r1.out.substr(0, 7), "60 new,");
    EXPECT_EQ(r2.out.substr(0, 7), "60 new,");
    const std::set<int> served = server_.Served("site");
    ASSERT_EQ(served.size(), static_cast<std::size_t>(2 * kPerRun * round));
    ExpectExactly("site", served, "round " + std::to_string(round));
  }
}

// A command that changes the log runs while a run has read it and waits on
// the network; the run saves after it.
struct Meanwhile {
  const char* name;
  std::function<std::string(const std::vector<int>& old)> command;
  bool deletes;  // the topics named in the command are deleted
};

class CommandDuringARun : public TwoProcesses, public ::testing::WithParamInterface<Meanwhile> {};

TEST_P(CommandDuringARun, TheRunKeepsWhatTheCommandSaved) {
  AddFolder("site");
  ASSERT_EQ(Run("run site").status, 0);
  std::set<int> expected = server_.Served("site");
  std::set<int> deleted;
  for (int round = 1; round <= kRepeats; ++round) {
    std::vector<int> old(expected.begin(), expected.end());
    std::vector<int> named(old.begin() + round, old.begin() + round + 10);
    server_.HoldFirstPages();
    auto run = Start("run site");
    ASSERT_TRUE(server_.WaitForFirstPages(1 + round));
    const ProcessResult c = Run(GetParam().command(named));
    server_.Release();
    ASSERT_EQ(c.status, 0) << c.err;
    const ProcessResult r = run.get();
    ASSERT_EQ(r.status, 0) << r.err;
    if (GetParam().deletes) {
      for (int t : named) {
        expected.erase(t);
        deleted.insert(t);
      }
    }
    const std::set<int> served = server_.Served("site");
    std::set<int> fresh;
    for (int t : served)
      if (!expected.count(t) && !deleted.count(t)) fresh.insert(t);
    ASSERT_EQ(fresh.size(), static_cast<std::size_t>(kPerRun));
    expected.insert(fresh.begin(), fresh.end());
    ExpectExactly("site", expected, "round " + std::to_string(round));
    // Read marks: the run's new articles unread; what the command marked read stays read.
    const LogState s = Read("site");
    for (int t : fresh) EXPECT_TRUE(s.unread.count(t)) << t;
    if (!GetParam().deletes) {
      for (int t : old) EXPECT_FALSE(s.unread.count(t)) << "read mark undone: " << t;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CommandDuringARun,
    ::testing::Values(Meanwhile{"Delete", [](const std::vector<int>& t) { return "delete site" + Joined(t); }, true},
                      Meanwhile{"MarkAllRead", [](const std::vector<int>&) { return std::string("mark site --read --all"); },
                                false}),
    [](const ::testing::TestParamInfo<Meanwhile>& info) { return std::string(info.param.name); });

TEST_F(TwoProcesses, TwoRoundsAtOnceLoseNothing) {
  AddFolder("a");
  AddFolder("b");
  for (int round = 1; round <= kRepeats; ++round) {
    server_.HoldFirstPagesFor(4 * round - 2);  // both rounds reach folder a first
    auto one = Start("round");
    auto two = Start("round");
    const ProcessResult r1 = one.get(), r2 = two.get();
    ASSERT_EQ(r1.status, 0) << r1.err;
    ASSERT_EQ(r2.status, 0) << r2.err;
    EXPECT_NE(r1.out.find("Folder Round: "), std::string::npos);
    for (const char* folder : {"a", "b"}) {
      const std::set<int> served = server_.Served(folder);
      ASSERT_EQ(served.size(), static_cast<std::size_t>(2 * kPerRun * round)) << folder;
      ExpectExactly(folder, served, std::string(folder) + ", round " + std::to_string(round));
    }
  }
}

// ---- one process and its files ----

// Whether this process may mount a small file system of its own (a private
// mount namespace, as root).
bool CanMountTmpfs() {
  return ::geteuid() == 0 &&
         std::system("unshare --mount --propagation private sh -c 'mount -t tmpfs -o size=64k tmpfs /mnt' "
                     ">/dev/null 2>&1") == 0;
}

TEST_F(TwoProcesses, RunOnAFullFileSystemExitsOneAndSaysWhatWasNotSaved) {
  AddFolder("site");
  ASSERT_EQ(Run("run site").status, 0);
  const std::string log = LogRoot() + "site/kvllog.dat";
  const std::string before = [&] {
    std::string t;
    fs::ReadFile(log, t);
    return t;
  }();
  ProcessResult r;
  std::string how;
  if (CanMountTmpfs()) {
    // The data folder copied onto a tmpfs of its own, filled to the last
    // few kilobytes, in a mount namespace of the run's own.
    how = "tmpfs";
    const std::string mnt = dir + "full";
    fs::ForceDirectories(mnt + "/");
    const std::string script =
        "mount -t tmpfs -o size=256k tmpfs " + mnt + " && cp -a " + dir + "data/. " + mnt + "/ && "
        "(dd if=/dev/zero of=" + mnt + "/filler bs=1k 2>/dev/null; truncate -s -4K " + mnt + "/filler) && "
        "timeout 120 " + BQ_CLI_PATH + " --data " + mnt + " --libs " + dir + "libs --settings " + dir +
        "none.ini run site; status=$?; cmp -s " + mnt + "/Log/site/kvllog.dat " + log + " && echo SAME >&2; exit $status";
    r = RunProcess("unshare --mount --propagation private sh -c '" + script + "'", dir + "err-full");
    EXPECT_NE(r.err.find("SAME"), std::string::npos) << "the old log stays whole\n" << r.err;
  } else {
    // Files may not grow beyond 4 KB: every larger write fails as on a full disk.
    how = "file size limit";
    r = RunProcess("sh -c 'trap \"\" XFSZ; ulimit -f 4; exec " + Line("run site") + "'", dir + "err-full");
    std::string after;
    fs::ReadFile(log, after);
    EXPECT_EQ(after, before);
  }
  RecordProperty("full_disk", how);
  EXPECT_EQ(r.status, 1) << how << "\n" << r.err;
  EXPECT_EQ(r.out.substr(0, 7), "60 new,");
  EXPECT_NE(r.err.find("not saved: "), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("/Log/site/kvllog.dat: "), std::string::npos) << r.err;
}

// A command whose one small write fails (no file may grow at all) says what
// was not saved, exits 1 and leaves the old file whole.
struct FailedWrite {
  const char* name;
  const char* command;
  const char* file;     // below the log root
  const char* claimed;  // what the command prints of the values it saved
};

class AFailedWriteIsNeverSuccess : public TwoProcesses, public ::testing::WithParamInterface<FailedWrite> {};

TEST_P(AFailedWriteIsNeverSuccess, ItExitsOneAndTheOldFileStays) {
  AddFolder("site");
  ASSERT_EQ(Run("schedule set --hours 13 --minute 45 --on").status, 0);
  const std::string file = LogRoot() + GetParam().file;
  std::string before, after;
  ASSERT_TRUE(fs::ReadFile(file, before));
  // Its messages go through a pipe, which the limit does not reach.
  const ProcessResult r = RunProcess("bash -c 'set -o pipefail; (trap \"\" XFSZ; ulimit -f 0; exec " +
                                     Line(GetParam().command) + ") 2>&1 | cat >&2'",
                                 dir + "err-write");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("not saved: " + file + ": "), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find(GetParam().claimed), std::string::npos) << "claims unsaved values\n" << r.err;
  ASSERT_TRUE(fs::ReadFile(file, after));
  EXPECT_EQ(after, before);
}

INSTANTIATE_TEST_SUITE_P(
    Cli, AFailedWriteIsNeverSuccess,
    ::testing::Values(FailedWrite{"FolderSet", "folder set site NickName=n", "site/kvlnode.web", "NickName=n"},
                      FailedWrite{"ScheduleSet", "schedule set --minute 10", "weblog.def", "minute: 10"}),
    [](const ::testing::TestParamInfo<FailedWrite>& info) { return std::string(info.param.name); });

TEST_F(TwoProcesses, ADamagedNodeFileIsKeptAsideOnce) {
  AddFolder("site");
  const std::string node = LogRoot() + "site/kvlnode.web";
  const std::string damaged = "1136170445\r\n42\r\nhttp://site/\r\n";  // cut after three lines
  fs::WriteFileAtomic(node, damaged);
  ProcessResult r = Run("folder set site NickName=n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("kvlnode-damaged.web"), std::string::npos) << r.err;
  std::string kept, now;
  fs::ReadFile(LogRoot() + "site/kvlnode-damaged.web", kept);
  EXPECT_EQ(kept, damaged);
  fs::ReadFile(node, now);
  EXPECT_NE(now, damaged);
  r = Run("folder set site NickName=m");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");  // told once
  EXPECT_FALSE(fs::FileExists(LogRoot() + "site/kvlnode-damaged-2.web"));
}

TEST_F(TwoProcesses, ANodeFileOfItsOwnerAloneStaysSoThroughEverySave) {
  AddFolder("site");
  const std::string node = LogRoot() + "site/kvlnode.web";
  ASSERT_EQ(::chmod(node.c_str(), 0600), 0);
  EXPECT_EQ(Run("folder set site LoginPassword=secret").status, 0);
  EXPECT_EQ(Mode(node), 0600u);
  EXPECT_EQ(Run("run site").status, 0);  // the round stamp, the unread mark
  EXPECT_EQ(Mode(node), 0600u);
}

TEST_F(TwoProcesses, ListingAnUnreadableFolderWritesNothing) {
  AddFolder("site");
  ASSERT_EQ(Run("run site").status, 0);
  const std::string folder = LogRoot() + "site/";
  // The program is copied beside the data: the build folder may lie where
  // the unprivileged user cannot reach it.
  const std::string cli = dir + "bin/brindlequay-cli";
  fs::ForceDirectories(dir + "bin/");
  ASSERT_EQ(std::system(("cp " + std::string(BQ_CLI_PATH) + " " + cli).c_str()), 0);
  // Everything readable for the unprivileged user the listing runs as, but
  // the folder's two files.
  ASSERT_EQ(std::system(("chmod -R a+rX " + dir).c_str()), 0);
  ASSERT_EQ(::chmod((folder + "kvlnode.web").c_str(), 0), 0);
  ASSERT_EQ(::chmod((folder + "kvllog.dat").c_str(), 0), 0);
  // Every file and folder with its mode, size and time.
  auto snapshot = [&] { return RunProcess("find " + dir + "data -printf '%p %m %s %T@\\n' | sort", dir + "err-find").out; };
  const std::string before = snapshot();
  // Root reads files of any mode: the listing runs as nobody then.
  const std::string as = ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
  std::string line = Line("list site");
  line.replace(line.find(BQ_CLI_PATH), std::string(BQ_CLI_PATH).size(), cli);
  const ProcessResult r = RunProcess(as + line, dir + "err-list");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("kvlnode.web"), std::string::npos) << r.err;
  EXPECT_EQ(snapshot(), before);
}

}  // namespace
}  // namespace bq::test
