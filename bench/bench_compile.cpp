// Compiling a generated 20,000-line script: loops, CASE, calls, clip
// templates and builtins. Reports milliseconds per compile and heap
// allocations per source line.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>
#include <string>

#include "script/engine.h"

namespace {

std::atomic<std::size_t> gAllocations{0};

// One repeating block of 20 lines.
constexpr const char* kBlock =
    "  FOR i := 1 TO 10 DO total := total + i * 2;\r\n"
    "  WHILE n < 5 DO n := n + 1;\r\n"
    "  CASE n OF\r\n"
    "    1: kind := 'one';\r\n"
    "    2..4: kind := 'few';\r\n"
    "    'x*': kind := 'pattern';\r\n"
    "  ELSE kind := \"many %n%\"\r\n"
    "  END;\r\n"
    "  s := add(n, total) + TRIM(kind) + UPPER(title);\r\n"
    "  IF LENGTH(s) > 10 AND n IN [1, 3..5] THEN s := SUBSTR(s, 1, 10) ELSE s := '';\r\n"
    "  REPLACE(s, 'a', 'b', 0);\r\n"
    "  CLIP(row, page);\r\n"
    "  FOREACH r IN @CLIP[row, page] DO\r\n"
    "  BEGIN\r\n"
    "    PACK(0: n, 2: DATE, 3: TITLE, 7: BODY);\r\n"
    "    PUTLOG(0)\r\n"
    "  END;\r\n"
    "  REPEAT n := n - 1 UNTIL n <= 0;\r\n"
    "  report(s);\r\n"
    "  # a comment line\r\n";

std::string MakeScript(int lines) {
  std::string s =
      "SCRIPT bench;\r\n"
      "row[]:-\r\n"
      "<tr><td>${DATE}</td><td>${TITLE}</td><td>${BODY}</td></tr>\r\n"
      "-::\r\n"
      "FUNCDEF add(a, b) BEGIN add := a + b END;\r\n"
      "PROCDEF report(m) BEGIN IF m <> '' THEN PRINT(m) END;\r\n"
      "BEGIN\r\n";
  int body = lines - 8;
  for (int i = 0; i < body / 20; ++i) s += kBlock;
  for (int i = 0; i < body % 20; ++i) s += "  n := n + 1;\r\n";
  s += "END.\r\n";
  return s;
}

void BM_CompileScript20000Lines(benchmark::State& state) {
  const int kLines = 20000;
  std::string source = MakeScript(kLines);
  bq::script::TScriptEngine engine;
  engine.CompileScript(source, true);  // warm the tables' capacity once
  std::size_t allocations = 0;
  double totalMs = 0;
  for (auto _ : state) {
    std::size_t before = gAllocations.load(std::memory_order_relaxed);
    auto t0 = std::chrono::steady_clock::now();
    bool ok = engine.CompileScript(source, true);
    totalMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    allocations = gAllocations.load(std::memory_order_relaxed) - before;
    benchmark::DoNotOptimize(ok);
    if (!ok) state.SkipWithError("script did not compile");
  }
  state.counters["ms"] = totalMs / static_cast<double>(state.iterations());
  state.counters["allocs/line"] = static_cast<double>(allocations) / kLines;
  state.counters["instructions"] = engine.Code.Count();
}
BENCHMARK(BM_CompileScript20000Lines)->Unit(benchmark::kMillisecond);

void BM_CompileScript20000LinesFreshEngine(benchmark::State& state) {
  const int kLines = 20000;
  std::string source = MakeScript(kLines);
  std::size_t allocations = 0;
  for (auto _ : state) {
    std::size_t before = gAllocations.load(std::memory_order_relaxed);
    bq::script::TScriptEngine engine;
    benchmark::DoNotOptimize(engine.CompileScript(source, true));
    allocations = gAllocations.load(std::memory_order_relaxed) - before;
  }
  state.counters["allocs/line"] = static_cast<double>(allocations) / kLines;
}
BENCHMARK(BM_CompileScript20000LinesFreshEngine)->Unit(benchmark::kMillisecond);

}  // namespace

// Counts every heap allocation of the benchmark program.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t n) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
