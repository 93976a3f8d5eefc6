// The pages and the round machinery in the main window: the article list on
// "データログ", the script workbench on "スクリプト", the round controller
// with its report window, and the dialogs they open. Their actions take the
// place of the window's actions of the same names, so menus, tool bars and
// the tray menu show one action each, with the page's enabling rules.
#include <QDesktopServices>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTableView>
#include <QToolButton>
#include <QUrl>

#include "app/controls/folder_tree.h"
#include "app/gui/article_list_page.h"
#include "app/gui/icons.h"
#include "app/gui/main_window.h"
#include "app/gui/qt_platform.h"
#include "app/gui/round_controller.h"
#include "app/gui/round_report_view.h"
#include "app/gui/shell_dialogs.h"
#include "app/gui/workbench_page.h"
#include "platform/fs.h"

namespace bq::gui {

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

QMenu* MenuTitled(QMenuBar* bar, const QString& title) {
  for (QAction* a : bar->actions())
    if (a->menu() && a->text() == title) return a->menu();
  return nullptr;
}

}  // namespace

void MainWindow::AdoptActions(const QList<QAction*>& adopted) {
  for (QAction* page : adopted) {
    const QString name = page->objectName();
    QAction* old = actions_.value(name);
    if (!old || old == page) continue;
    // The window's table has the images and hints; a page's action keeps
    // its own where it has them.
    if (page->icon().isNull()) page->setIcon(old->icon());
    if (page->toolTip() == page->text().remove(QLatin1Char('&'))) page->setToolTip(old->toolTip());
    if (page->statusTip().isEmpty()) page->setStatusTip(old->statusTip());
    page->setCheckable(page->isCheckable() || old->isCheckable());
    for (QObject* owner : old->associatedObjects()) {
      if (auto* widget = qobject_cast<QWidget*>(owner)) {
        widget->insertAction(old, page);
        widget->removeAction(old);
      }
    }
    actions_.insert(name, page);
    old->deleteLater();
  }
}

void MainWindow::PlugInPages() {
  rounds_ = new RoundController(app_, this);
  rounds_->windowHidden = [this] { return isHidden(); };
  rounds_->selectedFolder = [this] { return tree_->SelectedPath(); };
  if (tray_) rounds_->SetTrayIcon(tray_);

  ArticleListPage::Hooks listHooks;
  // The next unread article lies in another folder: the tree selects it,
  // which opens it as a click would.
  listHooks.selectFolder = [this](const std::string& folder) {
    if (QTreeWidgetItem* item = tree_->FindPath(folder)) tree_->setCurrentItem(item);
  };
  listPage_ = new ArticleListPage(app_, listHooks);
  rounds_->listRows = [this] { return listPage_->Table()->model()->rowCount(); };
  SetDataLogPage(listPage_);
  AdoptActions(listPage_->Actions());

  WorkbenchPage::Hooks benchHooks;
  benchHooks.setCaption = [this](const QString& caption) { setWindowTitle(caption); };
  benchHooks.setBusy = [this](bool busy, bool stoppable) { SetBusy(busy, stoppable); };
  benchHooks.changeView = [this] { ShowScriptPage(); };
  // F1 in the editor: the reference beside the help page, at the word's entry.
  benchHooks.openReference = [this](const QString& anchor) {
    QFileInfo help(QString::fromStdString(layout_.helpPage));
    QUrl url = QUrl::fromLocalFile(help.absolutePath() + QStringLiteral("/script-reference.html"));
    url.setFragment(anchor);
    QDesktopServices::openUrl(url);
  };
  workbench_ = new WorkbenchPage(app_, benchHooks);
  SetScriptPage(workbench_);
  AdoptActions(workbench_->Actions());
  // The schedule reads the editor's modified flag through the workbench.
  rounds_->editorDirty = [this] { return app_.EditorModified && app_.EditorModified(); };

  const std::pair<QAction*, const char*> roundActions[] = {
      {rounds_->execAction(), "ExecAction"}, {rounds_->roundAction(), "RoundAction"},
      {rounds_->timerAction(), "TimerAction"}, {rounds_->stopAction(), "StopAction"},
      {rounds_->skipAction(), "SkipAction"},   {rounds_->switchAction(), "TimerSwitch"}};
  for (const auto& [action, name] : roundActions) {
    action->setObjectName(QString::fromLatin1(name));
    AdoptActions({action});
  }
  QAction* report = rounds_->reportAction();
  report->setObjectName(QStringLiteral("RoundReportAction"));
  report->setIcon(GlyphIcon(Glyph::RoundLog));
  actions_.insert(report->objectName(), report);
  if (QMenu* roundMenu = MenuTitled(menuBar(), U("巡回(&R)"))) {
    roundMenu->addSeparator();
    roundMenu->addAction(report);
  }
  // In the tray menu after the round commands and the schedule switch.
  if (trayMenu_) trayMenu_->insertAction(Action(QStringLiteral("OptionAction")), report);
  auto* reportButton = new QToolButton;
  reportButton->setDefaultAction(report);
  reportButton->setToolButtonStyle(Qt::ToolButtonIconOnly);
  reportButton->setAutoRaise(true);
  statusBar()->addPermanentWidget(reportButton);
  reportView_ = new RoundReportView(this);
  reportView_->setWindowFlag(Qt::Window);
  reportView_->setWindowTitle(U("巡回レポート"));
  reportView_->Attach(*rounds_, app_);
  ConnectRounds();

  // Leaving a folder: the list writes its widths and the log, the editor its
  // unsaved script (which may refuse: then the folder stays open).
  connect(this, &MainWindow::aboutToLeaveFolder, this, [this] {
    listPage_->LeaveFolder();
    if (!app_.BeforeFolderChange) return;
    try {
      app_.BeforeFolderChange();
    } catch (const std::exception& e) {
      leaveRefusal_ = e.what();
    }
  });
  // The opened folder's script goes into the editor and is compiled; an
  // error shows in the editor and the status bar, not in a box nobody asked for.
  connect(this, &MainWindow::folderOpened, this, [this] {
    try {
      app_.LoadAndCompile();
    } catch (const std::exception& e) {
      SetStatusText(0, FromSjis(e.what()).section(QLatin1Char('\n'), -1).trimmed());
    }
    rounds_->ReevaluateActions();
  });
  connect(listPage_, &ArticleListPage::StateChanged, rounds_, &RoundController::ReevaluateActions);
}

