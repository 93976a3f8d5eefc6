// The loopback server of the demo, tests and benchmarks, fetched through the
// page fetcher.
#include "app/core/local_server.h"

#include <gtest/gtest.h>

#include "platform/events.h"
#include "platform/fs.h"
#include "tests/support/app_fixture.h"
#include "web/webaccess.h"

namespace bq::test {
namespace {

class LocalServerTest : public TestFolder {
 protected:
  void SetUp() override {
    TestFolder::SetUp();
    fs::ForceDirectories(dir + "pages/u/");
    fs::WriteFileAtomic(dir + "pages/u/index.html", "<p>u</p>");
    fs::WriteFileAtomic(dir + "pages/plain.html", "<p>plain</p>");
    fs::WriteFileAtomic(dir + "secret.txt", "no");
    web.SetCacheDir(dir + "cache/");
  }
  CallbackPump pump;
  TWebAccess web{pump, [] { return SystemProxySettings{}; }};
};

TEST_F(LocalServerTest, ServesTheFilesOfAFolderWithTheirCharset) {
  app::TLocalServer server(app::FolderHandler(dir + "pages", {{"u", "UTF-8"}}));
  EXPECT_EQ(web.GetPage(server.Url("/plain.html?x=1"), false), "<p>plain</p>");
  EXPECT_EQ(web.ReplyNo(), 200);
  EXPECT_EQ(web.Reply.contentType, "text/html");
  EXPECT_EQ(web.GetPage(server.Url("/u/"), false), "<p>u</p>");
  EXPECT_EQ(web.Reply.contentType, "text/html; charset=UTF-8");
  web.GetPage(server.Url("/missing.html"), false);
  EXPECT_EQ(web.ReplyNo(), 404);
  web.GetPage(server.Url("/../secret.txt"), false);
  EXPECT_EQ(web.ReplyNo(), 404);
  EXPECT_EQ(server.Requests(), 4);
}

TEST_F(LocalServerTest, PassesMethodTargetAndBodyToTheHandler) {
  app::LocalRequest seen;
  app::TLocalServer server([&seen](const app::LocalRequest& r) {
    seen = r;
    return app::LocalResponse{200, "text/plain", "ok"};
  });
  EXPECT_EQ(web.PostPage(server.Url("/f?q=1"), "a=1&b=2"), "ok");
  EXPECT_EQ(seen.method, "POST");
  EXPECT_EQ(seen.target, "/f?q=1");
  EXPECT_EQ(seen.body, "a=1&b=2");
}

}  // namespace
}  // namespace bq::test
