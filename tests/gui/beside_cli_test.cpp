// The desktop, offscreen in this process, beside brindlequay-cli processes
// on one data folder, for real, against the generated board on 127.0.0.1
// (60 new articles a run): what the CLI stored, deleted or marked read while
// the desktop was open survives the desktop's own fetch and its quit, a
// desktop round beside a CLI round loses and doubles nothing (each case five
// times), and the open folder and the tree's counts follow the CLI's saves.
#include <QAbstractItemView>
#include <QAction>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QTableView>
#include <QTreeWidget>
#include <future>
#include <set>
#include <string>
#include <vector>

#include "app/controls/folder_tree.h"
#include "app/core/kernel.h"
#include "app/gui/article_list_page.h"
#include "app/gui/main_window.h"
#include "tests/gui/gui_fixture.h"
#include "tests/gui/window_fixture.h"
#include "tests/support/board_server.h"

namespace bq::test {
namespace {

constexpr int kPerRun = GeneratedBoard::kPerRun;
constexpr int kRepeats = 5;

class BesideCli : public WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    if (HasFatalFailure()) return;
    for (const char* script : {"board.pss", "export_text.pss"})
      fs::CopyFile(std::string(BQ_SOURCE_DIR) + "/libs/" + script, Libs() + script);
    ASSERT_TRUE(board.Listening());
  }
  ProcessResult Cli(const std::string& args) {
    return RunProcess("timeout 120 " + std::string(BQ_CLI_PATH) + " --data " + Data() + " --libs " + Libs() +
                          " --settings " + dir + "none.ini " + args,
                      dir + "cli-err");
  }
  std::future<ProcessResult> StartCli(const std::string& args) {
    return std::async(std::launch::async, [this, args] { return Cli(args); });
  }
  // A site folder (its name UTF-8) fetching the board's pages of `name`.
  std::string AddFolder(const std::string& folder, const std::string& name) {
    const ProcessResult r = Cli("folder add " + folder + " --url " + board.Url(name) + " --script board.pss --round");
    EXPECT_EQ(r.status, 0) << r.err;
    return LogRoot() + S(folder) + "/";
  }
  void Select(const std::string& folder) {
    QTreeWidgetItem* item = window->Tree()->FindPath(folder);
    ASSERT_NE(item, nullptr);
    window->Tree()->setCurrentItem(item);
    ASSERT_EQ(app->FolderPath(), folder);
  }
  // 取得 in the desktop, as the menu triggers it; it returns when the fetch has ended.
  void Fetch() {
    window->Action(QStringLiteral("ExecAction"))->trigger();
    ASSERT_TRUE(WaitUntil([this] { return !window->Busy(); }));
  }
  void Quit() {
    window->close();
    ASSERT_TRUE(WaitUntil([this] { return !window->isVisible(); }));
    window.reset();
  }
  TScrapList& Log() { return app::TKernel::Log(*app); }
  // Every second round the desktop is given the time to see the CLI's save
  // (its folder watch reads the log again) before it fetches; the others
  // fetch over the copy it holds, and its save merges.
  void MaybeFollow(int round) {
    if (round % 2 == 0) {
      EXPECT_TRUE(WaitUntil([this] { return !Log().ChangedOnDisk(); }, 5000)) << round;
    }
  }
  std::set<int> Topics(const std::string& folder) {
    std::set<int> topics;
    for (const auto& [t, n] : ReadBoardLog(folder).copies) topics.insert(t);
    return topics;
  }
  // A click on a row of the list: it alone selected and current.
  static void ClickRow(QTableView& table, int row) {
    table.selectionModel()->setCurrentIndex(table.model()->index(row, 0),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }
  QString Caption(const std::string& folder) {
    QTreeWidgetItem* item = window->Tree()->ItemOf(folder);
    return item ? item->text(0) : QString();
  }

  GeneratedBoard board;
};

TEST_F(BesideCli, ACliRunThenAFetchAndQuitInTheDesktopLoseNothing) {
  const std::string site = AddFolder("site", "site");
  Open();
  Select(site);
  for (int round = 1; round <= kRepeats; ++round) {
    const ProcessResult r = Cli("run site");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.out.substr(0, 7), "60 new,");
    MaybeFollow(round);
    Fetch();
    ASSERT_EQ(board.Served("site").size(), static_cast<std::size_t>(2 * kPerRun * round));
  }
  Quit();
  ExpectBoardLog(site, board.Served("site"), "after the quit");
}

TEST_F(BesideCli, ArticlesTheCliDeletedStayDeletedThroughADesktopFetchAndQuit) {
  const std::string site = AddFolder("site", "site");
  ASSERT_EQ(Cli("run site").status, 0);
  Open();
  Select(site);
  std::set<int> deleted;
  for (int round = 1; round <= kRepeats; ++round) {
    // Ten the desktop holds too (they were on disk when it last read it).
    std::vector<int> named;
    for (int t : Topics(site))
      if (named.size() < 10 && Log().IndexOfTopic(t) >= 0) named.push_back(t);
    ASSERT_EQ(named.size(), 10u);
    const ProcessResult r = Cli("delete site" + Joined(named));
    ASSERT_EQ(r.status, 0) << r.err;
    deleted.insert(named.begin(), named.end());
    MaybeFollow(round);
    Fetch();
  }
  Quit();
  std::set<int> expected;
  for (int t : board.Served("site"))
    if (!deleted.count(t)) expected.insert(t);
  ASSERT_EQ(deleted.size(), static_cast<std::size_t>(10 * kRepeats));
  ExpectBoardLog(site, expected, "deleted by the CLI");
}

