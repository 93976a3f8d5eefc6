// The page fetcher on loopback against nginx: network path, cache path, the
// cache index lookup, and the memory a 100 MB page needs.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>

#include "platform/fs.h"
#include "tests/web/local_servers.h"
#include "web/webaccess.h"
#include "web/webcache.h"

namespace bq {
namespace {

struct Site {
  std::string dir;
  test::Nginx nginx;
  bool ok = false;
  Site() {
    char tmpl[] = "/tmp/bqbench.XXXXXX";
    dir = std::string(mkdtemp(tmpl)) + "/";
    ok = test::HaveProgram(test::Nginx::kBinary) && nginx.Start(dir);
    if (!ok) return;
    std::string page;
    for (int i = 0; page.size() < 100 * 1024; ++i)
      page += "<tr><td>" + std::to_string(i) + "</td><td>row text of the table, plain ASCII</td></tr>\r\n";
    page.resize(100 * 1024 - 2);
    page += "\r\n";
    test::WriteText(nginx.html + "page.html", page);
    // The same table with a Japanese word in every row, in Shift_JIS.
    std::string jp;
    for (int i = 0; jp.size() < 100 * 1024; ++i)
      jp += "<tr><td>" + std::to_string(i) + "</td><td>\x93\xfa\x96\x7b\x8c\xea text of the table</td></tr>\r\n";
    jp.resize(100 * 1024 - 2);
    jp += "\r\n";
    test::WriteText(nginx.html + "sjis.html", jp);
  }
  ~Site() { test::Shell("rm -rf '" + dir + "'"); }
};

Site& TheSite() {
  static Site site;
  return site;
}

SystemProxySettings Direct() { return {}; }

// state.range(0): 0 the ASCII page, 1 the Shift_JIS page (which the kanji
// conversion reads through).
void BM_GetPageNetwork(benchmark::State& state) {
  Site& s = TheSite();
  if (!s.ok) return state.SkipWithError(("nginx: " + s.nginx.error).c_str());
  CallbackPump pump;
  TWebAccess web(pump, Direct);
  web.SetCacheDir(s.dir + "cache-net/");
  std::string url = s.nginx.Url(state.range(0) ? "/sjis.html" : "/page.html");
  std::size_t bytes = 0;
  for (auto _ : state) {
    std::string text = web.GetPage(url, false);
    if (web.ReplyNo() != 200) return state.SkipWithError("fetch failed");
    bytes += text.size();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
  state.counters["pages/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GetPageNetwork)->Arg(0)->Arg(1)->Iterations(2000)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_GetPageCache(benchmark::State& state) {
  Site& s = TheSite();
  if (!s.ok) return state.SkipWithError(("nginx: " + s.nginx.error).c_str());
  CallbackPump pump;
  TWebAccess web(pump, Direct);
  web.SetCacheDir(s.dir + "cache-hit/");
  std::string url = s.nginx.Url(state.range(0) ? "/sjis.html" : "/page.html");
  web.GetPage(url, true);
  for (auto _ : state) {
    std::string text = web.GetPage(url, true);
    if (web.ReplyNo() != 999) return state.SkipWithError("not served from the cache");
    benchmark::DoNotOptimize(text.data());
  }
  state.counters["pages/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GetPageCache)->Arg(0)->Arg(1)->Iterations(2000)->Unit(benchmark::kMicrosecond)->UseRealTime();

// One lookup of a recorded address in an index of state.range(0) records.
void BM_CacheFileName(benchmark::State& state) {
  Site& s = TheSite();
  std::string dir = s.dir + "idx" + std::to_string(state.range(0)) + "/";
  fs::ForceDirectories(dir);
  // Records as the fetcher writes them: one per key (synthetic keys spread
  // over the whole range), and the probed address under its own key.
  std::string probe = "http://site.example.jp/board/read.cgi?no=" + std::to_string(state.range(0) / 2);
  std::uint64_t probeKey = CacheKey(probe);
  {
    std::string data;
    auto add = [&](std::uint64_t k, const std::string& a) {
      for (int b = 0; b < 8; ++b) data.push_back(static_cast<char>((k >> (8 * b)) & 0xFF));
      data.push_back(static_cast<char>(a.size() & 0xFF));
      data.push_back(static_cast<char>(a.size() >> 8));
      data += a;
    };
    for (int64_t i = 0; i < state.range(0) - 1; ++i) {
      std::uint64_t k = (static_cast<std::uint64_t>(i) * 0x9E3779B97F4A7C15ull) << 4;
      if (k != probeKey) add(k, "http://site" + std::to_string(i) + ".example.jp/board/read.cgi?no=" + std::to_string(i));
    }
    add(probeKey, probe);
    std::ofstream(dir + "cache.idx", std::ios::binary) << data;
  }
  TCacheIndex idx(dir);
  idx.CacheFileName(probe);  // the first call reads the index
  for (auto _ : state) benchmark::DoNotOptimize(idx.CacheFileName(probe));
  state.counters["records"] = static_cast<double>(idx.Records());
}
BENCHMARK(BM_CacheFileName)->Arg(100)->Arg(100000)->Unit(benchmark::kMicrosecond);

long StatusKb(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
  return -1;
}

// A 100 MB page fetched in a child process, so that its peak resident size
// belongs to this fetch alone.
void BM_HundredMegabytePage(benchmark::State& state) {
  Site& s = TheSite();
  if (!s.ok) return state.SkipWithError(("nginx: " + s.nginx.error).c_str());
  const std::size_t size = 100u << 20;
  if (!fs::FileExists(s.nginx.html + "huge.html")) {
    std::string line = std::string(98, 'h') + "\r\n";
    std::ofstream out(s.nginx.html + "huge.html", std::ios::binary);
    for (std::size_t n = 0; n < size; n += line.size()) out << line;
  }
  double growthMb = 0, textMb = 0;
  for (auto _ : state) {
    int fds[2];
    if (pipe(fds) != 0) return state.SkipWithError("pipe");
    pid_t pid = fork();
    if (pid == 0) {
      long before = StatusKb("VmRSS:");
      CallbackPump pump;
      TWebAccess web(pump, Direct);
      web.SetCacheDir(s.dir + "cache-huge/");
      std::string text = web.GetPage(s.nginx.Url("/huge.html"), false);
      long peak = StatusKb("VmHWM:");
      long result[2] = {peak - before, static_cast<long>(text.size() >> 10)};
      (void)!write(fds[1], result, sizeof result);
      _exit(0);
    }
    close(fds[1]);
    long result[2] = {0, 0};
    (void)!read(fds[0], result, sizeof result);
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    growthMb = static_cast<double>(result[0]) / 1024;
    textMb = static_cast<double>(result[1]) / 1024;
  }
  state.counters["peak_growth_MB"] = growthMb;
  state.counters["page_MB"] = textMb;
  state.counters["peak_per_size"] = growthMb / 100.0;
}
BENCHMARK(BM_HundredMegabytePage)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace bq
