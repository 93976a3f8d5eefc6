#include "textlib/links_scan.h"

#include "textlib/cp932.h"

namespace bq::links_detail {

bool StartsWithNoCase(std::string_view s, std::string_view w) {
  if (s.size() < w.size()) return false;
  for (std::size_t k = 0; k < w.size(); ++k)
    if (UpperAscii(s[k]) != w[k]) return false;
  return true;
}

std::size_t FindNoCase(std::string_view s, std::string_view w, std::size_t from) {
  if (w.empty()) return from <= s.size() ? from : std::string_view::npos;
  for (std::size_t i = from; i + w.size() <= s.size(); ++i)
    if (UpperAscii(s[i]) == w[0] && StartsWithNoCase(s.substr(i), w)) return i;
  return std::string_view::npos;
}

std::string UpperCopy(std::string_view s) {
  std::string u(s);
  for (char& c : u) c = UpperAscii(c);
  return u;
}

std::string TagText(std::string_view raw) {
  std::string t(raw);
  for (char& c : t)
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  return t;
}

namespace {

bool IsBlankAt(std::string_view s, std::size_t i) {
  char c = s[i];
  if (c == ' ' || c == '\t' || c == '\r' || c == '\n') return true;
  return c == '\x81' && i + 1 < s.size() && s[i + 1] == '\x40';
}

}  // namespace

std::string TrimBlanks(std::string_view s) {
  std::size_t begin = 0;
  while (begin < s.size() && IsBlankAt(s, begin)) begin += s[begin] == '\x81' ? 2 : 1;
  // Walk forward by characters so a trail byte 0x40 is never read as blank.
  std::size_t end = begin;
  for (std::size_t i = begin; i < s.size();) {
    std::size_t len = (IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
    if (!IsBlankAt(s, i)) end = i + len;
    i += len;
  }
  return std::string(s.substr(begin, end - begin));
}

}  // namespace bq::links_detail
