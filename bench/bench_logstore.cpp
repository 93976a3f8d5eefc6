// The article log at 10,000 and 100,000 articles (about 1 KB of Japanese
// text each, so the larger log is about 100 MB on disk): load, save, thread
// sort, appending every article one by one with its identity check, and the
// folder tree's unread count of a log.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "generated_log.h"
#include "logstore/scrap_list.h"
#include "logstore/unread_counts.h"
#include "platform/fs.h"
#include "platform/sys.h"
#include "platform/ui.h"

namespace bq {
namespace {

std::vector<TDataInfo> MakeArticles(int count) {
  std::mt19937 rng(static_cast<unsigned>(count));
  auto text = [&](int chars) { return bench::JapaneseText(rng, chars); };
  std::vector<TDataInfo> out(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    TDataInfo& a = out[static_cast<std::size_t>(i)];
    a.TOPIC = i + 1;
    a.REFER = (i > 10 && rng() % 10 < 3) ? static_cast<std::int32_t>(rng() % static_cast<unsigned>(i)) + 1 : 0;
    a.DATE = 1700000000u + static_cast<std::uint32_t>(i) * 60u + rng() % 30u;
    a.Unread = rng() % 4 == 0;
    a.TITLE = (a.REFER ? "Re: " : "") + text(12);
    a.AUTHOR = text(4);
    a.MAILTO = "user" + std::to_string(i) + "@example.jp";
    a.PAGEURL = "http://bbs.example.jp/read.cgi?no=" + std::to_string(i);
    a.BODY = text(470);
    a.HOST = "host" + std::to_string(i % 977) + ".example.ne.jp";
  }
  return out;
}

// The generated logs are large: every folder made here goes when the
// program ends.
struct TempFolders {
  std::vector<std::string> made;
  ~TempFolders() {
    for (const std::string& d : made) std::filesystem::remove_all(d);
  }
};

// One folder per size, written once per run.
std::string FolderFor(int count) {
  static TempFolders temp;
  static std::map<int, std::string> folders;
  auto it = folders.find(count);
  if (it != folders.end()) return it->second;
  char tmpl[] = "/tmp/bqbench.XXXXXX";
  if (!mkdtemp(tmpl)) return {};
  temp.made.push_back(tmpl);
  std::string dir = std::string(tmpl) + "/site/";
  RecordingUi ui;
  TScrapList list(ui);
  list.OpenFolder(dir);
  for (const TDataInfo& a : MakeArticles(count)) list.AddItem(a, false);
  list.SaveLog();
  folders[count] = dir;
  return dir;
}

void SetCounters(benchmark::State& state, const std::string& dir) {
  state.counters["articles"] = static_cast<double>(state.range(0));
  state.counters["MB"] = static_cast<double>(fs::FileAge(dir + "kvllog.dat") >= 0 ? [&] {
    std::string s;
    fs::ReadFile(dir + "kvllog.dat", s);
    return s.size();
  }() : 0) / 1e6;
}

void BM_LoadLog(benchmark::State& state) {
  const std::string dir = FolderFor(static_cast<int>(state.range(0)));
  RecordingUi ui;
  for (auto _ : state) {
    TScrapList list(ui);
    list.OpenFolder(dir);
    benchmark::DoNotOptimize(list.Count());
    state.PauseTiming();
    list.CloseWithoutSaving();
    state.ResumeTiming();
  }
  SetCounters(state, dir);
}

void BM_SaveLog(benchmark::State& state) {
  const std::string dir = FolderFor(static_cast<int>(state.range(0)));
  RecordingUi ui;
  TScrapList list(ui);
  list.OpenFolder(dir);
  for (auto _ : state) {
    state.PauseTiming();
    list.SetSelectedUnread(false);  // nothing selected: only marks the log changed
    state.ResumeTiming();
    list.SaveLog();
  }
  SetCounters(state, dir);
}

// The same save with fsync left out, to show how much of the save is the
// disk flushing 100 MB (the real save always flushes).
void BM_SaveLogWithoutFlush(benchmark::State& state) {
  const std::string dir = FolderFor(static_cast<int>(state.range(0)));
  RecordingUi ui;
  TScrapList list(ui);
  list.OpenFolder(dir);
  sys::CurrentHooks().fsync = [](int) { return 0; };
  for (auto _ : state) {
    state.PauseTiming();
    list.SetSelectedUnread(false);
    state.ResumeTiming();
    list.SaveLog();
  }
  sys::CurrentHooks() = sys::RealHooks();
  SetCounters(state, dir);
}

void BM_ThreadSort(benchmark::State& state) {
  const std::string dir = FolderFor(static_cast<int>(state.range(0)));
  RecordingUi ui;
  TScrapList list(ui);
  list.OpenFolder(dir);
  list.Folder.TreeView = true;
  for (auto _ : state) {
    state.PauseTiming();
    list.SortItems(2);  // start from title order, far from thread order
    state.ResumeTiming();
    list.SortItems(0);
  }
  state.counters["articles"] = static_cast<double>(state.range(0));
}

void BM_AddItemOneByOne(benchmark::State& state) {
  const std::vector<TDataInfo> articles = MakeArticles(static_cast<int>(state.range(0)));
  RecordingUi ui;
  for (auto _ : state) {
    state.PauseTiming();
    auto list = std::make_unique<TScrapList>(ui);
    state.ResumeTiming();
    for (const TDataInfo& a : articles) benchmark::DoNotOptimize(list->AddItem(a, false));
    state.PauseTiming();
    list.reset();
    state.ResumeTiming();
  }
  state.counters["articles"] = static_cast<double>(state.range(0));
}

// The folder tree's unread count of one folder: the first time (the log
// read and counted) and while its file is unchanged (one stat).
void BM_UnreadCountFirst(benchmark::State& state) {
  const std::string dir = FolderFor(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    TUnreadCounts counts;
    benchmark::DoNotOptimize(counts.Of(dir));
  }
  SetCounters(state, dir);
}

void BM_UnreadCountCached(benchmark::State& state) {
  const std::string dir = FolderFor(static_cast<int>(state.range(0)));
  TUnreadCounts counts;
  counts.Of(dir);
  for (auto _ : state) benchmark::DoNotOptimize(counts.Of(dir));
  SetCounters(state, dir);
}

BENCHMARK(BM_LoadLog)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SaveLog)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SaveLogWithoutFlush)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ThreadSort)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_AddItemOneByOne)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_UnreadCountFirst)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_UnreadCountCached)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace bq
