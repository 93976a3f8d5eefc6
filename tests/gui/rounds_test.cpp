// The round controller and the export, options, properties and round report
// windows, offscreen: rounds over site folders served from a loopback server,
// the tray image sequence, the round report instead of message boxes, the
// news of new articles, and each dialog page with the values it shows and
// writes back. Screenshots of every page go to screenshots/ beside the test
// binary.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <chrono>
#include <thread>

#include "app/core/application.h"
#include "app/core/local_server.h"
#include "app/gui/export_dialog.h"
#include "app/gui/options_dialog.h"
#include "app/gui/properties_dialog.h"
#include "app/gui/round_controller.h"
#include "gui_fixture.h"
#include "app/gui/round_report_view.h"
#include "app/gui/qt_platform.h"
#include "platform/fs.h"
#include "textlib/dates.h"

namespace bq::test {
namespace {

// The desktop's pump: the machine and the network waits let Qt run.
class QtPump : public EventPump {
 public:
  void ProcessMessages() override {
    QCoreApplication::processEvents();
    if (QApplication::activeModalWidget()) modalSeen = true;
    if (onPump) onPump();
  }
  bool modalSeen = false;
  std::function<void()> onPump;
};

void Shot(QWidget& w, const QString& name, bool fitToContents = true) {
  if (fitToContents) w.adjustSize();
  w.show();
  QCoreApplication::processEvents();
  EXPECT_TRUE(w.grab().save(ShotPath(name + ".png"))) << name.toStdString();
}

const char* kFetchOne =
    "SCRIPT one;\r\nBEGIN\r\n  GET(%URL%);\r\n  PACK(0: 1, 3: _, 2: 1000);\r\n  PUTLOG(0)\r\nEND.\r\n";

class RoundsGui : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/bqguiround.XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = std::string(tmpl) + "/";
    fs::ForceDirectories(dir + "libs/");
    Script("template.pss", kFetchOne);
    Script("one.pss", kFetchOne);
    app.SetProgramFolder(dir, dir + "libs/");
    app.SetupFolders(dir + "data/");
  }
  void TearDown() override {
    std::string cmd = "rm -rf '" + dir + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }
  void Script(const std::string& name, const std::string& text) {
    fs::WriteFileAtomic(dir + "libs/" + name, text);
  }
  std::string Folder(const std::string& rel, const std::string& script = "one.pss") {
    std::string path = app.LogRoot() + rel + "/";
    fs::ForceDirectories(path);
    TFolderInfo info;
    info.SiteUrl = server.Url("/page/" + rel);
    info.ScriptName = script;
    info.RoundTarget = true;
    fs::WriteFileAtomic(path + "kvlnode.web", FormatNodeFile(info));
    return path;
  }
  int MessageBoxes() const {
    int n = 0;
    for (const auto& c : ui.calls) n += c.what == "MessageBox";
    return n;
  }

  std::string dir;
  int slowMs = 0;
  RecordingUi ui;
  QtPump pump;
  app::TApplication app{ui, pump, [] { return SystemProxySettings{}; }};
  app::TLocalServer server{[this](const app::LocalRequest& r) {
    if (r.target == "/page/slow" && slowMs) std::this_thread::sleep_for(std::chrono::milliseconds(slowMs));
    return app::LocalResponse{200, "text/html", r.target.substr(6)};
  }};
};

