#include "script/listing.h"

#include <cstdio>

#include "script/tables.h"
#include "textlib/cp932.h"

namespace bq::script {

namespace {

constexpr int kPoolTextLimit = 32;

std::string Format(const char* fmt, auto... args) {
  char buf[64];
  int n = std::snprintf(buf, sizeof buf, fmt, args...);
  if (n < 0) return {};
  if (static_cast<std::size_t>(n) < sizeof buf) return std::string(buf, static_cast<std::size_t>(n));
  std::string out(static_cast<std::size_t>(n) + 1, '\0');
  std::snprintf(out.data(), out.size(), fmt, args...);
  out.resize(static_cast<std::size_t>(n));
  return out;
}

// Concatenation by appending (sidesteps a false -Wrestrict of GCC 12 on
// literal + std::string).
template <class... Parts>
std::string Join(const Parts&... parts) {
  std::string out;
  (out.append(std::string_view(parts)), ...);
  return out;
}

std::string_view SubOpName(OpCode op, std::uint8_t mode) {
  for (const SubOpFamily& f : kSubOpFamilies)
    if (f.op == op) return mode < f.count ? kSubOpNames[f.first + mode] : std::string_view("????");
  return "????";
}

std::string_view CondName(std::uint8_t mode) { return mode < std::size(kCondNames) ? kCondNames[mode] : "??"; }

std::string PoolText(const TScriptEngine& e, std::int32_t index) { return ShowText(e.Pool[index], kPoolTextLimit); }

// " name(slot)" for a variable slot, or the fallback when no variable has it.
std::string VariableOr(const TScriptEngine& e, std::string_view prefix, std::int32_t slot, const std::string& fallback) {
  const std::string* name = e.Symbols.VariableName(slot);
  if (!name) return fallback;
  return Join(prefix, *name, Format("(%d)", slot));
}

std::string SubOpOperand(const TScriptEngine& e, const TInstruction& in) {
  std::string name(SubOpName(in.Op, in.Mode));
  return VariableOr(e, Join(" ", name, ","), in.Operand, Format(" %s,%d ***", name.c_str(), in.Operand));
}

std::string ArticleOperand(const TScriptEngine& e, const TInstruction& in) {
  int h = in.Mode >> 4;
  switch (in.Mode & 15) {
    case 0:
      if (h == 14) return " URL";
      if (h == 15) return " CLR";
      return Format(" %d,REG", h);
    case 1: return Format(" %d,#%d", h, in.Operand);
    case 2: return Join(Format(" %d,'", h), PoolText(e, in.Operand), Format("'(%d)", in.Operand));
    case 3: return Join(Format(" %d,@\"", h), PoolText(e, in.Operand), Format("\"(%d)", in.Operand));
    case 4: return VariableOr(e, Format(" %d,", h), in.Operand, Format(" %d,%d ***", h, in.Operand));
    default: return Format(" %d,?%d", h, in.Mode & 15);
  }
}

std::string GeneralOperand(const TScriptEngine& e, const TInstruction& in) {
  switch (in.Mode) {
    case 0: return Format(" #%d", in.Operand);
    case 1: return Join(" S,'", PoolText(e, in.Operand), Format("'(%d)", in.Operand));
    case 2: return Join(" V,\"", PoolText(e, in.Operand), Format("\"(%d)", in.Operand));
    case 4: return Format(" PAR[%d]", in.Operand);
    case 5: return Format(" SPC,%d", in.Operand);
    case 6: return Format(" @%d", in.Operand);
    case 7: return Format(" AUX[%d]", in.Operand);
    case 128:
      if (in.Operand >= 0 && in.Operand < static_cast<std::int32_t>(std::size(kSystemValueNames)))
        return Join(" ", kSystemValueNames[in.Operand], Format("[%d]", in.Operand));
      return Format(" @???[%d]", in.Operand);
    case 210: return Format(" MAX[%d]", in.Operand);
    case 211: return Format(" MIN[%d]", in.Operand);
    case 255: return {};
    default: return VariableOr(e, " ", in.Operand, Format(" %d(%d)***", in.Mode, in.Operand));
  }
}

std::string Operand(const TScriptEngine& e, const TInstruction& in) {
  switch (in.Op) {
    case OpCode::CMP: return Join(" ", CondName(in.Mode));
    case OpCode::SHFT:
      return Join(" ", in.Mode < 2 ? kShiftNames[in.Mode] : "????", Format(",[%d]", in.Operand));
    case OpCode::BLTN: {
      std::string_view name = BuiltinName(static_cast<std::uint8_t>(in.Operand & 0xFF));
      return name.empty() ? std::string(" *????") : Join(" ", name);
    }
    case OpCode::CALL:
    case OpCode::JMP: {
      std::int32_t s = e.Symbols.FindByValue(Kinds(sym::kFunction, sym::kProcedure), in.Operand);
      if (s < 0) return Format(" %d", in.Operand);
      return Join(" ", e.Symbols[s].Name, Format("(%d)", in.Operand));
    }
    case OpCode::JCC: return Join(" ", CondName(in.Mode), Format(",%d", in.Operand));
    case OpCode::DSET:
    case OpCode::DGET: return ArticleOperand(e, in);
    case OpCode::STRF:
      if (in.Mode == static_cast<std::uint8_t>(StrOp::RCMP))
        return Join(" ", SubOpName(in.Op, in.Mode), ",", PoolText(e, in.Operand), Format("(%d)", in.Operand));
      return SubOpOperand(e, in);
    case OpCode::LSTF: return Join(" ", SubOpName(in.Op, in.Mode), Format(",[%d]", in.Operand));
    case OpCode::HTTP: return SubOpOperand(e, in);
    case OpCode::XFN:
      if (in.Mode == static_cast<std::uint8_t>(XfnOp::GET)) return " *GETLOG";
      return SubOpOperand(e, in);
    case OpCode::WIN: return Join(" ", SubOpName(in.Op, in.Mode), Format("(%d)", in.Operand));
    default: return GeneralOperand(e, in);
  }
}

}  // namespace

std::string ShowText(std::string_view text, int limit) {
  std::string out;
  int shown = 0;
  std::size_t i = 0;
  while (i < text.size() && shown < limit) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    std::size_t n = IsLeadByte(c) && i + 1 < text.size() ? 2 : 1;
    if (n == 1 && c < 32) {
      out += '.';
    } else {
      out.append(text.substr(i, n));
    }
    i += n;
    ++shown;
  }
  if (i < text.size()) out += ">>>...";
  return out;
}

std::string ListInstruction(const TScriptEngine& engine, std::int32_t address) {
  if (!engine.Code.Contains(address)) return {};
  const TInstruction& in = engine.Code[address];
  auto op = static_cast<int>(in.Op);
  std::string line(op < kOpCount ? kOpInfo[op].mnemonic : std::string_view("????"));
  line += Operand(engine, in);
  return line;
}

std::string ListCode(const TScriptEngine& engine) {
  std::string out;
  out.reserve(static_cast<std::size_t>(engine.Code.Count()) * 24);
  for (std::int32_t a = 0; a < engine.Code.Count(); ++a) {
    out += Format("%3d: ", a);
    out += ListInstruction(engine, a);
    out += "\r\n";
  }
  return out;
}

}  // namespace bq::script
