// The text sub-operations (STRF) on A, B, the stack and the variable named by
// the operand. "A's text" and "v's text" are the Str fields as they are.
#include <algorithm>

#include "platform/compare.h"
#include "script/machine.h"
#include "script/machine_groups.h"
#include "script/machine_text.h"
#include "textlib/html.h"
#include "textlib/pattern.h"

namespace bq::script {

namespace {

std::string TextOf(const TScriptValue& v) { return v.IsIntLike() ? std::to_string(v.Int) : v.Str; }

void SetText(TScriptValue& v, std::string s) {
  v.Str = std::move(s);
  v.Kind = kind::kString;
}

void SetNumber(TScriptValue& v, std::int32_t n) {
  v.Int = n;
  v.Kind = kind::kInteger;
  v.Str.clear();
}

}  // namespace

void TScriptMachine::TextOperation(std::uint8_t sub, std::int32_t operand) {
  TScriptValue& a = R.A;
  switch (static_cast<StrOp>(sub)) {
    case StrOp::STRP: {
      TScriptValue& v = MutableSlot(operand);
      SetText(v, StripHtml(v.Str, TagTable, R.SMR));
      break;
    }
    case StrOp::SUBS:
      SubText(a, StackSlot(operand).Str, R.B.Int, a.Int);  // into A's own buffer
      break;
    case StrOp::POS: {
      std::size_t at = FindText(StackSlot(operand).Str, a.Str);
      SetNumber(a, at == kNotFound ? 0 : static_cast<std::int32_t>(at + 1));
      break;
    }
    case StrOp::REPL:
      ReplaceOperation(StackSlot(operand).Str);
      break;
    case StrOp::RCMP:
      R.CCR = PatternWhole(a.Str, (*pool_)[operand]) ? kFlagZ : 0;
      return;
    case StrOp::WRPS:
      WrapOperation(StackSlot(operand).Str);
      break;
    case StrOp::TSTNUM:
      R.CCR = IsNumberText(a.Str) ? kFlagZ : 0;
      return;
    case StrOp::TSTSJIS:
      R.CCR = HasLeadByte(a.Str) ? kFlagZ : 0;
      return;
    case StrOp::LENG:
      SetNumber(a, TextLength(a));
      break;
    case StrOp::DELS: {
      std::string v = StackSlot(operand).Str;
      std::size_t from = 0, n = 0;
      if (ByteRange(v.size(), R.B.Int, a.Int, from, n) && R.B.Int >= 1) v.erase(from, n);
      SetText(a, std::move(v));
      a.Int = 0;
      break;
    }
    case StrOp::HASH:
      SetNumber(a, HashText(a.Str));
      break;
    case StrOp::TRIM:
      SetText(a, TrimText(a.Str));
      break;
    case StrOp::ISTR: {
      std::string digits = std::to_string(R.B.Int);
      if (a.Int > 0 && static_cast<std::size_t>(a.Int) > digits.size()) {
        CheckText(static_cast<std::size_t>(a.Int));
        digits.insert(0, static_cast<std::size_t>(a.Int) - digits.size(), '0');
      }
      SetText(a, std::move(digits));
      a.Int = R.B.Int;
      break;
    }
    case StrOp::UPC:
      SetText(a, UpperCase(a.Str));
      break;
    case StrOp::LOW:
      SetText(a, LowerCase(a.Str));
      break;
    case StrOp::TAGU:
      SetText(a, TagUpperCase(StackSlot(operand).Str, a.Int != 0));
      break;
    case StrOp::EXPN:
      SetText(a, ExpandText(a.Str));
      break;
    case StrOp::RCPY:
    case StrOp::FDEL:
      TextSearchOperation(sub, StackSlot(operand).Str, operand);
      break;
    default:  // EXPO and unknown sub-operations do nothing
      break;
  }
  R.CCR = FlagsOf(a);
}

void TScriptMachine::TextSearchOperation(std::uint8_t sub, const std::string& v, std::int32_t operand) {
  TScriptValue& a = R.A;
  if (static_cast<StrOp>(sub) == StrOp::RCPY) {
    auto m = PatternFind(v, a.Str);
    if (m) NoteMatch(v, m->begin, m->end);
    SetText(a, m ? v.substr(m->begin, m->end - m->begin) : std::string());
    return;
  }
  // FDEL (SKIPTO): cut the variable's text in front of the first match.
  std::string pattern = a.IsText() ? a.Str : std::string();
  auto m = PatternFind(v, pattern);
  if (m) {
    NoteMatch(v, m->begin, m->end);  // before the cut moves the text
    TScriptValue& target = MutableSlot(operand);
    if (m->begin > 0) target.Str.erase(0, m->begin);
    target.Kind = kind::kString;
  }
  SetNumber(a, m ? 1 : 0);
}

void TScriptMachine::ReplaceOperation(const std::string& v) {
  std::string from = TextOf(StackSlot(R.STK - 2));
  std::string to = TextOf(StackSlot(R.STK - 1));
  R.STK = std::max(R.STK - 2, 0);
  bool firstOnly = R.A.IsIntLike() && R.A.Int == 0;
  std::string out;
  if (!ReplaceText(v, from, to, !firstOnly, out, MaxText)) CheckText(MaxText + 1);
  SetText(R.A, std::move(out));
}

// The start pattern is searched from the beginning (not found: at the end of
// the text; empty: the beginning, no length); the end pattern after the
// start match (not found: the result is empty; empty: the end of the text).
void TScriptMachine::WrapOperation(const std::string& v) {
  std::string start = TextOf(StackSlot(R.STK - 2));
  std::string end = TextOf(StackSlot(R.STK - 1));
  R.STK = std::max(R.STK - 2, 0);
  bool withDelimiters = R.A.IsIntLike() && R.A.Int != 0;
  std::size_t s = 0, s2 = 0;
  if (!start.empty()) {
    auto m = PatternFind(v, start);
    s = m ? m->begin : v.size();
    s2 = m ? m->end : v.size();
  }
  std::size_t e = v.size(), e2 = v.size();
  bool found = true;
  if (!end.empty()) {
    auto m = PatternFind(v, end, s2);
    found = m.has_value();
    if (m) {
      e = m->begin;
      e2 = m->end;
    }
  }
  std::string out;
  if (found) {
    std::size_t from = withDelimiters ? s : s2;
    std::size_t to = withDelimiters ? e2 : e;
    if (!start.empty() || !end.empty()) NoteMatch(v, s, e2);
    if (to > from) out = v.substr(from, to - from);
  }
  SetText(R.A, std::move(out));
}

}  // namespace bq::script
