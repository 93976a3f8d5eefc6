#include "web/sockclient.h"

#include <gtest/gtest.h>
#include <netinet/in.h>

#include <cerrno>
#include <cstring>

#include "scripted_server.h"
#include "web/httpclient.h"
#include "web/sockcalls.h"

namespace bq {
namespace {

using test::Conn;
using test::ScriptedServer;

class SockClientTest : public ::testing::Test {
 protected:
  void TearDown() override { sockcalls::CurrentHooks() = sockcalls::RealHooks(); }
  CallbackPump pump;
};

TEST(SockErrors, TableTextsAndUnknownCodes) {
  EXPECT_EQ(SockErrorText(10061), "10061:Connection refused");
  EXPECT_EQ(SockErrorText(11003), "11003:Non-Recoverable error: FORMERR, REFUSED, NOTIMP");
  EXPECT_EQ(SockErrorText(10004), "10004:Interrupted system call");
  EXPECT_EQ(SockErrorText(12345), "Unknown Error No. 12345");
  EXPECT_EQ(SockErrorText(0), "Unknown Error No. 0");
  EXPECT_EQ(SockErrorFromErrno(ECONNREFUSED), 10061);
  EXPECT_EQ(SockErrorFromErrno(ECONNRESET), 10054);
  EXPECT_EQ(SockErrorFromErrno(EAGAIN), 10035);
  EXPECT_EQ(SockErrorFromLookup(EAI_NONAME), 11001);
}

TEST_F(SockClientTest, LfOnlyLineKeepsRestBuffered) {
  ScriptedServer srv([](Conn& c, int) { c.Send("a\nb\r\nrest"); });
  TSockClient s(pump);
  s.Host = "127.0.0.1";
  s.Port = srv.port();
  int resolved = 0;
  s.OnHostResolved = [&] { ++resolved; };
  s.Connect();
  EXPECT_EQ(s.ReadLn(), "a\n");
  EXPECT_EQ(s.ReadLn(), "b\r\n");
  EXPECT_EQ(s.CaptureString(-1), "rest");
  EXPECT_FALSE(s.Connected());
  EXPECT_EQ(resolved, 0);  // a dotted address needs no lookup
}

TEST_F(SockClientTest, StatusTextsFollowTheReportLevel) {
  ScriptedServer srv([](Conn& c, int) { c.Send("x\n"); });
  TSockClient s(pump);
  std::vector<std::string> seen;
  s.OnStatus = [&](const std::string& t) { seen.push_back(t); };
  s.Host = "127.0.0.1";
  s.Port = srv.port();
  s.ReportLevel = 4;
  s.Connect();
  s.Disconnect();
  EXPECT_EQ(seen, (std::vector<std::string>{"Request Close Socket"}));
  seen.clear();
  s.ReportLevel = 8;
  s.Connect();
  EXPECT_EQ(s.ReadLn(), "x\n");
  s.Disconnect();
  std::vector<std::string> want = {"Connecting", "Resolve Host", "Timer On", "Timer Off", "ReadLn", "ReadToStream"};
  ASSERT_GE(seen.size(), want.size() + 2);
  EXPECT_EQ(std::vector<std::string>(seen.begin(), seen.begin() + 6), want);
  EXPECT_EQ(seen.end()[-2], "Disconnecting");
  EXPECT_EQ(seen.back(), "Request Close Socket");
}

TEST_F(SockClientTest, CaptureWithoutLimitEndsOnlyWhenPeerCloses) {
  ScriptedServer srv([](Conn& c, int) {
    c.Send("one ");
    c.Hold(150);
    c.Send("two");
  });
  TSockClient s(pump);
  s.Host = "127.0.0.1";
  s.Port = srv.port();
  s.Connect();
  EXPECT_EQ(s.CaptureString(-1), "one two");
}

TEST_F(SockClientTest, TextWriteSendsAtMost16384BytesAndStopsAtNul) {
  ScriptedServer srv([](Conn& c, int) {
    std::string got;
    char buf[65536];
    pollfd p{c.fd(), POLLIN, 0};
    while (::poll(&p, 1, 300) > 0) {
      ssize_t n = ::recv(c.fd(), buf, sizeof buf, 0);
      if (n <= 0) break;
      got.append(buf, static_cast<size_t>(n));
    }
    c.Send(std::to_string(got.size()) + ":" + got.substr(got.size() - 3) + "\n");
  });
  TSockClient s(pump);
  s.Host = "127.0.0.1";
  s.Port = srv.port();
  s.Connect();
  s.Write(std::string(20000, 'x'));
  s.Write(std::string("ab\0cd", 5));
  EXPECT_EQ(s.ReadLn(), "16386:xab\n");
}

TEST_F(SockClientTest, SendToAPeerThatResetIsAnErrorNotAHang) {
  ScriptedServer srv([](Conn& c, int) {
    // Reset only once data arrives, so the reset cannot overtake the
    // client's connect.
    char buf[256];
    ::recv(c.fd(), buf, sizeof buf, 0);
    linger lg{1, 0};
    setsockopt(c.fd(), SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
  });
  TSockClient s(pump);
  std::string reported;
  s.OnError = [&](const std::string& t) { reported = t; };
  s.Host = "127.0.0.1";
  s.Port = srv.port();
  s.Connect();
  try {
    for (int i = 0; i < 100; ++i) s.WriteBytes(std::string(1 << 20, 'w'));
    FAIL();
  } catch (const ESockError& e) {
    std::string m = e.what();
    EXPECT_TRUE(m == "10054:Connection reset by peer" || m == "10058:Can't send after socket shutdown" ||
                m == "10057:Socket is not connected")
        << m;
  }
}

TEST_F(SockClientTest, TransactionTakesLeadingDigits) {
  ScriptedServer srv([](Conn& c, int) {
    char buf[256];
    ::recv(c.fd(), buf, sizeof buf, 0);
    c.Send("250 Fine\r\n");
  });
  TSockClient s(pump);
  std::vector<std::string> statuses;
  s.OnStatus = [&](const std::string& t) { statuses.push_back(t); };
  s.Host = "127.0.0.1";
  s.Port = srv.port();
  s.Connect();
  EXPECT_EQ(s.Transaction("HELO"), "250 Fine\r\n");
  EXPECT_EQ(s.ReplyNumber, 250);
  EXPECT_EQ(statuses.back(), "250 Fine\r\n");  // reported at level 1
}

TEST_F(SockClientTest, RefusedConnectionRaisesEventThenConnectionFailed) {
  int port;
  { ScriptedServer gone(ScriptedServer::Replies({""})); port = gone.port(); }
  TSockClient s(pump);
  s.Host = "127.0.0.1";
  s.Port = port;
  bool failed = false;
  s.OnConnectionFailed = [&] { failed = true; };
  try {
    s.Connect();
    FAIL();
  } catch (const ESockError& e) {
    EXPECT_STREQ(e.what(), "Connection Failed");
  }
  EXPECT_TRUE(failed);
  EXPECT_EQ(s.LastError, 10061);
}

int FailingLookup(const char*, const char*, const addrinfo*, addrinfo**) { return EAI_NONAME; }

TEST_F(SockClientTest, FailedLookupGivesNullRemoteAddressUnlessHandled) {
  sockcalls::CurrentHooks().getaddrinfo = FailingLookup;
  TSockClient s(pump);
  s.Host = "nowhere.test";
  s.Port = 1;
  int asked = 0;
  s.OnInvalidHost = [&](bool& handled) {
    ++asked;
    handled = false;
  };
  try {
    s.Connect();
    FAIL();
  } catch (const ESockError& e) {
    EXPECT_STREQ(e.what(), "Null Remote Address");
  }
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(s.LastError, 11001);
  // A handler that fixes the host makes Connect resolve once more.
  ScriptedServer srv(ScriptedServer::Replies({"hi\n"}));
  s.Port = srv.port();
  s.OnInvalidHost = [&](bool& handled) {
    s.Host = "127.0.0.1";
    handled = true;
  };
  s.Connect();
  s.Write("\r\n\r\n");
  EXPECT_EQ(s.ReadLn(), "hi\n");
}

int SlowLookup(const char* node, const char* service, const addrinfo* hints, addrinfo** res) {
  ::usleep(400 * 1000);
  return ::getaddrinfo(node, service, hints, res);
}

TEST_F(SockClientTest, LookupRunsWhileEventsArePumpedAndCanBeCanceled) {
  sockcalls::CurrentHooks().getaddrinfo = SlowLookup;
  THttpClient s(pump);
  s.Host = "localhost";
  s.Port = 1;
  pump.Add([&] {
    if (pump.Calls() == 5) s.Abort();
  });
  try {
    s.Connect();
    FAIL();
  } catch (const ESockError& e) {
    EXPECT_STREQ(e.what(), "Host Lookup Canceled");
  }
  EXPECT_EQ(pump.Calls(), 5u);
}

TEST_F(SockClientTest, LookupTimesOutWithTheComponentTimer) {
  sockcalls::CurrentHooks().getaddrinfo = SlowLookup;
  TSockClient s(pump);
  s.Host = "localhost";
  s.Port = 1;
  s.TimeOut = 50;
  try {
    s.Connect();
    FAIL();
  } catch (const ESockError& e) {
    EXPECT_STREQ(e.what(), "Host Lookup Timed Out");
  }
}

int TwoAddressLookup(const char*, const char*, const addrinfo* hints, addrinfo** res) {
  addrinfo numeric = *hints;
  numeric.ai_flags |= AI_NUMERICHOST;
  addrinfo *v6 = nullptr, *v4 = nullptr;
  if (::getaddrinfo("127.0.0.1", nullptr, &numeric, &v4) != 0) return EAI_FAIL;
  if (::getaddrinfo("::1", nullptr, &numeric, &v6) != 0) {
    *res = v4;
    return 0;
  }
  addrinfo* last = v6;
  while (last->ai_next) last = last->ai_next;
  last->ai_next = v4;
  *res = v6;
  return 0;
}

TEST_F(SockClientTest, ResolvedNameRaisesEventAndEveryAddressIsTried) {
  ScriptedServer srv(ScriptedServer::Replies({"ok\n"}));  // listens on 127.0.0.1 only
  sockcalls::CurrentHooks().getaddrinfo = TwoAddressLookup;
  TSockClient s(pump);
  s.Host = "dual.test";
  s.Port = srv.port();
  int resolved = 0;
  s.OnHostResolved = [&] { ++resolved; };
  s.Connect();
  EXPECT_EQ(resolved, 1);
  s.Write("x\r\n\r\n");
  EXPECT_EQ(s.ReadLn(), "ok\n");
}

TEST_F(SockClientTest, ConnectCanBeCanceledFromThePump) {
  // A listener whose queue is full never completes another handshake.
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
  THttpClient s(pump);
  s.Host = "127.0.0.1";
  s.Port = ntohs(a.sin_port);
  bool inConnect = false;
  s.OnStatus = [&](const std::string& t) { inConnect = inConnect || t == "Timer On"; };
  s.ReportLevel = 8;
  pump.Add([&] {
    if (inConnect && pump.Calls() > 20) s.Abort();
  });
  std::string msg;
  try {
    s.Connect();
  } catch (const ESockError& e) {
    msg = e.what();
  }
  for (int f : fillers) ::close(f);
  ::close(lfd);
  if (msg.empty()) GTEST_SKIP() << "the kernel accepted a connection beyond the listen queue";
  EXPECT_EQ(msg, "Connection Canceled");
}

}  // namespace
}  // namespace bq
