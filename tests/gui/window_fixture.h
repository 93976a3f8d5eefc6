#pragma once
// The main window over an application on a test folder, started as the
// program starts it: settings, program folder, data folder, then shown.
#include <memory>

#include "app/core/application.h"
#include "app/gui/main_window.h"
#include "app/gui/qt_platform.h"
#include "platform/fs.h"
#include "tests/gui/gui_fixture.h"

namespace bq::test {

class WindowFixture : public GuiFolder {
 protected:
  void SetUp() override {
    GuiFolder::SetUp();
    if (HasFatalFailure()) return;
    layout.settingsFile = Settings().toStdString();
    layout.dataOption = Data();
    layout.libsFolder = Libs();
    layout.defaultDataFolder = layout.dataOption;
  }
  void TearDown() override {
    window.reset();
    if (app) app->Settings.fileName.clear();
    app.reset();
    GuiFolder::TearDown();
  }
  void Open() {
    app = std::make_unique<app::TApplication>(ui, pump);
    app->Settings.Load(fs::FromOsPath(layout.settingsFile));
    app->SetProgramFolder(fs::FromOsPath(dir), fs::FromOsPath(layout.libsFolder));
    window = std::make_unique<gui::MainWindow>(*app, ui, layout);
    BeforeFolders(*window);
    window->SetupFolders();
    window->show();
  }
  // What a fixture gives the window before its folders are set up.
  virtual void BeforeFolders(gui::MainWindow&) {}

  RecordingUi ui;
  gui::QtPump pump;
  app::ProgramLayout layout;
  std::unique_ptr<app::TApplication> app;
  std::unique_ptr<gui::MainWindow> window;
};

}  // namespace bq::test
