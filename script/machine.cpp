// The fetch loop. Only this function runs long: threaded dispatch over the
// decoded copy of the image (machine_groups.h), one handler per operation
// and the modes worth telling apart, with the integer paths written out so
// that a number never touches the heap and a consumed value is moved, not
// copied; and the micro-operations of the groups, which run whole runs of
// integer instructions as one step.
#include "platform/compare.h"
#include "platform/events.h"
#include "script/host.h"
#include "script/machine.h"
#include "script/machine_groups.h"

namespace bq::script {

namespace {

// Empties a text without a byte store when it is empty already (a byte
// store may alias anything, so the loop would reload its state after it).
inline void ClearText(std::string& s) {
  if (!s.empty()) s.clear();
}

// The one-digit text of a comparison or logical result.
inline void SetDigit(std::string& s, bool one) { SetChar(s, one ? '1' : '0'); }

// dst := src, reusing dst's buffer.
inline void Assign(TScriptValue& dst, const TScriptValue& src) {
  dst.Kind = src.Kind;
  dst.Int = src.Int;
  if (src.Str.empty()) {
    ClearText(dst.Str);
  } else {
    CopyText(dst.Str, src.Str);
  }
}

// v := a text of the pool (LDA of a constant text); the flags it sets.
inline std::uint16_t SetText(TScriptValue& v, const std::string& text) {
  v.Kind = kind::kString;
  v.Int = 0;
  CopyText(v.Str, text);
  return v.Str.empty() ? kFlagZ : 0;
}

inline void SetInt(TScriptValue& v, std::uint8_t kind, std::int32_t n) {
  v.Kind = kind;
  v.Int = n;
  ClearText(v.Str);
}


// A value a group writes: kind c, Int t[a] (or the constant y), text empty
// or the digit of t[b].
inline void Put(TScriptValue& v, const TMicro& u, const std::int32_t* t) {
  v.Kind = u.c;
  v.Int = u.a == kNone ? u.y : t[u.a];
  if (u.b == kNone) {
    ClearText(v.Str);
  } else {
    SetDigit(v.Str, t[u.b] != 0);
  }
}

inline bool PlainInteger(const TScriptValue& v, std::uint8_t kindOnly) {
  return v.Kind == kind::kInteger && (kindOnly != 0 || v.Str.empty());
}

// How the fetch loop goes on after RunGroup.
constexpr std::uint64_t kGroupGoOn = 0;   // at the address
constexpr std::uint64_t kGroupLeave = 1;  // Run returns (a RET to itself)
constexpr std::uint64_t kGroupPlain = 2;  // the plain handler at the address (an early exit)
constexpr std::uint64_t kGroupNotRun = 3; // the group may not run now: its first instruction as written

// Instructions after a group was refused during which none is built.
constexpr std::uint64_t kQuietRun = 160;

inline TScriptValue& At(TScriptValue* base, std::int32_t offset) {
  return *reinterpret_cast<TScriptValue*>(reinterpret_cast<char*>(base) + offset);
}

// Counts the instructions of one Run into the machine's total, however the
// run ends (an exception included).
struct ExecutedCounter {
  std::uint64_t& total;
  std::uint64_t n = 0;
  ~ExecutedCounter() { total += n; }
};

}  // namespace

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
    // Due once the clock has moved on since the last look: every tick of
    // the kernel's, a few milliseconds.
    if (CoarseTickCount64() >= nextPumpTick_) {
      pump_->ProcessMessages();
      nextPumpTick_ = CoarseTickCount64() + 1;
    }
  }
  return State == RunState::Run || State == RunState::StepLine;
}

// Whether every look at the pump until `ran` instructions have run would do
// nothing (no budget runs out, no events are due), so that a group may run
// across the next one; the look comes right after it.
bool TScriptMachine::PumpIdleThrough(std::uint64_t ran) const {
  if (State != RunState::Run && State != RunState::StepLine) return false;
  if (Budget != 0 && Executed + ran >= Budget) return false;
  return pump_ == nullptr || CoarseTickCount64() < nextPumpTick_;
}

void TScriptMachine::LeaveOutside() {
  // A jump outside the image (or off its end) halts at the final HALT; the
  // machine never reads an instruction that is not there.
  std::int32_t count = code_->Count();
  if (R.PC < 0 || R.PC >= count) R.PC = count > 0 ? count - 1 : 0;
  State = RunState::Halted;
}

