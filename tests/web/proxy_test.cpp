#include <gtest/gtest.h>

#include "platform/proxy.h"
#include "textlib/error.h"
#include "web/proxyrules.h"

namespace bq {
namespace {

SystemProxySettings Sys(std::string server, std::string bypass = "", bool enabled = true) {
  return {true, enabled, std::move(server), std::move(bypass)};
}

TEST(ProxyRules, ServerListEntries) {
  TProxyState s = ReadProxySettings("site.jp", Sys("ftp=a:21;http=b:8080"));
  EXPECT_EQ(s.host, "b");
  EXPECT_EQ(s.port, 8080);
  s = ReadProxySettings("site.jp", Sys("proxyhost"));
  EXPECT_EQ(s.host, "proxyhost");
  EXPECT_EQ(s.port, 80);
  s = ReadProxySettings("site.jp", Sys("p.jp:3128"));
  EXPECT_EQ(s.host, "p.jp");
  EXPECT_EQ(s.port, 3128);
  s = ReadProxySettings("site.jp", Sys("ftp=a:21;gopher=c:70"));
  EXPECT_EQ(s.host, "");
  s = ReadProxySettings("site.jp", Sys("HTTP=d:1, https=e:2"));
  EXPECT_EQ(s.host, "d");
  EXPECT_EQ(s.port, 1);
  s = ReadProxySettings("site.jp", Sys(":99"));
  EXPECT_EQ(s.host, ":99");
  EXPECT_EQ(s.port, 80);
}

TEST(ProxyRules, HttpsTakesTheHttpsEntryOrTheCommonOne) {
  TProxyState s = ReadProxySettings("site.jp", Sys("http=d:1;https=e:2"), true);
  EXPECT_EQ(s.host, "e");
  EXPECT_EQ(s.port, 2);
  EXPECT_EQ(ReadProxySettings("site.jp", Sys("https=e:2")).host, "");  // plain http goes direct
  EXPECT_EQ(ReadProxySettings("site.jp", Sys("http=d:1"), true).host, "");
  EXPECT_EQ(ReadProxySettings("site.jp", Sys("p.jp:3128"), true).host, "p.jp");
  EXPECT_EQ(ReadProxySettings("site.jp", Sys("p.jp:3128", "site.jp"), true).host, "");
}

TEST(ProxyRules, DisabledMissingOrBypassedMeansDirect) {
  EXPECT_EQ(ReadProxySettings("site.jp", Sys("p:1", "", false)).host, "");
  EXPECT_EQ(ReadProxySettings("site.jp", SystemProxySettings()).host, "");
  TProxyState s = ReadProxySettings("intranet", Sys("p:1", "*.corp;<Local>"));
  EXPECT_EQ(s.host, "");
  EXPECT_EQ(s.bypass, "*.corp;<Local>");
  EXPECT_EQ(ReadProxySettings("www.corp.jp", Sys("p:1", "*.corp")).host, "");
}

TEST(ProxyRules, NonNumericPortIsAConversionError) {
  try {
    ReadProxySettings("site.jp", Sys("http=p:80x"));
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "'80x' is not a valid integer value");
  }
}

TEST(ProxyRules, UsesProxySubstringAndLocal) {
  EXPECT_FALSE(UsesProxy("intranet", "<local>"));
  EXPECT_TRUE(UsesProxy("intra.net", "<local>"));
  EXPECT_TRUE(UsesProxy("intranet", ""));
  EXPECT_FALSE(UsesProxy("a.example.com", "*.example.com"));
  EXPECT_FALSE(UsesProxy("a.example.com", ".example.com"));  // same as with the star
  EXPECT_TRUE(UsesProxy("a.Example.com", ".example.com"));   // substring, case kept
  EXPECT_TRUE(UsesProxy("a.jp", "*;**"));                    // nothing left after the stars
  EXPECT_FALSE(UsesProxy("127.0.0.1:8080", "x;127.0.0.1"));
}

TEST(SystemProxy, EnvironmentValuesMapOntoTheThreeSettings) {
  SystemProxySettings s = ProxySettingsFrom("http://user:pw@proxy.lan:3128/", "", "localhost, .corp.jp");
  EXPECT_TRUE(s.available && s.enabled);
  EXPECT_EQ(s.server, "proxy.lan:3128");
  EXPECT_EQ(s.bypass, "localhost;.corp.jp");
  s = ProxySettingsFrom("p:1", "https://q:2", "");
  EXPECT_EQ(s.server, "http=p:1;https=q:2");
  EXPECT_EQ(ReadProxySettings("x.jp", s).host, "p");
  s = ProxySettingsFrom("p:1", "", "*");
  EXPECT_FALSE(s.enabled);
  s = ProxySettingsFrom("", "", "a");
  EXPECT_FALSE(s.available);
}

TEST(SystemProxy, ReadsTheEnvironment) {
  ::setenv("http_proxy", "http://envproxy:8081", 1);
  ::setenv("no_proxy", "127.0.0.1", 1);
  SystemProxySettings s = ReadSystemProxySettings();
  ::unsetenv("http_proxy");
  ::unsetenv("no_proxy");
  EXPECT_EQ(s.server, "envproxy:8081");
  EXPECT_EQ(s.bypass, "127.0.0.1");
  EXPECT_FALSE(UsesProxy("127.0.0.1", s.bypass));
}

}  // namespace
}  // namespace bq
