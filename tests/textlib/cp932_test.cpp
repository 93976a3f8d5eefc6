#include "textlib/cp932.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <map>
#include <string>
#include <vector>

namespace bq {
namespace {

TEST(Cp932, AsciiAndKanaPassThroughBothWays) {
  EXPECT_EQ(SjisToUtf8("abc\\~"), "abc\\~");
  EXPECT_EQ(SjisToUtf8("\xb1"), "\xef\xbd\xb1");  // half-width katakana A
  EXPECT_EQ(Utf8ToSjis("\xef\xbd\xb1"), "\xb1");
  EXPECT_EQ(SjisToUtf8("\x93\xfa\x96\x7b"), "\xe6\x97\xa5\xe6\x9c\xac");  // 日本
  EXPECT_EQ(Utf8ToSjis("\xe6\x97\xa5\xe6\x9c\xac"), "\x93\xfa\x96\x7b");
}

TEST(Cp932, UnmappableBecomesReplacementNeverACutString) {
  EXPECT_EQ(Utf8ToSjis("a\xf0\x9f\x98\x80z"), "a\x81\xacz");  // emoji -> 〓
  EXPECT_EQ(Utf8ToSjis("a\xc3z"), "a\x81\xacz");              // truncated sequence
  EXPECT_EQ(Utf8ToSjis("\xc0\xaf"), "\x81\xac\x81\xac");      // overlong '/' is two bad bytes
  EXPECT_EQ(Utf8ToSjis("\xed\xa0\x80"), "\x81\xac\x81\xac\x81\xac");  // surrogate
  EXPECT_EQ(SjisToUtf8("a\x81"), "a\xef\xbf\xbd");            // lead byte as last byte
  EXPECT_EQ(SjisToUtf8("\xff"), "\xef\xbf\xbd");
  std::string nul("a\0b", 3);
  EXPECT_EQ(SjisToUtf8(nul), nul);
  EXPECT_EQ(Utf8ToSjis(nul), nul);
}

// Every double-byte code that CP932 maps goes to UTF-8 as iconv says, and
// back to the code iconv chooses for that character.
TEST(Cp932, AgreesWithIconvOnEveryDoubleByteCode) {
  iconv_t cd = iconv_open("UTF-8", "CP932");
  iconv_t back = iconv_open("CP932", "UTF-8");
  ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
  int mapped = 0;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      char out[8];
      char* ip = in;
      char* op = out;
      size_t il = 2, ol = sizeof out;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      if (iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1)) continue;
      std::string utf8(out, sizeof out - ol);
      ASSERT_EQ(SjisToUtf8(std::string(in, 2)), utf8) << std::hex << lead << " " << trail;
      char out2[4];
      char* ip2 = utf8.data();
      char* op2 = out2;
      size_t il2 = utf8.size(), ol2 = sizeof out2;
      iconv(back, nullptr, nullptr, nullptr, nullptr);
      ASSERT_NE(iconv(back, &ip2, &il2, &op2, &ol2), static_cast<size_t>(-1));
      ASSERT_EQ(Utf8ToSjis(utf8), std::string(out2, sizeof out2 - ol2));
      ++mapped;
    }
  }
  iconv_close(cd);
  iconv_close(back);
  EXPECT_GT(mapped, 7000);
}


// Every character CP932 holds survives Shift_JIS -> UTF-8 -> Shift_JIS: the
// bytes come back unchanged, except for the NEC and IBM duplicates, which come
// back as the one code iconv prefers for the same character.
TEST(Cp932, EveryCharacterRoundTrips) {
  int exact = 0, duplicates = 0;
  auto check = [&](const std::string& code) {
    std::string utf8 = SjisToUtf8(code);
    if (utf8 == "\xef\xbf\xbd") return;  // not a CP932 character
    std::string back = Utf8ToSjis(utf8);
    ASSERT_EQ(SjisToUtf8(back), utf8) << std::hex << int(static_cast<unsigned char>(code[0]));
    if (back == code) {
      ++exact;
    } else {
      ASSERT_EQ(back.size(), 2u);
      ++duplicates;
    }
  };
  for (int b = 0; b < 0x100; ++b)
    if (!IsLeadByte(static_cast<unsigned char>(b))) check(std::string(1, static_cast<char>(b)));
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) check(std::string{static_cast<char>(lead), static_cast<char>(trail)});
  }
  EXPECT_GT(exact, 7700);
  EXPECT_LT(duplicates, 800);
}

