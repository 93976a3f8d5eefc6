// The main window's feed commands: a feed folder from the new-folder
// dialog, the subscription list out and in as OPML, and the help pages.
#include <QFileInfo>
#include <QUrl>

#include "app/controls/folder_tree.h"
#include "app/core/feeds/opml_tree.h"
#include "app/core/shell/edge_text.h"
#include "app/gui/article_list_page.h"
#include "app/gui/command_actions.h"
#include "app/gui/dialog_pickers.h"
#include "app/gui/help_viewer.h"
#include "app/gui/main_window.h"
#include "platform/fs.h"

namespace bq::gui {

// The first fetch decides whether there is a feed; the folder it made opens
// as a click in the tree opens a folder, or the open one comes back.
void MainWindow::NewFeedFolder(QTreeWidgetItem* parent, const app::NewFolderChoice& choice) {
  const std::string parentPath = tree_->PathOf(parent);
  if (!LeaveFolder()) return;
  app_.ResetCompiler();
  SetStatusText(0, QStringLiteral("フィードを読んでいます..."));
  const app::NewFolderOutcome made = app::CreateFolder(app_, parentPath, choice);
  tree_->Reload(parent);
  parent->setExpanded(true);
  listPage_->OpenFolder(app_.FolderPath());
  CompileOpenFolder();
  if (QTreeWidgetItem* item = tree_->FindPath(app_.FolderPath())) tree_->setCurrentItem(item);
  RefreshStatusTexts();
  RefreshTreeFacts();
  if (made.path.empty()) {
    SetStatusText(0, QString());
    ui_.MessageBox(made.error, app_.Caption, kMbOk);
  }
}

void MainWindow::ExportOpml() {
  QString file;
  {
    app::TBusyState::Scope open = app_.Busy().OpenDialog();
    if (!pickers_->PickOpmlFile(this, true, file)) return;
  }
  try {
    app::ExportOpmlFile(app_, app_.LogRoot(), fs::FromOsPath(file.toStdString()));
  } catch (const std::exception& e) {
    ui_.MessageBox(e.what(), app_.Caption, kMbOk);
    return;
  }
  SetStatusText(0, QStringLiteral("OPMLを書き出しました: %1").arg(QFileInfo(file).fileName()));
}

void MainWindow::ImportOpml() {
  QString file;
  {
    app::TBusyState::Scope open = app_.Busy().OpenDialog();
    if (!pickers_->PickOpmlFile(this, false, file)) return;
  }
  QTreeWidgetItem* below = tree_->currentItem() ? tree_->currentItem() : tree_->TopItem();
  const std::string folder = below ? tree_->PathOf(below) : app_.LogRoot();
  // The import passes through other folders and opens this one again.
  listPage_->LeaveFolder();
  const app::OpmlImportResult r = app::ImportOpmlFile(app_, fs::FromOsPath(file.toStdString()), folder);
  listPage_->OpenFolder(app_.FolderPath());
  if (below) {
    tree_->Reload(below);
    below->setExpanded(true);
  }
  tree_->RefreshAllNodes();
  RefreshStatusTexts();
  const std::string summary = app::ImportSummary(r);
  SetStatusText(0, FromSjis(summary));
  if (!r.error.empty()) ui_.MessageBox(r.error + "\r\n" + summary, app_.Caption, kMbOk);
}

void MainWindow::OpenHelpPage(const std::string& page, const QString& anchor) {
  const QFileInfo info(QString::fromStdString(page));
  if (info.exists()) {
    QUrl url = QUrl::fromLocalFile(info.absoluteFilePath());
    if (!anchor.isEmpty()) url.setFragment(anchor);
    // Percent-encoded, the address passes the system's text unchanged.
    if (ui_.ShellOpen(url.toString(QUrl::FullyEncoded).toStdString())) return;
  }
  OpenInViewer(info.absoluteFilePath(), anchor);
}

// No outside program took the page: the program's own viewer shows it; only
// a file that cannot be read is named in a message box.
void MainWindow::OpenInViewer(const QString& file, const QString& anchor) {
  if (!viewer_) viewer_ = new HelpViewer(this);
  if (!viewer_->ShowFile(file, anchor)) {
    ui_.MessageBox(ToSjis(file) + app::Utf8ToSjis(" を開けません"), app_.Caption, kMbOk);
    return;
  }
  viewer_->show();
  viewer_->raise();
  viewer_->activateWindow();
}

}  // namespace bq::gui
