#include "textlib/links.h"

#include <array>
#include <cctype>

#include "textlib/cp932.h"
#include "textlib/error.h"
#include "textlib/links_scan.h"
#include "textlib/pattern.h"

namespace bq {
namespace {

using links_detail::FindNoCase;
using links_detail::StartsWithNoCase;
using links_detail::TagText;
using links_detail::TrimBlanks;
using links_detail::UpperAscii;

constexpr std::array<std::string_view, 9> kSchemes = {"HTTP://",   "HTTPS://", "FTP://",    "MAILTO:",  "NEWS:",
                                                      "GOPHER://", "WAIS://",  "TELNET://", "FILE:///"};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == ':' || c == '.';
}
bool IsHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }
int HexValue(char c) { return c <= '9' ? c - '0' : (UpperAscii(c) - 'A' + 10); }

// Where the attribute `name` starts as a whole attribute name outside
// quotes, or npos.
std::size_t FindAttrName(std::string_view name, std::string_view tag) {
  char quote = 0;
  for (std::size_t i = 0; i < tag.size(); ++i) {
    char c = tag[i];
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == '"' || c == '\'') {
      quote = c;
      continue;
    }
    // After a blank, the tag start, a '/' or a closed quote (value"name=).
    bool atBoundary = i == 0 || IsBlank(tag[i - 1]) || tag[i - 1] == '<' || tag[i - 1] == '/' ||
                      tag[i - 1] == '"' || tag[i - 1] == '\'';
    if (atBoundary && StartsWithNoCase(tag.substr(i), name) &&
        (i + name.size() == tag.size() || !IsNameChar(tag[i + name.size()])))
      return i;
    if (IsLeadByte(static_cast<unsigned char>(c))) ++i;
  }
  return std::string_view::npos;
}

// The address a "javascript:" link opens: wopen('x') or window.open('x').
std::string JavascriptTarget(std::string_view address) {
  std::string rest = TrimBlanks(address.substr(11));
  std::size_t open;
  if (StartsWithNoCase(rest, "WOPEN(")) {
    open = StartsWithNoCase(rest, "WOPEN('") ? 7 : std::string::npos;
  } else if (FindNoCase(rest, "WINDOW.OPEN(") != std::string_view::npos) {
    open = FindNoCase(rest, "WINDOW.OPEN('");
    if (open != std::string_view::npos) open += 13;
  } else {
    return {};
  }
  if (open == std::string::npos) return {};
  std::size_t close = rest.find('\'', open);
  return close == std::string::npos ? std::string() : rest.substr(open, close - open);
}

bool HasScheme(std::string_view address) {
  for (std::string_view s : kSchemes)
    if (StartsWithNoCase(address, s)) return true;
  return false;
}

// "https://host" for an https base, otherwise "http://" and the host after
// the base's first "http://" (empty when there is none).
std::string RootOf(std::string_view base) {
  std::string_view scheme = "http://";
  std::size_t at;
  if (StartsWithNoCase(base, "HTTPS://")) {
    scheme = "https://";
    at = 8;
  } else {
    at = FindNoCase(base, "HTTP://");
    if (at != std::string_view::npos) at += 7;
  }
  std::string host;
  if (at != std::string_view::npos) {
    std::size_t slash = base.find('/', at);
    host = TrimBlanks(base.substr(at, slash == std::string_view::npos ? slash : slash - at));
  }
  return std::string(scheme) + host;
}