// One code point through iconv (UCS-4BE on the Unicode side), 0 when the
// character has no mapping.
char32_t IconvCodePoint(iconv_t cd, const std::string& sjis) {
  std::string in = sjis;
  unsigned char out[4];
  char* ip = in.data();
  char* op = reinterpret_cast<char*>(out);
  size_t il = in.size(), ol = sizeof out;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1) || ol != 0) return 0;
  return (char32_t(out[0]) << 24) | (char32_t(out[1]) << 16) | (char32_t(out[2]) << 8) | out[3];
}

std::string Utf8Of(char32_t cp) {
  std::string out;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return out;
}

// The Unicode forms a page may use besides the CP932 one: what the JIS
// mapping (iconv SHIFT_JIS) gives for the JIS X 0208 rows, and the usual
// other forms of a few characters of the JIS and NEC/IBM rows.
std::vector<char32_t> OtherForms(iconv_t jis, const std::string& code) {
  std::vector<char32_t> forms;
  if (char32_t cp = IconvCodePoint(jis, code)) forms.push_back(cp);
  static const std::map<std::string, char32_t> kExtra = {
      {"\x81\x5c", 0x2014},  // ― also written as EM DASH
      {"\x81\x8f", 0x00A5},  // ￥ also written as YEN SIGN
      {"\x81\x50", 0x203E},  // ￣ also written as OVERLINE
      {"\xfa\x55", 0x00A6},  // ￤ also written as BROKEN BAR
  };
  if (auto it = kExtra.find(code); it != kExtra.end()) forms.push_back(it->second);
  return forms;
}

// Every character of the JIS X 0208 rows and of the NEC and IBM rows reaches
// Shift_JIS from either of its Unicode forms, as the code the CP932 form gives
// (the code itself, or for a NEC/IBM duplicate the one CP932 prefers).
TEST(Cp932, BothUnicodeFormsOfEveryJisAndNecIbmCharacterReachItsCode) {
  iconv_t ms = iconv_open("UCS-4BE", "CP932");
  iconv_t jis = iconv_open("UCS-4BE", "SHIFT_JIS");
  ASSERT_NE(ms, reinterpret_cast<iconv_t>(-1));
  ASSERT_NE(jis, reinterpret_cast<iconv_t>(-1));
  int characters = 0, otherForms = 0;
  auto rows = [](int lead) {
    return (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xEA) || lead == 0xED || lead == 0xEE ||
           (lead >= 0xFA && lead <= 0xFC);
  };
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!rows(lead)) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      std::string code{static_cast<char>(lead), static_cast<char>(trail)};
      char32_t msForm = IconvCodePoint(ms, code);
      if (msForm == 0) continue;
      std::string expected = Utf8ToSjis(Utf8Of(msForm));
      ASSERT_EQ(expected.size(), 2u) << std::hex << lead << " " << trail;
      ASSERT_EQ(SjisToUtf8(expected), Utf8Of(msForm)) << std::hex << lead << " " << trail;  // not "〓" for it
      if (lead <= 0xEA && lead != 0x87) {
        EXPECT_EQ(expected, code) << std::hex << lead << " " << trail;
      }
      ++characters;
      for (char32_t form : OtherForms(jis, code)) {
        EXPECT_EQ(Utf8ToSjis(Utf8Of(form)), expected) << std::hex << lead << " " << trail << " U+" << static_cast<unsigned>(form);
        if (form != msForm) ++otherForms;
      }
    }
  }
  iconv_close(ms);
  iconv_close(jis);
  EXPECT_GT(characters, 7300);
  EXPECT_EQ(otherForms, 10);  // the six JIS forms that differ, and the four extra ones
}

TEST(Cp932, JisFormsOnAUtf8PageNeverBecomeBackslashOrGeta) {
  // 〜 − — ‖ ¢ £ ¬ ¥ as Japanese pages in UTF-8 usually write them
  EXPECT_EQ(Utf8ToSjis("\xe3\x80\x9c\xe2\x88\x92\xe2\x80\x94\xe2\x80\x96\xc2\xa2\xc2\xa3\xc2\xac\xc2\xa5"),
            "\x81\x60\x81\x7c\x81\x5c\x81\x61\x81\x91\x81\x92\x81\xca\x81\x8f");
  // and the CP932 forms keep their codes
  EXPECT_EQ(Utf8ToSjis("\xef\xbd\x9e\xef\xbc\x8d\xe2\x80\x95\xe2\x88\xa5"), "\x81\x60\x81\x7c\x81\x5c\x81\x61");
}

TEST(Cp932, Utf8ToSjisGrowsPastTheInputOnBrokenBytes) {
  std::string bad(100000, '\x80');
  std::string out = Utf8ToSjis(bad);
  ASSERT_EQ(out.size(), bad.size() * 2);
  EXPECT_EQ(out.substr(0, 4), "\x81\xac\x81\xac");
}

}  // namespace
}  // namespace bq
