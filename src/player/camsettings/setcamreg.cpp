#include "player/camsettings/setcamreg.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

#include "camera/camera_settings.h"
#include "platform/debug_log.h"
#include "setclock/card_drive_box.h"
#include "setclock/interval_boxes.h"
#include "setclock/up_down.h"

namespace klv {
namespace {

constexpr int kFlickerCodes[3] = {kFlickerNone, kFlicker60Hz, kFlicker50Hz};

QGroupBox* RadioGroup(const QString& title, const char* name,
                      std::initializer_list<const char*> items, QButtonGroup** group,
                      QWidget* parent) {
  auto* box = new QGroupBox(title, parent);
  box->setObjectName(QLatin1String(name));
  auto* layout = new QHBoxLayout(box);
  *group = new QButtonGroup(box);
  int id = 0;
  for (const char* item : items) {
    auto* b = new QRadioButton(QCoreApplication::translate("klv::TfrmSetCamReg", item), box);
    b->setObjectName(QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(id));
    (*group)->addButton(b, id++);
    layout->addWidget(b);
  }
  return box;
}

}  // namespace

TfrmSetCamReg::TfrmSetCamReg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmSetCamReg"));
  setWindowTitle(tr("Camera Settings"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                 Qt::WindowTitleHint);
  setModal(true);
  QFont bold = font();
  bold.setBold(true);
  setFont(bold);
  now_ = [] { return LocalNow(); };

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 14, 16, 14);
  layout->setSpacing(10);

  // Switch positions; the resolution choice sits beside them when offered.
  auto* top = new QHBoxLayout();
  rgSwitch = RadioGroup(tr("Switch"), "rgSwitch", {"&1", "&2", "&3"}, &switchButtons_, this);
  switchButtons_->button(0)->setChecked(true);
  rgResolutionSelect =
      RadioGroup(tr("Resolution"), "rgResolutionSelect", {"1280 x 1024", "640 x 480", "320 x 240"},
                 &resolutionButtons_, this);
  rgResolutionSelect->setVisible(false);
  top->addWidget(rgSwitch);
  top->addWidget(rgResolutionSelect);
  top->addStretch(1);
  layout->addLayout(top);
  connect(switchButtons_, &QButtonGroup::idClicked, this, &TfrmSetCamReg::rgSwitchClick);
  connect(resolutionButtons_, &QButtonGroup::idClicked, this,
          &TfrmSetCamReg::rgResolutionSelectClick);

  // The interval of the position being edited.
  auto* interval = new QHBoxLayout();
  interval->setSpacing(0);
  auto box = [this](const char* name) {
    auto* e = new QLineEdit(this);
    e->setObjectName(QLatin1String(name));
    e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    e->setFixedWidth(44);
    return e;
  };
  auto upDown = [this](const char* name) {
    auto* u = new UpDown(this);
    u->setObjectName(QLatin1String(name));
    return u;
  };
  edtHours = box("edtHours");
  edtMinutes = box("edtMinutes");
  edtSeconds = box("edtSeconds");
  udHours = upDown("udHours");
  udMinutes = upDown("udMinutes");
  udSeconds = upDown("udSeconds");
  udHours->setRange(0, 12);
  const QString captions[3] = {tr("&Hours"), tr("&Minutes"), tr("&Seconds")};
  AddIntervalRow(interval, this, captions, {edtHours, edtMinutes, edtSeconds},
                 {udHours, udMinutes, udSeconds}, 16);
  layout->addLayout(interval);

  IntervalRules rules;
  rules.minutesSecondsTop = 60;
  rules.digitsOnly = true;
  boxes_ = new IntervalBoxes(edtHours, udHours, edtMinutes, udMinutes, edtSeconds, udSeconds, rules,
                             this);
  boxes_->setBeep([this] { beep(); });
  boxes_->setAllow24([this] { return current_ == 2; });  // 24 hours only for position 3

  // Banding filter and modes.
  auto* middle = new QHBoxLayout();
  rgFlicker = RadioGroup(tr("Banding Filter"), "rgFlicker", {"&None", "&60 Hz", "&50 Hz"},
                         &flickerButtons_, this);
  connect(flickerButtons_, &QButtonGroup::idClicked, this, [this](int id) {
    if (boxes_->filling() || settings_ == nullptr) return;
    settings_->nFlicker = kFlickerCodes[id];
  });
  auto* modes = new QVBoxLayout();
  cbLoop = new QCheckBox(tr("&Looping"), this);
  cbLoop->setObjectName(QStringLiteral("cbLoop"));
  cbExpoLock = new QCheckBox(tr("&Exposure Lock"), this);
  cbExpoLock->setObjectName(QStringLiteral("cbExpoLock"));
  connect(cbLoop, &QCheckBox::clicked, this, [this](bool on) {
    if (boxes_->filling() || settings_ == nullptr) return;
    settings_->wCamMode = on ? settings_->wCamMode | 1 : settings_->wCamMode & ~1;
  });
  connect(cbExpoLock, &QCheckBox::clicked, this, [this](bool on) {
    if (boxes_->filling() || settings_ == nullptr) return;
    settings_->wCamMode = on ? settings_->wCamMode | 2 : settings_->wCamMode & ~2;
  });
  modes->addStretch(1);
  modes->addWidget(cbLoop);
  modes->addWidget(cbExpoLock);
  middle->addWidget(rgFlicker, 1);
  middle->addSpacing(12);
  middle->addLayout(modes);
  layout->addLayout(middle);

