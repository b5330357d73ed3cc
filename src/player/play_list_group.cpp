#include "player/play_list_group.h"

#include <QEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "player/form_parts.h"

namespace klv::player {

using C = ControlId;

PlayListGroup::PlayListGroup(QWidget* parent) : QGroupBox(parent) {
  setObjectName(ControlName(C::gbPlayList));
  lbPlayList = new QListWidget(this);
  lbPlayList->setObjectName(ControlName(C::lbPlayList));
  lbPlayList->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  lbPlayList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  lbPlayList->setMouseTracking(true);
  lbPlayList->viewport()->setMouseTracking(true);
  lbPlayList->setUniformItemSizes(true);
  lblFilePath = MakeLabel(this, C::lblFilePath);
  lblFilePath->setText("---");
  lblFilePath->setTextFormat(Qt::PlainText);
  pnlPLControls = new QWidget(this);
  pnlPLControls->setObjectName(ControlName(C::pnlPLControls));
  const auto button = [this](C id) {
    auto* b = new QPushButton(pnlPLControls);
    b->setObjectName(ControlName(id));
    b->setGeometry(Designed(id));
    return b;
  };
  bPrevious = button(C::bPrevious);
  bSkip = button(C::bSkip);
  bClearPlayList = button(C::bClearPlayList);
  Retranslate();
}

void PlayListGroup::Retranslate() {
  setTitle(FormText("PlayList"));
  bPrevious->setText(FormText("&Previous"));
  bSkip->setText(FormText("&Next"));
  bClearPlayList->setText(FormText("&Clear"));
}

void PlayListGroup::changeEvent(QEvent* e) {
  if (e->type() == QEvent::LanguageChange) Retranslate();
  QGroupBox::changeEvent(e);
}

}  // namespace klv::player
