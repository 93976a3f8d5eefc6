// The round controller and the export, options, properties and round report
// windows, offscreen: rounds over site folders served from a loopback server,
// the tray image sequence, the round report instead of message boxes, the
// news of new articles, and each dialog page with the values it shows and
// writes back. Screenshots of every page go to screenshots/ beside the test
// binary.
#include <gtest/gtest.h>

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

#include "app/controls/qt_text.h"
#include "app/core/local_server.h"
#include "app/gui/command_actions.h"
#include "app/gui/export_dialog.h"
#include "app/gui/options_dialog.h"
#include "app/gui/properties_dialog.h"
#include "app/gui/round_controller.h"
#include "app/gui/round_report_view.h"
#include "platform/fs.h"
#include "tests/gui/gui_fixture.h"
#include "textlib/dates.h"

namespace bq::test {
namespace {

void Shot(QWidget& w, const QString& name, bool fitToContents = true) {
  if (fitToContents) w.adjustSize();
  w.show();
  QCoreApplication::processEvents();
  EXPECT_TRUE(w.grab().save(ShotPath(name + ".png"))) << name.toStdString();
}

const char* kFetchOne =
    "SCRIPT one;\r\nBEGIN\r\n  GET(%URL%);\r\n  PACK(0: 1, 3: _, 2: 1000);\r\n  PUTLOG(0)\r\nEND.\r\n";

using app::Command;

class RoundsGui : public GuiApp {
 protected:
  void SetUp() override {
    GuiApp::SetUp();
    Script("template.pss", kFetchOne);
    Script("one.pss", kFetchOne);
    // The machine and the network waits let Qt run; a modal box seen meanwhile is noted.
    pump.Add([this] {
      if (QApplication::activeModalWidget()) modalSeen = true;
      if (onPump) onPump();
    });
    rounds = std::make_unique<gui::RoundController>(app, *commands);
  }
  void TearDown() override {
    rounds.reset();
    GuiApp::TearDown();
  }
  std::string Folder(const std::string& rel, const std::string& script = "one.pss") {
    TFolderInfo info;
    info.SiteUrl = server.Url("/page/" + rel);
    info.ScriptName = script;
    info.RoundTarget = true;
    return Site(rel, info);
  }
  const app::TRoundReport& Report() { return rounds->Runner().Report(); }

