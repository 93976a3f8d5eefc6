// What the compiler notes for its warnings while it compiles, and the
// warnings made of it at the end. Nothing here changes the code a script
// compiles to; a warning only points at a trap.
//
// Notes are kept per variable slot (read, written, with text alone,
// captured, a parameter, used in the main program), per function (its
// parameters) and per definition being compiled (has it called itself yet).
// Warnings that depend on the whole script (a variable never assigned, a
// variable that holds text alone) wait for the end.
#include <algorithm>
#include <tuple>

#include "script/compiler.h"
#include "script/tables.h"
#include "textlib/cp932.h"
#include "textlib/dates.h"

namespace bq::script {

namespace {

bool IsTextSort(ValueSort s) { return s == ValueSort::Text || s == ValueSort::Literal; }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view TrimEnd(std::string_view s) {
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool IsCaptureNameByte(char c) { return IsAsciiLetter(c) || c == '@' || c == ',' || c == ':'; }

std::size_t CharLength(std::string_view s, std::size_t i) {
  return IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
}

// "文字列": how a text without a name of its own is called in a message.
const std::string& TextWord() {
  static const std::string word = Utf8ToSjis("文字列");
  return word;
}

// (名前なし)
const std::string& NoNameWord() {
  static const std::string word = Utf8ToSjis("(名前なし)");
  return word;
}

// One ${NAME} of a clip template body, where the reader of the body takes it.
struct CaptureMark {
  std::size_t at = 0, end = 0;  // "${" up to and with the '}' that closes the name
  std::string name;             // the name the reader takes
  std::string written;          // the name as written, up to '}'
  std::string rest;             // what the reader takes as delimiter text instead ("2}")
  bool adjacent = false;        // nothing delimits it from the capture before
};

// Walks a body the way the clip template reader does.
std::vector<CaptureMark> CaptureMarks(std::string_view body) {
  std::vector<CaptureMark> marks;
  bool nothingSince = false;  // no delimiter text since the last capture
  std::size_t i = 0;
  const std::size_t n = body.size();
  while (i < n) {
    if (body.compare(i, 2, "${") == 0) {
      CaptureMark m;
      m.at = i;
      i += 2;
      std::size_t nameStart = i;
      while (i < n && IsCaptureNameByte(body[i])) ++i;
      m.name.assign(body.substr(nameStart, i - nameStart));
      if (i < n && body[i] == '}') {
        ++i;
        m.written = m.name;
      } else {
        std::size_t lineEnd = std::min(body.find("\r\n", i), n);
        std::size_t brace = body.find('}', i);
        std::size_t stop = brace < lineEnd ? brace + 1 : lineEnd;
        m.rest.assign(body.substr(i, stop - i));
        m.written.assign(body.substr(nameStart, (brace < lineEnd ? brace : lineEnd) - nameStart));
      }
      m.end = m.rest.empty() ? i : std::min(n, m.at + 2 + m.written.size() + 1);
      m.adjacent = !marks.empty() && nothingSince;
      marks.push_back(std::move(m));
      nothingSince = true;
      continue;
    }
    if (body.compare(i, 2, "\\*") == 0) {  // a cut adds no text of its own
      i += 2;
      continue;
    }
    if (body.compare(i, 2, "!{") == 0) {
      std::size_t end = body.find("}!", i + 2);
      i = end == std::string_view::npos ? n : end + 2;
      nothingSince = false;
      continue;
    }
    if (body[i] == '\\' && body.compare(i + 1, 2, "\r\n") == 0) {  // line continuation
      i += 3;
      continue;
    }
    if (body[i] == '\\') ++i;
    if (i < n) i += CharLength(body, i);
    nothingSince = false;
  }
  return marks;
}

}  // namespace

ExprType BuiltinResult(std::uint8_t code) {
  switch (code) {
    case bi::kLength: case bi::kHash: case bi::kInc: case bi::kDec: case bi::kGet: case bi::kSubmit:
    case bi::kHead: case bi::kReadLink: case bi::kDownload: case bi::kPutLog: case bi::kInput:
    case bi::kTextPos: case bi::kUrlNum: case bi::kDateFormat: case bi::kSkipTo: case bi::kSysDate:
    case bi::kDocDate: case bi::kLogCount: case bi::kIsDigit: case bi::kIsSjis:
      return {ValueSort::Number};
    case bi::kTrim: case bi::kUpper: case bi::kLower: case bi::kSubStr: case bi::kDelete: case bi::kReplace:
    case bi::kRegExpr: case bi::kWrapStr: case bi::kPageClip: case bi::kInt2Str: case bi::kExpandStr:
    case bi::kTagUpperCase: case bi::kHref: case bi::kLinks: case bi::kDecodeUrl: case bi::kCsv:
    case bi::kShiftCsv: case bi::kSortCsv: case bi::kFormatDate: case bi::kImgSrc: case bi::kFrameSrc:
    case bi::kUrl: case bi::kAppFolder: case bi::kDataFolder: case bi::kLibFolder: case bi::kClipboardValue:
      return {ValueSort::Text, -1, BuiltinName(code)};
    default: return {};
  }
}

SourceSpan TCompiler::Span(const TokenMark& at) const {
  return Span(at.start, static_cast<std::size_t>(at.cursor - at.start));
}

SourceSpan TCompiler::Span(const char* at, std::size_t length) const {
  return SourceSpan{source_, static_cast<std::size_t>(at - lex_.SourceStart), length};
}

CompileNotes::Variable& TCompiler::Notes(std::int32_t slot) {
  if (static_cast<std::size_t>(slot) >= notes_.vars.size()) notes_.vars.resize(static_cast<std::size_t>(slot) + 1);
  return notes_.vars[static_cast<std::size_t>(slot)];
}

std::int32_t TCompiler::ReadVariable(bool templateName) {
  TokenMark at = lex_.Mark();
  std::int32_t slot = TokenVariable();
  NoteRead(slot, at, templateName);
  return slot;
}

std::int32_t TCompiler::WrittenVariable(ExprType value) {
  TokenMark at = lex_.Mark();
  std::int32_t slot = TokenVariable();
  NoteWrite(slot, at, value);
  return slot;
}

void TCompiler::NoteUse(CompileNotes::Variable& v, const TokenMark& at) {
  if (currentProc_ >= 0 || v.mainUse) return;
  v.mainUse = true;
  v.firstMainUse = Span(at);
}

void TCompiler::NoteRead(std::int32_t slot, const TokenMark& at, bool templateName) {
  if (slot < 0 || e_.Symbols.IsSystemSlot(slot)) return;
  CompileNotes::Variable& v = Notes(slot);
  if (!v.read || (templateName && !v.templateRead)) v.firstRead = Span(at);
  v.read = true;
  v.templateRead = v.templateRead || templateName;
  NoteUse(v, at);
  if (notes_.frames.empty() || !notes_.frames.back().recursed) return;
  CompileNotes::Frame& frame = notes_.frames.back();
  auto fn = notes_.functions.find(frame.function);
  if (fn == notes_.functions.end()) return;
  for (const auto& [param, number] : fn->second.slots) {
    if (param != slot || std::find(frame.warned.begin(), frame.warned.end(), slot) != frame.warned.end()) continue;
    frame.warned.push_back(slot);
    std::string word(TrimEnd(std::string_view(at.start, static_cast<std::size_t>(at.cursor - at.start))));
    std::string dollar(1, '$');
    dollar += std::to_string(number);
    Warn(WarningCode::RecursiveParameter, Span(at), {e_.Symbols[frame.function].Name, word, dollar});
  }
}

void TCompiler::NoteWrite(std::int32_t slot, const TokenMark& at, const ExprType& value) {
  if (slot < 0 || e_.Symbols.IsSystemSlot(slot)) return;
  CompileNotes::Variable& v = Notes(slot);
  v.written = true;
  if (!IsTextSort(value.sort)) v.nonText = true;
  NoteUse(v, at);
}

// %NAME% in a "..." literal reads NAME when the literal is used; the names
// are looked up at the end, when every variable is known.
void TCompiler::NoteExpansion(std::string_view literal, const TokenMark& at) {
  for (std::size_t i = 0; i < literal.size();) {
    char c = literal[i];
    if (c == '\\') {
      i += 2;
    } else if (c == '%') {
      std::size_t j = i + 1;
      while (j < literal.size() && (IsIdentStart(static_cast<unsigned char>(literal[j]))))
        j += CharLength(literal, j);
      if (j < literal.size() && literal[j] == '%' && j > i + 1) {
        std::string upper;
        UpperAscii(literal.substr(i + 1, j - i - 1), upper);
        notes_.expansions.emplace_back(std::move(upper), Span(at));
        i = j + 1;
      } else {
        i = j;
      }
    } else {
      i += CharLength(literal, i);
    }
  }
}

void TCompiler::NoteParameters(std::int32_t function, std::int32_t count) {
  CompileNotes::Function& fn = notes_.functions[function];
  fn.parameters = count;
  for (const auto& [slot, number] : fn.slots) {
    CompileNotes::Variable& v = Notes(slot);
    if (v.parameterOf < 0) v.parameterOf = function;
  }
}

void TCompiler::NoteCall(std::int32_t index, bool parenthesised, std::int32_t count, const TokenMark& at) {
  std::string word(TrimEnd(std::string_view(at.start, static_cast<std::size_t>(at.cursor - at.start))));
  if (index == currentProc_ && !parenthesised) {
    Warn(WarningCode::OwnName, Span(at), {word});
  } else if (auto fn = notes_.functions.find(index); fn != notes_.functions.end() && fn->second.parameters > count) {
    Warn(WarningCode::FewArguments, Span(at),
         {word, std::to_string(fn->second.parameters), std::to_string(count)});
  }
  for (auto f = notes_.frames.rbegin(); f != notes_.frames.rend(); ++f)
    if (f->function == index) {
      f->recursed = true;
      break;
    }
}

void TCompiler::NoteCaptures(const TClipTemplate& t, std::string_view body) {
  std::vector<CaptureMark> marks = CaptureMarks(body);
  auto spanOf = [&](const CaptureMark& m) { return Span(body.data() + m.at, m.end - m.at); };
  for (std::size_t i = 0; i < marks.size(); ++i) {
    const CaptureMark& m = marks[i];
    if (!m.rest.empty())
      Warn(WarningCode::CaptureName, spanOf(m), {m.written, m.name.empty() ? NoNameWord() : m.name, m.rest});
    if (m.adjacent) Warn(WarningCode::CaptureAdjacent, spanOf(m), {marks[i - 1].name, m.name});
  }
  for (const TClipItem& item : t.Items) {
    if (!item.Capture || item.Slot < 0 || e_.Symbols.IsSystemSlot(item.Slot)) continue;
    CompileNotes::Variable& v = Notes(item.Slot);
    v.written = true;
    auto m = std::find_if(marks.begin(), marks.end(), [&](const CaptureMark& c) { return c.name == item.Name; });
    // A name cut short has its warning already; that its cut name is not read follows from it.
    if (v.captured || (m != marks.end() && !m->rest.empty())) continue;
    v.captured = true;
    v.capturedBy = t.Name;
    v.capturedAt = m != marks.end() ? spanOf(*m) : Span(body.data(), 0);
  }
}

// A variable may hold text alone until something else is assigned to it;
// once it has, no warning about it needs to wait for the end.
bool TCompiler::MaybeText(const ExprType& t) const {
  if (IsTextSort(t.sort)) return true;
  if (t.sort != ValueSort::Variable || e_.Symbols.IsSystemSlot(t.slot)) return false;
  auto slot = static_cast<std::size_t>(t.slot);
  return slot >= notes_.vars.size() || !notes_.vars[slot].nonText;
}

ExprType TCompiler::Binary(OpCode op, const ExprType& left, const ExprType& right, const TokenMark& at) {
  auto name = [](const ExprType& t) { return t.word.empty() ? TextWord() : std::string(t.word); };
  // A literal beside a number is joined on purpose ('#' + 5).
  auto text = [this](const ExprType& t) { return t.sort != ValueSort::Literal && MaybeText(t); };
  switch (op) {
    case OpCode::ADD:
      if (left.sort == ValueSort::Number && text(right)) Warn(WarningCode::TextPlus, Span(at), {name(right)}, &right);
      if (right.sort == ValueSort::Number && text(left)) Warn(WarningCode::TextPlus, Span(at), {name(left)}, &left);
      if (IsTextSort(left.sort) || IsTextSort(right.sort)) return {ValueSort::Text};
      return {left.sort == ValueSort::Number && right.sort == ValueSort::Number ? ValueSort::Number
                                                                                  : ValueSort::Unknown};
    case OpCode::MUL:
    case OpCode::DIV:
    case OpCode::MOD:
      if (MaybeText(left) && MaybeText(right)) {
        std::string opText(TrimEnd(std::string_view(at.start, static_cast<std::size_t>(at.cursor - at.start))));
        Warn(WarningCode::TextArithmetic, Span(at), {opText, name(left.sort == ValueSort::Variable ? left : right)},
             &left, &right);
      }
      [[fallthrough]];
    case OpCode::SUB:
      // A number on either side makes the other one a number.
      return {left.sort == ValueSort::Number || right.sort == ValueSort::Number ? ValueSort::Number
                                                                                 : ValueSort::Unknown};
    default: return {ValueSort::Number};
  }
}

void TCompiler::NoteRange(const ExprType& value, const char* from, const char* to) {
  if (!MaybeText(value)) return;
  std::string_view range = TrimEnd(std::string_view(from, static_cast<std::size_t>(to - from)));
  Warn(WarningCode::TextRange, Span(from, range.size()),
       {std::string(range), value.word.empty() ? TextWord() : std::string(value.word)}, &value);
}

// Checks of DATEFORMAT and FORMATDATE formats written as constants.
void TCompiler::NoteDateCall(std::uint8_t code, const std::vector<ArgInfo>& args, const TokenMark& at) {
  if (code == bi::kFormatDate) {
    if (args.size() < 2 || !args[1].literal) return;
    const std::string& format = args[1].text;
    bool afterHour = false;
    for (std::size_t i = 0; i < format.size(); i += CharLength(format, i)) {
      char c = format[i];
      if (afterHour && (c == 'M' || c == 'm')) {
        Warn(WarningCode::DateMinute, Span(at), {format, std::string(1, c)});
        return;
      }
      if (IsAsciiLetter(c)) afterHour = c == 'H' || c == 'h';
    }
    return;
  }
  if (args.empty()) return;
  std::string format = args.size() >= 2 ? args[1].text : "YMDhns";
  if ((args.size() >= 2 && !args[1].literal) || format == "@CTIME") return;
  std::string_view letters = format;
  if (!letters.empty() && letters[0] == '*') letters.remove_prefix(1);
  if (!letters.empty() && letters[0] == '-') letters.remove_prefix(1);
  for (std::size_t i = 0; i < letters.size(); i += CharLength(letters, i)) {
    if (IsAsciiLetter(letters[i]) || letters[i] == '_') continue;
    Warn(WarningCode::DateSeparator, Span(at), {format, std::string(letters.substr(i, CharLength(letters, i)))});
    break;
  }
  if (std::count_if(letters.begin(), letters.end(), [](char c) { return c == 'M' || c == 'm'; }) > 1)
    Warn(WarningCode::DateMinute, Span(at), {format, std::string(1, letters[letters.find_last_of("Mm")])});
  if (!args[0].literal) return;
  std::size_t numbers = DateNumberCount(args[0].text);
  if (numbers < letters.size())
    Warn(WarningCode::DateNumbers, Span(at),
         {format, std::to_string(letters.size()), args[0].text, std::to_string(numbers)});
}

void TCompiler::Warn(WarningCode code, SourceSpan at, std::vector<std::string> args, const ExprType* a,
                     const ExprType* b) {
  CompileNotes::Pending p{code, at, std::move(args)};
  int k = 0;
  for (const ExprType* t : {a, b})
    if (t && t->sort == ValueSort::Variable) p.textSlots[k++] = t->slot;
  notes_.pending.push_back(std::move(p));
}

void TCompiler::FinishWarnings() {
  auto textOf = [this](std::int32_t source) -> std::string_view {
    return source == 0 ? mainSource_ : std::string_view(notes_.libraries[static_cast<std::size_t>(source) - 1]);
  };
  auto nameOf = [&](std::int32_t slot, const SourceSpan& at) {
    std::string_view word = TrimEnd(textOf(at.source).substr(at.offset, at.length));
    if (!word.empty() && IsIdentStart(static_cast<unsigned char>(word[0]))) return std::string(word);
    const std::string* name = e_.Symbols.VariableName(slot);
    return name ? *name : std::string();
  };
  for (const auto& [upper, at] : notes_.expansions) {
    std::int32_t slot = e_.Symbols.FindValue(upper, Kinds(sym::kVariable), 0);
    bool templateName = e_.Symbols.FindValue("%" + upper + "%", Kinds(sym::kVariable), -1) >= 0;
    if (slot < 0 || (templateName && !Notes(slot).written)) {
      Warn(templateName ? WarningCode::TemplateInText : WarningCode::Unassigned, at, {upper});
    } else if (!e_.Symbols.IsSystemSlot(slot)) {
      CompileNotes::Variable& v = Notes(slot);
      if (!v.read) v.firstRead = at;
      v.read = true;
    }
  }
  for (std::size_t i = kSystemVariableCount; i < notes_.vars.size(); ++i) {
    const CompileNotes::Variable& v = notes_.vars[i];
    auto slot = static_cast<std::int32_t>(i);
    if (v.read && !v.written)
      Warn(v.templateRead ? WarningCode::NoTemplate : WarningCode::Unassigned, v.firstRead, {nameOf(slot, v.firstRead)});
    if (v.captured && !v.read && !notes_.namesReadAtRunTime)
      Warn(WarningCode::CaptureUnread, v.capturedAt, {v.capturedBy, nameOf(slot, v.capturedAt)});
    if (v.parameterOf >= 0 && v.mainUse)
      Warn(WarningCode::GlobalParameter, v.firstMainUse, {nameOf(slot, v.firstMainUse), e_.Symbols[v.parameterOf].Name});
  }
  auto textOnly = [this](std::int32_t slot) {
    if (slot < 0) return true;
    const CompileNotes::Variable& v = Notes(slot);
    return v.written && !v.nonText;
  };
  using Key = std::tuple<std::size_t, std::int32_t, std::size_t, int>;
  std::vector<std::pair<Key, TCompileWarning>> rows;
  for (const CompileNotes::Pending& p : notes_.pending) {
    if (!textOnly(p.textSlots[0]) || !textOnly(p.textSlots[1])) continue;
    TCompileWarning w;
    w.Code = p.code;
    w.Text = WarningMessage(p.code, p.args);
    w.Place = ErrorPlace(textOf(p.at.source), p.at.offset, p.at.length);
    if (p.at.source == 0) {
      // A name's token runs on over the blanks after it: the span stops at the name.
      w.Start = p.at.offset;
      w.Length = TrimEnd(mainSource_.substr(p.at.offset, p.at.length)).size();
    } else {
      const SourceSpan& inc = notes_.includedAt[static_cast<std::size_t>(p.at.source) - 1];
      w.File = notes_.libraryNames[static_cast<std::size_t>(p.at.source) - 1];
      w.Start = inc.offset;
      w.Length = inc.length;
    }
    rows.emplace_back(Key{w.Start, p.at.source, p.at.offset, static_cast<int>(p.code)}, std::move(w));
  }
  std::sort(rows.begin(), rows.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
  rows.erase(std::unique(rows.begin(), rows.end(), [](const auto& x, const auto& y) { return x.first == y.first; }),
             rows.end());
  e_.Warnings.clear();
  for (auto& r : rows) e_.Warnings.push_back(std::move(r.second));
}

}  // namespace bq::script
