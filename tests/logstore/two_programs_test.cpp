// Two programs on one folder: each log saves its own changes over whatever
// the other saved meanwhile. Two TScrapList objects stand for the two
// programs (their locks are separate open files, as between processes).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "logstore/folder_info.h"
#include "logstore/scrap_list.h"
#include "logstore_fixture.h"
#include "platform/file_lock.h"

namespace bq {
namespace {

using testing::Article;

const std::string kLockedByOther =
    "\x91\xbc\x82\xcc\x83v\x83\x8d\x83O\x83\x89\x83\x80\x82\xaa\x83\x8d\x83\x62\x83N\x82\xb5\x82\xc4\x82\xa2\x82\xdc\x82\xb7";

void Add(TScrapList& list, int topic, bool unread, const std::string& title = "t") {
  TDataInfo a = Article(topic, 0, 1000u + static_cast<std::uint32_t>(topic), title, "body");
  a.Unread = unread;
  list.AddItem(a, false);
}

void Select(TScrapList& list, const std::vector<int>& topics) {
  list.ClearSelected();
  for (int t : topics) list.SetSelected(list.IndexOfTopic(t), true);
}

class TwoPrograms : public testing::TempFolder {
 protected:
  TwoPrograms() : a_(ui_), b_(ui_) {}
  void SetUp() override {
    TempFolder::SetUp();
    folder_ = dir_ + "site/";
    // Ten articles, the even ones unread.
    TScrapList first(ui_);
    ASSERT_TRUE(first.OpenFolder(folder_));
    for (int t = 1; t <= 10; ++t) Add(first, t, t % 2 == 0);
    ASSERT_TRUE(first.SaveLog());
    ASSERT_TRUE(a_.OpenFolder(folder_));
    ASSERT_TRUE(b_.OpenFolder(folder_));
  }
  // The log on disk: topic -> (unread, title); a topic twice fails the test.
  std::map<int, std::pair<bool, std::string>> OnDisk() {
    TScrapList check(ui_);
    check.SetReadOnly(true);
    EXPECT_TRUE(check.OpenFolder(folder_));
    std::map<int, std::pair<bool, std::string>> out;
    for (int i = 0; i < check.Count(); ++i) {
      const TDataInfo d = check.GetItem(i);
      EXPECT_TRUE(out.emplace(d.TOPIC, std::make_pair(d.Unread, d.TITLE)).second) << "topic " << d.TOPIC << " twice";
    }
    return out;
  }
  mode_t Mode(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
  }

