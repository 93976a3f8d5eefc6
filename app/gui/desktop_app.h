#pragma once
// The desktop program's start: command line, file layout, single instance,
// settings, the main window and the folder set-up, in that order. main()
// and the GUI tests start the program through it.
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

#include "app/core/application.h"
#include "app/core/shell/command_line.h"
#include "app/core/shell/program_layout.h"
#include "app/gui/qt_platform.h"

namespace bq::gui {

class MainWindow;
class SingleInstance;

class DesktopApp {
 public:
  // args without the program name; exeDir ends in '/'.
  DesktopApp(QStringList args, QString exeDir);
  ~DesktopApp();

  enum class Start { Running, PassedOn, NoAnswer, Done, Failed };
  // Starts: passes the word on when another instance runs (PassedOn; also
  // "quit" with none running, with a note in Error()), ends when the
  // running instance does not answer (NoAnswer), or becomes the instance
  // and sets up the window (Running); with --screenshot draws the window
  // into the file and ends (Done).
  Start Begin();
  const QString& Error() const { return error_; }

  MainWindow* Window() const { return window_.get(); }
  app::TApplication* App() const { return app_.get(); }
  const app::ProgramLayout& Layout() const { return layout_; }
  // The socket file the instance listens on.
  QString InstanceSocketPath() const;

 private:
  bool TakeScreenshot();

  app::DesktopOptions options_;
  QString exeDir_;
  app::ProgramLayout layout_;
  QString error_;
  QtUi ui_;
  QtPump pump_;
  std::unique_ptr<app::TApplication> app_;
  std::unique_ptr<SingleInstance> instance_;
  std::unique_ptr<MainWindow> window_;
};

// Loads Qt's own Japanese texts (dialog buttons) when installed.
void InstallJapaneseTranslation();

}  // namespace bq::gui
