// The page operations against the tests' own loopback server: GET, HEAD,
// READLINK, SUBMIT (POST and GET forms), DOWNLOAD and BROWSE, with the
// page in _, the header in @, the reply number in A and the current page
// address.
#include "tests/builtins/script_fixture.h"
#include "builtins/builtin_host.h"

namespace bq::test {
namespace {

TEST_F(ScriptTest, GetLeavesPageHeaderReplyNumberAndAddressWithoutQuery) {
  Page("/p.html", "<b>本文</b>");
  Run("r := GET('" + Url("/p.html?a=1") + "'); u := @URL");
  EXPECT_EQ(Int("r"), 200);
  EXPECT_EQ(Text("_"), "<b>本文</b>");
  EXPECT_EQ(Text("@").rfind("HTTP/1.0 200 OK", 0), 0u) << Text("@");
  EXPECT_NE(Text("@").find("Content-Type: text/html"), std::string::npos);
  EXPECT_EQ(Text("u"), Url("/p.html"));
  EXPECT_EQ(Requests().at(0), "GET /p.html?a=1");
}

TEST_F(ScriptTest, GetOfAMissingPageGivesItsStatusAndAnUnreachableHostGives406) {
  Run("a := GET('" + Url("/none") + "'); b := GET('http://127.0.0.1:1/x'); page := _;"
      "c := GET('ftp://x/y')");
  EXPECT_EQ(Int("a"), 404);
  EXPECT_EQ(Int("b"), 406);
  EXPECT_EQ(Text("page"), "");
  EXPECT_EQ(Int("c"), 406);
}

TEST_F(ScriptTest, GetWithTheCacheFlagServesTheSecondFetchFromTheCache) {
  Page("/c.html", "cached");
  Run("a := GET('" + Url("/c.html") + "', 1); b := GET('" + Url("/c.html") + "', 1); page := _;"
      "c := GET('" + Url("/c.html") + "')");
  EXPECT_EQ(Int("a"), 200);
  EXPECT_EQ(Int("b"), 999);
  EXPECT_EQ(Text("page"), "cached");
  EXPECT_EQ(Int("c"), 200);
  EXPECT_EQ(Requests().size(), 2u);
}

TEST_F(ScriptTest, AddressesAreEncodedBeforeTheyAreFetched) {
  Page("/a%20b.html", "ok");
  Run("GET('" + Url("/a b.html?q=x y") + "')");
  EXPECT_EQ(Requests().at(0), "GET /a%20b.html?q=x+y");
}

TEST_F(ScriptTest, HeadLeavesOnlyTheHeader) {
  Page("/h.html", "body");
  Page("/k.html", "keep");
  Run("GET('" + Url("/k.html") + "'); r := HEAD('" + Url("/h.html") + "')");
  EXPECT_EQ(Int("r"), 200);
  EXPECT_NE(Text("@").find("Content-Length: 4"), std::string::npos);
  EXPECT_EQ(Text("_"), "keep");
  EXPECT_EQ(Requests().at(1), "HEAD /h.html");
}

TEST_F(ScriptTest, ReadLinkFollowsTheLinkWhoseTextMatches) {
  Page("/d/index.html", "<a href=\"p2.html?s=1\">次のページ</a>");
  Page("/d/p2.html", "二ページ目");
  Run("GET('" + Url("/d/index.html") + "'); r := READLINK('次のページ'); page := _; u := @URL;"
      "s := READLINK('無いリンク'); u2 := @URL; page2 := _");
  EXPECT_EQ(Int("r"), 200);
  EXPECT_EQ(Text("page"), "二ページ目");
  EXPECT_EQ(Text("u"), Url("/d/p2.html"));
  EXPECT_EQ(Int("s"), 0);
  EXPECT_EQ(Text("u2"), "");
  EXPECT_EQ(Text("page2"), "");
}

TEST_F(ScriptTest, ReadLinkTakesItsPageFromAVariableAndABase) {
  Page("/z/q.html", "q");
  Run("v := '<a href=\"q.html\">go</a>'; r := READLINK('go', v, '" + Url("/z/") + "'); page := _");
  EXPECT_EQ(Int("r"), 200);
  EXPECT_EQ(Text("page"), "q");
}

const char* kForm =
    "<form name=f1 action=\"post.cgi\" method=\"POST\">"
    "<input type=hidden name=id value=\" 7 \"><input type=text name=msg value=\"\">"
    "<input type=checkbox name=c value=on><input type=checkbox name=d value=on checked>"
    "<input name=notype value=x>"
    "<input type=submit name=go value=\"送信\"><input type=submit name=del value=\"削除\"></form>"
    "<form name=s action=\"find.cgi\"><input type=text name=q value=\"\">"
    "<input type=submit value=\"検索\"></form>";

TEST_F(ScriptTest, SubmitPostsTheFormOfTheButtonWithTheUserFields) {
  Page("/b/index.html", kForm);
  Page("/b/post.cgi", "posted");
  Run("GET('" + Url("/b/index.html") + "'); r := SUBMIT('送信', 'msg=a b'); page := _; u := @URL");
  EXPECT_EQ(Int("r"), 200);
  EXPECT_EQ(Text("page"), "posted");
  EXPECT_EQ(Text("u"), Url("/b/post.cgi"));
  // Both submit buttons' pairs go with the form; the unchecked box and the
  // INPUT without TYPE do not; the user field comes last.
  EXPECT_EQ(Requests().at(1), "POST /b/post.cgi id=7&d=on&go=%91%97%90%4d&del=%8d%ed%8f%9c&msg=a+b")
      << "";
}

TEST_F(ScriptTest, SubmitWithAGetFormSendsTheDataInTheQueryEncodedOnce) {
  Page("/b/index.html", kForm);
  Page("/b/find.cgi", "found");
  Run("GET('" + Url("/b/index.html") + "'); r := SUBMIT(S::'検索', 'q=x&y'); page := _; u := @URL");
  EXPECT_EQ(Int("r"), 200);
  EXPECT_EQ(Text("page"), "found");
  EXPECT_EQ(Text("u"), Url("/b/find.cgi"));
  EXPECT_EQ(Requests().at(1), "GET /b/find.cgi?q=x&y");
}

TEST_F(ScriptTest, SubmitEncodesValuesAsEucJpWhenThePageDeclaresIt) {
  // 送信 in EUC-JP; the page is converted to Shift_JIS on arrival, and the
  // form values go back in the page's own encoding.
  pages["/e/index.html"] =
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=EUC-JP\">"
      "<form action=\"p.cgi\" method=post><input type=hidden name=w value=\"\xc1\xf7\xbf\xae\">"
      "<input type=submit value=go></form>";
  Page("/e/p.cgi", "ok");
  Run("GET('" + Url("/e/index.html") + "'); r := SUBMIT('go')");
  EXPECT_EQ(Int("r"), 200);
  EXPECT_EQ(Requests().at(1), "POST /e/p.cgi w=%c1%f7%bf%ae");
}

// 送信 and 日本 as UTF-8 escapes, as a browser sends them.
constexpr char kSendUtf8[] = "%e9%80%81%e4%bf%a1";
constexpr char kJapanUtf8[] = "%e6%97%a5%e6%9c%ac";

TEST_F(ScriptTest, SubmitSendsUtf8ToAPageThatDeclaresUtf8) {
  pages["/u/index.html"] =
      "<meta charset=\"utf-8\"><form action=\"p.cgi\" method=post>"
      "<input type=hidden name=w value=\"\xe9\x80\x81\xe4\xbf\xa1\"><input type=submit value=go></form>";
  Page("/u/p.cgi", "ok");
  Run("GET('" + Url("/u/index.html") + "'); r := SUBMIT('go', 'q=日本 x')");
  EXPECT_EQ(Int("r"), 200);
  EXPECT_EQ(Requests().at(1), std::string("POST /u/p.cgi w=") + kSendUtf8 + "&q=" + kJapanUtf8 + "+x");
}

TEST_F(ScriptTest, SubmitSendsUtf8ToAPageThatCameInUtf8ByItsHeaderOnly) {
  pages["/h/index.html"] =
      "<form action=\"find.cgi\"><input type=hidden name=w value=\"\xe9\x80\x81\xe4\xbf\xa1\">"
      "<input type=submit value=go></form>";
  types["/h/index.html"] = "text/html; charset=UTF-8";
  Page("/h/find.cgi", "ok");
  Run("GET('" + Url("/h/index.html") + "'); r := SUBMIT('go', 'q=日本')");
  EXPECT_EQ(Int("r"), 200);
  EXPECT_EQ(Requests().at(1), std::string("GET /h/find.cgi?w=") + kSendUtf8 + "&q=" + kJapanUtf8);
  // An ASCII page whose header says UTF-8 came in UTF-8 as well.
  pages["/a/index.html"] = "<form action=\"find.cgi\"><input type=submit value=go></form>";
  types["/a/index.html"] = "text/html; charset=utf-8";
  Page("/a/find.cgi", "ok");
  Run("GET('" + Url("/a/index.html") + "'); r := SUBMIT('go', 'q=日本')");
  EXPECT_EQ(Requests().back(), std::string("GET /a/find.cgi?q=") + kJapanUtf8);
}

TEST_F(ScriptTest, SubmitKeepsShiftJisForAShiftJisPageFetchedAfterAUtf8One) {
  pages["/u/index.html"] = "<meta charset=\"utf-8\"><p>\xe6\x97\xa5</p>";
  Page("/b/index.html", kForm);
  Page("/b/find.cgi", "found");
  Run("GET('" + Url("/u/index.html") + "'); GET('" + Url("/b/index.html") + "'); r := SUBMIT(S::'検索', 'q=日本')");
  EXPECT_EQ(Int("r"), 200);
  EXPECT_EQ(Requests().back(), "GET /b/find.cgi?q=%93%fa%96%7b");
}

TEST_F(ScriptTest, SubmitWithoutAMatchingFormEmptiesThePageAndGivesZero) {
  Page("/b/index.html", kForm);
  Run("GET('" + Url("/b/index.html") + "'); r := SUBMIT(F1::'検索')");
  EXPECT_EQ(Int("r"), 0);
  EXPECT_EQ(Text("_"), "");
  EXPECT_EQ(Text("@"), "");
  EXPECT_EQ(Requests().size(), 1u);
}

TEST_F(ScriptTest, DownloadSavesIntoTheSiteFolderAndReportsTheTarget) {
  Page("/img/a.jpg", "JPEGDATA");
  std::string u = Url("/img/a.jpg");
  Run("r1 := DOWNLOAD('" + u + "')");
  EXPECT_EQ(Int("r1"), 200);
  EXPECT_EQ(Text("^"), site + "a.jpg");
  EXPECT_EQ(Int("!"), 8);
  std::string data;
  EXPECT_TRUE(fs::ReadFile(site + "a.jpg", data));
  EXPECT_EQ(data, "JPEGDATA");
  Run("r3 := DOWNLOAD('" + u + "', 2)");
  EXPECT_EQ(Text("^"), site + "a0.jpg");
  Run("r2 := DOWNLOAD('" + u + "'); r4 := DOWNLOAD('" + u + "', 7); r5 := DOWNLOAD('" + Url("/img/") + "');"
      "r6 := DOWNLOAD('" + u + "', 1)");
  EXPECT_EQ(Int("r2"), 999);
  EXPECT_EQ(Int("r4"), -1);
  EXPECT_EQ(Int("r5"), 0);
  EXPECT_EQ(Int("r6"), 200);
  EXPECT_EQ(Requests().size(), 3u);
}

TEST_F(ScriptTest, DownloadRefusesNamesThatWouldLeaveTheSiteFolder) {
  Page("/img/x.txt", "x");
  Run("a := DOWNLOAD('" + Url("/img/..") + "'); b := DOWNLOAD('" + Url("/img/..\\..\\x.txt") + "')");
  EXPECT_EQ(Int("a"), 0);
  EXPECT_EQ(Int("b"), 0);
  EXPECT_TRUE(Requests().empty());
}

TEST(DownloadName, IsTheLastSegmentWithoutQueryOrFragment) {
  EXPECT_EQ(builtins::DownloadName("http://h/a/b.jpg?x=1"), "b.jpg");
  EXPECT_EQ(builtins::DownloadName("http://h/a/b.jpg#top"), "b.jpg");
  EXPECT_EQ(builtins::DownloadName("http://h/a/"), "");
}

TEST_F(ScriptTest, BrowseOpensTheAddressThroughTheDesktop) {
  Run("BROWSE('http://example.invalid/x')");
  bool opened = false;
  for (const auto& c : ui.calls) opened |= c.what == "ShellOpen" && c.text == "http://example.invalid/x";
  EXPECT_TRUE(opened);
}

}  // namespace
}  // namespace bq::test
