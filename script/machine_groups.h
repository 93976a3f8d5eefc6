#pragma once
// The machine's own copy of the code image, and the groups it runs as one
// step. Private to the machine (script/machine*.cpp); the code image, the
// listing and the views never see any of this.
//
// The decoded copy has one entry per address: the handler that runs the
// instruction as it is written (chosen once by operation and mode), and
// whether a group may start there. A group is a run of instructions that the
// machine, the first time it arrives at the address with room to run it,
// translates into micro-operations on integer temporaries: straight code,
// unconditional jumps, calls and returns are followed, a conditional jump
// ends it. It is built for the state the machine is in (the kinds of the
// values it reads, where SPC and PAR point relative to STK) and checks that
// state every time it runs: a value that is not a plain integer leaves the
// group at that instruction with everything exactly as the instructions one
// by one would have left it, and the plain handlers go on from there. A
// path that comes back to where its group started, with the stack as it was,
// may go on round after round inside the group: what the rounds share stays
// in temporaries and is written only where the group leaves.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstddef>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/compare.h"
#include "script/instructions.h"
#include "script/machine.h"
#include "script/value.h"

namespace bq::script {

// The integer rules the plain handlers and the groups share: a result kept
// in 32 bits, the flags an integer sets, and whether a JCC condition holds.
inline std::int32_t Wrap(std::int64_t n) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(n)); }
inline std::uint16_t IntFlags(std::int32_t n) { return n == 0 ? kFlagZ : (n < 0 ? kFlagN : 0); }

