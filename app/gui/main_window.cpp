// The main window's construction: panels, menus, tool bars, status bar and
// tray, and the settings applied to them.
#include "app/gui/main_window.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QTime>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/controls/folder_tree.h"
#include "app/core/shell/shell_model.h"
#include "app/gui/actions.h"
#include "app/gui/icons.h"
#include "app/gui/qt_platform.h"
#include "logstore/folder_ops.h"
#include "textlib/csv.h"

namespace bq::gui {

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// What a slot shows until its page is plugged in.
QWidget* Placeholder(const QString& text) {
  auto* label = new QLabel(text);
  label->setAlignment(Qt::AlignCenter);
  label->setWordWrap(true);
  label->setEnabled(false);
  return label;
}

QWidget* Slot(QWidget* content) {
  auto* slot = new QWidget;
  auto* layout = new QVBoxLayout(slot);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(content);
  return slot;
}

void ReplaceSlotContent(QWidget* slot, QWidget* page) {
  QLayout* layout = slot->layout();
  while (QLayoutItem* item = layout->takeAt(0)) {
    delete item->widget();
    delete item;
  }
  layout->addWidget(page);
}

}  // namespace

MainWindow::MainWindow(app::TApplication& app, UserInterface& ui, app::ProgramLayout layout, QWidget* parent)
    : QMainWindow(parent), app_(app), ui_(ui), layout_(std::move(layout)) {
  setWindowTitle(QStringLiteral("Brindlequay"));
  setWindowIcon(AppIcon());
  resize(900, 620);
  for (int i = 0; i < 9; ++i) folderIcons_[static_cast<std::size_t>(i)] = FolderImage(i);
  actions_ = CreateActions(this);
  BuildCentre();
  BuildMenus();
  BuildToolBars();
  BuildStatusBar();
  BuildTray();
  ConnectActions();
  app_.Status.OnChange = [this](int panel, const std::string& text) { SetStatusText(panel, FromSjis(text)); };
  PlugInPages();
  ApplySettings();
}

MainWindow::~MainWindow() { app_.Status.OnChange = nullptr; }

void MainWindow::BuildCentre() {
  tree_ = new FolderTree;
  tree_->iconFor = [this](const std::string& path, bool isTop, bool selected) {
    return FolderIcon(path, isTop, selected);
  };
  treePanel_ = new QStackedWidget;
  treePanel_->addWidget(tree_);
  treePanel_->addWidget(Slot(Placeholder(U("コード表示はスクリプト作業台とともに入ります"))));
  messagePanel_ = new QTabWidget;
  messagePanel_->addTab(Slot(Placeholder(U("記事リストと記事表示は、この版ではまだありません"))), U("データログ"));
  messagePanel_->addTab(Slot(Placeholder(U("スクリプト作業台は、この版ではまだありません"))), U("スクリプト"));
  // The list's keys (Space, Up, Down, Delete ...) act only inside the page.
  for (const ActionDef& d : ActionDefs()) {
    if (d.owner != ActionOwner::DataLogPage) continue;
    QAction* a = actions_.value(QString::fromLatin1(d.name));
    a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    messagePanel_->widget(0)->addAction(a);
  }
  split_ = new QSplitter(Qt::Horizontal);
  split_->addWidget(treePanel_);
  split_->addWidget(messagePanel_);
  split_->setStretchFactor(1, 1);
  split_->setChildrenCollapsible(false);
  setCentralWidget(split_);
  connect(tree_, &FolderTree::folderSelected, this, [this](const QByteArray& path) {
    OpenFolder(path.toStdString());
  });
  connect(tree_, &FolderTree::renameRequested, this, &MainWindow::RenameFolder);
  connect(tree_, &FolderTree::deleteRequested, this, [this] {
    if (Action(QStringLiteral("DeleteFolderAction"))->isEnabled()) DeleteFolder();
  });
}

void MainWindow::BuildMenus() {
  auto add = [this](QMenu* m, std::initializer_list<const char*> names) {
    for (const char* n : names) {
      if (*n == '-')
        m->addSeparator();
      else
        m->addAction(Action(QString::fromLatin1(n)));
    }
  };
  QMenu* file = menuBar()->addMenu(U("ファイル(&F)"));
  historyMenu_ = file->addMenu(GlyphIcon(Glyph::NextHistory), U("ログフォルダ履歴"));
  add(file, {"NextLogDirAction", "-", "ExportAction", "RoundLogAction"});
  QMenu* cache = file->addMenu(GlyphIcon(Glyph::Cache), U("キャッシュの削除"));
  add(cache, {"CacheOldAction", "CacheAllAction"});
  add(file, {"-", "HideAction", "ExitAction"});
  add(menuBar()->addMenu(U("フォルダ(&O)")),
      {"NewFolderAction", "RenameFolderAction", "DeleteFolderAction", "-", "RoundTargetAction", "PropertyAction"});
  add(menuBar()->addMenu(U("記事(&A)")),
      {"NextAction", "PrevAction", "BelowAction", "AboveAction", "-", "FindAction", "FindNextAction",
       "FindPrevAction", "DupAction", "-", "ReadAction", "UnreadAction", "DeleteAction", "SelectAllAction", "-",
       "BrowseAction"});
  add(menuBar()->addMenu(U("巡回(&R)")),
      {"ExecAction", "RoundAction", "TimerAction", "-", "StopAction", "SkipAction", "-", "TimerSwitch"});
  add(menuBar()->addMenu(U("スクリプト(&S)")), {"GoAction", "StepAction", "TraceAction", "ExecInit", "-", "ChangeView"});
  add(menuBar()->addMenu(U("ツール(&T)")), {"OptionAction"});
  add(menuBar()->addMenu(U("ヘルプ(&H)")), {"HelpAction", "-", "AboutAction"});
  trayMenu_ = new QMenu(this);
  add(trayMenu_, {"ExecAction", "RoundAction", "TimerSwitch", "-", "OptionAction", "HelpAction", "AboutAction", "-",
                  "ExitAction"});
}

