// The article list over a folder of 1,000,000 articles (threads with
// replies, Japanese bodies of about 300 bytes): opening it the way the
// "データログ" page does (load, thread order, the first screen of rows), the
// text of one row, a jump to the last page, and the memory the open folder
// takes against the size of its log file.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>
#include <stdlib.h>
#include <time.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/core/application.h"
#include "app/core/kernel.h"
#include "app/core/list/article_list.h"
#include "app/core/list/article_reader.h"
#include "generated_log.h"
#include "platform/events.h"
#include "platform/fs.h"
#include "platform/ui.h"

namespace bq {
namespace {

constexpr int kArticles = 1000000;
constexpr int kPageRows = 40;  // rows of a tall list window

// The application, its list model and the generated folder, made once.
struct Setup {
  RecordingUi ui;
  CallbackPump pump;
  app::TApplication app{ui, pump, [] { return SystemProxySettings{}; }};
  app::TArticleList list{app};
  bench::BenchRoot root;
  std::string folder;
  std::size_t fileBytes = 0;
  Setup() {
    app.SetupFolders(root.Path() + "/data/");
    folder = app.LogRoot() + "big/";
    if (!fs::FileExists(folder + "kvllog.dat")) bench::WriteBoardFolder(folder, kArticles, 140);
    fileBytes = std::filesystem::file_size(folder + "kvllog.dat");
    malloc_trim(0);
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

// The memory this process holds in RAM (the log's text and records are on
// pages of their own, not on the heap).
double ResidentMb() {
  std::FILE* f = std::fopen("/proc/self/statm", "r");
  long pages = 0, resident = 0;
  if (f) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1e6;
}

Setup& Shared() {
  static Setup s;
  return s;
}

void BM_OpenMillionArticleFolder(benchmark::State& state) {
  Setup& s = Shared();
  s.Close();
  double residentMb = 0;
  for (auto _ : state) {
    const double before = ResidentMb();
    s.Open();
    residentMb = ResidentMb() - before;
    state.PauseTiming();
    s.Close();
    state.ResumeTiming();
  }
  state.counters["articles"] = kArticles;
  state.counters["load_cpu_ms"] = s.loadMs;
  state.counters["sort_cpu_ms"] = s.sortMs;
  state.counters["paint_cpu_ms"] = s.paintMs;
  state.counters["file_MB"] = static_cast<double>(s.fileBytes) / 1e6;
  state.counters["resident_MB"] = residentMb;
  state.counters["resident_per_file"] = residentMb * 1e6 / static_cast<double>(s.fileBytes);
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
