// The log file: its line format byte for byte, load and save, and what a
// damaged or hostile file does.
#include "logstore/log_file.h"

#include <gtest/gtest.h>

#include <string>

#include "logstore/scrap_list.h"
#include "logstore_fixture.h"
#include "textlib/csv.h"

namespace bq {
namespace {

using testing::Article;

const std::string kCannotRead = "\x83\x66\x81[\x83^\x82\xaa\x93\xc7\x8d\x9e\x82\xdf\x82\xdc\x82\xb9\x82\xf1!";
const std::string kCannotWrite = "\x83\x66\x81[\x83^\x82\xaa\x8f\x91\x8d\x9e\x82\xdf\x82\xdc\x82\xb9\x82\xf1!";
const std::string kKeptAs =
    "\x8c\xb3\x82\xcc\x83t\x83@\x83\x43\x83\x8b\x82\xcd\x8e\x9f\x82\xcc\x96\xbc\x91O\x82\xc5\x8e\x63"
    "\x82\xb5\x82\xdc\x82\xb5\x82\xbd: ";
const std::string kNotInteger =
    "' \x82\xcd\x90\xae\x90\x94\x82\xc5\x82\xcd\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1";

TDataInfo FullArticle() {
  TDataInfo a = Article(7, 3, 0x80000001u, "Re: \x93\xfa\x96\x7b", "line1\r\nline2\tend \\ \"q\"");
  a.RESERVED = -4;
  a.Unread = true;
  a.AUTHOR = "a,b";
  a.MAILTO = "m@x";
  a.HP = "http://h/";
  a.PAGEURL = "http://p/?a=1&b=2";
  a.HEAD = "";
  a.HOST = "host";
  a.LINK = "l";
  return a;
}

TEST(LogLine, FormatByteForByte) {
  std::string out;
  AppendLogLine(out, FullArticle(), "L");
  EXPECT_EQ(out,
            "7,-4,1,3,-2147483647,\"Re: \x93\xfa\x96\x7b\",\"a,b\",m@x,http://h/,http://p/?a=1&b=2,"
            "\"line1\\nline2\\tend \\\\ \"\"q\"\"\",,host,L,\r\n");
}

TEST(LogLine, EmptyArticleIsFourteenCommas) {
  std::string out;
  AppendLogLine(out, TDataInfo{}, "");
  EXPECT_EQ(out, "0,0,0,0,0,,,,,,,,,,\r\n");
}

TEST(LogLine, ReadsBackWhatWasWritten) {
  std::string out;
  const TDataInfo a = FullArticle();
  AppendLogLine(out, a, a.LINK);
  TDataInfo b;
  ParseLogLine(std::string_view(out).substr(0, out.size() - 2), b);
  EXPECT_TRUE(SameArticle(a, b));
  EXPECT_EQ(b.DATE, 0x80000001u);
}

TEST(LogLine, MissingTrailingFieldsReadEmptyAndEmptyNumbersZero) {
  TDataInfo b = FullArticle();
  ParseLogLine("5,,1", b);
  EXPECT_EQ(b.TOPIC, 5);
  EXPECT_EQ(b.RESERVED, 0);
  EXPECT_TRUE(b.Unread);
  EXPECT_EQ(b.REFER, 0);
  EXPECT_EQ(b.DATE, 0u);
  EXPECT_EQ(b.TITLE, "");
  EXPECT_EQ(b.LINK, "");
}

TEST(LogLine, ExtraFieldsAreIgnored) {
  TDataInfo b;
  ParseLogLine("1,0,0,0,9,t,,,,,,,,link,extra,more,", b);
  EXPECT_EQ(b.LINK, "link");
  EXPECT_EQ(b.DATE, 9u);
}

TEST(LogLine, FlagIsTrueOnlyForOne) {
  TDataInfo b;
  ParseLogLine("1,0,2,", b);
  EXPECT_FALSE(b.Unread);
  ParseLogLine("1,0,true,", b);
  EXPECT_FALSE(b.Unread);
}

TEST(LogLine, NonNumericNumberRaisesTheConversionError) {
  TDataInfo b;
  try {
    ParseLogLine("1,0,0,abc,5,", b);
    FAIL();
  } catch (const ConvertError& e) {
    EXPECT_EQ(e.what(), "'abc" + kNotInteger);
  }
}

class LogFiles : public testing::TempFolder {
 protected:
  std::string folder() { return dir_ + "site/"; }
  std::string logPath() { return folder() + "kvllog.dat"; }
};

TEST_F(LogFiles, SavedLogReloadsToTheSameArticlesInOrder) {
  TScrapList list(ui_);
  list.SetLogRoot(dir_);
  ASSERT_TRUE(list.OpenFolder(folder()));
  std::vector<TDataInfo> written;
  for (int i = 0; i < 50; ++i) {
    TDataInfo a = FullArticle();
    a.TOPIC = 1000 - i;
    a.BODY += std::to_string(i);
    a.Unread = i % 2;
    a.LINK = i % 3 == 0 ? "%LOG%site/x" + std::to_string(i) : "http://elsewhere/" + std::to_string(i);
    ASSERT_EQ(list.AddItem(a, false), i);
    written.push_back(a);
  }
  list.SetSelected(3, true);
  list.SaveLog();
  EXPECT_FALSE(list.Modified());
  // LINKs under the root are written absolute.
  EXPECT_NE(Read(logPath()).find("," + dir_ + "site/x0,\r\n"), std::string::npos);

  TScrapList again(ui_);
  again.SetLogRoot(dir_);
  ASSERT_TRUE(again.OpenFolder(folder()));
  ASSERT_EQ(again.Count(), 50);
  for (int i = 0; i < 50; ++i) {
    const TDataInfo b = again.GetItem(i);
    EXPECT_TRUE(SameArticle(written[static_cast<std::size_t>(i)], b)) << i;
    EXPECT_FALSE(b.Selected);
    EXPECT_EQ(b.Depth, 0);
  }
  EXPECT_TRUE(ui_.calls.empty());
  // Saving the reloaded log again gives the same bytes.
  const std::string first = Read(logPath());
  again.MarkRead(1);
  again.SetSelectedUnread(false);
  again.ClearSelected();
  again.SetSelected(1, true);
  again.SetSelectedUnread(true);
  again.SaveLog();
  EXPECT_EQ(Read(logPath()), first);
}

TEST_F(LogFiles, OneLinePerArticleEndingInAComma) {
  TScrapList list(ui_);
  ASSERT_TRUE(list.OpenFolder(folder()));
  list.AddItem(Article(1, 0, 10, "a", "x\r\ny\r\n"), false);
  list.AddItem(Article(2, 0, 11, "b", ""), false);
  list.SaveLog();
  EXPECT_EQ(Read(logPath()), "1,0,0,0,10,a,,,,,x\\ny\\n,,,,\r\n2,0,0,0,11,b,,,,,,,,,\r\n");
}

TEST_F(LogFiles, MissingLogIsAnEmptyLogAndMissingFolderIsCreated) {
  TScrapList list(ui_);
  ASSERT_TRUE(list.OpenFolder(dir_ + "a/b/c"));
  EXPECT_EQ(list.FolderPath(), dir_ + "a/b/c/");
  EXPECT_TRUE(fs::DirectoryExists(dir_ + "a/b/c"));
  EXPECT_EQ(list.Count(), 0);
  EXPECT_TRUE(ui_.calls.empty());
}

TEST_F(LogFiles, TruncatedAndShortLinesStillLoad) {
  Write(logPath(), "1,0,1,0,5,first,,,,,body,,,,\r\n2,0,0,0,6,sec\r\n3\r\n\r\n4,0,0,0,7,\"open quote");
  TScrapList list(ui_);
  ASSERT_TRUE(list.OpenFolder(folder()));
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list.GetItem(1).TITLE, "sec");
  EXPECT_EQ(list.GetItem(2).TOPIC, 3);
  EXPECT_EQ(list.GetItem(3).TITLE, "open quote");
  EXPECT_TRUE(ui_.calls.empty());
  EXPECT_TRUE(list.Folder.HasUnread);
}

// A loaded line keeps its texts as written until one is read; whichever
// article is read first, each decodes to the same texts, and a LINK the
// path toggle makes longer than its line had room for comes out whole.
TEST_F(LogFiles, TextsDecodeTheSameInAnyOrderOfReading) {
  struct Line {
    std::string written;
    std::int32_t topic, refer;
    std::string title, body, link;
  };
  const std::string root = dir_;
  const std::vector<Line> lines = {
      {"1,0,1,0,5,\"a b\",au,,,,x\\ny\\t\\\\z,,,,\r\n", 1, 0, "a b", "x\r\ny\t\\z", ""},
      // 表 (0x5C as its trail byte), then an escaped backslash
      {"\"2\",0,0,\"1\",6,\x95\\\\\\,,,,,,,,,\r\n", 2, 1, "\x95\\\\", "", ""},
      {"3,0,0,0,7,\"q\"\"uote\",,,,,b,,," + root + "site/f.txt,\r\n", 3, 0, "q\"uote", "b", "%LOG%site/f.txt"},
      {"4,0,0,0,8,,,,,,,,,%LOG%g,\r\n", 4, 0, "", "", root + "g"},  // longer than its room
      {"5,0,0,0,9,short", 5, 0, "short", "", ""},
  };
  std::string file;
  for (const Line& l : lines) file += l.written;
  Write(logPath(), file);
  for (const bool backwards : {false, true}) {
    TScrapList list(ui_);
    list.SetLogRoot(root);
    ASSERT_TRUE(list.OpenFolder(folder()));
    ASSERT_EQ(list.Count(), static_cast<int>(lines.size()));
    for (std::size_t k = 0; k < lines.size(); ++k) {
      const std::size_t i = backwards ? lines.size() - 1 - k : k;
      const TDataInfo a = list.GetItem(static_cast<int>(i));
      const Line& l = lines[i];
      EXPECT_EQ(a.TOPIC, l.topic) << i;
      EXPECT_EQ(a.REFER, l.refer) << i;
      EXPECT_EQ(a.TITLE, l.title) << i;
      EXPECT_EQ(a.BODY, l.body) << i;
      EXPECT_EQ(a.LINK, l.link) << i;
      // Read again once decoded: the same.
      EXPECT_EQ(list.View(static_cast<int>(i)).TITLE, l.title) << i;
    }
  }
  EXPECT_TRUE(ui_.calls.empty());
}

TEST_F(LogFiles, BadNumberStopsTheLoadKeepsWhatWasReadAndTheOriginalFile) {
  const std::string original = "1,0,0,0,5,one,\r\n2,0,0,x2,6,two,\r\n3,0,0,0,7,three,\r\n";
  Write(logPath(), original);
  TScrapList list(ui_);
  ASSERT_TRUE(list.OpenFolder(folder()));
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.GetItem(0).TITLE, "one");
  const std::string aside = folder() + "kvllog-unreadable.dat";
  ASSERT_EQ(ui_.calls.size(), 1u);
  EXPECT_EQ(ui_.calls[0].text,
            kCannotRead + "\r\n" + logPath() + "\r\n'x2" + kNotInteger + "\r\n" + kKeptAs + aside);
  EXPECT_EQ(list.SavedAsidePath(), aside);
  EXPECT_EQ(Read(aside), original);
  // A change and a save replace kvllog.dat, but the copy keeps every article.
  list.AddItem(Article(9, 0, 9, "new"), false);
  list.SaveLog();
  EXPECT_EQ(Read(aside), original);
  EXPECT_EQ(Read(logPath()).substr(0, 5), "1,0,0");
}

