#pragma once
// Cursor helpers shared by the link and form scanners. Tag ends and the six
// character entities are the HTML library's (FindTagEnd, DecodeHtmlEntities),
// so links, forms and STRIP cut a page into the same tags. What stays here is
// what only the scanners need: the tag's text with tab, CR and LF as blanks
// (a copy, since the scanners read the page without changing it), case-free
// ASCII words, and the trimming of a link's visible text, which also removes
// the full-width space. Shift_JIS throughout: a lead byte and its trail byte
// are one character.
#include <cstddef>
#include <string>
#include <string_view>

#include "textlib/html.h"

namespace bq::links_detail {

inline char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

// True when s begins with the upper-case ASCII word w, letters without case.
bool StartsWithNoCase(std::string_view s, std::string_view w);
// The first position of the upper-case ASCII word w in s at or after from,
// letters without case; npos when absent.
std::size_t FindNoCase(std::string_view s, std::string_view w, std::size_t from = 0);
std::string UpperCopy(std::string_view s);

// The tag text (between '<' and its end) with tab, CR and LF as spaces.
std::string TagText(std::string_view raw);

// Removes tab, LF, CR, space and the full-width space at both ends.
std::string TrimBlanks(std::string_view s);

// Calls onText(run) for every run of text between tags and onTag(tag) for
// every tag (its text between '<' and the end, unchanged); stops when onTag
// returns false.
template <class OnText, class OnTag>
void ScanTags(std::string_view html, OnText onText, OnTag onTag) {
  std::size_t noCommentEndFrom = std::string_view::npos;
  std::size_t i = 0;
  while (i < html.size()) {
    std::size_t lt = html.find('<', i);
    onText(html.substr(i, lt == std::string_view::npos ? lt : lt - i));
    if (lt == std::string_view::npos) return;
    std::size_t end = FindTagEnd(html, lt + 1, &noCommentEndFrom);
    if (!onTag(html.substr(lt + 1, end - lt - 1))) return;
    i = end + 1;
  }
}

}  // namespace bq::links_detail
