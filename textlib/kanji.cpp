#include "textlib/kanji.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "textlib/cp932.h"
#include "textlib/kanji_buf.h"

namespace bq {
namespace {

using kanji_detail::OutBuf;
using kanji_detail::SkipAscii;

constexpr unsigned char kEsc = 0x1B;
constexpr unsigned char kGeta1 = 0x81, kGeta2 = 0xAC;  // "〓"

const unsigned char* Bytes(std::string_view s) { return reinterpret_cast<const unsigned char*>(s.data()); }

// JIS X 0208 row and cell (high bit ignored) to Shift_JIS, by table: the
// first byte depends on the row, the second on the row's parity and the cell.
struct JisTables {
  std::array<unsigned char, 128> first{};
  std::array<unsigned char, 128> secondOdd{};
  std::array<unsigned char, 128> secondEven{};
  constexpr JisTables() {
    for (unsigned j = 0; j < 128; ++j) {
      first[j] = static_cast<unsigned char>((j + 1) / 2 + (j > 0x5E ? 0xB0 : 0x70));
      unsigned odd = j + 0x1F;
      if (odd >= 0x7F) ++odd;
      secondOdd[j] = static_cast<unsigned char>(odd);
      secondEven[j] = static_cast<unsigned char>(j + 0x7E);
    }
  }
};
constexpr JisTables kJis;

inline void PutJisPair(OutBuf& out, unsigned j1, unsigned j2) {
  j1 &= 0x7F;
  j2 &= 0x7F;
  out.Put2(kJis.first[j1], (j1 & 1) ? kJis.secondOdd[j2] : kJis.secondEven[j2]);
}

inline bool IsEucByte(unsigned char c) { return c >= 0xA1 && c <= 0xFE; }
inline bool IsJisByte(unsigned char c) { return c >= 0x21 && c <= 0x7E; }

bool IsKnownJisEscape(const unsigned char* p, std::size_t i, std::size_t n) {
  if (i + 2 >= n) return false;
  unsigned char a = p[i + 1], b = p[i + 2];
  return (a == '$' && (b == 'B' || b == '@')) || (a == '(' && (b == 'J' || b == 'B'));
}

// Length of the well-formed UTF-8 sequence at p[i], 0 when malformed
// (overlong forms, surrogates and code points above U+10FFFF included).
std::size_t Utf8SequenceLength(const unsigned char* p, std::size_t i, std::size_t n) {
  unsigned char c = p[i];
  std::size_t len;
  unsigned char lo = 0x80, hi = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) {
    len = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    len = 3;
    if (c == 0xE0) lo = 0xA0;
    if (c == 0xED) hi = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    len = 4;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  if (n - i < len) return 0;
  if (p[i + 1] < lo || p[i + 1] > hi) return 0;
  for (std::size_t k = 2; k < len; ++k)
    if ((p[i + k] & 0xC0) != 0x80) return 0;
  return len;
}

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

std::string UpperCopy(std::string_view s) {
  std::string u(s);
  for (char& c : u) c = Upper(c);
  return u;
}

// True when s at i begins with the upper-case ASCII word w, letters without case.
bool HasWordAt(std::string_view s, std::size_t i, std::string_view w) {
  if (s.size() - i < w.size()) return false;
  for (std::size_t k = 0; k < w.size(); ++k)
    if (Upper(s[i + k]) != w[k]) return false;
  return true;
}

// The value after CHARSET= in an upper-cased tag or header text: optional
// quote, then up to a quote, blank, ';', '/' or '>'.
std::string CharsetValueAt(std::string_view u, std::size_t pos) {
  std::size_t i = pos;
  while (i < u.size() && (u[i] == '"' || u[i] == '\'' || u[i] == ' ')) ++i;
  std::size_t j = i;
  while (j < u.size() && std::strchr("\"' \t\r\n;/>", u[j]) == nullptr) ++j;
  return std::string(u.substr(i, j - i));
}

// The part of the strict declaration: between CHARSET= and the next '"'
// inside the tag; without the closing '"' the rest of the tag is taken.
std::string StrictCharset(std::string_view page, std::size_t tagStart) {
  std::size_t gt = page.find('>', tagStart);
  std::string tag = UpperCopy(page.substr(tagStart, gt == std::string_view::npos ? gt : gt - tagStart));
  std::size_t cs = tag.find("CHARSET=");
  if (cs == std::string::npos) return {};
  std::size_t from = cs + 8;
  std::size_t quote = tag.find('"', from);
  return tag.substr(from, quote == std::string::npos ? std::string::npos : quote - from);
}

bool Contains(std::string_view s, std::string_view w) { return s.find(w) != std::string_view::npos; }

// Index of the next '<' at or after i that is followed by 'M' or 'm', or
// npos. Blocks of 64 positions are first tested as a whole by a loop the
// compiler turns into vector code; only a block with a hit is read again.
std::size_t FindTagM(std::string_view s, std::size_t i) {
  constexpr std::size_t kBlock = 64;
  const unsigned char* p = Bytes(s);
  std::size_t n = s.size();
  while (i + kBlock + 1 <= n) {
    unsigned char hit = 0;
    for (std::size_t k = 0; k < kBlock; ++k)
      hit |= static_cast<unsigned char>((p[i + k] == '<') & ((p[i + k + 1] | 0x20) == 'm'));
    if (hit != 0) break;
    i += kBlock;
  }
  for (; i + 1 < n; ++i)
    if (p[i] == '<' && (p[i + 1] | 0x20) == 'm') return i;
  return std::string_view::npos;
}

}  // namespace

int DetectSjis(std::string_view text) {
  const unsigned char* p = Bytes(text);
  std::size_t n = text.size();
  bool sawLead = false;
  for (std::size_t i = SkipAscii(p, 0, n); i < n; i = SkipAscii(p, i, n)) {
    if (!IsLeadByte(p[i])) {
      ++i;
      continue;
    }
    if (i + 1 >= n || p[i + 1] < 0x40 || p[i + 1] > 0xFC) return 0;
    sawLead = true;
    i += 2;
  }
  return sawLead ? kGuessSjis : 0;
}

int DetectEuc(std::string_view text) {
  const unsigned char* p = Bytes(text);
  std::size_t n = text.size();
  bool sawPair = false;
  // 0x8E with a katakana byte is one of the pairs; every other high-bit byte
  // needs a high-bit partner as well, so one rule covers both.
  for (std::size_t i = SkipAscii(p, 0, n); i < n; i = SkipAscii(p, i, n)) {
    if (i + 1 >= n || p[i + 1] < 0x80) return 0;
    sawPair = true;
    i += 2;
  }
  return sawPair ? kGuessEuc : 0;
}

int DetectJis(std::string_view text) {
  const unsigned char* p = Bytes(text);
  std::size_t n = text.size();
  bool sawEscape = false;
  for (const void* hit = std::memchr(p, kEsc, n); hit != nullptr;) {
    std::size_t i = static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - p);
    if (!IsKnownJisEscape(p, i, n)) return 0;
    sawEscape = true;
    hit = std::memchr(p + i + 3, kEsc, n - i - 3);
  }
  return sawEscape ? kGuessJis : 0;
}

