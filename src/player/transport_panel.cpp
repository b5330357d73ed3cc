#include "player/transport_panel.h"

#include <QEvent>
#include <QToolButton>

#include "player/form_parts.h"
#include "player/transport_icons.h"

namespace klv::player {

using C = ControlId;

TransportPanel::TransportPanel(QWidget* parent) : QWidget(parent) {
  setObjectName(ControlName(C::pnlPlayCtrl));
  sbStop = MakeButton(this, C::sbStop, Glyph::Stop);
  sbPause = MakeButton(this, C::sbPause, Glyph::Pause);
  sbBackward = MakeButton(this, C::sbBackward, Glyph::PlayBackward);
  sbPrevious = MakeButton(this, C::sbPrevious, Glyph::StepBackward);
  sbNext = MakeButton(this, C::sbNext, Glyph::StepForward);
  sbForward = MakeButton(this, C::sbForward, Glyph::PlayForward);
  sbPrevEvent = MakeButton(this, C::sbPrevEvent, Glyph::PrevEvent);
  sbNextEvent = MakeButton(this, C::sbNextEvent, Glyph::NextEvent);
  Retranslate();
}

void TransportPanel::Retranslate() {
  sbStop->setToolTip(FormText("Stop"));
  sbPause->setToolTip(FormText("Pause"));
  sbBackward->setToolTip(FormText("Play Backward"));
  sbPrevious->setToolTip(FormText("Backward 1 Frame"));
  sbNext->setToolTip(FormText("Forward 1 Frame"));
  sbForward->setToolTip(FormText("Play Forward"));
  sbPrevEvent->setToolTip(FormText("Prev Event"));
  sbNextEvent->setToolTip(FormText("Next Event"));
}

void TransportPanel::changeEvent(QEvent* e) {
  if (e->type() == QEvent::LanguageChange) Retranslate();
  QWidget::changeEvent(e);
}

}  // namespace klv::player