TEST_F(LogFiles, SecondUnreadableLoadDoesNotOverwriteTheFirstCopy) {
  Write(logPath(), "x,\r\n");
  Write(folder() + "kvllog-unreadable.dat", "older copy");
  TScrapList list(ui_);
  ASSERT_TRUE(list.OpenFolder(folder()));
  EXPECT_EQ(list.SavedAsidePath(), folder() + "kvllog-unreadable-2.dat");
  EXPECT_EQ(Read(folder() + "kvllog-unreadable.dat"), "older copy");
  EXPECT_EQ(Read(folder() + "kvllog-unreadable-2.dat"), "x,\r\n");
}

TEST_F(LogFiles, BinaryFileIsReportedNotFatal) {
  std::string junk;
  for (int i = 0; i < 100000; ++i) junk += static_cast<char>((i * 7919 + 13) & 0xFF);
  Write(logPath(), junk);
  TScrapList list(ui_);
  ASSERT_TRUE(list.OpenFolder(folder()));
  ASSERT_EQ(ui_.calls.size(), 1u);
  EXPECT_EQ(ui_.calls[0].text.substr(0, kCannotRead.size()), kCannotRead);
  EXPECT_FALSE(list.Modified());
  EXPECT_EQ(Read(list.SavedAsidePath()), junk);
}

