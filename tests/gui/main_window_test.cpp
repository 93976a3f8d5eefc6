// The main window in this process, offscreen, over a RecordingUi that
// answers its questions: folder set-up, the folder actions, command words,
// the action table, page slots, close, and screenshots.
#include <QAction>
#include <QDateTime>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QRadioButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QApplication>

#include "app/controls/folder_tree.h"
#include "app/core/application.h"
#include "app/gui/about_box.h"
#include "app/gui/command_actions.h"
#include "app/gui/article_list_page.h"
#include "app/gui/article_reader_panel.h"
#include "app/gui/code_editor.h"
#include "app/gui/round_controller.h"
#include "app/gui/round_report_view.h"
#include "app/gui/workbench_page.h"
#include "app/gui/icons.h"
#include "app/gui/main_window.h"
#include "app/gui/new_folder_dialog.h"
#include "app/gui/qt_platform.h"
#include "tests/gui/gui_fixture.h"
#include "tests/gui/window_fixture.h"
#include "logstore/folder_info.h"
#include "logstore/scrap_list.h"
#include "platform/fs.h"
#include "textlib/cp932.h"

namespace bq::test {
namespace {

using gui::MainWindow;

class MainWindowTest : public WindowFixture {
 protected:
  TScrapList& Log() { return app::TKernel::Log(*app); }
  QTreeWidgetItem* Top() { return window->Tree()->TopItem(); }
  QStringList Children(QTreeWidgetItem* item) {
    QStringList out;
    for (int i = 0; i < item->childCount(); ++i) out << item->child(i)->text(0);
    return out;
  }
  QTreeWidgetItem* Child(QTreeWidgetItem* item, const QString& caption) {
    for (int i = 0; i < item->childCount(); ++i)
      if (item->child(i)->text(0) == caption) return item->child(i);
    return nullptr;
  }
  void NewFolderUnderTop() {
    window->Tree()->setCurrentItem(Top());
    // The dialog offers a plain folder first, as Enter takes it.
    WhenModal<gui::NewFolderDialog>([](gui::NewFolderDialog& d) {
      EXPECT_TRUE(d.FolderButton()->isChecked());
      d.accept();
    });
    window->Action(QStringLiteral("NewFolderAction"))->trigger();
    // The new caption opens for editing; the test names nothing and leaves it.
    window->Tree()->closePersistentEditor(window->Tree()->currentItem());
  }
  std::string Sjis(const char* utf8) { return Utf8ToSjis(utf8); }

};

TEST_F(MainWindowTest, MissingDataFolderIsCreatedWithAnEmptyLogRoot) {
  layout.dataOption = dir + "new/deep/data/";
  Open();
  EXPECT_TRUE(QDir(Here() + QStringLiteral("new/deep/data/Log")).exists());
  ASSERT_NE(Top(), nullptr);
  EXPECT_EQ(Top()->text(0), QString::fromUtf8("インターネット"));
  EXPECT_EQ(Top()->childCount(), 0);
  EXPECT_EQ(window->Tree()->currentItem(), Top());
  EXPECT_TRUE(window->windowTitle().startsWith(QStringLiteral("Brindlequay"))) << window->windowTitle().toStdString();
  // The root is open: only a new folder can be made there.
  EXPECT_TRUE(window->Action(QStringLiteral("NewFolderAction"))->isEnabled());
  EXPECT_FALSE(window->Action(QStringLiteral("DeleteFolderAction"))->isEnabled());
  EXPECT_FALSE(window->Action(QStringLiteral("RenameFolderAction"))->isEnabled());
  EXPECT_FALSE(window->Action(QStringLiteral("RoundTargetAction"))->isEnabled());
}

TEST_F(MainWindowTest, NewFoldersTakeTheSmallestFreeNumber) {
  Open();
  NewFolderUnderTop();
  NewFolderUnderTop();
  EXPECT_EQ(Children(Top()), (QStringList{QString::fromUtf8("新しいフォルダ1"), QString::fromUtf8("新しいフォルダ2")}));
  // The new folder is selected and open.
  EXPECT_EQ(window->Tree()->currentItem()->text(0), QString::fromUtf8("新しいフォルダ2"));
  EXPECT_EQ(Log().FolderPath(), app->LogRoot() + Sjis("新しいフォルダ2/"));
  // Delete the first: the question names it, Yes removes it from disk and tree.
  window->Tree()->setCurrentItem(Child(Top(), QString::fromUtf8("新しいフォルダ1")));
  ui.messageAnswers = {kIdYes};
  window->Action(QStringLiteral("DeleteFolderAction"))->trigger();
  ASSERT_FALSE(ui.calls.empty());
  EXPECT_EQ(SjisToUtf8(ui.calls.back().text), "新しいフォルダ1 以下のデータは全て消えます！\r\nほんとにいい？");
  EXPECT_EQ(ui.calls.back().number, kMbYesNo);
  EXPECT_FALSE(fs::DirectoryExists(app->LogRoot() + Sjis("新しいフォルダ1")));
  EXPECT_EQ(Children(Top()), QStringList{QString::fromUtf8("新しいフォルダ2")});
  EXPECT_EQ(window->Tree()->currentItem(), Top());
  // The freed number is used again.
  NewFolderUnderTop();
  EXPECT_TRUE(fs::DirectoryExists(app->LogRoot() + Sjis("新しいフォルダ1")));
}

TEST_F(MainWindowTest, DeleteAnsweredNoKeepsTheFolder) {
  Open();
  NewFolderUnderTop();
  ui.messageAnswers = {kIdNo};
  window->Action(QStringLiteral("DeleteFolderAction"))->trigger();
  EXPECT_TRUE(fs::DirectoryExists(app->LogRoot() + Sjis("新しいフォルダ1")));
  EXPECT_EQ(Children(Top()), QStringList{QString::fromUtf8("新しいフォルダ1")});
}

TEST_F(MainWindowTest, RenameByCaptionEditAndRefusalOntoAnExistingName) {
  Open();
  NewFolderUnderTop();
  NewFolderUnderTop();
  QTreeWidgetItem* second = Child(Top(), QString::fromUtf8("新しいフォルダ2"));
  ASSERT_NE(second, nullptr);
  // What the caption editor does when the user confirms a text.
  second->setText(0, QString::fromUtf8("駅前掲示板"));
  EXPECT_TRUE(fs::DirectoryExists(app->LogRoot() + Sjis("駅前掲示板")));
  EXPECT_FALSE(fs::DirectoryExists(app->LogRoot() + Sjis("新しいフォルダ2")));
  EXPECT_EQ(Log().FolderPath(), app->LogRoot() + Sjis("駅前掲示板/"));
  EXPECT_EQ(window->Tree()->currentItem()->text(0), QString::fromUtf8("駅前掲示板"));
  // Onto an existing name: refused with the message, the caption reverts.
  QTreeWidgetItem* first = Child(Top(), QString::fromUtf8("新しいフォルダ1"));
  ASSERT_NE(first, nullptr);
  ui.calls.clear();
  first->setText(0, QString::fromUtf8("駅前掲示板"));
  ASSERT_EQ(ui.calls.size(), 1u);
  EXPECT_EQ(SjisToUtf8(ui.calls[0].text), "名前の変更が出来ません！");
  EXPECT_EQ(first->text(0), QString::fromUtf8("新しいフォルダ1"));
  EXPECT_TRUE(fs::DirectoryExists(app->LogRoot() + Sjis("新しいフォルダ1")));
}

TEST_F(MainWindowTest, RoundTargetMarkChangesNodeFileAndIcon) {
  Open();
  NewFolderUnderTop();
  QTreeWidgetItem* item = window->Tree()->currentItem();
  QImage before = item->icon(0).pixmap(16, 16).toImage();
  QAction* mark = window->Action(QStringLiteral("RoundTargetAction"));
  ASSERT_TRUE(mark->isEnabled());
  EXPECT_FALSE(mark->isChecked());
  mark->trigger();
  EXPECT_TRUE(mark->isChecked());
  EXPECT_TRUE(Log().ReadFolderFlags(Log().FolderPath()).RoundTarget);
  QString node = QString::fromStdString(fs::ToOsPath(Log().NodeFilePath()));
  EXPECT_TRUE(QFile::exists(node));
  EXPECT_NE(item->icon(0).pixmap(16, 16).toImage(), before);
}

TEST_F(MainWindowTest, AllWordRunsARoundAndQuitClosesWithEverythingSaved) {
  Open();
  NewFolderUnderTop();
  window->ExecuteCommand(QStringLiteral("all"));
  QString roundLog = ReadText(LogRootQ() + QStringLiteral("RoundLog.txt"));
  EXPECT_TRUE(roundLog.startsWith(QStringLiteral("Folder Round: "))) << roundLog.toStdString();
  EXPECT_TRUE(roundLog.endsWith(QStringLiteral("\r\n")));
  // Unknown words do nothing; "Quit" closes and writes settings and root definition.
  window->ExecuteCommand(QStringLiteral("bogus"));
  EXPECT_TRUE(window->isVisible());
  bool closed = false;
  QObject::connect(window.get(), &MainWindow::closed, [&closed] { closed = true; });
  window->ExecuteCommand(QStringLiteral("Quit"));
  EXPECT_TRUE(closed);
  EXPECT_FALSE(window->isVisible());
  QString ini = ReadText(Settings());
  EXPECT_TRUE(ini.contains(QStringLiteral("WINDOWINFO=0,"))) << ini.toStdString();
  EXPECT_TRUE(ini.contains(QStringLiteral("SPLIT="))) << ini.toStdString();
  EXPECT_TRUE(ini.contains(QStringLiteral("LASTBBS="))) << ini.toStdString();
  EXPECT_TRUE(QFile::exists(LogRootQ() + QStringLiteral("weblog.def")));
}

TEST_F(MainWindowTest, PlacementAndSplitComeFromTheSettings) {
  WriteFile(QStringLiteral("brindlequay.ini"), "WINDOWINFO=0,10,20,770,660\r\nSPLIT=206,250\r\nTOOLBARICON=0\r\n");
  Open();
  EXPECT_EQ(window->size(), QSize(760, 640));
  auto* split = window->findChild<QSplitter*>();
  ASSERT_NE(split, nullptr);
  EXPECT_EQ(split->sizes().value(0), 250);
  split->setSizes({300, 400});
  window->resize(720, 600);
  window->close();
  QString ini = ReadText(Settings());
  EXPECT_TRUE(ini.contains(QStringLiteral("SPLIT=206,300"))) << ini.toStdString();
  EXPECT_TRUE(ini.contains(QRegularExpression(QStringLiteral("WINDOWINFO=0,-?\\d+,-?\\d+,-?\\d+,-?\\d+"))));
  QRegularExpressionMatch m =
      QRegularExpression(QStringLiteral("WINDOWINFO=0,(-?\\d+),(-?\\d+),(-?\\d+),(-?\\d+)")).match(ini);
  ASSERT_TRUE(m.hasMatch());
  EXPECT_EQ(m.captured(3).toInt() - m.captured(1).toInt(), 720);
  EXPECT_EQ(m.captured(4).toInt() - m.captured(2).toInt(), 600);
}

TEST_F(MainWindowTest, LastOpenFolderIsSelectedAtStart) {
  QDir().mkpath(LogRootQ() + QString::fromUtf8("a/b"));
  Open();
  QTreeWidgetItem* a = Child(Top(), QStringLiteral("a"));
  ASSERT_NE(a, nullptr);
  a->setExpanded(true);
  window->Tree()->setCurrentItem(Child(a, QStringLiteral("b")));
  window->close();
  window.reset();
  app->Settings.fileName.clear();
  app.reset();
  Open();
  ASSERT_NE(window->Tree()->currentItem(), nullptr);
  EXPECT_EQ(window->Tree()->SelectedPath(), app->LogRoot() + "a/b/");
  EXPECT_EQ(Log().FolderPath(), app->LogRoot() + "a/b/");
}

TEST_F(MainWindowTest, EveryCommandOnceByNameWithItsCaptionKeysAndPlaces) {
  Open();
  for (const app::CommandInfo& c : app::kCommands) {
    const QString name = QString::fromUtf8(c.name.data(), static_cast<int>(c.name.size()));
    QAction* a = window->Action(name);
    ASSERT_NE(a, nullptr) << c.name;
    EXPECT_EQ(a->objectName(), name);
    EXPECT_EQ(a->text().isEmpty(), false) << c.name;
    EXPECT_EQ(a->icon().isNull(), c.image == app::Image::None) << c.name;
    // One action a command: every menu, tool bar and page holds the same one.
    EXPECT_EQ(window->findChildren<QAction*>(name).size(), 1) << c.name;
  }
  EXPECT_EQ(window->Action(QStringLiteral("NoSuchAction")), nullptr);
  EXPECT_EQ(window->Action(QStringLiteral("NextAction"))->shortcuts(),
            (QList<QKeySequence>{QKeySequence(Qt::Key_Space), QKeySequence(QStringLiteral("Ctrl+Down"))}));
  EXPECT_EQ(window->Action(QStringLiteral("FindPrevAction"))->text(), QString::fromUtf8("上に検索"));
  EXPECT_EQ(window->Action(QStringLiteral("HelpAction"))->shortcut(), QKeySequence(Qt::Key_F1));
  EXPECT_EQ(window->Action(QStringLiteral("ChangeView"))->text(), QString::fromUtf8("コード表示"));
  EXPECT_EQ(window->Action(QStringLiteral("TimerSwitch"))->toolTip(), QString::fromUtf8("定時巡回の ON / OFF"));
  // The article menu holds the list's commands; their keys act on its page.
  QAction* next = window->Action(QStringLiteral("NextAction"));
  bool inArticleMenu = false;
  for (QAction* m : window->menuBar()->actions())
    if (m->text() == QString::fromUtf8("記事(&A)")) inArticleMenu = m->menu()->actions().contains(next);
  EXPECT_TRUE(inArticleMenu);
  EXPECT_TRUE(window->ListPage()->actions().contains(next));
  EXPECT_TRUE(window->TrayMenu()->actions().contains(window->Action(QStringLiteral("RoundReportAction"))));
  // No help page in this layout: help is off. No tray offscreen: no hiding.
  EXPECT_FALSE(window->Action(QStringLiteral("HelpAction"))->isEnabled());
  EXPECT_FALSE(window->Action(QStringLiteral("HideAction"))->isEnabled());
  EXPECT_EQ(window->Action(QStringLiteral("TimerSwitch"))->text(), QStringLiteral("OFF"));
  window->Action(QStringLiteral("TimerSwitch"))->trigger();
  EXPECT_EQ(window->Action(QStringLiteral("TimerSwitch"))->text(), QStringLiteral("ON "));
  EXPECT_TRUE(window->Action(QStringLiteral("TimerSwitch"))->isChecked());
  EXPECT_TRUE(Log().ScheduleEnabled);
  // The pages sit in the message panel.
  auto* tabs = window->findChild<QTabWidget*>();
  ASSERT_NE(tabs, nullptr);
  EXPECT_EQ(tabs->tabText(0), QString::fromUtf8("データログ"));
  EXPECT_EQ(tabs->tabText(1), QString::fromUtf8("スクリプト"));
  EXPECT_EQ(tabs->widget(0), window->ListPage());
  EXPECT_EQ(tabs->widget(1), window->Workbench());
  window->SetStatusText(2, QStringLiteral("http://example.com/"));
  EXPECT_EQ(window->StatusText(2), QStringLiteral("http://example.com/"));
  EXPECT_TRUE(window->StatusText(3).startsWith(QLatin1Char(' ')));
  EXPECT_EQ(window->StatusText(3).size(), 9);
}

TEST_F(MainWindowTest, BusyDisablesAllButStopAndSkipAndLeavingItEnablesByTheRules) {
  Open();
  NewFolderUnderTop();
  {
    app::TBusyState::Scope run = app->Busy().Enter(app::Activity::Round, true);
    EXPECT_TRUE(window->Action(QStringLiteral("StopAction"))->isEnabled());
    EXPECT_TRUE(window->Action(QStringLiteral("SkipAction"))->isEnabled());
    EXPECT_FALSE(window->Action(QStringLiteral("RoundAction"))->isEnabled());
    EXPECT_FALSE(window->Action(QStringLiteral("NewFolderAction"))->isEnabled());
    EXPECT_FALSE(window->Tree()->isEnabled());
    EXPECT_TRUE(window->Action(QStringLiteral("RoundReportAction"))->isEnabled());
  }
  EXPECT_FALSE(window->Action(QStringLiteral("StopAction"))->isEnabled());
  EXPECT_TRUE(window->Action(QStringLiteral("RoundAction"))->isEnabled());
  EXPECT_TRUE(window->Action(QStringLiteral("DeleteFolderAction"))->isEnabled());
  EXPECT_TRUE(window->Action(QStringLiteral("OptionAction"))->isEnabled());
  EXPECT_TRUE(window->Tree()->isEnabled());
  // An empty folder has nothing to export.
  EXPECT_FALSE(window->Action(QStringLiteral("ExportAction"))->isEnabled());
}

TEST_F(MainWindowTest, NextDataFolderFromTheHistorySetsUpTheOtherFolder) {
  QString other = Here() + QStringLiteral("other/");
  QDir().mkpath(other + QStringLiteral("Log/site"));
  WriteFile(QStringLiteral("brindlequay.ini"), "LOGHIST=" + other.toUtf8() + "\r\n");
  Open();
  auto* next = window->Action(QStringLiteral("NextLogDirAction"));
  ASSERT_TRUE(next->isEnabled());
  EXPECT_EQ(Top()->childCount(), 0);
  next->trigger();
  EXPECT_EQ(app->DataFolder(), other.toStdString());
  EXPECT_EQ(Children(Top()), QStringList{QStringLiteral("site")});
  EXPECT_EQ(app->Settings.logDir, other.toStdString());
  // Most recent first; the other entry follows, and "next" wraps back to it.
  EXPECT_EQ(SjisToUtf8(app->Settings.logHist), other.toStdString() + "," + Data());
  next->trigger();
  EXPECT_EQ(app->DataFolder(), Data());
}

TEST_F(MainWindowTest, CacheMaintenanceAndTheRoundLog) {
  Open();
  QString cache = DataQ() + QStringLiteral("cache/");
  QDir().mkpath(cache);
  for (const char* name : {"~old.tmp", "~new.tmp"}) WriteFile(QStringLiteral("data/cache/") + QLatin1String(name), "x");
  QFile old(cache + QStringLiteral("~old.tmp"));
  ASSERT_TRUE(old.open(QIODevice::ReadWrite));
  ASSERT_TRUE(old.setFileTime(QDateTime::currentDateTime().addDays(-9), QFileDevice::FileModificationTime));
  old.close();
  window->Action(QStringLiteral("CacheOldAction"))->trigger();
  EXPECT_FALSE(QFile::exists(cache + QStringLiteral("~old.tmp")));
  EXPECT_TRUE(QFile::exists(cache + QStringLiteral("~new.tmp")));
  // Everything: asked first; No keeps the files, Yes deletes them.
  ui.messageAnswers = {kIdNo, kIdYes};
  window->Action(QStringLiteral("CacheAllAction"))->trigger();
  ASSERT_FALSE(ui.calls.empty());
  EXPECT_EQ(SjisToUtf8(ui.calls.back().text), "キャッシュファイルを全て削除します\r\nよろしいですか？");
  EXPECT_TRUE(QFile::exists(cache + QStringLiteral("~new.tmp")));
  window->Action(QStringLiteral("CacheAllAction"))->trigger();
  EXPECT_FALSE(QFile::exists(cache + QStringLiteral("~new.tmp")));
  EXPECT_TRUE(window->Action(QStringLiteral("CacheAllAction"))->isEnabled());
  // The round log opens with the default program once it exists.
  window->ExecuteCommand(QStringLiteral("ALL"));
  ui.calls.clear();
  window->Action(QStringLiteral("RoundLogAction"))->trigger();
  ASSERT_EQ(ui.calls.size(), 1u);
  EXPECT_EQ(ui.calls[0].what, "ShellOpen");
  EXPECT_EQ(ui.calls[0].text, app->RoundLogPath());
}

// The tray's images, NORMAL, ACTIVE and the eight frames of the round
// animation, all different, drawn in a strip so they can be looked at.
TEST(TrayImages, AnimationFramesDifferAndAreSavedAsAStrip) {
  const int count = static_cast<int>(app::TrayImage::Icon7) + 1;
  QImage strip(32 * count, 32, QImage::Format_ARGB32);
  strip.fill(Qt::white);
  QPainter p(&strip);
  std::vector<QImage> frames;
  for (int i = 0; i < count; ++i) {
    QImage img = gui::TrayPixmap(static_cast<app::TrayImage>(i), 32).toImage();
    frames.push_back(img);
    p.drawImage(32 * i, 0, img);
  }
  p.end();
  for (std::size_t a = 0; a < frames.size(); ++a)
    for (std::size_t b = a + 1; b < frames.size(); ++b) EXPECT_NE(frames[a], frames[b]) << a << " " << b;
  ASSERT_TRUE(strip.save(ShotPath(QStringLiteral("tray_images.png"))));
}

// The demo's data folder made by the CLI, then the window drawn over it.
TEST_F(MainWindowTest, ScreenshotsOfTheWindowWithDemoFoldersAndTheAboutBox) {
  QProcess cli;
  cli.start(QStringLiteral(BQ_CLI_PATH), {QStringLiteral("--data"), DataQ(), QStringLiteral("demo")});
  ASSERT_TRUE(cli.waitForFinished(60000));
  ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
  layout.libsFolder = (QStringLiteral(BQ_CLI_PATH).section(QLatin1Char('/'), 0, -2) + QStringLiteral("/libs/")).toStdString();
  Open();
  window->resize(900, 600);
  window->Tree()->expandAll();
  QTreeWidgetItem* station = Child(Top(), QString::fromUtf8("駅前掲示板"));
  ASSERT_NE(station, nullptr);
  EXPECT_EQ(Top()->childCount(), 3);
  window->Tree()->setCurrentItem(station);
  EXPECT_TRUE(Log().Count() > 0);
  EXPECT_TRUE(window->StatusText(1).startsWith(QString::fromUtf8("最新記事: "))) << window->StatusText(1).toStdString();
  WaitUntil([] { return false; }, 100);
  ASSERT_TRUE(window->grab().save(ShotPath(QStringLiteral("main_window_demo.png"))));
  gui::AboutBox about(Settings(), DataQ(), window.get());
  about.show();
  WaitUntil([] { return false; }, 100);
  ASSERT_TRUE(about.grab().save(ShotPath(QStringLiteral("about_box.png"))));
  window->TrayMenu()->popup(window->mapToGlobal(QPoint(200, 100)));
  WaitUntil([] { return false; }, 100);
  ASSERT_TRUE(window->TrayMenu()->grab().save(ShotPath(QStringLiteral("tray_menu_offscreen.png"))));
  window->TrayMenu()->hide();
}


// The whole window: the list page, the workbench and the round controller in
// their places, a fetch and a round through the window's own actions.
class DesktopTest : public MainWindowTest {
 protected:
  // A site folder whose script stores `articles` articles, two of them a
  // thread, without the network.
  void Site(const QString& name, const char* script) {
    QDir().mkpath(LogRootQ() + name);
    TFolderInfo info;
    info.SiteUrl = "http://example.invalid/";  // a round runs only folders with an address
    info.ScriptName = ToSjisName(name) + ".pss";
    info.RoundTarget = true;
    info.TreeView = true;
    WriteFile(QStringLiteral("libs/") + name + QStringLiteral(".pss"), script);
    fs::WriteFileAtomic(fs::FromOsPath((LogRootQ() + name + QStringLiteral("/kvlnode.web")).toStdString()),
                        FormatNodeFile(info));
  }
  static std::string ToSjisName(const QString& name) { return name.toStdString(); }
  void Select(const QString& name) {
    QTreeWidgetItem* item = Child(Top(), name);
    ASSERT_NE(item, nullptr);
    window->Tree()->setCurrentItem(item);
  }
  int Boxes() const {
    int n = 0;
    for (const auto& c : ui.calls) n += c.what == "MessageBox";
    return n;
  }
};

constexpr char kThreadScript[] =
    "SCRIPT board;\r\nBEGIN\r\n"
    "  PACK(0: 1, 3: '\x8d\xa1\x93\xfa\x82\xcc\x98\x62\x91\xe8', 4: '\x91\xbe\x98\x59', 2: 1796000000,"
    " 7: '\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd\r\n\x8c\xb3\x8b\x43\x82\xc5\x82\xb7\x82\xa9');\r\n"
    "  PUTLOG(0);\r\n"
    "  PACK(0: 2, 1: 1, 3: 'Re: \x8d\xa1\x93\xfa\x82\xcc\x98\x62\x91\xe8', 4: '\x89\xd4\x8e\x71',"
    " 2: 1796003600, 7: '> \x8c\xb3\x8b\x43\x82\xc5\x82\xb7\x82\xa9\r\n\r\n\x8c\xb3\x8b\x43\x82\xc5\x82\xb7');\r\n"
    "  PUTLOG(0);\r\n"
    "  PACK(0: 3, 3: '\x95\xca\x82\xcc\x98\x62', 4: '\x8e\x9f\x98\x59', 2: 1796007200);\r\n"
    "  PUTLOG(0)\r\n"
    "END.\r\n";

TEST_F(DesktopTest, AFetchFillsTheListAndSpaceReadsTheUnreadArticles) {
  Site(QStringLiteral("board"), kThreadScript);
  Open();
  window->resize(780, 560);
  Select(QStringLiteral("board"));
  EXPECT_EQ(Log().FolderPath(), app->LogRoot() + "board/");
  window->Action(QStringLiteral("ExecAction"))->trigger();
  ASSERT_TRUE(WaitUntil([&] { return !window->Rounds()->Runner().Running(); }));
  EXPECT_EQ(Boxes(), 0);
  ASSERT_EQ(window->ListPage()->Table()->model()->rowCount(), 3);
  EXPECT_EQ(Log().UnreadCount(), 2);  // the fetch ends on the first article, which is read
  // Space walks the unread articles in the window as on the page alone.
  window->ListPage()->Table()->setFocus();
  for (int i = 0; i < 3; ++i) window->Action(QStringLiteral("NextAction"))->trigger();
  EXPECT_EQ(Log().UnreadCount(), 0);
  QTableView* table = window->ListPage()->Table();
  QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(table->model()->index(2, 2)).center());
  QCoreApplication::processEvents();
  EXPECT_EQ(window->StatusText(2).isEmpty(), Log().GetItem(2).PAGEURL.empty());
  window->grab().save(ShotPath(QStringLiteral("desktop_list_reader.png")));
  // Leaving for another folder writes the read marks.
  window->Tree()->setCurrentItem(Top());
  QString log = ReadText(LogRootQ() + QStringLiteral("board/kvllog.dat"));
  EXPECT_FALSE(log.isEmpty());
  TScrapList reread(ui);
  reread.OpenFolder(app->LogRoot() + "board/");
  EXPECT_EQ(reread.Count(), 3);
  EXPECT_EQ(reread.UnreadCount(), 0);
}

TEST_F(DesktopTest, ARoundGoesOnPastAFailingFolderIntoTheReportWithoutABox) {
  // The first folder waits a little, so the window is seen busy.
  Site(QStringLiteral("a_board"), "SCRIPT s;\r\nBEGIN\r\n  SLEEP(300)\r\nEND.\r\n");
  Site(QStringLiteral("b_broken"), "SCRIPT f;\r\nBEGIN x := DECODEURL('%') END.\r\n");
  Site(QStringLiteral("c_board"), kThreadScript);
  Open();
  window->resize(780, 560);
  bool shotDuringRound = false;
  bool boxDuringRound = false;
  // The machine pumps the event loop while a round runs: look at the window then.
  QTimer probe;
  QObject::connect(&probe, &QTimer::timeout, [&] {
    if (!window->Rounds()->Runner().Running()) return;
    boxDuringRound |= QApplication::activeModalWidget() != nullptr;
    if (!shotDuringRound && window->Busy()) {
      EXPECT_TRUE(window->Action(QStringLiteral("StopAction"))->isEnabled());
      EXPECT_FALSE(window->Action(QStringLiteral("RoundAction"))->isEnabled());
      window->grab().save(ShotPath(QStringLiteral("desktop_round_busy.png")));
      shotDuringRound = true;
    }
  });
  probe.start(1);
  Select(QStringLiteral("a_board"));
  window->Tree()->setCurrentItem(Top());
  window->Action(QStringLiteral("RoundAction"))->trigger();
  ASSERT_TRUE(WaitUntil([&] { return !window->Rounds()->Runner().Running(); }));
  probe.stop();
  EXPECT_TRUE(shotDuringRound);
  EXPECT_FALSE(boxDuringRound);
  EXPECT_EQ(Boxes(), 0);
  ASSERT_EQ(window->Rounds()->Runner().Report().Entries().size(), 1u);
  EXPECT_NE(window->Rounds()->Runner().Report().Entries().front().folder.find("b_broken"), std::string::npos);
  TScrapList c(ui);
  c.OpenFolder(app->LogRoot() + "c_board/");
  EXPECT_EQ(c.Count(), 3);  // the folder after the failing one ran
  EXPECT_FALSE(window->Busy());
  EXPECT_TRUE(window->Action(QStringLiteral("RoundAction"))->isEnabled());
  EXPECT_TRUE(QFile::exists(LogRootQ() + QStringLiteral("RoundLog.txt")));
  window->Action(QStringLiteral("RoundReportAction"))->trigger();
  EXPECT_TRUE(window->ReportView()->isVisible());
  window->ReportView()->grab().save(ShotPath(QStringLiteral("desktop_round_report.png")));
}

// The workbench's commands in the real window, through run, steps, trace,
// a round and a fetch: enabled whenever nothing runs, disabled (but Stop and
// Skip) while something does.
constexpr char kStepScript[] =
    "SCRIPT steps;\r\n"  // 0
    "BEGIN\r\n"          // 1
    "  x := 1;\r\n"      // 2
    "  y := 2;\r\n"      // 3
    "  z := x + y;\r\n"  // 4
    "  SLEEP(150);\r\n"  // 5
    "  w := z\r\n"       // 6
    "END.\r\n";          // 7

TEST_F(DesktopTest, TheWorkbenchCommandsAreEnabledAgainAfterEveryRunStepTraceRoundAndFetch) {
  Site(QStringLiteral("board"), kStepScript);
  Open();
  Select(QStringLiteral("board"));
  const QStringList bench{QStringLiteral("GoAction"), QStringLiteral("StepAction"), QStringLiteral("TraceAction"),
                          QStringLiteral("ExecInit")};
  // While anything runs, the four are off and Stop is on.
  bool benchOnWhileBusy = false, stopOffWhileBusy = false;
  int busyProbes = 0;
  QTimer probe;
  QObject::connect(&probe, &QTimer::timeout, [&] {
    if (!window->Busy()) return;
    ++busyProbes;
    for (const QString& n : bench) benchOnWhileBusy |= window->Action(n)->isEnabled();
    stopOffWhileBusy |= !window->Action(QStringLiteral("StopAction"))->isEnabled();
  });
  probe.start(1);
  auto idle = [&](const char* after) {
    EXPECT_FALSE(window->Busy()) << after;
    for (const QString& n : bench) EXPECT_TRUE(window->Action(n)->isEnabled()) << n.toStdString() << " after " << after;
    EXPECT_FALSE(window->Action(QStringLiteral("StopAction"))->isEnabled()) << after;
  };
  gui::WorkbenchPage* page = window->Workbench();
  auto mark = [page] { return page->Model().CodePosition(); };
  auto markRow = [page](int row) { return page->StepListBox->model()->index(row, 0).data().toString(); };

  window->Action(QStringLiteral("CompileBtn"))->trigger();
  idle("compile");
  page->Model().ToggleBreakpoint(2);
  window->Action(QStringLiteral("GoAction"))->trigger();
  idle("run");
  EXPECT_EQ(mark(), 2);
  for (int step = 1; step <= 3; ++step) {
    window->Action(QStringLiteral("StepAction"))->trigger();
    idle("step");
    EXPECT_EQ(mark(), 2 + step);
  }
  EXPECT_TRUE(markRow(5).startsWith(QLatin1Char('>')));
  EXPECT_FALSE(markRow(2).startsWith(QLatin1Char('>')));
  window->Action(QStringLiteral("TraceAction"))->trigger();
  idle("trace");
  EXPECT_GE(mark(), 5);
  window->ExecuteCommand(QStringLiteral("all"));
  idle("a round");
  window->ExecuteCommand(QStringLiteral("run"));
  idle("a fetch");
  window->Action(QStringLiteral("GoAction"))->trigger();
  idle("the second run");
  probe.stop();
  EXPECT_GT(busyProbes, 0);
  EXPECT_FALSE(benchOnWhileBusy);
  EXPECT_FALSE(stopOffWhileBusy);
  EXPECT_EQ(Boxes(), 0);
}

// ChangeView puts the compiled code in the tree panel, its current row the
// machine's, with the script page in front; again, and the tree is back.
TEST_F(DesktopTest, TheCodePageShowsTheListingBesideTheScriptPage) {
  Site(QStringLiteral("board"), kStepScript);
  Open();
  window->resize(900, 600);
  Select(QStringLiteral("board"));
  EXPECT_FALSE(window->CodeViewShown());
  window->Action(QStringLiteral("StepAction"))->trigger();
  window->Action(QStringLiteral("StepAction"))->trigger();
  window->Action(QStringLiteral("ChangeView"))->trigger();
  EXPECT_TRUE(window->CodeViewShown());
  EXPECT_TRUE(window->CodeView()->isVisible());
  EXPECT_TRUE(window->Workbench()->isVisible());
  ASSERT_GT(window->CodeView()->model()->rowCount(), 0);
  EXPECT_EQ(window->CodeView()->currentIndex().row(), window->Workbench()->Output->currentIndex().row());
  EXPECT_GT(window->CodeView()->currentIndex().row(), 0);
  WaitUntil([] { return false; }, 100);
  ASSERT_TRUE(window->grab().save(ShotPath(QStringLiteral("desktop_code_page.png"))));
  window->Action(QStringLiteral("ChangeView"))->trigger();
  EXPECT_FALSE(window->CodeViewShown());
  EXPECT_TRUE(window->Tree()->isVisible());
}


// The list's columns at 700 px and at 1200 px: the date stays in view (the
// title gives way), the topic column holds six digits with a reference, the
// last column takes what is left, and none of it is written to the folder.
TEST_F(DesktopTest, TheListsColumnsFitANarrowAndAWideWindow) {
  Site(QStringLiteral("board"), kThreadScript);
  {
    TScrapList board(ui);
    board.OpenFolder(LogRoot() + "board/");
    board.Folder.KeepColumns = true;  // widths the user set would be written
    board.SaveNode();
  }
  Open();
  window->resize(700, 560);
  Select(QStringLiteral("board"));
  window->Action(QStringLiteral("ExecAction"))->trigger();
  ASSERT_TRUE(WaitUntil([&] { return !window->Rounds()->Runner().Running(); }));
  QTableView* table = window->ListPage()->Table();
  QHeaderView* header = table->horizontalHeader();
  auto right = [header](int c) { return header->sectionViewportPosition(c) + header->sectionSize(c); };
  QFont bold = table->font();
  bold.setBold(true);
  const int topicText = QFontMetrics(bold).horizontalAdvance(QStringLiteral("  999999[999999]"));
  struct Size {
    int width;
    bool titleGivesWay;
  };
  for (const Size& size : {Size{700, true}, Size{1200, false}}) {
    window->resize(size.width, 560);
    QCoreApplication::processEvents();
    const int room = table->viewport()->width();
    EXPECT_LE(right(app::kColDate), room) << size.width;  // 日付 whole in view
    EXPECT_GE(header->sectionSize(app::kColTopic), topicText) << size.width;
    EXPECT_EQ(header->sectionSize(app::kColTitle) < 320, size.titleGivesWay) << size.width;
    if (!size.titleGivesWay) {
      EXPECT_EQ(right(header->count() - 1), room);  // the last column stretches
    }
    if (size.width == 700) {
      WaitUntil([] { return false; }, 100);
      ASSERT_TRUE(window->grab().save(ShotPath(QStringLiteral("list-700px.png"))));
    }
  }
  // Leaving the folder writes no width the user did not set.
  window->Tree()->setCurrentItem(Top());
  TScrapList reread(ui);
  reread.OpenFolder(app->LogRoot() + "board/");
  EXPECT_EQ(reread.Folder.ColumnWidths, "");
}

// 取得 shows the data-log page and selects the first row; 巡回 expands the
// node and all below it and selects the first row; the scheduled round
// starts from the top of the tree and selects the remembered folder again.
TEST_F(DesktopTest, FetchAndRoundsEndOnTheFirstRowAndTheirNodes) {
  Site(QStringLiteral("board"), kThreadScript);
  QDir().mkpath(LogRootQ() + QStringLiteral("board/inner/deep"));
  Open();
  Select(QStringLiteral("board"));
  auto* tabs = window->findChild<QTabWidget*>();
  ASSERT_NE(tabs, nullptr);
  tabs->setCurrentWidget(window->Workbench());
  QTableView* table = window->ListPage()->Table();
  auto selectedRows = [table] {
    std::vector<int> rows;
    for (const QModelIndex& i : table->selectionModel()->selectedRows()) rows.push_back(i.row());
    return rows;
  };
  window->Action(QStringLiteral("ExecAction"))->trigger();
  EXPECT_EQ(tabs->currentWidget(), window->ListPage());
  EXPECT_EQ(selectedRows(), (std::vector<int>{0}));
  EXPECT_FALSE(window->ListPage()->Reader()->Subject()->text().isEmpty());
  // The workbench shows where the fetch ended.
  EXPECT_GT(window->Workbench()->Model().CodePosition(), 0);

  QTreeWidgetItem* board = Child(Top(), QStringLiteral("board"));
  board->setExpanded(false);
  table->clearSelection();
  window->Action(QStringLiteral("RoundAction"))->trigger();
  EXPECT_EQ(window->Tree()->currentItem(), board);
  EXPECT_TRUE(board->isExpanded());
  QTreeWidgetItem* inner = Child(board, QStringLiteral("inner"));
  ASSERT_NE(inner, nullptr);
  EXPECT_TRUE(inner->isExpanded());
  EXPECT_NE(Child(inner, QStringLiteral("deep")), nullptr);
  EXPECT_EQ(selectedRows(), (std::vector<int>{0}));

  QTreeWidgetItem* startedAt = nullptr;
  QObject::connect(window->Rounds(), &gui::RoundController::roundStarted,
                   [&] { startedAt = window->Tree()->currentItem(); });
  window->Action(QStringLiteral("TimerAction"))->trigger();
  EXPECT_EQ(startedAt, Top());
  EXPECT_EQ(window->Tree()->SelectedPath(), app->LogRoot() + "board/");  // the remembered folder again
  EXPECT_EQ(Boxes(), 0);
}

// The export dialog opens at the script page's corner, the properties at
// the list's; a compile without EXPORT turns ログ出力 off at once.
TEST_F(DesktopTest, DialogsOpenAtTheirCornersAndExportFollowsEveryCompile) {
  Site(QStringLiteral("board"),
       "SCRIPT e;\r\nPROCDEF EXPORT(file, target, del)\r\nBEGIN\r\n  x := 1\r\nEND;\r\n"
       "BEGIN\r\n  PACK(0: 1, 3: 'one', 2: 1796000000); PUTLOG(0)\r\nEND.\r\n");
  Open();
  Select(QStringLiteral("board"));
  window->Action(QStringLiteral("ExecAction"))->trigger();
  QAction* exportAction = window->Action(QStringLiteral("ExportAction"));
  ASSERT_TRUE(exportAction->isEnabled());
  struct Corner {
    QString command;
    QWidget* corner;
  };
  for (const Corner& c : {Corner{QStringLiteral("ExportAction"), window->Workbench()},
                          Corner{QStringLiteral("PropertyAction"), window->ListPage()->Table()}}) {
    QPoint at(-1, -1);
    WhenModal<QDialog>([&at](QDialog& d) {
      at = d.pos();
      d.reject();
    });
    window->Action(c.command)->trigger();
    EXPECT_EQ(at, c.corner->mapToGlobal(QPoint(0, 0))) << c.command.toStdString();
  }
  window->Workbench()->ProgramSource->setPlainText(QStringLiteral("SCRIPT n;\nBEGIN\nEND.\n"));
  window->Action(QStringLiteral("CompileBtn"))->trigger();
  EXPECT_FALSE(exportAction->isEnabled());
  window->Action(QStringLiteral("LoadBtn"))->trigger();
  EXPECT_TRUE(exportAction->isEnabled());
}

// The window is called by the program's name until a site folder is open,
// then names its script, and again the name alone at the log root.
TEST_F(DesktopTest, TheTitleIsTheProgramsNameUntilAFolderIsOpen) {
  Site(QStringLiteral("board"), kThreadScript);
  Open();
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Brindlequay"));
  Select(QStringLiteral("board"));
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Brindlequay - board (board.pss)"));
  window->Tree()->setCurrentItem(Top());
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Brindlequay"));
}

}  // namespace
}  // namespace bq::test
