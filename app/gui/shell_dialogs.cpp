#include "app/gui/shell_dialogs.h"

#include "app/core/dialogs/export_model.h"
#include "app/gui/export_dialog.h"
#include "app/gui/options_dialog.h"
#include "app/gui/properties_dialog.h"
#include "app/gui/round_controller.h"

namespace bq::gui {

namespace {

// Holds the schedule timer for as long as a dialog is open.
class ScheduleHold {
 public:
  explicit ScheduleHold(RoundController& r) : r_(r) { r_.HoldSchedule(); }
  ~ScheduleHold() { r_.ReleaseSchedule(); }
  ScheduleHold(const ScheduleHold&) = delete;
  ScheduleHold& operator=(const ScheduleHold&) = delete;

 private:
  RoundController& r_;
};

}  // namespace

bool RunExportDialog(QWidget* parent, app::TApplication& app, RoundController& rounds) {
  ScheduleHold hold(rounds);
  ExportDialog dlg(app::ExportFromSettings(app.Settings), parent);
  if (dlg.exec() != QDialog::Accepted) return false;
  rounds.SetBusy(false, false);
  try {
    app::RunExport(app, dlg.Choice());
  } catch (const std::exception& e) {
    app.Ui.MessageBox(e.what(), app.Caption, kMbOk);
  }
  rounds.SetBusy(true, false);
  return true;
}

bool RunOptionsDialog(QWidget* parent, app::TApplication& app, RoundController& rounds,
                      app::OptionsOutcome* out) {
  ScheduleHold hold(rounds);
  OptionsDialog dlg(app::OptionsFrom(app), parent);
  if (dlg.exec() != QDialog::Accepted) return false;
  app::OptionsOutcome o = app::ApplyOptions(app, dlg.Values());
  rounds.RefreshSchedule();
  if (out) *out = o;
  return true;
}

bool RunPropertiesDialog(QWidget* parent, app::TApplication& app, RoundController& rounds,
                         app::TAddressHistory& history, const std::string& listColumnWidths,
                         app::PropertiesOutcome* out) {
  ScheduleHold hold(rounds);
  PropertiesDialog dlg(app::PropertiesFrom(app), app::ScriptFiles(app.LibFolder()), history.Items(), parent);
  if (dlg.exec() != QDialog::Accepted) return false;
  app::PropertiesOutcome o = app::ApplyProperties(app, dlg.Values(), listColumnWidths, history);
  rounds.ReevaluateActions();
  if (out) *out = o;
  return true;
}

}  // namespace bq::gui
