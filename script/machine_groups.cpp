// The group builder: follows the instructions from an address the way the
// machine would run them, keeping what it knows of each value (a constant, a
// temporary or a place relative to STK, its kind, its text) instead of running
// them, and writes the micro-operations that leave the same state. Every rule
// here mirrors the plain handlers' integer paths (machine.cpp,
// machine_ops.cpp): where a value may take another path (a text, an empty
// value or a link in arithmetic) the group ends before that instruction, or
// checks at run time and leaves there.
#include <algorithm>
#include <array>
#include <bitset>
#include <optional>

#include "script/machine_groups.h"

namespace bq::script {

namespace {

constexpr int kMaxInstructions = 96;  // along one path
// More a path may run inside a call it made, to reach the call's return: a
// group that starts inside a function can only end at its RET.
constexpr int kCallSlack = 40;
constexpr int kMaxRegion = 240;       // along all paths of a group
constexpr int kMaxForks = 24;
constexpr int kMaxTemps = kLoopTemps;
constexpr int kMaxLink = 8;  // LNK operands a group takes on
constexpr std::uint64_t kSettledProfile = 256;  // JCC runs after which a rare way stays rare

// What the builder knows of a value.
struct Sym {
  std::uint8_t kind = kind::kInteger;  // 0 empty, 1 integer, 7 link
  std::uint8_t temp = kNone;           // the temporary holding Int, or:
  bool hrel = false;                   // Int is h + k; else the constant k
  std::int32_t k = 0;
  std::uint8_t str = kNone;  // kNone: empty text; else the digit ("1"/"0") of t[str]
  // A saved SPC: the value is h + spc (fromEntry: derived from the entry
  // SPC, which the group checks when it starts).
  bool isSpc = false;
  bool spcFromEntry = false;
  std::int32_t spc = 0;

  bool Const() const { return temp == kNone && !hrel; }
  static Sym Constant(std::int32_t n, std::uint8_t kind = kind::kInteger) {
    Sym s;
    s.kind = kind;
    s.k = n;
    return s;
  }
  static Sym Temp(std::uint8_t t, std::uint8_t str = kNone) {
    Sym s;
    s.temp = t;
    s.str = str;
    return s;
  }
};

struct Ccr {
  enum Kind : std::uint8_t { Memory, Const, Int, Zero, Sign } kind = Memory;
  Sym a, b;
  std::uint16_t k = 0;
};

// A register the group keeps track of: known as h + rel (fromEntry: that
// relation is the one found at entry, which the group checks), or only at
// run time.
struct Reg {
  bool known = true;
  bool fromEntry = true;
  std::int32_t rel = 0;
};

constexpr std::int32_t kRelSpan = 2 * kMaxDepth + 1;

struct State {
  std::int32_t depth = 0;  // STK - h
  std::optional<Sym> a;    // nullopt: A holds its value in memory
  Ccr ccr;
  Reg spc, par;
  std::array<std::optional<Sym>, kRelSpan> rel{};  // slot h+d at rel[d + kMaxDepth]
  std::vector<std::pair<std::int32_t, Sym>> vars;
  // Writes not made yet: the slot or variable holds the value the group
  // knows of it only once the group writes it, which it does where the
  // value could be seen (a guard's exit, the end of a path, an operation
  // that reads memory); a write made again before that replaces it.
  std::bitset<kRelSpan> unwrittenRel;
  std::vector<std::int32_t> unwrittenVars;
  std::vector<Reg> savedPar;  // PAR saved by the group's own calls, innermost last
  std::int32_t temps = 0;
  // Places holding in memory what a Text micro-operation put there (a text,
  // as far as the group knows): not read as integers, however they were
  // found when the group began.
  bool aMoved = false;
  std::bitset<kRelSpan> relMoved;
  std::vector<std::int32_t> varsMoved;
  // The path took a text operation: it ends where it comes back to the
  // group's start (values in memory gain nothing from a second round in
  // the same group, and each round more is built and kept for nothing).
  bool texts = false;

  // What the group knows of variable slot, or null.
  const Sym* Var(std::int32_t slot) const {
    for (const auto& [at, v] : vars)
      if (at == slot) return &v;
    return nullptr;
  }
  Sym* Var(std::int32_t slot) { return const_cast<Sym*>(std::as_const(*this).Var(slot)); }
};

enum class Outcome { Continue, Stop, End };

// Where a value is written, and the micro-operations that write it there: a
// temporary, a constant, the general form (a digit text, or where there is
// only one) and an h-relative constant.
enum class Place : std::uint8_t { Rel, Var, A, Spc, B };
struct StoreForms {
  Micro plain, constant, general, relative;
};
constexpr StoreForms kStoreForms[] = {
    {Micro::StoreRel, Micro::StoreRelK, Micro::StoreRelX, Micro::StoreRelH},
    {Micro::StoreVar, Micro::StoreVarK, Micro::StoreVarX, Micro::StoreVarH},
    {Micro::StoreA, Micro::StoreAK, Micro::StoreAX, Micro::StoreAH},
    {Micro::StoreSpc, Micro::StoreSpc, Micro::StoreSpc, Micro::StoreSpc},
    {Micro::StoreB, Micro::StoreB, Micro::StoreB, Micro::StoreB},
};

// The value loop temporary lt takes for the next round: a temporary, a
// constant or h + k.
using LoopBinds = std::array<std::optional<Sym>, kNone - kLoopTemps>;

// Calls read(field) for each field of m that names a temporary m reads
// (kNone where there is none); m may be const, read then only looks.
template <class M, class F>
void EachRead(M& m, F&& read) {
  switch (m.op) {
    case Micro::Add: case Micro::Sub: case Micro::Mul: case Micro::Div: case Micro::Mod:
    case Micro::And: case Micro::Or: case Micro::Xor: case Micro::Shl: case Micro::Shr:
    case Micro::Eq: case Micro::Ne: case Micro::Gt: case Micro::Ge: case Micro::Lt: case Micro::Le:
    case Micro::Neg: case Micro::Not:
      read(m.b);
      read(m.c);
      break;
    case Micro::StoreRel: case Micro::StoreVar: case Micro::StoreA:
    case Micro::StoreRelX: case Micro::StoreVarX: case Micro::StoreAX: case Micro::StoreSpc: case Micro::StoreB:
    case Micro::SetSpc: case Micro::SetFrp: case Micro::CcrInt: case Micro::CcrZero: case Micro::CcrSign:
    case Micro::Return: case Micro::JumpZ: case Micro::JumpI: case Micro::JumpS:
    case Micro::ReturnI: case Micro::ReturnZ:
    case Micro::ForkZ: case Micro::ForkI: case Micro::ForkS:
    case Micro::ForkEq: case Micro::ForkNe: case Micro::ForkGt: case Micro::ForkGe: case Micro::ForkLt:
    case Micro::ForkLe: case Micro::ForkAnd:
      read(m.a);
      read(m.b);
      break;
    case Micro::Move:
      read(m.b);
      break;
    case Micro::TextSubs:
      read(m.a);
      break;
    default: break;
  }
}

// The operations whose result in t[a] the loop may take in place of a move.
bool ComputesA(Micro op) {
  return (op >= Micro::Imm && op <= Micro::Not) || op == Micro::GuardVar || op == Micro::GuardRel ||
         op == Micro::GuardA || op == Micro::ReadRel;
}

class Builder {
 public:
  Builder(const TGroupContext& c, std::vector<TMicro>& out) : c_(c), out_(out) {}
  bool Build(std::int32_t address, TGroup& group);

 private:
  const TScriptValue* SlotNow(std::int64_t index) const {
    return index >= 0 && index < c_.stackSize ? &c_.stack[index] : nullptr;
  }
  static bool IsPlainInteger(const TScriptValue* v) { return v && v->Kind == kind::kInteger && v->Str.empty(); }

  std::uint8_t NewTemp() { return static_cast<std::uint8_t>(s_.temps++); }
  std::int32_t Emit(Micro op, std::uint8_t a = kNone, std::uint8_t b = kNone, std::uint8_t c = 0, std::int32_t x = 0,
                    std::int32_t y = 0) {
    body_.push_back(TMicro{op, a, b, c, x, y});
    return static_cast<std::int32_t>(body_.size() - 1);
  }
  std::uint8_t TempOf(const Sym& v) {
    if (v.temp != kNone) return v.temp;
    std::uint8_t t = NewTemp();
    Emit(v.hrel ? Micro::ImmH : Micro::Imm, t, kNone, 0, v.k);
    return t;
  }
  void Touch(std::int32_t d) {
    lowest_ = std::min(lowest_, d);
    highest_ = std::max(highest_, d + 1);
  }
  std::optional<Sym>& Rel(std::int32_t d) { return s_.rel[static_cast<std::size_t>(d + kMaxDepth)]; }
  static bool DepthOk(std::int64_t d) { return d > -kMaxDepth && d < kMaxDepth; }

  // The exit stub of the current instruction: what the instructions before
  // it left in A and CCR, and STK; then the plain handlers go on there.
  std::int32_t ExitStub();
  void Guard(Micro op, std::uint8_t t, std::int32_t x, std::uint8_t c = 0, std::int32_t y = 0) {
    std::int32_t at = Emit(op, t, kNone, c, x, y);
    guards_.push_back({at, ExitStub()});
  }

  // Values, read with a guard where the group does not know them yet.
  std::optional<Sym> ValueOfA();
  std::optional<Sym> ValueOfVar(std::int32_t slot);
  std::optional<Sym> ValueOfRel(std::int32_t d);
  std::optional<Sym> ValueOfSpcSlot(std::int32_t x, bool intOnly);
  std::optional<Sym> ValueOfParam(std::int32_t n);
  std::optional<Sym> Source(std::uint8_t mode, std::int32_t operand);
  Sym SpcLink(std::int32_t d, std::uint8_t kind);

  // Writes a value in the form its knowledge allows.
  void Write(std::vector<TMicro>& to, Place place, std::int32_t x, Sym v);
  void WriteRel(std::int32_t d, const Sym& v) {
    Touch(d);
    Known(d, v);
    // An h-relative value with a text needs a temporary first, which an
    // exit stub cannot make: written now.
    if (v.hrel && v.str != kNone) {
      Write(body_, Place::Rel, d, v);
    } else {
      s_.unwrittenRel.set(static_cast<std::size_t>(d + kMaxDepth));
    }
  }
  // Slot d holds v in memory (an operation wrote it, or it was read).
  void Known(std::int32_t d, const Sym& v) {
    Rel(d) = v;
    s_.unwrittenRel.reset(static_cast<std::size_t>(d + kMaxDepth));
  }
  void WriteVar(std::int32_t slot, const Sym& v);
  bool WriteSpcSlot(std::int32_t x, const Sym& v);
  // The unwritten writes of s, into `to`.
  void WriteUnwritten(std::vector<TMicro>& to, const State& s);
  // Makes the unwritten writes now: of slot d, of variable slot, of all.
  void WriteNow(std::int32_t d);
  void WriteVarNow(std::int32_t slot);
  void WriteAllNow() {
    WriteUnwritten(body_, s_);
    s_.unwrittenRel.reset();
    s_.unwrittenVars.clear();
  }
  void Forget() {
    WriteAllNow();
    for (auto& r : s_.rel) r.reset();
    s_.vars.clear();
  }
  void SetSpc(const Reg& r, const Sym* from);
  bool UseSpc() {
    if (s_.spc.known && s_.spc.fromEntry) usesSpc_ = true;
    return s_.spc.known;
  }

