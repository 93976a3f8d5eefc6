// The operations the fetch loop hands off: the general paths of arithmetic,
// logic, comparison and shifts, files, the article record, and the host
// families.
#include "platform/compare.h"
#include "platform/fs.h"
#include "script/host.h"
#include "script/machine.h"
#include "script/machine_groups.h"
#include "script/machine_text.h"

namespace bq::script {

namespace {


std::uint16_t SignFlags(int cmp) { return cmp == 0 ? kFlagZ : (cmp < 0 ? kFlagN : 0); }

std::string TextOf(const TScriptValue& v) { return v.IsIntLike() ? std::to_string(v.Int) : v.Str; }

// Converts left to the comparison kind of the two sides (default 1) and
// compares it with right read in that kind; right itself is not changed.
int CompareSides(TScriptValue& left, const TScriptValue& right) {
  std::uint8_t k = ResultKind(left.Kind, right.Kind, kind::kInteger);
  left.ToKind(k);
  if (k == kind::kString) {
    if (right.IsIntLike()) return CompareText(left.Str, std::to_string(right.Int));
    return CompareText(left.Str, right.Str);
  }
  std::int32_t r = right.IsText() ? TextToNumber(right.Str) : right.Int;
  return left.Int < r ? -1 : (left.Int > r ? 1 : 0);
}

// "ファイルが読めません: " / "ファイルに書き込めません: "
constexpr const char* kCannotRead = "\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xaa\x93\xc7\x82\xdf\x82\xdc\x82\xb9\x82\xf1: ";
constexpr const char* kCannotWrite =
    "\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xc9\x8f\x91\x82\xab\x8d\x9e\x82\xdf\x82\xdc\x82\xb9\x82\xf1: ";

}  // namespace

// Operands of a two-operand operation: afterwards A holds the left operand
// and `right` the right one, both in the result kind. The popped slot is
// consumed in place.
void TScriptMachine::Arithmetic(OpCode op, std::uint8_t m, std::int32_t operand) {
  TScriptValue local;
  TScriptValue* right = &local;
  if (m == mode::kImmediate && (op == OpCode::MUL || op == OpCode::DIV || op == OpCode::MOD)) {
    local = TScriptValue::Integer(operand);
  } else if (R.STK > 0) {
    TScriptValue& slot = stack_[static_cast<std::size_t>(--R.STK)];
    std::swap(R.A, slot);
    right = &slot;
  } else {
    std::swap(local, R.A);
    R.STK = 0;
  }
  TScriptValue& left = R.A;
  std::uint8_t k = ResultKind(left.Kind, right->Kind, op == OpCode::ADD ? kind::kString : kind::kInteger);
  left.ToKind(k);
  right->ToKind(k);
  if (k == kind::kString) {
    ArithmeticText(op, *right);
    return;
  }
  std::int64_t a = left.Int, b = right->Int, v = 0;
  switch (op) {
    case OpCode::ADD: v = a + b; break;
    case OpCode::SUB: v = a - b; break;
    case OpCode::MUL: v = a * b; break;
    case OpCode::DIV: v = b == 0 ? 0 : a / b; break;
    default: v = b == 0 ? 0 : a % b; break;
  }
  left.Int = Wrap(v);
  R.CCR = op == OpCode::SUB ? SignFlags(a < b ? -1 : (a > b ? 1 : 0)) : (left.Int == 0 ? kFlagZ : 0);
}

void TScriptMachine::ArithmeticText(OpCode op, TScriptValue& right) {
  std::string& s = R.A.Str;
  switch (op) {
    case OpCode::ADD:
      CheckText(s.size() + right.Str.size());
      s.append(right.Str);
      R.CCR = s.empty() ? kFlagZ : 0;
      break;
    case OpCode::SUB:
      R.CCR = SignFlags(CompareText(s, right.Str));
      if (!right.Str.empty()) {
        std::string rest;
        ReplaceText(s, right.Str, "", true, rest);
        s.swap(rest);
      }
      if (s.empty()) R.CCR |= kFlagZ;
      break;
    default:
      s.clear();
      R.CCR = kFlagZ;
      break;
  }
}

// The popped left operand, converted where it lies: the slot is above the
// stack now, so nothing is copied or freed.
TScriptValue& TScriptMachine::PoppedLeft(TScriptValue& empty) {
  if (R.STK <= 0) {
    R.STK = 0;
    return empty;
  }
  return stack_[static_cast<std::size_t>(--R.STK)];
}

void TScriptMachine::Logical(OpCode op) {
  TScriptValue none;
  TScriptValue& left = PoppedLeft(none);
  std::uint8_t k = ResultKind(left.Kind, R.A.Kind, kind::kInteger);
  left.ToKind(k);
  R.A.ToKind(k);
  bool l = k == kind::kString ? !left.Str.empty() : left.Int != 0;
  bool r = k == kind::kString ? !R.A.Str.empty() : R.A.Int != 0;
  bool v = op == OpCode::AND ? (l && r) : (op == OpCode::OR ? (l || r) : (l != r));
  R.A.Int = v ? 1 : 0;
  R.A.Str.assign(1, v ? '1' : '0');
  R.A.Kind = kind::kInteger;
  R.CCR = v ? 0 : kFlagZ;
}

void TScriptMachine::Compare(std::uint8_t cond) {
  TScriptValue none;
  TScriptValue& left = PoppedLeft(none);
  int c = CompareSides(left, R.A);
  bool v = false;
  switch (static_cast<Cond>(cond)) {
    case Cond::EQ: v = c == 0; break;
    case Cond::NE: v = c != 0; break;
    case Cond::GT: v = c > 0; break;
    case Cond::GE: v = c >= 0; break;
    case Cond::LT: v = c < 0; break;
    case Cond::LE: v = c <= 0; break;
    default: break;
  }
  R.A.Int = v ? 1 : 0;
  R.A.Str.assign(1, v ? '1' : '0');
  R.A.Kind = kind::kInteger;
  R.CCR = v ? 0 : kFlagZ;
}

void TScriptMachine::Shift(std::uint8_t m) {
  R.A.ToInteger();
  TScriptValue none;
  TScriptValue& left = PoppedLeft(none);
  left.ToInteger();
  auto bits = static_cast<std::uint32_t>(left.Int);
  unsigned by = static_cast<unsigned>(R.A.Int) & 31u;
  bits = m == 0 ? bits << by : bits >> by;
  R.A.Int = static_cast<std::int32_t>(bits);
  R.A.Kind = kind::kInteger;
  R.A.Str.clear();
}

void TScriptMachine::Test(std::uint8_t m, std::int32_t operand) {
  int c = 0;
  if (m == mode::kImmediate) {
    c = CompareSides(R.A, TScriptValue::Integer(operand));
  } else if (m == mode::kSlot) {
    c = CompareSides(R.A, StackSlot(R.SPC - operand));
  } else {
    c = CompareSides(R.A, R.B);
  }
  R.CCR = SignFlags(c);
}

void TScriptMachine::LoadFile() {
  if (!R.A.IsText()) return;
  const std::string path = FilesEnabled ? R.A.Str : std::string();
  TScriptValue& v = MutableSlot(0);
  std::string data;
  if (fs::FileExists(path) && !fs::ReadFile(path, data, MaxText)) throw EScriptError(std::string(kCannotRead).append(path));
  v.Str = NormalizeLines(data);
  v.Kind = kind::kString;
}

void TScriptMachine::StoreFile(std::int32_t slot) {
  if (R.A.Str.empty() || !FilesEnabled) return;
  const std::string& path = R.A.Str;
  std::string data = TextOf(StackSlot(slot));
  if (R.B.Int != 0 && fs::FileExists(path)) {
    if (!fs::AppendFile(path, data)) throw EScriptError(std::string(kCannotWrite).append(path));
    return;
  }
  fs::WriteFileAtomic(path, data);
}

void TScriptMachine::ArticleSet(std::uint8_t m, std::int32_t operand) {
  auto field = static_cast<Field>(m >> 4);
  if (field == Field::CLEAR) {
    Article = TArticleRecord{};
    return;
  }
  if (field == Field::STATUS) {
    Article.PAGEURL = R.URL;
    return;
  }
  TScriptValue v;
  switch (static_cast<DsetSource>(m & 15)) {
    case DsetSource::RegA: v = R.A; break;
    case DsetSource::Immediate: v = TScriptValue::Integer(operand); break;
    case DsetSource::Pool: v = TScriptValue::Text((*pool_)[operand]); break;
    case DsetSource::PoolExpand: v = TScriptValue::Text(ExpandText((*pool_)[operand])); break;
    case DsetSource::Variable: v = StackSlot(operand); break;
    default: break;
  }
  // Only the number fields go through the number rule, so a title "-" or a
  // long digit run is stored as text instead of stopping the run.
  if (field == Field::TOPIC || field == Field::REFER || field == Field::DATE) {
    std::int32_t n = v.IsText() ? TextToNumber(v.Str) : v.Int;
    if (field == Field::TOPIC) Article.TOPIC = n;
    if (field == Field::REFER) Article.REFER = n;
    if (field == Field::DATE) Article.DATE = static_cast<std::uint32_t>(n);
    return;
  }
  std::string text = TextOf(v);
  switch (field) {
    case Field::TITLE: Article.TITLE = TrimText(FixDoubleByte(text)); break;
    case Field::AUTHOR: Article.AUTHOR = TrimText(FixDoubleByte(text)); break;
    case Field::BODY: Article.BODY = TrimText(FixDoubleByte(text)); break;
    case Field::MAILTO: Article.MAILTO = TrimText(text); break;
    case Field::HP: Article.HP = TrimText(text); break;
    case Field::HEAD: Article.HEAD = TrimText(text); break;
    case Field::HOST: Article.HOST = TrimText(text); break;
    case Field::LINK: Article.LINK = host_->ConvertLogPath(TrimText(text)); break;
    default: break;
  }
}

void TScriptMachine::ArticleGet(std::uint8_t m, std::int32_t operand) {
  auto field = static_cast<Field>(m >> 4);
  TScriptValue& v = MutableSlot(operand);
  auto number = [&v](std::int32_t n) {
    v.Int = n;
    v.Kind = kind::kInteger;
  };
  auto text = [&v](const std::string& s) {
    v.Str = s;
    v.Kind = kind::kString;
  };
  switch (field) {
    case Field::TOPIC: number(Article.TOPIC); break;
    case Field::REFER: number(Article.REFER); break;
    case Field::DATE: number(static_cast<std::int32_t>(Article.DATE)); break;
    case Field::TITLE: text(Article.TITLE); break;
    case Field::AUTHOR: text(Article.AUTHOR); break;
    case Field::MAILTO: text(Article.MAILTO); break;
    case Field::HP: text(Article.HP); break;
    case Field::BODY: text(Article.BODY); break;
    case Field::HEAD: text(Article.HEAD); break;
    case Field::HOST: text(Article.HOST); break;
    case Field::STATUS: text(Article.PAGEURL); break;
    case Field::LINK: text(host_->ConvertLogPath(Article.LINK)); break;
    default: break;
  }
}

}  // namespace bq::script
