#pragma once
// The one place where Unicode meets the system's Shift_JIS (code page 932)
// text. Tables are built once from iconv's "CP932" mapping; conversion never
// fails: characters the target cannot hold become U+FFFD going to Unicode and
// "〓" going to Shift_JIS.
#include <string>
#include <string_view>

namespace bq {

std::string SjisToUtf8(std::string_view sjis);
std::string Utf8ToSjis(std::string_view utf8);

// Appends the Shift_JIS bytes for one Unicode code point ("〓" if unmappable).
void AppendSjisForCodePoint(std::string& out, char32_t cp);

// The code point of one Shift_JIS character: a single byte (trail ignored)
// or a lead byte with its trail byte; U+FFFD when it maps to nothing.
char32_t SjisCodePoint(unsigned char lead, unsigned char trail);

// The Shift_JIS replacement character "〓".
inline constexpr std::string_view kSjisGeta = "\x81\xac";

// True for a Shift_JIS lead byte (0x81-0x9F, 0xE0-0xFC).
constexpr bool IsLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
// True for a byte that can follow a lead byte (0x40-0xFC except 0x7F).
constexpr bool IsTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

}  // namespace bq