  Sym Alu(Micro op, const Sym& l, const Sym& r);
  static std::int32_t Fold(Micro op, std::int32_t l, std::int32_t r);
  void CcrFrom(Ccr::Kind kind, const Sym& a, const Sym& b = Sym());
  void Materialize(std::vector<TMicro>& to, const State& s);

  Outcome Translate(std::int32_t at, const TInstruction& ins, std::int32_t& next);
  Outcome Arithmetic(const TInstruction& ins);
  void Offsets();
  Outcome Call(std::int32_t at, const TInstruction& ins, std::int32_t& next);
  Outcome Return(std::int32_t at, std::int32_t& next);
  Outcome Pop(const TInstruction& ins);
  Outcome IncDec(const TInstruction& ins);
  // Texts, where they are (the Text micro-operations).
  Outcome LoadText(std::int32_t at, const TInstruction& ins, std::int32_t& next);
  Outcome StoreText(std::int32_t at, const TInstruction& ins, std::int32_t& next);
  Outcome PushText();
  void TextIntoSlot(std::int32_t d);
  bool TextsLikely(std::int32_t d) const;
  bool SlotTextLikely(std::int32_t d) const;
  Outcome CompareTexts(std::uint8_t cond);
  void ComparedTexts(std::uint8_t t);
  Outcome TakeAlong(std::int32_t at, std::int32_t& next);
  // The instruction after at, when a group may take it along with at.
  const TInstruction* Following(std::int32_t at) const {
    return at + 1 < c_.count - 1 && ran_ + 1 < kMaxInstructions ? &c_.code[at + 1] : nullptr;
  }
  Outcome TextOperation(const TInstruction& ins);
  bool VarMoved(std::int32_t slot) const {
    return std::find(s_.varsMoved.begin(), s_.varsMoved.end(), slot) != s_.varsMoved.end();
  }
  void Finish();
  void EndBranch(std::int32_t at, std::uint8_t cond, std::int32_t target);
  Outcome Jump(std::int32_t at, std::uint8_t cond, std::int32_t target, std::int32_t& next);
  void FuseFork(TMicro& fork) const;
  static bool Invert(TMicro& fork);
  void Rebind(std::uint8_t from, std::uint8_t to);
  void Path(std::int32_t at);
  void EndPath(std::int32_t at);
  // The group's loop.
  bool LoopBack();
  bool StartLoop();
  // An integer the round knows and the path does not, read when the path
  // comes back (into the temporaries the path takes next, in this order); a
  // slot the round knows as h + k is checked to hold that integer.
  struct LoopRead {
    Place place;
    std::int32_t x;
    std::optional<std::int32_t> hrel;
  };
  bool MatchRound(LoopBinds& binds, std::vector<LoopRead>& reads) const;
  void SetLoopTemps(LoopBinds& binds);
  void BuildRound();
  bool ComputeInPlace(const LoopBinds& binds, std::uint8_t lt, std::uint8_t t);
  void Optimize();

