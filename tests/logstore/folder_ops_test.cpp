// The disk side of the folder actions and the data-folder history.
#include "logstore/folder_ops.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "logstore/scrap_list.h"
#include "logstore_fixture.h"

namespace bq {
namespace {

using testing::Article;

const std::string kNew = "\x90V\x82\xb5\x82\xa2\x83t\x83H\x83\x8b\x83_";
const std::string kCannotRename =
    "\x96\xbc\x91O\x82\xcc\x95\xcf\x8dX\x82\xaa\x8fo\x97\x88\x82\xdc\x82\xb9\x82\xf1\x81I";
const std::string kAllGone =
    " \x88\xc8\x89\xba\x82\xcc\x83\x66\x81[\x83^\x82\xcd\x91S\x82\xc4\x8f\xc1\x82\xa6\x82\xdc\x82\xb7\x81I"
    "\r\n\x82\xd9\x82\xf1\x82\xc6\x82\xc9\x82\xa2\x82\xa2\x81H";
const std::string kCannotDelete =
    " \x82\xaa\x8d\xed\x8f\x9c\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd!";

class FolderActions : public testing::TempFolder {
 protected:
  FolderActions() : list_(ui_) {}
  void SetUp() override {
    TempFolder::SetUp();
    list_.SetLogRoot(dir_);
  }
  TScrapList list_;
};

TEST_F(FolderActions, NewFoldersAreNumberedFromOneAndReuseFreedNumbers) {
  EXPECT_EQ(CreateNewFolder(dir_), kNew + "1");
  EXPECT_EQ(CreateNewFolder(dir_), kNew + "2");
  EXPECT_EQ(CreateNewFolder(dir_ + "/"), kNew + "3");
  EXPECT_TRUE(fs::DirectoryExists(dir_ + kNew + "2"));
  ASSERT_TRUE(fs::RemoveDir(dir_ + kNew + "2"));
  EXPECT_EQ(CreateNewFolder(dir_), kNew + "2");
  Write(dir_ + kNew + "4", "a plain file takes the name too");
  EXPECT_EQ(NewFolderName(dir_), kNew + "5");
}

TEST_F(FolderActions, NewFolderThatCannotBeMadeRaises) {
  try {
    CreateNewFolder(dir_ + "missing/parent");
    FAIL();
  } catch (const FolderError& e) {
    EXPECT_EQ(e.what(), "Cannot create " + kNew + "1");
  }
}

TEST_F(FolderActions, RenameMovesTheFolderAndTheOpenPathFollows) {
  ASSERT_TRUE(list_.OpenFolder(dir_ + "old/inner"));
  list_.AddItem(Article(1, 0, 1), false);
  ASSERT_TRUE(RenameSiteFolder(list_, ui_, dir_ + "old/", "new"));
  EXPECT_TRUE(fs::DirectoryExists(dir_ + "new/inner"));
  EXPECT_FALSE(fs::DirectoryExists(dir_ + "old"));
  EXPECT_EQ(list_.FolderPath(), dir_ + "new/inner/");
  list_.SaveLog();
  EXPECT_TRUE(fs::FileExists(dir_ + "new/inner/kvllog.dat"));
  EXPECT_TRUE(ui_.calls.empty());
}

TEST_F(FolderActions, RenameOfAnotherFolderLeavesTheOpenPath) {
  ASSERT_TRUE(list_.OpenFolder(dir_ + "open"));
  fs::ForceDirectories(dir_ + "openx");
  ASSERT_TRUE(RenameSiteFolder(list_, ui_, dir_ + "openx", "y"));
  EXPECT_EQ(list_.FolderPath(), dir_ + "open/");
}

class BadRename : public FolderActions, public ::testing::WithParamInterface<const char*> {};

TEST_P(BadRename, ShowsTheMessageAndLeavesTheDisk) {
  fs::ForceDirectories(dir_ + "a");
  fs::ForceDirectories(dir_ + "taken");
  EXPECT_FALSE(RenameSiteFolder(list_, ui_, dir_ + "a", GetParam()));
  ASSERT_EQ(ui_.calls.size(), 1u);
  EXPECT_EQ(ui_.calls[0].text, kCannotRename);
  EXPECT_TRUE(fs::DirectoryExists(dir_ + "a"));
  EXPECT_TRUE(fs::DirectoryExists(dir_ + "taken"));
}
INSTANTIATE_TEST_SUITE_P(FolderActions, BadRename,
                         ::testing::Values("", "taken", "x/y", "x\\y", ".", ".."));

TEST_F(FolderActions, RenameOfAMissingFolderFails) {
  EXPECT_FALSE(RenameSiteFolder(list_, ui_, dir_ + "nothing", "b"));
  EXPECT_EQ(ui_.calls.at(0).text, kCannotRename);
}

TEST_F(FolderActions, DeleteAsksThenRemovesEverythingBelow) {
  Write(dir_ + "site/kvllog.dat", "1,0,0,0,1,t,\r\n");
  Write(dir_ + "site/sub/deeper/f.txt", "x");
  ASSERT_TRUE(list_.OpenFolder(dir_ + "site/sub"));
  list_.AddItem(Article(1, 0, 1), false);
  ui_.messageAnswers = {kIdYes};
  EXPECT_TRUE(DeleteSiteFolder(list_, ui_, dir_ + "site", "site"));
  ASSERT_EQ(ui_.calls.size(), 1u);
  EXPECT_EQ(ui_.calls[0].text, "site" + kAllGone);
  EXPECT_EQ(ui_.calls[0].number, kMbYesNo);
  EXPECT_FALSE(fs::DirectoryExists(dir_ + "site"));
  EXPECT_EQ(list_.FolderPath(), "");
  EXPECT_EQ(list_.Count(), 0);
  list_.SaveLog();
  EXPECT_FALSE(fs::DirectoryExists(dir_ + "site")) << "nothing written back";
}

TEST_F(FolderActions, DeleteAnsweredNoKeepsEverything) {
  Write(dir_ + "site/f", "x");
  ui_.messageAnswers = {kIdNo};
  EXPECT_FALSE(DeleteSiteFolder(list_, ui_, dir_ + "site", "site"));
  EXPECT_TRUE(fs::FileExists(dir_ + "site/f"));
}

TEST_F(FolderActions, DeleteNeverFollowsSymbolicLinks) {
  Write(dir_ + "outside/keep.txt", "precious");
  fs::ForceDirectories(dir_ + "site");
  ASSERT_EQ(::symlink((dir_ + "outside").c_str(), (dir_ + "site/link").c_str()), 0);
  ui_.messageAnswers = {kIdYes};
  EXPECT_TRUE(DeleteSiteFolder(list_, ui_, dir_ + "site", "site"));
  EXPECT_FALSE(fs::DirectoryExists(dir_ + "site"));
  EXPECT_EQ(Read(dir_ + "outside/keep.txt"), "precious");
}

TEST_F(FolderActions, UndeletableFolderIsReportedByPath) {
  Write(dir_ + "site/locked/f", "x");
  // A file that cannot go keeps its folder: for root an immutable file, for
  // anyone else a folder without write permission.
  const std::string file = dir_ + "site/locked/f";
  const bool asRoot = ::geteuid() == 0;
  if (asRoot) {
    if (std::system(("chattr +i '" + file + "' 2>/dev/null").c_str()) != 0) {
      GTEST_SKIP() << "no immutable files here";
    }
  } else {
    ASSERT_EQ(::chmod((dir_ + "site/locked").c_str(), 0555), 0);
  }
  ui_.messageAnswers = {kIdYes};
  const bool gone = DeleteSiteFolder(list_, ui_, dir_ + "site", "site");
  if (asRoot) std::system(("chattr -i '" + file + "'").c_str());
  EXPECT_FALSE(gone);
  ASSERT_EQ(ui_.calls.size(), 3u);
  EXPECT_EQ(ui_.calls[1].text, dir_ + "site/locked" + kCannotDelete);
  EXPECT_EQ(ui_.calls[2].text, dir_ + "site" + kCannotDelete);
  EXPECT_TRUE(fs::FileExists(file));
}

TEST_F(FolderActions, TheLogRootIsNeverDeleted) {
  ui_.messageAnswers = {kIdYes};
  EXPECT_FALSE(DeleteSiteFolder(list_, ui_, dir_, "root"));
  EXPECT_TRUE(ui_.calls.empty());
  EXPECT_TRUE(fs::DirectoryExists(dir_));
}

TEST(DataFolderHistory, MostRecentFirstWithoutRepeatsAtMostEight) {
  std::vector<std::string> h = {"/a/", "", "/B", "/c"};
  PutFirstInHistory(h, "/b/");
  EXPECT_EQ(h, (std::vector<std::string>{"/b/", "/a/", "/c"}));
  for (int i = 0; i < 10; ++i) PutFirstInHistory(h, "/d" + std::to_string(i));
  ASSERT_EQ(h.size(), 8u);
  EXPECT_EQ(h.front(), "/d9");
  EXPECT_EQ(h.back(), "/d2");
}

TEST(DataFolderHistory, NextEntryWraps) {
  const std::vector<std::string> h = {"/a", "/b", "/c"};
  EXPECT_EQ(NextHistoryEntry(h, "/A/"), "/b");
  EXPECT_EQ(NextHistoryEntry(h, "/c"), "/a");
  EXPECT_EQ(NextHistoryEntry(h, "/zz"), "/a");
  EXPECT_EQ(NextHistoryEntry({}, "/a"), "");
}

TEST_F(FolderActions, MenuListsExistingFoldersWithASeparator) {
  fs::ForceDirectories(dir_ + "x");
  const std::vector<std::string> h = {dir_ + "x", dir_ + "missing", dir_};
  EXPECT_EQ(HistoryMenuEntries(h), (std::vector<std::string>{dir_ + "x/", dir_}));
}

}  // namespace
}  // namespace bq
