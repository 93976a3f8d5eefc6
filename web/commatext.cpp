#include "web/commatext.h"

namespace bq {
namespace {

bool IsBlank(char c) { return c != '\0' && static_cast<unsigned char>(c) <= ' '; }

// Reads a quoted item starting at the opening quote; stops after the
// closing quote (or at the end of the text when it is missing).
std::string ReadQuoted(std::string_view text, size_t& i) {
  std::string out;
  ++i;
  while (i < text.size()) {
    if (text[i] == '"') {
      if (i + 1 < text.size() && text[i + 1] == '"') {
        out.push_back('"');
        i += 2;
        continue;
      }
      ++i;
      return out;
    }
    out.push_back(text[i++]);
  }
  return out;
}

}  // namespace

std::vector<std::string> SplitCommaText(std::string_view text) {
  std::vector<std::string> items;
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  while (i < text.size()) {
    if (text[i] == '"') {
      items.push_back(ReadQuoted(text, i));
    } else {
      size_t start = i;
      while (i < text.size() && !IsBlank(text[i]) && text[i] != ',') ++i;
      items.emplace_back(text.substr(start, i - start));
    }
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i < text.size() && text[i] == ',') {
      if (i + 1 == text.size()) items.emplace_back();
      do {
        ++i;
      } while (i < text.size() && IsBlank(text[i]));
    }
  }
  return items;
}

std::string JoinCommaText(const std::vector<std::string>& items) {
  if (items.size() == 1 && items[0].empty()) return "\"\"";
  std::string out;
  for (size_t n = 0; n < items.size(); ++n) {
    const std::string& s = items[n];
    bool quote = false;
    for (char c : s)
      if (static_cast<unsigned char>(c) <= ' ' || c == '"' || c == ',') quote = true;
    if (n) out.push_back(',');
    if (!quote) {
      out += s;
      continue;
    }
    out.push_back('"');
    for (char c : s) {
      if (c == '"') out.push_back('"');
      out.push_back(c);
    }
    out.push_back('"');
  }
  return out;
}

}  // namespace bq
