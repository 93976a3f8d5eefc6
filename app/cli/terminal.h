#pragma once
// Text on its way to the terminal: the system's Shift_JIS with CR LF line
// breaks becomes UTF-8 with LF.
#include <string>
#include <string_view>

namespace bq::cli {

std::string TerminalText(std::string_view sjis);

}  // namespace bq::cli