// Whether a JCC condition holds, by condition and the Z and N flags.
inline constexpr bool kHolds[6][4] = {
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

// The text rules the plain handlers and the groups share.

// target := the one character c, without a call where target's length
// is 0 or 1 already.
inline void SetChar(std::string& target, char c) {
  if (target.size() == 1) {
    target[0] = c;
  } else if (target.empty()) {
    target.push_back(c);
  } else {
    target.assign(1, c);
  }
}

// target := source's bytes, in target's own buffer; one character, or a
// text of target's length, is copied in place without a call.
inline void CopyText(std::string& target, const std::string& source) {
  const std::size_t n = source.size();
  if (n == 1) {
    SetChar(target, source[0]);
  } else if (n != target.size() || n > 16) {
    target = source;
  } else if (n != 0) {
    std::memcpy(target.data(), source.data(), n);
  }
}

// a <-> b; two values without a text exchange only their kinds and numbers
// (a string swap is dear for what it does here).
inline void SwapValues(TScriptValue& a, TScriptValue& b) {
  if (a.Str.empty() && b.Str.empty()) {
    std::swap(a.Kind, b.Kind);
    std::swap(a.Int, b.Int);
  } else {
    std::swap(a, b);
  }
}

// Byte equality, without a call for the short texts a script compares most.
inline bool SameText(const std::string& a, const std::string& b) {
  const std::size_t n = a.size();
  if (n != b.size()) return false;
  if (n == 0) return true;
  return a[0] == b[0] && (n == 1 || std::memcmp(a.data() + 1, b.data() + 1, n - 1) == 0);
}

// Whether a comparison condition (EQ to LE) holds between two texts: equal
// only when their bytes are, ordered by the platform's collation.
inline bool TextHolds(std::uint8_t cond, const std::string& left, const std::string& right) {
  std::uint16_t flags = 0;
  if (cond <= static_cast<std::uint8_t>(Cond::NE)) {
    flags = SameText(left, right) ? kFlagZ : 0;
  } else {
    const int c = CompareText(left, right);
    flags = c == 0 ? kFlagZ : (c < 0 ? kFlagN : 0);
  }
  return kHolds[cond][flags];
}

// LENGTH: 4 for an integer-like value, else the bytes of its text.
inline std::int32_t TextLength(const TScriptValue& v) {
  if (v.IsIntLike()) return 4;
  return static_cast<std::int32_t>(std::min<std::size_t>(v.Str.size(), INT32_MAX));
}

// 0-based byte range [from, from + n) of a 1-based start and a count,
// clipped to a text of size bytes; false when it is empty or starts past
// the end.
inline bool ByteRange(std::size_t size, std::int32_t start1, std::int32_t count, std::size_t& from, std::size_t& n) {
  if (count <= 0) return false;
  const std::int64_t s = std::max<std::int64_t>(start1, 1) - 1;
  if (s >= static_cast<std::int64_t>(size)) return false;
  from = static_cast<std::size_t>(s);
  n = std::min<std::size_t>(static_cast<std::size_t>(count), size - from);
  return true;
}

// SUBSTR: a := the bytes of text in ByteRange of start and count (empty
// when there are none), kind 2, Int 0.
inline void SubText(TScriptValue& a, const std::string& text, std::int32_t start, std::int32_t count) {
  std::size_t from = 0, n = 0;
  if (!ByteRange(text.size(), start, count, from, n)) {
    a.Str.clear();
  } else if (n == 1) {
    SetChar(a.Str, text[from]);
  } else {
    a.Str.assign(text, from, n);
  }
  a.Kind = kind::kString;
  a.Int = 0;
}

// The plain handlers, one per operation and the modes worth telling apart.
#define BQ_PLAIN_HANDLERS(X)                                                                                 \
  X(Nop) X(Halt) X(LdaImm) X(LdaVar) X(LdaPar) X(LdaSlot) X(LdaPool) X(Lda) X(Ldb) X(StaVar) X(StaSlot) X(Sta) X(Clr)   \
  X(IncDec) X(NegNot) X(AddSub) X(MulImm) X(Mul) X(Logic) X(Cmp) X(Shft) X(Swap) X(Tst) X(Ldf) X(Stf)        \
  X(Host) X(Call) X(Lnk) X(Ret) X(Stkp) X(PushA) X(PushImm) X(PushVar) X(PushPar) X(PushSpc) X(Push) X(PopA) \
  X(PopSpc) X(PopFrp) X(Pop) X(Jmp) X(Jcc) X(Brk) X(Setf) X(Dset) X(Dget) X(Strf) X(Url) X(Nothing)

enum class Handler : std::uint8_t {
#define BQ_X(name) name,
  BQ_PLAIN_HANDLERS(BQ_X)
#undef BQ_X
  Group,     // a built group starts here
  GroupNew,  // a group may start here; built on first arrival
};
inline constexpr int kHandlerCount = static_cast<int>(Handler::GroupNew) + 1;

inline constexpr int kPassed = 0, kTaken = 1;

struct TDecoded {
  Handler op = Handler::Nothing;     // what the fetch loop dispatches on
  Handler plain = Handler::Nothing;  // the instruction as it is written
  std::uint8_t mode = 0;
  OpCode code = OpCode::NOP;
  std::int32_t operand = 0;
  std::int32_t group = -1;  // index into the machine's groups (op Group)
  // A JCC: how often groups went past it (way[kPassed]) and took it
  // (way[kTaken]), so that a group built again follows the way it usually
  // goes.
  std::uint32_t way[2] = {0, 0};
};

// Micro-operations. t[] are the group's integer temporaries, h is STK when
// the group started. Slot operations name their slot by its byte offset
// from slot h (the Rel forms) or from slot 0 (the Var forms) in x. A value
// written to a slot is (kind c, Int t[a], empty text); the K forms write the
// constant y for the Int, the H forms h+y; the X forms take the Int from
// t[a] or, when a is kNone, y, and the text from the digit ("1"/"0") of t[b]
// unless b is kNone.
// Guards jump to the exit stub y when the value they read is not an integer
// (kind 1) with an empty text (with c set, kind 1 suffices: the text is not
// used). A group may fork at a conditional jump into both of its paths (the
// Fork forms); each path ends in its own terminator, which leaves STK at h +
// the depth in w and counts the instructions of its path (also in w). The
// Text forms work on the values where they are, as the plain handlers do:
// a text never goes into a temporary; the TextCmp forms are the ones that
// guard (they leave when a side is not a text).
#define BQ_MICRO_OPS(X)                                                                        \
  X(GuardVar)   /* t[a] := variable */                                                         \
  X(GuardRel)   /* t[a] := slot */                                                             \
  X(GuardRelEq) /* the slot holds the integer c (empty text) */                                \
  X(GuardRelH)  /* the slot's Int is h+z, whatever its kind (with c set: a plain integer) */   \
  X(GuardSpc)   /* t[a] := slot SPC-x */                                                       \
  X(GuardPar)   /* t[a] := argument x of the current call (-1: the count) */                   \
  X(GuardA)     /* t[a] := A */                                                                \
  X(ReadRel)    /* t[a] := Int of the slot, whatever its kind */                               \
  X(Imm)        /* t[a] := x */                                                                \
  X(ImmH)       /* t[a] := h+x */                                                              \
  X(Move)       /* t[a] := t[b] */                                                             \
  X(Add) X(Sub) X(Mul) X(Div) X(Mod) X(And) X(Or) X(Xor) X(Shl) X(Shr) /* t[a] := t[b] op t[c] */ \
  X(Eq) X(Ne) X(Gt) X(Ge) X(Lt) X(Le)                                  /* (x when c is kNone) */   \
  X(Neg) X(Not)                                                        /* t[a] := op t[b] */       \
  X(StoreRel) X(StoreRelK) X(StoreRelX) X(StoreRelH)                  /* slot := value */         \
  X(StoreVar) X(StoreVarK) X(StoreVarX) X(StoreVarH)                   /* variable := value */     \
  X(StoreA) X(StoreAK) X(StoreAX) X(StoreAH)                           /* A := value */            \
  X(StoreSpc)   /* slot SPC-x := value, X form (outside the stack: nowhere) */                 \
  X(StoreB)     /* B := value, X form */                                                       \
  X(PushSpc)    /* slot := (c, SPC, empty); t[a] := SPC unless a is kNone */                   \
  X(IncVar)     /* variable: Int += y, kind 1; t[a] := the new Int unless a is kNone */        \
  X(IncRel)     /* the same for a slot */                                                      \
  X(IncSpc)     /* the same for slot SPC-x */                                                  \
  X(SwapB)      /* exchange B and the slot */                                                  \
  X(SwapA)      /* exchange A and the slot */                                                  \
  X(SetSpc)     /* SPC := t[a], or h+x when a is kNone */                                      \
  X(SetFrp)     /* FRP := t[a] */                                                              \
  X(Call)       /* CALL with STK h+x: PAR remembered, PAR := h+x-1; slots h+x, h+x+1, h+x+2 */ \
                /* := links FRP (t[a] := it unless kNone), SPC (t[b] likewise), y; SPC := */   \
                /* h+x+2; then the callee's LNK c: c empty values, SPC := h+x+2+c */           \
  X(Link)       /* LNK: c empty values from slot h+x; SPC := h+x+c-1 */                        \
  X(Ret)        /* RET to STK h+x: FRP, SPC := slots h+x, h+x+1; t[a] := slot h+x+2; PAR */    \
                /* := the remembered PAR, when there is one */                                 \
  X(Line)       /* current line := x */                                                        \
  X(CcrInt)     /* CCR := Z if t[a] = 0, N if below */                                         \
  X(CcrZero)    /* CCR := Z if t[a] = 0 */                                                     \
  X(CcrSign)    /* CCR := Z if t[a] = t[b] (x when b is kNone), N if below */                  \
  X(CcrConst)   /* CCR := x */                                                                 \
  X(ForkM)      /* if condition c holds on CCR and FRP, go on at micro-operation y (the JCC */ \
                /* is at z; w 1: the condition is the JCC's own turned round, so that the */   \
                /* way it usually goes comes next) */                                          \
  X(ForkZ)      /* the same on the flags Z if t[a] = 0 */                                      \
  X(ForkI)      /* the same on the flags Z if t[a] = 0, N if below */                          \
  X(ForkS)      /* the same on the sign of t[a] - t[b] (x when b is kNone) */                  \
  X(ForkEq) X(ForkNe) X(ForkGt) X(ForkGe) X(ForkLt) X(ForkLe) X(ForkAnd) /* a comparison or */     \
                /* AND and the JCC after it in one: v := t[a] op t[b] (x when b is kNone); go */ \
                /* on at y when v is c (1 or 0); counted in the JCC at z */                    \
  X(Branch)     /* the group ends, going on at y if condition c holds on CCR and FRP, else at */\
                /* z, the address after the JCC */                                             \
  X(JumpZ)      /* A := (1, t[a], its digit), CCR := Z if t[a] = 0; then as Branch */          \
  X(JumpI)      /* A := (1, t[a], empty), CCR := Z if t[a] = 0, N if below; then as Branch */  \
  X(JumpS)      /* A := (1, t[a], empty), CCR := sign of t[a] - t[b] (x); then as Branch */    \
  X(Goto)       /* the group ends, going on at y */                                            \
  X(Again)      /* the same where the group starts, STK, SPC and PAR as they were there: it */  \
                /* runs again at once while it may */                                          \
  X(Loop)       /* back where the group starts, with the values its round keeps in the loop */ \
                /* temporaries: the next round runs from micro-operation y when its x */        \
                /* instructions fall before the look at the pump, else the stub z writes */     \
                /* them and the group ends */                                                  \
  X(Return)     /* the group ends, going on at t[a]; the RET at y returns from Run when */     \
                /* that is y itself */                                                         \
  X(ReturnI)    /* RET to STK h+x as Ret (the address not kept); A := (1, t[a], empty), CCR */ \
                /* := Z if t[a] = 0, N if below; then as Return, the address from the slot */  \
  X(ReturnZ)    /* the same with CCR := Z if t[a] = 0 */                                       \
  X(TextVarA)   /* A := variable x as it is (a text, say); CCR := its flags */                 \
  X(TextPoolA)  /* A := text x of the pool; CCR := its flags */                                \
  X(TextAVar)   /* variable x := A as it is; with c set, CCR := the flags of A */             \
  X(TextARel)   /* slot := A as it is */                                                       \
  X(TextSubs)   /* SUBSTR of variable x from B's Int, t[a] bytes (y when a is kNone, A's own */\
                /* Int when c is 1), into A; CCR := its flags */                               \
  X(TextLen)    /* t[a] := LENGTH of A */                                                      \
  X(TextLenVar) /* t[a] := LENGTH of variable x */                                            \
  X(TextCmp)    /* t[a] := condition c holds between the slot and A, both texts (kind 2) */    \
  X(TextCmpPool) /* the same between the slot (a text) and text z of the pool */               \
  X(Exit)       /* x instructions ran; STK := h+(int8)c; the plain handlers go on at y */

enum class Micro : std::uint8_t {
#define BQ_X(name) name,
  BQ_MICRO_OPS(BQ_X)
#undef BQ_X
};
inline constexpr int kMicroCount = static_cast<int>(Micro::Exit) + 1;

inline constexpr std::uint8_t kNone = 255;  // no temporary
// Temporaries from kLoopTemps up hold what a group's loop carries from one
// round to the next; the paths' own stay below.
inline constexpr std::uint8_t kLoopTemps = 240;

struct TMicro {
  Micro op = Micro::Goto;
  std::uint8_t a = kNone, b = kNone, c = 0;
  std::int32_t x = 0, y = 0, z = 0;
  std::int32_t w = 0;  // terminators: the path's instructions and end depth (PathEnd)
  // Where the group loop runs it (its label there), filled in before a new
  // group first runs, so that each micro-operation jumps straight to the next.
  const void* label = nullptr;
};

// A terminator's w: the instructions its path ran (low half) and STK - h at
// its end (high half, signed).
constexpr std::int32_t PathEnd(std::int32_t length, std::int32_t depth) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(length & 0xFFFF) |
                                   (static_cast<std::uint32_t>(depth) << 16));
}
constexpr std::int32_t PathLength(std::int32_t w) { return w & 0xFFFF; }
constexpr std::int32_t PathDepth(std::int32_t w) { return w >> 16; }

