#include "app/gui/round_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QtMath>

namespace bq::gui {

namespace {

constexpr int kSize = 32;

// Draws at 32 px on a transparent pixmap; Qt scales for smaller uses.
template <typename Paint>
QIcon Draw(Paint paint) {
  QPixmap pm(kSize, kSize);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  paint(p);
  p.end();
  return QIcon(pm);
}

void Arrow(QPainter& p, QPointF tip, qreal angle, qreal size) {
  QPainterPath head;
  head.moveTo(tip);
  head.lineTo(tip + QPointF(size * qCos(angle + 2.6), size * qSin(angle + 2.6)));
  head.lineTo(tip + QPointF(size * qCos(angle - 2.6), size * qSin(angle - 2.6)));
  head.closeSubpath();
  p.fillPath(head, p.pen().color());
}

void FetchImage(QPainter& p) {
  p.setPen(QPen(QColor(0x20, 0x80, 0x30), 4, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(16, 4, 16, 18);
  Arrow(p, QPointF(16, 24), M_PI / 2, 10);
  p.setPen(QPen(QColor(0x50, 0x50, 0x50), 3, Qt::SolidLine, Qt::RoundCap));
  p.drawPolyline(QPolygonF({QPointF(5, 20), QPointF(5, 28), QPointF(27, 28), QPointF(27, 20)}));
}

void RoundImage(QPainter& p) {
  p.setPen(QPen(QColor(0x20, 0x60, 0xC0), 4, Qt::SolidLine, Qt::RoundCap));
  p.drawArc(QRectF(5, 5, 22, 22), 90 * 16, 270 * 16);
  Arrow(p, QPointF(19, 5), 0, 8);
}

void ClockImage(QPainter& p) {
  p.setPen(QPen(QColor(0x30, 0x30, 0x30), 2.5));
  p.setBrush(QColor(0xFF, 0xF4, 0xD0));
  p.drawEllipse(QRectF(3, 3, 26, 26));
  p.setPen(QPen(QColor(0x30, 0x30, 0x30), 2.5, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(16, 16), QPointF(16, 8));
  p.drawLine(QPointF(16, 16), QPointF(22, 19));
}

void StopImage(QPainter& p) {
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xD0, 0x20, 0x20));
  p.drawRoundedRect(QRectF(6, 6, 20, 20), 3, 3);
}

void SkipImage(QPainter& p) {
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xE0, 0x90, 0x10));
  p.drawPolygon(QPolygonF({QPointF(4, 7), QPointF(15, 16), QPointF(4, 25)}));
  p.drawPolygon(QPolygonF({QPointF(14, 7), QPointF(25, 16), QPointF(14, 25)}));
  p.drawRect(QRectF(25, 7, 3, 18));
}

void SwitchImage(QPainter& p, bool on) {
  p.setPen(QPen(QColor(0x40, 0x40, 0x40), 2));
  p.setBrush(on ? QColor(0x30, 0xC0, 0x40) : QColor(0xB0, 0xB0, 0xB0));
  p.drawEllipse(QRectF(6, 6, 20, 20));
  if (on) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 160));
    p.drawEllipse(QRectF(10, 9, 7, 6));
  }
}

// The program's mark: a blue disc with a white "B".
void Mark(QPainter& p) {
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x1E, 0x5A, 0xA8));
  p.drawEllipse(QRectF(1, 1, 30, 30));
  QFont f = p.font();
  f.setBold(true);
  f.setPixelSize(20);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRectF(0, 0, kSize, kSize), Qt::AlignCenter, QStringLiteral("B"));
}

void TrayPicture(QPainter& p, app::TrayImage image) {
  Mark(p);
  if (image == app::TrayImage::Active) {
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(QColor(0xF0, 0x50, 0x20));
    p.drawEllipse(QRectF(19, 1, 12, 12));
    return;
  }
  if (image == app::TrayImage::Normal) return;
  // A bright dot circling the rim, one eighth of a turn per frame.
  const int frame = static_cast<int>(image) - static_cast<int>(app::TrayImage::Icon0);
  const qreal a = -M_PI / 2 + frame * M_PI / 4;
  const QPointF c(16 + 11.5 * qCos(a), 16 + 11.5 * qSin(a));
  p.setPen(QPen(QColor(0x1E, 0x5A, 0xA8), 1.5));
  p.setBrush(QColor(0xFF, 0xD0, 0x20));
  p.drawEllipse(c, 5, 5);
}

}  // namespace

QIcon RoundActionIcon(app::RoundActionId id) {
  switch (id) {
    case app::RoundActionId::Exec:
      return Draw(FetchImage);
    case app::RoundActionId::Round:
      return Draw(RoundImage);
    case app::RoundActionId::Timer:
      return Draw(ClockImage);
    case app::RoundActionId::Stop:
      return Draw(StopImage);
    case app::RoundActionId::Skip:
      return Draw(SkipImage);
    case app::RoundActionId::Switch:
      break;
  }
  return ScheduleSwitchIcon(false);
}

QIcon ScheduleSwitchIcon(bool on) {
  return Draw([on](QPainter& p) { SwitchImage(p, on); });
}

QIcon TrayIcon(app::TrayImage image) {
  return Draw([image](QPainter& p) { TrayPicture(p, image); });
}

}  // namespace bq::gui
