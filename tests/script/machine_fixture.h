#pragma once
// A compiled script, a recording host and a fresh machine beside them.
#include <gtest/gtest.h>

#include <string>

#include "script/engine.h"
#include "script/host_recording.h"
#include "script/machine.h"
#include "textlib/cp932.h"

namespace bq::script::test {

class MachineTest : public ::testing::Test {
 protected:
  TScriptEngine engine;
  RecordingHost host;
  TScriptMachine m{engine, host};

  // Compiles a UTF-8 snippet (without BRK lines unless debug).
  void Compile(const std::string& utf8, bool debug = false) {
    ASSERT_TRUE(engine.CompileScript(Utf8ToSjis(utf8), debug));
  }
  // Compiles and runs to the end.
  void RunScript(const std::string& utf8) {
    Compile(utf8);
    m.State = RunState::Run;
    m.Run();
  }
  // Runs the main statement of SCRIPT t; BEGIN body END.
  void RunBody(const std::string& body) { RunScript("SCRIPT t; BEGIN " + body + " END."); }

  const TScriptValue& Var(const std::string& name) {
    std::string upper;
    for (char c : name) upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    std::int32_t slot = engine.Symbols.FindValue(upper, Kinds(sym::kVariable), 0);
    EXPECT_GE(slot, 0) << name;
    return m.StackSlot(slot);
  }
  std::string Text(const std::string& name) { return SjisToUtf8(Var(name).Str); }
  std::int32_t Int(const std::string& name) { return Var(name).Int; }

  // Starts a hand-assembled image: 0 BRK 0, 1 NOP, 2 HALT; entry at 3.
  void Begin(std::int32_t variables = 20) {
    engine.ResetCompiler();
    engine.Code.Emit(OpCode::BRK, 0, 0);
    engine.Code.Emit(OpCode::NOP, mode::kNone, 0);
    engine.Code.Emit(OpCode::HALT, mode::kNone, 0);
    engine.Code.EntryPoint = 3;
    engine.Code.VariableCount = variables;
  }
  std::int32_t Emit(OpCode op, std::uint8_t mode, std::int32_t operand = 0) {
    return engine.Code.Emit(op, mode, operand);
  }
  // Closes the image with its final HALT and resets the machine.
  void End() {
    engine.Code.Emit(OpCode::HALT, mode::kNone, 0);
    m.ResetMachine();
  }
};

// The message of the exception a callable throws, in UTF-8.
template <class F>
std::string ErrorText(F f) {
  try {
    f();
  } catch (const std::exception& e) {
    return SjisToUtf8(e.what());
  }
  return "(no error)";
}

}  // namespace bq::script::test
