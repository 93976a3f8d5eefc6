#pragma once
// Every image of the program, drawn here with QPainter: the folder tree's
// nine images, the tray's NORMAL, ACTIVE and ICON0..ICON7 (a dot circling a
// globe, so the round animation reads as motion), the program's icon and the
// glyphs of the actions.
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QString>

namespace bq::gui {

enum class Glyph {
  None, Fetch, Round, Timer, Stop, Skip, SwitchOn, SwitchOff, NewFolder, Rename, DeleteFolder, Target, Properties,
  Options, Help, About, Exit, Hide, NextHistory, Down, Up, NextUnread, PrevUnread, Find, FindNext, FindPrev,
  Duplicates, Read, Unread, Delete, SelectAll, Browse, Export, Run, Step, Trace, Reset, Code, Cache, RoundLog,
};

// index: 0 the top node, 1..8 as the folder image rule gives them.
QIcon FolderImage(int index);
// "NORMAL", "ACTIVE", "ICON0".."ICON7"; NORMAL for any other name.
QIcon TrayImage(const QString& name);
QPixmap TrayPixmap(const QString& name, int size);
QIcon AppIcon();
// The program's icon drawn in a 32x32 box (scale the painter for other sizes).
void DrawAppIcon(QPainter& p);
QIcon GlyphIcon(Glyph glyph);

}  // namespace bq::gui
