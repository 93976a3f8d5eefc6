// Feed folders over feeds served by the test: the codes and forms of real
// feeds, no duplicates across rounds, updates, conditional fetches, a page
// naming its feed, faults, limits, and a folder made from an address.
#include <gtest/gtest.h>

#include "app/core/feeds/feed_folder.h"
#include "app/core/rounds/folder_cookies.h"
#include "tests/appcore/feed_fixture.h"
#include "tests/feed/feed_test_util.h"
#include "textlib/dates.h"
#include "textlib/limits.h"

namespace bq::test {
namespace {

const char* kRss1Euc = R"(<?xml version="1.0" encoding="EUC-JP"?>
<rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#" xmlns="http://purl.org/rss/1.0/"
 xmlns:dc="http://purl.org/dc/elements/1.1/">
<channel rdf:about="http://diary.example/"><title>日記</title><link>http://diary.example/</link></channel>
<item rdf:about="http://diary.example/1"><title>晴れの日</title><link>http://diary.example/1</link>
<description>散歩に行きました。</description><dc:creator>太郎</dc:creator><dc:date>2024-05-01T08:30:00+09:00</dc:date></item>
<item rdf:about="http://diary.example/2"><title>雨の日</title><link>http://diary.example/2</link>
<description>本を読みました。</description><dc:creator>太郎</dc:creator><dc:date>2024-05-02T21:00:00+09:00</dc:date></item>
</rdf:RDF>)";

const char* kAtom = R"(<?xml version="1.0" encoding="utf-8"?>
<feed xmlns="http://www.w3.org/2005/Atom"><title>ブログ</title><link href="http://blog.example/"/>
<entry><title>記事</title><id>urn:uuid:1</id><link href="/posts/1"/><updated>2024-05-03T00:00:00Z</updated>
<author><name>花子</name></author>
<content type="html">&lt;p&gt;第一段落&lt;/p&gt;&lt;p&gt;第二段落 &lt;a href="x"&gt;リンク&lt;/a&gt;&lt;/p&gt;</content></entry>
</feed>)";

TEST_F(FeedFixture, RoundsReadRssOneInEucJpRssTwoInShiftJisAndAtomInUtf8WithoutDuplicates) {
  Serve("/diary.rdf", Encode(kRss1Euc, "EUC-JP"));
  Serve("/news.xml", Encode(Rss("ニュース", {{"n1", "速報", "&lt;b&gt;本文&lt;/b&gt;です", "Wed, 01 May 2024 00:00:00 GMT"},
                                              {"n2", "続報", "続きです", "Thu, 02 May 2024 00:00:00 +0000"}},
                                    "Shift_JIS"),
                                "CP932"));
  Serve("/atom.xml", kAtom);
  const std::string diary = FeedFolder("diary", server.Url("/diary.rdf"));
  const std::string news = FeedFolder("news", server.Url("/news.xml"));
  const std::string blog = FeedFolder("blog", server.Url("/atom.xml"));
  for (int round = 0; round < 2; ++round) {
    app.TimerAction();
    EXPECT_EQ(Articles(diary).size(), 2u) << round;
    EXPECT_EQ(Articles(news).size(), 2u) << round;
    EXPECT_EQ(Articles(blog).size(), 1u) << round;
  }

  Log().OpenFolder(diary);
  const TDataInfo* sunny = ByTitle("晴れの日");
  ASSERT_NE(sunny, nullptr);
  EXPECT_EQ(SjisToUtf8(sunny->AUTHOR), "太郎");
  EXPECT_EQ(SjisToUtf8(sunny->BODY), "散歩に行きました。");
  EXPECT_EQ(DisplayDateTime(sunny->DATE), "2024/05/01 08:30:00");
  EXPECT_EQ(sunny->LINK, "http://diary.example/1");
  EXPECT_EQ(sunny->PAGEURL, server.Url("/diary.rdf"));
  EXPECT_EQ(sunny->TOPIC, app::FeedTopic("http://diary.example/1"));
  EXPECT_TRUE(sunny->Unread);
  EXPECT_TRUE(Log().Folder.HasUnread);

  Log().OpenFolder(news);
  const TDataInfo* flash = ByTitle("速報");
  ASSERT_NE(flash, nullptr);
  EXPECT_EQ(SjisToUtf8(flash->BODY), "本文です");
  EXPECT_EQ(DisplayDateTime(flash->DATE), "2024/05/01 09:00:00");

  Log().OpenFolder(blog);
  ASSERT_EQ(Log().Count(), 1);
  EXPECT_EQ(SjisToUtf8(Log().GetItem(0).BODY), "第一段落\r\n\r\n第二段落 リンク");
  EXPECT_EQ(SjisToUtf8(Log().GetItem(0).AUTHOR), "花子");
  EXPECT_EQ(Log().GetItem(0).LINK, server.Url("/posts/1"));  // relative to the feed
  EXPECT_EQ(DisplayDateTime(Log().GetItem(0).DATE), "2024/05/03 09:00:00");
  for (const TPageReport& r : reports) EXPECT_FALSE(r.Failed()) << r.address << " " << r.error;
}

