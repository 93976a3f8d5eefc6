// Offsets and conversions between the workbench's Shift_JIS texts and the
// editor widgets.
#include "app/core/workbench/editor_text.h"

#include <cstdio>

#include "script/engine.h"
#include "textlib/cp932.h"

namespace bq::app {

std::size_t EditorOffset(std::string_view sjis, std::size_t bytes) {
  if (bytes > sjis.size()) bytes = sjis.size();
  std::size_t chars = 0;
  std::size_t i = 0;
  while (i < bytes) {
    unsigned char c = static_cast<unsigned char>(sjis[i]);
    if (IsLeadByte(c) && i + 1 < sjis.size()) {
      i += 2;
    } else if (c == '\r' && i + 1 < sjis.size() && sjis[i + 1] == '\n') {
      i += 2;
    } else {
      ++i;
    }
    ++chars;
  }
  return chars;
}

EditorSpan EditorSpanOf(std::string_view sjis, std::size_t begin, std::size_t length) {
  std::size_t start = EditorOffset(sjis, begin);
  std::size_t end = EditorOffset(sjis, begin + length);
  return EditorSpan{start, end - start};
}

namespace {

// Decodes one UTF-8 sequence at i (advancing it); malformed bytes give
// U+FFFD, which Shift_JIS cannot hold either.
char32_t NextCodePoint(std::string_view s, std::size_t& i) {
  unsigned char c = static_cast<unsigned char>(s[i++]);
  int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
  if (extra < 0) return 0xFFFD;
  char32_t cp = extra == 0 ? c : c & (0x3F >> extra);
  for (int k = 0; k < extra; ++k) {
    if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return 0xFFFD;
    cp = (cp << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
  }
  return cp;
}

}  // namespace

std::optional<Unwritable> FirstUnwritable(std::string_view utf8) {
  std::size_t units = 0;
  std::string bytes;
  for (std::size_t i = 0; i < utf8.size();) {
    std::size_t from = i;
    char32_t cp = NextCodePoint(utf8, i);
    bytes.clear();
    AppendSjisForCodePoint(bytes, cp);
    // "〓" is what every unmappable character turns into; only U+3013
    // itself may legitimately produce it.
    if (cp == 0xFFFD || (bytes == kSjisGeta && cp != 0x3013))
      return Unwritable{units, std::string(utf8.substr(from, i - from))};
    units += cp >= 0x10000 ? 2 : 1;
  }
  return std::nullopt;
}

std::string UnwritableMessage(const Unwritable& u) {
  // The character itself cannot appear in a Shift_JIS message: name it by
  // its code point.
  std::size_t i = 0;
  char code[16];
  std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(NextCodePoint(u.character, i)));
  return Utf8ToSjis(std::string("「") + code + "」(" + std::to_string(u.index + 1) +
                    " 文字目) はシフトJISで書けないため保存できません");
}

std::string EditorToSjis(std::string_view utf8) { return script::AsCrLfLines(Utf8ToSjis(utf8)); }

std::string SjisToEditor(std::string_view sjis) {
  std::string out;
  out.reserve(sjis.size());
  for (std::size_t i = 0; i < sjis.size(); ++i)
    if (!(sjis[i] == '\r' && i + 1 < sjis.size() && sjis[i + 1] == '\n')) out += sjis[i];
  return SjisToUtf8(out);
}

}  // namespace bq::app
