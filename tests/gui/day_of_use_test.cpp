// The main window through a day of use, offscreen with real windows:
// failed fetches shown in the round report and the status bar, commands
// triggered by their names as the menus trigger them.
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <QSplitter>
#include <QTreeWidget>

#include "app/controls/folder_tree.h"
#include "app/core/application.h"
#include "app/core/kernel.h"
#include "app/gui/article_list_page.h"
#include "app/gui/main_window.h"
#include "app/gui/new_folder_dialog.h"
#include "app/gui/qt_platform.h"
#include "app/gui/round_report_view.h"
#include "logstore/folder_info.h"
#include "logstore/scrap_list.h"
#include "platform/fs.h"
#include "tests/gui/gui_fixture.h"
#include "tests/gui/window_fixture.h"
#include "tests/web/local_servers.h"
#include "textlib/cp932.h"
#include "textlib/dates.h"

namespace bq::test {
namespace {

const char* kFetchOne = "SCRIPT one;\r\nBEGIN\r\n  GET(%URL%);\r\n  PACK(0: 1, 3: _, 2: 1000);\r\n  PUTLOG(0)\r\nEND.\r\n";

class DayOfUse : public WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    if (HasFatalFailure()) return;
    Script("one.pss", kFetchOne);
  }
  // A site folder whose address is a loopback port nobody listens on.
  std::string DeadSite(const std::string& rel) {
    TFolderInfo info;
    info.SiteUrl = "http://127.0.0.1:" + std::to_string(FreePort()) + "/" + rel + ".html";
    info.ScriptName = "one.pss";
    info.RoundTarget = true;
    addresses.push_back(info.SiteUrl);
    return Site(rel, info);
  }
  void Select(const std::string& folder) {
    QTreeWidgetItem* item = window->Tree()->FindPath(folder);
    ASSERT_NE(item, nullptr);
    window->Tree()->setCurrentItem(item);
  }
  QTreeWidget* Table() { return window->ReportView()->Table(); }
  QString Message(int row) { return Table()->topLevelItem(row)->text(2); }

  std::vector<std::string> addresses;
};

TEST_F(DayOfUse, AFetchFromAClosedPortGivesAReportLineAndAStatusBarCount) {
  const std::string folder = DeadSite("board");
  Open();
  window->Action(QStringLiteral("RoundReportAction"))->trigger();
  EXPECT_FALSE(window->ReportView()->EmptyLabel()->isHidden());
  EXPECT_EQ(window->ReportView()->EmptyLabel()->text(), QString::fromUtf8("エラーはありません"));
  EXPECT_FALSE(window->StatusText(3).contains(QString::fromUtf8("取得失敗")));

  Select(folder);
  window->Action(QStringLiteral("ExecAction"))->trigger();
  ASSERT_EQ(Table()->topLevelItemCount(), 1);
  EXPECT_TRUE(window->ReportView()->EmptyLabel()->isHidden());
  EXPECT_EQ(Table()->topLevelItem(0)->text(1), QStringLiteral("board"));
  EXPECT_TRUE(Message(0).startsWith(QString::fromStdString("GET " + addresses[0] + ": "))) << Message(0).toStdString();
  EXPECT_FALSE(Table()->topLevelItem(0)->text(0).isEmpty());  // the time
  EXPECT_TRUE(window->StatusText(3).startsWith(QString::fromUtf8("取得失敗: 1 件"))) << window->StatusText(3).toStdString();
  EXPECT_EQ(ui.calls.size(), 0u);  // no message box for a failed page
}

TEST_F(DayOfUse, ARoundOverTwoDeadFoldersReportsBothAndCountsThemAndTheReportIsShot) {
  DeadSite(Utf8ToSjis("駅前掲示板"));
  DeadSite(Utf8ToSjis("ニュース"));
  Open();
  Select(app->LogRoot());
  window->Action(QStringLiteral("RoundAction"))->trigger();
  ASSERT_EQ(Table()->topLevelItemCount(), 2);
  QStringList folders{Table()->topLevelItem(0)->text(1), Table()->topLevelItem(1)->text(1)};
  EXPECT_TRUE(folders.contains(QString::fromUtf8("駅前掲示板")));
  EXPECT_TRUE(folders.contains(QString::fromUtf8("ニュース")));
  EXPECT_TRUE(window->StatusText(3).startsWith(QString::fromUtf8("取得失敗: 2 件"))) << window->StatusText(3).toStdString();
  // A new fetch that fails nothing counts from zero again; the lines stay.
  Select(app->LogRoot());
  window->Action(QStringLiteral("ExecAction"))->trigger();
  EXPECT_FALSE(window->StatusText(3).contains(QString::fromUtf8("取得失敗")));
  EXPECT_EQ(Table()->topLevelItemCount(), 2);

  gui::RoundReportView& view = *window->ReportView();
  view.resize(760, 240);
  view.show();
  QApplication::processEvents();
  EXPECT_TRUE(view.grab().save(ShotPath(QStringLiteral("round-report-failures.png"))));
}

