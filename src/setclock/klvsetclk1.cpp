#include "setclock/klvsetclk1.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTimeEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "camera/camera_settings.h"
#include "platform/debug_log.h"
#include "setclock/card_drive_box.h"
#include "setclock/interval_boxes.h"
#include "setclock/up_down.h"

// The artwork lives in this library's resources; a static library has to
// register them itself.
static void InitSetClkResources() { Q_INIT_RESOURCE(setclock); }

namespace klv {
namespace {

// The locale's short date with the year in full, so that a typed year can
// never fall into the wrong century.
QString ShortDateFormat() {
  QString f = QLocale().dateFormat(QLocale::ShortFormat);
  if (!f.contains(QLatin1String("yyyy"))) f.replace(QLatin1String("yy"), QLatin1String("yyyy"));
  return f;
}

QLineEdit* IntervalBox(const char* name, QWidget* parent) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(QLatin1String(name));
  e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  e->setFixedWidth(44);
  return e;
}

UpDown* UpDownFor(const char* name, QWidget* parent) {
  auto* u = new UpDown(parent);
  u->setObjectName(QLatin1String(name));
  return u;
}

}  // namespace

TfrmKLSetClk::TfrmKLSetClk(const std::string& iniPath, QWidget* parent)
    : QDialog(parent), ini_(iniPath) {
  InitSetClkResources();
  setObjectName(QStringLiteral("frmKLSetClk"));
  now_ = [] { return QDateTime::currentDateTime(); };
  messageBox_ = [this](bool error, const QString& caption, const QString& text) {
    QMessageBox box(error ? QMessageBox::Critical : QMessageBox::Information, caption, text,
                    QMessageBox::Ok, this);
    box.exec();
  };
  buildControls();
  formCreate();
  clockTick();
}

TfrmKLSetClk::~TfrmKLSetClk() { saveSettings(); }

void TfrmKLSetClk::beep() {
  ++beeps_;
  QApplication::beep();
}

