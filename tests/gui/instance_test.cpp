// The real program started as child processes: a second start hands its
// command word to the running instance and ends; a stale socket of a
// killed instance never blocks a start. One case runs the instance in this
// process, where its window can be looked at.
#include <signal.h>
#include <unistd.h>

#include <QAction>
#include <QFileInfo>
#include <QLocalSocket>
#include <QThread>

#include "app/core/shell/shell_model.h"
#include "app/gui/desktop_app.h"
#include "app/gui/main_window.h"
#include "tests/gui/gui_fixture.h"
#include "textlib/dates.h"

namespace bq::test {
namespace {

class InstanceTest : public GuiFolder {
 protected:
  // The socket file of this test's instance.
  QString SocketPath() const {
    std::string settings = QFileInfo(Settings()).absoluteFilePath().toStdString();
    return Here() + QStringLiteral("tmp/") +
           QString::fromStdString(app::InstanceKey(std::to_string(::getuid()), settings));
  }
  // Something answers on the instance's socket (an empty word does nothing).
  bool Listening() const {
    QLocalSocket s;
    s.connectToServer(SocketPath());
    bool up = s.waitForConnected(200);
    s.abort();
    return up;
  }
  // Starts the instance and waits until it listens.
  QProcess* StartInstance(const QStringList& extra = {}) {
    QProcess* p = Start(extra);
    bool up = WaitUntil([this, p] { return Listening() || p->state() == QProcess::NotRunning; });
    EXPECT_TRUE(up && p->state() == QProcess::Running) << "the instance did not come up";
    return p;
  }
  bool Ends(QProcess* p, int ms = 15000) {
    return WaitUntil([p] { return p->state() == QProcess::NotRunning; }, ms);
  }
};

TEST_F(InstanceTest, SecondStartWithAllRunsARoundInTheRunningInstance) {
  QProcess* first = StartInstance();
  EXPECT_EQ(SecondStart({QStringLiteral("all")}), 0);
  QString roundLog = LogRootQ() + QStringLiteral("RoundLog.txt");
  ASSERT_TRUE(WaitUntil([&] { return ReadText(roundLog).contains(QStringLiteral("Folder Round: ")); }));
  // The line ends with the mark of a round over all folders (" ＠ＡＬＬ" in Shift_JIS).
  EXPECT_TRUE(ReadText(roundLog).toLatin1().contains(QByteArray(" \x81\x97\x82\x60\x82\x6b\x82\x6b\r\n")));
  EXPECT_EQ(first->state(), QProcess::Running);
}

TEST_F(InstanceTest, SecondStartWithQuitClosesTheInstanceWhichSavesEverything) {
  QProcess* first = StartInstance();
  EXPECT_FALSE(QFile::exists(Settings()));
  EXPECT_EQ(SecondStart({QStringLiteral("Quit")}), 0);
  ASSERT_TRUE(Ends(first));
  EXPECT_EQ(first->exitCode(), 0);
  QString ini = ReadText(Settings());
  EXPECT_TRUE(ini.contains(QStringLiteral("WINDOWINFO="))) << ini.toStdString();
  EXPECT_TRUE(ini.contains(QStringLiteral("LOGHIST="))) << ini.toStdString();
  EXPECT_TRUE(QFile::exists(LogRootQ() + QStringLiteral("weblog.def")));
  // Nothing listens any more: the next start becomes the instance.
  QProcess* next = StartInstance();
  EXPECT_EQ(next->state(), QProcess::Running);
}

TEST_F(InstanceTest, KilledInstanceLeavesNoBlockAndTheNextStartTakesOver) {
  QProcess* first = StartInstance();
  ::kill(static_cast<pid_t>(first->processId()), SIGKILL);
  ASSERT_TRUE(Ends(first));
  ASSERT_TRUE(QFile::exists(SocketPath()));  // left behind by the killed process
  QProcess* second = StartInstance({QStringLiteral("show")});
  // It stays: it is the instance now, and a third start reaches it.
  WaitUntil([] { return false; }, 300);
  ASSERT_EQ(second->state(), QProcess::Running);
  EXPECT_EQ(SecondStart({QStringLiteral("quit")}), 0);
  EXPECT_TRUE(Ends(second));
}

TEST_F(InstanceTest, TwoSettingsFilesMakeTwoInstances) {
  QProcess* first = StartInstance();
  QProcess* other = Start({QStringLiteral("--settings"), Here() + QStringLiteral("other.ini")});
  // The later --settings wins: this start has a settings file of its own.
  WaitUntil([] { return false; }, 1500);
  EXPECT_EQ(other->state(), QProcess::Running);
  EXPECT_EQ(first->state(), QProcess::Running);
}

TEST_F(InstanceTest, SecondStartWithoutWordShowsTheWindow) {
  gui::DesktopApp desktop(Args(), QStringLiteral(BQ_SOURCE_DIR "/"));
  ASSERT_EQ(desktop.Begin(), gui::DesktopApp::Start::Running);
  gui::MainWindow* w = desktop.Window();
  ASSERT_TRUE(w->isVisible());
  w->hide();
  QProcess* second = Start({});
  ASSERT_TRUE(WaitUntil([second] { return second->state() == QProcess::NotRunning; }));
  EXPECT_EQ(second->exitCode(), 0);
  EXPECT_TRUE(WaitUntil([w] { return w->isVisible(); }));
}

// Without a tray (offscreen, or bare Xvfb) the window cannot hide: it shows
// even when the settings say to start in the tray, and the status bar says why.
TEST_F(InstanceTest, WithoutATrayStartHiddenStillShowsTheWindow) {
  WriteFile(QStringLiteral("brindlequay.ini"), "STARTINTRAY=1\r\n");
  gui::DesktopApp desktop(Args(), QStringLiteral(BQ_SOURCE_DIR "/"));
  ASSERT_EQ(desktop.Begin(), gui::DesktopApp::Start::Running);
  gui::MainWindow* w = desktop.Window();
  if (w->TrayAvailable()) GTEST_SKIP() << "a tray is there";
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(w->StatusText(0), QString::fromUtf8("通知領域(トレイ)が無いため、ウィンドウを隠せません"));
  EXPECT_FALSE(w->Action(QStringLiteral("HideAction"))->isEnabled());
  w->showMinimized();
  WaitUntil([] { return false; }, 200);
  EXPECT_TRUE(w->isVisible());
}

TEST_F(InstanceTest, BadCommandLineIsRefused) {
  QProcess* p = Start({QStringLiteral("--bogus")});
  ASSERT_TRUE(Ends(p));
  EXPECT_EQ(p->exitCode(), 2);
}

// The schedule's minute survives a restart: the program started again in
// the minute of the round it ran does not run it again.
TEST_F(InstanceTest, StartedAgainInTheMinuteOfItsScheduledRoundTheRoundRunsOnce) {
  // Both starts and a tick of the second fall in one minute.
  while (NowDate() % 60 >= 20) QThread::msleep(200);
  const DateParts now = DecodeDate(NowDate());
  ASSERT_EQ(Cli("schedule set --hours " + std::to_string(now.hour) + " --minute " + std::to_string(now.minute) +
                " --on").status,
            0);
  const QString roundLog = LogRootQ() + QStringLiteral("RoundLog.txt");
  QProcess* first = StartInstance();
  // The timer ticks every 5 s: the first tick runs the round.
  ASSERT_TRUE(WaitUntil([&] { return ReadText(roundLog).count(QStringLiteral("\r\n")) == 1; }, 15000));
  EXPECT_EQ(SecondStart({QStringLiteral("quit")}), 0);
  ASSERT_TRUE(Ends(first));
  QProcess* second = StartInstance();
  // Two ticks of the program started again.
  WaitUntil([] { return false; }, 11000);
  EXPECT_EQ(second->state(), QProcess::Running);
  ASSERT_EQ(DecodeDate(NowDate()).minute, now.minute) << "the minute passed before the test was done";
  EXPECT_EQ(SecondStart({QStringLiteral("quit")}), 0);
  ASSERT_TRUE(Ends(second));
  EXPECT_EQ(ReadText(roundLog).count(QStringLiteral("\r\n")), 1) << ReadText(roundLog).toStdString();
}

}  // namespace
}  // namespace bq::test
