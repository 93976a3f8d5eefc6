#pragma once
// What the GUI tests share, over the one fixture of the application's tests:
// a fresh folder per test with its own settings file, data folder, script
// folder and temp folder (so the single-instance sockets of two tests never
// meet), waiting with the event loop running, starting the real program as
// a child, the application with the desktop's commands, and where
// screenshots go.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QThread>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/gui/command_actions.h"
#include "tests/support/app_fixture.h"

namespace bq::test {

// Runs the event loop until cond holds or ms have passed.
inline bool WaitUntil(const std::function<bool()>& cond, int ms = 10000) {
  QElapsedTimer t;
  t.start();
  while (!cond()) {
    if (t.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  return true;
}

// Acts on the modal dialog of type Dialog once it is open (at the next turn
// of its event loop).
template <class Dialog, class Act>
void WhenModal(Act act) {
  QTimer::singleShot(0, [act] {
    auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    act(*dialog);
  });
}

inline QString ReadText(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
}

// Where the tests leave their PNGs: the build folder's screenshots/.
inline QString ShotPath(const QString& name) {
  QDir().mkpath(QStringLiteral(BQ_SHOT_DIR));
  return QStringLiteral(BQ_SHOT_DIR "/") + name;
}

// The test's folder (see app_fixture.h) with a home and temporary folder
// of its own, for the real program started as a child.
class GuiFolder : public TestFolder {
 protected:
  void SetUp() override {
    TestFolder::SetUp();
    QDir().mkpath(Here() + QStringLiteral("tmp"));
    QDir().mkpath(Here() + QStringLiteral("home"));
    QFile::setPermissions(Here() + QStringLiteral("tmp"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", (Here() + QStringLiteral("tmp")).toUtf8());
    // A script that does nothing: rounds in these tests must not wait on
    // the network or put up a message box.
    Script("template.pss", "SCRIPT t;\r\nBEGIN\r\nEND.\r\n");
  }
  void TearDown() override {
    // A test skipped before SetUp has no folder.
    if (dir.empty()) return;
    for (QProcess* p : children) {
      if (p->state() != QProcess::NotRunning) {
        p->kill();
        p->waitForFinished(5000);
      }
      delete p;
    }
    qputenv("TMPDIR", oldTmp);
    TestFolder::TearDown();
  }
  void WriteFile(const QString& rel, const QByteArray& data) {
    QFile f(Here() + rel);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
  }
  QString Here() const { return QString::fromStdString(dir); }
  QString Settings() const { return Here() + QStringLiteral("brindlequay.ini"); }
  QString DataQ() const { return QString::fromStdString(Data()); }
  QString LogRootQ() const { return QString::fromStdString(LogRoot()); }
  // The program's arguments for this test's files, then extra ones.
  QStringList Args(const QStringList& extra = {}) const {
    return QStringList{QStringLiteral("--settings"), Settings(), QStringLiteral("--data"), DataQ(),
                       QStringLiteral("--libs"), Here() + QStringLiteral("libs")} +
           extra;
  }
  // The real program as a child, in this test's folders.
  QProcess* Start(const QStringList& extra) {
    auto* p = new QProcess;
    children.push_back(p);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TMPDIR"), Here() + QStringLiteral("tmp"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), Here() + QStringLiteral("tmp"));
    env.insert(QStringLiteral("HOME"), Here() + QStringLiteral("home"));
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")) || env.value(QStringLiteral("DISPLAY")).isEmpty())
      env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p->setProcessEnvironment(env);
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->start(QStringLiteral(BQ_GUI_PATH), Args(extra));
    return p;
  }
  // Runs a second start to its end; its exit code, or -1 when it hangs.
  int SecondStart(const QStringList& extra) {
    QProcess* p = Start(extra);
    if (!WaitUntil([p] { return p->state() == QProcess::NotRunning; }, 15000)) return -1;
    return p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -1;
  }

  QByteArray oldTmp;
  std::vector<QProcess*> children;
};

// The application over the test's folder with the desktop's event pump and
// the desktop's commands, for a page, a dialog or the round controller on
// its own.
class GuiApp : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    pump.Add([] { QCoreApplication::processEvents(); });
    commands = std::make_unique<gui::CommandActions>(app);
  }
  void TearDown() override {
    commands.reset();
    AppFixture::TearDown();
  }
  QAction* Command(app::Command c) const { return commands->Get(c); }

  std::unique_ptr<gui::CommandActions> commands;
};

}  // namespace bq::test