void TfrmKLSetClk::buildControls() {
  setWindowTitle(tr("Set Norvath Kelvarn Date and Time"));
  setWindowIcon(QIcon(QStringLiteral(":/setclock/klvsetclk.png")));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                 Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);
  setAutoFillBackground(true);

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);

  imgBanner_ = new QLabel(this);
  imgBanner_->setObjectName(QStringLiteral("imgBanner"));
  imgBanner_->setPixmap(QPixmap(QStringLiteral(":/setclock/banner.png")));
  imgBanner_->setAlignment(Qt::AlignCenter);
  outer->addWidget(imgBanner_);

  auto* body = new QVBoxLayout();
  body->setContentsMargins(18, 14, 18, 14);
  body->setSpacing(10);
  outer->addLayout(body);

  // Date and time for the camera clock.
  auto* when = new QHBoxLayout();
  DateTimePicker1 = new QDateEdit(this);
  DateTimePicker1->setObjectName(QStringLiteral("DateTimePicker1"));
  DateTimePicker1->setCalendarPopup(true);
  DateTimePicker1->setDisplayFormat(ShortDateFormat());
  DateTimePicker2 = new QTimeEdit(this);
  DateTimePicker2->setObjectName(QStringLiteral("DateTimePicker2"));
  DateTimePicker2->setDisplayFormat(QStringLiteral("HH:mm:ss"));
  clockTimer_ = new QTimer(this);
  clockTimer_->setSingleShot(true);
  clockTimer_->setTimerType(Qt::PreciseTimer);
  connect(clockTimer_, &QTimer::timeout, this, &TfrmKLSetClk::clockTick);
  connect(DateTimePicker1, &QDateEdit::dateChanged, this, [this] {
    if (!settingPickers_) dateHeld_ = true;
  });
  connect(DateTimePicker2, &QTimeEdit::timeChanged, this, [this] {
    if (settingPickers_) return;
    timeHeld_ = true;
    dateHeld_ = true;  // a time of the user's own belongs to the date shown with it
  });
  showClock(now_());
  when->addWidget(DateTimePicker1, 3);
  when->addSpacing(8);
  when->addWidget(DateTimePicker2, 2);
  body->addLayout(when);

  // The card.
  auto* lblDrive = new QLabel(tr("Select Drive Letter for  USB Flash Drive"), this);
  lblDrive->setObjectName(QStringLiteral("lblDrive"));
  DCB = new CardDriveBox(this);
  DCB->setObjectName(QStringLiteral("DCB"));
  lblDrive->setBuddy(DCB);
  body->addSpacing(2);
  body->addWidget(lblDrive);
  body->addWidget(DCB);

  // The capture interval.
  auto* lblInterval = new QLabel(tr("Set Custom Time Interval"), this);
  lblInterval->setObjectName(QStringLiteral("lblInterval"));
  QFont bold = lblInterval->font();
  bold.setBold(true);
  lblInterval->setFont(bold);
  body->addSpacing(4);
  body->addWidget(lblInterval);

  edtHours = IntervalBox("edtHours", this);
  edtMinutes = IntervalBox("edtMinutes", this);
  edtSeconds = IntervalBox("edtSeconds", this);
  udHours = UpDownFor("udHours", this);
  udMinutes = UpDownFor("udMinutes", this);
  udSeconds = UpDownFor("udSeconds", this);
  udHours->setRange(0, 13);
  auto* interval = new QHBoxLayout();
  interval->setSpacing(0);
  const QString captions[3] = {tr("&Hours"), tr("&Minutes"), tr("&Seconds")};
  AddIntervalRow(interval, this, captions, {edtHours, edtMinutes, edtSeconds},
                 {udHours, udMinutes, udSeconds}, 18);
  body->addLayout(interval);

  IntervalRules rules;
  rules.minutesSecondsTop = 100;
  rules.fiveSecondMinimum = true;
  rules.ignoreEmptyHours = true;
  rules.refuseNegative = true;
  boxes_ = new IntervalBoxes(edtHours, udHours, edtMinutes, udMinutes, edtSeconds, udSeconds, rules,
                             this);
  boxes_->setBeep([this] { beep(); });

  // Mains flicker and low light.
  auto* options = new QHBoxLayout();
  gbFlicker_ = new QGroupBox(this);
  gbFlicker_->setObjectName(QStringLiteral("gbFlicker"));
  auto* fl = new QHBoxLayout(gbFlicker_);
  RB60 = new QRadioButton(tr("&60Hz"), gbFlicker_);
  RB50 = new QRadioButton(tr("&50Hz"), gbFlicker_);
  RBNone = new QRadioButton(tr("&None"), gbFlicker_);
  RB60->setObjectName(QStringLiteral("RB60"));
  RB50->setObjectName(QStringLiteral("RB50"));
  RBNone->setObjectName(QStringLiteral("RBNone"));
  RB50->setChecked(true);
  for (QRadioButton* b : {RB60, RB50, RBNone}) fl->addWidget(b);
  rgLowLight = new QGroupBox(tr("Low Light Record Option"), this);
  rgLowLight->setObjectName(QStringLiteral("rgLowLight"));
  auto* ll = new QHBoxLayout(rgLowLight);
  rbLowLightOn_ = new QRadioButton(tr("ON"), rgLowLight);
  rbLowLightOff_ = new QRadioButton(tr("OFF"), rgLowLight);
  rbLowLightOn_->setObjectName(QStringLiteral("rbLowLightOn"));
  rbLowLightOff_->setObjectName(QStringLiteral("rbLowLightOff"));
  ll->addWidget(rbLowLightOn_);
  ll->addWidget(rbLowLightOff_);
  connect(rbLowLightOn_, &QRadioButton::clicked, this, [this] { nLightCutOff_ = 0; });
  connect(rbLowLightOff_, &QRadioButton::clicked, this, [this] { nLightCutOff_ = 50; });
  options->addWidget(gbFlicker_, 3, Qt::AlignBottom);
  options->addSpacing(8);
  options->addWidget(rgLowLight, 2, Qt::AlignBottom);
  body->addLayout(options);

  // The cut-off slider stays hidden; it would set the cut-off directly.
  auto* cutoff = new QGridLayout();
  ScrollBar1 = new QScrollBar(Qt::Horizontal, this);
  ScrollBar1->setObjectName(QStringLiteral("ScrollBar1"));
  ScrollBar1->setRange(0, 100);
  ScrollBar1->setValue(50);
  lblDarker_ = new QLabel(tr("Darker"), this);
  lblLighter_ = new QLabel(tr("Lighter"), this);
  lblCutoff_ = new QLabel(tr("Low Light Cutoff"), this);
  cutoff->addWidget(lblCutoff_, 0, 0, 1, 3, Qt::AlignHCenter);
  cutoff->addWidget(lblDarker_, 1, 0);
  cutoff->addWidget(ScrollBar1, 1, 1);
  cutoff->addWidget(lblLighter_, 1, 2);
  for (QWidget* w :
       std::initializer_list<QWidget*>{ScrollBar1, lblDarker_, lblLighter_, lblCutoff_})
    w->hide();
  connect(ScrollBar1, &QScrollBar::valueChanged, this, [this](int v) { nLightCutOff_ = v; });
  body->addLayout(cutoff);

  // Logo and the two buttons.
  auto* bottom = new QHBoxLayout();
  imgLogo_ = new QLabel(this);
  imgLogo_->setObjectName(QStringLiteral("imgLogo"));
  imgLogo_->setPixmap(QPixmap(QStringLiteral(":/setclock/logo.png")));
  bWriteTime = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), tr("OK"), this);
  bWriteTime->setObjectName(QStringLiteral("bWriteTime"));
  bWriteTime->setDefault(true);
  bCancel =
      new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), tr("Cancel"), this);
  bCancel->setObjectName(QStringLiteral("bCancel"));
  for (QPushButton* b : {bWriteTime, bCancel}) b->setMinimumWidth(88);
  bottom->addWidget(imgLogo_, 0, Qt::AlignBottom);
  bottom->addStretch(1);
  bottom->addWidget(bWriteTime, 0, Qt::AlignBottom);
  bottom->addWidget(bCancel, 0, Qt::AlignBottom);
  body->addSpacing(4);
  body->addLayout(bottom);
  connect(bWriteTime, &QPushButton::clicked, this, &TfrmKLSetClk::bWriteTimeClick);
  connect(bCancel, &QPushButton::clicked, this, &TfrmKLSetClk::reject);

  setFixedSize(sizeHint());
}