QByteArray FileBytes(const std::string& path) {
  QFile f(QString::fromStdString(path));
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST_F(DayOfUse, ARestartKeepsAFoldersWidthsByteForByteInItsNodeFile) {
  TFolderInfo info;
  info.KeepColumns = true;
  info.ColumnWidths = "30,81,222,103,164";
  const std::string folder = Site("board", info);
  const QByteArray before = FileBytes(folder + "kvlnode.web");
  Open();
  Select(folder);
  window->close();
  EXPECT_EQ(FileBytes(folder + "kvlnode.web"), before);
  window.reset();
  app->Settings.fileName.clear();
  app.reset();
  Open();  // the folder open last opens at start-up
  ASSERT_EQ(window->Tree()->SelectedPath(), folder);
  window->close();
  EXPECT_EQ(FileBytes(folder + "kvlnode.web"), before);
}

TEST_F(DayOfUse, TheListHeightIsWrittenAtClose) {
  WriteFile(QStringLiteral("brindlequay.ini"), "WINDOWINFO=0,10,20,770,660\r\nSPLIT=150,250\r\n");
  Open();
  auto* split = window->findChild<QSplitter*>(QStringLiteral("ListSplitter"));
  ASSERT_NE(split, nullptr);
  QApplication::processEvents();
  split->setSizes({260, 200});
  const int height = split->sizes().value(0);
  ASSERT_NE(height, 150);
  window->close();
  const QString ini = QString::fromLatin1(FileBytes(Settings().toStdString()));
  EXPECT_TRUE(ini.contains(QStringLiteral("SPLIT=%1,").arg(height))) << ini.toStdString();
}

TEST_F(DayOfUse, TheFirstStartHintsAtMakingAFolderInTheEmptyList) {
  Open();
  window->resize(900, 620);
  QApplication::processEvents();
  auto* hint = window->findChild<QLabel*>(QStringLiteral("EmptyListHint"));
  ASSERT_NE(hint, nullptr);
  EXPECT_FALSE(hint->isHidden());
  EXPECT_TRUE(hint->text().contains(QString::fromUtf8("新規フォルダ"))) << hint->text().toStdString();
  EXPECT_TRUE(window->grab().save(ShotPath(QStringLiteral("first-start.png"))));
  // A folder made: the hint goes.
  window->Tree()->setCurrentItem(window->Tree()->TopItem());
  WhenModal<gui::NewFolderDialog>([](gui::NewFolderDialog& d) { d.accept(); });
  window->Action(QStringLiteral("NewFolderAction"))->trigger();
  window->Tree()->closePersistentEditor(window->Tree()->currentItem());
  window->Tree()->setCurrentItem(window->Tree()->TopItem());
  EXPECT_TRUE(hint->isHidden());
}

// The article keys from wherever the focus is, as menu keys act.
class ArticleKeys : public DayOfUse {
 protected:
  void SetUp() override {
    DayOfUse::SetUp();
    if (HasFatalFailure()) return;
    folder = Site("board", TFolderInfo{});
    TScrapList log(ui);
    log.OpenFolder(folder);
    for (int i = 1; i <= 4; ++i)
      log.AddItem(Article(i, 0, EncodeDate(2026, 5, i, 12, 0, 0), i == 2 ? "needle" : "t", i != 1), false);
    log.SaveLog();
    // Start as a user does the day after: this folder open last.
    Open();
    Select(folder);
    window->close();
    window.reset();
    app->Settings.fileName.clear();
    app.reset();
    Open();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  }
  int Unread() { return app::TKernel::Log(*app).UnreadCount(); }
  // The title of the article shown in the reader (the one read last).
  int Topic() {
    const int row = app::TKernel::Log(*app).Count() > 0 ? window->ListPage()->Table()->currentIndex().row() : -1;
    return row < 0 ? -1 : app::TKernel::Log(*app).GetItem(row).TOPIC;
  }
  std::string folder;
};

TEST_F(ArticleKeys, SpaceAtStartUpWithTheFocusOnTheTreeReadsTheNextUnreadArticle) {
  ASSERT_EQ(window->Tree()->SelectedPath(), folder);
  window->Tree()->setFocus();
  ASSERT_EQ(Unread(), 3);
  QTest::keyClick(window->Tree(), Qt::Key_Space);
  EXPECT_EQ(Unread(), 2);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down, Qt::ControlModifier);
  EXPECT_EQ(Unread(), 1);
}

TEST_F(ArticleKeys, AfterCtrlFSpaceGoesOnAndF3PastTheLastMatchKeepsTheSelection) {
  window->Tree()->setFocus();
  ui.inputAnswers = {"needle"};
  QTest::keyClick(window->Tree(), Qt::Key_F, Qt::ControlModifier);
  ASSERT_EQ(Topic(), 2);
  EXPECT_EQ(Unread(), 2);  // the found article is read
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F3);
  EXPECT_EQ(Topic(), 2);
  EXPECT_EQ(window->StatusText(0), QString::fromUtf8("見つかりません"));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
  EXPECT_EQ(Unread(), 1);
  EXPECT_NE(Topic(), 2);
}

TEST_F(ArticleKeys, ATextFieldKeepsTheKeysItTypesWith) {
  auto* edit = new QLineEdit;
  window->statusBar()->addWidget(edit);
  edit->setFocus();
  QTest::keyClick(edit, Qt::Key_Space);
  QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(edit, Qt::Key_Delete);
  EXPECT_EQ(edit->text(), QString());
  QTest::keyClick(edit, Qt::Key_Space);
  EXPECT_EQ(edit->text(), QStringLiteral(" "));
  EXPECT_EQ(Unread(), 3);
  EXPECT_EQ(app::TKernel::Log(*app).Count(), 4);
}

}  // namespace
}  // namespace bq::test
