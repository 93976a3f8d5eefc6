// The main window's behaviour: folder set-up and opening, the folder and
// application commands it owns, command words, show/hide and close.
#include <QApplication>
#include <QCloseEvent>
#include <QHideEvent>
#include <QShowEvent>
#include <QTabWidget>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

#include "app/controls/folder_tree.h"
#include "app/core/shell/edge_text.h"
#include "app/core/shell/shell_model.h"
#include "app/gui/about_box.h"
#include "app/gui/article_list_page.h"
#include "app/gui/command_actions.h"
#include "app/gui/main_window.h"
#include "app/gui/new_folder_dialog.h"
#include "app/gui/round_controller.h"
#include "app/gui/workbench_page.h"
#include "platform/fs.h"

namespace bq::gui {

void MainWindow::ConnectCommands() {
  using app::Command;
  auto on = [this](Command c, auto slot) { connect(commands_->Get(c), &QAction::triggered, this, slot); };
  on(Command::NewFolderAction, [this] { NewFolder(); });
  on(Command::RenameFolderAction, [this] {
    if (QTreeWidgetItem* item = tree_->currentItem()) tree_->editItem(item);
  });
  on(Command::DeleteFolderAction, [this] { DeleteFolder(); });
  on(Command::RoundTargetAction, [this] { ToggleRoundTarget(); });
  on(Command::NextLogDirAction, [this] {
    std::string next = app_.NextDataFolder();
    if (!next.empty()) SwitchDataFolder(next);
  });
  on(Command::CacheOldAction, [this] { CleanCache(false); });
  on(Command::CacheAllAction, [this] { CleanCache(true); });
  on(Command::RoundLogAction, [this] { OpenRoundLog(); });
  on(Command::AboutAction, [this] { ShowAbout(); });
  on(Command::HelpAction, [this] { OpenHelp(); });
  on(Command::HideAction, [this] { HideToTray(); });
  on(Command::ExitAction, [this] { close(); });
  on(Command::ExportAction, [this] { OpenExport(); });
  on(Command::OptionAction, [this] { OpenOptions(); });
  on(Command::PropertyAction, [this] { OpenProperties(); });
  on(Command::ChangeView, [this] { ToggleCodeView(); });
  on(Command::ExportOpmlAction, [this] { ExportOpml(); });
  on(Command::ImportOpmlAction, [this] { ImportOpml(); });
  on(Command::GuideAction, [this] { OpenHelpPage(layout_.guidePage); });
}

std::string MainWindow::DataFolder() const {
  return fs::FromOsPath(app::ChooseDataFolder(layout_, fs::ToOsPath(app_.Settings.logDir)));
}

void MainWindow::SetupFolders() {
  if (app_.Settings.logDir.empty()) app_.Settings.logDir = fs::FromOsPath(layout_.defaultDataFolder);
  app_.SetupFolders(DataFolder());
  app_.ResetCompiler();
  tree_->SetRoot(app_.LogRoot());
  QTreeWidgetItem* last = tree_->FindPath(app_.FolderPath());
  tree_->setCurrentItem(last ? last : tree_->TopItem());
  if (tree_->currentItem()) tree_->currentItem()->setExpanded(true);
  RefreshHistory();
  listPage_->OpenFolder(app_.FolderPath());
  CompileOpenFolder();
  RefreshStatusTexts();
  RefreshTreeFacts();
}

bool MainWindow::LeaveFolder() {
  listPage_->LeaveFolder();
  try {
    workbench_->Model().LeaveOpenFolder();
  } catch (const std::exception& e) {
    // The editor's text could not be saved: the folder stays open.
    ui_.MessageBox(e.what(), app_.Caption, kMbOk);
    return false;
  }
  return true;
}

void MainWindow::SwitchDataFolder(const std::string& folder) {
  if (Busy() || !LeaveFolder()) return;
  layout_.dataOption.clear();  // the user's choice wins over --data from now on
  app_.Settings.logDir = fs::IncludeTrailingSeparator(folder);
  app_.Settings.lastBbs.clear();
  SetupFolders();
}

void MainWindow::OpenFolder(const std::string& path) {
  if (path.empty() || Busy()) return;
  if (fs::IncludeTrailingSeparator(path) != app_.FolderPath()) {
    if (!LeaveFolder()) {
      if (QTreeWidgetItem* open = tree_->FindPath(app_.FolderPath())) tree_->setCurrentItem(open);
      return;
    }
    // The script compiled for the previous folder is not this folder's.
    app_.ResetCompiler();
    listPage_->OpenFolder(path);
    if (app_.FolderPath() != fs::IncludeTrailingSeparator(path)) return;  // the old log could not be saved
    CompileOpenFolder();
    messagePanel_->setCurrentWidget(listPage_);
  }
  RefreshStatusTexts();
}

// A compile error shows in the editor and the status bar, not in a box
// nobody asked for.
void MainWindow::CompileOpenFolder() {
  try {
    app_.LoadAndCompile();
  } catch (const std::exception& e) {
    SetStatusText(0, FromSjis(e.what()).section(QLatin1Char('\n'), -1).trimmed());
  }
  commands_->Refresh();
}

void MainWindow::RefreshStatusTexts() {
  listPage_->RefreshStatus();
  tree_->RefreshIcon(tree_->currentItem());
  commands_->Refresh();
}

// The tree's selection: the round commands start below it, and the folder
// commands follow it.
void MainWindow::RefreshTreeFacts() {
  rounds_->SetSelectedFolder(tree_->SelectedPath());
  commands_->SetTreeFacts({tree_->currentItem() != nullptr, tree_->Editing()});
}

// ---- Folder commands ----

void MainWindow::NewFolder() {
  QTreeWidgetItem* parent = tree_->currentItem();
  if (!parent) return;
  app::NewFolderChoice choice;
  {
    app::TBusyState::Scope open = app_.Busy().OpenDialog();
    NewFolderDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted) return;
    choice = dialog.Choice();
  }
  if (choice.feed) {
    NewFeedFolder(parent, choice);
    return;
  }
  app::NewFolderOutcome made = app::CreateFolder(app_, tree_->PathOf(parent), choice);
  if (made.path.empty()) {
    ui_.MessageBox(made.error, app_.Caption, kMbOk);
    return;
  }
  tree_->Reload(parent);
  parent->setExpanded(true);
  QTreeWidgetItem* item = tree_->FindPath(made.path);
  if (item && item != parent) {
    tree_->setCurrentItem(item);
    tree_->editItem(item);  // the user names it at once
  }
}

