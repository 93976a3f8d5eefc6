// The compiler, tested through the listing it prints: compile a snippet and
// compare its instructions after the fixed BRK/NOP/HALT prologue.
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

TEST(ProgramFrame, DebugFlagPutsALineBreakBeforeEveryStatement) {
  TScriptEngine engine;
  Lines lines = Listing(engine, "SCRIPT t;\r\nBEGIN\r\n  x := 1;\r\n  REPEAT\r\n  UNTIL x\r\nEND.", true);
  EXPECT_EQ(lines, (Lines{"BRK  #0", "NOP ", "HALT", "BRK  #2", "LDA  #1", "STA  X(18)", "BRK  #3", "LNK  #1",
                          "JMP  11", "JMP  18", "JMP  13", "PUSH SPC,0", "BRK  #4", "POP  SPC,0", "LDA  X(18)",
                          "INC  SPC,0", "PUSH SPC,0", "JCC  EQ,12", "POP  SPC,0", "STKP #1", "BRK  #5", "HALT"}));
}

TEST(ProgramFrame, ClipPatternDefinitionsDeclareTemplatesAndVariables) {
  TScriptEngine engine;
  Lines lines = Listing(engine,
                        "SCRIPT t;\r\nrow[]:-\r\n<tr><td>${DATE}</td><td>${TITLE}</td>\r\n-::-\r\n"
                        "BEGIN CLIP(Row) END.");
  const TClipTemplate* row = engine.Clips.ByName("ROW");
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(DumpClipTemplate(*row), "*:<tr><td>\r\nDATE:</td><td>\r\nTITLE:</td>\r\n");
  EXPECT_EQ(row->Items[0].Slot, -1);
  EXPECT_EQ(row->Items[1].Slot, 18);
  EXPECT_EQ(row->Items[2].Slot, 19);
  EXPECT_EQ(lines[3], "PUSH _(0)");
  EXPECT_EQ(lines[4], "LDA  S,'ROW'(1)");
  EXPECT_GE(engine.Symbols.Find("ROW", Kinds(sym::kClipPattern), 0), 0);
}

TEST(ProgramFrame, ClipDefinitionWithoutEndTakesTheRestOfTheText) {
  TScriptEngine engine;
  EXPECT_THROW(engine.CompileScript("SCRIPT t; r[]:-\r\n${A}x", false), ECompileError);
  ASSERT_EQ(engine.Clips.Count(), 0u);  // a failed compile leaves no templates
  EXPECT_THROW(engine.CompileScript("SCRIPT t; r[]:-", false), ECompileError);
}

TEST(ProgramFrame, LibraryFolderIsUsedForIncludeAndEntryPointIsTheMainStatement) {
  TScriptEngine engine;
  ASSERT_TRUE(engine.CompileScript("SCRIPT t; PROCDEF a; ; PROCDEF b; ; BEGIN END.", false));
  EXPECT_EQ(engine.Code.EntryPoint, 11);
  EXPECT_EQ(engine.Code.Count(), 12);
  EXPECT_EQ(SjisToUtf8(ListInstruction(engine, 11)), "HALT");
}

TEST(ProgramFrame, RecompilingStartsFromEmptyTables) {
  TScriptEngine engine;
  ASSERT_TRUE(engine.CompileScript("SCRIPT a; BEGIN x := 'one'; y := 2 END.", false));
  ASSERT_TRUE(engine.CompileScript("SCRIPT b; BEGIN z := 'two' END.", false));
  EXPECT_EQ(engine.Symbols.FindValue("Z", Kinds(sym::kVariable), 0), 18);
  EXPECT_EQ(engine.Symbols.Find("X", Kinds(sym::kVariable), 0), -1);
  EXPECT_EQ(engine.Pool[1], "two");
  EXPECT_EQ(engine.ProgramName, "b");
}

TEST(Statements, ForToCountsUpAndComparesWithTheLimitSlot) {
  EXPECT_EQ(Body("SCRIPT t; FOR i := 1 TO 10 DO x := i."),
            (Lines{"LDA  #1", "STA  I(18)", "LDA  #10", "LNK  #1", "STA  SPC,0", "LDA  I(18)", "TST  SPC,0", "JCC  GT,21", "JMP  14", "JMP  20", "JMP  17", "PUSH SPC,0", "LDA  I(18)", "STA  X(19)", "POP  SPC,0", "INC  I(18)", "JMP  8", "POP  SPC,0", "STKP #1", "HALT"}));
}

