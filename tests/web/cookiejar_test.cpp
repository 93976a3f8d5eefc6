#include "web/cookiejar.h"

#include <gtest/gtest.h>

namespace bq {
namespace {

constexpr std::int64_t kNow = 1796548800;  // 2026-12-06 09:20 UTC

struct SetCookieCase {
  const char* text;
  bool ok;
  const char* name;
  const char* value;
  const char* domain;
  const char* path;
  bool secure;
};

class SetCookieForms : public ::testing::TestWithParam<SetCookieCase> {};

TEST_P(SetCookieForms, TakenApartAsBrowsersDo) {
  const SetCookieCase& c = GetParam();
  TSetCookie sc;
  ASSERT_EQ(ParseSetCookie(c.text, sc), c.ok) << c.text;
  if (!c.ok) return;
  EXPECT_EQ(sc.name, c.name);
  EXPECT_EQ(sc.value, c.value);
  EXPECT_EQ(sc.domain, c.domain);
  EXPECT_EQ(sc.path, c.path);
  EXPECT_EQ(sc.secure, c.secure);
}

INSTANTIATE_TEST_SUITE_P(
    All, SetCookieForms,
    ::testing::Values(SetCookieCase{"a=b", true, "a", "b", "", "", false},
                      SetCookieCase{" a = b c ; Path=/x ; Secure", true, "a", "b c", "", "/x", true},
                      SetCookieCase{"a=; Domain=.Example.JP; HttpOnly", true, "a", "", "example.jp", "", false},
                      SetCookieCase{"a=x=y;secure;PATH=/p", true, "a", "x=y", "", "/p", true},
                      SetCookieCase{"a=b;\tPath=/t", true, "a", "b", "", "/t", false},
                      SetCookieCase{"novalue; Path=/", false, "", "", "", "", false},
                      SetCookieCase{"=b", false, "", "", "", "", false},
                      SetCookieCase{"a=b\x01", false, "", "", "", "", false},
                      SetCookieCase{"a=b\tc", false, "", "", "", "", false}));

TEST(CookieDate, TheFormsServersSend) {
  std::int64_t t = 0;
  ASSERT_TRUE(ParseCookieDate("Sun, 06 Dec 2026 09:20:00 GMT", t));
  EXPECT_EQ(t, kNow);
  ASSERT_TRUE(ParseCookieDate("Sunday, 06-Dec-26 09:20:00 GMT", t));
  EXPECT_EQ(t, kNow);
  ASSERT_TRUE(ParseCookieDate("Sun Dec  6 09:20:00 2026", t));
  EXPECT_EQ(t, kNow);
  ASSERT_TRUE(ParseCookieDate("Fri, 31 Dec 9999 23:59:59 GMT", t));
  EXPECT_EQ(t, 253402300799);
  EXPECT_FALSE(ParseCookieDate("tomorrow", t));
  EXPECT_FALSE(ParseCookieDate("Sun, 32 Dec 2026 09:20:00 GMT", t));
  EXPECT_FALSE(ParseCookieDate("Sun, 06 Dec 2026 24:00:00 GMT", t));
  EXPECT_FALSE(ParseCookieDate("Sun, 06 Dec 1600 09:20:00 GMT", t));
}

TEST(CookieJar, DomainMatchingAsBrowsersDo) {
  TCookieJar jar;
  EXPECT_TRUE(jar.Store("host=1", "www.example.jp", "/", false, kNow));
  EXPECT_TRUE(jar.Store("dom=2; Domain=example.jp", "www.example.jp", "/", false, kNow));
  EXPECT_FALSE(jar.Store("other=3; Domain=other.jp", "www.example.jp", "/", false, kNow));
  EXPECT_FALSE(jar.Store("suffix=4; Domain=jp", "www.example.jp", "/", false, kNow));
  EXPECT_FALSE(jar.Store("sub=5; Domain=a.www.example.jp", "www.example.jp", "/", false, kNow));
  EXPECT_EQ(jar.CookieHeader("www.example.jp", "/", false, kNow), "host=1; dom=2");
  EXPECT_EQ(jar.CookieHeader("example.jp", "/", false, kNow), "dom=2");
  EXPECT_EQ(jar.CookieHeader("a.www.example.jp", "/", false, kNow), "dom=2");
  EXPECT_EQ(jar.CookieHeader("badexample.jp", "/", false, kNow), "");
  EXPECT_EQ(jar.CookieHeader("other.jp", "/", false, kNow), "");
  // An address gets only its own cookies, never a domain's.
  EXPECT_TRUE(jar.Store("ip=6", "127.0.0.1", "/", false, kNow));
  EXPECT_FALSE(jar.Store("ip2=7; Domain=0.0.1", "127.0.0.1", "/", false, kNow));
  EXPECT_EQ(jar.CookieHeader("127.0.0.1", "/", false, kNow), "ip=6");
  EXPECT_EQ(jar.CookieHeader("WWW.Example.JP", "/", false, kNow), "host=1; dom=2");
}

TEST(CookieJar, PathMatchingAndOrder) {
  TCookieJar jar;
  jar.Store("root=1; Path=/", "h.jp", "/", false, kNow);
  jar.Store("deep=2; Path=/a/b", "h.jp", "/", false, kNow);
  jar.Store("dflt=3", "h.jp", "/a/page.html?x=/y", false, kNow);  // default path /a
  EXPECT_EQ(jar.CookieHeader("h.jp", "/a/b/c", false, kNow), "deep=2; dflt=3; root=1");
  EXPECT_EQ(jar.CookieHeader("h.jp", "/a/b", false, kNow), "deep=2; dflt=3; root=1");
  EXPECT_EQ(jar.CookieHeader("h.jp", "/a/bc", false, kNow), "dflt=3; root=1");
  EXPECT_EQ(jar.CookieHeader("h.jp", "/ab", false, kNow), "root=1");
  EXPECT_EQ(jar.CookieHeader("h.jp", "/a?q=1", false, kNow), "dflt=3; root=1");
  EXPECT_EQ(DefaultCookiePath("/"), "/");
  EXPECT_EQ(DefaultCookiePath("/x"), "/");
  EXPECT_EQ(DefaultCookiePath("/x/y/z.cgi?a=/b"), "/x/y");
  EXPECT_EQ(DefaultCookiePath(""), "/");
}

TEST(CookieJar, SecureOnlyOverHttpsAndOnlyFromHttps) {
  TCookieJar jar;
  EXPECT_FALSE(jar.Store("s=1; Secure", "h.jp", "/", false, kNow));
  EXPECT_TRUE(jar.Store("s=1; Secure", "h.jp", "/", true, kNow));
  EXPECT_TRUE(jar.Store("p=2", "h.jp", "/", true, kNow));
  EXPECT_EQ(jar.CookieHeader("h.jp", "/", true, kNow), "s=1; p=2");
  EXPECT_EQ(jar.CookieHeader("h.jp", "/", false, kNow), "p=2");
}

TEST(CookieJar, ExpiryReplacementAndDeletion) {
  TCookieJar jar;
  jar.Store("a=1; Max-Age=60", "h.jp", "/", false, kNow);
  jar.Store("b=2; Expires=Sun, 06 Dec 2026 09:21:00 GMT", "h.jp", "/", false, kNow);
  jar.Store("c=3", "h.jp", "/", false, kNow);
  EXPECT_EQ(jar.CookieHeader("h.jp", "/", false, kNow + 59), "a=1; b=2; c=3");
  EXPECT_EQ(jar.CookieHeader("h.jp", "/", false, kNow + 60), "c=3");
  // Max-Age wins over Expires; a replaced cookie keeps its place.
  jar.Store("a=9; Expires=Thu, 01 Jan 1970 00:00:01 GMT; Max-Age=100", "h.jp", "/", false, kNow);
  EXPECT_EQ(jar.CookieHeader("h.jp", "/", false, kNow + 90), "a=9; c=3");
  jar.ClearChanged();
  jar.Store("c=3; Max-Age=0", "h.jp", "/", false, kNow);
  EXPECT_TRUE(jar.Changed());
  EXPECT_EQ(jar.CookieHeader("h.jp", "/", false, kNow), "a=9; b=2");
  jar.DropExpired(kNow + 61);
  ASSERT_EQ(jar.Cookies().size(), 1u);
  EXPECT_EQ(jar.Cookies()[0].name, "a");
}

TEST(CookieJar, LimitsDropTheOldestOfTheDomain) {
  TCookieJar jar;
  for (int i = 0; i < 60; ++i) jar.Store(std::string("c").append(std::to_string(i)).append("=v"), "h.jp", "/", false, kNow);
  jar.Store("o=1", "other.jp", "/", false, kNow);
  EXPECT_EQ(jar.Cookies().size(), 51u);
  EXPECT_EQ(jar.Cookies().front().name, "c10");
}

TEST(CookieJar, FileRoundTripAndForeignLines) {
  TCookieJar jar;
  jar.Store("sid=abc; Path=/m", "www.example.jp", "/", false, kNow);
  jar.Store("lang=ja; Domain=example.jp; Max-Age=3600", "www.example.jp", "/", false, kNow);
  jar.Store("s=1; Secure", "www.example.jp", "/", true, kNow);
  std::string file = jar.Format();
  EXPECT_EQ(file,
            "# Netscape HTTP Cookie File\r\n"
            "www.example.jp\tFALSE\t/m\tFALSE\t0\tsid\tabc\r\n"
            ".example.jp\tTRUE\t/\tFALSE\t" + std::to_string(kNow + 3600) + "\tlang\tja\r\n"
            "www.example.jp\tFALSE\t/\tTRUE\t0\ts\t1\r\n");
  TCookieJar back;
  back.Parse(file, kNow);
  EXPECT_EQ(back.Cookies(), jar.Cookies());
  EXPECT_FALSE(back.Changed());
  back.Parse(file, kNow + 3600);  // lang has expired
  EXPECT_EQ(back.Cookies().size(), 2u);
  // curl's HttpOnly mark, LF line ends, short or bad lines.
  back.Parse("#HttpOnly_h.jp\tFALSE\t/\tFALSE\t0\tk\tv\nbad line\nh.jp\tFALSE\t/\tFALSE\tsoon\tx\ty\n"
             "h.jp\tFALSE\tnoslash\tFALSE\t0\tx\ty\n",
             kNow);
  ASSERT_EQ(back.Cookies().size(), 1u);
  EXPECT_EQ(back.CookieHeader("h.jp", "/", false, kNow), "k=v");
}

}  // namespace
}  // namespace bq
