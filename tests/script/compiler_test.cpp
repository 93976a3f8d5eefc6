// The compiler, tested through the listing it prints.
#include <gtest/gtest.h>

#include "tests/script/script_test_util.h"

namespace bq::script::test {
namespace {



TEST(ProgramFrame, OneLineProgramGivesElevenInstructions) {
  TScriptEngine engine;
  Lines lines = Listing(engine, "SCRIPT t; BEGIN x := 1 + 2 END.", true);
  EXPECT_EQ(lines, (Lines{"BRK  #0", "NOP ", "HALT", "BRK  #0", "LDA  #1", "PUSH", "LDA  #2", "ADD ", "STA  X(18)",
                          "BRK  #0", "HALT"}));
  EXPECT_EQ(engine.Code.EntryPoint, 3);
  EXPECT_EQ(engine.Symbols.FindValue("X", Kinds(sym::kVariable), 0), 18);
  EXPECT_EQ(engine.Code.VariableCount, 19);
  EXPECT_EQ(engine.ProgramName, "t");
}

}  // namespace
}  // namespace bq::script::test
