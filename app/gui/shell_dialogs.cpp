#include "app/gui/shell_dialogs.h"

#include <QWidget>

#include "app/core/dialogs/export_model.h"
#include "app/gui/export_dialog.h"
#include "app/gui/options_dialog.h"
#include "app/gui/properties_dialog.h"

namespace bq::gui {

void PlaceAtCorner(QWidget* dialog, const QWidget* corner) {
  if (corner) dialog->move(corner->mapToGlobal(QPoint(0, 0)));
}

bool RunExportDialog(QWidget* parent, app::TApplication& app, QWidget* corner) {
  ExportDialog dlg(app::ExportFromSettings(app.Settings), DialogPickers::Standard(), parent);
  PlaceAtCorner(&dlg, corner);
  {
    app::TBusyState::Scope open = app.Busy().OpenDialog();
    if (dlg.exec() != QDialog::Accepted) return false;
  }
  try {
    app::RunExport(app, dlg.Choice());
  } catch (const std::exception& e) {
    app.Ui.MessageBox(e.what(), app.Caption, kMbOk);
  }
  return true;
}

bool RunOptionsDialog(QWidget* parent, app::TApplication& app, app::OptionsOutcome* out) {
  app::TBusyState::Scope open = app.Busy().OpenDialog();
  OptionsDialog dlg(app::OptionsFrom(app), DialogPickers::Standard(), parent);
  if (dlg.exec() != QDialog::Accepted) return false;
  app::OptionsOutcome o = app::ApplyOptions(app, dlg.Values());
  if (out) *out = o;
  return true;
}

bool RunPropertiesDialog(QWidget* parent, app::TApplication& app, app::TAddressHistory& history,
                         const std::string& listColumnWidths, app::PropertiesOutcome* out, QWidget* corner) {
  app::TBusyState::Scope open = app.Busy().OpenDialog();
  PropertiesDialog dlg(app::PropertiesFrom(app), app::ScriptFiles(app.LibFolder()), history.Items(), parent);
  PlaceAtCorner(&dlg, corner);
  if (dlg.exec() != QDialog::Accepted) return false;
  app::PropertiesOutcome o = app::ApplyProperties(app, dlg.Values(), listColumnWidths, history);
  if (out) *out = o;
  return true;
}

}  // namespace bq::gui
