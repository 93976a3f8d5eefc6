// The データログ page on its own, offscreen: keys, the delete question in a
// real message box, articles arriving from a running script, read marks
// reaching the file, and screenshots of its main states.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QTest>
#include <memory>

#include "app/gui/article_list_page.h"
#include "app/gui/article_reader_panel.h"
#include "app/gui/command_actions.h"
#include "platform/fs.h"
#include "tests/gui/gui_fixture.h"
#include "textlib/dates.h"

namespace bq::test {
namespace {

TDataInfo Art(std::int32_t topic, std::int32_t refer, int day, const std::string& title, bool unread,
              const std::string& author = "太郎", const std::string& body = "本文です。") {
  return Article(topic, refer, EncodeDate(2026, 5, day, 9 + topic % 10, topic % 60, 0), title, unread, body, author);
}

// Questions are shown in a real message box, which the test answers.
class BoxUi : public RecordingUi {
 public:
  int MessageBox(std::string_view text, std::string_view caption, int buttons) override {
    RecordingUi::MessageBox(text, caption, buttons);
    QMessageBox box(QMessageBox::Question, QString::fromStdString(SjisToUtf8(caption)),
                    QString::fromStdString(SjisToUtf8(text)), QMessageBox::Yes | QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? kIdYes : kIdNo;
  }
};

// Presses a button of the next modal message box once it is up.
void AnswerNextBox(QMessageBox::StandardButton button, QString* seenText) {
  auto* timer = new QTimer;
  int tries = 0;
  QObject::connect(timer, &QTimer::timeout, [timer, button, seenText, tries]() mutable {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box || ++tries > 200) {
      timer->stop();
      timer->deleteLater();
    }
    if (!box) return;
    *seenText = box->text();
    box->button(button)->click();
  });
  timer->start(10);
}

// The page with the window's commands, over the application of the test's
// folder; questions go to real message boxes.
class ArticleListPageTest : public TestFolder {
 protected:
  void SetUp() override {
    TestFolder::SetUp();
    SetUpApplication(app);
    app.Settings.sortByNew = false;
  }
  void TearDown() override {
    page.reset();
    TestFolder::TearDown();
  }
  QAction* Command(app::Command c) const { return commands.Get(c); }
  std::string Site(const std::string& rel, const std::vector<TDataInfo>& articles) {
    const std::string path = app.LogRoot() + rel + "/";
    TScrapList log(ui);
    log.OpenFolder(path);
    for (const TDataInfo& a : articles) log.AddItem(a, false);
    log.Folder.TreeView = true;  // replies to replies nest
    log.SaveNode();
    log.SaveLog();
    return path;
  }
  // A board with two threads, replies nested, some read.
  std::string Board() {
    std::string path = Site("board", {Art(1, 0, 1, "週末の集まりについて", false, "幹事", "土曜の午後に集まりましょう。"),
                          Art(2, 1, 2, "Re: 週末の集まりについて", true, "花子",
                              ">土曜の午後に集まりましょう。\r\n\r\n賛成です。場所は駅前で。"),
                          Art(3, 2, 3, "Re: 週末の集まりについて", true, "次郎", "駅前なら行けます。"),
                          Art(4, 0, 4, "新しい掲示板の使い方", false, "管理人", "http://bbs.example/help/ を見てください。"),
                          Art(5, 4, 7, "Re: 新しい掲示板の使い方", true, "三郎", "わかりました。"),
                          Art(6, 1, 6, "Re: 週末の集まりについて", false, "四郎", "雨なら中止ですか？")});
    // The quoted reply carries a mail address, a host and a home page.
    TScrapList log(ui);
    log.OpenFolder(path);
    TDataInfo reply = log.GetTopic(2);
    reply.MAILTO = "hanako@example.jp";
    reply.HOST = "p1234-ipbf.example.ne.jp";
    reply.HP = "http://hanako.example/";
    reply.PAGEURL = "http://bbs.example/read?no=2";
    log.AddItem(reply, true);
    log.SaveLog();
    return path;
  }
  void Show(const std::string& folder) {
    page = std::make_unique<gui::ArticleListPage>(app, commands);
    page->resize(780, 560);
    page->show();
    QApplication::setActiveWindow(page.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(page.get()));
    page->OpenFolder(folder);
    page->Table()->setFocus();
  }
  // A closed modal box hands the activation back later; keys need it now.
  void Activate() {
    QApplication::setActiveWindow(page.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(page.get()));
    page->Table()->setFocus();
  }
  QTableView* Table() { return page->Table(); }
  TScrapList& Log() { return app::TKernel::Log(app); }
  int CurrentTopic() { return Log().View(page->Model().CurrentRow()).TOPIC; }
  QString Label() { return page->ItemLabel()->text(); }