TEST_F(BesideCli, ReadMarksTheCliSetStayThroughADesktopFetchAndQuit) {
  const std::string site = AddFolder("site", "site");
  ASSERT_EQ(Cli("run site").status, 0);
  Open();
  Select(site);
  std::set<int> markedRead;
  for (int round = 1; round <= kRepeats; ++round) {
    const ProcessResult r = Cli("mark site --read --all");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::set<int> onDisk = Topics(site);
    markedRead.insert(onDisk.begin(), onDisk.end());
    MaybeFollow(round);
    Fetch();
  }
  Quit();
  ExpectBoardLog(site, board.Served("site"), "marked read by the CLI");
  const BoardLog saved = ReadBoardLog(site);
  int undone = 0;
  for (int t : markedRead) undone += saved.unread.count(t) ? 1 : 0;
  EXPECT_EQ(undone, 0);
  EXPECT_FALSE(saved.unread.empty()) << "what the desktop fetched after a mark is new";
}

TEST_F(BesideCli, ADesktopRoundBesideACliRoundLosesAndDoublesNothing) {
  const std::string a = AddFolder("a", "a");
  const std::string b = AddFolder("b", "b");
  Open();
  Select(app->LogRoot());
  for (int round = 1; round <= kRepeats; ++round) {
    // Both rounds have read folder a before either fetches a page of it.
    board.HoldFirstPagesFor(4 * round - 2);
    auto cli = StartCli("round");
    window->Action(QStringLiteral("RoundAction"))->trigger();
    ASSERT_TRUE(WaitUntil([this] { return !window->Busy(); }, 60000));
    const ProcessResult r = cli.get();
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(board.Served("a").size(), static_cast<std::size_t>(2 * kPerRun * round));
    ASSERT_EQ(board.Served("b").size(), static_cast<std::size_t>(2 * kPerRun * round));
  }
  Quit();
  ExpectBoardLog(a, board.Served("a"), "folder a");
  ExpectBoardLog(b, board.Served("b"), "folder b");
}

TEST_F(BesideCli, TheOpenFolderAndTheTreesCountsFollowTheCli) {
  const std::string eki = AddFolder("駅前掲示板", "eki");
  const std::string news = AddFolder("ニュース速報", "news");
  AddFolder("読了済み", "done");
  ASSERT_EQ(Cli("run 駅前掲示板").status, 0);
  ASSERT_EQ(Cli("run 読了済み").status, 0);
  ASSERT_EQ(Cli("mark 読了済み --read --all").status, 0);
  Open();
  window->resize(900, 520);
  Select(eki);
  gui::ArticleListPage& page = *window->ListPage();
  QTableView& table = *page.Table();
  ASSERT_EQ(table.model()->rowCount(), kPerRun);
  // The user reads one article and has scrolled the list.
  ClickRow(table, 40);
  ASSERT_TRUE(WaitUntil([&] { return page.Model().CurrentRow() == 40; }));
  const int chosen = Log().GetItem(40).TOPIC;
  table.scrollTo(table.model()->index(30, 0), QAbstractItemView::PositionAtTop);
  QCoreApplication::processEvents();
  const int topTopic = Log().GetItem(table.rowAt(0)).TOPIC;
  const int readHere = Log().Count() - Log().UnreadCount();
  ASSERT_GE(readHere, 1);
  auto counted = [](const char* name, int n) { return QString::fromUtf8(name) + QStringLiteral(" (%1)").arg(n); };
  EXPECT_EQ(Caption(eki), counted("駅前掲示板", kPerRun - readHere));
  EXPECT_EQ(Caption(news), QString::fromUtf8("ニュース速報"));

  // The CLI stores into the open folder and into another one.
  ASSERT_EQ(Cli("run 駅前掲示板").status, 0);
  ASSERT_EQ(Cli("run ニュース速報").status, 0);
  ASSERT_TRUE(WaitUntil([&] { return table.model()->rowCount() == 2 * kPerRun; })) << "the open folder is read again";
  const int row = page.Model().CurrentRow();
  ASSERT_GE(row, 0);
  EXPECT_EQ(Log().GetItem(row).TOPIC, chosen) << "the selection stays on its article";
  EXPECT_EQ(page.Model().SelectedCount(), 1);
  EXPECT_EQ(Log().GetItem(table.rowAt(0)).TOPIC, topTopic) << "the list stays where it was scrolled";
  EXPECT_EQ(Caption(eki), counted("駅前掲示板", 2 * kPerRun - readHere));
  EXPECT_TRUE(WaitUntil([&] { return Caption(news) == counted("ニュース速報", kPerRun); }))
      << Caption(news).toStdString();
  EXPECT_EQ(Caption(LogRoot() + S("読了済み") + "/"), QString::fromUtf8("読了済み"));
  EXPECT_TRUE(window->grab().save(ShotPath(QStringLiteral("tree-unread-counts.png"))));

  // Read marks from the CLI, then from the desktop, show at once.
  ASSERT_EQ(Cli("mark ニュース速報 --read --all").status, 0);
  EXPECT_TRUE(WaitUntil([&] { return Caption(news) == QString::fromUtf8("ニュース速報"); }))
      << Caption(news).toStdString();
  ASSERT_TRUE(Log().IsUnread(0));
  ClickRow(table, 0);
  EXPECT_EQ(Caption(eki), counted("駅前掲示板", 2 * kPerRun - readHere - 1));
  // The option turns the counts off.
  app->Settings.unreadCounts = false;
  window->Tree()->RefreshAllNodes();
  EXPECT_EQ(Caption(eki), QString::fromUtf8("駅前掲示板"));
}

}  // namespace
}  // namespace bq::test
