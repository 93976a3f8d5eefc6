// brindlequay [--data DIR] [--libs DIR] [--settings FILE] [--screenshot FILE.png] [WORD]
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "app/core/shell/command_line.h"
#include "app/core/version.h"
#include "app/gui/desktop_app.h"
#include "app/gui/main_window.h"
#include "app/gui/signal_quit.h"
#include "platform/stop_signals.h"

namespace {

QString ExecutableFolder() {
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  QString path = n > 0 ? QString::fromUtf8(buf, static_cast<int>(n)) : QCoreApplication::applicationFilePath();
  QString dir = path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
  return dir.isEmpty() ? QStringLiteral("./") : dir;
}

}  // namespace

int main(int argc, char** argv) {
  // --help and --version answer without a display (on a server, in a build).
  bq::app::DesktopOptions early = bq::app::ParseDesktopArgs(std::vector<std::string>(argv + 1, argv + argc));
  if (early.error.empty() && (early.help || early.version)) {
    if (early.help)
      std::fputs(bq::app::kDesktopUsage, stdout);
    else
      std::printf("brindlequay %s\n", bq::app::kVersion);
    return 0;
  }
  // A stop signal during the start-up waits for the handler of SignalQuit.
  bq::HoldStopSignals();
  QApplication qapp(argc, argv);
  // Hidden in the tray, the program has no window; a closed message box must
  // not end it. It ends when the main window has closed.
  QApplication::setQuitOnLastWindowClosed(false);
  bq::gui::InstallJapaneseTranslation();
  QStringList args = QCoreApplication::arguments().mid(1);
  bq::gui::DesktopApp desktop(args, ExecutableFolder());
  switch (desktop.Begin()) {
    case bq::gui::DesktopApp::Start::PassedOn:
      if (!desktop.Error().isEmpty()) std::fprintf(stderr, "brindlequay: %s\n", desktop.Error().toUtf8().constData());
      return 0;
    case bq::gui::DesktopApp::Start::NoAnswer:
      std::fprintf(stderr, "brindlequay: %s\n", desktop.Error().toUtf8().constData());
      return 2;
    case bq::gui::DesktopApp::Start::Done:
      return 0;
    case bq::gui::DesktopApp::Start::Failed:
      std::fprintf(stderr, "brindlequay: %s\n%s", desktop.Error().toUtf8().constData(), bq::app::kDesktopUsage);
      return 2;
    case bq::gui::DesktopApp::Start::Running:
      break;
  }
  QObject::connect(desktop.Window(), &bq::gui::MainWindow::closed, &qapp, &QCoreApplication::quit,
                   Qt::QueuedConnection);
  bq::gui::SignalQuit signalQuit([&desktop] { desktop.Window()->ExecuteCommand(QStringLiteral("quit")); });
  return qapp.exec();
}
