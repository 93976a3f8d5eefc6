// What a user waits for, each time in a fresh process so the figures are the
// whole program's: opening a folder of 1,000,000 articles as the desktop's
// list does (bq_open_probe: set-up, load, thread order, first screen of
// rows), and `brindlequay-cli list FOLDER --unread` over 100,000 articles.
// Printed: wall time of the whole process, its processor time (user and
// system), its peak resident memory and that against the log file's size.
//
// BQ_LIST_BENCH_DIR keeps the generated folders between runs (the 1M folder
// is the one bench_article_list opens too).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "generated_log.h"
#include "platform/fs.h"

extern char** environ;

namespace bq {
namespace {

// Plain bytes, so they travel between processes as they are.
struct ProcessFigures {
  double wallMs = 0, cpuMs = 0, peakMb = 0;
  int status = -1;
};

double NowMs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double Ms(const timeval& t) { return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3; }

// Runs argv with stdout into a file and measures it whole.
ProcessFigures Spawn(const std::vector<std::string>& args, const std::string& outFile) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ProcessFigures f;
  pid_t pid = 0;
  const double start = NowMs();
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return f;
  int status = 0;
  rusage ru{};
  if (wait4(pid, &status, 0, &ru) != pid) return f;
  f.wallMs = NowMs() - start;
  f.cpuMs = Ms(ru.ru_utime) + Ms(ru.ru_stime);
  f.peakMb = static_cast<double>(ru.ru_maxrss) / 1024.0;
  f.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return f;
}

// A new process starts with its parent's resident memory counted in its
// peak, and this program may hold a million articles by the time it
// measures. So a small launcher, forked before anything grew, spawns the
// measured programs: requests (NUL-separated words) go down one pipe, the
// figures come back up another. It ends when the pipe closes.
class Launcher {
 public:
  Launcher() {
    int down[2], up[2];
    if (::pipe(down) != 0 || ::pipe(up) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(down[1]);
      ::close(up[0]);
      Serve(down[0], up[1]);
      ::_exit(0);
    }
    ::close(down[0]);
    ::close(up[1]);
    to_ = down[1];
    from_ = up[0];
  }
  ~Launcher() {
    if (pid_ <= 0) return;
    ::close(to_);
    ::close(from_);
    ::waitpid(pid_, nullptr, 0);
  }
  ProcessFigures Run(const std::vector<std::string>& args, const std::string& outFile) {
    std::string request = outFile;
    for (const std::string& a : args) request += '\0' + a;
    const std::size_t n = request.size();
    ProcessFigures f;
    if (pid_ <= 0 || ::write(to_, &n, sizeof n) != sizeof n ||
        ::write(to_, request.data(), n) != static_cast<ssize_t>(n) || !ReadAll(from_, &f, sizeof f))
      f.status = -1;
    return f;
  }

 private:
  static bool ReadAll(int fd, void* p, std::size_t n) {
    char* c = static_cast<char*>(p);
    while (n > 0) {
      const ssize_t r = ::read(fd, c, n);
      if (r <= 0) return false;
      c += r;
      n -= static_cast<std::size_t>(r);
    }
    return true;
  }
  static void Serve(int in, int out) {
    std::size_t n = 0;
    while (ReadAll(in, &n, sizeof n)) {
      std::string request(n, '\0');
      if (!ReadAll(in, request.data(), n)) return;
      std::vector<std::string> words;
      for (std::size_t p = 0; p <= request.size();) {
        std::size_t z = request.find('\0', p);
        if (z == std::string::npos) z = request.size();
        words.push_back(request.substr(p, z - p));
        p = z + 1;
      }
      const std::string outFile = words.front();
      words.erase(words.begin());
      ProcessFigures f = Spawn(words, outFile);
      if (::write(out, &f, sizeof f) < 0) return;
    }
  }
  pid_t pid_ = -1;
  int to_ = -1, from_ = -1;
};

Launcher gLauncher;  // forked while the program is still small

ProcessFigures RunProcess(const std::vector<std::string>& args, const std::string& outFile, std::string& out) {
  ProcessFigures f = gLauncher.Run(args, outFile);
  fs::ReadFile(outFile, out);
  return f;
}

// Writes a generated folder in a child process, so this one stays small.
void WriteFolderAside(const std::string& folder, int count, int bodyChars) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    bench::WriteBoardFolder(folder, count, bodyChars);
    ::_exit(0);
  }
  ::waitpid(pid, nullptr, 0);
}