TEST(Statements, ForDowntoCountsDown) {
  EXPECT_EQ(Body("SCRIPT t; FOR i := 3 DOWNTO 1 DO x := i."),
            (Lines{"LDA  #3", "STA  I(18)", "LDA  #1", "LNK  #1", "STA  SPC,0", "LDA  I(18)", "TST  SPC,0", "JCC  LT,21", "JMP  14", "JMP  20", "JMP  17", "PUSH SPC,0", "LDA  I(18)", "STA  X(19)", "POP  SPC,0", "DEC  I(18)", "JMP  8", "POP  SPC,0", "STKP #1", "HALT"}));
}

TEST(Statements, WhileTestsBeforeEveryPass) {
  EXPECT_EQ(Body("SCRIPT t; WHILE x < 3 DO x := x + 1."),
            (Lines{"LNK  #1", "PUSH SPC,0", "LDA  X(18)", "PUSH", "LDA  #3", "CMP  LT", "JCC  NE,12", "JMP  20", "JMP  17", "LDA  X(18)", "PUSH", "LDA  #1", "ADD ", "STA  X(18)", "POP  SPC,0", "INC  SPC,0", "JMP  4", "POP  SPC,0", "STKP #1", "HALT"}));
}

TEST(Statements, RepeatTestsAfterEveryPass) {
  EXPECT_EQ(Body("SCRIPT t; REPEAT x := 1 UNTIL x."),
            (Lines{"LNK  #1", "JMP  7", "JMP  15", "JMP  10", "PUSH SPC,0", "LDA  #1", "STA  X(18)", "POP  SPC,0", "LDA  X(18)", "INC  SPC,0", "PUSH SPC,0", "JCC  EQ,8", "POP  SPC,0", "STKP #1", "HALT"}));
}

TEST(Statements, RepeatWithoutStatements) {
  EXPECT_EQ(Body("SCRIPT t; REPEAT UNTIL x."),
            (Lines{"LNK  #1", "JMP  7", "JMP  13", "JMP  8", "PUSH SPC,0", "POP  SPC,0", "LDA  X(18)", "INC  SPC,0", "PUSH SPC,0", "JCC  EQ,8", "POP  SPC,0", "STKP #1", "HALT"}));
}

TEST(Statements, ForeachWalksAListAndReleasesIt) {
  EXPECT_EQ(Body("SCRIPT t; FOREACH v IN @SPLIT[\",\", s] DO x := v."),
            (Lines{"PUSH _(0)", "LNK  #1", "LDA  V,\",\"(1)", "LSTF SPLT,[19]", "STA  !(2)", "PUSH SPC,0", "JCC  FRP,12", "JMP  20", "JMP  9", "POP  SPC,0", "LSTF EXPN,[7]", "STA  V(18)", "INC  SPC,0", "PUSH SPC,0", "LDA  V(18)", "STA  X(20)", "JMP  9", "POP  SPC,0", "STKP #1", "LSTF REMV,[7]", "POP  _(0)", "HALT"}));
}

TEST(Statements, CaseWithNumberRangePatternAndElse) {
  EXPECT_EQ(Body("SCRIPT t; CASE x OF 1: a := 1; 3..5: a := 2; 'ab*': a := 3; ELSE a := 4 END."),
            (Lines{"LDA  X(18)", "TST  #1", "JCC  NE,9", "LDA  #1", "STA  A(19)", "JMP  24", "STA  AUX[0]", "LDB  MAX[3]", "LDB  MIN[5]", "TST  AUX[0]", "JCC  NE,17", "LDA  #2", "STA  A(19)", "JMP  24", "STRF RCMP,ab*(1)", "JCC  NE,22", "LDA  #3", "STA  A(19)", "JMP  24", "LDA  #4", "STA  A(19)", "HALT"}));
}

TEST(Statements, IfElsifElseChainsJumpToOneEnd) {
  EXPECT_EQ(Body("SCRIPT t; IF a THEN x := 1 ELSIF b THEN x := 2 ELSE x := 3."),
            (Lines{"LDA  A(18)", "JCC  EQ,8", "LDA  #1", "STA  X(19)", "JMP  15", "LDA  B(20)", "JCC  EQ,13", "LDA  #2", "STA  X(19)", "JMP  15", "LDA  #3", "STA  X(19)", "HALT"}));
}

