// Compiles arbitrary bytes as a script and runs whatever compiles, under an
// instruction budget, with a recording host that yields two list items and
// no file access. Run-time errors are fine; a crash, a hang, undefined
// behaviour or a read outside the code image, the stack or a text is not.
#include <cstdint>
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
  bq::script::RecordingHost host;
  host.listItems = {"a", "<b>x</b>"};
  bq::script::TScriptMachine m(engine, host);
  m.FilesEnabled = false;
  m.MaxText = 1u << 20;
  m.MaxStack = 20000;
  m.SetVariableText("%URL%", "http://127.0.0.1/");
  try {
    RunAll(m, (size & 2) != 0);
  } catch (const bq::Exception&) {
    // a conversion error, a limit, or a host failure ends the run
  }
  if (m.R.STK < 0 || m.R.STK > m.StackSize()) std::abort();
  (void)bq::script::ShowRegisters(m);
  (void)bq::script::ShowStack(m);
  (void)bq::script::ShowVariables(m);
  (void)bq::script::ShowSystemVariables(m);
  return 0;
}
