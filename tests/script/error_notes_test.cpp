// The notes around a compile error: the 1-based place in the file, the
// taken-name hint and the refusal of UTF-8 script files.
#include "script/error_notes.h"

#include <gtest/gtest.h>

#include "script/engine.h"
#include "textlib/cp932.h"

namespace bq::script {
namespace {

// Compiles and returns the place the error points at.
SourcePlace PlaceOfError(const std::string& raw, std::string* message = nullptr) {
  TScriptEngine e;
  std::string source = AsCrLfLines(raw);
  try {
    e.CompileScript(source, false);
  } catch (const ECompileError& err) {
    if (message) *message = SjisToUtf8(CompileErrorMessage(err.what()));
    return ErrorPlace(source, static_cast<std::size_t>(e.ErrorStart),
                      static_cast<std::size_t>(e.ErrorLength));
  }
  ADD_FAILURE() << "compiled";
  return {};
}

TEST(ErrorPlace, NamesTheFileLineOfTheTokenWhateverTheLineBreaks) {
  for (const char* brk : {"\r\n", "\n", "\r"}) {
    std::string s =
        std::string("SCRIPT s;") + brk + "BEGIN" + brk + "  x := 1;" + brk + "  ZZ" + brk + "END.";
    // A lone variable is reported at the token after it, END on line 5.
    SourcePlace p = PlaceOfError(s);
    EXPECT_EQ(p.line, 5) << int(brk[0]);
    EXPECT_EQ(p.text, "END.");
    EXPECT_EQ(p.column, 0u);
    EXPECT_EQ(p.width, 3u);
  }
}

TEST(ErrorPlace, AnErrorAtTheEndPointsAfterTheLastTextWithOrWithoutAFinalBreak) {
  for (const char* tail : {"", "\r\n", "\r\n\r\n  \r\n"}) {
    SourcePlace p = PlaceOfError(std::string("SCRIPT s;\r\nBEGIN\r\n  x := 1") + tail);
    EXPECT_EQ(p.line, 3) << tail;
    EXPECT_EQ(p.text, "  x := 1");
    EXPECT_EQ(p.column, 8u);
    EXPECT_EQ(p.width, 1u);
  }
}

TEST(ErrorPlace, SpansStayInsideTheLineAndOutOfRangeStartsAreClamped) {
  SourcePlace p = ErrorPlace("ab\r\ncd", 1, 50);
  EXPECT_EQ(p.line, 1);
  EXPECT_EQ(p.text, "ab");
  EXPECT_EQ(p.width, 1u);
  p = ErrorPlace("ab\r\ncd", 99, 3);
  EXPECT_EQ(p.line, 2);
  EXPECT_EQ(p.text, "cd");
  EXPECT_EQ(p.column, 2u);
  // Column counts bytes, a double-byte character being two.
  p = ErrorPlace("\x95\x5cX", 2, 1);
  EXPECT_EQ(p.line, 1);
  EXPECT_EQ(p.column, 2u);
}

TEST(TakenNameHint, BuiltinsAndKeywordsUsedAsVariablesAreNamed) {
  std::string message;
  std::string src = "SCRIPT s;\r\nBEGIN\r\n  FOR href := 1 TO 3 DO x := 1;\r\nEND.\r\n";
  PlaceOfError(src, &message);
  EXPECT_EQ(message, "変数が必要です");
  TScriptEngine e;
  try {
    e.CompileScript(src, false);
  } catch (const ECompileError& err) {
    EXPECT_EQ(SjisToUtf8(TakenNameHint(src, static_cast<std::size_t>(e.ErrorStart),
                                       CompileErrorMessage(err.what()))),
              "HREF は組み込み関数の名前です");
  }
  std::string needed = Utf8ToSjis("変数が必要です");
  EXPECT_EQ(SjisToUtf8(TakenNameHint("FOREACH END IN", 8, needed)), "END は予約語です");
  EXPECT_EQ(SjisToUtf8(TakenNameHint("@clip := 1", 0, "x")), "@CLIP は組み込み関数の名前です");
  EXPECT_EQ(SjisToUtf8(TakenNameHint("'<a>${href}'", 6, "x")), "HREF は組み込み関数の名前です");
  // A builtin called in a wrong way (PRINT before END without its brackets)
  // is not a name taken for a variable.
  EXPECT_EQ(TakenNameHint("  PRINT 'a'\r\nEND.", 2, Utf8ToSjis("PRINT の呼出しエラー")), "");
  EXPECT_EQ(TakenNameHint("  PRINT\r\nEND.", 2, Utf8ToSjis("PRINT の呼出しエラー")), "");
  // A keyword where a keyword was expected, or a plain name, gets nothing.
  EXPECT_EQ(TakenNameHint("x END", 2, Utf8ToSjis("DO が必要です")), "");
  EXPECT_EQ(TakenNameHint("total := 1", 0, needed), "");
  EXPECT_EQ(TakenNameHint("x", 5, needed), "");
}

TEST(Utf8ScriptError, OnlyUtf8WithMultiByteCharactersIsRefused) {
  EXPECT_EQ(Utf8ScriptError("SCRIPT s;\r\nBEGIN END.\r\n", "a.pss"), "");
  EXPECT_EQ(Utf8ScriptError(Utf8ToSjis("SCRIPT s; BEGIN x := '本文の題名' END."), "a.pss"), "");
  std::string refusal = Utf8ScriptError("SCRIPT s; BEGIN x := '\xE6\x9C\xAC' END.", "news.pss");
  EXPECT_EQ(refusal.rfind("news.pss: the script is saved in UTF-8", 0), 0u) << refusal;
  EXPECT_NE(refusal.find("iconv -f UTF-8 -t CP932 news.pss"), std::string::npos);
}

}  // namespace
}  // namespace bq::script