// The base's scheme for a "//host/path" address; http when it has none.
std::string SchemeOf(std::string_view base) {
  std::size_t colon = base.find("://");
  if (colon == std::string_view::npos || colon == 0) return "http";
  for (std::size_t i = 0; i < colon; ++i)
    if (!std::isalpha(static_cast<unsigned char>(base[i]))) return "http";
  std::string s(base.substr(0, colon));
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Directory part of the base ending in '/', and the length of its root
// ("scheme://host/"), which "../" never climbs above.
std::string RelativeTo(std::string_view base, std::string_view address) {
  std::size_t lastSlash = base.rfind('/');
  if (lastSlash == std::string_view::npos) return std::string(address);
  std::string dir;
  std::size_t rootEnd = 0;
  std::size_t sep = base.find("://");
  if (sep != std::string_view::npos) {
    std::size_t hostSlash = base.find('/', sep + 3);
    if (hostSlash == std::string_view::npos) {
      dir = std::string(base) + "/";  // "http://host" is the host's root
      rootEnd = dir.size();
    } else {
      rootEnd = hostSlash + 1;
    }
  }
  if (dir.empty()) dir = std::string(base.substr(0, lastSlash + 1));
  while (StartsWithNoCase(address, "../")) {
    address.remove_prefix(3);
    if (dir.size() > rootEnd && dir.size() >= 2) {
      std::size_t up = dir.rfind('/', dir.size() - 2);
      if (up != std::string::npos && up + 1 >= rootEnd) dir.resize(up + 1);
    }
  }
  return dir + std::string(address);
}

// Appends the visible text of one run between tags to a link text.
void AppendRun(std::string& text, std::string_view run) {
  std::size_t j = 0;
  while (j < run.size() && static_cast<unsigned char>(run[j]) < 0x20) ++j;
  while (j < run.size()) {
    unsigned char c = static_cast<unsigned char>(run[j]);
    if (c == '>') {
      text.clear();
    } else if (c == ' ') {
      if (text.empty() || text.back() != ' ') text.push_back(' ');
    } else if (c >= 0x21) {
      if (IsLeadByte(c) && j + 1 < run.size()) {
        text.append(run.substr(j, 2));
        ++j;
      } else {
        text.push_back(static_cast<char>(c));
      }
    }
    ++j;
  }
}

// The tag name is exactly `name`: followed by the end, a blank or '/'.
bool IsTagNamed(std::string_view tag, std::string_view name) {
  return StartsWithNoCase(tag, name) && (tag.size() == name.size() || !IsNameChar(tag[name.size()]));
}

bool PassesFilter(std::string_view address, std::string_view filter) {
  return filter.empty() || PatternContains(address, filter);
}

}  // namespace

std::string AttrValue(std::string_view name, std::string_view tag) {
  std::size_t at = FindAttrName(name, tag);
  if (at == std::string_view::npos) return {};
  std::size_t i = at + name.size();
  if (i < tag.size() && tag[i] == '=') ++i;
  if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
    std::size_t close = tag.find(tag[i], i + 1);
    if (close == std::string_view::npos) return {};
    return std::string(tag.substr(i + 1, close - i - 1));
  }
  std::size_t j = i;
  while (j < tag.size() && !IsBlank(tag[j]) && tag[j] != '>') ++j;
  return std::string(tag.substr(i, j - i));
}

std::string_view WithoutQuery(std::string_view address) { return address.substr(0, address.find_first_of("#?")); }

std::string Resolve(std::string_view base, std::string_view address) {
  base = WithoutQuery(base);
  std::string target;
  if (StartsWithNoCase(address, "JAVASCRIPT:")) {
    target = JavascriptTarget(address);
    address = target;
  }
  if (address.empty()) return {};
  if (address.substr(0, 2) == "//") return SchemeOf(base) + ":" + std::string(address);
  if (address[0] == '/') return RootOf(base) + std::string(address);
  if (HasScheme(address)) return std::string(address);
  if (address[0] == '?' || address[0] == '#') return std::string(base) + std::string(address);
  while (address.substr(0, 2) == "./") address.remove_prefix(2);
  return RelativeTo(base, address);
}

LinkList ExtractLinks(std::string_view html, std::string_view base, std::string_view filter) {
  LinkList links;
  std::string text, address;
  links_detail::ScanTags(
      html,
      [&](std::string_view run) {
        // Text outside an open anchor is never used, so it is not built.
        if (!address.empty()) AppendRun(text, run);
      },
      [&](std::string_view tag) {
        if (IsTagNamed(tag, "A") || IsTagNamed(tag, "AREA")) {
          text.clear();
          address = Resolve(base, AttrValue("HREF", TagText(tag)));
          if (!address.empty() && !PassesFilter(address, filter)) address.clear();
        } else if (IsTagNamed(tag, "/A")) {
          if (!address.empty())
            links.push_back({TrimBlanks(DecodeHtmlEntities(text)), std::move(address)});
          text.clear();
          address.clear();
        }
        return true;
      });
  return links;
}

LinkList ExtractSources(std::string_view html, std::string_view tagName, std::string_view base,
                        std::string_view filter) {
  LinkList sources;
  links_detail::ScanTags(
      html, [](std::string_view) {},
      [&](std::string_view tag) {
        if (!StartsWithNoCase(tag, tagName)) return true;
        std::string t = TagText(tag);
        std::string address = Resolve(base, AttrValue("SRC", t));
        if (!address.empty() && PassesFilter(address, filter)) sources.push_back({AttrValue("ALT", t), address});
        return true;
      });
  return sources;
}