void TScriptMachine::Run() {
  const std::int32_t count = code_->Count();
  // The last instruction (always HALT) is never executed: i must be below it.
  const std::uint32_t limit = count > 0 ? static_cast<std::uint32_t>(count - 1) : 0;
  if (R.STK < 0 || R.STK > StackSize()) R.STK = R.STK < 0 ? 0 : StackSize();
  if (!fast_ || fast_->from != code_->Instructions().data() || fast_->count != count || fast_->fused != Fusion) {
    Decode();
  }
  TFastCopy& fast = *fast_;
  TDecoded* const d = fast.decoded.data();

  ExecutedCounter done{Executed};
  std::uint64_t& n = done.n;
  const bool free = State == RunState::Run || State == RunState::StepLine;
  std::uint64_t check = free ? kPumpCheckInterval : 1;
  if (Budget != 0 && free) {
    std::uint64_t left = Budget > Executed ? Budget - Executed : 0;
    if (left < check) check = left == 0 ? 1 : left;
  }
  TRegisters& r = R;
  const bool trace = TraceHook != nullptr;
  std::int32_t pc = r.PC;
  std::int32_t i = 0;
  std::uint64_t quiet = 0;  // no group is built before this count
  const TDecoded* ins = nullptr;


  // Threaded dispatch: every handler ends in its own fetch and indirect
  // jump, so the branch predictor learns each handler's successor.
  static const void* const kTable[kHandlerCount] = {
#define BQ_X(name) &&L_##name,
      BQ_PLAIN_HANDLERS(BQ_X)
#undef BQ_X
      &&L_Group, &&L_GroupNew};

#define BQ_FETCH()                                            \
  i = pc;                                                     \
  if (static_cast<std::uint32_t>(i) >= limit) goto outside;   \
  ins = &d[i];                                                \
  pc = i + 1;                                                 \
  ++n;                                                        \
  if (trace) goto traced;                                     \
  goto* kTable[static_cast<std::uint8_t>(ins->op)]
#define DISPATCH()                \
  do {                            \
    if (n >= check) goto slow;    \
    BQ_FETCH();                   \
  } while (0)
// The instruction as it is written (a group that may not run).
#define PLAIN() goto* kTable[static_cast<std::uint8_t>(ins->plain)]
#define SYNC() r.PC = pc

  BQ_FETCH();

L_Nop:
  DISPATCH();
L_Halt:
  r.PC = i;
  State = RunState::Halted;
  return;
L_LdaImm:
  SetInt(r.A, kind::kInteger, ins->operand);
  r.CCR = IntFlags(ins->operand);
  DISPATCH();
L_LdaVar:
  Assign(r.A, StackSlot(ins->operand));
  r.CCR = FlagsOf(r.A);
  DISPATCH();
L_LdaPar:
  Assign(r.A, ParameterRef(ins->operand));
  r.CCR = FlagsOf(r.A);
  DISPATCH();
L_LdaSlot:
  Assign(r.A, StackSlot(r.SPC - ins->operand));
  r.CCR = FlagsOf(r.A);
  DISPATCH();
L_LdaPool:
  r.CCR = SetText(r.A, (*pool_)[ins->operand]);
  DISPATCH();
L_Lda:
  SYNC();
  Load(r.A, ins->mode, ins->operand, false);
  r.CCR = FlagsOf(r.A);
  DISPATCH();
L_Ldb:
  SYNC();
  Load(r.B, ins->mode, ins->operand, true);
  DISPATCH();
L_StaVar:
  Assign(MutableSlot(ins->operand), r.A);
  DISPATCH();
L_StaSlot:
  Assign(MutableSlot(r.SPC - ins->operand), r.A);
  DISPATCH();
L_Sta:
  Store(ins->mode, ins->operand);
  DISPATCH();
L_Clr:
  (ins->mode == mode::kRegB ? r.B : r.A).Clear();
  r.CCR = kFlagZ;
  DISPATCH();
L_IncDec: {
  std::int32_t slot = ins->mode == mode::kSlot ? r.SPC - ins->operand : ins->operand;
  TScriptValue& v = MutableSlot(slot);
  v.Int = Wrap(static_cast<std::int64_t>(v.Int) + (ins->code == OpCode::INC ? 1 : -1));
  v.Kind = kind::kInteger;
  DISPATCH();
}
L_NegNot: {
  SYNC();
  r.A.ToInteger();
  const bool neg = ins->code == OpCode::NEG;
  r.A.Int = neg ? Wrap(-static_cast<std::int64_t>(r.A.Int)) : (r.A.Int == 0 ? 1 : 0);
  r.CCR = r.A.Int == 0 ? kFlagZ : 0;
  DISPATCH();
}
L_AddSub: {
  const OpCode op = ins->code;
  if (r.STK > 0) {
    TScriptValue& left = stack_[static_cast<std::size_t>(r.STK - 1)];
    if (left.Kind == kind::kInteger && r.A.Kind == kind::kInteger && left.Str.empty()) {
      --r.STK;
      std::int64_t a = left.Int, b = r.A.Int;
      r.A.Int = Wrap(op == OpCode::ADD ? a + b : a - b);
      ClearText(r.A.Str);
      r.CCR = op == OpCode::ADD ? (r.A.Int == 0 ? kFlagZ : 0) : (a == b ? kFlagZ : (a < b ? kFlagN : 0));
      DISPATCH();
    }
  }
  SYNC();
  Arithmetic(op, ins->mode, ins->operand);
  DISPATCH();
}
L_MulImm: {
  const OpCode op = ins->code;
  if (r.A.Kind == kind::kInteger) {
    std::int64_t a = r.A.Int, b = ins->operand;
    std::int64_t v = op == OpCode::MUL ? a * b : (b == 0 ? 0 : (op == OpCode::DIV ? a / b : a % b));
    r.A.Int = Wrap(v);
    r.CCR = r.A.Int == 0 ? kFlagZ : 0;
    DISPATCH();
  }
  SYNC();
  Arithmetic(op, ins->mode, ins->operand);
  DISPATCH();
}
L_Mul: {
  // The general path exchanges A and the popped slot: A keeps the left
  // operand's text, the slot the right operand.
  const OpCode op = ins->code;
  if (r.STK > 0) {
    TScriptValue& slot = stack_[static_cast<std::size_t>(r.STK - 1)];
    if (slot.Kind == kind::kInteger && r.A.Kind == kind::kInteger) {
      --r.STK;
      std::int64_t a = slot.Int, b = r.A.Int;
      std::int64_t v = op == OpCode::MUL ? a * b : (b == 0 ? 0 : (op == OpCode::DIV ? a / b : a % b));
      if (!slot.Str.empty() || !r.A.Str.empty()) r.A.Str.swap(slot.Str);
      slot.Int = r.A.Int;
      r.A.Int = Wrap(v);
      r.CCR = r.A.Int == 0 ? kFlagZ : 0;
      DISPATCH();
    }
  }
  SYNC();
  Arithmetic(op, ins->mode, ins->operand);
  DISPATCH();
}
L_Logic: {
  const OpCode op = ins->code;
  if (r.STK > 0) {
    const TScriptValue& left = stack_[static_cast<std::size_t>(r.STK - 1)];
    if (left.Kind == kind::kInteger && r.A.Kind == kind::kInteger) {
      --r.STK;
      const bool l = left.Int != 0, rr = r.A.Int != 0;
      const bool v = op == OpCode::AND ? (l && rr) : (op == OpCode::OR ? (l || rr) : (l != rr));
      r.A.Int = v ? 1 : 0;
      SetDigit(r.A.Str, v);
      r.CCR = v ? 0 : kFlagZ;
      DISPATCH();
    }
  }
  SYNC();
  Logical(op);
  DISPATCH();
}
L_Cmp:
  if (r.STK > 0 && ins->mode < 6) {
    const TScriptValue& left = stack_[static_cast<std::size_t>(r.STK - 1)];
    const bool integers = left.Kind == kind::kInteger && r.A.Kind == kind::kInteger;
    if (integers || (left.Kind == kind::kString && r.A.Kind == kind::kString)) {
      // Two texts compare as they are (neither side changes kind).
      --r.STK;
      const bool v = integers ? kHolds[ins->mode][left.Int == r.A.Int ? kFlagZ : (left.Int < r.A.Int ? kFlagN : 0)]
                              : TextHolds(ins->mode, left.Str, r.A.Str);
      r.A.Kind = kind::kInteger;
      r.A.Int = v ? 1 : 0;
      SetDigit(r.A.Str, v);
      r.CCR = v ? 0 : kFlagZ;
      DISPATCH();
    }
  }
  SYNC();
  Compare(ins->mode);
  DISPATCH();
L_Shft:
  SYNC();
  Shift(ins->mode);
  DISPATCH();
L_Swap:
  SwapValues(r.A, MutableSlot(ins->operand));
  DISPATCH();
L_Tst:
  if (r.A.Kind == kind::kInteger) {
    if (ins->mode == mode::kSlot) {
      const TScriptValue& o = StackSlot(r.SPC - ins->operand);
      if (o.Kind == kind::kInteger) {
        r.CCR = r.A.Int == o.Int ? kFlagZ : (r.A.Int < o.Int ? kFlagN : 0);
        DISPATCH();
      }
    } else if (ins->mode == mode::kImmediate) {
      r.CCR = r.A.Int == ins->operand ? kFlagZ : (r.A.Int < ins->operand ? kFlagN : 0);
      DISPATCH();
    }
  }
  SYNC();
  Test(ins->mode, ins->operand);
  DISPATCH();
L_Ldf:
  SYNC();
  LoadFile();
  DISPATCH();
L_Stf:
  SYNC();
  StoreFile(ins->operand);
  DISPATCH();
L_Host:
  SYNC();
  HostOperation(ins->code, ins->mode, ins->operand);
  pc = r.PC;
  if (pc == i || (State != RunState::Run && State != RunState::StepLine)) return;
  check = n + 1;  // look at the pump right after a slow operation
  DISPATCH();
L_Call:
  SYNC();
  SavePar();
  r.PAR = r.STK - 1;
  if (r.STK + 3 <= StackSize()) {
    TScriptValue* top = stack_.data() + r.STK;
    SetInt(top[0], kind::kLink, static_cast<std::int32_t>(r.FRP));
    SetInt(top[1], kind::kLink, r.SPC);
    SetInt(top[2], kind::kLink, pc);
    r.SPC = r.STK + 2;
    r.STK += 3;
  } else {
    PushInt(kind::kLink, static_cast<std::int32_t>(r.FRP));
    PushInt(kind::kLink, r.SPC);
    r.SPC = r.STK;
    PushInt(kind::kLink, pc);
  }
  pc = ins->operand;
  if (pc == i) {
    SYNC();
    return;
  }
  DISPATCH();
L_Lnk:
  SYNC();
  for (std::int32_t k = 0; k < ins->operand; ++k) PushInt(kind::kEmpty, 0);
  r.SPC = r.STK - 1;
  DISPATCH();
L_Ret: {
  std::int32_t to = r.STK > 0 ? stack_[static_cast<std::size_t>(--r.STK)].Int : 0;
  std::int32_t spc = r.STK > 0 ? stack_[static_cast<std::size_t>(--r.STK)].Int : 0;
  std::int32_t frp = r.STK > 0 ? stack_[static_cast<std::size_t>(--r.STK)].Int : 0;
  pc = to;
  r.SPC = spc;
  r.FRP = frp;
  if (!savedPar_.empty()) {  // the caller's arguments again
    r.PAR = savedPar_.back();
    savedPar_.pop_back();
  }
  if (pc == i) {
    SYNC();
    return;
  }
  DISPATCH();
}
L_Stkp:
  if (ins->operand > 0) r.STK = ins->operand >= r.STK ? 0 : r.STK - ins->operand;
  DISPATCH();
L_PushA:
  if (r.STK < StackSize()) {
    Assign(stack_[static_cast<std::size_t>(r.STK)], r.A);
    ++r.STK;
    DISPATCH();
  }
  SYNC();
  Push(TScriptValue(r.A));
  DISPATCH();
L_PushImm:
  if (r.STK < StackSize()) {
    SetInt(stack_[static_cast<std::size_t>(r.STK)], kind::kInteger, ins->operand);
    ++r.STK;
    DISPATCH();
  }
  SYNC();
  PushInt(kind::kInteger, ins->operand);
  DISPATCH();
L_PushVar:
  if (r.STK < StackSize()) {
    Assign(stack_[static_cast<std::size_t>(r.STK)], StackSlot(ins->operand));
    ++r.STK;
    DISPATCH();
  }
  goto L_Push;
L_PushPar:
  if (r.STK < StackSize()) {
    Assign(stack_[static_cast<std::size_t>(r.STK)], ParameterRef(ins->operand));
    ++r.STK;
    DISPATCH();
  }
  goto L_Push;
L_PushSpc:
  if (r.STK < StackSize()) {
    SetInt(stack_[static_cast<std::size_t>(r.STK)], kind::kInteger, r.SPC);
    ++r.STK;
    DISPATCH();
  }
  SYNC();
  PushInt(kind::kInteger, r.SPC);
  DISPATCH();
L_Push:
  SYNC();
  if (ins->mode == mode::kLink) {
    PushInt(kind::kLink, ins->operand);
  } else {
    TScriptValue v;
    Load(v, ins->mode, ins->operand, false);
    Push(std::move(v));
  }
  DISPATCH();
L_PopA:
  PopInto(r.A);
  DISPATCH();
L_Pop:
  PopInto(r.B);
  DISPATCH();
L_PopSpc:
  r.SPC = r.STK > 0 ? stack_[static_cast<std::size_t>(--r.STK)].Int : 0;
  DISPATCH();
L_PopFrp:
  r.FRP = r.STK > 0 ? stack_[static_cast<std::size_t>(--r.STK)].Int : 0;
  DISPATCH();
L_Jmp:
  pc = ins->operand;
  if (pc == i) {
    SYNC();
    return;
  }
  DISPATCH();
L_Jcc:
  if (Holds(ins->mode, r.CCR, r.FRP)) {
    pc = ins->operand;
    if (pc == i) {
      SYNC();
      return;
    }
  }
  DISPATCH();
L_Brk:
  r.CurrentLine = ins->operand;
  if (State == RunState::StepLine) {
    SYNC();
    return;
  }
  DISPATCH();
L_Setf:
  r.CCR = static_cast<std::uint16_t>((r.CCR & ~kFlagOption) | (ins->operand != 0 ? kFlagOption : 0));
  DISPATCH();
L_Dset:
  SYNC();
  ArticleSet(ins->mode, ins->operand);
  DISPATCH();
L_Dget:
  SYNC();
  ArticleGet(ins->mode, ins->operand);
  DISPATCH();
L_Strf:
  // SUBSTR and LENGTH, the text operations of loops, without a call.
  if (ins->mode == static_cast<std::uint8_t>(StrOp::SUBS)) {
    SubText(r.A, StackSlot(ins->operand).Str, r.B.Int, r.A.Int);
    r.CCR = r.A.Str.empty() ? kFlagZ : 0;
    DISPATCH();
  }
  if (ins->mode == static_cast<std::uint8_t>(StrOp::LENG)) {
    SetInt(r.A, kind::kInteger, TextLength(r.A));
    r.CCR = IntFlags(r.A.Int);
    DISPATCH();
  }
  SYNC();
  TextOperation(ins->mode, ins->operand);
  DISPATCH();
L_Url:
  if (ins->mode == mode::kPool) {
    r.URL = (*pool_)[ins->operand];
  } else if (ins->mode == mode::kVariable) {
    r.URL = StackSlot(ins->operand).Str;
  } else if (ins->mode == mode::kParameter) {
    r.URL = ParameterRef(ins->operand).Str;
  }
  DISPATCH();
L_Nothing:  // STB, LEFT, RGHT and unknown codes do nothing
  DISPATCH();

traced:
  r.PC = i;
  TraceHook(TraceContext, i);
  PLAIN();

  // --- groups ---
L_GroupNew:
  if (n < quiet || !BuildGroupAt(i)) PLAIN();
  ins = &fast.decoded[static_cast<std::size_t>(i)];

L_Group: {
  const std::uint64_t end = RunGroup(i, n, check);
  if ((end >> 32) == kGroupNotRun) {
    // Refused (mostly for the look at the pump ahead): the plain handlers
    // go on to where a group is built already, rather than building one at
    // every address the pump happens to fall on.
    quiet = n + kQuietRun;
    PLAIN();
  }
  pc = static_cast<std::int32_t>(static_cast<std::uint32_t>(end));
  switch (end >> 32) {
    case kGroupGoOn:
      DISPATCH();
    case kGroupLeave:
      SYNC();
      return;
    default:
      // An early exit: the instruction at pc runs as it is written.
      i = pc;
      ins = &d[i];
      pc = i + 1;
      ++n;
      PLAIN();
  }
}

slow:
  SYNC();
  if (!Pump(n)) return;
  check = n + kPumpCheckInterval;
  if (Budget != 0) {
    std::uint64_t left = Budget > Executed + n ? Budget - Executed - n : 1;
    if (left < kPumpCheckInterval) check = n + left;
  }
  BQ_FETCH();

outside:
  r.PC = i;
  LeaveOutside();
#undef SYNC
#undef PLAIN
#undef DISPATCH
#undef BQ_FETCH
}