TEST(Statements, InListTestsEachElement) {
  EXPECT_EQ(Body("SCRIPT t; x := y IN [1, 3..5, 'ab*']."),
            (Lines{"LDA  Y(19)", "TST  #1", "JCC  EQ,15", "STA  AUX[0]", "LDB  MAX[3]", "LDB  MIN[5]", "TST  AUX[0]", "JCC  EQ,15", "STRF RCMP,ab*(1)", "JCC  EQ,15", "CLR ", "JMP  16", "LDA  #1", "STA  X(18)", "HALT"}));
}

TEST(Statements, FunctionsProceduresAndCalls) {
  EXPECT_EQ(Body("SCRIPT t; FUNCDEF f(a, b) BEGIN f := a + b END; PROCDEF p RETURN; BEGIN x := f(1, y); p; f(2, 3) END."),
            (Lines{"LNK  #1", "LDA  PAR[0]", "STA  A(18)", "LDA  PAR[1]", "STA  B(19)", "LDA  A(18)", "PUSH", "LDA  B(19)", "ADD ", "STA  SPC,0", "POP ", "RET ", "NOP ", "LNK  #1", "STKP #1", "RET ", "STKP #1", "RET ", "NOP ", "PUSH #1", "PUSH Y(21)", "PUSH #2", "CALL F(3)", "STKP #3", "STA  X(20)", "PUSH #0", "CALL P(16)", "STKP #1", "PUSH #2", "PUSH #3", "PUSH #2", "CALL F(3)", "STKP #3", "HALT"}));
}

TEST(Statements, FunctionCalledWithAndWithoutParentheses) {
  EXPECT_EQ(Body("SCRIPT t; FUNCDEF f f := 1; BEGIN x := f + f() END."),
            (Lines{"LNK  #1", "LDA  #1", "STA  SPC,0", "POP ", "RET ", "NOP ", "PUSH #0", "CALL F(3)", "STKP #1", "PUSH", "PUSH #0", "CALL F(3)", "STKP #1", "ADD ", "STA  X(18)", "HALT"}));
}

TEST(Statements, ArgumentsPushedInTheirOwnModes) {
  EXPECT_EQ(Body("SCRIPT t; FUNCDEF f(a) ; BEGIN f($1, $#, $%, 'a', \"b\", TRUE, FALSE, x, 1 + 2) END."),
            (Lines{"LNK  #1", "LDA  PAR[0]", "STA  A(18)", "POP ", "RET ", "NOP ", "PUSH PAR[1]", "LDA  PAR[-1]", "PUSH", "LDA  SPC,0", "PUSH", "PUSH S,'a'(1)", "PUSH V,\"b\"(2)", "PUSH #1", "PUSH #0", "PUSH X(19)", "LDA  #1", "PUSH", "LDA  #2", "ADD ", "PUSH", "PUSH #9", "CALL F(3)", "STKP #10", "HALT"}));
}

TEST(Statements, OperatorLevelsAndImmediateOperands) {
  EXPECT_EQ(Body("SCRIPT t; BEGIN x := -2 * 3; y := a SHR 2 << 1; z := x * (2) MOD 3; RETURN END."),
            (Lines{"LDA  #2", "NEG ", "MUL  #3", "STA  X(18)", "LDA  A(20)", "PUSH", "LDA  #2", "SHFT RGHT,[0]", "PUSH", "LDA  #1", "SHFT LEFT,[0]", "STA  Y(19)", "LDA  X(18)", "PUSH", "LDA  #2", "MUL ", "MOD  #3", "STA  Z(21)", "JMP  0", "HALT"}));
}

TEST(Statements, ComparisonsBindTighterThanAnd) {
  EXPECT_EQ(Body("SCRIPT t; x := a = 1 AND b <> 2 OR c >= d XOR NOT e."),
            (Lines{"LDA  A(19)", "PUSH", "LDA  #1", "CMP  EQ", "PUSH", "LDA  B(20)", "PUSH", "LDA  #2", "CMP  NE", "AND ", "PUSH", "LDA  C(21)", "PUSH", "LDA  D(22)", "CMP  GE", "OR  ", "PUSH", "LDA  E(23)", "NOT ", "XOR ", "STA  X(18)", "HALT"}));
}

TEST(Statements, ParameterReferencesInExpressions) {
  EXPECT_EQ(Body("SCRIPT t; x := $1 + $# + $%."),
            (Lines{"LDA  PAR[1]", "PUSH", "LDA  PAR[-1]", "ADD ", "PUSH", "LDA  SPC,0", "ADD ", "STA  X(18)", "HALT"}));
}