TEST_F(FeedFixture, ASecondFetchAsksConditionallyAndA304StoresNothing) {
  const std::string feed = Rss("F", {{"a", "one", "x", "Wed, 01 May 2024 00:00:00 GMT"}});
  Serve("/f.xml", feed, {"ETag: \"v1\"", "Last-Modified: Wed, 01 May 2024 00:00:00 GMT"});
  const std::string path = FeedFolder("f", server.Url("/f.xml"));
  Fetch(path);
  ASSERT_EQ(Log().Count(), 1);
  Log().MarkRead(0);
  EXPECT_EQ(Log().Folder.Extension(app::kFeedETagOption), "\"v1\"");
  // The server now has a new item but answers the validator with 304.
  Serve("/f.xml", "", {"ETag: \"v1\""}, 304);
  const app::FeedRunResult r = Fetch(path);
  EXPECT_EQ(r.status, 304);
  EXPECT_EQ(Log().Count(), 1);
  EXPECT_EQ(Log().UnreadCount(), 0);
  const auto req = Requests();
  ASSERT_EQ(req.size(), 2u);
  EXPECT_EQ(req[0].second.find("If-None-Match"), std::string::npos);
  EXPECT_NE(req[1].second.find("If-None-Match: \"v1\"\r\n"), std::string::npos) << req[1].second;
  EXPECT_NE(req[1].second.find("If-Modified-Since: Wed, 01 May 2024 00:00:00 GMT\r\n"), std::string::npos);
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[1].replyNo, 304);
  EXPECT_FALSE(reports[1].Failed());
  const std::string reply = SjisToUtf8(app::FeedReplyText(Log().Folder));
  EXPECT_NE(reply.find("  HTTP 304: 変更なし"), std::string::npos) << reply;
  // The validators stay for the next round.
  EXPECT_EQ(Log().Folder.Extension(app::kFeedETagOption), "\"v1\"");
}

TEST_F(FeedFixture, AnUpdatedItemReplacesItsArticleAndTurnsUnreadOnlyWhenTheFolderSaysSo) {
  const std::string path = FeedFolder("u", server.Url("/u.xml"));
  Serve("/u.xml", Rss("U", {{"a", "first", "old text", "Wed, 01 May 2024 00:00:00 GMT"},
                            {"b", "second", "stays", "Wed, 01 May 2024 01:00:00 GMT"}}));
  Fetch(path);
  ASSERT_EQ(Log().Count(), 2);
  for (int i = 0; i < 2; ++i) Log().MarkRead(i);
  struct Step {
    const char* body;
    const char* date;
    bool unreadOnUpdate;
    bool unreadAfter;
  };
  const Step steps[] = {
      {"new text", "Wed, 01 May 2024 00:00:00 GMT", false, false},  // same identity, replaced in place
      {"newer text", "Thu, 02 May 2024 00:00:00 GMT", false, false},  // a new date: the old article goes
      {"newest text", "Thu, 02 May 2024 00:00:00 GMT", true, true},
  };
  for (const Step& s : steps) {
    Log().Folder.SetExtension(app::kFeedUpdateUnreadOption, s.unreadOnUpdate ? "1" : "");
    Serve("/u.xml", Rss("U", {{"a", "first", s.body, s.date}, {"b", "second", "stays", "Wed, 01 May 2024 01:00:00 GMT"}}));
    const app::FeedRunResult r = Fetch(path);
    EXPECT_EQ(r.stored.added, 0) << s.body;
    EXPECT_EQ(r.stored.updated, 1) << s.body;
    ASSERT_EQ(Log().Count(), 2) << s.body;
    const TDataInfo* a = ByTitle("first");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->BODY, s.body);
    EXPECT_EQ(a->TOPIC, app::FeedTopic("a"));
    EXPECT_EQ(a->Unread, s.unreadAfter) << s.body;
    EXPECT_FALSE(ByTitle("second")->Unread);
  }
}

