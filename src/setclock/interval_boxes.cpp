#include "setclock/interval_boxes.h"

#include <QApplication>
#include <QBoxLayout>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>
#include <climits>

#include "platform/ini_store.h"
#include "setclock/up_down.h"

namespace klv {
namespace {

int ReadBox(const QLineEdit* box) { return LeadingInt(box->text().toStdString()); }

}  // namespace

IntervalBoxes::IntervalBoxes(QLineEdit* hours, UpDown* udHours, QLineEdit* minutes,
                             UpDown* udMinutes, QLineEdit* seconds, UpDown* udSeconds,
                             const IntervalRules& rules, QObject* parent)
    : QObject(parent),
      edtHours_(hours),
      udHours_(udHours),
      edtMinutes_(minutes),
      udMinutes_(udMinutes),
      edtSeconds_(seconds),
      udSeconds_(udSeconds),
      rules_(rules) {
  udMinutes_->setRange(0, rules_.minutesSecondsTop);
  udSeconds_->setRange(0, rules_.minutesSecondsTop);
  for (QLineEdit* box : {edtHours_, edtMinutes_, edtSeconds_}) box->installEventFilter(this);
  connect(edtHours_, &QLineEdit::textChanged, this, &IntervalBoxes::onHoursChanged);
  connect(edtMinutes_, &QLineEdit::textChanged, this, &IntervalBoxes::onMinutesChanged);
  connect(edtSeconds_, &QLineEdit::textChanged, this, &IntervalBoxes::onSecondsChanged);
  connect(udHours_, &UpDown::clicked, this, &IntervalBoxes::onHoursClicked);
  connect(udMinutes_, &UpDown::clicked, this, &IntervalBoxes::onMinutesClicked);
  connect(udSeconds_, &UpDown::clicked, this, &IntervalBoxes::onSecondsClicked);
  connect(udHours_, &UpDown::pointerMoved, this,
          [this] { pointerOver(edtHours_, udHours_, false); });
  connect(udMinutes_, &UpDown::pointerMoved, this,
          [this] { pointerOver(edtMinutes_, udMinutes_, true); });
  connect(udSeconds_, &UpDown::pointerMoved, this,
          [this] { pointerOver(edtSeconds_, udSeconds_, true); });
}

int IntervalBoxes::interval() const {
  const long long v =
      static_cast<long long>(hours_) * 3600 + static_cast<long long>(minutes_) * 60 + seconds_;
  return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

void IntervalBoxes::showInterval(int n, bool moveUpDowns) {
  const bool was = filling_;
  filling_ = true;
  hours_ = n / 3600;
  minutes_ = (n / 60) % 60;
  seconds_ = n % 60;
  edtHours_->setText(QString::number(hours_));
  edtMinutes_->setText(QString::number(minutes_));
  edtSeconds_->setText(QString::number(seconds_));
  if (moveUpDowns) {
    udHours_->setPosition(hours_);
    udMinutes_->setPosition(minutes_);
    udSeconds_->setPosition(seconds_);
  }
  filling_ = was;
}

void IntervalBoxes::beep() {
  if (beep_)
    beep_();
  else
    QApplication::beep();
}

// Setting a box's text runs its change rule, as a user's typing would.
void IntervalBoxes::setText(QLineEdit* box, int value) {
  const QString text = QString::number(value);
  if (box->text() != text) box->setText(text);
}

void IntervalBoxes::setMinutesValue(int v) {
  minutes_ = v;
  setText(edtMinutes_, v);
  udMinutes_->setPosition(v);
}

void IntervalBoxes::setSecondsValue(int v) {
  seconds_ = v;
  setText(edtSeconds_, v);
  udSeconds_->setPosition(v);
}

void IntervalBoxes::carryIntoHours(int n) {
  if (n == 0) return;
  setText(edtHours_, hours_ + n);  // the hours rule accepts or refuses the sum
  udHours_->setPosition(hours_);
}

void IntervalBoxes::carryIntoMinutes(int n) {
  if (n == 0) return;
  // While stepping, the minutes rule carries on into hours by itself.
  setMinutesValue(minutes_ + n);
  if (minutes_ >= 60) {
    const int carry = minutes_ / 60;
    const int rest = minutes_ % 60;
    carryIntoHours(carry);
    setMinutesValue(rest);
  }
}

// At 12 and 24 hours the interval is whole; minutes and seconds stay 0.
void IntervalBoxes::holdAtZero() {
  if (hours_ != 12 && hours_ != 24) return;
  if (minutes_ != 0 || seconds_ != 0) {
    beep();
    setMinutesValue(0);
    setSecondsValue(0);
  }
}

void IntervalBoxes::applyMinimum() {
  if (rules_.fiveSecondMinimum && hours_ == 0 && minutes_ == 0 && seconds_ < 5) setSecondsValue(5);
}

void IntervalBoxes::onHoursChanged(const QString& text) {
  if (filling_) return;
  if (text.isEmpty() && rules_.ignoreEmptyHours) return;
  const int v = ReadBox(edtHours_);
  const bool ok = (v >= 0 && v <= 12) || (v == 24 && allow24_());
  if (!ok) {
    beep();
    setText(edtHours_, hours_);  // runs this rule again with the previous hours
    return;
  }
  hours_ = v;
  if (hours_ == 12 || hours_ == 24) {
    setMinutesValue(0);
    setSecondsValue(0);
  } else if (rules_.fiveSecondMinimum && hours_ == 0 && minutes_ == 0 && seconds_ == 0) {
    setSecondsValue(5);
  }
}

void IntervalBoxes::onMinutesChanged(const QString&) {
  if (filling_ || !stepping_) return;
  int v = ReadBox(edtMinutes_);
  if (v >= 60) {
    carryIntoHours(v / 60);
    v %= 60;
    setMinutesValue(v);
  } else {
    minutes_ = v;
  }
  holdAtZero();
}

void IntervalBoxes::onSecondsChanged(const QString&) {
  if (filling_ || !stepping_) return;
  int v = ReadBox(edtSeconds_);
  if (v >= 60) {
    carryIntoMinutes(v / 60);
    v %= 60;
    setSecondsValue(v);
  } else {
    seconds_ = v;
  }
  holdAtZero();
}

void IntervalBoxes::onHoursClicked() {
  stepping_ = true;
  const int p = udHours_->position();
  setText(edtHours_, p >= 13 ? 24 : p);
  stepping_ = false;
}

void IntervalBoxes::onMinutesClicked() {
  if (hours_ == 12 || hours_ == 24) {
    beep();
    udMinutes_->setPosition(0);
    return;
  }
  stepping_ = true;
  const int v = ReadBox(edtMinutes_);
  if (v >= 60) carryIntoHours(v / 60);
  minutes_ = udMinutes_->position();
  setText(edtMinutes_, minutes_);  // a position of 60 or more carries here
  stepping_ = false;
  holdAtZero();
  applyMinimum();
}

void IntervalBoxes::onSecondsClicked() {
  if (hours_ == 12 || hours_ == 24) {
    beep();
    udSeconds_->setPosition(0);
    return;
  }
  stepping_ = true;
  const int v = ReadBox(edtSeconds_);
  if (v >= 60) carryIntoMinutes(v / 60);
  if (rules_.fiveSecondMinimum && udSeconds_->position() < 5 && minutes_ == 0 && hours_ == 0)
    udSeconds_->setPosition(5);
  seconds_ = udSeconds_->position();
  setText(edtSeconds_, seconds_);
  stepping_ = false;
  holdAtZero();
}

void IntervalBoxes::leaveHours() {
  // Show the hours in force (a box left empty or holding "7x" shows 7 again).
  if (edtHours_->text() != QString::number(hours_)) setText(edtHours_, hours_);
}

void IntervalBoxes::leaveMinutes() {
  int v = ReadBox(edtMinutes_);
  if (v < 0 && rules_.refuseNegative) {
    beep();
    setMinutesValue(minutes_);
    return;
  }
  if (v >= 60) {
    carryIntoHours(v / 60);
    v %= 60;
  }
  setMinutesValue(v);
  holdAtZero();
  applyMinimum();
}

void IntervalBoxes::leaveSeconds() {
  int v = ReadBox(edtSeconds_);
  if (v < 0 && rules_.refuseNegative) {
    beep();
    setSecondsValue(seconds_);
    return;
  }
  if (v >= 60) {
    carryIntoMinutes(v / 60);
    v %= 60;
  } else if (rules_.fiveSecondMinimum && v < 5 && minutes_ == 0 && hours_ == 0) {
    v = 5;
  }
  setSecondsValue(v);
  holdAtZero();
  applyMinimum();
}

void IntervalBoxes::pointerOver(QLineEdit* box, UpDown* ud, bool modulo60) {
  if (!box->hasFocus()) box->setFocus(Qt::MouseFocusReason);
  const int v = ReadBox(box);
  ud->setPosition(modulo60 ? v % 60 : v);
}

bool IntervalBoxes::keyAllowed(QLineEdit*, QKeyEvent* e) {
  // Editing keys pass by their key, not their text: X11 and Wayland give
  // Delete the text "\x7f", which is no typed character either.
  switch (e->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return true;
    default:
      break;
  }
  if (e == QKeySequence::Copy || e == QKeySequence::Cut || e == QKeySequence::SelectAll ||
      e == QKeySequence::Undo || e == QKeySequence::Redo)
    return true;
  const QString text = e->text();
  if (text.isEmpty()) return true;  // moving the cursor, modifiers
  const QChar ch = text.at(0);
  if (ch >= u'0' && ch <= u'9') {
    if (hours_ != 24) return true;
  }
  beep();
  return false;
}

bool IntervalBoxes::eventFilter(QObject* watched, QEvent* event) {
  auto* box = qobject_cast<QLineEdit*>(watched);
  if (box == nullptr) return QObject::eventFilter(watched, event);
  if (event->type() == QEvent::KeyPress && rules_.digitsOnly) {
    if (!keyAllowed(box, static_cast<QKeyEvent*>(event))) return true;
  } else if (event->type() == QEvent::FocusOut) {
    // Only a move to another control leaves the box; switching to another
    // window or opening a menu does not.
    const Qt::FocusReason why = static_cast<QFocusEvent*>(event)->reason();
    if (why != Qt::ActiveWindowFocusReason && why != Qt::PopupFocusReason && !filling_) {
      if (box == edtHours_)
        leaveHours();
      else if (box == edtMinutes_)
        leaveMinutes();
      else if (box == edtSeconds_)
        leaveSeconds();
    }
  }
  return QObject::eventFilter(watched, event);
}

void AddIntervalRow(QBoxLayout* row, QWidget* parent, const QString (&captions)[3],
                    QLineEdit* const (&boxes)[3], UpDown* const (&upDowns)[3], int gap) {
  for (int i = 0; i < 3; ++i) {
    auto* label = new QLabel(captions[i], parent);
    label->setBuddy(boxes[i]);
    row->addWidget(label);
    row->addSpacing(6);
    row->addWidget(boxes[i]);
    row->addWidget(upDowns[i]);
    row->addSpacing(gap);
  }
  row->addStretch(1);
}

}  // namespace klv
