// The article list over a folder of 1,000,000 articles (threads with
// replies, Japanese bodies of about 300 bytes): opening it the way the
// "データログ" page does (load, thread order, the first screen of rows), the
// text of one row, a jump to the last page, and the memory the open folder
// takes against the size of its log file.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <stdlib.h>
#include <time.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/core/application.h"
#include "app/core/kernel.h"
#include "app/core/list/article_list.h"
#include "app/core/list/article_reader.h"
#include "platform/events.h"
#include "platform/fs.h"
#include "platform/ui.h"

namespace bq {
namespace {

constexpr int kArticles = 1000000;
constexpr int kPageRows = 40;  // rows of a tall list window

const char* const kWords[] = {"\x82\xa0", "\x82\xa2", "\x82\xa4", "\x82\xa6", "\x82\xa8", "\x82\xa9",
                              "\x82\xab", "\x82\xad", "\x93\xfa", "\x96\x7b", "\x8c\xea", "\x95\xb6",
                              "\x8f\x91", "\x90\x6c", "\x8e\x9e", "\x8a\xd4", "\x81\x42", "\x81\x41"};

// Every fifth article starts a thread; the others reply to one of the last
// 2,000 threads: to its first article mostly, else to one of its replies,
// so threads interleave and run a few levels deep, as on a busy board.
void WriteFolder(const std::string& dir) {
  std::mt19937 rng(12);
  std::uniform_int_distribution<int> word(0, static_cast<int>(std::size(kWords)) - 1);
  auto text = [&](int chars) {
    std::string s;
    for (int i = 0; i < chars; ++i) {
      s += kWords[word(rng)];
      if (i % 40 == 39) s += "\r\n";
    }
    return s;
  };
  RecordingUi ui;
  TScrapList log(ui);
  log.OpenFolder(dir);
  log.Folder.TreeView = true;
  std::vector<std::vector<int>> threads;
  for (int i = 1; i <= kArticles; ++i) {
    TDataInfo a;
    a.TOPIC = i;
    if (i % 5 == 1) {
      threads.push_back({i});
    } else {
      const std::size_t window = std::min<std::size_t>(threads.size(), 2000);
      std::vector<int>& thread = threads[threads.size() - 1 - rng() % window];
      a.REFER = rng() % 10 < 7 ? thread[0] : thread[rng() % thread.size()];
      thread.push_back(i);
    }
    a.DATE = 1700000000u + static_cast<std::uint32_t>(i) * 30u;
    a.Unread = rng() % 3 == 0;
    a.TITLE = (a.REFER ? "Re: " : "") + text(10);
    a.AUTHOR = text(4);
    a.BODY = text(140);
    a.HOST = "host" + std::to_string(i % 977) + ".example.ne.jp";
    log.AddItem(a, false);
  }
  log.SaveNode();
  log.SaveLog();
}

// The application, its list model and the generated folder, made once.
struct Setup {
  RecordingUi ui;
  CallbackPump pump;
  app::TApplication app{ui, pump, [] { return SystemProxySettings{}; }};
  app::TArticleList list{app};
  std::string root, folder;
  std::size_t fileBytes = 0;
  // BQ_LIST_BENCH_DIR keeps the generated folder between runs.
  bool keep = getenv("BQ_LIST_BENCH_DIR") != nullptr;
  Setup() {
    char tmpl[] = "/tmp/bqlistbench.XXXXXX";
    if (keep) {
      root = getenv("BQ_LIST_BENCH_DIR");
    } else if (mkdtemp(tmpl)) {
      root = tmpl;
    } else {
      std::abort();
    }
    app.SetupFolders(root + "/data/");
    folder = app.LogRoot() + "big/";
    if (!fs::FileExists(folder + "kvllog.dat")) WriteFolder(folder);
    fileBytes = std::filesystem::file_size(folder + "kvllog.dat");
    malloc_trim(0);
  }
  ~Setup() {
    if (!keep) std::filesystem::remove_all(root);
  }
  // The phases of opening, in milliseconds of this thread's processor time
  // (the machine may be shared; its wall time says less).
  double loadMs = 0, sortMs = 0, paintMs = 0;
  static double CpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
  }
  void Open() {
    const double t0 = CpuMs();
    app::TKernel::Log(app).OpenFolder(folder);  // the load; list.Open then finds it open
    const double t1 = CpuMs();
    list.Open(folder);
    const double t2 = CpuMs();
    for (int r = 0; r < kPageRows; ++r)
      for (int c = 0; c < list.ColumnCount(); ++c) benchmark::DoNotOptimize(list.Cell(r, c));
    const double t3 = CpuMs();
    loadMs = t1 - t0;
    sortMs = t2 - t1;
    paintMs = t3 - t2;
  }
  void Close() {
    app::TKernel::Log(app).CloseWithoutSaving();
    malloc_trim(0);
  }
};

Setup& Shared() {
  static Setup s;
  return s;
}

void BM_OpenMillionArticleFolder(benchmark::State& state) {
  Setup& s = Shared();
  s.Close();
  double heapMb = 0;
  for (auto _ : state) {
    const std::size_t before = mallinfo2().uordblks;
    s.Open();
    heapMb = static_cast<double>(mallinfo2().uordblks - before) / 1e6;
    state.PauseTiming();
    s.Close();
    state.ResumeTiming();
  }
  state.counters["articles"] = kArticles;
  state.counters["load_cpu_ms"] = s.loadMs;
  state.counters["sort_cpu_ms"] = s.sortMs;
  state.counters["paint_cpu_ms"] = s.paintMs;
  state.counters["file_MB"] = static_cast<double>(s.fileBytes) / 1e6;
  state.counters["heap_MB"] = heapMb;
  state.counters["heap_per_file"] = heapMb * 1e6 / static_cast<double>(s.fileBytes);
}
BENCHMARK(BM_OpenMillionArticleFolder)->Unit(benchmark::kMillisecond)->Iterations(3);

// One row's cells, at rows spread over the whole list (thread order, tree
// lines drawn).
void BM_RowText(benchmark::State& state) {
  Setup& s = Shared();
  if (s.list.RowCount() == 0) s.Open();
  std::mt19937 rng(7);
  std::size_t bytes = 0;
  for (auto _ : state) {
    const int row = static_cast<int>(rng() % static_cast<unsigned>(s.list.RowCount()));
    for (int c = 0; c < s.list.ColumnCount(); ++c) bytes += s.list.Cell(row, c).size();
  }
  benchmark::DoNotOptimize(bytes);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RowText)->Unit(benchmark::kNanosecond);

// Ctrl+End in the list: the last page of rows drawn.
void BM_PageToTheEnd(benchmark::State& state) {
  Setup& s = Shared();
  if (s.list.RowCount() == 0) s.Open();
  const int n = s.list.RowCount();
  for (auto _ : state) {
    s.list.SelectOnly(n - 1);
    for (int r = n - kPageRows; r < n; ++r)
      for (int c = 0; c < s.list.ColumnCount(); ++c) benchmark::DoNotOptimize(s.list.Cell(r, c));
    s.list.ClearSelection();
  }
}
BENCHMARK(BM_PageToTheEnd)->Unit(benchmark::kMillisecond);

// A click on one row: it alone is selected, shown in the reader and marked
// read, and the labels and enabled commands are brought up to date.
void BM_ClickOnARow(benchmark::State& state) {
  Setup& s = Shared();
  if (s.list.RowCount() == 0) s.Open();
  std::mt19937 rng(9);
  for (auto _ : state) {
    const int row = static_cast<int>(rng() % static_cast<unsigned>(s.list.RowCount()));
    s.list.SelectOnly(row);
    benchmark::DoNotOptimize(app::ReaderViewOf(app::TKernel::Log(s.app), row));
    s.list.MarkShownRead(row);
    benchmark::DoNotOptimize(s.list.Summarize());
  }
}
BENCHMARK(BM_ClickOnARow)->Unit(benchmark::kMillisecond);

// A header click: the date sort of the whole folder with the focus kept.
void BM_SortByDateClick(benchmark::State& state) {
  Setup& s = Shared();
  if (s.list.RowCount() == 0) s.Open();
  for (auto _ : state) {
    s.list.HeaderClicked(app::kColDate);
    for (int r = 0; r < kPageRows; ++r) benchmark::DoNotOptimize(s.list.Cell(r, app::kColTitle));
  }
}
BENCHMARK(BM_SortByDateClick)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace bq
