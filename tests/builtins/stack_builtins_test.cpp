// The builtins that take their arguments from the stack: URLNUM, HREF,
// LINKS, CSV, SHIFTCSV, DATEFORMAT, FORMATDATE, DECODEDATE, PRINT,
// TAGSTRIPSET and LOGREMOVE, run from scripts.
#include "tests/builtins/script_fixture.h"
#include "builtins/builtin_host.h"

namespace bq::test {
namespace {

struct UrlNumCase {
  const char* text;
  const char* format;
  int base;
  std::int32_t expected;
};

class UrlNumTest : public ::testing::TestWithParam<UrlNumCase> {};

TEST_P(UrlNumTest, BuildsTheNumberFromTheNumerals) {
  const auto& c = GetParam();
  EXPECT_EQ(builtins::UrlNumber(c.text, c.format, c.base), c.expected) << c.text << " " << c.format;
}

INSTANTIATE_TEST_SUITE_P(
    Forms, UrlNumTest,
    ::testing::Values(UrlNumCase{"read.cgi?no=123&page=4", "-99", 1000, 123004},
                      UrlNumCase{"no=7", "-9999", 100, 7000000},  // missing numbers count as 0
                      UrlNumCase{"2006/01/02", "999", 100, 20060102},
                      UrlNumCase{"a1b2c3d4e5", "-99", 100, 405},  // aligned with the last numbers
                      UrlNumCase{"x12y34", "x9", 100, 34},        // other characters skip a number
                      UrlNumCase{"\x82\x50\x82\x52", "9", 100, 13},  // full-width digits
                      UrlNumCase{"none", "-9999", 100, 0}));

TEST_F(ScriptTest, UrlNumDefaultsToFormatMinus9999AndBase100) {
  Run("a := URLNUM('no=7'); b := URLNUM('2006/01/02', '999'); c := URLNUM('p1q2', '99', 10)");
  EXPECT_EQ(Int("a"), 7000000);
  EXPECT_EQ(Int("b"), 20060102);
  EXPECT_EQ(Int("c"), 12);
}

TEST_F(ScriptTest, HrefTakesTheFirstNonEmptyValueAndCutsThePrefix) {
  Run("t := '<a href=\"\">x</a><A HREF=\"./p.html\">y</a>';"
      "a := HREF('./', t); b := HREF('./', t, 1); c := HREF('', '<a name=x>')");
  EXPECT_EQ(Text("a"), "p.html");
  EXPECT_EQ(Text("b"), "./p.html");
  EXPECT_EQ(Text("c"), "");
}

TEST_F(ScriptTest, LinksFindsTheLinkByItsWholeTextAgainstTheCurrentPage) {
  Page("/d/p.html", "<a href=\"a.html\">前へ</a> <a href=\"../n.html\">次へ</a>");
  Run("GET('" + Url("/d/p.html?x=1") + "'); a := LINKS('次へ', _); b := LINKS('', _);"
      "c := LINKS('無い', _); d := LINKS('前へ', _, 'http://h/z/')");
  EXPECT_EQ(Text("a"), Url("/n.html"));
  EXPECT_EQ(Text("b"), Url("/d/a.html"));
  EXPECT_EQ(Text("c"), "");
  EXPECT_EQ(Text("d"), "http://h/z/a.html");
}

TEST_F(ScriptTest, CsvAndShiftCsvReadCommaText) {
  Run("a := CSV('x,\"y,z\",w', 1); b := SHIFTCSV('a,b,c'); c := SHIFTCSV('a,b,c', 2); d := CSV('a', 5)");
  EXPECT_EQ(Text("a"), "y,z");
  EXPECT_EQ(Text("b"), "b,c");
  EXPECT_EQ(Text("c"), "c");
  EXPECT_EQ(Text("d"), "");
}

TEST_F(ScriptTest, DatesAreReadWrittenAndSplit) {
  Run("d := DATEFORMAT('2026/12/01 09:15:30'); s := FORMATDATE(d, 'Y-M-D H:N:S');"
      "m := FORMATDATE(d); DECODEDATE(d, y, mo, da, h, mi, se)");
  EXPECT_EQ(Text("s"), "2026-12-01 09:15:30");
  EXPECT_EQ(Text("m"), "Tue, 1 Dec 2026 09:15:30 +0900");
  EXPECT_EQ(Int("y"), 2026);
  EXPECT_EQ(Int("mo"), 12);
  EXPECT_EQ(Int("da"), 1);
  EXPECT_EQ(Int("h"), 9);
  EXPECT_EQ(Int("mi"), 15);
  EXPECT_EQ(Int("se"), 30);
}

TEST_F(ScriptTest, DecodeDateGivesZeroToASeventhAndFurtherVariable) {
  Run("x := 'old'; z := 'old'; DECODEDATE(DATEFORMAT('2026/12/01 09:15:30'), y, mo, da, h, mi, se, x, z)");
  EXPECT_EQ(Int("se"), 30);
  for (const char* name : {"x", "z"}) {
    EXPECT_EQ(Var(name).Kind, script::kind::kInteger) << name;
    EXPECT_EQ(Int(name), 0) << name;
  }
}

TEST_F(ScriptTest, PrintDumpsTheArticleRecord) {
  Run("PACK(0: 5, 1: 2, 2: 0, 3: 'T', 4: 'A', 5: 'm@x', 6: 'hp', 7: 'B', 8: 'H', 9: 'host'); PRINT; x := 1");
  EXPECT_EQ(Machine().PrintBuffer, std::string(42, '-') +
                                         "\r\n0:TOPIC:5\r\n1:REFER:2\r\n2:DATE:Sat, 30 Dec 1899 00:00:00 +0900\r\n"
                                         "3:TITLE:T\r\n4:AUTHOR:A\r\n5:MAILTO:m@x\r\n6:HP:hp\r\n8:HEAD:H\r\n"
                                         "9:HOST:host\r\n7:BODY:\r\nB\r\n");
}

TEST_F(ScriptTest, TagStripSetChangesWhatStripDoesWithATag) {
  Run("a := 'x<q>y</q>z'; b := a; STRIP(a); TAGSTRIPSET('Q', 1, 1); STRIP(b)");
  EXPECT_EQ(Text("a"), "xyz");
  EXPECT_EQ(Text("b"), "xz");
}

TEST_F(ScriptTest, LogRemoveDeletesTheArticleWithThatIdentityWhateverItsTitle) {
  Run("PACK(0: 1, 1: 0, 2: 100, 3: 'a'); PUTLOG(0); PACK(0: 2, 1: 1, 2: 200, 3: 'b'); PUTLOG(0);"
      "LOGREMOVE(2, 1, 200, 'other'); LOGREMOVE(1, 0, 999, 'a'); n := @LOGCOUNT");
  ASSERT_EQ(Log().Count(), 1);
  EXPECT_EQ(Log().GetItem(0).TOPIC, 1);
  EXPECT_EQ(Int("n"), 1);
}

}  // namespace
}  // namespace bq::test
