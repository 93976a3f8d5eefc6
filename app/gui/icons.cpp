// The program's own images, drawn at 16, 24 and 32 pixels.
#include "app/gui/icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace bq::gui {

namespace {

constexpr int kSizes[] = {16, 24, 32};

// Draws in a 32x32 coordinate box, whatever the pixmap size.
template <typename Draw>
QPixmap Paint(int size, Draw draw) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 32.0, size / 32.0);
  draw(p);
  return pm;
}

template <typename Draw>
QIcon MakeIcon(Draw draw) {
  QIcon icon;
  for (int s : kSizes) icon.addPixmap(Paint(s, draw));
  return icon;
}

void Folder(QPainter& p, QColor body) {
  p.setPen(QPen(body.darker(160), 1.5));
  p.setBrush(body.darker(115));
  p.drawRoundedRect(QRectF(3, 7, 12, 6), 2, 2);
  p.setBrush(body);
  p.drawRoundedRect(QRectF(3, 10, 26, 17), 2.5, 2.5);
}

void Globe(QPainter& p, QRectF r) {
  p.setPen(QPen(QColor(20, 70, 140), 1.6));
  p.setBrush(QColor(110, 170, 235));
  p.drawEllipse(r);
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(r.adjusted(r.width() * 0.3, 0, -r.width() * 0.3, 0));
  p.drawLine(QPointF(r.left(), r.center().y()), QPointF(r.right(), r.center().y()));
}

void Arrow(QPainter& p, QPointF from, QPointF to, QColor c) {
  p.setPen(QPen(c, 3, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(from, to);
  QLineF l(to, from);
  QLineF a = l, b = l;
  a.setLength(8);
  b.setLength(8);
  a.setAngle(l.angle() + 35);
  b.setAngle(l.angle() - 35);
  p.drawLine(a);
  p.drawLine(b);
}

void Triangle(QPainter& p, QPointF a, QPointF b, QPointF c, QColor col) {
  p.setPen(QPen(col.darker(150), 1));
  p.setBrush(col);
  p.drawPolygon(QPolygonF({a, b, c}));
}

void Letter(QPainter& p, const QString& text, QColor bg) {
  p.setPen(QPen(bg.darker(150), 1.5));
  p.setBrush(bg);
  p.drawEllipse(QRectF(3, 3, 26, 26));
  QFont f = p.font();
  f.setBold(true);
  f.setPixelSize(20);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRectF(3, 3, 26, 26), Qt::AlignCenter, text);
}

void Sheet(QPainter& p) {
  p.setPen(QPen(QColor(90, 90, 90), 1.5));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(6, 3, 20, 26));
  for (int y = 9; y <= 23; y += 5) p.drawLine(QPointF(10, y), QPointF(22, y));
}

void Envelope(QPainter& p, bool unread) {
  p.setPen(QPen(QColor(80, 80, 80), 1.5));
  p.setBrush(unread ? QColor(255, 220, 90) : QColor(235, 235, 235));
  p.drawRect(QRectF(3, 8, 26, 17));
  p.drawPolyline(QPolygonF({QPointF(3, 8), QPointF(16, 18), QPointF(29, 8)}));
}

void Magnifier(QPainter& p) {
  p.setPen(QPen(QColor(60, 60, 60), 3));
  p.setBrush(QColor(200, 230, 255));
  p.drawEllipse(QRectF(4, 4, 16, 16));
  p.drawLine(QPointF(18, 18), QPointF(28, 28));
}