// The data folder holding the generated folders.
struct BenchData {
  bench::BenchRoot root;
  std::string Data() const { return root.Path() + "/data/"; }
  // The folder below the log root, generated when missing.
  std::string Folder(const std::string& name, int count, int bodyChars) const {
    const std::string folder = Data() + "Log/" + name + "/";
    if (!fs::FileExists(folder + "kvllog.dat")) WriteFolderAside(folder, count, bodyChars);
    return folder;
  }
};

BenchData& Data() {
  static BenchData d;
  return d;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// Runs the command each iteration; counters are the medians.
void MeasureProcess(benchmark::State& state, const std::vector<std::string>& args, const std::string& logFile) {
  const double fileMb = static_cast<double>(std::filesystem::file_size(logFile)) / 1e6;
  std::vector<double> wall, cpu, peak, inner;
  const std::string out = Data().root.Path() + "/probe-out.txt";
  for (auto _ : state) {
    std::string text;
    ProcessFigures f = RunProcess(args, out, text);
    if (f.status != 0) {
      state.SkipWithError(("exit status " + std::to_string(f.status)).c_str());
      return;
    }
    state.SetIterationTime(f.wallMs / 1e3);
    wall.push_back(f.wallMs);
    cpu.push_back(f.cpuMs);
    peak.push_back(f.peakMb);
    double openMs = 0;
    if (std::sscanf(text.c_str(), "open_ms %lf", &openMs) == 1) inner.push_back(openMs);
  }
  state.counters["wall_ms"] = Median(wall);
  state.counters["cpu_ms"] = Median(cpu);
  state.counters["peak_MB"] = Median(peak);
  state.counters["file_MB"] = fileMb;
  state.counters["peak_per_file"] = Median(peak) / fileMb;
  if (!inner.empty()) state.counters["open_ms"] = Median(inner);
}

void BM_OpenMillionFolderProcess(benchmark::State& state) {
  const std::string folder = Data().Folder("big", 1000000, 140);
  MeasureProcess(state, {BQ_OPEN_PROBE, Data().Data(), folder}, folder + "kvllog.dat");
}
BENCHMARK(BM_OpenMillionFolderProcess)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// The floor under the open: the 1M log file read into memory of its own
// (fresh pages, as the log reads it) and nothing else, in this process.
void BM_ReadMillionLogFileOnly(benchmark::State& state) {
  const std::string file = Data().Folder("big", 1000000, 140) + "kvllog.dat";
  std::vector<double> cpu;
  for (auto _ : state) {
    timespec t0{}, t1{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t0);
    fs::ByteBlock block;
    fs::FileStamp stamp;
    if (fs::ReadFile(file, block, stamp, SIZE_MAX) != fs::ReadResult::kRead) {
      state.SkipWithError("cannot read the log");
      return;
    }
    benchmark::DoNotOptimize(block.data());
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t1);
    cpu.push_back(static_cast<double>(t1.tv_sec - t0.tv_sec) * 1e3 + static_cast<double>(t1.tv_nsec - t0.tv_nsec) / 1e6);
  }
  state.counters["cpu_ms"] = Median(cpu);
  state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(file)) / 1e6;
}
BENCHMARK(BM_ReadMillionLogFileOnly)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ListUnread100kProcess(benchmark::State& state) {
  const std::string folder = Data().Folder("list100k", 100000, 330);
  MeasureProcess(state,
                 {BQ_CLI_PATH, "--data", Data().Data(), "--settings", Data().root.Path() + "/none.ini", "list",
                  "list100k", "--unread"},
                 folder + "kvllog.dat");
}
BENCHMARK(BM_ListUnread100kProcess)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
}  // namespace bq
