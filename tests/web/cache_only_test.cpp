// The fetcher's cache-only mode: pages come from the cache whatever their
// age, nothing is ever sent, and a page that is not cached fails like a
// failed fetch.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include "platform/fs.h"
#include "scripted_server.h"
#include "testutil.h"
#include "web/webaccess.h"
#include "web/webtexts.h"

namespace bq {
namespace {

using test::ScriptedServer;

SystemProxySettings NoProxy() { return {}; }

const char* kReply = "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nfresh";

class CacheOnlyTest : public test::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    web.SetCacheDir(dir_ + "cache/");
    web.StatusBar = &panels;
  }
  CallbackPump pump;
  TStatusPanels panels;
  TWebAccess web{pump, NoProxy};
};

TEST_F(CacheOnlyTest, OffByDefaultAndThenEveryPageComesFromTheCacheWithoutARequest) {
  ScriptedServer srv(ScriptedServer::Replies({kReply, kReply, kReply}));
  std::string url = srv.url("/p");
  EXPECT_FALSE(web.CacheOnly);
  EXPECT_EQ(web.GetPage(url, false), "fresh");
  ASSERT_EQ(srv.connections(), 1);
  // A copy of thirty days would be fetched again normally; here it answers,
  // also when the script did not ask for the cache.
  std::string f = web.CacheFileName(url);
  utimbuf t{time(nullptr) - 30 * 86400, time(nullptr) - 30 * 86400};
  ASSERT_EQ(utime(fs::ToOsPath(f).c_str(), &t), 0);
  web.CacheOnly = true;
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(web.GetPage(url, false), "fresh");
    EXPECT_EQ(web.ReplyNo(), 999);
  }
  EXPECT_EQ(srv.connections(), 1);
}

TEST_F(CacheOnlyTest, UncachedPagesAndOtherOperationsFailAsAFailedFetch) {
  ScriptedServer srv(ScriptedServer::Replies({kReply}));
  web.CacheOnly = true;
  std::string url = srv.url("/missing");
  EXPECT_EQ(web.GetPage(url, true), "");
  EXPECT_EQ(web.ReplyNo(), 406);
  EXPECT_EQ(panels.panels[0], webtext::kNotInCache);
  EXPECT_EQ(panels.panels[1], url);
  EXPECT_EQ(web.PostPage(url, "a=1"), "");
  EXPECT_EQ(web.ReplyNo(), 406);
  EXPECT_EQ(web.HeadPage(url), "");
  EXPECT_THROW(web.DownloadFile(url, dir_ + "d.bin"), EHttpError);
  EXPECT_FALSE(fs::FileExists(dir_ + "d.bin"));
  EXPECT_EQ(srv.connections(), 0);
  // Switched off again, the same page is fetched as usual.
  web.CacheOnly = false;
  EXPECT_EQ(web.GetPage(url, true), "fresh");
  EXPECT_EQ(srv.connections(), 1);
}

TEST_F(CacheOnlyTest, AFailedLookupKeepsTheCachedCopyAndStopStillRaises) {
  ScriptedServer srv(ScriptedServer::Replies({kReply}));
  std::string url = srv.url("/kept");
  ASSERT_EQ(web.GetPage(url, true), "fresh");
  web.CacheOnly = true;
  EXPECT_EQ(web.PostPage(url, "x"), "");
  EXPECT_TRUE(fs::FileExists(web.CacheFileName(url)));
  web.StopTransfer();
  EXPECT_THROW(web.GetPage(srv.url("/other"), true), EHttpError);
  EXPECT_EQ(srv.connections(), 1);
}

}  // namespace
}  // namespace bq
