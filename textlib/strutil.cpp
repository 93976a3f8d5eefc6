#include "textlib/strutil.h"

#include "textlib/cp932.h"

namespace bq {
namespace {

bool SameNoCase(unsigned char a, unsigned char b) { return a == b || (a ^ b) == 0x20; }

bool IsBlank(unsigned char c) { return c <= 0x20; }

}  // namespace

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (prefix.size() > text.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (!SameNoCase(static_cast<unsigned char>(text[i]), static_cast<unsigned char>(prefix[i]))) {
      return false;
    }
  }
  return true;
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
  return suffix.size() <= text.size() && StartsWithNoCase(text.substr(text.size() - suffix.size()), suffix);
}

std::size_t SearchNoCase(std::string_view text, std::string_view what) {
  for (std::size_t i = 0; i < text.size();) {
    if (StartsWithNoCase(text.substr(i), what)) return i;
    i += (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
  }
  return what.empty() ? 0 : std::string_view::npos;
}

std::size_t SearchSjis(std::string_view text, std::string_view what, std::size_t from) {
  if (what.empty()) return from <= text.size() ? from : std::string_view::npos;
  std::size_t i = 0;
  while (i < from && i < text.size()) {
    i += (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
  }
  for (; i + what.size() <= text.size();) {
    if (text.compare(i, what.size(), what) == 0) return i;
    i += (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
  }
  return std::string_view::npos;
}

int FirstMatchingPrefix(std::string_view text, const std::vector<std::string_view>& prefixes) {
  for (std::size_t i = 0; i < prefixes.size(); ++i) {
    if (StartsWithNoCase(text, prefixes[i])) return static_cast<int>(i);
  }
  return -1;
}

std::string_view TrimBlanks(std::string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && IsBlank(static_cast<unsigned char>(text[b]))) ++b;
  while (e > b && IsBlank(static_cast<unsigned char>(text[e - 1]))) --e;
  return text.substr(b, e - b);
}

std::string Between(std::string_view text, std::string_view start, std::string_view end) {
  std::size_t from = 0;
  if (!start.empty()) {
    std::size_t p = SearchSjis(text, start);
    if (p == std::string_view::npos) return {};
    from = p + start.size();
  }
  std::size_t to = text.size();
  if (!end.empty()) {
    to = SearchSjis(text, end, from);
    if (to == std::string_view::npos) return {};
  }
  return std::string(TrimBlanks(text.substr(from, to - from)));
}

std::string Head(std::string_view text, std::size_t n) {
  std::size_t cut = 0;
  while (cut < n && cut < text.size()) {
    cut += (IsLeadByte(static_cast<unsigned char>(text[cut])) && cut + 1 < text.size()) ? 2 : 1;
  }
  std::string out;
  std::string_view part = text.substr(0, cut);
  for (std::size_t i = 0; i < part.size(); ++i) {
    if (part[i] == '\r' && i + 1 < part.size() && part[i + 1] == '\n') {
      out += "\x81\xf7";
      ++i;
    } else {
      out += part[i];
    }
  }
  return std::string(TrimBlanks(out));
}

void CleanDoubleByte(std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!IsLeadByte(static_cast<unsigned char>(text[i]))) continue;
    if (i + 1 >= text.size()) {
      text[i] = '?';
      return;
    }
    unsigned char t = static_cast<unsigned char>(text[i + 1]);
    if (t < 0x40 || t > 0xFC) {
      text[i] = '\x81';
      text[i + 1] = '\xa1';
    }
    ++i;
  }
}

bool IsTrailPosition(std::string_view text, std::size_t pos) {
  for (std::size_t i = 0; i < text.size() && i <= pos;) {
    bool pair = IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size();
    if (pair && i + 1 == pos) return true;
    i += pair ? 2 : 1;
  }
  return false;
}

std::string PathWithSeparator(std::string_view path) {
  std::string out(path);
  if (!out.empty()) {
    char last = out.back();
    if (last == '/' || (last == '\\' && !IsTrailPosition(out, out.size() - 1))) return out;
  }
  out += '/';
  return out;
}

std::string_view NextToken(std::string_view text, std::size_t& pos) {
  while (pos < text.size() && IsBlank(static_cast<unsigned char>(text[pos]))) ++pos;
  std::size_t start = pos;
  while (pos < text.size() && !IsBlank(static_cast<unsigned char>(text[pos]))) ++pos;
  return text.substr(start, pos - start);
}

int TIntStack::Pop() {
  if (items_.empty()) return -1;
  int v = items_.back();
  items_.pop_back();
  return v;
}

int TIntStack::Shift() {
  if (items_.empty()) return -1;
  int v = items_.front();
  items_.erase(items_.begin());
  return v;
}

int TIntStack::Item(int index) const {
  if (index < 0 || index >= Count()) return 0;
  return items_[static_cast<std::size_t>(index)];
}

}  // namespace bq
