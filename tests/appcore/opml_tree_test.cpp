// The folder tree out as OPML and back in: a round trip through an empty
// data folder, and a file as another reader writes it.
#include <gtest/gtest.h>

#include "app/core/feeds/opml_tree.h"
#include "feed/opml.h"
#include "tests/appcore/feed_fixture.h"

namespace bq::test {
namespace {

class OpmlTreeTest : public FeedFixture {
 protected:
  std::string ScriptFolder(const std::string& rel, const std::string& url, const std::string& script, bool round) {
    const std::string path = app.LogRoot() + rel + "/";
    fs::ForceDirectories(path);
    Log().OpenFolder(path);
    Log().Folder.SiteUrl = url;
    Log().Folder.ScriptName = script;
    Log().Folder.RoundTarget = round;
    Log().SaveNode();
    return path;
  }
  std::vector<std::string> Tree(app::TApplication& a) {
    std::vector<std::string> out;
    for (const std::string& f : a.CollectFolders(a.LogRoot())) out.push_back(SjisToUtf8(app::RelativeFolder(a.LogRoot(), f)));
    return out;
  }
};

TEST_F(OpmlTreeTest, ExportImportIntoAnEmptyDataFolderAndExportAgainGiveTheSameOutlines) {
  Serve("/a.html", "<link rel=\"alternate\" type=\"application/atom+xml\" href=\"/a.xml\">");
  Serve("/a.xml", Rss("A feed", {{"1", "t", "b", "Wed, 01 May 2024 00:00:00 GMT"}}));
  const std::string a = FeedFolder(Utf8ToSjis("ニュース/A & B"), server.Url("/a.html"));
  Fetch(a);  // finds the feed behind the page
  FeedFolder(Utf8ToSjis("ニュース/深い/C"), "http://c.example/rss");
  ScriptFolder(Utf8ToSjis("掲示板"), "http://bbs.example/", "board.pss", true);
  ScriptFolder("quiet", "http://q.example/", "template.pss", false);
  fs::ForceDirectories(app.LogRoot() + "empty/");
  const std::string first = app::ExportOpml(app, app.LogRoot());
  EXPECT_NE(first.find("<outline type=\"rss\" text=\"A &amp; B\" title=\"A feed\" xmlUrl=\"" + server.Url("/a.xml") +
                       "\" htmlUrl=\"http://site.example/\"/>"),
            std::string::npos)
      << first;

  RecordingUi otherUi;
  CallbackPump otherPump;
  app::TApplication other(otherUi, otherPump, [] { return SystemProxySettings{}; });
  other.SetProgramFolder(dir, Libs());
  other.SetupFolders(dir + "other/");
  const app::OpmlImportResult r = app::ImportOpml(other, first, other.LogRoot());
  EXPECT_EQ(r.error, "");
  EXPECT_EQ(r.feeds, 2);
  EXPECT_EQ(r.scripts, 2);
  EXPECT_EQ(r.folders, 3);  // ニュース, 深い, empty
  EXPECT_EQ(r.existing, 0);
  EXPECT_EQ(Tree(other), Tree(app));
  const std::string second = app::ExportOpml(other, other.LogRoot());
  EXPECT_EQ(feed::ReadOpml(second).outlines, feed::ReadOpml(first).outlines);
  EXPECT_EQ(second, first);

  // The same file once more adds nothing: every address is read already.
  const app::OpmlImportResult again = app::ImportOpml(other, first, other.LogRoot());
  EXPECT_EQ(again.feeds + again.scripts + again.folders, 0);
  EXPECT_EQ(again.existing, 4);
  EXPECT_EQ(Tree(other), Tree(app));
}

TEST_F(OpmlTreeTest, AnotherReadersExportBecomesFeedFoldersBelowTheGivenFolder) {
  const std::string exported = R"(<?xml version="1.0" encoding="UTF-8"?>
<opml version="1.1"><head><title>Feeds</title></head><body>
  <outline text="Tech" title="Tech">
    <outline type="rss" text="Example" title="Example Blog" xmlUrl="http://example.com/feed" htmlUrl="http://example.com/"/>
    <outline title="No text" type="rss" xmlUrl="http://notext.example/rss"/>
    <outline text="Deep"><outline type="rss" text="Deeper" xmlUrl="http://deep.example/atom"/></outline>
  </outline>
  <outline type="rss" text="Example again" xmlUrl="http://example.com/feed"/>
  <outline type="rss" xmlUrl="http://bare.example/index.rdf"/>
</body></opml>)";
  FeedFolder("have", "http://deep.example/atom");
  const app::OpmlImportResult r = app::ImportOpml(app, exported, app.LogRoot() + "imported/");
  EXPECT_EQ(r.feeds, 3);
  EXPECT_EQ(r.existing, 2);
  EXPECT_EQ(Tree(app), (std::vector<std::string>{"", "have/", "imported/", "imported/http___bare.example_index.rdf/",
                                                 "imported/Tech/", "imported/Tech/Deep/", "imported/Tech/Example/",
                                                 "imported/Tech/No text/"}));
  Log().OpenFolder(app.LogRoot() + "imported/Tech/Example/");
  EXPECT_TRUE(app::IsFeedFolder(Log().Folder));
  EXPECT_TRUE(Log().Folder.RoundTarget);
  EXPECT_EQ(app::FeedAddress(Log().Folder), "http://example.com/feed");
  EXPECT_EQ(Log().Folder.Extension(app::kFeedTitleOption), "Example Blog");
  EXPECT_EQ(Log().Folder.Extension(app::kFeedPageOption), "http://example.com/");
  // A file that is not read to its end still gives what came before.
  const app::OpmlImportResult cut = app::ImportOpml(app, "<opml><body><outline text=\"x\" xmlUrl=\"http://x/\"/><outline", app.LogRoot());
  EXPECT_EQ(cut.feeds, 1);
  EXPECT_EQ(SjisToUtf8(cut.error).rfind("XML の誤り", 0), 0u);
}

}  // namespace
}  // namespace bq::test
