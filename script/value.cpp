#include "script/value.h"

#include <cstdint>

namespace bq::script {

namespace {

bool IsBlankByte(unsigned char c) { return c <= ' '; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlankByte(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && IsBlankByte(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

}  // namespace

std::string NotANumberMessage(std::string_view text) {
  // "'%s' は整数ではありません"
  std::string m = "'";
  m.append(text);
  m.append("' \x82\xcd\x90\xae\x90\x94\x82\xc5\x82\xcd\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1");
  return m;
}

std::int32_t TextToNumber(std::string_view text) {
  std::string_view t = TrimBlanks(text);
  bool negative = !t.empty() && t.front() == '-';
  std::string_view digits = negative ? t.substr(1) : t;
  for (char c : digits)
    if (c < '0' || c > '9') return 0;
  if (digits.empty()) {
    if (negative) throw EConvertError(NotANumberMessage(text));
    return 0;
  }
  std::uint64_t value = 0;
  for (char c : digits) {
    unsigned d = static_cast<unsigned>(c - '0');
    if (value > (UINT64_MAX - d) / 10) throw EConvertError(NotANumberMessage(text));
    value = value * 10 + d;
  }
  if (negative) value = 0 - value;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

void TScriptValue::ToInteger() {
  if (Kind == kind::kString) Int = TextToNumber(Str);
  Kind = kind::kInteger;
}

void TScriptValue::ToText() {
  if (IsIntLike()) Str = std::to_string(Int);
  Kind = kind::kString;
}

void TScriptValue::ToKind(std::uint8_t k) {
  if (k == kind::kInteger) {
    ToInteger();
  } else if (k == kind::kString) {
    ToText();
  } else {
    Kind = k;
  }
}

std::uint8_t ResultKind(std::uint8_t left, std::uint8_t right, std::uint8_t dflt) {
  if (left == kind::kEmpty) return right;
  if (right == kind::kEmpty) return left;
  if (left == right) return left;
  if (IsIntegerLike(left) && IsIntegerLike(right)) return kind::kInteger;
  return dflt;
}

}  // namespace bq::script
