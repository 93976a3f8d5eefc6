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
  app.Log.Folder.SiteUrl = Url("/bbs");
  Run("GET(%URL%); r := _; n := 0; cnt := 0;"
      "FOREACH rec IN @CLIP[POST] DO BEGIN n := n + 1; PACK(0: n, 3: TITLE, 4: AUTHOR, 7: BODY); PUTLOG(0) END");
  ASSERT_EQ(app.Log.Count(), 3);
  EXPECT_EQ(Title(0), "最初");
  EXPECT_EQ(Title(2), "三番目");
  EXPECT_EQ(SjisToUtf8(app.Log.GetItem(1).AUTHOR), "花子");
  EXPECT_EQ(SjisToUtf8(app.Log.GetItem(1).BODY), "本文二");
  EXPECT_TRUE(app.Log.GetItem(0).Unread);
  EXPECT_EQ(Int("!"), 3);
  EXPECT_EQ(Int("n"), 3);
}

}  // namespace
}  // namespace bq::test
