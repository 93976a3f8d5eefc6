#include "script/listing.h"

#include <gtest/gtest.h>

#include "tests/script/script_test_util.h"

namespace bq::script::test {
namespace {

TEST(Listing, EmptyProgramStartsWithTheFixedPrologue) {
  TScriptEngine engine;
  ASSERT_TRUE(engine.CompileScript("SCRIPT t; BEGIN END.", false));
  EXPECT_EQ(ListCode(engine), "  0: BRK  #0\r\n  1: NOP \r\n  2: HALT\r\n  3: HALT\r\n");
}

TEST(Listing, AddressesAreRightAlignedInThreeColumns) {
  TScriptEngine engine;
  std::string src = "SCRIPT t; BEGIN";
  for (int i = 0; i < 60; ++i) src += " x := 1;";
  ASSERT_TRUE(engine.CompileScript(src + " END.", false));
  Lines lines = SplitCrLf(ListCode(engine));
  EXPECT_EQ(lines[9], "  9: LDA  #1");
  EXPECT_EQ(lines[10], " 10: STA  X(18)");
  EXPECT_EQ(lines[100], "100: STA  X(18)");
}

TEST(Listing, SystemValuesAndTheirNames) {
  EXPECT_EQ(Body("SCRIPT t; x := @URL.")[0], "LDA  @URL[2]");
  TScriptEngine engine;
  engine.Code.Reset();
  engine.Code.Emit(OpCode::LDA, mode::kSystem, 9);
  engine.Code.Emit(OpCode::LDA, 77, 30);
  engine.Code.Emit(OpCode::BLTN, 0, 0x147);  // low byte 0x47 = 71, DELETE
  engine.Code.Emit(OpCode::BLTN, 0, 47);
  engine.Code.Emit(OpCode::JMP, mode::kNone, 5);
  engine.Code.Emit(OpCode::STRF, 3, 40);
  engine.Code.Emit(OpCode::WIN, 2, 3);
  engine.Code.Emit(OpCode::DGET, 0x24, 99);
  engine.Code.Emit(OpCode::CMP, 9, 0);
  engine.Code.Emit(static_cast<OpCode>(200), 0, 0);
  Lines lines = SplitCrLf(SjisToUtf8(ListCode(engine)));
  EXPECT_EQ(lines, (Lines{"  0: LDA  @???[9]", "  1: LDA  77(30)***", "  2: BLTN DELETE", "  3: BLTN *????",
                          "  4: JMP  5", "  5: STRF REPL,40 ***", "  6: WIN  INP(3)", "  7: DGET 2,99 ***",
                          "  8: CMP  ??", "  9: ???? #0"}));
}

TEST(Listing, LongPoolStringsAreCutAt32Characters) {
  std::string forty(40, 'a');
  EXPECT_EQ(Body("SCRIPT t; x := '" + forty + "'.")[0], "LDA  S,'" + std::string(32, 'a') + ">>>...'(1)");
  EXPECT_EQ(Body("SCRIPT t; x := \"ab\".")[0], "LDA  V,\"ab\"(1)");
}

TEST(Listing, PushOfFrpListsThroughTheVariableRule) {
  EXPECT_EQ(Body("SCRIPT t; CLIP(x).")[0], "PUSH _(0)");
}

TEST(ShowText, ControlBytesDotsAndDoubleByteCharactersCountOnce) {
  EXPECT_EQ(ShowText("a\tb\r\n", 10), "a.b..");
  EXPECT_EQ(ShowText("\x93\xfa\x96\x7b\x8c\xea", 2), "\x93\xfa\x96\x7b>>>...");
  EXPECT_EQ(ShowText("abc", 3), "abc");
  EXPECT_EQ(ShowText("abcd", 3), "abc>>>...");
  EXPECT_EQ(ShowText("", 5), "");
  EXPECT_EQ(ShowText("a\x81", 5), "a\x81");  // a lead byte at the end stays one character
}

}  // namespace
}  // namespace bq::script::test
