// Entities, tag ends, tag attributes and the tag case changer.
#include <algorithm>
#include <array>
#include <cstring>

#include "textlib/cp932.h"
#include "textlib/html.h"

namespace bq {
namespace {

// Each row: the replacement character, then the entity name after '&'.
constexpr std::array<std::string_view, 6> kEntities{"&amp;", "<lt;", ">gt;", "\"quot;", " nbsp;", "@copy;"};

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool EqualsNoCase(std::string_view text, std::size_t pos, std::string_view word) {
  if (pos + word.size() > text.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i)
    if (AsciiUpper(text[pos + i]) != AsciiUpper(word[i])) return false;
  return true;
}

std::size_t CharLen(std::string_view text, std::size_t pos) {
  return (IsLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size()) ? 2 : 1;
}

// The replacement for an entity name (after '&') at pos, or 0 when none of
// the rows after &amp; starts there.
char LaterEntityAt(std::string_view text, std::size_t pos, std::size_t* len) {
  for (std::size_t r = 1; r < kEntities.size(); ++r) {
    std::string_view name = kEntities[r].substr(1);
    if (EqualsNoCase(text, pos, name)) {
      *len = name.size();
      return kEntities[r][0];
    }
  }
  return 0;
}

// The end of a comment: the '>' of the first "-->" after "!--", if any.
std::size_t CommentEnd(std::string_view text, std::size_t pos, std::size_t* absent_from) {
  std::size_t from = pos + 3;
  if (absent_from && *absent_from != std::string_view::npos && from >= *absent_from)
    return std::string_view::npos;
  const void* hit = memmem(text.data() + from, text.size() - from, "-->", 3);
  if (hit == nullptr) {
    if (absent_from) *absent_from = from;
    return std::string_view::npos;
  }
  return static_cast<const char*>(hit) - text.data() + 2;
}

// Scans a tag from pos to its end; with `blank`, tab, LF and CR are
// overwritten in `mutable_text`. Quotes do not hide '>', but outside quotes a
// lead byte takes the next byte with it.
std::size_t ScanTag(std::string_view text, char* mutable_text, std::size_t pos, std::size_t* absent_from,
                    bool* in_quote) {
  if (pos <= text.size() && EqualsNoCase(text, pos, "!--")) {
    std::size_t end = CommentEnd(text, pos, absent_from);
    if (end != std::string_view::npos) {
      if (mutable_text)
        for (std::size_t i = pos; i < end; ++i)
          if (text[i] == '\t' || text[i] == '\n' || text[i] == '\r') mutable_text[i] = ' ';
      return end;
    }
  }
  char quote = 0;
  std::size_t i = pos;
  while (i < text.size()) {
    char c = text[i];
    if (c == '>') break;
    if (c == '\t' || c == '\n' || c == '\r') {
      if (mutable_text) mutable_text[i] = ' ';
    } else if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < text.size()) {
      ++i;
    }
    ++i;
  }
  if (in_quote) *in_quote = quote != 0;
  return std::min(i, text.size());
}

}  // namespace

// One pass that gives the same text as applying the rows one after another:
// only the &amp; row can produce a new '&', which may then start one of the
// later rows; the later names differ in their first letter and hold no '&',
// so their matches never overlap.
std::string DecodeHtmlEntities(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  const std::string_view amp = kEntities[0].substr(1);
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t run = i;
    while (run < text.size() && text[run] != '&') run += CharLen(text, run);
    out.append(text.data() + i, std::min(run, text.size()) - i);
    if (run >= text.size()) break;
    i = run + 1;
    char with = '&';
    if (EqualsNoCase(text, i, amp)) i += amp.size();
    std::size_t len = 0;
    if (char later = LaterEntityAt(text, i, &len)) {
      with = later;
      i += len;
    }
    out += with;
  }
  return out;
}

std::size_t FindTagEnd(std::string_view text, std::size_t pos, std::size_t* no_comment_end_from,
                       bool* ended_in_quote) {
  if (ended_in_quote) *ended_in_quote = false;
  if (pos >= text.size()) return text.size();
  return ScanTag(text, nullptr, pos, no_comment_end_from, ended_in_quote);
}

std::size_t FindTagEndBlanking(std::string& text, std::size_t pos, std::size_t* no_comment_end_from) {
  if (pos >= text.size()) return text.size();
  return ScanTag(text, text.data(), pos, no_comment_end_from, nullptr);
}

// Attributes are read as NAME, blanks, '=', blanks, then a value quoted with
// " or ' (up to the same quote or the end) or bare (up to a blank). A name
// without '=' has the empty value.
std::string HtmlTagAttribute(std::string_view tag, std::string_view name) {
  std::size_t i = 0;
  while (i < tag.size() && !IsBlank(tag[i])) i += CharLen(tag, i);  // the tag name
  while (i < tag.size()) {
    while (i < tag.size() && (IsBlank(tag[i]) || tag[i] == '/')) ++i;
    std::size_t start = i;
    while (i < tag.size() && !IsBlank(tag[i]) && tag[i] != '=') i += CharLen(tag, i);
    bool wanted = i - start == name.size() && EqualsNoCase(tag, start, name);
    while (i < tag.size() && IsBlank(tag[i])) ++i;
    if (i >= tag.size() || tag[i] != '=') {
      if (wanted) return {};
      continue;
    }
    ++i;
    while (i < tag.size() && IsBlank(tag[i])) ++i;
    std::size_t vstart = i, vend;
    if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
      std::size_t close = tag.find(tag[i], i + 1);
      vstart = i + 1;
      vend = close == std::string_view::npos ? tag.size() : close;
      i = close == std::string_view::npos ? tag.size() : close + 1;
    } else {
      while (i < tag.size() && !IsBlank(tag[i])) i += CharLen(tag, i);
      vend = i;
    }
    if (wanted) return std::string(tag.substr(vstart, vend - vstart));
  }
  return {};
}

// Outside tags the text is copied character by character. Inside a tag the
// first '>' ends it (quotes do not hide it), quoted parts and double-byte
// characters are copied as they are, and ASCII letters change case.
std::string TagUpperCase(std::string_view text, bool upper) {
  std::string out(text);
  std::size_t comment_hint = std::string_view::npos;
  std::size_t i = 0;
  while (i < out.size()) {
    if (out[i] != '<') {
      i += CharLen(out, i);
      continue;
    }
    ++i;
    if (i < out.size() && out[i] == '!') {
      i = FindTagEnd(out, i, &comment_hint) + 1;
      continue;
    }
    char quote = 0;
    for (; i < out.size() && out[i] != '>'; ++i) {
      char c = out[i];
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < out.size()) {
        ++i;
      } else if (IsAsciiLetter(c)) {
        out[i] = upper ? AsciiUpper(c) : AsciiLower(c);
      }
    }
    ++i;
  }
  return out;
}

}  // namespace bq
