// The workbench over a 5,000-line script: compile with every pane refreshed
// (step list, listing, dumps, template page, page text, variables), and
// 1,000 line steps each followed by the refresh the page shows.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <string>

#include "app/core/kernel.h"
#include "app/core/workbench/workbench.h"
#include "platform/fs.h"

namespace {

bq::SystemProxySettings NoProxy() { return {}; }

std::string MakeScript(int lines) {
  std::string s =
      "SCRIPT wb;\r\n"
      "row[]:-\r\n"
      "<tr><td>${DATE}</td><td>${TITLE}</td></tr>\r\n"
      "-::\r\n"
      "FUNCDEF add(a, b) BEGIN add := a + b END;\r\n"
      "BEGIN\r\n";
  const char* kBlock[] = {
      "  n := n + 1;\r\n",
      "\tt := 'row ' + INT2STR(n);\r\n",
      "  IF n > 3 THEN m := add(m, n) ELSE m := 0;\r\n",
      "  s := TRIM(t) + UPPER(t);\r\n",
      "  # a comment\r\n",
  };
  for (int i = 6; i < lines - 1; ++i) s += kBlock[i % 5];
  s += "END.\r\n";
  return s;
}

// The application and workbench in a folder of their own.
struct Bench {
  Bench() {
    char tmpl[] = "/tmp/bqwbbench.XXXXXX";
    dir = std::string(mkdtemp(tmpl)) + "/";
    bq::fs::ForceDirectories(dir + "libs/");
    app.SetProgramFolder(dir, dir + "libs/");
    app.SetupFolders(dir + "data/");
  }
  ~Bench() {
    std::string cmd = "rm -rf '" + dir + "'";
    if (std::system(cmd.c_str()) != 0) std::abort();
  }
  // What the page asks for besides the dumps the model refreshes itself.
  std::size_t RefreshPanes() {
    std::size_t n = wb.Listing().size() + wb.TemplateDump().size() + wb.ExtractedText().size();
    for (const auto& e : wb.Steps().Entries()) n += e.size();
    auto slots = wb.VariableSlots();
    for (int k = 0; k < static_cast<int>(slots.size()); ++k) n += wb.ValueOfEntry(k).size();
    return n;
  }
  std::string dir;
  bq::RecordingUi ui;
  bq::CallbackPump pump;
  bq::app::TApplication app{ui, pump, NoProxy};
  bq::app::TWorkbench wb{app};
};

void BM_WorkbenchCompileAndRefresh5000Lines(benchmark::State& state) {
  Bench b;
  std::string source = MakeScript(5000);
  double totalMs = 0;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    b.wb.LoadSource(source);
    b.wb.Compile();
    benchmark::DoNotOptimize(b.RefreshPanes());
    totalMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  }
  state.counters["ms"] = totalMs / static_cast<double>(state.iterations());
  state.counters["steps"] = b.wb.Steps().Count();
  state.counters["instructions"] = bq::app::TKernel::Engine(b.app).Code.Count();
}
BENCHMARK(BM_WorkbenchCompileAndRefresh5000Lines)->Unit(benchmark::kMillisecond);

void BM_WorkbenchLineStep1000Times(benchmark::State& state) {
  Bench b;
  b.wb.LoadSource(MakeScript(5000));
  b.wb.Compile();
  double totalMs = 0;
  for (auto _ : state) {
    b.wb.Reset();
    auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < 1000; ++i) {
      b.wb.Step();
      benchmark::DoNotOptimize(b.wb.Dumps().variables.size());
    }
    totalMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    if (b.wb.CodePosition() < 500) state.SkipWithError("the steps did not advance line by line");
  }
  state.counters["ms_per_1000"] = totalMs / static_cast<double>(state.iterations());
}
BENCHMARK(BM_WorkbenchLineStep1000Times)->Unit(benchmark::kMillisecond);

}  // namespace
