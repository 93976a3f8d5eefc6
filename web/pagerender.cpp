#include "web/pagerender.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <fstream>
#include <vector>

#include "platform/events.h"
#include "platform/sys.h"
#include "textlib/cp932.h"
#include "textlib/limits.h"

extern char** environ;

namespace bq {

namespace {

constexpr int kPollMs = 20;
// How long the group may take to go once killed, or Chromium to exit after
// it printed the document.
constexpr std::uint64_t kExitWaitMs = 3000;

TRenderResult Failure(const std::string& utf8) {
  TRenderResult r;
  r.error = Utf8ToSjis(utf8);
  return r;
}

// A fresh profile folder for one render, removed with everything in it.
class TempProfile {
 public:
  TempProfile() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/brindlequay-chromium.XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (::mkdtemp(buf.data())) path_ = buf.data();
  }
  ~TempProfile() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempProfile(const TempProfile&) = delete;
  TempProfile& operator=(const TempProfile&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// The Chromium process group: killed and reaped when the object goes, so no
// way out of a render leaves a browser behind.
class ChromiumGroup {
 public:
  explicit ChromiumGroup(pid_t pid) : pid_(pid) {}
  ~ChromiumGroup() { Kill(); }
  ChromiumGroup(const ChromiumGroup&) = delete;
  ChromiumGroup& operator=(const ChromiumGroup&) = delete;

  // True once the main process has exited and been reaped.
  bool Exited() {
    if (!reaped_ && ::waitpid(pid_, nullptr, WNOHANG) == pid_) reaped_ = true;
    return reaped_;
  }
  void Kill() {
    ::kill(-pid_, SIGKILL);
    // The helpers are Chromium's children, not ours: the group is gone when
    // the signal finds nobody left in it.
    std::uint64_t until = TickCount64() + kExitWaitMs;
    while (TickCount64() < until) {
      bool mainGone = Exited();
      if (mainGone && ::kill(-pid_, 0) != 0 && errno == ESRCH) return;
      ::usleep(5000);
    }
  }
 private:
  pid_t pid_;
  bool reaped_ = false;
};

std::vector<std::string> Arguments(const std::string& program, const std::string& profile, const std::string& address,
                                   const std::string& proxyHost, int proxyPort, std::uint32_t budgetSeconds) {
  std::vector<std::string> args = {program,
                                   "--headless",
                                   "--disable-gpu",
                                   "--no-first-run",
                                   "--no-default-browser-check",
                                   "--disable-extensions",
                                   "--disable-background-networking",
                                   "--disable-component-update",
                                   "--disable-sync",
                                   "--disable-dev-shm-usage",
                                   "--mute-audio",
                                   "--user-data-dir=" + profile};
  // The sandbox needs user namespaces an administrator's process may not
  // use; Chromium refuses to start as root with it.
  if (::geteuid() == 0) args.push_back("--no-sandbox");
  if (proxyHost.empty()) {
    args.push_back("--no-proxy-server");
  } else {
    args.push_back("--proxy-server=http://" + proxyHost + ":" + std::to_string(proxyPort));
  }
  // Timers and animation frames run in virtual time, which advances only
  // while no request is pending: a page whose list comes from fetch() is
  // finished as soon as its requests are, not after the budget's seconds.
  args.push_back("--virtual-time-budget=" + std::to_string(static_cast<std::uint64_t>(budgetSeconds) * 1000));
  args.push_back("--dump-dom");
  args.push_back(address);
  return args;
}

// Starts argv with its standard output on outFd, in a process group of its
// own, signals as a fresh program has them, and TMPDIR set to tmpDir (the
// files Chromium keeps there go with the profile, also when it is killed);
// 0 on failure.
pid_t Spawn(const std::vector<std::string>& args, int outFd, const std::string& tmpDir) {
  posix_spawn_file_actions_t fa;
  posix_spawnattr_t attr;
  posix_spawn_file_actions_init(&fa);
  posix_spawnattr_init(&attr);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&fa, outFd, 1);
  posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  for (int s : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGCHLD}) sigaddset(&defaults, s);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setpgroup(&attr, 0);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e)
    if (std::string_view(*e).substr(0, 7) != "TMPDIR=") env.emplace_back(*e);
  env.push_back("TMPDIR=" + tmpDir);
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  pid_t pid = 0;
  int rc = posix_spawn(&pid, args[0].c_str(), &fa, &attr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&fa);
  posix_spawnattr_destroy(&attr);
  return rc == 0 ? pid : 0;
}

}  // namespace