void Cross(QPainter& p, QRectF r) {
  p.setPen(QPen(QColor(200, 30, 30), 3.5, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(r.topLeft(), r.bottomRight());
  p.drawLine(r.topRight(), r.bottomLeft());
}

void CircleArrow(QPainter& p, QColor c) {
  p.setPen(QPen(c, 3.2, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(5, 5, 22, 22), 100 * 16, 290 * 16);
  Triangle(p, QPointF(12, 1), QPointF(12, 11), QPointF(19, 5), c);
}

void Clock(QPainter& p) {
  p.setPen(QPen(QColor(50, 50, 50), 2));
  p.setBrush(Qt::white);
  p.drawEllipse(QRectF(3, 3, 26, 26));
  p.drawLine(QPointF(16, 16), QPointF(16, 8));
  p.drawLine(QPointF(16, 16), QPointF(22, 19));
}

void DrawImage(QPainter& p, app::Image g) {
  const QColor green(40, 160, 60), blue(40, 100, 200), yellow(240, 200, 80);
  switch (g) {
    case app::Image::None: break;
    case app::Image::Fetch: Globe(p, QRectF(2, 2, 18, 18)); Arrow(p, QPointF(22, 10), QPointF(22, 29), green); break;
    case app::Image::Round: Globe(p, QRectF(9, 9, 14, 14)); CircleArrow(p, green); break;
    case app::Image::Timer: Clock(p); break;
    case app::Image::Stop:
      p.setPen(QPen(QColor(140, 0, 0), 1.5));
      p.setBrush(QColor(220, 40, 40));
      p.drawRoundedRect(QRectF(6, 6, 20, 20), 3, 3);
      break;
    case app::Image::Skip:
      Triangle(p, QPointF(4, 6), QPointF(4, 26), QPointF(16, 16), blue);
      Triangle(p, QPointF(16, 6), QPointF(16, 26), QPointF(28, 16), blue);
      break;
    case app::Image::SwitchOn:
    case app::Image::SwitchOff: {
      bool on = g == app::Image::SwitchOn;
      Clock(p);
      p.setPen(Qt::NoPen);
      p.setBrush(on ? green : QColor(150, 150, 150));
      p.drawEllipse(QRectF(18, 18, 13, 13));
      break;
    }
    case app::Image::NewFolder:
      Folder(p, yellow);
      p.setPen(QPen(green.darker(120), 3.5));
      p.drawLine(QPointF(22, 13), QPointF(22, 27));
      p.drawLine(QPointF(15, 20), QPointF(29, 20));
      break;
    case app::Image::Rename:
      Folder(p, yellow);
      p.setPen(QPen(blue, 3.5, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(12, 27), QPointF(28, 11));
      break;
    case app::Image::DeleteFolder: Folder(p, yellow); Cross(p, QRectF(15, 14, 13, 13)); break;
    case app::Image::Target:
      Folder(p, yellow);
      p.setPen(QPen(QColor(200, 40, 40), 3.5, Qt::SolidLine, Qt::RoundCap));
      p.drawPolyline(QPolygonF({QPointF(10, 18), QPointF(15, 24), QPointF(26, 12)}));
      break;
    case app::Image::Properties: Sheet(p); break;
    case app::Image::Options: {
      p.setPen(QPen(QColor(80, 80, 80), 4, Qt::SolidLine, Qt::RoundCap));
      for (int i = 0; i < 8; ++i) {
        double a = i * M_PI / 4;
        p.drawLine(QPointF(16 + 9 * std::cos(a), 16 + 9 * std::sin(a)),
                   QPointF(16 + 13 * std::cos(a), 16 + 13 * std::sin(a)));
      }
      p.setPen(QPen(QColor(80, 80, 80), 2));
      p.setBrush(QColor(190, 190, 190));
      p.drawEllipse(QRectF(7, 7, 18, 18));
      p.setBrush(Qt::white);
      p.drawEllipse(QRectF(12, 12, 8, 8));
      break;
    }
    case app::Image::Help: Letter(p, QStringLiteral("?"), blue); break;
    case app::Image::About: Letter(p, QStringLiteral("i"), green); break;
    case app::Image::Exit:
      p.setPen(QPen(QColor(90, 60, 30), 2));
      p.setBrush(QColor(190, 140, 90));
      p.drawRect(QRectF(4, 3, 14, 26));
      Arrow(p, QPointF(14, 16), QPointF(30, 16), QColor(200, 40, 40));
      break;
    case app::Image::Hide:
      p.setPen(QPen(QColor(60, 60, 60), 2));
      p.setBrush(Qt::NoBrush);
      p.drawRect(QRectF(3, 3, 26, 20));
      Arrow(p, QPointF(16, 6), QPointF(16, 29), blue);
      break;
    case app::Image::NextHistory: Folder(p, yellow); Arrow(p, QPointF(10, 19), QPointF(27, 19), blue); break;
    case app::Image::Down: Arrow(p, QPointF(16, 3), QPointF(16, 29), blue); break;
    case app::Image::Up: Arrow(p, QPointF(16, 29), QPointF(16, 3), blue); break;
    case app::Image::NextUnread: Envelope(p, true); Arrow(p, QPointF(26, 12), QPointF(26, 31), blue); break;
    case app::Image::PrevUnread: Envelope(p, true); Arrow(p, QPointF(26, 31), QPointF(26, 12), blue); break;
    case app::Image::Find: Magnifier(p); break;
    case app::Image::FindNext: Magnifier(p); Triangle(p, QPointF(20, 24), QPointF(30, 24), QPointF(25, 31), blue); break;
    case app::Image::FindPrev: Magnifier(p); Triangle(p, QPointF(20, 31), QPointF(30, 31), QPointF(25, 24), blue); break;
    case app::Image::Duplicates:
      p.setPen(QPen(QColor(90, 90, 90), 1.5));
      p.setBrush(QColor(220, 220, 255));
      p.drawRect(QRectF(3, 3, 17, 20));
      p.drawRect(QRectF(12, 9, 17, 20));
      break;
    case app::Image::Read: Envelope(p, false); break;
    case app::Image::Unread: Envelope(p, true); break;
    case app::Image::Delete: Cross(p, QRectF(7, 7, 18, 18)); break;
    case app::Image::SelectAll:
      p.setPen(QPen(QColor(60, 60, 60), 2, Qt::DashLine));
      p.setBrush(QColor(200, 220, 255));
      p.drawRect(QRectF(4, 4, 24, 24));
      break;
    case app::Image::Browse: Globe(p, QRectF(3, 3, 26, 26)); break;
    case app::Image::Export: Sheet(p); Arrow(p, QPointF(12, 24), QPointF(30, 24), green); break;
    case app::Image::Run: Triangle(p, QPointF(7, 4), QPointF(7, 28), QPointF(27, 16), green); break;
    case app::Image::Step:
      Triangle(p, QPointF(5, 6), QPointF(5, 26), QPointF(20, 16), green);
      p.fillRect(QRectF(22, 6, 5, 20), green.darker(130));
      break;
    case app::Image::Trace:
      Triangle(p, QPointF(9, 9), QPointF(9, 23), QPointF(20, 16), green);
      p.setBrush(blue);
      p.drawEllipse(QRectF(22, 13, 6, 6));
      break;
    case app::Image::Reset: CircleArrow(p, QColor(200, 120, 20)); break;
    case app::Image::Code: {
      QFont f = p.font();
      f.setBold(true);
      f.setPixelSize(22);
      p.setFont(f);
      p.setPen(blue);
      p.drawText(QRectF(0, 0, 32, 32), Qt::AlignCenter, QStringLiteral("{ }"));
      break;
    }
    case app::Image::Cache:
      p.setPen(QPen(QColor(70, 70, 70), 2));
      p.setBrush(QColor(200, 200, 200));
      p.drawRect(QRectF(7, 9, 18, 20));
      p.drawLine(QPointF(4, 7), QPointF(28, 7));
      p.drawLine(QPointF(13, 4), QPointF(19, 4));
      break;
    case app::Image::RoundLog: Sheet(p); Clock(p); break;
  }
}

void DrawTray(QPainter& p, app::TrayImage image) {
  Globe(p, QRectF(5, 5, 22, 22));
  if (image == app::TrayImage::Active) {
    p.setPen(QPen(Qt::white, 1.5));
    p.setBrush(QColor(230, 40, 40));
    p.drawEllipse(QRectF(17, 1, 14, 14));
    return;
  }
  if (image != app::TrayImage::Normal) {
    const int k = static_cast<int>(image) - static_cast<int>(app::TrayImage::Icon0);
    // A bright dot and its fading trail circle the globe, 45 degrees a frame.
    for (int t = 3; t >= 0; --t) {
      double a = (k - t * 0.45) * M_PI / 4 - M_PI / 2;
      QColor c(255, 150, 0);
      c.setAlpha(255 - t * 60);
      p.setPen(Qt::NoPen);
      p.setBrush(c);
      double r = 4.5 - t * 0.8;
      p.drawEllipse(QPointF(16 + 13 * std::cos(a), 16 + 13 * std::sin(a)), r, r);
    }
  }
}

}  // namespace

QIcon FolderImage(int index) {
  return MakeIcon([index](QPainter& p) {
    if (index <= 0) {
      Globe(p, QRectF(3, 3, 26, 26));
      return;
    }
    const bool selected = index % 2 == 0;
    const int base = selected ? index - 1 : index;  // 1, 3, 5, 7
    const bool unread = base == 3 || base == 7;
    const bool target = base >= 5;
    Folder(p, selected ? QColor(255, 236, 150) : QColor(235, 190, 70));
    if (selected) {  // an opened folder: a lighter front flap
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(255, 250, 215));
      p.drawPolygon(QPolygonF({QPointF(6, 15), QPointF(30, 15), QPointF(27, 27), QPointF(3, 27)}));
    }
    if (unread) {
      p.setPen(QPen(Qt::white, 1));
      p.setBrush(QColor(220, 30, 30));
      p.drawEllipse(QRectF(18, 2, 13, 13));
    }
    if (target) {
      p.setPen(QPen(QColor(20, 130, 40), 3.2, Qt::SolidLine, Qt::RoundCap));
      p.drawPolyline(QPolygonF({QPointF(7, 19), QPointF(12, 24), QPointF(20, 14)}));
    }
  });
}

QPixmap TrayPixmap(app::TrayImage image, int size) {
  return Paint(size, [image](QPainter& p) { DrawTray(p, image); });
}

QIcon TrayIcon(app::TrayImage image) {
  return MakeIcon([image](QPainter& p) { DrawTray(p, image); });
}

void DrawAppIcon(QPainter& p) {
  Folder(p, QColor(235, 190, 70));
  Globe(p, QRectF(12, 12, 17, 17));
}

QIcon AppIcon() {
  QIcon icon = MakeIcon(DrawAppIcon);
  icon.addPixmap(Paint(128, DrawAppIcon));
  return icon;
}

QIcon CommandIcon(app::Image image) {
  if (image == app::Image::None) return QIcon();
  return MakeIcon([image](QPainter& p) { DrawImage(p, image); });
}

}  // namespace bq::gui
