#pragma once
// Every image of the program, drawn here with QPainter, one drawing each:
// the command images of the command table, the folder tree's nine images,
// the tray's NORMAL, ACTIVE and ICON0..ICON7 (a dot circling a globe, so the
// round animation reads as motion) and the program's icon.
#include <QIcon>
#include <QPainter>
#include <QPixmap>

#include "app/core/shell/commands.h"
#include "app/core/shell/tray_state.h"

namespace bq::gui {

// index: 0 the top node, 1..8 as the folder image rule gives them.
QIcon FolderImage(int index);
QIcon TrayIcon(app::TrayImage image);
QPixmap TrayPixmap(app::TrayImage image, int size);
QIcon AppIcon();
// A null icon for Image::None.
QIcon CommandIcon(app::Image image);
// The program's icon drawn in a 32x32 box (scale the painter for other sizes).
void DrawAppIcon(QPainter& p);

}  // namespace bq::gui
