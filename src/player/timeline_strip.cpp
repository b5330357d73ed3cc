#include "player/timeline_strip.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QToolTip>
#include <algorithm>
#include <cmath>

#include "engine/motion_timeline.h"
#include "player/form_parts.h"
#include "player/seek_slider.h"

namespace klv::player {

namespace {

const QColor kBackground(0x1E, 0x20, 0x23);
const QColor kBorder(0x3A, 0x3D, 0x42);
const QColor kHatch(0x36, 0x39, 0x3E);
const QColor kQuiet(0x6F, 0x84, 0x97);
const QColor kMotion(0xFF, 0xB5, 0x47);
const QColor kLine(0xE8, 0xEA, 0xED, 170);
const QColor kEvent(0x4F, 0xC3, 0xF7);

}  // namespace

TimelineStrip::TimelineStrip(QWidget* parent) : QWidget(parent), poll_(new QTimer(this)) {
  setObjectName(ControlName(ControlId::pnlTimeline));
  setAttribute(Qt::WA_OpaquePaintEvent);
  setCursor(Qt::PointingHandCursor);
  poll_->setInterval(kPollMs);
  connect(poll_, &QTimer::timeout, this, &TimelineStrip::Poll);
}

void TimelineStrip::SetValues(std::shared_ptr<const TimelineValues> values) {
  values_ = std::move(values);
  drawnFilled_ = -1;
  lastChosen_ = -1;
  if (values_ != nullptr && values_->GetState() == TimelineValues::State::kFilling)
    poll_->start();
  else
    poll_->stop();
  update();
}

bool TimelineStrip::Polling() const { return poll_->isActive(); }

void TimelineStrip::Poll() {
  if (values_ == nullptr) {
    poll_->stop();
    return;
  }
  if (values_->GetState() != TimelineValues::State::kFilling) poll_->stop();
  if (values_->Filled() != drawnFilled_ || !poll_->isActive()) update();
}

void TimelineStrip::SetThreshold(int threshold) {
  if (threshold == threshold_) return;
  threshold_ = threshold;
  update();
}

void TimelineStrip::Span(int* first, int* last) const {
  if (bar_ != nullptr) {
    bar_->HandleSpan(first, last);
    // The bar and the strip need not start at the same x.
    const int shift = bar_->mapTo(window(), QPoint(0, 0)).x() - mapTo(window(), QPoint(0, 0)).x();
    *first += shift;
    *last += shift;
  } else {
    *first = 3;
    *last = width() - 4;
  }
  if (*last < *first) *last = *first;
}

int TimelineStrip::FrameAt(int x) const {
  if (values_ == nullptr || values_->Frames() == 0) return -1;
  const int frames = values_->Frames();
  int first = 0, last = 0;
  Span(&first, &last);
  if (frames == 1 || last == first) return 0;
  const long f = std::lround(static_cast<double>(x - first) * (frames - 1) / (last - first));
  return static_cast<int>(std::clamp<long>(f, 0, frames - 1));
}

int TimelineStrip::XOf(int frame) const {
  int first = 0, last = 0;
  Span(&first, &last);
  const int frames = values_ != nullptr ? values_->Frames() : 0;
  if (frames <= 1) return first;
  return first + static_cast<int>(std::lround(static_cast<double>(frame) * (last - first) / (frames - 1)));
}

int TimelineStrip::BarHeight(int difference) const {
  if (difference <= 0) return 0;
  const int room = std::max(1, height() - 2);
  const double share = std::sqrt(std::min(difference, 255) / 255.0);
  return std::max(1, static_cast<int>(std::lround(share * room)));
}

void TimelineStrip::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect inner = rect().adjusted(1, 1, -1, -1);
  p.fillRect(rect(), kBackground);
  p.setPen(kBorder);
  p.drawRect(rect().adjusted(0, 0, -1, -1));
  if (values_ == nullptr || values_->Frames() == 0 || inner.isEmpty()) return;
  if (values_->GetState() == TimelineValues::State::kFailed) return;

