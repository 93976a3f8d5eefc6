// The general programs of bench/programs, each run as a whole process beside
// the same algorithm in Lua 5.4 (with locals), in the same run (and first
// an empty one of each, the start and end that every run pays):
// `brindlequay-cli exec NAME.pss` against `lua5.4 NAME.lua`, alternately.
// Reported per program: the CPU time (user + system) of the child process,
// the least of the repetitions (ours_ms, lua_ms) and their median, and
// ours/lua from the least times (the target is at most 1). Both programs
// must print the same result. Environment: BQ_BENCH_REPS repetitions (7);
// BQ_BENCH_BASELINE_CLI another brindlequay-cli run beside them (an older
// build, for before-and-after figures: baseline_ms).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct ChildRun {
  bool ok = false;
  double seconds = 0;  // user + system CPU time of the child
  std::string out;
};

// Runs argv[0] (looked up on PATH) with its output captured.
ChildRun RunChild(const std::vector<std::string>& argv) {
  ChildRun result;
  int fds[2];
  if (pipe(fds) != 0) return result;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (rc != 0) {
    close(fds[0]);
    return result;
  }
  char buf[4096];
  for (ssize_t got; (got = read(fds[0], buf, sizeof buf)) != 0;) {
    if (got < 0) {
      if (errno == EINTR) continue;
      break;
    }
    result.out.append(buf, static_cast<std::size_t>(got));
  }
  close(fds[0]);
  int status = 0;
  rusage ru{};
  while (wait4(pid, &status, 0, &ru) < 0 && errno == EINTR) {
  }
  result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  result.seconds = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
                   static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
  return result;
}

// The result a program printed: Lua prints it as one line of numbers
// separated by tabs; ours through PRINT, as the record dump's TITLE and
// AUTHOR lines.
std::string LuaResult(const std::string& out) { return out.substr(0, out.find('\n')); }

std::string DumpField(const std::string& out, const std::string& label) {
  std::size_t at = out.find(label);
  if (at == std::string::npos) return std::string();
  at += label.size();
  return out.substr(at, out.find_first_of("\r\n", at) - at);
}

std::string OurResult(const std::string& out) {
  std::string title = DumpField(out, "3:TITLE:");
  std::string author = DumpField(out, "4:AUTHOR:");
  return author.empty() ? title : title + "\t" + author;
}

double Least(std::vector<double> v) { return v.empty() ? 0 : *std::min_element(v.begin(), v.end()); }
double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void BM_Program(benchmark::State& state, const std::string& name) {
  const std::string dir = BQ_PROGRAMS_DIR;
  const std::vector<std::string> ours{BQ_CLI_PATH, "exec", dir + "/" + name + ".pss"};
  const std::vector<std::string> lua{"lua5.4", dir + "/" + name + ".lua"};
  const char* baselineCli = std::getenv("BQ_BENCH_BASELINE_CLI");
  std::vector<std::string> baseline;
  if (baselineCli && *baselineCli) baseline = {baselineCli, "exec", dir + "/" + name + ".pss"};
  const char* repsText = std::getenv("BQ_BENCH_REPS");
  const int reps = std::max(1, repsText ? std::atoi(repsText) : 7);

  std::vector<double> ourTimes, luaTimes, baseTimes;
  for (auto _ : state) {
    for (int k = 0; k < reps; ++k) {
      ChildRun o = RunChild(ours);
      ChildRun l = RunChild(lua);
      if (!o.ok) {
        state.SkipWithError("brindlequay-cli exec failed");
        return;
      }
      if (!l.ok) {
        state.SkipWithError("lua5.4 did not run (is it installed?)");
        return;
      }
      if (OurResult(o.out) != LuaResult(l.out)) {
        state.SkipWithError(("the results differ: " + OurResult(o.out) + " against " + LuaResult(l.out)).c_str());
        return;
      }
      ourTimes.push_back(o.seconds * 1e3);
      luaTimes.push_back(l.seconds * 1e3);
      if (!baseline.empty()) {
        ChildRun b = RunChild(baseline);
        if (b.ok && OurResult(b.out) == OurResult(o.out)) baseTimes.push_back(b.seconds * 1e3);
      }
    }
  }
  state.counters["ours_ms"] = Least(ourTimes);
  state.counters["lua_ms"] = Least(luaTimes);
  state.counters["ours/lua"] = Least(luaTimes) > 0 ? Least(ourTimes) / Least(luaTimes) : 0;
  state.counters["ours_median_ms"] = Median(ourTimes);
  state.counters["lua_median_ms"] = Median(luaTimes);
  if (!baseTimes.empty()) state.counters["baseline_ms"] = Least(baseTimes);
}

const bool kRegistered = [] {
  for (const char* name : {"empty", "fib", "primes", "calls", "words"}) {
    benchmark::RegisterBenchmark((std::string("BM_Program/") + name).c_str(),
                                 [n = std::string(name)](benchmark::State& s) { BM_Program(s, n); })
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
  }
  return true;
}();

}  // namespace
