#pragma once
// One running instance per user and settings file, on a Unix socket. The
// rules (what a start does when the instance answers, when none runs, when
// one does not answer; how a word is framed) are app/core's: a start asks
// app::ContactInstance and follows app::PlanStart; the instance reads words
// with app::InstanceWord and answers before it carries one out. A start that
// finds no instance takes a lock file and looks again before it listens, so
// two starts at the same moment never both become the instance.
#include <QByteArray>
#include <QLocalServer>
#include <QObject>
#include <QString>

#include "app/core/shell/command_line.h"

namespace bq::gui {

class SingleInstance : public QObject {
  Q_OBJECT
 public:
  // socketPath: the absolute path of the instance's socket file.
  explicit SingleInstance(QString socketPath, QObject* parent = nullptr);

  enum class Result { Ended, Listening, Failed };
  // Hands word ("show" when empty) to the running instance, or listens when
  // the plan says this start becomes the instance. Ended: see Plan() for the
  // exit status and the message.
  Result Claim(const QByteArray& word);
  const app::StartPlan& Plan() const { return plan_; }
  const QString& SocketPath() const { return path_; }

 signals:
  void commandReceived(const QString& word);

 private:
  void OnConnection();

  QString path_;
  app::StartPlan plan_;
  QLocalServer server_;
};

}  // namespace bq::gui
