// brindlequay-cli against the tests' own servers for what real sites need:
// the safety limit of headless runs (set short through --settings FILE with
// UNATTENDEDLIMIT), HTTPTIMEOUT in its place, and a folder's cookie jar that
// keeps a login from one run (process) to the next.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/fs.h"
#include "tests/support/app_fixture.h"
#include "tests/web/scripted_server.h"
#include "textlib/cp932.h"

namespace bq::test {
namespace {

// A run's result with its wall time.
struct Result : ProcessResult {
  std::int64_t ms = 0;
};

const char* kFetchOne = "SCRIPT one;\r\nBEGIN\r\n  GET(%URL%);\r\n  PACK(0: 1, 3: _, 2: 1000);\r\n  PUTLOG(0)\r\nEND.\r\n";
const char* kLogin =
    "SCRIPT login;\r\nBEGIN\r\n  GET(%URL% + 'login');\r\n  GET(%URL% + 'members');\r\n"
    "  PACK(0: 1, 3: _, 2: 1000);\r\n  PUTLOG(0)\r\nEND.\r\n";
const char* kMembers =
    "SCRIPT members;\r\nBEGIN\r\n  GET(%URL% + 'members');\r\n  PACK(0: 2, 3: _, 2: 1001);\r\n  PUTLOG(0)\r\nEND.\r\n";

class CliFetchTest : public TestFolder {
 protected:
  void SetUp() override {
    TestFolder::SetUp();
    for (auto [name, text] : {std::pair{"template.pss", kFetchOne}, {"one.pss", kFetchOne}, {"login.pss", kLogin},
                              {"members.pss", kMembers}})
      fs::WriteFileAtomic(Libs() + name, text);
  }
  void Settings(const std::string& text) { fs::WriteFileAtomic(dir + "settings.ini", text); }
  Result Cli(const std::string& args) {
    auto t0 = std::chrono::steady_clock::now();
    Result r{TestFolder::Cli(args, "--settings " + dir + "settings.ini ")};
    r.ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
    return r;
  }
  void AddSite(const std::string& name, const std::string& url, const std::string& script) {
    Result r = Cli("folder add " + name + " --url " + url + " --script " + script + " --round");
    ASSERT_EQ(r.status, 0) << r.err;
  }
};

// Accepts, reads the request and then says nothing until it is stopped.
ScriptedServer::Script Silent() {
  return [](Conn& c, int) {
    c.ReadRequest();
    c.Hold(120000);
  };
}

TEST_F(CliFetchTest, ASilentServerEndsAHeadlessRunAfterTheSafetyLimit) {
  ScriptedServer srv(Silent());
  Settings("UNATTENDEDLIMIT=2\r\n");
  AddSite("a", srv.url("/quiet"), "one.pss");
  Result r = Cli("run a");
  EXPECT_EQ(r.status, 1);
  EXPECT_GE(r.ms, 1900);
  EXPECT_LT(r.ms, 8000);
  EXPECT_NE(r.err.find("読込みを中断しました: 2 秒間応答がありません"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(srv.url("/quiet")), std::string::npos) << r.err;
  // The run ended there, as a Stop ends it: the script stored nothing.
  EXPECT_EQ(r.out, "0 new, 0 unread, 0 total\n");
  Result round = Cli("round");
  EXPECT_NE(round.out.find("a/: error: 読込みを中断しました: 2 秒間応答がありません"), std::string::npos) << round.out;
  EXPECT_LT(round.ms, 8000);
}

TEST_F(CliFetchTest, WithTheTimeoutSetAt30TheRunEndsAfter30Seconds) {
  ScriptedServer srv(Silent());
  Settings("HTTPTIMEOUT=30\r\nUNATTENDEDLIMIT=2\r\n");
  AddSite("a", srv.url("/quiet"), "one.pss");
  Result r = Cli("run a");
  EXPECT_EQ(r.status, 1);
  EXPECT_GE(r.ms, 29900);
  EXPECT_LT(r.ms, 40000);
  EXPECT_NE(r.err.find("読込みを中断しました: 30 秒間応答がありません"), std::string::npos) << r.err;
}

// A members' page that needs the session cookie its login page sets.
ScriptedServer::Script Members() {
  return [](Conn& c, int) {
    std::string req = c.ReadRequest();
    if (req.rfind("GET /login ", 0) == 0) {
      c.Send("HTTP/1.0 200 OK\r\nSet-Cookie: sid=s3cret; Path=/; HttpOnly\r\nSet-Cookie: brief=1; Max-Age=2\r\n"
             "Set-Cookie: elsewhere=1; Path=/other\r\n\r\nwelcome");
    } else {
      bool in = req.find("\r\nCookie: sid=s3cret") != std::string::npos;
      c.Send(std::string("HTTP/1.0 200 OK\r\n\r\n") + (in ? "members only" : "please log in"));
    }
  };
}

TEST_F(CliFetchTest, SavedCookiesKeepALoginForTheNextRun) {
  ScriptedServer srv(Members());
  AddSite("a", srv.url("/"), "login.pss");
  AddSite("b", srv.url("/"), "login.pss");
  ASSERT_EQ(Cli("folder set a SaveCookies=1").status, 0);
  EXPECT_NE(Cli("folder show a").out.find("\nSaveCookies=1\n"), std::string::npos);
  EXPECT_NE(Cli("folder show b").out.find("\nSaveCookies=0\n"), std::string::npos);
  EXPECT_EQ(Cli("folder set a SaveCookies=2").status, 2);
  std::string node;
  ASSERT_TRUE(fs::ReadFile(dir + "data/Log/a/kvlnode.web", node));
  EXPECT_NE(node.find("\r\nSaveCookies=1\r\n"), std::string::npos);

  ASSERT_EQ(Cli("run a").status, 0);
  ASSERT_EQ(Cli("run b").status, 0);
  auto req = srv.requests();
  ASSERT_EQ(req.size(), 4u);
  EXPECT_NE(req[1].find("\r\nCookie: sid=s3cret; brief=1\r\n"), std::string::npos) << req[1];
  EXPECT_EQ(req[3].find("Cookie:"), std::string::npos) << req[3];  // b keeps no cookies
  std::string jar;
  ASSERT_TRUE(fs::ReadFile(dir + "data/Log/a/cookies.txt", jar));
  EXPECT_NE(jar.find("127.0.0.1\tFALSE\t/\tFALSE\t0\tsid\ts3cret\r\n"), std::string::npos) << jar;
  EXPECT_FALSE(fs::FileExists(dir + "data/Log/b/cookies.txt"));

  // The next run, a new process, goes straight to the members' page.
  ASSERT_EQ(Cli("folder set a ScriptName=members.pss").status, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(2100));  // brief expires
  ASSERT_EQ(Cli("run a").status, 0);
  req = srv.requests();
  ASSERT_EQ(req.size(), 5u);
  EXPECT_EQ(req[4].substr(0, 22), "GET /members HTTP/1.0\r");
  EXPECT_NE(req[4].find("\r\nCookie: sid=s3cret\r\n"), std::string::npos) << req[4];
  Result list = Cli("list a");
  EXPECT_NE(list.out.find("members only"), std::string::npos) << list.out;
  ASSERT_TRUE(fs::ReadFile(dir + "data/Log/a/cookies.txt", jar));
  EXPECT_EQ(jar.find("brief"), std::string::npos) << jar;  // expired cookies leave the file
}

}  // namespace
}  // namespace bq::test