KanjiForm GuessForm(std::string_view text) {
  // Guesses 4 to 7 all convert as ISO-2022-JP, so the JIS bit alone decides.
  if (DetectJis(text) != 0) return KanjiForm::kJis;
  // Of guesses 0 to 3 only 2 converts; a Shift_JIS page usually breaks the
  // EUC pairing within its first few characters.
  if (DetectEuc(text) == 0) return KanjiForm::kAsIs;
  return DetectSjis(text) == 0 ? KanjiForm::kEuc : KanjiForm::kAsIs;
}

bool IsUtf8Text(std::string_view text) {
  const unsigned char* p = Bytes(text);
  std::size_t n = text.size();
  bool sawMulti = false;
  for (std::size_t i = SkipAscii(p, 0, n); i < n; i = SkipAscii(p, i, n)) {
    std::size_t len = Utf8SequenceLength(p, i, n);
    if (len == 0) return false;
    sawMulti = true;
    i += len;
  }
  return sawMulti;
}

std::string EucToSjis(std::string_view euc) {
  const unsigned char* p = Bytes(euc);
  std::size_t n = euc.size();
  OutBuf out(n);
  std::size_t i = 0;
  while (i < n) {
    std::size_t j = SkipAscii(p, i, n);
    out.Copy(p + i, j - i);
    i = j;
    while (i < n && p[i] >= 0x80) {
      unsigned char c = p[i];
      unsigned char d = i + 1 < n ? p[i + 1] : 0;
      if (IsEucByte(c) && IsEucByte(d)) {
        PutJisPair(out, c, d);
        i += 2;
      } else if (c == 0x8E && d >= 0xA1 && d <= 0xDF) {
        out.Put(d);
        i += 2;
      } else if (c == 0x8F && IsEucByte(d) && i + 2 < n && IsEucByte(p[i + 2])) {
        out.Put2(kGeta1, kGeta2);  // JIS X 0212 has no Shift_JIS code
        i += 3;
      } else {
        out.Grow(n - i, 1);
        out.Put2(kGeta1, kGeta2);
        i += 1;
      }
    }
  }
  return out.Take();
}

