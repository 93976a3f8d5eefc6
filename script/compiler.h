#pragma once
// The one-pass compiler from script text to the code image, used through
// TScriptEngine::CompileScript. One TCompiler lives for one compile; it reads
// the lexer's tokens left to right and emits instructions directly, patching
// forward jumps when their targets are known.
//
// Grammar (one function per rule below, each opening with its production):
//   program    -> SCRIPT name [;] {clipdef} {INCLUDE 'file' [;]} decls .
//   decls      -> {(PROCDEF|FUNCDEF) name [( params )] decls [;]} statement [END]
//   statement  -> block | assignment | call | builtin | if | for | while | repeat
//               | foreach | case | NEXT | BREAK | RETURN | EXIT | HALT | ;
//   expression -> comparison {(AND|OR|XOR) comparison}
//   comparison -> additive {relop additive | IN [ elements ]}
//   additive   -> term {(+|-|SHL|SHR) term}
//   term       -> factor {(*|/|DIV|MOD) factor}
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "script/engine.h"
#include "script/instructions.h"
#include "script/lexer.h"

namespace bq::script {

// One enclosing loop, innermost first: what BREAK, NEXT and RETURN need.
struct LoopContext {
  std::int32_t base = 0;       // BREAK jumps here, NEXT to base + 1
  bool foreach = false;        // holds a saved FRP and a list key
  std::int32_t key = 0;        // FOREACH list key
  bool savedSpc = false;       // the enclosing SPC was pushed before the loop
  const LoopContext* outer = nullptr;
};

// How far below a loop's SPC the enclosing SPC points: the loop slot, the
// saved SPC and, for FOREACH, the saved FRP. Each enclosing loop's body also
// keeps one pushed SPC on the stack while an inner loop runs.
inline std::int32_t SlotsBelow(const LoopContext* loop) {
  std::int32_t n = 0;
  for (const LoopContext* l = loop; l; l = l->outer) {
    n += 1 + (l->savedSpc ? 1 : 0) + (l->foreach ? 1 : 0);
    if (l != loop) n += 1;
  }
  return n;
}

enum class Context { Statement, Expression };

// A place in one of the texts of a compile: source 0 is the script itself,
// k > 0 the k-th INCLUDEd library.
struct SourceSpan {
  std::int32_t source = 0;
  std::size_t offset = 0;
  std::size_t length = 0;
};

// What the compiler can tell of an expression's value, for the warnings.
enum class ValueSort : std::uint8_t { Unknown, Number, Text, Literal, Variable };
struct ExprType {
  constexpr ExprType() = default;
  constexpr ExprType(ValueSort s, std::int32_t v = -1, std::string_view w = {}) : sort(s), slot(v), word(w) {}
  ValueSort sort = ValueSort::Unknown;
  std::int32_t slot = -1;  // a Variable's slot
  std::string_view word;   // the variable or builtin as written
};

// A call argument that is a constant text, as DATEFORMAT's checks need it.
struct ArgInfo {
  bool literal = false;
  std::string text;
};

// What the compiler gathers for its warnings while it compiles (see
// compiler_warnings.cpp); turned into TCompileWarning rows at the end.
struct CompileNotes {
  struct Variable {
    bool read = false, written = false, nonText = false, captured = false, templateRead = false, mainUse = false;
    SourceSpan firstRead, firstMainUse, capturedAt;
    std::int32_t parameterOf = -1;  // symbol index of the function naming it as a parameter
    std::string capturedBy;         // the clip template capturing into it
  };
  struct Function {
    std::int32_t parameters = -1;  // -1: defined without a parameter list
    std::vector<std::pair<std::int32_t, std::int32_t>> slots;  // (slot, parameter number)
  };
  // A definition being compiled.
  struct Frame {
    std::int32_t function = -1;
    bool recursed = false;  // a call of itself was compiled already
    std::vector<std::int32_t> warned;
  };
  // A warning that may wait for the end: it holds only when its variables
  // turn out to hold text alone.
  struct Pending {
    WarningCode code;
    SourceSpan at;
    std::vector<std::string> args;
    std::int32_t textSlots[2] = {-1, -1};
  };
  std::vector<Variable> vars;  // by slot
  std::unordered_map<std::int32_t, Function> functions;  // by symbol index
  std::vector<Frame> frames;
  std::vector<Pending> pending;
  std::vector<std::pair<std::string, SourceSpan>> expansions;  // %NAME% read by "..." literals
  std::deque<std::string> libraries;    // texts of the INCLUDEd libraries (source k is libraries[k - 1])
  std::vector<std::string> libraryNames;
  std::vector<SourceSpan> includedAt;   // the INCLUDE's file name, per library
  bool namesReadAtRunTime = false;      // EXPANDSTR of a computed text
};

// The sort of value a builtin gives in an expression.
ExprType BuiltinResult(std::uint8_t code);

class TCompiler {
 public:
  TCompiler(TScriptEngine& engine, bool debug) : e_(engine), lex_(engine.Symbols), debug_(debug) {}
  bool CompileScript(std::string_view source);

