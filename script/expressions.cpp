// Expressions, calls of script procedures and functions, and call arguments.
#include "script/compiler.h"
#include "script/messages.h"
#include "script/tables.h"

namespace bq::script {

namespace {

struct BinaryOp {
  std::uint8_t token;
  OpCode op;
  std::uint8_t mode;
};

constexpr BinaryOp kLogicalOps[] = {
    {tok::kAnd, OpCode::AND, mode::kNone}, {tok::kOr, OpCode::OR, mode::kNone}, {tok::kXor, OpCode::XOR, mode::kNone}};
constexpr BinaryOp kRelationalOps[] = {
    {tok::kEq, OpCode::CMP, static_cast<std::uint8_t>(Cond::EQ)}, {tok::kNe, OpCode::CMP, static_cast<std::uint8_t>(Cond::NE)},
    {tok::kGt, OpCode::CMP, static_cast<std::uint8_t>(Cond::GT)}, {tok::kLt, OpCode::CMP, static_cast<std::uint8_t>(Cond::LT)},
    {tok::kGe, OpCode::CMP, static_cast<std::uint8_t>(Cond::GE)}, {tok::kLe, OpCode::CMP, static_cast<std::uint8_t>(Cond::LE)}};
constexpr BinaryOp kAdditiveOps[] = {{tok::kPlus, OpCode::ADD, mode::kNone}, {tok::kMinus, OpCode::SUB, mode::kNone},
                                     {tok::kShl, OpCode::SHFT, 0}, {tok::kShr, OpCode::SHFT, 1}};
constexpr BinaryOp kTermOps[] = {
    {tok::kStar, OpCode::MUL, mode::kNone}, {tok::kSlash, OpCode::DIV, mode::kNone}, {tok::kMod, OpCode::MOD, mode::kNone}};

template <std::size_t N>
const BinaryOp* FindOp(const BinaryOp (&ops)[N], std::uint8_t token) {
  for (const BinaryOp& op : ops)
    if (op.token == token) return &op;
  return nullptr;
}

}  // namespace

// expression -> comparison {(AND|OR|XOR) comparison}
void TCompiler::Expression() {
  Comparison();
  while (const BinaryOp* op = FindOp(kLogicalOps, lex_.Token)) {
    Emit(OpCode::PUSH, mode::kNone);
    Next();
    Comparison();
    Emit(op->op, op->mode);
    type_ = {ValueSort::Number};
  }
}

// comparison -> additive {relop additive | IN [ elements ]}
void TCompiler::Comparison() {
  Additive();
  for (;;) {
    if (Is(tok::kIn)) {
      InList();
      type_ = {ValueSort::Number};
    } else if (const BinaryOp* op = FindOp(kRelationalOps, lex_.Token)) {
      Emit(OpCode::PUSH, mode::kNone);
      Next();
      Additive();
      Emit(op->op, op->mode);
      type_ = {ValueSort::Number};
    } else {
      return;
    }
  }
}

// in -> IN [ element {, element} ];  element -> number | number .. number | 'pattern'
void TCompiler::InList() {
  ExprType value = type_;
  Next();
  Expect(tok::kLBracket, msg::kOpenBracketNeeded);
  std::vector<std::int32_t> found;
  do {
    Next();
    if (Is(tok::kNumber)) {
      const char* from = lex_.TokenStart;
      if (RangeOrNumber(NumberValue())) NoteRange(value, from, lex_.TokenStart);
    } else if (Is(tok::kSingleQuoted)) {
      Emit(OpCode::STRF, static_cast<std::uint8_t>(StrOp::RCMP), Pool(lex_.TokenText));
      Next();
    } else {
      Error(msg::kConstantNeeded);
    }
    found.push_back(Emit(OpCode::JCC, static_cast<std::uint8_t>(Cond::EQ), 0));
  } while (Is(tok::kComma));
  Expect(tok::kRBracket, msg::kCloseBracketNeeded);
  Next();
  Emit(OpCode::CLR, mode::kNone);
  Emit(OpCode::JMP, mode::kNone, Here() + 2);
  for (std::int32_t j : found) PatchHere(j);
  Emit(OpCode::LDA, mode::kImmediate, 1);
}

// additive -> term {(+|-|SHL|<<|SHR|>>) term}
void TCompiler::Additive() {
  Term();
  while (const BinaryOp* op = FindOp(kAdditiveOps, lex_.Token)) {
    ExprType left = type_;
    TokenMark at = lex_.Mark();
    Emit(OpCode::PUSH, mode::kNone);
    Next();
    Term();
    Emit(op->op, op->mode);
    type_ = Binary(op->op, left, type_, at);
  }
}

// term -> factor {(*|/|DIV|MOD) (number | factor)}
void TCompiler::Term() {
  Factor();
  while (const BinaryOp* op = FindOp(kTermOps, lex_.Token)) {
    ExprType left = type_;
    TokenMark at = lex_.Mark();
    Next();
    if (Is(tok::kNumber)) {
      Emit(op->op, mode::kImmediate, NumberValue());
      Next();
      type_ = {ValueSort::Number};
    } else {
      Emit(OpCode::PUSH, mode::kNone);
      Factor();
      Emit(op->op, op->mode);
    }
    type_ = Binary(op->op, left, type_, at);
  }
}

// factor -> ident | number | 'text' | "text" | $n | $# | $% | TRUE | FALSE
//         | ( expression ) | - factor | NOT factor | builtin | fname [( args )]
void TCompiler::Factor() {
  Depth depth(*this);
  switch (lex_.Token) {
    case tok::kIdent: {
      std::string_view word(lex_.TokenStart, lex_.TokenText.size());
      std::int32_t slot = ReadVariable();
      Emit(OpCode::LDA, mode::kVariable, slot);
      type_ = {ValueSort::Variable, slot, word};
      break;
    }
    case tok::kNumber:
      Emit(OpCode::LDA, mode::kImmediate, NumberValue());
      type_ = {ValueSort::Number};
      break;
    case tok::kSingleQuoted:
      Emit(OpCode::LDA, mode::kPool, Pool(lex_.TokenText));
      type_ = {ValueSort::Literal};
      break;
    case tok::kDoubleQuoted:
      NoteExpansion(lex_.TokenText, lex_.Mark());
      Emit(OpCode::LDA, mode::kPoolExpand, Pool(lex_.TokenText));
      type_ = {ValueSort::Literal};
      break;
    case tok::kParam:
      ParamFactor();
      type_ = {};
      break;
    case tok::kTrue:
    case tok::kFalse:
      Emit(OpCode::LDA, mode::kImmediate, Is(tok::kTrue) ? 1 : 0);
      type_ = {ValueSort::Number};
      break;
    case tok::kLParen:
      Next();
      Expression();
      if (!Is(tok::kRParen)) Error(msg::kCloseParen + lex_.TokenText);
      break;
    case tok::kMinus:
    case tok::kNot: {
      OpCode op = Is(tok::kMinus) ? OpCode::NEG : OpCode::NOT;
      Next();
      Factor();
      Emit(op, mode::kNone);
      type_ = {ValueSort::Number};
      return;
    }
    case tok::kBuiltin: {
      std::uint8_t code = lex_.BuiltinCode;
      Builtin(Context::Expression);
      type_ = BuiltinResult(code);
      return;
    }
    case tok::kCallName:
      FunctionCall();
      type_ = {};
      return;
    case tok::kArrayName: Error(lex_.TokenText + msg::kNoArrays);
    default: Error(lex_.TokenText + msg::kUnknownTerm);
  }
  Next();
}

// $n loads argument n, $# the argument count, $% the innermost loop or function slot.
void TCompiler::ParamFactor() {
  if (lex_.TokenText == "#") {
    Emit(OpCode::LDA, mode::kParameter, -1);
  } else if (lex_.TokenText == "%") {
    Emit(OpCode::LDA, mode::kSlot, 0);
  } else {
    Emit(OpCode::LDA, mode::kParameter, NumberValue());
  }
}

// fcall -> fname [( args )]
void TCompiler::FunctionCall() {
  TokenMark at = lex_.Mark();
  std::int32_t index = e_.Symbols.Find(lex_.UpperText(), Kinds(sym::kFunction), 0);
  if (index < 0) Error(lex_.TokenText + msg::kFunctionNotFound);
  Next();
  bool parenthesised = Is(tok::kLParen);
  std::int32_t count = parenthesised ? Arguments() : 0;
  EmitCall(OpCode::CALL, mode::kNone, e_.Symbols[index].Value, count);
  NoteCall(index, parenthesised, count, at);
}

void TCompiler::EmitCall(OpCode op, std::uint8_t mode, std::int32_t operand, std::int32_t count) {
  Emit(OpCode::PUSH, mode::kImmediate, count);
  Emit(op, mode, operand);
  Emit(OpCode::STKP, 0, count + 1);
}

// args -> ( [argument {, argument}] )   (the '(' is current; returns the count)
std::int32_t TCompiler::Arguments(std::vector<ArgInfo>* info) {
  Next();
  std::int32_t count = 0;
  if (!Is(tok::kRParen)) {
    for (;;) {
      ArgInfo arg = Argument(",)");
      if (info) info->push_back(std::move(arg));
      ++count;
      if (!Is(tok::kComma)) break;
      Next();
    }
  }
  Expect(tok::kRParen, msg::kCloseParen);
  Next();
  return count;
}

// argument -> single value directly before a separator (one PUSH) | expression (PUSH A)
ArgInfo TCompiler::Argument(std::string_view separators) {
  ArgInfo info;
  if (SimpleArgument(separators, info)) return info;
  std::int32_t before = Here();
  Expression();
  if (Here() == before) Error(msg::kBadArgument);
  Emit(OpCode::PUSH, mode::kNone);
  return info;
}

bool TCompiler::SimpleArgument(std::string_view separators, ArgInfo& info) {
  char next = lex_.PeekAfterBlanks();
  if (next == '\0' || separators.find(next) == std::string_view::npos) return false;
  switch (lex_.Token) {
    case tok::kIdent: Emit(OpCode::PUSH, mode::kVariable, ReadVariable()); break;
    case tok::kNumber: Emit(OpCode::PUSH, mode::kImmediate, NumberValue()); break;
    case tok::kSingleQuoted:
      info = {true, lex_.TokenText};
      Emit(OpCode::PUSH, mode::kPool, Pool(lex_.TokenText));
      break;
    case tok::kDoubleQuoted:
      // Without references and escapes it stands for itself.
      if (lex_.TokenText.find_first_of("%\\") == std::string::npos) info = {true, lex_.TokenText};
      NoteExpansion(lex_.TokenText, lex_.Mark());
      Emit(OpCode::PUSH, mode::kPoolExpand, Pool(lex_.TokenText));
      break;
    case tok::kTrue: Emit(OpCode::PUSH, mode::kImmediate, 1); break;
    case tok::kFalse: Emit(OpCode::PUSH, mode::kImmediate, 0); break;
    case tok::kParam:
      // $# and $% take the expression path, which loads them properly.
      if (lex_.TokenText == "#" || lex_.TokenText == "%") return false;
      Emit(OpCode::PUSH, mode::kParameter, NumberValue());
      break;
    default: return false;
  }
  Next();
  return true;
}

}  // namespace bq::script
