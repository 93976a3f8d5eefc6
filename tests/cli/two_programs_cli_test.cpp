// Two brindlequay-cli processes on one data folder, for real, against a
// generated board on 127.0.0.1 that hands every run 60 new articles (20 a
// page, 3 pages): every article served is in the log exactly once, no
// deleted article comes back, no read mark is undone. Each case five times.
// Then what a failed write, a damaged or protected node file and an
// unreadable folder do to one process.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "logstore/scrap_list.h"
#include "platform/fs.h"
#include "platform/ui.h"
#include "tests/support/app_fixture.h"
#include "textlib/cp932.h"

namespace bq::test {
namespace {

constexpr int kPerPage = 20;
constexpr int kPages = 3;
constexpr int kPerRun = kPerPage * kPages;
constexpr int kRepeats = 5;
constexpr auto kGateLimit = std::chrono::seconds(20);

// A board that makes up new articles: the first page of a board ("/NAME/1")
// opens a batch of 60 topics of its own, its pages 2 and 3 follow as
// "/NAME/BATCH/P". Every fourth article replies to the one before it. Each
// connection is answered on a thread of its own, so runs can overlap; a
// first page can be held back until a number of first pages have come in,
// or until the test lets it go.
class BoardServer {
 public:
  BoardServer() {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    const int on = 1;
    ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd_, 64) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
      return;
    port_ = ntohs(a.sin_port);
    acceptor_ = std::thread([this] { Accept(); });
  }
  ~BoardServer() {
    stop_ = true;
    {
      std::lock_guard<std::mutex> g(mu_);
      released_ = true;
    }
    cv_.notify_all();
    ::shutdown(fd_, SHUT_RDWR);
    ::close(fd_);
    if (acceptor_.joinable()) acceptor_.join();
    for (auto& t : workers_) t.join();
  }
  bool Listening() const { return port_ != 0; }
  std::string Url(const std::string& board) const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/" + board + "/1";
  }
  // First pages wait until this many have arrived (0: none waits).
  void HoldFirstPagesFor(int runs) {
    std::lock_guard<std::mutex> g(mu_);
    gate_ = runs;
    released_ = false;
  }
  // First pages wait until Release.
  void HoldFirstPages() { HoldFirstPagesFor(1 << 30); }
  void Release() {
    {
      std::lock_guard<std::mutex> g(mu_);
      released_ = true;
    }
    cv_.notify_all();
  }
  // Waits (bounded) until `count` first pages have come in since the start.
  bool WaitForFirstPages(int count) {
    std::unique_lock<std::mutex> g(mu_);
    return cv_.wait_for(g, kGateLimit, [&] { return firstPages_ >= count; });
  }
  // The topics served so far, per board.
  std::set<int> Served(const std::string& board) {
    std::lock_guard<std::mutex> g(mu_);
    return served_[board];
  }

