#include "app/gui/folder_watch.h"

#include "app/controls/qt_text.h"

namespace bq::gui {

namespace {

// A save writes a temporary file, then renames it: one pause gathers both.
constexpr int kSettleMs = 150;

}  // namespace

FolderWatch::FolderWatch(QObject* parent) : QObject(parent) {
  settle_.setSingleShot(true);
  settle_.setInterval(kSettleMs);
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this](const QString& path) {
    auto found = folders_.constFind(path);
    if (found == folders_.constEnd()) return;
    pending_.insert(found.value());
    settle_.start();
  });
  connect(&settle_, &QTimer::timeout, this, [this] {
    const QList<QByteArray> folders(pending_.begin(), pending_.end());
    pending_.clear();
    emit changed(folders);
  });
}

void FolderWatch::Watch(const std::vector<std::string>& folders) {
  QHash<QString, QByteArray> wanted;
  for (const std::string& f : folders) {
    QString os = OsPath(f);
    while (os.size() > 1 && os.endsWith(QLatin1Char('/'))) os.chop(1);
    wanted.insert(os, QByteArray::fromStdString(f));
  }
  QStringList gone, added;
  for (auto it = folders_.constBegin(); it != folders_.constEnd(); ++it)
    if (!wanted.contains(it.key())) gone << it.key();
  for (auto it = wanted.constBegin(); it != wanted.constEnd(); ++it)
    if (!folders_.contains(it.key())) added << it.key();
  if (!gone.isEmpty()) watcher_.removePaths(gone);
  if (!added.isEmpty()) watcher_.addPaths(added);
  folders_ = std::move(wanted);
}

}  // namespace bq::gui
