// show, mark, delete, clear and find against a generated folder; folder add
// options and the Charset option; how run, round, compile and exec report a
// compile error.
#include <gtest/gtest.h>

#include "app/core/local_server.h"
#include "logstore/folder_info.h"
#include "logstore/log_file.h"
#include "platform/fs.h"
#include "tests/support/app_fixture.h"
#include "textlib/cp932.h"

namespace bq::test {
namespace {

TDataInfo Article(std::int32_t topic, std::int32_t refer, const char* title, const char* author,
                  const char* body, bool unread) {
  return test::Article(topic, refer, 1000u * static_cast<std::uint32_t>(topic), title, unread, body, author);
}

class ReadCmdTest : public TestFolder {
 protected:
  // Folder "s" with three articles, the first two unread.
  void SetUp() override {
    TestFolder::SetUp();
    ASSERT_EQ(Cli("folder add s --url http://127.0.0.1:9/ --script x.pss").status, 0);
    TDataInfo first = Article(1, 0, "題一", "太郎", "本文です\r\n>引用\r\n\r\n続き", true);
    first.MAILTO = "taro@example.com";
    first.HOST = "host.example";
    first.PAGEURL = "http://example.com/1";
    std::string log;
    AppendLogLine(log, first, "");
    AppendLogLine(log, Article(2, 1, "題二", "花子", "二の本文", true), "");
    AppendLogLine(log, Article(3, 0, "三", "次郎", "検索語あり", false), "");
    fs::WriteFileAtomic(Folder() + "kvllog.dat", log);
    TFolderInfo node = Node();
    node.HasUnread = true;
    fs::WriteFileAtomic(Folder() + "kvlnode.web", FormatNodeFile(node));
  }
  std::string Folder() const { return LogRoot() + "s/"; }
  TFolderInfo Node() {
    std::string text;
    TFolderInfo info;
    EXPECT_TRUE(fs::ReadFile(Folder() + "kvlnode.web", text));
    EXPECT_TRUE(ParseNodeFile(text, info)) << text;
    return info;
  }
  // The Unread flags of the log file, in file order ("110").
  std::string UnreadFlags() {
    std::string text, flags;
    fs::ReadFile(Folder() + "kvllog.dat", text);
    for (std::size_t pos = 0; pos < text.size();) {
      std::size_t end = text.find("\r\n", pos);
      TDataInfo a;
      ParseLogLine(text.substr(pos, end - pos), a);
      flags += a.Unread ? '1' : '0';
      pos = end == std::string::npos ? text.size() : end + 2;
    }
    return flags;
  }
};

TEST_F(ReadCmdTest, ShowPrintsTheWholeArticleAndMarksItReadWithHasUnreadFollowing) {
  ProcessResult r = Cli("show s 1");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Title:  題一\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Author: 太郎 <taro@example.com>\n"), std::string::npos);
  EXPECT_NE(r.out.find(" (host.example)\n"), std::string::npos);
  EXPECT_NE(r.out.find("Page:   http://example.com/1\n"), std::string::npos);
  EXPECT_NE(r.out.find("\n  本文です\n| >引用\n|\n  続き\n"), std::string::npos) << r.out;
  EXPECT_EQ(UnreadFlags(), "010");
  EXPECT_TRUE(Node().HasUnread);  // topic 2 is still unread
  r = Cli("show s 2 --refer 1");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Topic:  2 (reply to 1)\n"), std::string::npos) << r.out;
  EXPECT_EQ(UnreadFlags(), "000");
  EXPECT_FALSE(Node().HasUnread);
}

TEST_F(ReadCmdTest, ShowKeepUnreadChangesNothingAndMissingArticlesFail) {
  EXPECT_EQ(Cli("show s 1 --keep-unread").status, 0);
  EXPECT_EQ(UnreadFlags(), "110");
  ProcessResult r = Cli("show s 2 --refer 5");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "no article with topic 2\n");
  EXPECT_EQ(Cli("show s x").status, 2);
  EXPECT_EQ(Cli("show nowhere 1").status, 1);
  EXPECT_EQ(UnreadFlags(), "110");
}

TEST_F(ReadCmdTest, MarkAllReadClearsHasUnreadAndWritesTheNodeFile) {
  ProcessResult r = Cli("mark s --read --all");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "0 unread, 3 total\n");
  EXPECT_EQ(UnreadFlags(), "000");
  EXPECT_FALSE(Node().HasUnread);
  r = Cli("mark s --unread 3");
  EXPECT_EQ(r.out, "1 unread, 3 total\n");
  EXPECT_EQ(UnreadFlags(), "001");
  EXPECT_TRUE(Node().HasUnread);
  // One unknown topic and nothing is marked.
  r = Cli("mark s --unread 1 99");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "no article with topic 99\n");
  EXPECT_EQ(UnreadFlags(), "001");
  EXPECT_EQ(Cli("mark s --read").status, 2);
  EXPECT_EQ(Cli("mark s --maybe 1").status, 2);
}

