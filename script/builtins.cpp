// The builtins of TCmdTable in statement and expression context, each turned
// into its instruction sequence, and the list sources of FOREACH.
#include "script/compiler.h"
#include "script/messages.h"
#include "script/tables.h"

namespace bq::script {

namespace {

constexpr std::uint8_t Sub(StrOp s) { return static_cast<std::uint8_t>(s); }
constexpr std::uint8_t Sub(ListOp s) { return static_cast<std::uint8_t>(s); }
constexpr std::uint8_t Sub(HttpOp s) { return static_cast<std::uint8_t>(s); }
constexpr std::uint8_t Sub(XfnOp s) { return static_cast<std::uint8_t>(s); }
constexpr std::uint8_t Sub(WinOp s) { return static_cast<std::uint8_t>(s); }

// Builtins that only make sense as statements.
constexpr std::uint8_t kStatementOnly[] = {
    bi::kStrip, bi::kPack, bi::kUnpack, bi::kLoadF, bi::kSaveF, bi::kInit, bi::kDeleteFile,
    bi::kRenameFile, bi::kSwap, bi::kTableStrip, bi::kTagStripSet, bi::kPrint, bi::kMessage,
    bi::kExitMessage, bi::kLogDel, bi::kLogRemove, bi::kLogSort, bi::kSleep, bi::kClipboard, bi::kDecodeDate};

bool IsStatementOnly(std::uint8_t code) {
  for (std::uint8_t c : kStatementOnly)
    if (c == code) return true;
  return false;
}

bool IsListBuiltin(std::uint8_t code) { return code >= bi::kListClip && code <= bi::kListImgSrc; }

// Builtins of the form NAME(e) followed by one instruction.
struct OneArgument {
  std::uint8_t code;
  OpCode op;
  std::uint8_t mode;
  std::int32_t operand;
};
constexpr OneArgument kOneArgument[] = {
    {bi::kLength, OpCode::STRF, Sub(StrOp::LENG), 0},      {bi::kHash, OpCode::STRF, Sub(StrOp::HASH), 0},
    {bi::kTrim, OpCode::STRF, Sub(StrOp::TRIM), 0},        {bi::kUpper, OpCode::STRF, Sub(StrOp::UPC), 0},
    {bi::kLower, OpCode::STRF, Sub(StrOp::LOW), 0},        {bi::kExpandStr, OpCode::STRF, Sub(StrOp::EXPN), 0},
    {bi::kTableStrip, OpCode::STA, mode::kSystem, 8},      {bi::kPutLog, OpCode::XFN, Sub(XfnOp::PUT), 0},
    {bi::kSleep, OpCode::XFN, Sub(XfnOp::SLEP), 0},        {bi::kLogDel, OpCode::XFN, Sub(XfnOp::DEL), 0},
    {bi::kDecodeUrl, OpCode::XFN, Sub(XfnOp::DECD), 0},    {bi::kDeleteFile, OpCode::XFN, Sub(XfnOp::DELF), 0},
    {bi::kHead, OpCode::HTTP, Sub(HttpOp::HEAD), 0},       {bi::kBrowse, OpCode::HTTP, Sub(HttpOp::BOPN), 0},
    {bi::kMessage, OpCode::WIN, Sub(WinOp::MSG), 0},       {bi::kExitMessage, OpCode::WIN, Sub(WinOp::MSG), 1},
    {bi::kShowWindow, OpCode::WIN, Sub(WinOp::SHOW), 0},   {bi::kLoadF, OpCode::LDF, mode::kNone, 0}};

// Builtins of the form NAME(e1 [, e2]) with B = e1, A = e2 (or empty).
constexpr OneArgument kTwoArguments[] = {
    {bi::kDownload, OpCode::HTTP, Sub(HttpOp::DLD), 0},    {bi::kInt2Str, OpCode::STRF, Sub(StrOp::ISTR), 0},
    {bi::kLogSort, OpCode::XFN, Sub(XfnOp::LOGSORT), 0},   {bi::kClipboard, OpCode::XFN, Sub(XfnOp::CLIP), 0},
    {bi::kSortCsv, OpCode::XFN, Sub(XfnOp::CSVSORT), 0}};

// The system values: builtin code and system value index.
constexpr std::uint8_t kSystemValues[][2] = {
    {bi::kSysDate, 0}, {bi::kDocDate, 1},    {bi::kUrl, 2},      {bi::kAppFolder, 3},
    {bi::kDataFolder, 4}, {bi::kLibFolder, 5}, {bi::kLogCount, 6}, {bi::kClipboardValue, 7}};

template <std::size_t N>
const OneArgument* FindForm(const OneArgument (&forms)[N], std::uint8_t code) {
  for (const OneArgument& f : forms)
    if (f.code == code) return &f;
  return nullptr;
}

}  // namespace

void TCompiler::OpenParen() {
  Next();
  Expect(tok::kLParen, msg::kArgumentsNeeded);
  Next();
}

void TCompiler::CloseParen() {
  Expect(tok::kRParen, msg::kCloseParen);
  Next();
}

// (e)
void TCompiler::ParenExpression() {
  OpenParen();
  Expression();
  CloseParen();
}

// builtin -> name ...  (its own argument form, or the generic call form)
void TCompiler::Builtin(Context ctx) {
  std::uint8_t code = lex_.BuiltinCode;
  if ((ctx == Context::Expression && IsStatementOnly(code)) || IsListBuiltin(code))
    Error(msg::kNotHerePrefix + lex_.UpperText() + msg::kNotHereSuffix);
  if (!BuiltinForm(code, ctx)) GenericBuiltin(code, ctx);
}

// generic -> name [( args )] ;   (arguments on the stack, BLTN reads them)
void TCompiler::GenericBuiltin(std::uint8_t code, Context ctx) {
  std::string name = lex_.TokenText;
  TokenMark at = lex_.Mark();
  Next();
  std::int32_t count = 0;
  std::vector<ArgInfo> args;
  if (Is(tok::kLParen)) {
    count = Arguments(&args);
  } else if (ctx == Context::Statement && !Is(tok::kSemicolon)) {
    ErrorAt(at, name + msg::kCallError);
  }
  EmitCall(OpCode::BLTN, ctx == Context::Expression ? mode::kImmediate : mode::kNone, code, count);
  if (code == bi::kDateFormat || code == bi::kFormatDate) NoteDateCall(code, args, at);
}

bool TCompiler::BuiltinForm(std::uint8_t code, Context ctx) {
  (void)ctx;
  for (const auto& sv : kSystemValues)
    if (sv[0] == code) {
      Emit(OpCode::LDA, mode::kSystem, sv[1]);
      Next();
      return true;
    }
  if (const OneArgument* f = FindForm(kOneArgument, code)) {
    ParenExpression();
    Emit(f->op, f->mode, f->operand);
    // Its text may name any variable: what is read is known only at run time.
    if (code == bi::kExpandStr) notes_.namesReadAtRunTime = true;
    return true;
  }
  if (const OneArgument* f = FindForm(kTwoArguments, code)) {
    OneOrTwoArguments();
    Emit(f->op, f->mode, f->operand);
    return true;
  }
  switch (code) {
    case bi::kIsDigit: Truth(Sub(StrOp::TSTNUM)); return true;
    case bi::kIsSjis: Truth(Sub(StrOp::TSTSJIS)); return true;
    case bi::kGet: Get(); return true;
    case bi::kRenameFile: RenameFile(); return true;
    case bi::kInit: InitVariables(); return true;
    case bi::kDecodeDate: DecodeDate(); return true;
    case bi::kInc: IncDec(OpCode::INC); return true;
    case bi::kDec: IncDec(OpCode::DEC); return true;
    case bi::kSwap: SwapVariables(); return true;
    case bi::kStrip: StripVariables(); return true;
    case bi::kSaveF: SaveFile(); return true;
    case bi::kTextPos:
    case bi::kRegExpr: {
      OpenParen();
      Expression();
      Expect(tok::kComma, msg::kTooFewArguments);
      Next();
      std::int32_t v = VariableArgument(msg::kVariableNeeded);
      CloseParen();
      Emit(OpCode::STRF, code == bi::kTextPos ? Sub(StrOp::POS) : Sub(StrOp::RCPY), v);
      return true;
    }
    case bi::kTagUpperCase:
    case bi::kSkipTo: {
      OpenParen();
      Expression();
      std::int32_t v = OptionalVariable();
      CloseParen();
      Emit(OpCode::STRF, code == bi::kTagUpperCase ? Sub(StrOp::TAGU) : Sub(StrOp::FDEL), v);
      return true;
    }
    case bi::kSubStr: SubstrOrDelete(Sub(StrOp::SUBS)); return true;
    case bi::kDelete: SubstrOrDelete(Sub(StrOp::DELS)); return true;
    case bi::kReplace: ReplaceOrWrap(Sub(StrOp::REPL)); return true;
    case bi::kWrapStr: ReplaceOrWrap(Sub(StrOp::WRPS)); return true;
    case bi::kPageClip: PageClip(); return true;
    case bi::kInput: Input(); return true;
    case bi::kImgSrc: ImageOrFrame(Sub(XfnOp::IMG)); return true;
    case bi::kFrameSrc: ImageOrFrame(Sub(XfnOp::FRM)); return true;
    case bi::kClip: Clip(); return true;
    case bi::kPack: PackItems(); return true;
    case bi::kUnpack: UnpackItems(); return true;
    case bi::kSubmit: Submit(); return true;
    case bi::kReadLink: ReadLink(); return true;
    default: return false;
  }
}

// A variable name where one is required; returns its slot.
std::int32_t TCompiler::VariableArgument(std::string_view notIdentifier, std::string_view systemMessage, Use use,
                                        ExprType written) {
  if (!Is(tok::kIdent)) Error(notIdentifier);
  std::int32_t slot = use == Use::Read ? ReadVariable() : WrittenVariable(written);
  if (!systemMessage.empty() && e_.Symbols.IsSystemSlot(slot)) Error(systemMessage);
  Next();
  return slot;
}

// [, v]  (slot 0, the default variable _, when absent)
std::int32_t TCompiler::OptionalVariable() {
  if (!Is(tok::kComma)) return 0;
  Next();
  return VariableArgument(msg::kVariableNeeded);
}

// c -> number | TRUE | FALSE
std::int32_t TCompiler::Constant() {
  std::int32_t value = 0;
  if (Is(tok::kNumber)) {
    value = NumberValue();
  } else if (Is(tok::kTrue) || Is(tok::kFalse)) {
    value = Is(tok::kTrue) ? 1 : 0;
  } else {
    Error(msg::kConstantNeeded);
  }
  Next();
  return value;
}

// [, c]  (0 when absent)
std::int32_t TCompiler::OptionalConstant() {
  if (!Is(tok::kComma)) return 0;
  Next();
  return Constant();
}

// ISDIGIT/ISSJIS (e): the test sets Z when it holds; the value is made 1
// when it holds and 0 otherwise, so conditions read it the natural way.
void TCompiler::Truth(std::uint8_t sub) {
  ParenExpression();
  Emit(OpCode::STRF, sub, 0);
  std::int32_t holds = Emit(OpCode::JCC, static_cast<std::uint8_t>(Cond::EQ), 0);
  Emit(OpCode::LDA, mode::kImmediate, 0);
  Emit(OpCode::JMP, mode::kNone, Here() + 2);
  PatchHere(holds);
  Emit(OpCode::LDA, mode::kImmediate, 1);
}

// (e1 [, e2]) -> B = e1, A = e2 or empty
void TCompiler::OneOrTwoArguments() {
  OpenParen();
  Expression();
  if (Is(tok::kComma)) {
    Emit(OpCode::PUSH, mode::kNone);
    Next();
    Expression();
    Emit(OpCode::POP, mode::kRegB);
  } else {
    Emit(OpCode::STA, mode::kRegB);
    Emit(OpCode::CLR, mode::kNone);
  }
  CloseParen();
}

// GET(e [, c])
void TCompiler::Get() {
  OpenParen();
  Expression();
  std::int32_t c = OptionalConstant();
  CloseParen();
  Emit(OpCode::SETF, 0, c);
  Emit(OpCode::HTTP, Sub(HttpOp::GET), 0);
}

// RENAMEFILE(e1, e2 [, c])
void TCompiler::RenameFile() {
  OpenParen();
  Expression();
  Expect(tok::kComma, msg::kTooFewArguments);
  Emit(OpCode::PUSH, mode::kNone);
  Next();
  Expression();
  Emit(OpCode::POP, mode::kRegB);
  std::int32_t c = OptionalConstant();
  CloseParen();
  Emit(OpCode::XFN, Sub(XfnOp::RENF), c);
}

// INIT(e, v {, v})
void TCompiler::InitVariables() {
  OpenParen();
  Expression();
  ExprType value = type_;
  while (Is(tok::kComma)) {
    Next();
    std::int32_t v = VariableArgument(msg::kBadArgument, msg::kNoSystemVariable, Use::Write, value);
    Emit(OpCode::STA, mode::kVariable, v);
  }
  CloseParen();
}

// DECODEDATE(e, v {, v})
void TCompiler::DecodeDate() {
  OpenParen();
  Expression();
  std::int32_t n = 0;
  while (Is(tok::kComma)) {
    Next();
    std::int32_t v = VariableArgument(msg::kBadArgument, msg::kNoSystemVariable, Use::Write, {ValueSort::Number});
    Emit(OpCode::PUSH, mode::kImmediate, v);
    ++n;
  }
  CloseParen();
  Emit(OpCode::PUSH, mode::kImmediate, n);
  Emit(OpCode::BLTN, mode::kNone, bi::kDecodeDate);
  Emit(OpCode::STKP, 0, n + 1);
}

// INC(v) | DEC(v)
void TCompiler::IncDec(OpCode op) {
  OpenParen();
  std::int32_t v = VariableArgument(msg::kVariableNeeded, msg::kNoSystemOperate, Use::Write, {ValueSort::Number});
  CloseParen();
  Emit(op, mode::kVariable, v);
  Emit(OpCode::LDA, mode::kVariable, v);
}

// SWAP(x, y)
void TCompiler::SwapVariables() {
  OpenParen();
  std::int32_t x = VariableArgument(msg::kVariableNeeded, {}, Use::Write);
  Expect(tok::kComma, msg::kWrongArguments);
  Next();
  std::int32_t y = VariableArgument(msg::kVariableNeeded, {}, Use::Write);
  CloseParen();
  Emit(OpCode::LDA, mode::kVariable, x);
  Emit(OpCode::SWAP, mode::kVariable, y);
  Emit(OpCode::STA, mode::kVariable, x);
}

// STRIP(v {, v})
void TCompiler::StripVariables() {
  OpenParen();
  for (;;) {
    char next = lex_.PeekAfterBlanks();
    if (!Is(tok::kIdent) || (next != ',' && next != ')')) Error(msg::kBadArgument);
    std::int32_t v = VariableArgument(msg::kBadArgument, msg::kNoSystemVariable);
    Emit(OpCode::STRF, Sub(StrOp::STRP), v);
    if (!Is(tok::kComma)) break;
    Next();
  }
  CloseParen();
}

// SAVEF(e [, v [, c]])
void TCompiler::SaveFile() {
  OpenParen();
  Expression();
  std::int32_t v = OptionalVariable();
  std::int32_t c = OptionalConstant();
  CloseParen();
  Emit(OpCode::LDB, mode::kImmediate, c);
  Emit(OpCode::STF, mode::kVariable, v);
}

// SUBSTR(v, e1, e2) | DELETE(v, e1, e2)
void TCompiler::SubstrOrDelete(std::uint8_t sub) {
  OpenParen();
  std::int32_t v = VariableArgument(msg::kVariableNeeded);
  Expect(tok::kComma, msg::kStartNeeded);
  Next();
  Expression();
  Expect(tok::kComma, msg::kTooFewArguments);
  Emit(OpCode::PUSH, mode::kNone);
  Next();
  Expression();
  Emit(OpCode::POP, mode::kRegB);
  CloseParen();
  Emit(OpCode::STRF, sub, v);
}

// REPLACE(v, a1, a2 [, c]) | WRAPSTR(v, a1, a2 [, c])
void TCompiler::ReplaceOrWrap(std::uint8_t sub) {
  OpenParen();
  std::int32_t v = VariableArgument(msg::kVariableNeeded);
  Expect(tok::kComma, msg::kTooFewArgumentsBang);
  Next();
  Argument(",");
  Expect(tok::kComma, msg::kStartTextError);
  Next();
  Argument(",)");
  if (!Is(tok::kComma) && !Is(tok::kRParen)) Error(msg::kArgumentError);
  std::int32_t c = OptionalConstant();
  CloseParen();
  Emit(OpCode::LDA, mode::kImmediate, c);
  Emit(OpCode::STRF, sub, v);
}

// PAGECLIP(a1, a2 [, v])
void TCompiler::PageClip() {
  OpenParen();
  Argument(",");
  Expect(tok::kComma, msg::kTooFewArgumentsBang);
  Next();
  Argument(",)");
  if (!Is(tok::kComma) && !Is(tok::kRParen)) Error(msg::kArgumentError);
  std::int32_t v = OptionalVariable();
  CloseParen();
  Emit(OpCode::LDA, mode::kImmediate, 1);
  Emit(OpCode::STRF, Sub(StrOp::WRPS), v);
  Emit(OpCode::STA, mode::kVariable, v);
}

// INPUT(e1, e2, v)
void TCompiler::Input() {
  OpenParen();
  Expression();
  Expect(tok::kComma, msg::kTooFewArguments);
  Emit(OpCode::PUSH, mode::kNone);
  Next();
  Expression();
  Emit(OpCode::POP, mode::kRegB);
  Expect(tok::kComma, msg::kTooFewArguments);
  Next();
  std::int32_t v = VariableArgument(msg::kVariableNeeded, msg::kNoSystemInput, Use::Write, {ValueSort::Text});
  CloseParen();
  Emit(OpCode::WIN, Sub(WinOp::INP), v);
}

// p -> variable (LDA/LDB 3) | 'text' (1) | "text" (2)
void TCompiler::TextOperand(OpCode op, std::string_view message) {
  if (Is(tok::kIdent)) {
    Emit(op, mode::kVariable, ReadVariable());
  } else if (Is(tok::kSingleQuoted)) {
    Emit(op, mode::kPool, Pool(lex_.TokenText));
  } else if (Is(tok::kDoubleQuoted)) {
    NoteExpansion(lex_.TokenText, lex_.Mark());
    Emit(op, mode::kPoolExpand, Pool(lex_.TokenText));
  } else {
    Error(message);
  }
  Next();
}

// links -> p [, v [, e]]   (A = p, B = e or the URL register)
void TCompiler::LinkArguments(OpCode op, std::uint8_t sub, std::uint8_t closer) {
  TextOperand(OpCode::LDA, msg::kPatternNeeded);
  std::int32_t v = OptionalVariable();
  if (Is(tok::kComma)) {
    Emit(OpCode::PUSH, mode::kNone);
    Next();
    Expression();
    Emit(OpCode::STA, mode::kRegB);
    Emit(OpCode::POP, mode::kNone);
  } else {
    Emit(OpCode::LDB, mode::kSystem, static_cast<std::int32_t>(SysValue::Url));
  }
  if (closer == tok::kRParen) CloseParen();
  Emit(op, sub, v);
}

// IMGSRC(p [, v [, e]]) | FRAMESRC(p [, v [, e]])
void TCompiler::ImageOrFrame(std::uint8_t sub) {
  OpenParen();
  LinkArguments(OpCode::XFN, sub, tok::kRParen);
}

// template -> clip-pattern name (LDA 1 with its name) | expression
void TCompiler::ClipTemplateArgument() {
  if (!lex_.TokenText.empty() && !Is(tok::kSingleQuoted) && !Is(tok::kDoubleQuoted)) {
    const std::string& upper = lex_.UpperText();
    if (e_.Symbols.Find(upper, Kinds(sym::kClipPattern), -1) >= 0) {
      Emit(OpCode::LDA, mode::kPool, Pool(upper));
      Next();
      return;
    }
  }
  // A lone name that is no template: a variable holding a template's name.
  char next = lex_.PeekAfterBlanks();
  if (Is(tok::kIdent) && (next == ',' || next == ']' || next == ')')) {
    Emit(OpCode::LDA, mode::kVariable, ReadVariable(true));
    Next();
    return;
  }
  Expression();
}

// CLIP(p [, v])
void TCompiler::Clip() {
  Emit(OpCode::PUSH, mode::kFrp);
  OpenParen();
  ClipTemplateArgument();
  std::int32_t v = OptionalVariable();
  CloseParen();
  Emit(OpCode::LSTF, Sub(ListOp::ARAY), v);
  std::int32_t c = Here();
  Emit(OpCode::STA, mode::kVariable, kCountSlot);
  Emit(OpCode::JCC, static_cast<std::uint8_t>(Cond::FRZ), c + 3);
  Emit(OpCode::LSTF, Sub(ListOp::EXPN), c);
  Emit(OpCode::LSTF, Sub(ListOp::REMV), c);
  Emit(OpCode::POP, mode::kFrp);
}

// prefix -> digits :   (an article field number 0-10)
std::uint8_t TCompiler::FieldPrefix() {
  if (!Is(tok::kNumber)) Error(msg::kPrefixError);
  std::int32_t n = NumberValue();
  if (n < 0 || n > 10) Error(msg::kPrefixRange);
  Next();
  Expect(tok::kColon, msg::kPrefixSymbol);
  Next();
  return static_cast<std::uint8_t>(n << 4);
}

// PACK(n: x {, n: x})
void TCompiler::PackItems() {
  Emit(OpCode::DSET, static_cast<std::uint8_t>(static_cast<int>(Field::CLEAR) << 4), 0);
  Emit(OpCode::DSET, static_cast<std::uint8_t>(static_cast<int>(Field::STATUS) << 4), 0);
  OpenParen();
  while (!Is(tok::kRParen)) {
    std::uint8_t field = FieldPrefix();
    char next = lex_.PeekAfterBlanks();
    bool single = next == ',' || next == ')';
    if (single && Is(tok::kIdent)) {
      Emit(OpCode::DSET, field | 4, ReadVariable());
    } else if (single && Is(tok::kNumber)) {
      Emit(OpCode::DSET, field | 1, NumberValue());
    } else if (single && Is(tok::kSingleQuoted)) {
      Emit(OpCode::DSET, field | 2, Pool(lex_.TokenText));
    } else if (single && Is(tok::kDoubleQuoted)) {
      NoteExpansion(lex_.TokenText, lex_.Mark());
      Emit(OpCode::DSET, field | 3, Pool(lex_.TokenText));
    } else if (single && (Is(tok::kTrue) || Is(tok::kFalse))) {
      Emit(OpCode::DSET, field | 1, Is(tok::kTrue) ? 1 : 0);
    } else {
      Expression();
      Emit(OpCode::DSET, field, 0);
      single = false;
    }
    if (single) Next();
    if (!Is(tok::kComma)) break;
    Next();
  }
  CloseParen();
}

// UNPACK(e, n: v {, n: v})
void TCompiler::UnpackItems() {
  OpenParen();
  Expression();
  Expect(tok::kComma, msg::kTooFewArguments);
  Emit(OpCode::XFN, Sub(XfnOp::GET), 0);
  while (Is(tok::kComma)) {
    Next();
    std::uint8_t field = FieldPrefix();
    std::int32_t v = VariableArgument(msg::kVariableNeededBang, {}, Use::Write);
    Emit(OpCode::DGET, field | 4, v);
  }
  CloseParen();
}

// u -> variable (URL 3) | 'address' (URL 1) | $n (URL 4)
void TCompiler::UrlSource() {
  if (Is(tok::kIdent)) {
    Emit(OpCode::URL, mode::kVariable, ReadVariable());
  } else if (Is(tok::kSingleQuoted)) {
    Emit(OpCode::URL, mode::kPool, Pool(lex_.TokenText));
  } else if (Is(tok::kParam) && lex_.TokenText != "#" && lex_.TokenText != "%") {
    Emit(OpCode::URL, mode::kParameter, NumberValue());
  } else {
    Error(msg::kVariableOrString);
  }
  Next();
}

// SUBMIT([NAME::] e1 [, e2 [, [v] [, u]]])
void TCompiler::Submit() {
  OpenParen();
  if (lex_.PeekByte() == ':' && !Is(tok::kDoubleColon)) {
    if (!Is(tok::kIdent)) Error(msg::kPrefixError);
    std::string prefix = lex_.UpperText() + "::";
    Next();
    Expect(tok::kDoubleColon, msg::kPrefixSymbol);
    Next();
    Emit(OpCode::LDB, mode::kPool, Pool(prefix));
  } else {
    Emit(OpCode::CLR, mode::kRegB);
  }
  Emit(OpCode::PUSH, mode::kRegB);
  Expression();
  Emit(OpCode::ADD, mode::kNone);
  Emit(OpCode::STA, mode::kRegB);
  std::int32_t v = 0;
  bool url = false;
  if (Is(tok::kComma)) {
    Next();
    Expression();
    if (Is(tok::kComma)) {
      Next();
      if (!Is(tok::kComma) && !Is(tok::kRParen)) v = VariableArgument(msg::kVariableNeeded);
      if (Is(tok::kComma)) {
        Next();
        UrlSource();
        url = true;
      }
    }
  } else {
    Emit(OpCode::CLR, mode::kNone);
  }
  (void)url;
  CloseParen();
  Emit(OpCode::HTTP, Sub(HttpOp::POST), v);
}

// READLINK(e [, [v] [, u [, c]]])
void TCompiler::ReadLink() {
  OpenParen();
  Expression();
  std::int32_t v = 0, c = 0;
  if (Is(tok::kComma)) {
    Next();
    if (!Is(tok::kComma) && !Is(tok::kRParen)) v = VariableArgument(msg::kVariableNeeded);
    if (Is(tok::kComma)) {
      Next();
      UrlSource();
      c = OptionalConstant();
    }
  }
  CloseParen();
  Emit(OpCode::SETF, 0, c);
  Emit(OpCode::HTTP, Sub(HttpOp::LNK), v);
}

// list -> @CLIP[p [, v]] | @INDEXLINK[p [, v [, e]]] | @IMGSRC[...] | @WRAPSTR[s1, s2 [, v]]
//       | @SPLIT[s [, v]] | @TOPICS[e] | @LINES[e] | @CSV[e]      (the '[' is consumed)
void TCompiler::ListSource(std::uint8_t code) {
  switch (code) {
    case bi::kListClip: {
      ClipTemplateArgument();
      std::int32_t v = OptionalVariable();
      Emit(OpCode::LSTF, Sub(ListOp::ARAY), v);
      return;
    }
    case bi::kListIndexLink: return LinkArguments(OpCode::LSTF, Sub(ListOp::LNKS), tok::kRBracket);
    case bi::kListImgSrc: return LinkArguments(OpCode::LSTF, Sub(ListOp::IMG), tok::kRBracket);
    case bi::kListWrapStr: {
      TextOperand(OpCode::LDA, msg::kPatternNeeded);
      Expect(tok::kComma, msg::kTooFewArguments);
      Next();
      TextOperand(OpCode::LDB, msg::kWrongArgumentType);
      Emit(OpCode::LSTF, Sub(ListOp::WRPS), OptionalVariable());
      return;
    }
    case bi::kListSplit:
      TextOperand(OpCode::LDA, msg::kPatternNeeded);
      Emit(OpCode::LSTF, Sub(ListOp::SPLT), OptionalVariable());
      return;
    case bi::kListTopics:
    case bi::kListLines:
    case bi::kListCsv:
      Expression();
      Emit(OpCode::LSTF,
           code == bi::kListTopics  ? Sub(ListOp::TPIC)
           : code == bi::kListLines ? Sub(ListOp::LINE)
                                    : Sub(ListOp::CSV),
           0);
      return;
    default: Error(msg::kBadListFunction);
  }
}

}  // namespace bq::script