TEST_F(LogFiles, InvalidShiftJisIsKeptOnLoadAndMarkedOnSave) {
  Write(logPath(), "1,0,0,0,5,a\x81,b\x81\x10" "c,\r\n");
  TScrapList list(ui_);
  ASSERT_TRUE(list.OpenFolder(folder()));
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.GetItem(0).TITLE, "a\x81");
  EXPECT_EQ(list.GetItem(0).AUTHOR, "b\x81\x10" "c");
  list.MarkRead(0);
  list.SetSelected(0, true);
  list.SetSelectedUnread(true);
  list.SaveLog();
  EXPECT_EQ(Read(logPath()), "1,0,1,0,5,a??,b??c,,,,,,,,\r\n");
}

TEST_F(LogFiles, FiftyMegabyteBodyRoundTrips) {
  TScrapList list(ui_);
  ASSERT_TRUE(list.OpenFolder(folder()));
  std::string body(50u << 20, 'x');
  for (std::size_t i = 0; i < body.size(); i += 4096) body[i] = '\n';
  TDataInfo a = Article(1, 0, 5, "big", body);
  list.AddItem(a, false);
  list.SaveLog();
  TScrapList again(ui_);
  ASSERT_TRUE(again.OpenFolder(folder()));
  ASSERT_EQ(again.Count(), 1);
  std::string expected;
  for (char c : body) {
    if (c == '\n') expected += '\r';
    expected += c;
  }
  EXPECT_EQ(again.GetItem(0).BODY.size(), expected.size());
  EXPECT_TRUE(again.GetItem(0).BODY == expected);
}

