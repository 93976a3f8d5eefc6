#include "textlib/cp932.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

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

TEST(Cp932, Utf8ToSjisGrowsPastTheInputOnBrokenBytes) {
  std::string bad(100000, '\x80');
  std::string out = Utf8ToSjis(bad);
  ASSERT_EQ(out.size(), bad.size() * 2);
  EXPECT_EQ(out.substr(0, 4), "\x81\xac\x81\xac");
}

}  // namespace
}  // namespace bq
