#include "textlib/csv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace bq {
namespace {

const std::string kNotInteger =
    "' \x82\xcd\x90\xae\x90\x94\x82\xc5\x82\xcd\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1";

std::string ReadBack(const std::string& written) {
  const std::string line = written + ",";  // the reader only views its line
  TCommaFile f;
  f.SetLine(line);
  return f.ReadText();
}

TEST(CsvEscape, TabsLineBreaksBackslashesAndCommas) {
  EXPECT_EQ(CsvEscape("a\tb\r\nc\\d,e"), "\"a\\tb\\nc\\\\d,e\"");
  EXPECT_EQ(CsvUnescape("a\\tb\\nc\\\\d,e"), "a\tb\r\nc\\d,e");
  EXPECT_EQ(ReadBack(CsvEscape("a\tb\r\nc\\d,e")), "a\tb\r\nc\\d,e");
}

TEST(CsvEscape, QuotesAndBlanksSurviveTheRoundTrip) {
  EXPECT_EQ(CsvEscape("say \"hi\""), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(CsvEscape("a\"b"), "a\"\"b");
  for (std::string t : {"say \"hi\"", "a\"b", "\"", " lead", "trail ", "x,y", "", "\"\"", ", "}) {
    EXPECT_EQ(ReadBack(CsvEscape(t)), t) << t;
  }
}

TEST(CsvEscape, BrokenDoubleBytePairsBecomeQuestionMarks) {
  EXPECT_EQ(CsvEscape("a\x81" "\x10" "b"), "a??b");
  EXPECT_EQ(CsvEscape("ab\x81"), "ab??");
  EXPECT_EQ(CsvEscape("\x95\x5c"), "\x95\x5c");  // 表: trail 0x5C is no backslash
  EXPECT_EQ(CsvUnescape("\x95\x5c" "n"), "\x95\x5c" "n");
}

TEST(CsvEscape, ByteSwallowedByABrokenPairMarksNothing) {
  EXPECT_EQ(CsvEscape("\x81 x"), "??x");      // the blank went with the broken pair
  EXPECT_EQ(CsvEscape("\x81\nx"), "??x");
  EXPECT_EQ(CsvEscape("a\rb"), "ab");
}

TEST(CommaFile, ReadTextDecodesQuotedAndPlainFieldsAlike) {
  TCommaFile f;
  f.SetLine("  plain\\n,\"quo ted\\t\",x\"\"y,\\,");
  EXPECT_EQ(f.ReadText(), "plain\r\n");
  EXPECT_EQ(f.ReadText(), "quo ted\t");
  EXPECT_EQ(f.ReadText(), "x\"y");
  EXPECT_EQ(f.ReadText(), "");  // a lone backslash is dropped
  EXPECT_TRUE(f.AtEnd());
  EXPECT_EQ(f.ReadText(), "");
}

TEST(CsvUnescape, BackslashRules) {
  EXPECT_EQ(CsvUnescape("a\\qb"), "aqb");
  EXPECT_EQ(CsvUnescape("end\\"), "end");
  EXPECT_EQ(CsvUnescape("\\\\n"), "\\n");
}

// Whether a backslash escapes or is the second byte of a double-byte
// character depends on every byte before it; the decoding jumps between
// backslashes and must still tell.
class BackslashAfterDoubleBytes : public ::testing::TestWithParam<std::pair<std::string, std::string>> {};

TEST_P(BackslashAfterDoubleBytes, DecodesAsTheCharactersFallFromTheStart) {
  const auto& [written, text] = GetParam();
  EXPECT_EQ(CsvUnescape(written), text);
  std::string inPlace = written;
  inPlace.resize(CsvUnescapeInPlace(inPlace.data(), inPlace.size()));
  EXPECT_EQ(inPlace, text);
}

INSTANTIATE_TEST_SUITE_P(
    CsvUnescape, BackslashAfterDoubleBytes,
    ::testing::Values(std::make_pair("\x93\xfa\\n", "\x93\xfa\r\n"),           // 日 then an escape
                      std::make_pair("\x81\x81\x81\x5c", "\x81\x81\x81\x5c"),  // (81 81)(81 5C)
                      std::make_pair("\x81\x81\x5cn", "\x81\x81\r\n"),          // (81 81) then an escape
                      std::make_pair("a\x95\x5c\x95\x5c\\t", "a\x95\x5c\x95\x5c\t"),
                      std::make_pair("\\\x95\x5c", "\x95\x5c"),  // an escaped pair
                      std::make_pair("x\xe0\\\\n", "x\xe0\\\r\n"),
                      std::make_pair("\xa0\\n", "\xa0\r\n"),  // a half-width kana leads nothing
                      std::make_pair("\x81\\", "\x81\\"),
                      std::make_pair("\\", ""), std::make_pair("plain", "plain")));

TEST(CommaFile, FieldsOfALine) {
  TCommaFile f("12, \"a, b\",x\"\"y,,last\r\nsecond,\n");
  ASSERT_TRUE(f.ReadLine());
  EXPECT_EQ(f.ReadInteger(), 12);
  EXPECT_EQ(f.ReadField(), "a, b");
  EXPECT_EQ(f.ReadField(), "x\"y");
  EXPECT_EQ(f.ReadField(), "");
  EXPECT_EQ(f.ReadField(), "last");
  EXPECT_EQ(f.ReadField(), "");
  EXPECT_EQ(f.ReadInteger(), 0);
  ASSERT_TRUE(f.ReadLine());
  EXPECT_EQ(f.ReadField(), "second");
  EXPECT_FALSE(f.ReadLine());
}

TEST(CommaFile, UnclosedQuoteRunsToTheLineEnd) {
  TCommaFile f;
  f.SetLine("\"abc,def");
  EXPECT_EQ(f.ReadField(), "abc,def");
  EXPECT_EQ(f.ReadField(), "");
}

TEST(CommaFile, IntegersAndBooleans) {
  TCommaFile f;
  f.SetLine("-2147483648,2147483647,1,0,2,");
  EXPECT_EQ(f.ReadInteger(), -2147483647 - 1);
  EXPECT_EQ(f.ReadInteger(), 2147483647);
  EXPECT_TRUE(f.ReadBoolean());
  EXPECT_FALSE(f.ReadBoolean());
  EXPECT_FALSE(f.ReadBoolean());
}

class BadInteger : public ::testing::TestWithParam<const char*> {};

TEST_P(BadInteger, RaisesTheConversionErrorNamingTheField) {
  try {
    ParseRecordInteger(GetParam());
    FAIL() << "accepted " << GetParam();
  } catch (const ConvertError& e) {
    EXPECT_EQ(e.what(), "'" + std::string(GetParam()) + kNotInteger);
  }
}
INSTANTIATE_TEST_SUITE_P(Csv, BadInteger,
                         ::testing::Values("x1", "1x", "-", "+", "2147483648", "-2147483649",
                                           "99999999999999999999", "1 ", "0x10"));

TEST(ParseRecordInteger, HugeFieldIsCutInTheMessage) {
  std::string big(100000, 'z');
  try {
    ParseRecordInteger(big);
    FAIL();
  } catch (const ConvertError& e) {
    EXPECT_EQ(e.what(), "'" + std::string(200, 'z') + "..." + kNotInteger);
  }
}

TEST(LenientInteger, SignDigitsAndNothing) {
  EXPECT_EQ(LenientInteger("123abc"), 123);
  EXPECT_EQ(LenientInteger("-7"), -7);
  EXPECT_EQ(LenientInteger("abc"), 0);
  EXPECT_EQ(LenientInteger(""), 0);
  EXPECT_EQ(LenientInteger("4294967295"), 4294967295LL);
  EXPECT_EQ(LenientInteger("99999999999999999999999"), 4294967295LL);
}

TEST(StringCsv, BuildsAndTakesApartARecord) {
  TStringCSV r;
  r.AddInteger(-5);
  r.AddBoolean(true);
  r.AddText("a b\r\nc");
  r.AddText("plain");
  EXPECT_EQ(r.Line(), "-5,1,\"a b\\nc\",plain,");
  TStringCSV back;
  back.SetLine(r.Line());
  ASSERT_EQ(back.Count(), 4);
  EXPECT_EQ(back.Integer(0), -5);
  EXPECT_TRUE(back.Boolean(1));
  EXPECT_EQ(back.Text(2), "a b\r\nc");
  EXPECT_EQ(back.Field(2), "a b\\nc");
  EXPECT_EQ(back.Field(9), "");
  EXPECT_EQ(back.Integer(9), 0);
  EXPECT_EQ(back.Line(), r.Line());
}

TEST(CommaText, SplitByBlanksAndCommas) {
  EXPECT_EQ(CommaField("a b,c", 1), "b");
  EXPECT_EQ(CommaField("\"a b\",c", 0), "a b");
  EXPECT_EQ(CommaField("a,,b", 1), "");
  EXPECT_EQ(CommaField("a,,b", 5), "");
  EXPECT_EQ(CommaSplit("  a , b  ,c  "), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(CommaSplit("\"x\"\"y\""), (std::vector<std::string>{"x\"y"}));
  EXPECT_EQ(CommaSplit("\"open"), (std::vector<std::string>{"open"}));
  EXPECT_EQ(CommaSplit(""), (std::vector<std::string>{}));
  EXPECT_EQ(CommaSplit(std::string("a\0b", 3)), (std::vector<std::string>{"a"}));
}

TEST(CommaText, NegativeIndexRaisesTheListError) {
  try {
    CommaField("a", -1);
    FAIL();
  } catch (const ListIndexError& e) {
    EXPECT_STREQ(e.what(),
                 "\x83\x8a\x83X\x83g\x82\xcc\x83\x43\x83\x93\x83\x66\x83\x62\x83N\x83X\x82\xaa\x94\xcd"
                 "\x88\xcd\x82\xf0\x92\xb4\x82\xa6\x82\xc4\x82\xa2\x82\xdc\x82\xb7 (-1)");
  }
}

TEST(CommaText, JoinQuotesWhatSplitWouldBreak) {
  EXPECT_EQ(CommaJoin({"a", "b c", "d,e", "f\"g", ""}), "a,\"b c\",\"d,e\",\"f\"\"g\",");
  EXPECT_EQ(CommaJoin({""}), "\"\"");
  EXPECT_EQ(CommaJoin({}), "");
  EXPECT_EQ(CommaShift("a,b,c"), "b,c");
  EXPECT_EQ(CommaShift("a,b", 2), "");
  const std::vector<std::string> fields{"x y", "", "q\"", "z"};
  EXPECT_EQ(CommaSplit(CommaJoin(fields)), fields);
}


using Items = std::vector<std::string>;

struct CommaCase {
  const char* text;
  Items items;
};
class SettingsCommaTextForms : public ::testing::TestWithParam<CommaCase> {};

TEST_P(SettingsCommaTextForms, SplitsAsListed) { EXPECT_EQ(CommaSplit(GetParam().text, FinalComma::AddsEmptyItem), GetParam().items); }

INSTANTIATE_TEST_SUITE_P(
    All, SettingsCommaTextForms,
    ::testing::Values(CommaCase{"a,b,c", {"a", "b", "c"}}, CommaCase{"a b\t c", {"a", "b", "c"}},
                      CommaCase{"\"a, b\",c", {"a, b", "c"}}, CommaCase{"\"say \"\"hi\"\"\"", {"say \"hi\""}},
                      CommaCase{"206,183,,", {"206", "183", "", ""}}, CommaCase{"0,,", {"0", "", ""}},
                      CommaCase{"", {}}, CommaCase{"  x  ", {"x"}}, CommaCase{"\"open", {"open"}},
                      CommaCase{"\x93\xfa,\x96\x7b", {"\x93\xfa", "\x96\x7b"}}));

TEST(SettingsCommaText, QuotesItemsWithBlanksCommasAndQuotes) {
  EXPECT_EQ(CommaJoin({"MS Gothic", "a,b", "q\"", "plain", ""}), "\"MS Gothic\",\"a,b\",\"q\"\"\",plain,");
  Items odd = {"x y", ",", "\"\"", "", "z"};
  EXPECT_EQ(CommaSplit(CommaJoin(odd), FinalComma::AddsEmptyItem), odd);
}


// The two readings of comma text side by side: they differ only where a comma
// is the text's last byte.
struct BothRulesCase {
  const char* text;
  Items script;
  Items settings;
};
class CommaTextRules : public ::testing::TestWithParam<BothRulesCase> {};

TEST_P(CommaTextRules, DifferOnlyAtAFinalComma) {
  EXPECT_EQ(CommaSplit(GetParam().text), GetParam().script);
  EXPECT_EQ(CommaSplit(GetParam().text, FinalComma::AddsEmptyItem), GetParam().settings);
}

INSTANTIATE_TEST_SUITE_P(
    All, CommaTextRules,
    ::testing::Values(BothRulesCase{"a,b,c", {"a", "b", "c"}, {"a", "b", "c"}},
                      BothRulesCase{"a,,b", {"a", "", "b"}, {"a", "", "b"}},
                      BothRulesCase{",a", {"", "a"}, {"", "a"}},
                      BothRulesCase{"a, ", {"a"}, {"a"}},
                      BothRulesCase{"\"a\"b", {"a", "b"}, {"a", "b"}},
                      BothRulesCase{"a\"b\"", {"a\"b\""}, {"a\"b\""}},
                      BothRulesCase{"a,", {"a"}, {"a", ""}},
                      BothRulesCase{"a ,", {"a"}, {"a", ""}},
                      BothRulesCase{",", {""}, {"", ""}},
                      BothRulesCase{"\"\",", {""}, {"", ""}},
                      BothRulesCase{"206,183,,", {"206", "183", ""}, {"206", "183", "", ""}},
                      // A lead byte before a comma is no pair: the comma still separates.
                      BothRulesCase{"\x81,", {"\x81"}, {"\x81", ""}},
                      BothRulesCase{"\x81,b", {"\x81", "b"}, {"\x81", "b"}},
                      BothRulesCase{"\x93\x5c,b", {"\x93\x5c", "b"}, {"\x93\x5c", "b"}}));

TEST(CommaText, BothRulesEndAtANulByte) {
  const std::string text("a\0b,c", 5);
  EXPECT_EQ(CommaSplit(text), (Items{"a"}));
  EXPECT_EQ(CommaSplit(text, FinalComma::AddsEmptyItem), (Items{"a"}));
}

}  // namespace
}  // namespace bq
