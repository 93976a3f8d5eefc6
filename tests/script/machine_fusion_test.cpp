// The fused operations of the fetch loop against the plain instructions:
// the same scripts run on two machines, one with Fusion off, must leave the
// same registers, flags, stack slots, Executed and run state, however the
// run is cut (budget, single steps, trace, Stop from the pump, a jump into
// the middle of a fused group).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/events.h"
#include "script/engine.h"
#include "script/host_recording.h"
#include "script/machine.h"

namespace bq::script::test {
namespace {

std::string Show(const TScriptValue& v) {
  return std::to_string(v.Kind) + ":" + std::to_string(v.Int) + ":" + v.Str;
}

// Everything a script, the views or the host can observe of a machine.
std::string Snapshot(const TScriptMachine& m) {
  const TRegisters& r = m.R;
  std::string s = "A=" + Show(r.A) + " B=" + Show(r.B) + " PC=" + std::to_string(r.PC) +
                  " STK=" + std::to_string(r.STK) + " SPC=" + std::to_string(r.SPC) +
                  " PAR=" + std::to_string(r.PAR) + " FRP=" + std::to_string(r.FRP) +
                  " CCR=" + std::to_string(r.CCR) + " LINE=" + std::to_string(r.CurrentLine) +
                  " STATE=" + std::to_string(static_cast<int>(m.State)) + " EXEC=" + std::to_string(m.Executed) +
                  " SIZE=" + std::to_string(m.StackSize()) + "\n";
  for (std::int32_t i = 0; i < m.StackSize(); ++i) {
    const TScriptValue& v = m.StackSlot(i);
    if (v.Kind != kind::kEmpty || v.Int != 0 || !v.Str.empty()) s += std::to_string(i) + "=" + Show(v) + " ";
  }
  return s;
}

struct Side {
  TScriptEngine engine;
  RecordingHost host;
  TScriptMachine m{engine, host};
};

// Two machines on the same script: fused (index 0) and plain (index 1).
class FusionTest : public ::testing::Test {
 protected:
  Side sides[2];

