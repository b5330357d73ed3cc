#pragma once
#include <QDateTime>
#include <QDialog>
#include <functional>
#include <string>

#include "platform/ini_store.h"
#include "setclock/setclk_settings.h"

class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTimeEdit;
class QTimer;

namespace klv {

class CardDriveBox;
class IntervalBoxes;
class UpDown;

// KLVSetClk's one window: the camera's clock, capture interval, low-light
// option and flicker filter, written onto the card by the Write button.
class TfrmKLSetClk : public QDialog {
  Q_OBJECT
 public:
  // Reads its settings from the INI file at iniPath (see LocateSetClkIni).
  explicit TfrmKLSetClk(const std::string& iniPath, QWidget* parent = nullptr);
  ~TfrmKLSetClk() override;

  // How a message box is shown; tests record them instead.
  using MessageBoxFn = std::function<void(bool error, const QString& caption, const QString& text)>;
  void setMessageBox(MessageBoxFn fn) { messageBox_ = std::move(fn); }

  int beepCount() const { return beeps_; }
  int nInterval() const { return nInterval_; }
  int nLightCutOff() const { return nLightCutOff_; }
  int nFlicker() const { return nFlicker_; }

  // Where the time comes from (tests fix it); the pickers show it at once
  // unless the user has changed them.
  using ClockFn = std::function<QDateTime()>;
  void setClock(ClockFn now);
  // The pickers follow the clock until the user changes them: a changed time
  // holds the date too, a changed date holds only the date. The window's
  // timer calls this at each new second of the clock.
  void clockTick();

  // The Write button's action.
  void bWriteTimeClick();

  void done(int result) override;

 private:
  void buildControls();
  void formCreate();
  void saveSettings();
  void beep();
  void showClock(const QDateTime& now);

  QLabel* imgBanner_;
  QLabel* imgLogo_;
  QDateEdit* DateTimePicker1;
  QTimeEdit* DateTimePicker2;
  CardDriveBox* DCB;
  QLineEdit* edtHours;
  QLineEdit* edtMinutes;
  QLineEdit* edtSeconds;
  UpDown* udHours;
  UpDown* udMinutes;
  UpDown* udSeconds;
  QGroupBox* gbFlicker_;
  QRadioButton* RB60;
  QRadioButton* RB50;
  QRadioButton* RBNone;
  QGroupBox* rgLowLight;
  QRadioButton* rbLowLightOn_;
  QRadioButton* rbLowLightOff_;
  QScrollBar* ScrollBar1;
  QLabel* lblDarker_;
  QLabel* lblLighter_;
  QLabel* lblCutoff_;
  QPushButton* bWriteTime;
  QPushButton* bCancel;
  IntervalBoxes* boxes_;
  QTimer* clockTimer_;

  IniStore ini_;
  SetClkSettings settings_;
  int nInterval_ = 3600;
  int nLightCutOff_ = 0;
  int nFlicker_ = 0;
  int beeps_ = 0;
  bool saved_ = false;
  ClockFn now_;
  bool settingPickers_ = false;  // the pickers are being set in code
  bool dateHeld_ = false;        // the user changed the date
  bool timeHeld_ = false;        // the user changed the time
  MessageBoxFn messageBox_;
};

}  // namespace klv
