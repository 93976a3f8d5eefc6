// Clip templates applied to fetched pages, FOREACH over every iterator kind,
// and the articles they store.
#include "tests/builtins/script_fixture.h"

namespace bq::test {
namespace {

const char* kBoard =
    "<html><body>\n"
    "<div class=p><b>最初</b><i>太郎</i><p>本文一</p></div>\n"
    "<div class=p><b>二番目</b><i>花子</i><p>本文二</p></div>\n"
    "<div class=p><b>三番目</b><i>次郎</i><p>本文三</p></div>\n"
    "</body></html>";

const char* kPost = "POST[]:-\r\n<b>${TITLE}</b><i>${AUTHOR}</i><p>${BODY}</p>\r\n-::";

TEST_F(ScriptTest, ClipLoopStoresEveryRecordOfAFetchedPageInPageOrder) {
  Page("/bbs", kBoard);
  decls = kPost;
  Log().Folder.SiteUrl = Url("/bbs");
  Run("GET(%URL%); r := _; n := 0; cnt := 0;"
      "FOREACH rec IN @CLIP[POST] DO BEGIN n := n + 1; PACK(0: n, 3: TITLE, 4: AUTHOR, 7: BODY); PUTLOG(0) END");
  ASSERT_EQ(Log().Count(), 3);
  EXPECT_EQ(Title(0), "最初");
  EXPECT_EQ(Title(2), "三番目");
  EXPECT_EQ(SjisToUtf8(Log().GetItem(1).AUTHOR), "花子");
  EXPECT_EQ(SjisToUtf8(Log().GetItem(1).BODY), "本文二");
  EXPECT_TRUE(Log().GetItem(0).Unread);
  EXPECT_EQ(Int("!"), 3);
  EXPECT_EQ(Int("n"), 3);
  // The last record is the match the workbench marks in the page.
  ASSERT_TRUE(Machine().LastMatch.Valid);
  EXPECT_EQ(SjisToUtf8(Machine().LastMatch.Text), "<b>三番目</b><i>次郎</i><p>本文三</p>");
  EXPECT_EQ(Machine().LastMatch.Begin, Var("r").Str.find(Machine().LastMatch.Text));
}

}  // namespace
}  // namespace bq::test

