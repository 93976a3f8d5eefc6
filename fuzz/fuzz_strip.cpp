// Tag stripping, tag case and tag ends over arbitrary bytes. The first byte
// picks the strip mode and whether extra tag actions are set.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "textlib/html.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const unsigned mode = data[0] & 7;
  std::string html(reinterpret_cast<const char*>(data + 1), size - 1);
  bq::TagActionTable table;
  if (data[0] & 8) {
    table.Set("FONT:B", bq::kTagColor, bq::kTagColor);
    table.Set(":SPAN:I:", bq::kTagClass, bq::kTagClass);
    table.Set("A", bq::kTagComma, bq::kTagSpace);
  }
  std::string text = bq::StripHtml(html, table, mode);
  if (text.size() > 2 * html.size() + 16 && text.size() > 8 * html.size()) std::abort();
  std::string upper = bq::TagUpperCase(html, true);
  if (upper.size() != html.size()) std::abort();
  std::string copy = html;
  std::size_t hint = std::string::npos;
  for (std::size_t i = copy.find('<'); i != std::string::npos && i < copy.size(); i = copy.find('<', i + 1)) {
    std::size_t end = bq::FindTagEndBlanking(copy, i + 1, &hint);
    if (end > copy.size()) std::abort();
    i = end;
  }
  if (copy.size() != html.size()) std::abort();
  bq::DecodeHtmlEntities(html);
  return 0;
}
