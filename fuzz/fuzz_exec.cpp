// Compiles arbitrary bytes as a script and runs whatever compiles, under an
// instruction budget, with a recording host that yields two list items and
// no file access. Run-time errors are fine; a crash, a hang, undefined
// behaviour or a read outside the code image, the stack or a text is not.
// Each script runs twice, with the machine's groups and without them: the
// two runs must end in the same state.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "script/engine.h"
#include "script/host_recording.h"
#include "script/machine.h"
#include "script/views.h"

namespace {

constexpr std::uint64_t kBudget = 20000;

void RunAll(bq::script::TScriptMachine& m, bool stepLines) {
  using bq::script::RunState;
  m.Budget = kBudget;
  m.State = stepLines ? RunState::StepLine : RunState::Run;
  // Line steps and instructions that jump to themselves return early; go on
  // until the program halts, is stopped by the budget, or fails.
  while ((m.State == RunState::Run || m.State == RunState::StepLine) && m.Executed < kBudget) m.Run();
}

std::string Show(const bq::script::TScriptValue& v) {
  return std::to_string(v.Kind) + ":" + std::to_string(v.Int) + ":" + v.Str;
}

// All a script, the views or the host could tell of the machine.
std::string Snapshot(const bq::script::TScriptMachine& m) {
  const bq::script::TRegisters& r = m.R;
  std::string s = "A=" + Show(r.A) + " B=" + Show(r.B) + " PC=" + std::to_string(r.PC) + " STK=" +
                  std::to_string(r.STK) + " SPC=" + std::to_string(r.SPC) + " PAR=" + std::to_string(r.PAR) +
                  " FRP=" + std::to_string(r.FRP) + " CCR=" + std::to_string(r.CCR) + " LINE=" +
                  std::to_string(r.CurrentLine) + " STATE=" + std::to_string(static_cast<int>(m.State)) +
                  " EXEC=" + std::to_string(m.Executed) + " PRINT=" + m.PrintBuffer + "\n";
  for (std::int32_t i = 0; i < m.StackSize(); ++i) s += Show(m.StackSlot(i)) + " ";
  return s;
}

// Runs the compiled script on a machine of its own; its end state and the
// error that ended it, if any.
std::string RunOnce(bq::script::TScriptEngine& engine, bool fused, bool stepLines) {
  bq::script::RecordingHost host;
  host.listItems = {"a", "<b>x</b>"};
  bq::script::TScriptMachine m(engine, host);
  m.Fusion = fused;
  m.FilesEnabled = false;
  m.MaxText = 1u << 20;
  m.MaxStack = 20000;
  m.SetVariableText("%URL%", "http://127.0.0.1/");
  std::string error;
  try {
    RunAll(m, stepLines);
  } catch (const bq::Exception& e) {
    // a conversion error, a limit, or a host failure ends the run
    error = e.what();
  }
  if (m.R.STK < 0 || m.R.STK > m.StackSize()) std::abort();
  (void)bq::script::ShowRegisters(m);
  (void)bq::script::ShowStack(m);
  (void)bq::script::ShowVariables(m);
  (void)bq::script::ShowSystemVariables(m);
  return Snapshot(m) + "ERROR=" + error;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bq::script::TScriptEngine engine;
  engine.LibFolder = "/nonexistent-bq-fuzz-libs/";
  std::string source(reinterpret_cast<const char*>(data), size);
  try {
    if (!engine.CompileScript(source, (size & 1) != 0)) return 0;
  } catch (const bq::script::ECompileError&) {
    return 0;
  }
  const bool stepLines = (size & 2) != 0;
  const std::string fused = RunOnce(engine, true, stepLines);
  const std::string plain = RunOnce(engine, false, stepLines);
  if (fused != plain) {
    std::fprintf(stderr, "with groups:\n%s\nwithout:\n%s\n", fused.c_str(), plain.c_str());
    std::abort();
  }
  return 0;
}
