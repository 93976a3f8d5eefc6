#include "app/gui/font_convert.h"


namespace bq::gui {

void FromQFont(const QFont& qfont, TFont& font) {
  font.name = ToSjis(qfont.family());
  if (qfont.pointSize() > 0) font.size = qfont.pointSize();
  font.style = (qfont.bold() ? 1 : 0) | (qfont.italic() ? 2 : 0) | (qfont.underline() ? 4 : 0) |
               (qfont.strikeOut() ? 8 : 0);
}

QColor ToQColor(std::int32_t color) {
  const app::Rgb c = app::ColorToRgb(color);
  return QColor(c.r, c.g, c.b);
}

std::int32_t FromQColor(const QColor& color) {
  return app::RgbToColor({color.red(), color.green(), color.blue()});
}

}  // namespace bq::gui
