// The reader model: fields, quote blocks, links and the address test of the
// context menu.
#include <gtest/gtest.h>

#include "app/core/list/article_reader.h"
#include "tests/appcore/list_fixture.h"

namespace bq::test {
namespace {

using app::BodyRun;
using app::QuoteBlock;

std::string Coloured(std::string_view body, const QuoteBlock& b) {
  return U(std::string(body.substr(b.begin, b.end - b.begin)));
}

TEST(ReaderQuotes, BlocksOfLikeLinesWithEmptyLinesJoiningTheBlockBefore) {
  const std::string body = S("こんにちは\r\n>引用一\r\n>引用二\r\n\r\n＞全角の引用\r\n\r\n本文です\r\n\r\n");
  const auto blocks = app::QuoteBlocks(body);
  ASSERT_EQ(blocks.size(), 3u);
  EXPECT_FALSE(blocks[0].quote);
  EXPECT_EQ(Coloured(body, blocks[0]), "こんにちは");
  EXPECT_TRUE(blocks[1].quote);
  // The empty line between the two quotes joins them into one block; the
  // breaks after the block are not part of it.
  EXPECT_EQ(Coloured(body, blocks[1]), ">引用一\r\n>引用二\r\n\r\n＞全角の引用");
  EXPECT_FALSE(blocks[2].quote);
  EXPECT_EQ(Coloured(body, blocks[2]), "本文です");
}

TEST(ReaderQuotes, OnlyALeadingMarkQuotesAndRunsGiveTheBodyBack) {
  EXPECT_TRUE(app::IsQuoteLine(">x"));
  EXPECT_TRUE(app::IsQuoteLine(S("＞x")));
  EXPECT_FALSE(app::IsQuoteLine(" >x"));
  EXPECT_FALSE(app::IsQuoteLine(""));
  const std::string body = S("a\r\n>q http://x.example/p?q=1.\r\n\r\nb https://y.example/ c");
  std::string joined;
  std::vector<std::string> links;
  for (const BodyRun& r : app::BodyRuns(body)) {
    joined += r.text;
    if (r.link) links.push_back(r.text + (r.kind == BodyRun::Quote ? " quote" : " normal"));
  }
  EXPECT_EQ(joined, body);
  EXPECT_EQ(links, (std::vector<std::string>{"http://x.example/p?q=1 quote", "https://y.example/ normal"}));
  const auto runs = app::BodyRuns(body);
  EXPECT_EQ(runs.front().kind, BodyRun::Normal);
  EXPECT_EQ(runs[1].kind, BodyRun::Break);
  EXPECT_EQ(runs[1].text, "\r\n");
}

TEST(ReaderLinks, AddressesStopAtBlanksAndDoubleByteText) {
  const std::string text = S("見てhttp://a.example/x（括弧）と ftp://no と http:// と https://b.example");
  std::vector<std::string> found;
  for (auto [b, e] : app::FindLinks(text)) found.push_back(text.substr(b, e - b));
  EXPECT_EQ(found, (std::vector<std::string>{"http://a.example/x", "https://b.example"}));
}

TEST(ReaderLinks, BrowsableAddressNeedsHttpSchemeAndAHostEndedBySlash) {
  EXPECT_TRUE(app::IsBrowsableAddress("  http://example.jp/ "));
  EXPECT_TRUE(app::IsBrowsableAddress("https://example.jp/a/b"));
  EXPECT_FALSE(app::IsBrowsableAddress("http://example.jp"));
  EXPECT_FALSE(app::IsBrowsableAddress("http:///path"));
  EXPECT_FALSE(app::IsBrowsableAddress("HTTP://example.jp/"));
  EXPECT_FALSE(app::IsBrowsableAddress("ftp://example.jp/"));
  EXPECT_FALSE(app::IsBrowsableAddress("see http://example.jp/"));
  EXPECT_FALSE(app::IsBrowsableAddress("http://example.jp/ and more"));
}

using ReaderFields = ListFixture;

TEST_F(ReaderFields, PersonWithMailDateWithHostAndTheTwoButtons) {
  TDataInfo a = Art(1, 0, EncodeDate(2006, 5, 1, 13, 45, 0), "件名", true, ">引用\r\n返事");
  a.AUTHOR = S("太郎");
  a.MAILTO = "taro@example.jp";
  a.HOST = "host.example.ne.jp";
  a.HP = "http://taro.example/";
  a.PAGEURL = "http://bbs.example/1";
  a.LINK = app.LogRoot() + "files/a.txt";
  TDataInfo plain = Art(2, 0, 0, "plain");
  OpenWith({a, plain});
  app::ReaderView v = app::ReaderViewOf(Log(), Log().IndexOfTopic(1));
  EXPECT_EQ(U(v.subject), "件名");
  EXPECT_EQ(U(v.person), "太郎 <taro@example.jp>");
  EXPECT_EQ(v.date, "2006/05/01 13:45:00 (host.example.ne.jp)");
  EXPECT_TRUE(v.showHomePage);
  EXPECT_EQ(v.homePage, "http://taro.example/");
  EXPECT_TRUE(v.showLink);
  EXPECT_EQ(v.linkTarget, app.LogRoot() + "files/a.txt");  // absolute, whatever form is held
  EXPECT_EQ(v.pageUrl, "http://bbs.example/1");
  ASSERT_EQ(v.runs.size(), 3u);
  EXPECT_EQ(v.runs[0].kind, BodyRun::Quote);
  v = app::ReaderViewOf(Log(), Log().IndexOfTopic(2));
  EXPECT_EQ(v.person, "");
  EXPECT_EQ(v.date, "");
  EXPECT_FALSE(v.showHomePage || v.showLink);
  EXPECT_EQ(app::ReaderViewOf(Log(), 7).subject, "");
}

}  // namespace
}  // namespace bq::test
