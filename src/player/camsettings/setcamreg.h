#pragma once
#include <QDialog>
#include <array>
#include <functional>
#include <string>

#include "camera/camera_clock.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace klv {

class CardDriveBox;
class IntervalBoxes;
class UpDown;

// The player's settings that the camera settings dialog reads and changes
// (section "settings" of the player's INI file).
struct CameraDialogSettings {
  int nInt1 = 1;  // capture interval for switch position 1, seconds
  int nInt2 = 2;
  int nInt3 = 5;
  int nAVIQuant = 2;     // picture quality; the dialog offers no choice for it
  int nFlicker = 0;      // 0, 833 (60 Hz) or 1000 (50 Hz)
  int cDrive = 67;       // drive letter of the card (Windows builds); kept as it is here
  std::string cardPath;  // the card's folder, INI key "szCardPath"
  int wCamMode = 0;      // bit 0 looping, bit 1 exposure lock
  std::array<int, 4> nResolution{};  // nResolution0..3
};

// The message window's kind for a card that cannot be written.
inline constexpr int kMessageNoDir = 0;

// The player's modal camera settings dialog. It is made once and reused, so
// its controls keep their state between showings. Changes reach the settings
// as the player keeps them: the banding filter, the mode bits and the
// resolutions at once (Cancel restores only the banding filter), the
// intervals and the card by OK, which also writes the camera settings file.
class TfrmSetCamReg : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmSetCamReg(QWidget* parent = nullptr);

  // Shows the dialog modally for *settings and returns when it closes;
  // *settings is updated in place.
  int Execute(CameraDialogSettings* settings);
  // The showing alone (Execute does it first): fills the controls from
  // *settings, which must stay valid until the dialog closes.
  void Prepare(CameraDialogSettings* settings);

  // Called when the write fails, with the message window's kind (0); the
  // player shows its message window and returns when it is dismissed.
  void setWriteFailedHandler(std::function<void(int messageKind)> handler) {
    writeFailed_ = std::move(handler);
  }
  // Where "System Time" comes from (tests fix it).
  void setClockSource(std::function<LocalDateTime()> now) { now_ = std::move(now); }

  // The resolution choice is hidden as designed; when offered, its record is
  // written too.
  void setResolutionChoiceVisible(bool visible);

  int beepCount() const { return beeps_; }

  void bOKClick();
  void reject() override;  // Cancel, Esc

 private:
  void rgSwitchClick(int position);
  void rgResolutionSelectClick(int index);
  void selectResolution(int index);
  void beep();

  QGroupBox* rgSwitch;
  QButtonGroup* switchButtons_;
  QGroupBox* rgResolutionSelect;
  QButtonGroup* resolutionButtons_;
  QLineEdit* edtHours;
  QLineEdit* edtMinutes;
  QLineEdit* edtSeconds;
  UpDown* udHours;
  UpDown* udMinutes;
  UpDown* udSeconds;
  QGroupBox* rgFlicker;
  QButtonGroup* flickerButtons_;
  QCheckBox* cbLoop;
  QCheckBox* cbExpoLock;
  CardDriveBox* cbDrive;
  QComboBox* cbTime;
  QPushButton* bOK;
  QPushButton* bCancel;
  IntervalBoxes* boxes_;

  CameraDialogSettings* settings_ = nullptr;
  std::array<int, 3> working_{1, 2, 5};
  int current_ = 0;
  std::string pendingCard_;
  int savedFlicker_ = 0;
  int beeps_ = 0;
  std::function<void(int)> writeFailed_;
  std::function<LocalDateTime()> now_;
};

}  // namespace klv
