#pragma once
// The site folders' directories watched for another program's saves (a
// log or node file renamed into place, a temporary file beside it): the
// changes of a short while are gathered, and `changed` names each folder
// once. What follows from a change (reload the open folder or not, what it
// keeps) is the core's answer; this only tells when to ask.
#include <QByteArray>
#include <QFileSystemWatcher>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <string>
#include <vector>

namespace bq::gui {

class FolderWatch : public QObject {
  Q_OBJECT
 public:
  explicit FolderWatch(QObject* parent = nullptr);
  // Watches exactly these folders (system paths, Shift_JIS with '/').
  void Watch(const std::vector<std::string>& folders);

 signals:
  void changed(const QList<QByteArray>& folders);

 private:
  QFileSystemWatcher watcher_;
  QTimer settle_;
  QHash<QString, QByteArray> folders_;  // OS path -> system path
  QSet<QByteArray> pending_;
};

}  // namespace bq::gui
