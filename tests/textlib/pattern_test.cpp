#include "textlib/pattern.h"

#include <gtest/gtest.h>

#include <string>

namespace bq {
namespace {

// "KAN" and "JI" are two double-byte characters (0x8A 0xBF, 0x8E 0x9A);
// HYO (0x95 0x5C) has a trail byte that equals '\', NO (0x82 0xCC) an
// ordinary one, and 0x83 0x7C has a trail byte that equals '|'.
#define KAN "\x8a\xbf"
#define JI "\x8e\x9a"
#define HYO "\x95\x5c"
#define BAR2 "\x83\x7c"

struct FindCase {
  const char* name;
  std::string pattern;
  std::string text;
  long begin;  // -1: no match
  long end;
};

void PrintTo(const FindCase& c, std::ostream* os) { *os << c.name; }

class PatternFindTest : public ::testing::TestWithParam<FindCase> {};

TEST_P(PatternFindTest, FindsLeftmostMatch) {
  const FindCase& c = GetParam();
  auto m = PatternFind(c.text, c.pattern);
  if (c.begin < 0) {
    EXPECT_FALSE(m.has_value()) << "matched [" << m->begin << "," << m->end << ")";
  } else {
    ASSERT_TRUE(m.has_value());
    EXPECT_EQ(static_cast<long>(m->begin), c.begin);
    EXPECT_EQ(static_cast<long>(m->end), c.end);
  }
}

std::string CaseName(const ::testing::TestParamInfo<FindCase>& info) { return info.param.name; }

// Literals, '?', '$', escapes.
INSTANTIATE_TEST_SUITE_P(Literals, PatternFindTest, ::testing::Values(
    FindCase{"PlainLiteral", "cd", "abcd", 2, 4},
    FindCase{"CaseIsSignificant", "CD", "abcd", -1, 0},
    FindCase{"EmptyPatternMatchesAtStart", "", "abc", 0, 0},
    FindCase{"EmptyPatternOnEmptyText", "", "", 0, 0},
    FindCase{"QuestionTakesOneChar", "a?c", "abc", 0, 3},
    FindCase{"QuestionTakesDoubleByteChar", "a?c", "a" KAN "c", 0, 4},
    FindCase{"QuestionAtEndMatchesNothing", "c?", "abc", 2, 3},
    FindCase{"DollarAtTextEnd", "abc$", "xabc", 1, 4},
    FindCase{"DollarBeforeLineBreak", "abc$", "abc\r\nx", 0, 3},
    FindCase{"DollarNotInsideWord", "abc$", "abcd", -1, 0},
    FindCase{"DollarBeforeBarIsAnchor", "b$|z", "ab", 1, 2},
    FindCase{"DollarElsewhereIsLiteral", "a$b", "a$b", 0, 3},
    FindCase{"DollarBeforeParenIsLiteral", "(a$)", "a$", 0, 2},
    FindCase{"EscapedStar", "\\*", "a*b", 1, 2},
    FindCase{"EscapedQuestion", "a\\?", "ab a?", 3, 5},
    FindCase{"EscapedBackslash", "\\\\", "a\\b", 1, 2},
    FindCase{"EscapedBar", "a\\|b", "a|b", 0, 3},
    FindCase{"EscapedBracket", "\\[x", "[x", 0, 2},
    FindCase{"BackslashAtEndIsItself", "a\\", "a\\", 0, 2},
    FindCase{"BackslashAtEndNeedsBackslash", "a\\", "ab", -1, 0},
    FindCase{"TabEscape", "a\\tb", "a\tb", 0, 3},
    FindCase{"CrEscape", "\\r", "a\rb", 1, 2},
    FindCase{"NewlineIsCrLf", "a\\nb", "a\r\nb", 0, 4},
    FindCase{"NewlineIsLf", "a\\nb", "a\nb", 0, 3},
    FindCase{"NewlineIsNotLoneCr", "a\\nb", "a\rb", -1, 0},
    FindCase{"NulBytesAreCharacters", std::string("a\0b", 3), std::string("xa\0b", 4), 1, 4}),
    CaseName);

// Alternatives and groups.
INSTANTIATE_TEST_SUITE_P(Alternatives, PatternFindTest, ::testing::Values(
    FindCase{"FirstAlternativeWins", "a|ab", "ab", 0, 1},
    FindCase{"LaterAlternativeAtSameCandidate", "x|b", "ab", 1, 2},
    FindCase{"LeftmostCandidateBeatsOrder", "b|a", "ab", 0, 1},
    FindCase{"GroupThenLiteral", "(ab|cd)x", "zcdx", 1, 4},
    FindCase{"GroupNoBacktrack", "(a|ab)c", "abc", -1, 0},
    FindCase{"FailingGroupConsumesNextAlternative", "(ab|cd)x|y", "y", -1, 0},
    FindCase{"FailingGroupConsumesOnlyOne", "(ab|cd)x|y|z", "z", 0, 1},
    FindCase{"FailAfterGroupGoesToNextBar", "(a|b)c|a", "ab", 0, 1},
    FindCase{"FailingGroupAnywhereConsumes", "(a|b)c|d", "d", -1, 0},
    FindCase{"FailBeforeGroupSkipsOverIt", "x(a|b)|y", "y", 0, 1},
    FindCase{"UnclosedGroupRunsToEnd", "(ab|cd", "xcd", 1, 3},
    FindCase{"ParenInsideGroupIsLiteral", "(a(|b)c", "a(c", 0, 3},
    FindCase{"StrayCloseParenIsLiteral", "a)b", "a)b", 0, 3},
    FindCase{"EmptyGroupAlternative", "a(|b)c", "ac", 0, 2},
    FindCase{"TrailByteBarIsNoAlternative", BAR2 "a", "x" BAR2 "a", 1, 4}),
    CaseName);

// '*'.
INSTANTIATE_TEST_SUITE_P(Star, PatternFindTest, ::testing::Values(
    FindCase{"ShortestRunLeftmostStart", "b*d", "abcdbd", 1, 4},
    FindCase{"FirstCellOnly", "<td>*</td>", "<tr><td>1</td><td>2</td></tr>", 4, 14},
    FindCase{"LastStarTakesRest", "b*", "abcd", 1, 4},
    FindCase{"StarBeforeBarTakesRest", "b*|x", "abcd", 1, 4},
    FindCase{"StarRestIncludesAlternatives", "a*b|c", "a--c--b", 0, 4},
    FindCase{"StarFailureSkipsToNextBar", "a*b|a", "a", 0, 1},
    FindCase{"LeadingStarOnlyFirstCandidate", "*b", "aab", 0, 3},
    FindCase{"LeadingStarNoMatch", "*z", "aab", -1, 0},
    FindCase{"StarInsideGroupSearchesGroupRest", "(a*b|c)d", "axxbd", 0, 5},
    FindCase{"StarInsideGroupThenAfterFails", "(a*b)d", "axxbe", -1, 0},
    FindCase{"StarBeforeCloseParen", "(x*)y", "xaay", 0, 4},
    FindCase{"StarBeforeCloseAtEndTakesRest", "(x*)", "axbc", 1, 4},
    FindCase{"ChainedStars", "a*b*c", "a1b2b3c", 0, 7},
    FindCase{"ChainedStarsNoMatch", "a*b*c", "aaabbb", -1, 0},
    FindCase{"DoubleStarAsOneStar", "a**c", "abcbc", 0, 3},
    FindCase{"DoubleStarLastTakesRest", "b**", "abcd", 1, 4},
    FindCase{"DoubleStarBeforeCloseParen", "(x**)y", "xaay", 0, 4},
    FindCase{"DoubleStarFailureSkipsToBar", "a**b|a", "a", 0, 1},
    FindCase{"StarRespectsDoubleByte", "a*\\", "a" HYO "x\\", 0, 5},
    FindCase{"StarFindsDoubleByteLiteral", "<*" JI, "<" KAN JI, 0, 5}),
    CaseName);

// Classes.
INSTANTIATE_TEST_SUITE_P(Classes, PatternFindTest, ::testing::Values(
    FindCase{"DigitRunStopsAtLetter", "[0-9]+", "12a", 0, 2},
    FindCase{"NegatedRunStopsBeforeLt", "[^<]+", "text<b", 0, 4},
    FindCase{"NegatedRunStopsAtEnd", "x[^<]+", "xab", 0, 3},
    FindCase{"OptionalClassPresent", "[a-z]-x", "ax", 0, 2},
    FindCase{"OptionalClassAbsent", "[a-c]-x", "x", 0, 1},
    // No backtracking: the optional class takes the x, and the literal x
    // that follows then fails.
    FindCase{"OptionalClassNeverGivesBack", "[a-z]-x", "x", -1, 0},
    FindCase{"PlainClassOneChar", "[abc]", "xxbc", 2, 3},
    FindCase{"ClassNeedsMember", "a[bc]", "ad", -1, 0},
    FindCase{"RangeFromZero", "[-a]+", "A_a", 0, 3},
    FindCase{"RangeToBracketRunsToTop", "x[b-]", "x" KAN, 0, 3},
    FindCase{"DoubleByteRange", "[" KAN "-" JI "]", "a" JI, 1, 3},
    FindCase{"KanjiClass", "[\\j]+", "a" KAN JI "b", 1, 5},
    FindCase{"LetterClassExcludesUnderscore", "[\\a]+", "ab_c", 0, 2},
    FindCase{"WordClassExcludesUnderscore", "[\\w]+", "a1_", 0, 2},
    FindCase{"NewlineClassTakesCrLf", "a[\\n]b", "a\r\nb", 0, 4},
    FindCase{"NegatedNewlineClass", "[^\\n]+", "ab\r\nc", 0, 2},
    FindCase{"EscapedBracketInClass", "[\\]]+", "]]a", 0, 2},
    FindCase{"NegatedClassMatchesAtEnd", "a[^x]", "a", 0, 1},
    FindCase{"NegatedSkipsDoubleByteWhole", "[^a]b", KAN "b", 0, 3},
    FindCase{"UnclosedClass", "[ab", "xb", 1, 2},
    FindCase{"NegatedRunAtEndCountsCodeZero", "a[^x]+", "a", 0, 1},
    FindCase{"RangeUpperEndEscape", "[\x01-\\r]+", "\t\r!", 0, 2},
    FindCase{"EscapeStartsNoRange", "[\\d-z]+", "1-z", 0, 3}),
    CaseName);

// \a \d \w \j with and without suffixes.
INSTANTIATE_TEST_SUITE_P(Escapes, PatternFindTest, ::testing::Values(
    FindCase{"LetterIncludesUnderscore", "\\a", "1_", 1, 2},
    FindCase{"DigitPlus", "\\d+", "ab123c", 2, 5},
    FindCase{"DigitMinusZero", "a\\d-b", "ab", 0, 2},
    FindCase{"DigitMinusMany", "a\\d-b", "a12b", 0, 4},
    FindCase{"WordPlus", "\\w+", "--a_1-", 2, 5},
    FindCase{"KanjiRunStopsAtAscii", "\\j+", "a" KAN JI "b", 1, 5},
    FindCase{"KanjiNeedsValidTrail", "\\j", "\x82\x20" "x", -1, 0},
    FindCase{"KanjiMinusNone", "a\\j-b", "ab", 0, 2},
    FindCase{"LetterPlusNeedsOne", "x\\a+", "x1", -1, 0},
    FindCase{"TrailLetterIsNotLetter", "\\a", KAN "\x82\x61", -1, 0}),
    CaseName);

// Anchors.
INSTANTIATE_TEST_SUITE_P(Anchors, PatternFindTest, ::testing::Values(
    FindCase{"CaretSecondLine", "^abc", "x\r\nabc", 3, 6},
    FindCase{"CaretNotMidLine", "^abc", "xabc", -1, 0},
    FindCase{"CaretAtStart", "^abc", "abc", 0, 3},
    FindCase{"CaretDoesNotSkipBlanks", "^abc", "x\n  abc", -1, 0},
    FindCase{"TildeSkipsBlanks", "~abc", "  abc", 2, 5},
    FindCase{"TildeSecondLine", "~abc", "x\n \tabc", 4, 7},
    FindCase{"CaretLaterIsLiteral", "a^b", "a^b", 0, 3},
    FindCase{"CaretStarOnlyFirstLine", "^*", "ab\ncd", 0, 5}),
    CaseName);

// Shift_JIS boundaries: nothing matches from the middle of a character.
INSTANTIATE_TEST_SUITE_P(ShiftJis, PatternFindTest, ::testing::Values(
    FindCase{"TrailByteIsNotBackslash", "\\\\", HYO, -1, 0},
    FindCase{"TrailByteIsNotLetter", "a", "\x82\x61", -1, 0},
    FindCase{"LiteralAfterTrail", "a", "\x82\x61" "a", 2, 3},
    FindCase{"DoubleByteLiteral", KAN, "a" JI KAN, 3, 5},
    FindCase{"LongLeadRun", "\x88\x88", "\x88\x88\x88\x88", 0, 2},
    FindCase{"OddLeadRunParity", "\x88|", "a\x88\x88\x88|", 3, 5},
    FindCase{"LoneLeadAtTextEnd", "a?", "a\x82", 0, 2},
    FindCase{"LoneLeadPatternEnd", "a\x82", "a\x82\x61", -1, 0},
    FindCase{"LoneLeadPatternEndMatchesLoneLead", "a\x82", "a\x82", 0, 2}),
    CaseName);

TEST(PatternFind, StartsAtGivenOffset) {
  auto m = PatternFind("abab", "ab", 1);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->begin, 2u);
  EXPECT_FALSE(PatternFind("abab", "ab", 5));
  auto e = PatternFind("ab", "", 2);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->begin, 2u);
}

