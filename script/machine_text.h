#pragma once
// The byte-string rules behind the machine's text operations. All work on
// Shift_JIS text, 0-based offsets here (the machine converts to the 1-based
// positions scripts see); a lead byte and its trail byte are one character
// wherever text is searched, so a match never starts on a trail byte.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace bq::script {

inline constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);

// The next character boundary after pos (2 bytes for a lead byte that has a
// byte after it).
std::size_t NextChar(std::string_view s, std::size_t pos);

// First occurrence of sub at a character boundary, or kNotFound (also for
// an empty sub).
std::size_t FindText(std::string_view text, std::string_view sub, std::size_t from = 0);
// The same, ASCII letters of single-byte characters compared without case.
std::size_t FindTextIgnoreCase(std::string_view text, std::string_view sub, std::size_t from = 0);
// Text with from replaced by to (letter case ignored): every occurrence, or
// the first only; scanning goes on after each inserted to. False, with out
// unfinished, as soon as the result would pass maxSize bytes.
bool ReplaceText(std::string_view text, std::string_view from, std::string_view to, bool all, std::string& out,
                 std::size_t maxSize = static_cast<std::size_t>(-1));

// TRIM: tab, LF, CR, space and the full-width space 0x81 0x40 removed at
// both ends (the end scanned character by character).
std::string TrimText(std::string_view text);
// HASH of a text.
std::int32_t HashText(std::string_view text);
// An optional '-' followed only by digits; "-" counts, "" does not.
bool IsNumberText(std::string_view text);
bool HasLeadByte(std::string_view text);
// Every lead byte whose next byte is outside 0x40-0xFC (or missing) is
// replaced, with that byte, by 0x81 0xA1.
std::string FixDoubleByte(std::string_view text);
// Lines split at CR LF, CR or LF, each followed by CR LF.
std::string NormalizeLines(std::string_view text);

}  // namespace bq::script