void MainWindow::ConnectRounds() {
  connect(rounds_, &RoundController::busyChanged, this, &MainWindow::ApplyBusy);
  connect(rounds_, &RoundController::trayChanged, this, &MainWindow::SetTrayImage);
  connect(rounds_, &RoundController::reportRequested, this, &MainWindow::ShowRoundReport);
  connect(rounds_, &RoundController::openFolderRequested, this, [this](const QByteArray& folder) {
    ShowMainWindow();
    if (QTreeWidgetItem* item = tree_->FindPath(folder.toStdString())) tree_->setCurrentItem(item);
  });
  connect(rounds_, &RoundController::roundStarted, this, [this](RoundController::Kind kind) {
    // The log switches folders under the list while a round runs.
    if (kind != RoundController::Kind::Fetch) listPage_->LeaveFolder();
  });
  connect(rounds_, &RoundController::roundFinished, this,
          [this](RoundController::Kind, const QString&, const QByteArray& reselect) { AfterRound(reselect); });
  rounds_->RefreshSchedule();
}

// A round leaves the last folder's log open and a fetch sorts the open one:
// the list shows the selected folder again, the tree its new marks.
void MainWindow::AfterRound(const QByteArray& reselect) {
  std::string folder = reselect.isEmpty() ? tree_->SelectedPath() : reselect.toStdString();
  if (folder.empty()) folder = app_.Log.FolderPath();
  if (!reselect.isEmpty())
    if (QTreeWidgetItem* item = tree_->FindPath(folder)) tree_->setCurrentItem(item);
  if (fs::IncludeTrailingSeparator(folder) != app_.Log.FolderPath()) {
    listPage_->OpenFolder(folder);
    emit folderOpened();
  } else {
    listPage_->OpenFolder(folder);
  }
  tree_->RefreshAllIcons();
  RefreshStatusTexts();
  emit roundFinished();
  if (quitPending_) QTimer::singleShot(0, this, [this] { close(); });
}

void MainWindow::ShowRoundReport() {
  reportView_->show();
  reportView_->raise();
  reportView_->activateWindow();
}

void MainWindow::OpenExport() {
  if (busy_) return;
  RunExportDialog(this, app_, *rounds_);
  // "出力した記事は削除する" may have emptied part of the log.
  listPage_->OpenFolder(app_.Log.FolderPath());
}

void MainWindow::OpenOptions() {
  if (busy_) return;
  app::OptionsOutcome outcome;
  if (!RunOptionsDialog(this, app_, *rounds_, &outcome)) return;
  if (outcome.folderSetUp) {
    listPage_->LeaveFolder();
    SetupFolders();
  }
  listPage_->ApplySettings();
  RefreshStatusTexts();
}

void MainWindow::OpenProperties() {
  if (busy_) return;
  listPage_->LeaveFolder();  // the list's widths into the definition first
  app::PropertiesOutcome outcome;
  if (!RunPropertiesDialog(this, app_, *rounds_, addressHistory_, app_.Log.Folder.ColumnWidths, &outcome)) return;
  if (outcome.rethreaded) listPage_->OpenFolder(app_.Log.FolderPath());
  if (outcome.scriptChanged) emit folderOpened();
  RefreshStatusTexts();
  tree_->RefreshIcon(tree_->currentItem());
  rounds_->ReevaluateActions();
}

}  // namespace bq::gui