TEST(PatternFind, ClipLoopVisitsEveryCell) {
  std::string row = "<tr><td>1</td><td>" KAN "</td><td>3</td></tr>";
  std::vector<std::string> cells;
  std::size_t at = 0;
  while (auto m = PatternFind(row, "<td>*</td>", at)) {
    cells.push_back(row.substr(m->begin + 4, m->end - m->begin - 9));
    at = m->end;
  }
  EXPECT_EQ(cells, (std::vector<std::string>{"1", KAN, "3"}));
}

TEST(PatternWhole, DigitsOnly) {
  EXPECT_TRUE(PatternWhole("2006", "\\d+"));
  EXPECT_FALSE(PatternWhole("2006a", "\\d+"));
  EXPECT_FALSE(PatternWhole("x2006", "\\d+"));
}

TEST(PatternWhole, UsesTheLeftmostMatchOnly) {
  // The first alternative matches a shorter text, so the whole test fails.
  EXPECT_FALSE(PatternWhole("ab", "a|ab"));
  EXPECT_TRUE(PatternWhole("ab", "ab|a"));
  EXPECT_TRUE(PatternWhole("", ""));
}

TEST(PatternContains, TrueOnlyWithMatch) {
  EXPECT_TRUE(PatternContains("http://x/img/a.gif", ".gif"));
  EXPECT_FALSE(PatternContains("http://x/img/a.jpg", ".gif"));
}

