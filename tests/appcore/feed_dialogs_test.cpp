// What the desktop's dialogs and file commands do with feed folders, without
// a display: the new-folder choice, the properties of a feed folder, and
// the subscription list written to and read from a file.
#include <gtest/gtest.h>

#include "app/core/dialogs/new_folder_model.h"
#include "app/core/dialogs/properties_model.h"
#include "app/core/feeds/opml_tree.h"
#include "tests/appcore/feed_fixture.h"

namespace bq::test {
namespace {

using FeedDialogs = FeedFixture;

TEST_F(FeedDialogs, TheNewFolderChoiceMakesAPlainFolderOrAFeedFolderOrSaysWhyNot) {
  Serve("/t.xml", Rss("朝刊", {{"1", "一面", "本文", "Wed, 01 May 2024 00:00:00 GMT"}}));
  struct Case {
    const char* what;
    bool feed;
    std::string address;
    bool allowed;
    std::string path;   // the folder made, below the log root
    std::string error;  // the start of the message (UTF-8)
  };
  const Case cases[] = {
      {"plain", false, "", true, "新しいフォルダ1/", ""},
      {"feed without an address", true, "  ", false, "", ""},
      {"feed", true, " " + server.Url("/t.xml") + " ", true, "朝刊/", ""},
      {"no feed there", true, server.Url("/none.xml"), true, "", "フィードフォルダを作れません: HTTP 404"},
  };
  for (const Case& c : cases) {
    app::NewFolderChoice choice;
    choice.feed = c.feed;
    choice.address = c.address;
    EXPECT_EQ(app::CanCreateFolder(choice), c.allowed) << c.what;
    const app::NewFolderOutcome out = app::CreateFolder(app, app.LogRoot(), choice);
    EXPECT_EQ(out.path, c.path.empty() ? "" : app.LogRoot() + Utf8ToSjis(c.path)) << c.what;
    EXPECT_EQ(SjisToUtf8(out.error), c.error) << c.what;
    EXPECT_FALSE(app.Busy().Busy()) << c.what;
  }
  // The feed folder is open, marked for rounds, with its first items.
  Log().OpenFolder(app.LogRoot() + Utf8ToSjis("朝刊/"));
  EXPECT_TRUE(app::IsFeedFolder(Log().Folder));
  EXPECT_TRUE(Log().Folder.RoundTarget);
  EXPECT_EQ(Log().Count(), 1);
  EXPECT_EQ(Log().Folder.SiteUrl, server.Url("/t.xml"));
}

TEST_F(FeedDialogs, AFeedFoldersPropertiesShowTheFeedAndItsReplyAndChangeThem) {
  Serve("/page.html", "<link rel=\"alternate\" type=\"application/rss+xml\" href=\"t.xml\">");
  Serve("/t.xml", Rss("朝刊", {{"1", "一面", "本文", "Wed, 01 May 2024 00:00:00 GMT"}}));
  Serve("/u.xml", Rss("夕刊", {}));
  const std::string path = FeedFolder("news", server.Url("/page.html"));
  app::PropertiesValues before = app::PropertiesFrom(app);
  EXPECT_TRUE(before.feed);
  EXPECT_EQ(before.feedAddress, server.Url("/page.html"));  // nothing found yet
  EXPECT_EQ(before.feedReply, "");
  Fetch(path);
  app::PropertiesValues v = app::PropertiesFrom(app);
  EXPECT_EQ(v.feedAddress, server.Url("/t.xml"));  // the feed the page named
  EXPECT_FALSE(v.updatesTurnUnread);
  EXPECT_NE(SjisToUtf8(v.feedReply).find("HTTP 200: 1 件 (新着 1, 更新 0)"), std::string::npos) << v.feedReply;
  app::TAddressHistory history;
  // Unchanged: what was found is kept; the unread option is set.
  v.updatesTurnUnread = true;
  app::ApplyProperties(app, v, "", history);
  Log().OpenFolder(path);
  EXPECT_TRUE(app::UpdatesTurnUnread(Log().Folder));
  EXPECT_EQ(app::FeedAddress(Log().Folder), server.Url("/t.xml"));
  EXPECT_EQ(Log().Folder.SiteUrl, server.Url("/page.html"));
  // Another feed: the folder reads it from now on, the old finding forgotten.
  v = app::PropertiesFrom(app);
  v.feedAddress = server.Url("/u.xml");
  v.updatesTurnUnread = false;
  app::ApplyProperties(app, v, "", history);
  Log().OpenFolder(path);
  EXPECT_EQ(Log().Folder.SiteUrl, server.Url("/u.xml"));
  EXPECT_EQ(Log().Folder.Extension(app::kFeedUrlOption), "");
  EXPECT_FALSE(app::UpdatesTurnUnread(Log().Folder));
  EXPECT_TRUE(app::IsFeedFolder(Log().Folder));
  // A script folder has no feed group and keeps none.
  fs::ForceDirectories(app.LogRoot() + "board/");
  Log().OpenFolder(app.LogRoot() + "board/");
  v = app::PropertiesFrom(app);
  EXPECT_FALSE(v.feed);
  v.feedAddress = "http://x/";
  app::ApplyProperties(app, v, "", history);
  EXPECT_FALSE(app::IsFeedFolder(Log().Folder));
}

TEST_F(FeedDialogs, TheSubscriptionListGoesToAFileAndComesBackFromOne) {
  FeedFolder("news", "http://news.example/rss");
  FeedFolder(Utf8ToSjis("趣味/日記"), "http://diary.example/atom");
  const std::string file = dir + "subs.opml";
  app::ExportOpmlFile(app, app.LogRoot(), file);
  std::string written;
  ASSERT_TRUE(fs::ReadFile(file, written));
  EXPECT_EQ(written, app::ExportOpml(app, app.LogRoot()));
  EXPECT_NE(written.find("xmlUrl=\"http://diary.example/atom\""), std::string::npos) << written;
  // Into another folder: the addresses are read already, nothing doubles.
  fs::ForceDirectories(app.LogRoot() + "imported/");
  app::OpmlImportResult again = app::ImportOpmlFile(app, file, app.LogRoot() + "imported/");
  EXPECT_EQ(again.error, "");
  EXPECT_EQ(again.feeds, 0);
  EXPECT_EQ(again.existing, 2);
  EXPECT_EQ(SjisToUtf8(app::ImportSummary(again)), "OPML: フィード 0, スクリプト 0, フォルダ 1 を作成 (登録済み 2)");
  // An empty data folder takes them all.
  const std::string other = dir + "other/";
  app.SetupFolders(other);
  app::OpmlImportResult r = app::ImportOpmlFile(app, file, app.LogRoot());
  EXPECT_EQ(r.error, "");
  EXPECT_EQ(r.feeds, 2);
  EXPECT_EQ(app::ExportOpml(app, app.LogRoot()), written);
  // Failures say so: a file that is not there, a folder that cannot be written.
  r = app::ImportOpmlFile(app, dir + "missing.opml", app.LogRoot());
  EXPECT_EQ(r.feeds, 0);
  EXPECT_EQ(SjisToUtf8(r.error), dir + "missing.opml を読めません");
  EXPECT_THROW(app::ExportOpmlFile(app, app.LogRoot(), dir + "no/such/folder/subs.opml"), Exception);
}

}  // namespace
}  // namespace bq::test
