#include "player/seek_slider.h"

#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>

namespace klv::player {

SeekSlider::SeekSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {}

void SeekSlider::HandleSpan(int* first, int* last) const {
  QStyleOptionSlider opt;
  initStyleOption(&opt);
  const QRect groove = style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, this);
  const QRect handle = style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, this);
  *first = groove.left() + handle.width() / 2;
  *last = groove.right() - (handle.width() - 1) / 2;
  if (*last < *first) *last = *first;
}

int SeekSlider::ValueAt(int x) const {
  int first = 0, last = 0;
  HandleSpan(&first, &last);
  return QStyle::sliderValueFromPosition(minimum(), maximum(), x - first, last - first);
}

void SeekSlider::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && maximum() > minimum()) {
    QStyleOptionSlider opt;
    initStyleOption(&opt);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, this);
    // Beside the handle: the handle comes under the mouse first, then the
    // press takes hold of it as a drag would.
    if (!handle.contains(e->position().toPoint())) setValue(ValueAt(e->position().toPoint().x()));
  }
  QSlider::mousePressEvent(e);
}

}  // namespace klv::player