std::string JisToSjis(std::string_view jis) {
  const unsigned char* p = Bytes(jis);
  std::size_t n = jis.size();
  // Without an escape the whole text is in ASCII mode and copied as it is.
  if (std::memchr(p, kEsc, n) == nullptr) return std::string(jis);
  OutBuf out(n);
  bool kanji = false;
  std::size_t i = 0;
  while (i < n) {
    if (p[i] == kEsc) {
      if (i + 2 < n) {
        unsigned char a = p[i + 1], b = p[i + 2];
        if (a == '$' && (b == 'B' || b == '@')) kanji = true;
        if (a == '(' && (b == 'J' || b == 'B')) kanji = false;
      }
      i = i + 3 < n ? i + 3 : n;  // a cut-off escape at the end is dropped
      continue;
    }
    if (!kanji) {
      const void* hit = std::memchr(p + i, kEsc, n - i);
      std::size_t j = hit ? static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - p) : n;
      out.Copy(p + i, j - i);
      i = j;
      continue;
    }
    while (i < n && p[i] != kEsc) {
      unsigned char c = p[i];
      if (IsJisByte(c) && i + 1 < n && IsJisByte(p[i + 1])) {
        PutJisPair(out, c, p[i + 1]);
        i += 2;
      } else if (c < 0x21) {
        out.Put(c);  // line breaks and blanks stay where they are
        i += 1;
      } else {
        out.Grow(n - i, 1);
        out.Put2(kGeta1, kGeta2);
        i += 1;
      }
    }
  }
  return out.Take();
}

std::string DeclaredCharset(std::string_view page) {
  static constexpr std::string_view kStrict = "<META HTTP-EQUIV=\"CONTENT-TYPE\"";
  std::string fallback;
  bool haveFallback = false;
  for (std::size_t i = FindTagM(page, 0); i != std::string_view::npos; i = FindTagM(page, i + 1)) {
    if (!HasWordAt(page, i, "<META")) continue;
    if (HasWordAt(page, i, kStrict)) {
      std::string strict = StrictCharset(page, i);
      if (!strict.empty()) return strict;
    }
    if (haveFallback) continue;
    std::size_t gt = page.find('>', i);
    std::string tag = UpperCopy(page.substr(i, gt == std::string_view::npos ? gt : gt - i));
    for (std::size_t cs = tag.find("CHARSET"); cs != std::string::npos; cs = tag.find("CHARSET", cs + 7)) {
      std::size_t k = cs + 7;
      while (k < tag.size() && tag[k] == ' ') ++k;
      if (k < tag.size() && tag[k] == '=') {
        fallback = CharsetValueAt(tag, k + 1);
        haveFallback = !fallback.empty();
        break;
      }
    }
  }
  return fallback;
}

