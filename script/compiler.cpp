#include "script/compiler.h"

#include <cstring>

#include "platform/fs.h"
#include "script/messages.h"
#include "script/tables.h"
#include "script/value.h"
#include "textlib/limits.h"

namespace bq::script {

void TScriptEngine::ResetCompiler() {
  Clips.Clear();
  Symbols.Reset();
  Pool.Reset();
  ProgramName.clear();
  Warnings.clear();
  Code.Reset();
  if (OnResetMachine) OnResetMachine();
}

bool TScriptEngine::CompileScript(std::string_view source, bool debug) {
  TCompiler compiler(*this, debug);
  return compiler.CompileScript(source);
}

TCompiler::Depth::Depth(TCompiler& c) : c_(c) {
  if (++c_.depth_ > static_cast<int>(limits::kMaxScriptNesting)) c_.Error(msg::kNestingTooDeep);
}

void TCompiler::Error(std::string_view message) { ErrorAt(lex_.Mark(), message); }

void TCompiler::ErrorAt(const TokenMark& at, std::string_view message) {
  e_.ErrorStart = static_cast<std::int32_t>(at.start - lex_.SourceStart);
  e_.ErrorLength = static_cast<std::int32_t>(at.cursor - at.start);
  std::string text = msg::kSyntaxError;
  text += "\r\n";
  text += std::to_string(at.line);
  text += msg::kLineSuffix;
  text.append(message);
  e_.ResetCompiler();
  throw ECompileError(text);
}

std::int32_t TCompiler::Emit(OpCode op, std::uint8_t mode, std::int32_t operand) {
  if (static_cast<std::size_t>(e_.Code.Count()) >= limits::kMaxScriptCode) Error(msg::kCodeTooLarge);
  return e_.Code.Emit(op, mode, operand);
}

void TCompiler::Expect(std::uint8_t token, std::string_view message) {
  if (!Is(token)) Error(message);
}

std::int32_t TCompiler::Variable(std::string_view name) {
  return e_.Symbols.Add(name, sym::kVariable, 0, 0, e_.Pool);
}

std::int32_t TCompiler::NumberValue() {
  try {
    return TextToNumber(lex_.TokenText);
  } catch (const EConvertError&) {
    Error(NotANumberMessage(lex_.TokenText));
  }
}

std::uint8_t TCompiler::ProcKind(std::int32_t proc) const {
  return proc < 0 ? 0 : e_.Symbols[proc].Kind;
}

// program -> SCRIPT name [;] {clipdef} {INCLUDE 'file' [;]} decls .
bool TCompiler::CompileScript(std::string_view source) {
  e_.ResetCompiler();
  lex_.SetSource(source);
  mainSource_ = std::string_view(lex_.SourceStart, static_cast<std::size_t>(lex_.End - lex_.SourceStart));
  Next();
  if (!Is(tok::kScript)) return false;
  Next();
  Expect(tok::kIdent, msg::kBadProgramName);
  std::string name = lex_.TokenText;
  Next();
  Skip(tok::kSemicolon);
  while (Is(tok::kArrayName)) ClipDefinition();
  lex_.RederiveLineFromCR();
  Emit(OpCode::BRK, 0, 0);
  Emit(OpCode::NOP, mode::kNone);
  Emit(OpCode::HALT, mode::kNone);
  while (Is(tok::kInclude)) IncludeClause();
  Declarations(-1);
  Expect(tok::kPeriod, msg::kNoPeriod);
  if (debug_) Emit(OpCode::BRK, 0, lex_.TokenLine);
  Emit(OpCode::HALT, mode::kNone);
  e_.Code.VariableCount = e_.Symbols.SlotCount();
  if (e_.OnResetMachine) e_.OnResetMachine();
  e_.ProgramName = name;
  FinishWarnings();
  return true;
}

// clipdef -> name '[]:-' body CR LF '-::' ...
// The template is stored under the upper-cased name, the text CLIP and @CLIP
// load for it, so a template declared in any letter case is found at run time.
void TCompiler::ClipDefinition() {
  std::string name = lex_.UpperText();
  if (static_cast<std::size_t>(lex_.End - lex_.Cursor) < 4 || std::memcmp(lex_.Cursor, "[]:-", 4) != 0)
    Error(msg::kBadDefinition);
  const char* from = lex_.Cursor;
  lex_.Cursor += 4;
  std::string_view rest(lex_.Cursor, static_cast<std::size_t>(lex_.End - lex_.Cursor));
  std::size_t found = rest.find("\r\n-::");
  const char* seq = found == std::string_view::npos ? lex_.End : lex_.Cursor + found;
  while (lex_.Cursor < lex_.End && (*lex_.Cursor == '\r' || *lex_.Cursor == '\n')) ++lex_.Cursor;
  std::string_view body;
  if (lex_.Cursor < seq) body = std::string_view(lex_.Cursor, static_cast<std::size_t>(seq - lex_.Cursor));
  TClipTemplate& t = e_.Clips.Declare(name, body);
  lex_.Cursor = lex_.End - seq > 6 ? seq + 6 : lex_.End;
  lex_.CountLines(from, lex_.Cursor);
  e_.Symbols.Add(name, sym::kClipPattern, -1, 0, e_.Pool);
  Next();
  for (TClipItem& item : t.Items) item.Slot = item.Capture ? Variable(item.Name) : -1;
  NoteCaptures(t, body);
}

// include -> INCLUDE 'file' [;]
void TCompiler::IncludeClause() {
  Next();
  Expect(tok::kSingleQuoted, msg::kFileNameNeeded);
  notes_.includedAt.push_back(Span(lex_.Mark()));
  IncludeLibrary(lex_.TokenText);
  Next();
  Skip(tok::kSemicolon);
}

// The file as text lines, each ended by CR LF.
std::string AsCrLfLines(std::string_view raw) {
  std::string out;
  out.reserve(raw.size() + raw.size() / 16 + 2);
  std::size_t i = 0;
  while (i < raw.size()) {
    std::size_t j = raw.find_first_of("\r\n", i);
    if (j == std::string_view::npos) j = raw.size();
    out.append(raw.substr(i, j - i));
    out += "\r\n";
    if (j < raw.size() && raw[j] == '\r' && j + 1 < raw.size() && raw[j + 1] == '\n') ++j;
    i = j + 1;
  }
  return out;
}

void TCompiler::IncludeLibrary(const std::string& name) {
  std::string path = e_.LibFolder + name;
  std::string raw;
  if (!fs::FileExists(path) || !fs::ReadFile(path, raw, limits::kMaxScriptFile))
    Error(path + msg::kNotFound);
  // The text stays for the warnings, which point into it.
  const std::string& text = notes_.libraries.emplace_back(AsCrLfLines(raw));
  notes_.libraryNames.push_back(name);
  TLexer saved = lex_;
  std::int32_t savedSource = source_;
  source_ = static_cast<std::int32_t>(notes_.libraries.size());
  lex_.Including = true;
  lex_.SetSource(text);
  try {
    Next();
    Declarations(-1);
  } catch (const ECompileError&) {
    e_.ErrorStart = static_cast<std::int32_t>(saved.TokenStart - saved.SourceStart);
    e_.ErrorLength = static_cast<std::int32_t>(saved.Cursor - saved.TokenStart);
    lex_ = saved;
    throw;
  }
  lex_ = saved;
  source_ = savedSource;
}

// decls -> {definition} statement [END]
void TCompiler::Declarations(std::int32_t proc) {
  Depth depth(*this);
  // Definitions nested in a definition are jumped over, so the outer body
  // never runs into their code.
  std::int32_t skip = -1;
  if (proc >= 0 && (Is(tok::kProcdef) || Is(tok::kFuncdef))) skip = Emit(OpCode::JMP, mode::kNone, 0);
  while (Is(tok::kProcdef) || Is(tok::kFuncdef)) Definition(proc);
  if (skip >= 0) PatchHere(skip);
  e_.Code.EntryPoint = Here();
  Statement(proc, nullptr);
  Skip(tok::kEnd);
}

// definition -> (PROCDEF|FUNCDEF) name [( params )] decls [;]
void TCompiler::Definition(std::int32_t /*outer*/) {
  std::uint8_t kind = Is(tok::kProcdef) ? sym::kProcedure : sym::kFunction;
  Next();
  if (!Is(tok::kIdent) && !Is(tok::kCallName)) Error(lex_.TokenText + msg::kCannotDefineName);
  const std::string& upper = lex_.UpperText();
  if (e_.Symbols.Find(upper, Kinds(sym::kFunction, sym::kProcedure), 0) >= 0)
    Error(lex_.TokenText + msg::kAlreadyUsed);
  bool hasParams = Is(tok::kCallName);
  std::int32_t index = e_.Symbols.Count();
  e_.Symbols.Add(lex_.TokenText, kind, 0, Here(), e_.Pool);
  Emit(OpCode::LNK, 0, 1);
  std::int32_t outer = currentProc_;
  currentProc_ = index;
  notes_.frames.emplace_back().function = index;
  if (hasParams) {
    Next();
    Parameters();
  }
  Next();
  Declarations(index);
  notes_.frames.pop_back();
  currentProc_ = outer;
  if (kind == sym::kFunction) {
    Emit(OpCode::POP, mode::kNone);
  } else {
    Emit(OpCode::STKP, 0, 1);
  }
  Emit(OpCode::RET, mode::kNone);
  Emit(OpCode::NOP, mode::kNone);
  Skip(tok::kSemicolon);
}

// params -> ( [ident] {, [ident]} )
void TCompiler::Parameters() {
  std::int32_t number = 0, count = 0;
  Next();
  while (!Is(tok::kRParen)) {
    if (Is(tok::kComma)) {
      ++number;
      Next();
      continue;
    }
    if (!Is(tok::kIdent)) Error(msg::kWriteVariable);
    std::int32_t slot = WrittenVariable({});
    if (e_.Symbols.IsSystemSlot(slot)) Error(msg::kNoSystemParam);
    Emit(OpCode::LDA, mode::kParameter, number);
    Emit(OpCode::STA, mode::kVariable, slot);
    notes_.functions[currentProc_].slots.emplace_back(slot, number);
    count = number + 1;
    Next();
  }
  NoteParameters(currentProc_, count);
}

// statement -> block | simple
void TCompiler::Statement(std::int32_t proc, const LoopContext* loop) {
  Depth depth(*this);
  if (Is(tok::kBegin) || Is(tok::kLBrace)) return Block(proc, loop);
  SimpleStatement(proc, loop);
}

// block -> BEGIN statement {sep statement} END | { statement {sep statement} }
void TCompiler::Block(std::int32_t proc, const LoopContext* loop) {
  std::uint8_t closer = Is(tok::kBegin) ? tok::kEnd : tok::kRBrace;
  do {
    Next();
    Statement(proc, loop);
  } while (!Is(closer) && !lex_.AtEnd());
  Expect(closer, msg::kBlockMismatch);
  Next();
}

void TCompiler::SimpleStatement(std::int32_t proc, const LoopContext* loop) {
  if (debug_) Emit(OpCode::BRK, 0, lex_.TokenLine);
  switch (lex_.Token) {
    case tok::kIdent: return AssignmentStatement();
    case tok::kArrayName: Error(lex_.TokenText + msg::kNoArrays);
    case tok::kBuiltin: return Builtin(Context::Statement);
    case tok::kCallName: return CallStatement(proc, loop);
    case tok::kSemicolon: return Next();
    case tok::kEnd:
    case tok::kRBrace:
    case tok::kOther: return;
    case tok::kIf: return IfStatement(proc, loop);
    case tok::kExit:
      Emit(OpCode::HALT, mode::kNone);
      return Next();
    case tok::kFor: return ForStatement(proc, loop);
    case tok::kForeach: return ForeachStatement(proc, loop);
    case tok::kCase: return CaseStatement(proc, loop);
    case tok::kRepeat: return RepeatStatement(proc, loop);
    case tok::kWhile: return WhileStatement(proc, loop);
    case tok::kNext:
    case tok::kBreak:
      if (!loop) Error(msg::kOutsideLoop);
      Emit(OpCode::JMP, mode::kNone, Is(tok::kNext) ? loop->base + 1 : loop->base);
      return Next();
    case tok::kReturn: return ReturnStatement(proc, loop);
    default: Error(msg::kGrammarError);
  }
}

// assignment -> ident := expression | ident ;
void TCompiler::AssignmentStatement() {
  std::string name = lex_.TokenText;
  TokenMark at = lex_.Mark();
  std::int32_t slot = TokenVariable();
  Next();
  if (Is(tok::kAssign)) {
    if (e_.Symbols.IsSystemSlot(slot)) ErrorAt(at, msg::kNoSystemAssign);
    Next();
    Expression();
    NoteWrite(slot, at, type_);
    Emit(OpCode::STA, mode::kVariable, slot);
  } else if (Is(tok::kSemicolon)) {
    NoteRead(slot, at);
    Emit(OpCode::LDA, mode::kVariable, slot);
  } else {
    Error(msg::kVariableMisplaced + name + msg::kVariableMisplacedTail);  // at the token after it
  }
}

// call -> name [( args )] ; | fname := expression
void TCompiler::CallStatement(std::int32_t proc, const LoopContext* loop) {
  std::string name = lex_.TokenText;
  std::string upper = lex_.UpperText();
  TokenMark at = lex_.Mark();
  std::int32_t index = e_.Symbols.Find(upper, Kinds(sym::kFunction, sym::kProcedure), 0);
  Next();
  if (Is(tok::kAssign)) {
    if (index < 0 || index != proc || ProcKind(proc) != sym::kFunction) ErrorAt(at, name + msg::kCannotAssign);
    Next();
    Expression();
    // Inside loops SPC points at the innermost loop's slot; the result slot
    // is the frame's, further down.
    Emit(OpCode::STA, mode::kSlot, SlotsBelow(loop));
    return;
  }
  if (index < 0) ErrorAt(at, msg::kUndefinedFunction + name);
  if (index == proc) ErrorAt(at, name + msg::kCallsItself);
  std::int32_t count = 0;
  bool parenthesised = Is(tok::kLParen);
  if (parenthesised) {
    count = Arguments();
  } else if (!Is(tok::kSemicolon)) {
    ErrorAt(at, name + msg::kCallError);
  }
  EmitCall(OpCode::CALL, mode::kNone, e_.Symbols[index].Value, count);
  NoteCall(index, parenthesised, count, at);
}

// Unwinds every enclosing loop, then leaves the procedure or function.
// return -> RETURN
void TCompiler::ReturnStatement(std::int32_t proc, const LoopContext* loop) {
  if (proc < 0) {
    Emit(OpCode::JMP, mode::kNone, 0);
    return Next();
  }
  for (const LoopContext* l = loop; l; l = l->outer) {
    Emit(OpCode::POP, mode::kSlot);
    Emit(OpCode::STKP, 0, 1);
    if (l->foreach) {
      Emit(OpCode::LSTF, static_cast<std::uint8_t>(ListOp::REMV), l->key);
      Emit(OpCode::POP, mode::kFrp);
    }
    if (l->savedSpc) Emit(OpCode::POP, mode::kSlot);
  }
  if (ProcKind(proc) == sym::kFunction) {
    Emit(OpCode::POP, mode::kNone);
  } else {
    Emit(OpCode::STKP, 0, 1);
  }
  Emit(OpCode::RET, mode::kNone);
  Next();
}

// if -> IF expression THEN statement [ELSE statement | ELSIF expression THEN statement ...]
void TCompiler::IfStatement(std::int32_t proc, const LoopContext* loop) {
  std::vector<std::int32_t> ends;
  for (;;) {
    Next();
    Expression();
    Expect(tok::kThen, msg::kBadCondition);
    std::int32_t skip = Emit(OpCode::JCC, static_cast<std::uint8_t>(Cond::EQ), 0);
    Next();
    Statement(proc, loop);
    if (Is(tok::kElse)) {
      ends.push_back(Emit(OpCode::JMP, mode::kNone, 0));
      PatchHere(skip);
      Next();
      Statement(proc, loop);
      break;
    }
    if (Is(tok::kElsif)) {
      ends.push_back(Emit(OpCode::JMP, mode::kNone, 0));
      PatchHere(skip);
      continue;
    }
    PatchHere(skip);
    break;
  }
  for (std::int32_t j : ends) PatchHere(j);
}

// for -> FOR ident := expression (TO|DOWNTO) expression DO statement
void TCompiler::ForStatement(std::int32_t proc, const LoopContext* loop) {
  Next();
  Expect(tok::kIdent, msg::kVariableNeeded);
  std::int32_t v = WrittenVariable({ValueSort::Number});
  Next();
  Expect(tok::kAssign, msg::kAssignNeeded);
  Next();
  Expression();
  if (!Is(tok::kTo) && !Is(tok::kDownto)) Error(msg::kToNeeded);
  bool up = Is(tok::kTo);
  Emit(OpCode::STA, mode::kVariable, v);
  Next();
  Expression();
  Expect(tok::kDo, msg::kDoNeeded);
  bool saveSpc = SaveSpc(proc, loop);
  if (saveSpc) Emit(OpCode::PUSH, mode::kSlot);
  Emit(OpCode::LNK, 0, 1);
  Emit(OpCode::STA, mode::kSlot, 0);
  std::int32_t c = Here();
  Emit(OpCode::LDA, mode::kVariable, v);
  Emit(OpCode::TST, mode::kSlot, 0);
  Emit(OpCode::JCC, static_cast<std::uint8_t>(up ? Cond::GT : Cond::LT), 0);
  Emit(OpCode::JMP, mode::kNone, c + 6);
  Emit(OpCode::JMP, mode::kNone, 0);
  Emit(OpCode::JMP, mode::kNone, 0);
  Emit(OpCode::PUSH, mode::kSlot);
  Next();
  LoopContext inner{c + 4, false, 0, saveSpc, loop};
  Statement(proc, &inner);
  PatchHere(c + 5);
  Emit(OpCode::POP, mode::kSlot);
  Emit(up ? OpCode::INC : OpCode::DEC, mode::kVariable, v);
  Emit(OpCode::JMP, mode::kNone, c);
  PatchHere(c + 4);
  Emit(OpCode::POP, mode::kSlot);
  PatchHere(c + 2);
  Emit(OpCode::STKP, 0, 1);
  if (saveSpc) Emit(OpCode::POP, mode::kSlot);
}

// while -> WHILE expression DO statement
void TCompiler::WhileStatement(std::int32_t proc, const LoopContext* loop) {
  bool saveSpc = SaveSpc(proc, loop);
  if (saveSpc) Emit(OpCode::PUSH, mode::kSlot);
  Emit(OpCode::LNK, 0, 1);
  Next();
  std::int32_t h = Here();
  Emit(OpCode::PUSH, mode::kSlot);
  Expression();
  Expect(tok::kDo, msg::kDoNeeded);
  std::int32_t n = Here();
  Emit(OpCode::JCC, static_cast<std::uint8_t>(Cond::NE), n + 3);
  Emit(OpCode::JMP, mode::kNone, 0);
  Emit(OpCode::JMP, mode::kNone, 0);
  Next();
  LoopContext inner{n + 1, false, 0, saveSpc, loop};
  Statement(proc, &inner);
  PatchHere(n + 2);
  Emit(OpCode::POP, mode::kSlot);
  Emit(OpCode::INC, mode::kSlot, 0);
  Emit(OpCode::JMP, mode::kNone, h);
  PatchHere(n + 1);
  Emit(OpCode::POP, mode::kSlot);
  Emit(OpCode::STKP, 0, 1);
  if (saveSpc) Emit(OpCode::POP, mode::kSlot);
}

// repeat -> REPEAT {statement [;]} UNTIL expression
void TCompiler::RepeatStatement(std::int32_t proc, const LoopContext* loop) {
  bool saveSpc = SaveSpc(proc, loop);
  if (saveSpc) Emit(OpCode::PUSH, mode::kSlot);
  Emit(OpCode::LNK, 0, 1);
  std::int32_t c = Here();
  Emit(OpCode::JMP, mode::kNone, c + 3);
  Emit(OpCode::JMP, mode::kNone, 0);
  Emit(OpCode::JMP, mode::kNone, 0);
  Emit(OpCode::PUSH, mode::kSlot);
  Next();
  LoopContext inner{c + 1, false, 0, saveSpc, loop};
  while (!Is(tok::kUntil) && !Is(tok::kEnd) && !Is(tok::kRBrace) && !lex_.AtEnd()) {
    const char* before = lex_.TokenStart;
    Statement(proc, &inner);
    Skip(tok::kSemicolon);
    if (lex_.TokenStart == before) Next();  // a stray character: skip it
  }
  Expect(tok::kUntil, msg::kUntilNeeded);
  if (debug_) Emit(OpCode::BRK, 0, lex_.TokenLine);
  PatchHere(c + 2);
  Emit(OpCode::POP, mode::kSlot);
  Next();
  Expression();
  Emit(OpCode::INC, mode::kSlot, 0);
  Emit(OpCode::PUSH, mode::kSlot);
  Emit(OpCode::JCC, static_cast<std::uint8_t>(Cond::EQ), c + 4);
  PatchHere(c + 1);
  Emit(OpCode::POP, mode::kSlot);
  Emit(OpCode::STKP, 0, 1);
  if (saveSpc) Emit(OpCode::POP, mode::kSlot);
}

// foreach -> FOREACH ident IN list [ arguments ] DO statement
void TCompiler::ForeachStatement(std::int32_t proc, const LoopContext* loop) {
  bool saveSpc = SaveSpc(proc, loop);
  if (saveSpc) Emit(OpCode::PUSH, mode::kSlot);
  Emit(OpCode::PUSH, mode::kFrp);
  Next();
  Expect(tok::kIdent, msg::kVariableNeeded);
  TokenMark varAt = lex_.Mark();
  std::int32_t v = TokenVariable();
  Emit(OpCode::LNK, 0, 1);
  Next();
  Expect(tok::kIn, msg::kInNeeded);
  Next();
  std::uint8_t list = Is(tok::kBuiltin) ? lex_.BuiltinCode : bi::kNone;
  // Records of a template and topics give numbers; every other list gives texts.
  NoteWrite(v, varAt,
            {list == bi::kListClip || list == bi::kListTopics ? ValueSort::Number : ValueSort::Text});
  TokenMark listAt = lex_.Mark();
  Next();
  Expect(tok::kLBracket, msg::kOpenBracketNeeded);
  if (list < bi::kListClip || list > bi::kListImgSrc) ErrorAt(listAt, msg::kBadListFunction);
  Next();
  ListSource(list);
  Expect(tok::kRBracket, msg::kCloseBracketNeeded);
  Next();
  Expect(tok::kDo, msg::kDoNeeded);
  std::int32_t e = Here();
  Emit(OpCode::STA, mode::kVariable, kCountSlot);
  Emit(OpCode::PUSH, mode::kSlot);
  std::int32_t n = Here();
  Emit(OpCode::JCC, static_cast<std::uint8_t>(Cond::FRP), n + 3);
  Emit(OpCode::JMP, mode::kNone, 0);
  Emit(OpCode::JMP, mode::kNone, n);
  Emit(OpCode::POP, mode::kSlot);
  Emit(OpCode::LSTF, static_cast<std::uint8_t>(ListOp::EXPN), e);
  Emit(OpCode::STA, mode::kVariable, v);
  Emit(OpCode::INC, mode::kSlot, 0);
  Emit(OpCode::PUSH, mode::kSlot);
  Next();
  LoopContext inner{n + 1, true, e, saveSpc, loop};
  Statement(proc, &inner);
  Emit(OpCode::JMP, mode::kNone, n);
  PatchHere(n + 1);
  Emit(OpCode::POP, mode::kSlot);
  Emit(OpCode::STKP, 0, 1);
  Emit(OpCode::LSTF, static_cast<std::uint8_t>(ListOp::REMV), e);
  Emit(OpCode::POP, mode::kFrp);
  if (saveSpc) Emit(OpCode::POP, mode::kSlot);
}

// case -> CASE expression OF {label : statement [;]} [ELSE statement {; statement}] END
void TCompiler::CaseStatement(std::int32_t proc, const LoopContext* loop) {
  Next();
  Expression();
  ExprType selector = type_;
  Expect(tok::kOf, msg::kOfNeeded);
  Next();
  std::vector<std::int32_t> ends;
  for (;;) {
    std::int32_t j = CaseLabel(proc, loop, selector);
    if (j < 0) break;
    ends.push_back(j);
  }
  for (std::int32_t j : ends) PatchHere(j);
  Expect(tok::kEnd, msg::kEndNeeded);
  Next();
}

// A number, or a range n..m, as a test of A (shared with IN).
bool TCompiler::RangeOrNumber(std::int32_t n) {
  Next();
  if (!Is(tok::kRange)) {
    Emit(OpCode::TST, mode::kImmediate, n);
    return false;
  }
  Next();
  Expect(tok::kNumber, msg::kNumberNeeded);
  std::int32_t m = NumberValue();
  Emit(OpCode::STA, mode::kRegB);
  Emit(OpCode::LDB, mode::kMax, n);
  Emit(OpCode::LDB, mode::kMin, m);
  Emit(OpCode::TST, mode::kRegB);
  Next();
  return true;
}

// label -> (number | number .. number | 'pattern') : statement [;] | ELSE ... | END
// Returns the jump to the end of the CASE, or -1 when the label list ended.
std::int32_t TCompiler::CaseLabel(std::int32_t proc, const LoopContext* loop, const ExprType& selector) {
  if (Is(tok::kEnd)) return -1;
  if (Is(tok::kElse)) {
    Next();
    Statement(proc, loop);
    while (Is(tok::kSemicolon)) {
      Next();
      Statement(proc, loop);
    }
    return -1;
  }
  if (Is(tok::kNumber)) {
    const char* from = lex_.TokenStart;
    if (RangeOrNumber(NumberValue())) NoteRange(selector, from, lex_.TokenStart);
  } else if (Is(tok::kSingleQuoted)) {
    Emit(OpCode::STRF, static_cast<std::uint8_t>(StrOp::RCMP), Pool(lex_.TokenText));
    Next();
  } else {
    Error(msg::kNotConstant);
  }
  std::int32_t skip = Emit(OpCode::JCC, static_cast<std::uint8_t>(Cond::NE), 0);
  Expect(tok::kColon, msg::kColonNeeded);
  Next();
  Statement(proc, loop);
  Skip(tok::kSemicolon);
  std::int32_t end = Emit(OpCode::JMP, mode::kNone, 0);
  PatchHere(skip);
  return end;
}

}  // namespace bq::script
