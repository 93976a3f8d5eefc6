#pragma once
// Reading builtin arguments as the numbers and texts they stand for.
#include <cstdint>
#include <string>

#include "script/value.h"

namespace bq::builtins {

// An integer where one is needed (texts through the number rule, which may
// raise the conversion error).
inline std::int32_t IntOf(const script::TScriptValue& v) {
  if (v.IsIntLike()) return v.Int;
  if (v.IsEmpty()) return 0;
  return script::TextToNumber(v.Str);
}
// A text where one is needed (integers as their decimal text).
inline std::string TextOf(const script::TScriptValue& v) {
  if (v.IsIntLike()) return std::to_string(v.Int);
  return v.Str;
}

}  // namespace bq::builtins
