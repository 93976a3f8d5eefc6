// The compiler's warnings: each one fires on a small script with its trap
// and stays silent once the trap is mended; warnings never change the code
// or stop a compile; they carry their place; the shipped scripts give none.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "script/warnings.h"
#include "tests/script/script_test_util.h"

namespace bq::script::test {
namespace {

// The warnings' tags of a compiled UTF-8 script, in order.
std::vector<std::string> Tags(TScriptEngine& engine, const std::string& utf8) {
  EXPECT_TRUE(engine.CompileScript(Utf8ToSjis(utf8), false)) << utf8;
  std::vector<std::string> tags;
  for (const TCompileWarning& w : engine.Warnings) tags.emplace_back(WarningKind(w.Code).tag);
  return tags;
}

std::vector<std::string> Tags(const std::string& utf8) {
  TScriptEngine engine;
  return Tags(engine, utf8);
}

struct Trap {
  const char* tag;
  const char* trapped;  // gives exactly the warning `tag`
  const char* mended;   // the same script written as meant: no warning
};

const Trap kTraps[] = {
    {"own-name",
     "SCRIPT t; FUNCDEF F BEGIN F := 0; FOR i := 1 TO 3 DO F := F + i END; BEGIN r := F END.",
     "SCRIPT t; FUNCDEF F BEGIN n := 0; FOR i := 1 TO 3 DO n := n + i; F := n END; BEGIN r := F END."},
    {"few-args",
     "SCRIPT t; FUNCDEF W(a, b) BEGIN W := a + b END; BEGIN r := W('x') END.",
     "SCRIPT t; FUNCDEF W(a, b) BEGIN W := a + b END; BEGIN r := W('x', 'y') END."},
    {"few-args",  // a procedure called as a statement, without parentheses
     "SCRIPT t; PROCDEF P(a) BEGIN r := a END; BEGIN P; END.",
     "SCRIPT t; PROCDEF P(a) BEGIN r := a END; BEGIN P(1); END."},
    {"recursive-param",
     "SCRIPT t; FUNCDEF FIB(n) BEGIN IF n < 2 THEN FIB := n ELSE FIB := FIB(n - 1) + FIB(n - 2) END;"
     " BEGIN r := FIB(2) END.",
     "SCRIPT t; FUNCDEF FIB(n) BEGIN IF $0 < 2 THEN FIB := $0 ELSE FIB := FIB($0 - 1) + FIB($0 - 2) END;"
     " BEGIN r := FIB(2) END."},
    {"global-param",
     "SCRIPT t; PROCDEF P(x) BEGIN r := x END; BEGIN x := 1; P(2) END.",
     "SCRIPT t; PROCDEF P(v) BEGIN r := v END; BEGIN x := 1; P(2 + x) END."},
    {"unassigned",
     "SCRIPT t; BEGIN title := 'a'; r := titel END.",
     "SCRIPT t; BEGIN title := 'a'; r := title END."},
    {"unassigned",  // a name read by a "..." literal
     "SCRIPT t; BEGIN r := \"<%nmae%>\" END.",
     "SCRIPT t; BEGIN name := 'a'; r := \"<%nmae%>\"; nmae := name END."},
    {"template-in-text",
     "SCRIPT t; BEGIN r := \"from %URL%\" END.",
     "SCRIPT t; BEGIN r := 'from ' + %URL% END."},
    {"no-template",
     "SCRIPT t;\r\nROW[]:-\r\n<b>${T}</b>\r\n-::\r\nBEGIN FOREACH x IN @CLIP[ROWS] DO r := T END.",
     "SCRIPT t;\r\nROW[]:-\r\n<b>${T}</b>\r\n-::\r\nBEGIN FOREACH x IN @CLIP[ROW] DO r := T END."},
    {"capture-unread",
     "SCRIPT t;\r\nROW[]:-\r\n<b>${T}</b><i>${A}</i>\r\n-::\r\nBEGIN CLIP(ROW); r := T END.",
     "SCRIPT t;\r\nROW[]:-\r\n<b>${T}</b><i>\\*</i>\r\n-::\r\nBEGIN CLIP(ROW); r := T END."},
    {"capture-unread",  // a capture read only by a "..." literal is read
     "SCRIPT t;\r\nROW[]:-\r\n<b>${T}</b>\r\n-::\r\nBEGIN CLIP(ROW); r := \"<T>\" END.",
     "SCRIPT t;\r\nROW[]:-\r\n<b>${T}</b>\r\n-::\r\nBEGIN CLIP(ROW); r := \"<%T%>\" END."},
    {"capture-name",
     "SCRIPT t;\r\nROW[]:-\r\n<b>${NO2}</b>\r\n-::\r\nBEGIN CLIP(ROW); r := NO END.",
     "SCRIPT t;\r\nROW[]:-\r\n<b>${NOB}</b>\r\n-::\r\nBEGIN CLIP(ROW); r := NOB END."},
    {"capture-adjacent",
     "SCRIPT t;\r\nROW[]:-\r\n<td>${M}\\*${D}</td>\r\n-::\r\nBEGIN CLIP(ROW); r := D END.",
     "SCRIPT t;\r\nROW[]:-\r\n<td>${M}/${D}</td>\r\n-::\r\nBEGIN CLIP(ROW); r := M + D END."},
    {"date-numbers",
     "SCRIPT t; BEGIN d := DATEFORMAT('2026/12/01 10:15') END.",
     "SCRIPT t; BEGIN d := DATEFORMAT('2026/12/01 10:15', 'YMDhn') END."},
    {"date-numbers",  // full-width digits are numbers too; '-' does not make up for missing ones
     "SCRIPT t; BEGIN d := DATEFORMAT('１２月１日', '-YMD') END.",
     "SCRIPT t; BEGIN d := DATEFORMAT('１２月１日', '-MD') END."},
    {"date-separator",
     "SCRIPT t; BEGIN d := DATEFORMAT('2026/12/01 10:15', 'Y/M/D') END.",
     "SCRIPT t; BEGIN d := DATEFORMAT('2026/12/01 10:15', '*-YMDxn') END."},
    {"date-minute",
     "SCRIPT t; BEGIN r := FORMATDATE(@SYSDATE, 'Y/M/D H:M') END.",
     "SCRIPT t; BEGIN r := FORMATDATE(@SYSDATE, 'Y/M/D H:N') END."},
    {"date-minute",
     "SCRIPT t; BEGIN d := DATEFORMAT(x, 'YMDhm'); x := '' END.",
     "SCRIPT t; BEGIN d := DATEFORMAT(x, 'YMDhn'); x := '' END."},
    {"text-plus",
     "SCRIPT t;\r\nROW[]:-\r\n<i>${NO}</i>\r\n-::\r\nBEGIN CLIP(ROW); tid := 5; r := tid * 1000 + NO END.",
     "SCRIPT t;\r\nROW[]:-\r\n<i>${NO}</i>\r\n-::\r\nBEGIN CLIP(ROW); tid := 5; r := tid * 1000 + NO * 1 END."},
    {"text-plus",  // a builtin's text
     "SCRIPT t; BEGIN s := '5 '; r := TRIM(s) + 1 END.",
     "SCRIPT t; BEGIN s := '5 '; r := TRIM(s) * 1 + 1 END."},
    {"text-arith",
     "SCRIPT t;\r\nROW[]:-\r\n<i>${P}</i><b>${Q}</b>\r\n-::\r\nBEGIN CLIP(ROW); r := P * Q END.",
     "SCRIPT t;\r\nROW[]:-\r\n<i>${P}</i><b>${Q}</b>\r\n-::\r\nBEGIN CLIP(ROW); r := P * (Q * 1) END."},
    {"text-range",
     "SCRIPT t;\r\nROW[]:-\r\n<i>${NO}</i>\r\n-::\r\nBEGIN CLIP(ROW); CASE NO OF 1..9: r := 1 ELSE r := 2 END END.",
     "SCRIPT t;\r\nROW[]:-\r\n<i>${NO}</i>\r\n-::\r\nBEGIN CLIP(ROW); CASE NO * 1 OF 1..9: r := 1 ELSE r := 2 END END."},
    {"text-range",
     "SCRIPT t; BEGIN s := SUBSTR(x, 1, 2); x := 'ab'; r := s IN [1..5, 7] END.",
     "SCRIPT t; BEGIN s := SUBSTR(x, 1, 2); x := 'ab'; r := s IN [7, 'a*'] END."},
};

class Traps : public ::testing::TestWithParam<Trap> {};

TEST_P(Traps, FireOnTheTrapAndNotOnItsMend) {
  const Trap& t = GetParam();
  EXPECT_EQ(Tags(t.trapped), std::vector<std::string>{t.tag}) << t.trapped;
  EXPECT_EQ(Tags(t.mended), std::vector<std::string>{}) << t.mended;
}

INSTANTIATE_TEST_SUITE_P(Warnings, Traps, ::testing::ValuesIn(kTraps));

TEST(Warnings, EveryKindHasATrapAndTheTableNamesEachOnce) {
  for (const TWarningKind& k : kWarningKinds) {
    bool covered = false;
    for (const Trap& t : kTraps) covered = covered || k.tag == t.tag;
    EXPECT_TRUE(covered) << k.tag;
    EXPECT_EQ(WarningKindByTag(k.tag), &k);
    EXPECT_EQ(&WarningKind(k.code), &k);
  }
  EXPECT_EQ(WarningKindByTag("no-such-tag"), nullptr);
}

// What is only a variable sometimes holding text gives no warning: the
// compiler warns where the value is text on every path it can see.
TEST(Warnings, StaySilentWhereTheValueMayBeANumber) {
  const char* quiet[] = {
      "SCRIPT t;\r\nROW[]:-\r\n<i>${NO}</i>\r\n-::\r\nBEGIN CLIP(ROW); NO := NO * 1; r := NO + 1 END.",
      "SCRIPT t; BEGIN n := ''; n := n + 1; r := n + 1 END.",
      "SCRIPT t; BEGIN r := 'No.' + 5; s := '#' + r END.",
      "SCRIPT t; BEGIN INC(count); r := count END.",
      "SCRIPT t; FUNCDEF F(n) BEGIN IF n > 0 THEN F := n + F(n - 1) ELSE F := 0 END; BEGIN r := F(3) END.",
      "SCRIPT t; FUNCDEF F BEGIN F := $# END; BEGIN r := F + F(1, 2) END.",
      "SCRIPT t; BEGIN x := 3; CASE x OF 1..9: r := 1 END END.",
      "SCRIPT t; BEGIN d := DATEFORMAT(s, f); s := ''; f := '' END.",
      "SCRIPT t;\r\nROW[]:-\r\n<b>${T}</b>\r\n-::\r\nBEGIN CLIP(ROW); r := EXPANDSTR(x); x := '' END.",
  };
  for (const char* s : quiet) EXPECT_EQ(Tags(s), std::vector<std::string>{}) << s;
}

TEST(Warnings, BelongToTheLastSuccessfulCompileOnly) {
  TScriptEngine engine;
  EXPECT_EQ(Tags(engine, kTraps[0].trapped), std::vector<std::string>{"own-name"});
  EXPECT_EQ(engine.ProgramName, "t");  // compiled all the same
  EXPECT_NE(ErrorOf(engine, "SCRIPT t; BEGIN x := END."), "(no error)");
  EXPECT_TRUE(engine.Warnings.empty());
  EXPECT_EQ(Tags(engine, kTraps[0].trapped).size(), 1u);
  EXPECT_EQ(Tags(engine, kTraps[0].mended), std::vector<std::string>{});
}

TEST(Warnings, CarryTheirPlaceAndText) {
  TScriptEngine engine;
  ASSERT_TRUE(engine.CompileScript(
      Utf8ToSjis("SCRIPT t;\r\nFUNCDEF CNT(s)\r\nBEGIN\r\n  CNT := 0;\r\n\tIF s <> '' THEN CNT := CNT + 1\r\nEND;\r\n"
                 "BEGIN r := CNT('a') END.\r\n"),
      true));
  ASSERT_EQ(engine.Warnings.size(), 1u);
  const TCompileWarning& w = engine.Warnings[0];
  EXPECT_EQ(w.Code, WarningCode::OwnName);
  EXPECT_EQ(w.Place.line, 5);
  EXPECT_EQ(SjisToUtf8(w.Place.text), "\tIF s <> '' THEN CNT := CNT + 1");
  EXPECT_EQ(w.Place.column, 24u);
  EXPECT_EQ(w.Place.width, 3u);
  EXPECT_TRUE(w.File.empty());
  EXPECT_EQ(SjisToUtf8(WarningLine(w)),
            "警告: 関数 CNT の中で CNT を読むと、結果ではなく引数なしの CNT の呼び出しになります。途中の値は変数に入れ、"
            "最後に CNT := 変数 と代入してください [own-name]");
}

TEST(Warnings, MessagesNameWhatTheyAreAbout) {
  struct Case {
    const char* script;
    const char* text;
  } cases[] = {
      {"SCRIPT t; FUNCDEF W(a, , c) BEGIN W := c END; BEGIN r := W(1) END.",
       "W は引数を 3 個とりますが、1 個で呼んでいます。足りない引数は空になります"},
      {"SCRIPT t; FUNCDEF F(n) BEGIN F := F(n - 1) + n END; BEGIN r := F(1) END.",
       "F の中で F を呼んだあとで仮引数 n を読んでいます。仮引数は大域変数なので、呼び出した先で書き換えられています。ここでは $0 "
       "と書いてください"},
      {"SCRIPT t; BEGIN d := DATEFORMAT('12/01 10:15', 'YMDhn') END.",
       "DATEFORMAT の書式 'YMDhn' は数を 5 個読みますが、'12/01 10:15' には数が 4 個しかないので、結果は 0 (日付なし) です"},
      {"SCRIPT t; BEGIN r := \"%SEQ%\" END.",
       "\"…\" の中の %SEQ% は変数 SEQ を読みます。テンプレート変数 %SEQ% の値は入らず、空になります。'…' + %SEQ% + '…' "
       "のようにつないでください"},
      {"SCRIPT t;\r\nROW[]:-\r\n<b>${NO2}</b>\r\n-::\r\nBEGIN CLIP(ROW); r := NO END.",
       "取り込みの名前は英字と @ , : だけです。${NO2} は変数 NO に入り、「2}」は区切りの文字として探されます"},
      {"SCRIPT t; BEGIN x := '1'; CASE x OF 1..9: r := 1 END END.",
       "範囲 1..9 は、値 (x) が文字列のときには比べられず、いつも一致します。x * 1 と数にしてください"},
  };
  for (const Case& c : cases) {
    TScriptEngine engine;
    ASSERT_TRUE(engine.CompileScript(Utf8ToSjis(c.script), false)) << c.script;
    ASSERT_EQ(engine.Warnings.size(), 1u) << c.script;
    EXPECT_EQ(SjisToUtf8(engine.Warnings[0].Text), c.text);
  }
}

class ShippedScripts : public ::testing::Test {
 protected:
  static std::string Read(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return AsCrLfLines(s.str());
  }
  std::string libs = std::string(BQ_SOURCE_DIR) + "/libs/";
};

// The sample as it was: its count of new articles read its own name, so
// every stored article ran the whole page again with an empty address.
TEST_F(ShippedScripts, TheOldBoardScriptGivesTheOwnNameWarningAtItsLine) {
  TScriptEngine engine;
  engine.LibFolder = libs;
  std::string source = Read(std::string(BQ_TEST_DATA) + "/scripts/board_counting_by_own_name.pss");
  ASSERT_TRUE(engine.CompileScript(source, true));
  ASSERT_EQ(engine.Warnings.size(), 1u);
  const TCompileWarning& w = engine.Warnings[0];
  EXPECT_EQ(w.Code, WarningCode::OwnName);
  EXPECT_EQ(w.Place.line, 33);
  EXPECT_EQ(w.Place.text.substr(w.Place.column, w.Place.width), "CLIPPAGE");
  EXPECT_EQ(SjisToUtf8(w.Place.text).find("IF PUTLOG(0) THEN CLIPPAGE := CLIPPAGE + 1"), 4u);
}

// Every script of libs/, the demo's among them; a library (no SCRIPT
// heading) is compiled as a script that includes it.
TEST_F(ShippedScripts, EveryScriptInLibsCompilesWithoutWarnings) {
  int compiled = 0;
  for (const auto& e : std::filesystem::directory_iterator(libs)) {
    if (e.path().extension() != ".pss") continue;
    TScriptEngine engine;
    engine.LibFolder = libs;
    std::string source = Read(e.path());
    if (source.rfind("SCRIPT", 0) != 0)
      source = "SCRIPT lib;\r\nINCLUDE '" + e.path().filename().string() + "';\r\nBEGIN END.\r\n";
    ASSERT_TRUE(engine.CompileScript(source, true)) << e.path();
    for (const TCompileWarning& w : engine.Warnings)
      ADD_FAILURE() << e.path() << ":" << w.Place.line << ": " << SjisToUtf8(WarningLine(w));
    ++compiled;
  }
  EXPECT_GE(compiled, 4);
}

// A warning inside an INCLUDEd library is placed in the library, and in the
// script at the INCLUDE.
TEST(Warnings, InALibraryArePlacedThereAndAtTheInclude) {
  std::string dir = ::testing::TempDir() + "bq_warn_lib/";
  std::filesystem::create_directories(dir);
  std::ofstream(dir + "lib.pss", std::ios::binary) << "PROCDEF P(a)\r\nBEGIN\r\n  r := b\r\nEND;\r\n";
  TScriptEngine engine;
  engine.LibFolder = dir;
  std::string source = "SCRIPT t;\r\nINCLUDE 'lib.pss';\r\nBEGIN P(1) END.\r\n";
  ASSERT_TRUE(engine.CompileScript(source, false));
  ASSERT_EQ(engine.Warnings.size(), 1u);
  const TCompileWarning& w = engine.Warnings[0];
  EXPECT_EQ(w.Code, WarningCode::Unassigned);
  EXPECT_EQ(w.File, "lib.pss");
  EXPECT_EQ(w.Place.line, 3);
  EXPECT_EQ(w.Place.text, "  r := b");
  EXPECT_EQ(source.substr(w.Start, w.Length), "'lib.pss'");
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace bq::script::test
