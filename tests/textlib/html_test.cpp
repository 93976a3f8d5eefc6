#include "textlib/html.h"

#include <gtest/gtest.h>

#include <string>

namespace bq {
namespace {

#define BULLET "\x81\x45 "
#define WIDE_SPACE "\x81\x40"
#define KAN "\x8a\xbf"

// ---- The tag action table ----

TEST(TagActionTable, DefaultRowsInFillOrder) {
  TagActionTable t;
  std::vector<std::string> keys;
  for (const auto& e : t.entries()) keys.push_back(e.key);
  std::vector<std::string> want{":H1:", ":H2:", ":H3:", ":H4:", ":H5:", ":H6:", ":H7:", ":TR:", ":DIV:",
                                ":TABLE:", ":PRE:", ":P:", ":UL:", ":DL:", ":DIR:", ":BLOCKQUOTE:",
                                ":SCRIPT:", ":SELECT:", ":BODY:", ":OL:", ":LI:", ":DT:", ":DD:", ":BR:",
                                ":HR:", ":TD:", ":TH:"};
  EXPECT_EQ(keys, want);
}

TEST(TagActionTable, LaterListReplacesCodes) {
  TagActionTable t;
  ASSERT_NE(t.Find(":UL:"), nullptr);
  EXPECT_EQ(t.Find(":UL:")->open, 32);  // the ":UL:" list replaced the P list's 3/3
  EXPECT_EQ(t.Find(":UL:")->close, 32);
  EXPECT_EQ(t.Find(":P:")->open, kTagBreak);
  EXPECT_EQ(t.Find(":BODY:")->open, kTagDiscard);
  EXPECT_EQ(t.Find(":BODY:")->close, kTagNothing);
  EXPECT_EQ(t.Find(":TD:")->close, kTagCell);
  EXPECT_EQ(t.Find(":TD"), nullptr);
  EXPECT_EQ(t.Find(":td:"), nullptr);
}

TEST(TagActionTable, SetSplitsAtColons) {
  TagActionTable t;
  t.Clear();
  t.Set(":A:B:", 3, 4);
  t.Set("C", 5);
  t.Set("D::E", 6, 6);  // the empty piece ends the list
  std::vector<std::string> keys;
  for (const auto& e : t.entries()) keys.push_back(e.key);
  EXPECT_EQ(keys, (std::vector<std::string>{":A:", ":B:", ":C:", ":D:"}));
  EXPECT_EQ(t.Find(":B:")->close, 4);
  EXPECT_EQ(t.Find(":C:")->open, 5);
  EXPECT_EQ(t.Find(":C:")->close, 0);
}

TEST(TagActionTable, SetReplacesExistingAndAppendsNew) {
  TagActionTable t;
  std::size_t before = t.entries().size();
  t.Set("TD", 5, 5);
  EXPECT_EQ(t.entries().size(), before);
  EXPECT_EQ(t.Find(":TD:")->open, 5);
  t.Set("FONT", 9, 9);
  EXPECT_EQ(t.entries().size(), before + 1);
  EXPECT_EQ(t.entries().back().key, ":FONT:");
}

TEST(TagActionTable, CodesOutsideOneByteDoNothing) {
  TagActionTable t;
  t.Set("X", 259, -1);
  EXPECT_EQ(t.Find(":X:")->open, kTagNothing);
  EXPECT_EQ(t.Find(":X:")->close, kTagNothing);
}

TEST(TagActionTable, ResetRestoresDefaultAndTablesAreIndependent) {
  TagActionTable a, b;
  a.Set("TD", 1, 1);
  a.Set("FONT", 9, 9);
  EXPECT_EQ(b.Find(":TD:")->open, kTagNothing);
  a.Reset();
  EXPECT_EQ(a.Find(":FONT:"), nullptr);
  EXPECT_EQ(a.Find(":TD:")->open, kTagNothing);
  EXPECT_EQ(a.entries().size(), b.entries().size());
}

// ---- STRIP ----

struct StripCase {
  const char* name;
  std::string html;
  unsigned mode;
  std::string want;
};
void PrintTo(const StripCase& c, std::ostream* os) { *os << c.name; }

class StripTest : public ::testing::TestWithParam<StripCase> {};

TEST_P(StripTest, PlainText) {
  TagActionTable table;
  EXPECT_EQ(StripHtml(GetParam().html, table, GetParam().mode), GetParam().want);
}

std::string StripName(const ::testing::TestParamInfo<StripCase>& i) { return i.param.name; }

INSTANTIATE_TEST_SUITE_P(Text, StripTest, ::testing::Values(
    StripCase{"SpacesCollapse", "a    b", 0, "a b"},
    StripCase{"ControlBytesDropped", "\r\n\ta\tb\nc", 0, "abc"},
    StripCase{"StrayGtIsText", "1 > 0", 0, "1 > 0"},
    StripCase{"QuotedGtEndsTag", "a<IMG alt=\"x>y\" src=z>b", 0, "ab"},
    StripCase{"QuotedGtLeftoverOnly", "a<BR>b<IMG alt='x>y' src=z> c>d", 0, "a\r\nb c>d"},
    StripCase{"UnknownTagsVanish", "a<b>bold</b><FONT size=2>c</FONT>", 0, "aboldc"},
    StripCase{"LowerCaseTagsAct", "a<br>b", 0, "a\r\nb"},
    StripCase{"CommentHidesTags", "a<!-- <br> x > y -->b", 0, "ab"},
    StripCase{"UnterminatedCommentEndsAtGt", "a<!-- <br x>b", 0, "ab"},
    StripCase{"UnterminatedTagRunsToEnd", "a<br b", 0, "a"},
    StripCase{"LoneLtAtEnd", "a<", 0, "a"},
    StripCase{"DoubleByteTextKept", KAN " " KAN, 0, KAN " " KAN},
    StripCase{"NulBytesDropped", std::string("a\0b", 3), 0, "ab"}),
    StripName);

INSTANTIATE_TEST_SUITE_P(Entities, StripTest, ::testing::Values(
    StripCase{"AmpFirstThenLt", "a&amp;lt;b", 0, "a<b"},
    StripCase{"AllSix", "&amp;&lt;&gt;&quot;x&nbsp;y&copy;", 0, "&<>\"x y@"},
    StripCase{"NamesWithoutCase", "&AMP;&Lt;&GT;", 0, "&<>"},
    StripCase{"AmpAmpOnce", "&amp;amp;", 0, "&amp;"},
    StripCase{"NbspAtEndsTrimmed", "&nbsp;x&nbsp;", 0, "x"},
    StripCase{"UnknownEntityKept", "&hearts;&amp", 0, "&hearts;&amp"}),
    StripName);

INSTANTIATE_TEST_SUITE_P(Blocks, StripTest, ::testing::Values(
    StripCase{"BodyDiscardsTitle", "<TITLE>t</TITLE>head<BODY>text", 0, "text"},
    StripCase{"ParagraphBreaks", "a<P>b</P>c", 0, "a\r\nb\r\nc"},
    StripCase{"AtMostOneEmptyLine", "a<P><P><P><P>b", 0, "a\r\n\r\nb"},
    StripCase{"DivCloseBreaks", "<DIV>a</DIV>b", 0, "a\r\nb"},
    StripCase{"ScriptNeverOutput", "a<SCRIPT>x='<br>';if(a>b)y</SCRIPT>b", 0, "ab"},
    StripCase{"SelectNeverOutput", "a<SELECT><OPTION>x<OPTION>y</SELECT>b", 0, "ab"},
    StripCase{"BodyInsideScriptIgnored", "a<SCRIPT>'<body>'</SCRIPT>b", 0, "ab"},
    StripCase{"PreKeepsLayout", "<PRE>\r\nline1\r\n  two  spaces\r\n</PRE>", 0, "line1\r\n  two  spaces"},
    StripCase{"PreDropsOnlyOneBreak", "<P><PRE>\r\n\r\nx</PRE>", 0, "x"},
    StripCase{"PreKeepsControlBytes", "<PRE>a\tb</PRE>", 0, "a\tb"},
    StripCase{"SpaceEndingPreCollapsesWithTheNext", "a <pre>x </pre> y", 0, "a x y"},
    StripCase{"BulletList", "<UL><LI>a<LI>b</UL>", 0, BULLET "a\r\n" BULLET "b"},
    StripCase{"BulletListWithCloseTags", "<UL><LI>a</LI><LI>b</LI></UL>", 0,
              BULLET "a\r\n\r\n" BULLET "b"},
    StripCase{"NumberedList", "<OL><LI>a<LI>b</OL>", 0, "1. a\r\n2. b"},
    StripCase{"InnerOlCloseClearsNumbering", "<OL><LI>a<OL><LI>b</OL><LI>c</OL>", 0,
              "1. a\r\n\r\n1. b\r\n" BULLET "c"},
    StripCase{"LiOutsideList", "<LI>a", 0, BULLET "a"},
    StripCase{"DtDd", "<DL><DT>t<DD>d</DL>", 0, "t\r\nd"},
    StripCase{"LinesNeverEndInBlanks", "<TD>a</TD><BR>b", 0, "a\r\nb"},
    StripCase{"WideSpaceBeforeBreakRemoved", "<TD>a" WIDE_SPACE "</TD><BR>b", 0, "a\r\nb"},
    StripCase{"TrailByteIsNoWideSpace", "<TD>\x81\x81\x40</TD><BR>b", 0, "\x81\x81\x40\r\nb"}),
    StripName);

INSTANTIATE_TEST_SUITE_P(Tables, StripTest, ::testing::Values(
    StripCase{"CellsSpaceSeparated", "<TD>1</TD><TD>2</TD>", 0, "1 2"},
    StripCase{"CellsCommaSeparated", "<TD>1</TD><TD>2</TD>", kStripCellComma, "1,2,"},
    StripCase{"TableRows", "x<TABLE><TR><TD>1</TD><TD>2</TD></TR><TR><TD>3</TD></TR></TABLE>y", 0,
              "x\r\n1 2\r\n3\r\n\r\ny"},
    StripCase{"BrInTable", "<TABLE><TR><TD>a<BR>b</TD></TR></TABLE>", 0, "a\r\nb"},
    StripCase{"BrInTableSuppressed", "<TABLE><TR><TD>a<BR>b</TD></TR></TABLE>", kStripNoTableBr, "ab"},
    StripCase{"BrOutsideTableKept", "a<BR>b", kStripNoTableBr, "a\r\nb"},
    StripCase{"BrAfterTableKept", "<TABLE><TD>x</TD></TABLE>a<BR>b", kStripNoTableBr, "x\r\na\r\nb"},
    StripCase{"HrInTableSuppressed", "<TABLE><TD>a<HR>b</TD></TABLE>", kStripNoTableHr, "ab"},
    StripCase{"HrNotSuppressedByBrBit", "<TABLE><TD>a<HR>b</TD></TABLE>", kStripNoTableBr, "a\r\nb"},
    StripCase{"NestedTablesOneLevelBreak",
              "<TABLE><TR><TD><TABLE><TR><TD>in</TD></TR></TABLE></TD></TR></TABLE>a<BR>b",
              kStripNoTableBr, "in\r\n\r\na\r\nb"},
    StripCase{"StrayTableCloseHarmless", "a</TABLE>b", 0, "ab"}),
    StripName);

TEST(StripHtml, TagStripSetChangesActions) {
  TagActionTable t;
  t.Set("SPAN", kTagSpace, kTagComma);
  EXPECT_EQ(StripHtml("a<SPAN>b</SPAN>c", t, 0), "a b,c");
  t.Set("B", kTagBreak, kTagBreak);
  EXPECT_EQ(StripHtml("x<b>y</b>z", t, 0), "x\r\ny\r\nz");
  t.Set("TD", kTagSuppress, kTagSuppress);
  EXPECT_EQ(StripHtml("a<TD>b</TD>c", t, 0), "ac");
}

TEST(StripHtml, LowerCaseTagStripSetHasNoEffect) {
  TagActionTable t;
  t.Set("b", kTagBreak, kTagBreak);
  EXPECT_EQ(StripHtml("x<b>y</b>z", t, 0), "xyz");
}

TEST(StripHtml, ColorAndClassMarks) {
  TagActionTable t;
  t.Set("FONT", kTagColor, kTagColor);
  t.Set("SPAN", kTagClass, kTagClass);
  EXPECT_EQ(StripHtml("<FONT size=2 color=\"#ff0000\">red</FONT>", t, 0), "~#ff0000'red@");
  EXPECT_EQ(StripHtml("<FONT size=2>x</FONT>", t, 0), "x@");
  EXPECT_EQ(StripHtml("<SPAN CLASS='res'>y</SPAN>", t, 0), "~res'y@");
}

TEST(StripHtml, TenMegabytesWithoutGt) {
  TagActionTable t;
  std::string lts(10u << 20, '<');
  EXPECT_EQ(StripHtml(lts, t, 0), "");
  std::string comments;
  while (comments.size() < (4u << 20)) comments += "<!-- a <br ";
  EXPECT_EQ(StripHtml("x" + comments, t, 0), "x");
  std::string quotes = "a<p title=\"" + std::string(1u << 20, 'x');
  EXPECT_EQ(StripHtml(quotes, t, 0), "a");
}

// ---- Entities ----

TEST(DecodeHtmlEntities, TableOrderAndEveryOccurrence) {
  EXPECT_EQ(DecodeHtmlEntities("&lt;a&gt; &lt;b&gt;"), "<a> <b>");
  EXPECT_EQ(DecodeHtmlEntities("&amp;quot;"), "\"");
  EXPECT_EQ(DecodeHtmlEntities("&amp;amp;"), "&amp;");
  EXPECT_EQ(DecodeHtmlEntities("&"), "&");
  EXPECT_EQ(DecodeHtmlEntities("&l"), "&l");
  // An '&' that is the trail byte of a broken double-byte pair is not an entity.
  EXPECT_EQ(DecodeHtmlEntities("\x82&lt;"), "\x82&lt;");
}

// ---- Finding the end of a tag ----

struct TagEndCase {
  const char* name;
  std::string text;  // what follows '<'
  std::size_t end;
};
void PrintTo(const TagEndCase& c, std::ostream* os) { *os << c.name; }

class TagEndTest : public ::testing::TestWithParam<TagEndCase> {};

TEST_P(TagEndTest, EndsWhereExpected) {
  EXPECT_EQ(FindTagEnd(GetParam().text, 0), GetParam().end);
}

INSTANTIATE_TEST_SUITE_P(Forms, TagEndTest, ::testing::Values(
    TagEndCase{"FirstGt", "br>x>", 2},
    TagEndCase{"NoGt", "br x", 4},
    TagEndCase{"Empty", "", 0},
    TagEndCase{"QuotesDoNotHideGt", "a href=\"x>y\">", 9},
    TagEndCase{"UnclosedQuote", "a href=\"xy", 10},
    TagEndCase{"CommentToDashDashGt", "!-- a > b -->x", 12},
    TagEndCase{"CommentUpperCaseIrrelevant", "!-->x-->", 7},
    TagEndCase{"CommentWithoutEndUsesFirstGt", "!-- a > b", 6},
    TagEndCase{"CommentUnterminated", "!-- a b", 7},
    TagEndCase{"LeadByteSkipsTrailOutsideQuotes", "a \x82>b>", 5},
    TagEndCase{"LeadByteInQuotesDoesNotSkip", "a '\x82>b'>", 4},
    TagEndCase{"LeadByteAsLastByte", "a \x82", 3}),
    [](const ::testing::TestParamInfo<TagEndCase>& i) { return std::string(i.param.name); });

TEST(FindTagEnd, BlankingOverwritesTabsAndBreaks) {
  std::string s = "a\thref=\"x\r\ny\"\n>z\t";
  std::size_t end = FindTagEndBlanking(s, 0);
  EXPECT_EQ(end, 14u);
  EXPECT_EQ(s, "a href=\"x  y\" >z\t");
}

TEST(FindTagEnd, PositionPastEndGivesEnd) {
  EXPECT_EQ(FindTagEnd("abc", 7), 3u);
}

// ---- Attributes ----

TEST(HtmlTagAttribute, Forms) {
  EXPECT_EQ(HtmlTagAttribute("FONT COLOR=\"red\" size=2", "color"), "red");
  EXPECT_EQ(HtmlTagAttribute("FONT size=2 color='#00f'", "COLOR"), "#00f");
  EXPECT_EQ(HtmlTagAttribute("FONT color = blue", "COLOR"), "blue");
  EXPECT_EQ(HtmlTagAttribute("FONT bgcolor=red", "COLOR"), "");
  EXPECT_EQ(HtmlTagAttribute("FONT color", "COLOR"), "");
  EXPECT_EQ(HtmlTagAttribute("FONT color=\"unclosed", "COLOR"), "unclosed");
  EXPECT_EQ(HtmlTagAttribute("FONT =x color=y", "COLOR"), "y");
}

// ---- TAGUPPERCASE ----

TEST(TagUpperCase, LettersInsideTagsOnly) {
  EXPECT_EQ(TagUpperCase("<a href=\"Foo\">Bar</a>", true), "<A HREF=\"Foo\">Bar</A>");
  EXPECT_EQ(TagUpperCase("<TD CLASS='X' Width=3>Q</TD>", false), "<td class='X' width=3>Q</td>");
}

TEST(TagUpperCase, BangTagsUnchanged) {
  EXPECT_EQ(TagUpperCase("<!DOCTYPE html><!-- <b> x > y --><b>", true),
            "<!DOCTYPE html><!-- <b> x > y --><B>");
}

TEST(TagUpperCase, DoubleByteAndOddInput) {
  // 0x82 0x61 is one character whose trail byte equals 'a'.
  EXPECT_EQ(TagUpperCase("<a t=\x82\x61>", true), "<A T=\x82\x61>");
  EXPECT_EQ(TagUpperCase("<a href=\"x", true), "<A HREF=\"x");
  EXPECT_EQ(TagUpperCase("x\x82<b>", true), "x\x82<b>");  // '<' is a trail byte here
  EXPECT_EQ(TagUpperCase("<a\x82", true), "<A\x82");
  EXPECT_EQ(TagUpperCase("<", true), "<");
}

}  // namespace
}  // namespace bq