  int slowMs = 0;
  bool modalSeen = false;
  std::function<void()> onPump;
  app::TLocalServer server{[this](const app::LocalRequest& r) {
    if (r.target == "/page/slow" && slowMs) std::this_thread::sleep_for(std::chrono::milliseconds(slowMs));
    return app::LocalResponse{200, "text/html", r.target.substr(6)};
  }};
  std::unique_ptr<gui::RoundController> rounds;
};

TEST_F(RoundsGui, ARoundFromTheActionAnimatesTheTrayReportsTheFailingFolderAndEndsNormal) {
  Script("fails.pss", "SCRIPT f;\r\nBEGIN x := DECODEURL('%') END.\r\n");
  Folder("a");
  Folder("broken", "fails.pss");
  Folder("slow");
  slowMs = 1300;
  rounds->Runner().WindowShown();  // the tray turns ACTIVE only while the window is hidden
  std::vector<QString> images;
  QObject::connect(rounds.get(), &gui::RoundController::trayChanged, [&] {
    const QString image = QString::fromLatin1(app::TrayImageName(rounds->Runner().Tray().Image()));
    if (images.empty() || images.back() != image) images.push_back(image);
  });
  QSignalSpy news(rounds.get(), &gui::RoundController::notificationShown);
  bool stopEnabledInside = false, execDisabledInside = false;
  QObject::connect(rounds.get(), &gui::RoundController::trayChanged, [&] {
    if (rounds->Runner().Running()) {
      stopEnabledInside = Command(Command::StopAction)->isEnabled();
      execDisabledInside = !Command(Command::ExecAction)->isEnabled();
    }
  });
  Command(Command::TimerAction)->trigger();  // as the menu's "定時巡回" does

  ASSERT_GE(images.size(), 3u);
  EXPECT_EQ(images.front(), "ICON0");
  EXPECT_NE(std::find(images.begin(), images.end(), "ICON1"), images.end());
  EXPECT_EQ(images.back(), "NORMAL");
  EXPECT_TRUE(stopEnabledInside);
  EXPECT_TRUE(execDisabledInside);
  EXPECT_FALSE(Command(Command::StopAction)->isEnabled());
  EXPECT_TRUE(Command(Command::ExecAction)->isEnabled());
  // The failing folder is in the report; no message box was asked for, and
  // none was open while the round ran.
  EXPECT_EQ(MessageBoxes(), 0);
  EXPECT_FALSE(modalSeen);
  ASSERT_EQ(Report().Entries().size(), 1u);
  EXPECT_EQ(Report().Entries()[0].folder, app.LogRoot() + "broken/");
  EXPECT_EQ(SjisToUtf8(Report().Entries()[0].message), "'%' は整数ではありません");
  // Both the errors and the news went to the tray, the news naming the
  // folders that stored an article (the root, without an address, did not run).
  ASSERT_EQ(news.count(), 2);
  EXPECT_EQ(news[0][0].toString(), QStringLiteral("巡回レポート"));
  EXPECT_EQ(news[1][0].toString(), QStringLiteral("新着記事"));
  EXPECT_EQ(news[1][1].toString(), QStringLiteral("新着記事が 2 件あります\r\na、slow"));

  QSignalSpy asked(rounds.get(), &gui::RoundController::reportRequested);
  Command(Command::RoundReportAction)->trigger();
  EXPECT_EQ(asked.count(), 1);
  gui::RoundReportView view;
  view.Attach(*rounds, app);
  ASSERT_EQ(view.Table()->topLevelItemCount(), 1);
  EXPECT_EQ(view.Table()->topLevelItem(0)->text(1), QStringLiteral("broken"));
  view.resize(640, 240);
  Shot(view, "round_report", false);
  rounds->Runner().ScheduledRound("");  // the next round's error joins the first
  EXPECT_EQ(view.Table()->topLevelItemCount(), 2);
  view.ClearButton()->click();
  EXPECT_EQ(view.Table()->topLevelItemCount(), 0);
  EXPECT_TRUE(Report().Entries().empty());
}

TEST_F(RoundsGui, ClickingTheNewsOpensTheFirstNewFolderAndThereIsNoNewsWhenNothingArrivedOrTheOptionIsOff) {
  std::string a = Folder("a");
  // The root's own script finds nothing, so a is the first folder with news.
  Script("template.pss", "SCRIPT t;\r\nBEGIN END.\r\n");
  QSignalSpy news(rounds.get(), &gui::RoundController::notificationShown);
  QSignalSpy open(rounds.get(), &gui::RoundController::openFolderRequested);
  rounds->Runner().ScheduledRound("");
  EXPECT_EQ(news.count(), 1);
  rounds->MessageClicked();
  ASSERT_EQ(open.count(), 1);
  EXPECT_EQ(open[0][0].toByteArray().toStdString(), a);
  rounds->Runner().ScheduledRound("");  // the same articles again: nothing new
  EXPECT_EQ(news.count(), 1);
  app.Settings.newsNotify = false;
  Script("one.pss", "SCRIPT one;\r\nBEGIN PACK(0: 7, 3: 'new', 2: 7); PUTLOG(0) END.\r\n");
  rounds->Runner().ScheduledRound("");
  EXPECT_EQ(news.count(), 1);
}

// A stand-in for the main window: the round actions on a tool bar and the
// three status texts, shot while the second folder runs.
TEST_F(RoundsGui, StopDuringTheSecondOfFiveFoldersEndsTheRoundAndTheWindowShowsTheBusyState) {
  std::string top = Folder("top");
  std::vector<std::string> f;
  for (const char* n : {"top/f1", "top/f2", "top/f3", "top/f4", "top/f5"}) f.push_back(Folder(n));
  QMainWindow window;
  window.setWindowTitle(QStringLiteral("Brindlequay"));
  QToolBar* bar = window.addToolBar(QStringLiteral("rounds"));
  bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  commands->Place(bar, app::Place::MainBar);
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
  onPump = [&] {
    if (shot || rounds->Runner().Tray().Tip().find("top/f2/") == std::string::npos) return;
    shot = true;
    Shot(window, "main_window_round", false);
    Command(Command::StopAction)->trigger();
  };
  rounds->Runner().RoundBelow(top);
  onPump = nullptr;
  EXPECT_TRUE(shot);
  for (int i = 2; i < 5; ++i) EXPECT_FALSE(fs::FileExists(f[i] + "kvllog.dat")) << f[i];
  std::string log;
  ASSERT_TRUE(fs::ReadFile(app.RoundLogPath(), log));
  EXPECT_NE(log.find("Folder Round: "), std::string::npos);
  EXPECT_TRUE(Command(Command::ExecAction)->isEnabled());
  EXPECT_FALSE(Command(Command::StopAction)->isEnabled());
}

TEST_F(RoundsGui, AFetchByHandShowsItsErrorInAMessageBox) {
  Script("fails.pss", "SCRIPT f;\r\nBEGIN x := DECODEURL('%') END.\r\n");
  Log().OpenFolder(Folder("broken", "fails.pss"));
  app.LoadAndCompile();
  Command(Command::ExecAction)->trigger();
  EXPECT_EQ(MessageBoxes(), 1);
  EXPECT_TRUE(Report().Entries().empty());
}

// The dialogs' pickers answering as a user would, without a window.
class Answers : public gui::DialogPickers {
 public:
  bool PickFont(QWidget*, TFont& font) override {
    font.size = 14;
    return true;
  }
  bool PickColor(QWidget*, std::int32_t& color) override {
    color = 0x0000FF;
    return true;
  }
  bool PickSaveFile(QWidget*, const QStringList& filters, QString& file) override {
    seenFilters = filters;
    file = QStringLiteral("/tmp/b.csv");
    return true;
  }
  QStringList seenFilters;
};

TEST_F(RoundsGui, TheScheduleRunsOnceAtItsMinuteNotWhileEditingAndLeavesTheTrayActiveWhileHidden) {
  Folder("a");
  app.SetSchedule(true, 1u << 13, 45);
  commands->Refresh();
  EXPECT_TRUE(rounds->ScheduleTimer().isActive());
  EXPECT_EQ(Command(Command::TimerSwitch)->text(), QStringLiteral("ON "));
  const std::uint32_t at = EncodeDate(2026, 12, 8, 13, 45, 0);
  UnsavedEditor editor;
  app.AttachEditor(&editor);
  QSignalSpy finished(rounds.get(), &gui::RoundController::roundFinished);
  rounds->ScheduleTick(at);
  EXPECT_EQ(finished.count(), 0);
  app.AttachEditor(nullptr);
  {
    app::TBusyState::Scope run = app.Busy().Enter(app::Activity::Workbench, true);
    EXPECT_FALSE(rounds->ScheduleTimer().isActive());
    rounds->ScheduleTick(at + 5);
    Command(Command::TimerAction)->trigger();  // what the command "ALL" of a second start does
    EXPECT_EQ(finished.count(), 0);
  }
  rounds->ScheduleTick(at + 10);
  EXPECT_EQ(finished.count(), 1);
  EXPECT_EQ(rounds->ScheduleTimer().interval(), 60000);
  rounds->ScheduleTick(at + 15);
  EXPECT_EQ(finished.count(), 1);
  // The window was never shown: the tray tells of the unread articles.
  EXPECT_EQ(rounds->Runner().Tray().Image(), app::TrayImage::Active);
  rounds->Runner().WindowShown();
  EXPECT_EQ(rounds->Runner().Tray().Image(), app::TrayImage::Normal);

  {
    app::TBusyState::Scope dialog = app.Busy().OpenDialog();
    EXPECT_FALSE(rounds->ScheduleTimer().isActive());
  }
  EXPECT_TRUE(rounds->ScheduleTimer().isActive());
  Command(Command::TimerSwitch)->trigger();
  EXPECT_EQ(Command(Command::TimerSwitch)->text(), QStringLiteral("OFF"));
  EXPECT_FALSE(rounds->ScheduleTimer().isActive());
  EXPECT_FALSE(app.ScheduleEnabled());
}

TEST_F(RoundsGui, TheExportDialogShowsTheSettingsAndReturnsTheChoice) {
  app::ExportChoice initial{Utf8ToSjis("/tmp/出力.txt"), 3, false};
  Answers answers;
  gui::ExportDialog dlg(initial, answers);
  EXPECT_EQ(dlg.windowTitle(), QStringLiteral("ログ出力"));  // as its menu item
  EXPECT_EQ(dlg.FileEdit()->text(), QStringLiteral("/tmp/出力.txt"));
  EXPECT_TRUE(dlg.TargetButton(3)->isChecked());
  EXPECT_FALSE(dlg.DeleteCheck()->isChecked());
  EXPECT_EQ(dlg.RunButton()->text(), QStringLiteral("実行！"));
  Shot(dlg, "export");
  dlg.findChild<QToolButton*>()->click();
  // The save dialog was offered the filters of the export.
  ASSERT_EQ(answers.seenFilters.size(), 6);
  EXPECT_TRUE(answers.seenFilters[0].startsWith(QStringLiteral("テキスト")));
  dlg.TargetButton(1)->setChecked(true);
  dlg.DeleteCheck()->setChecked(true);
  EXPECT_EQ(dlg.Choice(), (app::ExportChoice{"/tmp/b.csv", 1, true}));
}

TEST_F(RoundsGui, TheOptionsPagesShowTheSettingsAndOkWritesThemBack) {
  app.Settings.dispClock = false;
  app.Settings.startInTray = true;
  app.Settings.statusDisp = 1;
  app.Settings.httpTimeout = 30;
  app.Settings.listFont.name = "VL Gothic";
  app.Settings.listFont.size = 11;
  Log().ScheduleHours = (1u << 13) | 1u;
  Log().ScheduleMinute = 45;
  Answers answers;
  gui::OptionsDialog dlg(app::OptionsFrom(app), answers);
  EXPECT_EQ(dlg.windowTitle(), QStringLiteral("オプション設定"));
  ASSERT_EQ(dlg.Tabs()->count(), 3);
  EXPECT_EQ(dlg.Tabs()->tabText(2), QStringLiteral("巡回"));
  EXPECT_EQ(dlg.DataFolderEdit()->text(), QString::fromStdString(Data()));
  EXPECT_FALSE(dlg.ClockCheck()->isChecked());
  EXPECT_TRUE(dlg.HideCheck()->isChecked());
  EXPECT_TRUE(dlg.StatusButton(1)->isChecked());
  EXPECT_TRUE(dlg.HourCheck(0)->isChecked() && dlg.HourCheck(13)->isChecked());
  EXPECT_FALSE(dlg.HourCheck(1)->isChecked());
  EXPECT_EQ(dlg.MinuteSpin()->value(), 45);
  EXPECT_EQ(dlg.MinuteSpin()->maximum(), 59);
  EXPECT_EQ(dlg.TimeoutSpin()->value(), 30);
  EXPECT_EQ(dlg.TimeoutSpin()->maximum(), 7200);
  EXPECT_EQ(dlg.ColorEdit()->text(), QStringLiteral("$808080"));
  dlg.FontSetButton(1)->setChecked(true);
  EXPECT_EQ(dlg.FontLabel()->text(), QStringLiteral("VL Gothic , 11 pt"));
  const char* pages[] = {"options_general", "options_fonts", "options_round"};
  for (int i = 0; i < 3; ++i) {
    dlg.Tabs()->setCurrentIndex(i);
    Shot(dlg, pages[i]);
  }

  dlg.FontLabel()->click();
  EXPECT_EQ(dlg.FontLabel()->text(), QStringLiteral("VL Gothic , 14 pt"));
  dlg.ColorButton()->click();
  EXPECT_EQ(dlg.ColorEdit()->text(), QStringLiteral("$0000FF"));
  dlg.HourButton(2)->click();  // "２時間おき"
  dlg.HourButton(3)->click();  // "選択反転"
  dlg.ClockCheck()->setChecked(true);
  dlg.ScheduleCheck()->setChecked(true);
  dlg.TimeoutSpin()->setValue(120);
  dlg.NewsCheck()->setChecked(false);
  app::OptionsOutcome out = app::ApplyOptions(app, dlg.Values());
  EXPECT_FALSE(out.folderSetUp);
  EXPECT_EQ(Log().ScheduleHours, 0xAAAAAAu);
  EXPECT_TRUE(Log().ScheduleEnabled);
  EXPECT_TRUE(app.Settings.dispClock);
  EXPECT_EQ(app.Settings.httpTimeout, 120);
  EXPECT_EQ(app.Settings.listFont.size, 14);
  EXPECT_EQ(app.Settings.resColor, 0x0000FF);
  EXPECT_FALSE(app.Settings.newsNotify);
}

TEST_F(RoundsGui, ThePropertiesPagesShowTheFolderAndUpdateWritesItBack) {
  std::string site = Folder("site");
  Log().OpenFolder(site);
  Log().Folder.NickName = Utf8ToSjis("名無し");
  Log().Folder.TreeView = true;
  Log().Folder.SiteReferer = "http://ref/";
  Log().Folder.LastTopic = 12;
  Log().Folder.LastRound = EncodeDate(2026, 12, 8, 13, 45, 2);
  TDataInfo article;
  article.TOPIC = 3;
  article.DATE = EncodeDate(2026, 12, 8, 9, 30, 0);
  article.TITLE = "t";
  Log().AddItem(article, false);
  app::TAddressHistory history;
  history.Add("http://old/");
  gui::PropertiesDialog dlg(app::PropertiesFrom(app), app::ScriptFiles(app.LibFolder()), history.Items());
  EXPECT_EQ(dlg.windowTitle(), QStringLiteral("プロパティ"));
  EXPECT_EQ(dlg.Tabs()->currentIndex(), 0);
  EXPECT_FALSE(dlg.Tabs()->isTabVisible(2));
  EXPECT_EQ(dlg.Tabs()->tabText(2), QStringLiteral("拡張設定"));
  EXPECT_EQ(dlg.RefererEdit()->text(), QStringLiteral("http://ref/"));
  EXPECT_TRUE(dlg.RefererEdit()->isReadOnly());
  EXPECT_EQ(dlg.LastTopicSpin()->value(), 12);
  EXPECT_EQ(dlg.LatestDateEdit()->text(), QStringLiteral("2026/12/08 09:30:00"));
  EXPECT_EQ(dlg.LastRoundEdit()->text(), QStringLiteral("2026/12/08 13:45:02"));
  EXPECT_EQ(dlg.ScriptCombo()->currentText(), QStringLiteral("one.pss"));
  EXPECT_EQ(dlg.ScriptCombo()->count(), 2);  // one.pss and template.pss
  EXPECT_EQ(dlg.AddressCombo()->currentText(), QString::fromStdString(server.Url("/page/site")));
  EXPECT_EQ(dlg.AddressCombo()->itemText(0), QStringLiteral("http://old/"));
  EXPECT_TRUE(dlg.RoundCheck()->isChecked());
  EXPECT_TRUE(dlg.OptionCheck(2)->isChecked());
  EXPECT_EQ(dlg.NickEdit()->text(), QStringLiteral("名無し"));
  const char* pages[] = {"properties_basic", "properties_user"};
  for (int i = 0; i < 2; ++i) {
    dlg.Tabs()->setCurrentIndex(i);
    Shot(dlg, pages[i]);
  }

  dlg.AddressCombo()->setEditText(QStringLiteral("http://new/"));
  dlg.ScriptCombo()->setEditText(QStringLiteral("template.pss"));
  dlg.UserEdit()->setText(QStringLiteral("ユーザー"));
  dlg.RoundCheck()->setChecked(false);
  EXPECT_EQ(dlg.RenderJsCheck()->text(), QStringLiteral("JavaScriptを実行してページを作る"));
  EXPECT_FALSE(dlg.RenderJsCheck()->isChecked());
  dlg.RenderJsCheck()->setChecked(true);
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
