#include "builtins/folder_reach.h"

#include <algorithm>
#include <cstdint>

#include "script/tables.h"

namespace bq::builtins {

namespace {

namespace bi = script::bi;
using script::OpCode;

// The stack-argument builtins that work on their arguments, the article
// record or the print text alone.
constexpr std::uint8_t kInMemoryBuiltins[] = {bi::kTagStripSet, bi::kPrint,  bi::kDateFormat, bi::kFormatDate,
                                              bi::kUrlNum,      bi::kHref,   bi::kLinks,      bi::kCsv,
                                              bi::kShiftCsv,    bi::kDecodeDate};

bool InMemoryBuiltin(std::int32_t code) {
  return std::find(std::begin(kInMemoryBuiltins), std::end(kInMemoryBuiltins), code) != std::end(kInMemoryBuiltins);
}

bool InMemoryExtended(std::uint8_t sub) {
  using script::XfnOp;
  switch (static_cast<XfnOp>(sub)) {
    case XfnOp::SLEP: case XfnOp::IMG: case XfnOp::FRM: case XfnOp::DECD: case XfnOp::CLIP: case XfnOp::CSVSORT:
      return true;
    default:
      return false;
  }
}

bool Reaches(const script::TInstruction& i) {
  if (i.Mode == script::mode::kSystem && i.Operand == static_cast<std::int32_t>(script::SysValue::DataFolder))
    return true;
  switch (i.Op) {
    case OpCode::LDF: case OpCode::STF: case OpCode::HTTP:
      return true;
    case OpCode::BLTN: return !InMemoryBuiltin(i.Operand);
    case OpCode::XFN: return !InMemoryExtended(i.Mode);
    case OpCode::LSTF: return i.Mode == static_cast<std::uint8_t>(script::ListOp::TPIC);
    case OpCode::DSET: case OpCode::DGET:
      return (i.Mode >> 4) == static_cast<std::uint8_t>(script::Field::LINK);
    default:
      return false;
  }
}

}  // namespace

bool ReachesFolders(const script::TCodeImage& code) {
  const auto& all = code.Instructions();
  return std::any_of(all.begin(), all.end(), Reaches);
}

}  // namespace bq::builtins