std::string HeaderCharset(std::string_view contentType) {
  std::string u = UpperCopy(contentType);
  std::size_t cs = u.find("CHARSET");
  while (cs != std::string::npos) {
    std::size_t k = cs + 7;
    while (k < u.size() && u[k] == ' ') ++k;
    if (k < u.size() && u[k] == '=') return CharsetValueAt(u, k + 1);
    cs = u.find("CHARSET", k);
  }
  return {};
}

namespace {

// The charset that decides the page's code: its own declaration, else the
// header's.
std::string GoverningCharset(std::string_view page, std::string_view contentType) {
  std::string charset = DeclaredCharset(page);
  if (charset.empty() && !contentType.empty()) charset = HeaderCharset(contentType);
  return charset;
}

bool NamesUtf8(const std::string& charset) { return Contains(charset, "UTF-8") || Contains(charset, "UTF8"); }

}  // namespace

bool DeclaresUtf8(std::string_view page, std::string_view contentType) {
  return NamesUtf8(GoverningCharset(page, contentType));
}

std::string ToSjis(std::string_view page, std::string_view contentType, bool* cameInUtf8) {
  std::string charset = GoverningCharset(page, contentType);
  bool utf8 = NamesUtf8(charset);
  KanjiForm form = KanjiForm::kAsIs;
  if (utf8) {
    // declared
  } else if (Contains(charset, "EUC")) {
    form = KanjiForm::kEuc;
  } else if (Contains(charset, "SJIS") || Contains(charset, "SHIFT_")) {
    form = KanjiForm::kJis;  // passes unchanged except for escapes
  } else {
    utf8 = IsUtf8Text(page);
    if (!utf8) form = GuessForm(page);
  }
  if (cameInUtf8) *cameInUtf8 = utf8;
  if (utf8) return Utf8ToSjis(page);
  if (form == KanjiForm::kEuc) return EucToSjis(page);
  if (form == KanjiForm::kJis) return JisToSjis(page);
  return std::string(page);
}

namespace {

struct PageCodeNameRow {
  PageCode code;
  std::string_view name;
};
constexpr PageCodeNameRow kPageCodeNames[] = {{PageCode::kAuto, "auto"},
                                              {PageCode::kSjis, "Shift_JIS"},
                                              {PageCode::kEuc, "EUC-JP"},
                                              {PageCode::kJis, "ISO-2022-JP"},
                                              {PageCode::kUtf8, "UTF-8"}};

}  // namespace

bool ParsePageCode(std::string_view name, PageCode& code) {
  if (name.empty()) {
    code = PageCode::kAuto;
    return true;
  }
  for (const auto& row : kPageCodeNames) {
    if (UpperCopy(name) == UpperCopy(row.name)) {
      code = row.code;
      return true;
    }
  }
  return false;
}

std::string_view PageCodeName(PageCode code) {
  for (const auto& row : kPageCodeNames)
    if (row.code == code) return row.name;
  return "auto";
}

std::string ToSjisAs(std::string_view page, PageCode code, std::string_view contentType, bool* cameInUtf8) {
  if (cameInUtf8) *cameInUtf8 = code == PageCode::kUtf8;
  switch (code) {
    case PageCode::kSjis: return std::string(page);
    case PageCode::kEuc: return EucToSjis(page);
    case PageCode::kJis: return JisToSjis(page);
    case PageCode::kUtf8: return Utf8ToSjis(page);
    case PageCode::kAuto: break;
  }
  return ToSjis(page, contentType, cameInUtf8);
}

}  // namespace bq
