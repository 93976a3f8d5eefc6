// The main window's behaviour: folder set-up and opening, folder actions,
// command words, rounds, cache maintenance, show/hide and close.
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileInfo>
#include <QTime>
#include <QUrl>

#include "app/controls/folder_tree.h"
#include "app/core/rounds/schedule_timer.h"
#include "app/core/shell/shell_model.h"
#include "app/gui/about_box.h"
#include "app/gui/article_list_page.h"
#include "app/gui/icons.h"
#include "app/gui/main_window.h"
#include "app/gui/qt_platform.h"
#include "app/gui/round_controller.h"
#include "logstore/folder_ops.h"
#include "platform/fs.h"
#include "textlib/cp932.h"
#include "web/webcache.h"

namespace bq::gui {

namespace {
QString U(const char* utf8) { return QString::fromUtf8(utf8); }
}  // namespace

void MainWindow::ConnectActions() {
  auto on = [this](const char* name, auto slot) {
    connect(Action(QString::fromLatin1(name)), &QAction::triggered, this, slot);
  };
  on("NewFolderAction", [this] { NewFolder(); });
  on("RenameFolderAction", [this] {
    if (QTreeWidgetItem* item = tree_->currentItem()) tree_->editItem(item);
  });
  on("DeleteFolderAction", [this] { DeleteFolder(); });
  on("RoundTargetAction", [this] { ToggleRoundTarget(); });
  on("NextLogDirAction", [this] {
    std::string next = NextHistoryEntry(HistoryMenuEntries(History()), app_.DataFolder());
    if (!next.empty()) SwitchDataFolder(next);
  });
  on("CacheOldAction", [this] { CleanCache(false); });
  on("CacheAllAction", [this] { CleanCache(true); });
  on("RoundLogAction", [this] { OpenRoundLog(); });
  on("AboutAction", [this] { ShowAbout(); });
  on("HelpAction", [this] { OpenHelp(); });
  on("HideAction", [this] { HideToTray(); });
  on("ExitAction", [this] { close(); });
  on("ExportAction", [this] { OpenExport(); });
  on("OptionAction", [this] { OpenOptions(); });
  on("PropertyAction", [this] { OpenProperties(); });
}

std::string MainWindow::DataFolder() const {
  if (!layout_.dataOption.empty()) return fs::FromOsPath(layout_.dataOption);
  return app_.Settings.logDir;
}

void MainWindow::SetupFolders() {
  if (app_.Settings.logDir.empty()) app_.Settings.logDir = fs::FromOsPath(layout_.defaultDataFolder);
  app_.SetupFolders(DataFolder());
  app_.Engine.ResetCompiler();
  tree_->SetRoot(app_.LogRoot());
  QTreeWidgetItem* last = tree_->FindPath(app_.Log.FolderPath());
  tree_->setCurrentItem(last ? last : tree_->TopItem());
  if (tree_->currentItem()) tree_->currentItem()->setExpanded(true);
  RefreshHistory();
  if (rounds_) rounds_->RefreshSchedule();
  RefreshStatusTexts();
  UpdateActions();
  if (listPage_) listPage_->OpenFolder(app_.Log.FolderPath());
  emit folderOpened();
}

bool MainWindow::LeaveFolder() {
  leaveRefusal_.clear();
  emit aboutToLeaveFolder();
  if (leaveRefusal_.empty()) return true;
  // The editor's text could not be saved: the folder stays open.
  ui_.MessageBox(leaveRefusal_, app_.Caption, kMbOk);
  return false;
}

void MainWindow::SwitchDataFolder(const std::string& folder) {
  if (busy_ || !LeaveFolder()) return;
  layout_.dataOption.clear();  // the user's choice wins over --data from now on
  app_.Settings.logDir = fs::IncludeTrailingSeparator(folder);
  app_.Settings.lastBbs.clear();
  SetupFolders();
}

void MainWindow::OpenFolder(const std::string& path) {
  if (path.empty() || busy_) return;
  if (fs::IncludeTrailingSeparator(path) != app_.Log.FolderPath()) {
    if (!LeaveFolder()) {
      if (QTreeWidgetItem* open = tree_->FindPath(app_.Log.FolderPath())) tree_->setCurrentItem(open);
      return;
    }
    // The script compiled for the previous folder is not this folder's.
    app_.Engine.ResetCompiler();
    if (listPage_) {
      listPage_->OpenFolder(path);
      if (app_.Log.FolderPath() != fs::IncludeTrailingSeparator(path)) return;  // the old log could not be saved
    } else if (!app_.Log.OpenFolder(path)) {
      return;  // the old log could not be saved; it stays open
    }
    emit folderOpened();
  }
  RefreshStatusTexts();
  UpdateActions();
}

void MainWindow::RefreshStatusTexts() {
  app::StatusTexts t = app::FolderStatusTexts(app_.Log, app_.Settings.statusDisp);
  SetStatusText(0, FromSjis(t.panel0));
  SetStatusText(1, FromSjis(t.panel1));
  Action(QStringLiteral("RoundTargetAction"))->setChecked(app_.Log.Folder.RoundTarget);
  tree_->RefreshIcon(tree_->currentItem());
}

void MainWindow::UpdateActions() {
  app::FolderActionState s;
  s.busy = busy_;
  s.nodeSelected = tree_->currentItem() != nullptr;
  s.openIsRoot = app_.Log.FolderPath() == app_.LogRoot();
  s.editingCaption = tree_->Editing();
  app::FolderActions a = app::EnabledFolderActions(s);
  Action(QStringLiteral("NewFolderAction"))->setEnabled(a.newFolder);
  Action(QStringLiteral("RenameFolderAction"))->setEnabled(a.rename);
  Action(QStringLiteral("DeleteFolderAction"))->setEnabled(a.deleteFolder);
  Action(QStringLiteral("RoundTargetAction"))->setEnabled(a.roundTarget);
  tree_->SetCaptionEditing(a.captionEditing);
  Action(QStringLiteral("NextLogDirAction"))
      ->setEnabled(app::HistoryActionsEnabled(HistoryMenuEntries(History()).size(), busy_));
  Action(QStringLiteral("HideAction"))->setEnabled(tray_ != nullptr && !busy_);
  Action(QStringLiteral("HelpAction"))->setEnabled(!busy_ && QFileInfo::exists(QString::fromStdString(layout_.helpPage)));
}

// ---- Folder actions ----

void MainWindow::NewFolder() {
  QTreeWidgetItem* parent = tree_->currentItem();
  if (!parent) return;
  std::string name;
  try {
    name = CreateNewFolder(tree_->PathOf(parent));
  } catch (const Exception& e) {
    ui_.MessageBox(e.what(), app_.Caption, kMbOk);
    return;
  }
  tree_->Reload(parent);
  parent->setExpanded(true);
  QTreeWidgetItem* made = tree_->FindPath(tree_->PathOf(parent) + name + "/");
  if (made && made != parent) {
    tree_->setCurrentItem(made);
    tree_->editItem(made);  // the user names it at once
  }
}

bool MainWindow::RenameFolder(QTreeWidgetItem* item, const QString& caption) {
  std::string newName = ToSjis(caption);
  std::string path = tree_->PathOf(item);
  if (!RenameSiteFolder(app_.Log, ui_, path, newName)) {
    tree_->RevertCaption(item);
    return false;
  }
  QTreeWidgetItem* parent = item->parent();
  std::string renamed = tree_->PathOf(parent) + newName + "/";
  tree_->Reload(parent);
  QTreeWidgetItem* again = tree_->FindPath(renamed);
  if (again) tree_->setCurrentItem(again);
  UpdateActions();
  return true;
}

void MainWindow::DeleteFolder() {
  QTreeWidgetItem* item = tree_->currentItem();
  if (!item || !item->parent()) return;
  std::string path = tree_->PathOf(item);
  bool openInside = app_.Log.FolderPath().rfind(path, 0) == 0;
  if (!DeleteSiteFolder(app_.Log, ui_, path, FolderTree::NameOf(item))) {
    tree_->Reload(item->parent());
    return;
  }
  if (openInside) emit folderDeleted();
  QTreeWidgetItem* parent = item->parent();
  tree_->Reload(parent);
  tree_->setCurrentItem(parent);
  OpenFolder(tree_->PathOf(parent));
}

void MainWindow::ToggleRoundTarget() {
  if (app_.Log.FolderPath() == app_.LogRoot() || app_.Log.FolderPath().empty()) return;
  app_.Log.Folder.RoundTarget = !app_.Log.Folder.RoundTarget;
  app_.Log.SaveNode();
  RefreshStatusTexts();
}

// ---- Commands and rounds ----

void MainWindow::ExecuteCommand(const QString& text) {
  switch (app::MatchCommandWord(text.toStdString())) {
    case app::CommandWord::Show: ShowMainWindow(); break;
    case app::CommandWord::Run: ExecFetch(); break;
    case app::CommandWord::Folder: RoundBelowSelection(); break;
    case app::CommandWord::All: RoundAll(); break;
    case app::CommandWord::Quit: close(); break;
    case app::CommandWord::None: break;
  }
}

void MainWindow::SetBusy(bool busy, bool stoppable) { rounds_->SetBusy(!busy, stoppable); }

void MainWindow::ApplyBusy(bool enabled, bool) {
  const bool busy = !enabled;
  if (busy && !busy_) {
    enabledBeforeBusy_.clear();
    for (QAction* a : std::as_const(actions_)) {
      enabledBeforeBusy_.emplace_back(a, a->isEnabled());
      a->setEnabled(false);
    }
    tree_->setEnabled(false);
    messagePanel_->setEnabled(false);
  } else if (!busy && busy_) {
    for (auto& [a, wasEnabled] : enabledBeforeBusy_)
      if (a) a->setEnabled(wasEnabled);
    enabledBeforeBusy_.clear();
    tree_->setEnabled(true);
    messagePanel_->setEnabled(true);
  }
  busy_ = busy;
  const app::ActionStates& rules = rounds_->Actions();
  Action(QStringLiteral("StopAction"))->setEnabled(rules.stop);
  Action(QStringLiteral("SkipAction"))->setEnabled(rules.skip);
  for (const char* name : {"ExecAction", "RoundAction", "TimerAction", "TimerSwitch"})
    Action(QString::fromLatin1(name))->setEnabled(rules.general);
  Action(QStringLiteral("ExportAction"))->setEnabled(rules.exportLog);
  Action(QStringLiteral("PropertyAction"))->setEnabled(rules.properties);
  Action(QStringLiteral("OptionAction"))->setEnabled(rules.general);
  Action(QStringLiteral("RoundReportAction"))->setEnabled(true);
  if (!busy) UpdateActions();
  if (!busy && quitPending_ && !rounds_->Running()) QTimer::singleShot(0, this, [this] { close(); });
}

void MainWindow::ExecFetch() { rounds_->Fetch(); }

void MainWindow::RoundBelowSelection() {
  std::string selected = tree_->SelectedPath();
  if (!selected.empty()) rounds_->RoundBelow(selected);
}

void MainWindow::RoundAll() { rounds_->ScheduledRound(); }

// ---- Application actions ----

void MainWindow::CleanCache(bool all) {
  if (all && ui_.MessageBox(Utf8ToSjis("キャッシュファイルを全て削除します\r\nよろしいですか？"), app_.Caption,
                            kMbYesNo) != kIdYes)
    return;
  QAction* old = Action(QStringLiteral("CacheOldAction"));
  QAction* every = Action(QStringLiteral("CacheAllAction"));
  old->setEnabled(false);
  every->setEnabled(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  int removed = bq::CleanCache(app_.CacheFolder(), all);
  QApplication::restoreOverrideCursor();
  old->setEnabled(true);
  every->setEnabled(true);
  SetStatusText(0, U("キャッシュ削除: %1 件").arg(removed));
}

void MainWindow::OpenRoundLog() {
  std::string path = app_.RoundLogPath();
  if (!fs::FileExists(path) || !ui_.ShellOpen(path))
    ui_.MessageBox(path + Utf8ToSjis(" を開けません"), app_.Caption, kMbOk);
}

void MainWindow::ShowAbout() {
  AboutBox box(QString::fromStdString(layout_.settingsFile), OsPath(app_.DataFolder()), this);
  box.exec();
}

void MainWindow::OpenHelp() {
  QString page = QString::fromStdString(layout_.helpPage);
  if (QFileInfo::exists(page)) QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(page).absoluteFilePath()));
}

// ---- Show, hide, close ----

void MainWindow::ShowMainWindow() {
  if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  raise();
  activateWindow();
  rounds_->WindowShown();
}

void MainWindow::HideToTray() {
  if (tray_) hide();
}

void MainWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && isMinimized() && tray_)
    QTimer::singleShot(0, this, [this] {
      if (isMinimized()) hide();
    });
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (busy_ || rounds_->Running()) {
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
  emit aboutToClose();
  clock_.stop();
  rounds_->HoldSchedule();
  StoreSettings();
  try {
    app_.Settings.Save();
  } catch (const std::exception& e) {
    ui_.MessageBox(e.what(), app_.Caption, kMbOk);
  }
  app_.Log.SaveLog();
  app_.Log.SaveRootDef();
  if (tray_) tray_->hide();
  closedDone_ = true;
  event->accept();
  emit closed();
}

}  // namespace bq::gui
