// Machine state: reset, the value stack, operand sources and targets, the
// host operations (RunProcedure, SetVariable*, Push/PopValue, ExpandText).
#include <algorithm>

#include "platform/compare.h"
#include "script/host.h"
#include "script/machine.h"
#include "script/machine_groups.h"
#include "textlib/cp932.h"

namespace bq::script {

namespace {

const TScriptValue kEmptyValue{};

// "スタックが溢れました" (the value stack overflowed)
constexpr const char* kStackOverflow = "\x83\x58\x83\x5e\x83\x62\x83\x4e\x82\xaa\x88\xec\x82\xea\x82\xdc\x82\xb5\x82\xbd";
// "文字列が長すぎます" (a text is too long)
constexpr const char* kTextTooLong = "\x95\xb6\x8e\x9a\x97\xf1\x82\xaa\x92\xb7\x82\xb7\x82\xac\x82\xdc\x82\xb7";

constexpr std::int32_t kInitialStack = 200;
constexpr std::int32_t kStackGrowth = 50;

bool IsIdentifierStart(unsigned char c) {
  return c == '@' || c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || IsLeadByte(c);
}

}  // namespace

TScriptMachine::TScriptMachine(TScriptEngine& engine, ScriptHost& host, EventPump* pump)
    : engine_(&engine), code_(&engine.Code), symbols_(&engine.Symbols), pool_(&engine.Pool), host_(&host), pump_(pump) {
  engine.OnResetMachine = [this] { ResetMachine(); };
  ResetMachine();
}

TScriptMachine::~TScriptMachine() { engine_->OnResetMachine = nullptr; }

void TScriptMachine::Fail(const char* message) { throw EScriptError(message); }

void TScriptMachine::CheckText(std::size_t size) {
  if (size > MaxText) Fail(kTextTooLong);
}

void TScriptMachine::CheckedAppend(std::string& target, std::string_view text) {
  CheckText(target.size() + text.size());
  target.append(text);
}

void TScriptMachine::NoteMatch(std::string_view subject, std::size_t begin, std::size_t end) {
  end = std::min(end, subject.size());
  begin = std::min(begin, end);
  LastMatch.Valid = true;
  LastMatch.Begin = begin;
  LastMatch.Text.assign(subject.substr(begin, end - begin));
}

void TScriptMachine::ResetMachine() {
  std::int32_t vars = std::max<std::int32_t>(code_->VariableCount, 0);
  stack_.clear();
  stack_.resize(static_cast<std::size_t>(std::max(kInitialStack, vars + kStackGrowth)));
  stackSize_ = static_cast<std::uint32_t>(stack_.size());
  R.A.Clear();
  R.B.Clear();
  savedPar_.clear();
  R.PC = code_->EntryPoint;
  R.STK = vars;
  R.SPC = R.STK;
  R.PAR = R.STK - 1;
  R.FRP = 0;  // the iterators it pointed into are released below
  R.CCR = 0;
  R.SMR = 0;
  R.CurrentLine = 0;
  PrintBuffer.clear();
  LastMatch.Valid = false;
  LastMatch.Text.clear();
  TagTable.Reset();
  State = RunState::Run;
  host_->ReleaseLists();
  if (fast_) fast_->count = -1;  // the image may be new: decode again on the next Run
}

const TScriptValue TScriptMachine::kEmpty{};

void TScriptMachine::Grow() {
  if (StackSize() >= MaxStack) Fail(kStackOverflow);
  if (stack_.capacity() < stack_.size() + kStackGrowth) stack_.reserve(stack_.size() * 2);
  stack_.resize(stack_.size() + kStackGrowth);
  stackSize_ = static_cast<std::uint32_t>(stack_.size());
}

void TScriptMachine::SavePar() {
  if (static_cast<std::int64_t>(savedPar_.size()) >= MaxStack) Fail(kStackOverflow);
  savedPar_.push_back(R.PAR);
}

void TScriptMachine::Push(TScriptValue&& v) {
  if (R.STK >= StackSize()) Grow();
  stack_[static_cast<std::size_t>(R.STK++)] = std::move(v);
}

void TScriptMachine::PushInt(std::uint8_t k, std::int32_t n) {
  if (R.STK >= StackSize()) Grow();
  TScriptValue& top = stack_[static_cast<std::size_t>(R.STK++)];
  top.Kind = k;
  top.Int = n;
  top.Str.clear();
}

void TScriptMachine::PopInto(TScriptValue& target) {
  if (R.STK <= 0) {
    R.STK = 0;
    target.Clear();
    return;
  }
  // The slot above the stack keeps the old target; pushing overwrites it.
  SwapValues(target, stack_[static_cast<std::size_t>(--R.STK)]);
}

std::int32_t TScriptMachine::PushValue(TScriptValue value) {
  Push(std::move(value));
  return R.STK - 1;
}

TScriptValue TScriptMachine::PopValue() {
  TScriptValue v;
  PopInto(v);
  return v;
}

std::int32_t TScriptMachine::ArgumentCount() const { return std::max<std::int32_t>(StackSlot(R.STK - 1).Int, 0); }

const TScriptValue& TScriptMachine::Argument(std::int32_t index) const {
  std::int32_t n = ArgumentCount();
  if (index < 0 || index >= n) return kEmptyValue;
  return StackSlot(static_cast<std::int32_t>(static_cast<std::int64_t>(R.STK) - 1 - n + index));
}

const TScriptValue& TScriptMachine::ParameterRef(std::int32_t operand) const {
  const TScriptValue& countSlot = StackSlot(R.PAR);
  if (operand == -1) return countSlot;
  std::int32_t count = countSlot.Int;
  if (operand < 0 || operand >= count) return kEmptyValue;
  std::int64_t at = static_cast<std::int64_t>(R.PAR) - count + operand;
  if (at < 0 || at > INT32_MAX) return kEmptyValue;
  return StackSlot(static_cast<std::int32_t>(at));
}

void TScriptMachine::SystemValue(TScriptValue& target, std::int32_t index, bool isB) {
  auto textValue = [&target](std::string s) {
    target.Kind = kind::kString;
    target.Int = 0;
    target.Str = std::move(s);
  };
  auto intValue = [&target](std::int32_t n) {
    target.Kind = kind::kInteger;
    target.Int = n;
    target.Str.clear();
  };
  if (isB) {  // LDB knows only the URL register
    if (index == static_cast<std::int32_t>(SysValue::Url)) {
      textValue(R.URL);
    } else {
      intValue(0);
    }
    return;
  }
  switch (static_cast<SysValue>(index)) {
    case SysValue::SysDate: intValue(host_->SystemDate()); break;
    case SysValue::DocDate: intValue(static_cast<std::int32_t>(host_->DocDate())); break;
    case SysValue::Url: textValue(R.URL); break;
    case SysValue::AppFolder: textValue(ProgramFolder); break;
    case SysValue::DataFolder: textValue(DataFolder); break;
    case SysValue::LibFolder: textValue(LibraryFolder); break;
    case SysValue::LogCount: intValue(host_->LogCount()); break;
    case SysValue::Clipboard: textValue(host_->ClipboardText()); break;
    default: intValue(0); break;
  }
}

void TScriptMachine::Load(TScriptValue& target, std::uint8_t m, std::int32_t operand, bool isB) {
  switch (m) {
    case mode::kImmediate:
      target.Kind = kind::kInteger;
      target.Int = operand;
      target.Str.clear();
      return;
    case mode::kPool: PoolText(target, operand); return;
    case mode::kPoolExpand:
      target.Str = ExpandText((*pool_)[operand]);
      target.Kind = kind::kString;
      target.Int = 0;
      return;
    case mode::kVariable: target = StackSlot(operand); return;
    case mode::kParameter: target = ParameterRef(operand); return;
    case mode::kSlot: target = StackSlot(R.SPC - operand); return;
    case mode::kRegB: target = R.B; return;
    case mode::kFrp: target = TScriptValue::Link(static_cast<std::int32_t>(R.FRP)); return;
    case mode::kSystem: SystemValue(target, operand, isB); return;
    case mode::kMax:
      if (isB) R.B.Int = std::max(R.B.Int, operand);
      return;
    case mode::kMin:
      if (isB) R.B.Int = std::min(R.B.Int, operand);
      return;
    default: target.Clear(); return;
  }
}

void TScriptMachine::Store(std::uint8_t m, std::int32_t operand) {
  switch (m) {
    case mode::kVariable: MutableSlot(operand) = R.A; break;
    case mode::kSlot: MutableSlot(R.SPC - operand) = R.A; break;
    case mode::kRegB: R.B = R.A; break;
    case mode::kSystem:
      if (operand == static_cast<std::int32_t>(SysValue::StripMode)) R.SMR = static_cast<std::uint16_t>(R.A.Int);
      break;
    default: break;
  }
}

void TScriptMachine::HostOperation(OpCode op, std::uint8_t m, std::int32_t operand) {
  switch (op) {
    case OpCode::BLTN: host_->Builtin(*this, m, operand); break;
    case OpCode::LSTF: host_->List(*this, m, operand); break;
    case OpCode::HTTP: host_->Http(*this, m, operand); break;
    case OpCode::XFN: host_->Extended(*this, m, operand); break;
    default: host_->Window(*this, m, operand); break;
  }
  if (R.STK < 0 || R.STK > StackSize()) R.STK = R.STK < 0 ? 0 : StackSize();
  R.CCR = FlagsOf(R.A);
  // EXITMESSAGE: after the message the script ends through address 0.
  if (op == OpCode::WIN && m == static_cast<std::uint8_t>(WinOp::MSG) && operand == 1) R.PC = 0;
}

void TScriptMachine::RunProcedure(std::string_view name, RunState state) {
  R.A.Clear();
  std::int32_t entry =
      symbols_->FindValue(UpperCase(name), Kinds(sym::kFunction, sym::kProcedure), 0);
  if (entry < 0) return;
  SavePar();
  R.PAR = R.STK - 1;
  PushInt(kind::kEmpty, 0);
  PushInt(kind::kEmpty, 0);
  R.SPC = R.STK;
  PushInt(kind::kEmpty, 0);  // return address 0: BRK, NOP, HALT
  R.PC = entry;
  State = state;
  Run();
}

void TScriptMachine::SetVariableText(std::string_view name, std::string_view text) {
  std::int32_t slot = symbols_->FindValue(UpperCase(name), Kinds(sym::kVariable), 0);
  if (slot < 0) return;
  TScriptValue& v = MutableSlot(slot);
  v.Str.assign(text);
  v.Kind = kind::kString;
}

void TScriptMachine::SetVariableInt(std::string_view name, std::int32_t number) {
  std::int32_t slot = symbols_->FindValue(UpperCase(name), Kinds(sym::kVariable), 0);
  if (slot < 0) return;
  TScriptValue& v = MutableSlot(slot);
  v.Int = number;
  v.Kind = kind::kInteger;
}

// Rules: a lead byte goes with its trail byte; %NAME% (identifier-start
// bytes only, so a digit ends the name) becomes the variable's value, or
// nothing when there is no such variable; without the closing '%' the '%'
// and the name stay; \n CR LF, \t tab, backslash CR LF nothing, backslash
// and any other byte that byte; a backslash at the very end stays.
std::string TScriptMachine::ExpandText(std::string_view text) const {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    auto c = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(c)) {
      out.append(text.substr(i, 2));
      i += 2;
    } else if (c == '\\') {
      if (i + 1 >= n) {
        out.push_back('\\');
        ++i;
      } else if (text[i + 1] == 'n') {
        out.append("\r\n");
        i += 2;
      } else if (text[i + 1] == 't') {
        out.push_back('\t');
        i += 2;
      } else if (text[i + 1] == '\r' && i + 2 < n && text[i + 2] == '\n') {
        i += 3;
      } else {
        out.push_back(text[i + 1]);
        i += 2;
      }
    } else if (c == '%') {
      std::size_t j = i + 1;
      while (j < n && IsIdentifierStart(static_cast<unsigned char>(text[j])))
        j = IsLeadByte(static_cast<unsigned char>(text[j])) ? std::min(j + 2, n) : j + 1;
      if (j < n && text[j] == '%') {
        std::int32_t slot = symbols_->FindValue(UpperCase(text.substr(i + 1, j - i - 1)), Kinds(sym::kVariable), 0);
        if (slot >= 0) {
          const TScriptValue& v = StackSlot(slot);
          out.append(v.Kind == kind::kString ? v.Str : std::to_string(v.Int));
        }
        i = j + 1;
      } else {
        out.append(text.substr(i, j - i));
        i = j;
      }
    } else {
      out.push_back(static_cast<char>(c));
      ++i;
    }
    if (out.size() > MaxText) throw EScriptError(kTextTooLong);
  }
  return out;
}

}  // namespace bq::script
