#include "app/core/list/body_lines.h"

#include "app/core/list/article_reader.h"

namespace bq::app {

std::vector<BodyLine> BodyLines(std::string_view body) {
  std::vector<BodyLine> lines;
  std::size_t pos = 0;
  bool previous = false;
  while (pos < body.size()) {
    std::size_t lf = body.find('\n', pos);
    std::size_t end = lf == std::string_view::npos ? body.size() : lf;
    std::string_view text = body.substr(pos, end - pos);
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    bool quote = text.empty() ? previous : IsQuoteLine(text);
    lines.push_back({std::string(text), quote});
    previous = quote;
    pos = lf == std::string_view::npos ? body.size() : lf + 1;
  }
  return lines;
}

}  // namespace bq::app
