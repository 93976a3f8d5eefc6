// The text sub-operations, ExpandText, LDF/STF, the article record and the
// host families, through compiled scripts.
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/fs.h"
#include "script/machine_text.h"
#include "tests/script/machine_fixture.h"

namespace bq::script::test {
namespace {

// --- text sub-operations ---

TEST_F(MachineTest, Int2StrPadsToTheWidthInA) {
  RunBody("a := INT2STR(7, 3); b := INT2STR(7, 0); c := INT2STR(-5, 4); d := INT2STR(123, 2); e := INT2STR(9)");
  EXPECT_EQ(Text("a"), "007");
  EXPECT_EQ(Int("a"), 7);
  EXPECT_EQ(Text("b"), "7");
  EXPECT_EQ(Text("c"), "00-5");
  EXPECT_EQ(Text("d"), "123");
  EXPECT_EQ(Text("e"), "9");
}

TEST_F(MachineTest, ReplaceIgnoresCaseFirstOnlyWithZero) {
  RunBody("s := 'AaA'; a := REPLACE(s, 'a', 'b'); b := REPLACE(s, 'a', 'b', TRUE); c := REPLACE(s, 'a', 'b', 0); "
          "d := REPLACE(s, 'a', 'aa', 1); e := REPLACE(s, '', 'x', 1); f := REPLACE(s, 1, 2)");
  EXPECT_EQ(Text("a"), "baA");
  EXPECT_EQ(Text("b"), "bbb");
  EXPECT_EQ(Text("c"), "baA");
  EXPECT_EQ(Text("d"), "aaaaaa");  // scanning goes on after each insertion
  EXPECT_EQ(Text("e"), "AaA");
  EXPECT_EQ(Text("f"), "AaA");
  EXPECT_EQ(Text("s"), "AaA");  // the variable is unchanged
  EXPECT_EQ(m.R.STK, engine.Code.VariableCount);
}

TEST_F(MachineTest, WrapStrCutsBetweenPatterns) {
  RunBody("s := 'x<b>y</b>z'; a := WRAPSTR(s, '<b>', '</b>'); b := WRAPSTR(s, '<b>', '</b>', 1); "
          "c := WRAPSTR(s, '<b>', '</i>'); d := WRAPSTR(s, '', '<b>'); e := WRAPSTR(s, '</b>', ''); "
          "f := WRAPSTR(s, '<q>', ''); PAGECLIP('<b>', '</b>', s)");
  EXPECT_EQ(Text("a"), "y");
  EXPECT_EQ(Text("b"), "<b>y</b>");
  EXPECT_EQ(Text("c"), "");
  EXPECT_EQ(Text("d"), "x");
  EXPECT_EQ(Text("e"), "z");
  EXPECT_EQ(Text("f"), "");
  EXPECT_EQ(Text("s"), "<b>y</b>");
  EXPECT_EQ(m.R.STK, engine.Code.VariableCount);
}

TEST_F(MachineTest, SubstrAndDeleteClipToTheText) {
  RunBody("s := 'abcdef'; a := SUBSTR(s, 0, 3); b := SUBSTR(s, 1, 3); c := SUBSTR(s, 99, 3); d := SUBSTR(s, 5, 9); "
          "e := SUBSTR(s, 2, 0); f := DELETE(s, 2, 2); g := DELETE(s, 0, 2); h := DELETE(s, 5, 99); i := DELETE(s, 9, 1)");
  EXPECT_EQ(Text("a"), "abc");
  EXPECT_EQ(Text("b"), "abc");
  EXPECT_EQ(Text("c"), "");
  EXPECT_EQ(Text("d"), "ef");
  EXPECT_EQ(Text("e"), "");
  EXPECT_EQ(Text("f"), "adef");
  EXPECT_EQ(Text("g"), "abcdef");
  EXPECT_EQ(Text("h"), "abcd");
  EXPECT_EQ(Text("i"), "abcdef");
}

TEST_F(MachineTest, SearchesNeverStartOnATrailByte) {
  // ア is 0x83 0x41: its trail byte is 'A'.
  RunBody("s := 'アA'; a := TEXTPOS('A', s); b := TEXTPOS('zz', s); c := TEXTPOS('', s); "
          "t := 'アa'; d := REPLACE(t, 'A', '-', 1); e := t - 'A'");
  EXPECT_EQ(Int("a"), 3);
  EXPECT_EQ(Int("b"), 0);
  EXPECT_EQ(Int("c"), 0);
  EXPECT_EQ(Text("d"), "ア-");
  EXPECT_EQ(Text("e"), "ア");
}

TEST_F(MachineTest, SkipToCutsInFrontOfTheMatch) {
  Compile("SCRIPT t; BEGIN a := SKIPTO('zz'); s := 'abcdef'; b := SKIPTO('c?', s); x := 12; c := SKIPTO(x, s) END.");
  m.SetVariableText("_", "abcdef");
  m.Run();
  EXPECT_EQ(Int("a"), 0);
  EXPECT_EQ(Text("_"), "abcdef");
  EXPECT_EQ(Int("b"), 1);
  EXPECT_EQ(Int("c"), 1);  // a number is the empty pattern: matches at once
  EXPECT_EQ(Text("s"), "cdef");
}

TEST_F(MachineTest, SmallTextRules) {
  RunBody("a := LENGTH(12345); b := LENGTH('あい'); c := HASH(''); d := HASH('abc'); e := TRIM('　　'); "
          "f := TRIM(' x　'); g := TRIM('ァ'); h := UPPER('abcあ'); i := LOWER('ABC'); s := 'ab123c'; "
          "j := REGEXPR('\\d+', s); k := REGEXPR('z', s); t := '<b>x</b>'; l := TAGUPPERCASE(TRUE, t); "
          "n := 5; o := EXPANDSTR('%N%!\\n'); p := 'aa' - 'A'");
  EXPECT_EQ(Int("a"), 4);
  EXPECT_EQ(Int("b"), 4);
  EXPECT_EQ(Int("c"), 0);
  EXPECT_EQ(Int("d"), 4656);
  EXPECT_EQ(Text("e"), "");
  EXPECT_EQ(Text("f"), "x");
  EXPECT_EQ(Text("g"), "ァ");  // its trail byte 0x40 is no full-width space
  EXPECT_EQ(Text("h"), "ABCあ");
  EXPECT_EQ(Text("i"), "abc");
  EXPECT_EQ(Text("j"), "123");
  EXPECT_EQ(Text("k"), "");
  EXPECT_EQ(Text("l"), "<B>x</B>");
  EXPECT_EQ(Text("o"), "5!\r\n");
  EXPECT_EQ(Var("p").Kind, kind::kString);
  EXPECT_EQ(Text("p"), "");
}

TEST_F(MachineTest, StripTurnsTagsIntoText) {
  RunBody("s := '<b>bold</b> text'; STRIP(s)");
  EXPECT_EQ(Var("s").Kind, kind::kString);
  EXPECT_EQ(Text("s").find('<'), std::string::npos);
  EXPECT_NE(Text("s").find("bold"), std::string::npos);
}

TEST_F(MachineTest, DigitAndDoubleByteTestsSetZWhenTheyHold) {
  Begin();
  const char* texts[] = {"-", "", " 1", "-12", "x\x82\xa0", "abc"};
  for (const char* t : texts) {
    Emit(OpCode::LDA, mode::kPool, engine.Pool.Add(t));
    Emit(OpCode::STRF, static_cast<std::uint8_t>(StrOp::TSTNUM), 0);
    Emit(OpCode::STRF, static_cast<std::uint8_t>(StrOp::TSTSJIS), 0);
  }
  End();
  m.State = RunState::StepOne;
  std::string flags;
  for (int k = 0; k < 18; ++k) {
    m.Run();
    if (k % 3 != 0) flags += (m.R.CCR == kFlagZ) ? 'Z' : '-';
  }
  EXPECT_EQ(flags, "Z-----Z--Z--");
  EXPECT_EQ(m.R.A.Str, "abc");  // the tests leave A alone
}

// --- ExpandText ---

TEST_F(MachineTest, ExpandTextReplacesPercentNamesAndEscapes) {
  Compile("SCRIPT t; BEGIN url := 'u'; n := 5; z; a1 := 'no' END.");
  m.Run();
  m.SetVariableText("%URL%", "system");
  auto expand = [&](const std::string& s) { return m.ExpandText(s); };
  EXPECT_EQ(expand("%URL%"), "u");  // the bare name, not the system variable
  EXPECT_EQ(expand("[%n%]"), "[5]");
  EXPECT_EQ(expand("%Z%"), "0");  // declared, never assigned
  EXPECT_EQ(expand("%A1%"), "%A1%");  // a digit ends the name
  EXPECT_EQ(expand("100%"), "100%");
  EXPECT_EQ(expand("a%%b"), "ab");
  EXPECT_EQ(expand("%nope%x"), "x");
  EXPECT_EQ(expand("% n%"), "% n%");
  EXPECT_EQ(expand("a\\nb\\tc"), "a\r\nb\tc");
  EXPECT_EQ(expand("a\\\r\nb"), "ab");
  EXPECT_EQ(expand("\\q\\\\"), "q\\");
  EXPECT_EQ(expand("ab\\"), "ab\\");  // a final backslash stays
  EXPECT_EQ(expand("\x82\xa0%N%"), "\x82\xa0" "5");
  EXPECT_EQ(expand("\x81%N%"), "\x81%N%");  // '%' is the trail byte here
  EXPECT_EQ(expand("\x82"), "\x82");
}

TEST_F(MachineTest, DoubleQuotedLiteralsExpandEachTimeTheyLoad) {
  RunBody("n := 1; a := \"<%N%>\"; n := 2; b := \"<%N%>\"; c := '<%N%>'");
  EXPECT_EQ(Text("a"), "<1>");
  EXPECT_EQ(Text("b"), "<2>");
  EXPECT_EQ(Text("c"), "<%N%>");
}

// --- files ---

class MachineFileTest : public MachineTest {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/bq_machine_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
  }
  void TearDown() override {
    for (const auto& e : fs::ListDir(dir)) fs::DeleteFile(dir + "/" + e.name);
    fs::RemoveDir(dir);
  }
  std::string dir;
};

TEST_F(MachineFileTest, SaveAndLoadTextFiles) {
  std::string f = dir + "/a.txt";
  RunBody("x := \"one\\ntwo\"; SAVEF('" + f + "', x); n := 42; SAVEF('" + f + "', n, 1); LOADF('" + f +
          "'); a := _; LOADF('" + dir + "/missing.txt'); b := _; SAVEF('', x); SAVEF('" + f + "', x, 0); LOADF('" + f +
          "')");
  EXPECT_EQ(Text("a"), "one\r\ntwo42\r\n");
  EXPECT_EQ(Var("b").Kind, kind::kString);
  EXPECT_EQ(Text("b"), "");
  EXPECT_EQ(Text("_"), "one\r\ntwo\r\n");
  std::string raw;
  ASSERT_TRUE(fs::ReadFile(f, raw));
  EXPECT_EQ(raw, "one\r\ntwo");  // no line break added
}

TEST_F(MachineFileTest, AnUnreadableFileStopsTheRun) {
  std::string f = dir + "/big.txt";
  fs::WriteFileAtomic(f, "0123456789");
  m.MaxText = 4;  // too large to read
  Compile("SCRIPT t; BEGIN LOADF('" + f + "'); x := 1 END.");
  EXPECT_EQ(ErrorText([&] { m.Run(); }), "ファイルが読めません: " + f);
  EXPECT_EQ(Var("x").Kind, kind::kEmpty);
}

// --- the article record ---

TEST_F(MachineTest, PackFillsTheArticleRecord) {
  Compile("SCRIPT t; BEGIN PACK(0: '12', 1: 3, 2: 1000, 3: ' - ', 4: b, 5: ' m@x ', 7: \"%B%\", 10: ' l ') END.");
  m.SetVariableText("B", "  body\x82 ");
  m.R.URL = "http://127.0.0.1/p";
  m.Run();
  const TArticleRecord& a = m.Article;
  EXPECT_EQ(a.TOPIC, 12);
  EXPECT_EQ(a.REFER, 3);
  EXPECT_EQ(a.DATE, 1000u);
  EXPECT_EQ(a.TITLE, "-");  // text fields never go through the number rule
  EXPECT_EQ(a.AUTHOR, "body\x81\xa1");  // a lead byte without its trail byte
  EXPECT_EQ(a.MAILTO, "m@x");
  EXPECT_EQ(a.BODY, "body\x81\xa1");
  EXPECT_EQ(a.LINK, "l");
  EXPECT_EQ(a.PAGEURL, "http://127.0.0.1/p");
}

TEST_F(MachineTest, UnpackReadsTheRecordIntoVariables) {
  RunBody("PACK(0: 7, 3: 'title'); UNPACK(7, 3: t, 0: n)");
  EXPECT_EQ(Text("t"), "title");
  EXPECT_EQ(Int("n"), 7);
  ASSERT_EQ(host.calls.size(), 1u);
  EXPECT_EQ(host.calls[0].op, OpCode::XFN);
  EXPECT_EQ(host.calls[0].mode, static_cast<std::uint8_t>(XfnOp::GET));
  EXPECT_EQ(host.calls[0].A.Int, 7);
}

// --- the host families ---

TEST_F(MachineTest, BuiltinsReceiveTheirStackArguments) {
  RunBody("x := URLNUM('no=7', '-99', 10); PRINT()");
  ASSERT_EQ(host.calls.size(), 2u);
  EXPECT_EQ(host.calls[0].op, OpCode::BLTN);
  EXPECT_EQ(host.calls[0].operand, 60);
  ASSERT_EQ(host.calls[0].args.size(), 3u);
  EXPECT_EQ(host.calls[0].args[0].Str, "no=7");
  EXPECT_EQ(host.calls[0].args[2].Int, 10);
  EXPECT_EQ(host.calls[1].operand, 48);
  EXPECT_TRUE(host.calls[1].args.empty());
  EXPECT_EQ(m.R.STK, engine.Code.VariableCount);
}

TEST_F(MachineTest, HostResultsLandInAAndSetTheFlags) {
  host.respond = [](TScriptMachine& mm, const RecordingHost::Call& c) {
    if (c.op == OpCode::HTTP) mm.R.A = TScriptValue::Integer(200);
  };
  host.systemDate = 12345;
  host.logCount = 3;
  host.clipboard = "clip";
  RunBody("r := GET('http://127.0.0.1/', 1); d := @SYSDATE; n := @LOGCOUNT; c := @CLIPBOARD; TABLESTRIP(6)");
  EXPECT_EQ(Int("r"), 200);
  ASSERT_FALSE(host.calls.empty());
  EXPECT_EQ(host.calls[0].A.Str, "http://127.0.0.1/");
  EXPECT_EQ(Int("d"), 12345);
  EXPECT_EQ(Int("n"), 3);
  EXPECT_EQ(Text("c"), "clip");
  EXPECT_EQ(m.R.SMR, 6);
}

TEST_F(MachineTest, ExitMessageEndsTheScript) {
  RunBody("EXITMESSAGE('bye'); y := 1");
  EXPECT_EQ(m.State, RunState::Halted);
  EXPECT_EQ(m.R.PC, 2);
  EXPECT_EQ(Var("y").Kind, kind::kEmpty);
  ASSERT_EQ(host.calls.size(), 1u);
  EXPECT_EQ(host.calls[0].op, OpCode::WIN);
  EXPECT_EQ(host.calls[0].A.Str, "bye");
}

TEST_F(MachineTest, AHostFailureLeavesPcPastTheInstruction) {
  host.respond = [](TScriptMachine&, const RecordingHost::Call&) { throw Exception("fetch failed"); };
  Compile("SCRIPT t; BEGIN x := GET('http://127.0.0.1/'); y := 1 END.");
  std::int32_t at = -1;
  for (std::int32_t a = 0; a < engine.Code.Count(); ++a)
    if (engine.Code[a].Op == OpCode::HTTP) at = a;
  EXPECT_EQ(ErrorText([&] { m.Run(); }), "fetch failed");
  EXPECT_EQ(m.R.PC, at + 1);
}

TEST_F(MachineTest, TheHeadlessHostReportsAndTheScriptGoesOn) {
  THeadlessHost headless;
  std::vector<std::string> notices;
  headless.Notice = [&](const std::string& n) { notices.push_back(SjisToUtf8(n)); };
  m.SetHost(headless);
  RunBody("MESSAGE('x'); r := GET('http://127.0.0.1/'); FOREACH v IN @LINES['a'] DO c := 1; s := CSV('a,b', 1);"
          "y := 2");
  // Each named by the word the script wrote, never by family and number.
  EXPECT_EQ(notices, (std::vector<std::string>{"MESSAGE はここでは使えません", "GET はここでは使えません",
                                               "@LINES はここでは使えません", "CSV はここでは使えません"}));
  EXPECT_EQ(Var("r").Kind, kind::kEmpty);
  EXPECT_EQ(Var("c").Kind, kind::kEmpty);
  EXPECT_EQ(Int("y"), 2);
  EXPECT_EQ(m.State, RunState::Halted);
}

TEST(MachineTextRules, NormalizeLinesEndsEveryLineInCrLf) {
  EXPECT_EQ(NormalizeLines(""), "");
  EXPECT_EQ(NormalizeLines("a"), "a\r\n");
  EXPECT_EQ(NormalizeLines("a\nb\rc\r\nd\r\n"), "a\r\nb\r\nc\r\nd\r\n");
  EXPECT_EQ(NormalizeLines("\n\n"), "\r\n\r\n");
}

}  // namespace
}  // namespace bq::script::test

