// Page conversion to Shift_JIS and link extraction over a generated
// bulletin-board page, at 1 MB and 10 MB so a cost that does not grow
// linearly shows as a drop in MB/s.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <map>
#include <string>

#include "bench/bbs_page_kanji.h"
#include "textlib/cp932.h"
#include "textlib/kanji.h"
#include "textlib/links.h"

namespace {

struct Pages {
  std::string sjis, euc, jis, utf8, utf8Undeclared;
};

const Pages& PagesOf(std::size_t bytes) {
  static std::map<std::size_t, Pages> cache;
  auto it = cache.find(bytes);
  if (it != cache.end()) return it->second;
  Pages p;
  p.sjis = bq::bench::MakeBbsPage(bytes, "Shift_JIS").sjis;
  p.euc = bq::bench::MakeBbsPage(bytes, "EUC-JP").euc;
  p.jis = bq::bench::MakeBbsPage(bytes, "ISO-2022-JP").jis;
  p.utf8 = bq::SjisToUtf8(bq::bench::MakeBbsPage(bytes, "UTF-8").sjis);
  p.utf8Undeclared = bq::SjisToUtf8(bq::bench::MakeBbsPage(bytes, "").sjis);
  return cache.emplace(bytes, std::move(p)).first->second;
}

void Convert(benchmark::State& state, const std::string& page) {
  for (auto _ : state) {
    std::string out = bq::ToSjis(page);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}

void BM_EucPageToSjis(benchmark::State& state) { Convert(state, PagesOf(state.range(0) << 20).euc); }
void BM_JisPageToSjis(benchmark::State& state) { Convert(state, PagesOf(state.range(0) << 20).jis); }
void BM_Utf8PageToSjis(benchmark::State& state) { Convert(state, PagesOf(state.range(0) << 20).utf8); }
void BM_Utf8UndeclaredPageToSjis(benchmark::State& state) {
  Convert(state, PagesOf(state.range(0) << 20).utf8Undeclared);
}
void BM_SjisPageToSjis(benchmark::State& state) { Convert(state, PagesOf(state.range(0) << 20).sjis); }
// A 100 KB Shift_JIS page that declares no charset, as the page fetcher
// sees most of them: the declaration scan, the UTF-8 check and the
// detectors all read it before it is returned unchanged.
void BM_SjisUndeclaredPageToSjis(benchmark::State& state) {
  static const std::string page = bq::bench::MakeBbsPage(static_cast<std::size_t>(state.range(0)) << 10, "").sjis;
  Convert(state, page);
  state.counters["pages/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// The same EUC-JP page through iconv, for comparison.
void BM_IconvEucPageToSjis(benchmark::State& state) {
  const std::string& page = PagesOf(state.range(0) << 20).euc;
  iconv_t cd = iconv_open("SHIFT_JIS", "EUC-JP");
  std::string out;
  for (auto _ : state) {
    out.assign(page.size() + 16, '\0');
    std::string in = page;
    char* ip = in.data();
    char* op = out.data();
    size_t il = in.size(), ol = out.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    iconv(cd, &ip, &il, &op, &ol);
    benchmark::DoNotOptimize(out.data());
    out.resize(out.size() - ol);
  }
  iconv_close(cd);
  // The timed converter must give iconv's bytes for the same page.
  if (out != bq::ToSjis(page)) state.SkipWithError("ToSjis differs from iconv");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}

void BM_ExtractLinks(benchmark::State& state) {
  const std::string& page = PagesOf(state.range(0) << 20).sjis;
  std::size_t links = 0;
  for (auto _ : state) {
    bq::LinkList list = bq::ExtractLinks(page, "http://bbs.example.jp/board/index.html");
    links = list.size();
    benchmark::DoNotOptimize(list.data());
  }
  state.counters["links"] = static_cast<double>(links);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}

void BM_ExtractImageSources(benchmark::State& state) {
  const std::string& page = PagesOf(state.range(0) << 20).sjis;
  for (auto _ : state) {
    bq::LinkList list = bq::ExtractSources(page, "IMG", "http://bbs.example.jp/board/index.html");
    benchmark::DoNotOptimize(list.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}

BENCHMARK(BM_ExtractLinks)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExtractImageSources)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EucPageToSjis)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JisPageToSjis)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Utf8PageToSjis)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Utf8UndeclaredPageToSjis)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SjisPageToSjis)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SjisUndeclaredPageToSjis)->Arg(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_IconvEucPageToSjis)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

}  // namespace
