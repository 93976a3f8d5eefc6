#pragma once
// One running instance per user and settings file. A start connects to the
// instance's local socket first; when one answers, it hands over its command
// word and ends. Only when none answers does it listen itself, after removing
// a socket file a killed instance may have left. A lock file around the two
// steps keeps two starts at the same moment from both becoming the instance.
#include <QByteArray>
#include <QLocalServer>
#include <QObject>
#include <QString>

namespace bq::gui {

class SingleInstance : public QObject {
  Q_OBJECT
 public:
  explicit SingleInstance(QString key, QObject* parent = nullptr);

  enum class Result { PassedOn, Listening, Failed };
  // word goes to the running instance ("show" when empty); otherwise this
  // process starts listening.
  Result Claim(const QByteArray& word);
  QString ServerPath() const { return server_.fullServerName(); }

 signals:
  void commandReceived(const QString& word);

 private:
  void OnConnection();

  QString key_;
  QLocalServer server_;
};

}  // namespace bq::gui