 private:
  void Accept() {
    while (!stop_) {
      const int c = ::accept(fd_, nullptr, nullptr);
      if (c < 0) break;
      std::lock_guard<std::mutex> g(mu_);
      workers_.emplace_back([this, c] { Answer(c); });
    }
  }
  void Answer(int c) {
    std::string request;
    char buf[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
      const ssize_t n = ::recv(c, buf, sizeof buf, 0);
      if (n <= 0) break;
      request.append(buf, static_cast<std::size_t>(n));
    }
    const std::size_t sp = request.find(' '), sp2 = request.find(' ', sp + 1);
    const std::string target = sp == std::string::npos ? "" : request.substr(sp + 1, sp2 - sp - 1);
    const std::string body = Page(target);
    const std::string reply = std::string(body.empty() ? "HTTP/1.0 404 Not Found" : "HTTP/1.0 200 OK") +
                              "\r\nContent-Type: text/html; charset=UTF-8\r\nContent-Length: " +
                              std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    for (std::size_t sent = 0; sent < reply.size();) {
      const ssize_t n = ::send(c, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) break;
      sent += static_cast<std::size_t>(n);
    }
    ::close(c);
  }
  // "/board/1" or "/board/batch/page".
  std::string Page(const std::string& target) {
    std::vector<std::string> parts;
    for (std::size_t p = 1; p <= target.size();) {
      std::size_t q = target.find('/', p);
      if (q == std::string::npos) q = target.size();
      parts.push_back(target.substr(p, q - p));
      p = q + 1;
    }
    int batch = 0, page = 0;
    if (parts.size() == 2 && parts[1] == "1") {
      std::unique_lock<std::mutex> g(mu_);
      batch = batches_[parts[0]]++;
      ++firstPages_;
      cv_.notify_all();
      cv_.wait_for(g, kGateLimit, [&] { return released_ || firstPages_ >= gate_; });
      page = 1;
    } else if (parts.size() == 3) {
      batch = std::atoi(parts[1].c_str());
      page = std::atoi(parts[2].c_str());
    }
    if (page < 1 || page > kPages) return {};
    return Html(parts[0], batch, page);
  }
  std::string Html(const std::string& board, int batch, int page) {
    std::string html = "<html><head><meta charset=\"UTF-8\"><title>board</title></head><body>\n";
    const int first = batch * kPerRun + (page - 1) * kPerPage + 1;
    for (int t = first; t < first + kPerPage; ++t) {
      const int refer = t % 4 == 0 ? t - 1 : 0;
      const int minutes = t;
      char date[32];
      std::snprintf(date, sizeof date, "2026/01/%02d %02d:%02d", 1 + minutes / 1440, minutes / 60 % 24, minutes % 60);
      html += "<div class=\"post\"><a name=\"" + std::to_string(t) + "\">[" + std::to_string(t) +
              "]</a> <span class=\"re\">" + std::to_string(refer) + "</span> <b>記事 " + std::to_string(t) +
              "</b> 投稿者:<i>名前" + std::to_string(t % 7) + "</i> <small>" + date +
              "</small>\n<blockquote>本文 " + std::to_string(t) + "<br>二行目</blockquote></div>\n";
      std::lock_guard<std::mutex> g(mu_);
      served_[board].insert(t);
    }
    if (page < kPages)
      html += "<p><a href=\"/" + board + "/" + std::to_string(batch) + "/" + std::to_string(page + 1) +
              "\">次のページ</a></p>\n";
    return html + "</body></html>\n";
  }

  int fd_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread acceptor_;
  std::vector<std::thread> workers_;
  std::mutex mu_;
  std::condition_variable cv_;
  std::map<std::string, int> batches_;
  std::map<std::string, std::set<int>> served_;
  int firstPages_ = 0;
  int gate_ = 0;
  bool released_ = true;
};

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
  struct LogState {
    std::map<int, int> copies;  // topic -> articles with it
    std::set<int> unread;
  };
  LogState Read(const std::string& folder) {
    RecordingUi ui;
    TScrapList log(ui);
    log.SetReadOnly(true);
    EXPECT_TRUE(log.OpenFolder(LogRoot() + folder));
    LogState s;
    for (int i = 0; i < log.Count(); ++i) {
      const ArticleView a = log.View(i);
      ++s.copies[a.TOPIC];
      if (a.Unread) s.unread.insert(a.TOPIC);
    }
    EXPECT_TRUE(ui.calls.empty());
    return s;
  }
  // Every topic served is in the log once, and nothing else is.
  void ExpectExactly(const std::string& folder, const std::set<int>& topics, const std::string& when) {
    const LogState s = Read(folder);
    std::set<int> stored;
    int duplicated = 0;
    for (const auto& [topic, n] : s.copies) {
      stored.insert(topic);
      duplicated += n - 1;
    }
    std::vector<int> lost, extra;
    std::set_difference(topics.begin(), topics.end(), stored.begin(), stored.end(), std::back_inserter(lost));
    std::set_difference(stored.begin(), stored.end(), topics.begin(), topics.end(), std::back_inserter(extra));
    EXPECT_EQ(lost.size(), 0u) << when << ": lost, the first " << (lost.empty() ? 0 : lost.front());
    EXPECT_EQ(duplicated, 0) << when;
    EXPECT_EQ(extra.size(), 0u) << when << ": came back or never served, the first "
                                << (extra.empty() ? 0 : extra.front());
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

std::string Joined(const std::vector<int>& topics) {
  std::string out;
  for (int t : topics) {
    out += ' ';
    out += std::to_string(t);
  }
  return out;
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
  const char* file;  // below the log root
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
  ASSERT_TRUE(fs::ReadFile(file, after));
  EXPECT_EQ(after, before);
}

INSTANTIATE_TEST_SUITE_P(
    Cli, AFailedWriteIsNeverSuccess,
    ::testing::Values(FailedWrite{"FolderSet", "folder set site NickName=n", "site/kvlnode.web"},
                      FailedWrite{"ScheduleSet", "schedule set --minute 10", "weblog.def"}),
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
