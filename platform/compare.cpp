#include "platform/compare.h"

#include "textlib/cp932.h"

namespace bq {
namespace {

unsigned char Fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

// Compares with letters folded; double-byte characters stay whole so a trail
// byte is never folded.
int CompareFolded(std::string_view a, std::string_view b) {
  size_t i = 0;
  while (i < a.size() && i < b.size()) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (IsLeadByte(x) || IsLeadByte(y)) {
      if (x != y) return x < y ? -1 : 1;
      if (i + 1 < a.size() && i + 1 < b.size() && a[i + 1] != b[i + 1])
        return static_cast<unsigned char>(a[i + 1]) < static_cast<unsigned char>(b[i + 1]) ? -1 : 1;
      i += 2;
      continue;
    }
    x = Fold(x);
    y = Fold(y);
    if (x != y) return x < y ? -1 : 1;
    ++i;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

std::string MapCase(std::string_view s, bool upper) {
  std::string out(s);
  for (size_t i = 0; i < out.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    if (IsLeadByte(c)) {
      ++i;
    } else if (upper && c >= 'a' && c <= 'z') {
      out[i] = static_cast<char>(c - 32);
    } else if (!upper && c >= 'A' && c <= 'Z') {
      out[i] = static_cast<char>(c + 32);
    }
  }
  return out;
}

}  // namespace

int CompareTextIgnoreCase(std::string_view a, std::string_view b) { return CompareFolded(a, b); }

int CompareText(std::string_view a, std::string_view b) {
  if (int r = CompareFolded(a, b)) return r;
  // Same text apart from case: lower case sorts first, then plain bytes.
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x != y) return x > y ? -1 : 1;  // 'a' (0x61) > 'A' (0x41): lower first
  }
  return 0;
}

std::string UpperCase(std::string_view s) { return MapCase(s, true); }
std::string LowerCase(std::string_view s) { return MapCase(s, false); }

}  // namespace bq