bool MainWindow::RenameFolder(QTreeWidgetItem* item, const QString& caption) {
  std::string newName = ToSjis(caption);
  std::string path = tree_->PathOf(item);
  if (!app_.RenameFolder(path, newName)) {
    tree_->RevertCaption(item);
    return false;
  }
  QTreeWidgetItem* parent = item->parent();
  std::string renamed = tree_->PathOf(parent) + newName + "/";
  tree_->Reload(parent);
  QTreeWidgetItem* again = tree_->FindPath(renamed);
  if (again) tree_->setCurrentItem(again);
  RefreshTreeFacts();
  return true;
}

void MainWindow::DeleteFolder() {
  QTreeWidgetItem* item = tree_->currentItem();
  if (!item || !item->parent()) return;
  std::string path = tree_->PathOf(item);
  if (!app_.DeleteFolder(path, FolderTree::NameOf(item))) {
    tree_->Reload(item->parent());
    return;
  }
  QTreeWidgetItem* parent = item->parent();
  tree_->Reload(parent);
  tree_->setCurrentItem(parent);
  OpenFolder(tree_->PathOf(parent));
}

void MainWindow::ToggleRoundTarget() {
  app_.ToggleRoundTarget();
  RefreshStatusTexts();
}

// ---- Command words ----

void MainWindow::ExecuteCommand(const QString& text) {
  switch (app::MatchCommandWord(text.toStdString())) {
    case app::CommandWord::Show: ShowMainWindow(); break;
    case app::CommandWord::Run: commands_->Get(app::Command::ExecAction)->trigger(); break;
    case app::CommandWord::Folder: commands_->Get(app::Command::RoundAction)->trigger(); break;
    case app::CommandWord::All: commands_->Get(app::Command::TimerAction)->trigger(); break;
    case app::CommandWord::Quit: close(); break;
    case app::CommandWord::None: break;
  }
}

// ---- Application commands ----

void MainWindow::CleanCache(bool all) {
  if (all && ui_.MessageBox(app::Utf8ToSjis("キャッシュファイルを全て削除します\r\nよろしいですか？"), app_.Caption,
                            kMbYesNo) != kIdYes)
    return;
  int removed = app_.CleanCache(all);
  SetStatusText(0, QStringLiteral("キャッシュ削除: %1 件").arg(removed));
}

void MainWindow::OpenRoundLog() {
  std::string path = app_.RoundLogPath();
  if (!fs::FileExists(path) || !ui_.ShellOpen(path))
    ui_.MessageBox(path + app::Utf8ToSjis(" を開けません"), app_.Caption, kMbOk);
}

void MainWindow::ShowAbout() {
  AboutBox box(QString::fromStdString(layout_.settingsFile), OsPath(app_.DataFolder()), this);
  box.exec();
}

void MainWindow::OpenHelp() { OpenHelpPage(layout_.helpPage); }

// ---- Show, hide, close ----

void MainWindow::ShowMainWindow() {
  if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  raise();
  activateWindow();
  rounds_->Runner().WindowShown();
}

void MainWindow::HideToTray() {
  if (tray_) hide();
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!event->spontaneous()) rounds_->Runner().WindowShown();
}

void MainWindow::hideEvent(QHideEvent* event) {
  QMainWindow::hideEvent(event);
  if (!event->spontaneous()) rounds_->Runner().WindowHidden();
}

void MainWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && isMinimized() && tray_)
    QTimer::singleShot(0, this, [this] {
      if (isMinimized()) HideToTray();
    });
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (Busy()) {
    // The run ends first; the window closes when it has.
    app_.Stop();
    quitPending_ = true;
    event->ignore();
    return;
  }
  if (closedDone_) {
    event->accept();
    return;
  }
  if (!LeaveFolder()) {
    quitPending_ = false;
    event->ignore();
    return;
  }
  clock_.stop();
  StoreSettings();
  try {
    app_.Settings.Save();
  } catch (const std::exception& e) {
    ui_.MessageBox(e.what(), app_.Caption, kMbOk);
  }
  app_.SaveAtClose();
  if (tray_) tray_->hide();
  closedDone_ = true;
  event->accept();
  emit closed();
}

}  // namespace bq::gui
