// The OPML reader and writer.
#include "feed/opml.h"

#include <gtest/gtest.h>

#include "feed_test_util.h"
#include "textlib/cp932.h"

namespace bq::test {
namespace {

using feed::Outline;

// As another reader exports it: nested categories, xmlUrl/htmlUrl/title/text,
// one reader's lower-case attribute names.
const char* kReaderExport = R"(<?xml version="1.0" encoding="UTF-8"?>
<opml version="1.0">
  <head><title>My subscriptions</title><dateCreated>Mon, 01 Jan 2024 00:00:00 GMT</dateCreated></head>
  <body>
    <outline text="ニュース" title="ニュース">
      <outline type="rss" text="Example &amp; Co" title="Example" xmlUrl="http://example.com/rss" htmlUrl="http://example.com/"/>
      <outline text="技術"><outline type="rss" text="Tech" xmlurl="http://tech.example/atom.xml" htmlurl="http://tech.example/"/></outline>
    </outline>
    <outline type="rss" title="Only a title" xmlUrl="http://t.example/feed"/>
  </body>
</opml>)";

TEST(Opml, ReadsNestedOutlinesAsAnotherReaderWritesThem) {
  const feed::Opml o = feed::ReadOpml(kReaderExport);
  ASSERT_EQ(o.error, "");
  EXPECT_EQ(o.title, "My subscriptions");
  ASSERT_EQ(o.outlines.size(), 2u);
  const Outline& news = o.outlines[0];
  EXPECT_EQ(news.text, "ニュース");
  ASSERT_EQ(news.children.size(), 2u);
  EXPECT_EQ(news.children[0].text, "Example & Co");
  EXPECT_EQ(news.children[0].title, "Example");
  EXPECT_EQ(news.children[0].xmlUrl, "http://example.com/rss");
  EXPECT_EQ(news.children[0].htmlUrl, "http://example.com/");
  ASSERT_EQ(news.children[1].children.size(), 1u);
  EXPECT_EQ(news.children[1].children[0].xmlUrl, "http://tech.example/atom.xml");
  EXPECT_EQ(news.children[1].children[0].htmlUrl, "http://tech.example/");
  EXPECT_EQ(o.outlines[1].title, "Only a title");
}

TEST(Opml, WrittenOutlinesReadBackTheSame) {
  feed::Opml o = feed::ReadOpml(kReaderExport);
  Outline script;
  script.type = std::string(feed::kScriptOutlineType);
  script.text = "掲示板 \"<b>\"\tand\nmore";
  script.url = "http://b.example/bbs/?a=1&b=2";
  script.script = "board.pss";
  script.round = true;
  o.outlines.push_back(script);
  const std::string text = feed::WriteOpml(o);
  const feed::Opml back = feed::ReadOpml(text);
  EXPECT_EQ(back.error, "");
  EXPECT_EQ(back.title, o.title);
  EXPECT_EQ(back.outlines, o.outlines);
  EXPECT_NE(text.find("    <outline type=\"brindlequay-script\" text=\"掲示板 &quot;&lt;b&gt;&quot;&#9;and&#10;more\" "
                      "url=\"http://b.example/bbs/?a=1&amp;b=2\" script=\"board.pss\" round=\"1\"/>\n"),
            std::string::npos)
      << text;
}

TEST(Opml, ReadsFilesInShiftJisAndRefusesWhatIsNoOpml) {
  const feed::Opml sjis = feed::ReadOpml(
      Encode("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><opml><body><outline text=\"日本\"/></body></opml>", "CP932"));
  ASSERT_EQ(sjis.outlines.size(), 1u);
  EXPECT_EQ(sjis.outlines[0].text, "日本");

  const std::pair<const char*, const char*> refused[] = {
      {"<rss/>", "OPML ではありません (最初の要素 rss)"},
      {"<!DOCTYPE opml [<!ENTITY x \"y\">]><opml/>", "実体宣言 (<!ENTITY>) を含む XML は読みません"},
      {"<opml><body><outline text=\"a\"></body></opml>", "XML の誤り"},
  };
  for (const auto& [text, error] : refused) {
    const feed::Opml o = feed::ReadOpml(text);
    EXPECT_EQ(SjisToUtf8(o.error).rfind(error, 0), 0u) << text << ": " << SjisToUtf8(o.error);
  }
}

}  // namespace
}  // namespace bq::test
