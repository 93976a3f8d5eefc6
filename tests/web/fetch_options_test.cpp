// What real sites need beyond the plain exchange: the cookie jar on the
// wire, Retry-After, spacing between requests to one server, and the
// CONNECT tunnel for https through a proxy. Every one is off by default,
// and then the requests are exactly those of the plain client.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "scripted_server.h"
#include "testutil.h"
#include "web/webaccess.h"
#include "web/webtexts.h"

namespace bq {
namespace {

using test::Conn;
using test::ScriptedServer;

const std::string kAccept =
    "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
    "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n";
const std::string kCtype = "Content-type: application/x-www-form-urlencoded\r\n";

std::string Get(const ScriptedServer& s, const std::string& path, const std::string& cookie = "") {
  return "GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(s.port()) + "\r\n" + kAccept +
         (cookie.empty() ? "" : "Cookie: " + cookie + "\r\n") + kCtype + "\r\n";
}

std::int64_t MsSince(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t).count();
}

const char* kCookieReply =
    "HTTP/1.0 200 OK\r\nSet-Cookie: sid=1; Path=/\r\nSet-Cookie: p=2; Path=/p\r\n"
    "Set-Cookie: gone=3; Max-Age=0\r\nSet-Cookie: x=4; Domain=other.example\r\n\r\nbody";

class FetchOptionsTest : public ::testing::Test {
 protected:
  CallbackPump pump;
  TStatusPanels panels;
};

TEST_F(FetchOptionsTest, JarSendsWhatMatchesAndWithoutItTheRequestsAreAsBefore) {
  ScriptedServer srv(ScriptedServer::Replies({kCookieReply}));
  TCookieJar jar;
  THttpClient c(pump);
  c.CookieJar = &jar;
  c.Get(srv.url("/login"));
  c.Get(srv.url("/p/x"));
  c.Get(srv.url("/q"));
  c.CookieJar = nullptr;
  c.Get(srv.url("/p/x"));
  auto r = srv.requests();
  ASSERT_EQ(r.size(), 4u);
  EXPECT_EQ(r[0], Get(srv, "/login"));
  EXPECT_EQ(r[1], Get(srv, "/p/x", "p=2; sid=1"));
  EXPECT_EQ(r[2], Get(srv, "/q", "sid=1"));
  EXPECT_EQ(r[3], Get(srv, "/p/x"));  // the plain client keeps no reply cookie
  EXPECT_EQ(jar.Cookies().size(), 2u);
}

TEST_F(FetchOptionsTest, RedirectCookieIsSentOnceBesideTheJar) {
  ScriptedServer srv(ScriptedServer::Replies(
      {"HTTP/1.0 302 Found\r\nSet-Cookie: r=1\r\nLocation: /next\r\n\r\n", "HTTP/1.0 200 OK\r\nSet-Cookie: j=2\r\n\r\n"}));
  TCookieJar jar;
  THttpClient c(pump);
  c.CookieJar = &jar;
  c.Get(srv.url("/start"));
  c.Get(srv.url("/again"));
  auto r = srv.requests();
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[1], Get(srv, "/next", "r=1"));
  EXPECT_EQ(r[2], Get(srv, "/again", "r=1; j=2"));
}

TEST_F(FetchOptionsTest, RetryAfterIsWaitedOutOnceWithTheWaitShown) {
  ScriptedServer srv(ScriptedServer::Replies(
      {"HTTP/1.0 429 Too Many Requests\r\nRetry-After: 2\r\n\r\nslow down", "HTTP/1.0 200 OK\r\n\r\nfine"}));
  TWebAccess web(pump, [] { return SystemProxySettings(); });
  web.StatusBar = &panels;
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(web.GetPage(srv.url("/p"), false), "fine");
  std::int64_t ms = MsSince(t0);
  EXPECT_GE(ms, 1950);
  EXPECT_LT(ms, 3500);
  EXPECT_EQ(web.ReplyNo(), 200);
  auto r = srv.requests();
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[1], r[0]);
  std::string wait = std::string("0:") + webtext::kRetryWait;
  EXPECT_NE(std::find(panels.history.begin(), panels.history.end(), wait), panels.history.end());
  EXPECT_NE(std::find(panels.history.begin(), panels.history.end(),
                      std::string("1:429 ") + webtext::kSecondsLeft + "2" + webtext::kSeconds),
            panels.history.end());
}

TEST_F(FetchOptionsTest, NoRetryWithoutRetryAfterOrBeyondTwoMinutes) {
  ScriptedServer srv(ScriptedServer::Replies({"HTTP/1.0 503 Busy\r\n\r\nbusy", "HTTP/1.0 429 No\r\nRetry-After: 121\r\n\r\nno",
                                              "HTTP/1.0 200 OK\r\nRetry-After: 1\r\n\r\nok"}));
  TWebAccess web(pump, [] { return SystemProxySettings(); });
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(web.GetPage(srv.url("/a"), false), "busy");
  EXPECT_EQ(web.GetPage(srv.url("/b"), false), "no");
  EXPECT_EQ(web.ReplyNo(), 429);
  EXPECT_EQ(web.GetPage(srv.url("/c"), false), "ok");  // only 429 and 503 are retried
  EXPECT_LT(MsSince(t0), 900);
  EXPECT_EQ(srv.requests().size(), 3u);
}

TEST_F(FetchOptionsTest, RetryAfterAsADateCountsFromTheServersDate) {
  ScriptedServer srv(ScriptedServer::Replies(
      {"HTTP/1.0 503 Busy\r\nDate: Sun, 06 Dec 2026 09:00:00 GMT\r\nRetry-After: Sun, 06 Dec 2026 09:00:01 GMT\r\n\r\n",
       "HTTP/1.0 200 OK\r\n\r\nback"}));
  TWebAccess web(pump, [] { return SystemProxySettings(); });
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(web.GetPage(srv.url("/a"), false), "back");
  EXPECT_GE(MsSince(t0), 950);
  EXPECT_EQ(srv.requests().size(), 2u);
}

