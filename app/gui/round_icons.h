#pragma once
// The images of the round actions, the schedule switch and the tray icon,
// drawn here rather than shipped as files.
#include <QIcon>

#include "app/core/rounds/round_actions.h"
#include "app/core/shell/tray_state.h"

namespace bq::gui {

QIcon RoundActionIcon(app::RoundActionId id);
// The switch's two images (on: 29, off: 28 in the tool bar's list).
QIcon ScheduleSwitchIcon(bool on);
QIcon TrayIcon(app::TrayImage image);

}  // namespace bq::gui
