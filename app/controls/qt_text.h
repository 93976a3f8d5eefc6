#pragma once
// Where the system's texts meet Qt: Shift_JIS <-> QString, the system's
// paths (Shift_JIS) <-> the OS's (UTF-8), and the settings' fonts and
// colours <-> QFont and QColor. Every widget converts through these.
#include <QColor>
#include <QFont>
#include <QString>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/core/dialogs/options_model.h"

namespace bq::gui {

QString FromSjis(std::string_view sjis);
std::string ToSjis(const QString& text);
// OS paths (UTF-8) <-> the system's paths (Shift_JIS).
std::string SystemPath(const QString& osPath);
QString OsPath(std::string_view systemPath);

// A font of the settings as Qt draws it (10 pt when it names no size).
QFont ToQFont(const TFont& font);
// The name, size and style a font dialog picked; colour, character set and
// pitch stay as they were.
void StoreQFont(const QFont& qfont, TFont& font);
// The fixed-pitch font of script text and its listings: one that holds
// Japanese when one is installed, so a line with kana is drawn in the same
// font as the lines around it.
QFont ScriptFont();
// The settings keep colours as Windows colour values: red in the low byte.
QColor ToQColor(std::int32_t color);
std::int32_t FromQColor(const QColor& color);

}  // namespace bq::gui
