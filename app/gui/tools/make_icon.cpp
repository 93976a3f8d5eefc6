// Writes the program's icon, drawn by the program's own painting code, as
// a PNG for the installed .desktop entry: make_icon FILE.png SIZE
#include <QGuiApplication>

#include "app/gui/icons.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 3) return 2;
  int size = QByteArray(argv[2]).toInt();
  return bq::gui::AppIcon().pixmap(size, size).save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
