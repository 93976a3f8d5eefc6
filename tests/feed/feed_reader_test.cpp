// The feed reader: dates, codes, the fields of RSS 0.9x/1.0/2.0 and Atom
// items, faults that end the reading, and finding a page's feed.
#include "feed/feed_reader.h"

#include <gtest/gtest.h>

#include "feed/feed_dates.h"
#include "feed_test_util.h"
#include "textlib/cp932.h"
#include "textlib/limits.h"

namespace bq::test {
namespace {

using feed::Feed;
using feed::ReadFeed;

std::string U(std::string_view sjis) { return SjisToUtf8(sjis); }

struct DateCase {
  const char* text;
  const char* local;  // DisplayDateTime, or "" for no date
};

TEST(FeedDates, ReadAsLocalTime) {
  const DateCase cases[] = {
      {"Sat, 07 Sep 2002 00:00:01 GMT", "2002/09/07 09:00:01"},
      {"Sat, 07 Sep 2002 09:00:01 +0900", "2002/09/07 09:00:01"},
      {"07 Sep 02 00:00:01 EST", "2002/09/07 14:00:01"},
      {"Sun, 6 Dec 2026 18:08 PDT", "2026/12/07 10:08:00"},
      {"Tue, 10 Jun 2003 04:00:00 -0130", "2003/06/10 14:30:00"},
      {"2002-09-07T09:00:01+09:00", "2002/09/07 09:00:01"},
      {"2002-09-07T00:00:01.25Z", "2002/09/07 09:00:01"},
      {"2002-09-07T09:00+0900", "2002/09/07 09:00:00"},
      {"2002-09-07 09:00:01", "2002/09/07 09:00:01"},
      {"  2002-09-07\n", "2002/09/07 00:00:00"},
      {"2002-09", "2002/09/01 00:00:00"},
      {"2024-02-29T12:00:00Z", "2024/02/29 21:00:00"},
      {"2023-02-29T12:00:00Z", ""},
      {"Mon, 31 Apr 2024 00:00 GMT", ""},
      {"1969-12-31T00:00:00Z", ""},
      {"2002-09-07T25:00:00Z", ""},
      {"Sat, 07 Sep 2002 00:00:01 XYZ", ""},
      {"yesterday", ""},
      {"", ""},
  };
  for (const DateCase& c : cases) {
    const Date d = feed::ReadFeedDate(c.text);
    EXPECT_EQ(d == 0 ? std::string() : DisplayDateTime(d), c.local) << c.text;
  }
}

const char* kRss20 = R"(<?xml version="1.0" encoding="ENCODING"?>
<rss version="2.0" xmlns:dc="http://purl.org/dc/elements/1.1/" xmlns:content="http://purl.org/rss/1.0/modules/content/">
<channel><title>日本語のニュース ｶﾅ</title><link>http://example.com/</link>
<item><title>一番目の記事</title><link>/news/1</link><guid isPermaLink="false">news-1</guid>
<pubDate>Sat, 07 Sep 2002 00:00:01 GMT</pubDate><author>a@example.com (花子)</author>
<description>&lt;p&gt;要約&lt;/p&gt;</description>
<content:encoded><![CDATA[<p>本文です。<br>二行目 &#x3042;&amp;&#60;b&#62;</p><ul><li>項目</li></ul>]]></content:encoded></item>
<item><description>&lt;p&gt;題のない記事の本文&lt;/p&gt;続き</description><guid>http://example.com/news/2</guid></item>
</channel></rss>
)";

std::string WithEncoding(std::string text, const std::string& name) {
  text.replace(text.find("ENCODING"), 8, name);
  return text;
}

TEST(FeedReader, RssTwoMapsEveryFieldInEachCode) {
  const std::pair<const char*, const char*> codes[] = {
      {"UTF-8", "UTF-8"}, {"Shift_JIS", "CP932"}, {"EUC-JP", "EUC-JP"}, {"Windows-31J", "CP932"}, {"UTF-16", "UTF-16"}};
  for (const auto& [code, iconvName] : codes) {
    const std::string bytes = Encode(WithEncoding(kRss20, code), iconvName);
    const Feed f = ReadFeed(bytes, "http://example.com/rss.xml");
    ASSERT_EQ(f.error, "") << code;
    EXPECT_TRUE(f.isFeed);
    EXPECT_EQ(U(f.title), "日本語のニュース ｶﾅ") << code;
    EXPECT_EQ(f.link, "http://example.com/");
    ASSERT_EQ(f.items.size(), 2u) << code;
    const feed::FeedItem& a = f.items[0];
    EXPECT_EQ(U(a.title), "一番目の記事");
    EXPECT_EQ(a.link, "http://example.com/news/1");
    EXPECT_EQ(a.id, "news-1");
    EXPECT_EQ(DisplayDateTime(a.date), "2002/09/07 09:00:01");
    EXPECT_EQ(U(a.author), "a@example.com (花子)");
    // content:encoded wins over the description; its HTML becomes text by the
    // tag rules, and references standing for markup stay text.
    EXPECT_EQ(U(a.body), "本文です。\r\n二行目 あ&<b>\r\n\r\n・ 項目");
    const feed::FeedItem& b = f.items[1];
    EXPECT_EQ(U(b.title), "題のない記事の本文");
    EXPECT_EQ(b.link, "http://example.com/news/2");  // a permalink guid
    EXPECT_EQ(b.id, "http://example.com/news/2");
    EXPECT_EQ(b.date, 0u);
  }
}

TEST(FeedReader, AnIso2022JpFeedIsReadThroughShiftJis) {
  const std::string utf8 = "<?xml version=\"1.0\" encoding='iso-2022-jp'?>\n<rss version=\"2.0\"><channel>"
                           "<title>日本語のニュース</title><item><title>一番目の記事</title><guid>a</guid></item>"
                           "</channel></rss>\n";
  const Feed f = ReadFeed(Encode(utf8, "ISO-2022-JP"));
  ASSERT_EQ(f.error, "");
  EXPECT_EQ(U(f.title), "日本語のニュース");
  ASSERT_EQ(f.items.size(), 1u);
  EXPECT_EQ(U(f.items[0].title), "一番目の記事");
}

TEST(FeedReader, RssOneWithDublinCoreInEucJp) {
  const std::string utf8 = R"(<?xml version="1.0" encoding="EUC-JP"?>
<rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#" xmlns="http://purl.org/rss/1.0/"
 xmlns:dc="http://purl.org/dc/elements/1.1/">
<channel rdf:about="http://example.jp/"><title>日記</title><link>http://example.jp/</link></channel>
<item rdf:about="http://example.jp/d/1"><title>高橋さんの一日 ｶﾅ 丂</title><link>http://example.jp/d/1</link>
<description>説明</description><dc:creator>太郎</dc:creator><dc:date>2024-01-02T03:04:05+09:00</dc:date></item>
</rdf:RDF>)";
  const Feed f = ReadFeed(Encode(utf8, "EUC-JP"));
  ASSERT_EQ(f.error, "");
  ASSERT_EQ(f.items.size(), 1u);
  EXPECT_EQ(U(f.title), "日記");
  // A JIS X 0212 character has no Shift_JIS form.
  EXPECT_EQ(U(f.items[0].title), "高橋さんの一日 ｶﾅ 〓");
  EXPECT_EQ(U(f.items[0].author), "太郎");
  EXPECT_EQ(U(f.items[0].body), "説明");
  EXPECT_EQ(f.items[0].id, "http://example.jp/d/1");
  EXPECT_EQ(DisplayDateTime(f.items[0].date), "2024/01/02 03:04:05");
}

TEST(FeedReader, AtomEntries) {
  const std::string atom = "\xEF\xBB\xBF" R"(<feed xmlns="http://www.w3.org/2005/Atom">
<title type="html">Blog &amp;amp; more</title><link rel="self" href="/atom.xml"/><link href="http://blog.example/"/>
<author><name>Feed Author</name></author>
<entry><title type="html">&lt;b&gt;Bold&lt;/b&gt; title</title><id>tag:blog.example,2024:1</id>
<link rel="edit" href="/edit/1"/><link rel="alternate" href="posts/1"/>
<published>2024-01-02T00:00:00Z</published><updated>2024-03-01T00:00:00Z</updated>
<summary>ignored</summary><content type="html">&lt;p&gt;One&lt;/p&gt;&lt;p&gt;Two &amp;#x1F600;&lt;/p&gt;</content></entry>
<entry><title>Xhtml</title><id>2</id><author><name>Entry Author</name></author><updated>2024-03-02T00:00:00Z</updated>
<content type="xhtml"><div xmlns="http://www.w3.org/1999/xhtml"><p>A &lt;tag&gt; &amp; <b>bold</b></p></div></content></entry>
<entry><title>Text</title><id>3</id><summary>line one
line &lt;two&gt;</summary><content src="http://elsewhere/"/></entry>
</feed>)";
  const Feed f = ReadFeed(atom, "http://blog.example/feeds/atom.xml");
  ASSERT_EQ(f.error, "");
  EXPECT_EQ(f.title, "Blog & more");
  EXPECT_EQ(f.link, "http://blog.example/");
  ASSERT_EQ(f.items.size(), 3u);
  EXPECT_EQ(f.items[0].title, "Bold title");
  EXPECT_EQ(f.items[0].link, "http://blog.example/feeds/posts/1");
  EXPECT_EQ(DisplayDateTime(f.items[0].date), "2024/01/02 09:00:00");  // published first
  EXPECT_EQ(f.items[0].author, "Feed Author");
  EXPECT_EQ(U(f.items[0].body), "One\r\n\r\nTwo 〓");  // no Shift_JIS form
  EXPECT_EQ(f.items[1].body, "A <tag> & bold");
  EXPECT_EQ(f.items[1].author, "Entry Author");
  EXPECT_EQ(DisplayDateTime(f.items[1].date), "2024/03/02 09:00:00");
  EXPECT_EQ(f.items[2].body, "line one\r\nline <two>");  // text, not HTML
  EXPECT_EQ(f.items[2].id, "3");
}

TEST(FeedReader, RssNinetyOneAndTitlesKeepToOneLine) {
  const Feed f = ReadFeed(R"(<rss version="0.91"><channel><title>  Old
   style </title><item><title>A
  B</title><link>http://x/1</link><description>d</description></item></channel></rss>)");
  ASSERT_EQ(f.items.size(), 1u);
  EXPECT_EQ(f.title, "Old style");
  EXPECT_EQ(f.items[0].title, "A B");
  EXPECT_EQ(f.items[0].id, "http://x/1");
}

struct FaultCase {
  const char* name;
  std::string bytes;
  std::size_t items;
  const char* errorStart;  // UTF-8
};

TEST(FeedReader, AFaultEndsTheReadingAndKeepsTheItemsBeforeIt) {
  std::string many = "<rss><channel>";
  for (std::size_t i = 0; i <= limits::kMaxFeedItems + 10; ++i) many += "<item><title>t" + std::to_string(i) + "</title></item>";
  many += "</channel></rss>";
  std::string deep = "<rss>";
  for (int i = 0; i < 300; ++i) deep += "<x>";
  const FaultCase cases[] = {
      {"malformed", "<rss><channel><item><title>one</title></item><item><title>two</title></item><item><title>th</rss>", 2,
       "XML の誤り (1 行 "},
      {"bomb",
       "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">"
       "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;\">]><rss><channel><item><title>&c;</title></item></channel></rss>",
       0, "実体宣言 (<!ENTITY>) を含む XML は読みません"},
      {"too many items", many, limits::kMaxFeedItems, "項目が多すぎます: 最初の 5000 件だけを読みました"},
      {"too deep", deep, 0, "要素の入れ子が深すぎます"},
      {"a page", "<html><body>no feed</body></html>", 0, "RSS でも Atom でもありません (最初の要素 html)"},
      {"undeclared code", "<rss><channel><item><title>\x82\xa0</title></item></channel></rss>", 0, "XML の誤り"},
      {"unknown code", "<?xml version=\"1.0\" encoding=\"x-klingon\"?><rss/>", 0, "XML の誤り"},
      {"empty", "", 0, "XML の誤り"},
  };
  for (const FaultCase& c : cases) {
    const Feed f = ReadFeed(c.bytes);
    EXPECT_EQ(f.items.size(), c.items) << c.name;
    EXPECT_EQ(U(f.error).rfind(c.errorStart, 0), 0u) << c.name << ": " << U(f.error);
  }
}

TEST(FeedReader, TellsFeedsFromPages) {
  const std::pair<const char*, bool> cases[] = {
      {"<?xml version=\"1.0\"?>\n<!-- c --><rss version=\"2.0\">", true},
      {"\xEF\xBB\xBF<feed xmlns=\"http://www.w3.org/2005/Atom\">", true},
      {"<?xml version=\"1.0\"?><!DOCTYPE rdf><rdf:RDF xmlns:rdf=\"x\">", true},
      {"<!DOCTYPE rss [<!ENTITY a \"b\"> <!-- > -->]>\n<rss>", true},
      {"<!DOCTYPE html>\n<html><head>", false},
      {"<?xml version=\"1.0\"?><html xmlns=\"http://www.w3.org/1999/xhtml\">", false},
      {"plain text", false},
  };
  for (const auto& [text, isFeed] : cases) EXPECT_EQ(feed::LooksLikeFeed(text), isFeed) << text;
}

TEST(FeedReader, FindsTheFeedAPageNames) {
  const std::pair<const char*, const char*> cases[] = {
      {R"(<link rel="stylesheet" href="a.css"><LINK REL="alternate" TYPE="application/rss+xml" HREF="/index.rdf">)",
       "http://site.example/index.rdf"},
      {R"(<link type="application/atom+xml; charset=utf-8" rel="alternate feed" href="atom.xml?a=1&amp;b=2">)",
       "http://site.example/blog/atom.xml?a=1&b=2"},
      {R"(<link rel="alternate" type="text/html" href="/en/"><link rel="alternate" type="application/rss+xml" href="http://other.example/rss">)",
       "http://other.example/rss"},
      {R"(<link rel="alternate" hreflang="en" href="/en/"><a href="/feed.rss">feed</a>)", ""},
  };
  for (const auto& [html, found] : cases) EXPECT_EQ(feed::FindFeedLink(html, "http://site.example/blog/page.html"), found) << html;
}

}  // namespace
}  // namespace bq::test
