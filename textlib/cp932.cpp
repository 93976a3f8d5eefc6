#include "textlib/cp932.h"

#include <iconv.h>

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "textlib/kanji_buf.h"

namespace bq {
namespace {

// Forward table: for every Shift_JIS code (single byte b as 0x00bb, double
// byte as lead<<8|trail) the Unicode code point, or 0xFFFF when unmapped.
// Reverse table: BMP code point -> Shift_JIS code, 0 when unmapped.
struct Tables {
  std::vector<uint16_t> toUnicode = std::vector<uint16_t>(0x10000, 0xFFFF);
  std::vector<uint16_t> fromUnicode = std::vector<uint16_t>(0x10000, 0);
};

// Converts one Shift_JIS character with iconv; returns U+FFFF if unmapped.
char32_t IconvOne(iconv_t cd, const char* in, size_t len) {
  char inbuf[2] = {in[0], len > 1 ? in[1] : '\0'};
  char outbuf[8];
  char* ip = inbuf;
  char* op = outbuf;
  size_t il = len, ol = sizeof outbuf;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1) || il != 0) return 0xFFFF;
  size_t n = sizeof outbuf - ol;
  if (n != 4) return 0xFFFF;
  const unsigned char* u = reinterpret_cast<const unsigned char*>(outbuf);
  return (char32_t(u[0]) << 24) | (char32_t(u[1]) << 16) | (char32_t(u[2]) << 8) | u[3];
}

uint16_t IconvBack(iconv_t cd, char32_t cp) {
  unsigned char inbuf[4] = {static_cast<unsigned char>(cp >> 24), static_cast<unsigned char>(cp >> 16),
                            static_cast<unsigned char>(cp >> 8), static_cast<unsigned char>(cp)};
  char outbuf[4];
  char* ip = reinterpret_cast<char*>(inbuf);
  char* op = outbuf;
  size_t il = 4, ol = sizeof outbuf;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1)) return 0;
  size_t n = sizeof outbuf - ol;
  const unsigned char* s = reinterpret_cast<const unsigned char*>(outbuf);
  if (n == 1) return s[0];
  if (n == 2) return static_cast<uint16_t>((s[0] << 8) | s[1]);
  return 0;
}

// CP932 maps a few characters of the JIS rows to the full-width forms of
// Windows, while pages written elsewhere (and most Japanese pages in UTF-8)
// use the JIS forms. Converting to Shift_JIS accepts both, so a wave dash or
// a yen sign on such a page keeps its character instead of becoming "〓"
// (and U+00A5 never becomes the 0x5C byte, a backslash in paths and scripts).
void AddJisForms(Tables& t) {
  static constexpr struct {
    char16_t cp;
    uint16_t sjis;
  } kJisForms[] = {
      {0x301C, 0x8160},  // WAVE DASH, CP932 U+FF5E
      {0x2016, 0x8161},  // DOUBLE VERTICAL LINE, CP932 U+2225
      {0x2212, 0x817C},  // MINUS SIGN, CP932 U+FF0D
      {0x2014, 0x815C},  // EM DASH, CP932 U+2015
      {0x00A2, 0x8191},  // CENT SIGN, CP932 U+FFE0
      {0x00A3, 0x8192},  // POUND SIGN, CP932 U+FFE1
      {0x00AC, 0x81CA},  // NOT SIGN, CP932 U+FFE2
      {0x00A5, 0x818F},  // YEN SIGN, CP932 U+FFE5
      {0x203E, 0x8150},  // OVERLINE, CP932 U+FFE3
      {0x00A6, 0xFA55},  // BROKEN BAR, CP932 U+FFE4
  };
  for (const auto& f : kJisForms)
    if (t.fromUnicode[f.cp] == 0) t.fromUnicode[f.cp] = f.sjis;
}

const Tables& GetTables() {
  static std::unique_ptr<Tables> tables;
  static std::once_flag once;
  std::call_once(once, [] {
    auto t = std::make_unique<Tables>();
    iconv_t fwd = iconv_open("UCS-4BE", "CP932");
    iconv_t back = iconv_open("CP932", "UCS-4BE");
    if (fwd != reinterpret_cast<iconv_t>(-1) && back != reinterpret_cast<iconv_t>(-1)) {
      for (unsigned b = 0; b < 0x100; ++b) {
        if (IsLeadByte(static_cast<unsigned char>(b))) continue;
        char c = static_cast<char>(b);
        char32_t cp = IconvOne(fwd, &c, 1);
        if (cp < 0xFFFF) t->toUnicode[b] = static_cast<uint16_t>(cp);
      }
      for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
        if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
          if (trail == 0x7F) continue;
          char two[2] = {static_cast<char>(lead), static_cast<char>(trail)};
          char32_t cp = IconvOne(fwd, two, 2);
          if (cp < 0xFFFF) t->toUnicode[(lead << 8) | trail] = static_cast<uint16_t>(cp);
        }
      }
      // The reverse direction takes iconv's own choice among duplicate codes
      // (NEC and IBM extensions map some characters twice).
      for (unsigned code = 0; code < 0x10000; ++code) {
        uint16_t cp = t->toUnicode[code];
        if (cp == 0xFFFF || t->fromUnicode[cp] != 0 || (cp == 0 && code != 0)) continue;
        uint16_t s = IconvBack(back, cp);
        if (s != 0 || cp == 0) t->fromUnicode[cp] = s;
      }
    }
    AddJisForms(*t);
    if (fwd != reinterpret_cast<iconv_t>(-1)) iconv_close(fwd);
    if (back != reinterpret_cast<iconv_t>(-1)) iconv_close(back);
    tables = std::move(t);
  });
  return *tables;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Decodes one UTF-8 sequence at s[i]; advances i; returns U+FFFD for a
