// Writes the program's icon, drawn by the program's own painting code, into
// an icon theme folder for the installed .desktop entry:
//   make_icon DIR   DIR/hicolor/NxN/apps/brindlequay.png for the usual sizes,
//                   and DIR/hicolor/scalable/apps/brindlequay.svg when built
//                   with Qt SVG
#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <cstdio>

#include "app/gui/icons.h"
#ifdef BQ_HAVE_QT_SVG
#include <QSvgGenerator>
#endif

namespace {

constexpr int kThemeSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

bool WritePng(const QString& dir, int size) {
  QString folder = QStringLiteral("%1/hicolor/%2x%2/apps").arg(dir).arg(size);
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 32.0, size / 32.0);
  bq::gui::DrawAppIcon(p);
  p.end();
  return QDir().mkpath(folder) && image.save(folder + QStringLiteral("/brindlequay.png"), "PNG");
}

bool WriteSvg([[maybe_unused]] const QString& dir) {
#ifdef BQ_HAVE_QT_SVG
  QString folder = dir + QStringLiteral("/hicolor/scalable/apps");
  if (!QDir().mkpath(folder)) return false;
  QSvgGenerator svg;
  svg.setFileName(folder + QStringLiteral("/brindlequay.svg"));
  svg.setSize(QSize(32, 32));
  svg.setViewBox(QRect(0, 0, 32, 32));
  svg.setTitle(QStringLiteral("Brindlequay"));
  QPainter p(&svg);
  p.setRenderHint(QPainter::Antialiasing);
  bq::gui::DrawAppIcon(p);
  return p.end();
#else
  return true;
#endif
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fputs("usage: make_icon DIR\n", stderr);
    return 2;
  }
  QString dir = QString::fromLocal8Bit(argv[1]);
  for (int size : kThemeSizes)
    if (!WritePng(dir, size)) return 1;
  return WriteSvg(dir) ? 0 : 1;
}
