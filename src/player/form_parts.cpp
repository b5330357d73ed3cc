#include "player/form_parts.h"

#include <QLabel>
#include <QToolButton>

#include "player/transport_icons.h"

namespace klv::player {

QToolButton* MakeButton(QWidget* parent, ControlId id, Glyph glyph) {
  auto* b = new QToolButton(parent);
  b->setObjectName(ControlName(id));
  b->setIcon(GlyphIcon(glyph));
  b->setIconSize(QSize(20, 20));
  b->setFocusPolicy(Qt::NoFocus);  // speed buttons never take the focus
  b->setAutoRaise(false);
  b->setGeometry(Designed(id));
  return b;
}

QLabel* MakeLabel(QWidget* parent, ControlId id, bool bold) {
  auto* l = new QLabel(parent);
  l->setObjectName(ControlName(id));
  l->setGeometry(Designed(id));
  if (bold) {
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
  }
  return l;
}

void SetSurround(QWidget* w) {
  QPalette surround = w->palette();
  surround.setColor(QPalette::Window, QColor(0x26, 0x28, 0x2B));
  surround.setColor(QPalette::Dark, QColor(0x26, 0x28, 0x2B));
  w->setPalette(surround);
  w->setBackgroundRole(QPalette::Window);
  w->setAutoFillBackground(true);
}

}  // namespace klv::player
