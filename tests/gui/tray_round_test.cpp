// A round started from the tray menu, with a real tray (run under Xvfb with
// trayer by run_with_tray.sh; skipped where no tray exists, as offscreen).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMenu>
#include <QScreen>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <chrono>
#include <thread>

#include "app/core/application.h"
#include "app/core/local_server.h"
#include "app/gui/round_controller.h"
#include "gui_fixture.h"
#include "app/gui/round_icons.h"
#include "platform/fs.h"

namespace bq::test {
namespace {

class QtPump : public EventPump {
 public:
  void ProcessMessages() override { QCoreApplication::processEvents(); }
};

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

TEST(TrayRound, ARoundFromTheTrayMenuAnimatesTheIconAndEndsNormal) {
  if (!QSystemTrayIcon::isSystemTrayAvailable())
    GTEST_SKIP() << "no system tray here (run under run_with_tray.sh)";
  char tmpl[] = "/tmp/bqtray.XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string dir = std::string(tmpl) + "/";
  fs::ForceDirectories(dir + "libs/");
  app::TLocalServer server([](const app::LocalRequest& r) {
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    return app::LocalResponse{200, "text/html", r.target};
  });
  fs::WriteFileAtomic(dir + "libs/template.pss",
                      "SCRIPT t;\r\nBEGIN GET(%URL%); PACK(0: 1, 3: _, 2: 5); PUTLOG(0) END.\r\n");
  RecordingUi ui;
  QtPump pump;
  {
    app::TApplication app(ui, pump, [] { return SystemProxySettings{}; });
    app.SetProgramFolder(dir, dir + "libs/");
    app.SetupFolders(dir + "data/");
    for (const char* f : {"a", "b"}) {
      fs::ForceDirectories(app.LogRoot() + f + "/");
      TFolderInfo info;
      info.SiteUrl = server.Url(std::string("/") + f);
      info.RoundTarget = true;
      fs::WriteFileAtomic(app.LogRoot() + f + "/kvlnode.web", FormatNodeFile(info));
    }

    gui::RoundController rounds(app);
    QSystemTrayIcon tray(gui::TrayIcon(app::TrayImage::Normal));
    QMenu menu;
    menu.addAction(rounds.execAction());
    menu.addAction(rounds.roundAction());
    menu.addAction(rounds.timerAction());
    menu.addAction(rounds.switchAction());
    tray.setContextMenu(&menu);
    tray.show();
    rounds.SetTrayIcon(&tray);
    ASSERT_TRUE(WaitForPlacement(tray));

    std::vector<QString> images;
    QRect where = tray.geometry();
    bool shot = false;
    QObject::connect(&rounds, &gui::RoundController::trayChanged, [&](const QString& image, const QString&) {
      if (images.empty() || images.back() != image) images.push_back(image);
      if (!shot && image == "ICON2") {
        // The panel at the top right, with the icon in mid-turn.
        QCoreApplication::processEvents();
        QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
        screen.copy(where.adjusted(-200, 0, 8, 8).intersected(screen.rect())).save(ShotPath("tray_round.png"));
        shot = true;
      }
    });
    QAction* timer = nullptr;
    for (QAction* a : tray.contextMenu()->actions())
      if (a->text() == QStringLiteral("定時巡回")) timer = a;
    ASSERT_NE(timer, nullptr);
    QSignalSpy news(&rounds, &gui::RoundController::notificationShown);
    timer->trigger();

    EXPECT_EQ(images.front(), "ICON0");
    EXPECT_NE(std::find(images.begin(), images.end(), "ICON2"), images.end());
    EXPECT_EQ(images.back(), "NORMAL");
    EXPECT_EQ(tray.toolTip(), QStringLiteral("Brindlequay"));
    EXPECT_TRUE(shot);
    // The news went to the tray as a message (the root, without an address, did not run).
    ASSERT_EQ(news.count(), 1);
    EXPECT_EQ(news[0][1].toString(), QStringLiteral("新着記事が 2 件あります\r\na、b"));
  }
  std::string cmd = "rm -rf '" + dir + "'";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
}

}  // namespace
}  // namespace bq::test
