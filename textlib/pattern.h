#pragma once
// The system's pattern language: finds text in Shift_JIS byte strings, left
// to right, never backtracking. A lead byte and its trail byte are one
// character everywhere.
#include <cstddef>
#include <optional>
#include <string_view>

namespace bq {

// A match as 0-based byte offsets: the text matched is [begin, end).
struct PatternMatch {
  std::size_t begin = 0;
  std::size_t end = 0;
};

// The leftmost match of pattern in text at or after byte offset start.
std::optional<PatternMatch> PatternFind(std::string_view text, std::string_view pattern, std::size_t start = 0);
// True when PatternFind gives a match.
bool PatternContains(std::string_view text, std::string_view pattern);
// True when PatternFind gives a match from the beginning to the end of text.
bool PatternWhole(std::string_view text, std::string_view pattern);

}  // namespace bq
