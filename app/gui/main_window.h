#pragma once
// The main window: the tree panel (folder tree, and a slot for the code
// page), the message panel with the pages "データログ" and "スクリプト",
// menus, tool bars, the status bar's four panels, and the tray icon with
// its menu. It sets up the data folder, opens the folder selected in the
// tree, obeys command words, hides to the tray and closes with everything
// saved.
//
// Pages and dialogs built elsewhere plug in through the public API: they
// are put into the slots, find the window's actions by name and connect
// their handlers, and follow the signals below.
#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/core/application.h"
#include "app/core/shell/program_layout.h"
#include "app/core/dialogs/properties_model.h"

class QComboBox;
class QLabel;
class QMenu;
class QSplitter;
class QStackedWidget;
class QTabWidget;
class QToolBar;
class QTreeWidgetItem;

namespace bq::gui {

class ArticleListPage;
class FolderTree;
class RoundController;
class RoundReportView;
class WorkbenchPage;

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  MainWindow(app::TApplication& app, UserInterface& ui, app::ProgramLayout layout, QWidget* parent = nullptr);
  ~MainWindow() override;

  // ---- Plugging in ----
  // The page replaces the placeholder of its slot; the window owns it.
  void SetDataLogPage(QWidget* page);
  void SetScriptPage(QWidget* page);
  void SetCodePage(QWidget* page);
  void ShowDataLogPage();
  void ShowScriptPage();
  // Switches the tree panel between the folder tree and the code page.
  void ShowCodeView(bool code);
  // An action by its stable name ("NextAction", "ExecAction", ...); nullptr
  // for an unknown name.
  QAction* Action(const QString& name) const;
  QStringList ActionNames() const;
  // Status bar panels 0..3 (3 is the clock's).
  QString StatusText(int panel) const;
  void SetStatusText(int panel, const QString& text);
  // The tray image ("NORMAL", "ACTIVE", "ICON0".."ICON7") and tip; ignored
  // without a tray.
  void SetTrayImage(const QString& name, const QString& tip);
  // Busy: every action off but Stop and Skip (when stoppable), the tree
  // and the message panel too; leaving restores what was enabled before,
  // then the busy rules of the round controller decide the actions that
  // depend on the open folder (export, properties).
  void SetBusy(bool busy, bool stoppable);
  bool Busy() const { return busy_; }
  // The article list's height of the settings, for the data-log page.
  int ListHeight() const { return app_.Settings.splitList; }
  void SetListHeight(int height) { app_.Settings.splitList = height; }

  // ---- Lifecycle ----
  // Folder set-up: data folder, log root, tree, last folder, history.
  void SetupFolders();
  // Another data folder (from the history): it becomes the setting and the
  // folder set-up runs again.
  void SwitchDataFolder(const std::string& folder);
  void ExecuteCommand(const QString& text);
  void ShowMainWindow();
  void HideToTray();
  bool TrayAvailable() const { return tray_ != nullptr; }
  QSystemTrayIcon* Tray() const { return tray_; }
  QMenu* TrayMenu() const { return trayMenu_; }
  FolderTree* Tree() const { return tree_; }
  RoundController* Rounds() const { return rounds_; }
  ArticleListPage* ListPage() const { return listPage_; }
  WorkbenchPage* Workbench() const { return workbench_; }
  RoundReportView* ReportView() const { return reportView_; }
  app::TApplication& App() { return app_; }
  // The data folder set-up uses (a --data option wins over the settings).
  std::string DataFolder() const;

  // ---- Folder actions ----
  void NewFolder();
  void DeleteFolder();
  void ToggleRoundTarget();
  // Renames the node's folder; false (and the caption back) when refused.
  bool RenameFolder(QTreeWidgetItem* item, const QString& caption);

  // ---- Rounds and application actions ----
  void ExecFetch();
  void RoundBelowSelection();
  void RoundAll();
  void CleanCache(bool all);
  void OpenRoundLog();
  void ShowAbout();
  void OpenHelp();
  void ShowRoundReport();
  void OpenExport();
  void OpenOptions();
  void OpenProperties();

 signals:
  // Before another folder is opened, and before closing: pages write what
  // they hold for the open folder (script text, column widths).
  void aboutToLeaveFolder();
  void folderOpened();
  // The open folder was deleted: the log is gone, the editor must empty.
  void folderDeleted();
  void roundFinished();
  // Before the settings are written at close.
  void aboutToClose();
  // The window has closed and saved everything; the program may end.
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void BuildCentre();
  void BuildMenus();
  void BuildToolBars();
  void BuildStatusBar();
  void BuildTray();
  void ConnectActions();
  void ApplySettings();
  void StoreSettings();
  void OpenFolder(const std::string& path);
  void RefreshStatusTexts();
  void UpdateActions();
  void RefreshHistory();
  void OnClockTick();
  std::vector<std::string> History() const;
  // The pages, the round controller and the round report (main_window_pages.cpp).
  void PlugInPages();
  void ConnectRounds();
  // A page's or the controller's action takes the place of the window's
  // action of the same name in every menu, tool bar and lookup.
  void AdoptActions(const QList<QAction*>& adopted);
  void ApplyBusy(bool enabled, bool stoppable);
  void AfterRound(const QByteArray& reselect);
  QIcon FolderIcon(const std::string& path, bool isTop, bool selected);

  app::TApplication& app_;
  UserInterface& ui_;
  app::ProgramLayout layout_;
  QHash<QString, QAction*> actions_;
  std::array<QIcon, 9> folderIcons_;
  FolderTree* tree_ = nullptr;
  QStackedWidget* treePanel_ = nullptr;
  QTabWidget* messagePanel_ = nullptr;
  QSplitter* split_ = nullptr;
  QToolBar* mainBar_ = nullptr;
  QComboBox* historyBox_ = nullptr;
  QMenu* historyMenu_ = nullptr;
  std::array<QLabel*, 4> panels_{};
  QSystemTrayIcon* tray_ = nullptr;
  QMenu* trayMenu_ = nullptr;
  QTimer clock_;
  RoundController* rounds_ = nullptr;
  ArticleListPage* listPage_ = nullptr;
  WorkbenchPage* workbench_ = nullptr;
  RoundReportView* reportView_ = nullptr;
  // The addresses typed in the properties dialog while the program runs.
  app::TAddressHistory addressHistory_;
  // Why the editor refused to leave the open folder (its text cannot be
  // saved); set while aboutToLeaveFolder is handled.
  std::string leaveRefusal_;
  // Emits aboutToLeaveFolder; false (the reason shown) when it was refused.
  bool LeaveFolder();
  bool busy_ = false;
  bool quitPending_ = false;
  bool closedDone_ = false;
  std::vector<std::pair<QPointer<QAction>, bool>> enabledBeforeBusy_;
};

}  // namespace bq::gui