TEST(Statements, BreakAndNextJumpToTheLoopBase) {
  EXPECT_EQ(Body("SCRIPT t; WHILE 1 DO BEGIN IF a THEN BREAK; NEXT END."),
            (Lines{"LNK  #1", "PUSH SPC,0", "LDA  #1", "JCC  NE,9", "JMP  16", "JMP  13", "LDA  A(18)", "JCC  EQ,12", "JMP  7", "JMP  8", "POP  SPC,0", "INC  SPC,0", "JMP  4", "POP  SPC,0", "STKP #1", "HALT"}));
}

TEST(Statements, EmptyProcedureBodyAndMainBlock) {
  EXPECT_EQ(Body("SCRIPT t; PROCDEF p; BEGIN x := 1 END."),
            (Lines{"LNK  #1", "STKP #1", "RET ", "NOP ", "LDA  #1", "STA  X(18)", "HALT"}));
}

TEST(Statements, StrayCharacterBetweenStatementsIsSkipped) {
  EXPECT_EQ(Body("SCRIPT t; BEGIN a := 1 ? b := 2 END."),
            (Lines{"LDA  #1", "STA  A(18)", "LDA  #2", "STA  B(19)", "HALT"}));
}

TEST(Statements, StatementAfterWhileIsNotItsBody) {
  EXPECT_EQ(Body("SCRIPT t; BEGIN WHILE x DO s := 1; y := 1 END."),
            (Lines{"LNK  #1", "PUSH SPC,0", "LDA  X(18)", "JCC  NE,9", "JMP  14", "JMP  11", "LDA  #1", "STA  S(19)", "POP  SPC,0", "INC  SPC,0", "JMP  4", "POP  SPC,0", "STKP #1", "LDA  #1", "STA  Y(20)", "HALT"}));
}

TEST(Statements, VariableStatementLoadsTheVariable) {
  EXPECT_EQ(Body("SCRIPT t; BEGIN x; END."),
            (Lines{"LDA  X(18)", "HALT"}));
}

TEST(Statements, ReturnInsideLoopsUnwindsThemBeforeLeaving) {
  // Each loop's saved SPC and slot (and a FOREACH's list and FRP) are
  // dropped, so RET finds the frame as CALL left it.
  EXPECT_EQ(Body("SCRIPT t; FUNCDEF f(n) BEGIN FOR i := 1 TO n DO IF i = 2 THEN RETURN; f := 5 END; BEGIN END."),
            (Lines{"LNK  #1", "LDA  PAR[0]", "STA  N(18)", "LDA  #1", "STA  I(19)", "LDA  N(18)", "PUSH SPC,0",
                   "LNK  #1", "STA  SPC,0", "LDA  I(19)", "TST  SPC,0", "JCC  GT,33", "JMP  18", "JMP  32", "JMP  29",
                   "PUSH SPC,0", "LDA  I(19)", "PUSH", "LDA  #2", "CMP  EQ", "JCC  EQ,29", "POP  SPC,0", "STKP #1",
                   "POP  SPC,0", "POP ", "RET ", "POP  SPC,0", "INC  I(19)", "JMP  12", "POP  SPC,0", "STKP #1",
                   "POP  SPC,0", "LDA  #5", "STA  SPC,0", "POP ", "RET ", "NOP ", "HALT"}));
  Lines nested = Body("SCRIPT t; PROCDEF p WHILE 1 DO FOREACH v IN @LINES[x] DO RETURN; BEGIN END.");
  ASSERT_EQ(nested.size(), 49u);
  Lines unwind(nested.begin() + 23, nested.begin() + 33);  // addresses 26-35
  EXPECT_EQ(unwind, (Lines{"POP  SPC,0", "STKP #1", "LSTF REMV,[16]", "POP  _(0)", "POP  SPC,0", "POP  SPC,0",
                           "STKP #1", "POP  SPC,0", "STKP #1", "RET "}));
}

TEST(Statements, NestedDefinitionsAreJumpedOver) {
  EXPECT_EQ(Body("SCRIPT t; PROCDEF outer PROCDEF inner; x := 1; BEGIN outer; END."),
            (Lines{"LNK  #1", "JMP  9", "LNK  #1", "STKP #1", "RET ", "NOP ", "LDA  #1", "STA  X(18)", "STKP #1",
                   "RET ", "NOP ", "PUSH #0", "CALL OUTER(3)", "STKP #1", "HALT"}));
}