// malformed or overlong sequence (one byte consumed).
char32_t DecodeUtf8(std::string_view s, size_t& i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  if (c < 0x80) {
    ++i;
    return c;
  }
  int extra;
  char32_t cp;
  if (c >= 0xC2 && c <= 0xDF) {
    extra = 1;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    extra = 2;
    cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    extra = 3;
    cp = c & 0x07;
  } else {
    ++i;
    return 0xFFFD;
  }
  if (s.size() - i <= static_cast<size_t>(extra)) {
    ++i;
    return 0xFFFD;
  }
  for (int k = 1; k <= extra; ++k) {
    unsigned char t = static_cast<unsigned char>(s[i + k]);
    if ((t & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    cp = (cp << 6) | (t & 0x3F);
  }
  static constexpr char32_t kMin[4] = {0, 0x80, 0x800, 0x10000};
  if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    return 0xFFFD;
  }
  i += extra + 1;
  return cp;
}

}  // namespace

void AppendSjisForCodePoint(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
    return;
  }
  uint16_t code = cp < 0x10000 ? GetTables().fromUnicode[cp] : 0;
  if (code == 0) {
    out.append(kSjisGeta);
  } else if (code < 0x100) {
    out.push_back(static_cast<char>(code));
  } else {
    out.push_back(static_cast<char>(code >> 8));
    out.push_back(static_cast<char>(code & 0xFF));
  }
}

char32_t SjisCodePoint(unsigned char lead, unsigned char trail) {
  const Tables& t = GetTables();
  uint16_t cp = IsLeadByte(lead) ? t.toUnicode[(lead << 8) | trail] : t.toUnicode[lead];
  return cp == 0xFFFF ? 0xFFFD : cp;
}

// The tables are built on the first byte that needs them: ASCII text (paths,
// command lines, most scripts) converts without them.
std::string SjisToUtf8(std::string_view sjis) {
  const Tables* t = nullptr;
  std::string out;
  out.reserve(sjis.size() + sjis.size() / 2);
  for (size_t i = 0; i < sjis.size();) {
    unsigned char c = static_cast<unsigned char>(sjis[i]);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    if (t == nullptr) t = &GetTables();
    uint16_t cp;
    if (IsLeadByte(c) && i + 1 < sjis.size()) {
      cp = t->toUnicode[(c << 8) | static_cast<unsigned char>(sjis[i + 1])];
      i += 2;
    } else {
      cp = t->toUnicode[c];
      i += 1;
    }
    AppendUtf8(out, cp == 0xFFFF ? 0xFFFD : cp);
  }
  return out;
}

// Runs of ASCII are copied in bulk and every other sequence is looked up
// directly in the reverse table; only a malformed byte (one byte in, "〓"
// out) can make the output longer than the input.
std::string Utf8ToSjis(std::string_view utf8) {
  const std::vector<uint16_t>* back = nullptr;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const std::size_t n = utf8.size();
  kanji_detail::OutBuf out(n);
  std::size_t i = 0;
  while (i < n) {
    std::size_t j = kanji_detail::SkipAscii(p, i, n);
    out.Copy(p + i, j - i);
    i = j;
    if (i < n && back == nullptr) back = &GetTables().fromUnicode;
    while (i < n && p[i] >= 0x80) {
      std::size_t before = i;
      char32_t cp = DecodeUtf8(utf8, i);
      uint16_t code = cp < 0x10000 ? (*back)[cp] : 0;
      if (code == 0) {
        if (i - before < 2) out.Grow(n - i, 1);
        out.Put2(0x81, 0xAC);
      } else if (code < 0x100) {
        out.Put(static_cast<unsigned char>(code));
      } else {
        out.Put2(static_cast<unsigned char>(code >> 8), static_cast<unsigned char>(code));
      }
    }
  }
  return out.Take();
}

}  // namespace bq
