// The pages and the round machinery in the main window: the article list on
// "データログ", the script workbench on "スクリプト", the round controller
// with its report window and tray messages, and the dialogs they open. Each
// gets the window's commands and connects those it owns; they tell the
// window what it shows through their signals.
#include <QDesktopServices>
#include <QFileInfo>
#include <QListView>
#include <QTabWidget>
#include <QTableView>
#include <QUrl>

#include "app/controls/folder_tree.h"
#include "app/gui/article_list_page.h"
#include "app/gui/command_actions.h"
#include "app/gui/icons.h"
#include "app/gui/main_window.h"
#include "app/gui/round_controller.h"
#include "app/gui/round_report_view.h"
#include "app/gui/shell_dialogs.h"
#include "app/gui/workbench_page.h"
#include "platform/fs.h"

namespace bq::gui {

void MainWindow::BuildPages() {
  listPage_ = new ArticleListPage(app_, *commands_);
  messagePanel_->addTab(listPage_, QStringLiteral("データログ"));
  workbench_ = new WorkbenchPage(app_, *commands_);
  messagePanel_->addTab(workbench_, QStringLiteral("スクリプト"));
  // The code page shows the workbench's listing, its current row with it.
  codeView_->setModel(workbench_->Output->model());
  codeView_->setSelectionModel(workbench_->Output->selectionModel());
  codeView_->setFont(workbench_->Output->font());

  // The next unread article lies in another folder: the tree selects it,
  // which opens it as a click would.
  connect(listPage_, &ArticleListPage::folderRequested, this, [this](const QByteArray& folder) {
    if (QTreeWidgetItem* item = tree_->FindPath(folder.toStdString())) tree_->setCurrentItem(item);
  });
  connect(workbench_, &WorkbenchPage::captionChanged, this, &QWidget::setWindowTitle);
  // F1 in the editor: the reference beside the help page, at the word's entry.
  connect(workbench_, &WorkbenchPage::referenceRequested, this,
          [this](const QString& anchor) { OpenHelpPage(layout_.referencePage, anchor); });

  rounds_ = new RoundController(app_, *commands_, this);
  reportView_ = new RoundReportView(this);
  reportView_->setWindowFlag(Qt::Window);
  reportView_->Attach(*rounds_, app_);
}

void MainWindow::ConnectRounds() {
  connect(rounds_, &RoundController::trayChanged, this, [this] {
    if (!tray_) return;
    tray_->setIcon(TrayIcon(rounds_->Runner().Tray().Image()));
    tray_->setToolTip(FromSjis(rounds_->Runner().Tray().Tip()));
  });
  connect(rounds_, &RoundController::notificationShown, this,
          [this](const QString& title, const QString& text, bool error) {
            if (tray_ && tray_->isVisible() && QSystemTrayIcon::supportsMessages())
              tray_->showMessage(title, text, error ? QSystemTrayIcon::Warning : QSystemTrayIcon::Information);
          });
  if (tray_) connect(tray_, &QSystemTrayIcon::messageClicked, rounds_, &RoundController::MessageClicked);
  connect(rounds_, &RoundController::reportRequested, this, &MainWindow::ShowRoundReport);
  connect(rounds_, &RoundController::reportChanged, this, &MainWindow::OnClockTick);
  connect(rounds_, &RoundController::openFolderRequested, this, [this](const QByteArray& folder) {
    ShowMainWindow();
    if (QTreeWidgetItem* item = tree_->FindPath(folder.toStdString())) tree_->setCurrentItem(item);
  });
  connect(rounds_, &RoundController::roundStarted, this, [this](RoundController::Kind kind) {
    if (kind == RoundController::Kind::Fetch) {
      messagePanel_->setCurrentWidget(listPage_);  // the articles come in there
      return;
    }
    // The log switches folders under the list while a round runs.
    listPage_->LeaveFolder();
    // A round over all folders starts from the top of the tree.
    if (kind == RoundController::Kind::Scheduled) tree_->setCurrentItem(tree_->TopItem());
  });
  connect(rounds_, &RoundController::roundFinished, this,
          [this](RoundController::Kind kind, const QString&, const QByteArray& reselect) { AfterRound(kind, reselect); });
}

namespace {

// A node and every node below it expanded (each level read as it opens).
void ExpandBelow(QTreeWidgetItem* item) {
  item->setExpanded(true);
  for (int i = 0; i < item->childCount(); ++i) ExpandBelow(item->child(i));
}

}  // namespace

// A round leaves the last folder's log open and a fetch sorts the open one:
// the list shows the selected folder again, the tree its new marks.
void MainWindow::AfterRound(RoundController::Kind kind, const QByteArray& reselect) {
  std::string folder = reselect.isEmpty() ? tree_->SelectedPath() : reselect.toStdString();
  if (folder.empty()) folder = app_.FolderPath();
  if (!reselect.isEmpty())
    if (QTreeWidgetItem* item = tree_->FindPath(folder)) tree_->setCurrentItem(item);
  const bool other = fs::IncludeTrailingSeparator(folder) != app_.FolderPath();
  listPage_->OpenFolder(folder);
  if (other) CompileOpenFolder();
  // A fetch and a round by hand end on the first article; a round shows
  // the folders it went through.
  if (kind == RoundController::Kind::Round)
    if (QTreeWidgetItem* item = tree_->currentItem()) ExpandBelow(item);
  if (kind != RoundController::Kind::Scheduled) listPage_->SelectFirstRow();
  tree_->RefreshAllIcons();
  RefreshStatusTexts();
  if (quitPending_) QTimer::singleShot(0, this, [this] { close(); });
}

void MainWindow::ShowRoundReport() {
  reportView_->show();
  reportView_->raise();
  reportView_->activateWindow();
}

void MainWindow::OpenExport() {
  if (Busy()) return;
  RunExportDialog(this, app_, workbench_);
  // "出力した記事は削除する" may have emptied part of the log.
  listPage_->OpenFolder(app_.FolderPath());
  commands_->Refresh();
}

void MainWindow::OpenOptions() {
  if (Busy()) return;
  app::OptionsOutcome outcome;
  if (!RunOptionsDialog(this, app_, &outcome)) return;
  if (outcome.folderSetUp) {
    listPage_->LeaveFolder();
    SetupFolders();
  }
  listPage_->ApplySettings();
  RefreshStatusTexts();
}

void MainWindow::OpenProperties() {
  if (Busy()) return;
  listPage_->LeaveFolder();  // the list's widths into the definition first
  app::PropertiesOutcome outcome;
  if (!RunPropertiesDialog(this, app_, addressHistory_, listPage_->ColumnWidthsText(), &outcome, listPage_->Table()))
    return;
  if (outcome.rethreaded) listPage_->OpenFolder(app_.FolderPath());
  if (outcome.scriptChanged) CompileOpenFolder();
  RefreshStatusTexts();
}

}  // namespace bq::gui
