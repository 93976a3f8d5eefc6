// The fetch loop. Only this function runs long: one switch on the operation
// code, with the integer paths of the hot operations written out so that a
// number never touches the heap and a consumed value is moved, not copied.
#include "script/machine.h"

#include "platform/events.h"
#include "script/host.h"

namespace bq::script {

namespace {

inline std::uint16_t IntFlags(std::int32_t n) { return n == 0 ? kFlagZ : (n < 0 ? kFlagN : 0); }

// Empties a text without a byte store when it is empty already (a byte
// store may alias anything, so the loop would reload its state after it).
inline void ClearText(std::string& s) {
  if (!s.empty()) s.clear();
}

// dst := src, reusing dst's buffer.
inline void Assign(TScriptValue& dst, const TScriptValue& src) {
  dst.Kind = src.Kind;
  dst.Int = src.Int;
  if (src.Str.empty()) {
    ClearText(dst.Str);
  } else {
    dst.Str = src.Str;
  }
}

inline void SetInt(TScriptValue& v, std::int32_t n) {
  v.Kind = kind::kInteger;
  v.Int = n;
  ClearText(v.Str);
}

inline std::int32_t Wrap(std::int64_t n) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(n)); }

bool Holds(std::uint8_t cond, std::uint16_t ccr, std::intptr_t frp) {
  bool z = (ccr & kFlagZ) != 0, n = (ccr & kFlagN) != 0;
  switch (static_cast<Cond>(cond)) {
    case Cond::EQ: return z && !n;
    case Cond::NE: return !z;
    case Cond::GT: return !z && !n;
    case Cond::GE: return !n;
    case Cond::LT: return n && !z;
    case Cond::LE: return z || n;
    case Cond::FRP: return frp != 0;
    case Cond::FRZ: return frp == 0;
  }
  return false;
}

// Counts the instructions of one Run into the machine's total, however the
// run ends (an exception included).
struct ExecutedCounter {
  std::uint64_t& total;
  std::uint64_t n = 0;
  ~ExecutedCounter() { total += n; }
};

}  // namespace

std::uint16_t FlagsOf(const TScriptValue& v) {
  if (v.Kind == kind::kString) return v.Str.empty() ? kFlagZ : 0;
  return IntFlags(v.Int);
}

// Called every kPumpCheckInterval instructions (every instruction in
// single-step mode): the budget, the clock and the event pump. False when
// the run must end.
bool TScriptMachine::Pump(std::uint64_t ran) {
  if (State != RunState::Run && State != RunState::StepLine) return false;
  if (Budget != 0 && Executed + ran >= Budget) {
    State = RunState::Stopped;
    return false;
  }
  if (pump_ != nullptr) {
    std::uint64_t now = TickCount64();
    if (now >= nextPumpTick_) {
      pump_->ProcessMessages();
      nextPumpTick_ = TickCount64() + 1;
    }
  }
  return State == RunState::Run || State == RunState::StepLine;
}

void TScriptMachine::LeaveOutside() {
  // A jump outside the image (or off its end) halts at the final HALT; the
  // machine never reads an instruction that is not there.
  std::int32_t count = code_->Count();
  if (R.PC < 0 || R.PC >= count) R.PC = count > 0 ? count - 1 : 0;
  State = RunState::Halted;
}