  const TGroupContext& c_;
  std::vector<TMicro>& out_;
  State s_;
  std::vector<TMicro> body_;
  std::vector<TMicro> stubs_;
  struct GuardFix {
    std::int32_t at, stub;
  };
  std::vector<GuardFix> guards_;
  std::int32_t stubOfInstruction_ = -1;
  State before_;  // the state before the current instruction
  std::int32_t address_ = 0;
  std::int32_t start_ = 0;  // where the group starts
  std::int32_t ran_ = 0;      // instructions along the current path
  std::int32_t longest_ = 0;  // the longest path's
  std::int32_t total_ = 0;    // instructions along all paths
  std::int32_t forks_ = 0;
  std::int32_t budget_ = kMaxRegion;  // total_ the current path may reach
  bool unprofiled_ = false;           // met a JCC no group had seen
  std::vector<std::int32_t> forkAt_;  // the Fork micro-operations, for their targets
  bool usesSpc_ = false, usesPar_ = false, hasBreak_ = false;
  std::int32_t calls_ = 0;
  std::int32_t lowest_ = 0, highest_ = 0;  // slots touched, relative to h
  // What a round of the loop knows where it begins (its values in loop
  // temporaries), its first micro-operation, its longest path and the Loop
  // terminators that lead to it.
  std::optional<State> loop_;
  bool noLoop_ = false;
  std::int32_t loopBody_ = 0;
  std::int32_t loopLongest_ = 0;
  std::vector<std::int32_t> loopAt_;
  std::int32_t pathStart_ = 0;  // the current path's first micro-operation after its last fork
  // A loop temporary every path back sets to the same constant (or leaves
  // as it is) keeps it: the rounds need not set it again.
  struct LoopConstant {
    std::optional<Sym> value;
    bool varies = false;
    std::vector<std::int32_t> inRound;  // where the rounds set it
  };
  std::array<LoopConstant, kNone - kLoopTemps> loopConstants_;
  bool inRound_ = false;
  std::vector<bool> unneeded_;  // micro-operations Optimize drops
};

bool SameValue(const Sym& a, const Sym& b) {
  return a.temp == b.temp && a.hrel == b.hrel && (a.temp != kNone || a.k == b.k);
}

// Whether `have` can stand for `want` (a value as a round begins with it),
// binding want's loop temporaries to have's values.
bool Bind(const Sym& want, const Sym& have, LoopBinds& binds) {
  if (want.kind != have.kind || want.isSpc != have.isSpc ||
      (want.isSpc && (want.spc != have.spc || want.spcFromEntry != have.spcFromEntry)))
    return false;
  auto bind = [&](std::uint8_t lt, const Sym& value) {
    std::optional<Sym>& b = binds[static_cast<std::size_t>(lt - kLoopTemps)];
    if (!b) b = value;
    return SameValue(*b, value);
  };
  if (want.temp == kNone) {
    if (have.temp != kNone || have.hrel != want.hrel || have.k != want.k) return false;
  } else {
    Sym value = have.temp != kNone ? Sym::Temp(have.temp) : Sym::Constant(have.k);
    value.hrel = have.temp == kNone && have.hrel;
    if (!bind(want.temp, value)) return false;
  }
  if (want.str == kNone || have.str == kNone) return want.str == have.str;
  return bind(want.str, Sym::Temp(have.str));
}

void Builder::Write(std::vector<TMicro>& to, Place place, std::int32_t x, Sym v) {
  const auto [plain, constant, general, relative] = kStoreForms[static_cast<int>(place)];
  if (v.hrel && v.str == kNone && relative != general) {
    to.push_back(TMicro{relative, kNone, kNone, v.kind, x, v.k});
    return;
  }
  if (v.hrel) {
    v.temp = TempOf(v);
    v.hrel = false;
  }
  if (v.str != kNone || general == plain) {
    to.push_back(TMicro{general, v.temp, v.str, v.kind, x, v.k});
  } else if (v.Const()) {
    to.push_back(TMicro{constant, kNone, kNone, v.kind, x, v.k});
  } else {
    to.push_back(TMicro{plain, v.temp, kNone, v.kind, x, 0});
  }
}

void Builder::WriteUnwritten(std::vector<TMicro>& to, const State& s) {
  for (std::int32_t d = -kMaxDepth; d <= kMaxDepth; ++d) {
    if (s.unwrittenRel.test(static_cast<std::size_t>(d + kMaxDepth)))
      Write(to, Place::Rel, d, *s.rel[static_cast<std::size_t>(d + kMaxDepth)]);
  }
  for (std::int32_t slot : s.unwrittenVars)
    if (const Sym* v = s.Var(slot)) Write(to, Place::Var, slot, *v);
}

void Builder::WriteNow(std::int32_t d) {
  if (!DepthOk(d) || !s_.unwrittenRel.test(static_cast<std::size_t>(d + kMaxDepth))) return;
  Write(body_, Place::Rel, d, *Rel(d));
  s_.unwrittenRel.reset(static_cast<std::size_t>(d + kMaxDepth));
}

void Builder::WriteVarNow(std::int32_t slot) {
  auto at = std::find(s_.unwrittenVars.begin(), s_.unwrittenVars.end(), slot);
  if (at == s_.unwrittenVars.end()) return;
  s_.unwrittenVars.erase(at);
  if (const Sym* v = s_.Var(slot)) Write(body_, Place::Var, slot, *v);
}

// CCR as the group knows it, into the register.
static void WriteCcr(std::vector<TMicro>& to, const Ccr& cc) {
  switch (cc.kind) {
    case Ccr::Memory: break;
    case Ccr::Const: to.push_back(TMicro{Micro::CcrConst, kNone, kNone, 0, cc.k, 0}); break;
    case Ccr::Int: to.push_back(TMicro{Micro::CcrInt, cc.a.temp, kNone, 0, 0, 0}); break;
    case Ccr::Zero: to.push_back(TMicro{Micro::CcrZero, cc.a.temp, kNone, 0, 0, 0}); break;
    case Ccr::Sign:
      to.push_back(TMicro{Micro::CcrSign, cc.a.temp, cc.b.Const() ? kNone : cc.b.temp, 0, cc.b.k, 0});
      break;
  }
}

void Builder::Materialize(std::vector<TMicro>& to, const State& s) {
  WriteUnwritten(to, s);
  if (s.a) Write(to, Place::A, 0, *s.a);
  WriteCcr(to, s.ccr);
}

std::int32_t Builder::ExitStub() {
  if (stubOfInstruction_ >= 0) return stubOfInstruction_;
  std::int32_t start = static_cast<std::int32_t>(stubs_.size());
  // The values the stub needs are in temporaries already (CcrFrom and the
  // A of before_ hold no h-relative values that need new ones, see Alu).
  Materialize(stubs_, before_);
  stubs_.push_back(TMicro{Micro::Exit, kNone, kNone, static_cast<std::uint8_t>(static_cast<std::int8_t>(before_.depth)),
                          ran_, address_});
  stubOfInstruction_ = start;
  return start;
}

std::optional<Sym> Builder::ValueOfA() {
  if (s_.a) return s_.a;
  if (s_.aMoved || !IsPlainInteger(c_.a)) return std::nullopt;
  std::uint8_t t = NewTemp();
  Guard(Micro::GuardA, t, 0);
  s_.a = Sym::Temp(t);
  return s_.a;
}

std::optional<Sym> Builder::ValueOfVar(std::int32_t slot) {
  if (slot < 0 || slot >= c_.variables) return std::nullopt;
  if (const Sym* v = s_.Var(slot)) return *v;
  if (VarMoved(slot) || !IsPlainInteger(SlotNow(slot))) return std::nullopt;
  std::uint8_t t = NewTemp();
  Guard(Micro::GuardVar, t, slot);
  Sym v = Sym::Temp(t);
  s_.vars.emplace_back(slot, v);
  return v;
}

std::optional<Sym> Builder::ValueOfRel(std::int32_t d) {
  if (!DepthOk(d)) return std::nullopt;
  if (Rel(d)) return Rel(d);
  if (s_.relMoved.test(static_cast<std::size_t>(d + kMaxDepth)) ||
      !IsPlainInteger(SlotNow(static_cast<std::int64_t>(c_.stk) + d))) {
    return std::nullopt;
  }
  Touch(d);
  std::uint8_t t = NewTemp();
  Guard(Micro::GuardRel, t, d);
  Known(d, Sym::Temp(t));
  return Rel(d);
}

// Slot SPC - x: by its place relative to h when SPC is known, else read at
// run time. intOnly: the value is only compared, so kind 1 suffices and its
// text is neither known nor remembered.
std::optional<Sym> Builder::ValueOfSpcSlot(std::int32_t x, bool intOnly) {
  const std::uint8_t weak = intOnly ? 1 : 0;
  if (UseSpc()) {
    const std::int64_t d = static_cast<std::int64_t>(s_.spc.rel) - x;
    if (!DepthOk(d)) return std::nullopt;
    const std::int32_t dd = static_cast<std::int32_t>(d);
    if (Rel(dd)) return Rel(dd);
    if (s_.relMoved.test(static_cast<std::size_t>(dd + kMaxDepth))) return std::nullopt;
    const TScriptValue* now = SlotNow(static_cast<std::int64_t>(c_.stk) + dd);
    if (intOnly ? !(now && now->Kind == kind::kInteger) : !IsPlainInteger(now)) return std::nullopt;
    Touch(dd);
    std::uint8_t t = NewTemp();
    Guard(Micro::GuardRel, t, dd, weak);
    Sym v = Sym::Temp(t);
    if (!intOnly) Known(dd, v);
    return v;
  }
  WriteAllNow();  // it reads memory wherever SPC points
  std::uint8_t t = NewTemp();
  Guard(Micro::GuardSpc, t, x, weak);
  return Sym::Temp(t);
}

// Argument n of the current call (-1: the argument count), as the
// parameter mode reads it: the empty value beyond the count. By place once
// the count is known (pushed by the group, or checked against what it is
// now), else read at run time.
std::optional<Sym> Builder::ValueOfParam(std::int32_t n) {
  if (s_.par.known && DepthOk(s_.par.rel)) {
    const std::int32_t p = s_.par.rel;
    if (!Rel(p) && s_.par.fromEntry) {
      const TScriptValue* now = SlotNow(static_cast<std::int64_t>(c_.stk) + p);
      if (IsPlainInteger(now) && now->Int >= 0 && now->Int < kMaxDepth) {
        Touch(p);
        Guard(Micro::GuardRelEq, kNone, p, static_cast<std::uint8_t>(now->Int));
        Known(p, Sym::Constant(now->Int));
      }
    }
    const std::optional<Sym> count = Rel(p);
    if (count && count->Const() && count->kind == kind::kInteger) {
      if (s_.par.fromEntry) usesPar_ = true;
      if (n == -1) return count;
      if (n < 0 || n >= count->k) return Sym::Constant(0, kind::kEmpty);
      return ValueOfRel(p - count->k + n);
    }
  }
  WriteAllNow();  // it reads memory wherever PAR points
  std::uint8_t t = NewTemp();
  Guard(Micro::GuardPar, t, n);
  return Sym::Temp(t);
}

// The value of SPC as a slot stores it (PUSH mode 5, the link CALL saves),
// written at d: known as h + rel, else read when the group runs.
Sym Builder::SpcLink(std::int32_t d, std::uint8_t kind) {
  Touch(d);
  Sym v;
  v.kind = kind;
  if (UseSpc()) {
    v.hrel = true;
    v.k = s_.spc.rel;
    v.isSpc = true;
    v.spcFromEntry = s_.spc.fromEntry;
    v.spc = s_.spc.rel;
    WriteRel(d, v);
    return v;
  }
  v.temp = NewTemp();
  Emit(Micro::PushSpc, v.temp, kNone, kind, d);
  Known(d, v);
  return v;
}

// The operand of LDA and PUSH in the modes a group takes.
std::optional<Sym> Builder::Source(std::uint8_t mode, std::int32_t operand) {
  switch (mode) {
    case mode::kImmediate: return Sym::Constant(operand);
    case mode::kVariable: return ValueOfVar(operand);
    case mode::kParameter: return ValueOfParam(operand);
    case mode::kSlot: return ValueOfSpcSlot(operand, false);
    default: return std::nullopt;
  }
}

void Builder::WriteVar(std::int32_t slot, const Sym& v) {
  const bool now = v.hrel && v.str != kNone;  // see WriteRel
  if (now) Write(body_, Place::Var, slot, v);
  auto unwritten = std::find(s_.unwrittenVars.begin(), s_.unwrittenVars.end(), slot);
  if (now && unwritten != s_.unwrittenVars.end()) s_.unwrittenVars.erase(unwritten);
  if (!now && unwritten == s_.unwrittenVars.end()) s_.unwrittenVars.push_back(slot);
  if (Sym* known = s_.Var(slot)) {
    *known = v;
    return;
  }
  s_.vars.emplace_back(slot, v);
}

// STA mode 5: by place when SPC is known, else at run time (and then the
// group can no longer trust what it knows of any slot).
bool Builder::WriteSpcSlot(std::int32_t x, const Sym& v) {
  if (UseSpc()) {
    const std::int64_t d = static_cast<std::int64_t>(s_.spc.rel) - x;
    if (!DepthOk(d)) return false;
    WriteRel(static_cast<std::int32_t>(d), v);
    return true;
  }
  WriteAllNow();
  Write(body_, Place::Spc, x, v);
  Forget();
  return true;
}

// SPC := r; from is the value it came from (a temporary when r is unknown).
void Builder::SetSpc(const Reg& r, const Sym* from) {
  const Reg was = s_.spc;
  s_.spc = r;
  if (r.known && was.known && was.rel == r.rel) {
    // SPC stands there already (checked at entry, or set by the group).
    if (was.fromEntry) usesSpc_ = true;
    return;
  }
  if (r.known) {
    if (r.fromEntry) usesSpc_ = true;
    Emit(Micro::SetSpc, kNone, kNone, 0, r.rel);
  } else {
    Emit(Micro::SetSpc, TempOf(*from));
  }
}

std::int32_t Builder::Fold(Micro op, std::int32_t l, std::int32_t r) {
  const std::int64_t a = l, b = r;
  switch (op) {
    case Micro::Add: return Wrap(a + b);
    case Micro::Sub: return Wrap(a - b);
    case Micro::Mul: return Wrap(a * b);
    case Micro::Div: return b == 0 ? 0 : Wrap(a / b);
    case Micro::Mod: return b == 0 ? 0 : Wrap(a % b);
    case Micro::And: return (l != 0 && r != 0) ? 1 : 0;
    case Micro::Or: return (l != 0 || r != 0) ? 1 : 0;
    case Micro::Xor: return ((l != 0) != (r != 0)) ? 1 : 0;
    case Micro::Shl: return static_cast<std::int32_t>(static_cast<std::uint32_t>(l) << (static_cast<unsigned>(r) & 31u));
    case Micro::Shr: return static_cast<std::int32_t>(static_cast<std::uint32_t>(l) >> (static_cast<unsigned>(r) & 31u));
    case Micro::Eq: return l == r;
    case Micro::Ne: return l != r;
    case Micro::Gt: return l > r;
    case Micro::Ge: return l >= r;
    case Micro::Lt: return l < r;
    case Micro::Le: return l <= r;
    default: return 0;
  }
}

// t := l op r; constants fold, a constant right operand goes in x.
Sym Builder::Alu(Micro op, const Sym& l, const Sym& r) {
  if (l.Const() && r.Const()) return Sym::Constant(Fold(op, l.k, r.k));
  const std::uint8_t left = TempOf(l);
  const std::uint8_t right = r.Const() ? kNone : TempOf(r);
  const std::uint8_t t = NewTemp();
  Emit(op, t, left, right, r.k);
  return Sym::Temp(t);
}

// CCR by a rule on values; the values are put in temporaries now, so that
// an exit stub can compute it without new ones.
void Builder::CcrFrom(Ccr::Kind kind, const Sym& a, const Sym& b) {
  Ccr& cc = s_.ccr;
  if (kind == Ccr::Int && a.Const()) {
    cc = Ccr{Ccr::Const, {}, {}, IntFlags(a.k)};
  } else if (kind == Ccr::Zero && a.Const()) {
    cc = Ccr{Ccr::Const, {}, {}, static_cast<std::uint16_t>(a.k == 0 ? kFlagZ : 0)};
  } else if (kind == Ccr::Sign && a.Const() && b.Const()) {
    cc = Ccr{Ccr::Const, {}, {}, static_cast<std::uint16_t>(a.k == b.k ? kFlagZ : (a.k < b.k ? kFlagN : 0))};
  } else {
    Sym left = Sym::Temp(TempOf(a));
    Sym right = b;
    if (kind == Ccr::Sign && !b.Const()) right = Sym::Temp(TempOf(b));
    cc = Ccr{kind, left, right, 0};
  }
}

void Builder::Finish() { Materialize(body_, s_); }

// A plain integer in a temporary, as A holds it: its own digit as its text
// (digit), or an empty text.
static bool IsTempA(const std::optional<Sym>& a, bool digit) {
  return a && a->kind == kind::kInteger && !a->Const() && !a->hrel &&
         (digit ? a->str == a->temp : a->str == kNone);
}

// JCC: the group ends, going on at target or after the JCC. The usual
// endings (a comparison, a loaded integer, a FOR test) leave A and CCR
// and jump in one step.
void Builder::EndBranch(std::int32_t at, std::uint8_t cond, std::int32_t target) {
  WriteAllNow();
  const Ccr& cc = s_.ccr;
  const std::optional<Sym>& a = s_.a;
  TMicro m{Micro::Branch, kNone, kNone, cond, 0, target, at + 1, PathEnd(ran_ + 1, s_.depth)};
  if (IsTempA(a, true) && cc.kind == Ccr::Zero && cc.a.temp == a->temp) {
    m.op = Micro::JumpZ;
    m.a = a->temp;
  } else if (IsTempA(a, false) && cc.kind == Ccr::Int && cc.a.temp == a->temp) {
    m.op = Micro::JumpI;
    m.a = a->temp;
  } else if (IsTempA(a, false) && cc.kind == Ccr::Sign && cc.a.temp == a->temp) {
    m.op = Micro::JumpS;
    m.a = a->temp;
    m.b = cc.b.Const() ? kNone : cc.b.temp;
    m.x = cc.b.k;
  } else {
    Finish();
  }
  body_.push_back(m);
}

// Two-operand operations on integers, as the plain handlers do them. The
// left operand is popped: the comparisons and the quick ADD and SUB path
// (left text empty) leave its slot alone; otherwise the general path
// exchanges A and the slot, so the slot gets the right operand and A keeps
// the left operand's text. Comparisons and AND, OR, XOR give 1 or 0 with
// that digit as the text.
Outcome Builder::Arithmetic(const TInstruction& ins) {
  const OpCode op = ins.Op;
  Micro m;
  switch (op) {
    case OpCode::ADD: m = Micro::Add; break;
    case OpCode::SUB: m = Micro::Sub; break;
    case OpCode::MUL: m = Micro::Mul; break;
    case OpCode::DIV: m = Micro::Div; break;
    case OpCode::MOD: m = Micro::Mod; break;
    case OpCode::AND: m = Micro::And; break;
    case OpCode::OR: m = Micro::Or; break;
    case OpCode::XOR: m = Micro::Xor; break;
    case OpCode::CMP: {
      static constexpr Micro kRel[] = {Micro::Eq, Micro::Ne, Micro::Gt, Micro::Ge, Micro::Lt, Micro::Le};
      if (ins.Mode >= 6) return Outcome::Stop;
      m = kRel[ins.Mode];
      break;
    }
    default: return Outcome::Stop;
  }
  const bool immediate =
      ins.Mode == mode::kImmediate && (op == OpCode::MUL || op == OpCode::DIV || op == OpCode::MOD);
  if (op != OpCode::CMP && !immediate && ins.Mode != mode::kNone) return Outcome::Stop;
  if (op == OpCode::CMP && !s_.a && TextsLikely(s_.depth - 1)) return CompareTexts(ins.Mode);
  std::optional<Sym> right = ValueOfA();
  if (!right || right->kind != kind::kInteger) return Outcome::Stop;
  if (immediate) {
    Sym res = Alu(m, *right, Sym::Constant(ins.Operand));
    res.str = right->str;  // A's text stays as it was
    s_.a = res;
    CcrFrom(Ccr::Zero, res);
    return Outcome::Continue;
  }
  const std::int32_t d = s_.depth - 1;
  std::optional<Sym> left = ValueOfRel(d);
  if (!left || left->kind != kind::kInteger) return Outcome::Stop;
  Touch(d);
  Sym res = Alu(m, *left, *right);
  const bool logical = op == OpCode::CMP || op == OpCode::AND || op == OpCode::OR || op == OpCode::XOR;
  const bool quick = (op == OpCode::ADD || op == OpCode::SUB) && left->str == kNone;
  if (logical) {
    res = Sym::Temp(TempOf(res));  // the digit is read from a temporary
    res.str = res.temp;
  } else if (quick) {
    res.str = kNone;
  } else {
    res.str = left->str;
    WriteRel(d, *right);
  }
  s_.depth = d;
  s_.a = res;
  if (op == OpCode::SUB) {
    CcrFrom(Ccr::Sign, *left, *right);
  } else {
    CcrFrom(Ccr::Zero, res);
  }
  return Outcome::Continue;
}

// CALL: PAR := STK-1; push FRP, SPC (links); SPC := STK; push the return
// address; go on at the entry.
Outcome Builder::Call(std::int32_t at, const TInstruction& ins, std::int32_t& next) {
  if (ins.Mode != mode::kNone || ins.Operand == at || !DepthOk(s_.depth + 3)) return Outcome::Stop;
  const std::int32_t d = s_.depth;
  s_.savedPar.push_back(s_.par);
  s_.par = Reg{true, false, d - 1};
  Touch(d);
  Touch(d + 2);
  Sym frp = Sym::Temp(NewTemp());
  frp.kind = kind::kLink;
  Known(d, frp);
  Sym spc;
  spc.kind = kind::kLink;
  if (UseSpc()) {
    spc.hrel = true;
    spc.k = s_.spc.rel;
    spc.isSpc = true;
    spc.spcFromEntry = s_.spc.fromEntry;
    spc.spc = s_.spc.rel;
  } else {
    spc.temp = NewTemp();
  }
  Known(d + 1, spc);
  Known(d + 2, Sym::Constant(at + 1, kind::kLink));
  Emit(Micro::Call, frp.temp, spc.hrel ? kNone : spc.temp, 0, d, at + 1);
  ++calls_;
  s_.spc = Reg{true, false, d + 2};
  s_.depth = d + 3;
  next = ins.Operand;
  return Outcome::Continue;
}

// RET: PC, SPC and FRP from the stack (their Int, whatever the kind), PAR
// as the matching CALL left it.
Outcome Builder::Return(std::int32_t at, std::int32_t& next) {
  const std::int32_t d = s_.depth - 3;
  if (!DepthOk(d)) return Outcome::Stop;
  Touch(d);
  const std::optional<Sym> ret = Rel(d + 2);
  const std::optional<Sym> spc = Rel(d + 1);
  const bool knownReturn = ret && ret->Const();
  // A RET that ends the group with A a plain integer and CCR from it is one
  // step; otherwise the links are read first.
  Micro fused = Micro::Ret;
  if (!knownReturn && IsTempA(s_.a, false) && s_.ccr.a.temp == s_.a->temp) {
    if (s_.ccr.kind == Ccr::Int) fused = Micro::ReturnI;
    if (s_.ccr.kind == Ccr::Zero) fused = Micro::ReturnZ;
  }
  const std::uint8_t t = knownReturn || fused != Micro::Ret ? kNone : NewTemp();
  for (std::int32_t k = 0; k < 3; ++k) WriteNow(d + k);  // the links are read from memory
  if (fused != Micro::Ret) WriteAllNow();                 // and the group ends there
  if (fused == Micro::Ret) Emit(Micro::Ret, t, kNone, 0, d);
  s_.depth = d;
  if (spc && spc->isSpc) {
    s_.spc = Reg{true, spc->spcFromEntry, spc->spc};
    if (spc->spcFromEntry) usesSpc_ = true;
  } else {
    s_.spc.known = false;
  }
  for (std::int32_t k = 0; k < 3; ++k) Rel(d + k).reset();
  if (!s_.savedPar.empty()) {
    s_.par = s_.savedPar.back();
    s_.savedPar.pop_back();
  } else {
    s_.par.known = false;
  }
  if (knownReturn) {
    next = ret->k;
    return Outcome::Continue;
  }
  if (fused != Micro::Ret) {
    body_.push_back(TMicro{fused, s_.a->temp, kNone, 0, d, at, 0, PathEnd(ran_ + 1, s_.depth)});
    return Outcome::End;
  }
  Finish();
  body_.push_back(TMicro{Micro::Return, t, kNone, 0, 0, at, 0, PathEnd(ran_ + 1, s_.depth)});
  return Outcome::End;
}

// POP into SPC or FRP (the Int), B or A (exchanging with the slot).
Outcome Builder::Pop(const TInstruction& ins) {
  const std::uint8_t m = ins.Mode;
  const std::int32_t d = s_.depth - 1;
  if (!DepthOk(d)) return Outcome::Stop;
  Touch(d);
  if (m == mode::kSlot || m == mode::kFrp) {
    Sym v;
    const TScriptValue* now = SlotNow(static_cast<std::int64_t>(c_.stk) + d);
    const std::int64_t saved = now ? static_cast<std::int64_t>(now->Int) - c_.stk : kMaxDepth;
    if (Rel(d)) {
      v = *Rel(d);
    } else if (m == mode::kSlot && DepthOk(saved)) {
      // An SPC saved before the group began: checked to stand where it
      // stands now relative to STK, so the slots it names stay known.
      Guard(Micro::GuardRelH, kNone, d);
      body_[static_cast<std::size_t>(guards_.back().at)].z = static_cast<std::int32_t>(saved);
      v.hrel = true;
      v.k = static_cast<std::int32_t>(saved);
      v.isSpc = true;
      v.spc = v.k;
    } else {
      v = Sym::Temp(NewTemp());
      Emit(Micro::ReadRel, v.temp, kNone, 0, d);
    }
    s_.depth = d;
    if (m == mode::kFrp) {
      Emit(Micro::SetFrp, TempOf(v));
    } else {
      SetSpc(Reg{v.isSpc, v.spcFromEntry, v.spc}, &v);
    }
    return Outcome::Continue;
  }
  if (m == mode::kRegB) {
    WriteNow(d);
    Emit(Micro::SwapB, kNone, kNone, 0, d);
    Rel(d).reset();  // it holds B's old value now
    s_.depth = d;
    return Outcome::Continue;
  }
  std::optional<Sym> v;
  if (s_.a) v = Rel(d) ? Rel(d) : ValueOfRel(d);
  if (!v) {
    // A or the slot is not a plain integer: exchange them in memory.
    if (s_.a) Write(body_, Place::A, 0, *s_.a);
    WriteNow(d);
    Emit(Micro::SwapA, kNone, kNone, 0, d);
    s_.a.reset();
    Rel(d).reset();
    s_.depth = d;
    return Outcome::Continue;
  }
  WriteRel(d, *s_.a);
  s_.a = v;
  s_.depth = d;
  return Outcome::Continue;
}

// INC and DEC: Int += 1 and kind 1, the text left as it was (known only
// when the value was).
Outcome Builder::IncDec(const TInstruction& ins) {
  const std::int32_t delta = ins.Op == OpCode::INC ? 1 : -1;
  if (ins.Mode == mode::kVariable) {
    if (ins.Operand < 0 || ins.Operand >= c_.variables) return Outcome::Stop;
    WriteVarNow(ins.Operand);
    const std::uint8_t t = NewTemp();
    Emit(Micro::IncVar, t, kNone, 0, ins.Operand, delta);
    auto known = std::find_if(s_.vars.begin(), s_.vars.end(), [&](const auto& e) { return e.first == ins.Operand; });
    if (known != s_.vars.end()) known->second = Sym::Temp(t, known->second.str);
    return Outcome::Continue;
  }
  if (ins.Mode != mode::kSlot) return Outcome::Stop;
  if (UseSpc()) {
    const std::int64_t d = static_cast<std::int64_t>(s_.spc.rel) - ins.Operand;
    if (!DepthOk(d)) return Outcome::Stop;
    const std::int32_t dd = static_cast<std::int32_t>(d);
    Touch(dd);
    WriteNow(dd);
    const std::uint8_t t = NewTemp();
    Emit(Micro::IncRel, t, kNone, 0, dd, delta);
    if (Rel(dd)) Rel(dd) = Sym::Temp(t, Rel(dd)->str);
    return Outcome::Continue;
  }
  WriteAllNow();
  Emit(Micro::IncSpc, kNone, kNone, 0, ins.Operand, delta);
  Forget();
  return Outcome::Continue;
}

// LDA of a value that is not a plain integer: a variable or a text of the
// pool, copied into A as it is. Taken along with the instruction after it:
// LENGTH of the variable, and a comparison with the text (neither needs
// the copy; an exit leaves before the LDA).
Outcome Builder::LoadText(std::int32_t at, const TInstruction& ins, std::int32_t& next) {
  const TInstruction* after = Following(at);
  if (ins.Mode == mode::kVariable && ins.Operand >= 0 && ins.Operand < c_.variables) {
    WriteVarNow(ins.Operand);  // read from memory
    if (after && after->Op == OpCode::STRF && after->Mode == static_cast<std::uint8_t>(StrOp::LENG)) {
      const std::uint8_t t = NewTemp();
      Emit(Micro::TextLenVar, t, kNone, 0, ins.Operand);
      s_.a = Sym::Temp(t);
      CcrFrom(Ccr::Int, *s_.a);
      return TakeAlong(at, next);
    }
    Emit(Micro::TextVarA, kNone, kNone, 0, ins.Operand);
  } else if (ins.Mode == mode::kPool) {
    const std::int32_t d = s_.depth - 1;
    if (after && after->Op == OpCode::CMP && after->Mode < 6 && SlotTextLikely(d)) {
      Touch(d);
      WriteNow(d);
      const std::uint8_t t = NewTemp();
      Guard(Micro::TextCmpPool, t, d, after->Mode);
      body_.back().z = ins.Operand;
      ComparedTexts(t);
      return TakeAlong(at, next);
    }
    Emit(Micro::TextPoolA, kNone, kNone, 0, ins.Operand);
  } else {
    return Outcome::Stop;
  }
  s_.a.reset();
  s_.aMoved = true;
  s_.ccr = Ccr{};
  return Outcome::Continue;
}

// STA of an A that is not a plain integer, into a variable or (SPC known) a
// slot. Taken along with an LDA of the same variable right after it (A
// holds that value already: only the flags are set).
Outcome Builder::StoreText(std::int32_t at, const TInstruction& ins, std::int32_t& next) {
  if (ins.Mode == mode::kVariable) {
    // Written now: what the group knew of the variable, and a write of it
    // put off, are void.
    const std::int32_t store = Emit(Micro::TextAVar, kNone, kNone, 0, ins.Operand);
    s_.vars.erase(std::remove_if(s_.vars.begin(), s_.vars.end(), [&](const auto& e) { return e.first == ins.Operand; }),
                  s_.vars.end());
    s_.unwrittenVars.erase(std::remove(s_.unwrittenVars.begin(), s_.unwrittenVars.end(), ins.Operand),
                           s_.unwrittenVars.end());
    if (!VarMoved(ins.Operand)) s_.varsMoved.push_back(ins.Operand);
    const TInstruction* after = Following(at);
    if (after && after->Op == OpCode::LDA && after->Mode == mode::kVariable && after->Operand == ins.Operand) {
      body_[static_cast<std::size_t>(store)].c = 1;  // and the flags
      s_.ccr = Ccr{};
      return TakeAlong(at, next);
    }
    return Outcome::Continue;
  }
  if (ins.Mode != mode::kSlot || !UseSpc()) return Outcome::Stop;
  const std::int64_t d = static_cast<std::int64_t>(s_.spc.rel) - ins.Operand;
  if (!DepthOk(d)) return Outcome::Stop;
  const std::int32_t dd = static_cast<std::int32_t>(d);
  TextIntoSlot(dd);
  return Outcome::Continue;
}

// PUSH of an A that is not a plain integer.
Outcome Builder::PushText() {
  TextIntoSlot(s_.depth);
  s_.depth += 1;
  return Outcome::Continue;
}

// Slot d := A, written now (a write of it put off is void).
void Builder::TextIntoSlot(std::int32_t d) {
  Touch(d);
  Emit(Micro::TextARel, kNone, kNone, 0, d);
  Rel(d).reset();
  s_.unwrittenRel.reset(static_cast<std::size_t>(d + kMaxDepth));
  s_.relMoved.set(static_cast<std::size_t>(d + kMaxDepth));
}

// Whether slot d, in memory, is a text by what the group put there or
// found when it began.
bool Builder::SlotTextLikely(std::int32_t d) const {
  if (!DepthOk(d) || s_.rel[static_cast<std::size_t>(d + kMaxDepth)]) return false;
  const TScriptValue* slot = SlotNow(static_cast<std::int64_t>(c_.stk) + d);
  return s_.relMoved.test(static_cast<std::size_t>(d + kMaxDepth)) || (slot && slot->Kind == kind::kString);
}

// The same for A and slot d.
bool Builder::TextsLikely(std::int32_t d) const {
  return (s_.aMoved || c_.a->Kind == kind::kString) && SlotTextLikely(d);
}

// CMP of two texts: the result and CCR as for integers; the group leaves
// when either side is not a text when it runs (the plain handler converts).
Outcome Builder::CompareTexts(std::uint8_t cond) {
  if (cond >= 6) return Outcome::Stop;
  const std::int32_t d = s_.depth - 1;
  Touch(d);
  WriteNow(d);
  const std::uint8_t t = NewTemp();
  Guard(Micro::TextCmp, t, d, cond);
  ComparedTexts(t);
  return Outcome::Continue;
}

// After a comparison of texts into t: the left operand popped, A the
// result with its digit, CCR from it.
void Builder::ComparedTexts(std::uint8_t t) {
  Sym res = Sym::Temp(t);
  res.str = t;
  s_.depth -= 1;
  s_.a = res;
  CcrFrom(Ccr::Zero, res);
}

// The instruction after at taken along with it: counted, and the path goes
// on after it.
Outcome Builder::TakeAlong(std::int32_t at, std::int32_t& next) {
  ++ran_;
  ++total_;
  next = at + 2;
  return Outcome::Continue;
}

// STRF: SUBSTR of a variable (the start in B, the count in A) and LENGTH
// of A, as the plain handlers do them.
Outcome Builder::TextOperation(const TInstruction& ins) {
  const auto sub = static_cast<StrOp>(ins.Mode);
  if (sub == StrOp::LENG) {
    if (s_.a) {
      // An integer-like value counts 4; the others' text is empty or a digit.
      const Sym& a = *s_.a;
      s_.a = Sym::Constant(IsIntegerLike(a.kind) ? 4 : (a.str == kNone ? 0 : 1));
    } else {
      const std::uint8_t t = NewTemp();
      Emit(Micro::TextLen, t);
      s_.a = Sym::Temp(t);
    }
    CcrFrom(Ccr::Int, *s_.a);
    return Outcome::Continue;
  }
  if (sub != StrOp::SUBS || ins.Operand < 0 || ins.Operand >= c_.variables) return Outcome::Stop;
  WriteVarNow(ins.Operand);  // read from memory
  TMicro m{Micro::TextSubs, kNone, kNone, 1, ins.Operand, 0};
  if (s_.a) {
    m.c = 0;
    if (s_.a->Const()) {
      m.y = s_.a->k;
    } else {
      m.a = TempOf(*s_.a);
    }
  }
  body_.push_back(m);
  s_.a.reset();
  s_.aMoved = true;
  s_.ccr = Ccr{};
  return Outcome::Continue;
}

Outcome Builder::Translate(std::int32_t at, const TInstruction& ins, std::int32_t& next) {
  next = at + 1;
  const std::uint8_t m = ins.Mode;
  switch (ins.Op) {
    case OpCode::NOP: return Outcome::Continue;
    case OpCode::BRK:
      hasBreak_ = true;
      Emit(Micro::Line, kNone, kNone, 0, ins.Operand);
      return Outcome::Continue;
    case OpCode::LDA: {
      std::optional<Sym> v = Source(m, ins.Operand);
      if (!v) return LoadText(at, ins, next);
      s_.a = *v;
      CcrFrom(Ccr::Int, *v);
      return Outcome::Continue;
    }
    case OpCode::PUSH: {
      const std::int32_t d = s_.depth;
      if (!DepthOk(d + 1)) return Outcome::Stop;
      if (m == mode::kSlot) {
        SpcLink(d, kind::kInteger);
      } else {
        std::optional<Sym> v;
        if (m == mode::kNone) {
          v = ValueOfA();
          if (!v) return PushText();
        } else if (m == mode::kLink) {
          v = Sym::Constant(ins.Operand, kind::kLink);
        } else {
          v = Source(m, ins.Operand);
        }
        if (!v) return Outcome::Stop;
        WriteRel(d, *v);
      }
      s_.depth = d + 1;
      return Outcome::Continue;
    }
    case OpCode::STA: {
      if (m != mode::kVariable && m != mode::kSlot && m != mode::kRegB) return Outcome::Stop;
      if (m == mode::kVariable && (ins.Operand < 0 || ins.Operand >= c_.variables)) return Outcome::Stop;
      std::optional<Sym> v = ValueOfA();
      if (!v) return StoreText(at, ins, next);
      if (m == mode::kVariable) {
        WriteVar(ins.Operand, *v);
      } else if (m == mode::kRegB) {
        Write(body_, Place::B, 0, *v);
      } else if (!WriteSpcSlot(ins.Operand, *v)) {
        return Outcome::Stop;
      }
      return Outcome::Continue;
    }
    case OpCode::CLR:
      if (m == mode::kRegB) {
        Write(body_, Place::B, 0, Sym::Constant(0, kind::kEmpty));
      } else {
        s_.a = Sym::Constant(0, kind::kEmpty);
      }
      s_.ccr = Ccr{Ccr::Const, {}, {}, kFlagZ};
      return Outcome::Continue;
    case OpCode::INC:
    case OpCode::DEC: return IncDec(ins);
    case OpCode::NEG:
    case OpCode::NOT: {
      std::optional<Sym> v = ValueOfA();
      if (!v || v->kind != kind::kInteger) return Outcome::Stop;
      Sym res = ins.Op == OpCode::NEG ? Alu(Micro::Neg, *v, Sym::Constant(0)) : Alu(Micro::Not, *v, Sym::Constant(0));
      if (v->Const()) res = Sym::Constant(ins.Op == OpCode::NEG ? Wrap(-static_cast<std::int64_t>(v->k)) : v->k == 0);
      res.str = v->str;
      s_.a = res;
      CcrFrom(Ccr::Zero, res);
      return Outcome::Continue;
    }
    case OpCode::ADD:
    case OpCode::SUB:
    case OpCode::MUL:
    case OpCode::DIV:
    case OpCode::MOD:
    case OpCode::AND:
    case OpCode::OR:
    case OpCode::XOR:
    case OpCode::CMP: return Arithmetic(ins);
    case OpCode::SHFT: {
      if (m > 1) return Outcome::Stop;
      std::optional<Sym> count = ValueOfA();
      if (!count || count->kind != kind::kInteger) return Outcome::Stop;
      const std::int32_t d = s_.depth - 1;
      std::optional<Sym> left = ValueOfRel(d);
      if (!left || left->kind != kind::kInteger) return Outcome::Stop;
      Touch(d);
      Sym res = Alu(m == 0 ? Micro::Shl : Micro::Shr, *left, *count);
      res.str = kNone;
      s_.a = res;
      s_.depth = d;
      return Outcome::Continue;
    }
    case OpCode::TST: {
      std::optional<Sym> a = ValueOfA();
      if (!a || a->kind != kind::kInteger) return Outcome::Stop;
      std::optional<Sym> o;
      if (m == mode::kImmediate) {
        o = Sym::Constant(ins.Operand);
      } else if (m == mode::kSlot) {
        o = ValueOfSpcSlot(ins.Operand, true);
      }
      if (!o || o->kind != kind::kInteger) return Outcome::Stop;
      CcrFrom(Ccr::Sign, *a, *o);
      return Outcome::Continue;
    }
    case OpCode::STKP:
      if (ins.Operand <= 0) return Outcome::Continue;
      if (!DepthOk(static_cast<std::int64_t>(s_.depth) - ins.Operand)) return Outcome::Stop;
      s_.depth -= ins.Operand;
      Touch(s_.depth);
      return Outcome::Continue;
    case OpCode::LNK: {
      if (ins.Operand < 0 || ins.Operand > kMaxLink || !DepthOk(s_.depth + ins.Operand)) return Outcome::Stop;
      if (!body_.empty() && body_.back().op == Micro::Call && body_.back().c == 0 &&
          body_.back().x + 3 == s_.depth) {
        body_.back().c = static_cast<std::uint8_t>(ins.Operand);  // the callee's LNK right after the CALL
      } else {
        Emit(Micro::Link, kNone, kNone, static_cast<std::uint8_t>(ins.Operand), s_.depth);
      }
      for (std::int32_t k = 0; k < ins.Operand; ++k) {
        Touch(s_.depth);
        Known(s_.depth++, Sym::Constant(0, kind::kEmpty));
      }
      s_.spc = Reg{true, false, s_.depth - 1};
      return Outcome::Continue;
    }
    case OpCode::POP: return Pop(ins);
    case OpCode::JMP:
      if (ins.Operand == at) return Outcome::Stop;
      next = ins.Operand;
      return Outcome::Continue;
    case OpCode::JCC:
      if (ins.Operand == at || m > 7) return Outcome::Stop;
      return Jump(at, m, ins.Operand, next);
    case OpCode::CALL: return Call(at, ins, next);
    case OpCode::RET: return Return(at, next);
    case OpCode::STRF: return TextOperation(ins);
    default: return Outcome::Stop;
  }
}

// Turns a fork's condition round (false where it cannot be): the fused
// forms' result, and EQ and NE on the flags of one integer (never Z and N at
// once; CCR as it is in the register may hold anything).
bool Builder::Invert(TMicro& fork) {
  constexpr auto kEq = static_cast<std::uint8_t>(Cond::EQ), kNe = static_cast<std::uint8_t>(Cond::NE);
  if (fork.op >= Micro::ForkEq) {
    fork.c = static_cast<std::uint8_t>(1 - fork.c);
  } else if (fork.op != Micro::ForkM && (fork.c == kEq || fork.c == kNe)) {
    fork.c = fork.c == kEq ? kNe : kEq;
  } else {
    return false;
  }
  fork.w = 1;
  return true;
}

// A ForkZ on the temporary the micro-operation just before it computed by
// a comparison or AND tests those operands itself (the comparison stays
// while anything else reads its result). Only the one just before: on the
// other path of an earlier fork the same temporary names another value.
void Builder::FuseFork(TMicro& fork) const {
  if (body_.empty()) return;
  const TMicro& last = body_.back();
  Micro fused;
  switch (last.op) {
    case Micro::Eq: fused = Micro::ForkEq; break;
    case Micro::Ne: fused = Micro::ForkNe; break;
    case Micro::Gt: fused = Micro::ForkGt; break;
    case Micro::Ge: fused = Micro::ForkGe; break;
    case Micro::Lt: fused = Micro::ForkLt; break;
    case Micro::Le: fused = Micro::ForkLe; break;
    case Micro::And: fused = Micro::ForkAnd; break;
    default: return;
  }
  if (last.a != fork.a) return;
  // The result v leaves CCR Z when it is 0: the jump is taken for one v only.
  const bool whenTrue = Holds(fork.c, 0, 0), whenFalse = Holds(fork.c, kFlagZ, 0);
  if (whenTrue == whenFalse) return;
  fork.op = fused;
  fork.a = last.b;
  fork.b = last.c;
  fork.x = last.x;
  fork.c = whenTrue ? 1 : 0;
}

// Every value the group knows by temporary `from` is read from `to` now.
void Builder::Rebind(std::uint8_t from, std::uint8_t to) {
  auto move = [&](Sym& v) {
    if (v.temp == from) v.temp = to;
    if (v.str == from) v.str = to;
  };
  if (s_.a) move(*s_.a);
  move(s_.ccr.a);
  move(s_.ccr.b);
  for (auto& r : s_.rel)
    if (r) move(*r);
  for (auto& [slot, v] : s_.vars) move(v);
}

// JCC. With a condition the group knows, it goes on along that path alone;
// else, while the group is small enough, it forks into both paths (the jump
// taken first in the micro-operations' order is the fall-through; the Fork
// leads to the other); else the group ends here.
Outcome Builder::Jump(std::int32_t at, std::uint8_t cond, std::int32_t target, std::int32_t& next) {
  const Ccr& cc = s_.ccr;
  if (cond < 6 && cc.kind == Ccr::Const) {
    next = kHolds[cond][cc.k & 3] ? target : at + 1;
    return Outcome::Continue;
  }
  // Which ways this JCC has gone in earlier groups: a way taken rarely
  // ends the path there; an unseen JCC ends the group (it is built again
  // once it has been seen).
  const TDecoded& seen = c_.decoded[at];
  const std::uint32_t taken = seen.way[kTaken], passed = seen.way[kPassed];
  const std::uint64_t all = static_cast<std::uint64_t>(taken) + passed;
  if (all < 16) unprofiled_ = true;
  if (all < 16 || forks_ >= kMaxForks || total_ + 2 >= budget_ || target < 0 || target >= c_.count - 1) {
    EndBranch(at, cond, target);
    return Outcome::End;
  }
  const bool rarelyTaken = taken * 16 < all;
  const bool rarelyPassed = passed * 16 < all;
  // A way judged rare on the first few runs may be the usual one later (a
  // recursion descends first): such a group is built again once the JCC has
  // been seen more often.
  if ((rarelyTaken || rarelyPassed) && all < kSettledProfile) unprofiled_ = true;
  ++forks_;
  TMicro f{Micro::ForkM, kNone, kNone, cond, 0, 0, at, 0};
  if (cond < 6) {
    if (cc.kind == Ccr::Zero) {
      f.op = Micro::ForkZ;
      f.a = cc.a.temp;
      FuseFork(f);
    } else if (cc.kind == Ccr::Int) {
      f.op = Micro::ForkI;
      f.a = cc.a.temp;
    } else if (cc.kind == Ccr::Sign) {
      f.op = Micro::ForkS;
      f.a = cc.a.temp;
      f.b = cc.b.Const() ? kNone : cc.b.temp;
      f.x = cc.b.k;
    }
  }
  // A fused fork knows the result on each of its paths: they read it from
  // a constant of their own, so the comparison runs only where a path
  // still needs its value.
  const bool fused = f.op >= Micro::ForkEq;
  const std::uint8_t result = cc.a.temp;
  auto known = [&](std::int32_t v) {
    if (!fused) return;
    const std::uint8_t t = NewTemp();
    Emit(Micro::Imm, t, kNone, 0, v);
    Rebind(result, t);
    s_.ccr = Ccr{Ccr::Const, {}, {}, static_cast<std::uint16_t>(v == 0 ? kFlagZ : 0)};
  };
  // The way the JCC usually goes comes right after the fork, and is built
  // first: the fork's condition is turned round when that is the jump.
  const bool takenFirst = rarelyPassed && Invert(f);
  const std::int32_t fork = static_cast<std::int32_t>(body_.size());
  body_.push_back(f);
  forkAt_.push_back(fork);
  ++ran_;  // the JCC itself, on both paths
  ++total_;
  const State state = s_;
  const std::int32_t ran = ran_;
  // The remaining room goes to the ways taken often, shared when both are.
  const bool rareFirst = takenFirst ? rarelyTaken : rarelyPassed;
  const bool rareSecond = takenFirst ? rarelyPassed : rarelyTaken;
  const std::int32_t room = budget_ - total_;
  const std::int32_t budget = budget_;
  budget_ = rareFirst ? total_ : (rareSecond ? budget : total_ + room / 2);
  pathStart_ = fork + 1;
  known(1 - f.c);
  Path(takenFirst ? target : at + 1);
  s_ = state;
  ran_ = ran;
  budget_ = rareSecond ? total_ : budget;
  body_[static_cast<std::size_t>(fork)].y = static_cast<std::int32_t>(body_.size());
  pathStart_ = body_[static_cast<std::size_t>(fork)].y;
  known(f.c);
  Path(takenFirst ? at + 1 : target);
  budget_ = budget;
  return Outcome::End;
}

// A path that cannot go on at `at` ends there: A, CCR and STK as the
// instructions so far leave them, then the plain handlers.
void Builder::EndPath(std::int32_t at) {
  Finish();
  // Back where the group starts, with nothing its entry checks moved.
  const bool again = at == start_ && s_.depth == 0 && s_.savedPar.empty() && s_.spc.known &&
                     s_.spc.rel == c_.spc - c_.stk && s_.par.known && s_.par.rel == c_.par - c_.stk;
  body_.push_back(TMicro{again ? Micro::Again : Micro::Goto, kNone, kNone, 0, 0, at, 0, PathEnd(ran_, s_.depth)});
}

// What the path knows back where the group started, with its values in
// loop temporaries: what every round begins with. A constant may differ
// from round to round (the path may have come in through an assignment
// before the loop): it gets a loop temporary too. Values that are not
// integers (an empty slot a LNK made, a link) are left to memory: another
// round may leave an integer there.
bool Builder::StartLoop() {
  State l = s_;
  std::array<std::uint8_t, 256> to;
  to.fill(kNone);
  std::int32_t next = kLoopTemps;
  bool ok = true;
  auto fresh = [&]() {
    ok = ok && next < kNone;
    return ok ? static_cast<std::uint8_t>(next++) : kNone;
  };
  auto rename = [&](std::uint8_t& t) {
    if (t == kNone) return;
    if (to[t] == kNone) to[t] = fresh();
    t = to[t];
  };
  auto sym = [&](Sym& v) {
    if (v.temp == kNone && !v.hrel && !v.isSpc) {
      v.temp = fresh();
    } else {
      rename(v.temp);
    }
    rename(v.str);
  };
  if (l.a && l.a->kind != kind::kInteger) l.a.reset();
  if (l.a) sym(*l.a);
  if (l.ccr.kind != Ccr::Memory && l.ccr.kind != Ccr::Const) {
    sym(l.ccr.a);
    sym(l.ccr.b);
  }
  for (std::size_t i = 0; i < l.rel.size(); ++i) {
    if (l.rel[i] && l.rel[i]->kind != kind::kInteger) {
      l.rel[i].reset();
      l.unwrittenRel.reset(i);
    }
    if (l.rel[i]) sym(*l.rel[i]);
  }
  std::erase_if(l.vars, [](const auto& known) { return known.second.kind != kind::kInteger; });
  std::erase_if(l.unwrittenVars, [&](std::int32_t slot) { return !l.Var(slot); });
  for (auto& [slot, v] : l.vars) sym(v);
  l.temps = 0;
  if (!ok) return false;
  loop_ = l;
  return true;
}

// The rounds after the first: from the group's start again, knowing what
// loop_ knows.
void Builder::BuildRound() {
  const State outer = s_;
  const std::int32_t ran = ran_, longest = longest_, total = total_, budget = budget_, forks = forks_;
  s_ = *loop_;
  ran_ = 0;
  longest_ = 0;
  total_ = 0;
  budget_ = kMaxRegion;
  forks_ = 0;
  pathStart_ = static_cast<std::int32_t>(body_.size());
  inRound_ = true;
  Path(start_);
  inRound_ = false;
  loopLongest_ = longest_;
  for (std::int32_t k : loopAt_) body_[static_cast<std::size_t>(k)].x = loopLongest_;
  s_ = outer;
  ran_ = ran;
  longest_ = longest;
  total_ = total;
  budget_ = budget;
  forks_ = forks;
}

// Temporary t, computed on the current path for loop temporary lt, is
// computed in lt itself (and read from there) when nothing after that on the
// path, its exits included, reads lt's value from the round before.
bool Builder::ComputeInPlace(const LoopBinds& binds, std::uint8_t lt, std::uint8_t t) {
  std::int32_t takers = 0;
  for (std::size_t j = 0; j < binds.size(); ++j) {
    if (!binds[j]) continue;
    if (binds[j]->temp == lt && kLoopTemps + j != lt) return false;
    if (binds[j]->temp == t) ++takers;
  }
  if (takers != 1) return false;
  std::int32_t k = static_cast<std::int32_t>(body_.size()) - 1;
  while (k >= pathStart_ && !(body_[static_cast<std::size_t>(k)].a == t && ComputesA(body_[static_cast<std::size_t>(k)].op)))
    --k;
  if (k < pathStart_) return false;
  // What runs after it: the path's micro-operations, and the exits of its
  // guards.
  std::vector<TMicro*> after;
  for (std::size_t i = static_cast<std::size_t>(k) + 1; i < body_.size(); ++i) after.push_back(&body_[i]);
  for (const GuardFix& g : guards_) {
    if (g.at <= k) continue;
    for (std::size_t i = static_cast<std::size_t>(g.stub); i < stubs_.size(); ++i) {
      after.push_back(&stubs_[i]);
      if (stubs_[i].op == Micro::Exit) break;
    }
  }
  bool free = true;
  for (TMicro* m : after) {
    if (m->a == lt) free = false;
    EachRead(*m, [&](std::uint8_t r) { free = free && r != lt; });
  }
  if (!free) return false;
  body_[static_cast<std::size_t>(k)].a = lt;
  for (TMicro* m : after) {
    EachRead(*m, [&](std::uint8_t& r) {
      if (r == t) r = lt;
    });
  }
  return true;
}

// Whether what the path knows back where the group started can stand for
// what a round begins with: binds the round's loop temporaries to the path's
// values, and lists what the path reads first.
bool Builder::MatchRound(LoopBinds& binds, std::vector<LoopRead>& reads) const {
  const State& s = s_;
  const State& want = *loop_;
  std::int32_t temps = s.temps;
  auto known = [&](const std::optional<Sym>& w, const Sym* h, Place place, std::int32_t x) {
    if (!w) return true;
    if (h) return Bind(*w, *h, binds);
    if (w->kind != kind::kInteger || w->str != kNone) return false;
    if (w->temp == kNone) {
      if (!w->hrel || place != Place::Rel) return false;
      reads.push_back({place, x, w->k});
      return true;
    }
    reads.push_back({place, x, std::nullopt});
    return Bind(*w, Sym::Temp(static_cast<std::uint8_t>(temps++)), binds);
  };
  bool ok = known(want.a, s.a ? &*s.a : nullptr, Place::A, 0);
  if (ok && want.ccr.kind != Ccr::Memory) {
    ok = s.ccr.kind == want.ccr.kind &&
         (want.ccr.kind == Ccr::Const ? s.ccr.k == want.ccr.k
                                      : Bind(want.ccr.a, s.ccr.a, binds) &&
                                            (want.ccr.kind != Ccr::Sign || Bind(want.ccr.b, s.ccr.b, binds)));
  }
  for (std::int32_t d = -kMaxDepth; ok && d <= kMaxDepth; ++d) {
    const std::size_t i = static_cast<std::size_t>(d + kMaxDepth);
    ok = known(want.rel[i], s.rel[i] ? &*s.rel[i] : nullptr, Place::Rel, d);
  }
  for (const auto& [slot, v] : want.vars) ok = ok && known(v, s.Var(slot), Place::Var, slot);
  return ok;
}

// The loop temporaries take their values for the next round.
void Builder::SetLoopTemps(LoopBinds& binds) {
  for (std::size_t j = 0; j < binds.size(); ++j) {
    const std::uint8_t lt = static_cast<std::uint8_t>(kLoopTemps + j);
    if (binds[j] && binds[j]->temp < kLoopTemps && ComputeInPlace(binds, lt, binds[j]->temp)) {
      *binds[j] = Sym::Temp(lt);
      loopConstants_[j].varies = true;
    }
  }
  // The loop temporaries take their new values; one that another's new
  // value reads is copied first.
  for (std::size_t j = 0; j < binds.size(); ++j) {
    if (!binds[j] || binds[j]->temp < kLoopTemps || binds[j]->temp == kNone || binds[j]->temp == kLoopTemps + j) continue;
    const std::optional<Sym>& read = binds[static_cast<std::size_t>(binds[j]->temp - kLoopTemps)];
    if (!read || SameValue(*read, *binds[j])) continue;
    const std::uint8_t from = binds[j]->temp, copy = NewTemp();
    Emit(Micro::Move, copy, from);
    for (auto& b : binds)
      if (b && b->temp == from) b->temp = copy;
  }
  for (std::size_t j = 0; j < binds.size(); ++j) {
    const std::uint8_t lt = static_cast<std::uint8_t>(kLoopTemps + j);
    if (!binds[j] || binds[j]->temp == lt) continue;
    LoopConstant& known = loopConstants_[j];
    if (binds[j]->temp != kNone) {
      Emit(Micro::Move, lt, binds[j]->temp);
      known.varies = true;
    } else {
      const std::int32_t at = Emit(binds[j]->hrel ? Micro::ImmH : Micro::Imm, lt, kNone, 0, binds[j]->k);
      if (known.value && !SameValue(*known.value, *binds[j])) known.varies = true;
      known.value = *binds[j];
      if (inRound_) known.inRound.push_back(at);
    }
  }
}

// Back where the group started with the stack as it was: the next round runs
// inside the group when what the path knows can stand for what a round
// begins with (the first path to come back decides that, and the rounds
// after it are built once). Else the path goes on as any other.
bool Builder::LoopBack() {
  const State& s = s_;
  constexpr std::int32_t kLoopRoom = 2 * (kNone - kLoopTemps);  // reads and copies
  if (noLoop_ || s.texts || s.depth != 0 || !s.savedPar.empty() || !s.spc.known || s.spc.rel != c_.spc - c_.stk ||
      !s.par.known || s.par.rel != c_.par - c_.stk || s.aMoved || s.relMoved.any() || !s.varsMoved.empty() ||
      s.temps + kLoopRoom > kMaxTemps)
    return false;
  const bool first = !loop_;
  if (first && !StartLoop()) {
    noLoop_ = true;
    return false;
  }
  const State& want = *loop_;
  LoopBinds binds{};
  std::vector<LoopRead> reads;
  if (!MatchRound(binds, reads)) return false;

  if (!reads.empty()) {
    before_ = s_;
    address_ = start_;
    stubOfInstruction_ = -1;
    static constexpr Micro kGuards[] = {Micro::GuardRel, Micro::GuardVar, Micro::GuardA};
    for (const LoopRead& r : reads) {
      if (r.place == Place::Rel) Touch(r.x);
      if (r.hrel) {
        Guard(Micro::GuardRelH, kNone, r.x, 1);
        body_[static_cast<std::size_t>(guards_.back().at)].z = *r.hrel;
      } else {
        Guard(kGuards[static_cast<int>(r.place)], NewTemp(), r.x);
      }
    }
  }
  // What the round finds in memory is written there now: what it does not
  // know, and what it knows as written.
  for (std::int32_t d = -kMaxDepth; d <= kMaxDepth; ++d) {
    const std::size_t i = static_cast<std::size_t>(d + kMaxDepth);
    if (!want.rel[i] || !want.unwrittenRel.test(i)) WriteNow(d);
  }
  const std::vector<std::int32_t> unwritten = s_.unwrittenVars;
  for (std::int32_t slot : unwritten) {
    if (std::find(want.unwrittenVars.begin(), want.unwrittenVars.end(), slot) == want.unwrittenVars.end())
      WriteVarNow(slot);
  }
  if (s_.a && !want.a) Write(body_, Place::A, 0, *s_.a);
  if (want.ccr.kind == Ccr::Memory) WriteCcr(body_, s_.ccr);
  SetLoopTemps(binds);
  // Leaving before a round that would pass the look at the pump: the round's
  // values written, then on at the start as any path.
  const std::int32_t stub = static_cast<std::int32_t>(stubs_.size());
  Materialize(stubs_, want);
  stubs_.push_back(TMicro{Micro::Goto, kNone, kNone, 0, 0, start_, 0, PathEnd(ran_, 0)});
  const std::int32_t at = Emit(Micro::Loop, kNone, kNone, 0, loopLongest_, loopBody_);
  body_[static_cast<std::size_t>(at)].z = stub;
  body_[static_cast<std::size_t>(at)].w = PathEnd(ran_, 0);
  loopAt_.push_back(at);
  if (first) {
    loopBody_ = static_cast<std::int32_t>(body_.size());
    body_[static_cast<std::size_t>(at)].y = loopBody_;
    BuildRound();
  }
  return true;
}

// Translates from `at` until the path ends (a terminator, an instruction the
// group does not take, or a limit).
void Builder::Path(std::int32_t at) {
  for (;;) {
    longest_ = std::max(longest_, ran_);
    // The final HALT and anything past it are not group material.
    if (at == start_ && ran_ > 0 && LoopBack()) return;
    const std::int32_t longest = kMaxInstructions + (s_.savedPar.empty() ? 0 : kCallSlack);
    if (at < 0 || at >= c_.count - 1 || ran_ >= longest || total_ >= budget_ || s_.temps >= kMaxTemps ||
        (s_.texts && at == start_)) {
      EndPath(at);
      return;
    }
    before_ = s_;
    const std::size_t bodyBefore = body_.size();
    const std::size_t stubsBefore = stubs_.size();
    const std::size_t guardsBefore = guards_.size();
    const std::size_t forksBefore = forkAt_.size();
    stubOfInstruction_ = -1;
    address_ = at;
    std::int32_t next = at + 1;
    Outcome o = Translate(at, c_.code[at], next);
    if (o != Outcome::End && s_.temps > kMaxTemps) o = Outcome::Stop;
    if (o == Outcome::Stop) {
      // Undo what the instruction began; the path ends before it.
      s_ = before_;
      body_.resize(bodyBefore);
      stubs_.resize(stubsBefore);
      guards_.resize(guardsBefore);
      forkAt_.resize(forksBefore);
      EndPath(at);
      return;
    }
    if (o == Outcome::End) {
      // The terminator (or the Fork, whose paths counted themselves) is
      // written; count the instruction once more for the longest path.
      longest_ = std::max(longest_, ran_ + 1);
      return;
    }
    for (std::size_t k = bodyBefore; k < body_.size(); ++k) {
      if (body_[k].op >= Micro::TextVarA && body_[k].op <= Micro::TextCmpPool) s_.texts = true;
    }
    ++ran_;
    ++total_;
    at = next;
  }
}

// Drops what no one sees: a slot or variable written again before anything
// reads it or the group can leave, and temporaries nothing reads. The
// micro-operations form a tree: each path ends in a terminator, and a Fork's
// other path starts further on; walking back from the end, a Fork meets what
// both of its paths need.
void Builder::Optimize() {
  struct Need {
    std::bitset<256> live;            // temporaries read later
    std::bitset<kRelSpan> deadRel;    // slots written again before being read
    std::vector<std::int32_t> deadVar;
  };
  auto isEnd = [](Micro op) {
    switch (op) {
      case Micro::Goto: case Micro::Again: case Micro::Loop: case Micro::Branch: case Micro::JumpZ: case Micro::JumpI:
      case Micro::JumpS: case Micro::Return: case Micro::ReturnI: case Micro::ReturnZ: return true;
      default: return false;
    }
  };
  // Temporaries each guard's stub reads.
  std::vector<std::bitset<256>> stubLive;
  for (const GuardFix& g : guards_) {
    std::bitset<256> live;
    for (std::size_t k = static_cast<std::size_t>(g.stub); k < stubs_.size(); ++k) {
      EachRead(stubs_[k], [&](std::uint8_t t) {
        if (t != kNone) live.set(t);
      });
      if (stubs_[k].op == Micro::Exit) break;
    }
    stubLive.push_back(live);
  }
  std::vector<std::int32_t> guardAt(body_.size(), -1);
  for (std::size_t k = 0; k < guards_.size(); ++k) guardAt[static_cast<std::size_t>(guards_[k].at)] = static_cast<std::int32_t>(k);
  std::vector<std::int32_t> forkTargets;
  for (std::int32_t f : forkAt_) forkTargets.push_back(body_[static_cast<std::size_t>(f)].y);
  std::vector<Need> atTarget(forkTargets.size());

  Need n;
  std::vector<bool> keep(body_.size(), true);
  for (std::size_t k = body_.size(); k-- > 0;) {
    TMicro& m = body_[k];
    auto use = [&](std::uint8_t t) {
      if (t != kNone) n.live.set(t);
    };
    auto relDead = [&](std::int32_t d) { return n.deadRel.test(static_cast<std::size_t>(d + kMaxDepth)); };
    auto relSet = [&](std::int32_t d, bool v) { n.deadRel.set(static_cast<std::size_t>(d + kMaxDepth), v); };
    auto varDead = [&](std::int32_t x) { return std::find(n.deadVar.begin(), n.deadVar.end(), x) != n.deadVar.end(); };
    auto varLive = [&](std::int32_t x) { n.deadVar.erase(std::remove(n.deadVar.begin(), n.deadVar.end(), x), n.deadVar.end()); };
    // A temporary computed here: dropped when nothing reads it later, else
    // no longer needed before this point.
    auto unread = [&](std::uint8_t t) {
      if (!n.live.test(t)) return true;
      n.live.reset(t);
      return false;
    };
    if (isEnd(m.op)) n = Need{};  // after a terminator the group has left: all is seen
    if (m.op == Micro::Loop) {
      // The next round reads its loop temporaries.
      for (std::size_t t = kLoopTemps; t < kNone; ++t) n.live.set(t);
    }
    if (guardAt[k] >= 0) {
      n.live |= stubLive[static_cast<std::size_t>(guardAt[k])];
      if (m.a != kNone) n.live.reset(m.a);
      n.deadRel.reset();
      n.deadVar.clear();
    } else {
      switch (m.op) {
        case Micro::ForkM: case Micro::ForkZ: case Micro::ForkI: case Micro::ForkS:
        case Micro::ForkEq: case Micro::ForkNe: case Micro::ForkGt: case Micro::ForkGe: case Micro::ForkLt:
        case Micro::ForkLe: case Micro::ForkAnd: {
          // What the other path needs as well.
          const auto at = std::find(forkTargets.begin(), forkTargets.end(), m.y) - forkTargets.begin();
          const Need& other = atTarget[static_cast<std::size_t>(at)];
          n.live |= other.live;
          n.deadRel &= other.deadRel;
          std::vector<std::int32_t> both;
          for (std::int32_t x : n.deadVar)
            if (std::find(other.deadVar.begin(), other.deadVar.end(), x) != other.deadVar.end()) both.push_back(x);
          n.deadVar.swap(both);
          EachRead(m, use);
          break;
        }
        case Micro::Imm: case Micro::ImmH: case Micro::Move:
          if (unneeded_[k]) {
            keep[k] = false;
            break;
          }
          [[fallthrough]];
        case Micro::Add: case Micro::Sub: case Micro::Mul: case Micro::Div: case Micro::Mod:
        case Micro::And: case Micro::Or: case Micro::Xor: case Micro::Shl: case Micro::Shr:
        case Micro::Eq: case Micro::Ne: case Micro::Gt: case Micro::Ge: case Micro::Lt: case Micro::Le:
        case Micro::Neg: case Micro::Not: case Micro::TextLen:
          if (unread(m.a)) {
            keep[k] = false;
            break;
          }
          EachRead(m, use);
          break;
        case Micro::ReadRel:
          if (unread(m.a)) {
            keep[k] = false;
            break;
          }
          relSet(m.x, false);
          break;
        case Micro::StoreRel: case Micro::StoreRelK: case Micro::StoreRelX: case Micro::StoreRelH:
        case Micro::TextARel:
          if (relDead(m.x)) {
            keep[k] = false;
            break;
          }
          relSet(m.x, true);
          EachRead(m, use);
          break;
        case Micro::PushSpc:
          if (relDead(m.x) && (m.a == kNone || !n.live.test(m.a))) {
            keep[k] = false;
            break;
          }
          relSet(m.x, true);
          if (m.a != kNone && !n.live.test(m.a)) m.a = kNone;
          if (m.a != kNone) n.live.reset(m.a);
          break;
        case Micro::Call:
          // Writes the links and the callee's empty slot; what it reads
          // into temporaries is needed or not.
          if (m.a != kNone && !n.live.test(m.a)) m.a = kNone;
          if (m.b != kNone && !n.live.test(m.b)) m.b = kNone;
          if (m.a != kNone) n.live.reset(m.a);
          if (m.b != kNone) n.live.reset(m.b);
          for (std::int32_t j = 0; j < 3 + m.c; ++j) relSet(m.x + j, false);
          break;
        case Micro::ReturnI: case Micro::ReturnZ:
          use(m.a);
          for (std::int32_t j = 0; j < 3; ++j) relSet(m.x + j, false);
          break;
        case Micro::Link:
          for (std::int32_t j = 0; j < m.c; ++j) relSet(m.x + j, false);
          break;
        case Micro::Ret:
          if (m.a != kNone) n.live.reset(m.a);
          for (std::int32_t j = 0; j < 3; ++j) relSet(m.x + j, false);
          break;
        case Micro::StoreVar: case Micro::StoreVarK: case Micro::StoreVarX: case Micro::StoreVarH:
        case Micro::TextAVar:
          if (varDead(m.x) && !(m.op == Micro::TextAVar && m.c != 0)) {  // (that one sets CCR too)
            keep[k] = false;
            break;
          }
          n.deadVar.push_back(m.x);
          EachRead(m, use);
          break;
        case Micro::TextVarA:
          varLive(m.x);
          break;
        case Micro::TextLenVar:
          if (unread(m.a)) {
            keep[k] = false;
            break;
          }
          varLive(m.x);
          break;
        case Micro::TextSubs:
          varLive(m.x);
          use(m.a);
          break;
        case Micro::IncVar:
          varLive(m.x);
          if (m.a != kNone && !n.live.test(m.a)) m.a = kNone;
          if (m.a != kNone) n.live.reset(m.a);
          break;
        case Micro::IncRel:
          relSet(m.x, false);
          if (m.a != kNone && !n.live.test(m.a)) m.a = kNone;
          if (m.a != kNone) n.live.reset(m.a);
          break;
        case Micro::IncSpc:
          n.deadRel.reset();
          n.deadVar.clear();
          break;
        case Micro::SwapA: case Micro::SwapB:
          relSet(m.x, false);
          break;
        default:
          EachRead(m, use);
          break;
      }
    }
    for (std::size_t t = 0; t < forkTargets.size(); ++t)
      if (forkTargets[t] == static_cast<std::int32_t>(k)) atTarget[t] = n;
  }
  // Compact, moving guards, forks and fork targets along.
  std::vector<std::int32_t> moved(body_.size() + 1, 0);
  std::vector<TMicro> kept;
  for (std::size_t k = 0; k < body_.size(); ++k) {
    moved[k] = static_cast<std::int32_t>(kept.size());
    if (keep[k]) kept.push_back(body_[k]);
  }
  moved[body_.size()] = static_cast<std::int32_t>(kept.size());
  for (GuardFix& g : guards_) g.at = moved[static_cast<std::size_t>(g.at)];
  for (std::vector<std::int32_t>* jumps : {&forkAt_, &loopAt_}) {
    for (std::int32_t& f : *jumps) {
      f = moved[static_cast<std::size_t>(f)];
      kept[static_cast<std::size_t>(f)].y = moved[static_cast<std::size_t>(kept[static_cast<std::size_t>(f)].y)];
    }
  }
  body_.swap(kept);
}

// Slots by their byte offset, so the run-time code adds instead of
// multiplying.
void Builder::Offsets() {
  constexpr std::int32_t kSize = static_cast<std::int32_t>(sizeof(TScriptValue));
  for (std::vector<TMicro>* part : {&body_, &stubs_}) {
    for (TMicro& m : *part) {
      switch (m.op) {
        case Micro::GuardVar: case Micro::GuardRel: case Micro::GuardRelEq: case Micro::GuardRelH: case Micro::ReadRel:
        case Micro::StoreRel: case Micro::StoreRelK: case Micro::StoreRelX: case Micro::StoreRelH:
        case Micro::StoreVar: case Micro::StoreVarK: case Micro::StoreVarX: case Micro::StoreVarH:
        case Micro::PushSpc: case Micro::IncVar: case Micro::IncRel: case Micro::SwapA: case Micro::SwapB:
        case Micro::TextVarA: case Micro::TextAVar: case Micro::TextARel: case Micro::TextSubs: case Micro::TextCmp:
        case Micro::TextLenVar: case Micro::TextCmpPool:
          m.x *= kSize;
          break;
        default: break;
      }
    }
  }
}

bool Builder::Build(std::int32_t address, TGroup& group) {
  s_.spc.rel = c_.spc - c_.stk;
  s_.par.rel = c_.par - c_.stk;
  start_ = address;
  Path(address);
  if (longest_ < 2) return false;
  unneeded_.assign(body_.size(), false);
  for (const LoopConstant& known : loopConstants_) {
    if (known.varies) continue;
    for (std::int32_t at : known.inRound) unneeded_[static_cast<std::size_t>(at)] = true;
  }
  Optimize();
  Offsets();
  group.first = static_cast<std::int32_t>(out_.size());
  group.length = longest_;
  group.lowest = lowest_;
  group.highest = highest_;
  group.spc = c_.spc - c_.stk;
  group.par = c_.par - c_.stk;
  group.calls = calls_;
  group.profiled = !unprofiled_;
  group.needs = static_cast<std::uint8_t>((usesSpc_ ? need::kSpc : 0) | (usesPar_ ? need::kPar : 0) |
                                          (calls_ > 0 ? need::kCalls : 0) | (hasBreak_ ? need::kRun : 0));
  const std::int32_t stubBase = static_cast<std::int32_t>(body_.size());
  for (const GuardFix& g : guards_) body_[static_cast<std::size_t>(g.at)].y = group.first + stubBase + g.stub;
  for (std::int32_t f : forkAt_) body_[static_cast<std::size_t>(f)].y += group.first;
  for (std::int32_t k : loopAt_) {
    TMicro& loop = body_[static_cast<std::size_t>(k)];
    loop.y += group.first;
    loop.z += group.first + stubBase;
  }
  out_.insert(out_.end(), body_.begin(), body_.end());
  out_.insert(out_.end(), stubs_.begin(), stubs_.end());
  return true;
}

}  // namespace

bool BuildGroup(const TGroupContext& context, std::int32_t address, std::vector<TMicro>& micro, TGroup& group) {
  Builder b(context, micro);
  return b.Build(address, group);
}

std::string DumpGroup(const TMicro* micro, std::size_t first, std::size_t end) {
  static const char* const kNames[kMicroCount] = {
#define BQ_X(name) #name,
      BQ_MICRO_OPS(BQ_X)
#undef BQ_X
  };
  auto temp = [](std::uint8_t t) {
    std::string name(1, t == kNone ? '-' : 't');
    if (t != kNone) name += std::to_string(t);
    return name;
  };
  std::string s;
  for (std::size_t k = first; k < end; ++k) {
    const TMicro& m = micro[k];
    s += std::to_string(k - first) + " " + kNames[static_cast<int>(m.op)] + " " + temp(m.a) + " " + temp(m.b) +
         " " + std::to_string(m.c) + " " + std::to_string(m.x) + " " + std::to_string(m.y) + " " +
         std::to_string(m.z) + "\n";
  }
  return s;
}

}  // namespace bq::script
