// The machine's decoded copy of the code image: the same instructions, with
// the first instruction of each recognised hot sequence replaced by a fused
// operation that Run executes in one step when it may (see Run). Every other
// address keeps its own instruction, so a jump into the middle of a group
// runs the plain instructions one by one. The copy is made again on the
// first Run after every reset (each compile resets the machine) and whenever
// the image's size or storage has changed since.
#include "script/machine.h"

namespace bq::script {

namespace {

bool Is(const TInstruction& ins, OpCode op, std::uint8_t mode) { return ins.Op == op && ins.Mode == mode; }

// c: LDA var v; TST SPC-0; JCC GT|LT out; JMP c+6; JMP; JMP; PUSH SPC
// (the test at the top of a FOR loop, falling into the body).
bool IsForHead(const TInstruction* c, std::int32_t at, std::int32_t count) {
  if (at + 7 > count - 1) return false;
  const TInstruction* p = c + at;
  return Is(p[0], OpCode::LDA, mode::kVariable) && Is(p[1], OpCode::TST, mode::kSlot) && p[1].Operand == 0 &&
         p[2].Op == OpCode::JCC &&
         (p[2].Mode == static_cast<std::uint8_t>(Cond::GT) || p[2].Mode == static_cast<std::uint8_t>(Cond::LT)) &&
         p[2].Operand != at + 2 && Is(p[3], OpCode::JMP, mode::kNone) && p[3].Operand == at + 6 &&
         Is(p[6], OpCode::PUSH, mode::kSlot);
}

// e: POP SPC; INC|DEC var v; JMP back (the step at the end of a FOR loop).
bool IsForTail(const TInstruction* c, std::int32_t at, std::int32_t count) {
  if (at + 3 > count - 1) return false;
  const TInstruction* p = c + at;
  return Is(p[0], OpCode::POP, mode::kSlot) &&
         (Is(p[1], OpCode::INC, mode::kVariable) || Is(p[1], OpCode::DEC, mode::kVariable)) &&
         Is(p[2], OpCode::JMP, mode::kNone) && p[2].Operand != at + 2;
}

// s: LDA var a; PUSH; LDA var b; MUL #k; ADD|SUB; STA var d
// (d := a + b * k and d := a - b * k).
bool IsAddMul(const TInstruction* c, std::int32_t at, std::int32_t count) {
  if (at + 6 > count - 1) return false;
  const TInstruction* p = c + at;
  return Is(p[0], OpCode::LDA, mode::kVariable) && Is(p[1], OpCode::PUSH, mode::kNone) &&
         Is(p[2], OpCode::LDA, mode::kVariable) && Is(p[3], OpCode::MUL, mode::kImmediate) &&
         (p[4].Op == OpCode::ADD || p[4].Op == OpCode::SUB) && Is(p[5], OpCode::STA, mode::kVariable);
}

}  // namespace

void TScriptMachine::Decode() {
  const std::vector<TInstruction>& code = code_->Instructions();
  const std::int32_t count = code_->Count();
  decoded_.assign(code.begin(), code.end());
  for (TInstruction& ins : decoded_) {
    if (static_cast<std::uint8_t>(ins.Op) >= kOpCount) ins.Op = static_cast<OpCode>(kOpCount);  // does nothing
  }
  decodedFrom_ = code.data();
  decodedCount_ = count;
  decodedFused_ = Fusion;
  if (!Fusion) return;
  const TInstruction* c = code.data();
  for (std::int32_t at = 0; at < count; ++at) {
    std::uint8_t fused = 0;
    if (IsForHead(c, at, count)) {
      // FOR v := .. DO d := a + b * k: the whole pass, when the body follows
      // the head and the step jumps back to it.
      bool whole = IsAddMul(c, at + 7, count) && IsForTail(c, at + 13, count) && c[at + 15].Operand == at;
      fused = whole ? kFuseForLoop : kFuseForHead;
    } else if (IsForTail(c, at, count)) {
      fused = kFuseForTail;
    } else if (IsAddMul(c, at, count)) {
      fused = kFuseAddMul;
    }
    if (fused != 0) decoded_[static_cast<std::size_t>(at)].Op = static_cast<OpCode>(fused);
  }
}

bool TScriptMachine::FusedAt(std::int32_t address) {
  if (decodedFrom_ != code_->Instructions().data() || decodedCount_ != code_->Count() || decodedFused_ != Fusion) {
    Decode();
  }
  if (address < 0 || address >= decodedCount_) return false;
  return static_cast<std::uint8_t>(decoded_[static_cast<std::size_t>(address)].Op) > kOpCount;
}

}  // namespace bq::script
