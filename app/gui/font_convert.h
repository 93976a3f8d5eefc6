#pragma once
// The settings' fonts (TFont) as Qt fonts and back.
#include <QColor>
#include <QFont>

#include "app/core/options_model.h"
#include "web/initfile.h"

namespace bq::gui {

QFont ToQFont(const TFont& font);
// Name, size and style from the Qt font; colour, character set and pitch stay.
void FromQFont(const QFont& qfont, TFont& font);
QColor ToQColor(std::int32_t color);
std::int32_t FromQColor(const QColor& color);

}  // namespace bq::gui
