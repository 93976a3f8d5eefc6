// The single-instance handshake over a local socket.
#include "app/gui/single_instance.h"

#include <QDir>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>

namespace bq::gui {

namespace {
// A command word is short; anything longer is cut here.
constexpr qint64 kMaxCommandBytes = 4096;
}  // namespace

SingleInstance::SingleInstance(QString key, QObject* parent) : QObject(parent), key_(std::move(key)) {
  connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::OnConnection);
}

SingleInstance::Result SingleInstance::Claim(const QByteArray& word) {
  QLockFile lock(QDir::temp().filePath(key_ + QStringLiteral(".lock")));
  // A lock left by a killed start is stale: QLockFile sees its process gone.
  if (!lock.tryLock(10000)) return Result::Failed;
  QLocalSocket socket;
  socket.connectToServer(key_);
  if (socket.waitForConnected(2000)) {
    socket.write(word.isEmpty() ? QByteArray("show") : word.left(kMaxCommandBytes));
    socket.flush();
    socket.waitForBytesWritten(2000);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(2000);
    return Result::PassedOn;
  }
  // Nobody answered: a socket file still there belongs to a dead instance.
  QLocalServer::removeServer(key_);
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  return server_.listen(key_) ? Result::Listening : Result::Failed;
}

void SingleInstance::OnConnection() {
  while (QLocalSocket* s = server_.nextPendingConnection()) {
    QPointer<QLocalSocket> socket(s);
    auto buffer = std::make_shared<QByteArray>();
    connect(s, &QLocalSocket::readyRead, this, [socket, buffer] {
      if (!socket) return;
      buffer->append(socket->readAll());
      if (buffer->size() > kMaxCommandBytes) buffer->truncate(kMaxCommandBytes);
    });
    auto finish = [this, socket, buffer] {
      if (!socket || socket->property("done").toBool()) return;
      socket->setProperty("done", true);
      buffer->append(socket->readAll());
      socket->deleteLater();
      emit commandReceived(QString::fromUtf8(buffer->left(kMaxCommandBytes)));
    };
    connect(s, &QLocalSocket::disconnected, this, finish);
    if (s->state() == QLocalSocket::UnconnectedState) finish();
  }
}

}  // namespace bq::gui