TEST_F(FeedFixture, AnItemDeletedHereStaysAwayWhileTheFeedStillHoldsIt) {
  const std::string path = FeedFolder("d", server.Url("/d.xml"));
  const TestItem a{"a", "one", "x", "Wed, 01 May 2024 00:00:00 GMT"}, b{"b", "two", "y", "Wed, 01 May 2024 01:00:00 GMT"},
      c{"c", "three", "z", "Wed, 01 May 2024 02:00:00 GMT"};
  Serve("/d.xml", Rss("D", {a, b}));
  Fetch(path);
  ASSERT_EQ(Log().Count(), 2);
  Log().DeleteTopic(app::FeedTopic("b"));
  ASSERT_TRUE(Log().SaveLog());
  // The feed gains an item and still holds the deleted one, read by a
  // program that opens the folder afresh.
  Serve("/d.xml", Rss("D", {a, b, c}));
  Log().OpenFolder(app.LogRoot());
  const app::FeedRunResult r = Fetch(path);
  EXPECT_EQ(r.stored.added, 1);
  EXPECT_EQ(Log().Count(), 2);
  EXPECT_EQ(ByTitle("two"), nullptr);
  EXPECT_NE(ByTitle("three"), nullptr);
}

TEST_F(FeedFixture, APageNamingItsFeedIsReadOnceAndTheFeedRemembered) {
  Serve("/index.html", "<html><head><link rel=\"alternate\" type=\"application/rss+xml\" href=\"/feeds/index.rdf\">"
                       "</head><body>site</body></html>");
  Serve("/feeds/index.rdf", Encode(kRss1Euc, "EUC-JP"));
  const std::string path = FeedFolder("site", server.Url("/index.html"));
  const app::FeedRunResult first = Fetch(path);
  EXPECT_EQ(first.error, "");
  EXPECT_EQ(Log().Count(), 2);
  EXPECT_EQ(Log().Folder.SiteUrl, server.Url("/index.html"));
  EXPECT_EQ(Log().Folder.Extension(app::kFeedUrlOption), server.Url("/feeds/index.rdf"));
  EXPECT_EQ(SjisToUtf8(Log().Folder.Extension(app::kFeedTitleOption)), "日記");
  Fetch(path);
  int pages = 0, feeds = 0;
  for (const auto& [target, headers] : Requests()) (target == "/index.html" ? pages : feeds) += 1;
  EXPECT_EQ(pages, 1);
  EXPECT_EQ(feeds, 2);
  EXPECT_EQ(Log().Count(), 2);

  // A page that names no feed is a failed fetch that says so.
  Serve("/plain.html", "<html><body>nothing</body></html>");
  const std::string plain = FeedFolder("plain", server.Url("/plain.html"));
  const app::FeedRunResult none = Fetch(plain);
  EXPECT_EQ(SjisToUtf8(none.error).rfind("フィードが見つかりません", 0), 0u);
  EXPECT_TRUE(reports.back().Failed());
  EXPECT_EQ(Log().Count(), 0);
}

TEST_F(FeedFixture, FaultsStoreTheItemsBeforeThemAndAreReportedAsFailedFetches) {
  std::string broken = Rss("B", {{"1", "a", "x", "Wed, 01 May 2024 00:00:00 GMT"}, {"2", "b", "y", "Wed, 01 May 2024 00:00:00 GMT"}});
  broken = broken.substr(0, broken.rfind("</channel>")) + "<item><title>cut";
  std::string many = "<rss><channel><title>M</title>";
  for (int i = 0; i < 100000; ++i) many += "<item><guid>" + std::to_string(i) + "</guid><title>t</title></item>";
  many += "</channel></rss>";
  std::string huge = Rss("H", {{"h1", "big", "x", "Wed, 01 May 2024 00:00:00 GMT"}});
  huge.insert(huge.rfind("</channel>"), std::string(limits::kMaxFeedBody + (4u << 20), ' '));
  struct Case {
    const char* name;
    std::string body;
    std::size_t stored;
    const char* error;
  };
  const Case cases[] = {
      {"malformed", broken, 2, "XML の誤り"},
      {"entity bomb",
       "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY a \"0123456789\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
       "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">]>"
       "<rss><channel><item><title>&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;</title></item></channel></rss>",
       0, "実体宣言 (<!ENTITY>) を含む XML は読みません"},
      {"100,000 items", many, limits::kMaxFeedItems, "項目が多すぎます: 最初の 5000 件だけを読みました"},
      {"larger than the limit", huge, 1, "フィードが大きすぎます: 最初の 16 MB だけを読みました"},
  };
  for (const Case& c : cases) {
    const std::string folder = std::to_string(&c - cases);
    const std::string name = "/f" + folder;
    Serve(name, c.body);
    const std::string path = FeedFolder(folder, server.Url(name));
    const app::FeedRunResult r = Fetch(path);
    EXPECT_EQ(static_cast<std::size_t>(Log().Count()), c.stored) << c.name;
    EXPECT_EQ(SjisToUtf8(r.error).find(c.error), 0u) << c.name << ": " << SjisToUtf8(r.error);
    ASSERT_FALSE(reports.empty());
    EXPECT_TRUE(reports.back().Failed()) << c.name;
    EXPECT_EQ(reports.back().error, r.error);
    EXPECT_NE(app::FeedReplyText(Log().Folder).find(r.error), std::string::npos) << c.name;
  }
}