std::string FindOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "";
  std::size_t start = 0;
  while (start <= dirs.size()) {
    std::size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string dir = dirs.substr(start, end - start);
    if (!dir.empty()) {
      std::string file = dir + "/" + name;
      struct stat st{};
      if (::stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(file.c_str(), X_OK) == 0) return file;
    }
    start = end + 1;
  }
  return std::string();
}

TGroupMemory ProcessGroupMemory(pid_t pgid) {
  TGroupMemory total;
  DIR* proc = ::opendir("/proc");
  if (!proc) return total;
  while (dirent* e = ::readdir(proc)) {
    char* end = nullptr;
    long pid = std::strtol(e->d_name, &end, 10);
    if (pid <= 0 || *end != '\0' || ::getpgid(static_cast<pid_t>(pid)) != pgid) continue;
    std::ifstream rollup(std::string("/proc/") + e->d_name + "/smaps_rollup");
    std::string line;
    while (std::getline(rollup, line)) {
      if (line.compare(0, 4, "Rss:") == 0) total.rssKb += std::strtoull(line.c_str() + 4, nullptr, 10);
      if (line.compare(0, 4, "Pss:") == 0) total.pssKb += std::strtoull(line.c_str() + 4, nullptr, 10);
    }
  }
  ::closedir(proc);
  return total;
}

TRenderResult TPageRenderer::Render(const std::string& address, const std::string& proxyHost, int proxyPort,
                                    const std::function<bool()>& cancelled, const std::string& abortText) {
  std::string program = Program.empty() ? FindOnPath("chromium") : Program;
  if (program.empty() || ::access(program.c_str(), X_OK) != 0)
    return Failure("chromium が見つかりません: apt install chromium");
  TempProfile profile;
  if (profile.path().empty()) return Failure("chromium のプロファイル用の一時フォルダが作れません");
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return Failure("chromium を起動できません");
  sys::Fd readEnd(fds[0]), writeEnd(fds[1]);
  const std::string tmpDir = profile.path() + "/tmp";
  ::mkdir(tmpDir.c_str(), 0700);
  pid_t pid = Spawn(Arguments(program, profile.path() + "/profile", address, proxyHost, proxyPort, BudgetSeconds),
                    writeEnd.get(), tmpDir);
  writeEnd.reset();
  if (pid == 0) return Failure("chromium を起動できません: " + program);
  ++started_;
  ChromiumGroup group(pid);
  ::fcntl(readEnd.get(), F_SETFL, O_NONBLOCK);

  TRenderResult out;
  const std::uint64_t deadline = TickCount64() + static_cast<std::uint64_t>(BudgetSeconds) * 1000;
  bool eof = false;
  while (!eof) {
    if (cancelled && cancelled()) {
      group.Kill();
      out.error = abortText;
      return out;
    }
    if (OnWait) OnWait(pid);
    if (TickCount64() >= deadline) {
      group.Kill();
      return Failure("JavaScript の実行が " + std::to_string(BudgetSeconds) + " 秒以内に終わりませんでした: " +
                     SjisToUtf8(address));
    }
    pollfd p{readEnd.get(), POLLIN, 0};
    if (::poll(&p, 1, kPollMs) <= 0) continue;
    char buf[65536];
    for (;;) {
      ssize_t n = sys::Read(readEnd.get(), buf, sizeof buf);
      if (n > 0) {
        if (out.html.size() + static_cast<std::size_t>(n) > limits::kMaxCachedPage) {
          group.Kill();
          return Failure("chromium の出力が大きすぎます: " + SjisToUtf8(address));
        }
        out.html.append(buf, static_cast<std::size_t>(n));
        continue;
      }
      eof = n == 0;
      break;
    }
  }
  // The document is complete once the output ends: the group goes at once
  // rather than after Chromium's own shutdown.
  group.Kill();
  if (out.html.find('<') == std::string::npos)
    return Failure("chromium がページを作れませんでした: " + SjisToUtf8(address));
  out.ok = true;
  return out;
}

}  // namespace bq
