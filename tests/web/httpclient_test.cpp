#include "web/httpclient.h"

#include <gtest/gtest.h>

#include "local_servers.h"
#include "platform/fs.h"
#include "scripted_server.h"
#include "web/dechunk.h"
#include "web/httpreply.h"

namespace bq {
namespace {

using test::Conn;
using test::ScriptedServer;

const std::string kAccept =
    "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
    "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n";
const std::string kCtype = "Content-type: application/x-www-form-urlencoded\r\n";

std::string Host(const ScriptedServer& s) { return "Host: 127.0.0.1:" + std::to_string(s.port()) + "\r\n"; }

class HttpTest : public ::testing::Test {
 protected:
  CallbackPump pump;
};

TEST_F(HttpTest, GetOfHostAloneSendsExactBytes) {
  ScriptedServer srv(ScriptedServer::Replies({"HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello"}));
  THttpClient c(pump);
  c.Get("http://127.0.0.1:" + std::to_string(srv.port()));
  ASSERT_EQ(srv.requests().size(), 1u);
  EXPECT_EQ(srv.requests()[0], "GET / HTTP/1.0\r\n" + Host(srv) + kAccept + kCtype + "\r\n");
  EXPECT_EQ(c.ReplyNumber, 200);
  EXPECT_EQ(c.Body, "hello");
  EXPECT_EQ(c.Header, "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\n");
  EXPECT_EQ(c.BytesTotal, 5);
  EXPECT_EQ(c.RequestUrl(), "http://127.0.0.1:" + std::to_string(srv.port()) + "/");
}

TEST_F(HttpTest, PostDecodesItsDataAndAnnouncesTheDecodedLength) {
  ScriptedServer srv(ScriptedServer::Replies({"HTTP/1.0 200 OK\r\n\r\n"}));
  THttpClient c(pump);
  c.Post(srv.url("/form?x=1"), "a=1+2%41");
  ASSERT_EQ(srv.requests().size(), 1u);
  EXPECT_EQ(srv.requests()[0],
            "POST /form?x=1 HTTP/1.0\r\n" + Host(srv) + kAccept + kCtype + "Content-Length: 6\r\n\r\na=1 2A");
}

TEST_F(HttpTest, ProxyGetsWholeAddressAndDefaultPortIsNotInHostLine) {
  ScriptedServer srv(ScriptedServer::Replies({"HTTP/1.0 200 OK\r\n\r\n"}));
  THttpClient c(pump);
  c.Proxy = "127.0.0.1";
  c.ProxyPort = srv.port();
  c.Get("http://example.com/a/b?q=1");
  c.Get("http://example.com:8080");
  ASSERT_EQ(srv.requests().size(), 2u);
  EXPECT_EQ(srv.requests()[0], "GET http://example.com/a/b?q=1 HTTP/1.0\r\nProxy-Connection: Keep-Alive\r\n"
                               "Host: example.com\r\n" + kAccept + kCtype + "\r\n");
  EXPECT_EQ(srv.requests()[1], "GET http://example.com:8080/ HTTP/1.0\r\nProxy-Connection: Keep-Alive\r\n"
                               "Host: example.com:8080\r\n" + kAccept + kCtype + "\r\n");
  EXPECT_EQ(c.Port, 8080);
  EXPECT_EQ(c.Host, "example.com");
}

TEST_F(HttpTest, LongPathIsSentWholeUpToItsLimit) {
  ScriptedServer srv(ScriptedServer::Replies({"HTTP/1.0 200 OK\r\n\r\n"}));
  THttpClient c(pump);
  std::string path = "/" + std::string(299, 'p');
  c.Get(srv.url(path));
  EXPECT_EQ(srv.requests()[0].substr(0, 4 + path.size() + 10), "GET " + path + " HTTP/1.0\r");
  c.Get(srv.url("/" + std::string(9000, 'q')));
  EXPECT_EQ(srv.requests()[1].find(" HTTP/1.0"), 4u + 8192u);
}

TEST_F(HttpTest, BodyInTheHeaderPacketAndStatusWithoutReason) {
  ScriptedServer srv(ScriptedServer::Replies({"HTTP/1.1 404\r\nX: y\r\n\r\nbody"}));
  THttpClient c(pump);
  int failures = 0, successes = 0;
  c.OnFailure = [&](int type) {
    ++failures;
    EXPECT_EQ(type, rtGet);
  };
  c.OnSuccess = [&](int) { ++successes; };
  c.Get(srv.url());
  EXPECT_EQ(c.ReplyNumber, 404);
  EXPECT_EQ(c.Body, "body");
  EXPECT_EQ(failures, 1);
  EXPECT_EQ(successes, 0);
}

TEST_F(HttpTest, RedirectWithCookieFollowedByGetCarryingTheCookie) {
  ScriptedServer srv(ScriptedServer::Replies(
      {"HTTP/1.0 302 Found\r\nSet-Cookie: sid=42; Path=/\r\nLocation: /next\r\n\r\nmoved",
       "HTTP/1.0 200 OK\r\n\r\narrived"}));
  THttpClient c(pump);
  c.Post(srv.url("/start"), "a=b");
  ASSERT_EQ(srv.requests().size(), 2u);
  EXPECT_EQ(srv.requests()[1], "GET /next HTTP/1.0\r\n" + Host(srv) + kAccept + "Cookie: sid=42\r\n" + kCtype + "\r\n");
  EXPECT_EQ(c.Body, "arrived");
  EXPECT_EQ(c.HeaderInfo.Cookie, "sid=42");
}

TEST_F(HttpTest, RedirectLoopEndsAfterTenRedirects) {
  ScriptedServer srv(ScriptedServer::Replies({"HTTP/1.0 301 Moved\r\nLocation: /again\r\n\r\n"}));
  THttpClient c(pump);
  try {
    c.Get(srv.url("/again"));
    FAIL();
  } catch (const EHttpError& e) {
    EXPECT_STREQ(e.what(), "Too many redirects");
  }
  EXPECT_EQ(srv.requests().size(), 11u);
}

TEST_F(HttpTest, RedirectHandlerMayTakeOver) {
  ScriptedServer srv(ScriptedServer::Replies({"HTTP/1.0 303 See\r\nLocation: http://x/\r\n\r\n"}));
  THttpClient c(pump);
  int seen = 0;
  c.OnRedirect = [&](bool& handled) {
    ++seen;
    handled = true;
  };
  c.Get(srv.url());
  EXPECT_EQ(seen, 1);
  EXPECT_EQ(c.RequestUrl(), "http://x/");
  EXPECT_EQ(srv.requests().size(), 1u);
}

TEST_F(HttpTest, ChunkedReplyToHttp10IsDechunked) {
  ScriptedServer srv([](Conn& c, int) {
    c.ReadRequest();
    c.Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5;x=1\r\nhello\r\n");
    c.Hold(50);
    c.Send("7\r\n, world\r\n0\r\nTrailer: t\r\n\r\n");
    c.Hold(2000);  // keeps the connection open: the last chunk ends the body
  });
  THttpClient c(pump);
  c.Get(srv.url());
  EXPECT_EQ(c.Body, "hello, world");
  EXPECT_FALSE(c.BodyTruncated);
}

TEST_F(HttpTest, AnnouncedLengthEndsTheBodyAndShortBodyIsMarked) {
  ScriptedServer srv([](Conn& c, int i) {
    c.ReadRequest();
    if (i == 0) {
      c.Send("HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nabc");
      c.Hold(2000);  // a keep-alive peer: the length alone ends the capture
    } else {
      c.Send("HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nabc");
    }
  });
  THttpClient c(pump);
  c.Get(srv.url());
  EXPECT_EQ(c.Body, "abc");
  EXPECT_FALSE(c.BodyTruncated);
  c.Get(srv.url());
  EXPECT_EQ(c.Body, "abc");
  EXPECT_TRUE(c.BodyTruncated);
}

TEST_F(HttpTest, HugeBodyStopsAtTheCaptureLimit) {
  ScriptedServer srv([](Conn& c, int) {
    c.ReadRequest();
    if (!c.Send("HTTP/1.0 200 OK\r\nContent-Length: 1073741824\r\n\r\n")) return;
    std::string block(1 << 20, 'z');
    for (int i = 0; i < 1024; ++i)
      if (!c.Send(block)) return;
  });
  THttpClient c(pump);
  try {
    c.Get(srv.url());
    FAIL();
  } catch (const ESockError& e) {
    EXPECT_STREQ(e.what(), "Reply body too large");
  }
  EXPECT_FALSE(c.Connected());
  EXPECT_LT(srv.sent.load(), 1073741824);
}

TEST_F(HttpTest, EndlessLineWithoutLfFails) {
  ScriptedServer srv([](Conn& c, int) {
    c.ReadRequest();
    std::string block(4096, 'h');
    for (int i = 0; i < 64; ++i)
      if (!c.Send(block)) return;
    c.Hold(2000);
  });
  THttpClient c(pump);
  try {
    c.Get(srv.url());
    FAIL();
  } catch (const ESockError& e) {
    EXPECT_STREQ(e.what(), "Line too long");
  }
}

TEST_F(HttpTest, SilenceAfterHeaderEndsOnlyByAbortFromThePump) {
  ScriptedServer srv([](Conn& c, int) {
    c.ReadRequest();
    c.Send("HTTP/1.0 200 OK\r\n\r\npart");
    c.Hold(5000);
  });
  THttpClient c(pump);
  pump.Add([&] {
    if (c.BytesReceived == 4 && pump.Calls() > 30) c.Abort();
  });
  try {
    c.Get(srv.url());
    FAIL();
  } catch (const EAbortError& e) {
    EXPECT_STREQ(e.what(), "Socket capture aborted");
  }
  EXPECT_FALSE(c.Connected());
}

TEST_F(HttpTest, EmptyAddressAndBadPort) {
  THttpClient c(pump);
  try {
    c.Get("");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Empty URL");
  }
  try {
    c.Get("http://host:8x/");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "'8x' is not a valid integer value");
  }
  try {
    c.Get("http://host:70000/");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "'70000' is not a valid port number");
  }
}