namespace bq::script::test {
namespace {

// The last match kept for the workbench's page view: where in the searched
// text a pattern builtin matched, and the bytes it matched.
TEST_F(MachineTest, PatternBuiltinsRecordTheirLastMatch) {
  RunBody("s := 'ab<b>x</b>cd'; r := REGEXPR('<b>', s)");
  ASSERT_TRUE(m.LastMatch.Valid);
  EXPECT_EQ(m.LastMatch.Begin, 2u);
  EXPECT_EQ(m.LastMatch.Text, "<b>");
  RunBody("s := 'ab<b>x</b>cd'; r := WRAPSTR(s, '<b>', '</b>')");
  EXPECT_EQ(m.LastMatch.Begin, 2u);
  EXPECT_EQ(m.LastMatch.Text, "<b>x</b>");
  // SKIPTO records the match in the text before it cuts the variable.
  RunBody("s := '12 ab 34'; n := SKIPTO('ab', s)");
  EXPECT_EQ(m.LastMatch.Begin, 3u);
  EXPECT_EQ(m.LastMatch.Text, "ab");
  EXPECT_EQ(Text("s"), "ab 34");
}

TEST_F(MachineTest, AFailedSearchKeepsThePreviousMatchAndResetForgetsIt) {
  RunBody("s := 'xyz'; r := REGEXPR('y', s); r := REGEXPR('q', s); r := WRAPSTR(s, 'a', 'b')");
  ASSERT_TRUE(m.LastMatch.Valid);
  EXPECT_EQ(m.LastMatch.Begin, 1u);
  EXPECT_EQ(m.LastMatch.Text, "y");
  m.ResetMachine();
  EXPECT_FALSE(m.LastMatch.Valid);
  EXPECT_TRUE(m.LastMatch.Text.empty());
}

}  // namespace
}  // namespace bq::script::test
