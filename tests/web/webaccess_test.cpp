#include "web/webaccess.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <algorithm>
#include <atomic>

#include "platform/fs.h"
#include "scripted_server.h"
#include "testutil.h"
#include "web/sockcalls.h"
#include "web/webtexts.h"

namespace bq {
namespace {

using test::Conn;
using test::ScriptedServer;

SystemProxySettings NoProxy() { return {}; }

std::atomic<bool> g_lookupStarted{false};
int SlowLookup(const char* node, const char* service, const addrinfo* hints, addrinfo** res) {
  g_lookupStarted = true;
  ::usleep(300 * 1000);
  return ::getaddrinfo(node, service, hints, res);
}

class WebAccessTest : public test::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    web.SetCacheDir(dir_ + "cache/");
    web.StatusBar = &panels;
  }
  void TearDown() override {
    sockcalls::CurrentHooks() = sockcalls::RealHooks();
    TempDirTest::TearDown();
  }
  std::string CacheText(const std::string& url) {
    std::string text;
    fs::ReadFile(web.CacheFileName(url), text);
    return text;
  }
  CallbackPump pump;
  TStatusPanels panels;
  TWebAccess web{pump, NoProxy};
};

const char* kPage = "HTTP/1.0 200 OK\r\nLast-Modified: Sun, 06 Dec 2026 09:00:00 GMT\r\nContent-Length: 21\r\n\r\n  line1\nline2\rline3\n\n";

TEST_F(WebAccessTest, NetworkFetchIsCachedThenServedFromTheCache) {
  ScriptedServer srv(ScriptedServer::Replies({kPage}));
  std::string url = srv.url("/p");
  EXPECT_EQ(web.GetPage(url, true), "line1\r\nline2\r\nline3");
  EXPECT_EQ(web.ReplyNo(), 200);
  std::uint32_t date = web.DocDate();
  EXPECT_EQ(date, 1796580000u);  // 2026-12-06 18:00 in Japan time
  EXPECT_EQ(CacheText(url), "  line1\r\nline2\r\nline3\r\n\r\n");
  EXPECT_EQ(web.GetPage(url, true), "line1\r\nline2\r\nline3");
  EXPECT_EQ(web.ReplyNo(), 999);
  EXPECT_EQ(web.DocDate(), date);
  EXPECT_EQ(srv.connections(), 1);
  EXPECT_EQ(panels.panels[0], webtext::kCacheRead);
  // Without the cache switch the page is fetched (and cached) again.
  web.GetPage(url, false);
  EXPECT_EQ(srv.connections(), 2);
  EXPECT_EQ(web.CurrentURL, url);
}

TEST_F(WebAccessTest, CachedCopyOfSevenDaysIsFetchedAgain) {
  ScriptedServer srv(ScriptedServer::Replies({kPage}));
  std::string url = srv.url("/old");
  web.GetPage(url, true);
  std::string f = web.CacheFileName(url);
  auto age = [&](long seconds) {
    utimbuf t{time(nullptr) - seconds, time(nullptr) - seconds};
    ASSERT_EQ(utime(f.c_str(), &t), 0);
  };
  age(7 * 86400 - 120);
  web.GetPage(url, true);
  EXPECT_EQ(srv.connections(), 1);
  age(7 * 86400);
  web.GetPage(url, true);
  EXPECT_EQ(srv.connections(), 2);
  EXPECT_EQ(web.ReplyNo(), 200);
}

TEST_F(WebAccessTest, OtherSchemesAreNotFetched) {
  EXPECT_EQ(web.GetPage("ftp://x/", true), "");
  EXPECT_EQ(web.GetPage("HTTP://x/", true), "");
  EXPECT_EQ(web.ReplyNo(), 406);
  EXPECT_FALSE(fs::FileExists(dir_ + "cache/cache.idx"));
}

TEST_F(WebAccessTest, ErrorPageIsReturnedAndCached) {
  ScriptedServer srv(ScriptedServer::Replies({"HTTP/1.0 404 Not Found\r\n\r\nmissing"}));
  EXPECT_EQ(web.GetPage(srv.url("/none"), false), "missing");
  EXPECT_EQ(web.ReplyNo(), 404);
  EXPECT_EQ(CacheText(srv.url("/none")), "missing\r\n");
  EXPECT_EQ(panels.history.end()[-4], "0:Get Failed");
}