TEST_F(HttpTest, CredentialsAndHeaderInfoLines) {
  ScriptedServer srv(ScriptedServer::Replies({"HTTP/1.0 200 OK\r\n\r\n"}));
  THttpClient c(pump);
  c.HeaderInfo = {"agent/1", "me@example", "k=v", "http://ref/", "user", "pass"};
  c.Get(srv.url());
  EXPECT_EQ(srv.requests()[0], "GET / HTTP/1.0\r\n" + Host(srv) + kAccept +
                                   "User-Agent: agent/1\r\nFrom: me@example\r\nCookie: k=v\r\n"
                                   "Referer: http://ref/\r\nAuthorization: Basic dXNlcjpwYXNz\r\n" + kCtype + "\r\n");
}

TEST_F(HttpTest, LongCredentialsStayOnOneHeaderLine) {
  ScriptedServer srv(ScriptedServer::Replies({"HTTP/1.0 200 OK\r\n\r\n"}));
  THttpClient c(pump);
  c.HeaderInfo.UserId = std::string(40, 'u');
  c.HeaderInfo.Password = std::string(20, 'p');
  c.Get(srv.url());
  std::string req = srv.requests()[0];
  size_t at = req.find("Authorization: Basic ");
  ASSERT_NE(at, std::string::npos);
  std::string value = req.substr(at + 21, req.find("\r\n", at) - at - 21);
  EXPECT_EQ(value.size(), 84u);  // 61 bytes in Base64, one line
  EXPECT_EQ(req.substr(req.find("\r\n", at) + 2, 13), "Content-type:");
}

