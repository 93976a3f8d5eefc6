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
#include <string>
#include <string_view>
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

enum class Context { Statement, Expression };

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
  void CallStatement(std::int32_t proc);
  void ReturnStatement(std::int32_t proc, const LoopContext* loop);
  void IfStatement(std::int32_t proc, const LoopContext* loop);
  void ForStatement(std::int32_t proc, const LoopContext* loop);
  void WhileStatement(std::int32_t proc, const LoopContext* loop);
  void RepeatStatement(std::int32_t proc, const LoopContext* loop);
  void ForeachStatement(std::int32_t proc, const LoopContext* loop);
  void CaseStatement(std::int32_t proc, const LoopContext* loop);
  std::int32_t CaseLabel(std::int32_t proc, const LoopContext* loop);
  // A loop leaves SPC on its own released slot. Inside a procedure, a
  // function or another loop the enclosing SPC still matters afterwards
  // (a function's result, $%), so such loops push it first and pop it last.
  bool SaveSpc(std::int32_t proc, const LoopContext* loop) const { return proc >= 0 || loop != nullptr; }
  void RangeOrNumber(std::int32_t n);

  // Expressions and calls (expressions.cpp).
  void Expression();
  void Comparison();
  void InList();
  void Additive();
  void Term();
  void Factor();
  void ParamFactor();
  void FunctionCall();
  std::int32_t Arguments();
  void Argument(std::string_view separators);
  bool SimpleArgument(std::string_view separators);
  void EmitCall(OpCode op, std::uint8_t mode, std::int32_t operand, std::int32_t count);

  // Builtins (builtins.cpp).
  void Builtin(Context ctx);
  bool BuiltinForm(std::uint8_t code, Context ctx);
  void GenericBuiltin(std::uint8_t code, Context ctx);
  void ListSource(std::uint8_t code);
  void OpenParen();
  void CloseParen();
  void ParenExpression();
  std::int32_t VariableArgument(std::string_view notIdentifier, std::string_view systemMessage = {});
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
};

}  // namespace bq::script
