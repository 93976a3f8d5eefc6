// The machine's decoded copy of the code image: a plain handler for every
// address, chosen once by operation and mode, and the groups built on it the
// first time the fetch loop arrives at an address (machine_groups.h). The
// copy is made again on the first Run after every reset (each compile resets
// the machine) and whenever the image or Fusion has changed since.
#include "script/machine.h"
#include "script/machine_groups.h"

namespace bq::script {

namespace {

Handler PlainHandler(const TInstruction& ins) {
  const std::uint8_t m = ins.Mode;
  switch (ins.Op) {
    case OpCode::NOP: return Handler::Nop;
    case OpCode::HALT: return Handler::Halt;
    case OpCode::LDA:
      switch (m) {
        case mode::kImmediate: return Handler::LdaImm;
        case mode::kVariable: return Handler::LdaVar;
        case mode::kParameter: return Handler::LdaPar;
        case mode::kSlot: return Handler::LdaSlot;
        case mode::kPool: return Handler::LdaPool;
        default: return Handler::Lda;
      }
    case OpCode::LDB: return Handler::Ldb;
    case OpCode::STA:
      return m == mode::kVariable ? Handler::StaVar : (m == mode::kSlot ? Handler::StaSlot : Handler::Sta);
    case OpCode::CLR: return Handler::Clr;
    case OpCode::INC:
    case OpCode::DEC: return Handler::IncDec;
    case OpCode::NEG:
    case OpCode::NOT: return Handler::NegNot;
    case OpCode::ADD:
    case OpCode::SUB: return Handler::AddSub;
    case OpCode::MUL:
    case OpCode::DIV:
    case OpCode::MOD: return m == mode::kImmediate ? Handler::MulImm : Handler::Mul;
    case OpCode::AND:
    case OpCode::OR:
    case OpCode::XOR: return Handler::Logic;
    case OpCode::CMP: return Handler::Cmp;
    case OpCode::SHFT: return Handler::Shft;
    case OpCode::SWAP: return Handler::Swap;
    case OpCode::TST: return Handler::Tst;
    case OpCode::LDF: return Handler::Ldf;
    case OpCode::STF: return Handler::Stf;
    case OpCode::BLTN:
    case OpCode::LSTF:
    case OpCode::HTTP:
    case OpCode::XFN:
    case OpCode::WIN: return Handler::Host;
    case OpCode::CALL: return Handler::Call;
    case OpCode::LNK: return Handler::Lnk;
    case OpCode::RET: return Handler::Ret;
    case OpCode::STKP: return Handler::Stkp;
    case OpCode::PUSH:
      switch (m) {
        case mode::kNone: return Handler::PushA;
        case mode::kImmediate: return Handler::PushImm;
        case mode::kVariable: return Handler::PushVar;
        case mode::kParameter: return Handler::PushPar;
        case mode::kSlot: return Handler::PushSpc;
        default: return Handler::Push;
      }
    case OpCode::POP:
      switch (m) {
        case mode::kSlot: return Handler::PopSpc;
        case mode::kFrp: return Handler::PopFrp;
        case mode::kRegB: return Handler::Pop;
        default: return Handler::PopA;
      }
    case OpCode::JMP: return Handler::Jmp;
    case OpCode::JCC: return Handler::Jcc;
    case OpCode::BRK: return Handler::Brk;
    case OpCode::SETF: return Handler::Setf;
    case OpCode::DSET: return Handler::Dset;
    case OpCode::DGET: return Handler::Dget;
    case OpCode::STRF: return Handler::Strf;
    case OpCode::URL: return Handler::Url;
    default: return Handler::Nothing;  // STB, LEFT, RGHT and unknown codes
  }
}

}  // namespace

void TScriptMachine::Decode() {
  if (!fast_) fast_ = std::make_unique<TFastCopy>();
  TFastCopy& f = *fast_;
  const std::vector<TInstruction>& code = code_->Instructions();
  f.from = code.data();
  f.count = code_->Count();
  f.fused = Fusion;
  f.groups.clear();
  f.micro.clear();
  f.labelled = 0;
  f.decoded.assign(code.size(), TDecoded{});
  for (std::size_t a = 0; a < code.size(); ++a) {
    TDecoded& e = f.decoded[a];
    e.plain = PlainHandler(code[a]);
    e.op = Fusion ? Handler::GroupNew : e.plain;
    e.mode = code[a].Mode;
    e.code = code[a].Op;
    e.operand = code[a].Operand;
  }
}

// Builds (or builds again) the group at address for the machine's state
// now; false, and the address keeps its plain handler, when none would run.
bool TScriptMachine::BuildGroupAt(std::int32_t address) {
  TFastCopy& f = *fast_;
  TDecoded& e = f.decoded[static_cast<std::size_t>(address)];
  TGroup g;
  bool built = false;
  if (f.micro.size() < kMaxMicro) {
    TGroupContext c{code_->Instructions().data(), code_->Count(), code_->VariableCount, R.STK, R.SPC, R.PAR,
                    stack_.data(), StackSize(), &R.A, f.decoded.data()};
    built = BuildGroup(c, address, f.micro, g);
  }
  if (!built) {
    e.op = e.plain;
    return false;
  }
  g.address = address;
  if (e.group >= 0) {
    g.builds = f.groups[static_cast<std::size_t>(e.group)].builds + 1;
    f.groups[static_cast<std::size_t>(e.group)] = g;
  } else {
    g.builds = 1;
    e.group = static_cast<std::int32_t>(f.groups.size());
    f.groups.push_back(g);
  }
  e.op = Handler::Group;
  return true;
}

bool TScriptMachine::FusedAt(std::int32_t address) const {
  if (!fast_ || fast_->from != code_->Instructions().data() || fast_->count != code_->Count() ||
      fast_->fused != Fusion || address < 0 || address >= fast_->count) {
    return false;
  }
  return fast_->decoded[static_cast<std::size_t>(address)].op == Handler::Group;
}

std::string TScriptMachine::GroupListing(std::int32_t address) const {
  if (!FusedAt(address)) return {};
  const TFastCopy& f = *fast_;
  const TGroup& g = f.groups[static_cast<std::size_t>(f.decoded[static_cast<std::size_t>(address)].group)];
  const std::size_t first = static_cast<std::size_t>(g.first);
  std::size_t end = f.micro.size();
  for (const TGroup& other : f.groups) {
    const auto at = static_cast<std::size_t>(other.first);
    if (at > first && at < end) end = at;
  }
  return "runs " + std::to_string(g.runs) + " exits " + std::to_string(g.exits) + " misses " +
         std::to_string(g.misses) + " builds " + std::to_string(g.builds) + " length " + std::to_string(g.length) +
         "\n" + DumpGroup(f.micro.data(), first, end);
}

}  // namespace bq::script