TEST_F(ReadCmdTest, DeleteRemovesTheTopicsAndBringsHasUnreadInStep) {
  ProcessResult r = Cli("delete s 1 2");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "0 unread, 1 total\n");
  EXPECT_EQ(UnreadFlags(), "0");
  EXPECT_FALSE(Node().HasUnread);
  EXPECT_EQ(Cli("delete s 7").status, 1);
  EXPECT_EQ(Cli("delete s").status, 2);
}

TEST_F(ReadCmdTest, ClearAsksOrNeedsYesAndLeavesAnEmptyLogAndAValidNodeFile) {
  ProcessResult r = Cli("clear s");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("--yes"), std::string::npos);
  EXPECT_EQ(UnreadFlags(), "110");
  r = Cli("clear s --yes");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "0 unread, 0 total\n");
  std::string log;
  ASSERT_TRUE(fs::ReadFile(Folder() + "kvllog.dat", log));
  EXPECT_EQ(log, "");
  TFolderInfo node = Node();
  EXPECT_FALSE(node.HasUnread);
  EXPECT_EQ(node.SiteUrl, "http://127.0.0.1:9/");
  EXPECT_EQ(node.ScriptName, "x.pss");
}

TEST_F(ReadCmdTest, ALogThatCannotBeWrittenIsReportedAsAFailure) {
  // A directory where the log file belongs: the rename over it fails.
  fs::DeleteFile(Folder() + "kvllog.dat");
  fs::ForceDirectories(Folder() + "kvllog.dat/x/");
  ProcessResult r = Cli("mark s --read --all");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("データが書込めません!"), std::string::npos) << r.err;
}

TEST_F(ReadCmdTest, FindFindsAcrossTitleAuthorAndBody) {
  ProcessResult r = Cli("find s 題二");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("2[1]  └ 題二  花子  "), std::string::npos) << r.out;
  r = Cli("find s 次郎");
  EXPECT_NE(r.out.find("3  三  次郎  "), std::string::npos) << r.out;
  r = Cli("find s 検索語");
  EXPECT_NE(r.out.find("3  三  次郎  "), std::string::npos) << r.out;
  r = Cli("find s 本文");  // in the bodies of 1 and 2, in list order
  ASSERT_NE(r.out.find("題一"), std::string::npos) << r.out;
  EXPECT_LT(r.out.find("題一"), r.out.find("題二"));
  EXPECT_EQ(r.out.find("次郎"), std::string::npos);
  r = Cli("find s 見当たらない");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(UnreadFlags(), "110");  // searching marks nothing
}

TEST_F(ReadCmdTest, FolderAddSetsDisplayOptionsAndFolderSetTheCharset) {
  ASSERT_EQ(
      Cli("folder add t --url http://x/ --script x.pss --tree --newest-reply-first --hide-index --show-body")
          .status,
      0);
  ProcessResult show = Cli("folder show t");
  for (const char* line : {"TreeView=1\n", "NewestReplyFirst=1\n", "HideIndex=1\n", "ShowBody=1\n",
                           "KeepColumns=0\n", "Charset=auto\n"})
    EXPECT_NE(show.out.find(line), std::string::npos) << line << show.out;
  EXPECT_EQ(Cli("folder add u --url http://x/ --script x.pss --sideways").status, 2);

  ASSERT_EQ(Cli("folder set s Charset=euc-jp").status, 0);
  EXPECT_NE(Cli("folder show s").out.find("Charset=EUC-JP\n"), std::string::npos);
  std::string node;
  ASSERT_TRUE(fs::ReadFile(Folder() + "kvlnode.web", node));
  // Line 17, after the 16 lines older readers know.
  std::size_t at = 0;
  for (int line = 0; line < 16; ++line) at = node.find("\r\n", at) + 2;
  EXPECT_EQ(node.substr(at), "Charset=EUC-JP\r\n");
  ProcessResult bad = Cli("folder set s Charset=latin1");
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(Node().Extension(kCharsetOption), "EUC-JP");
  ASSERT_EQ(Cli("folder set s Charset=auto").status, 0);
  ASSERT_TRUE(fs::ReadFile(Folder() + "kvlnode.web", node));
  EXPECT_EQ(node.find("Charset"), std::string::npos);
}