std::string FirstLinkByText(const LinkList& links, std::string_view pattern) {
  for (const LinkEntry& e : links)
    if (pattern.empty() || PatternWhole(e.text, pattern)) return e.address;
  return {};
}

std::string FirstSourceByAddress(const LinkList& sources, std::string_view pattern) {
  for (const LinkEntry& e : sources)
    if (pattern.empty() || PatternContains(e.address, pattern)) return e.address;
  return {};
}

namespace {

void AppendEscape(std::string& out, unsigned char c) {
  static constexpr char kHex[] = "0123456789abcdef";
  out.push_back('%');
  out.push_back(kHex[c >> 4]);
  out.push_back(kHex[c & 15]);
}

// A Shift_JIS pair as EUC-JP: its JIS X 0208 row and cell with the high bit.
void SjisPairToEuc(unsigned char& a, unsigned char& b) {
  unsigned s1 = a, s2 = b;
  unsigned j1 = (s1 <= 0x9F ? s1 - 0x70 : s1 - 0xB0) * 2;
  unsigned j2;
  if (s2 < 0x9F) {
    j1 -= 1;
    j2 = s2 - 0x1F - (s2 > 0x7F ? 1 : 0);
  } else {
    j2 = s2 - 0x7E;
  }
  a = static_cast<unsigned char>(j1 | 0x80);
  b = static_cast<unsigned char>(j2 | 0x80);
}

bool KeptAlways(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && !IsLeadByte(c)) || c == '&' || c == '-' || c == '=';
}

}  // namespace

namespace {

// A character of 0x80 and above for a UTF-8 page: its UTF-8 bytes, escaped.
void AppendUtf8Escapes(std::string& out, std::string_view sjisChar) {
  for (char u : SjisToUtf8(sjisChar)) AppendEscape(out, static_cast<unsigned char>(u));
}

std::string Encode(std::string_view text, bool plusForSpace, FormCharset charset) {
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  bool afterQuery = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(c) && i + 1 < text.size()) {
      if (charset == FormCharset::kUtf8) {
        AppendUtf8Escapes(out, text.substr(i++, 2));
        continue;
      }
      unsigned char a = c, b = static_cast<unsigned char>(text[++i]);
      if (charset == FormCharset::kEuc) SjisPairToEuc(a, b);
      AppendEscape(out, a);
      AppendEscape(out, b);
    } else if (c >= 0x80 && charset == FormCharset::kUtf8) {
      AppendUtf8Escapes(out, text.substr(i, 1));  // half-width katakana
    } else if (c == '?') {
      out.push_back('?');
      afterQuery = true;
    } else if (c == ' ') {
      out.append(plusForSpace || afterQuery ? "+" : "%20");
    } else if (!plusForSpace && c == '%' && i + 2 < text.size() && IsHex(text[i + 1]) && IsHex(text[i + 2])) {
      out.append(text.substr(i, 3));  // already escaped
      i += 2;
    } else if (KeptAlways(c) || (!plusForSpace && c == '+') ||
               (!afterQuery && (c == '.' || c == '/' || c == ':'))) {
      out.push_back(static_cast<char>(c));
    } else {
      AppendEscape(out, c);
    }
  }
  return out;
}

}  // namespace

std::string EncodeAddress(std::string_view text, bool plusForSpace, bool euc) {
  return Encode(text, plusForSpace, euc ? FormCharset::kEuc : FormCharset::kSjis);
}

std::string EncodeFormText(std::string_view text, FormCharset charset) { return Encode(text, true, charset); }

std::string DecodeAddress(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '%') {
      if (i + 2 >= text.size() || !IsHex(text[i + 1]) || !IsHex(text[i + 2]))
        throw Exception("'" + std::string(text.substr(i, 3)) + "' \x82\xcd\x90\xae\x90\x94\x82\xc5\x82\xcd\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1");
      out.push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
      i += 2;
    } else {
      out.push_back(c == '+' ? ' ' : c);
    }
  }
  return out;
}

bool IsWebAddress(std::string_view text) {
  std::string t = TrimBlanks(text);
  std::size_t sep = t.find("://");
  if (sep == std::string::npos) return false;
  std::string scheme = links_detail::UpperCopy(TrimBlanks(t.substr(0, sep)));
  if (scheme != "HTTP" && scheme != "HTTPS") return false;
  std::size_t slash = t.find('/', sep + 3);
  return slash != std::string::npos && slash > sep + 3;
}

}  // namespace bq