TEST_F(LogFiles, FailedSaveShowsTheMessageAndKeepsTheChanges) {
  TScrapList list(ui_);
  ASSERT_TRUE(list.OpenFolder(folder()));
  list.AddItem(Article(1, 0, 5, "kept"), false);
  static int failures;
  failures = 0;
  sys::CurrentHooks().write = [](int, const void*, size_t) -> ssize_t {
    ++failures;
    errno = ENOSPC;
    return -1;
  };
  list.SaveLog();
  // A folder change would drop the articles, so it is refused while saving fails.
  EXPECT_FALSE(list.OpenFolder(dir_ + "other"));
  EXPECT_EQ(list.FolderPath(), folder());
  EXPECT_EQ(list.Count(), 1);
  sys::CurrentHooks() = sys::RealHooks();
  EXPECT_GT(failures, 0);
  EXPECT_TRUE(list.Modified());
  // The node file (its LastTopic was raised) and the log both report.
  ASSERT_EQ(ui_.calls.size(), 4u);
  EXPECT_EQ(ui_.calls[0].text.substr(0, kCannotWrite.size() + 2 + list.NodeFilePath().size()),
            kCannotWrite + "\r\n" + list.NodeFilePath());
  EXPECT_EQ(ui_.calls[1].text.substr(0, kCannotWrite.size() + 2 + logPath().size() + 2),
            kCannotWrite + "\r\n" + logPath() + "\r\n");
  EXPECT_NE(ui_.calls[1].text.find(sys::ErrnoText(ENOSPC)), std::string::npos);
  EXPECT_FALSE(fs::FileExists(logPath()));
  // The next save succeeds.
  list.SaveLog();
  EXPECT_FALSE(list.Modified());
  EXPECT_EQ(Read(logPath()), "1,0,0,0,5,kept,,,,,,,,,\r\n");
  EXPECT_TRUE(list.OpenFolder(dir_ + "other"));
}

TEST_F(LogFiles, FailedSaveLeavesTheOldFileWhole) {
  Write(logPath(), "1,0,0,0,5,old,,,,,,,,,\r\n");
  TScrapList list(ui_);
  ASSERT_TRUE(list.OpenFolder(folder()));
  list.AddItem(Article(2, 0, 6, "new"), false);
  sys::CurrentHooks().fsync = [](int) {
    errno = EIO;
    return -1;
  };
  list.SaveLog();
  sys::CurrentHooks() = sys::RealHooks();
  EXPECT_EQ(Read(logPath()), "1,0,0,0,5,old,,,,,,,,,\r\n");
  EXPECT_TRUE(list.Modified());
}

TEST_F(LogFiles, LoadMeasuresTimeWithTheGivenClock) {
  Write(logPath(), "1,0,0,0,5,a,\r\n");
  std::uint32_t now = 100;
  TScrapList list(ui_, [&] { return now += 7; });
  ASSERT_TRUE(list.OpenFolder(folder()));
  EXPECT_EQ(list.LoadTime(), 7);
}

}  // namespace
}  // namespace bq