TEST_F(WebAccessTest, StatusTextsOfAFetchInOrder) {
  ScriptedServer srv(ScriptedServer::Replies({"HTTP/1.0 200 OK\r\n\r\nabc"}));
  web.GetPage(srv.url(), false);
  // The server's close is seen first, then the request ends and disconnects.
  const std::string off = "0:" + std::string(webtext::kDisconnected);
  std::vector<std::string> want = {"2:" + srv.url(), "0:" + std::string(webtext::kGetting),
                                   "0:" + std::string(webtext::kConnecting), off, "0:Get Succeeded",
                                   "0:Transaction Completed", off};
  std::vector<std::string> seen;
  for (const std::string& h : panels.history)
    if (h[0] != '1') seen.push_back(h);
  EXPECT_EQ(seen, want);
}

TEST_F(WebAccessTest, FailedFetchGivesEmptyTextAnd406AndDropsTheCacheFile) {
  int port;
  { ScriptedServer gone(ScriptedServer::Replies({""})); port = gone.port(); }
  std::string url = "http://127.0.0.1:" + std::to_string(port) + "/";
  fs::WriteFileAtomic(web.CacheFileName(url), "stale\r\n");
  EXPECT_EQ(web.GetPage(url, false), "");
  EXPECT_EQ(web.ReplyNo(), 406);
  EXPECT_FALSE(fs::FileExists(web.CacheFileName(url)));
  EXPECT_FALSE(web.Stopped());
}

TEST_F(WebAccessTest, BodyCutShortIsAFailureNotAPage) {
  ScriptedServer srv(ScriptedServer::Replies({"HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\nonly this"}));
  EXPECT_EQ(web.GetPage(srv.url(), false), "");
  EXPECT_EQ(web.ReplyNo(), 200);
  EXPECT_FALSE(fs::FileExists(web.CacheFileName(srv.url())));
}

TEST_F(WebAccessTest, WatchdogStopsASilentServerAndSetsTheStopState) {
  ScriptedServer srv([&](Conn& c, int) {
    c.ReadRequest();
    c.Send("HTTP/1.0 200 OK\r\n\r\n");
    c.Hold(4000);
  });
  web.HTTPTimeOut = 1;
  auto start = std::chrono::steady_clock::now();
  try {
    web.GetPage(srv.url(), false);
    FAIL();
  } catch (const EAbortError& e) {
    EXPECT_STREQ(e.what(), "Socket capture aborted");
  }
  EXPECT_TRUE(web.Stopped());
  EXPECT_EQ(web.ReplyNo(), 406);
  EXPECT_NE(std::find(panels.history.begin(), panels.history.end(), "0:" + std::string(webtext::kInterrupted)),
            panels.history.end());
  // Ended by the one-second watchdog, long before the server lets go.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  web.ResetStop();
  EXPECT_FALSE(web.Stopped());
  EXPECT_EQ(web.ReplyNo(), 0);
}

TEST_F(WebAccessTest, SkipEndsTheTransferWithoutStopState) {
  ScriptedServer srv([](Conn& c, int) {
    c.ReadRequest();
    c.Send("HTTP/1.0 200 OK\r\n\r\nsome");
    c.Hold(5000);
  });
  pump.Add([&] {
    if (pump.Calls() == 50) web.Abort();
  });
  EXPECT_EQ(web.GetPage(srv.url(), false), "");
  EXPECT_FALSE(web.Stopped());
}

TEST_F(WebAccessTest, SkipDuringLookupOrHeaderIsAnEmptyPage) {
  sockcalls::CurrentHooks().getaddrinfo = SlowLookup;
  g_lookupStarted = false;
  pump.Add([&] {
    if (g_lookupStarted) web.Abort();
  });
  EXPECT_EQ(web.GetPage("http://localhost:1/", false), "");
  EXPECT_FALSE(web.Stopped());
  pump.Clear();
  sockcalls::CurrentHooks() = sockcalls::RealHooks();
  std::atomic<bool> asked{false};
  ScriptedServer srv([&](Conn& c, int) {
    c.ReadRequest();
    asked = true;
    c.Hold(5000);
  });
  int after = 0;
  pump.Add([&] {
    if (asked && ++after == 10) web.Abort();
  });
  EXPECT_EQ(web.GetPage(srv.url(), false), "");
  EXPECT_EQ(web.ReplyNo(), 406);
  EXPECT_FALSE(web.Stopped());
}