  void Compile(const std::string& source, bool debug = false) {
    for (Side& s : sides) ASSERT_TRUE(s.engine.CompileScript(source, debug)) << source;
    sides[1].m.Fusion = false;
  }
  TScriptMachine& Fused() { return sides[0].m; }
  TScriptMachine& Plain() { return sides[1].m; }
  // Runs both with a budget of n more instructions (0: none).
  void RunBoth(std::uint64_t n, RunState state = RunState::Run) {
    for (Side& s : sides) {
      s.m.Budget = n == 0 ? 0 : s.m.Executed + n;
      s.m.State = state;
      s.m.Run();
    }
  }
  // The script cut by a budget after each of `count` instruction counts from
  // `from` on, then resumed to its end: both machines agree at both points.
  void ExpectSameCutAnywhere(const std::string& source, std::uint64_t from, std::uint64_t count) {
    for (std::uint64_t n = from; n < from + count; ++n) {
      Compile(source);
      RunBoth(n);
      ASSERT_EQ(Snapshot(Fused()), Snapshot(Plain())) << source << " " << n;
      RunBoth(0);
      ASSERT_EQ(Snapshot(Fused()), Snapshot(Plain())) << source << " " << n;
    }
  }
  std::int32_t FusedCount() {
    std::int32_t n = 0;
    for (std::int32_t a = 0; a < Fused().Code().Count(); ++a) n += Fused().FusedAt(a) ? 1 : 0;
    return n;
  }
};

const char* const kLoops[] = {
    "x := 0; FOR i := 1 TO 1000 DO x := x + i * 2",
    "x := 5; FOR i := 10 DOWNTO -3 DO x := x - i * 7",
    "x := 2000000000; FOR i := 1 TO 50 DO x := x + i * 100000000",
    "x := -2147483647; FOR i := 1 TO 5 DO x := x - i * 1",
    "FOR i := 5 TO 1 DO x := x + i * 2",
    "x := 'ab'; FOR i := 1 TO 3 DO x := x + i * 2",
    "n := '7'; FOR i := 1 TO n DO x := x + i * 3",
    "FOR i := 1 TO 10 DO FOR j := 1 TO 10 DO x := x + j * 3",
    "FOR i := 1 TO 30 DO BEGIN IF i > 20 THEN BREAK; IF i = 3 THEN NEXT; x := x + i * 2 END",
    "FOR i := 1 TO 5 DO BEGIN x := x + i * 2; i := 'z' END",
    "FOR i := 1 TO 9 DO BEGIN x := x + x * 2; y := i END",
    "FOR i := 1 TO 9 DO i := i + i * 0",
};

TEST_F(FusionTest, EveryLoopEndsInTheSameStateWithAndWithoutFusion) {
  for (const char* body : kLoops) {
    Compile(std::string("SCRIPT t; BEGIN ") + body + " END.");
    RunBoth(200000);
    EXPECT_EQ(Snapshot(Fused()), Snapshot(Plain())) << body;
  }
  Compile("SCRIPT t; FUNCDEF f(n) BEGIN FOR i := 1 TO n DO x := x + i * 2; f := x END; "
          "BEGIN y := f(10) + f(3) END.");
  RunBoth(0);
  EXPECT_EQ(Fused().State, RunState::Halted);
  EXPECT_EQ(Snapshot(Fused()), Snapshot(Plain()));
}

TEST_F(FusionTest, TheCompiledForLoopIsFusedOnlyWithFusionOn) {
  Compile("SCRIPT t; BEGIN x := 0; FOR i := 1 TO 10 DO x := x + i * 2 END.");
  EXPECT_EQ(FusedCount(), 0);  // groups are built where the run arrives
  EXPECT_EQ(Plain().Code().Count(), Fused().Code().Count());
  RunBoth(0);
  EXPECT_GT(FusedCount(), 0);
  for (std::int32_t a = 0; a < Plain().Code().Count(); ++a) EXPECT_FALSE(Plain().FusedAt(a));
  EXPECT_EQ(Fused().State, RunState::Halted);
  std::int32_t x = sides[0].engine.Symbols.FindValue("X", Kinds(sym::kVariable), 0);
  ASSERT_GE(x, 0);
  EXPECT_EQ(Fused().StackSlot(x).Int, 110);
  EXPECT_EQ(Snapshot(Fused()), Snapshot(Plain()));
}

TEST_F(FusionTest, LineStepsStopAtTheSameBreaks) {
  // A debug compile has a BRK before each statement; line steps stop there.
  Compile("SCRIPT t; BEGIN x := 0;\r\nFOR i := 1 TO 10 DO\r\nx := x + i * 2;\r\ny := x END.", true);
  for (int step = 0; step < 40 && Fused().State != RunState::Halted; ++step) {
    RunBoth(0, RunState::StepLine);
    ASSERT_EQ(Snapshot(Fused()), Snapshot(Plain())) << step;
  }
  EXPECT_EQ(Fused().State, RunState::Halted);
  // A plain compile run line by line runs to the end like Run.
  Compile("SCRIPT t; BEGIN x := 0; FOR i := 1 TO 10 DO x := x + i * 2 END.");
  RunBoth(0, RunState::StepLine);
  EXPECT_EQ(Fused().State, RunState::Halted);
  EXPECT_EQ(Snapshot(Fused()), Snapshot(Plain()));
}

// The micro-operations of every group built, as one text.
std::string AllGroups(const TScriptMachine& m) {
  std::string all;
  for (std::int32_t a = 0; a < m.Code().Count(); ++a) all += m.GroupListing(a);
  return all;
}

// A comparison or AND right before a conditional jump forks in one step,
// each way reading the result it implies; with the way a loop usually goes
// cut at every instruction by budgets.
TEST_F(FusionTest, AComparisonBeforeAJumpForksInOneStepWithTheSameEffects) {
  const struct {
    const char* condition;
    const char* fork;
  } cases[] = {
      {"i MOD 3 = 0", "ForkEq "},
      {"i MOD 3 <> 1", "ForkNe "},
      {"i > 20", "ForkGt "},
      {"i >= 7", "ForkGe "},
      {"i * i < 90", "ForkLt "},
      {"i <= x MOD 40", "ForkLe "},
      {"(i > 3) AND (i MOD 4)", "ForkAnd "},
  };
  // The way taken as often as the other, then each way in turn leaving the
  // group at once (a text the group does not take).
  const char* const ways[] = {"x := x + i ELSE y := y - 1", "s := s + 'a' ELSE y := y - 1",
                              "y := y - 1 ELSE s := s + 'a'"};
  for (const auto& c : cases) for (const char* way : ways) {
    const std::string source =
        std::string("SCRIPT t; BEGIN x := 0; y := 5; s := ''; i := 0; WHILE i < 300 DO BEGIN ") + "i := i + 1; IF " +
        c.condition + " THEN " + way + " END; z := " + c.condition + " END.";
    Compile(source);
    RunBoth(0);
    EXPECT_EQ(Snapshot(Fused()), Snapshot(Plain())) << source;
    EXPECT_NE(AllGroups(Fused()).find(c.fork), std::string::npos) << source << "\n" << AllGroups(Fused());
    // Again, stopped once the groups are built at each point of a few
    // rounds of the loop, and resumed.
    ExpectSameCutAnywhere(source, 1500, 121);
  }
}

// Loops over texts run SUBSTR, LENGTH, text comparisons and the copies
// between them inside groups, and leave them as the plain instructions
// would wherever a value is not the text the group was built for: an
// integer, the empty value, a double-byte character, SUBSTR out of range.
TEST_F(FusionTest, TextOperationsInsideGroupsLeaveTheSameStateAsThePlainInstructions) {
  const struct {
    const char* setup;
    const char* body;
  } cases[] = {
      {"t := 'ab cd  e'; n := LENGTH(t)",
       "c := SUBSTR(t, k MOD n + 1, 1); IF c = ' ' THEN w := 0 ELSE BEGIN x := x + LENGTH(c); "
       "IF w = 0 THEN BEGIN y := y + 1; w := 1 END END"},
      {"t := 'abcdef'",
       "IF k MOD 7 = 0 THEN c := k ELSE c := SUBSTR(t, k MOD 6 + 1, 1); IF c = 'c' THEN y := y + 1; "
       "x := x + LENGTH(c)"},
      {"t := 'abc'", "c := SUBSTR(t, k MOD 5, k MOD 3); IF c = '' THEN y := y + 1; x := x + LENGTH(c); IF e = 'a' THEN x := 0"},
      {"t := '\x82\xa0\x82\xa2" "a\x82\xa4'",
       "c := SUBSTR(t, k MOD 7 + 1, 2); IF c = '\x82\xa2' THEN y := y + 1; x := x + LENGTH(c)"},
      {"t := 'xyz'", "c := SUBSTR(t, k - 40, k MOD 4 - 1); x := x + LENGTH(c); IF c <> 'y' THEN y := y + 1"},
      {"t := 'banana'; d := 'b'",
       "c := SUBSTR(t, k MOD 6 + 1, 1); IF c < d THEN y := y + 1; IF c = d THEN x := x + 1; "
       "IF k MOD 9 = 0 THEN d := k MOD 2 ELSE d := c"},
      {"t := 'ab'", "c := SUBSTR(t, k MOD 2 + 1, 1); d := c; IF c + d = 'aa' THEN y := y + 1; x := LENGTH(d) + x"},
      {"t := 'abc'",
       "c := SUBSTR(t, 1, 2); t := k MOD 3; d := SUBSTR(t, 1, 1); e := d; IF k MOD 4 = 0 THEN t := 'xyz'; "
       "x := x + LENGTH(c) + LENGTH(e)"},
      {"t := 'abcd'; s := 2",
       "c := SUBSTR(t, s, 2); IF k MOD 5 = 0 THEN s := '3' ELSE s := k MOD 4; x := x + LENGTH(c); "
       "IF c >= 'bc' THEN y := y + 1"},
  };
  for (const auto& c : cases) {
    const std::string source = std::string("SCRIPT t; BEGIN x := 0; y := 0; w := 0; ") + c.setup +
                               "; FOR k := 0 TO 400 DO BEGIN " + c.body + " END END.";
    Compile(source);
    RunBoth(0);
    EXPECT_EQ(Fused().State, RunState::Halted) << source;
    EXPECT_EQ(Snapshot(Fused()), Snapshot(Plain())) << source;
    EXPECT_NE(AllGroups(Fused()).find(" Text"), std::string::npos) << source << "\n" << AllGroups(Fused());
    // Cut by budgets at every instruction of a few rounds once the groups
    // are built, and resumed.
    ExpectSameCutAnywhere(source, 2000, 61);
  }
}

// A path back where its group started goes on round after round inside the
// group, its values carried in loop temporaries: the same state however the
// run is cut, where a value is a constant on one way and computed on the
// other, where values trade places, through calls, and in nested loops.
TEST_F(FusionTest, ALoopRunsItsRoundsInsideOneGroupWithTheSameEffects) {
  const char* const loops[] = {
      "n := 2; c := 0; WHILE n < 80 DO BEGIN d := 2; p := 1; WHILE d * d <= n AND p DO BEGIN "
      "IF n MOD d = 0 THEN p := 0; d := d + 1 END; IF p THEN c := c + 1; n := n + 1 END",
      "a := 0; b := 1; i := 0; WHILE i < 300 DO BEGIN t := a + b; a := b; b := t; i := i + 1 END",
      "a := 1; b := 2; c := 3; x := 0; i := 0; WHILE i < 300 DO BEGIN t := a; a := b; b := c; c := t; "
      "x := x + a * i; i := i + 1 END",
      "i := 0; q := 5; WHILE i < 300 DO BEGIN i := i + 1; IF i MOD 3 = 0 THEN q := 0 ELSE q := q + i; "
      "IF i MOD 50 = 0 THEN r := 'ab' ELSE r := i END",
      "i := 0; y := 0; WHILE i < 300 DO BEGIN i := i + 1; y := y + f(i, y) END",
      "x := 0; FOR i := 1 TO 400 DO BEGIN x := x + i * 2; IF x > 1000 THEN x := x - 999 END",
      "x := 0; FOR i := 400 DOWNTO 1 DO BEGIN x := x + i MOD 7; IF x THEN x := x - 1 END",
  };
  for (const char* loop : loops) {
    const std::string source = std::string("SCRIPT t; FUNCDEF f(u, v) BEGIN f := $0 * 2 - $1 MOD 7 END; BEGIN ") +
                               loop + " END.";
    Compile(source);
    RunBoth(0);
    EXPECT_EQ(Fused().State, RunState::Halted) << source;
    EXPECT_EQ(Snapshot(Fused()), Snapshot(Plain())) << source;
    EXPECT_NE(AllGroups(Fused()).find(" Loop "), std::string::npos) << source << "\n" << AllGroups(Fused());
    ExpectSameCutAnywhere(source, Fused().Executed / 2, 160);
  }
}

// How often the groups were entered, by their listings.
std::uint64_t GroupEntries(const TScriptMachine& m) {
  std::uint64_t runs = 0;
  for (std::int32_t a = 0; a < m.Code().Count(); ++a) {
    const std::string listing = m.GroupListing(a);
    if (listing.rfind("runs ", 0) == 0) runs += std::stoull(listing.substr(5));
  }
  return runs;
}

// The rounds of a long loop stay inside its group: it is entered again only
// after the looks at the pump, not once a round or two as straight code.
TEST_F(FusionTest, ALongLoopEntersItsGroupOnlyBetweenLooksAtThePump) {
  Compile("SCRIPT t; BEGIN i := 0; c := 0; WHILE i < 20000 DO BEGIN i := i + 1; "
          "IF i MOD 3 = 0 THEN c := c + i ELSE c := c - 1 END END.");
  RunBoth(0);
  EXPECT_EQ(Snapshot(Fused()), Snapshot(Plain()));
  const std::uint64_t looks = Fused().Executed / kPumpCheckInterval;
  EXPECT_LT(GroupEntries(Fused()), 4 * looks + 40) << AllGroups(Fused());
}

// A look at the pump that has events to deliver falls on another instruction
// of a long loop every time; the fetch loop goes on to the group built
// already instead of building one wherever that happens to be.
TEST_F(FusionTest, ALongLoopKeepsToTheGroupsItBuiltAcrossLooksAtThePump) {
  const char* const loops[] = {
      "t := 'ab cd'; WHILE k >= 0 DO BEGIN k := k + 1; c := SUBSTR(t, k MOD 5 + 1, 1); "
      "IF c = ' ' THEN y := y + 1 ELSE x := x + LENGTH(c) END",
      "t := 'abc'; WHILE k >= 0 DO BEGIN k := k + 1; IF SUBSTR(t, k MOD 3 + 1, 1) = 'b' THEN y := y + k "
      "ELSE x := x + 1 END",
      "WHILE k >= 0 DO BEGIN k := k + 1; IF k MOD 3 = 0 THEN y := y + k ELSE x := x + 1 END",
  };
  for (const char* loop : loops) {
    Compile(std::string("SCRIPT t; BEGIN k := 0; x := 0; y := 0; ") + loop + " END.");
    // The pump is due once the clock has ticked; it stops the run once
    // it has had events to deliver a few dozen times, and the plain machine
    // runs as many instructions.
    CallbackPump pump;
    pump.Add([&] {
      if (pump.Calls() >= 30) Fused().State = RunState::Stopped;
    });
    Fused().SetPump(&pump);
    const std::uint64_t before = Fused().Executed;
    Fused().State = RunState::Run;
    Fused().Run();
    Fused().SetPump(nullptr);
    ASSERT_EQ(pump.Calls(), 30u) << loop;
    Plain().Budget = Plain().Executed + (Fused().Executed - before);
    Plain().State = RunState::Run;
    Plain().Run();
    EXPECT_EQ(Snapshot(Fused()), Snapshot(Plain())) << loop;
    // A group at every instruction the pump fell on would put one at most
    // of the loop's instructions.
    EXPECT_LT(FusedCount() * 4, Fused().Code().Count()) << loop << "\n" << AllGroups(Fused());
  }
}

// A group puts off writing variables and pushed values (a saved SPC among
// them) until they could be seen; leaving early (a variable it reads turned
// into a text between runs) it makes them all first, wherever it leaves.
TEST_F(FusionTest, AGroupLeavingEarlyMakesTheWritesItPutOff) {
  const char* const sources[] = {
      "SCRIPT t; BEGIN k := 0; y := 0; z := 0; FOR i := 1 TO 200 DO BEGIN y := i * 3; "
      "z := (y + i) * (i - 1) MOD 97; k := k + z - y END END.",
      // WHILE loops keep their frames on the stack (SPC saved, restored and
      // counted on every round), and calls their links.
      "SCRIPT t; FUNCDEF f(a) BEGIN f := $0 * 2 END; BEGIN k := 0; FOR r := 1 TO 20 DO BEGIN i := 0; "
      "WHILE i < 10 DO BEGIN i := i + 1; z := 0; WHILE z < 3 DO z := z + 1; y := f(z) END; k := k + y END END.",
  };
  for (const char* source : sources) {
    Compile(source);
    RunBoth(0);
    const std::uint64_t all = Fused().Executed;
    for (std::uint64_t n = all / 2; n < all / 2 + 200; ++n) {
      Compile(source);
      RunBoth(n);
      for (Side& s : sides) s.m.SetVariableText("K", "ab");
      RunBoth(0);
      ASSERT_EQ(Snapshot(Fused()), Snapshot(Plain())) << source << " " << n;
    }
  }
}

// A group takes an SPC saved on the stack before it began to stand where it
// stood when the group was built; moved, the group leaves there and the
// plain instructions go on with it.
TEST_F(FusionTest, ASavedSpcThatMovedLeavesTheGroupAsThePlainInstructionsGo) {
  const std::string source =
      "SCRIPT t; BEGIN n := 0; c := 0; WHILE n < 60 DO BEGIN d := 0; WHILE d < 8 DO BEGIN "
      "IF (n + d) MOD 3 = 0 THEN c := c + 1; d := d + 1 END; n := n + 1 END END.";
  Compile(source);
  RunBoth(1500);
  ASSERT_NE(AllGroups(Fused()).find("GuardRelH"), std::string::npos) << AllGroups(Fused());
  const std::int32_t from = Fused().VariableCount(), to = Fused().R.STK;
  for (std::int32_t slot = from; slot < to; ++slot) {
    for (std::int32_t delta : {-1, 1, 2}) {
      Compile(source);
      RunBoth(1500);
      for (Side& s : sides) s.m.MutableSlot(slot).Int += delta;
      RunBoth(4000);
      ASSERT_EQ(Snapshot(Fused()), Snapshot(Plain())) << slot << " " << delta;
    }
  }
}

// A recursion descends first: the way back up looks rare to a group built
// early, which is built again once its jump has been seen more often.
TEST_F(FusionTest, AGroupBuiltOnAFewRunsOfAJumpIsBuiltAgainAlongTheUsualWays) {
  Compile("SCRIPT t; FUNCDEF f(n) BEGIN k := k + 1; IF $0 < 2 THEN f := $0 ELSE f := f($0 - 1) + f($0 - 2) END; "
          "BEGIN k := 0; x := f(20) END.");
  RunBoth(0);
  EXPECT_EQ(Fused().State, RunState::Halted);
  EXPECT_EQ(Snapshot(Fused()), Snapshot(Plain()));
  const std::string all = AllGroups(Fused());
  EXPECT_NE(all.find(" builds 2 "), std::string::npos) << all;
  // Built along both ways, the groups run a call and its return in one step
  // more often than not (built along the descent alone, they are entered
  // more often than f is called).
  std::int64_t entries = 0;
  for (std::size_t at = all.find("runs "); at != std::string::npos; at = all.find("runs ", at + 1))
    entries += std::stoll(all.substr(at + 5));
  const std::int32_t k = sides[0].engine.Symbols.FindValue("K", Kinds(sym::kVariable), 0);
  ASSERT_GE(k, 0);
  EXPECT_LT(entries, Fused().StackSlot(k).Int) << all;
}

TEST_F(FusionTest, AGroupListsItsMicroOperationsOnlyWhereOneIsBuilt) {
  Compile("SCRIPT t; BEGIN x := 0; FOR i := 1 TO 10 DO x := x + i * 2 END.");
  for (std::int32_t a = 0; a < Fused().Code().Count(); ++a) EXPECT_EQ(Fused().GroupListing(a), "") << a;
  RunBoth(0);
  ASSERT_GT(FusedCount(), 0);
  for (std::int32_t a = 0; a < Fused().Code().Count(); ++a) {
    const std::string text = Fused().GroupListing(a);
    EXPECT_EQ(text.empty(), !Fused().FusedAt(a)) << a;
    if (text.empty()) continue;
    EXPECT_EQ(text.rfind("runs ", 0), 0u) << text;
    // One line per micro-operation, numbered from 0, ending in a way out.
    const std::size_t second = text.find('\n') + 1;
    EXPECT_EQ(text.compare(second, 2, "0 "), 0) << text;
    EXPECT_TRUE(text.find(" Exit ") != std::string::npos || text.find(" Goto ") != std::string::npos ||
                text.find(" Jump") != std::string::npos || text.find(" Branch ") != std::string::npos)
        << text;
  }
  for (std::int32_t a = 0; a < Plain().Code().Count(); ++a) EXPECT_EQ(Plain().GroupListing(a), "");
}

TEST_F(FusionTest, ABudgetStopsAtTheSameInstructionInsideAFusedGroup) {
  const std::string source = "SCRIPT t; BEGIN x := 0; FOR i := 1 TO 100 DO x := x + i * 2 END.";
  for (std::uint64_t n = 1; n <= 60; ++n) {
    Compile(source);
    std::uint64_t before = Fused().Executed;
    RunBoth(n);
    ASSERT_EQ(Fused().Executed, before + n);
    ASSERT_EQ(Snapshot(Fused()), Snapshot(Plain())) << n;
    RunBoth(n + 7);  // and on from there, cut again
    ASSERT_EQ(Snapshot(Fused()), Snapshot(Plain())) << n;
  }
}

TEST_F(FusionTest, AJumpIntoTheMiddleOfAFusedGroupRunsThePlainInstructions) {
  const std::string source = "SCRIPT t; BEGIN x := 0; FOR i := 1 TO 100 DO x := x + i * 2 END.";
  Compile(source);
  RunBoth(0);  // builds the groups
  std::vector<std::int32_t> starts;
  for (std::int32_t a = 0; a < Fused().Code().Count(); ++a) {
    if (Fused().FusedAt(a)) starts.push_back(a);
  }
  ASSERT_FALSE(starts.empty());
  for (std::int32_t start : starts) {
    for (std::int32_t k = 1; k <= 6; ++k) {
      Compile(source);
      RunBoth(200);
      for (Side& s : sides) s.m.R.PC = start + k;
      RunBoth(300);
      ASSERT_EQ(Snapshot(Fused()), Snapshot(Plain())) << start << "+" << k;
      RunBoth(0);
      ASSERT_EQ(Snapshot(Fused()), Snapshot(Plain())) << start << "+" << k;
    }
  }
}

TEST_F(FusionTest, SingleStepsAndTraceSeeEveryInstruction) {
  const std::string source = "SCRIPT t; BEGIN x := 0; FOR i := 1 TO 5 DO x := x + i * 2 END.";
  Compile(source);
  for (int step = 0; step < 120; ++step) {
    RunBoth(0, RunState::StepOne);
    ASSERT_EQ(Snapshot(Fused()), Snapshot(Plain())) << step;
  }
  EXPECT_EQ(Fused().State, RunState::Halted);

  Compile(source);
  const std::uint64_t before = Fused().Executed;
  std::vector<std::int32_t> seen[2];
  for (int k = 0; k < 2; ++k) {
    sides[k].m.TraceContext = &seen[k];
    sides[k].m.TraceHook = [](void* c, std::int32_t address) {
      static_cast<std::vector<std::int32_t>*>(c)->push_back(address);
    };
  }
  RunBoth(0);
  EXPECT_EQ(Snapshot(Fused()), Snapshot(Plain()));
  EXPECT_EQ(seen[0], seen[1]);
  EXPECT_EQ(seen[0].size(), Fused().Executed - before);
}

TEST_F(FusionTest, StopFromThePumpTakesEffectAtTheSameInstruction) {
  Compile("SCRIPT t; BEGIN x := 0; FOR i := 1 TO 100000 DO x := x + i * 2 END.");
  CallbackPump pumps[2];
  for (int k = 0; k < 2; ++k) {
    TScriptMachine* m = &sides[k].m;
    m->SetPump(&pumps[k]);
    pumps[k].Add([m] { m->State = RunState::Stopped; });
  }
  const std::uint64_t before = Fused().Executed;
  RunBoth(0);
  EXPECT_EQ(Fused().State, RunState::Stopped);
  EXPECT_EQ(Fused().Executed - before, kPumpCheckInterval);
  EXPECT_EQ(Snapshot(Fused()), Snapshot(Plain()));
}

}  // namespace
}  // namespace bq::script::test