TEST_F(FetchOptionsTest, StopDuringTheRetryWaitEndsItAtOnce) {
  ScriptedServer srv(ScriptedServer::Replies({"HTTP/1.0 429 Later\r\nRetry-After: 30\r\n\r\n"}));
  TWebAccess web(pump, [] { return SystemProxySettings(); });
  web.StatusBar = &panels;
  auto t0 = std::chrono::steady_clock::now();
  pump.Add([&] {
    if (panels.panels[0] == webtext::kRetryWait && MsSince(t0) > 200 && !web.Stopped()) web.StopTransfer();
  });
  EXPECT_THROW(web.GetPage(srv.url("/a"), false), Exception);
  EXPECT_LT(MsSince(t0), 1500);
  EXPECT_TRUE(web.Stopped());
  EXPECT_EQ(srv.requests().size(), 1u);
}

TEST_F(FetchOptionsTest, SpacingKeepsRequestsToOneHostApart) {
  ScriptedServer srv(ScriptedServer::Replies({"HTTP/1.0 200 OK\r\n\r\nx"}));
  TWebAccess web(pump, [] { return SystemProxySettings(); });
  web.HostInterval = 500;
  auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < 10; ++i) EXPECT_EQ(web.GetPage(srv.url(std::string("/").append(std::to_string(i))), false), "x");
  EXPECT_GE(MsSince(t0), 4500);
  EXPECT_EQ(srv.requests().size(), 10u);
}

TEST_F(FetchOptionsTest, SpacingOfTwoHostsInterleavesAndSkipEndsAWait) {
  ScriptedServer a(ScriptedServer::Replies({"HTTP/1.0 200 OK\r\n\r\na"}));
  ScriptedServer b(ScriptedServer::Replies({"HTTP/1.0 200 OK\r\n\r\nb"}));
  TWebAccess web(pump, [] { return SystemProxySettings(); });
  web.StatusBar = &panels;
  web.HostInterval = 600;
  EXPECT_EQ(web.GetPage(a.url("/1"), false), "a");
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(web.GetPage(b.url("/1"), false), "b");
  EXPECT_LT(MsSince(t0), 300);  // the other host does not wait for the first
  EXPECT_EQ(web.GetPage(a.url("/2"), false), "a");
  EXPECT_GE(MsSince(t0), 550);
  // Skip during a long wait abandons that request only.
  web.HostInterval = 60000;
  pump.Add([&] {
    if (panels.panels[0] == webtext::kSpacingWait) web.Abort();
  });
  t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(web.GetPage(a.url("/3"), false), "");
  EXPECT_LT(MsSince(t0), 1000);
  EXPECT_FALSE(web.Stopped());
  EXPECT_EQ(a.requests().size(), 2u);
}

TEST_F(FetchOptionsTest, HttpsThroughAProxyOpensATunnelAndARefusalSaysWhy) {
  ScriptedServer proxy(ScriptedServer::Replies({"HTTP/1.0 403 Forbidden\r\nContent-Length: 0\r\n\r\n"}));
  THttpClient c(pump);
  c.Proxy = "127.0.0.1";
  c.ProxyPort = proxy.port();
  try {
    c.Get("https://secure.example:8443/x?y=1");
    ADD_FAILURE() << "no failure";
  } catch (const ESockError& e) {
    EXPECT_STREQ(e.what(), "Proxy refused the tunnel: HTTP/1.0 403 Forbidden");
  }
  EXPECT_FALSE(c.Connected());
  ASSERT_EQ(proxy.requests().size(), 1u);
  EXPECT_EQ(proxy.requests()[0], "CONNECT secure.example:8443 HTTP/1.0\r\nHost: secure.example:8443\r\n\r\n");
  // The fetcher takes the https= entry for https and shows the refusal.
  TWebAccess web(pump, [&] {
    return SystemProxySettings{true, true, "http=nowhere.invalid:1;https=127.0.0.1:" + std::to_string(proxy.port()), ""};
  });
  web.StatusBar = &panels;
  EXPECT_EQ(web.GetPage("https://secure.example/", false), "");
  EXPECT_EQ(web.ReplyNo(), 406);
  EXPECT_EQ(proxy.requests()[1], "CONNECT secure.example:443 HTTP/1.0\r\nHost: secure.example:443\r\n\r\n");
  EXPECT_NE(std::find(panels.history.begin(), panels.history.end(),
                      "0:Proxy refused the tunnel: HTTP/1.0 403 Forbidden"),
            panels.history.end());
}

TEST_F(FetchOptionsTest, WatchdogStopSaysHowLongAndWhere) {
  ScriptedServer srv([](Conn& c, int) {
    c.ReadRequest();
    c.Hold(5000);
  });
  TWebAccess web(pump, [] { return SystemProxySettings(); });
  int stops = 0;
  web.OnWatchdogStop = [&] { ++stops; };
  web.HTTPTimeOut = 1;
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_THROW(web.GetPage(srv.url("/silent"), false), Exception);
  EXPECT_LT(MsSince(t0), 2500);
  EXPECT_EQ(stops, 1);
  EXPECT_EQ(web.StopText(), std::string(webtext::kInterruptedBy) + "1" + webtext::kNoReplyFor + "\r\n" + srv.url("/silent"));
  web.ResetStop();
  EXPECT_EQ(web.StopText(), "");
}

}  // namespace
}  // namespace bq
