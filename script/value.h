#pragma once
// TScriptValue, the one value of the script machine, its conversions between
// number and text, and the machine registers that hold such values.
#include <cstdint>
#include <string>
#include <string_view>

#include "textlib/error.h"

namespace bq::script {

// A text that must become a number is not one ("'%s' は整数ではありません").
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// Value kinds. A link (saved register) counts as an integer wherever a kind
// is tested.
namespace kind {
inline constexpr std::uint8_t kEmpty = 0;
inline constexpr std::uint8_t kInteger = 1;
inline constexpr std::uint8_t kString = 2;
inline constexpr std::uint8_t kLink = 7;
}  // namespace kind

constexpr bool IsIntegerLike(std::uint8_t k) { return k == kind::kInteger || k == kind::kLink; }

// The error text for a text that is not a number.
std::string NotANumberMessage(std::string_view text);

// The number rule: trimmed text that is an optional '-' and decimal digits,
// read as 64 bits and cut to the low 32; any other text (the empty text
// included) is 0. A lone "-" or a digit run beyond 64 bits throws
// EConvertError.
std::int32_t TextToNumber(std::string_view text);

struct TScriptValue {
  std::string Str;
  std::uint8_t Kind = kind::kEmpty;
  std::int32_t Int = 0;

  static TScriptValue Integer(std::int32_t n) { return TScriptValue{std::string(), kind::kInteger, n}; }
  static TScriptValue Text(std::string s) { return TScriptValue{std::move(s), kind::kString, 0}; }
  static TScriptValue Link(std::int32_t n) { return TScriptValue{std::string(), kind::kLink, n}; }

  bool IsEmpty() const { return Kind == kind::kEmpty; }
  bool IsText() const { return Kind == kind::kString; }
  bool IsIntLike() const { return IsIntegerLike(Kind); }
  void Clear() {
    Str.clear();
    Kind = kind::kEmpty;
    Int = 0;
  }

  // Converts in place to kind 1 (a text through the number rule; other kinds
  // keep Int). Str is left as it was.
  void ToInteger();
  // Converts in place to kind 2 (an integer-like value gets its decimal
  // text; other kinds keep Str). Int is left as it was.
  void ToText();
  // Converts in place to the given kind (1 or 2; others only set Kind).
  void ToKind(std::uint8_t k);
};

// Result kind of a two-operand operation: if one side is empty the other's
// kind; equal kinds that kind; both integer-like 1; otherwise dflt (2 for
// ADD, 1 for everything else).
std::uint8_t ResultKind(std::uint8_t left, std::uint8_t right, std::uint8_t dflt);

// The machine registers. The article record (the current article being
// assembled by PACK) belongs to the machine's builtins layer and is kept
// beside these, not here.
struct TRegisters {
  TScriptValue A;
  TScriptValue B;
  std::int32_t PC = 0;
  std::int32_t STK = 0;
  std::int32_t SPC = 0;
  std::int32_t PAR = 0;
  std::intptr_t FRP = 0;    // current list position (0 = none)
  std::uint16_t CCR = 0;    // bit 0 Z, bit 1 N, bit 8 page-fetch option
  std::uint16_t SMR = 0;    // tag-strip mode used by STRIP
  std::string URL;          // address of the current page
  std::int32_t CurrentLine = 0;  // operand of the last BRK executed
};

}  // namespace bq::script
