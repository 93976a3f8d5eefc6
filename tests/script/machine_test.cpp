// The machine through compiled scripts and hand-assembled code: value
// conversions, result kinds, flags, frames, loops, CASE and IN, run states,
// and the bounds that keep a script inside the image, the stack and its texts.
#include <algorithm>
#include <sstream>

#include "platform/events.h"
#include "tests/script/machine_fixture.h"

namespace bq::script::test {
namespace {

std::int32_t AddressOf(const TCodeImage& code, OpCode op, std::int32_t from = 0) {
  for (std::int32_t a = from; a < code.Count(); ++a)
    if (code[a].Op == op) return a;
  return -1;
}

// --- value conversions and result kinds ---

TEST_F(MachineTest, AddJoinsTextByDefaultAndSubtractsNumbers) {
  RunBody("a := '12' + 3; b := '12' - 3; c := 'abcABC' - 'b'; d := z + 1; e := z + 'q'");
  EXPECT_EQ(Var("a").Kind, kind::kString);
  EXPECT_EQ(Text("a"), "123");
  EXPECT_EQ(Var("b").Kind, kind::kInteger);
  EXPECT_EQ(Int("b"), 9);
  EXPECT_EQ(Text("c"), "acAC");
  EXPECT_EQ(Var("d").Kind, kind::kInteger);  // empty + number is a number
  EXPECT_EQ(Int("d"), 1);
  EXPECT_EQ(Var("e").Kind, kind::kString);
  EXPECT_EQ(Text("e"), "q");
}

TEST_F(MachineTest, DivisionAndRemainderByZeroGiveZero) {
  RunBody("a := 7 DIV 0; b := 7 MOD 0; c := -7 MOD 2; d := -7 DIV 2; e := 7 / n; f := 7 MOD n");
  EXPECT_EQ(Int("a"), 0);
  EXPECT_EQ(Int("b"), 0);
  EXPECT_EQ(Int("c"), -1);
  EXPECT_EQ(Int("d"), -3);
  EXPECT_EQ(Int("e"), 0);
  EXPECT_EQ(Int("f"), 0);
}

TEST_F(MachineTest, LogicalOperationsAreNotBitwise) {
  RunBody("a := NOT 'abc'; b := 2 AND 4; c := 'a' AND 'b'; d := 0 OR 'x'; e := 3 XOR 0; f := 1 XOR 1");
  EXPECT_EQ(Int("a"), 1);
  EXPECT_EQ(Int("b"), 1);
  EXPECT_EQ(Text("b"), "1");  // the result carries its decimal text
  EXPECT_EQ(Int("c"), 1);
  EXPECT_EQ(Int("d"), 0);
  EXPECT_EQ(Int("e"), 1);
  EXPECT_EQ(Int("f"), 0);
}

TEST_F(MachineTest, IntegerArithmeticWrapsAt32Bits) {
  RunBody("a := 2147483647 + 1; b := 65536 * 65536; c := -(-2147483647 - 1); d := 1 SHL 33; e := -1 SHR 28");
  EXPECT_EQ(Int("a"), INT32_MIN);
  EXPECT_EQ(Int("b"), 0);
  EXPECT_EQ(Int("c"), INT32_MIN);
  EXPECT_EQ(Int("d"), 2);  // the count's low 5 bits
  EXPECT_EQ(Int("e"), 15);  // right shift without sign
}

TEST_F(MachineTest, ComparisonsConvertToTheCommonKind) {
  RunBody("a := '10' > 9; b := '10' > '9'; c := 'abc' = 'abc'; d := -2147483647 - 1 < 2147483647; "
          "e := ' 42 ' = 42; f := z = 0");
  EXPECT_EQ(Int("a"), 1);  // numbers
  EXPECT_EQ(Int("b"), 0);  // texts: "10" sorts before "9"
  EXPECT_EQ(Int("c"), 1);
  EXPECT_EQ(Int("d"), 1);  // no overflow in the difference
  EXPECT_EQ(Int("e"), 1);  // a text is trimmed before it becomes a number
  EXPECT_EQ(Int("f"), 1);
}

TEST_F(MachineTest, TextsCompareInTextOrderUnderEveryCondition) {
  // Letters fold, then lower case sorts first; a longer text after its prefix.
  struct Case {
    const char* left;
    const char* right;
    const char* results;  // =, <>, <, >, <=, >=
  };
  const Case cases[] = {
      {"'a'", "'a'", "100011"}, {"'a'", "'A'", "011010"}, {"'a'", "'B'", "011010"},
      {"'B'", "'a'", "010101"}, {"'abc'", "'ab'", "010101"}, {"''", "'x'", "011010"},
  };
  const char* ops[] = {"=", "<>", "<", ">", "<=", ">="};
  for (const Case& c : cases) {
    std::ostringstream body;
    for (int k = 0; k < 6; ++k) body << (k ? "; " : "") << 'r' << k << " := " << c.left << ' ' << ops[k] << ' ' << c.right;
    RunBody(body.str());
    for (int k = 0; k < 6; ++k) {
      const std::string name{'r', static_cast<char>('0' + k)};
      SCOPED_TRACE(testing::Message() << c.left << ' ' << ops[k] << ' ' << c.right);
      EXPECT_EQ(Var(name).Kind, kind::kInteger);
      EXPECT_EQ(Int(name), c.results[k] - '0');
      EXPECT_EQ(Text(name), std::string(1, c.results[k]));
    }
  }
}

TEST_F(MachineTest, NotANumberStopsTheRunPastTheFailingInstruction) {
  Compile("SCRIPT t; BEGIN x := '-'; y := x - 1 END.");
  std::int32_t sub = AddressOf(engine.Code, OpCode::SUB);
  ASSERT_GT(sub, 0);
  EXPECT_EQ(ErrorText([&] { m.Run(); }), "'-' は整数ではありません");
  EXPECT_EQ(m.R.PC, sub + 1);

  Compile("SCRIPT t; BEGIN x := '99999999999999999999' - 1 END.");
  EXPECT_EQ(ErrorText([&] { m.Run(); }), "'99999999999999999999' は整数ではありません");
  Compile("SCRIPT t; BEGIN x := 'abc' - 1; y := '18446744073709551615' - 0 END.");
  m.Run();
  EXPECT_EQ(Int("x"), -1);  // any other text is 0
  EXPECT_EQ(Int("y"), -1);  // 64 bits cut to the low 32
}

// --- flags ---

TEST_F(MachineTest, LoadsAndTestsSetTheFlagsWord) {
  Begin();
  std::int32_t s = engine.Pool.Add("12");
  Emit(OpCode::LDA, mode::kImmediate, 0);
  Emit(OpCode::SETF, mode::kImmediate, 1);
  Emit(OpCode::LDA, mode::kImmediate, -5);
  Emit(OpCode::LDA, mode::kPool, s);
  Emit(OpCode::LDB, mode::kImmediate, 20);
  Emit(OpCode::TST, mode::kRegB, 0);
  Emit(OpCode::TST, mode::kImmediate, 12);
  End();
  m.State = RunState::StepOne;
  std::vector<std::uint16_t> ccr;
  for (int k = 0; k < 7; ++k) {
    m.Run();
    ccr.push_back(m.R.CCR);
  }
  EXPECT_EQ(ccr, (std::vector<std::uint16_t>{kFlagZ, kFlagZ | kFlagOption, kFlagN, 0, 0, kFlagN, kFlagZ}));
  EXPECT_EQ(m.R.A.Kind, kind::kInteger);  // TST converted A itself
  EXPECT_EQ(m.R.A.Str, "12");
  EXPECT_EQ(m.R.B.Kind, kind::kInteger);
}

TEST_F(MachineTest, APoolTextLoadedIntoAReplacesItsNumberAndSetsZOnlyWhenEmpty) {
  const struct {
    const char* text;
    std::uint16_t flags;
  } cases[] = {{"", kFlagZ}, {"0", 0}, {"abc", 0}};
  for (const auto& c : cases) {
    Begin();
    std::int32_t s = engine.Pool.Add(c.text);
    Emit(OpCode::LDA, mode::kImmediate, 7);
    Emit(OpCode::LDA, mode::kPool, s);
    End();
    m.Run();
    EXPECT_EQ(m.R.A.Kind, kind::kString) << c.text;
    EXPECT_EQ(m.R.A.Int, 0) << c.text;
    EXPECT_EQ(m.R.A.Str, c.text);
    EXPECT_EQ(m.R.CCR, c.flags) << c.text;
  }
}

TEST_F(MachineTest, PopFromAnEmptyStackGivesTheEmptyValue) {
  Begin(0);
  Emit(OpCode::LDA, mode::kImmediate, 9);
  Emit(OpCode::POP, mode::kNone, 0);
  Emit(OpCode::ADD, mode::kNone, 0);
  End();
  m.Run();
  EXPECT_EQ(m.State, RunState::Halted);
  EXPECT_EQ(m.R.A.Kind, kind::kEmpty);
  EXPECT_EQ(m.R.STK, 0);
  EXPECT_EQ(m.PopValue().Kind, kind::kEmpty);
}

// --- calls and frames ---

TEST_F(MachineTest, FunctionsTakeArgumentsAndLeaveTheStackBalanced) {
  RunScript(
      "SCRIPT t; FUNCDEF add(a, b) BEGIN add := a + b END;"
      "FUNCDEF fact(n) BEGIN IF n <= 1 THEN fact := 1 ELSE fact := n * fact(n - 1) END;"
      "FUNCDEF cnt BEGIN cnt := $# END; FUNCDEF third BEGIN third := $2 END;"
      "BEGIN x := add(2, 3); y := fact(10); c := cnt(7, 8, 9); e := third(1); f := third(1, 2, 'z') END.");
  EXPECT_EQ(Int("x"), 5);
  EXPECT_EQ(Int("y"), 3628800);
  EXPECT_EQ(Int("c"), 3);
  EXPECT_EQ(Var("e").Kind, kind::kEmpty);  // beyond the argument count
  EXPECT_EQ(Text("f"), "z");
  EXPECT_EQ(m.State, RunState::Halted);
  EXPECT_EQ(m.R.STK, engine.Code.VariableCount);
}

TEST_F(MachineTest, ParameterReferencesAfterANestedCallReadTheCurrentCall) {
  RunScript(
      "SCRIPT t; FUNCDEF g(x) BEGIN g := x * 100 END;"
      "FUNCDEF f(a, b) BEGIN t := g(1); f := $0 + $1 + t + $# END;"
      "BEGIN x := f(10, 20) END.");
  EXPECT_EQ(Int("x"), 132);  // 10 + 20 + 100 + 2 arguments
  EXPECT_EQ(m.R.PAR, engine.Code.VariableCount - 1);
}

TEST_F(MachineTest, ReturnInsideALoopUnwindsTheLoop) {
  RunScript(
      "SCRIPT t; FUNCDEF f BEGIN f := 40; FOR i := 1 TO 10 DO IF i = 4 THEN RETURN; f := 0 END;"
      "BEGIN x := f(); y := f() + 1 END.");
  EXPECT_EQ(Int("x"), 40);
  EXPECT_EQ(Int("y"), 41);
  EXPECT_EQ(Int("i"), 4);
  EXPECT_EQ(m.R.STK, engine.Code.VariableCount);
}

TEST_F(MachineTest, FunctionResultAssignedInsideALoopIsKept) {
  RunScript(
      "SCRIPT t; FUNCDEF f(n) BEGIN FOR i := 1 TO n DO f := i * 10 END;"
      "FUNCDEF g(n) BEGIN WHILE n > 0 DO BEGIN g := n; n := n - 1 END END;"
      "FUNCDEF h BEGIN REPEAT k := k + 1; FOR j := 1 TO 2 DO h := k * 10 + j UNTIL k = 3 END;"
      "BEGIN x := f(3); y := g(2); z := f(2) + 1; w := h() END.");
  EXPECT_EQ(Int("x"), 30);
  EXPECT_EQ(Int("y"), 1);
  EXPECT_EQ(Int("z"), 21);
  EXPECT_EQ(Int("w"), 32);
  EXPECT_EQ(m.R.STK, engine.Code.VariableCount);
}

TEST_F(MachineTest, RunProcedureCallsByNameWithPushedArguments) {
  Compile("SCRIPT t; PROCDEF Export(f, n) BEGIN out := f + n END; BEGIN out := 'main' END.");
  std::int32_t base = m.R.STK;
  m.PushValue(TScriptValue::Text("file"));
  m.PushValue(TScriptValue::Integer(3));
  m.PushValue(TScriptValue::Integer(2));
  m.RunProcedure("export", RunState::Run);
  EXPECT_EQ(Text("out"), "file3");
  EXPECT_EQ(m.State, RunState::Halted);
  EXPECT_EQ(m.R.PC, 2);               // returned to address 0, halted at 2
  EXPECT_EQ(m.R.STK, base + 3);       // the caller removes its arguments

  m.R.PC = 7;
  m.RunProcedure("MISSING", RunState::Run);
  EXPECT_EQ(m.R.PC, 7);
  EXPECT_EQ(m.R.STK, base + 3);
  EXPECT_EQ(m.R.A.Kind, kind::kEmpty);
}

TEST_F(MachineTest, TemplateVariablesAreSetByName) {
  Compile("SCRIPT t; BEGIN x := %URL%; n := %SEQ% + 1 END.");
  m.SetVariableText("%URL%", "http://127.0.0.1/a");
  m.SetVariableInt("%seq%", 41);
  m.SetVariableText("%NOSUCH%", "ignored");
  m.Run();
  EXPECT_EQ(Text("x"), "http://127.0.0.1/a");
  EXPECT_EQ(Int("n"), 42);
}

// --- loops ---

TEST_F(MachineTest, ForLoopsCompareBeforeEveryPass) {
  RunBody("s := 0; FOR i := 1 TO 0 DO s := s + 1; t := 0; FOR j := 3 DOWNTO 1 DO t := t * 10 + j; "
          "FOR k := 1 TO 5 DO BEGIN IF k = 2 THEN NEXT; IF k = 4 THEN BREAK; u := u + k END");
  EXPECT_EQ(Int("s"), 0);
  EXPECT_EQ(Int("t"), 321);
  EXPECT_EQ(Int("j"), 0);
  EXPECT_EQ(Int("u"), 4);  // 1 + 3
  EXPECT_EQ(Int("k"), 4);
  EXPECT_EQ(m.R.STK, engine.Code.VariableCount);
}

TEST_F(MachineTest, WhileAndRepeatCountTheirPasses) {
  RunBody("WHILE x < 10 DO BEGIN x := x + 1; IF x = 3 THEN NEXT; IF x = 6 THEN BREAK; n := n + 1; p := $% END; "
          "REPEAT y := y + 1; q := $% UNTIL y >= 3");
  EXPECT_EQ(Int("x"), 6);
  EXPECT_EQ(Int("n"), 4);
  EXPECT_EQ(Int("p"), 4);  // the pass counter before the fifth pass ended
  EXPECT_EQ(Int("y"), 3);
  EXPECT_EQ(Int("q"), 2);  // counted after each UNTIL test
  EXPECT_EQ(m.R.STK, engine.Code.VariableCount);
}

TEST_F(MachineTest, ForeachTakesEachItemFromTheListHost) {
  host.listItems = {"a", "b", "c"};
  RunBody("FOREACH v IN @SPLIT[',', s] DO BEGIN r := r + v; c := $% END; n := $!");
  EXPECT_EQ(Text("r"), "abc");
  EXPECT_EQ(Int("c"), 3);
  EXPECT_EQ(Int("n"), 3);
  EXPECT_EQ(m.R.FRP, 0);
  std::vector<std::string> ops;
  for (const auto& c : host.calls) ops.push_back(HostOperationName(static_cast<std::uint8_t>(c.op), c.mode, c.operand));
  EXPECT_EQ(ops, (std::vector<std::string>{"LSTF SPLT", "LSTF EXPN", "LSTF EXPN", "LSTF EXPN", "LSTF REMV"}));
  EXPECT_EQ(host.calls[1].operand, host.calls.back().operand);  // EXPN and REMV name the same list
  EXPECT_EQ(m.R.STK, engine.Code.VariableCount);
}

TEST_F(MachineTest, ForeachOverAnEmptyListSkipsTheBody) {
  RunBody("FOREACH v IN @LINES[s] DO r := 1; FOREACH w IN @LINES[s] DO BREAK");
  EXPECT_EQ(Var("r").Kind, kind::kEmpty);
  EXPECT_EQ(m.R.STK, engine.Code.VariableCount);
}

// --- CASE and IN ---

TEST_F(MachineTest, CaseMatchesNumbersRangesAndPatterns) {
  RunBody("CASE 5 OF 1..9: a := 1; ELSE a := 2 END; CASE 10 OF 1..9: b := 1; ELSE b := 2 END;"
          "CASE 'abc' OF 'x*': c := 1; 'a*': c := 2; ELSE c := 3 END; CASE 3 OF 2: d := 2; 3: d := 3 END;"
          "CASE '12' OF 1..9: e := 1; ELSE e := 2 END; CASE 12 OF 1..9: f := 1; ELSE f := 2 END");
  EXPECT_EQ(Int("a"), 1);
  EXPECT_EQ(Int("b"), 2);
  EXPECT_EQ(Int("c"), 2);
  EXPECT_EQ(Int("d"), 3);
  EXPECT_EQ(Int("e"), 1);  // a text selector always matches its first range
  EXPECT_EQ(Int("f"), 2);
}

TEST_F(MachineTest, InYieldsOneOrTheEmptyValue) {
  RunBody("a := 4 IN [1, 3..5, 'ab*']; b := 2 IN [1, 3..5]; c := 'abc' IN [7, 'ab*']; d := 'xbc' IN ['ab*']");
  EXPECT_EQ(Int("a"), 1);
  EXPECT_EQ(Var("b").Kind, kind::kEmpty);
  EXPECT_EQ(Int("c"), 1);
  EXPECT_EQ(Var("d").Kind, kind::kEmpty);
}

// --- run states ---

TEST_F(MachineTest, AnEmptyProgramHaltsAtItsFinalHalt) {
  RunScript("SCRIPT t; BEGIN END.");
  EXPECT_EQ(m.State, RunState::Halted);
  EXPECT_EQ(m.R.PC, engine.Code.Count() - 1);
  EXPECT_EQ(engine.Code[m.R.PC].Op, OpCode::HALT);
}

TEST_F(MachineTest, LineStepStopsAtEachBreakBeforeItsStatement) {
  Compile("SCRIPT t;\r\nBEGIN\r\n  a := 1;\r\n  b := 2\r\nEND.", true);
  std::vector<std::int32_t> lines;
  std::vector<bool> aSet;
  for (int k = 0; k < 10 && m.State != RunState::Halted; ++k) {
    m.State = RunState::StepLine;
    m.Run();
    if (m.State == RunState::StepLine) {
      lines.push_back(m.R.CurrentLine);
      aSet.push_back(Var("a").Kind != kind::kEmpty);
    }
  }
  EXPECT_EQ(lines, (std::vector<std::int32_t>{2, 3, 4}));
  EXPECT_EQ(aSet, (std::vector<bool>{false, true, true}));
  EXPECT_EQ(Int("b"), 2);
  EXPECT_EQ(m.State, RunState::Halted);
}

TEST_F(MachineTest, TraceRunsOneInstruction) {
  Compile("SCRIPT t; BEGIN a := 1; b := 2 END.");
  std::int32_t pc = m.R.PC;
  std::uint64_t before = m.Executed;
  m.State = RunState::StepOne;
  m.Run();
  EXPECT_EQ(m.R.PC, pc + 1);
  EXPECT_EQ(m.Executed, before + 1);
  EXPECT_EQ(m.R.A.Int, 1);
  EXPECT_EQ(Var("a").Kind, kind::kEmpty);
}

TEST_F(MachineTest, StopFromTheEventPumpEndsTheRunBeforeTheNextInstruction) {
  CallbackPump pump;
  m.SetPump(&pump);
  Compile("SCRIPT t; BEGIN WHILE 1 DO x := x + 1 END.");
  std::int32_t pcAtStop = -1;
  std::uint64_t deadline = TickCount64() + 30;
  pump.Add([&] {
    if (TickCount64() >= deadline) {
      m.State = RunState::Stopped;
      pcAtStop = m.R.PC;
    }
  });
  m.Run();
  EXPECT_EQ(m.State, RunState::Stopped);
  EXPECT_EQ(m.R.PC, pcAtStop);
  EXPECT_GT(Int("x"), 0);
  ASSERT_GE(pump.Calls(), 1u);
  // Pumped at the clock's ticks, not after every instruction.
  EXPECT_GT(m.Executed / pump.Calls(), kPumpCheckInterval - 1);
}

TEST_F(MachineTest, AJumpToItselfReturnsAndABudgetStops) {
  Begin();
  Emit(OpCode::JMP, mode::kNone, 3);
  End();
  m.Run();
  EXPECT_EQ(m.State, RunState::Run);
  EXPECT_EQ(m.R.PC, 3);
  EXPECT_EQ(m.Executed, 1u);

  Compile("SCRIPT t; BEGIN WHILE 1 DO x := x + 1 END.");
  m.Budget = m.Executed + 100;
  m.Run();
  EXPECT_EQ(m.State, RunState::Stopped);
  EXPECT_EQ(m.Executed, m.Budget);
}

// --- bounds ---

TEST_F(MachineTest, AReturnOutsideTheImageHaltsAtTheFinalHalt) {
  for (std::int32_t target : {9999, -5, 2}) {
    Begin();
    Emit(OpCode::PUSH, mode::kLink, 0);
    Emit(OpCode::PUSH, mode::kLink, 0);
    Emit(OpCode::PUSH, mode::kLink, target);
    Emit(OpCode::RET, mode::kNone, 0);
    End();
    m.Run();
    EXPECT_EQ(m.State, RunState::Halted) << target;
    EXPECT_EQ(m.R.PC, target == 2 ? 2 : engine.Code.Count() - 1) << target;
  }
}

TEST_F(MachineTest, SlotsAndPoolIndexesOutsideTheirTablesReadEmpty) {
  Begin();
  Emit(OpCode::LDA, mode::kVariable, 100000);
  Emit(OpCode::STA, mode::kVariable, 0);
  Emit(OpCode::STA, mode::kVariable, -1);
  Emit(OpCode::STA, mode::kSlot, -100000);
  Emit(OpCode::INC, mode::kVariable, 1 << 30);
  Emit(OpCode::LDA, mode::kPool, 77777);
  Emit(OpCode::STA, mode::kVariable, 1);
  Emit(OpCode::LDA, mode::kParameter, 5);
  Emit(OpCode::STKP, mode::kImmediate, 1000);
  Emit(OpCode::SWAP, mode::kVariable, -3);
  Emit(OpCode::STRF, static_cast<std::uint8_t>(StrOp::SUBS), 1 << 30);
  Emit(static_cast<OpCode>(200), 0, 0);
  End();
  m.Run();
  EXPECT_EQ(m.State, RunState::Halted);
  EXPECT_EQ(m.StackSlot(0).Kind, kind::kEmpty);
  EXPECT_EQ(m.StackSlot(1).Kind, kind::kString);
  EXPECT_EQ(m.StackSlot(1).Str, "");
  EXPECT_EQ(m.R.STK, 0);
}

TEST_F(MachineTest, RunawayRecursionAndTextGrowthFailWithAMessage) {
  m.MaxStack = 5000;
  Compile("SCRIPT t; FUNCDEF r(n) BEGIN r := r(n + 1) END; BEGIN x := 1; x := r(1) END.");
  EXPECT_EQ(ErrorText([&] { m.Run(); }), "スタックが溢れました");

  m.MaxText = 1000;
  Compile("SCRIPT t; BEGIN s := 'x'; WHILE 1 DO s := s + s END.");
  EXPECT_EQ(ErrorText([&] { m.Run(); }), "文字列が長すぎます");
  EXPECT_EQ(Text("s").size(), 512u);
  Compile("SCRIPT t; BEGIN s := INT2STR(1, 2000000000) END.");
  EXPECT_EQ(ErrorText([&] { m.Run(); }), "文字列が長すぎます");
  Compile("SCRIPT t; BEGIN s := 'aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa'; t := s + s + s + s + s; "
          "u := REPLACE(s, 'a', t, 1) END.");
  EXPECT_EQ(ErrorText([&] { m.Run(); }), "文字列が長すぎます");
  EXPECT_EQ(Text("t").size(), 250u);

  Begin();
  Emit(OpCode::LNK, mode::kImmediate, 2000000000);
  End();
  EXPECT_EQ(ErrorText([&] { m.Run(); }), "スタックが溢れました");
}

}  // namespace
}  // namespace bq::script::test
