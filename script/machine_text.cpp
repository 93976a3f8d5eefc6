#include "script/machine_text.h"

#include <cstring>

#include "textlib/cp932.h"

namespace bq::script {

namespace {

unsigned char Byte(std::string_view s, std::size_t i) { return static_cast<unsigned char>(s[i]); }

unsigned char FoldAscii(unsigned char c) { return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c; }

// sub matches text at pos, single-byte letters without case, double-byte
// characters exactly.
bool MatchesIgnoreCaseAt(std::string_view text, std::size_t pos, std::string_view sub) {
  if (text.size() - pos < sub.size()) return false;
  std::size_t i = 0;
  while (i < sub.size()) {
    unsigned char c = Byte(sub, i);
    if (IsLeadByte(c) && i + 1 < sub.size()) {
      if (text[pos + i] != sub[i] || text[pos + i + 1] != sub[i + 1]) return false;
      i += 2;
      continue;
    }
    // A text lead byte here would pair with its trail byte; it only matches
    // a lead byte of sub, compared exactly above.
    if (FoldAscii(Byte(text, pos + i)) != FoldAscii(c)) return false;
    ++i;
  }
  return true;
}

bool IsTrimBlank(unsigned char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; }

}  // namespace

std::size_t NextChar(std::string_view s, std::size_t pos) {
  return (IsLeadByte(Byte(s, pos)) && pos + 1 < s.size()) ? pos + 2 : pos + 1;
}

// Moves a character boundary b forward to the first boundary at or after
// target; eight bytes at a time while none of them can be a lead byte.
std::size_t BoundaryAtOrAfter(std::string_view s, std::size_t b, std::size_t target) {
  const char* p = s.data();
  while (b < target) {
    if (target - b >= 8) {
      std::uint64_t word;
      std::memcpy(&word, p + b, 8);
      if ((word & 0x8080808080808080ull) == 0) {
        b += 8;
        continue;
      }
    }
    b = NextChar(s, b);
  }
  return b;
}

std::size_t FindText(std::string_view text, std::string_view sub, std::size_t from) {
  if (sub.empty()) return kNotFound;
  std::size_t boundary = from;
  for (std::size_t at = text.find(sub, from); at != std::string_view::npos; at = text.find(sub, boundary)) {
    boundary = BoundaryAtOrAfter(text, boundary, at);
    if (boundary == at) return at;  // otherwise `at` was a trail byte
  }
  return kNotFound;
}

std::size_t FindTextIgnoreCase(std::string_view text, std::string_view sub, std::size_t from) {
  if (sub.empty()) return kNotFound;
  for (std::size_t i = from; i < text.size() && text.size() - i >= sub.size(); i = NextChar(text, i)) {
    if (MatchesIgnoreCaseAt(text, i, sub)) return i;
  }
  return kNotFound;
}

bool ReplaceText(std::string_view text, std::string_view from, std::string_view to, bool all, std::string& out,
                 std::size_t maxSize) {
  out.clear();
  std::size_t pos = 0;
  for (;;) {
    std::size_t at = FindTextIgnoreCase(text, from, pos);
    if (at == kNotFound) break;
    if (out.size() + (at - pos) + to.size() > maxSize) return false;
    out.append(text.substr(pos, at - pos)).append(to);
    pos = at + from.size();
    if (!all) break;
  }
  if (out.size() + (text.size() - pos) > maxSize) return false;
  out.append(text.substr(pos));
  return true;
}

std::string TrimText(std::string_view text) {
  std::size_t begin = 0;
  while (begin < text.size()) {
    unsigned char c = Byte(text, begin);
    if (IsTrimBlank(c)) {
      ++begin;
    } else if (c == 0x81 && begin + 1 < text.size() && Byte(text, begin + 1) == 0x40) {
      begin += 2;
    } else {
      break;
    }
  }
  // From the front, character by character, remembering where the last
  // non-blank character ended, so a trail byte 0x40 is never a blank.
  std::size_t end = begin;
  for (std::size_t i = begin; i < text.size();) {
    unsigned char c = Byte(text, i);
    std::size_t next = NextChar(text, i);
    bool blank = IsTrimBlank(c) || (c == 0x81 && next == i + 2 && Byte(text, i + 1) == 0x40);
    if (!blank) end = next;
    i = next;
  }
  return std::string(text.substr(begin, end - begin));
}

std::int32_t HashText(std::string_view text) {
  if (text.empty()) return 0;
  std::uint64_t x = Byte(text, 0);
  for (std::size_t i = 1; i < text.size(); ++i) x = ((x << 1) | ((x >> 58) & 1)) ^ Byte(text, i);
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(x) << 4);
}

bool IsNumberText(std::string_view text) {
  if (text.empty()) return false;
  std::size_t i = text[0] == '-' ? 1 : 0;
  for (; i < text.size(); ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  return true;
}

bool HasLeadByte(std::string_view text) {
  for (char c : text)
    if (IsLeadByte(static_cast<unsigned char>(c))) return true;
  return false;
}

std::string FixDoubleByte(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    unsigned char c = Byte(text, i);
    if (!IsLeadByte(c)) {
      out.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    if (i + 1 < text.size() && Byte(text, i + 1) >= 0x40 && Byte(text, i + 1) <= 0xFC) {
      out.append(text.substr(i, 2));
    } else {
      out.append("\x81\xa1");
    }
    i += 2;
  }
  return out;
}

std::string NormalizeLines(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16 + 2);
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\r' && c != '\n') continue;
    out.append(text.substr(start, i - start)).append("\r\n");
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) out.append(text.substr(start)).append("\r\n");
  return out;
}

}  // namespace bq::script