TEST_F(RoundsGui, ARoundFromTheActionAnimatesTheTrayReportsTheFailingFolderAndEndsNormal) {
  Script("fails.pss", "SCRIPT f;\r\nBEGIN x := DECODEURL('%') END.\r\n");
  Folder("a");
  Folder("broken", "fails.pss");
  Folder("slow");
  slowMs = 1300;
  gui::RoundController rounds(app);
  std::vector<QString> images;
  QObject::connect(&rounds, &gui::RoundController::trayChanged, [&](const QString& image, const QString&) {
    if (images.empty() || images.back() != image) images.push_back(image);
  });
  QSignalSpy news(&rounds, &gui::RoundController::notificationShown);
  bool stopEnabledInside = false, execDisabledInside = false;
  QObject::connect(&rounds, &gui::RoundController::trayChanged, [&] {
    if (rounds.Running()) {
      stopEnabledInside = rounds.stopAction()->isEnabled();
      execDisabledInside = !rounds.execAction()->isEnabled();
    }
  });
  rounds.timerAction()->trigger();  // as the tray menu's "定時巡回" does

  ASSERT_GE(images.size(), 3u);
  EXPECT_EQ(images.front(), "ICON0");
  EXPECT_NE(std::find(images.begin(), images.end(), "ICON1"), images.end());
  EXPECT_EQ(images.back(), "NORMAL");
  EXPECT_TRUE(stopEnabledInside);
  EXPECT_TRUE(execDisabledInside);
  EXPECT_FALSE(rounds.stopAction()->isEnabled());
  EXPECT_TRUE(rounds.execAction()->isEnabled());
  // The failing folder is in the report; no message box was asked for, and
  // none was open while the round ran.
  EXPECT_EQ(MessageBoxes(), 0);
  EXPECT_FALSE(pump.modalSeen);
  ASSERT_EQ(rounds.Report().Entries().size(), 1u);
  EXPECT_EQ(rounds.Report().Entries()[0].folder, app.LogRoot() + "broken/");
  EXPECT_EQ(SjisToUtf8(rounds.Report().Entries()[0].message), "'%' は整数ではありません");
  // Both the errors and the news went to the tray, the news naming the
  // folders that stored an article (the root, without an address, did not run).
  ASSERT_EQ(news.count(), 2);
  EXPECT_EQ(news[0][0].toString(), QStringLiteral("巡回レポート"));
  EXPECT_EQ(news[1][0].toString(), QStringLiteral("新着記事"));
  EXPECT_EQ(news[1][1].toString(), QStringLiteral("新着記事が 2 件あります\r\na、slow"));

  QSignalSpy asked(&rounds, &gui::RoundController::reportRequested);
  rounds.reportAction()->trigger();
  EXPECT_EQ(asked.count(), 1);
  gui::RoundReportView view;
  view.Attach(rounds, app);
  ASSERT_EQ(view.table()->topLevelItemCount(), 1);
  EXPECT_EQ(view.table()->topLevelItem(0)->text(1), QStringLiteral("broken"));
  view.resize(640, 240);
  Shot(view, "round_report", false);
  rounds.ScheduledRound();  // the next round's error joins the first
  EXPECT_EQ(view.table()->topLevelItemCount(), 2);
  view.clearButton()->click();
  EXPECT_EQ(view.table()->topLevelItemCount(), 0);
  EXPECT_TRUE(rounds.Report().Entries().empty());
}

TEST_F(RoundsGui, ClickingTheNewsOpensTheFirstNewFolderAndThereIsNoNewsWhenNothingArrivedOrTheOptionIsOff) {
  std::string a = Folder("a");
  // The root's own script finds nothing, so a is the first folder with news.
  Script("template.pss", "SCRIPT t;\r\nBEGIN END.\r\n");
  gui::RoundController rounds(app);
  QSystemTrayIcon tray;
  rounds.SetTrayIcon(&tray);
  QSignalSpy news(&rounds, &gui::RoundController::notificationShown);
  QSignalSpy open(&rounds, &gui::RoundController::openFolderRequested);
  rounds.ScheduledRound();
  EXPECT_EQ(news.count(), 1);
  emit tray.messageClicked();
  ASSERT_EQ(open.count(), 1);
  EXPECT_EQ(open[0][0].toByteArray().toStdString(), a);
  rounds.ScheduledRound();  // the same articles again: nothing new
  EXPECT_EQ(news.count(), 1);
  app.Settings.newsNotify = false;
  Script("one.pss", "SCRIPT one;\r\nBEGIN PACK(0: 7, 3: 'new', 2: 7); PUTLOG(0) END.\r\n");
  rounds.ScheduledRound();
  EXPECT_EQ(news.count(), 1);
}