// The micro-operations of the group at address (machine_groups.h), and of
// the groups that follow it directly while they may run: each one starts
// only where all its instructions fall before the next look at the pump (or
// that look would do nothing), with room on the stack and SPC and PAR where
// it expects them. n counts the
// instructions run (it already counts the first one, as the fetch does).
std::uint64_t TScriptMachine::RunGroup(std::int32_t address, std::uint64_t& ran, std::uint64_t check) {
  static const void* const kMicroTable[kMicroCount] = {
#define BQ_X(name) &&U_##name,
      BQ_MICRO_OPS(BQ_X)
#undef BQ_X
  };
  TFastCopy& f = *fast_;
  TRegisters& r = R;
  TScriptValue* const st = stack_.data();
  // Groups are built only outside: the copy stays as it is while this runs.
  TDecoded* const decoded = f.decoded.data();
  TGroup* const groups = f.groups.data();
  if (f.labelled < f.micro.size()) {
    for (std::size_t k = f.labelled; k < f.micro.size(); ++k) f.micro[k].label = kMicroTable[static_cast<std::uint8_t>(f.micro[k].op)];
    f.labelled = f.micro.size();
  }
  const TMicro* const micro = f.micro.data();
  const std::int32_t size = StackSize();
  const std::int32_t variables = code_->VariableCount;
  const std::uint32_t limit = static_cast<std::uint32_t>(f.count > 0 ? f.count - 1 : 0);
  std::int32_t t[256];
  std::uint64_t n = ran;
  bool chained = false;
  TGroup* g = nullptr;
  std::int32_t h = 0;
  TScriptValue* base = nullptr;
  const TMicro* u = nullptr;
  std::int32_t next = 0;
  auto end = [&n, &ran](std::uint64_t how, std::int32_t pc) {
    ran = n;
    return (how << 32) | static_cast<std::uint32_t>(pc);
  };

#define MNEXT()   \
  do {            \
    ++u;          \
    goto* u->label; \
  } while (0)
#define MEXIT()            \
  do {                     \
    u = micro + u->y;      \
    goto* u->label;        \
  } while (0)
#define BQ_RIGHT (u->c == kNone ? u->x : t[u->c])
#define BQ_RIGHT_B (u->b == kNone ? u->x : t[u->b])
// The three forms of a written value.
#define PUT(v)              \
  do {                      \
    TScriptValue& w = (v);  \
    w.Kind = u->c;          \
    w.Int = t[u->a];        \
    ClearText(w.Str);       \
  } while (0)
#define PUTK(v)             \
  do {                      \
    TScriptValue& w = (v);  \
    w.Kind = u->c;          \
    w.Int = u->y;           \
    ClearText(w.Str);       \
  } while (0)
#define PUTX(v) Put((v), *u, t)

enter: {
  // address holds a built group (the caller looked); it runs when all its
  // instructions fall before the next look at the pump, with room on the
  // stack, and what it needs (need::) holds.
  g = &groups[decoded[address].group];
  h = r.STK;
  const std::uint64_t through = n + static_cast<std::uint64_t>(g->length) - 1;
  bool may = (through <= check || PumpIdleThrough(through)) && h + g->lowest >= variables && h <= size - g->highest;
  if (may && g->needs != 0) {
    if (((g->needs & need::kRun) != 0 && State != RunState::Run) ||
        ((g->needs & need::kCalls) != 0 && static_cast<std::int64_t>(savedPar_.size()) + g->calls > MaxStack)) {
      may = false;
    } else if (((g->needs & need::kSpc) != 0 && r.SPC != h + g->spc) ||
               ((g->needs & need::kPar) != 0 && r.PAR != h + g->par)) {
      may = false;
      if (++g->misses >= kRebuildAfter) {
        TDecoded& e = decoded[address];
        e.op = g->builds < kMaxBuilds ? Handler::GroupNew : e.plain;
      }
    }
  }
  if (!may) {
    if (!chained) return end(kGroupNotRun, address);
    --n;  // the fetch loop counts it again
    return end(kGroupGoOn, address);
  }
  if (++g->runs == kProfileRuns && !g->profiled && g->builds < kMaxBuilds) {
    // Built before its JCCs were seen: built again next time, along them.
    decoded[address].op = Handler::GroupNew;
  }
  base = st + h;
  u = micro + g->first;
  goto* u->label;
}

jump: {
  // A JCC ending the path (u): which way it goes, counted for the groups
  // built after.
  TDecoded& jcc = decoded[u->z - 1];
  if (Holds(u->c, r.CCR, r.FRP)) {
    ++jcc.way[kTaken];
    next = u->y;
  } else {
    ++jcc.way[kPassed];
    next = u->z;
  }
}
finish:
  // u is the path's terminator.
  r.STK = h + PathDepth(u->w);
  n += static_cast<std::uint64_t>(PathLength(u->w)) - 1;
  // The group ended at next: go straight on with the group there when the
  // fetch loop would dispatch to it.
  if (static_cast<std::uint32_t>(next) < limit && n < check &&
      decoded[next].op == Handler::Group) {
    ++n;
    address = next;
    chained = true;
    goto enter;
  }
  return end(kGroupGoOn, next);

U_GuardVar: {
  const TScriptValue& v = At(st, u->x);
  if (!PlainInteger(v, u->c)) MEXIT();
  t[u->a] = v.Int;
  MNEXT();
}
U_GuardRel: {
  const TScriptValue& v = At(base, u->x);
  if (!PlainInteger(v, u->c)) MEXIT();
  t[u->a] = v.Int;
  MNEXT();
}
U_GuardRelEq: {
  const TScriptValue& v = At(base, u->x);
  if (!PlainInteger(v, 0) || v.Int != u->c) MEXIT();
  MNEXT();
}
U_GuardRelH: {
  const TScriptValue& v = At(base, u->x);
  if (v.Int != h + u->z || (u->c != 0 && !PlainInteger(v, 0))) MEXIT();
  MNEXT();
}
U_GuardSpc: {
  const std::int64_t at = static_cast<std::int64_t>(r.SPC) - u->x;
  if (at < 0 || at >= size || !PlainInteger(st[at], u->c)) MEXIT();
  t[u->a] = st[at].Int;
  MNEXT();
}
U_GuardPar: {
  const TScriptValue& v = ParameterRef(u->x);
  if (!PlainInteger(v, 0)) MEXIT();
  t[u->a] = v.Int;
  MNEXT();
}
U_GuardA:
  if (!PlainInteger(r.A, 0)) MEXIT();
  t[u->a] = r.A.Int;
  MNEXT();
U_ReadRel:
  t[u->a] = At(base, u->x).Int;
  MNEXT();
U_Imm:
  t[u->a] = u->x;
  MNEXT();
U_ImmH:
  t[u->a] = h + u->x;
  MNEXT();
U_Move:
  t[u->a] = t[u->b];
  MNEXT();

U_Add:
  t[u->a] = Wrap(static_cast<std::int64_t>(t[u->b]) + BQ_RIGHT);
  MNEXT();
U_Sub:
  t[u->a] = Wrap(static_cast<std::int64_t>(t[u->b]) - BQ_RIGHT);
  MNEXT();
U_Mul:
  t[u->a] = Wrap(static_cast<std::int64_t>(t[u->b]) * BQ_RIGHT);
  MNEXT();
U_Div: {
  const std::int64_t b = BQ_RIGHT;
  t[u->a] = b == 0 ? 0 : Wrap(t[u->b] / b);
  MNEXT();
}
U_Mod: {
  const std::int64_t b = BQ_RIGHT;
  t[u->a] = b == 0 ? 0 : Wrap(t[u->b] % b);
  MNEXT();
}
U_And:
  t[u->a] = (t[u->b] != 0 && BQ_RIGHT != 0) ? 1 : 0;
  MNEXT();
U_Or:
  t[u->a] = (t[u->b] != 0 || BQ_RIGHT != 0) ? 1 : 0;
  MNEXT();
U_Xor:
  t[u->a] = ((t[u->b] != 0) != (BQ_RIGHT != 0)) ? 1 : 0;
  MNEXT();
U_Shl:
  t[u->a] = static_cast<std::int32_t>(static_cast<std::uint32_t>(t[u->b]) << (static_cast<unsigned>(BQ_RIGHT) & 31u));
  MNEXT();
U_Shr:
  t[u->a] = static_cast<std::int32_t>(static_cast<std::uint32_t>(t[u->b]) >> (static_cast<unsigned>(BQ_RIGHT) & 31u));
  MNEXT();
U_Eq:
  t[u->a] = t[u->b] == BQ_RIGHT;
  MNEXT();
U_Ne:
  t[u->a] = t[u->b] != BQ_RIGHT;
  MNEXT();
U_Gt:
  t[u->a] = t[u->b] > BQ_RIGHT;
  MNEXT();
U_Ge:
  t[u->a] = t[u->b] >= BQ_RIGHT;
  MNEXT();
U_Lt:
  t[u->a] = t[u->b] < BQ_RIGHT;
  MNEXT();
U_Le:
  t[u->a] = t[u->b] <= BQ_RIGHT;
  MNEXT();
U_Neg:
  t[u->a] = Wrap(-static_cast<std::int64_t>(t[u->b]));
  MNEXT();
U_Not:
  t[u->a] = t[u->b] == 0 ? 1 : 0;
  MNEXT();

U_StoreRel:
  PUT(At(base, u->x));
  MNEXT();
U_StoreRelK:
  PUTK(At(base, u->x));
  MNEXT();
U_StoreRelX:
  PUTX(At(base, u->x));
  MNEXT();
U_StoreRelH:
  SetInt(At(base, u->x), u->c, h + u->y);
  MNEXT();
U_StoreVar:
  PUT(At(st, u->x));
  MNEXT();
U_StoreVarK:
  PUTK(At(st, u->x));
  MNEXT();
U_StoreVarX:
  PUTX(At(st, u->x));
  MNEXT();
U_StoreVarH:
  SetInt(At(st, u->x), u->c, h + u->y);
  MNEXT();
U_StoreA:
  PUT(r.A);
  MNEXT();
U_StoreAK:
  PUTK(r.A);
  MNEXT();
U_StoreAX:
  PUTX(r.A);
  MNEXT();
U_StoreAH:
  SetInt(r.A, u->c, h + u->y);
  MNEXT();
U_StoreSpc:
  PUTX(MutableSlot(static_cast<std::int32_t>(static_cast<std::int64_t>(r.SPC) - u->x)));
  MNEXT();
U_StoreB:
  PUTX(r.B);
  MNEXT();
U_PushSpc:
  SetInt(At(base, u->x), u->c, r.SPC);
  if (u->a != kNone) t[u->a] = r.SPC;
  MNEXT();
U_IncVar: {
  TScriptValue& v = At(st, u->x);
  v.Int = Wrap(static_cast<std::int64_t>(v.Int) + u->y);
  v.Kind = kind::kInteger;
  if (u->a != kNone) t[u->a] = v.Int;
  MNEXT();
}
U_IncRel: {
  TScriptValue& v = At(base, u->x);
  v.Int = Wrap(static_cast<std::int64_t>(v.Int) + u->y);
  v.Kind = kind::kInteger;
  if (u->a != kNone) t[u->a] = v.Int;
  MNEXT();
}
U_IncSpc: {
  TScriptValue& v = MutableSlot(static_cast<std::int32_t>(static_cast<std::int64_t>(r.SPC) - u->x));
  v.Int = Wrap(static_cast<std::int64_t>(v.Int) + u->y);
  v.Kind = kind::kInteger;
  if (u->a != kNone) t[u->a] = v.Int;
  MNEXT();
}
U_SwapB:
  SwapValues(r.B, At(base, u->x));
  MNEXT();
U_SwapA:
  SwapValues(r.A, At(base, u->x));
  MNEXT();
U_SetSpc:
  r.SPC = u->a == kNone ? h + u->x : t[u->a];
  MNEXT();
U_SetFrp:
  r.FRP = t[u->a];
  MNEXT();
U_Call: {
  // Everything is read before the first write: a kind written may alias it.
  const std::int32_t at = h + u->x, frp = static_cast<std::int32_t>(r.FRP), spc = r.SPC, back = u->y;
  const std::uint8_t empty = u->c;
  if (u->a != kNone) t[u->a] = frp;
  if (u->b != kNone) t[u->b] = spc;
  savedPar_.push_back(r.PAR);
  r.PAR = at - 1;
  r.SPC = at + 2 + empty;
  TScriptValue* links = st + at;
  SetInt(links[0], kind::kLink, frp);
  SetInt(links[1], kind::kLink, spc);
  SetInt(links[2], kind::kLink, back);
  for (std::uint8_t k = 0; k < empty; ++k) SetInt(links[3 + k], kind::kEmpty, 0);
  MNEXT();
}
U_Link: {
  TScriptValue* slot = base + u->x;
  for (std::uint8_t k = 0; k < u->c; ++k) SetInt(slot[k], kind::kEmpty, 0);
  r.SPC = h + u->x + u->c - 1;
  MNEXT();
}
U_Ret: {
  const TScriptValue* links = base + u->x;
  r.FRP = links[0].Int;
  r.SPC = links[1].Int;
  if (u->a != kNone) t[u->a] = links[2].Int;
  if (!savedPar_.empty()) {
    r.PAR = savedPar_.back();
    savedPar_.pop_back();
  }
  MNEXT();
}
U_Line:
  r.CurrentLine = u->x;
  MNEXT();
U_CcrInt:
  r.CCR = IntFlags(t[u->a]);
  MNEXT();
U_CcrZero:
  r.CCR = t[u->a] == 0 ? kFlagZ : 0;
  MNEXT();
U_CcrSign: {
  const std::int32_t a = t[u->a], b = u->b == kNone ? u->x : t[u->b];
  r.CCR = a == b ? kFlagZ : (a < b ? kFlagN : 0);
  MNEXT();
}
U_CcrConst:
  r.CCR = static_cast<std::uint16_t>(u->x);
  MNEXT();
// A fork goes on at y when its condition holds, counting the way in the JCC
// (a fork whose condition is the JCC's turned round goes on at y when the
// JCC is passed).
#define FORK_IF(holds)                         \
  do {                                         \
    TDecoded& jcc = decoded[u->z];             \
    if (holds) {                               \
      ++jcc.way[kTaken ^ u->w];                \
      u = micro + u->y;                        \
      goto* u->label;                          \
    }                                          \
    ++jcc.way[kPassed ^ u->w];                 \
    MNEXT();                                   \
  } while (0)
#define FORK(flags) FORK_IF(Holds(u->c, (flags), r.FRP))
// The fused forms: taken when the result v is c.
#define FORKV(v) FORK_IF(static_cast<std::uint8_t>(v) == u->c)
U_ForkM:
  FORK(r.CCR);
U_ForkZ:
  FORK(t[u->a] == 0 ? kFlagZ : 0);
U_ForkI:
  FORK(IntFlags(t[u->a]));
U_ForkS: {
  const std::int32_t v = t[u->a], w = BQ_RIGHT_B;
  FORK(v == w ? kFlagZ : (v < w ? kFlagN : 0));
}
U_ForkEq:
  FORKV(t[u->a] == BQ_RIGHT_B);
U_ForkNe:
  FORKV(t[u->a] != BQ_RIGHT_B);
U_ForkGt:
  FORKV(t[u->a] > BQ_RIGHT_B);
U_ForkGe:
  FORKV(t[u->a] >= BQ_RIGHT_B);
U_ForkLt:
  FORKV(t[u->a] < BQ_RIGHT_B);
U_ForkLe:
  FORKV(t[u->a] <= BQ_RIGHT_B);
U_ForkAnd:
  FORKV(t[u->a] != 0 && BQ_RIGHT_B != 0);
#undef FORKV
#undef FORK
#undef FORK_IF
U_Branch:
  goto jump;
U_JumpZ: {
  const std::int32_t v = t[u->a];
  TScriptValue& a = r.A;
  a.Kind = kind::kInteger;
  a.Int = v;
  SetDigit(a.Str, v != 0);
  r.CCR = v == 0 ? kFlagZ : 0;
  goto jump;
}
U_JumpI: {
  const std::int32_t v = t[u->a];
  SetInt(r.A, kind::kInteger, v);
  r.CCR = IntFlags(v);
  goto jump;
}
U_JumpS: {
  const std::int32_t v = t[u->a], w = BQ_RIGHT_B;
  SetInt(r.A, kind::kInteger, v);
  r.CCR = v == w ? kFlagZ : (v < w ? kFlagN : 0);
  goto jump;
}
U_Goto:
  next = u->y;
  goto finish;
U_Again:
  // Round again without the entry's checks (STK is h and nothing they read
  // moved) while the whole group falls before the look at the pump.
  next = u->y;
  if (n + static_cast<std::uint64_t>(PathLength(u->w) + g->length) - 1 <= check && g->runs + 1 != kProfileRuns) {
    n += static_cast<std::uint64_t>(PathLength(u->w));
    ++g->runs;
    u = micro + g->first;
    goto* u->label;
  }
  goto finish;
U_Loop:
  // The next round, while it falls before the look at the pump.
  if (n + static_cast<std::uint64_t>(PathLength(u->w) + u->x) - 1 <= check) {
    n += static_cast<std::uint64_t>(PathLength(u->w));
    u = micro + u->y;
    goto* u->label;
  }
  u = micro + u->z;
  goto* u->label;
U_Return:
  next = t[u->a];
  if (next == u->y) {
    r.STK = h + PathDepth(u->w);
    n += static_cast<std::uint64_t>(PathLength(u->w)) - 1;
    return end(kGroupLeave, next);
  }
  goto finish;
U_ReturnI:
U_ReturnZ: {
  const TScriptValue* links = base + u->x;
  r.FRP = links[0].Int;
  r.SPC = links[1].Int;
  next = links[2].Int;
  if (!savedPar_.empty()) {
    r.PAR = savedPar_.back();
    savedPar_.pop_back();
  }
  const std::int32_t v = t[u->a];
  SetInt(r.A, kind::kInteger, v);
  r.CCR = u->op == Micro::ReturnI ? IntFlags(v) : (v == 0 ? kFlagZ : 0);
  if (next == u->y) {
    r.STK = h + PathDepth(u->w);
    n += static_cast<std::uint64_t>(PathLength(u->w)) - 1;
    return end(kGroupLeave, next);
  }
  goto finish;
}
U_TextVarA:
  Assign(r.A, At(st, u->x));
  r.CCR = FlagsOf(r.A);
  MNEXT();
U_TextPoolA:
  r.CCR = SetText(r.A, (*pool_)[u->x]);
  MNEXT();
U_TextAVar:
  Assign(At(st, u->x), r.A);
  if (u->c != 0) r.CCR = FlagsOf(r.A);
  MNEXT();
U_TextARel:
  Assign(At(base, u->x), r.A);
  MNEXT();
U_TextSubs:
  SubText(r.A, At(st, u->x).Str, r.B.Int, u->c != 0 ? r.A.Int : (u->a == kNone ? u->y : t[u->a]));
  r.CCR = r.A.Str.empty() ? kFlagZ : 0;
  MNEXT();
U_TextLen:
  t[u->a] = TextLength(r.A);
  MNEXT();
U_TextCmp: {
  const TScriptValue& left = At(base, u->x);
  if (left.Kind != kind::kString || r.A.Kind != kind::kString) MEXIT();
  t[u->a] = TextHolds(u->c, left.Str, r.A.Str) ? 1 : 0;
  MNEXT();
}
U_TextLenVar:
  t[u->a] = TextLength(At(st, u->x));
  MNEXT();
U_TextCmpPool: {
  const TScriptValue& left = At(base, u->x);
  if (left.Kind != kind::kString) MEXIT();
  t[u->a] = TextHolds(u->c, left.Str, (*pool_)[u->z]) ? 1 : 0;
  MNEXT();
}
U_Exit:
  r.STK = h + static_cast<std::int8_t>(u->c);
  n = n + static_cast<std::uint64_t>(static_cast<std::int64_t>(u->x)) - 1;
  if (++g->exits >= kRebuildAfter && g->exits > g->runs / 4) {
    TDecoded& start = decoded[g->address];
    start.op = g->builds < kMaxBuilds ? Handler::GroupNew : start.plain;
  }
  return end(kGroupPlain, u->y);
#undef PUTX
#undef PUTK
#undef PUT
#undef BQ_RIGHT_B
#undef BQ_RIGHT
#undef MEXIT
#undef MNEXT
}

}  // namespace bq::script