// The builder keeps a group's stack depth within a signed byte, so an exit
// can carry it in c.
inline constexpr std::int32_t kMaxDepth = 100;

// What a group needs besides the machine being in state Run or StepLine
// with room before the next look at the pump.
namespace need {
inline constexpr std::uint8_t kSpc = 1;    // SPC - STK is spc
inline constexpr std::uint8_t kPar = 2;    // PAR - STK is par
inline constexpr std::uint8_t kCalls = 4;  // room for its CALLs' PARs
inline constexpr std::uint8_t kRun = 8;    // state Run (a BRK stops line steps)
}  // namespace need

struct TGroup {
  // What the fetch loop reads when it enters the group, first.
  std::int32_t first = 0;    // its first micro-operation
  std::int32_t length = 0;   // instructions its longest path runs
  std::int32_t lowest = 0;   // lowest slot it touches, relative to STK
  std::int32_t highest = 0;  // one above the highest slot it writes, relative to STK
  std::uint8_t needs = 0;    // need::
  std::int32_t spc = 0, par = 0;  // SPC - STK and PAR - STK it was built for
  std::int32_t calls = 0;  // CALLs it makes (each remembers a PAR)
  std::int32_t address = 0;  // where it starts
  bool profiled = false;  // every JCC it met had been seen going one way or both
  std::uint32_t runs = 0;
  std::uint32_t misses = 0;  // entries refused because SPC or PAR differed
  std::uint32_t exits = 0;   // early exits
  std::uint32_t builds = 0;
};

