// The real program started as child processes: a second start hands its
// command word to the running instance and ends; a stale socket of a
// killed instance never blocks a start, and a stopped instance's socket is
// never taken over; "quit" and the stop signals close the instance with
// everything saved. One case runs the instance in this process, where its
// window can be looked at.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalSocket>
#include <QThread>
#include <cstdio>

#include "app/core/local_server.h"
#include "app/core/shell/shell_model.h"
#include "app/gui/desktop_app.h"
#include "app/gui/main_window.h"
#include "logstore/folder_info.h"
#include "platform/fs.h"
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

// The word "quit" from a second start, and each stop signal, close the
// instance as 終了 does: everything saved, the socket gone.
class InstanceCloses : public InstanceTest, public ::testing::WithParamInterface<int> {};

TEST_P(InstanceCloses, LikeExitWithEverythingSaved) {
  QProcess* first = StartInstance();
  EXPECT_FALSE(QFile::exists(Settings()));
  if (GetParam() == 0)
    EXPECT_EQ(SecondStart({QStringLiteral("Quit")}), 0);
  else
    ::kill(static_cast<pid_t>(first->processId()), GetParam());
  ASSERT_TRUE(Ends(first));
  EXPECT_EQ(first->exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(first->exitCode(), 0);
  QString ini = ReadText(Settings());
  EXPECT_TRUE(ini.contains(QStringLiteral("WINDOWINFO="))) << ini.toStdString();
  EXPECT_TRUE(ini.contains(QStringLiteral("LOGHIST="))) << ini.toStdString();
  EXPECT_TRUE(QFile::exists(LogRootQ() + QStringLiteral("weblog.def")));
  EXPECT_FALSE(QFile::exists(SocketPath()));
  // Nothing listens any more: the next start becomes the instance.
  QProcess* next = StartInstance();
  EXPECT_EQ(next->state(), QProcess::Running);
}

INSTANTIATE_TEST_SUITE_P(QuitWordAndSignals, InstanceCloses, ::testing::Values(0, SIGTERM, SIGHUP, SIGINT),
                         [](const auto& info) {
                           switch (info.param) {
                             case SIGTERM: return std::string("Sigterm");
                             case SIGHUP: return std::string("Sighup");
                             case SIGINT: return std::string("Sigint");
                             default: return std::string("QuitWord");
                           }
                         });

TEST_F(InstanceTest, SigtermDuringARoundStopsItSavesWhatItStoredAndCloses) {
  app::TLocalServer server([](const app::LocalRequest&) { return app::LocalResponse{200, "text/html", "ready"}; });
  WriteFile(QStringLiteral("libs/store.pss"),
            "SCRIPT store;\r\nBEGIN\r\n"
            "  FOR i := 1 TO 100 DO BEGIN PACK(0: i, 2: 1000 + i, 3: 'a'); PUTLOG(0) END;\r\n"
            "  GET(%URL%);\r\n  WHILE TRUE DO SLEEP(20)\r\nEND.\r\n");
  std::string folder = LogRoot() + "store/";
  fs::ForceDirectories(folder);
  TFolderInfo info;
  info.SiteUrl = server.Url("/ready");
  info.ScriptName = "store.pss";
  info.RoundTarget = true;
  fs::WriteFileAtomic(folder + "kvlnode.web", FormatNodeFile(info));
  QProcess* first = StartInstance({QStringLiteral("all")});
  ASSERT_TRUE(WaitUntil([&] { return server.Requests() > 0; }, 30000)) << "the round never reached its page";
  ::kill(static_cast<pid_t>(first->processId()), SIGTERM);
  ASSERT_TRUE(Ends(first));
  EXPECT_EQ(first->exitCode(), 0);
  EXPECT_EQ(ReadText(QString::fromStdString(folder) + QStringLiteral("kvllog.dat")).count(QStringLiteral("\r\n")), 100);
  EXPECT_TRUE(ReadText(LogRootQ() + QStringLiteral("RoundLog.txt")).contains(QStringLiteral("Folder Round: ")));
}

TEST_F(InstanceTest, ASecondStartToAStoppedInstanceSaysSoAndLeavesItsSocket) {
  // What a start costs here that ends at once ("quit" with none running):
  // loading the program under a busy machine or a sanitizer takes seconds
  // of its own, which the 6 s below are not about.
  QElapsedTimer t;
  t.start();
  ASSERT_EQ(SecondStart({QStringLiteral("quit")}), 0);
  const qint64 startUp = t.elapsed();
  QProcess* first = StartInstance();
  const pid_t pid = static_cast<pid_t>(first->processId());
  struct stat before {};
  ASSERT_EQ(::stat(SocketPath().toLocal8Bit().constData(), &before), 0);
  ::kill(pid, SIGSTOP);
  t.start();
  EXPECT_EQ(SecondStart({QStringLiteral("show")}), 2);
  const qint64 waited = t.elapsed();
  std::printf("a start to the stopped instance ended after %lld ms (one that ends at once: %lld ms)\n",
              static_cast<long long>(waited), static_cast<long long>(startUp));
  EXPECT_LT(waited - startUp, 6000);
  // More starts at once, with words that would show: none of them becomes
  // an instance beside the stopped one, and none of their words is carried
  // out once it runs again, since their starts gave up.
  std::vector<QProcess*> more{Start({QStringLiteral("all")}), Start({}), Start({QStringLiteral("all")})};
  ASSERT_TRUE(WaitUntil([&] {
    for (QProcess* p : more)
      if (p->state() != QProcess::NotRunning) return false;
    return true;
  }, 20000));
  for (QProcess* p : more) EXPECT_EQ(p->exitCode(), 2);
  struct stat after {};
  ASSERT_EQ(::stat(SocketPath().toLocal8Bit().constData(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);  // the same socket, not a new one
  ::kill(pid, SIGCONT);
  EXPECT_EQ(SecondStart({QStringLiteral("quit")}), 0);
  ASSERT_TRUE(Ends(first));
  EXPECT_FALSE(QFile::exists(LogRootQ() + QStringLiteral("RoundLog.txt")));
}

TEST_F(InstanceTest, QuitWithNoInstanceRunningEndsAtOnceAndLeavesNothing) {
  EXPECT_EQ(SecondStart({QStringLiteral("quit")}), 0);
  EXPECT_FALSE(QFile::exists(SocketPath()));
  EXPECT_FALSE(Listening());
  EXPECT_FALSE(QFile::exists(Settings()));
  EXPECT_FALSE(QFile::exists(DataQ()));
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
