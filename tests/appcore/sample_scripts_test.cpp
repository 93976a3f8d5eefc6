// The sample scripts of libs/ over the demo's boards and a long board page:
// every post stored once, replies answering the right post, and every
// article linked to its page (board.pss adds "#" and the post's number).
#include <gtest/gtest.h>

#include "app/core/local_server.h"
#include "bench/board_page.h"
#include "tests/support/app_fixture.h"

namespace bq::test {
namespace {

// The application reads the scripts shipped in the source tree's libs/.
class SampleScripts : public TestFolder {
 protected:
  void SetUp() override {
    TestFolder::SetUp();
    app.SetProgramFolder(dir, std::string(BQ_SOURCE_DIR) + "/libs/");
    app.SetupFolders(Data());
  }
  TScrapList& Log() { return app::TKernel::Log(app); }
  // Fetches url into a fresh folder with the script; the folder's log stays open.
  void Fetch(const std::string& name, const std::string& url, const std::string& script) {
    std::string folder = app.LogRoot() + name + "/";
    fs::ForceDirectories(folder);
    ASSERT_TRUE(Log().OpenFolder(folder));
    Log().Folder.SiteUrl = url;
    Log().Folder.ScriptName = script;
    app.LoadAndCompile();
    EXPECT_TRUE(app::TKernel::Engine(app).Warnings.empty()) << script;
    app.ExecAction();
  }
  RecordingUi ui;
  CallbackPump pump;
  app::TApplication app{ui, pump, NoProxy};
};

TEST_F(SampleScripts, BoardStoresALongPageOnceWithEveryReplyLinkedToItsPost) {
  std::string page = bench::BoardPostsPage(600);
  app::TLocalServer server([&page](const app::LocalRequest&) { return app::LocalResponse{200, "text/html", page}; });
  std::string url = server.Url("/bbs/index.html");
  Fetch("long", url, "board.pss");
  ASSERT_EQ(Log().Count(), 600);
  int replies = 0;
  for (int i = 0; i < Log().Count(); ++i) {
    const TDataInfo a = Log().GetItem(i);
    EXPECT_EQ(a.LINK, url + "#" + std::to_string(a.TOPIC));
    EXPECT_EQ(a.REFER, bench::BoardReplyTo(a.TOPIC)) << a.TOPIC;
    if (a.REFER) ++replies;
  }
  EXPECT_EQ(replies, 199);
  EXPECT_EQ(server.Requests(), 1);  // the page was fetched once, not once per article
  EXPECT_TRUE(ui.calls.empty());
}

// The demo's folders: board.pss over the Shift_JIS and UTF-8 boards (two
// pages each, followed by "次のページ"), table_board.pss over the EUC-JP one.
TEST_F(SampleScripts, TheDemosRepliesLinkToTheirPages) {
  app::TLocalServer server(app::FolderHandler(std::string(BQ_SOURCE_DIR) + "/libs/demo/", {{"utf8", "UTF-8"}}));
  struct Site {
    const char* board;
    const char* script;
    bool anchors;  // board.pss links to the post's anchor
  } sites[] = {{"sjis", "board.pss", true}, {"utf8", "board.pss", true}, {"euc", "table_board.pss", false}};
  for (const Site& s : sites) {
    Fetch(s.board, server.Url(std::string("/") + s.board + "/index.html"), s.script);
    EXPECT_GE(Log().Count(), 5) << s.board;
    int replies = 0;
    for (int i = 0; i < Log().Count(); ++i) {
      const TDataInfo a = Log().GetItem(i);
      std::string pageUrl = a.LINK.substr(0, a.LINK.find('#'));
      EXPECT_EQ(pageUrl.rfind(server.Url("/") + s.board + "/", 0), 0u) << a.LINK;
      EXPECT_TRUE(pageUrl.ends_with("index.html") || pageUrl.ends_with("page2.html")) << a.LINK;
      if (s.anchors) {
        EXPECT_EQ(a.LINK, pageUrl + "#" + std::to_string(a.TOPIC));
      }
      if (a.REFER) ++replies;
    }
    EXPECT_GT(replies, 0) << s.board;
  }
}

}  // namespace
}  // namespace bq::test