TEST_F(HttpTest, FileModesSendTheFileAndKeepTheHeaderInAFile) {
  char tmpl[] = "/tmp/bqhttp.XXXXXX";
  std::string dir = std::string(mkdtemp(tmpl)) + "/";
  test::WriteText(dir + "data.txt", "x=1+%41");
  ScriptedServer srv(ScriptedServer::Replies({"HTTP/1.0 200 OK\r\nA: b\r\n\r\nbody bytes"}));
  THttpClient c(pump);
  c.OutputFileMode = true;
  c.InputFileMode = true;
  c.Header = dir + "head.txt";
  c.Body = dir + "body.txt";
  c.Post(srv.url("/up"), dir + "data.txt");
  EXPECT_EQ(srv.requests()[0],
            "POST /up HTTP/1.0\r\n" + Host(srv) + kAccept + kCtype + "Content-Length: 7\r\n\r\nx=1+%41");
  std::string head, body;
  ASSERT_TRUE(fs::ReadFile(dir + "head.txt", head));
  ASSERT_TRUE(fs::ReadFile(dir + "body.txt", body));
  EXPECT_EQ(head, "HTTP/1.0 200 OK\r\nA: b\r\n\r\n");
  EXPECT_EQ(body, "body bytes");
  std::system(("rm -rf '" + dir + "'").c_str());
}

TEST(ExStringList, SetHeaderReplacesAppendsAndDeletes) {
  TExStringList l;
  l.Add("GET / HTTP/1.0");
  l.Add("host: a");
  l.SetHeader("Host", "b");
  l.SetHeader("X", "1");
  EXPECT_EQ(l.Lines(), (std::vector<std::string>{"GET / HTTP/1.0", "Host: b", "X: 1"}));
  l.SetHeader("HOST", "");
  EXPECT_EQ(l.Lines(), (std::vector<std::string>{"GET / HTTP/1.0", "X: 1"}));
}