  const int frames = values_->Frames();
  const int filled = values_->Filled();
  drawnFilled_ = filled;
  int first = 0, last = 0;
  Span(&first, &last);
  const double step = frames > 1 ? static_cast<double>(last - first) / (frames - 1) : 0.0;
  const double half = std::max(step / 2, 0.5);
  const int left = std::max(inner.left(), static_cast<int>(std::floor(first - half + 0.5)));
  const int right = std::min(inner.right(), static_cast<int>(std::ceil(last + half - 0.5)));
  const int base = inner.bottom() + 1;  // bars grow up from here

  // The frames under column x: one wide bar a frame when they are few, the
  // largest of several when they are many.
  auto framesUnder = [&](int x, int* lo, int* hi) {
    if (step <= 0.0) {
      *lo = *hi = 0;
      return;
    }
    const double t = (x - first) / step;
    if (step >= 1.0) {
      *lo = *hi = static_cast<int>(std::lround(t));
    } else {
      *lo = static_cast<int>(std::ceil(t - 0.5 / step));
      *hi = static_cast<int>(std::floor(t + 0.5 / step - 1e-9));
      if (*hi < *lo) *lo = *hi = static_cast<int>(std::lround(t));
    }
    *lo = std::clamp(*lo, 0, frames - 1);
    *hi = std::clamp(*hi, 0, frames - 1);
  };

  // What is not filled yet is hatched.
  p.setPen(Qt::NoPen);
  for (int x = left; x <= right; ++x) {
    int lo = 0, hi = 0;
    framesUnder(x, &lo, &hi);
    if (lo >= filled) {
      p.fillRect(QRect(x, inner.top(), right - x + 1, inner.height()), QBrush(kHatch, Qt::BDiagPattern));
      break;
    }
    int most = -1;
    for (int f = std::max(lo, 1); f <= std::min(hi, filled - 1); ++f) most = std::max(most, values_->Value(f));
    const int h = BarHeight(most);
    if (h > 0) p.fillRect(QRect(x, base - h, 1, h), threshold_ > 0 && most > threshold_ ? kMotion : kQuiet);
  }

  // The threshold: a bar that reaches above the line is a frame a search stops at.
  if (threshold_ > 0) {
    const int y = base - BarHeight(threshold_) - 1;
    QPen pen(kLine, 1);
    pen.setDashPattern({3, 2});
    p.setPen(pen);
    p.drawLine(left, std::max(inner.top(), y), right, std::max(inner.top(), y));
  }

  // The camera's event marks: a line through the strip and a notch on top.
  for (int e : values_->EventFrames()) {
    if (e < 0 || e >= frames) continue;
    const int x = XOf(e);
    QColor line = kEvent;
    line.setAlpha(120);
    p.fillRect(QRect(x, inner.top(), 1, inner.height()), line);
    p.fillRect(QRect(x - 1, inner.top(), 3, 2), kEvent);
  }
}

void TimelineStrip::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || values_ == nullptr) {
    QWidget::mousePressEvent(e);
    return;
  }
  lastChosen_ = FrameAt(e->position().toPoint().x());
  if (lastChosen_ >= 0) emit frameChosen(lastChosen_);
}

void TimelineStrip::mouseMoveEvent(QMouseEvent* e) {
  if (!(e->buttons() & Qt::LeftButton) || values_ == nullptr) {
    QWidget::mouseMoveEvent(e);
    return;
  }
  const int frame = FrameAt(e->position().toPoint().x());
  if (frame >= 0 && frame != lastChosen_) {
    lastChosen_ = frame;
    emit frameChosen(frame);
  }
}

bool TimelineStrip::event(QEvent* e) {
  if (e->type() != QEvent::ToolTip) return QWidget::event(e);
  auto* help = static_cast<QHelpEvent*>(e);
  const int frame = FrameAt(help->pos().x());
  if (frame < 0) {
    QToolTip::hideText();
    e->ignore();
    return true;
  }
  // Frames are counted from 1, as the status bar counts them.
  const QString text = frame > 0 && frame < values_->Filled()
                           ? FormText("Frame %1: change %2").arg(frame + 1).arg(values_->Value(frame))
                           : FormText("Frame %1").arg(frame + 1);
  QToolTip::showText(help->globalPos(), text, this);
  return true;
}

}  // namespace klv::player