// Stop pressed while each wait of a fetch is running.
class StopAtEveryWait : public WebAccessTest {
 protected:
  std::string Run(std::function<void()> op) {
    try {
      op();
    } catch (const Exception& e) {
      return e.what();
    }
    return "no failure";
  }
};

TEST_F(StopAtEveryWait, Lookup) {
  sockcalls::CurrentHooks().getaddrinfo = SlowLookup;
  g_lookupStarted = false;
  pump.Add([&] {
    if (g_lookupStarted && !web.Stopped()) web.StopTransfer();
  });
  EXPECT_EQ(Run([&] { web.GetPage("http://localhost:1/", false); }), "Host Lookup Canceled");
  EXPECT_TRUE(web.Stopped());
}

TEST_F(StopAtEveryWait, Header) {
  std::atomic<bool> asked{false};
  ScriptedServer srv([&](Conn& c, int) {
    c.ReadRequest();
    asked = true;
    c.Hold(5000);
  });
  int pumpsAfterAsked = 0;
  pump.Add([&] {
    if (asked && ++pumpsAfterAsked == 10 && !web.Stopped()) web.StopTransfer();
  });
  EXPECT_EQ(Run([&] { web.GetPage(srv.url(), false); }), "Socket readln aborted");
  EXPECT_TRUE(web.Stopped());
}

TEST_F(StopAtEveryWait, Body) {
  std::atomic<bool> sent{false};
  ScriptedServer srv([&](Conn& c, int) {
    c.ReadRequest();
    c.Send("HTTP/1.0 200 OK\r\n\r\nfirst part");
    sent = true;
    c.Hold(5000);
  });
  pump.Add([&] {
    if (sent && web.BytesReceived > 0 && !web.Stopped()) web.StopTransfer();
  });
  EXPECT_EQ(Run([&] { web.GetPage(srv.url(), false); }), "Socket capture aborted");
}

TEST_F(StopAtEveryWait, Send) {
  std::atomic<bool> accepted{false};
  ScriptedServer srv(
      [&](Conn& c, int) {
        accepted = true;
        c.Hold(5000);  // never reads: the request cannot be sent whole
      },
      4096);
  int pumpsAfterAccept = 0;
  pump.Add([&] {
    if (accepted && ++pumpsAfterAccept == 100 && !web.Stopped()) web.StopTransfer();
  });
  std::string url = srv.url("/post");
  EXPECT_EQ(Run([&] { web.PostPage(url, std::string(64 << 20, 'd')); }), webtext::kStopped + url);
  EXPECT_TRUE(web.Stopped());
  EXPECT_GT(web.BytesSent, 0);
  EXPECT_LT(web.BytesSent, 64 << 20);
}