TEST(Statements, ReturnInTheMainProgramEndsTheRun) {
  EXPECT_EQ(Body("SCRIPT t; BEGIN RETURN; EXIT; HALT END."), (Lines{"JMP  0", "HALT", "HALT", "HALT"}));
}

TEST(Statements, FunctionMayCallItselfInAnExpression) {
  EXPECT_EQ(Body("SCRIPT t; FUNCDEF f(n) f := f(n - 1); BEGIN END.")[9], "CALL F(3)");
}

TEST(Statements, EmptyPackOnlyClearsTheRecord) {
  EXPECT_EQ(Body("SCRIPT t; PACK()."), (Lines{"DSET CLR", "DSET URL", "HALT"}));
}

TEST(Statements, BuiltinsAreRecognisedInAnyCase) {
  EXPECT_EQ(Body("SCRIPT t; x := length(s)."), Body("SCRIPT t; x := LENGTH(s)."));
}

struct FormCase {
  const char* source;
  Lines code;
};
std::ostream& operator<<(std::ostream& os, const FormCase& c) { return os << c.source; }

class BuiltinForms : public ::testing::TestWithParam<FormCase> {};

TEST_P(BuiltinForms, CompileToTheirInstructions) { EXPECT_EQ(Body(GetParam().source), GetParam().code); }

