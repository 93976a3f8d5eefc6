#pragma once
// Opening the export, options and properties dialogs from the main window:
// the schedule timer is held off while they are open, and confirming them
// goes through the core models. Each returns false when cancelled.
#include <functional>
#include <string>

#include "app/core/application.h"
#include "app/core/dialogs/options_model.h"
#include "app/core/dialogs/properties_model.h"

class QWidget;

namespace bq::gui {

class RoundController;

// "実行！" runs EXPORT in a busy state that cannot be stopped; a script
// error is shown in a message box.
bool RunExportDialog(QWidget* parent, app::TApplication& app, RoundController& rounds);
// On OK the schedule switch and timer follow the new settings; out tells the
// window whether the tree is to be rooted anew.
bool RunOptionsDialog(QWidget* parent, app::TApplication& app, RoundController& rounds,
                      app::OptionsOutcome* out);
// listColumnWidths: the list's current widths, kept when KeepColumns is set.
bool RunPropertiesDialog(QWidget* parent, app::TApplication& app, RoundController& rounds,
                         app::TAddressHistory& history, const std::string& listColumnWidths,
                         app::PropertiesOutcome* out);

}  // namespace bq::gui