void TScriptMachine::Run() {
  const TInstruction* code = code_->Instructions().data();
  const std::int32_t count = code_->Count();
  // The last instruction (always HALT) is never executed: i must be below it.
  const std::uint32_t limit = count > 0 ? static_cast<std::uint32_t>(count - 1) : 0;
  if (R.STK < 0 || R.STK > StackSize()) R.STK = R.STK < 0 ? 0 : StackSize();

  ExecutedCounter done{Executed};
  const bool free = State == RunState::Run || State == RunState::StepLine;
  std::uint64_t check = free ? kPumpCheckInterval : 1;
  if (Budget != 0 && free) {
    std::uint64_t left = Budget > Executed ? Budget - Executed : 0;
    if (left < check) check = left == 0 ? 1 : left;
  }
  TRegisters& r = R;
  const bool trace = TraceHook != nullptr;

  for (;;) {
    const std::int32_t i = r.PC;
    if (static_cast<std::uint32_t>(i) >= limit) {
      LeaveOutside();
      return;
    }
    if (trace) TraceHook(TraceContext, i);
    const TInstruction ins = code[i];
    r.PC = i + 1;
    ++done.n;

    switch (ins.Op) {
      case OpCode::NOP:
        break;
      case OpCode::HALT:
        r.PC = i;
        State = RunState::Halted;
        return;
      case OpCode::LDA:
        if (ins.Mode == mode::kImmediate) {
          SetInt(r.A, ins.Operand);
          r.CCR = IntFlags(ins.Operand);
          break;
        }
        if (ins.Mode == mode::kVariable) {
          Assign(r.A, StackSlot(ins.Operand));
        } else {
          Load(r.A, ins.Mode, ins.Operand, false);
        }
        r.CCR = FlagsOf(r.A);
        break;
      case OpCode::LDB:
        Load(r.B, ins.Mode, ins.Operand, true);
        break;
      case OpCode::STA:
        if (ins.Mode == mode::kVariable) {
          Assign(MutableSlot(ins.Operand), r.A);
        } else {
          Store(ins.Mode, ins.Operand);
        }
        break;
      case OpCode::CLR:
        (ins.Mode == mode::kRegB ? r.B : r.A).Clear();
        r.CCR = kFlagZ;
        break;
      case OpCode::INC:
      case OpCode::DEC: {
        std::int32_t slot = ins.Mode == mode::kSlot ? r.SPC - ins.Operand : ins.Operand;
        TScriptValue& v = MutableSlot(slot);
        v.Int = Wrap(static_cast<std::int64_t>(v.Int) + (ins.Op == OpCode::INC ? 1 : -1));
        v.Kind = kind::kInteger;
        break;
      }
      case OpCode::NEG:
      case OpCode::NOT:
        r.A.ToInteger();
        if (ins.Op == OpCode::NEG) {
          r.A.Int = Wrap(-static_cast<std::int64_t>(r.A.Int));
        } else {
          r.A.Int = r.A.Int == 0 ? 1 : 0;
        }
        r.CCR = r.A.Int == 0 ? kFlagZ : 0;
        break;
      case OpCode::ADD:
      case OpCode::SUB:
        if (r.STK > 0) {
          TScriptValue& left = stack_[static_cast<std::size_t>(r.STK - 1)];
          if (left.Kind == kind::kInteger && r.A.Kind == kind::kInteger && left.Str.empty()) {
            --r.STK;
            std::int64_t a = left.Int, b = r.A.Int;
            r.A.Int = Wrap(ins.Op == OpCode::ADD ? a + b : a - b);
            ClearText(r.A.Str);
            r.CCR = ins.Op == OpCode::ADD ? (r.A.Int == 0 ? kFlagZ : 0) : (a == b ? kFlagZ : (a < b ? kFlagN : 0));
            break;
          }
        }
        Arithmetic(ins.Op, ins.Mode, ins.Operand);
        break;
      case OpCode::MUL:
      case OpCode::DIV:
      case OpCode::MOD:
        if (ins.Mode == mode::kImmediate && r.A.Kind == kind::kInteger) {
          std::int64_t a = r.A.Int, b = ins.Operand;
          std::int64_t v = ins.Op == OpCode::MUL ? a * b : (b == 0 ? 0 : (ins.Op == OpCode::DIV ? a / b : a % b));
          r.A.Int = Wrap(v);
          r.CCR = r.A.Int == 0 ? kFlagZ : 0;
          break;
        }
        Arithmetic(ins.Op, ins.Mode, ins.Operand);
        break;
      case OpCode::AND:
      case OpCode::OR:
      case OpCode::XOR:
        Logical(ins.Op);
        break;
      case OpCode::CMP:
        Compare(ins.Mode);
        break;
      case OpCode::SHFT:
        Shift(ins.Mode);
        break;
      case OpCode::SWAP:
        std::swap(r.A, MutableSlot(ins.Operand));
        break;
      case OpCode::TST:
        if (ins.Mode == mode::kSlot && r.A.Kind == kind::kInteger) {
          const TScriptValue& o = StackSlot(r.SPC - ins.Operand);
          if (o.Kind == kind::kInteger) {
            r.CCR = r.A.Int == o.Int ? kFlagZ : (r.A.Int < o.Int ? kFlagN : 0);
            break;
          }
        }
        Test(ins.Mode, ins.Operand);
        break;
      case OpCode::LDF:
        LoadFile();
        break;
      case OpCode::STF:
        StoreFile(ins.Operand);
        break;
      case OpCode::BLTN:
      case OpCode::LSTF:
      case OpCode::HTTP:
      case OpCode::XFN:
      case OpCode::WIN:
        HostOperation(ins.Op, ins.Mode, ins.Operand);
        if (r.PC == i || (State != RunState::Run && State != RunState::StepLine)) return;
        check = done.n + 1;  // look at the pump right after a slow operation
        break;
      case OpCode::CALL:
        r.PAR = r.STK - 1;
        PushInt(kind::kLink, static_cast<std::int32_t>(r.FRP));
        PushInt(kind::kLink, r.SPC);
        r.SPC = r.STK;
        PushInt(kind::kLink, r.PC);
        r.PC = ins.Operand;
        if (r.PC == i) return;
        break;
      case OpCode::LNK:
        for (std::int32_t k = 0; k < ins.Operand; ++k) PushInt(kind::kEmpty, 0);
        r.SPC = r.STK - 1;
        break;
      case OpCode::RET: {
        std::int32_t pc = r.STK > 0 ? stack_[static_cast<std::size_t>(--r.STK)].Int : 0;
        std::int32_t spc = r.STK > 0 ? stack_[static_cast<std::size_t>(--r.STK)].Int : 0;
        std::int32_t frp = r.STK > 0 ? stack_[static_cast<std::size_t>(--r.STK)].Int : 0;
        r.PC = pc;
        r.SPC = spc;
        r.FRP = frp;
        if (r.PC == i) return;
        break;
      }
      case OpCode::STKP:
        if (ins.Operand > 0) r.STK = ins.Operand >= r.STK ? 0 : r.STK - ins.Operand;
        break;
      case OpCode::PUSH:
        if (r.STK < StackSize()) {
          TScriptValue& top = stack_[static_cast<std::size_t>(r.STK)];
          if (ins.Mode == mode::kNone) {
            Assign(top, r.A);
            ++r.STK;
            break;
          }
          if (ins.Mode == mode::kSlot) {
            SetInt(top, r.SPC);
            ++r.STK;
            break;
          }
        }
        if (ins.Mode == mode::kNone) {
          Push(TScriptValue(r.A));
        } else if (ins.Mode == mode::kSlot) {
          PushInt(kind::kInteger, r.SPC);
        } else if (ins.Mode == mode::kLink) {
          PushInt(kind::kLink, ins.Operand);
        } else {
          TScriptValue v;
          Load(v, ins.Mode, ins.Operand, false);
          Push(std::move(v));
        }
        break;
      case OpCode::POP:
        if (ins.Mode == mode::kSlot || ins.Mode == mode::kFrp) {
          std::int32_t n = r.STK > 0 ? stack_[static_cast<std::size_t>(--r.STK)].Int : 0;
          if (ins.Mode == mode::kSlot) {
            r.SPC = n;
          } else {
            r.FRP = n;
          }
        } else {
          PopInto(ins.Mode == mode::kRegB ? r.B : r.A);
        }
        break;
      case OpCode::JMP:
        r.PC = ins.Operand;
        if (r.PC == i) return;
        break;
      case OpCode::JCC:
        if (Holds(ins.Mode, r.CCR, r.FRP)) {
          r.PC = ins.Operand;
          if (r.PC == i) return;
        }
        break;
      case OpCode::BRK:
        r.CurrentLine = ins.Operand;
        if (State == RunState::StepLine) return;
        break;
      case OpCode::SETF:
        r.CCR = static_cast<std::uint16_t>((r.CCR & ~kFlagOption) | (ins.Operand != 0 ? kFlagOption : 0));
        break;
      case OpCode::DSET:
        ArticleSet(ins.Mode, ins.Operand);
        break;
      case OpCode::DGET:
        ArticleGet(ins.Mode, ins.Operand);
        break;
      case OpCode::STRF:
        TextOperation(ins.Mode, ins.Operand);
        break;
      case OpCode::URL:
        if (ins.Mode == mode::kPool) {
          r.URL = (*pool_)[ins.Operand];
        } else if (ins.Mode == mode::kVariable) {
          r.URL = StackSlot(ins.Operand).Str;
        } else if (ins.Mode == mode::kParameter) {
          r.URL = ParameterRef(ins.Operand).Str;
        }
        break;
      default:  // STB, LEFT, RGHT and unknown codes do nothing
        break;
    }

    if (done.n >= check) {
      if (!Pump(done.n)) return;
      check = done.n + kPumpCheckInterval;
      if (Budget != 0) {
        std::uint64_t left = Budget > Executed + done.n ? Budget - Executed - done.n : 1;
        if (left < kPumpCheckInterval) check = done.n + left;
      }
    }
  }
}

}  // namespace bq::script