TEST(RequestTypes, NamesIncludingOutOfRange) {
  EXPECT_STREQ(RequestTypeName(0), "Get");
  EXPECT_STREQ(RequestTypeName(10), "UnLink");
  EXPECT_STREQ(RequestTypeName(12), "Wrapped");
  EXPECT_STREQ(RequestTypeName(13), "(err)");
}

struct StatusCase {
  const char* line;
  int status;
};
class StatusLines : public ::testing::TestWithParam<StatusCase> {};
TEST_P(StatusLines, SecondFieldIsTheCode) { EXPECT_EQ(ParseStatusCode(GetParam().line), GetParam().status); }
INSTANTIATE_TEST_SUITE_P(All, StatusLines,
                         ::testing::Values(StatusCase{"HTTP/1.0 200 OK\r\n", 200}, StatusCase{"HTTP/1.1 404\r\n", 404},
                                           StatusCase{"HTTP/1.0 302\n", 302}, StatusCase{"HTTP/1.0 abc\r\n", 0},
                                           StatusCase{"HTTP/1.0\r\n", 0}, StatusCase{"", 0},
                                           StatusCase{"HTTP/1.0  301  Moved", 301},
                                           StatusCase{"HTTP/1.0 99999999999 x", 0}));

TEST(ReplyHeaderLines, NamedFieldsNeedABlankAfterTheColon) {
  TReplyInfo r;
  ParseHeaderLine("Set-Cookie: a=b; Path=/\r\n", r);
  ParseHeaderLine("location: http://h/x\r\n", r);
  ParseHeaderLine("Content-Length: abc 12 x\r\n", r);
  ParseHeaderLine("Transfer-Encoding: Chunked\r\n", r);
  ParseHeaderLine("Content-Type: text/html; charset=\"EUC-JP\"\r\n", r);
  ParseHeaderLine("Last-Modified: Tue, 01 Dec 2026 00:00:00 GMT\r\n", r);
  EXPECT_EQ(r.cookie, "a=b");
  EXPECT_EQ(r.location, "http://h/x");
  EXPECT_EQ(r.contentLength, 12);
  EXPECT_TRUE(r.hasContentLength && r.chunked);
  EXPECT_EQ(r.charset, "EUC-JP");
  EXPECT_EQ(r.lastModified, "Tue, 01 Dec 2026 00:00:00 GMT");
  TReplyInfo q;
  ParseHeaderLine("Location:http://nospace/\r\n", q);
  ParseHeaderLine("Content-Length: none\r\n", q);
  ParseHeaderLine("X-Location: y\r\n", q);
  EXPECT_FALSE(q.hasLocation);
  EXPECT_FALSE(q.hasContentLength);
  EXPECT_EQ(HeaderValue("HTTP/1.0 200\r\nlocation:  /a \r\nLocation: /b\r\n", "Location:"), "/a");
}

std::string Dechunk(const std::string& in, bool* ok = nullptr, size_t step = 1) {
  std::string out;
  TDechunker d([&](const char* p, size_t n) { out.append(p, n); });
  bool good = true;
  for (size_t i = 0; i < in.size(); i += step) good = d.Feed(in.data() + i, std::min(step, in.size() - i)) && good;
  if (ok) *ok = good && d.Done();
  return out;
}

TEST(Dechunker, ByteByByteAndWhole) {
  std::string in = "4\r\nWiki\r\n5\r\npedia\r\nE\r\n in\r\n\r\nchunks.\r\n0\r\n\r\nignored";
  bool ok;
  EXPECT_EQ(Dechunk(in, &ok, 1), "Wikipedia in\r\n\r\nchunks.");
  EXPECT_TRUE(ok);
  EXPECT_EQ(Dechunk(in, &ok, in.size()), "Wikipedia in\r\n\r\nchunks.");
  EXPECT_EQ(Dechunk("3\nabc\n0\n\n", &ok), "abc");
  EXPECT_TRUE(ok);
}

TEST(Dechunker, MalformedInputFails) {
  bool ok;
  for (const char* bad : {"zz\r\nab\r\n", "3\r\nabcX\r\n", "fffffffffffffffff\r\n"}) {
    Dechunk(bad, &ok);
    EXPECT_FALSE(ok) << bad;
  }
  Dechunk(std::string(5000, '1'), &ok);
  EXPECT_FALSE(ok);
  Dechunk("3\r\nab", &ok);  // not failed, but not done
  EXPECT_FALSE(ok);
}

}  // namespace
}  // namespace bq