// A stand-in for the main window: the round actions on a tool bar and the
// three status texts, shot while the second folder runs.
TEST_F(RoundsGui, StopDuringTheSecondOfFiveFoldersEndsTheRoundAndTheWindowShowsTheBusyState) {
  std::string top = Folder("top");
  std::vector<std::string> f;
  for (const char* n : {"top/f1", "top/f2", "top/f3", "top/f4", "top/f5"}) f.push_back(Folder(n));
  gui::RoundController rounds(app);
  QMainWindow window;
  window.setWindowTitle(QStringLiteral("Brindlequay"));
  QToolBar* bar = window.addToolBar(QStringLiteral("rounds"));
  bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  for (QAction* a : {rounds.execAction(), rounds.roundAction(), rounds.timerAction(), rounds.stopAction(),
                     rounds.skipAction(), rounds.switchAction()})
    bar->addAction(a);
  auto* list = new QTreeWidget(&window);
  list->setHeaderLabels({QStringLiteral("番号"), QStringLiteral("タイトル"), QStringLiteral("日付")});
  window.setCentralWidget(list);
  QLabel* panels[3];
  for (auto*& p : panels) {
    p = new QLabel(&window);
    window.statusBar()->addWidget(p, 1);
  }
  app.Status.OnChange = [&](int panel, const std::string& text) {
    panels[panel]->setText(gui::FromSjis(text));
  };
  panels[0]->setText(QStringLiteral("巡回中"));
  window.resize(640, 300);
  bool shot = false;
  pump.onPump = [&] {
    if (shot || rounds.Tray().Tip().find("top/f2/") == std::string::npos) return;
    shot = true;
    Shot(window, "main_window_round", false);
    rounds.stopAction()->trigger();
  };
  rounds.RoundBelow(top);
  pump.onPump = nullptr;
  EXPECT_TRUE(shot);
  for (int i = 2; i < 5; ++i) EXPECT_FALSE(fs::FileExists(f[i] + "kvllog.dat")) << f[i];
  std::string log;
  ASSERT_TRUE(fs::ReadFile(app.RoundLogPath(), log));
  EXPECT_NE(log.find("Folder Round: "), std::string::npos);
  EXPECT_TRUE(rounds.execAction()->isEnabled());
  EXPECT_FALSE(rounds.stopAction()->isEnabled());
}

TEST_F(RoundsGui, AFetchByHandShowsItsErrorInAMessageBox) {
  Script("fails.pss", "SCRIPT f;\r\nBEGIN x := DECODEURL('%') END.\r\n");
  app.Log.OpenFolder(Folder("broken", "fails.pss"));
  app.LoadAndCompile();
  gui::RoundController rounds(app);
  rounds.execAction()->trigger();
  EXPECT_EQ(MessageBoxes(), 1);
  EXPECT_TRUE(rounds.Report().Entries().empty());
}

TEST_F(RoundsGui, TheScheduleRunsOnceAtItsMinuteNotWhileEditingAndLeavesTheTrayActiveWhileHidden) {
  Folder("a");
  app.Log.ScheduleEnabled = true;
  app.Log.ScheduleHours = 1u << 13;
  app.Log.ScheduleMinute = 45;
  gui::RoundController rounds(app);
  EXPECT_TRUE(rounds.ScheduleTimer().isActive());
  EXPECT_EQ(rounds.switchAction()->text(), QStringLiteral("ON "));
  bool dirty = true, hidden = true;
  rounds.editorDirty = [&] { return dirty; };
  rounds.windowHidden = [&] { return hidden; };
  QSignalSpy finished(&rounds, &gui::RoundController::roundFinished);
  rounds.ScheduleTick({2026, 12, 8, 13, 45});
  EXPECT_EQ(finished.count(), 0);
  dirty = false;
  rounds.SetBusy(false, true);  // a workbench run
  rounds.ScheduleTick({2026, 12, 8, 13, 45});
  rounds.ScheduledRound();  // the command "ALL" of a second start
  EXPECT_EQ(finished.count(), 0);
  rounds.SetBusy(true, false);
  rounds.ScheduleTick({2026, 12, 8, 13, 45});
  EXPECT_EQ(finished.count(), 1);
  EXPECT_EQ(rounds.ScheduleTimer().interval(), 60000);
  rounds.ScheduleTick({2026, 12, 8, 13, 45});
  EXPECT_EQ(finished.count(), 1);
  EXPECT_EQ(rounds.Tray().Image(), app::TrayImage::Active);
  rounds.WindowShown();
  EXPECT_EQ(rounds.Tray().Image(), app::TrayImage::Normal);

  rounds.HoldSchedule();  // a dialog opens
  EXPECT_FALSE(rounds.ScheduleTimer().isActive());
  rounds.ReleaseSchedule();
  EXPECT_TRUE(rounds.ScheduleTimer().isActive());
  rounds.switchAction()->trigger();
  EXPECT_EQ(rounds.switchAction()->text(), QStringLiteral("OFF"));
  EXPECT_FALSE(rounds.ScheduleTimer().isActive());
  EXPECT_FALSE(app.Log.ScheduleEnabled);
}

