// The script machine running whole scripts headless: an integer loop (side
// by side with the same loop in Lua 5.4 when lua5.4 is installed), a string
// loop and a call loop. Reported: ns per executed instruction and per pass.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "script/engine.h"
#include "script/host.h"
#include "script/machine.h"

namespace {

using bq::script::RunState;

void RunScript(benchmark::State& state, const std::string& source, double passes) {
  bq::script::TScriptEngine engine;
  bq::script::THeadlessHost host;
  bq::script::TScriptMachine machine(engine, host);
  if (!engine.CompileScript(source, false)) {
    state.SkipWithError("the benchmark script did not compile");
    return;
  }
  std::uint64_t instructions = 0;
  for (auto _ : state) {
    machine.ResetMachine();
    std::uint64_t before = machine.Executed;
    machine.State = RunState::Run;
    machine.Run();
    instructions += machine.Executed - before;
    if (machine.State != RunState::Halted) state.SkipWithError("the script did not halt");
  }
  double runs = static_cast<double>(state.iterations());
  state.counters["ns_per_instruction"] = benchmark::Counter(
      static_cast<double>(instructions) / runs, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["ns_per_pass"] =
      benchmark::Counter(passes, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["instructions_per_pass"] = static_cast<double>(instructions) / runs / passes;
}

void BM_MachineIntegerLoop(benchmark::State& state) {
  RunScript(state, "SCRIPT b; BEGIN x := 0; FOR i := 1 TO 10000000 DO x := x + i * 2 END.", 1e7);
}
BENCHMARK(BM_MachineIntegerLoop)->Unit(benchmark::kMillisecond);

void BM_MachineStringLoop(benchmark::State& state) {
  std::string text;
  for (int i = 0; i < 20; ++i) text += "abcdefghi" + std::to_string(i % 10);  // 200 bytes
  RunScript(state,
            "SCRIPT b; BEGIN t := '" + text +
                "'; n := 0; FOR i := 1 TO 1000000 DO BEGIN s := SUBSTR(t, 50, 20); "
                "p := TEXTPOS('i9', t); u := s + 'xyz' END END.",
            1e6);
}
BENCHMARK(BM_MachineStringLoop)->Unit(benchmark::kMillisecond);

void BM_MachineCallLoop(benchmark::State& state) {
  RunScript(state,
            "SCRIPT b; FUNCDEF f(a, b) BEGIN f := a + b END; "
            "BEGIN x := 0; FOR i := 1 TO 1000000 DO x := f(x, i) END.",
            1e6);
}
BENCHMARK(BM_MachineCallLoop)->Unit(benchmark::kMillisecond);

double ChildCpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_CHILDREN, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The same integer loop in Lua 5.4: the CPU time of the interpreter (as the
// machine's figures are CPU time), minus its start-up (a loop of one pass).
double LuaSeconds(const char* loop) {
  std::string cmd = std::string("lua5.4 -e '") + loop + "' >/dev/null 2>&1";
  double t0 = ChildCpuSeconds();
  int rc = std::system(cmd.c_str());
  double t1 = ChildCpuSeconds();
  if (rc != 0) return -1;
  return t1 - t0;
}

void BM_LuaIntegerLoop(benchmark::State& state) {
  double total = 0;
  for (auto _ : state) {
    double loop = LuaSeconds("local x = 0 for i = 1, 10000000 do x = x + i * 2 end print(x)");
    double empty = LuaSeconds("local x = 0 for i = 1, 1 do x = x + i * 2 end print(x)");
    if (loop < 0 || empty < 0) {
      state.SkipWithError("lua5.4 is not installed");
      return;
    }
    total += loop - empty;
  }
  state.counters["ns_per_pass"] = total / static_cast<double>(state.iterations()) / 1e7 * 1e9;
}
BENCHMARK(BM_LuaIntegerLoop)->Unit(benchmark::kMillisecond)->Iterations(3);

// The Lua loop with x global, as the script's variables are.
void BM_LuaIntegerLoopGlobal(benchmark::State& state) {
  double total = 0;
  for (auto _ : state) {
    double loop = LuaSeconds("x = 0 for i = 1, 10000000 do x = x + i * 2 end print(x)");
    double empty = LuaSeconds("x = 0 for i = 1, 1 do x = x + i * 2 end print(x)");
    if (loop < 0 || empty < 0) {
      state.SkipWithError("lua5.4 is not installed");
      return;
    }
    total += loop - empty;
  }
  state.counters["ns_per_pass"] = total / static_cast<double>(state.iterations()) / 1e7 * 1e9;
}
BENCHMARK(BM_LuaIntegerLoopGlobal)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
