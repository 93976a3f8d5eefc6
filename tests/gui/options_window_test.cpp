// The main window through a day's settings: the data folder changed in the
// options with the editor's text unsaved, one clock in every zone, the
// program's own viewer when nothing outside opens a page, and the script
// page's marks for unsaved and uncompiled text.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QPushButton>
#include <cstdlib>
#include <ctime>

#include "app/controls/folder_tree.h"
#include "app/gui/code_editor.h"
#include "app/gui/help_viewer.h"
#include "app/gui/options_dialog.h"
#include "app/gui/workbench_page.h"
#include "app/core/kernel.h"
#include "textlib/cp932.h"
#include "tests/gui/window_fixture.h"

namespace bq::test {
namespace {

class OptionsWindow : public WindowFixture {
 protected:
  void TearDown() override {
    WindowFixture::TearDown();
    if (hadTz)
      setenv("TZ", oldTz.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }
  // The machine's zone for this test only.
  void Zone(const char* tz) {
    hadTz = getenv("TZ") != nullptr;
    oldTz = hadTz ? getenv("TZ") : "";
    setenv("TZ", tz, 1);
    tzset();
  }
  // A site folder with its own script, opened from the tree.
  std::string OpenSite(const std::string& name, const std::string& script) {
    Script(name + ".pss", script);
    TFolderInfo info;
    info.ScriptName = name + ".pss";
    std::string path = TestFolder::Site(name, info);
    window->Tree()->Reload(window->Tree()->TopItem());
    QTreeWidgetItem* item = window->Tree()->FindPath(path);
    EXPECT_NE(item, nullptr);
    if (item) window->Tree()->setCurrentItem(item);
    return path;
  }
  // The user types at the end of the editor.
  void Type(const QString& text) {
    gui::CodeEditor* editor = window->Workbench()->ProgramSource;
    editor->setFocus();
    editor->moveCursor(QTextCursor::End);
    QTest::keyClicks(editor, text);
  }
  // The user selects the editor's text and types another.
  void Retype(const QString& text) {
    gui::CodeEditor* editor = window->Workbench()->ProgramSource;
    editor->setFocus();
    editor->selectAll();
    QTest::keyClicks(editor, text);
  }
  QString ScriptTab() const {
    auto* tabs = qobject_cast<QTabWidget*>(window->Workbench()->parentWidget()->parentWidget());
    return tabs ? tabs->tabText(tabs->indexOf(window->Workbench())) : QString();
  }
  std::vector<std::string> Messages() const {
    std::vector<std::string> out;
    for (const auto& c : ui.calls)
      if (c.what == "MessageBox") out.push_back(SjisToUtf8(c.text));
    return out;
  }
  // "hh:mm:ss" at a position of a text, as seconds of the day.
  static int SecondsOfDay(const QString& text, qsizetype at) {
    const QStringList parts = text.mid(at, 8).split(QLatin1Char(':'));
    return parts.size() == 3 ? parts[0].toInt() * 3600 + parts[1].toInt() * 60 + parts[2].toInt() : -1;
  }

  bool hadTz = false;
  std::string oldTz;
};

// Item: the editor's unsaved text is written before the data folder changes,
// and the folder chosen in the options wins over --data.
TEST_F(OptionsWindow, ANewDataFolderWritesTheEditorsScriptAndWinsOverTheCommandLine) {
  ASSERT_FALSE(layout.dataOption.empty());  // started with --data
  Open();
  OpenSite("board", "SCRIPT board;\r\nBEGIN\r\nEND.\r\n");
  Type(QStringLiteral("// kept"));
  const std::string other = dir + "other/";
  WhenModal<gui::OptionsDialog>([&](gui::OptionsDialog& d) {
    d.DataFolderEdit()->setText(QString::fromStdString(other));
    d.accept();
  });
  window->Action(QStringLiteral("OptionAction"))->trigger();
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(SjisToUtf8(FileText(Libs() + "board.pss")).find("END.\r\n// kept"), 22u);
  EXPECT_EQ(app->DataFolder(), other);
  EXPECT_EQ(window->DataFolder(), other);
  EXPECT_EQ(window->Tree()->PathOf(window->Tree()->TopItem()), other + "Log/");
  EXPECT_EQ(app->Settings.logDir, other);
  window->close();
  EXPECT_NE(ReadText(Settings()).indexOf(QStringLiteral("LOGDIR=") + QString::fromStdString(other)), -1);
}

// With TZ=UTC the machine's clock is nine hours behind the program's; the
// status bar's clock shows the program's time, as the round log does, and
// says so. The options dialog says it too and names the next round.
TEST_F(OptionsWindow, InAnotherZoneTheClockAgreesWithTheRoundLogAndTheOptionsShowTheNextRound) {
  Zone("UTC");
  Open();
  window->ExecuteCommand(QStringLiteral("ALL"));
  const QString log = QString::fromStdString(SjisToUtf8(FileText(app->RoundLogPath())));
  const qsizetype dash = log.lastIndexOf(QStringLiteral(" - "));
  ASSERT_NE(dash, -1) << log.toStdString();
  const int ended = SecondsOfDay(log, dash + 3);
  ASSERT_GE(ended, 0);
  ASSERT_TRUE(WaitUntil([&] { return window->StatusText(3).contains(QStringLiteral("日本時間")); }));
  const QString clock = window->StatusText(3);
  const int shown = SecondsOfDay(clock, clock.indexOf(QStringLiteral("日本時間 ")) + 5);
  const int apart = std::abs(shown - ended);
  EXPECT_TRUE(apart <= 5 || apart >= 86400 - 5) << clock.toStdString() << " / " << log.toStdString();

  // Every hour, half an hour away from the round's minute: this hour's or
  // the next one's.
  const int minute = (ended / 60 % 60 + 30) % 60;
  int hour = ended / 3600;
  if (minute < ended / 60 % 60) hour = (hour + 1) % 24;
  app->SetSchedule(true, app::kAllHours, minute);
  const QString expected = QStringLiteral("%1:%2 (日本時間)").arg(hour, 2, 10, QLatin1Char('0')).arg(minute, 2, 10, QLatin1Char('0'));
  QString label, notice;
  WhenModal<gui::OptionsDialog>([&](gui::OptionsDialog& d) {
    if (auto* z = d.findChild<QLabel*>(QStringLiteral("ZoneNotice"))) notice = z->text();
    d.Tabs()->setCurrentIndex(2);
    label = d.NextRoundLabel()->text();
    d.adjustSize();
    EXPECT_TRUE(d.grab().save(ShotPath(QStringLiteral("options-next-round.png"))));
    d.HourCheck(hour)->setChecked(false);
    d.HourCheck((hour + 1) % 24)->setChecked(false);
    EXPECT_NE(d.NextRoundLabel()->text(), label);  // follows the hours
    d.reject();
  });
  window->Action(QStringLiteral("OptionAction"))->trigger();
  EXPECT_TRUE(label.startsWith(QStringLiteral("次の定時巡回: "))) << label.toStdString();
  EXPECT_TRUE(label.endsWith(expected)) << label.toStdString() << " / " << expected.toStdString();
  EXPECT_EQ(notice, QStringLiteral("時刻は日本時間 (UTC+9) で表示します"));
}

// Without a default program the help page, the reference and the round log
// open in the program's own viewer.
TEST_F(OptionsWindow, WithoutADefaultProgramPagesAndTheRoundLogOpenInTheOwnViewer) {
  const std::string help = BQ_BUILD_DIR "/help/";
  layout.helpPage = help + "index.html";
  layout.referencePage = help + "script-reference.html";
  layout.guidePage = help + "script-guide.html";
  ui.shellOpens = false;
  Open();
  window->resize(900, 620);
  // The round log does not exist yet: it cannot be read, and says so.
  window->Action(QStringLiteral("RoundLogAction"))->trigger();
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_NE(Messages()[0].find("RoundLog.txt を開けません"), std::string::npos);
  EXPECT_TRUE(window->Viewer() == nullptr || !window->Viewer()->isVisible());
  window->ExecuteCommand(QStringLiteral("ALL"));

  struct Case {
    const char* command;
    QString shows;  // a text the viewer holds
  } cases[] = {
      {"RoundLogAction", QStringLiteral("Folder Round: ")},
      {"GuideAction", QStringLiteral("スクリプト")},
      {"HelpAction", QStringLiteral("このプログラムについて")},
  };
  for (const Case& c : cases) {
    ui.calls.clear();
    window->Action(QString::fromLatin1(c.command))->trigger();
    EXPECT_TRUE(Messages().empty()) << c.command;
    ASSERT_NE(window->Viewer(), nullptr);
    EXPECT_TRUE(window->Viewer()->isVisible()) << c.command;
    EXPECT_TRUE(window->Viewer()->Browser()->toPlainText().contains(c.shows)) << c.command;
  }
  gui::HelpViewer* v = window->Viewer();
  EXPECT_EQ(v->windowTitle(), QStringLiteral("Brindlequay ヘルプ"));
  // A link inside the help moves within the viewer; an outside one shows
  // its address to copy.
  v->FollowLink(QUrl(QStringLiteral("https://example.org/a?b=1")));
  EXPECT_TRUE(v->LinkBar()->isVisible());
  EXPECT_EQ(v->LinkEdit()->text(), QStringLiteral("https://example.org/a?b=1"));
  EXPECT_TRUE(v->Browser()->source().fileName() == QStringLiteral("index.html"));
  v->resize(760, 560);
  EXPECT_TRUE(v->grab().save(ShotPath(QStringLiteral("help-viewer.png"))));
  v->CopyButton()->click();
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("https://example.org/a?b=1"));
  v->FollowLink(QUrl(QStringLiteral("script-reference.html")));
  EXPECT_FALSE(v->LinkBar()->isVisible());
  EXPECT_EQ(v->Browser()->source().fileName(), QStringLiteral("script-reference.html"));
  // F1 in the editor: the reference at the word's entry, in the viewer too.
  ui.calls.clear();
  emit window->Workbench()->referenceRequested(QStringLiteral("b-GET"));
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(v->Browser()->source().fragment(), QStringLiteral("b-GET"));
}

// The script page says whether its text is saved and compiled; 取得
// compiles changes first and stops on a compile error; leaving a folder
// whose text does not compile asks before saving.
TEST_F(OptionsWindow, TheScriptPageMarksItsStateAndFetchCompilesFirst) {
  Open();
  Script("other.pss", "SCRIPT other;\r\nBEGIN\r\nEND.\r\n");
  TFolderInfo info;
  info.ScriptName = "other.pss";
  const std::string other = TestFolder::Site("other", info);
  const std::string board = OpenSite("board", "SCRIPT board;\r\nBEGIN\r\nEND.\r\n");
  EXPECT_EQ(ScriptTab(), QStringLiteral("スクリプト"));
  // A new text that fetches an article, typed over the old one.
  Retype(QStringLiteral("SCRIPT board; BEGIN PACK(0: 1, 2: 5, 3: 'x'); PUTLOG(0) END."));
  EXPECT_EQ(ScriptTab(), QStringLiteral("スクリプト * (未コンパイル)"));
  window->Action(QStringLiteral("ExecAction"))->trigger();
  EXPECT_TRUE(WaitUntil([&] { return !window->Busy(); }));
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(app::TKernel::Log(*app).Count(), 1);
  EXPECT_EQ(ScriptTab(), QStringLiteral("スクリプト *"));

  Retype(QStringLiteral("SCRIPT board; BEGIN PACK(0: 2, 2: 5, 3: 'y'); PUTLOG(0); x := END."));
  window->Action(QStringLiteral("ExecAction"))->trigger();
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].substr(0, std::string("構文エラー").size()), "構文エラー");
  EXPECT_EQ(app::TKernel::Log(*app).Count(), 1);
  EXPECT_EQ(window->Workbench()->Pages->currentWidget(), window->Workbench()->EditorPage);

  // Leaving asks: Cancel keeps the folder, No leaves it unwritten.
  struct Step {
    int answer;
    std::string open;
  } steps[] = {{kIdCancel, board}, {kIdNo, other}};
  for (const Step& s : steps) {
    ui.calls.clear();
    ui.messageAnswers = {s.answer};
    window->Tree()->setCurrentItem(window->Tree()->FindPath(other));
    EXPECT_EQ(app->FolderPath(), s.open) << s.answer;
    ASSERT_FALSE(Messages().empty());
    EXPECT_NE(Messages()[0].find("のスクリプトはコンパイルできません。"), std::string::npos);
  }
  EXPECT_EQ(FileText(Libs() + "board.pss"), "SCRIPT board;\r\nBEGIN\r\nEND.\r\n");
}

}  // namespace
}  // namespace bq::test
