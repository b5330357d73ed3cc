#include "player/stats_group.h"

#include <QEvent>
#include <QLabel>

#include "player/form_parts.h"

namespace klv::player {

using C = ControlId;

StatsGroup::StatsGroup(QWidget* parent) : QGroupBox(parent) {
  setObjectName(ControlName(C::gbStats));
  Label3 = MakeLabel(this, C::Label3);
  lblCapInterval = MakeLabel(this, C::lblCapInterval, true);
  Label4 = MakeLabel(this, C::Label4);
  lblElapsedTime = MakeLabel(this, C::lblElapsedTime, true);
  lblElapsedTime->setWordWrap(true);
  lblElapsedTime->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Label6 = MakeLabel(this, C::Label6);
  lblDate = MakeLabel(this, C::lblDate, true);
  lblTime = MakeLabel(this, C::lblTime, true);
  lblLang = MakeLabel(this, C::lblLang);
  lblLang->setForegroundRole(QPalette::PlaceholderText);
  lblDate->setText("00/00/00");
  lblTime->setText("00:00:00");
  lblCapInterval->setText("--");
  lblElapsedTime->setText("00:00:00");
  Retranslate();
}

void StatsGroup::SetCaptions(StatsCaptions captions) {
  captions_ = captions;
  Retranslate();
}

void StatsGroup::Retranslate() {
  setTitle(FormText("Statistics"));
  const bool event = captions_ == StatsCaptions::kEvent;
  Label3->setText(event ? FormText("Shutdown Delay") : FormText("Capture Interval"));
  Label4->setText(event ? FormText("Event Number") : FormText("Elapsed Time"));
  Label6->setText(FormText("Date/Time"));
  lblLang->setText(FormText("English", "name of the display language"));
}

void StatsGroup::changeEvent(QEvent* e) {
  if (e->type() == QEvent::LanguageChange) Retranslate();
  QGroupBox::changeEvent(e);
}

}  // namespace klv::player
