#pragma once
// The main window: the tree panel (the folder tree, or the code page), the
// message panel with the pages "データログ" and "スクリプト", menus, tool
// bars, the status bar's four panels, and the tray icon with its menu. It
// sets up the data folder, opens the folder selected in the tree, obeys
// command words, hides to the tray and closes with everything saved.
//
// Every command comes from the core's command table through CommandActions:
// the window places them by name, handles the folder and application
// commands it owns, and leaves the rest to the pages and the round
// controller it creates. It reaches the log, the fetcher and the machine
// only through the application's named operations.
#include <QMainWindow>
#include <QSystemTrayIcon>
#include <QTimer>
#include <array>
#include <string>
#include <vector>

#include "app/core/application.h"
#include "app/core/dialogs/new_folder_model.h"
#include "app/core/dialogs/properties_model.h"
#include "app/core/shell/program_layout.h"
#include "app/gui/qt_platform.h"
#include "app/gui/round_controller.h"

class QComboBox;
class QLabel;
class QListView;
class QMenu;
class QSplitter;
class QStackedWidget;
class QTabWidget;
class QToolBar;
class QTreeWidgetItem;

namespace bq::gui {

class ArticleListPage;
class CommandActions;
class DialogPickers;
class FolderTree;
class RoundReportView;
class WorkbenchPage;

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  MainWindow(app::TApplication& app, UserInterface& ui, app::ProgramLayout layout, QWidget* parent = nullptr);
  ~MainWindow() override;

  // A command's action by its name ("NextAction", "ExecAction", ...);
  // nullptr for a name not in the table.
  QAction* Action(const QString& name) const;
  CommandActions& Commands() const { return *commands_; }
  // Status bar panels 0..3 (3 is the clock's).
  QString StatusText(int panel) const;
  void SetStatusText(int panel, const QString& text);
  // Something runs (the application's busy state).
  bool Busy() const { return app_.Busy().Busy(); }

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
  QListView* CodeView() const { return codeView_; }
  bool CodeViewShown() const;
  // The data folder the set-up uses (a --data option wins over the settings).
  std::string DataFolder() const;

  // ---- Folder commands ----
  void NewFolder();
  void DeleteFolder();
  void ToggleRoundTarget();
  // Renames the node's folder; false (and the caption back) when refused.
  bool RenameFolder(QTreeWidgetItem* item, const QString& caption);

  // ---- Application commands ----
  void CleanCache(bool all);
  void OpenRoundLog();
  void ShowAbout();
  void OpenHelp();
  void ShowRoundReport();
  // The subscription list: the whole tree written to an OPML file, and an
  // OPML file's folders made below the folder selected in the tree. A
  // failure is shown in a message box.
  void ExportOpml();
  void ImportOpml();
  // A page beside the help page (at an anchor) in the user's browser; a page
  // that cannot be opened is named in a message box.
  void OpenHelpPage(const std::string& page, const QString& anchor = QString());
  // The file dialogs the window opens (tests give ones without a window).
  void SetPickers(DialogPickers& pickers) { pickers_ = &pickers; }
  void OpenExport();
  void OpenOptions();
  void OpenProperties();
  // ChangeView: the tree panel shows the code page (and the script page
  // comes to the front) or the folder tree again.
  void ToggleCodeView();

 signals:
  // The window has closed and saved everything; the program may end.
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  // The tray's image follows whether the window is shown.
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void BuildCentre();
  QWidget* BuildCodePage();
  void BuildMenus();
  void BuildToolBars();
  void BuildStatusBar();
  void BuildTray();
  void BuildPages();
  void ConnectCommands();
  void ConnectRounds();
  void ApplySettings();
  void StoreSettings();
  void ApplyStates(const app::CommandStates& states);
  void OpenFolder(const std::string& path);
  // The opened folder's script goes into the editor and is compiled.
  void CompileOpenFolder();
  void RefreshStatusTexts();
  void RefreshTreeFacts();
  void RefreshHistory();
  void OnClockTick();
  void AfterRound(RoundController::Kind kind, const QByteArray& reselect);
  // The list's widths and the editor's script are written before another
  // folder opens; false (the reason shown) when the editor refused.
  bool LeaveFolder();
  // A feed folder made below parent from the new-folder dialog's address.
  void NewFeedFolder(QTreeWidgetItem* parent, const app::NewFolderChoice& choice);

  app::TApplication& app_;
  UserInterface& ui_;
  app::ProgramLayout layout_;
  CommandActions* commands_ = nullptr;
  std::array<QIcon, 9> folderIcons_;
  FolderTree* tree_ = nullptr;
  QStackedWidget* treePanel_ = nullptr;
  QListView* codeView_ = nullptr;
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
  app::ShellFacts::Program programFacts_;
  // The addresses typed in the properties dialog while the program runs.
  app::TAddressHistory addressHistory_;
  DialogPickers* pickers_;
  bool quitPending_ = false;
  bool closedDone_ = false;
};

}  // namespace bq::gui