// Compile errors, as every command shows them.
class CompileReportTest : public TestFolder {
 protected:
  void Script(const std::string& name, const std::string& text) {
    fs::WriteFileAtomic(dir + "libs/" + name, text);
  }
  void Site(const std::string& name, const std::string& script) {
    ASSERT_EQ(Cli("folder add " + name + " --url http://127.0.0.1:9/ --script " + script + " --round").status,
              0);
  }
};

TEST_F(CompileReportTest, RunShowsTheFileLineAndMarkerAndNoCountLine) {
  Script("bad.pss", "SCRIPT b;\r\nBEGIN\r\n  x := 1;\r\n  ZZ\r\nEND.\r\n");
  Site("b", "bad.pss");
  ProcessResult r = Cli("run b");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err,
            // A lone variable is reported at the token after it.
            "構文エラー\n4行目:不正な位置に変数 ZZ があります\nbad.pss:5: END.\n"
            "           ^^^\n");
}

TEST_F(CompileReportTest, TheFileLineIsTheSameWithAndWithoutAFinalLineBreak) {
  for (const char* tail : {"", "\r\n", "\n"}) {
    Script("cut.pss", std::string("SCRIPT c;\nBEGIN\n  x := (1 + 2") + tail);
    ProcessResult r = Cli("compile " + dir + "libs/cut.pss");
    EXPECT_EQ(r.status, 1);
    std::string note = dir + "libs/cut.pss:3:   x := (1 + 2\n";
    ASSERT_NE(r.out.find(note), std::string::npos) << r.out;
    std::string marker = r.out.substr(r.out.find(note) + note.size());
    EXPECT_EQ(marker, std::string(note.size() - 1, ' ') + "^\n") << tail;
  }
}

TEST_F(CompileReportTest, ExecAndRoundReportAsCompileDoesWithTheTakenNameHint) {
  Script("href.pss", "SCRIPT h;\r\nBEGIN\r\n  FOR HREF := 1 TO 2 DO x := 1\r\nEND.\r\n");
  ProcessResult r = Cli("exec " + dir + "libs/href.pss");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.rfind("構文エラー\n2行目:変数が必要です\nHREF は組み込み関数の名前です\n" + dir +
                            "libs/href.pss:3:   FOR HREF",
                        0),
            0u)
      << r.err;
  Site("h", "href.pss");
  r = Cli("round");
  EXPECT_NE(r.out.find("h/: error: 構文エラー\n2行目:変数が必要です\nHREF は組み込み関数の名前です\n"
                       "href.pss:3:   FOR HREF := 1 TO 2 DO x := 1\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("Folder Round: "), std::string::npos);
}

TEST_F(CompileReportTest, AUtf8ScriptIsRefusedWithOneLine) {
  Script("utf.pss", "SCRIPT u;\r\nBEGIN\r\n  x := '\xE6\x9C\xAC'\r\nEND.\r\n");
  ProcessResult r = Cli("compile " + dir + "libs/utf.pss");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(
      r.err,
      dir +
          "libs/utf.pss: the script is saved in UTF-8, but scripts are Shift_JIS text; convert it with: "
          "iconv -f UTF-8 -t CP932 " +
          dir + "libs/utf.pss > converted.pss\n");
  Site("u", "utf.pss");
  r = Cli("run u");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("utf.pss: the script is saved in UTF-8"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
}

}  // namespace
}  // namespace bq::test