void TfrmKLSetClk::formCreate() {
  ini_.Load();
  settings_ = ReadSetClkSettings(ini_);
  nInterval_ = settings_.nInterval;
  nLightCutOff_ = settings_.nLightCutOff;
  nFlicker_ = settings_.nFlicker;

  // A remembered place on a screen that is no longer there is not used.
  if (settings_.x != -1 || settings_.y != -1) {
    QPoint p = pos();
    if (settings_.x != -1) p.setX(settings_.x);
    if (settings_.y != -1) p.setY(settings_.y);
    if (QGuiApplication::screenAt(p + QPoint(20, 20)) != nullptr) move(p);
  }

  DCB->setCardPath(QString::fromStdString(settings_.cardPath));

  if (nFlicker_ == kFlicker60Hz)
    RB60->setChecked(true);
  else if (nFlicker_ == kFlicker50Hz)
    RB50->setChecked(true);
  else
    RBNone->setChecked(true);

  nLightCutOff_ = nLightCutOff_ < 25 ? 0 : 50;
  (nLightCutOff_ == 0 ? rbLowLightOn_ : rbLowLightOff_)->setChecked(true);

  boxes_->showInterval(nInterval_, true);
}

void TfrmKLSetClk::setClock(ClockFn now) {
  now_ = std::move(now);
  clockTick();
}

void TfrmKLSetClk::clockTick() {
  const QDateTime now = now_();
  showClock(now);
  if (timeHeld_) return;  // nothing follows the clock any more
  // Wake just after the clock's next second begins.
  clockTimer_->start(1000 - std::clamp(now.time().msec(), 0, 999) + 5);
}

// Shows the clock's time in the pickers the user has not changed. A picker
// the user is part-way through typing into is left alone.
void TfrmKLSetClk::showClock(const QDateTime& now) {
  const QTime second(now.time().hour(), now.time().minute(), now.time().second());
  settingPickers_ = true;
  if (!dateHeld_ && DateTimePicker1->hasAcceptableInput()) DateTimePicker1->setDate(now.date());
  if (!timeHeld_ && DateTimePicker2->hasAcceptableInput()) DateTimePicker2->setTime(second);
  settingPickers_ = false;
}

void TfrmKLSetClk::bWriteTimeClick() {
  // What is written is what the pickers show now, not a second ago.
  showClock(now_());
  // The date picker takes the chosen time of day, so that it holds the whole
  // date and time written to the camera.
  settingPickers_ = true;
  DateTimePicker1->setTime(DateTimePicker2->time());
  settingPickers_ = false;
  const QDateTime when = DateTimePicker1->dateTime();

  CameraSettingsValues v;
  v.profile = CameraProfile::ClockTool;
  v.card = DCB->cardPath().toStdString();
  nInterval_ = boxes_->interval();
  v.intervals = {nInterval_, 0, 0};
  v.lowLightThreshold = LowLightThreshold(nLightCutOff_);
  nFlicker_ = RB60->isChecked() ? kFlicker60Hz : RB50->isChecked() ? kFlicker50Hz : kFlickerNone;
  v.flicker = nFlicker_;
  v.clock = {when.date().year(), when.date().month(),  when.date().day(),
             when.time().hour(), when.time().minute(), when.time().second()};

  std::string why;
  if (CameraSettingsWriter(v, &why) == 0) {
    messageBox_(false, tr("Success"), tr("Camera Setup Successfully Written"));
    accept();  // the program ends
  } else {
    DebugOut("KLVSetClk: " + why);
    messageBox_(true, tr("Error"),
                tr("Could not create directory for Camera Settings\n"
                   "Please make sure you have selected the flash drive\n"
                   "and connected it to the PC"));
  }
}

void TfrmKLSetClk::done(int result) {
  saveSettings();
  QDialog::done(result);
}

void TfrmKLSetClk::saveSettings() {
  if (saved_) return;
  saved_ = true;
  settings_.x = x();
  settings_.y = y();
  settings_.cardPath = DCB->cardPath().toStdString();
  settings_.nInterval = nInterval_;
  settings_.nLightCutOff = nLightCutOff_;
  settings_.nFlicker = nFlicker_;
  WriteSetClkSettings(&ini_, settings_);
  (void)ini_.Save();  // a folder that takes no file is not the user's concern here
}

}  // namespace klv