INSTANTIATE_TEST_SUITE_P(
    Builtins, BuiltinForms,
    ::testing::Values(
        FormCase{"SCRIPT t; BEGIN GET(u, 1); GET(u); DOWNLOAD(a, b); INT2STR(n) END.",
                 {"LDA  U(18)", "SETF #1", "HTTP GET,_(0)", "LDA  U(18)", "SETF #0", "HTTP GET,_(0)", "LDA  A(19)", "PUSH", "LDA  B(20)", "POP  AUX[0]", "HTTP DLD,_(0)", "LDA  N(21)", "STA  AUX[0]", "CLR ", "STRF ISTR,_(0)", "HALT"}},
        FormCase{"SCRIPT t; BEGIN SUBMIT(form::'a=1', 'b', , 'http://x/'); SUBMIT('q'); READLINK(x, v, 'http://y/', 1); READLINK(x, , $1) END.",
                 {"LDB  S,'FORM::'(1)", "PUSH AUX[0]", "LDA  S,'a=1'(2)", "ADD ", "STA  AUX[0]", "LDA  S,'b'(3)", "URL  S,'http://x/'(4)", "HTTP POST,_(0)", "CLR  AUX[0]", "PUSH AUX[0]", "LDA  S,'q'(5)", "ADD ", "STA  AUX[0]", "CLR ", "HTTP POST,_(0)", "LDA  X(18)", "URL  S,'http://y/'(6)", "SETF #1", "HTTP LNK@,V(19)", "LDA  X(18)", "URL  PAR[1]", "SETF #0", "HTTP LNK@,_(0)", "HALT"}},
        FormCase{"SCRIPT t; BEGIN REPLACE(v, 'a', x + 1, 0); WRAPSTR(v, $1, 'b'); PAGECLIP('<b>', '</b>', w); PAGECLIP(a, b) END.",
                 {"PUSH S,'a'(1)", "LDA  X(19)", "PUSH", "LDA  #1", "ADD ", "PUSH", "LDA  #0", "STRF REPL,V(18)", "PUSH PAR[1]", "PUSH S,'b'(2)", "LDA  #0", "STRF WRPS,V(18)", "PUSH S,'<b>'(3)", "PUSH S,'</b>'(4)", "LDA  #1", "STRF WRPS,W(20)", "STA  W(20)", "PUSH A(21)", "PUSH B(22)", "LDA  #1", "STRF WRPS,_(0)", "STA  _(0)", "HALT"}},
        FormCase{"SCRIPT t; BEGIN SUBSTR(v, 1, 2); DELETE(v, 3, n); TEXTPOS('a', s); SKIPTO('x'); TAGUPPERCASE(1, s) END.",
                 {"LDA  #1", "PUSH", "LDA  #2", "POP  AUX[0]", "STRF SUBS,V(18)", "LDA  #3", "PUSH", "LDA  N(19)", "POP  AUX[0]", "STRF DELS,V(18)", "LDA  S,'a'(1)", "STRF POS,S(20)", "LDA  S,'x'(2)", "STRF FDEL,_(0)", "LDA  #1", "STRF TAGU,S(20)", "HALT"}},
        FormCase{"SCRIPT t; BEGIN INIT(0, a, b); DECODEDATE(d, y, m); INC(i); DEC(i); SWAP(a, b); STRIP(a, b); SAVEF('f', a, 1); SAVEF('g'); LOADF('h') END.",
                 {"LDA  #0", "STA  A(18)", "STA  B(19)", "LDA  D(20)", "PUSH #21", "PUSH #22", "PUSH #2", "BLTN DECODEDATE", "STKP #3", "INC  I(23)", "LDA  I(23)", "DEC  I(23)", "LDA  I(23)", "LDA  A(18)", "SWAP B(19)", "STA  A(18)", "STRF STRP,A(18)", "STRF STRP,B(19)", "LDA  S,'f'(1)", "LDB  #1", "STF  A(18)", "LDA  S,'g'(2)", "LDB  #0", "STF  _(0)", "LDA  S,'h'(3)", "LDF ", "HALT"}},
        FormCase{"SCRIPT t; BEGIN INPUT('c', 'p', v); IMGSRC('*.jpg', v, base); FRAMESRC(p); x := @URL; TABLESTRIP(1); MESSAGE('m'); EXITMESSAGE('e'); SHOWWINDOW(1) END.",
                 {"LDA  S,'c'(1)", "PUSH", "LDA  S,'p'(2)", "POP  AUX[0]", "WIN  INP(18)", "LDA  S,'*.jpg'(3)", "PUSH", "LDA  BASE(19)", "STA  AUX[0]", "POP ", "XFN  IMG,V(18)", "LDA  P(20)", "LDB  @URL[2]", "XFN  FRM,_(0)", "LDA  @URL[2]", "STA  X(21)", "LDA  #1", "STA  @SMR[8]", "LDA  S,'m'(4)", "WIN  MSG(0)", "LDA  S,'e'(5)", "WIN  MSG(1)", "LDA  #1", "WIN  SHOW(0)", "HALT"}},
        FormCase{"SCRIPT t; BEGIN PRINT('a', 1); PRINT; x := CSV(s, 1); RENAMEFILE('a', 'b', 1); FOREACH v IN @WRAPSTR['<b>', e, s] DO x := v; FOREACH v IN @INDEXLINK[\"*\", s, u] DO x := v END.",
                 {"PUSH S,'a'(1)", "PUSH #1", "PUSH #2", "BLTN PRINT", "STKP #3", "PUSH #0", "BLTN PRINT", "STKP #1", "PUSH S(19)", "PUSH #1", "PUSH #2", "BLTN CSV", "STKP #3", "STA  X(18)", "LDA  S,'a'(1)", "PUSH", "LDA  S,'b'(2)", "POP  AUX[0]", "XFN  RENF,@(1)", "PUSH _(0)", "LNK  #1", "LDA  S,'<b>'(3)", "LDB  E(21)", "LSTF WRPS,[19]", "STA  !(2)", "PUSH SPC,0", "JCC  FRP,32", "JMP  40", "JMP  29", "POP  SPC,0", "LSTF EXPN,[27]", "STA  V(20)", "INC  SPC,0", "PUSH SPC,0", "LDA  V(20)", "STA  X(18)", "JMP  29", "POP  SPC,0", "STKP #1", "LSTF REMV,[27]", "POP  _(0)", "PUSH _(0)", "LNK  #1", "LDA  V,\"*\"(4)", "PUSH", "LDA  U(22)", "STA  AUX[0]", "POP ", "LSTF LNKS,[19]", "STA  !(2)", "PUSH SPC,0", "JCC  FRP,57", "JMP  65", "JMP  54", "POP  SPC,0", "LSTF EXPN,[52]", "STA  V(20)", "INC  SPC,0", "PUSH SPC,0", "LDA  V(20)", "STA  X(18)", "JMP  54", "POP  SPC,0", "STKP #1", "LSTF REMV,[52]", "POP  _(0)", "HALT"}},
        FormCase{"SCRIPT t; BEGIN CLIP(rec, page); PACK(0: n, 1: 2, 3: 'a', 4: \"b\", 5: TRUE, 7: x + 1); UNPACK(t, 3: ti, 7: bo) END.",
                 {"PUSH _(0)", "LDA  REC(18)", "LSTF ARAY,[19]", "STA  !(2)", "JCC  FRZ,9", "LSTF EXPN,[6]", "LSTF REMV,[6]", "POP  _(0)", "DSET CLR", "DSET URL", "DSET 0,N(20)", "DSET 1,#2", "DSET 3,'a'(1)", "DSET 4,@\"b\"(2)", "DSET 5,#1", "LDA  X(21)", "PUSH", "LDA  #1", "ADD ", "DSET 7,REG", "LDA  T(22)", "XFN  *GETLOG", "DGET 3,TI(23)", "DGET 7,BO(24)", "HALT"}},
        FormCase{"SCRIPT t; BEGIN x := LENGTH(s) + HASH(s); x := TRIM(s) + UPPER(s) + LOWER(s) + EXPANDSTR(s); PUTLOG(0); SLEEP(1); LOGDEL(1); x := DECODEURL(u); DELETEFILE(f) END.",
                 {"LDA  S(19)", "STRF LENG,_(0)", "PUSH", "LDA  S(19)", "STRF HASH,_(0)", "ADD ", "STA  X(18)", "LDA  S(19)", "STRF TRIM,_(0)", "PUSH", "LDA  S(19)", "STRF UPC,_(0)", "ADD ", "PUSH", "LDA  S(19)", "STRF LOW,_(0)", "ADD ", "PUSH", "LDA  S(19)", "STRF EXPN,_(0)", "ADD ", "STA  X(18)", "LDA  #0", "XFN  PUT,_(0)", "LDA  #1", "XFN  SLEP,_(0)", "LDA  #1", "XFN  DEL,_(0)", "LDA  U(20)", "XFN  DECD,_(0)", "STA  X(18)", "LDA  F(21)", "XFN  DELF,_(0)", "HALT"}},
        FormCase{"SCRIPT t; BEGIN HEAD(u); BROWSE(u); LOGSORT(1, 2); CLIPBOARD(s); x := SORTCSV(s); x := @SYSDATE + @DOCDATE + @APPFOLDER + @DATAFOLDER + @LIBFOLDER + @LOGCOUNT + @CLIPBOARD END.",
                 {"LDA  U(18)", "HTTP HEAD,_(0)", "LDA  U(18)", "HTTP BOPN,_(0)", "LDA  #1", "PUSH", "LDA  #2", "POP  AUX[0]", "XFN  LOGSORT,_(0)", "LDA  S(19)", "STA  AUX[0]", "CLR ", "XFN  CLIP,_(0)", "LDA  S(19)", "STA  AUX[0]", "CLR ", "XFN  CSVSORT,_(0)", "STA  X(20)", "LDA  @CLK[0]", "PUSH", "LDA  @DOC[1]", "ADD ", "PUSH", "LDA  @APP[3]", "ADD ", "PUSH", "LDA  @DAT[4]", "ADD ", "PUSH", "LDA  @LIB[5]", "ADD ", "PUSH", "LDA  @LOG[6]", "ADD ", "PUSH", "LDA  @CLP[7]", "ADD ", "STA  X(20)", "HALT"}},
        FormCase{"SCRIPT t; FUNCDEF urltolocal(a) ; BEGIN FOREACH t IN @TOPICS[3] DO x := t; x := urltolocal(y) END.",
                 {"LNK  #1", "LDA  PAR[0]", "STA  A(18)", "POP ", "RET ", "NOP ", "PUSH _(0)", "LNK  #1", "LDA  #3", "LSTF TPIC,[0]", "STA  !(2)", "PUSH SPC,0", "JCC  FRP,18", "JMP  26", "JMP  15", "POP  SPC,0", "LSTF EXPN,[13]", "STA  T(19)", "INC  SPC,0", "PUSH SPC,0", "LDA  T(19)", "STA  X(20)", "JMP  15", "POP  SPC,0", "STKP #1", "LSTF REMV,[13]", "POP  _(0)", "PUSH Y(21)", "PUSH #1", "CALL URLTOLOCAL(3)", "STKP #2", "STA  X(20)", "HALT"}},
        FormCase{"SCRIPT t; BEGIN FOREACH c IN @CSV[s] DO x := c; FOREACH i IN @IMGSRC[p] DO x := i; FOREACH r IN @CLIP['ROW', page] DO x := r END.",
                 {"PUSH _(0)", "LNK  #1", "LDA  S(19)", "LSTF CSV,[0]", "STA  !(2)", "PUSH SPC,0", "JCC  FRP,12", "JMP  20", "JMP  9", "POP  SPC,0", "LSTF EXPN,[7]", "STA  C(18)", "INC  SPC,0", "PUSH SPC,0", "LDA  C(18)", "STA  X(20)", "JMP  9", "POP  SPC,0", "STKP #1", "LSTF REMV,[7]", "POP  _(0)", "PUSH _(0)", "LNK  #1", "LDA  P(22)", "LDB  @URL[2]", "LSTF IMG,[0]", "STA  !(2)", "PUSH SPC,0", "JCC  FRP,34", "JMP  42", "JMP  31", "POP  SPC,0", "LSTF EXPN,[29]", "STA  I(21)", "INC  SPC,0", "PUSH SPC,0", "LDA  I(21)", "STA  X(20)", "JMP  31", "POP  SPC,0", "STKP #1", "LSTF REMV,[29]", "POP  _(0)", "PUSH _(0)", "LNK  #1", "LDA  S,'ROW'(1)", "LSTF ARAY,[24]", "STA  !(2)", "PUSH SPC,0", "JCC  FRP,55", "JMP  63", "JMP  52", "POP  SPC,0", "LSTF EXPN,[50]", "STA  R(23)", "INC  SPC,0", "PUSH SPC,0", "LDA  R(23)", "STA  X(20)", "JMP  52", "POP  SPC,0", "STKP #1", "LSTF REMV,[50]", "POP  _(0)", "HALT"}},
        FormCase{"SCRIPT t; BEGIN x := FORMATDATE(d, 'yy'); TAGSTRIPSET('a'); LOGREMOVE; x := URLNUM(u) + HREF(s) + LINKS(s) + SHIFTCSV(s) + DATEFORMAT(d) END.",
                 {"PUSH D(19)", "PUSH S,'yy'(1)", "PUSH #2", "BLTN FORMATDATE", "STKP #3", "STA  X(18)", "PUSH S,'a'(2)", "PUSH #1", "BLTN TAGSTRIPSET", "STKP #2", "PUSH #0", "BLTN LOGREMOVE", "STKP #1", "PUSH U(20)", "PUSH #1", "BLTN URLNUM", "STKP #2", "PUSH", "PUSH S(21)", "PUSH #1", "BLTN HREF", "STKP #2", "ADD ", "PUSH", "PUSH S(21)", "PUSH #1", "BLTN LINKS", "STKP #2", "ADD ", "PUSH", "PUSH S(21)", "PUSH #1", "BLTN SHIFTCSV", "STKP #2", "ADD ", "PUSH", "PUSH D(19)", "PUSH #1", "BLTN DATEFORMAT", "STKP #2", "ADD ", "STA  X(18)", "HALT"}},
        FormCase{"SCRIPT t; BEGIN IF ISDIGIT(x) THEN y := 1; y := ISSJIS(x) END.",
                 {"LDA  X(18)", "STRF TST#,_(0)", "JCC  EQ,8", "LDA  #0", "JMP  9", "LDA  #1", "JCC  EQ,12", "LDA  #1", "STA  Y(19)", "LDA  X(18)", "STRF TST$,_(0)", "JCC  EQ,17", "LDA  #0", "JMP  18", "LDA  #1", "STA  Y(19)", "HALT"}}));

// Whatever compiles, every jump and call stays inside the code image.
TEST(CodeImage, JumpTargetsStayInside) {
  const char* programs[] = {
      "SCRIPT t; FUNCDEF f(n) BEGIN WHILE 1 DO REPEAT FOREACH v IN @LINES[x] DO FOR i := 1 TO 3 DO "
      "CASE i OF 1: RETURN; ELSE BREAK END UNTIL 1 END; BEGIN x := f(1) END.",
      "SCRIPT t; PROCDEF a PROCDEF b PROCDEF c RETURN; RETURN; RETURN; BEGIN a; END.",
  };
  for (const char* p : programs) {
    TScriptEngine engine;
    ASSERT_TRUE(engine.CompileScript(p, true)) << p;
    for (std::int32_t a = 0; a < engine.Code.Count(); ++a) {
      const TInstruction& in = engine.Code[a];
      if (in.Op == OpCode::JMP || in.Op == OpCode::JCC || in.Op == OpCode::CALL) {
        EXPECT_TRUE(engine.Code.Contains(in.Operand)) << p << " at " << a;
      }
    }
    EXPECT_EQ(engine.Code[engine.Code.Count() - 1].Op, OpCode::HALT);
  }
}

}  // namespace
}  // namespace bq::script::test
