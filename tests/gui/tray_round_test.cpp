// A round started from the tray menu, with a real tray (run under Xvfb with
// trayer by run_with_tray.sh; skipped where no tray exists, as offscreen).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMenu>
#include <QScreen>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <chrono>
#include <thread>

#include "app/core/local_server.h"
#include "app/gui/main_window.h"
#include "app/gui/round_controller.h"
#include "tests/gui/gui_fixture.h"

namespace bq::test {
namespace {

// Waits (at most 5 s) until the panel has taken the icon in.
bool WaitForPlacement(QSystemTrayIcon& icon) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 5000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!icon.geometry().isEmpty() && icon.geometry().topLeft() != QPoint(0, 0)) return true;
  }
  return false;
}

using TrayRound = GuiApp;

TEST_F(TrayRound, ARoundFromTheTrayMenuAnimatesTheIconAndEndsNormal) {
  if (!QSystemTrayIcon::isSystemTrayAvailable())
    GTEST_SKIP() << "no system tray here (run under run_with_tray.sh)";
  app::TLocalServer server([](const app::LocalRequest& r) {
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    return app::LocalResponse{200, "text/html", r.target};
  });
  Script("template.pss", "SCRIPT t;\r\nBEGIN GET(%URL%); PACK(0: 1, 3: _, 2: 5); PUTLOG(0) END.\r\n");
  for (const char* f : {"a", "b"}) {
    TFolderInfo info;
    info.SiteUrl = server.Url(std::string("/") + f);
    info.RoundTarget = true;
    Site(f, info);
  }
  app::ProgramLayout layout;
  layout.settingsFile = dir + "brindlequay.ini";
  layout.dataOption = Data();
  layout.libsFolder = Libs();
  layout.defaultDataFolder = Data();
  gui::MainWindow window(app, ui, layout);
  window.SetupFolders();
  QSystemTrayIcon* tray = window.Tray();
  ASSERT_NE(tray, nullptr);
  ASSERT_TRUE(WaitForPlacement(*tray));

  std::vector<QString> images;
  QRect where = tray->geometry();
  bool shot = false;
  gui::RoundController* rounds = window.Rounds();
  QObject::connect(rounds, &gui::RoundController::trayChanged, [&] {
    const QString image = QString::fromLatin1(app::TrayImageName(rounds->Runner().Tray().Image()));
    if (images.empty() || images.back() != image) images.push_back(image);
    if (!shot && image == "ICON2") {
      // The panel at the top right, with the icon in mid-turn.
      QCoreApplication::processEvents();
      QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
      screen.copy(where.adjusted(-200, 0, 8, 8).intersected(screen.rect())).save(ShotPath("tray_round.png"));
      shot = true;
    }
  });
  // The tray menu's "巡回" (the tree's top folder is selected), by its
  // command's name.
  QAction* round = nullptr;
  for (QAction* a : tray->contextMenu()->actions())
    if (a->objectName() == QStringLiteral("RoundAction")) round = a;
  ASSERT_NE(round, nullptr);
  QSignalSpy news(rounds, &gui::RoundController::notificationShown);
  round->trigger();

  ASSERT_FALSE(images.empty());
  EXPECT_EQ(images.front(), "ICON0");
  EXPECT_NE(std::find(images.begin(), images.end(), "ICON2"), images.end());
  EXPECT_EQ(images.back(), "NORMAL");
  EXPECT_EQ(tray->toolTip(), QStringLiteral("Brindlequay"));
  EXPECT_TRUE(shot);
  // The news went to the tray as a message (the root, without an address, did not run).
  ASSERT_EQ(news.count(), 1);
  EXPECT_EQ(news[0][1].toString(), QStringLiteral("新着記事が 2 件あります\r\na、b"));
}

}  // namespace
}  // namespace bq::test