TEST_F(RoundsGui, TheExportDialogShowsTheSettingsAndReturnsTheChoice) {
  app::ExportChoice initial{Utf8ToSjis("/tmp/出力.txt"), 3, false};
  gui::ExportDialog dlg(initial);
  EXPECT_EQ(dlg.windowTitle(), QStringLiteral("エクスポート"));
  EXPECT_EQ(dlg.fileEdit()->text(), QStringLiteral("/tmp/出力.txt"));
  EXPECT_TRUE(dlg.targetButton(3)->isChecked());
  EXPECT_FALSE(dlg.deleteCheck()->isChecked());
  EXPECT_EQ(dlg.runButton()->text(), QStringLiteral("実行！"));
  Shot(dlg, "export");
  dlg.browse = [](const QString&) { return QStringLiteral("/tmp/b.csv"); };
  dlg.findChild<QToolButton*>()->click();
  dlg.targetButton(1)->setChecked(true);
  dlg.deleteCheck()->setChecked(true);
  EXPECT_EQ(dlg.Choice(), (app::ExportChoice{"/tmp/b.csv", 1, true}));
}

TEST_F(RoundsGui, TheOptionsPagesShowTheSettingsAndOkWritesThemBack) {
  app.Settings.dispClock = false;
  app.Settings.startInTray = true;
  app.Settings.statusDisp = 1;
  app.Settings.httpTimeout = 30;
  app.Settings.listFont.name = "VL Gothic";
  app.Settings.listFont.size = 11;
  app.Log.ScheduleHours = (1u << 13) | 1u;
  app.Log.ScheduleMinute = 45;
  gui::OptionsDialog dlg(app::OptionsFrom(app));
  EXPECT_EQ(dlg.windowTitle(), QStringLiteral("オプション設定"));
  ASSERT_EQ(dlg.tabs()->count(), 3);
  EXPECT_EQ(dlg.tabs()->tabText(2), QStringLiteral("巡回"));
  EXPECT_EQ(dlg.dataFolderEdit()->text(), QString::fromStdString(dir + "data/"));
  EXPECT_FALSE(dlg.clockCheck()->isChecked());
  EXPECT_TRUE(dlg.hideCheck()->isChecked());
  EXPECT_TRUE(dlg.statusButton(1)->isChecked());
  EXPECT_TRUE(dlg.hourCheck(0)->isChecked() && dlg.hourCheck(13)->isChecked());
  EXPECT_FALSE(dlg.hourCheck(1)->isChecked());
  EXPECT_EQ(dlg.minuteSpin()->value(), 45);
  EXPECT_EQ(dlg.minuteSpin()->maximum(), 59);
  EXPECT_EQ(dlg.timeoutSpin()->value(), 30);
  EXPECT_EQ(dlg.timeoutSpin()->maximum(), 7200);
  EXPECT_EQ(dlg.colorEdit()->text(), QStringLiteral("$808080"));
  dlg.fontSetButton(1)->setChecked(true);
  EXPECT_EQ(dlg.fontLabel()->text(), QStringLiteral("VL Gothic , 11 pt"));
  const char* pages[] = {"options_general", "options_fonts", "options_round"};
  for (int i = 0; i < 3; ++i) {
    dlg.tabs()->setCurrentIndex(i);
    Shot(dlg, pages[i]);
  }

  dlg.pickFont = [](TFont& f) {
    f.size = 14;
    return true;
  };
  dlg.fontLabel()->click();
  EXPECT_EQ(dlg.fontLabel()->text(), QStringLiteral("VL Gothic , 14 pt"));
  dlg.pickColor = [](std::int32_t& c) {
    c = 0x0000FF;
    return true;
  };
  dlg.colorButton()->click();
  EXPECT_EQ(dlg.colorEdit()->text(), QStringLiteral("$0000FF"));
  dlg.hourButton(2)->click();  // "２時間おき"
  dlg.hourButton(3)->click();  // "選択反転"
  dlg.clockCheck()->setChecked(true);
  dlg.scheduleCheck()->setChecked(true);
  dlg.timeoutSpin()->setValue(120);
  dlg.newsCheck()->setChecked(false);
  app::OptionsOutcome out = app::ApplyOptions(app, dlg.Values());
  EXPECT_FALSE(out.folderSetUp);
  EXPECT_EQ(app.Log.ScheduleHours, 0xAAAAAAu);
  EXPECT_TRUE(app.Log.ScheduleEnabled);
  EXPECT_TRUE(app.Settings.dispClock);
  EXPECT_EQ(app.Settings.httpTimeout, 120);
  EXPECT_EQ(app.Settings.listFont.size, 14);
  EXPECT_EQ(app.Settings.resColor, 0x0000FF);
  EXPECT_FALSE(app.Settings.newsNotify);
}

