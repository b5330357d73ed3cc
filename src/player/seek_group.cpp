#include "player/seek_group.h"

#include <QEvent>
#include <QProgressBar>
#include <QSlider>

#include "player/form_parts.h"
#include "player/seek_slider.h"
#include "player/timeline_strip.h"

namespace klv::player {

using C = ControlId;

SeekGroup::SeekGroup(QWidget* parent) : QGroupBox(parent) {
  setObjectName(ControlName(C::gbSeek));
  pnlWhere = new QWidget(this);
  pnlWhere->setObjectName(ControlName(C::pnlWhere));
  pnlWhere->installEventFilter(this);
  tbWhere = new SeekSlider(pnlWhere);
  tbWhere->setObjectName(ControlName(C::tbWhere));
  tbWhere->setRange(0, 100);
  tbWhere->setTickPosition(QSlider::TicksBelow);
  tbWhere->setTickInterval(10);
  pbWhere = new QProgressBar(pnlWhere);
  pbWhere->setObjectName(ControlName(C::pbWhere));
  pbWhere->setRange(0, 100);
  pbWhere->setValue(0);
  pbWhere->setTextVisible(false);
  pnlTimeline = new TimelineStrip(this);
  pnlTimeline->setGeometry(Designed(C::pnlTimeline));
  pnlTimeline->AlignWith(tbWhere);
  pnlTimeline->hide();
  setTitle(FormText("Seek"));
}

// Both bars fill the panel, whichever shows.
bool SeekGroup::eventFilter(QObject* watched, QEvent* e) {
  if (watched == pnlWhere && e->type() == QEvent::Resize) {
    tbWhere->setGeometry(pnlWhere->rect());
    pbWhere->setGeometry(pnlWhere->rect());
  }
  return QGroupBox::eventFilter(watched, e);
}

void SeekGroup::changeEvent(QEvent* e) {
  if (e->type() == QEvent::LanguageChange) setTitle(FormText("Seek"));
  QGroupBox::changeEvent(e);
}

}  // namespace klv::player
