#pragma once
// The dialogs' side of the settings' fonts and colours: a font picked in a
// font dialog back into a TFont, and colours both ways (ToQFont is in
// qt_platform.h).
#include <QColor>
#include <QFont>

#include "app/core/dialogs/options_model.h"
#include "app/gui/qt_platform.h"
#include "web/initfile.h"

namespace bq::gui {

// Name, size and style from the Qt font; colour, character set and pitch stay.
void FromQFont(const QFont& qfont, TFont& font);
QColor ToQColor(std::int32_t color);
std::int32_t FromQColor(const QColor& color);

}  // namespace bq::gui
