#pragma once
// The round schedule as the options dialog's "巡回" page and the CLI show
// and set it: the hours as a mask of bits 0..23, the minute, and the time of
// the next round.
#include <cstdint>
#include <string>
#include <string_view>

namespace bq::app {

inline constexpr std::uint32_t kAllHours = 0xFFFFFFu;
// The "２時間おき" button: the even hours 0, 2, ... 22.
inline constexpr std::uint32_t kEveryTwoHours = 0x555555u;

// "0,2,13" for the hours of a mask, in order; empty for none.
std::string HoursText(std::uint32_t hours);
// Reads "13", "1,13,22" (blanks allowed around the numbers) into a mask;
// false for an empty list, a word or an hour outside 0..23.
bool ParseHours(std::string_view text, std::uint32_t& hours);
// The first whole minute after now (a date: local seconds since 1970) whose
// hour is in the mask and whose minute is the given one; 0 when the mask is
// empty or the minute is outside 0..59.
std::uint32_t NextRoundTime(std::uint32_t hours, int minute, std::uint32_t now);

}  // namespace bq::app
