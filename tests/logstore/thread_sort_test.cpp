// Sorting: column sorts, the thread order with and without TreeView and
// NewestReplyFirst, replies without a parent, deep chains, and the thread
// drawing of TreeTitle.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "logstore/scrap_list.h"
#include "logstore_fixture.h"

namespace bq {
namespace {

using testing::Article;

const std::string kTee = "\x84\xa5 ";     // ├
const std::string kCorner = "\x84\xa4 ";  // └
const std::string kBar = "\x84\xa0";      // │
const std::string kBlank = "\x81\x40";    // full-width blank

class Sorting : public ::testing::Test {
 protected:
  Sorting() : list_(ui_) {}
  void Add(std::int32_t topic, std::int32_t refer, std::uint32_t date, std::string title = "t") {
    ASSERT_GE(list_.AddItem(Article(topic, refer, date, std::move(title)), false), 0);
  }
  std::vector<std::int32_t> Topics() {
    std::vector<std::int32_t> t;
    for (int i = 0; i < list_.Count(); ++i) t.push_back(list_.GetItem(i).TOPIC);
    return t;
  }
  std::vector<std::int32_t> Depths() {
    std::vector<std::int32_t> d;
    for (int i = 0; i < list_.Count(); ++i) d.push_back(list_.GetItem(i).Depth);
    return d;
  }
  using V = std::vector<std::int32_t>;
  RecordingUi ui_;
  TScrapList list_;
};

TEST_F(Sorting, ThreadWithTheOldestNewestArticleComesFirst) {
  Add(1, 0, 100);
  Add(2, 0, 200);
  list_.SortItems(0);
  EXPECT_EQ(Topics(), (V{1, 2}));
  Add(3, 1, 300);  // a new reply to the old thread moves it down
  list_.SortItems(0);
  EXPECT_EQ(Topics(), (V{2, 1, 3}));
  EXPECT_EQ(Depths(), (V{0, 0, 1}));
  EXPECT_EQ(list_.GetItem(1).ThreadKey, 300u);
  list_.Descending = true;
  list_.SortItems(0);
  EXPECT_EQ(Topics(), (V{1, 3, 2}));
}

TEST_F(Sorting, EqualThreadKeysAreOrderedByTopic) {
  Add(5, 0, 100);
  Add(3, 0, 100);
  Add(4, 0, 100);
  list_.SortItems(0);
  EXPECT_EQ(Topics(), (V{3, 4, 5}));
}

TEST_F(Sorting, RepliesRunOldestFirstAndTiesGoAfter) {
  Add(1, 0, 100);
  Add(2, 1, 300);
  Add(3, 1, 200);
  Add(4, 1, 300);
  list_.SortItems(0);
  EXPECT_EQ(Topics(), (V{1, 3, 2, 4}));
  EXPECT_EQ(Depths(), (V{0, 1, 1, 1}));
}

TEST_F(Sorting, NewestReplyFirst) {
  list_.Folder.NewestReplyFirst = true;
  Add(1, 0, 100);
  Add(2, 1, 300);
  Add(3, 1, 200);
  Add(4, 1, 300);
  list_.SortItems(0);
  EXPECT_EQ(Topics(), (V{1, 2, 4, 3}));
}

TEST_F(Sorting, UndatedRepliesCompareByTopic) {
  Add(1, 0, 100);
  Add(2, 1, 500);
  Add(3, 1, 0, "undated");
  Add(4, 1, 100);
  list_.SortItems(0);
  // 3 vs 2 by TOPIC: after it; 4 vs 2 by DATE: before it.
  EXPECT_EQ(Topics(), (V{1, 4, 2, 3}));
  // Newest first: 3 goes before 2 (TOPIC), then 4 before 3 (TOPIC again).
  list_.Folder.NewestReplyFirst = true;
  list_.SortItems(0);
  EXPECT_EQ(Topics(), (V{1, 4, 3, 2}));
}

TEST_F(Sorting, TreeViewThreadsRepliesToReplies) {
  list_.Folder.TreeView = true;
  Add(1, 0, 100);
  Add(2, 1, 200);
  Add(3, 2, 300);
  Add(5, 0, 250);
  list_.SortItems(0);
  EXPECT_EQ(Topics(), (V{5, 1, 2, 3}));
  EXPECT_EQ(Depths(), (V{0, 0, 1, 2}));
}

TEST_F(Sorting, WithoutTreeViewAReplyToAReplyFollowsAllThreads) {
  Add(1, 0, 100);
  Add(2, 1, 200);
  Add(3, 2, 300);
  Add(5, 0, 250);
  list_.SortItems(0);
  EXPECT_EQ(Topics(), (V{1, 2, 5, 3}));
  EXPECT_EQ(Depths(), (V{0, 1, 0, 0}));
}

TEST_F(Sorting, RepliesWithoutParentFollowInArrivalOrderWithTheirReplies) {
  Add(12, 98, 40);
  Add(1, 0, 5);
  Add(11, 10, 30);
  Add(10, 99, 50);
  list_.SortItems(0);
  // 10 is taken first (lowest TOPIC), heads the chain, and 11 attaches to it.
  EXPECT_EQ(Topics(), (V{1, 10, 11, 12}));
  EXPECT_EQ(Depths(), (V{0, 0, 1, 0}));
}

TEST_F(Sorting, ParentWithALargerTopicIsNotYetPlaced) {
  Add(1, 0, 5);
  Add(5, 10, 7);
  Add(10, 1, 6);
  list_.SortItems(0);
  EXPECT_EQ(Topics(), (V{1, 10, 5}));
}

TEST_F(Sorting, RepeatedTopicsAttachToTheFirstInChainOrder) {
  list_.Folder.TreeView = true;
  Add(1, 0, 10);
  Add(7, 0, 20);
  Add(2, 1, 30);
  Add(7, 0, 40);  // second root with TOPIC 7 (another date)
  Add(8, 7, 50);
  list_.SortItems(0);
  // 8 goes under the first 7 of the chain (the one dated 20), raising its key to 50.
  EXPECT_EQ(Topics(), (V{1, 2, 7, 7, 8}));
  EXPECT_EQ(list_.GetItem(2).DATE, 40u);
  EXPECT_EQ(list_.GetItem(3).DATE, 20u);
}

// Topic numbers far apart are looked up another way than numbers close
// together; the layout is the same.
TEST(ThreadOrder, TopicsFarApartLayOutAsTopicsCloseTogether) {
  struct Case {
    bool treeView;
    std::vector<std::array<std::uint32_t, 3>> articles;  // topic, refer, date
  };
  const std::vector<Case> cases = {
      {true, {{1, 0, 100}, {2, 1, 200}, {3, 2, 300}, {5, 0, 250}}},
      {false, {{1, 0, 100}, {2, 1, 200}, {3, 2, 300}, {5, 0, 250}}},
      {false, {{12, 98, 40}, {1, 0, 5}, {11, 10, 30}, {10, 99, 50}}},
      {true, {{1, 0, 10}, {7, 0, 20}, {2, 1, 30}, {7, 0, 40}, {8, 7, 50}}},
      {true, {{1, 0, 5}, {5, 10, 7}, {10, 1, 6}, {4, 1, 0}, {6, 5, 0}}},
  };
  // Spread keeps the order of the numbers (unsigned) and 0 as no parent.
  auto layout = [](const Case& c, std::uint32_t spread) {
    RecordingUi ui;
    TScrapList list(ui);
    list.Folder.TreeView = c.treeView;
    for (const auto& [topic, refer, date] : c.articles)
      list.AddItem(Article(static_cast<std::int32_t>(topic * spread), static_cast<std::int32_t>(refer * spread), date),
                   false);
    list.SortItems(0);
    std::vector<std::pair<std::uint32_t, std::int32_t>> out;
    for (int i = 0; i < list.Count(); ++i) {
      const TDataInfo a = list.GetItem(i);
      out.emplace_back(static_cast<std::uint32_t>(a.TOPIC) / spread, a.Depth);
    }
    return out;
  };
  for (std::size_t k = 0; k < cases.size(); ++k)
    EXPECT_EQ(layout(cases[k], 1), layout(cases[k], 40000000u)) << k;
}

TEST_F(Sorting, DeepChainHasNoRecursionLimit) {
  list_.Folder.TreeView = true;
  const int n = 200000;
  Add(1, 0, 1);
  for (int i = 2; i <= n; ++i) Add(i, i - 1, static_cast<std::uint32_t>(i));
  list_.SortItems(0);
  ASSERT_EQ(list_.Count(), n);
  EXPECT_EQ(list_.GetItem(n - 1).TOPIC, n);
  EXPECT_EQ(list_.GetItem(n - 1).Depth, n - 1);
  const std::string title = list_.TreeTitle(n - 1);
  EXPECT_EQ(title.size(), static_cast<std::size_t>(n - 2) * 2 + kCorner.size() + 1);
  EXPECT_EQ(title.substr(title.size() - 4), kCorner + "t");
}

TEST_F(Sorting, ColumnSortLargestFirstTiesByNewestDate) {
  Add(2, 0, 10);
  Add(3, 0, 5);
  Add(2, 5, 30);
  Add(1, 0, 20);
  list_.SortItems(1);
  EXPECT_EQ(Topics(), (V{3, 2, 2, 1}));
  EXPECT_EQ(list_.GetItem(1).DATE, 30u);
  list_.Descending = true;
  list_.SortItems(1);
  EXPECT_EQ(Topics(), (V{1, 2, 2, 3}));
  EXPECT_EQ(list_.GetItem(1).DATE, 30u) << "the tie-break is not reversed";
  EXPECT_EQ(list_.SortMode(), 1);
}

TEST_F(Sorting, TitleSortIgnoresReplyPrefixes) {
  Add(1, 0, 1, "a");
  Add(2, 0, 1, "Re:b");
  Add(3, 0, 1, "c");
  Add(4, 0, 1, "Re:Fw:Fwd:d");
  list_.SortItems(2);
  EXPECT_EQ(Topics(), (V{4, 3, 2, 1}));
  EXPECT_EQ(StripReplyPrefix("Re:Fw:Fwd:x"), "x");
  EXPECT_EQ(StripReplyPrefix("Fw:Re:x"), "Re:x");
  EXPECT_EQ(StripReplyPrefix("RE:x"), "RE:x");
  EXPECT_EQ(StripReplyPrefix("Re: x"), " x");
}

TEST_F(Sorting, DateSortHasNoTieBreakAndZeroesDepth) {
  Add(1, 0, 10);
  Add(2, 1, 30);
  Add(3, 0, 20);
  list_.SortItems(0);
  list_.SortItems(4);
  EXPECT_EQ(Topics(), (V{2, 3, 1}));
  EXPECT_EQ(Depths(), (V{0, 0, 0}));
  list_.Descending = true;
  list_.SortItems(4);
  EXPECT_EQ(Topics(), (V{1, 3, 2}));
}

TEST_F(Sorting, AuthorAndBodySortsAreCaseSensitive) {
  TDataInfo a = Article(1, 0, 1);
  a.AUTHOR = "b";
  a.BODY = "A";
  TDataInfo b = Article(2, 0, 1);
  b.AUTHOR = "B";
  b.BODY = "a";
  list_.AddItem(a, false);
  list_.AddItem(b, false);
  list_.SortItems(3);
  EXPECT_EQ(Topics(), (V{2, 1}));  // lower case sorts first, so "B" is the larger
  list_.SortItems(5);
  EXPECT_EQ(Topics(), (V{1, 2}));
}

TEST_F(Sorting, EmptyListRecordsTheModeOnly) {
  std::uint32_t now = 0;
  TScrapList list(ui_, [&] { return now += 3; });
  list.SortItems(3);
  EXPECT_EQ(list.SortMode(), 3);
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(Sorting, TreeTitleDrawsBranches) {
  list_.Folder.TreeView = true;
  Add(1, 0, 10, "root");
  Add(2, 1, 20, "r2");
  Add(3, 1, 30, "r3");
  Add(4, 2, 25, "r4");
  list_.SortItems(0);
  ASSERT_EQ(Topics(), (V{1, 2, 4, 3}));
  EXPECT_EQ(list_.TreeTitle(0), "root");
  EXPECT_EQ(list_.TreeTitle(1), kTee + "r2");
  EXPECT_EQ(list_.TreeTitle(2), kBar + kCorner + "r4");
  EXPECT_EQ(list_.TreeTitle(3), kCorner + "r3");
  EXPECT_EQ(list_.TreeTitle(list_.GetItem(2)), kBar + kCorner + "r4");
  EXPECT_EQ(list_.TreeTitle(Article(3, 1, 30)), kCorner + "r3") << "found by identity";
  EXPECT_EQ(list_.TreeTitle(Article(8, 1, 30, " loose")), "loose");
  list_.SortItems(1);
  EXPECT_EQ(list_.TreeTitle(0), "r4");
  EXPECT_EQ(list_.TreeTitle(9), "");
}

TEST_F(Sorting, TreeTitleBlankForFinishedLevels) {
  list_.Folder.TreeView = true;
  Add(1, 0, 10);
  Add(2, 1, 20);
  Add(3, 2, 30);
  Add(4, 3, 40, "deep");
  list_.SortItems(0);
  EXPECT_EQ(list_.TreeTitle(3), kBlank + kBlank + kCorner + "deep");
}

TEST_F(Sorting, DisplayTitleHidesTheMailingListIndex) {
  Add(1, 0, 10, "[ml:123]  Subject");
  Add(2, 0, 20, "  [x] y");
  Add(3, 0, 30, "[no close");
  list_.SortItems(1);
  EXPECT_EQ(list_.TreeTitle(2), "[ml:123]  Subject");
  EXPECT_EQ(list_.TreeTitle(1), "[x] y");
  list_.Folder.HideIndex = true;
  EXPECT_EQ(list_.TreeTitle(2), "Subject");
  EXPECT_EQ(list_.TreeTitle(1), "[x] y") << "only a title starting with [";
  EXPECT_EQ(list_.TreeTitle(0), "[no close");
  // A ']' that is the trail byte of a double-byte character does not close.
  EXPECT_EQ(list_.DisplayTitle("[\x83]x]y"), "y");
}

TEST_F(Sorting, SortTimeIsMeasured) {
  std::uint32_t now = 0;
  TScrapList list(ui_, [&] { return now += 4; });
  list.AddItem(Article(1, 0, 1), false);
  list.SortItems(0);
  EXPECT_EQ(list.SortTime(), 4);
}

}  // namespace
}  // namespace bq