  std::string folder_;
  TScrapList a_, b_;
};

struct MergeCase {
  const char* name;
  std::function<void(TScrapList&)> first;   // changed and saved first
  std::function<void(TScrapList&)> second;  // loaded before, saved after
  std::vector<int> present;                 // topics on disk at the end
  std::vector<int> unread;                  // of them, the unread ones
};

class Merge : public TwoPrograms, public ::testing::WithParamInterface<MergeCase> {};

TEST_P(Merge, TheLaterSaveKeepsWhatTheEarlierSaved) {
  const MergeCase& c = GetParam();
  c.first(a_);
  ASSERT_TRUE(a_.SaveLog());
  c.second(b_);
  ASSERT_TRUE(b_.SaveLog());
  const auto disk = OnDisk();
  std::vector<int> present, unread;
  for (const auto& [topic, state] : disk) {
    present.push_back(topic);
    if (state.first) unread.push_back(topic);
  }
  EXPECT_EQ(present, c.present);
  EXPECT_EQ(unread, c.unread);
  EXPECT_TRUE(ui_.calls.empty());
  // The merged log is what the second program holds now, and it is saved.
  EXPECT_EQ(b_.Count(), static_cast<int>(c.present.size()));
  EXPECT_FALSE(b_.Modified());
  EXPECT_FALSE(b_.ChangedOnDisk());
}

INSTANTIATE_TEST_SUITE_P(
    TwoPrograms, Merge,
    ::testing::Values(
        MergeCase{"BothStoreNewArticles",
                  [](TScrapList& l) { Add(l, 11, true), Add(l, 12, true); },
                  [](TScrapList& l) { Add(l, 13, true), Add(l, 14, true); },
                  {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}, {2, 4, 6, 8, 10, 11, 12, 13, 14}},
        MergeCase{"BothStoreTheSameArticleOnce",
                  [](TScrapList& l) { l.AddItem(Article(11, 0, 2011, "mine"), false); },
                  [](TScrapList& l) { l.AddItem(Article(11, 0, 2011, "theirs"), false); },
                  {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, {2, 4, 6, 8, 10}},
        MergeCase{"DeletedArticlesDoNotComeBack",
                  [](TScrapList& l) { Select(l, {2, 3, 4}); l.DeleteSelected(); },
                  [](TScrapList& l) { l.AddItem(Article(11, 0, 2011), false); },
                  {1, 5, 6, 7, 8, 9, 10, 11}, {6, 8, 10}},
        MergeCase{"ReadMarksAreNotUndone",
                  [](TScrapList& l) { for (int i = 0; i < l.Count(); ++i) l.SetSelected(i, true); l.SetSelectedUnread(false); },
                  [](TScrapList& l) { Add(l, 11, true); },
                  {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, {11}},
        MergeCase{"ReadMarksOfBothStay",
                  [](TScrapList& l) { l.MarkRead(l.IndexOfTopic(2)); l.MarkRead(l.IndexOfTopic(4)); },
                  [](TScrapList& l) { l.MarkRead(l.IndexOfTopic(6)); Select(l, {1}); l.SetSelectedUnread(true); },
                  {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {1, 8, 10}},
        MergeCase{"AMarkOnAnArticleTheOtherDeletedKeepsItDeleted",
                  [](TScrapList& l) { l.DeleteTopic(2); },
                  [](TScrapList& l) { l.MarkRead(l.IndexOfTopic(2)); },
                  {1, 3, 4, 5, 6, 7, 8, 9, 10}, {4, 6, 8, 10}},
        MergeCase{"BothDeleteAndStore",
                  [](TScrapList& l) { l.DeleteTopic(1); l.AddItem(Article(11, 0, 2011), false); },
                  [](TScrapList& l) { l.DeleteTopic(10); l.AddItem(Article(12, 0, 2012), false); l.DeleteTopic(12); },
                  {2, 3, 4, 5, 6, 7, 8, 9, 11}, {2, 4, 6, 8}}),
    [](const ::testing::TestParamInfo<MergeCase>& info) { return std::string(info.param.name); });

TEST_F(TwoPrograms, AnOverwriteIsKeptOverTheOtherProgramsVersion) {
  a_.AddItem(Article(11, 0, 2011, "new"), false);
  ASSERT_TRUE(a_.SaveLog());
  b_.AddItem(Article(3, 0, 1003, "rewritten", "again"), true);
  ASSERT_TRUE(b_.SaveLog());
  const auto disk = OnDisk();
  EXPECT_EQ(disk.at(3).second, "rewritten");
  EXPECT_EQ(disk.size(), 11u);
}

TEST_F(TwoPrograms, TheMergedLogIsSortedAsTheSavingProgramLastSortedIt) {
  a_.AddItem(Article(20, 0, 3000, "late thread"), false);
  ASSERT_TRUE(a_.SaveLog());
  b_.AddItem(Article(21, 3, 4000, "reply to 3"), false);
  b_.Descending = true;
  b_.SortItems(0);
  ASSERT_TRUE(b_.SaveLog());
  // The same articles sorted afresh give the same order.
  TScrapList check(ui_);
  ASSERT_TRUE(check.OpenFolder(folder_));
  std::vector<int> saved, sorted;
  for (int i = 0; i < check.Count(); ++i) saved.push_back(check.GetItem(i).TOPIC);
  check.Descending = true;
  check.SortItems(0);
  for (int i = 0; i < check.Count(); ++i) sorted.push_back(check.GetItem(i).TOPIC);
  EXPECT_EQ(saved, sorted);
  EXPECT_EQ(saved.front(), 3);  // the thread with the newest reply first
  EXPECT_EQ(saved[1], 21);
}

TEST_F(TwoPrograms, ReloadShowsTheOtherProgramsSaveAndKeepsSelectionAndOwnChanges) {
  b_.SetSelected(b_.IndexOfTopic(7), true);
  b_.MarkRead(b_.IndexOfTopic(8));
  EXPECT_FALSE(b_.ChangedOnDisk());
  a_.AddItem(Article(11, 0, 2011), false);
  a_.DeleteTopic(1);
  ASSERT_TRUE(a_.SaveLog());
  EXPECT_TRUE(b_.ChangedOnDisk());
  ASSERT_TRUE(b_.Reload());
  EXPECT_FALSE(b_.ChangedOnDisk());
  EXPECT_EQ(b_.Count(), 10);
  EXPECT_EQ(b_.IndexOfTopic(1), -1);
  EXPECT_GE(b_.IndexOfTopic(11), 0);
  EXPECT_TRUE(b_.IsSelected(b_.IndexOfTopic(7)));
  EXPECT_EQ(b_.SelectedCount(), 1);
  // The read mark is still its own change, saved with the next save.
  EXPECT_FALSE(b_.IsUnread(b_.IndexOfTopic(8)));
  EXPECT_TRUE(b_.Modified());
  ASSERT_TRUE(b_.SaveLog());
  EXPECT_FALSE(OnDisk().at(8).first);
}

TEST_F(TwoPrograms, DefinitionFieldsMergeFieldByField) {
  a_.Folder.SiteUrl = "http://a/";
  a_.Folder.LastTopic = 50;
  ASSERT_TRUE(a_.SaveNode());
  b_.Folder.RoundTarget = true;
  b_.Folder.LastTopic = 40;
  b_.Folder.SetExtension("SaveCookies", "1");
  ASSERT_TRUE(b_.SaveNode());
  TFolderInfo disk;
  ASSERT_TRUE(ParseNodeFile(Read(folder_ + "kvlnode.web"), disk));
  EXPECT_EQ(disk.SiteUrl, "http://a/");
  EXPECT_TRUE(disk.RoundTarget);
  EXPECT_EQ(disk.LastTopic, 50);  // raised by both: the larger
  EXPECT_EQ(disk.Extension("SaveCookies"), "1");
  EXPECT_EQ(b_.Folder.SiteUrl, "http://a/");
}

TEST(MergeFolderInfo, EveryFieldComesFromTheSideThatChangedIt) {
  TFolderInfo base;
  base.SiteUrl = "u";
  base.LastRound = 100;
  TFolderInfo ours = base, theirs = base;
  ours.NickName = "mine";
  ours.LastRound = 150;
  ours.ShowBody = true;
  theirs.SiteUrl = "theirs";
  theirs.LastRound = 120;
  theirs.SetExtension("Charset", "EUC-JP");
  const TFolderInfo m = MergeFolderInfo(base, ours, theirs);
  EXPECT_EQ(m.NickName, "mine");
  EXPECT_EQ(m.SiteUrl, "theirs");
  EXPECT_TRUE(m.ShowBody);
  EXPECT_EQ(m.LastRound, 150u);
  EXPECT_EQ(m.Extension("Charset"), "EUC-JP");
  // Nothing changed here: theirs whole.
  EXPECT_EQ(MergeFolderInfo(base, base, theirs), theirs);
}

TEST_F(TwoPrograms, TheScheduleOfTheOtherProgramStaysWhenTheOpenFolderIsWritten) {
  TScrapList one(ui_), two(ui_);
  ASSERT_TRUE(one.SetLogRoot(dir_));
  ASSERT_TRUE(two.SetLogRoot(dir_));
  one.ScheduleEnabled = true;
  one.ScheduleHours = 1u << 13;
  one.ScheduleMinute = 30;
  ASSERT_TRUE(one.SaveRootDef());
  ASSERT_TRUE(two.OpenFolder(folder_));
  ASSERT_TRUE(two.SaveRootDef());
  const RootDefinition disk = ParseRootDef(Read(dir_ + "weblog.def"));
  EXPECT_TRUE(disk.ScheduleEnabled);
  EXPECT_EQ(disk.ScheduleHours, 1u << 13);
  EXPECT_EQ(disk.ScheduleMinute, 30);
  EXPECT_EQ(disk.LastFolder, folder_);
  // A schedule kept in memory follows the file.
  TScrapList three(ui_);
  ASSERT_TRUE(three.SetLogRoot(dir_));
  one.ScheduleMinute = 45;
  ASSERT_TRUE(one.SaveRootDef());
  EXPECT_TRUE(three.ReloadRootDef());
  EXPECT_EQ(three.ScheduleMinute, 45);
  EXPECT_FALSE(three.ReloadRootDef());
}

TEST_F(TwoPrograms, ASaveWaitsForTheLockThenFailsAndSaysWhoHoldsIt) {
  FileLock held;
  std::string reason;
  ASSERT_EQ(held.Acquire(folder_ + "kvllog.lck", LockWait{}, reason), LockResult::kHeld);
  const std::string before = Read(folder_ + "kvllog.dat");
  std::vector<std::uint32_t> notices;
  a_.LockNoticeMs = 50;
  a_.LockLimitMs = 400;
  a_.OnLockWait = [&](const std::string& folder, std::uint32_t ms) {
    EXPECT_EQ(folder, folder_);
    notices.push_back(ms);
  };
  a_.AddItem(Article(11, 0, 2011), false);
  EXPECT_FALSE(a_.SaveLog());
  EXPECT_TRUE(a_.Modified());
  EXPECT_EQ(Read(folder_ + "kvllog.dat"), before);
  ASSERT_FALSE(notices.empty());
  EXPECT_GE(notices.front(), 50u);
  ASSERT_EQ(a_.FailedWrites().size(), 2u);  // the node file (LastTopic) and the log
  EXPECT_EQ(a_.FailedWrites()[1], folder_ + "kvllog.dat: " + kLockedByOther);
  // The lock given up (or its holder killed), the next save goes through.
  held.Release();
  EXPECT_TRUE(a_.SaveLog());
  EXPECT_EQ(OnDisk().size(), 11u);
}

TEST_F(TwoPrograms, FilesKeepTheirPermissionsAndALeftoverTemporaryGoes) {
  ASSERT_EQ(::chmod((folder_ + "kvllog.dat").c_str(), 0640), 0);
  Write(folder_ + "kvllog.dat.tmp~", "half a save");
  ::chmod((folder_ + "kvllog.dat.tmp~").c_str(), 0);
  a_.AddItem(Article(11, 0, 2011), false);
  ASSERT_TRUE(a_.SaveLog());
  EXPECT_EQ(Mode(folder_ + "kvllog.dat"), 0640u);
  EXPECT_FALSE(fs::FileExists(folder_ + "kvllog.dat.tmp~"));
  ASSERT_EQ(::chmod((folder_ + "kvlnode.web").c_str(), 0600), 0);
  a_.Folder.NickName = "n";
  ASSERT_TRUE(a_.SaveNode());
  EXPECT_EQ(Mode(folder_ + "kvlnode.web"), 0600u);
}

TEST_F(TwoPrograms, ANewDefinitionHoldingAPasswordIsTheOwnersAlone) {
  for (const char* name : {"plain", "secret"}) {
    TScrapList list(ui_);
    ASSERT_TRUE(list.OpenFolder(dir_ + name));
    if (std::string(name) == "secret") list.Folder.LoginPassword = "pw";
    list.Folder.SiteUrl = "http://x/";
    ASSERT_TRUE(list.SaveNode());
  }
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(Mode(dir_ + "secret/kvlnode.web"), 0600u & ~mask);
  EXPECT_EQ(Mode(dir_ + "plain/kvlnode.web"), 0644u & ~mask);
}

}  // namespace
}  // namespace bq