TEST_F(StopAtEveryWait, Connect) {
  int lfd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(lfd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  ::listen(lfd, 0);
  socklen_t len = sizeof a;
  getsockname(lfd, reinterpret_cast<sockaddr*>(&a), &len);
  std::vector<int> fillers;
  for (int i = 0; i < 4; ++i) {
    int f = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    ::connect(f, reinterpret_cast<sockaddr*>(&a), sizeof a);
    fillers.push_back(f);
  }
  pump.Add([&] {
    if (pump.Calls() == 30 && !web.Stopped()) web.StopTransfer();
  });
  std::string msg = Run([&] { web.GetPage("http://127.0.0.1:" + std::to_string(ntohs(a.sin_port)) + "/", false); });
  for (int f : fillers) ::close(f);
  ::close(lfd);
  if (msg == "Socket readln aborted") GTEST_SKIP() << "the kernel completed a handshake beyond the listen queue";
  EXPECT_EQ(msg, "Connection Canceled");
  EXPECT_TRUE(web.Stopped());
}

TEST_F(StopAtEveryWait, CacheRead) {
  ScriptedServer srv(ScriptedServer::Replies({kPage}));
  std::string url = srv.url("/c");
  web.GetPage(url, true);
  pump.Add([&] {
    if (!web.Stopped()) web.StopTransfer();
  });
  EXPECT_EQ(Run([&] { web.GetPage(url, true); }), webtext::kStopped + url);
  EXPECT_FALSE(fs::FileExists(web.CacheFileName(url)));
}

TEST_F(WebAccessTest, RelativeRedirectIsFollowedAndCurrentUrlIsAbsolute) {
  ScriptedServer srv(ScriptedServer::Replies(
      {"HTTP/1.0 302 Found\r\nSet-Cookie: s=1\r\nLocation: /b\r\n\r\n", "HTTP/1.0 200 OK\r\nDate: Mon, 07 Dec 2026 00:00:00 GMT\r\n\r\nB"}));
  EXPECT_EQ(web.GetPage(srv.url("/a"), false), "B");
  EXPECT_EQ(web.ReplyNo(), 200);
  EXPECT_EQ(web.CurrentURL, srv.url("/b"));
  EXPECT_EQ(web.DocDate(), 1796634000u);
  ASSERT_EQ(srv.requests().size(), 2u);
  EXPECT_EQ(srv.requests()[1].substr(0, 16), "GET /b HTTP/1.0\r");
  EXPECT_NE(srv.requests()[1].find("Cookie: s=1\r\n"), std::string::npos);
}

TEST_F(WebAccessTest, PostAnsweredWithRedirectEndsWithAGet) {
  ScriptedServer srv(ScriptedServer::Replies(
      {"HTTP/1.0 302 Found\r\nLocation: /done\r\n\r\n", "HTTP/1.0 200 OK\r\n\r\nthanks"}));
  EXPECT_EQ(web.PostPage(srv.url("/form"), "a=1"), "thanks");
  EXPECT_EQ(web.ReplyNo(), 200);
  EXPECT_EQ(srv.requests()[1].substr(0, 19), "GET /done HTTP/1.0\r");
}

TEST_F(WebAccessTest, RedirectLoopIsAFailure) {
  ScriptedServer srv(ScriptedServer::Replies({"HTTP/1.0 302 Found\r\nLocation: /loop\r\n\r\n"}));
  EXPECT_EQ(web.GetPage(srv.url("/loop"), false), "");
  EXPECT_EQ(srv.requests().size(), 11u);
  EXPECT_FALSE(web.Stopped());
}

TEST_F(WebAccessTest, PostAndHeadNeedStatus200) {
  ScriptedServer srv(ScriptedServer::Replies({"HTTP/1.0 500 Oops\r\n\r\nerr", "HTTP/1.0 200 OK\r\nX: 1\r\n\r\n"}));
  EXPECT_EQ(web.PostPage(srv.url(), "a=b"), "");
  EXPECT_EQ(web.ReplyNo(), 500);
  EXPECT_EQ(web.Body, "");
  EXPECT_EQ(web.Header, "");
  EXPECT_EQ(web.HeadPage(srv.url()), "HTTP/1.0 200 OK\r\nX: 1\r\n\r\n");
  EXPECT_EQ(srv.requests()[1].substr(0, 5), "HEAD ");
  EXPECT_EQ(web.PostPage("", "x"), "");
  EXPECT_EQ(web.ReplyNo(), 406);
}

TEST_F(WebAccessTest, DownloadChecksContentLength) {
  ScriptedServer srv(ScriptedServer::Replies({"HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\nDATA",
                                              "HTTP/1.0 200 OK\r\n\r\nno length", "HTTP/1.0 404 NF\r\n\r\nx"}));
  std::string file = dir_ + "dl.bin";
  EXPECT_EQ(web.DownloadFile(srv.url("/f"), file), 4);
  std::string got;
  ASSERT_TRUE(fs::ReadFile(file, got));
  EXPECT_EQ(got, "DATA");
  try {
    web.DownloadFile(srv.url("/g"), file);
    FAIL();
  } catch (const EHttpError& e) {
    EXPECT_EQ(e.what(), webtext::kDownloadFailed + srv.url("/g"));
  }
  EXPECT_FALSE(fs::FileExists(file));
  EXPECT_EQ(web.DownloadFile(srv.url("/h"), file), 0);
  EXPECT_EQ(web.ReplyNo(), 404);
  EXPECT_EQ(web.DownloadFile("", file), 0);
}

TEST_F(WebAccessTest, RedirectedDownloadLandsInTheFile) {
  ScriptedServer srv(ScriptedServer::Replies(
      {"HTTP/1.0 301 Moved\r\nLocation: /real\r\n\r\n", "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nfinal"}));
  std::string file = dir_ + "r.bin";
  EXPECT_EQ(web.DownloadFile(srv.url("/first"), file), 5);
  std::string got;
  ASSERT_TRUE(fs::ReadFile(file, got));
  EXPECT_EQ(got, "final");
}

TEST_F(WebAccessTest, PageIsConvertedToShiftJisByItsCharset) {
  ScriptedServer srv(ScriptedServer::Replies(
      {"HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=UTF-8\r\n\r\n\xe6\x97\xa5\xe6\x9c\xac",
       "HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=EUC-JP\r\n\r\n\xc6\xfc\xcb\xdc"}));
  EXPECT_EQ(web.GetPage(srv.url("/u"), false), "\x93\xfa\x96{");
  EXPECT_EQ(web.GetPage(srv.url("/e"), false), "\x93\xfa\x96{");
  // The cache keeps the bytes as they came.
  EXPECT_EQ(CacheText(srv.url("/e")), "\xc6\xfc\xcb\xdc\r\n");
}

TEST_F(WebAccessTest, OpenInBrowserMakesMailAddresses) {
  RecordingUi ui;
  web.OpenInBrowser(ui, "");
  web.OpenInBrowser(ui, "someone@example.jp");
  web.OpenInBrowser(ui, "http://example.jp/");
  ASSERT_EQ(ui.calls.size(), 2u);
  EXPECT_EQ(ui.calls[0].text, "mailto:someone@example.jp");
  EXPECT_EQ(ui.calls[1].text, "http://example.jp/");
}

TEST_F(WebAccessTest, ProxySettingIsReadBeforeEveryRequest) {
  ScriptedServer proxy(ScriptedServer::Replies({"HTTP/1.0 200 OK\r\n\r\nvia proxy"}));
  int reads = 0;
  TWebAccess w(pump, [&] {
    ++reads;
    return SystemProxySettings{true, true, "ftp=x:1;http=127.0.0.1:" + std::to_string(proxy.port()), "<local>"};
  });
  EXPECT_EQ(w.GetPage("http://example.jp/page", false), "via proxy");
  EXPECT_EQ(proxy.requests()[0].substr(0, 37), "GET http://example.jp/page HTTP/1.0\r\n");
  EXPECT_EQ(w.GetPage("http://intranet/", false), "");  // bypassed: nothing listens there
  EXPECT_EQ(reads, 2);
}

TEST(ConsoleStatusBar, PrintsPanelsInUtf8) {
  std::FILE* f = std::tmpfile();
  TConsoleStatusBar bar(f);
  bar.SetPanel(0, webtext::kDisconnected);
  bar.SetPanel(1, "");
  bar.SetPanel(2, "http://x/");
  std::rewind(f);
  char buf[128] = {};
  size_t n = std::fread(buf, 1, sizeof buf - 1, f);
  std::fclose(f);
  EXPECT_EQ(std::string(buf, n), "[0] \xe5\x88\x87\xe6\x96\xad\n[2] http://x/\n");
}

TEST(NormalizeLines, EveryBreakBecomesCrLfWithOneAtTheEnd) {
  EXPECT_EQ(NormalizeLines("a\nb\rc\r\nd"), "a\r\nb\r\nc\r\nd\r\n");
  EXPECT_EQ(NormalizeLines("a\r\n"), "a\r\n");
  EXPECT_EQ(NormalizeLines("a\r\n\r\n"), "a\r\n\r\n");
  EXPECT_EQ(NormalizeLines(""), "");
  EXPECT_EQ(NormalizeLines(std::string("ab\0cd", 5)), "ab\r\n");
  EXPECT_EQ(NormalizeLines("\r"), "\r\n");
  EXPECT_EQ(NormalizeLines("\nx"), "\r\nx\r\n");
  EXPECT_EQ(NormalizeLines("a\r\r\nb"), "a\r\n\r\nb\r\n");
  EXPECT_EQ(NormalizeLines("a\r\n\nb\r\n"), "a\r\n\r\nb\r\n");
}

}  // namespace
}  // namespace bq
