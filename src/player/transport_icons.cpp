#include "player/transport_icons.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>

namespace klv::player {
namespace {

// Glyphs are drawn on a 24 x 24 grid.
void Triangle(QPainter& p, double x, double y, double w, double h, bool right) {
  QPainterPath path;
  if (right) {
    path.moveTo(x, y);
    path.lineTo(x + w, y + h / 2);
    path.lineTo(x, y + h);
  } else {
    path.moveTo(x + w, y);
    path.lineTo(x, y + h / 2);
    path.lineTo(x + w, y + h);
  }
  path.closeSubpath();
  p.drawPath(path);
}

void Magnifier(QPainter& p, const QColor& ink) {
  QPen pen(ink, 2.2);
  pen.setCapStyle(Qt::RoundCap);
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QRectF(6.5, 3.5, 10, 10));
  p.drawLine(QPointF(15, 12), QPointF(19.5, 16.5));
  p.setPen(Qt::NoPen);
  p.setBrush(ink);
}

void Draw(QPainter& p, Glyph g, const QColor& ink, const QColor& accent) {
  p.setPen(Qt::NoPen);
  p.setBrush(ink);
  switch (g) {
    case Glyph::Stop:
      p.drawRoundedRect(QRectF(6, 6, 12, 12), 1.5, 1.5);
      break;
    case Glyph::Pause:
      p.drawRoundedRect(QRectF(6, 5, 4.5, 14), 1, 1);
      p.drawRoundedRect(QRectF(13.5, 5, 4.5, 14), 1, 1);
      break;
    case Glyph::PlayBackward:
      Triangle(p, 5, 4.5, 13, 15, false);
      break;
    case Glyph::PlayForward:
      Triangle(p, 6, 4.5, 13, 15, true);
      break;
    case Glyph::StepBackward:
      p.drawRect(QRectF(5, 6, 3, 12));
      Triangle(p, 9, 6, 10, 12, false);
      break;
    case Glyph::StepForward:
      Triangle(p, 5, 6, 10, 12, true);
      p.drawRect(QRectF(16, 6, 3, 12));
      break;
    case Glyph::PrevEvent:
      p.setBrush(accent);
      p.drawRect(QRectF(3.5, 6, 2.5, 12));
      Triangle(p, 6.5, 6, 7.5, 12, false);
      Triangle(p, 13, 6, 7.5, 12, false);
      break;
    case Glyph::NextEvent:
      p.setBrush(accent);
      Triangle(p, 3.5, 6, 7.5, 12, true);
      Triangle(p, 10, 6, 7.5, 12, true);
      p.drawRect(QRectF(18, 6, 2.5, 12));
      break;
    case Glyph::SearchBackward:
      Magnifier(p, ink);
      Triangle(p, 2, 15, 6, 7, false);
      break;
    case Glyph::StopSearch:
      Magnifier(p, ink);
      p.setBrush(accent);
      p.drawRect(QRectF(2.5, 15.5, 6, 6));
      break;
    case Glyph::SearchForward:
      Magnifier(p, ink);
      Triangle(p, 16, 15, 6, 7, true);
      break;
  }
}

QPixmap Render(Glyph g, int size, const QColor& ink, const QColor& accent) {
  const qreal dpr = qApp ? qApp->devicePixelRatio() : 1.0;
  QPixmap pm(QSize(size, size) * dpr);
  pm.setDevicePixelRatio(dpr);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 24.0, size / 24.0);
  Draw(p, g, ink, accent);
  return pm;
}

}  // namespace

QIcon GlyphIcon(Glyph glyph) {
  const QPalette pal = QApplication::palette();
  const QColor ink = pal.color(QPalette::Active, QPalette::ButtonText);
  const QColor accent(0xC0, 0x39, 0x2B);  // event marks: the camera's red
  const QColor inkOff = pal.color(QPalette::Disabled, QPalette::ButtonText);
  QIcon icon;
  for (int size : {16, 20, 24, 32}) {
    icon.addPixmap(Render(glyph, size, ink, accent), QIcon::Normal);
    icon.addPixmap(Render(glyph, size, inkOff, inkOff), QIcon::Disabled);
  }
  return icon;
}

QPixmap AppPixmap(int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 64.0, size / 64.0);
  // Camera body.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x2C, 0x3A, 0x4A));
  p.drawRoundedRect(QRectF(4, 16, 56, 38), 7, 7);
  p.drawRoundedRect(QRectF(14, 10, 16, 10), 3, 3);
  // Lens as a clock face.
  p.setBrush(QColor(0xEC, 0xF0, 0xF1));
  p.drawEllipse(QPointF(32, 35), 14, 14);
  p.setBrush(QColor(0x2E, 0x86, 0xC1));
  p.drawEllipse(QPointF(32, 35), 11, 11);
  QPen hand(QColor(0xFF, 0xFF, 0xFF), 2.6);
  hand.setCapStyle(Qt::RoundCap);
  p.setPen(hand);
  p.drawLine(QPointF(32, 35), QPointF(32, 27));
  p.drawLine(QPointF(32, 35), QPointF(38, 38));
  // Recording light.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xE7, 0x4C, 0x3C));
  p.drawEllipse(QPointF(51, 23), 3, 3);
  return pm;
}

QIcon AppIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(AppPixmap(size));
  return icon;
}

}  // namespace klv::player