  BoxUi ui;
  CallbackPump pump;
  app::TApplication app{ui, pump, NoProxy};
  gui::CommandActions commands{app};
  std::unique_ptr<gui::ArticleListPage> page;
};

TEST_F(ArticleListPageTest, SpaceWalksTheUnreadArticlesAndEachBecomesRead) {
  Show(Board());
  ASSERT_EQ(page->Model().RowCount(), 6);
  EXPECT_EQ(Label(), "【未読: 3 / 6 項目】");
  std::vector<int> visited;
  for (int i = 0; i < 3; ++i) {
    QTest::keyClick(Table(), Qt::Key_Space);
    const int row = page->Model().CurrentRow();
    ASSERT_GE(row, 0);
    visited.push_back(Log().GetItem(row).TOPIC);
    EXPECT_FALSE(Log().IsUnread(row));
  }
  // Thread order, the thread with the oldest latest article first: 1, 2, 3,
  // 6, then 4, 5.
  EXPECT_EQ(visited, (std::vector<int>{2, 3, 5}));
  EXPECT_EQ(Label(), "【未読: 0 / 6 項目】");
  EXPECT_EQ(page->Reader()->Subject()->text(), "Re: 新しい掲示板の使い方");
  EXPECT_FALSE(Command(app::Command::ReadAction)->isEnabled());
  EXPECT_TRUE(Command(app::Command::UnreadAction)->isEnabled());
}

TEST_F(ArticleListPageTest, DeleteAsksInAMessageBoxAndRemovesTheArticle) {
  Show(Board());
  page->Model().SetFocused(-1);
  QTest::keyClick(Table(), Qt::Key_Down);  // the first row
  QTest::keyClick(Table(), Qt::Key_Down);  // topic 2
  ASSERT_EQ(CurrentTopic(), 2);
  EXPECT_TRUE(Command(app::Command::DeleteAction)->isEnabled());
  QString asked;
  AnswerNextBox(QMessageBox::No, &asked);
  QTest::keyClick(Table(), Qt::Key_Delete);
  EXPECT_EQ(asked, "「Re: 週末の集まりについて」\r\nを削除しますよろしいですか？");
  EXPECT_EQ(page->Model().RowCount(), 6);
  Activate();
  AnswerNextBox(QMessageBox::Yes, &asked);
  QTest::keyClick(Table(), Qt::Key_Delete);
  EXPECT_EQ(page->Model().RowCount(), 5);
  EXPECT_EQ(Table()->model()->rowCount(), 5);
  EXPECT_EQ(Log().IndexOfTopic(2), -1);
  EXPECT_EQ(page->Model().CurrentRow(), 1);  // the row at the old place
  EXPECT_TRUE(Table()->selectionModel()->isRowSelected(1, QModelIndex()));
  EXPECT_EQ(page->SelectionLabel()->text(), "選択中: 1 件");
}

TEST_F(ArticleListPageTest, TheListFollowsArticlesStoredByARunningScript) {
  fs::WriteFileAtomic(Libs() + "template.pss",
                      "SCRIPT add;\r\nBEGIN\r\n  PACK(0: 10, 2: 1800000000, 3: 'new one'); PUTLOG(0);\r\n"
                      "  PACK(0: 11, 2: 1800000100, 3: 'new two'); PUTLOG(0);\r\n"
                      "  PACK(0: 12, 2: 1800000200, 3: 'new three'); PUTLOG(0)\r\nEND.\r\n");
  Show(Board());
  QTest::keyClick(Table(), Qt::Key_Down);
  QTest::keyClick(Table(), Qt::Key_Down);
  const int selectedTopic = CurrentTopic();
  std::vector<int> seen;
  QObject::connect(Table()->model(), &QAbstractItemModel::rowsInserted,
                   [&](const QModelIndex&, int, int last) { seen.push_back(last + 1); });
  app.LoadAndCompile();
  app::TKernel::Machine(app).ResetMachine();
  app.RunScript();
  EXPECT_EQ(seen, (std::vector<int>{7, 8, 9}));  // one by one, while the script ran
  EXPECT_EQ(Table()->model()->rowCount(), 9);
  EXPECT_EQ(Table()->model()->data(Table()->model()->index(8, 2)).toString(), "new three");
  EXPECT_EQ(Table()->model()->data(Table()->model()->index(8, 0)).toString(), "■　");
  EXPECT_EQ(CurrentTopic(), selectedTopic);
  EXPECT_EQ(Table()->selectionModel()->selectedRows().size(), 1);
  EXPECT_EQ(Label(), "【未読: 5 / 9 項目】");
}

TEST_F(ArticleListPageTest, AfterClosingTheLogFileHoldsTheReadMarks) {
  const std::string board = Board();
  Show(board);
  QTest::keyClick(Table(), Qt::Key_Space);
  QTest::keyClick(Table(), Qt::Key_Space);
  page->LeaveFolder();
  page.reset();
  TScrapList check(ui);
  check.OpenFolder(board);
  std::vector<int> unread;
  for (int i = 0; i < check.Count(); ++i)
    if (check.GetItem(i).Unread) unread.push_back(check.GetItem(i).TOPIC);
  EXPECT_EQ(unread, (std::vector<int>{5}));
}

TEST_F(ArticleListPageTest, HeaderClickSortsWithItsMarkAndKeepsTheFocusedArticle) {
  Show(Board());
  QTest::keyClick(Table(), Qt::Key_Down);
  const int topic = CurrentTopic();
  QHeaderView* header = Table()->horizontalHeader();
  const QPoint at(header->sectionViewportPosition(app::kColDate) + 20, header->height() / 2);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
  EXPECT_EQ(Table()->model()->headerData(app::kColDate, Qt::Horizontal).toString(), "▼ 日付");
  EXPECT_EQ(Log().GetItem(0).TOPIC, 5);  // newest first
  EXPECT_EQ(CurrentTopic(), topic);
  EXPECT_EQ(Table()->currentIndex().row(), page->Model().Focused());
  EXPECT_EQ(Table()->model()->data(Table()->model()->index(0, 1), Qt::TextAlignmentRole).toInt() & Qt::AlignRight,
            Qt::AlignRight);
  page->grab().save(ShotPath("datalog-date-sort.png"));
}

TEST_F(ArticleListPageTest, TheListsCommandsCarryTheirKeysAndFollowTheSelection) {
  Show(Board());
  EXPECT_EQ(Command(app::Command::NextAction)->text(), "次の未読へ");
  EXPECT_EQ(Command(app::Command::NextAction)->shortcuts(),
            (QList<QKeySequence>{QKeySequence(Qt::Key_Space), QKeySequence(Qt::CTRL | Qt::Key_Down)}));
  EXPECT_EQ(Command(app::Command::FindPrevAction)->shortcuts().value(0), QKeySequence(Qt::SHIFT | Qt::Key_F3));
  // Their keys act on the page.
  EXPECT_TRUE(page->actions().contains(Command(app::Command::NextAction)));
  EXPECT_FALSE(Command(app::Command::DeleteAction)->isEnabled());
  EXPECT_FALSE(Command(app::Command::FindNextAction)->isEnabled());
  EXPECT_FALSE(page->SelectionLabel()->isHidden());
  // The context menu is the table's.
  QMenu menu;
  commands.Place(&menu, app::Place::ListMenu);
  ASSERT_EQ(menu.actions().size(), 6);
  EXPECT_EQ(menu.actions()[0], Command(app::Command::ReadAction));
}

// The screenshots: a thread with unread and read rows, and the reader of a
// quoted reply with its link.
TEST_F(ArticleListPageTest, ScreenshotsOfTheThreadAndTheQuotedReply) {
  app.Settings.dispRefer = true;
  Show(Board());
  page->grab().save(ShotPath("datalog-threads.png"));
  EXPECT_EQ(Table()->model()->data(Table()->model()->index(1, 1)).toString(), "  2[1]");
  EXPECT_EQ(Table()->model()->data(Table()->model()->index(2, 2)).toString(), "│└ Re: 週末の集まりについて");
  EXPECT_TRUE(Table()->model()->data(Table()->model()->index(1, 0), Qt::FontRole).value<QFont>().bold());
  page->Model().SetFocused(-1);
  QTest::keyClick(Table(), Qt::Key_Space);
  ASSERT_EQ(CurrentTopic(), 2);
  QTextBrowser* body = page->Reader()->Body();
  EXPECT_EQ(body->toPlainText(), ">土曜の午後に集まりましょう。\n\n賛成です。場所は駅前で。");
  QTextCursor quote(body->document());
  quote.movePosition(QTextCursor::Right);
  EXPECT_EQ(quote.charFormat().foreground().color(), QColor(128, 128, 128));
  EXPECT_EQ(body->document()->firstBlock().blockFormat().textIndent(), 6);
  EXPECT_EQ(page->Reader()->Person()->text(), "花子 <hanako@example.jp>");
  EXPECT_EQ(page->Reader()->Date()->text(), "2026/05/02 11:02:00 (p1234-ipbf.example.ne.jp)");
  EXPECT_FALSE(page->Reader()->HomePageButton()->isHidden());
  EXPECT_EQ(page->Reader()->HomePageButton()->toolTip(), "http://hanako.example/");
  EXPECT_TRUE(page->Reader()->LinkButton()->isHidden());
  EXPECT_EQ(app.Status.panels[2], "http://bbs.example/read?no=2");
  page->grab().save(ShotPath("datalog-reader-quote.png"));
  QTest::keyClick(Table(), Qt::Key_Space);
  QTest::keyClick(Table(), Qt::Key_Down);
  QTest::keyClick(Table(), Qt::Key_Down);  // topic 4, with an address in its body
  ASSERT_EQ(CurrentTopic(), 4);
  EXPECT_NE(body->toHtml().indexOf("href=\"http://bbs.example/help/\""), -1);
  QTest::mouseClick(body->viewport(), Qt::LeftButton, {}, body->cursorRect(QTextCursor(body->document())).center());
  body->selectAll();
  std::unique_ptr<QMenu> menu(page->Reader()->ContextMenu(nullptr));
  ASSERT_EQ(menu->actions().size(), 2);
  EXPECT_EQ(menu->actions()[0]->text(), "コピー(&C)");
  EXPECT_TRUE(menu->actions()[0]->isEnabled());
  EXPECT_FALSE(menu->actions()[1]->isEnabled());  // the whole body is not an address
}

TEST_F(ArticleListPageTest, SpaceInAFolderWithoutUnreadOpensTheNextOneWithSomeThroughTheTree) {
  const std::string read = Site("a", {Art(1, 0, 1, "既読", false)});
  const std::string next = Site("b", {Art(1, 0, 1, "一", false), Art(2, 0, 2, "二", true)});
  std::vector<std::string> asked;
  Show(read);
  QObject::connect(page.get(), &gui::ArticleListPage::folderRequested, [&](const QByteArray& folder) {
    asked.push_back(folder.toStdString());
    page->OpenFolder(folder.toStdString());  // as the folder tree does when a node is selected
  });
  QTest::keyClick(Table(), Qt::Key_Space);
  EXPECT_EQ(asked, (std::vector<std::string>{next}));
  EXPECT_EQ(Log().FolderPath(), next);
  EXPECT_EQ(CurrentTopic(), 2);
  EXPECT_EQ(Label(), "【未読: 0 / 2 項目】");
  EXPECT_TRUE(Table()->hasFocus());
}

TEST_F(ArticleListPageTest, FindAsksForTheTextThenF3SearchesOnAndNothingFoundKeepsTheSelection) {
  Show(Board());
  ui.inputAnswers = {S("駅前")};
  QTest::keyClick(Table(), Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(CurrentTopic(), 2);
  EXPECT_TRUE(Command(app::Command::FindNextAction)->isEnabled());
  QTest::keyClick(Table(), Qt::Key_F3);
  EXPECT_EQ(CurrentTopic(), 3);
  const QString subject = page->Reader()->Subject()->text();
  QTest::keyClick(Table(), Qt::Key_F3);  // past the last match
  EXPECT_EQ(CurrentTopic(), 3);
  EXPECT_EQ(Table()->selectionModel()->selectedRows().size(), 1);
  EXPECT_EQ(page->Reader()->Subject()->text(), subject);
  EXPECT_EQ(U(app.Status.panels[0]), "見つかりません");
  QTest::keyClick(Table(), Qt::Key_F3, Qt::ShiftModifier);  // up from there
  EXPECT_EQ(CurrentTopic(), 2);
}

// After Ctrl+D the reader stays on the focused article, which the
// duplicates leave unselected as the first of its group.
TEST_F(ArticleListPageTest, AfterCtrlDTheReaderShowsTheFocusedRow) {
  Show(Site("dup", {Art(1, 0, 1, "Hello", false, "a", "same"), Art(2, 0, 2, "HELLO", false, "b", "same"),
                    Art(3, 0, 3, "other", false, "c", "x")}));
  QTest::keyClick(Table(), Qt::Key_Down);
  ASSERT_EQ(page->Reader()->Subject()->text(), "Hello");
  QTest::keyClick(Table(), Qt::Key_D, Qt::ControlModifier);
  EXPECT_EQ(page->Model().SelectedRuns(), (std::vector<std::pair<int, int>>{{1, 1}}));
  EXPECT_EQ(Table()->currentIndex().row(), 0);
  EXPECT_EQ(page->Reader()->Subject()->text(), "Hello");
  EXPECT_EQ(page->SelectionLabel()->text(), "選択中: 1 件");
}

// The focused row's frame runs along the whole row: along the top of every
// cell, down the first cell's left side and the last cell's right side.
TEST_F(ArticleListPageTest, TheFocusFrameSpansTheWholeRow) {
  Show(Board());
  QTest::keyClick(Table(), Qt::Key_Down);
  QTest::keyClick(Table(), Qt::Key_Down);
  QTest::keyClick(Table(), Qt::Key_A, Qt::ControlModifier);  // the rows around it look alike
  ASSERT_TRUE(Table()->hasFocus());
  const int focused = Table()->currentIndex().row();
  ASSERT_EQ(focused, 1);
  QApplication::processEvents();
  const QImage shot = Table()->viewport()->grab().toImage();
  const int last = Table()->model()->columnCount() - 1;
  // Pixels of a cell's top line (or a side) that differ between the focused
  // row and the row below, which is selected alike but not focused.
  auto differing = [&](int column, bool side) {
    const QRect a = Table()->visualRect(Table()->model()->index(focused, column));
    const QRect b = Table()->visualRect(Table()->model()->index(focused + 1, column));
    int n = 0;
    if (side) {
      const int x = column == 0 ? a.left() : a.right();
      for (int dy = 1; dy < a.height() - 1; ++dy) n += shot.pixel(x, a.top() + dy) != shot.pixel(x, b.top() + dy);
    } else {
      for (int dx = 0; dx < a.width(); ++dx) n += shot.pixel(a.left() + dx, a.top()) != shot.pixel(a.left() + dx, b.top());
    }
    return n;
  };
  for (int c = 0; c <= last; ++c) EXPECT_GT(differing(c, false), 2) << "top of column " << c;
  EXPECT_GT(differing(0, true), 2);
  EXPECT_GT(differing(last, true), 2);
  page->grab().save(ShotPath("datalog-focus-frame.png"));
}

}  // namespace
}  // namespace bq::test
