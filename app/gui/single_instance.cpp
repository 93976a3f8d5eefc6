// The single-instance handshake over a local socket.
#include "app/gui/single_instance.h"

#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QVariant>
#include <memory>

#include "app/core/local_server.h"

namespace bq::gui {

SingleInstance::SingleInstance(QString socketPath, QObject* parent) : QObject(parent), path_(std::move(socketPath)) {
  connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::OnConnection);
}

SingleInstance::Result SingleInstance::Claim(const QByteArray& word) {
  const std::string sent = word.isEmpty() ? std::string("show") : word.toStdString();
  const std::string path = path_.toStdString();
  auto plan = [&] { return app::PlanStart(sent, app::ContactInstance(path, sent, app::kInstanceAnswerMs), path); };
  plan_ = plan();
  if (!plan_.becomeInstance) return Result::Ended;
  QLockFile lock(path_ + QStringLiteral(".lock"));
  // A lock left by a killed start is stale: QLockFile sees its process gone.
  if (!lock.tryLock(10000)) return Result::Failed;
  // Another start may have become the instance since.
  plan_ = plan();
  if (!plan_.becomeInstance) return Result::Ended;
  // Nobody listens on the file: a killed instance left it.
  QLocalServer::removeServer(path_);
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  return server_.listen(path_) ? Result::Listening : Result::Failed;
}

void SingleInstance::OnConnection() {
  while (QLocalSocket* s = server_.nextPendingConnection()) {
    QPointer<QLocalSocket> socket(s);
    auto buffer = std::make_shared<std::string>();
    auto take = [this, socket, buffer] {
      if (!socket || socket->property("done").toBool()) return;
      QByteArray bytes = socket->readAll();
      buffer->append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
      std::optional<std::string> word = app::InstanceWord(*buffer);
      if (!word) return;
      socket->setProperty("done", true);
      // A start that gave up waiting has closed its end: its word is stale.
      bool stale = app::PeerClosed(static_cast<int>(socket->socketDescriptor()));
      if (!stale) {
        socket->write(app::kInstanceAnswer);
        socket->flush();
      }
      socket->disconnectFromServer();
      socket->deleteLater();
      if (!stale) emit commandReceived(QString::fromStdString(*word));
    };
    connect(s, &QLocalSocket::readyRead, this, take);
    connect(s, &QLocalSocket::disconnected, this, [socket] {
      if (socket && !socket->property("done").toBool()) socket->deleteLater();
    });
    take();
  }
}

}  // namespace bq::gui
