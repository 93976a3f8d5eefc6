// The article list model: cells, captions, header sorting, column widths,
// status texts and enabled actions.
#include <gtest/gtest.h>

#include "tests/appcore/list_fixture.h"

namespace bq::test {
namespace {

using app::kColAuthor;
using app::kColBody;
using app::kColDate;
using app::kColMark;
using app::kColTitle;
using app::kColTopic;

using ArticleListCells = ListFixture;

TEST_F(ArticleListCells, ColumnsAndCaptionsFollowShowBody) {
  OpenWith({Art(1, 0, Day(1), "a")});
  ASSERT_EQ(list.ColumnCount(), 5);
  std::vector<std::string> caps;
  for (int c = 0; c < list.ColumnCount(); ++c) caps.push_back(U(list.Caption(c)));
  EXPECT_EQ(caps, (std::vector<std::string>{"■", "TOPIC", "タイトル", "著作者", "日付"}));
  EXPECT_EQ(list.Cell(0, kColBody), "");
  Log().Folder.ShowBody = true;
  EXPECT_EQ(list.ColumnCount(), 6);
  EXPECT_EQ(U(list.Caption(kColBody)), "本文");
}

TEST_F(ArticleListCells, MarkColumnShowsReadStateAndLinkAndBoldMarksUnread) {
  TDataInfo linked = Art(2, 0, Day(2), "b", true);
  linked.LINK = "http://example.jp/x";
  OpenWith({Art(1, 0, Day(1), "a", false), linked});
  Log().Descending = false;
  Log().SortItems(1);  // topic 2 first
  EXPECT_EQ(CellU(0, kColMark), "■ф");
  EXPECT_EQ(CellU(1, kColMark), "□　");
  EXPECT_TRUE(list.IsBold(0, kColMark));
  EXPECT_TRUE(list.IsBold(0, kColTopic));
  EXPECT_FALSE(list.IsBold(0, kColTitle));
  EXPECT_FALSE(list.IsBold(1, kColMark));
}

TEST_F(ArticleListCells, DateAndBodyStartAndAuthor) {
  TDataInfo a = Art(1, 0, EncodeDate(2006, 5, 1, 13, 45, 0), "a", false,
                    " 一二三四五六七八九十\r\n一二三四五六七八九十");
  a.AUTHOR = S("花子");
  TDataInfo undated = Art(2, 0, 0, "b", false, "x");
  OpenWith({a, undated});
  Log().Folder.ShowBody = true;
  const int row = Log().GetItem(0).TOPIC == 1 ? 0 : 1;
  EXPECT_EQ(CellU(row, kColDate), "2006/05/01 13:45:00");
  EXPECT_EQ(CellU(1 - row, kColDate), "");
  EXPECT_EQ(CellU(row, kColAuthor), "花子");
  // 28 bytes: a blank, ten characters, CR LF, two more characters and the
  // third taken whole rather than split; blanks trimmed.
  EXPECT_EQ(CellU(row, kColBody), "一二三四五六七八九十¶一二三");
}

TEST_F(ArticleListCells, ReplyTopicIsIndentedWithItsReferenceWhenAsked) {
  OpenWith({Art(12, 0, Day(1), "root"), Art(57, 12, Day(2), "Re: root")});
  ASSERT_EQ(Topics(), (std::vector<std::int32_t>{12, 57}));
  app.Settings.dispRefer = true;
  EXPECT_EQ(list.Cell(0, kColTopic), "12");
  EXPECT_EQ(list.Cell(1, kColTopic), "  57[12]");
  EXPECT_FALSE(list.IsRightAligned(kColTopic));
  app.Settings.dispRefer = false;
  EXPECT_EQ(list.Cell(1, kColTopic), "  57");
  EXPECT_EQ(CellU(1, kColTitle), "└ Re: root");
  list.HeaderClicked(kColTopic);
  EXPECT_TRUE(list.IsRightAligned(kColTopic));
  EXPECT_EQ(list.Cell(list.Cell(0, kColTopic) == "57" ? 0 : 1, kColTopic), "57");
}

using ArticleListSort = ListFixture;

// Newest first by default: three clicks on the date give oldest first, then
// newest first, then the thread order with the newest thread on top.
TEST_F(ArticleListSort, ThreeDateClicksWithNewestFirstSetting) {
  app.Settings.sortByNew = true;
  OpenWith({Art(1, 0, Day(1), "old thread"), Art(2, 0, Day(3), "new thread"), Art(3, 1, Day(5), "late reply"),
            Art(4, 0, Day(4), "middle")});
  EXPECT_EQ(Topics(), (std::vector<std::int32_t>{1, 3, 4, 2}));  // thread of the reply (day 5) first
  list.HeaderClicked(kColDate);
  EXPECT_EQ(Topics(), (std::vector<std::int32_t>{1, 2, 4, 3}));
  EXPECT_EQ(U(list.Caption(kColDate)), "▲ 日付");
  list.HeaderClicked(kColDate);
  EXPECT_EQ(Topics(), (std::vector<std::int32_t>{3, 4, 2, 1}));
  EXPECT_EQ(U(list.Caption(kColDate)), "▼ 日付");
  list.HeaderClicked(kColDate);
  EXPECT_EQ(Log().SortMode(), 0);
  EXPECT_EQ(Topics(), (std::vector<std::int32_t>{1, 3, 4, 2}));
  EXPECT_EQ(U(list.Caption(kColDate)), "日付");
  EXPECT_EQ(U(list.Caption(kColMark)), "■");
}

TEST_F(ArticleListSort, OldestFirstSettingAndOtherColumnStartsAgain) {
  app.Settings.sortByNew = false;
  OpenWith({Art(1, 0, Day(1), "b"), Art(2, 0, Day(3), "a")});
  EXPECT_EQ(Topics(), (std::vector<std::int32_t>{1, 2}));
  list.HeaderClicked(kColTitle);  // Descending false: largest first
  EXPECT_EQ(Topics(), (std::vector<std::int32_t>{1, 2}));
  EXPECT_EQ(U(list.Caption(kColTitle)), "▼ タイトル");
  list.HeaderClicked(kColTopic);  // another column: the default order again
  EXPECT_FALSE(Log().Descending);
  EXPECT_EQ(U(list.Caption(kColTitle)), "タイトル");
  EXPECT_EQ(Topics(), (std::vector<std::int32_t>{2, 1}));
  list.HeaderClicked(kColMark);  // the mark column is the thread order
  EXPECT_EQ(Log().SortMode(), 0);
}

TEST_F(ArticleListSort, FocusedArticleKeepsTheFocusAtItsNewRowAndSelectionStays) {
  OpenWith({Art(1, 0, Day(1), "c"), Art(2, 0, Day(2), "a"), Art(3, 0, Day(3), "b")});
  const int row = Log().IndexOfTopic(2);
  list.SelectOnly(row);
  list.HeaderClicked(kColTitle);
  EXPECT_EQ(Log().GetItem(list.Focused()).TOPIC, 2);
  EXPECT_EQ(list.CurrentRow(), list.Focused());
  EXPECT_EQ(list.SelectedRuns(), (std::vector<std::pair<int, int>>{{list.Focused(), list.Focused()}}));
}

TEST(ArticleListWidths, ParsedWithDefaultsFixedMarkWidthAndMissingFitToHeader) {
  EXPECT_EQ(app::ParseColumnWidths(""), (app::ColumnWidths{35, 80, 320, 100, 160, -2}));
  EXPECT_EQ(app::ParseColumnWidths("1,2,3,4"), (app::ColumnWidths{35, 80, 320, 100, 160, -2}));
  EXPECT_EQ(app::ParseColumnWidths("50,60,70,80,90"), (app::ColumnWidths{35, 60, 70, 80, 90, -2}));
  EXPECT_EQ(app::FormatColumnWidths(app::ParseColumnWidths("50,60,70,80,90,77")), "35,60,70,80,90,77");
}

using ArticleListColumns = ListFixture;

TEST_F(ArticleListColumns, WidthsGoBackToTheNodeFileWhenKeptAndBodyWidthSurvivesWithoutBodyColumn) {
  TFolderInfo info;
  info.KeepColumns = true;
  info.ColumnWidths = "30,80,320,100,160,55";
  const std::string path = app.LogRoot() + "keep/";
  fs::ForceDirectories(path);
  fs::WriteFileAtomic(path + "kvlnode.web", FormatNodeFile(info));
  ASSERT_TRUE(list.Open(path));
  EXPECT_EQ(list.ColumnCount(), 5);
  list.SetWidth(kColTitle, 400);
  list.Leave();
  std::string text;
  ASSERT_TRUE(fs::ReadFile(path + "kvlnode.web", text));
  TFolderInfo back;
  ParseNodeFile(text, back);
  EXPECT_EQ(back.ColumnWidths, "35,80,400,100,160,55");
}

using ArticleListStatus = ListFixture;

TEST_F(ArticleListStatus, LabelsAndPanelsFollowTheLog) {
  app.Settings.statusDisp = 0;
  OpenWith({Art(1, 0, Day(1), "a", true), Art(2, 0, Day(2), "b", true), Art(3, 0, Day(3), "c")});
  EXPECT_EQ(U(list.ItemLabel()), "【未読: 2 / 3 項目】");
  EXPECT_EQ(app.Status.panels[0], "LoadTime: " + std::to_string(Log().LoadTime()) + " ms");
  EXPECT_EQ(U(app.Status.panels[1]), "最新記事: " + U(DisplayDateTime(Day(3))));
  app.Settings.statusDisp = 1;
  Log().Folder.LastRound = Day(9);
  EXPECT_EQ(U(list.DetailText()), "最終巡回: " + U(DisplayDateTime(Day(9))));
  app.Settings.statusDisp = 2;
  EXPECT_EQ(list.DetailText(), "");
  // Selecting an unread article makes it read and lowers the count at once.
  const int row = Log().IndexOfTopic(1);
  list.SelectOnly(row);
  EXPECT_TRUE(list.MarkShownRead(row));
  EXPECT_FALSE(list.MarkShownRead(row));
  EXPECT_EQ(U(list.ItemLabel()), "【未読: 1 / 3 項目】");
  list.SetSelected(0, 2, true);
  EXPECT_EQ(U(list.SelectionLabel()), "選択中: 3 件");
  EXPECT_TRUE(list.SelectionLabelVisible());
  const app::TArticleList::Summary sum = list.Summarize();
  EXPECT_EQ(U(sum.itemLabel), "【未読: 1 / 3 項目】");
  EXPECT_EQ(U(sum.selectionLabel), "選択中: 3 件");
  EXPECT_EQ(sum.facts.selectedRows, 3);
  EXPECT_TRUE(sum.facts.selectedUnread);
}

TEST_F(ArticleListStatus, EmptyLogShowsNoLatestDateAndHidesTheSelectionLabel) {
  OpenWith({});
  EXPECT_EQ(U(list.DetailText()), "最新記事: ");
  EXPECT_FALSE(list.SelectionLabelVisible());
}

TEST_F(ArticleListStatus, TheSelectionAndTheSearchTextAreTheFactsOfTheListsCommands) {
  OpenWith({Art(1, 0, Day(1), "a", true), Art(2, 0, Day(2), "b", false)});
  Log().Folder.SiteUrl.clear();
  app::ShellFacts::List f = list.Facts();
  EXPECT_EQ(f.selectedRows, 0);
  EXPECT_FALSE(f.selectedUnread || f.hasSearchText || f.hasBrowseTarget);
  list.SelectAll();
  f = list.Facts();
  EXPECT_EQ(f.selectedRows, 2);
  EXPECT_TRUE(f.selectedUnread);
  list.SelectOnly(Log().IndexOfTopic(2));
  f = list.Facts();
  EXPECT_EQ(f.selectedRows, 1);
  EXPECT_FALSE(f.selectedUnread);
  list.SearchText = "x";
  EXPECT_TRUE(list.Facts().hasSearchText);
  Log().Folder.SiteUrl = "http://site.example/";
  EXPECT_TRUE(list.Facts().hasBrowseTarget);
  // The one pass over the log gives the same facts.
  const app::ShellFacts::List once = list.Summarize().facts;
  EXPECT_EQ(once.selectedRows, 1);
  EXPECT_TRUE(once.hasSearchText && once.hasBrowseTarget);
  EXPECT_FALSE(once.selectedUnread);
}

TEST_F(ArticleListStatus, ArticlesStoredDuringARunGrowTheRowsWithoutTouchingTheSelection) {
  OpenWith({Art(1, 0, Day(1), "a"), Art(2, 0, Day(2), "b")});
  std::vector<int> grown;
  list.OnRowsAdded = [&](int rows) { grown.push_back(rows); };
  list.SelectOnly(1);
  Log().AddItem(Art(3, 0, Day(3), "c", true), false);
  Log().AddItem(Art(3, 0, Day(3), "c", true), false);  // the same identity: not stored
  EXPECT_EQ(grown, (std::vector<int>{3}));
  EXPECT_EQ(list.CurrentRow(), 1);
  EXPECT_EQ(list.RowCount(), 3);
}

}  // namespace
}  // namespace bq::test
