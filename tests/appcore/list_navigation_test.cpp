// The article list's moves: rows, unread articles across folders, search,
// duplicates, deletion and read marks.
#include <gtest/gtest.h>

#include "tests/appcore/list_fixture.h"

namespace bq::test {
namespace {

using ListMoves = ListFixture;

TEST_F(ListMoves, RowStepsClampAtTheEndsAndStartFromTheEdgeWithoutSelection) {
  OpenWith({Art(1, 0, Day(1), "a"), Art(2, 0, Day(2), "b"), Art(3, 0, Day(3), "c")});
  EXPECT_EQ(list.RowBelow(), 0);
  EXPECT_EQ(list.RowAbove(), 2);
  list.SelectOnly(1);
  EXPECT_EQ(list.RowBelow(), 2);
  EXPECT_EQ(list.RowAbove(), 0);
  list.SelectOnly(2);
  EXPECT_EQ(list.RowBelow(), -1);  // already the last row
  list.SelectOnly(0);
  EXPECT_EQ(list.RowAbove(), -1);
}

TEST_F(ListMoves, NextUnreadWrapsAndComesBackToTheStartRowLast) {
  app.Settings.sortByNew = false;
  OpenWith({Art(1, 0, Day(1), "a", true), Art(2, 0, Day(2), "b"), Art(3, 0, Day(3), "c", true),
            Art(4, 0, Day(4), "d")});
  ASSERT_EQ(Topics(), (std::vector<std::int32_t>{1, 2, 3, 4}));
  EXPECT_EQ(list.NextUnread(true).row, 0);  // no selection: the first row counts
  EXPECT_EQ(list.NextUnread(false).row, 2);  // backwards from the last row
  list.SelectOnly(2);
  EXPECT_EQ(list.NextUnread(true).row, 0);  // wraps past the end
  EXPECT_EQ(list.NextUnread(false).row, 0);
  list.SelectOnly(3);
  EXPECT_EQ(list.NextUnread(true).row, 0);
  EXPECT_EQ(list.NextUnread(false).row, 2);
  Log().MarkRead(0);
  list.SelectOnly(2);  // the only unread article is the selected one
  EXPECT_EQ(list.NextUnread(true).row, 2);
}

TEST_F(ListMoves, NextUnreadInAFolderWithoutUnreadGoesToTheNextFolderWithSome) {
  app.Settings.sortByNew = false;
  Site("a", {Art(1, 0, Day(1), "a")});
  Site("b", {Art(1, 0, Day(1), "b")});
  const std::string c = Site("c", {Art(1, 0, Day(1), "c1"), Art(2, 0, Day(2), "c2", true),
                                   Art(3, 0, Day(3), "c3", true)});
  const std::string d = Site("d", {Art(1, 0, Day(1), "d", true)});
  ASSERT_TRUE(list.Open(app.LogRoot() + "b/"));
  app::UnreadStep step = list.NextUnread(true);
  EXPECT_EQ(step.row, -1);
  EXPECT_EQ(step.folder, c);
  ASSERT_TRUE(list.Open(step.folder));
  step = list.NextUnread(true);
  EXPECT_TRUE(step.folder.empty());
  ASSERT_GE(step.row, 0);
  EXPECT_EQ(U(Log().GetItem(step.row).TITLE), "c2");  // the first unread from the top
  // Backwards from b: a has none, the root none, so nothing.
  ASSERT_TRUE(list.Open(app.LogRoot() + "b/"));
  EXPECT_EQ(list.NextUnread(false).folder, "");
  // From d (after reading it) forwards there is nothing more.
  ASSERT_TRUE(list.Open(d));
  Log().MarkRead(0);
  EXPECT_EQ(list.NextUnread(true).folder, "");
  EXPECT_EQ(list.NextUnread(false).folder, c);
}

using ListFind = ListFixture;

TEST_F(ListFind, SearchDownAndUpFromTheSelectionAndKeepsItWhenNothingMoreIsFound) {
  app.Settings.sortByNew = false;
  OpenWith({Art(1, 0, Day(1), "apple", false, "x"), Art(2, 0, Day(2), "b", false, "an apple here"),
            Art(3, 0, Day(3), "c", false, "none"), Art(4, 0, Day(4), "Apple")});
  list.SearchText = "apple";
  EXPECT_EQ(list.Find(true), 0);  // nothing selected: the first row is examined
  EXPECT_EQ(list.Find(true), 1);
  EXPECT_EQ(list.Find(true), -1);  // case-sensitive: "Apple" does not match
  EXPECT_EQ(list.CurrentRow(), 1);  // past the last match the selection stays
  EXPECT_EQ(list.SelectedCount(), 1);
  EXPECT_EQ(U(app.Status.panels[0]), "見つかりません");
  EXPECT_EQ(list.Find(false), 0);
  EXPECT_EQ(list.Find(false), -1);
  EXPECT_EQ(list.CurrentRow(), 0);
  list.ClearSelection();
  EXPECT_EQ(list.Find(false), 1);  // without selection the last row is examined first
}

TEST_F(ListFind, TheInputBoxAsksWithItsCaptionAndKeepsTheText) {
  OpenWith({Art(1, 0, Day(1), "a", false, "needle")});
  ui.inputAnswers = {"needle"};
  EXPECT_EQ(list.AskAndFind(), 0);
  ASSERT_EQ(ui.calls.size(), 1u);
  EXPECT_EQ(U(ui.calls[0].caption), "件名/本文の文字列検索");
  EXPECT_EQ(U(ui.calls[0].text), "検索文字列");
  EXPECT_EQ(list.SearchText, "needle");
  EXPECT_EQ(list.AskAndFind(), -1);  // cancelled
  EXPECT_EQ(list.SearchText, "needle");
}

using ListDuplicates = ListFixture;

TEST_F(ListDuplicates, OfEqualTitlesIgnoringCaseAndEqualBodiesTheFirstStaysUnselected) {
  app.Settings.sortByNew = false;
  OpenWith({Art(1, 0, Day(1), "Hello World", false, "same"), Art(2, 0, Day(2), "hello world", false, "same"),
            Art(3, 0, Day(3), "HELLO WORLD", false, "same"), Art(4, 0, Day(4), "Hello World", false, "other"),
            Art(5, 0, Day(5), "x", false, "other")});
  list.SelectOnly(4);
  list.SelectDuplicates();
  EXPECT_EQ(list.SelectedRuns(), (std::vector<std::pair<int, int>>{{1, 2}}));
}

// The reader stays on the focused article, also when the duplicates left it
// unselected; without any selection it shows nothing.
TEST_F(ListDuplicates, TheReaderFollowsTheFocusedRow) {
  app.Settings.sortByNew = false;
  OpenWith({Art(1, 0, Day(1), "same", false, "b"), Art(2, 0, Day(2), "same", false, "b"), Art(3, 0, Day(3), "x")});
  struct Case {
    int focused;
    std::vector<std::pair<int, int>> selected;
    int reader;
  };
  for (const Case& c : {Case{0, {{1, 1}}, 0}, Case{2, {{1, 1}}, 2}, Case{-1, {{1, 1}}, 1}, Case{0, {}, -1}}) {
    list.ClearSelection();
    for (auto [first, last] : c.selected) list.SetSelected(first, last, true);
    list.SetFocused(c.focused);
    EXPECT_EQ(list.ReaderRow(), c.reader) << "focused " << c.focused;
  }
  list.SelectOnly(0);
  list.SelectDuplicates();
  EXPECT_EQ(list.ReaderRow(), 0);
  EXPECT_EQ(list.CurrentRow(), 1);
}

using ListDelete = ListFixture;

TEST_F(ListDelete, QuestionsForOneAndForSeveral) {
  OpenWith({Art(1, 0, Day(1), "題一"), Art(2, 0, Day(2), "題二")});
  list.SelectOnly(0);
  EXPECT_EQ(U(list.DeleteQuestion()), "「" + U(Log().GetItem(0).TITLE) + "」\r\nを削除しますよろしいですか？");
  list.SelectAll();
  EXPECT_EQ(U(list.DeleteQuestion()), "2 個の項目を削除します！\r\nよろしいですか？");
}

TEST_F(ListDelete, NoKeepsEverythingYesDeletesAndSelectsTheRowAtTheOldPlace) {
  app.Settings.sortByNew = false;
  OpenWith({Art(1, 0, Day(1), "a"), Art(2, 0, Day(2), "b"), Art(3, 0, Day(3), "c"), Art(4, 0, Day(4), "d")});
  list.SetSelected(1, 2, true);
  list.SetFocused(1);
  ui.messageAnswers = {kIdNo, kIdYes};
  EXPECT_FALSE(list.AskAndDelete().has_value());
  EXPECT_EQ(list.RowCount(), 4);
  ASSERT_EQ(list.AskAndDelete(), 1);
  EXPECT_EQ(ui.calls.back().number, kMbYesNo);
  EXPECT_EQ(Topics(), (std::vector<std::int32_t>{1, 4}));
  EXPECT_EQ(list.SelectedRuns(), (std::vector<std::pair<int, int>>{{1, 1}}));
  EXPECT_TRUE(Log().Modified());
  list.SelectOnly(1);
  ui.messageAnswers = {kIdYes};
  EXPECT_EQ(list.AskAndDelete(), 0);  // the last row went: the new last row
  list.SelectAll();
  ui.messageAnswers = {kIdYes};
  EXPECT_EQ(list.AskAndDelete(), -1);
  EXPECT_EQ(list.Focused(), -1);
}

using ListMarks = ListFixture;

TEST_F(ListMarks, ReadAndUnreadMarksReachTheFileWhenTheFolderIsLeft) {
  app.Settings.sortByNew = false;
  const std::string a = Site("a", {Art(1, 0, Day(1), "a", true), Art(2, 0, Day(2), "b", true)});
  ASSERT_TRUE(list.Open(a));
  list.SelectOnly(0);
  list.MarkSelected(false);
  EXPECT_EQ(U(list.ItemLabel()), "【未読: 1 / 2 項目】");
  ASSERT_TRUE(list.Open(app.LogRoot()));
  TScrapList check(ui);
  check.OpenFolder(a);
  EXPECT_FALSE(check.GetItem(0).Unread);
  EXPECT_TRUE(check.GetItem(1).Unread);
}

TEST_F(ListMarks, BrowseOpensThePageOfTheArticleOrElseTheSite) {
  TDataInfo withPage = Art(1, 0, Day(1), "a");
  withPage.PAGEURL = "http://bbs.example/1";
  OpenWith({withPage, Art(2, 0, Day(2), "b")});
  Log().Folder.SiteUrl = "http://bbs.example/";
  EXPECT_EQ(list.BrowseTarget(), "http://bbs.example/");
  list.SelectOnly(Log().IndexOfTopic(1));
  EXPECT_TRUE(list.Browse());
  EXPECT_EQ(ui.calls.back().what, "ShellOpen");
  EXPECT_EQ(ui.calls.back().text, "http://bbs.example/1");
  list.SelectOnly(Log().IndexOfTopic(2));
  EXPECT_EQ(list.BrowseTarget(), "http://bbs.example/");
}

}  // namespace
}  // namespace bq::test
