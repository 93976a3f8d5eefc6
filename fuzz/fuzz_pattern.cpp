// Pattern search over arbitrary bytes. The input is split at its first NUL
// byte (or in half when there is none): pattern before, text after.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "textlib/pattern.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view in(reinterpret_cast<const char*>(data), size);
  std::size_t cut = in.find('\0');
  std::string_view pattern, text;
  if (cut == std::string_view::npos) {
    pattern = in.substr(0, size / 2);
    text = in.substr(size / 2);
  } else {
    pattern = in.substr(0, cut);
    text = in.substr(cut + 1);
  }
  // Every match found, as a clip loop walks them; each must lie inside the
  // text and begin at or after where the search started.
  std::size_t at = 0;
  for (int i = 0; i < 64 && at <= text.size(); ++i) {
    auto m = bq::PatternFind(text, pattern, at);
    if (!m) break;
    if (m->begin < at || m->begin > m->end || m->end > text.size()) std::abort();
    at = m->end > at ? m->end : at + 1;
  }
  if (bq::PatternWhole(text, pattern) && !bq::PatternContains(text, pattern)) std::abort();
  return 0;
}