TEST_F(RoundsGui, ThePropertiesPagesShowTheFolderAndUpdateWritesItBack) {
  std::string site = Folder("site");
  app.Log.OpenFolder(site);
  app.Log.Folder.NickName = Utf8ToSjis("名無し");
  app.Log.Folder.TreeView = true;
  app.Log.Folder.SiteReferer = "http://ref/";
  app.Log.Folder.LastTopic = 12;
  app.Log.Folder.LastRound = EncodeDate(2026, 12, 8, 13, 45, 2);
  TDataInfo article;
  article.TOPIC = 3;
  article.DATE = EncodeDate(2026, 12, 8, 9, 30, 0);
  article.TITLE = "t";
  app.Log.AddItem(article, false);
  app::TAddressHistory history;
  history.Add("http://old/");
  gui::PropertiesDialog dlg(app::PropertiesFrom(app), app::ScriptFiles(app.LibFolder()), history.Items());
  EXPECT_EQ(dlg.windowTitle(), QStringLiteral("プロパティ"));
  EXPECT_EQ(dlg.tabs()->currentIndex(), 0);
  EXPECT_FALSE(dlg.tabs()->isTabVisible(2));
  EXPECT_EQ(dlg.tabs()->tabText(2), QStringLiteral("拡張設定"));
  EXPECT_EQ(dlg.refererEdit()->text(), QStringLiteral("http://ref/"));
  EXPECT_TRUE(dlg.refererEdit()->isReadOnly());
  EXPECT_EQ(dlg.lastTopicSpin()->value(), 12);
  EXPECT_EQ(dlg.latestDateEdit()->text(), QStringLiteral("2026/12/08 09:30:00"));
  EXPECT_EQ(dlg.lastRoundEdit()->text(), QStringLiteral("2026/12/08 13:45:02"));
  EXPECT_EQ(dlg.scriptCombo()->currentText(), QStringLiteral("one.pss"));
  EXPECT_EQ(dlg.scriptCombo()->count(), 2);  // one.pss and template.pss
  EXPECT_EQ(dlg.addressCombo()->currentText(), QString::fromStdString(server.Url("/page/site")));
  EXPECT_EQ(dlg.addressCombo()->itemText(0), QStringLiteral("http://old/"));
  EXPECT_TRUE(dlg.roundCheck()->isChecked());
  EXPECT_TRUE(dlg.optionCheck(2)->isChecked());
  EXPECT_EQ(dlg.nickEdit()->text(), QStringLiteral("名無し"));
  const char* pages[] = {"properties_basic", "properties_user"};
  for (int i = 0; i < 2; ++i) {
    dlg.tabs()->setCurrentIndex(i);
    Shot(dlg, pages[i]);
  }

  dlg.addressCombo()->setEditText(QStringLiteral("http://new/"));
  dlg.scriptCombo()->setEditText(QStringLiteral("template.pss"));
  dlg.userEdit()->setText(QStringLiteral("ユーザー"));
  dlg.roundCheck()->setChecked(false);
  EXPECT_EQ(dlg.renderJsCheck()->text(), QStringLiteral("JavaScriptを実行してページを作る"));
  EXPECT_FALSE(dlg.renderJsCheck()->isChecked());
  dlg.renderJsCheck()->setChecked(true);
  app::PropertiesOutcome out = app::ApplyProperties(app, dlg.Values(), "", history);
  EXPECT_TRUE(out.scriptChanged);
  EXPECT_FALSE(out.rethreaded);
  std::string text;
  ASSERT_TRUE(fs::ReadFile(site + "kvlnode.web", text));
  TFolderInfo saved;
  ASSERT_TRUE(ParseNodeFile(text, saved));
  EXPECT_EQ(saved.SiteUrl, "http://new/");
  EXPECT_EQ(saved.ScriptName, "template.pss");
  EXPECT_EQ(SjisToUtf8(saved.UserName), "ユーザー");
  EXPECT_EQ(SjisToUtf8(saved.NickName), "名無し");
  EXPECT_FALSE(saved.RoundTarget);
  EXPECT_EQ(saved.Extension("RenderJS"), "1");
  EXPECT_EQ(history.Items().front(), "http://new/");
}

}  // namespace
}  // namespace bq::test