  // Card and clock.
  auto* grid = new QGridLayout();
  grid->setHorizontalSpacing(10);
  auto* lblDrive = new QLabel(tr("&Flash Drive"), this);
  cbDrive = new CardDriveBox(this);
  cbDrive->setObjectName(QStringLiteral("cbDrive"));
  lblDrive->setBuddy(cbDrive);
  connect(cbDrive, &CardDriveBox::cardChanged, this,
          [this](const QString& path) { pendingCard_ = path.toStdString(); });
  auto* lblTime = new QLabel(tr("Set &Time to"), this);
  cbTime = new QComboBox(this);
  cbTime->setObjectName(QStringLiteral("cbTime"));
  cbTime->addItems({tr("System Time"), tr("System Time + 1 Min."), tr("System Time + 5 Min.")});
  cbTime->setCurrentIndex(0);
  lblTime->setBuddy(cbTime);
  grid->addWidget(lblDrive, 0, 0);
  grid->addWidget(cbDrive, 0, 1);
  grid->addWidget(lblTime, 1, 0);
  grid->addWidget(cbTime, 1, 1);
  grid->setColumnStretch(1, 1);
  layout->addLayout(grid);

  auto* buttons = new QHBoxLayout();
  bOK = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), tr("&OK"), this);
  bOK->setObjectName(QStringLiteral("bOK"));
  bOK->setDefault(true);
  bCancel =
      new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), tr("&Cancel"), this);
  bCancel->setObjectName(QStringLiteral("bCancel"));
  for (QPushButton* b : {bOK, bCancel}) b->setMinimumWidth(88);
  buttons->addStretch(1);
  buttons->addWidget(bOK);
  buttons->addWidget(bCancel);
  layout->addSpacing(4);
  layout->addLayout(buttons);
  connect(bOK, &QPushButton::clicked, this, &TfrmSetCamReg::bOKClick);
  connect(bCancel, &QPushButton::clicked, this, &TfrmSetCamReg::reject);

  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmSetCamReg::beep() {
  ++beeps_;
  QApplication::beep();
}

void TfrmSetCamReg::setResolutionChoiceVisible(bool visible) {
  rgResolutionSelect->setVisible(visible);
}

int TfrmSetCamReg::Execute(CameraDialogSettings* settings) {
  Prepare(settings);
  const int r = exec();
  settings_ = nullptr;
  return r;
}

void TfrmSetCamReg::Prepare(CameraDialogSettings* s) {
  settings_ = s;
  boxes_->setFilling(true);
  working_ = {s->nInt1, s->nInt2, s->nInt3};
  boxes_->showInterval(working_[current_], true);
  selectResolution(s->nResolution[0]);
  savedFlicker_ = s->nFlicker;
  pendingCard_ = s->cardPath;
  for (int i = 0; i < 3; ++i)
    if (s->nFlicker == kFlickerCodes[i]) flickerButtons_->button(i)->setChecked(true);
  cbExpoLock->setChecked((s->wCamMode & 2) != 0);
  cbLoop->setChecked((s->wCamMode & 1) != 0);
  cbDrive->setCardPath(QString::fromStdString(pendingCard_));
  boxes_->setFilling(false);
}

void TfrmSetCamReg::rgSwitchClick(int position) {
  working_[current_] = boxes_->interval();
  current_ = position;
  udHours->setRange(0, position == 2 ? 13 : 12);
  // The three intervals stay strictly increasing; -1 in position 3 is left alone.
  auto next = [](int v) { return v == INT_MAX ? v : v + 1; };  // a wild INI value must not overflow
  if (working_[1] <= working_[0]) working_[1] = next(working_[0]);
  if (working_[2] <= working_[1] && working_[2] != -1) working_[2] = next(working_[1]);
  boxes_->showInterval(working_[current_], false);  // the up-downs catch up on the pointer
}

// Selecting in code counts as a click, as the camera software's radio groups do.
void TfrmSetCamReg::selectResolution(int index) {
  index = std::clamp(index, -1, 2);
  if (resolutionButtons_->checkedId() == index) return;
  if (index < 0) {
    resolutionButtons_->setExclusive(false);
    if (QAbstractButton* b = resolutionButtons_->checkedButton()) b->setChecked(false);
    resolutionButtons_->setExclusive(true);
  } else {
    resolutionButtons_->button(index)->setChecked(true);
  }
  rgResolutionSelectClick(index);
}

void TfrmSetCamReg::rgResolutionSelectClick(int index) {
  if (settings_ == nullptr) return;
  settings_->nResolution.fill(index);
}

void TfrmSetCamReg::bOKClick() {
  if (settings_ == nullptr) return;
  CameraDialogSettings& s = *settings_;
  working_[current_] = boxes_->interval();
  s.cardPath = pendingCard_;
  s.nInt1 = working_[0];
  s.nInt2 = working_[1];
  s.nInt3 = working_[2];

  CameraSettingsValues v;
  v.profile = CameraProfile::Player;
  v.card = s.cardPath;
  v.intervals = {s.nInt1, s.nInt2, s.nInt3};
  v.flicker = s.nFlicker;
  v.camMode = s.wCamMode;
  v.clock = AddSeconds(now_(), PlayerClockOffsetSeconds(cbTime->currentIndex()));
  v.withResolutions = rgResolutionSelect->isVisibleTo(this);
  v.resolutions = s.nResolution;
  std::string why;
  if (CameraSettingsWriter(v, &why) != 0) {
    DebugOut("camera settings: " + why);
    if (writeFailed_) {
      writeFailed_(kMessageNoDir);
    } else {
      QMessageBox::critical(this, tr("Error"),
                            tr("Could not create directory for Camera Settings.  Please make sure "
                               "you have selected the USB flash drive and connected it to the PC"));
    }
  }
  accept();
}

void TfrmSetCamReg::reject() {
  if (settings_ != nullptr) settings_->nFlicker = savedFlicker_;
  QDialog::reject();
}

}  // namespace klv
