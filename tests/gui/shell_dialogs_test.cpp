// Opening the dialogs as the main window does: while each is open the
// schedule timer is off and no round starts, both are back afterwards, and
// confirming goes through the core models (settings, schedule, node file,
// the EXPORT call).
#include "app/gui/shell_dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

#include "app/gui/export_dialog.h"
#include "app/gui/options_dialog.h"
#include "app/gui/properties_dialog.h"
#include "app/gui/command_actions.h"
#include "app/gui/round_controller.h"
#include "platform/fs.h"
#include "tests/gui/gui_fixture.h"

namespace bq::test {
namespace {

class ShellDialogs : public GuiApp {
 protected:
  void SetUp() override {
    GuiApp::SetUp();
    Script("template.pss", "SCRIPT t;\r\nBEGIN END.\r\n");
    Log().ScheduleEnabled = true;
    fs::ForceDirectories(app.LogRoot() + "site/");
    Log().OpenFolder(app.LogRoot() + "site/");
    rounds = std::make_unique<gui::RoundController>(app, *commands);
  }
  void TearDown() override {
    rounds.reset();
    GuiApp::TearDown();
  }
  // Runs act on the modal dialog once it is open, noting whether the
  // schedule timer was off and the round commands held meanwhile.
  template <typename Dialog, typename Act>
  void WhenOpen(Act act) {
    QTimer::singleShot(0, [this, act] {
      auto* dlg = qobject_cast<Dialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dlg, nullptr);
      timerWhileOpen = rounds->ScheduleTimer().isActive();
      // A second start's command word asks for a round meanwhile.
      commands->Get(app::Command::TimerAction)->trigger();
      act(*dlg);
    });
  }
  bool RoundRan() { return fs::FileExists(app.RoundLogPath()); }

  bool timerWhileOpen = true;
  std::unique_ptr<gui::RoundController> rounds;
};

TEST_F(ShellDialogs, OptionsHoldTheTimerAndOkChangesTheSchedule) {
  commands->Refresh();
  ASSERT_TRUE(rounds->ScheduleTimer().isActive());
  WhenOpen<gui::OptionsDialog>([](gui::OptionsDialog& d) {
    d.ScheduleCheck()->setChecked(false);
    d.HourCheck(7)->setChecked(true);
    d.accept();
  });
  app::OptionsOutcome out;
  EXPECT_TRUE(gui::RunOptionsDialog(nullptr, app, &out));
  EXPECT_FALSE(timerWhileOpen);
  EXPECT_FALSE(RoundRan());
  EXPECT_FALSE(out.folderSetUp);
  EXPECT_FALSE(Log().ScheduleEnabled);
  EXPECT_EQ(Log().ScheduleHours, 1u << 7);
  EXPECT_FALSE(rounds->ScheduleTimer().isActive());  // the switch follows: OFF
  EXPECT_EQ(commands->Get(app::Command::TimerSwitch)->text(), QStringLiteral("OFF"));
}

TEST_F(ShellDialogs, CancelledPropertiesChangeNothingAndTheTimerComesBack) {
  commands->Refresh();
  app::TAddressHistory history;
  WhenOpen<gui::PropertiesDialog>([](gui::PropertiesDialog& d) {
    // Passwords are never shown as typed.
    EXPECT_EQ(d.PasswordEdit()->echoMode(), QLineEdit::Password);
    EXPECT_EQ(d.DelPassEdit()->echoMode(), QLineEdit::Password);
    d.AddressCombo()->setEditText(QStringLiteral("http://x/"));
    d.reject();
  });
  EXPECT_FALSE(gui::RunPropertiesDialog(nullptr, app, history, "", nullptr));
  EXPECT_FALSE(timerWhileOpen);
  EXPECT_FALSE(RoundRan());
  EXPECT_TRUE(rounds->ScheduleTimer().isActive());
  EXPECT_EQ(Log().Folder.SiteUrl, "");
  EXPECT_TRUE(history.Items().empty());
}

TEST_F(ShellDialogs, ExportRunsTheScriptAndStoresTheChoice) {
  fs::WriteFileAtomic(
      Libs() + "exp.pss",
      "SCRIPT e;\r\nPROCDEF EXPORT(file, target, del)\r\nBEGIN\r\n  s := '' + target + ',' + del;\r\n"
      "  SAVEF(file, s)\r\nEND;\r\nBEGIN END.\r\n");
  Log().Folder.ScriptName = "exp.pss";
  app.LoadAndCompile();
  commands->Refresh();
  const QString file = QString::fromStdString(dir + "out.txt");
  WhenOpen<gui::ExportDialog>([file](gui::ExportDialog& d) {
    d.FileEdit()->setText(file);
    d.TargetButton(2)->setChecked(true);
    d.DeleteCheck()->setChecked(true);
    d.accept();
  });
  EXPECT_TRUE(gui::RunExportDialog(nullptr, app));
  EXPECT_FALSE(timerWhileOpen);
  EXPECT_FALSE(RoundRan());
  std::string out;
  ASSERT_TRUE(fs::ReadFile(dir + "out.txt", out));
  EXPECT_EQ(out, "2,1");
  EXPECT_EQ(app.Settings.exportFile, dir + "out.txt");
  EXPECT_EQ(app.Settings.exportType, 2);
  EXPECT_TRUE(rounds->ScheduleTimer().isActive());
  EXPECT_TRUE(commands->Get(app::Command::ExecAction)->isEnabled());  // the busy state was left
}

// The dialog is titled as its menu item, refuses an empty file name with
// its reason, writes in the encoding chosen and says when it is done.
TEST_F(ShellDialogs, ExportRefusesAnEmptyNameAndWritesTheChosenEncoding) {
  fs::WriteFileAtomic(Libs() + "exp.pss", Utf8ToSjis("SCRIPT e;\r\nPROCDEF EXPORT(file, target, del)\r\nBEGIN\r\n"
                                                     "  s := '駅前';\r\n  SAVEF(file, s)\r\nEND;\r\nBEGIN END.\r\n"));
  Log().Folder.ScriptName = "exp.pss";
  app.LoadAndCompile();
  struct Case {
    int encoding;
    std::string bytes;
  } cases[] = {{0, Utf8ToSjis("駅前")}, {1, "駅前"}};
  for (const Case& c : cases) {
    const QString file = QString::fromStdString(dir + "out" + std::to_string(c.encoding) + ".txt");
    bool refused = false;
    WhenOpen<gui::ExportDialog>([&](gui::ExportDialog& d) {
      EXPECT_EQ(d.windowTitle(), commands->Get(app::Command::ExportAction)->text());
      d.FileEdit()->setText(QStringLiteral("  "));
      d.RunButton()->click();
      refused = d.isVisible() && d.ErrorLabel()->isVisibleTo(&d) &&
                d.ErrorLabel()->text() == QStringLiteral("出力ファイルを指定してください");
      d.FileEdit()->setText(file);
      d.EncodingBox()->setCurrentIndex(c.encoding);
      d.RunButton()->click();
    });
    QString done;
    EXPECT_TRUE(gui::RunExportDialog(nullptr, app, nullptr, &done));
    EXPECT_TRUE(refused);
    EXPECT_EQ(done, QStringLiteral("エクスポートしました: ") + file);
    EXPECT_EQ(FileText(file.toStdString()), c.bytes) << c.encoding;
    EXPECT_EQ(app.Settings.exportUtf8, c.encoding == 1);
  }
}

}  // namespace
}  // namespace bq::test
