#pragma once
#include <QObject>
#include <QString>
#include <functional>

class QKeyEvent;
class QLineEdit;

class QBoxLayout;
class QLineEdit;
class QWidget;

namespace klv {

class UpDown;

// How one window's interval boxes differ from the other's.
struct IntervalRules {
  int minutesSecondsTop = 60;      // top of the minutes and seconds up-downs
  bool fiveSecondMinimum = false;  // the clock tool never lets the interval reach 0
  bool ignoreEmptyHours = false;   // the clock tool ignores an empty hours box; else it reads 0
  bool digitsOnly = false;         // the player's boxes take digits and editing keys only
  bool refuseNegative = false;     // a typed minus sign never gives a negative value
};

// The hours, minutes and seconds boxes with their up-downs, behaving like a
// counter with carries: hours 0-12 or 24, minutes and seconds carried into the
// next unit at 60. Typed hours count at once; typed minutes and seconds when
// their box is left or an up-down is used. At 12 and 24 hours minutes and
// seconds stay 0, so the interval never goes past 12 hours or exactly 24.
class IntervalBoxes : public QObject {
  Q_OBJECT
 public:
  IntervalBoxes(QLineEdit* hours, UpDown* udHours, QLineEdit* minutes, UpDown* udMinutes,
                QLineEdit* seconds, UpDown* udSeconds, const IntervalRules& rules,
                QObject* parent = nullptr);

  // Whether 24 hours may be chosen now (the player: only for switch position 3).
  void setAllow24(std::function<bool()> allow24) { allow24_ = std::move(allow24); }
  void setBeep(std::function<void()> beep) { beep_ = std::move(beep); }

  // While set, changes made in code are not treated as the user's.
  bool filling() const { return filling_; }
  void setFilling(bool filling) { filling_ = filling; }
  bool stepping() const { return stepping_; }

  int hours() const { return hours_; }
  int minutes() const { return minutes_; }
  int seconds() const { return seconds_; }
  // hours * 3600 + minutes * 60 + seconds.
  int interval() const;

  // Splits seconds into hours, minutes and seconds and shows them with the
  // filling flag set; moves the up-downs too when asked.
  void showInterval(int seconds, bool moveUpDowns);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void beep();
  void setText(QLineEdit* box, int value);
  void setMinutesValue(int v);
  void setSecondsValue(int v);
  void carryIntoHours(int n);
  void carryIntoMinutes(int n);
  void holdAtZero();
  void applyMinimum();
  bool keyAllowed(QLineEdit* box, QKeyEvent* key);

  void onHoursChanged(const QString& text);
  void onMinutesChanged(const QString& text);
  void onSecondsChanged(const QString& text);
  void onHoursClicked();
  void onMinutesClicked();
  void onSecondsClicked();
  void leaveHours();
  void leaveMinutes();
  void leaveSeconds();
  void pointerOver(QLineEdit* box, UpDown* ud, bool modulo60);

  QLineEdit* edtHours_;
  UpDown* udHours_;
  QLineEdit* edtMinutes_;
  UpDown* udMinutes_;
  QLineEdit* edtSeconds_;
  UpDown* udSeconds_;
  IntervalRules rules_;
  std::function<bool()> allow24_ = [] { return true; };
  std::function<void()> beep_;
  bool filling_ = false;
  bool stepping_ = false;
  int hours_ = 0;
  int minutes_ = 0;
  int seconds_ = 0;
};

// Lays out "caption box up-down" for hours, minutes and seconds in one row,
// `gap` pixels apart; the captions come translated in the caller's context.
void AddIntervalRow(QBoxLayout* row, QWidget* parent, const QString (&captions)[3],
                    QLineEdit* const (&boxes)[3], UpDown* const (&upDowns)[3], int gap);

}  // namespace klv
