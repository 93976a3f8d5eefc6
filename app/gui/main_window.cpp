// The main window's construction: panels, menus, tool bars, status bar and
// tray, all placed from the command table, and the settings applied to them.
#include "app/gui/main_window.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/controls/folder_tree.h"
#include "app/core/shell/shell_model.h"
#include "app/gui/article_list_page.h"
#include "app/gui/command_actions.h"
#include "app/core/rounds/round_report.h"
#include "app/gui/dialog_pickers.h"
#include "app/gui/folder_watch.h"
#include "app/gui/icons.h"
#include "app/gui/round_controller.h"
#include "app/gui/workbench_page.h"

namespace bq::gui {

namespace {

QString Text(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

}  // namespace

MainWindow::MainWindow(app::TApplication& app, UserInterface& ui, app::ProgramLayout layout, QWidget* parent)
    : QMainWindow(parent), app_(app), ui_(ui), layout_(std::move(layout)), pickers_(&DialogPickers::Standard()) {
  setWindowTitle(QStringLiteral("Brindlequay"));
  setWindowIcon(AppIcon());
  resize(900, 620);
  commands_ = new CommandActions(app_, this);
  for (int i = 0; i < 9; ++i) folderIcons_[static_cast<std::size_t>(i)] = FolderImage(i);
  BuildCentre();
  BuildMenus();
  BuildToolBars();
  BuildStatusBar();
  BuildTray();
  BuildPages();
  ConnectCommands();
  ConnectRounds();
  app_.Status.OnChange = [this](int panel, const std::string& text) { SetStatusText(panel, FromSjis(text)); };
  connect(commands_, &CommandActions::applied, this, &MainWindow::ApplyStates);
  programFacts_.trayAvailable = tray_ != nullptr;
  programFacts_.helpAvailable = QFileInfo::exists(QString::fromStdString(layout_.helpPage));
  programFacts_.guideAvailable = QFileInfo::exists(QString::fromStdString(layout_.guidePage));
  programFacts_.developerMode = app_.Settings.developerMode;
  commands_->SetProgramFacts(programFacts_);
  ApplySettings();
}

MainWindow::~MainWindow() { app_.Status.OnChange = nullptr; }

void MainWindow::BuildCentre() {
  tree_ = new FolderTree(app_, folderIcons_);
  treePanel_ = new QStackedWidget;
  treePanel_->addWidget(tree_);
  treePanel_->addWidget(BuildCodePage());
  messagePanel_ = new QTabWidget;
  split_ = new QSplitter(Qt::Horizontal);
  split_->addWidget(treePanel_);
  split_->addWidget(messagePanel_);
  split_->setStretchFactor(1, 1);
  split_->setChildrenCollapsible(false);
  setCentralWidget(split_);
  connect(tree_, &FolderTree::folderSelected, this, [this](const QByteArray& path) {
    OpenFolder(path.toStdString());
    RefreshTreeFacts();
  });
  connect(tree_, &FolderTree::renameRequested, this, &MainWindow::RenameFolder);
  connect(tree_, &FolderTree::deleteRequested, this, [this] {
    if (commands_->States().Enabled(app::Command::DeleteFolderAction)) DeleteFolder();
  });
  connect(tree_, &FolderTree::editingChanged, this, &MainWindow::RefreshTreeFacts);
  // Another program's saves in the folders the tree shows.
  watch_ = new FolderWatch(this);
  connect(tree_, &FolderTree::foldersListed, this, [this] { watch_->Watch(tree_->FolderPaths()); });
  connect(watch_, &FolderWatch::changed, this, &MainWindow::FollowDisk);
}

// The code page of the tree panel: the compiled code's listing, its current
// row following the machine's code address as the workbench's listing does.
QWidget* MainWindow::BuildCodePage() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("CodePage"));
  auto* bar = new QToolBar(page);
  bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  bar->addAction(commands_->Get(app::Command::ChangeView));
  codeView_ = new QListView(page);
  codeView_->setObjectName(QStringLiteral("CodeView"));
  codeView_->setUniformItemSizes(true);
  codeView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(bar);
  layout->addWidget(codeView_);
  return page;
}

void MainWindow::BuildMenus() {
  QHash<int, QMenu*> menus;
  for (const app::MenuInfo& m : app::kMenus) {
    auto* menu = new QMenu(Text(m.caption), this);
    menu->setIcon(CommandIcon(m.image));
    menus.insert(static_cast<int>(m.place), menu);
    if (m.parent.place == app::Place::None) menuBar()->addMenu(menu);
  }
  historyMenu_ = menus.value(static_cast<int>(app::Place::HistoryMenu));
  for (const app::MenuInfo& m : app::kMenus)
    if (m.place != app::Place::HistoryMenu)
      commands_->Place(menus.value(static_cast<int>(m.place)), m.place, menus);
  trayMenu_ = new QMenu(this);
  commands_->Place(trayMenu_, app::Place::TrayMenu);
}

void MainWindow::BuildToolBars() {
  mainBar_ = addToolBar(QStringLiteral("メイン"));
  mainBar_->setObjectName(QStringLiteral("MainBar"));
  commands_->Place(mainBar_, app::Place::MainBar);
  addToolBarBreak();
  QToolBar* folders = addToolBar(QStringLiteral("ログフォルダ"));
  folders->setObjectName(QStringLiteral("LogFolderBar"));
  folders->addWidget(new QLabel(QStringLiteral(" ログフォルダ: ")));
  historyBox_ = new QComboBox;
  historyBox_->setMinimumContentsLength(24);
  historyBox_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  historyBox_->setToolTip(QStringLiteral("ログフォルダの履歴"));
  folders->addWidget(historyBox_);
  folders->addAction(commands_->Get(app::Command::NextLogDirAction));
  connect(historyBox_, &QComboBox::activated, this, [this](int index) {
    std::string folder = historyBox_->itemData(index).toByteArray().toStdString();
    if (!folder.empty() && folder != app_.DataFolder()) SwitchDataFolder(folder);
  });
}

