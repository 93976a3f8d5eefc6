// The fetch loop. Only this function runs long: one switch on the operation
// code, with the integer paths of the hot operations written out so that a
// number never touches the heap and a consumed value is moved, not copied.
// It fetches from the decoded copy of the image (machine_fuse.cpp), where
// the FOR loop sequences the compiler emits start with fused operations.
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

// Whether a JCC condition holds, by condition and the Z and N flags.
constexpr bool kHolds[6][4] = {
    // flags: none, Z, N, Z+N
    {false, true, false, false},  // EQ: Z and not N
    {true, false, true, false},   // NE: not Z
    {true, false, false, false},  // GT: neither
    {true, true, false, false},   // GE: not N
    {false, false, true, false},  // LT: N and not Z
    {false, true, true, true},    // LE: Z or N
};

inline bool Holds(std::uint8_t cond, std::uint16_t ccr, std::intptr_t frp) {
  if (cond < 6) return kHolds[cond][ccr & 3];
  if (cond == static_cast<std::uint8_t>(Cond::FRP)) return frp != 0;
  if (cond == static_cast<std::uint8_t>(Cond::FRZ)) return frp == 0;
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
  if (decodedFrom_ != code || decodedCount_ != count || decodedFused_ != Fusion) Decode();
  const TInstruction* decoded = decoded_.data();

  std::int32_t i = 0;
  TInstruction ins;
  // Threaded dispatch: every operation ends in its own fetch and indirect
  // jump, so the branch predictor learns each operation's successor.
  // Indexed by the decoded copy's codes: every real operation, "does
  // nothing" for unknown codes, then the fused operations.
  static const void* const kTable[kDecodedOpCount] = {
#define BQ_X(name, mnemonic, meaning) &&L_##name,
      BQ_SCRIPT_OPCODES(BQ_X)
#undef BQ_X
      &&L_default, &&L_FuseForHead, &&L_FuseForTail, &&L_FuseAddMul, &&L_FuseForLoop};

#define BQ_FETCH()                                                      \
  i = r.PC;                                                             \
  if (static_cast<std::uint32_t>(i) >= limit) goto outside;             \
  if (trace) TraceHook(TraceContext, i);                                \
  ins = decoded[i];                                                     \
  r.PC = i + 1;                                                         \
  ++done.n;                                                             \
  goto* kTable[static_cast<std::uint8_t>(ins.Op)]
// A fused operation that may not run as one step runs its first
// instruction as it is written (PC and the count are already advanced).
#define PLAIN()                                        \
  do {                                                 \
    ins = code[i];                                     \
    goto* kTable[static_cast<std::uint8_t>(ins.Op)]; \
  } while (0)
#define DISPATCH()                  \
  do {                              \
    if (done.n >= check) goto slow; \
    BQ_FETCH();                     \
  } while (0)

  BQ_FETCH();
  {
      L_NOP:
        DISPATCH();
      L_HALT:
        r.PC = i;
        State = RunState::Halted;
        return;
      L_LDA:
        if (ins.Mode == mode::kImmediate) {
          SetInt(r.A, ins.Operand);
          r.CCR = IntFlags(ins.Operand);
          DISPATCH();
        }
        if (ins.Mode == mode::kVariable) {
          Assign(r.A, StackSlot(ins.Operand));
        } else {
          Load(r.A, ins.Mode, ins.Operand, false);
        }
        r.CCR = FlagsOf(r.A);
        DISPATCH();
      L_LDB:
        Load(r.B, ins.Mode, ins.Operand, true);
        DISPATCH();
      L_STA:
        if (ins.Mode == mode::kVariable) {
          Assign(MutableSlot(ins.Operand), r.A);
        } else {
          Store(ins.Mode, ins.Operand);
        }
        DISPATCH();
      L_CLR:
        (ins.Mode == mode::kRegB ? r.B : r.A).Clear();
        r.CCR = kFlagZ;
        DISPATCH();
      L_INC:
      L_DEC: {
        std::int32_t slot = ins.Mode == mode::kSlot ? r.SPC - ins.Operand : ins.Operand;
        TScriptValue& v = MutableSlot(slot);
        v.Int = Wrap(static_cast<std::int64_t>(v.Int) + (ins.Op == OpCode::INC ? 1 : -1));
        v.Kind = kind::kInteger;
        DISPATCH();
      }
      L_NEG:
      L_NOT:
        r.A.ToInteger();
        if (ins.Op == OpCode::NEG) {
          r.A.Int = Wrap(-static_cast<std::int64_t>(r.A.Int));
        } else {
          r.A.Int = r.A.Int == 0 ? 1 : 0;
        }
        r.CCR = r.A.Int == 0 ? kFlagZ : 0;
        DISPATCH();
      L_ADD:
      L_SUB:
        if (r.STK > 0) {
          TScriptValue& left = stack_[static_cast<std::size_t>(r.STK - 1)];
          if (left.Kind == kind::kInteger && r.A.Kind == kind::kInteger && left.Str.empty()) {
            --r.STK;
            std::int64_t a = left.Int, b = r.A.Int;
            r.A.Int = Wrap(ins.Op == OpCode::ADD ? a + b : a - b);
            ClearText(r.A.Str);
            r.CCR = ins.Op == OpCode::ADD ? (r.A.Int == 0 ? kFlagZ : 0) : (a == b ? kFlagZ : (a < b ? kFlagN : 0));
            DISPATCH();
          }
        }
        Arithmetic(ins.Op, ins.Mode, ins.Operand);
        DISPATCH();
      L_MUL:
      L_DIV:
      L_MOD:
        if (ins.Mode == mode::kImmediate && r.A.Kind == kind::kInteger) {
          std::int64_t a = r.A.Int, b = ins.Operand;
          std::int64_t v = ins.Op == OpCode::MUL ? a * b : (b == 0 ? 0 : (ins.Op == OpCode::DIV ? a / b : a % b));
          r.A.Int = Wrap(v);
          r.CCR = r.A.Int == 0 ? kFlagZ : 0;
          DISPATCH();
        }
        Arithmetic(ins.Op, ins.Mode, ins.Operand);
        DISPATCH();
      L_AND:
      L_OR:
      L_XOR:
        Logical(ins.Op);
        DISPATCH();
      L_CMP:
        Compare(ins.Mode);
        DISPATCH();
      L_SHFT:
        Shift(ins.Mode);
        DISPATCH();
      L_SWAP:
        std::swap(r.A, MutableSlot(ins.Operand));
        DISPATCH();
      L_TST:
        if (ins.Mode == mode::kSlot && r.A.Kind == kind::kInteger) {
          const TScriptValue& o = StackSlot(r.SPC - ins.Operand);
          if (o.Kind == kind::kInteger) {
            r.CCR = r.A.Int == o.Int ? kFlagZ : (r.A.Int < o.Int ? kFlagN : 0);
            DISPATCH();
          }
        }
        Test(ins.Mode, ins.Operand);
        DISPATCH();
      L_LDF:
        LoadFile();
        DISPATCH();
      L_STF:
        StoreFile(ins.Operand);
        DISPATCH();
      L_BLTN:
      L_LSTF:
      L_HTTP:
      L_XFN:
      L_WIN:
        HostOperation(ins.Op, ins.Mode, ins.Operand);
        if (r.PC == i || (State != RunState::Run && State != RunState::StepLine)) return;
        check = done.n + 1;  // look at the pump right after a slow operation
        DISPATCH();
      L_CALL:
        SavePar();
        r.PAR = r.STK - 1;
        PushInt(kind::kLink, static_cast<std::int32_t>(r.FRP));
        PushInt(kind::kLink, r.SPC);
        r.SPC = r.STK;
        PushInt(kind::kLink, r.PC);
        r.PC = ins.Operand;
        if (r.PC == i) return;
        DISPATCH();
      L_LNK:
        for (std::int32_t k = 0; k < ins.Operand; ++k) PushInt(kind::kEmpty, 0);
        r.SPC = r.STK - 1;
        DISPATCH();
      L_RET: {
        std::int32_t pc = r.STK > 0 ? stack_[static_cast<std::size_t>(--r.STK)].Int : 0;
        std::int32_t spc = r.STK > 0 ? stack_[static_cast<std::size_t>(--r.STK)].Int : 0;
        std::int32_t frp = r.STK > 0 ? stack_[static_cast<std::size_t>(--r.STK)].Int : 0;
        r.PC = pc;
        r.SPC = spc;
        r.FRP = frp;
        if (!savedPar_.empty()) {  // the caller's arguments again
          r.PAR = savedPar_.back();
          savedPar_.pop_back();
        }
        if (r.PC == i) return;
        DISPATCH();
      }
      L_STKP:
        if (ins.Operand > 0) r.STK = ins.Operand >= r.STK ? 0 : r.STK - ins.Operand;
        DISPATCH();
      L_PUSH:
        if (r.STK < StackSize()) {
          TScriptValue& top = stack_[static_cast<std::size_t>(r.STK)];
          if (ins.Mode == mode::kNone) {
            Assign(top, r.A);
            ++r.STK;
            DISPATCH();
          }
          if (ins.Mode == mode::kSlot) {
            SetInt(top, r.SPC);
            ++r.STK;
            DISPATCH();
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
        DISPATCH();
      L_POP:
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
        DISPATCH();
      L_JMP:
        r.PC = ins.Operand;
        if (r.PC == i) return;
        DISPATCH();
      L_JCC:
        if (Holds(ins.Mode, r.CCR, r.FRP)) {
          r.PC = ins.Operand;
          if (r.PC == i) return;
        }
        DISPATCH();
      L_BRK:
        r.CurrentLine = ins.Operand;
        if (State == RunState::StepLine) return;
        DISPATCH();
      L_SETF:
        r.CCR = static_cast<std::uint16_t>((r.CCR & ~kFlagOption) | (ins.Operand != 0 ? kFlagOption : 0));
        DISPATCH();
      L_DSET:
        ArticleSet(ins.Mode, ins.Operand);
        DISPATCH();
      L_DGET:
        ArticleGet(ins.Mode, ins.Operand);
        DISPATCH();
      L_STRF:
        TextOperation(ins.Mode, ins.Operand);
        DISPATCH();
      L_URL:
        if (ins.Mode == mode::kPool) {
          r.URL = (*pool_)[ins.Operand];
        } else if (ins.Mode == mode::kVariable) {
          r.URL = StackSlot(ins.Operand).Str;
        } else if (ins.Mode == mode::kParameter) {
          r.URL = ParameterRef(ins.Operand).Str;
        }
        DISPATCH();
  L_STB:
  L_LEFT:
  L_RGHT:
  L_default:  // STB, LEFT, RGHT and unknown codes do nothing
    DISPATCH();

  // The fused operations. Each runs its whole group only when no trace is
  // set, the group's instructions all fit before the next look at the pump
  // (so Stop, the budget and single steps fall between the same instructions
  // as without fusion) and every instruction of the group would take its
  // integer path; else PLAIN. The effects are those of the instructions one
  // by one, in their order, the stack slot a PUSH leaves behind included.
  L_FuseForHead: {
    // LDA var v; TST SPC-0; JCC out; JMP +3; ...; PUSH SPC
    if (trace || done.n + 4 > check) PLAIN();
    const std::uint32_t v = static_cast<std::uint32_t>(ins.Operand);
    const std::uint32_t spc = static_cast<std::uint32_t>(r.SPC);
    const std::uint32_t top = static_cast<std::uint32_t>(r.STK);
    if (v >= stackSize_ || spc >= stackSize_ || top >= stackSize_) PLAIN();
    const TScriptValue& var = stack_[v];
    const TScriptValue& bound = stack_[spc];
    if (var.Kind != kind::kInteger || !var.Str.empty() || bound.Kind != kind::kInteger) PLAIN();
    const std::int32_t n = var.Int, last = bound.Int;
    SetInt(r.A, n);
    r.CCR = n == last ? kFlagZ : (n < last ? kFlagN : 0);
    const TInstruction& jcc = code[i + 2];
    if (Holds(jcc.Mode, r.CCR, r.FRP)) {
      r.PC = jcc.Operand;
      done.n += 2;
      DISPATCH();
    }
    SetInt(stack_[top], r.SPC);
    ++r.STK;
    r.PC = i + 7;
    done.n += 4;
    DISPATCH();
  }
  L_FuseForLoop: {
    // Whole passes of FOR v := .. DO d := a + b * k: the head (c .. c+6),
    // the body (c+7 .. c+12) and the step (c+13 .. c+15, back to c), 14
    // instructions, repeated while a whole pass fits before the pump check.
    // A pass whose head cannot run fused goes to the head's own handler; a
    // body that cannot leaves after the head, at c+7.
    if (trace || done.n + 13 > check) goto L_FuseForHead;
    const TInstruction* p = code + i;
    const std::uint32_t v = static_cast<std::uint32_t>(p[0].Operand);
    const std::uint32_t a = static_cast<std::uint32_t>(p[7].Operand);
    const std::uint32_t b = static_cast<std::uint32_t>(p[9].Operand);
    const std::int64_t k = p[10].Operand;
    const bool add = p[11].Op == OpCode::ADD;
    const std::int32_t d = p[12].Operand;
    const std::int32_t stepVar = p[14].Operand;
    const std::int64_t step = p[14].Op == OpCode::INC ? 1 : -1;
    for (;;) {
      const std::uint32_t spc = static_cast<std::uint32_t>(r.SPC);
      const std::uint32_t top = static_cast<std::uint32_t>(r.STK);
      if (v >= stackSize_ || spc >= stackSize_ || std::uint64_t{top} + 1 >= stackSize_) goto L_FuseForHead;
      const TScriptValue& var = stack_[v];
      const TScriptValue& bound = stack_[spc];
      if (var.Kind != kind::kInteger || !var.Str.empty() || bound.Kind != kind::kInteger) goto L_FuseForHead;
      // head
      const std::int32_t n = var.Int, last = bound.Int;
      SetInt(r.A, n);
      r.CCR = n == last ? kFlagZ : (n < last ? kFlagN : 0);
      if (Holds(p[2].Mode, r.CCR, r.FRP)) {
        r.PC = p[2].Operand;
        done.n += 2;
        DISPATCH();
      }
      SetInt(stack_[top], r.SPC);
      r.STK = static_cast<std::int32_t>(top + 1);
      // body, its push one slot higher
      const std::uint32_t push = top + 1;
      if (a >= stackSize_ || b >= stackSize_ || stack_[a].Kind != kind::kInteger || !stack_[a].Str.empty() ||
          (b != push && (stack_[b].Kind != kind::kInteger || !stack_[b].Str.empty()))) {
        r.PC = i + 7;
        done.n += 4;
        DISPATCH();
      }
      const std::int32_t x = stack_[a].Int;
      SetInt(stack_[push], x);
      const std::int64_t left = x;
      const std::int64_t right = Wrap(static_cast<std::int64_t>(stack_[b].Int) * k);
      const std::int32_t result = Wrap(add ? left + right : left - right);
      SetInt(r.A, result);
      r.CCR = add ? (result == 0 ? kFlagZ : 0) : (left == right ? kFlagZ : (left < right ? kFlagN : 0));
      SetInt(MutableSlot(d), result);
      // step
      r.STK = static_cast<std::int32_t>(top);
      r.SPC = stack_[top].Int;
      TScriptValue& sv = MutableSlot(stepVar);
      sv.Int = Wrap(static_cast<std::int64_t>(sv.Int) + step);
      sv.Kind = kind::kInteger;
      done.n += 13;
      r.PC = i;
      if (done.n + 14 > check) DISPATCH();
      ++done.n;  // the LDA at c of the next pass
      r.PC = i + 1;
    }
  }
  L_FuseForTail: {
    // POP SPC; INC|DEC var v; JMP back
    if (trace || done.n + 2 > check) PLAIN();
    r.SPC = r.STK > 0 ? stack_[static_cast<std::size_t>(--r.STK)].Int : 0;
    const TInstruction& step = code[i + 1];
    TScriptValue& v = MutableSlot(step.Operand);
    v.Int = Wrap(static_cast<std::int64_t>(v.Int) + (step.Op == OpCode::INC ? 1 : -1));
    v.Kind = kind::kInteger;
    r.PC = code[i + 2].Operand;
    done.n += 2;
    DISPATCH();
  }
  L_FuseAddMul: {
    // LDA var a; PUSH; LDA var b; MUL #k; ADD|SUB; STA var d
    if (trace || done.n + 5 > check) PLAIN();
    const TInstruction* p = code + i;
    const std::uint32_t a = static_cast<std::uint32_t>(ins.Operand);
    const std::uint32_t top = static_cast<std::uint32_t>(r.STK);
    const std::uint32_t b = static_cast<std::uint32_t>(p[2].Operand);
    if (a >= stackSize_ || top >= stackSize_ || b >= stackSize_) PLAIN();
    const TScriptValue& av = stack_[a];
    if (av.Kind != kind::kInteger || !av.Str.empty()) PLAIN();
    // b is read after the PUSH: when it is the pushed slot it holds a.
    if (b != top && (stack_[b].Kind != kind::kInteger || !stack_[b].Str.empty())) PLAIN();
    const std::int32_t x = av.Int;
    SetInt(stack_[top], x);
    const std::int64_t left = x;
    const std::int64_t right = Wrap(static_cast<std::int64_t>(stack_[b].Int) * p[3].Operand);
    const bool add = p[4].Op == OpCode::ADD;
    const std::int32_t result = Wrap(add ? left + right : left - right);
    SetInt(r.A, result);
    r.CCR = add ? (result == 0 ? kFlagZ : 0) : (left == right ? kFlagZ : (left < right ? kFlagN : 0));
    SetInt(MutableSlot(p[5].Operand), result);
    r.PC = i + 6;
    done.n += 5;
    DISPATCH();
  }
  }

slow:
  if (!Pump(done.n)) return;
  check = done.n + kPumpCheckInterval;
  if (Budget != 0) {
    std::uint64_t left = Budget > Executed + done.n ? Budget - Executed - done.n : 1;
    if (left < kPumpCheckInterval) check = done.n + left;
  }
  BQ_FETCH();

outside:
  LeaveOutside();
#undef PLAIN
#undef DISPATCH
#undef BQ_FETCH
}

}  // namespace bq::script
