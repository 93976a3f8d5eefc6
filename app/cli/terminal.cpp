#include "app/cli/terminal.h"

#include "textlib/cp932.h"

namespace bq::cli {

std::string TerminalText(std::string_view sjis) {
  std::string utf8 = SjisToUtf8(sjis);
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] == '\r') {
      out += '\n';
      if (i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
    } else {
      out += utf8[i];
    }
  }
  return out;
}

}  // namespace bq::cli