void MainWindow::BuildStatusBar() {
  const int widths[] = {140, 200, 0, 70};
  for (int i = 0; i < 4; ++i) {
    auto* label = new QLabel;
    label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
    label->setFrameShape(QFrame::StyledPanel);
    label->setFrameShadow(QFrame::Sunken);
    if (widths[i] > 0) label->setMinimumWidth(widths[i]);
    panels_[static_cast<std::size_t>(i)] = label;
    // Panel 2 (the address) takes what room is left.
    statusBar()->addPermanentWidget(label, i == 2 ? 1 : 0);
  }
  auto* reportButton = new QToolButton;
  reportButton->setDefaultAction(commands_->Get(app::Command::RoundReportAction));
  reportButton->setToolButtonStyle(Qt::ToolButtonIconOnly);
  reportButton->setAutoRaise(true);
  statusBar()->addPermanentWidget(reportButton);
  connect(&clock_, &QTimer::timeout, this, &MainWindow::OnClockTick);
}

void MainWindow::BuildTray() {
  if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
  tray_ = new QSystemTrayIcon(TrayIcon(app::TrayImage::Normal), this);
  tray_->setToolTip(QStringLiteral("Brindlequay"));
  tray_->setContextMenu(trayMenu_);
  connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger) ShowMainWindow();
  });
  tray_->show();
}

void MainWindow::ApplySettings() {
  TInitParam& s = app_.Settings;
  QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                  : QRect(0, 0, 1024, 768);
  TWindowGeometry g{wsNormal, x(), y(), width(), height()};
  s.ApplyPlacement(g, TScreenSize{screen.width(), screen.height()});
  setGeometry(g.left + screen.left(), g.top + screen.top(), g.width, g.height);
  if (g.state == wsMaximized) setWindowState(windowState() | Qt::WindowMaximized);
  split_->setSizes({std::max(60, s.splitTree), std::max(200, g.width - s.splitTree)});
  ApplyDisplaySettings();
}

// The menu images and the clock, at start and at once after the options.
void MainWindow::ApplyDisplaySettings() {
  const TInitParam& s = app_.Settings;
  mainBar_->setToolButtonStyle(s.toolbarIcon ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonTextOnly);
  if (s.dispClock && !clock_.isActive()) clock_.start(1000);
  if (!s.dispClock) clock_.stop();
  OnClockTick();
}

void MainWindow::StoreSettings() {
  TInitParam& s = app_.Settings;
  QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry() : QRect();
  QRect r = normalGeometry().isValid() ? normalGeometry() : geometry();
  // A minimised or hidden window comes back as a normal one.
  TWindowGeometry g{static_cast<std::uint8_t>(isMaximized() ? wsMaximized : wsNormal), r.x() - screen.left(),
                    r.y() - screen.top(), r.width(), r.height()};
  s.StorePlacement(g);
  QList<int> sizes = split_->sizes();
  if (!sizes.isEmpty() && sizes[0] > 0) s.splitTree = sizes[0];
  if (listPage_->ListHeight() > 0) s.splitList = listPage_->ListHeight();
  s.lastBbs = tree_->SelectedPath();
}

// Widgets that are no actions follow the commands' states too.
void MainWindow::ApplyStates(const app::CommandStates& states) {
  tree_->setEnabled(states.panelsEnabled);
  messagePanel_->setEnabled(states.panelsEnabled);
  tree_->SetCaptionEditing(states.captionEditing);
  // Closing waited for a run to end.
  if (quitPending_ && !Busy()) QTimer::singleShot(0, this, [this] { close(); });
}

QAction* MainWindow::Action(const QString& name) const { return commands_->Named(name); }

QString MainWindow::StatusText(int panel) const {
  return panel >= 0 && panel < 4 ? panels_[static_cast<std::size_t>(panel)]->text() : QString();
}

void MainWindow::SetStatusText(int panel, const QString& text) {
  if (panel >= 0 && panel < 4) panels_[static_cast<std::size_t>(panel)]->setText(text);
}

// Panel 3: the failed fetches of the last fetch or round, then the clock.
void MainWindow::OnClockTick() {
  QString text = FromSjis(app::FailureCountText(rounds_->Runner().Report().RoundFailures()));
  if (clock_.isActive()) text += FromSjis(app::ClockText());
  SetStatusText(3, text);
}

bool MainWindow::CodeViewShown() const { return treePanel_->currentIndex() == 1; }

void MainWindow::ToggleCodeView() {
  const bool code = !CodeViewShown();
  treePanel_->setCurrentIndex(code ? 1 : 0);
  if (code) messagePanel_->setCurrentWidget(workbench_);
}

void MainWindow::RefreshHistory() {
  std::vector<std::string> entries = app_.DataFolderHistory();
  historyBox_->blockSignals(true);
  historyBox_->clear();
  historyMenu_->clear();
  for (const std::string& e : entries) {
    QString shown = OsPath(e);
    historyBox_->addItem(shown, QByteArray::fromStdString(e));
    QAction* a = historyMenu_->addAction(shown);
    connect(a, &QAction::triggered, this, [this, e] { SwitchDataFolder(e); });
  }
  int current = historyBox_->findData(QByteArray::fromStdString(app_.DataFolder()));
  historyBox_->setCurrentIndex(current);
  historyBox_->blockSignals(false);
  historyMenu_->setEnabled(!entries.empty());
  programFacts_.historyEntries = static_cast<int>(entries.size());
  commands_->SetProgramFacts(programFacts_);
}

}  // namespace bq::gui
