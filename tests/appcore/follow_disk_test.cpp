// The open folder and the tree's counts follow what another program saved:
// the open log is read again when nothing runs, keeping the selection, the
// focus, the first row shown and this program's unsaved read marks; the
// tree's caption counts what is on disk, and for the open folder what is in
// memory.
#include <map>
#include <string>
#include <vector>

#include "tests/appcore/list_fixture.h"

namespace bq::test {
namespace {

class FollowDisk : public ListFixture {
 protected:
  void SetUp() override {
    ListFixture::SetUp();
    std::vector<TDataInfo> articles;
    for (int t = 1; t <= 10; ++t) articles.push_back(Art(t, 0, Day(t), "記事", true));
    OpenWith(articles);
    folder = Log().FolderPath();
  }
  int RowOf(int topic) { return Log().IndexOfTopic(topic); }
  int TopicAt(int row) { return row < 0 ? -1 : Log().GetItem(row).TOPIC; }
  // The other program: stores, deletes and marks read, then saves.
  void OtherProgramSaves(const std::vector<int>& add, const std::vector<int>& erase, const std::vector<int>& read) {
    TScrapList other(ui);
    ASSERT_TRUE(other.OpenFolder(folder));
    for (int t : add) other.AddItem(Art(t, 0, Day(t), "新着", true), false);
    for (int t : erase) other.DeleteTopic(t);
    for (int t : read) other.MarkRead(other.IndexOfTopic(t));
    ASSERT_TRUE(other.SaveLog());
  }
  // topic -> unread, as saved.
  std::map<int, bool> OnDisk() {
    TScrapList check(ui);
    check.SetReadOnly(true);
    EXPECT_TRUE(check.OpenFolder(folder));
    std::map<int, bool> out;
    for (int i = 0; i < check.Count(); ++i) out[check.GetItem(i).TOPIC] = check.IsUnread(i);
    return out;
  }
  std::string folder;
};

TEST_F(FollowDisk, TheOpenFolderIsReadAgainKeepingWhatTheUserSeesAndDid) {
  list.SelectOnly(RowOf(3));
  list.SetFocused(RowOf(3));
  ASSERT_TRUE(list.MarkShownRead(RowOf(5)));  // read here, not saved yet
  EXPECT_FALSE(list.FollowDisk(RowOf(4)).reloaded) << "nothing changed on disk";

  OtherProgramSaves({11, 12, 13}, {7}, {2});
  const app::TArticleList::DiskFollow f = list.FollowDisk(RowOf(4));
  ASSERT_TRUE(f.reloaded);
  EXPECT_EQ(list.RowCount(), 12);
  EXPECT_EQ(TopicAt(list.Focused()), 3);
  EXPECT_EQ(TopicAt(list.CurrentRow()), 3);
  EXPECT_EQ(list.SelectedCount(), 1);
  EXPECT_EQ(TopicAt(f.topRow), 4);
  EXPECT_FALSE(Log().IsUnread(RowOf(5))) << "this program's read mark";
  EXPECT_FALSE(Log().IsUnread(RowOf(2))) << "the other's read mark";
  EXPECT_EQ(RowOf(7), -1);
  EXPECT_TRUE(Log().IsUnread(RowOf(12)));
  EXPECT_FALSE(list.FollowDisk(0).reloaded) << "read once";

  // The read mark made here was kept unsaved; it is saved over the other's.
  EXPECT_TRUE(Log().Modified());
  app.SaveLog();
  const std::map<int, bool> disk = OnDisk();
  EXPECT_EQ(disk.size(), 12u);
  EXPECT_FALSE(disk.at(5));
  EXPECT_FALSE(disk.at(2));
  EXPECT_TRUE(disk.at(13));
  EXPECT_EQ(disk.count(7), 0u);
}

TEST_F(FollowDisk, ARowShownThatTheOtherDeletedGivesNoTopRow) {
  OtherProgramSaves({}, {4}, {});
  const app::TArticleList::DiskFollow f = list.FollowDisk(RowOf(4));
  EXPECT_TRUE(f.reloaded);
  EXPECT_EQ(f.topRow, -1);
  EXPECT_EQ(list.Focused(), -1);
}

TEST_F(FollowDisk, NotWhileARunOrADialogHoldsTheLogThenAfterwards) {
  OtherProgramSaves({11}, {}, {});
  {
    app::TBusyState::Scope fetch = app.Busy().Enter(app::Activity::Fetch, true);
    EXPECT_FALSE(list.FollowDisk(0).reloaded);
  }
  {
    app::TBusyState::Scope dialog = app.Busy().OpenDialog();
    EXPECT_FALSE(list.FollowDisk(0).reloaded);
  }
  EXPECT_EQ(list.RowCount(), 10);
  EXPECT_TRUE(list.FollowDisk(0).reloaded);
  EXPECT_EQ(list.RowCount(), 11);
}

TEST_F(FollowDisk, TheTreeCaptionCountsWhatIsOnDiskAndTheOpenFolderInMemory) {
  const std::string other = Site(S("掲示板"), {Art(1, 0, Day(1), "a", true), Art(2, 0, Day(2), "b", true),
                                            Art(3, 0, Day(3), "c", false)});
  const std::string name = S("掲示板");
  EXPECT_EQ(U(app.FolderCaption(other, name)), "掲示板 (2)");
  EXPECT_EQ(app.UnreadCount(folder), 10);
  ASSERT_TRUE(list.MarkShownRead(0));
  EXPECT_EQ(app.UnreadCount(folder), 9) << "the open folder's unsaved read mark counts at once";
  {
    // Another program reads the closed folder's articles.
    TScrapList log(ui);
    ASSERT_TRUE(log.OpenFolder(other));
    log.MarkRead(log.IndexOfTopic(1));
    ASSERT_TRUE(log.SaveLog());
    EXPECT_EQ(U(app.FolderCaption(other, name)), "掲示板 (1)");
    log.MarkRead(log.IndexOfTopic(2));
    ASSERT_TRUE(log.SaveLog());
  }
  EXPECT_EQ(U(app.FolderCaption(other, name)), "掲示板");
  app.Settings.unreadCounts = false;
  EXPECT_EQ(U(app.FolderCaption(folder, S("site"))), "site");
}

}  // namespace
}  // namespace bq::test
