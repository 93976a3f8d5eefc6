#pragma once
// Shift_JIS text of the core to and from the widgets' Unicode.
#include <QString>
#include <string>

#include "textlib/cp932.h"

namespace bq::gui {

inline QString FromSjis(const std::string& sjis) { return QString::fromStdString(SjisToUtf8(sjis)); }
inline std::string ToSjis(const QString& text) { return Utf8ToSjis(text.toStdString()); }

}  // namespace bq::gui
