// The tray under a real X server with a panel (trayer), run by
// tests/gui/run_with_tray.sh: start hidden, a click on the icon shows the
// window, the tray menu. Skipped without that panel.
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QSystemTrayIcon>

#include "app/gui/desktop_app.h"
#include "app/gui/main_window.h"
#include "tests/gui/gui_fixture.h"

namespace bq::test {
namespace {

class TrayTest : public GuiFolder {
 protected:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("BQ_TRAY_TESTS")) GTEST_SKIP() << "needs Xvfb with trayer (run_with_tray.sh)";
    GuiFolder::SetUp();
  }
  bool Xdotool(const QStringList& args) {
    // "mousemove --sync" waits for the pointer to move, which it never does
    // when it stands there already (from the case before): away first.
    QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QStringLiteral("640"), QStringLiteral("400")});
    return QProcess::execute(QStringLiteral("xdotool"), args) == 0;
  }
};

TEST_F(TrayTest, StartHiddenShowsOnlyTheTrayIconAndAClickShowsTheWindow) {
  ASSERT_TRUE(QSystemTrayIcon::isSystemTrayAvailable());
  WriteFile(QStringLiteral("brindlequay.ini"), "STARTINTRAY=1\r\n");
  gui::DesktopApp desktop(Args(), QStringLiteral(BQ_SOURCE_DIR "/"));
  ASSERT_EQ(desktop.Begin(), gui::DesktopApp::Start::Running);
  gui::MainWindow* w = desktop.Window();
  ASSERT_TRUE(w->TrayAvailable());
  EXPECT_FALSE(w->isVisible());
  EXPECT_TRUE(w->Tray()->isVisible());
  EXPECT_TRUE(w->Action(QStringLiteral("HideAction"))->isEnabled());
  // The panel takes the icon in a moment; until then its place reads 0,0.
  ASSERT_TRUE(WaitUntil([w] { return !w->Tray()->geometry().topLeft().isNull(); }));
  QRect g = w->Tray()->geometry();
  QGuiApplication::primaryScreen()->grabWindow(0).save(ShotPath(QStringLiteral("tray_hidden_start.png")));
  ASSERT_TRUE(Xdotool({QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(g.center().x()),
                       QString::number(g.center().y()), QStringLiteral("click"), QStringLiteral("1")}));
  EXPECT_TRUE(WaitUntil([w] { return w->isVisible(); }));
  // "隠す" puts it back into the tray; so does minimizing.
  w->Action(QStringLiteral("HideAction"))->trigger();
  EXPECT_TRUE(WaitUntil([w] { return !w->isVisible(); }));
  w->ShowMainWindow();
  ASSERT_TRUE(WaitUntil([w] { return w->isVisible(); }));
  w->showMinimized();
  EXPECT_TRUE(WaitUntil([w] { return !w->isVisible(); }));
  EXPECT_TRUE(w->Tray()->isVisible());
}

TEST_F(TrayTest, TrayMenuOpensAtTheIcon) {
  gui::DesktopApp desktop(Args(), QStringLiteral(BQ_SOURCE_DIR "/"));
  ASSERT_EQ(desktop.Begin(), gui::DesktopApp::Start::Running);
  gui::MainWindow* w = desktop.Window();
  ASSERT_TRUE(WaitUntil([w] { return !w->Tray()->geometry().topLeft().isNull() && w->isVisible(); }));
  w->resize(900, 600);
  w->move(40, 60);
  QRect g = w->Tray()->geometry();
  ASSERT_TRUE(Xdotool({QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(g.center().x()),
                       QString::number(g.center().y()), QStringLiteral("click"), QStringLiteral("3")}));
  ASSERT_TRUE(WaitUntil([w] { return w->TrayMenu()->isVisible(); }));
  WaitUntil([] { return false; }, 300);
  QGuiApplication::primaryScreen()->grabWindow(0).save(ShotPath(QStringLiteral("tray_menu_open.png")));
  QStringList captions;
  for (QAction* a : w->TrayMenu()->actions())
    if (!a->isSeparator()) captions << a->text();
  EXPECT_EQ(captions, (QStringList{QString::fromUtf8("取得"), QString::fromUtf8("巡回"), QStringLiteral("OFF"), QString::fromUtf8("巡回レポート"),
                                   QString::fromUtf8("オプション設定"), QString::fromUtf8("ヘルプ目次"),
                                   QString::fromUtf8("バージョン情報"), QString::fromUtf8("終了")}));
  w->TrayMenu()->hide();
}

}  // namespace
}  // namespace bq::test
