#pragma once
// The code listing of the debug views: one line per instruction, naming
// operations, sub-operations, variables, procedures and pool texts from the
// shared tables.
#include <cstdint>
#include <string>
#include <string_view>

#include "script/engine.h"

namespace bq::script {

// The text character by character (a double-byte character is one), every
// byte below 32 shown as '.', at most limit characters, then ">>>..." when
// text remains.
std::string ShowText(std::string_view text, int limit);

// One instruction without its address prefix, e.g. "LDA  #1".
std::string ListInstruction(const TScriptEngine& engine, std::int32_t address);

// Every instruction as "%3d: " + ListInstruction + CR LF.
std::string ListCode(const TScriptEngine& engine);

}  // namespace bq::script