// Odd patterns and texts never crash or read outside their bytes; the
// sanitizer build checks the reads.
TEST(PatternRobustness, OddInputsAreSafe) {
  const char* patterns[] = {"\\", "[", "[^", "[a-", "[\\", "(", "(a|", "*", "**", "|", "||",
                            "(*)", "(*", "$", "^", "~", "\x82", "[\x82", "\\\x82", "a*\\",
                            "(a*|)", "[]", "[^]", "[-]+", "\\j+", "(((", ")))", "*|*"};
  const std::string texts[] = {"", "a", "\x82", "a\x82", std::string("\0\0", 2), "<td>\r\n",
                               KAN JI "\x82"};
  for (const char* p : patterns)
    for (const auto& t : texts) {
      auto m = PatternFind(t, p);
      if (m) {
        EXPECT_LE(m->begin, m->end);
        EXPECT_LE(m->end, t.size());
      }
    }
}

TEST(PatternRobustness, DeepStarChainIsBounded) {
  std::string p;
  for (int i = 0; i < 5000; ++i) p += "a*";
  p += "b";
  std::string t(3000, 'a');
  EXPECT_FALSE(PatternFind(t, p));  // too deep: no match rather than a crash
  EXPECT_TRUE(PatternFind("a1a2b", "a*a*b"));
}

