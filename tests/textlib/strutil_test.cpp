#include "textlib/strutil.h"

#include <gtest/gtest.h>

#include <string>

namespace bq {
namespace {

TEST(PrefixNoCase, BytesEqualOrDifferingInBit0x20) {
  EXPECT_TRUE(StartsWithNoCase("Hello", "hE"));
  EXPECT_TRUE(StartsWithNoCase("abc", ""));
  EXPECT_FALSE(StartsWithNoCase("ab", "abc"));
  EXPECT_FALSE(StartsWithNoCase("abc", "abd"));
  EXPECT_TRUE(EndsWithNoCase("guide.HTML", ".html"));
  EXPECT_FALSE(EndsWithNoCase("guide.html.txt", ".html"));
  EXPECT_FALSE(EndsWithNoCase("htm", ".htm"));
  EXPECT_EQ(FirstMatchingPrefix("http://x", {"ftp:", "HTTP:", "http"}), 1);
  EXPECT_EQ(FirstMatchingPrefix("mailto:", {"ftp:", "http:"}), -1);
}

TEST(SearchNoCase, StepsOverDoubleByteCharacters) {
  EXPECT_EQ(SearchNoCase("xxABcd", "abc"), 2u);
  // "\x83\x41" is one character; its trail byte 'A' is not a match.
  EXPECT_EQ(SearchNoCase("\x83\x41" "a", "a"), 2u);
  EXPECT_EQ(SearchNoCase("abc", "z"), std::string::npos);
  EXPECT_EQ(SearchSjis("\x83\x41" "A", "A"), 2u);
  EXPECT_EQ(SearchSjis("abab", "ab", 1), 2u);
}

TEST(Between, MarkersAndTrimming) {
  EXPECT_EQ(Between("<b> text </b>", "<b>", "</b>"), "text");
  EXPECT_EQ(Between("  all  ", "", ""), "all");
  EXPECT_EQ(Between("a=1;b=2", "b=", ""), "2");
  EXPECT_EQ(Between("a=1;b=2", "", ";"), "a=1");
  EXPECT_EQ(Between("a=1", "x", ""), "");
  EXPECT_EQ(Between("a=1", "a", "x"), "");
}

TEST(Head, NeverCutsACharacterAndMarksLineBreaks) {
  EXPECT_EQ(Head("ab\r\ncd", 6), "ab\x81\xf7" "cd");
  EXPECT_EQ(Head("\x82\xa0\x82\xa2\x82\xa4", 3), "\x82\xa0\x82\xa2");
  EXPECT_EQ(Head("  hi  there", 6), "hi");
  EXPECT_EQ(Head("abc", 100), "abc");
}

TEST(CleanDoubleByte, BrokenPairsBecomeSquaresAndLengthStays) {
  std::string s = "a\x81 b\x82\xa0";
  CleanDoubleByte(s);
  EXPECT_EQ(s, "a\x81\xa1" "b\x82\xa0");
  std::string end = "ab\x81";
  CleanDoubleByte(end);
  EXPECT_EQ(end, "ab?");
  std::string fine = "\x88\x9f\x88\xa0";
  CleanDoubleByte(fine);
  EXPECT_EQ(fine, "\x88\x9f\x88\xa0");
}

TEST(PathWithSeparator, AppendsOnlyWhenMissing) {
  EXPECT_EQ(PathWithSeparator("a/b"), "a/b/");
  EXPECT_EQ(PathWithSeparator("a/b/"), "a/b/");
  EXPECT_EQ(PathWithSeparator("a\\"), "a\\");
  // 表 ends in the byte 0x5C, which is no separator.
  EXPECT_EQ(PathWithSeparator("\x95\x5c"), "\x95\x5c/");
}

TEST(NextToken, SkipsBlanksAndTakesTheRun) {
  std::size_t pos = 0;
  EXPECT_EQ(NextToken("  10:00 \t+0900 ", pos), "10:00");
  EXPECT_EQ(NextToken("  10:00 \t+0900 ", pos), "+0900");
  EXPECT_EQ(NextToken("  10:00 \t+0900 ", pos), "");
}

}  // namespace
}  // namespace bq
