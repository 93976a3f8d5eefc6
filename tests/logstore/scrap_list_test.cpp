// TScrapList operations on articles: appending with the identity check,
// deleting, read marks, search, duplicates and the log-root path toggle.
#include "logstore/scrap_list.h"

#include <gtest/gtest.h>

#include "logstore/folder_info.h"
#include "logstore_fixture.h"

namespace bq {
namespace {

using testing::Article;

class ScrapList : public testing::TempFolder {
 protected:
  ScrapList() : list_(ui_) {}
  void SetUp() override {
    TempFolder::SetUp();
    list_.SetLogRoot(dir_);
    ASSERT_TRUE(list_.OpenFolder(dir_ + "site"));
  }
  TFolderInfo NodeOnDisk() {
    TFolderInfo info;
    ParseNodeFile(Read(dir_ + "site/kvlnode.web"), info);
    return info;
  }
  TScrapList list_;
};

TEST_F(ScrapList, ArticleWithoutTitleAndDateIsNeverStored) {
  EXPECT_EQ(list_.AddItem(Article(1, 0, 0, ""), false), -1);
  EXPECT_EQ(list_.Count(), 0);
  EXPECT_FALSE(list_.Modified());
  EXPECT_EQ(list_.AddItem(Article(1, 0, 5, ""), false), 0);
  EXPECT_EQ(list_.AddItem(Article(2, 0, 0, "title"), false), 1);
}

TEST_F(ScrapList, SameIdentityIsNotStoredTwice) {
  ASSERT_EQ(list_.AddItem(Article(1, 0, 5, "first", "old"), false), 0);
  list_.AddItem(Article(2, 0, 5, "other"), false);
  list_.SaveLog();
  EXPECT_EQ(list_.AddItem(Article(1, 0, 5, "second", "new"), false), 0);
  EXPECT_EQ(list_.Count(), 2);
  EXPECT_EQ(list_.GetItem(0).BODY, "old");
  EXPECT_FALSE(list_.Modified());
  // Any part of the identity differing makes a new article.
  EXPECT_EQ(list_.AddItem(Article(1, 1, 5, "x"), false), 2);
  EXPECT_EQ(list_.AddItem(Article(1, 0, 6, "x"), false), 3);
}

TEST_F(ScrapList, OverwriteReplacesTheStoredTexts) {
  list_.AddItem(Article(1, 0, 5, "first", "old"), false);
  list_.SaveLog();
  TDataInfo a = Article(1, 0, 5, "second", "new");
  a.Selected = true;
  EXPECT_EQ(list_.AddItem(a, true), 0);
  EXPECT_EQ(list_.Count(), 1);
  EXPECT_EQ(list_.GetItem(0).TITLE, "second");
  EXPECT_EQ(list_.GetItem(0).BODY, "new");
  EXPECT_FALSE(list_.GetItem(0).Selected);
  EXPECT_TRUE(list_.Modified());
}

TEST_F(ScrapList, IdentityIndexFollowsDeletionsAndOverwrites) {
  for (int i = 1; i <= 5; ++i) list_.AddItem(Article(i, 0, 100, "t"), false);
  EXPECT_TRUE(list_.DeleteTopic(2));
  EXPECT_EQ(list_.IndexOfItem(Article(4, 0, 100)), 2);
  EXPECT_EQ(list_.IndexOfItem(Article(2, 0, 100)), -1);
  EXPECT_EQ(list_.RemoveItem(Article(5, 0, 100)), 1);
  EXPECT_EQ(list_.RemoveItem(Article(5, 0, 100)), 0);
  EXPECT_EQ(list_.AddItem(Article(5, 0, 100, "back"), false), 3);
  list_.SetSelected(0, true);
  list_.SetSelected(2, true);
  list_.DeleteSelected();
  ASSERT_EQ(list_.Count(), 2);
  EXPECT_EQ(list_.IndexOfItem(Article(3, 0, 100)), 0);
  EXPECT_EQ(list_.IndexOfItem(Article(5, 0, 100)), 1);
  EXPECT_EQ(list_.IndexOfItem(Article(1, 0, 100)), -1);
  list_.SortItems(1);
  EXPECT_EQ(list_.IndexOfItem(Article(5, 0, 100)), 0);
}

TEST_F(ScrapList, LoadedDuplicatesAreKeptAndTheFirstIsFound) {
  Write(dir_ + "dup/kvllog.dat", "1,0,0,0,5,a,\r\n1,0,0,0,5,b,\r\n");
  ASSERT_TRUE(list_.OpenFolder(dir_ + "dup"));
  EXPECT_EQ(list_.Count(), 2);
  EXPECT_EQ(list_.IndexOfItem(Article(1, 0, 5)), 0);
  list_.DeleteTopic(1);
  EXPECT_EQ(list_.IndexOfItem(Article(1, 0, 5)), 0);
  EXPECT_EQ(list_.GetItem(0).TITLE, "b");
}

// The index of a loaded log is built at the first lookup; changes made
// before that lookup must be seen by it.
TEST_F(ScrapList, IdentityOfALoadedLogHoldsAfterDeletionsBeforeTheFirstLookup) {
  Write(dir_ + "lazy/kvllog.dat", "1,0,0,0,5,a,\r\n2,0,0,0,6,b,\r\n3,0,0,0,7,c,\r\n");
  ASSERT_TRUE(list_.OpenFolder(dir_ + "lazy"));
  list_.SetSelected(1, true);
  list_.DeleteSelected();
  EXPECT_EQ(list_.AddItem(Article(2, 0, 6, "again"), false), 2);  // gone, so stored anew
  EXPECT_EQ(list_.AddItem(Article(3, 0, 7, "dup"), false), 1);     // still there
  EXPECT_EQ(list_.Count(), 3);
  EXPECT_EQ(list_.RemoveItem(Article(1, 0, 5)), 1);
  EXPECT_EQ(list_.IndexOfItem(Article(2, 0, 6)), 1);
}

TEST_F(ScrapList, AppendRaisesLastTopicUnsignedAndCallsOnAddItem) {
  int calls = 0;
  list_.OnAddItem = [&](TScrapList& l, const TDataInfo& a) {
    ++calls;
    EXPECT_EQ(&l, &list_);
    EXPECT_EQ(a.TOPIC, l.GetItem(l.Count() - 1).TOPIC);
  };
  list_.AddItem(Article(10, 0, 1), false);
  list_.AddItem(Article(3, 0, 1), false);
  EXPECT_EQ(list_.Folder.LastTopic, 10);
  list_.AddItem(Article(-1, 0, 1), false);  // 0xFFFFFFFF is the largest
  EXPECT_EQ(list_.Folder.LastTopic, -1);
  list_.AddItem(Article(3, 0, 1), false);   // same identity: no event
  EXPECT_EQ(calls, 3);
}

TEST_F(ScrapList, UnreadArrivalWritesTheNodeFileAtOnce) {
  list_.AddItem(Article(1, 0, 1), false);
  EXPECT_FALSE(list_.Folder.HasUnread);
  TDataInfo u = Article(2, 0, 1);
  u.Unread = true;
  list_.AddItem(u, false);
  EXPECT_TRUE(list_.Folder.HasUnread);
  EXPECT_TRUE(NodeOnDisk().HasUnread);
  EXPECT_TRUE(list_.IsUnread(1));
  EXPECT_EQ(list_.UnreadCount(), 1);
}

TEST_F(ScrapList, MarkingTheLastUnreadArticleReadClearsTheFlag) {
  for (int i = 1; i <= 2; ++i) {
    TDataInfo u = Article(i, 0, 1);
    u.Unread = true;
    list_.AddItem(u, false);
  }
  list_.SaveLog();
  list_.MarkRead(0);
  EXPECT_TRUE(list_.Modified());
  EXPECT_TRUE(NodeOnDisk().HasUnread);
  list_.MarkRead(1);
  EXPECT_FALSE(list_.Folder.HasUnread);
  EXPECT_FALSE(NodeOnDisk().HasUnread);
  list_.SaveLog();
  list_.MarkRead(1);  // already read: no change
  list_.MarkRead(99);
  EXPECT_FALSE(list_.Modified());
}

TEST_F(ScrapList, SelectedUnreadRecomputesTheFlag) {
  list_.AddItem(Article(1, 0, 1), false);
  list_.AddItem(Article(2, 0, 1), false);
  list_.SaveLog();
  list_.SetSelected(1, true);
  list_.SetSelected(7, true);  // ignored
  EXPECT_FALSE(list_.Modified()) << "selection alone is no change";
  EXPECT_EQ(list_.SelectedCount(), 1);
  EXPECT_FALSE(list_.SelectedHasUnread());
  list_.SetSelectedUnread(true);
  EXPECT_TRUE(list_.SelectedHasUnread());
  EXPECT_TRUE(NodeOnDisk().HasUnread);
  list_.SetSelectedUnread(false);
  EXPECT_FALSE(NodeOnDisk().HasUnread);
  list_.ClearSelected();
  EXPECT_EQ(list_.SelectedCount(), 0);
}

TEST_F(ScrapList, DeletionLeavesHasUnreadUntilTheNextLoad) {
  TDataInfo u = Article(1, 0, 1);
  u.Unread = true;
  list_.AddItem(u, false);
  list_.DeleteTopic(1);
  EXPECT_TRUE(list_.Folder.HasUnread);
  list_.SaveLog();
  list_.LoadLog();
  EXPECT_FALSE(list_.Folder.HasUnread);
  EXPECT_FALSE(NodeOnDisk().HasUnread);
}

TEST_F(ScrapList, LookupsOutOfRangeGiveTheEmptyRecord) {
  list_.AddItem(Article(4, 0, 9, "x"), false);
  EXPECT_EQ(list_.GetItem(-1).TITLE, "");
  EXPECT_EQ(list_.GetItem(1).TOPIC, 0);
  EXPECT_EQ(list_.GetTopic(5).DATE, 0u);
  EXPECT_EQ(list_.GetTopic(4).TITLE, "x");
  EXPECT_EQ(list_.IndexOfTopic(5), -1);
  EXPECT_FALSE(list_.DeleteTopic(5));
  EXPECT_FALSE(list_.IsSelected(3));
  EXPECT_FALSE(list_.IsUnread(-3));
  EXPECT_EQ(list_.View(1).TITLE, "");
}

TEST_F(ScrapList, LatestDateIsUnsignedAndZeroWhenEmpty) {
  EXPECT_EQ(list_.LatestDate(), 0u);
  list_.AddItem(Article(1, 0, 0x7FFFFFFF), false);
  list_.AddItem(Article(2, 0, 0x80000000u), false);
  list_.AddItem(Article(3, 0, 5), false);
  EXPECT_EQ(list_.LatestDate(), 0x80000000u);
}

TEST_F(ScrapList, FindTextBothWays) {
  list_.AddItem(Article(1, 0, 1, "alpha", "one"), false);
  list_.AddItem(Article(2, 0, 1, "beta", "two"), false);
  list_.AddItem(Article(3, 0, 1, "gamma", "needle"), false);
  list_.AddItem(Article(4, 0, 1, "needle", ""), false);
  EXPECT_EQ(list_.FindText("needle", 2, true), 3);
  EXPECT_EQ(list_.FindText("needle", -1, true), 2);
  EXPECT_EQ(list_.FindText("alpha", 1, false), 0);
  EXPECT_EQ(list_.FindText("alpha", 0, false), -1);
  EXPECT_EQ(list_.FindText("Needle", -1, true), -1) << "case-sensitive";
  EXPECT_EQ(list_.FindText("mmaneed", -1, true), 2) << "title and body run together";
  EXPECT_EQ(list_.SearchText(), "mmaneed");
  EXPECT_EQ(list_.FindText("x", 10, false), -1);
}

TEST_F(ScrapList, FindTextDoesNotMatchInsideADoubleByteCharacter) {
  list_.AddItem(Article(1, 0, 1, "\x83\x41"), false);  // ア: trail byte 'A'
  EXPECT_EQ(list_.FindText("A", -1, true), -1);
}

TEST_F(ScrapList, DuplicatesIgnoreTitleCaseButNotBody) {
  EXPECT_TRUE(list_.IsDuplicate(Article(1, 0, 1, "Hello", "b"), Article(2, 0, 9, "hELLO", "b")));
  EXPECT_FALSE(list_.IsDuplicate(Article(1, 0, 1, "Hello", "b"), Article(2, 0, 9, "Hello", "B")));
  EXPECT_FALSE(list_.IsDuplicate(Article(1, 0, 1, "Hello", "b"), Article(2, 0, 9, "Hell", "b")));
}

TEST_F(ScrapList, PathToggleBothWaysAndLegacyFolder) {
  const std::string root = dir_;
  EXPECT_EQ(list_.ConvertLogPath(root + "site/a.html"), "%LOG%site/a.html");
  EXPECT_EQ(list_.ConvertLogPath("%LOG%site/a.html"), root + "site/a.html");
  EXPECT_EQ(list_.ConvertLogPath("%log%x"), root + "x");
  std::string upper = root;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(list_.ConvertLogPath(upper + "y"), "%LOG%y");
  EXPECT_EQ(list_.ConvertLogPath("C:\\Program Files\\Brindlequay\\Log\\site\\a.html"), "%LOG%site\\a.html");
  EXPECT_EQ(list_.ConvertLogPath("c:\\program files\\brindlequay\\log\\b"), "%LOG%b");
  EXPECT_EQ(list_.ConvertLogPath("http://x/"), "http://x/");
  EXPECT_EQ(list_.ConvertLogPath(""), "");
}

TEST(PathToggle, WithoutALogRootNothingIsMapped) {
  RecordingUi ui;
  TScrapList list(ui);
  EXPECT_EQ(list.ConvertLogPath("/any/path"), "/any/path");
  EXPECT_EQ(list.ConvertLogPath("%LOG%x"), "%LOG%x");
}

TEST_F(ScrapList, ClearCloseAndReopen) {
  list_.AddItem(Article(1, 0, 1), false);
  list_.CloseWithoutSaving();
  EXPECT_EQ(list_.FolderPath(), "");
  EXPECT_EQ(list_.Count(), 0);
  EXPECT_FALSE(fs::FileExists(dir_ + "site/kvllog.dat"));
  ASSERT_TRUE(list_.OpenFolder(dir_ + "site/"));
  EXPECT_EQ(list_.Count(), 0);
}

TEST_F(ScrapList, OpeningTheSameFolderAgainDoesNotReload) {
  list_.AddItem(Article(1, 0, 1), false);
  ASSERT_TRUE(list_.OpenFolder(dir_ + "site"));
  EXPECT_EQ(list_.Count(), 1);
  EXPECT_TRUE(list_.Modified());
  EXPECT_TRUE(list_.OpenFolder(""));
  EXPECT_EQ(list_.FolderPath(), dir_ + "site/");
  ASSERT_TRUE(list_.OpenFolder(dir_ + "other"));
  EXPECT_EQ(Read(dir_ + "site/kvllog.dat"), "1,0,0,0,1,t,,,,,,,,,\r\n");
}

}  // namespace
}  // namespace bq