TEST(PatternRobustness, StarChainsInManyAlternativesFinish) {
  std::string chain(80, '*');
  std::string p = chain + "$x|" + chain + "\\j+$|" + chain + "y$|" + chain + "z";
  std::string t(2000, 'a');
  EXPECT_FALSE(PatternFind(t, "q" + p));
  auto m = PatternFind(t + "z", "a" + p);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->begin, 0u);
}

TEST(PatternRobustness, StarChainOnLongTextFinishes) {
  std::string t(200000, 'a');
  EXPECT_FALSE(PatternFind(t, "a*a*a*a*b"));
  t += "b";
  auto m = PatternFind(t, "a*a*a*a*b");
  ASSERT_TRUE(m);
  EXPECT_EQ(m->end, t.size());
}

// Texts that make every candidate start the same long run; the run ends are
// remembered, so these finish at once rather than in quadratic time.
TEST(PatternRobustness, LongRunsWithoutEnd) {
  std::string lts(10u << 20, '<');
  EXPECT_FALSE(PatternFind(lts, "<[^>]+>"));
  EXPECT_FALSE(PatternFind(lts, "<*>"));
  std::string digits(1u << 20, '7');
  EXPECT_FALSE(PatternFind(digits, "\\d+x"));
  digits += 'x';
  auto m = PatternFind(digits, "\\d+x");
  ASSERT_TRUE(m);
  EXPECT_EQ(m->begin, 0u);
  auto tag = PatternFind(std::string("<<a>"), "<[^<>]+>");
  ASSERT_TRUE(tag);
  EXPECT_EQ(tag->begin, 1u);
}

}  // namespace
}  // namespace bq
