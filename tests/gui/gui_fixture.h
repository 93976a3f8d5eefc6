#pragma once
// What the GUI tests share: a fresh folder per test with its own settings
// file, data folder, script folder and temp folder (so the single-instance
// sockets of two tests never meet), waiting with the event loop running,
// starting the real program as a child, and where screenshots go.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QThread>
#include <functional>
#include <string>

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

inline QString ReadText(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
}

// Where the tests leave their PNGs: the build folder's screenshots/.
inline QString ShotPath(const QString& name) {
  QDir().mkpath(QStringLiteral(BQ_SHOT_DIR));
  return QStringLiteral(BQ_SHOT_DIR "/") + name;
}

class GuiFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/bqgui.XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = QString::fromUtf8(tmpl) + QLatin1Char('/');
    QDir().mkpath(dir + QStringLiteral("tmp"));
    QDir().mkpath(dir + QStringLiteral("home"));
    QDir().mkpath(dir + QStringLiteral("libs"));
    QFile::setPermissions(dir + QStringLiteral("tmp"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", (dir + QStringLiteral("tmp")).toUtf8());
    // A script that does nothing: rounds in these tests must not wait on
    // the network or put up a message box.
    WriteFile(QStringLiteral("libs/template.pss"), "SCRIPT t;\r\nBEGIN\r\nEND.\r\n");
  }
  void TearDown() override {
    // A test skipped before SetUp has no folder; QDir("") would be the
    // current directory.
    if (dir.isEmpty()) return;
    for (QProcess* p : children) {
      if (p->state() != QProcess::NotRunning) {
        p->kill();
        p->waitForFinished(5000);
      }
      delete p;
    }
    qputenv("TMPDIR", oldTmp);
    if (dir.startsWith(QStringLiteral("/tmp/bqgui."))) QDir(dir).removeRecursively();
  }
  void WriteFile(const QString& rel, const QByteArray& data) {
    QFile f(dir + rel);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
  }
  QString Settings() const { return dir + QStringLiteral("brindlequay.ini"); }
  QString Data() const { return dir + QStringLiteral("data/"); }
  QString LogRoot() const { return Data() + QStringLiteral("Log/"); }
  // The program's arguments for this test's files, then extra ones.
  QStringList Args(const QStringList& extra = {}) const {
    return QStringList{QStringLiteral("--settings"), Settings(), QStringLiteral("--data"), Data(),
                       QStringLiteral("--libs"), dir + QStringLiteral("libs")} +
           extra;
  }
  // The real program as a child, in this test's folders.
  QProcess* Start(const QStringList& extra) {
    auto* p = new QProcess;
    children.push_back(p);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TMPDIR"), dir + QStringLiteral("tmp"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir + QStringLiteral("tmp"));
    env.insert(QStringLiteral("HOME"), dir + QStringLiteral("home"));
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

  QString dir;
  QByteArray oldTmp;
  std::vector<QProcess*> children;
};

}  // namespace bq::test
