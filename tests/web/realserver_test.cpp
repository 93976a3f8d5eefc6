// The client against real servers: nginx over HTTP and HTTPS, tinyproxy.
#include <gtest/gtest.h>
#include <utime.h>

#include "local_servers.h"
#include "platform/fs.h"
#include "testutil.h"
#include "web/webaccess.h"

namespace bq {
namespace {

class RealServerTest : public test::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    if (!test::HaveProgram(test::Nginx::kBinary)) GTEST_SKIP() << "nginx is not installed (" << test::Nginx::kBinary << ")";
    if (!test::HaveProgram("/usr/bin/openssl")) GTEST_SKIP() << "the openssl command is not installed";
    ASSERT_TRUE(nginx.Start(dir_)) << nginx.error;
    page = "<html><body>\r\nstatic page\r\n</body></html>\r\n";
    test::WriteText(nginx.html + "index.html", page);
    utimbuf t{1796580000 - 9 * 3600, 1796580000 - 9 * 3600};  // 2026-12-06 09:00 UTC
    utime((nginx.html + "index.html").c_str(), &t);
    web.SetCacheDir(dir_ + "cache/");
  }
  test::Nginx nginx;
  std::string page;
  CallbackPump pump;
  TWebAccess web{pump, [] { return SystemProxySettings(); }};
};

TEST_F(RealServerTest, StaticPageOverHttp) {
  EXPECT_EQ(web.GetPage(nginx.Url("/index.html"), false), "<html><body>\r\nstatic page\r\n</body></html>");
  EXPECT_EQ(web.ReplyNo(), 200);
  EXPECT_EQ(web.DocDate(), 1796580000u);
  EXPECT_NE(web.GetPage(nginx.Url("/missing.html"), false).find("404 Not Found"), std::string::npos);
  EXPECT_EQ(web.ReplyNo(), 404);
  std::string head = web.HeadPage(nginx.Url("/index.html"));
  EXPECT_EQ(head.substr(0, 17), "HTTP/1.1 200 OK\r\n");
  EXPECT_NE(head.find("Content-Length: " + std::to_string(page.size())), std::string::npos);
}

TEST_F(RealServerTest, DownloadOfALargeFile) {
  std::string big(3 << 20, 'b');
  test::WriteText(nginx.html + "big.bin", big);
  std::string file = dir_ + "big.copy";
  EXPECT_EQ(web.DownloadFile(nginx.Url("/big.bin"), file), static_cast<std::int64_t>(big.size()));
  std::string got;
  ASSERT_TRUE(fs::ReadFile(file, got));
  EXPECT_TRUE(got == big);
}

TEST_F(RealServerTest, HttpsWithTheTestCa) {
  web.CaFile = nginx.certs.ca;
  EXPECT_EQ(web.GetPage(nginx.TlsUrl("/index.html"), false), "<html><body>\r\nstatic page\r\n</body></html>");
  EXPECT_EQ(web.ReplyNo(), 200);
  // The name form of the address is checked against the certificate too.
  EXPECT_EQ(web.GetPage("https://localhost:" + std::to_string(nginx.tlsPort) + "/index.html", false).size(),
            page.size() - 2);
}

std::string FetchError(THttpClient& c, const std::string& url) {
  try {
    c.Get(url);
  } catch (const Exception& e) {
    return e.what();
  }
  return "no failure";
}

TEST_F(RealServerTest, FailedVerificationSaysWhy) {
  THttpClient c(pump);
  EXPECT_EQ(FetchError(c, nginx.TlsUrl("/index.html")),
            "TLS: certificate verification failed: unable to get local issuer certificate");
  c.CaFile = nginx.certs.ca;
  EXPECT_EQ(FetchError(c, nginx.TlsUrl("/index.html", nginx.otherTlsPort)),
            "TLS: certificate verification failed: IP address mismatch");
  EXPECT_EQ(FetchError(c, "https://localhost:" + std::to_string(nginx.otherTlsPort) + "/"),
            "TLS: certificate verification failed: hostname mismatch");
  EXPECT_FALSE(c.Connected());
  // The page operation takes it as a failed fetch.
  web.CaFile.clear();
  EXPECT_EQ(web.GetPage(nginx.TlsUrl("/index.html"), false), "");
  EXPECT_EQ(web.ReplyNo(), 406);
}

TEST_F(RealServerTest, PlainHttpToTheTlsPortFailsCleanly) {
  EXPECT_EQ(web.GetPage("http://127.0.0.1:" + std::to_string(nginx.tlsPort) + "/index.html", false).empty(), false);
  EXPECT_EQ(web.ReplyNo(), 400);  // nginx answers plain HTTP on a TLS port with 400
}

class ProxyServerTest : public RealServerTest {
 protected:
  void SetUp() override {
    RealServerTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    if (!test::HaveProgram(test::TinyProxy::kBinary))
      GTEST_SKIP() << "tinyproxy is not installed (" << test::TinyProxy::kBinary << ")";
    ASSERT_TRUE(proxy.Start(dir_)) << "tinyproxy did not start";
  }
  test::TinyProxy proxy;
};

TEST_F(ProxyServerTest, ProxyIsUsedUnlessBypassed) {
  std::string bypass;
  TWebAccess w(pump, [&] {
    return SystemProxySettings{true, true, "ftp=nowhere:21;http=127.0.0.1:" + std::to_string(proxy.port), bypass};
  });
  EXPECT_EQ(w.GetPage(nginx.Url("/index.html"), false), "<html><body>\r\nstatic page\r\n</body></html>");
  EXPECT_EQ(w.ReplyNo(), 200);
  EXPECT_NE(HeaderValue(w.Header, "X-Via:").find("tinyproxy"), std::string::npos) << w.Header;
  bypass = "*.example;127.0.0.1";
  EXPECT_EQ(w.GetPage(nginx.Url("/index.html"), false).size(), page.size() - 2);
  EXPECT_EQ(HeaderValue(w.Header, "X-Via:"), "");
  // A dotless host with <local> goes direct as well.
  bypass = "<local>";
  EXPECT_EQ(w.GetPage("http://localhost:" + std::to_string(nginx.port) + "/index.html", false).size(), page.size() - 2);
  EXPECT_EQ(HeaderValue(w.Header, "X-Via:"), "");
}

TEST_F(ProxyServerTest, HttpsGoesThroughTheProxyInATunnelWithTheCertificateChecked) {
  TWebAccess w(pump, [&] {
    return SystemProxySettings{true, true, "127.0.0.1:" + std::to_string(proxy.port), ""};
  });
  w.CaFile = nginx.certs.ca;
  EXPECT_EQ(w.GetPage(nginx.TlsUrl("/index.html"), false), "<html><body>\r\nstatic page\r\n</body></html>");
  EXPECT_EQ(w.ReplyNo(), 200);
  EXPECT_EQ(w.Proxy, "127.0.0.1");
  // The host name is checked inside the tunnel as on a direct connection.
  THttpClient c(pump);
  c.Proxy = "127.0.0.1";
  c.ProxyPort = proxy.port;
  c.CaFile = nginx.certs.ca;
  EXPECT_EQ(FetchError(c, nginx.TlsUrl("/index.html", nginx.otherTlsPort)),
            "TLS: certificate verification failed: IP address mismatch");
  c.Get(nginx.TlsUrl("/index.html"));
  EXPECT_EQ(c.ReplyNumber, 200);
  EXPECT_EQ(c.RequestLines()[0], "GET /index.html HTTP/1.0");
}

}  // namespace
}  // namespace bq
