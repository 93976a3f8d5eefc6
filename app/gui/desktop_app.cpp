// The desktop program's start-up sequence.
#include "app/gui/desktop_app.h"

#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTimer>
#include <QTranslator>
#include <QTreeWidgetItem>
#include <cstdio>

#include "app/controls/folder_tree.h"
#include "app/core/shell/shell_model.h"
#include "app/gui/main_window.h"
#include "app/gui/single_instance.h"
#include "platform/fs.h"

namespace bq::gui {

namespace {

std::vector<std::string> StdArgs(const QStringList& args) {
  std::vector<std::string> out;
  for (const QString& a : args) out.push_back(a.toStdString());
  return out;
}

}  // namespace

DesktopApp::DesktopApp(QStringList args, QString exeDir)
    : options_(app::ParseDesktopArgs(StdArgs(args))), exeDir_(std::move(exeDir)) {}

DesktopApp::~DesktopApp() {
  window_.reset();
  // The settings were written by the window at close; a window that never
  // closed (a failed start, a test) must not write them on the way out.
  if (app_) app_->Settings.fileName.clear();
}

QString DesktopApp::InstanceSocketPath() const {
  QString settings = QFileInfo(QString::fromStdString(layout_.settingsFile)).absoluteFilePath();
  return QDir::temp().absoluteFilePath(
      QString::fromStdString(app::InstanceKey(std::to_string(::getuid()), settings.toStdString())));
}

DesktopApp::Start DesktopApp::Begin() {
  if (!options_.error.empty() || options_.help || options_.version) {
    error_ = QString::fromStdString(options_.error);
    return options_.error.empty() ? Start::Done : Start::Failed;
  }
  layout_ = app::PickLayout(exeDir_.toStdString(), options_.settings, options_.data, options_.libs);
  if (options_.screenshot.empty()) {
    instance_ = std::make_unique<SingleInstance>(InstanceSocketPath());
    SingleInstance::Result claim = instance_->Claim(QByteArray::fromStdString(options_.word));
    if (claim == SingleInstance::Result::Ended) {
      error_ = QString::fromStdString(instance_->Plan().message);
      return instance_->Plan().exitCode == 0 ? Start::PassedOn : Start::NoAnswer;
    }
    if (claim == SingleInstance::Result::Failed) {
      error_ = QStringLiteral("cannot listen for a second start on ") + InstanceSocketPath();
      return Start::Failed;
    }
  }
  QApplication::setApplicationName(QStringLiteral("Brindlequay"));
  app_ = std::make_unique<app::TApplication>(ui_, pump_);
  app_->Settings.Load(fs::FromOsPath(layout_.settingsFile));
  if (!app_->Settings.Problem.empty()) ui_.MessageBox(app_->Settings.Problem, app_->Caption, kMbOk);
  app_->SetProgramFolder(fs::FromOsPath(exeDir_.toStdString()), fs::FromOsPath(layout_.libsFolder));
  window_ = std::make_unique<MainWindow>(*app_, ui_, layout_);
  ui_.parent = window_.get();
  MainWindow* w = window_.get();
  QObject::connect(&ui_, &QtUi::showWindowRequested, w, [w](int mode) {
    if (mode == 0)
      w->HideToTray();
    else
      w->ShowMainWindow();
  });
  window_->SetupFolders();
  if (!options_.screenshot.empty()) return TakeScreenshot() ? Start::Done : Start::Failed;
  QObject::connect(instance_.get(), &SingleInstance::commandReceived, w, &MainWindow::ExecuteCommand);
  // Without a tray the window cannot hide, so it shows whatever the setting.
  if (!app_->Settings.startInTray || !w->TrayAvailable()) w->show();
  if (!w->TrayAvailable())
    w->SetStatusText(0, QString::fromUtf8("通知領域(トレイ)が無いため、ウィンドウを隠せません"));
  // The word runs in the event loop, after main has tied the program's end
  // to the window and set up the signal handler: a round the word starts
  // can then be ended by a quit or a signal like any other.
  if (!options_.word.empty())
    QTimer::singleShot(0, w, [w, word = QString::fromStdString(options_.word)] { w->ExecuteCommand(word); });
  return Start::Running;
}

bool DesktopApp::TakeScreenshot() {
  MainWindow* w = window_.get();
  // Every folder open in the tree, the way a user would have it, and the
  // first site folder's articles in the list when the log root is open.
  w->Tree()->expandAll();
  QTreeWidgetItem* top = w->Tree()->TopItem();
  if (top && top->childCount() > 0 && w->Tree()->currentItem() == top) w->Tree()->setCurrentItem(top->child(0));
  w->show();
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  QString file = QString::fromStdString(options_.screenshot);
  if (!w->grab().save(file, "PNG")) {
    error_ = QStringLiteral("cannot write ") + file;
    return false;
  }
  std::printf("%s\n", QFileInfo(file).absoluteFilePath().toUtf8().constData());
  std::fflush(stdout);
  // Nothing of this look is to be written back.
  app_->Settings.fileName.clear();
  return true;
}

void InstallJapaneseTranslation() {
  auto* translator = new QTranslator(qApp);
  if (translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(translator);
}

}  // namespace bq::gui
