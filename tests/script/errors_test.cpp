// Every compile error, word for word, with its line and the token it selects.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/script/script_test_util.h"

namespace bq::script::test {
namespace {

struct ErrorCase {
  const char* source;  // UTF-8; compiled as Shift_JIS
  const char* error;   // UTF-8, the CR LF after 構文エラー shown as '|'
};
std::ostream& operator<<(std::ostream& os, const ErrorCase& c) { return os << c.source; }

class CompileErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(CompileErrors, TextIsExact) { EXPECT_EQ(ErrorOf(GetParam().source), GetParam().error); }

#define P "SCRIPT t; "
INSTANTIATE_TEST_SUITE_P(
    Program, CompileErrors,
    ::testing::Values(
        ErrorCase{"SCRIPT 1;", "構文エラー|1行目:不正なプログラム名"},
        ErrorCase{"SCRIPT t;\nrec[x", "構文エラー|2行目:定義ミスです"},
        ErrorCase{P "INCLUDE x;", "構文エラー|0行目:ファイル名が必要です"},
        ErrorCase{P "BEGIN END", "構文エラー|0行目:プログラムがピリオドで終了していません"},
        ErrorCase{P "PROCDEF 1 BEGIN END; BEGIN END.", "構文エラー|0行目:1 名前は定義できません！"},
        ErrorCase{P "PROCDEF p; ; FUNCDEF P; ; BEGIN END.", "構文エラー|0行目:P は既に使われています！"},
        ErrorCase{P "PROCDEF p(a, 1) ; BEGIN END.", "構文エラー|0行目:変数を記述して下さい"},
        ErrorCase{P "PROCDEF p($_) ; BEGIN END.", "構文エラー|0行目:システム変数は指定できまへん"},
        ErrorCase{P "BEGIN x := 1", "構文エラー|0行目:ブロック終端不一致"},
        ErrorCase{P "{ x := 1 END", "構文エラー|0行目:ブロック終端不一致"},
        ErrorCase{P "{ x := 1 END.", "構文エラー|0行目:文法エラー"},
        ErrorCase{P "BEGIN $_ := 1 END.", "構文エラー|0行目:システム変数には代入できません"},
        ErrorCase{P "BEGIN %URL% := 1 END.", "構文エラー|0行目:システム変数には代入できません"},
        ErrorCase{P "BEGIN abc END.", "構文エラー|0行目:不正な位置に変数 abc があります"},
        ErrorCase{P "BEGIN a[1] := 2 END.", "構文エラー|0行目:a 配列は使えません"},
        ErrorCase{P "BEGIN BREAK END.", "構文エラー|0行目:ループ外です"},
        ErrorCase{P "BEGIN NEXT END.", "構文エラー|0行目:ループ外です"},
        ErrorCase{P "BEGIN a := 1 b := 2 END.", "構文エラー|0行目:文法エラー"},
        ErrorCase{P "BEGIN IF x THEN a := 1; ELSE a := 2 END.", "構文エラー|0行目:文法エラー"},
        ErrorCase{P "BEGIN CONST END.", "構文エラー|0行目:文法エラー"},
        ErrorCase{P "BEGIN INCLUDE 'x' END.", "構文エラー|0行目:文法エラー"}));

INSTANTIATE_TEST_SUITE_P(
    Statements, CompileErrors,
    ::testing::Values(
        ErrorCase{P "IF x a := 1.", "構文エラー|0行目:不正な条件式"},
        ErrorCase{P "FOR 1 := 1 TO 2 DO ;.", "構文エラー|0行目:変数が必要です"},
        ErrorCase{P "FOR i = 1 TO 2 DO ;.", "構文エラー|0行目::= が必要です"},
        ErrorCase{P "FOR i := 1 STEP 2 DO ;.", "構文エラー|0行目:TO または DOWNTO が必要です"},
        ErrorCase{P "FOR i := 1 TO 2 x := 1.", "構文エラー|0行目:DO が必要です"},
        ErrorCase{P "WHILE x x := 1.", "構文エラー|0行目:DO が必要です"},
        ErrorCase{P "BEGIN REPEAT x := 1 END.", "構文エラー|0行目:UNTIL <式> が必要です"},
        ErrorCase{P "FOREACH 1 IN @LINES[x] DO ;.", "構文エラー|0行目:変数が必要です"},
        ErrorCase{P "FOREACH v OF @LINES[x] DO ;.", "構文エラー|0行目:IN が必要です"},
        ErrorCase{P "FOREACH v IN @LINES(x) DO ;.", "構文エラー|0行目:[ が必要です"},
        ErrorCase{P "FOREACH v IN LENGTH[x] DO ;.", "構文エラー|0行目:リスト関数が正しくありません"},
        ErrorCase{P "FOREACH v IN foo[x] DO ;.", "構文エラー|0行目:リスト関数が正しくありません"},
        ErrorCase{P "FOREACH v IN @LINES[x) DO ;.", "構文エラー|0行目:] が必要です"},
        ErrorCase{P "FOREACH v IN @LINES[x] x := 1.", "構文エラー|0行目:DO が必要です"},
        ErrorCase{P "CASE x 1: ; END.", "構文エラー|0行目:OF が必要です"},
        ErrorCase{P "CASE x OF 1: ; 2: ;.", "構文エラー|0行目:定数ではありません"},
        ErrorCase{P "CASE x OF ELSE a := 1 .", "構文エラー|0行目:END が必要です"},
        ErrorCase{P "CASE x OF 1..y: ; END.", "構文エラー|0行目:数字が必要です"},
        ErrorCase{P "CASE x OF -1: ; END.", "構文エラー|0行目:定数ではありません"},
        ErrorCase{P "CASE x OF 1 a := 1 END.", "構文エラー|0行目:: が必要です"},
        ErrorCase{P "BEGIN x := 99999999999999999999 END.",
                  "構文エラー|0行目:'99999999999999999999' は整数ではありません"}));

INSTANTIATE_TEST_SUITE_P(
    Expressions, CompileErrors,
    ::testing::Values(
        ErrorCase{P "x := (1 + 2.", "構文エラー|0行目:閉じ括弧 )."},
        ErrorCase{P "x := ).", "構文エラー|0行目:) 不明な項です!?"},
        ErrorCase{P "x := a[1].", "構文エラー|0行目:a 配列は使えません"},
        ErrorCase{P "x := 1 IN (1).", "構文エラー|0行目:[ が必要です"},
        ErrorCase{P "x := 1 IN [a].", "構文エラー|0行目:定数が必要です"},
        ErrorCase{P "x := 1 IN [1..a].", "構文エラー|0行目:数字が必要です"},
        ErrorCase{P "x := 1 IN [1, 2).", "構文エラー|0行目:] が必要です"},
        ErrorCase{P "x := f(1).", "構文エラー|0行目:f 関数が見つかりません！"},
        ErrorCase{P "PROCDEF p; ; x := p.", "構文エラー|0行目:p 関数が見つかりません！"},
        ErrorCase{P "f(1).", "構文エラー|0行目:未定義関数:f"},
        ErrorCase{P "PROCDEF p BEGIN p END; BEGIN END.", "構文エラー|0行目:p は自分自身を呼出してます！"},
        ErrorCase{P "PROCDEF p; p; BEGIN END.", "構文エラー|0行目:プログラムがピリオドで終了していません"},
        ErrorCase{P "PROCDEF p; p := 1; BEGIN END.", "構文エラー|0行目:p には代入できません！"},
        ErrorCase{P "PROCDEF p; ; p 1.", "構文エラー|0行目:p の呼出しエラー"},
        ErrorCase{P "FUNCDEF f(a); ; f(1, 2.", "構文エラー|0行目:閉じ括弧 )"},
        ErrorCase{P "x := SLEEP(5).", "構文エラー|0行目:ここで SLEEP は使えません"},
        ErrorCase{P "x := print('a').", "構文エラー|0行目:ここで PRINT は使えません"},
        ErrorCase{P "@CLIP[x].", "構文エラー|0行目:ここで @CLIP は使えません"},
        ErrorCase{P "x := @imgsrc[x].", "構文エラー|0行目:ここで @IMGSRC は使えません"}));

INSTANTIATE_TEST_SUITE_P(
    Builtins, CompileErrors,
    ::testing::Values(
        ErrorCase{P "LENGTH x.", "構文エラー|0行目:引数が必要です"},
        ErrorCase{P "x := LENGTH(x.", "構文エラー|0行目:閉じ括弧 )"},
        ErrorCase{P "INIT(0, 1).", "構文エラー|0行目:引数が正しくありません！！"},
        ErrorCase{P "INIT(0, $_).", "構文エラー|0行目:システム変数は使えません"},
        ErrorCase{P "DECODEDATE(0, 'a').", "構文エラー|0行目:引数が正しくありません！！"},
        ErrorCase{P "INC($!).", "構文エラー|0行目:システム変数は操作できません"},
        ErrorCase{P "INC(1).", "構文エラー|0行目:変数が必要です"},
        ErrorCase{P "SWAP(a b).", "構文エラー|0行目:引数が違います"},
        ErrorCase{P "SWAP(a, 1).", "構文エラー|0行目:変数が必要です"},
        ErrorCase{P "STRIP(a + b).", "構文エラー|0行目:引数が正しくありません！！"},
        ErrorCase{P "STRIP($_).", "構文エラー|0行目:システム変数は使えません"},
        ErrorCase{P "SUBSTR(a).", "構文エラー|0行目:開始位置が必要です"},
        ErrorCase{P "REPLACE(a).", "構文エラー|0行目:引数が足りません！"},
        ErrorCase{P "REPLACE(a, 'x').", "構文エラー|0行目:開始文字列エラー"},
        ErrorCase{P "REPLACE(a, 'x', 'y' 'z').", "構文エラー|0行目:引数エラー"},
        ErrorCase{P "INPUT('c', 'p', $_).", "構文エラー|0行目:システム変数は指定できません"},
        ErrorCase{P "IMGSRC(1).", "構文エラー|0行目:パターン引数が必要です"},
        ErrorCase{P "PACK(a: x).", "構文エラー|0行目:プレフィクスエラー"},
        ErrorCase{P "PACK(11: x).", "構文エラー|0行目:プレフィクス範囲エラー"},
        ErrorCase{P "PACK(3 x).", "構文エラー|0行目:プレフィクス記号エラー"},
        ErrorCase{P "UNPACK(1).", "構文エラー|0行目:引数が足りません"},
        ErrorCase{P "UNPACK(1, 3: 'x').", "構文エラー|0行目:変数が必要です！！"},
        ErrorCase{P "SUBMIT(3: 'x').", "構文エラー|0行目:プレフィクスエラー"},
        ErrorCase{P "SUBMIT(f: 'x').", "構文エラー|0行目:プレフィクス記号エラー"},
        ErrorCase{P "SUBMIT('x', 'y', v, 3).", "構文エラー|0行目:変数または文字列が必要です"},
        ErrorCase{P "READLINK(x, v, $#).", "構文エラー|0行目:変数または文字列が必要です"},
        ErrorCase{P "FOREACH v IN @WRAPSTR[1, 'b'] DO ;.", "構文エラー|0行目:パターン引数が必要です"},
        ErrorCase{P "FOREACH v IN @WRAPSTR['a' 'b'] DO ;.", "構文エラー|0行目:引数が足りません"},
        ErrorCase{P "FOREACH v IN @WRAPSTR['a', 1] DO ;.", "構文エラー|0行目:引数のタイプが違います"}));
#undef P

TEST(CompileErrorReport, HeaderLinesCountFromOneByLf) {
  EXPECT_EQ(ErrorOf("\n\nSCRIPT 1"), "構文エラー|3行目:不正なプログラム名");
  EXPECT_EQ(ErrorOf("SCRIPT t;\nrec[]:-\r\na\r\n-::\r\nbad[x"), "構文エラー|5行目:定義ミスです");
}

TEST(CompileErrorReport, BodyLinesCountFromZeroByCr) {
  EXPECT_EQ(ErrorOf("SCRIPT t;\r\nBEGIN\r\n  x := 1;\r\n  FOR i := 1 TO 3 y := 2\r\nEND.\r\n"),
            "構文エラー|3行目:DO が必要です");
  // LF-only text: the header's CR count is 0 and LFs count on from there.
  EXPECT_EQ(ErrorOf("SCRIPT t;\nBEGIN x := 1;\n\n  BREAK\nEND."), "構文エラー|2行目:ループ外です");
}

TEST(CompileErrorReport, ALoneVariableFailsAtTheTokenAfterIt) {
  TScriptEngine engine;
  std::string src = "SCRIPT t;\r\nBEGIN\r\n  x := 1;\r\n  ZZ\r\nEND.";
  EXPECT_EQ(ErrorOf(engine, src), "構文エラー|4行目:不正な位置に変数 ZZ があります");
  EXPECT_EQ(src.substr(static_cast<std::size_t>(engine.ErrorStart)), "END.");
}

TEST(CompileErrorReport, ErrorStartAndLengthSelectTheToken) {
  TScriptEngine engine;
  std::string src = "SCRIPT t;\r\nBEGIN\r\n  x := (1 + 2 y\r\nEND.";
  ErrorOf(engine, src);
  EXPECT_EQ(src.substr(static_cast<std::size_t>(engine.ErrorStart), 1), "y");
  EXPECT_EQ(engine.ErrorLength, 3);  // an identifier runs over the blanks after it (CR LF here)
  ErrorOf(engine, "SCRIPT t; BEGIN BREAK END.");
  EXPECT_EQ(engine.ErrorStart, 16);
  EXPECT_EQ(engine.ErrorLength, 6);
}

TEST(CompileErrorReport, AFailedCompileLeavesNoProgram) {
  TScriptEngine engine;
  int resets = 0;
  engine.OnResetMachine = [&] { ++resets; };
  ErrorOf(engine, "SCRIPT t; BEGIN x := 1; y := ) END.");
  EXPECT_EQ(engine.Code.Count(), 0);
  EXPECT_EQ(engine.Symbols.Count(), 18);
  EXPECT_EQ(engine.Pool.Count(), 1);
  EXPECT_EQ(engine.ProgramName, "");
  EXPECT_GE(resets, 2);
}

TEST(CompileErrorReport, NotAScriptIsFalseWithoutError) {
  TScriptEngine engine;
  EXPECT_FALSE(engine.CompileScript("BEGIN END.", true));
  EXPECT_FALSE(engine.CompileScript("", true));
  EXPECT_TRUE(engine.CompileScript("# comment first\nscript t; begin end.", true));
}

TEST(CompileErrorReport, DeepNestingIsAnErrorNotACrash) {
  std::string deep = "SCRIPT t; BEGIN x := " + std::string(5000, '(') + "1" + std::string(5000, ')') + " END.";
  EXPECT_EQ(ErrorOf(deep), "構文エラー|0行目:入れ子が深すぎます");
  std::string blocks = "SCRIPT t; " + std::string(5000, '{') + std::string(5000, '}') + ".";
  EXPECT_EQ(ErrorOf(blocks), "構文エラー|0行目:入れ子が深すぎます");
  std::string negs = "SCRIPT t; x := " + std::string(5000, '-') + "1.";
  EXPECT_EQ(ErrorOf(negs), "構文エラー|0行目:入れ子が深すぎます");
}

class IncludeErrors : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = ::testing::TempDir() + "bq_include_" + std::to_string(::getpid()) + "/";
    std::filesystem::create_directories(dir_);
    engine_.LibFolder = dir_;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  void Write(const std::string& name, const std::string& utf8) {
    std::ofstream(dir_ + name, std::ios::binary) << Utf8ToSjis(utf8);
  }
  std::string dir_;
  TScriptEngine engine_;
};

TEST_F(IncludeErrors, MissingLibraryNamesThePath) {
  std::string src = "SCRIPT t;\r\nINCLUDE 'none.pss';\r\nBEGIN END.";
  EXPECT_EQ(ErrorOf(engine_, src), "構文エラー|1行目:" + dir_ + "none.pss が見つかりません！");
  EXPECT_EQ(src.substr(static_cast<std::size_t>(engine_.ErrorStart), static_cast<std::size_t>(engine_.ErrorLength)),
            "'none.pss'");
}

TEST_F(IncludeErrors, ErrorInsideALibrarySelectsTheIncludeAndKeepsItsLine) {
  Write("bad.pss", "PROCDEF p;\nBEGIN\n  q := ;\nEND;\n");
  std::string src = "SCRIPT t;\r\n\r\nINCLUDE 'bad.pss';\r\nBEGIN p END.";
  EXPECT_EQ(ErrorOf(engine_, src), "構文エラー|2行目:; 不明な項です!?");
  EXPECT_EQ(src.substr(static_cast<std::size_t>(engine_.ErrorStart), static_cast<std::size_t>(engine_.ErrorLength)),
            "'bad.pss'");
}

TEST_F(IncludeErrors, LibrariesMayNotIncludeOrHaveAHeader) {
  Write("inc.pss", "INCLUDE 'x.pss';\n");
  Write("hdr.pss", "SCRIPT lib;\n");
  EXPECT_EQ(ErrorOf(engine_, "SCRIPT t; INCLUDE 'inc.pss'; BEGIN END."), "構文エラー|0行目:文法エラー");
  EXPECT_EQ(ErrorOf(engine_, "SCRIPT t; INCLUDE 'hdr.pss'; BEGIN END."), "構文エラー|0行目:文法エラー");
}

TEST_F(IncludeErrors, LibraryProceduresAreCallableAndItsTrailIsIgnored) {
  Write("lib.pss", "PROCDEF hello;\r\nBEGIN x := 1 END;\r\nBEGIN END.\r\ntrailing junk ) (");
  EXPECT_TRUE(engine_.CompileScript("SCRIPT t; INCLUDE 'lib.pss'; BEGIN hello; END.", false));
  Lines lines = Listing(engine_, "SCRIPT t; INCLUDE 'lib.pss'; BEGIN hello; END.");
  EXPECT_EQ(lines[3], "LNK  #1");
  EXPECT_EQ(engine_.Code.EntryPoint, 9);
  EXPECT_EQ(lines[9], "PUSH #0");
  EXPECT_EQ(lines[10], "CALL HELLO(3)");
}

TEST_F(IncludeErrors, LibraryLinesAreFrozenAtTheInclude) {
  Write("lib.pss", "PROCDEF p\r\nBEGIN\r\n  x := 1;\r\n  y := 2\r\nEND;\r\n");
  Lines lines = Listing(engine_, "SCRIPT t;\r\n\r\n\r\nINCLUDE 'lib.pss';\r\nBEGIN\r\n  p;\r\nEND.", true);
  EXPECT_EQ(lines, (Lines{"BRK  #0", "NOP ", "HALT", "LNK  #1", "BRK  #3", "LDA  #1", "STA  X(18)", "BRK  #3",
                          "LDA  #2", "STA  Y(19)", "STKP #1", "RET ", "NOP ", "BRK  #3", "BRK  #5", "PUSH #0",
                          "CALL P(3)", "STKP #1", "BRK  #6", "BRK  #6", "HALT"}));
}

}  // namespace
}  // namespace bq::script::test