 private:
  // Errors.
  [[noreturn]] void Error(std::string_view message);
  [[noreturn]] void ErrorAt(const TokenMark& at, std::string_view message);

  // Emission.
  std::int32_t Emit(OpCode op, std::uint8_t mode, std::int32_t operand = 0);
  std::int32_t Here() const { return e_.Code.Here(); }
  void PatchHere(std::int32_t address) { e_.Code.PatchOperand(address, Here()); }

  // Tokens and names.
  void Next() { lex_.NextToken(); }
  bool Is(std::uint8_t token) const { return lex_.Token == token; }
  void Expect(std::uint8_t token, std::string_view message);
  void Skip(std::uint8_t token) {
    if (Is(token)) Next();
  }
  std::int32_t Variable(std::string_view name);
  std::int32_t TokenVariable() { return Variable(lex_.TokenText); }
  // The identifier at the cursor as a variable that is read, or written with
  // a value of the given sort.
  std::int32_t ReadVariable(bool templateName = false);
  std::int32_t WrittenVariable(ExprType value);
  std::int32_t NumberValue();
  std::int32_t Pool(std::string_view text) { return e_.Pool.Add(text); }
  std::uint8_t ProcKind(std::int32_t proc) const;

  // Program structure (compiler.cpp).
  void ClipDefinition();
  void IncludeClause();
  void IncludeLibrary(const std::string& name);
  void Declarations(std::int32_t proc);
  void Definition(std::int32_t proc);
  void Parameters();
  void Statement(std::int32_t proc, const LoopContext* loop);
  void Block(std::int32_t proc, const LoopContext* loop);
  void SimpleStatement(std::int32_t proc, const LoopContext* loop);
  void AssignmentStatement();
  void CallStatement(std::int32_t proc, const LoopContext* loop);
  void ReturnStatement(std::int32_t proc, const LoopContext* loop);
  void IfStatement(std::int32_t proc, const LoopContext* loop);
  void ForStatement(std::int32_t proc, const LoopContext* loop);
  void WhileStatement(std::int32_t proc, const LoopContext* loop);
  void RepeatStatement(std::int32_t proc, const LoopContext* loop);
  void ForeachStatement(std::int32_t proc, const LoopContext* loop);
  void CaseStatement(std::int32_t proc, const LoopContext* loop);
  std::int32_t CaseLabel(std::int32_t proc, const LoopContext* loop, const ExprType& selector);
  // A loop leaves SPC on its own released slot. Inside a procedure, a
  // function or another loop the enclosing SPC still matters afterwards
  // (a function's result, $%), so such loops push it first and pop it last.
  bool SaveSpc(std::int32_t proc, const LoopContext* loop) const { return proc >= 0 || loop != nullptr; }
  // True when it was a range.
  bool RangeOrNumber(std::int32_t n);

