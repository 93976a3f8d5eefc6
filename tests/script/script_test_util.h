#pragma once
// Helpers for the script tests: compile a snippet, read back its listing as
// lines, and catch compile errors as UTF-8 text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/engine.h"
#include "script/listing.h"
#include "textlib/cp932.h"

namespace bq::script::test {

using Lines = std::vector<std::string>;

inline std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t j = text.find("\r\n", i);
    if (j == std::string::npos) j = text.size();
    lines.push_back(text.substr(i, j - i));
    i = j + 2;
  }
  return lines;
}

// The listing lines (without addresses) of a compiled UTF-8 snippet.
inline std::vector<std::string> Listing(TScriptEngine& engine, const std::string& utf8, bool debug = false) {
  EXPECT_TRUE(engine.CompileScript(Utf8ToSjis(utf8), debug));
  std::vector<std::string> out;
  for (std::int32_t a = 0; a < engine.Code.Count(); ++a) out.push_back(SjisToUtf8(ListInstruction(engine, a)));
  return out;
}

// The listing lines from address `from` on (skipping the fixed BRK/NOP/HALT).
inline std::vector<std::string> Body(const std::string& utf8, std::int32_t from = 3) {
  TScriptEngine engine;
  std::vector<std::string> all = Listing(engine, utf8);
  if (static_cast<std::size_t>(from) > all.size()) return {};
  return std::vector<std::string>(all.begin() + from, all.end());
}

// The compile error text of a UTF-8 snippet, converted to UTF-8; CR LF shown as "|".
inline std::string ErrorOf(TScriptEngine& engine, const std::string& utf8, bool debug = false) {
  try {
    engine.CompileScript(Utf8ToSjis(utf8), debug);
  } catch (const ECompileError& e) {
    std::string text = SjisToUtf8(e.what());
    std::size_t p = text.find("\r\n");
    if (p != std::string::npos) text.replace(p, 2, "|");
    return text;
  }
  return "(no error)";
}

inline std::string ErrorOf(const std::string& utf8) {
  TScriptEngine engine;
  return ErrorOf(engine, utf8);
}

}  // namespace bq::script::test
