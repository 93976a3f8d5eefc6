#pragma once
// Kanji code detection and conversion: every page a script sees is Shift_JIS.
// A page arrives in Shift_JIS, EUC-JP, ISO-2022-JP (7-bit JIS) or UTF-8; its
// own charset declaration is believed first, otherwise the bytes are read by
// the detectors below.
#include <string>
#include <string_view>

namespace bq {

// Bits of a code guess.
inline constexpr int kGuessSjis = 1;  // the bytes read as valid Shift_JIS
inline constexpr int kGuessEuc = 2;   // the bytes read as EUC-JP
inline constexpr int kGuessJis = 4;   // the text holds JIS escape sequences

// kGuessSjis when there is at least one lead byte and every lead byte has a
// valid trail byte (0x40-0xFC); 0 otherwise.
int DetectSjis(std::string_view text);
// kGuessEuc when at least one high-bit pair was seen and every high-bit byte
// is followed by another high-bit byte; 0 otherwise.
int DetectEuc(std::string_view text);
// kGuessJis when at least one escape was seen and every escape is one of
// ESC "$B", ESC "$@", ESC "(J", ESC "(B"; 0 otherwise.
int DetectJis(std::string_view text);
// What the union of the three detectors calls for: kJis whenever DetectJis
// gives its bit, kEuc when the union is exactly kGuessEuc, kAsIs otherwise.
// Reads only as far as the answer needs: a page without ESC bytes whose
// high-bit bytes break the EUC pairing is settled without the Shift_JIS scan.
enum class KanjiForm { kAsIs, kEuc, kJis };
KanjiForm GuessForm(std::string_view text);
// True when the text is well-formed UTF-8 holding at least one multi-byte
// sequence.
bool IsUtf8Text(std::string_view text);

// EUC-JP to Shift_JIS. A JIS X 0208 pair is mapped; 0x8E with a half-width
// katakana byte becomes that single byte; a JIS X 0212 triple (0x8F ..) and
// any broken high-bit byte become "〓" without swallowing the byte after it.
std::string EucToSjis(std::string_view euc);
// ISO-2022-JP to Shift_JIS. Escapes switch between ASCII and kanji mode; in
// kanji mode two bytes form one character, control bytes are copied and an
// odd byte becomes "〓". Outside kanji mode bytes are copied unchanged, so a
// Shift_JIS text without escapes passes through.
std::string JisToSjis(std::string_view jis);

// The upper-cased charset the page declares: the CHARSET= part of the first
// <META HTTP-EQUIV="CONTENT-TYPE" ...> tag that has one, else the value of
// the first <META ... CHARSET=...> tag; empty when neither is there.
std::string DeclaredCharset(std::string_view page);
// The upper-cased charset parameter of a Content-Type header value.
std::string HeaderCharset(std::string_view contentType);

// The page text in Shift_JIS. contentType is the reply's Content-Type header
// value when the caller has it; it is used only when the page itself
// declares nothing.
// cameInUtf8, when given, tells whether the page was read as UTF-8.
std::string ToSjis(std::string_view page, std::string_view contentType = {}, bool* cameInUtf8 = nullptr);
// True when the page's declaration (else the header's charset) names UTF-8.
bool DeclaresUtf8(std::string_view page, std::string_view contentType = {});

// The code a folder may fix for its pages, overriding the page's declaration
// and the detectors (a site that declares nothing and whose short pages read
// as Shift_JIS and EUC-JP alike).
enum class PageCode { kAuto, kSjis, kEuc, kJis, kUtf8 };
// The names a folder option holds: "auto" (or empty), "Shift_JIS", "EUC-JP",
// "ISO-2022-JP", "UTF-8", compared without case. False for any other name.
bool ParsePageCode(std::string_view name, PageCode& code);
// The option's spelling of a code ("auto" for kAuto).
std::string_view PageCodeName(PageCode code);
// The page in Shift_JIS read as the given code; kAuto is ToSjis.
std::string ToSjisAs(std::string_view page, PageCode code, std::string_view contentType = {},
                     bool* cameInUtf8 = nullptr);

}  // namespace bq
