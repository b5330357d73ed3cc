#include "setclock/up_down.h"

#include <QEvent>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace klv {

UpDown::UpDown(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  up_ = new QToolButton(this);
  down_ = new QToolButton(this);
  up_->setArrowType(Qt::UpArrow);
  down_->setArrowType(Qt::DownArrow);
  for (QToolButton* b : {up_, down_}) {
    // The box beside keeps the focus, as with the camera software's up-downs.
    b->setFocusPolicy(Qt::NoFocus);
    b->setAutoRepeat(true);
    b->setAutoRepeatDelay(400);
    b->setAutoRepeatInterval(80);
    b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    b->setFixedWidth(18);
    b->setIconSize(QSize(8, 8));
    b->setMouseTracking(true);
    b->installEventFilter(this);
    layout->addWidget(b);
  }
  setMouseTracking(true);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
  connect(up_, &QToolButton::clicked, this, &UpDown::stepUp);
  connect(down_, &QToolButton::clicked, this, &UpDown::stepDown);
}

QSize UpDown::sizeHint() const { return QSize(18, 24); }

void UpDown::setPosition(int position) { position_ = std::clamp(position, min_, max_); }

void UpDown::setRange(int minimum, int maximum) {
  min_ = minimum;
  max_ = std::max(minimum, maximum);
  position_ = std::clamp(position_, min_, max_);
}

void UpDown::stepUp() {
  setPosition(position_ + 1);
  emit clicked(true);
}

void UpDown::stepDown() {
  setPosition(position_ - 1);
  emit clicked(false);
}

bool UpDown::eventFilter(QObject* watched, QEvent* event) {
  if ((watched == up_ || watched == down_) &&
      (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter))
    emit pointerMoved();
  return QWidget::eventFilter(watched, event);
}

void UpDown::mouseMoveEvent(QMouseEvent* event) {
  emit pointerMoved();
  QWidget::mouseMoveEvent(event);
}

}  // namespace klv
