// brindlequay-cli with feed folders: folder add --feed, rounds and runs,
// folder show, find and export as for script folders, and OPML out and in.
#include <gtest/gtest.h>

#include "tests/cli/cli_runner.h"

namespace bq::test {
namespace {

const char* kFeed = R"(<?xml version="1.0" encoding="UTF-8"?>
<rss version="2.0"><channel><title>ニュース</title><link>http://site.example/</link>
<item><guid>g1</guid><title>一つ目</title><description>&lt;p&gt;本文その一&lt;/p&gt;</description>
<pubDate>Wed, 01 May 2024 00:00:00 GMT</pubDate></item>
<item><guid>g2</guid><title>二つ目</title><description>本文その二</description>
<pubDate>Thu, 02 May 2024 00:00:00 GMT</pubDate></item>
</channel></rss>)";

class FeedCli : public CliRunner {
 protected:
  void SetUp() override {
    CliRunner::SetUp();
    for (const char* lib : {"template.pss", "export_text.pss"}) {
      std::string text;
      ASSERT_TRUE(fs::ReadFile(std::string(BQ_SOURCE_DIR) + "/libs/" + lib, text));
      fs::WriteFileAtomic(dir + "libs/" + lib, text);
    }
    Page("/index.html", "<head><link rel=\"alternate\" type=\"application/rss+xml\" href=\"/rss.xml\"></head>");
    Page("/rss.xml", kFeed);
  }
};

TEST_F(FeedCli, AFeedFolderTakesPartInRoundsFindShowAndExport) {
  ProcessResult add = Cli("folder add news --feed " + Url("/index.html") + " --round");
  ASSERT_EQ(add.status, 0) << add.err;
  ProcessResult round = Cli("round");
  EXPECT_EQ(round.status, 0) << round.err;
  EXPECT_NE(("\n" + round.out).find("\nnews/: 2 unread\n"), std::string::npos) << round.out;
  EXPECT_NE(round.out.find("Unread Total: 2"), std::string::npos);
  EXPECT_EQ(round.err.find("news/"), std::string::npos) << round.err;

  ProcessResult run = Cli("run news");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "0 new, 2 unread, 2 total\n");

  ProcessResult show = Cli("folder show news");
  EXPECT_EQ(show.out.find("SiteUrl=" + Url("/index.html") + "\n"), 0u) << show.out;
  EXPECT_NE(show.out.find("\nFeed=" + Url("/rss.xml") + "\n"), std::string::npos) << show.out;
  EXPECT_NE(show.out.find("  HTTP 200: 2 件 (新着 0, 更新 0)\n"), std::string::npos) << show.out;

  ProcessResult find = Cli("find news その二");
  EXPECT_EQ(find.status, 0);
  EXPECT_NE(find.out.find("二つ目"), std::string::npos) << find.out;

  ProcessResult exported = Cli("export news " + dir + "out.txt");
  EXPECT_EQ(exported.status, 0) << exported.err;
  std::string text;
  ASSERT_TRUE(fs::ReadFile(dir + "out.txt", text));
  EXPECT_NE(SjisToUtf8(text).find("本文その一"), std::string::npos);
}

TEST_F(FeedCli, AFeedThatCannotBeReadIsAFailedFetch) {
  Page("/bad.xml", "<rss><channel><item><title>ok</title></item><item><title>cut");
  ASSERT_EQ(Cli("folder add bad --feed " + Url("/bad.xml")).status, 0);
  ProcessResult run = Cli("run bad");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "1 new, 1 unread, 1 total\n");
  EXPECT_EQ(run.err.rfind("fetch failed: GET " + Url("/bad.xml") + ": XML の誤り (1 行 ", 0), 0u) << run.err;
}

TEST_F(FeedCli, OpmlGoesOutAndComesBackIntoAnotherDataFolder) {
  ASSERT_EQ(Cli("folder add news --feed " + Url("/rss.xml") + " --round").status, 0);
  ASSERT_EQ(Cli("folder add boards/b --url http://bbs.example/ --script board.pss").status, 0);
  ProcessResult out = Cli("opml export");
  ASSERT_EQ(out.status, 0);
  EXPECT_NE(out.out.find("<outline type=\"rss\" text=\"news\" title=\"news\" xmlUrl=\"" + Url("/rss.xml") + "\"/>"),
            std::string::npos)
      << out.out;
  EXPECT_NE(out.out.find("<outline type=\"brindlequay-script\" text=\"b\" url=\"http://bbs.example/\" script=\"board.pss\"/>"),
            std::string::npos);
  fs::WriteFileAtomic(dir + "subs.opml", out.out);
  ProcessResult in = RunProcess(std::string(BQ_CLI_PATH) + " --data " + dir + "other --libs " + dir + "libs opml import " +
                                dir + "subs.opml",
                            dir + "stderr.txt");
  EXPECT_EQ(in.status, 0) << in.err;
  EXPECT_EQ(in.out, "boards/b/\nnews/\n1 feed folders, 1 script folders, 1 folders created; 0 already there\n");
  ProcessResult again = RunProcess(std::string(BQ_CLI_PATH) + " --data " + dir + "other --libs " + dir + "libs opml export",
                               dir + "stderr.txt");
  EXPECT_EQ(again.out, out.out);
  EXPECT_EQ(Cli("opml export boards").out.find("news"), std::string::npos);
}

TEST_F(FeedCli, FolderSetTurnsAScriptFolderIntoAFeedFolderAndBack) {
  ASSERT_EQ(Cli("folder add s --url http://s.example/ --script board.pss").status, 0);
  EXPECT_NE(Cli("folder show s").out.find("\nFeed=\n"), std::string::npos);
  ASSERT_EQ(Cli("folder set s Feed=" + Url("/rss.xml") + " FeedUpdateUnread=1").status, 0);
  ProcessResult show = Cli("folder show s");
  EXPECT_NE(show.out.find("\nFeed=" + Url("/rss.xml") + "\n"), std::string::npos) << show.out;
  EXPECT_NE(show.out.find("\nFeedUpdateUnread=1\n"), std::string::npos);
  EXPECT_NE(show.out.find("\nFeedReply=\n"), std::string::npos);  // not fetched yet
  EXPECT_EQ(Cli("run s").out, "2 new, 2 unread, 2 total\n");
  ASSERT_EQ(Cli("folder set s Feed=").status, 0);
  show = Cli("folder show s");
  EXPECT_NE(show.out.find("\nFeed=\n"), std::string::npos) << show.out;
  EXPECT_EQ(show.out.find("FeedReply="), std::string::npos);
}

TEST_F(FeedCli, UsageErrors) {
  const std::pair<const char*, int> cases[] = {
      {"folder add x --feed http://a/ --script s.pss", 2},
      {"folder add x --feed http://a/ --url http://b/", 2},
      {"folder add x --url http://a/ --script s.pss --update-unread", 2},
      {"opml", 2},
      {"opml import", 2},
      {"opml export a b", 2},
      {"opml import /nonexistent.opml", 1},
      {"opml export nowhere", 1},
  };
  for (const auto& [args, status] : cases) EXPECT_EQ(Cli(args).status, status) << args;
}

}  // namespace
}  // namespace bq::test