  // Expressions and calls (expressions.cpp).
  void Expression();
  void Comparison();
  void InList();
  void Additive();
  void Term();
  void Factor();
  void ParamFactor();
  void FunctionCall();
  std::int32_t Arguments(std::vector<ArgInfo>* info = nullptr);
  ArgInfo Argument(std::string_view separators);
  bool SimpleArgument(std::string_view separators, ArgInfo& info);
  void EmitCall(OpCode op, std::uint8_t mode, std::int32_t operand, std::int32_t count);

  // Builtins (builtins.cpp).
  void Builtin(Context ctx);
  bool BuiltinForm(std::uint8_t code, Context ctx);
  void GenericBuiltin(std::uint8_t code, Context ctx);
  void ListSource(std::uint8_t code);
  void OpenParen();
  void CloseParen();
  void ParenExpression();
  enum class Use { Read, Write };
  std::int32_t VariableArgument(std::string_view notIdentifier, std::string_view systemMessage = {},
                                Use use = Use::Read, ExprType written = {});
  std::int32_t OptionalVariable();
  std::int32_t OptionalConstant();
  std::int32_t Constant();
  void TextOperand(OpCode op, std::string_view message);
  void ClipTemplateArgument();
  void LinkArguments(OpCode op, std::uint8_t sub, std::uint8_t closer);
  void UrlSource();
  void PackItems();
  void UnpackItems();
  void OneOrTwoArguments();
  void Submit();
  void ReadLink();
  void ReplaceOrWrap(std::uint8_t sub);
  void PageClip();
  void SubstrOrDelete(std::uint8_t sub);
  void InitVariables();
  void DecodeDate();
  void StripVariables();
  void SwapVariables();
  void IncDec(OpCode op);
  void SaveFile();
  void Input();
  void ImageOrFrame(std::uint8_t sub);
  void Clip();
  void Get();
  void RenameFile();
  std::uint8_t FieldPrefix();
  void Truth(std::uint8_t sub);

  // Warnings (compiler_warnings.cpp).
  SourceSpan Span(const TokenMark& at) const;
  SourceSpan Span(const char* at, std::size_t length) const;
  CompileNotes::Variable& Notes(std::int32_t slot);
  void NoteRead(std::int32_t slot, const TokenMark& at, bool templateName = false);
  void NoteWrite(std::int32_t slot, const TokenMark& at, const ExprType& value);
  void NoteUse(CompileNotes::Variable& v, const TokenMark& at);
  void NoteExpansion(std::string_view literal, const TokenMark& at);
  void NoteParameters(std::int32_t function, std::int32_t count);
  void NoteCall(std::int32_t index, bool parenthesised, std::int32_t count, const TokenMark& at);
  void NoteCaptures(const TClipTemplate& t, std::string_view body);
  ExprType Binary(OpCode op, const ExprType& left, const ExprType& right, const TokenMark& at);
  // A range label n..m (the text from..to) tested against a value of this sort.
  void NoteRange(const ExprType& value, const char* from, const char* to);
  void NoteDateCall(std::uint8_t code, const std::vector<ArgInfo>& args, const TokenMark& at);
  void Warn(WarningCode code, SourceSpan at, std::vector<std::string> args, const ExprType* a = nullptr,
            const ExprType* b = nullptr);
  bool MaybeText(const ExprType& t) const;
  void FinishWarnings();

  // Nesting guard against inputs that would exhaust the stack.
  struct Depth {
    explicit Depth(TCompiler& c);
    ~Depth() { --c_.depth_; }
    TCompiler& c_;
  };

  TScriptEngine& e_;
  TLexer lex_;
  bool debug_;
  int depth_ = 0;
  std::int32_t currentProc_ = -1;  // the definition being compiled, -1 in the main program
  std::int32_t source_ = 0;        // the text being compiled (see SourceSpan)
  std::string_view mainSource_;
  ExprType type_;                  // of the expression compiled last
  CompileNotes notes_;
};

}  // namespace bq::script
