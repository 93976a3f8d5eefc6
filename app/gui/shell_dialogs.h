#pragma once
// Opening the export, options and properties dialogs from the main window:
// while each is open the application's busy state counts a dialog (no
// scheduled round, no round from a second start), and confirming goes
// through the core models. Each returns false when cancelled.
#include <string>

#include "app/core/application.h"
#include "app/core/dialogs/options_model.h"
#include "app/core/dialogs/properties_model.h"

class QWidget;

namespace bq::gui {

// The export dialog opens at the top-left corner of `corner` (the script
// page), the properties dialog at that of the article list; nullptr: where
// the window system puts it.
// "実行！" runs EXPORT in a busy state that cannot be stopped; a script
// error is shown in a message box.
bool RunExportDialog(QWidget* parent, app::TApplication& app, QWidget* corner = nullptr);
// On OK the settings and the schedule change; out tells the window whether
// the tree is to be rooted anew.
bool RunOptionsDialog(QWidget* parent, app::TApplication& app, app::OptionsOutcome* out);
// listColumnWidths: the list's current widths, kept when KeepColumns is set.
bool RunPropertiesDialog(QWidget* parent, app::TApplication& app, app::TAddressHistory& history,
                         const std::string& listColumnWidths, app::PropertiesOutcome* out,
                         QWidget* corner = nullptr);
// Places a dialog's top-left corner on that of `corner` (nothing for nullptr).
void PlaceAtCorner(QWidget* dialog, const QWidget* corner);

}  // namespace bq::gui
