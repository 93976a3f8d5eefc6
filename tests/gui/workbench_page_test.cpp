// The "スクリプト" page under the offscreen platform: compile errors in the
// editor, a run stopped at a breakpoint with every pane filled, Stop during
// a stalled GET, runs from the page cache, the value dialog, the editor's
// colouring; screenshots of the main states go to the build folder.
#include "app/gui/workbench_page.h"


#include <gtest/gtest.h>
#include <stdlib.h>

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringListModel>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>

#include "app/gui/code_editor.h"
#include "app/gui/command_actions.h"
#include "app/gui/script_highlighter.h"
#include "platform/fs.h"
#include "tests/gui/gui_fixture.h"
#include "tests/web/scripted_server.h"
#include "textlib/dates.h"

namespace bq::gui {
namespace {

QString Shot(const QString& name) { return test::ShotPath(name); }

using app::Command;

class WorkbenchPageTest : public test::GuiApp {
 protected:
  void SetUp() override {
    GuiApp::SetUp();
    // A site folder: the window's caption names the script of a site only.
    ASSERT_TRUE(Log().OpenFolder(Site("demo", TFolderInfo{})));
    Log().Folder.ScriptName = "demo.pss";
    MakePage();
  }
  void TearDown() override {
    page.reset();
    GuiApp::TearDown();
  }
  void MakePage() {
    page = std::make_unique<WorkbenchPage>(app, *commands);
    QObject::connect(page.get(), &WorkbenchPage::captionChanged, [this](const QString& c) { caption = c; });
    // The busy state as the window would follow it: S busy and stoppable, i idle.
    QObject::connect(commands.get(), &CommandActions::applied, [this](const app::CommandStates& s) {
      const char state = s.Enabled(Command::StopAction) ? 'S' : (s.panelsEnabled ? 'i' : 'B');
      if (busyLog.empty() ? state != 'i' : busyLog.back() != state) busyLog += state;
    });
    page->resize(1100, 720);
    page->show();
  }
  // The texts of the message boxes shown (errors of compile and run).
  QStringList Errors() const {
    QStringList out;
    for (const auto& c : ui.calls)
      if (c.what == "MessageBox") out << FromSjis(c.text);
    return out;
  }
  void Type(const QString& text) {
    page->ProgramSource->setPlainText(text);
    QApplication::processEvents();
  }
  // Double-clicks row of the step list as the user would.
  void DoubleClickStep(int row) { DoubleClickRow(page->StepListBox, row); }
  void DoubleClickRow(QListView* v, int row) {
    QApplication::processEvents();
    QModelIndex index = v->model()->index(row, 0);
    v->scrollTo(index);
    QRect r = v->visualRect(index);
    ASSERT_TRUE(r.isValid());
    // The view pairs the double click with the press before it.
    QTest::mouseClick(v->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
    QTest::mousePress(v->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
    QTest::mouseDClick(v->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
    QTest::mouseRelease(v->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
  }
  QString StepRow(int row) { return page->StepListBox->model()->index(row, 0).data().toString(); }

  std::unique_ptr<WorkbenchPage> page;
  QString caption;
  std::string busyLog;
};

TEST_F(WorkbenchPageTest, ACompileErrorSelectsTheOffendingTokenInTheEditor) {
  Type(QStringLiteral("SCRIPT t;\nBEGIN\n  s := '日本';\n  x := ;\nEND.\n"));
  Command(Command::CompileBtn)->trigger();
  ASSERT_EQ(Errors().size(), 1);
  EXPECT_TRUE(Errors()[0].startsWith(QStringLiteral("構文エラー\r\n3行目:"))) << Errors()[0].toStdString();
  EXPECT_EQ(page->Pages->currentWidget(), page->EditorPage);
  QTextCursor c = page->ProgramSource->textCursor();
  EXPECT_EQ(c.selectionStart(), 36);
  EXPECT_EQ(c.selectedText(), QStringLiteral(";"));
  EXPECT_FALSE(page->Pages->isTabVisible(page->Pages->indexOf(page->DebugPage)));
  EXPECT_EQ(caption, QStringLiteral("Brindlequay - ??? (demo.pss)"));
}

const char* kDemo =
    "SCRIPT demo;\n"                                // 0
    "FUNCDEF twice(n)\n"                            // 1
    "BEGIN\n"                                       // 2
    "  twice := n * 2\n"                            // 3
    "END;\n"                                        // 4
    "BEGIN\n"                                       // 5
    "  title := '日本語のタイトル';\n"              // 6
    "  LOADF('%1');\n"                              // 7
    "  body := WRAPSTR(_, '<b>', '</b>', 1);\n"     // 8
    "  count := 3;\n"                               // 9
    "  total := twice(count);\n"                    // 10
    "  done := 1\n"                                 // 11
    "END.\n";                                       // 12

TEST_F(WorkbenchPageTest, RunStopsAtABreakpointAndThePanesShowTheStoppedState) {
  fs::WriteFileAtomic(dir + "page.htm",
                      Utf8ToSjis("<html><body>\r\n<p>お知らせ一覧</p>\r\n<b>新着記事のタイトル</b>\r\n<p>本文です。</p>\r\n</body></html>\r\n"));
  Type(QString::fromUtf8(kDemo).arg(QString::fromStdString(dir + "page.htm")));
  Command(Command::CompileBtn)->trigger();
  ASSERT_TRUE(Errors().isEmpty()) << Errors().join("\n").toStdString();
  EXPECT_EQ(caption, QStringLiteral("Brindlequay - demo (demo.pss)"));
  EXPECT_EQ(page->Pages->currentWidget(), page->DebugPage);
  DoubleClickStep(3);
  EXPECT_EQ(StepRow(3), QStringLiteral(" !  3:   twice := n * 2"));
  Command(Command::GoAction)->trigger();
  ASSERT_TRUE(Errors().isEmpty()) << Errors().join("\n").toStdString();
  EXPECT_EQ(busyLog, "Si");
  EXPECT_EQ(page->Model().CodePosition(), 3);
  EXPECT_EQ(StepRow(3), QStringLiteral(">!  3:   twice := n * 2"));
  EXPECT_EQ(page->StepListBox->currentIndex().row(), 3);
  EXPECT_EQ(page->Output->currentIndex().row(), Machine().R.PC);
  EXPECT_TRUE(page->RegList->toPlainText().startsWith(QStringLiteral("[")));
  EXPECT_GT(page->StackList->toPlainText().count(QStringLiteral("\n")), 0);  // the call's frame
  QStringList vars;
  for (int i = 0; i < page->VarList->count(); ++i) vars << page->VarList->item(i)->text();
  EXPECT_TRUE(vars.join("|").contains(QStringLiteral("TITLE: 日本語のタイトル"))) << vars.join("|").toStdString();
  EXPECT_TRUE(vars.join("|").contains(QStringLiteral("COUNT: 3")));
  EXPECT_FALSE(vars.join("|").contains(QStringLiteral("TOTAL: 6")));
  EXPECT_TRUE(page->SysVarList->toPlainText().startsWith(QStringLiteral("■システム変数■")));
  ASSERT_TRUE(page->grab().save(Shot("workbench_debug_breakpoint.png")));

  // The page text with the WRAPSTR match marked.
  page->Pages->setCurrentWidget(page->HTMLText);
  QApplication::processEvents();
  auto marks = page->HTMLText->extraSelections();
  ASSERT_EQ(marks.size(), 1);
  EXPECT_EQ(marks[0].cursor.selectedText(), QStringLiteral("<b>新着記事のタイトル</b>"));
  ASSERT_TRUE(page->grab().save(Shot("workbench_html_match.png")));
  page->Pages->setCurrentWidget(page->HTMLRawText);
  EXPECT_TRUE(page->HTMLRawText->toPlainText().contains(QStringLiteral("新着記事のタイトル")));
  EXPECT_FALSE(page->HTMLRawText->toPlainText().contains(QStringLiteral("<b>")));

  // Running on ends the script.
  Command(Command::GoAction)->trigger();
  EXPECT_EQ(Machine().State, script::RunState::Halted);
  bool found = false;
  for (int i = 0; i < page->VarList->count(); ++i) found |= page->VarList->item(i)->text().contains("TOTAL: 6");
  EXPECT_TRUE(found);
}

TEST_F(WorkbenchPageTest, TheValueDialogShowsTheValueOverASilverList) {
  Type(QStringLiteral("SCRIPT v;\nBEGIN\n  a := '長い値の文字列';\n  b := 7\nEND.\n"));
  Command(Command::CompileBtn)->trigger();
  Command(Command::GoAction)->trigger();
  ASSERT_GE(page->VarList->count(), 2);
  QString title, text;
  QColor base;
  QTimer::singleShot(0, [&] {
    QWidget* w = QApplication::activeModalWidget();
    if (!w) return;
    title = w->windowTitle();
    text = w->findChild<QPlainTextEdit*>()->toPlainText();
    base = page->VarList->palette().color(QPalette::Base);
    static_cast<QDialog*>(w)->accept();
  });
  page->ShowValue(1);  // entry 1: the second-highest slot, a
  EXPECT_EQ(title, QStringLiteral("変数の値"));
  EXPECT_EQ(text, QStringLiteral("長い値の文字列"));
  EXPECT_EQ(base, QColor(0xC0, 0xC0, 0xC0));
  EXPECT_NE(page->VarList->palette().color(QPalette::Base), QColor(0xC0, 0xC0, 0xC0));
}

TEST_F(WorkbenchPageTest, StopDuringAStalledGetEndsTheRunAtOnceAndTheWindowStaysLive) {
  test::ScriptedServer stall([](test::Conn& c, int) {
    c.ReadRequest();
    c.Hold(20000);  // never answers; ends when the server stops
  });
  Type(QString::fromStdString("SCRIPT s;\nBEGIN\n  GET('" + stall.url("/slow") + "');\n  after := 1\nEND.\n"));
  Command(Command::CompileBtn)->trigger();
  ASSERT_TRUE(Errors().isEmpty());
  int ticks = 0;
  QTimer clock;
  QObject::connect(&clock, &QTimer::timeout, [&] { ++ticks; });
  clock.start(20);
  QElapsedTimer sinceStop;
  bool enabledDuringRun = true;
  QTimer::singleShot(300, [&] {
    enabledDuringRun = Command(Command::GoAction)->isEnabled() || Command(Command::CompileBtn)->isEnabled();
    sinceStop.start();
    app.Stop();  // the main window's StopAction
  });
  QElapsedTimer whole;
  whole.start();
  Command(Command::GoAction)->trigger();
  qint64 stopToEnd = sinceStop.isValid() ? sinceStop.elapsed() : -1;
  ASSERT_GE(stopToEnd, 0) << "the run ended before Stop was pressed";
  EXPECT_LT(stopToEnd, 500);
  EXPECT_LT(whole.elapsed(), 5000);
  EXPECT_FALSE(enabledDuringRun);
  EXPECT_GE(ticks, 5);  // timers ran while the GET waited
  EXPECT_EQ(stall.connections(), 1);
  EXPECT_EQ(busyLog, "Si");
  EXPECT_FALSE(app.Busy().Busy());
  EXPECT_TRUE(Command(Command::GoAction)->isEnabled());
  EXPECT_EQ(Machine().State, script::RunState::Stopped);
  EXPECT_NE(page->VarList->item(0)->text().trimmed(), QStringLiteral("AFTER: 1"));
  // The window still answers: a step after the stop runs.
  QTest::keyClick(page->ProgramSource, Qt::Key_End);
  EXPECT_EQ(page->Model().Steps().Count(), 5);
}

TEST_F(WorkbenchPageTest, ARunFromTheCacheSendsNoRequest) {
  test::ScriptedServer server(test::ScriptedServer::Replies(
      {"HTTP/1.0 200 OK\r\nContent-Length: 22\r\n\r\n<b>cached</b> page\r\n\r\n"}));
  Type(QString::fromStdString("SCRIPT c;\nBEGIN\n  GET('" + server.url("/p") + "');\n  t := _\nEND.\n"));
  Command(Command::CompileBtn)->trigger();
  Command(Command::GoAction)->trigger();
  ASSERT_EQ(server.connections(), 1);
  page->CacheCheck->setChecked(true);
  EXPECT_TRUE(Command(Command::RunFromCache)->isChecked());
  for (int i = 0; i < 3; ++i) {
    Command(Command::ExecInit)->trigger();
    Command(Command::GoAction)->trigger();
    EXPECT_TRUE(page->HTMLText->toPlainText().contains(QStringLiteral("<b>cached</b> page")));
  }
  EXPECT_EQ(server.connections(), 1);
  EXPECT_TRUE(Errors().isEmpty());
  EXPECT_FALSE(Web().CacheOnly);  // only workbench runs read the cache alone
  // A page that was never fetched fails like a failed fetch: empty, no request.
  Type(QString::fromStdString("SCRIPT c;\nBEGIN\n  GET('" + server.url("/never") + "')\nEND.\n"));
  Command(Command::CompileBtn)->trigger();
  Command(Command::GoAction)->trigger();
  EXPECT_EQ(server.connections(), 1);
  EXPECT_TRUE(page->HTMLText->toPlainText().isEmpty());
}

// The format a character of an editor line was given.
QTextCharFormat FormatAt(QPlainTextEdit* e, int line, int column) {
  QTextBlock b = e->document()->findBlockByNumber(line);
  for (const auto& r : b.layout()->formats())
    if (column >= r.start && column < r.start + r.length) return r.format;
  return QTextCharFormat();
}

TEST_F(WorkbenchPageTest, TheEditorColoursTheLanguageFromItsOwnTables) {
  Type(QStringLiteral(
      "SCRIPT colours;  # 色分けの例\n"
      "row[]:-\n"
      "<tr><td>${TITLE}</td></tr>\n"
      "-::\n"
      "(* 複数行の\n"
      "   コメント *)\n"
      "BEGIN\n"
      "  GET(%URL%);\n"
      "  s := WRAPSTR(_, '<b>', '</b>');\n"
      "  FOREACH r IN @CLIP[row] DO PUTLOG(0)\n"
      "END.\n"));
  ScriptHighlighter* h = page->Highlighter;
  QPlainTextEdit* e = page->ProgramSource;
  EXPECT_EQ(FormatAt(e, 0, 0).foreground(), h->keyword.foreground());      // SCRIPT
  EXPECT_EQ(FormatAt(e, 0, 20).foreground(), h->comment.foreground());     // # ...
  EXPECT_EQ(FormatAt(e, 2, 10).foreground(), h->clipCapture.foreground()); // ${TITLE}
  EXPECT_EQ(FormatAt(e, 2, 1).foreground(), h->clipBody.foreground());
  EXPECT_EQ(FormatAt(e, 5, 3).foreground(), h->comment.foreground());      // block comment goes on
  EXPECT_EQ(FormatAt(e, 7, 2).foreground(), h->builtin.foreground());      // GET
  EXPECT_EQ(FormatAt(e, 7, 7).foreground(), h->templateVariable.foreground());  // %URL%
  EXPECT_EQ(FormatAt(e, 8, 19).foreground(), h->string.foreground());      // '<b>'
  EXPECT_EQ(FormatAt(e, 9, 15).foreground(), h->builtin.foreground());     // @CLIP
  EXPECT_EQ(FormatAt(e, 9, 2).foreground(), h->keyword.foreground());      // FOREACH
  EXPECT_EQ(FormatAt(e, 8, 2).foreground(), QTextCharFormat().foreground());  // s: a variable
  EXPECT_GT(page->ProgramSource->LineNumberWidth(), 0);
  ASSERT_TRUE(page->grab().save(Shot("workbench_editor.png")));
  // Typing marks the editor modified, which the schedule reads.
  EXPECT_FALSE(page->Model().Modified());
  QTest::keyClick(page->ProgramSource, Qt::Key_A);
  EXPECT_TRUE(page->Model().Modified());
  app.SetSchedule(true, app::kAllHours, 45);
  EXPECT_FALSE(app.ScheduleTick(EncodeDate(2026, 12, 8, 13, 45, 0)));
}

}  // namespace
}  // namespace bq::gui

namespace bq::gui {
namespace {

TEST_F(WorkbenchPageTest, F1OpensTheReferenceAtTheWordUnderTheCursor) {
  QString opened = QStringLiteral("(none)");
  QObject::connect(page.get(), &WorkbenchPage::referenceRequested, [&](const QString& anchor) { opened = anchor; });
  Type(QStringLiteral("SCRIPT h;\nBEGIN\n  FOREACH x IN @CLIP[row] DO s := WRAPSTR(t, 'a', 'b')\nEND.\n"));
  QTextCursor c = page->ProgramSource->textCursor();
  c.setPosition(page->ProgramSource->document()->findBlockByNumber(2).position() + 17);  // inside @CLIP
  page->ProgramSource->setTextCursor(c);
  EXPECT_EQ(page->WordAtCursor(), QStringLiteral("@CLIP"));
  page->ProgramSource->setFocus();
  QTest::keyClick(page->ProgramSource, Qt::Key_F1);
  EXPECT_EQ(opened, QStringLiteral("b-_CLIP"));
  c.setPosition(page->ProgramSource->document()->findBlockByNumber(2).position() + 3);  // FOREACH
  page->ProgramSource->setTextCursor(c);
  Command(Command::ReferenceAction)->trigger();
  EXPECT_EQ(opened, QStringLiteral("k-FOREACH"));
}

}  // namespace
}  // namespace bq::gui

namespace bq::gui {
namespace {

TEST_F(WorkbenchPageTest, TheTemplateLabelCyclesAndTheSystemVariablesFold) {
  Type(QStringLiteral("SCRIPT t;\npost[]:-\n<b>${TITLE}</b>\\*<i>!{\\d+}!\n-::\nrow[]:-\n<td>${D}</td>\n-::\nBEGIN\nEND.\n"));
  Command(Command::CompileBtn)->trigger();
  ASSERT_TRUE(Errors().isEmpty());
  EXPECT_EQ(page->VarLabel->text(), QStringLiteral("POST"));
  EXPECT_TRUE(page->ListBox1->toPlainText().contains(QStringLiteral("TITLE:</b>")));
  QTest::mouseClick(page->VarLabel, Qt::LeftButton);
  EXPECT_EQ(page->VarLabel->text(), QStringLiteral("ROW"));
  QTest::mouseClick(page->VarLabel, Qt::LeftButton);
  EXPECT_EQ(page->VarLabel->text(), QStringLiteral("POST"));
  page->Pages->setCurrentWidget(page->TemplatePage);
  ASSERT_TRUE(page->grab().save(Shot("workbench_templates.png")));
  page->Pages->setCurrentWidget(page->DebugPage);
  EXPECT_EQ(page->SysVarToggle->text(), QStringLiteral("▲"));
  QTest::mouseClick(page->SysVarToggle, Qt::LeftButton);
  EXPECT_EQ(page->SysVarToggle->text(), QStringLiteral("▼"));
  EXPECT_FALSE(page->SysVarList->isVisible());
  QTest::mouseClick(page->SysVarToggle, Qt::LeftButton);
  EXPECT_TRUE(page->SysVarList->isVisible());
}

}  // namespace
}  // namespace bq::gui

namespace bq::gui {
namespace {

TEST_F(WorkbenchPageTest, SkipDuringAStalledGetAbandonsOnlyThatTransfer) {
  test::ScriptedServer stall([](test::Conn& c, int) {
    c.ReadRequest();
    c.Hold(20000);
  });
  Type(QString::fromStdString("SCRIPT s;\nBEGIN\n  n := GET('" + stall.url("/slow") + "');\n  after := 1\nEND.\n"));
  Command(Command::CompileBtn)->trigger();
  QElapsedTimer sinceSkip;
  QTimer::singleShot(300, [&] {
    sinceSkip.start();
    app.Skip();  // the main window's SkipAction
  });
  Command(Command::GoAction)->trigger();
  ASSERT_TRUE(sinceSkip.isValid());
  EXPECT_LT(sinceSkip.elapsed(), 500);
  EXPECT_EQ(Machine().State, script::RunState::Halted);
  EXPECT_TRUE(Errors().isEmpty());
  QStringList vars;
  for (int i = 0; i < page->VarList->count(); ++i) vars << page->VarList->item(i)->text().trimmed();
  EXPECT_TRUE(vars.contains(QStringLiteral("AFTER: 1"))) << vars.join("|").toStdString();
  EXPECT_TRUE(vars.contains(QStringLiteral("N: 406"))) << vars.join("|").toStdString();
}

}  // namespace
}  // namespace bq::gui

#include <QScrollBar>
#include <QTextBrowser>

#include "app/core/workbench/reference.h"

namespace bq::gui {
namespace {

// The shipped reference is plain HTML a browser widget shows as it is.
TEST(ScriptReference, RendersWithJapaneseAndEveryAnchor) {
  QTextBrowser view;
  view.resize(900, 700);
  view.setHtml(QString::fromStdString(app::ReferenceHtml()));
  view.show();
  EXPECT_TRUE(view.toPlainText().contains(QStringLiteral("組み込み関数")));
  view.scrollToAnchor(QStringLiteral("b-WRAPSTR"));
  QApplication::processEvents();
  EXPECT_GT(view.verticalScrollBar()->value(), 0);
  ASSERT_TRUE(view.grab().save(Shot("script_reference.png")));
}

}  // namespace
}  // namespace bq::gui

namespace bq::gui {
namespace {

TEST_F(WorkbenchPageTest, TheEditorsModifiedFlagFollowsEverySave) {
  Type(QStringLiteral("SCRIPT m;\nBEGIN\nEND.\n"));
  QTest::keyClick(page->ProgramSource, Qt::Key_Space);
  ASSERT_TRUE(page->Model().Modified());
  // Leaving the folder (as the main window and rounds do) writes the script.
  EXPECT_TRUE(page->Model().LeaveFolder("x"));
  EXPECT_TRUE(fs::FileExists(dir + "libs/demo.pss"));
  EXPECT_FALSE(page->ProgramSource->document()->isModified());
  QTest::keyClick(page->ProgramSource, Qt::Key_Space);
  EXPECT_TRUE(page->Model().Modified());  // a later edit counts again
  Command(Command::SaveBtn)->trigger();
  EXPECT_FALSE(page->Model().Modified());
  EXPECT_FALSE(page->ProgramSource->document()->isModified());
}

}  // namespace
}  // namespace bq::gui

namespace bq::gui {
namespace {

TEST_F(WorkbenchPageTest, TheLastCompilesWarningsListUnderTheEditorAndLeadToTheirLines) {
  // COUNT read inside its own body is a call of itself, not its result.
  Type(QStringLiteral("SCRIPT w;\nFUNCDEF COUNT(n)\nBEGIN\n  COUNT := COUNT + 1\nEND;\nBEGIN\n  x := COUNT(1)\nEND.\n"));
  Command(Command::CompileBtn)->trigger();
  EXPECT_TRUE(Errors().isEmpty()) << Errors().join(QStringLiteral("|")).toStdString();
  const auto& rows = page->Model().Warnings();
  ASSERT_FALSE(rows.empty());
  EXPECT_FALSE(page->WarningList->isHidden());
  ASSERT_EQ(page->WarningList->count(), static_cast<int>(rows.size()));
  for (int i = 0; i < page->WarningList->count(); ++i) {
    EXPECT_EQ(page->WarningList->item(i)->text(), FromSjis(rows[static_cast<std::size_t>(i)].text));
    EXPECT_TRUE(page->WarningList->item(i)->toolTip().contains(QStringLiteral("^"))) << i;
  }
  EXPECT_TRUE(page->WarningList->item(0)->text().startsWith(QStringLiteral("4行目: 警告: ")))
      << page->WarningList->item(0)->text().toStdString();
  // The debug page came to the front; the editor's tab counts the warnings.
  EXPECT_EQ(page->Pages->currentWidget(), page->DebugPage);
  EXPECT_EQ(page->Pages->tabText(page->Pages->indexOf(page->EditorPage)),
            QStringLiteral("エディタ (警告 %1)").arg(rows.size()));
  // A double click on the row brings the editor with the warned name selected.
  page->Pages->setCurrentWidget(page->EditorPage);
  QTextCursor top = page->ProgramSource->textCursor();
  top.setPosition(0);
  page->ProgramSource->setTextCursor(top);
  DoubleClickRow(page->WarningList, 0);
  EXPECT_EQ(page->Pages->currentWidget(), page->EditorPage);
  const QTextCursor at = page->ProgramSource->textCursor();
  EXPECT_EQ(at.blockNumber(), rows[0].line);
  EXPECT_EQ(at.block().text(), QStringLiteral("  COUNT := COUNT + 1"));
  EXPECT_EQ(at.selectedText(), QStringLiteral("COUNT"));
  ASSERT_TRUE(page->grab().save(Shot("workbench_warnings.png")));
  // The corrected script compiles without a warning: the list goes away.
  Type(QStringLiteral("SCRIPT w;\nFUNCDEF COUNT(n)\nBEGIN\n  c := n + 1;\n  COUNT := c\nEND;\nBEGIN\n  x := COUNT(1)\nEND.\n"));
  Command(Command::CompileBtn)->trigger();
  EXPECT_TRUE(page->Model().Warnings().empty());
  EXPECT_EQ(page->WarningList->count(), 0);
  EXPECT_TRUE(page->WarningList->isHidden());
  EXPECT_EQ(page->Pages->tabText(page->Pages->indexOf(page->EditorPage)), QStringLiteral("エディタ"));
}

}  // namespace
}  // namespace bq::gui