TEST_F(FeedFixture, RetryAfterAndTheFolderCookieJarActAsForPages) {
  Serve("/c.xml", Rss("C", {{"c", "cookie", "x", "Wed, 01 May 2024 00:00:00 GMT"}}));
  once["/c.xml"] = {app::LocalResponse{503, "text/plain", "busy", {"Retry-After: 1", "Set-Cookie: s=42; Path=/"}}};
  const std::string path = FeedFolder("c", server.Url("/c.xml"));
  app::SetSavesCookies(Log().Folder, true);
  Log().SaveNode();
  const app::FeedRunResult r = Fetch(path);
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(Log().Count(), 1);
  const auto req = Requests();
  ASSERT_EQ(req.size(), 2u);
  EXPECT_NE(req[1].second.find("Cookie: s=42\r\n"), std::string::npos) << req[1].second;
  EXPECT_TRUE(fs::FileExists(path + std::string(app::kCookieFileName)));
}

TEST_F(FeedFixture, ANewFeedFolderTakesItsNameFromTheFeedTitle) {
  Serve("/t.xml", Rss("Tech/Science: 今日", {{"1", "a", "x", "Wed, 01 May 2024 00:00:00 GMT"}}));
  Serve("/page.html", "<link rel=\"alternate\" type=\"application/rss+xml\" href=\"t.xml\">");
  const auto first = app.AddFeedFolder(app.LogRoot(), server.Url("/t.xml"));
  EXPECT_EQ(first.run.error, "");
  EXPECT_EQ(first.path, app.LogRoot() + Utf8ToSjis("Tech_Science_ 今日/"));
  EXPECT_EQ(Log().FolderPath(), first.path);
  EXPECT_EQ(Log().Count(), 1);
  EXPECT_TRUE(Log().Folder.RoundTarget);
  EXPECT_TRUE(app::IsFeedFolder(Log().Folder));
  const auto second = app.AddFeedFolder(app.LogRoot(), server.Url("/page.html"));
  EXPECT_EQ(second.path, app.LogRoot() + Utf8ToSjis("Tech_Science_ 今日 (2)/"));
  EXPECT_EQ(app::FeedAddress(Log().Folder), server.Url("/t.xml"));
  EXPECT_EQ(Log().Folder.SiteUrl, server.Url("/page.html"));
  const auto missing = app.AddFeedFolder(app.LogRoot(), server.Url("/nothing.xml"));
  EXPECT_EQ(missing.path, "");
  EXPECT_EQ(missing.run.error, "HTTP 404");
  EXPECT_EQ(app.CollectFolders(app.LogRoot()).size(), 3u);
}

TEST(FeedFolderRules, NamesTopicsAndTheLastReply) {
  const std::pair<const char*, const char*> names[] = {
      {"  ..Blog  ", "Blog"}, {"a/b\\c:d*e?f\"g<h>i|j", "a_b_c_d_e_f_g_h_i_j"}, {"", "フィード"}, {"\t", "_"}};
  for (const auto& [title, name] : names) EXPECT_EQ(SjisToUtf8(app::FeedFolderName(Utf8ToSjis(title))), name) << title;
  EXPECT_EQ(app::FeedFolderName(std::string(200, 'x')).size(), 96u);
  EXPECT_NE(app::FeedTopic("a"), app::FeedTopic("b"));
  EXPECT_EQ(app::FeedTopic("a"), app::FeedTopic("a"));
  EXPECT_GT(app::FeedTopic(""), 0);

  TFolderInfo f;
  EXPECT_EQ(app::FeedReplyText(f), "");
  f.SetExtension(app::kFeedCheckedOption, std::to_string(EncodeDate(2024, 5, 1, 12, 0, 0)));
  f.SetExtension(app::kFeedStatusOption, "406");
  f.SetExtension(app::kFeedResultOption, "Connection refused");
  EXPECT_EQ(SjisToUtf8(app::FeedReplyText(f)), "2024/05/01 12:00:00  応答なし: Connection refused");
}

}  // namespace
}  // namespace bq::test
