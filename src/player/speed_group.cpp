#include "player/speed_group.h"

#include <QEvent>
#include <QSlider>

#include "player/form_parts.h"

namespace klv::player {

SpeedGroup::SpeedGroup(QWidget* parent) : QGroupBox(parent) {
  setObjectName(ControlName(ControlId::gbPlayRate));
  tbRate = new QSlider(Qt::Vertical, this);
  tbRate->setObjectName(ControlName(ControlId::tbRate));
  tbRate->setRange(0, 29);
  tbRate->setInvertedAppearance(true);  // position 0, 30 frames a second, at the top
  tbRate->setInvertedControls(true);
  tbRate->setTickPosition(QSlider::TicksRight);
  tbRate->setTickInterval(1);
  tbRate->setPageStep(5);
  tbRate->setValue(1);
  setTitle(FormText("Speed"));
}

void SpeedGroup::resizeEvent(QResizeEvent* e) {
  QGroupBox::resizeEvent(e);
  tbRate->setGeometry(18, 22, std::max(0, width() - 36), std::max(0, height() - 30));
}

void SpeedGroup::changeEvent(QEvent* e) {
  if (e->type() == QEvent::LanguageChange) setTitle(FormText("Speed"));
  QGroupBox::changeEvent(e);
}

}  // namespace klv::player