namespace bq::test {
namespace {

// The elements a FOREACH visits, joined by '|'.
std::string Visit(ScriptTest& t, const std::string& kind) {
  (void)t;
  return "s := ''; FOREACH e IN " + kind + " DO s := s + e + '|'";
}

TEST_F(ScriptTest, SplitKeepsEmptyPiecesButNotATrailingOne) {
  Run("t := 'a,b,c'; " + Visit(*this, "@SPLIT[',', t]") + "; s1 := s; n1 := 0;"
      "t := 'a,,b'; " + Visit(*this, "@SPLIT[',', t]") + "; s2 := s;"
      "t := 'a,b,'; " + Visit(*this, "@SPLIT[',', t]") + "; s3 := s;"
      "t := ''; " + Visit(*this, "@SPLIT[',', t]") + "; s4 := s");
  EXPECT_EQ(Text("s1"), "a|b|c|");
  EXPECT_EQ(Text("s2"), "a||b|");
  EXPECT_EQ(Text("s3"), "a|b|");
  EXPECT_EQ(Text("s4"), "");
  EXPECT_EQ(Int("!"), 0);
}

TEST_F(ScriptTest, WrapStrYieldsEachPassageWithItsTags) {
  Run("t := 'x<b>1</b>y<b>2</b>z<b>3'; " + Visit(*this, "@WRAPSTR['<b>', '</b>', t]"));
  EXPECT_EQ(Text("s"), "<b>1</b>|<b>2</b>|<b>3|");
  EXPECT_EQ(Int("!"), 3);
}

TEST_F(ScriptTest, LinesSplitAtEveryLineBreakKind) {
  Run("t := EXPANDSTR('a\\nb\\n\\nc\\n'); " + Visit(*this, "@LINES[t]"));
  EXPECT_EQ(Text("s"), "a|b||c|");
}

TEST_F(ScriptTest, CsvElementsAreTheFieldsOfACommaText) {
  Run(Visit(*this, "@CSV['a,\"b,c\",d']"));
  EXPECT_EQ(Text("s"), "a|b,c|d|");
}

TEST_F(ScriptTest, TopicsVisitTheArticlesPassingTheFilter) {
  Run("PACK(0: 10, 3: 'a'); PUTLOG(0); PACK(0: 20, 3: 'b'); PUTLOG(0); PACK(0: 30, 3: 'c'); PUTLOG(0)");
  Log().MarkRead(1);
  Run("s := 0; FOREACH t IN @TOPICS[3] DO s := s * 100 + t; u := 0; FOREACH t IN @TOPICS[4] DO u := u + t;"
      "a := 0; FOREACH t IN @TOPICS[0] DO a := a + 1; z := 0; FOREACH t IN @TOPICS[9] DO z := z + 1");
  EXPECT_EQ(Int("s"), 1030);
  EXPECT_EQ(Int("u"), 20);
  EXPECT_EQ(Int("a"), 3);
  EXPECT_EQ(Int("z"), 0);
}

TEST_F(ScriptTest, IndexLinkAndImgSrcGiveAbsoluteAddressesFilteredByPattern) {
  Page("/d/p.html",
       "<a href=\"a.html\">A</a><a href=\"javascript:void(0)\">J</a><a href=\"/x/b.cgi\">B</a>"
       "<img src=\"i1.gif\" alt=one><img src=\"../i2.jpg\">");
  Run("GET('" + Url("/d/p.html") + "'); " + Visit(*this, "@INDEXLINK['']") + "; a := s;" +
      Visit(*this, "@INDEXLINK['*.cgi']") + "; b := s;" + Visit(*this, "@IMGSRC['*.jpg']") + "; c := s;" +
      "d := IMGSRC(''); f := FRAMESRC('')");
  EXPECT_EQ(Text("a"), Url("/d/a.html") + "|" + Url("/x/b.cgi") + "|");
  EXPECT_EQ(Text("b"), Url("/x/b.cgi") + "|");
  EXPECT_EQ(Text("c"), Url("/i2.jpg") + "|");
  EXPECT_EQ(Text("d"), Url("/d/i1.gif"));
  EXPECT_EQ(Text("f"), "");
}

TEST_F(ScriptTest, NestedLoopsOverDifferentKindsKeepSeparateIterators) {
  Run("v := 'x,y'; s := ''; FOREACH a IN @SPLIT[',', v] DO FOREACH b IN @CSV['1,2'] DO s := s + a + b + ' '");
  EXPECT_EQ(Text("s"), "x1 x2 y1 y2 ");
}

TEST_F(ScriptTest, ClipTakesOnlyTheFirstRecordAndCountsThemAll) {
  Page("/bbs", kBoard);
  decls = kPost;
  Run("GET('" + Url("/bbs") + "'); CLIP(POST)");
  EXPECT_EQ(Text("TITLE"), "最初");
  EXPECT_EQ(Text("BODY"), "本文一");
  EXPECT_EQ(Int("!"), 3);
  EXPECT_EQ(Host().Lists().Count(), 0u);
}

TEST_F(ScriptTest, ClipOfAPageWithoutRecordsGivesZeroAndTheLoopBodyNeverRuns) {
  decls = kPost;
  Run("t := '<html>nothing</html>'; n := 0; FOREACH r IN @CLIP[POST, t] DO n := n + 1");
  EXPECT_EQ(Int("n"), 0);
  EXPECT_EQ(Int("!"), 0);
}

TEST_F(ScriptTest, ALastCaptureWithAnEmptyDelimiterTakesTheRestOfTheText) {
  decls = "REST[]:-\r\n<h>${HEAD}</h>${REST}\r\n-::";
  Run("t := '<h>T</h>one<h>two</h>'; CLIP(REST, t)");
  EXPECT_EQ(Text("HEAD"), "T");
  EXPECT_EQ(Text("REST"), "one<h>two</h>");
  EXPECT_EQ(Int("!"), 1);
}

TEST_F(ScriptTest, AMissingLaterDelimiterTakesTheRestIntoThatCapture) {
  decls = kPost;
  Run("t := '<b>T</b><i>A</i><p>unclosed body'; CLIP(POST, t)");
  EXPECT_EQ(Text("TITLE"), "T");
  EXPECT_EQ(Text("BODY"), "unclosed body");
}

TEST_F(ScriptTest, PatternDelimitersAndCutsWalkARecord) {
  decls = "ROW[]:-\r\n<tr>\\*!{<td*>}!${CELL}</td>\r\n-::";
  Run("t := '<tr><td class=a>1</td><tr><td>2</td>'; s := ''; FOREACH r IN @CLIP[ROW, t] DO s := s + CELL + '|'");
  EXPECT_EQ(Text("s"), "1|2|");
}

TEST_F(ScriptTest, AnUndeclaredTemplateGivesNoRecords) {
  Run("t := 'abc'; n := 0; FOREACH r IN @CLIP['NOPE', t] DO n := n + 1");
  EXPECT_EQ(Int("n"), 0);
}

}  // namespace
}  // namespace bq::test
