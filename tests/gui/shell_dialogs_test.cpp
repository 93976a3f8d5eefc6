// Opening the dialogs as the main window does: the schedule timer is off
// while each is open and back afterwards, and confirming goes through the
// core models (settings, schedule, node file, the EXPORT call).
#include "app/gui/shell_dialogs.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

#include "app/gui/export_dialog.h"
#include "app/gui/options_dialog.h"
#include "app/gui/properties_dialog.h"
#include "app/gui/round_controller.h"
#include "platform/fs.h"

namespace bq::test {
namespace {

class NoPump : public EventPump {
 public:
  void ProcessMessages() override { QCoreApplication::processEvents(); }
};

class ShellDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/bqshelldlg.XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = std::string(tmpl) + "/";
    fs::ForceDirectories(dir + "libs/");
    fs::WriteFileAtomic(dir + "libs/template.pss", "SCRIPT t;\r\nBEGIN END.\r\n");
    app.SetProgramFolder(dir, dir + "libs/");
    app.SetupFolders(dir + "data/");
    app.Log.ScheduleEnabled = true;
    fs::ForceDirectories(app.LogRoot() + "site/");
    app.Log.OpenFolder(app.LogRoot() + "site/");
  }
  void TearDown() override {
    std::string cmd = "rm -rf '" + dir + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }
  // Runs act on the modal dialog once it is open, noting whether the
  // schedule timer was off meanwhile.
  template <typename Dialog, typename Act>
  void WhenOpen(gui::RoundController& rounds, Act act) {
    QTimer::singleShot(0, [this, &rounds, act] {
      auto* dlg = qobject_cast<Dialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dlg, nullptr);
      timerWhileOpen = rounds.ScheduleTimer().isActive();
      act(*dlg);
    });
  }

  std::string dir;
  bool timerWhileOpen = true;
  RecordingUi ui;
  NoPump pump;
  app::TApplication app{ui, pump, [] { return SystemProxySettings{}; }};
};

TEST_F(ShellDialogs, OptionsHoldTheTimerAndOkChangesTheSchedule) {
  gui::RoundController rounds(app);
  ASSERT_TRUE(rounds.ScheduleTimer().isActive());
  WhenOpen<gui::OptionsDialog>(rounds, [](gui::OptionsDialog& d) {
    d.scheduleCheck()->setChecked(false);
    d.hourCheck(7)->setChecked(true);
    d.accept();
  });
  app::OptionsOutcome out;
  EXPECT_TRUE(gui::RunOptionsDialog(nullptr, app, rounds, &out));
  EXPECT_FALSE(timerWhileOpen);
  EXPECT_FALSE(out.folderSetUp);
  EXPECT_FALSE(app.Log.ScheduleEnabled);
  EXPECT_EQ(app.Log.ScheduleHours, 1u << 7);
  EXPECT_FALSE(rounds.ScheduleTimer().isActive());  // the switch follows: OFF
  EXPECT_EQ(rounds.switchAction()->text(), QStringLiteral("OFF"));
}

TEST_F(ShellDialogs, CancelledPropertiesChangeNothingAndTheTimerComesBack) {
  gui::RoundController rounds(app);
  app::TAddressHistory history;
  WhenOpen<gui::PropertiesDialog>(rounds, [](gui::PropertiesDialog& d) {
    d.addressCombo()->setEditText(QStringLiteral("http://x/"));
    d.reject();
  });
  EXPECT_FALSE(gui::RunPropertiesDialog(nullptr, app, rounds, history, "", nullptr));
  EXPECT_FALSE(timerWhileOpen);
  EXPECT_TRUE(rounds.ScheduleTimer().isActive());
  EXPECT_EQ(app.Log.Folder.SiteUrl, "");
  EXPECT_TRUE(history.Items().empty());
}

TEST_F(ShellDialogs, ExportRunsTheScriptAndStoresTheChoice) {
  fs::WriteFileAtomic(
      dir + "libs/exp.pss",
      "SCRIPT e;\r\nPROCDEF EXPORT(file, target, del)\r\nBEGIN\r\n  s := '' + target + ',' + del;\r\n"
      "  SAVEF(file, s)\r\nEND;\r\nBEGIN END.\r\n");
  app.Log.Folder.ScriptName = "exp.pss";
  app.LoadAndCompile();
  gui::RoundController rounds(app);
  const QString file = QString::fromStdString(dir + "out.txt");
  WhenOpen<gui::ExportDialog>(rounds, [file](gui::ExportDialog& d) {
    d.fileEdit()->setText(file);
    d.targetButton(2)->setChecked(true);
    d.deleteCheck()->setChecked(true);
    d.accept();
  });
  EXPECT_TRUE(gui::RunExportDialog(nullptr, app, rounds));
  EXPECT_FALSE(timerWhileOpen);
  std::string out;
  ASSERT_TRUE(fs::ReadFile(dir + "out.txt", out));
  EXPECT_EQ(out, "2,1");
  EXPECT_EQ(app.Settings.exportFile, dir + "out.txt");
  EXPECT_EQ(app.Settings.exportType, 2);
  EXPECT_TRUE(rounds.ScheduleTimer().isActive());
  EXPECT_TRUE(rounds.execAction()->isEnabled());  // the busy state was left
}

}  // namespace
}  // namespace bq::test