void MainWindow::BuildToolBars() {
  mainBar_ = addToolBar(U("メイン"));
  mainBar_->setObjectName(QStringLiteral("MainBar"));
  for (const char* n : {"ExecAction", "RoundAction", "TimerAction", "TimerSwitch", "StopAction", "SkipAction", "-",
                        "NewFolderAction", "PropertyAction", "-", "OptionAction", "HelpAction"}) {
    if (*n == '-')
      mainBar_->addSeparator();
    else
      mainBar_->addAction(Action(QString::fromLatin1(n)));
  }
  addToolBarBreak();
  QToolBar* folders = addToolBar(U("ログフォルダ"));
  folders->setObjectName(QStringLiteral("LogFolderBar"));
  folders->addWidget(new QLabel(U(" ログフォルダ: ")));
  historyBox_ = new QComboBox;
  historyBox_->setMinimumContentsLength(24);
  historyBox_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  historyBox_->setToolTip(U("ログフォルダの履歴"));
  folders->addWidget(historyBox_);
  folders->addAction(Action(QStringLiteral("NextLogDirAction")));
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
  connect(&clock_, &QTimer::timeout, this, &MainWindow::OnClockTick);
}

void MainWindow::BuildTray() {
  if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
  tray_ = new QSystemTrayIcon(TrayImage(QStringLiteral("NORMAL")), this);
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
  mainBar_->setToolButtonStyle(s.toolbarIcon ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonTextOnly);
  if (s.dispClock) {
    clock_.start(1000);
    OnClockTick();
  }
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
  s.lastBbs = tree_->SelectedPath();
}

QString MainWindow::StatusText(int panel) const {
  return panel >= 0 && panel < 4 ? panels_[static_cast<std::size_t>(panel)]->text() : QString();
}

void MainWindow::SetStatusText(int panel, const QString& text) {
  if (panel >= 0 && panel < 4) panels_[static_cast<std::size_t>(panel)]->setText(text);
}

void MainWindow::OnClockTick() {
  QTime t = QTime::currentTime();
  SetStatusText(3, QString::fromStdString(app::ClockText(t.hour(), t.minute(), t.second())));
}

QAction* MainWindow::Action(const QString& name) const { return actions_.value(name, nullptr); }

QStringList MainWindow::ActionNames() const { return actions_.keys(); }

void MainWindow::SetDataLogPage(QWidget* page) { ReplaceSlotContent(messagePanel_->widget(0), page); }
void MainWindow::SetScriptPage(QWidget* page) { ReplaceSlotContent(messagePanel_->widget(1), page); }
void MainWindow::SetCodePage(QWidget* page) { ReplaceSlotContent(treePanel_->widget(1), page); }
void MainWindow::ShowDataLogPage() { messagePanel_->setCurrentIndex(0); }
void MainWindow::ShowScriptPage() { messagePanel_->setCurrentIndex(1); }

void MainWindow::ShowCodeView(bool code) {
  treePanel_->setCurrentIndex(code ? 1 : 0);
  if (code) ShowScriptPage();
}

void MainWindow::SetTrayImage(const QString& name, const QString& tip) {
  if (!tray_) return;
  tray_->setIcon(TrayImage(name));
  tray_->setToolTip(tip);
}

QIcon MainWindow::FolderIcon(const std::string& path, bool isTop, bool selected) {
  TScrapList::FolderFlags f = isTop ? TScrapList::FolderFlags{} : app_.Log.ReadFolderFlags(path);
  int index = app::FolderImageIndex(isTop, f.HasUnread, f.RoundTarget, selected);
  return folderIcons_[static_cast<std::size_t>(index)];
}

std::vector<std::string> MainWindow::History() const { return CommaSplit(app_.Settings.logHist, FinalComma::AddsEmptyItem); }

void MainWindow::RefreshHistory() {
  std::vector<std::string> entries = HistoryMenuEntries(History());
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
}

}  // namespace bq::gui
