#include "textlib/links.h"

#include <gtest/gtest.h>

#include <string>

#include "textlib/error.h"
#include "textlib/kanji.h"

namespace bq {
namespace {

// ---- attribute values ----------------------------------------------------

struct AttrCase {
  const char* name;
  const char* attr;
  std::string tag;
  std::string want;
};

class AttrValues : public ::testing::TestWithParam<AttrCase> {};

TEST_P(AttrValues, ReadAsListed) { EXPECT_EQ(AttrValue(GetParam().attr, GetParam().tag), GetParam().want); }

INSTANTIATE_TEST_SUITE_P(
    Links, AttrValues,
    ::testing::Values(AttrCase{"Bare", "HREF", "A HREF=x.html>", "x.html"},
                      AttrCase{"CaseOfValueKept", "HREF", "a href=X.Html target=_top", "X.Html"},
                      AttrCase{"DoubleQuoted", "HREF", "A HREF=\"a b.html\"", "a b.html"},
                      AttrCase{"SingleQuoted", "ALT", "IMG ALT='say \"hi\"' SRC=x", "say \"hi\""},
                      AttrCase{"UnclosedQuote", "HREF", "A HREF=\"x.html", ""},
                      AttrCase{"BlankBeforeEquals", "HREF", "A HREF = x", ""},
                      AttrCase{"Missing", "HREF", "A NAME=top", ""},
                      AttrCase{"EndsAtTabOrEnd", "SRC", "IMG SRC=p.png", "p.png"},
                      AttrCase{"NameInsideAnotherValue", "HREF", "A TITLE=\"HREF=bad\" HREF=good", "good"},
                      AttrCase{"LongerAttributeName", "SRC", "IMG SRCSET=a.png SRC=b.png", "b.png"},
                      AttrCase{"EmptyQuoted", "VALUE", "INPUT VALUE=\"\"", ""},
                      AttrCase{"RightAfterAQuotedValue", "NAME", "INPUT VALUE=\"Go\"NAME=b", "b"},
                      AttrCase{"AfterASlash", "HREF", "A/HREF=x", "x"},
                      AttrCase{"QuotedNameIsNoAttribute", "HREF", "A X='HREF'", ""},
                      AttrCase{"DoubleByteValue", "ALT", "IMG ALT=\x95\x5c\x8e\xa6", "\x95\x5c\x8e\xa6"}),
    [](const ::testing::TestParamInfo<AttrCase>& i) { return std::string(i.param.name); });

// ---- resolving -----------------------------------------------------------

struct ResolveCase {
  const char* name;
  std::string base, address, want;
};

class Resolving : public ::testing::TestWithParam<ResolveCase> {};

TEST_P(Resolving, GivesTheAbsoluteAddress) {
  EXPECT_EQ(Resolve(GetParam().base, GetParam().address), GetParam().want);
}

const std::string kBase = "http://h.jp/d/p.html?x=1#top";

INSTANTIATE_TEST_SUITE_P(
    Links, Resolving,
    ::testing::Values(
        ResolveCase{"Relative", kBase, "a/b.html", "http://h.jp/d/a/b.html"},
        ResolveCase{"Parent", kBase, "../c.html", "http://h.jp/c.html"},
        ResolveCase{"RootRelative", kBase, "/e.html", "http://h.jp/e.html"},
        ResolveCase{"DotSlash", kBase, "./f.html", "http://h.jp/d/f.html"},
        ResolveCase{"DotSlashTwice", kBase, "././f.html", "http://h.jp/d/f.html"},
        ResolveCase{"ParentsNeverClimbAboveTheHost", kBase, "../../../g.html", "http://h.jp/g.html"},
        ResolveCase{"BaseWithoutPath", "http://h.jp", "a.html", "http://h.jp/a.html"},
        ResolveCase{"BaseWithoutSlash", "page", "a.html", "a.html"},
        ResolveCase{"Absolute", kBase, "HTTPS://x.jp/", "HTTPS://x.jp/"},
        ResolveCase{"Mailto", kBase, "mailto:a@b.jp", "mailto:a@b.jp"},
        ResolveCase{"FileScheme", kBase, "file:///c/x", "file:///c/x"},
        ResolveCase{"Empty", kBase, "", ""},
        ResolveCase{"HttpsRootRelativeKeepsSchemeAndHost", "https://s.jp/d/p.html", "/e.html", "https://s.jp/e.html"},
        ResolveCase{"SchemeRelativeTakesBaseScheme", "https://s.jp/d/p.html", "//cdn.jp/x.png", "https://cdn.jp/x.png"},
        ResolveCase{"SchemeRelativeOnHttp", kBase, "//cdn.jp/x.png", "http://cdn.jp/x.png"},
        ResolveCase{"RootRelativeWithoutHost", "ftp://f.jp/x", "/e.html", "http:///e.html"},
        ResolveCase{"HostBlanksRemoved", "http:// h.jp /d/", "/e", "http://h.jp/e"},
        ResolveCase{"QueryOnly", kBase, "?page=2", "http://h.jp/d/p.html?page=2"},
        ResolveCase{"FragmentOnly", kBase, "#n5", "http://h.jp/d/p.html#n5"},
        ResolveCase{"WindowOpen", kBase, "javascript:window.open('w.html')", "http://h.jp/d/w.html"},
        ResolveCase{"WindowOpenCaseAndBlanks", kBase, "JavaScript: x=1; Window.Open('w.html','n')", "http://h.jp/d/w.html"},
        ResolveCase{"Wopen", kBase, "javascript:wopen('/w.html')", "http://h.jp/w.html"},
        ResolveCase{"WopenDoubleQuotes", kBase, "javascript:wopen(\"w.html\")", ""},
        ResolveCase{"WindowOpenUnclosed", kBase, "javascript:window.open('w.html", ""},
        ResolveCase{"Void", kBase, "javascript:void(0)", ""}),
    [](const ::testing::TestParamInfo<ResolveCase>& i) { return std::string(i.param.name); });

TEST(Links, WithoutQueryCutsAtFirstHashOrQuestionMark) {
  EXPECT_EQ(WithoutQuery("http://h/a#b?c"), "http://h/a");
  EXPECT_EQ(WithoutQuery("http://h/a?b#c"), "http://h/a");
  EXPECT_EQ(WithoutQuery("http://h/a"), "http://h/a");
}

// ---- link extraction -----------------------------------------------------

const std::string kPage = "http://h.jp/d/p.html";

TEST(LinkExtract, TextAndAddressOfEachClosedAnchor) {
  LinkList got = ExtractLinks("x<A HREF=a.html><B>bold</B></A> <a href='/b.html'>two  words</a>", kPage);
  LinkList want = {{"bold", "http://h.jp/d/a.html"}, {"two words", "http://h.jp/b.html"}};
  EXPECT_EQ(got, want);
}

TEST(LinkExtract, TextRulesInsideAnAnchor) {
  EXPECT_EQ(ExtractLinks("<a href=x>\r\n  a&amp;lt;b &copy; </a>", kPage),
            (LinkList{{"a<b @", "http://h.jp/d/x"}}));
  EXPECT_EQ(ExtractLinks("<a href=x>lost > kept</a>", kPage), (LinkList{{"kept", "http://h.jp/d/x"}}));
  EXPECT_EQ(ExtractLinks("<a href=x>\x95\x5c\x8e\xa6</a>", kPage), (LinkList{{"\x95\x5c\x8e\xa6", "http://h.jp/d/x"}}));
  EXPECT_EQ(ExtractLinks("<a href=x>a\tb</a>", kPage), (LinkList{{"ab", "http://h.jp/d/x"}}));
  EXPECT_EQ(ExtractLinks("<a\nhref=\"x\"\n>t</a\n>", kPage), (LinkList{{"t", "http://h.jp/d/x"}}));
}

TEST(LinkExtract, AnchorsThatGiveNoEntry) {
  EXPECT_TRUE(ExtractLinks("<a href=\"javascript:void(0)\">js</a>", kPage).empty());
  EXPECT_TRUE(ExtractLinks("<A HREF = x.html>blank</A>", kPage).empty());
  EXPECT_TRUE(ExtractLinks("<a name=top>no href</a>", kPage).empty());
  EXPECT_TRUE(ExtractLinks("<a href=x.html>never closed", kPage).empty());
  EXPECT_TRUE(ExtractLinks("<!-- <a href=x>in comment</a> -->", kPage).empty());
  EXPECT_TRUE(ExtractLinks("</a>stray close", kPage).empty());
}

TEST(LinkExtract, OnlyTagsNamedExactlyAOrAreaOpenALink) {
  LinkList got = ExtractLinks("<a href=x><abbr>W</abbr>3C</a><address>a</address>", kPage);
  EXPECT_EQ(got, (LinkList{{"W3C", "http://h.jp/d/x"}}));
  EXPECT_EQ(ExtractLinks("<area href=m.html alt=map><a href=y>y</a>", kPage), (LinkList{{"y", "http://h.jp/d/y"}}));
  EXPECT_EQ(ExtractLinks("<area href=m.html>map</a>", kPage), (LinkList{{"map", "http://h.jp/d/m.html"}}));
}

TEST(LinkExtract, FilterKeepsAddressesWithAMatchingPart) {
  std::string html = "<a href=read.cgi?1>one</a><a href=/img/x.png>pic</a><a href=read.cgi?2>two</a>";
  LinkList got = ExtractLinks(html, kPage, "read.cgi");
  EXPECT_EQ(got, (LinkList{{"one", "http://h.jp/d/read.cgi?1"}, {"two", "http://h.jp/d/read.cgi?2"}}));
  EXPECT_EQ(ExtractLinks(html, kPage, "\\.png$").size(), 1u);
}

TEST(LinkExtract, BrokenMarkupNeverReadsPastTheEnd) {
  EXPECT_TRUE(ExtractLinks("<a href=\"x", kPage).empty());
  EXPECT_TRUE(ExtractLinks("<a href=x>t</", kPage).empty());
  EXPECT_TRUE(ExtractLinks("<", kPage).empty());
  EXPECT_TRUE(ExtractLinks("<!--", kPage).empty());
  EXPECT_EQ(ExtractLinks(std::string("<a href=x>a\0b</a>", 17), kPage), (LinkList{{"ab", "http://h.jp/d/x"}}));
  EXPECT_EQ(ExtractLinks("<a href=x>\x82</a>", kPage), (LinkList{{"\x82", "http://h.jp/d/x"}}));
}

TEST(LinkExtract, ManyUnclosedCommentsAndHugePages) {
  std::string comments;
  for (int i = 0; i < 20000; ++i) comments += "<!-- x > ";
  comments += "<a href=z>z</a>";
  EXPECT_EQ(ExtractLinks(comments, kPage).size(), 1u);
  std::string big;
  for (int i = 0; i < 100000; ++i) big += "<td><a href=\"r/" + std::to_string(i) + "\">" + std::to_string(i) + "</a>";
  LinkList got = ExtractLinks(big, kPage);
  ASSERT_EQ(got.size(), 100000u);
  EXPECT_EQ(got.back(), (LinkEntry{"99999", "http://h.jp/d/r/99999"}));
}

TEST(LinkExtract, FirstLinkByWholeText) {
  LinkList links = {{"prev", "p"}, {"next 10", "n"}};
  EXPECT_EQ(FirstLinkByText(links, "next*"), "n");
  EXPECT_EQ(FirstLinkByText(links, "next"), "");  // the whole text must match
  EXPECT_EQ(FirstLinkByText(links, ""), "p");
  EXPECT_EQ(FirstLinkByText({}, ""), "");
}

TEST(SourceExtract, ImagesAndFramesWithAlt) {
  std::string html = "<img src=a.png alt=first><IMG SRC=\"/b.gif\"><frame src=f.html><img alt=nosrc>";
  LinkList imgs = ExtractSources(html, "IMG", kPage);
  EXPECT_EQ(imgs, (LinkList{{"first", "http://h.jp/d/a.png"}, {"", "http://h.jp/b.gif"}}));
  EXPECT_EQ(FirstSourceByAddress(imgs, ""), "http://h.jp/d/a.png");
  EXPECT_EQ(FirstSourceByAddress(imgs, "gif"), "http://h.jp/b.gif");
  EXPECT_EQ(FirstSourceByAddress(imgs, "jpg"), "");
  EXPECT_EQ(ExtractSources(html, "FRAME", kPage), (LinkList{{"", "http://h.jp/d/f.html"}}));
  EXPECT_EQ(ExtractSources(html, "IMG", kPage, "gif"), (LinkList{{"", "http://h.jp/b.gif"}}));
  EXPECT_TRUE(ExtractSources("<img src=\"x", "IMG", kPage).empty());
}

// ---- address codec -------------------------------------------------------

TEST(AddressEncode, SpacesBeforeAndAfterTheQuery) {
  EXPECT_EQ(EncodeAddress("a b?c d", false, false), "a%20b?c+d");
  EXPECT_EQ(EncodeAddress("a b", true, false), "a+b");
  EXPECT_EQ(EncodeAddress("a/b?c/d", false, false), "a/b?c%2fd");
  EXPECT_EQ(EncodeAddress("http://h/x.cgi?u=http://y", false, false), "http://h/x.cgi?u=http%3a%2f%2fy");
}

TEST(AddressEncode, KeptAndEscapedBytes) {
  EXPECT_EQ(EncodeAddress("Az09&-=._~", false, false), "Az09&-=._~");
  EXPECT_EQ(EncodeAddress("<\"#!'", false, false), "%3c%22%23%21%27");
  EXPECT_EQ(EncodeAddress("\x82\xa0", false, false), "%82%a0");
  EXPECT_EQ(EncodeAddress("\x82\xa0", true, true), "%a4%a2");
  EXPECT_EQ(EncodeAddress("\xb1", false, false), "\xb1");   // half-width kana: not a lead byte
  EXPECT_EQ(EncodeAddress("a\x82", false, false), "a%82");  // lead byte as last byte
  EXPECT_EQ(EncodeAddress(std::string("a\0b", 3), false, false), "a%00b");
}

TEST(AddressEncode, AddressKeepsItsEscapesFormValueDoesNot) {
  EXPECT_EQ(EncodeAddress("s?q=%E3%81%82+x", false, false), "s?q=%E3%81%82+x");
  EXPECT_EQ(EncodeAddress("100%", false, false), "100%25");
  EXPECT_EQ(EncodeAddress("%4", false, false), "%254");
  EXPECT_EQ(EncodeAddress("50%+1", true, false), "50%25%2b1");
  for (std::string s : {"http://h/a b?c d/e.f", "\x95\x5c x?%zz+%41", "a%%41?:/."}) {
    std::string once = EncodeAddress(s, false, false);
    EXPECT_EQ(EncodeAddress(once, false, false), once) << s;
  }
}

// Encoding with the EUC flag gives the EUC-JP bytes of every JIS X 0208
// character: the inverse of the EUC-JP converter.
TEST(AddressEncode, EucEscapesInvertTheEucConverter) {
  static constexpr char kHex[] = "0123456789abcdef";
  for (int row = 1; row <= 94; ++row) {
    for (int cell = 1; cell <= 94; ++cell) {
      unsigned char a = static_cast<unsigned char>(0xA0 + row), b = static_cast<unsigned char>(0xA0 + cell);
      std::string sjis = EucToSjis(std::string{static_cast<char>(a), static_cast<char>(b)});
      std::string want = {'%', kHex[a >> 4], kHex[a & 15], '%', kHex[b >> 4], kHex[b & 15]};
      ASSERT_EQ(EncodeAddress(sjis, true, true), want) << row << " " << cell;
    }
  }
}

TEST(AddressDecode, EscapesAndPlus) {
  EXPECT_EQ(DecodeAddress("a%41b"), "aAb");
  EXPECT_EQ(DecodeAddress("a+b"), "a b");
  EXPECT_EQ(DecodeAddress("%82%a0%00"), std::string("\x82\xa0\0", 3));
  EXPECT_EQ(DecodeAddress(""), "");
}

TEST(AddressDecode, BadEscapeRaisesTheConversionError) {
  const std::string tail = " \x82\xcd\x90\xae\x90\x94\x82\xc5\x82\xcd\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1";
  for (auto [in, shown] : {std::pair{"a%zzb", "%zz"}, {"a%4", "%4"}, {"a%", "%"}, {"%4g", "%4g"}}) {
    try {
      DecodeAddress(in);
      ADD_FAILURE() << in;
    } catch (const Exception& e) {
      std::string want = "'";
      want.append(shown).append("'").append(tail);
      EXPECT_EQ(std::string(e.what()), want);
    }
  }
}

// ---- web addresses -------------------------------------------------------

struct WebCase {
  const char* name;
  std::string text;
  bool want;
};

class WebAddresses : public ::testing::TestWithParam<WebCase> {};

TEST_P(WebAddresses, TakenOnlyWithHostAndSlash) { EXPECT_EQ(IsWebAddress(GetParam().text), GetParam().want); }

INSTANTIATE_TEST_SUITE_P(Links, WebAddresses,
                         ::testing::Values(WebCase{"Http", "http://h.jp/", true},
                                           WebCase{"Https", "https://h.jp/a?b", true},
                                           WebCase{"Blanks", "  http://h.jp/x \r\n", true},
                                           WebCase{"UpperCase", "HTTP://H.JP/", true},
                                           WebCase{"NoSlashAfterHost", "http://h.jp", false},
                                           WebCase{"EmptyHost", "http:///x", false},
                                           WebCase{"Ftp", "ftp://h.jp/", false},
                                           WebCase{"NoScheme", "h.jp/x", false},
                                           WebCase{"Empty", "", false}),
                         [](const ::testing::TestParamInfo<WebCase>& i) { return std::string(i.param.name); });

}  // namespace
}  // namespace bq
