#include "script/lexer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/tables.h"

namespace bq::script {
namespace {

struct Tok {
  int code;
  std::string text;
  bool operator==(const Tok&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Tok& t) { return os << "{" << t.code << ",'" << t.text << "'}"; }

std::vector<Tok> Lex(const std::string& src, const TSymbolTable* symbols = nullptr) {
  TSymbolTable own;
  TLexer lex(symbols ? *symbols : own);
  lex.SetSource(src);
  std::vector<Tok> out;
  for (int guard = 0; guard < 1000; ++guard) {
    lex.NextToken();
    if (lex.AtEnd()) break;
    out.push_back({lex.Token, lex.TokenText});
  }
  return out;
}

struct LexCase {
  const char* source;
  std::vector<Tok> tokens;
};

class TokenForms : public ::testing::TestWithParam<LexCase> {};

TEST_P(TokenForms, LexAsListed) { EXPECT_EQ(Lex(GetParam().source), GetParam().tokens); }

INSTANTIATE_TEST_SUITE_P(
    Lexer, TokenForms,
    ::testing::Values(
        LexCase{"a//b", {{6, "a"}}}, LexCase{"a/b", {{6, "a"}, {44, "/"}, {6, "b"}}},
        LexCase{"x # note\ny", {{6, "x"}, {6, "y"}}}, LexCase{"'a#b'", {{8, "a#b"}}},
        LexCase{"'it\\'s'", {{8, "it's"}}}, LexCase{"'a\\b'", {{8, "a\\b"}}},
        LexCase{"\"q\\\"x\"", {{9, "q\"x"}}}, LexCase{"'open", {{8, "open"}}},
        LexCase{"$3", {{10, "3"}}}, LexCase{"$#", {{10, "#"}}}, LexCase{"$%", {{10, "%"}}},
        LexCase{"$_", {{6, "_"}}}, LexCase{"$^", {{6, "^"}}}, LexCase{"$", {{0, "$"}}},
        LexCase{"$ x", {{0, "$"}, {6, "x"}}}, LexCase{"%URL%", {{6, "%URL%"}}},
        LexCase{"% URL", {{0, "%"}, {6, "URL"}}}, LexCase{"%URL", {{0, "%"}, {6, "URL"}}},
        LexCase{"Foo (1)", {{12, "Foo"}, {24, "("}, {7, "1"}, {25, ")"}}},
        LexCase{"arr [1]", {{11, "arr"}, {26, "["}, {7, "1"}, {27, "]"}}},
        LexCase{"12abc", {{7, "12"}, {6, "abc"}}}, LexCase{"begin End", {{52, "begin"}, {53, "End"}}},
        LexCase{"div Mod shl shr", {{44, "div"}, {45, "Mod"}, {50, "shl"}, {51, "shr"}}},
        LexCase{"halt exit", {{58, "halt"}, {58, "exit"}}},
        LexCase{">= <= <> << >> := != ..", {{39, ">="}, {40, "<="}, {36, "<>"}, {50, "<<"}, {51, ">>"},
                                           {34, ":="}, {36, "!="}, {33, ".."}}},
        LexCase{": :: ; , .", {{18, ":"}, {19, "::"}, {21, ";"}, {20, ","}, {32, "."}}},
        LexCase{"{}()[]=<>+-*", {{22, "{"}, {23, "}"}, {24, "("}, {25, ")"}, {26, "["}, {27, "]"}, {35, "="},
                                {36, "<>"}, {41, "+"}, {42, "-"}, {43, "*"}}},
        LexCase{"1..5", {{7, "1"}, {33, ".."}, {7, "5"}}}, LexCase{"?!", {{0, "?"}, {0, "!"}}},
        LexCase{"(* block *) x", {{6, "x"}}}, LexCase{"(*) x", {}}, LexCase{"(* never closed", {}},
        LexCase{"\x93\xfa\x96\x7b := 1", {{6, "\x93\xfa\x96\x7b"}, {34, ":="}, {7, "1"}}},
        LexCase{"'\x83\x5c'", {{8, "\x83\x5c"}}}));

TEST(Lexer, BuiltinNamesInAnyCaseSetTheirCode) {
  TSymbolTable symbols;
  TLexer lex(symbols);
  lex.SetSource("length Length @url urltolocal(x)");
  lex.NextToken();
  EXPECT_EQ(lex.Token, tok::kBuiltin);
  EXPECT_EQ(lex.BuiltinCode, bi::kLength);
  lex.NextToken();
  EXPECT_EQ(lex.BuiltinCode, bi::kLength);
  lex.NextToken();
  EXPECT_EQ(lex.Token, tok::kBuiltin);
  EXPECT_EQ(lex.BuiltinCode, bi::kUrl);
  lex.NextToken();
  EXPECT_EQ(lex.Token, tok::kCallName);  // URLTOLOCAL is no builtin
  EXPECT_EQ(lex.BuiltinCode, 0);
}

TEST(Lexer, DefinedProcedureNameIsACallNameWithoutParenthesis) {
  TSymbolTable symbols;
  TStringPool pool;
  symbols.Add("Proc1", sym::kProcedure, 0, 10, pool);
  EXPECT_EQ(Lex("proc1; other;", &symbols), (std::vector<Tok>{{12, "proc1"}, {21, ";"}, {6, "other"}, {21, ";"}}));
}

TEST(Lexer, LineCountsLfInBlanksBlockCommentsAndLiterals) {
  TSymbolTable symbols;
  TLexer lex(symbols);
  lex.SetSource("a\n(* one\ntwo\nthree *) b 'x\ny' c");
  lex.NextToken();
  EXPECT_EQ(lex.TokenLine, 1);
  lex.NextToken();
  EXPECT_EQ(lex.TokenText, "b");
  EXPECT_EQ(lex.TokenLine, 4);
  lex.NextToken();
  lex.NextToken();
  EXPECT_EQ(lex.TokenText, "c");
  EXPECT_EQ(lex.TokenLine, 5);
}

TEST(Lexer, StopsAtTheFirstZeroByteAndNeverReadsPastTheEnd) {
  std::string src("x\0y", 3);
  EXPECT_EQ(Lex(src), (std::vector<Tok>{{6, "x"}}));
  // Every form cut short at the end of the text.
  for (const char* cut : {"'", "\"", "$", "%", "%A", "(*", "//", ":", "\x81", "a\x81", "'\x81", ">"})
    EXPECT_NO_THROW(Lex(cut)) << cut;
  EXPECT_EQ(Lex("a\x81"), (std::vector<Tok>{{6, "a\x81"}}));
}

TEST(Lexer, PercentWithoutClosingRestoresTheLineCount) {
  TSymbolTable symbols;
  TLexer lex(symbols);
  lex.SetSource("%A\n\nb");
  lex.NextToken();
  EXPECT_EQ(lex.TokenText, "%");
  lex.NextToken();
  EXPECT_EQ(lex.TokenText, "A");
  lex.NextToken();
  EXPECT_EQ(lex.TokenText, "b");
  EXPECT_EQ(lex.TokenLine, 3);
}

}  // namespace
}  // namespace bq::script