// What the builder needs to know of the machine when it builds a group: the
// image, the registers and the values the group would read now (it expects
// an integer where one is now, and stops before a value that is not).
struct TGroupContext {
  const TInstruction* code;
  std::int32_t count;      // instructions in the image
  std::int32_t variables;  // variable count
  std::int32_t stk, spc, par;
  const TScriptValue* stack;
  std::int32_t stackSize;
  const TScriptValue* a;
  const TDecoded* decoded;  // the JCCs' counts
};

// Builds the group starting at address; false when none would run two or
// more instructions. The micro-operations are appended to micro.
bool BuildGroup(const TGroupContext& context, std::int32_t address, std::vector<TMicro>& micro, TGroup& group);

// The micro-operations [first, end) one a line: name, a, b, c, x, y, z (the
// tests' and the benchmarks' look at what a group holds).
std::string DumpGroup(const TMicro* micro, std::size_t first, std::size_t end);

// The machine's decoded copy: for the image at `from` with `count`
// instructions, decoded with Fusion as `fused`.
struct TScriptMachine::TFastCopy {
  const TInstruction* from = nullptr;
  std::int32_t count = -1;
  bool fused = false;
  std::vector<TDecoded> decoded;
  std::vector<TGroup> groups;
  std::vector<TMicro> micro;
  std::size_t labelled = 0;  // micro-operations whose labels are filled in
};

// Groups are rebuilt (for the state of the machine then) when they leave
// early or are refused this often, up to kMaxBuilds times; then the address
// keeps its plain handler. kMaxMicro bounds what all groups of one image
// may hold.
inline constexpr std::uint32_t kRebuildAfter = 32;
// A group that met a JCC no group had seen yet is built again after this
// many runs, to follow the ways its JCCs go.
inline constexpr std::uint32_t kProfileRuns = 64;
inline constexpr std::uint32_t kMaxBuilds = 4;
inline constexpr std::size_t kMaxMicro = 1u << 22;

}  // namespace bq::script
