// Pattern search and tag stripping over generated bulletin-board pages of
// 1 MB and 10 MB; MB/s at both sizes shows whether the cost grows linearly.
#include <benchmark/benchmark.h>

#include <map>
#include <string>

#include "bench/bbs_page.h"
#include "textlib/html.h"
#include "textlib/pattern.h"

namespace {

const std::string& Page(std::size_t megabytes) {
  static std::map<std::size_t, std::string> pages;
  auto it = pages.find(megabytes);
  if (it == pages.end()) it = pages.emplace(megabytes, bq::bench::MakeBbsPage(megabytes << 20)).first;
  return it->second;
}

// Every match of the pattern, each search starting where the last ended, as a
// clip loop does.
void FindEvery(benchmark::State& state, const char* pattern) {
  const std::string& page = Page(state.range(0));
  std::size_t matches = 0;
  for (auto _ : state) {
    matches = 0;
    std::size_t at = 0;
    while (auto m = bq::PatternFind(page, pattern, at)) {
      ++matches;
      at = m->end > m->begin ? m->end : m->end + 1;
    }
    benchmark::DoNotOptimize(matches);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
  state.counters["matches"] = static_cast<double>(matches);
}

void BM_PatternFindCells(benchmark::State& state) { FindEvery(state, "<td>*</td>"); }
void BM_PatternFindCellsAttr(benchmark::State& state) { FindEvery(state, "<td*>*</td>"); }
void BM_PatternFindAbsent(benchmark::State& state) { FindEvery(state, "<tx>*</tx>"); }
void BM_PatternFindDigitsAlt(benchmark::State& state) { FindEvery(state, "no=\\d+|mailto:"); }

void BM_StripPage(benchmark::State& state) {
  const std::string& page = Page(state.range(0));
  bq::TagActionTable table;
  std::size_t out = 0;
  for (auto _ : state) {
    out = bq::StripHtml(page, table, 0).size();
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
  state.counters["out_bytes"] = static_cast<double>(out);
}

void BM_TagUpperCasePage(benchmark::State& state) {
  const std::string& page = Page(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(bq::TagUpperCase(page, true).size());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}

void BM_StripNoGt(benchmark::State& state) {
  std::string text(static_cast<std::size_t>(state.range(0)) << 20, 'x');
  for (std::size_t i = 0; i < text.size(); i += 64) text[i] = '<';
  bq::TagActionTable table;
  for (auto _ : state) benchmark::DoNotOptimize(bq::StripHtml(text, table, 0).size());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

}  // namespace

BENCHMARK(BM_PatternFindCells)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PatternFindCellsAttr)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PatternFindAbsent)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PatternFindDigitsAlt)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StripPage)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TagUpperCasePage)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StripNoGt)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
