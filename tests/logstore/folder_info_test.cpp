// Site definitions: the node file, the root definition, the log root and the
// round schedule.
#include "logstore/folder_info.h"

#include <gtest/gtest.h>

#include "logstore/scrap_list.h"
#include "logstore_fixture.h"

namespace bq {
namespace {

using testing::Article;

std::string Lines(int n) {
  static const char* const kValues[16] = {
      "1136170445", "42", "http://site/", "user", "pass", "nick", "dpass", "1", "s.pss", "m@x",
      "http://home/", "1", "31", "10,20\\t30", "http://ref/\\\\x", "res\\nerved"};
  std::string out;
  for (int i = 0; i < n; ++i) out += std::string(kValues[i]) + "\r\n";
  return out;
}

TEST(NodeFile, SixteenLinesFillEveryField) {
  TFolderInfo f;
  ASSERT_TRUE(ParseNodeFile(Lines(16), f));
  EXPECT_EQ(f.LastRound, 1136170445u);
  EXPECT_EQ(f.LastTopic, 42);
  EXPECT_EQ(f.SiteUrl, "http://site/");
  EXPECT_EQ(f.UserName, "user");
  EXPECT_EQ(f.LoginPassword, "pass");
  EXPECT_EQ(f.NickName, "nick");
  EXPECT_EQ(f.DelPass, "dpass");
  EXPECT_TRUE(f.RoundTarget);
  EXPECT_EQ(f.ScriptName, "s.pss");
  EXPECT_EQ(f.Mailto, "m@x");
  EXPECT_EQ(f.HomePage, "http://home/");
  EXPECT_TRUE(f.HasUnread);
  EXPECT_TRUE(f.TreeView && f.HideIndex && f.NewestReplyFirst && f.ShowBody && f.KeepColumns);
  EXPECT_EQ(f.ColumnWidths, "10,20\t30");
  EXPECT_EQ(f.SiteReferer, "http://ref/\\x");
  EXPECT_EQ(f.NodeReserved, "res\r\nerved");
}

TEST(NodeFile, TwelveLinesLeaveTheRestEmpty) {
  TFolderInfo f;
  ASSERT_TRUE(ParseNodeFile(Lines(12), f));
  EXPECT_EQ(f.SiteUrl, "http://site/");
  EXPECT_TRUE(f.HasUnread);
  EXPECT_FALSE(f.TreeView || f.HideIndex || f.NewestReplyFirst || f.ShowBody || f.KeepColumns);
  EXPECT_EQ(f.ColumnWidths, "");
  EXPECT_EQ(f.SiteReferer, "");
  EXPECT_EQ(f.NodeReserved, "");
}

TEST(NodeFile, ElevenLinesResetEverything) {
  TFolderInfo f;
  f.SiteUrl = "stale";
  f.LastTopic = 9;
  EXPECT_FALSE(ParseNodeFile(Lines(11), f));
  EXPECT_EQ(f, TFolderInfo{});
  EXPECT_FALSE(ParseNodeFile("", f));
}

TEST(NodeFile, LastLineWithoutLineEndCounts) {
  TFolderInfo f;
  std::string text = Lines(12);
  text.resize(text.size() - 2);
  EXPECT_TRUE(ParseNodeFile(text, f));
  EXPECT_TRUE(f.HasUnread);
}

TEST(NodeFile, LenientNumbersAndStrictFlags) {
  TFolderInfo f;
  std::string text = "12abc\r\n-1\r\n\r\n\r\n\r\n\r\n\r\nyes\r\n\r\n\r\n\r\n1 \r\nx\r\n";
  ASSERT_TRUE(ParseNodeFile(text, f));
  EXPECT_EQ(f.LastRound, 12u);
  EXPECT_EQ(f.LastTopic, -1);
  EXPECT_FALSE(f.RoundTarget);
  EXPECT_FALSE(f.HasUnread);
  EXPECT_FALSE(f.TreeView);
}

TEST(NodeFile, WrittenFormByteForByte) {
  TFolderInfo f;
  f.LastRound = 4000000000u;
  f.LastTopic = -2;
  f.SiteUrl = "http://a b/";
  f.RoundTarget = true;
  f.NewestReplyFirst = true;
  f.KeepColumns = true;
  f.ColumnWidths = "1,2";
  f.SiteReferer = "r\\s";
  EXPECT_EQ(FormatNodeFile(f),
            "4000000000\r\n4294967294\r\nhttp://a b/\r\n\r\n\r\n\r\n\r\n1\r\n\r\n\r\n\r\n0\r\n20\r\n"
            "1,2\r\nr\\\\s\r\n\r\n");
  TFolderInfo back;
  ASSERT_TRUE(ParseNodeFile(FormatNodeFile(f), back));
  EXPECT_EQ(back, f);
}

TEST(NodeFile, LineBreaksInValuesDoNotShiftLines) {
  TFolderInfo f;
  f.SiteUrl = "http://x/\r\nmore";
  f.NodeReserved = "a\r\nb";
  f.HasUnread = true;
  TFolderInfo back;
  ASSERT_TRUE(ParseNodeFile(FormatNodeFile(f), back));
  EXPECT_EQ(back.SiteUrl, "http://x/  more");
  EXPECT_EQ(back.NodeReserved, "a\r\nb");
  EXPECT_TRUE(back.HasUnread);
}

TEST(NodeFile, LaterOptionsFollowLineSixteenAndSurviveARewrite) {
  TFolderInfo f;
  f.SetExtension("Charset", "EUC-JP");
  f.SetExtension("Future", "a\\b\r\nc");
  f.SetExtension("Charset", "UTF-8");  // replaced in place, not added twice
  const std::string text = FormatNodeFile(f);
  EXPECT_TRUE(text.ends_with("\r\n\r\nCharset=UTF-8\r\nFuture=a\\\\b\\nc\r\n")) << text;
  TFolderInfo back;
  ASSERT_TRUE(ParseNodeFile(text, back));
  EXPECT_EQ(back, f);
  EXPECT_EQ(back.Extension("Future"), "a\\b\r\nc");
  EXPECT_EQ(back.Extension("Missing"), "");
  back.SetExtension("Charset", "");
  EXPECT_EQ(back.Extensions.size(), 1u);
}

TEST(NodeFile, WithoutLaterOptionsTheFileKeepsSixteenLines) {
  TFolderInfo f;
  f.SiteUrl = "http://x/";
  f.SetExtension("SaveCookies", "1");
  f.SetExtension("SaveCookies", "");
  const std::string text = FormatNodeFile(f);
  std::size_t lines = 0;
  for (char c : text) lines += c == '\n';
  EXPECT_EQ(lines, 16u);
  // A sixteen-line file of an earlier version reads with no later options,
  // and lines after 16 that are not "Name=value" are ignored.
  TFolderInfo back;
  ASSERT_TRUE(ParseNodeFile(Lines(16) + "no equals sign\r\n=nameless\r\nK=v\r\n", back));
  ASSERT_EQ(back.Extensions.size(), 1u);
  EXPECT_EQ(back.Extension("K"), "v");
  EXPECT_EQ(back.SiteUrl, "http://site/");
}

TEST(NodeFile, ClearingKeepColumnsEmptiesTheWidths) {
  TFolderInfo f;
  f.KeepColumns = false;
  f.ColumnWidths = "10,20";
  TFolderInfo back;
  ParseNodeFile(FormatNodeFile(f), back);
  EXPECT_EQ(back.ColumnWidths, "");
}

TEST(RootDef, FourLinesBothWays) {
  RootDefinition d;
  d.ScheduleEnabled = true;
  d.ScheduleHours = (1u << 13) | 1u;
  d.ScheduleMinute = 30;
  d.LastFolder = "/data/Log/my site,x/";
  EXPECT_EQ(FormatRootDef(d), "1\r\n8193\r\n30\r\n\"/data/Log/my site,x/\"\r\n");
  RootDefinition back = ParseRootDef(FormatRootDef(d));
  EXPECT_TRUE(back.ScheduleEnabled);
  EXPECT_EQ(back.ScheduleHours, d.ScheduleHours);
  EXPECT_EQ(back.ScheduleMinute, 30);
  EXPECT_EQ(back.LastFolder, d.LastFolder);
}

class QuotedPath : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(QuotedPath, Line4ReadsBackToThePathWritten) {
  EXPECT_EQ(DecodeRootPath(GetParam().first), GetParam().second);
}
INSTANTIATE_TEST_SUITE_P(
    RootDef, QuotedPath,
    ::testing::Values(std::make_pair("/a/b/", "/a/b/"),             // plain
                      std::make_pair("\"/a b/\"", "/a b/"),         // quoted for a blank
                      std::make_pair("\"/a,b/\"", "/a,b/"),         // quoted for a comma
                      std::make_pair("/a\"\"b/", "/a\"b/"),         // doubled quote
                      std::make_pair("C:\\\\Log\\\\x\\\\", "C:\\Log\\x\\"),  // escaped backslashes
                      std::make_pair("\"\"\"a b\"", "\"a b"),         // quote first, then a blank
                      std::make_pair("/a,b/", "/a,b/"),             // a comma unquoted by hand
                      std::make_pair("\"", ""),                     // a lone quote opens nothing
                      std::make_pair("", "")));

TEST(RootDef, OddValuesAreBounded) {
  RootDefinition d = ParseRootDef("1\r\n4294967295\r\n75\r\n");
  EXPECT_EQ(d.ScheduleHours, 0xFFFFFFu);
  EXPECT_EQ(d.ScheduleMinute, 0);
  EXPECT_EQ(d.LastFolder, "");
  EXPECT_FALSE(ParseRootDef("").ScheduleEnabled);
}

class Folders : public testing::TempFolder {};

TEST_F(Folders, SetLogRootReadsTheScheduleAndLastFolder) {
  Write(dir_ + "root/weblog.def", "1\r\n8192\r\n15\r\n\"" + dir_ + "root/a b/\"\r\n");
  TScrapList list(ui_);
  ASSERT_TRUE(list.SetLogRoot(dir_ + "root"));
  EXPECT_EQ(list.LogRoot(), dir_ + "root/");
  EXPECT_TRUE(list.ScheduleEnabled);
  EXPECT_EQ(list.ScheduleMinute, 15);
  EXPECT_TRUE(list.IsRoundTime(13, 15));
  EXPECT_FALSE(list.IsRoundTime(13, 16));
  EXPECT_FALSE(list.IsRoundTime(12, 15));
  EXPECT_FALSE(list.IsRoundTime(24, 15));
  EXPECT_FALSE(list.IsRoundTime(-1, 15));
  EXPECT_EQ(list.LastFolder(), dir_ + "root/a b/");
  EXPECT_EQ(list.FolderPath(), "");
}

TEST_F(Folders, SetLogRootSavesTheOldRootAndResetsTheSchedule) {
  TScrapList list(ui_);
  ASSERT_TRUE(list.SetLogRoot(dir_ + "one"));
  fs::ForceDirectories(dir_ + "one");
  list.ScheduleEnabled = true;
  list.ScheduleHours = 3;
  list.ScheduleMinute = 5;
  ASSERT_TRUE(list.OpenFolder(dir_ + "one/site"));
  list.AddItem(Article(1, 0, 1), false);
  ASSERT_TRUE(list.SetLogRoot(dir_ + "two/"));
  EXPECT_EQ(Read(dir_ + "one/weblog.def"), "1\r\n3\r\n5\r\n" + dir_ + "one/site/\r\n");
  EXPECT_EQ(Read(dir_ + "one/site/kvllog.dat"), "1,0,0,0,1,t,,,,,,,,,\r\n");
  EXPECT_FALSE(list.ScheduleEnabled);
  EXPECT_EQ(list.ScheduleHours, 0u);
  EXPECT_EQ(list.ScheduleMinute, 0);
  EXPECT_EQ(list.FolderPath(), "");
  // The same root again, and "/" alone, change nothing.
  list.ScheduleMinute = 9;
  EXPECT_TRUE(list.SetLogRoot(dir_ + "two"));
  EXPECT_TRUE(list.SetLogRoot("/"));
  EXPECT_EQ(list.ScheduleMinute, 9);
  EXPECT_EQ(list.LogRoot(), dir_ + "two/");
}

TEST_F(Folders, SaveRootDefWithoutARootDoesNothing) {
  TScrapList list(ui_);
  list.SaveRootDef();
  EXPECT_TRUE(ui_.calls.empty());
}

TEST_F(Folders, LoadReadsTheNodeAndSaveNodeWritesIt) {
  Write(dir_ + "s/kvlnode.web", Lines(16));
  TScrapList list(ui_);
  ASSERT_TRUE(list.OpenFolder(dir_ + "s"));
  EXPECT_TRUE(list.NodeValid());
  EXPECT_EQ(list.Folder.SiteUrl, "http://site/");
  // The log holds no unread article, so HasUnread was corrected on disk.
  EXPECT_FALSE(list.Folder.HasUnread);
  TFolderInfo onDisk;
  ParseNodeFile(Read(dir_ + "s/kvlnode.web"), onDisk);
  EXPECT_FALSE(onDisk.HasUnread);
  EXPECT_EQ(onDisk.SiteUrl, "http://site/");
  list.Folder.RoundTarget = false;
  list.SaveNode();
  ParseNodeFile(Read(dir_ + "s/kvlnode.web"), onDisk);
  EXPECT_FALSE(onDisk.RoundTarget);
}

TEST_F(Folders, ShortNodeFileGivesAnInvalidEmptyDefinition) {
  Write(dir_ + "s/kvlnode.web", Lines(11));
  TScrapList list(ui_);
  ASSERT_TRUE(list.OpenFolder(dir_ + "s"));
  EXPECT_FALSE(list.NodeValid());
  EXPECT_EQ(list.Folder, TFolderInfo{});
}

TEST_F(Folders, SaveNodeSkipsAMissingFolder) {
  TScrapList list(ui_);
  list.SetFolderPath(dir_ + "gone");
  EXPECT_EQ(list.FolderPath(), dir_ + "gone/");
  list.SaveNode();
  EXPECT_FALSE(fs::DirectoryExists(dir_ + "gone"));
  EXPECT_TRUE(ui_.calls.empty());
}

TEST_F(Folders, ReadFolderFlagsFromMemoryOrFromTheNodeFile) {
  Write(dir_ + "other/kvlnode.web", Lines(12));
  Write(dir_ + "short/kvlnode.web", Lines(11));
  TScrapList list(ui_);
  ASSERT_TRUE(list.OpenFolder(dir_ + "open"));
  list.Folder.RoundTarget = true;
  EXPECT_TRUE(list.ReadFolderFlags(dir_ + "open").RoundTarget);
  EXPECT_FALSE(list.ReadFolderFlags(dir_ + "open/").HasUnread);
  auto other = list.ReadFolderFlags(dir_ + "other");
  EXPECT_TRUE(other.RoundTarget);
  EXPECT_TRUE(other.HasUnread);
  auto missing = list.ReadFolderFlags(dir_ + "missing");
  EXPECT_FALSE(missing.RoundTarget);
  EXPECT_FALSE(missing.HasUnread);
  auto shortFile = list.ReadFolderFlags(dir_ + "short");
  EXPECT_FALSE(shortFile.RoundTarget || shortFile.HasUnread);
}

}  // namespace
}  // namespace bq
