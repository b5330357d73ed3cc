#include "player/motion_group.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include "player/form_parts.h"
#include "player/search_preview.h"
#include "player/transport_icons.h"

namespace klv::player {

using C = ControlId;

MotionSearchGroup::MotionSearchGroup(QWidget* parent) : QGroupBox(parent) {
  setObjectName(ControlName(C::gbMotion));
  pnlSearch = new SearchPreviewPanel(this);
  pnlSearch->setGeometry(Designed(C::pnlSearch));
  SetSurround(pnlSearch);
  Thresh = MakeLabel(this, C::Thresh);
  edtMotionThreshold = new QLineEdit(this);
  edtMotionThreshold->setObjectName(ControlName(C::edtMotionThreshold));
  edtMotionThreshold->setGeometry(Designed(C::edtMotionThreshold));
  edtMotionThreshold->setText("00");
  sbSearchBackward = MakeButton(this, C::sbSearchBackward, Glyph::SearchBackward);
  sbStopSearch = MakeButton(this, C::sbStopSearch, Glyph::StopSearch);
  sbSearchForward = MakeButton(this, C::sbSearchForward, Glyph::SearchForward);
  const C ids[] = {C::lblSrchMsg, C::lblSearchForward, C::lblSearchBackward, C::lblSearchFound};
  for (size_t i = 0; i < labels.size(); ++i) {
    labels[i] = MakeLabel(this, ids[i], true);
    labels[i]->setAlignment(Qt::AlignCenter);
    labels[i]->setVisible(i == 0);
  }
  Retranslate();
}

void MotionSearchGroup::ShowLabel(SearchLabel label) {
  for (size_t i = 0; i < labels.size(); ++i) labels[i]->setVisible(static_cast<int>(i) == static_cast<int>(label));
}

void MotionSearchGroup::Retranslate() {
  setTitle(FormText("Motion Search"));
  Thresh->setText(FormText("Threshold"));
  labels[0]->setText(FormText("Search Inactive"));
  labels[1]->setText(FormText("Search Forward"));
  labels[2]->setText(FormText("Search Backward"));
  labels[3]->setText(FormText("Found"));
  sbSearchBackward->setToolTip(FormText("Search Backward"));
  sbStopSearch->setToolTip(FormText("Stop Search"));
  sbSearchForward->setToolTip(FormText("Search Forward"));
}

void MotionSearchGroup::changeEvent(QEvent* e) {
  if (e->type() == QEvent::LanguageChange) Retranslate();
  QGroupBox::changeEvent(e);
}

}  // namespace klv::player
