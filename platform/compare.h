#pragma once
// Locale-aware text comparison and casing, made deterministic: Shift_JIS text
// compares first with ASCII letters folded to one case, then (on a tie)
// lower case before upper case, then by byte. Two texts compare equal only
// when their bytes are equal. Double-byte characters compare by their codes
// and are never cased.
#include <string>
#include <string_view>

namespace bq {

// <0, 0, >0 as a sorts before, equal to, or after b.
int CompareText(std::string_view a, std::string_view b);
// As CompareText but letter case is ignored entirely (0 for "abc" and "ABC").
int CompareTextIgnoreCase(std::string_view a, std::string_view b);

std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);

}  // namespace bq
