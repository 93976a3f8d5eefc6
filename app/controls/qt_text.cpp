// Text, path, font and colour conversions at the widget edge.
#include "app/controls/qt_text.h"

#include <QFontDatabase>

#include "app/core/shell/edge_text.h"
#include "platform/fs.h"

namespace bq::gui {

QString FromSjis(std::string_view sjis) { return QString::fromStdString(app::SjisToUtf8(sjis)); }
std::string ToSjis(const QString& text) { return app::Utf8ToSjis(text.toStdString()); }
std::string SystemPath(const QString& osPath) { return fs::FromOsPath(osPath.toStdString()); }
QString OsPath(std::string_view systemPath) { return QString::fromStdString(fs::ToOsPath(systemPath)); }

QFont ScriptFont() {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setStyleHint(QFont::Monospace);
  for (const QString& family : QFontDatabase::families(QFontDatabase::Japanese))
    if (QFontDatabase::isFixedPitch(family)) {
      font.setFamily(family);
      break;
    }
  return font;
}

QFont ToQFont(const TFont& f) {
  QFont q(FromSjis(f.name), f.size > 0 ? f.size : 10);
  q.setBold(f.style & 1);
  q.setItalic(f.style & 2);
  q.setUnderline(f.style & 4);
  q.setStrikeOut(f.style & 8);
  if (f.pitch == 2) q.setFixedPitch(true);
  return q;
}

void StoreQFont(const QFont& q, TFont& f) {
  f.name = ToSjis(q.family());
  if (q.pointSize() > 0) f.size = q.pointSize();
  f.style = (q.bold() ? 1 : 0) | (q.italic() ? 2 : 0) | (q.underline() ? 4 : 0) | (q.strikeOut() ? 8 : 0);
}

QColor ToQColor(std::int32_t color) {
  const app::Rgb c = app::ColorToRgb(color);
  return QColor(c.r, c.g, c.b);
}

std::int32_t FromQColor(const QColor& color) { return app::RgbToColor({color.red(), color.green(), color.blue()}); }

}  // namespace bq::gui
