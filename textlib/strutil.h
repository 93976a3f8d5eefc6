#pragma once
// Small byte-string routines shared by the text library. Text is Shift_JIS:
// where a routine scans, a lead byte and the byte after it are one character.
// Positions are 0-based here; the script builtins add 1.
#include <string>
#include <string_view>
#include <vector>

namespace bq {

// True when text begins with prefix, two bytes counting as equal when they
// are equal or differ only in bit 0x20.
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
// The same at the end of the text.
bool EndsWithNoCase(std::string_view text, std::string_view suffix);
// The first position where StartsWithNoCase holds, stepping over double-byte
// characters; npos when there is none.
std::size_t SearchNoCase(std::string_view text, std::string_view what);
// The first position of what in text, case-sensitive, never starting inside
// a double-byte character; npos when there is none.
std::size_t SearchSjis(std::string_view text, std::string_view what, std::size_t from = 0);
// Index of the first prefix the text begins with (StartsWithNoCase), or -1.
int FirstMatchingPrefix(std::string_view text, const std::vector<std::string_view>& prefixes);

// The text after the first start marker (or from the beginning when start is
// empty) up to the next end marker (or the end when end is empty), blanks
// removed at both ends; empty when a marker is missing.
std::string Between(std::string_view text, std::string_view start, std::string_view end);
// The first n bytes, never cutting a double-byte character (one that would be
// cut is taken whole), each CR LF replaced by the pilcrow, blanks trimmed.
std::string Head(std::string_view text, std::size_t n);
// Every lead byte whose next byte is not a trail byte (0x40-0xFC) is
// overwritten with that byte by the full-width square. A lead byte that ends
// the text has no partner; it becomes '?' so the text keeps its length.
void CleanDoubleByte(std::string& text);
// A folder path with a separator appended unless it already ends in one
// ('/' or a backslash that is not the trail byte of a double-byte character).
std::string PathWithSeparator(std::string_view path);
// Skips bytes up to 0x20 from pos, returns the following run of bytes above
// 0x20 and leaves pos after it.
std::string_view NextToken(std::string_view text, std::size_t& pos);
// Removes bytes up to 0x20 at both ends.
std::string_view TrimBlanks(std::string_view text);

// True when the byte at pos is the trail byte of a double-byte character
// (scanning from the start of the text).
bool IsTrailPosition(std::string_view text, std::size_t pos);

// An ordered list of integers.
class TIntStack {
 public:
  void Push(int value) { items_.push_back(value); }
  // Removes and returns the last item; -1 when empty.
  int Pop();
  // Removes and returns the first item; -1 when empty.
  int Shift();
  // 0 when index is out of range.
  int Item(int index) const;
  int Count() const { return static_cast<int>(items_.size()); }
  void Clear() { items_.clear(); }

 private:
  std::vector<int> items_;
};

}  // namespace bq
