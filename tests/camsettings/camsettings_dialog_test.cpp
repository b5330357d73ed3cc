// The player's camera settings dialog, driven as a user would, offscreen.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "camera/camera_settings.h"
#include "player/camsettings/setcamreg.h"
#include "setclock/card_drive_box.h"
#include "setclock/qt_offscreen.h"
#include "setclock/up_down.h"

KLV_QT_TEST_LEAK_SUPPRESSIONS

namespace klv {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

class CamSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    test::QtApp();
    char tmpl[] = "/tmp/klv_camreg_XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    card_ = tmpl;
    s_.cardPath = card_;
    d_ = std::make_unique<TfrmSetCamReg>();
    d_->setWriteFailedHandler([this](int kind) { failures_.push_back(kind); });
    d_->setClockSource([] { return LocalDateTime{2024, 3, 15, 10, 0, 0}; });
  }
  void TearDown() override {
    d_.reset();
    fs::remove_all(card_);
  }

  // The main window's Options > Camera Settings, without the modal loop.
  void Show() {
    d_->Prepare(&s_);
    d_->show();
    d_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(d_.get()));
  }

  template <typename T>
  T* Child(const QString& name) {
    T* c = d_->findChild<T*>(name);
    EXPECT_NE(c, nullptr) << name.toStdString();
    return c;
  }
  QLineEdit* Box(const char* name) { return Child<QLineEdit>(QLatin1String(name)); }
  void Click(const QString& name) {
    QTest::mouseClick(Child<QAbstractButton>(name), Qt::LeftButton);
  }
  void Position(int n) { Click(QStringLiteral("rgSwitch_%1").arg(n - 1)); }

  void Type(const char* box, const char* text) {
    QLineEdit* e = Box(box);
    e->setFocus();
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Backspace);
    QTest::keyClicks(e, QLatin1String(text));
  }
  void Leave() { Child<QComboBox>("cbTime")->setFocus(); }
  std::string Shown() {
    return (Box("edtHours")->text() + ":" + Box("edtMinutes")->text() + ":" +
            Box("edtSeconds")->text())
        .toStdString();
  }
  Bytes Written() const {
    std::ifstream in(CameraSettingsPath(CameraProfile::Player, card_), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  static uint16_t Word(const Bytes& b, size_t off) {
    return static_cast<uint16_t>(b.at(off) | b.at(off + 1) << 8);
  }

  std::string card_;
  CameraDialogSettings s_;
  std::unique_ptr<TfrmSetCamReg> d_;
  std::vector<int> failures_;
};

TEST_F(CamSettings, IntervalsStayStrictlyIncreasing) {
  s_.nInt1 = 1;
  s_.nInt2 = 5;
  s_.nInt3 = 8;
  Show();
  EXPECT_EQ(Shown(), "0:0:1");
  Type("edtSeconds", "10");
  Leave();
  Position(2);
  EXPECT_EQ(Shown(), "0:0:11");
  Position(3);
  EXPECT_EQ(Shown(), "0:0:12");
  Click("bOK");
  EXPECT_EQ(s_.nInt1, 10);
  EXPECT_EQ(s_.nInt2, 11);
  EXPECT_EQ(s_.nInt3, 12);
  const Bytes b = Written();
  ASSERT_EQ(b.size(), kSettingsFileSize);
  EXPECT_EQ(Word(b, 5), 10);
  EXPECT_EQ(Word(b, 7), 11);
  EXPECT_EQ(Word(b, 9), 12);
  EXPECT_TRUE(failures_.empty());

  // Position 3 holding -1 is left alone.
  s_ = {};
  s_.cardPath = card_;
  s_.nInt3 = -1;
  Show();  // position 3 is still the current one
  Position(1);
  Position(2);
  Click("bOK");
  EXPECT_EQ(s_.nInt3, -1);
}

TEST_F(CamSettings, TwentyFourHoursOnlyInPositionThree) {
  Show();
  Type("edtHours", "13");
  EXPECT_EQ(Box("edtHours")->text(), "1");
  EXPECT_EQ(d_->beepCount(), 1);
  Type("edtHours", "24");
  EXPECT_EQ(Box("edtHours")->text(), "2");
  EXPECT_EQ(d_->beepCount(), 2);
  Position(3);
  Type("edtHours", "24");
  EXPECT_EQ(Shown(), "24:0:0");
  EXPECT_EQ(d_->beepCount(), 2);
  // At 24 hours no digit goes into any box; Backspace still does.
  for (const char* box : {"edtHours", "edtMinutes", "edtSeconds"}) {
    QTest::keyClick(Box(box), Qt::Key_5);
    EXPECT_EQ(Shown(), "24:0:0") << box;
  }
  EXPECT_EQ(d_->beepCount(), 5);
  Box("edtMinutes")->setFocus();
  Box("edtMinutes")->end(false);
  QTest::keyClick(Box("edtMinutes"), Qt::Key_Backspace);
  EXPECT_EQ(Box("edtMinutes")->text(), "");
  EXPECT_EQ(d_->beepCount(), 5);
  Leave();
  Click("bOK");
  const Bytes b = Written();
  EXPECT_EQ(b.at(9), 0xFF);
  EXPECT_EQ(b.at(10), 0xFF);
  EXPECT_EQ(s_.nInt3, 86400);
}

TEST_F(CamSettings, KeyFilterAndCarries) {
  Show();
  Type("edtMinutes", "1a-");
  EXPECT_EQ(Box("edtMinutes")->text(), "1");
  EXPECT_EQ(d_->beepCount(), 2);
  Type("edtSeconds", "75");
  Leave();
  EXPECT_EQ(Shown(), "0:2:15");
  // Up-downs go 0-60 and carry at 60.
  UpDown* ud = Child<UpDown>("udSeconds");
  emit ud->pointerMoved();
  EXPECT_EQ(ud->position(), 15);
  for (int i = 0; i < 45; ++i) ud->stepUp();
  EXPECT_EQ(Shown(), "0:3:0");
  // Twelve hours clears minutes and seconds; the up-downs then refuse to step.
  Type("edtHours", "12");
  EXPECT_EQ(Shown(), "12:0:0");
  const int beeps = d_->beepCount();
  Child<UpDown>("udMinutes")->stepUp();
  EXPECT_EQ(d_->beepCount(), beeps + 1);
  EXPECT_EQ(Child<UpDown>("udMinutes")->position(), 0);
}

TEST_F(CamSettings, DeleteEditsWithoutBeeping) {
  s_.nInt3 = 86400;
  Show();
  for (const char* name : {"edtHours", "edtMinutes", "edtSeconds"})
    EXPECT_EQ(test::DeleteAfterTyping(d_.get(), name), "0") << name;
  // At 24 hours digits are refused, but Delete still edits.
  Position(3);
  QLineEdit* hours = Box("edtHours");
  hours->setFocus();
  hours->end(false);
  hours->cursorBackward(false);
  test::PressDelete(hours);
  EXPECT_EQ(hours->text(), "2");
  EXPECT_EQ(d_->beepCount(), 0);
}

TEST_F(CamSettings, CancelRestoresFlickerButKeepsModeBits) {
  s_.nFlicker = kFlicker50Hz;
  s_.wCamMode = 0x100;
  Show();
  EXPECT_TRUE(Child<QRadioButton>("rgFlicker_2")->isChecked());
  Click("rgFlicker_1");
  EXPECT_EQ(s_.nFlicker, kFlicker60Hz);
  Click("cbLoop");
  EXPECT_EQ(s_.wCamMode, 0x101);
  Type("edtSeconds", "30");
  Leave();
  QTest::keyClick(d_.get(), Qt::Key_Escape);
  EXPECT_FALSE(d_->isVisible());
  EXPECT_EQ(s_.nFlicker, kFlicker50Hz);
  EXPECT_EQ(s_.wCamMode, 0x101);
  EXPECT_EQ(s_.nInt1, 1);  // the working intervals are dropped
  EXPECT_FALSE(fs::exists(fs::path(card_) / "DCIM"));
}

TEST_F(CamSettings, OkWritesFlickerModeAndClockOffset) {
  s_.nFlicker = 12345;  // no such code: the selection stays as it was
  Show();
  Click("rgFlicker_2");
  Click("cbExpoLock");
  Child<QComboBox>("cbTime")->setCurrentIndex(2);  // "System Time + 5 Min." at 10:00:00
  Click("bOK");
  EXPECT_FALSE(d_->isVisible());
  const Bytes b = Written();
  ASSERT_EQ(b.size(), kSettingsFileSize);
  EXPECT_EQ(Word(b, 13), 1000);
  EXPECT_EQ(Word(b, 19), 2);
  EXPECT_EQ(Word(b, 26), 10 << 11 | 5 << 5);
  EXPECT_EQ(s_.cDrive, 67);
}

TEST_F(CamSettings, EnterKeepsTypedMinutes) {
  s_.nInt1 = 120;
  Show();
  Type("edtMinutes", "7");
  QTest::keyClick(Box("edtMinutes"), Qt::Key_Return);
  EXPECT_FALSE(d_->isVisible());
  EXPECT_EQ(s_.nInt1, 120);
  EXPECT_EQ(Word(Written(), 5), 120);
}

TEST_F(CamSettings, FailedWriteShowsKindZeroAndKeepsTheIntervals) {
  const std::string file = card_ + "/file";
  std::ofstream(file) << "x";
  s_.cardPath = file;
  Show();
  Type("edtSeconds", "42");
  Leave();
  Click("bOK");
  EXPECT_EQ(failures_, std::vector<int>{kMessageNoDir});
  EXPECT_FALSE(d_->isVisible());
  EXPECT_EQ(s_.nInt1, 42);
  Show();
  EXPECT_EQ(Shown(), "0:0:42");
}

TEST_F(CamSettings, ResolutionChoice) {
  s_.nResolution = {2, 0, 1, 0};
  Show();
  EXPECT_EQ(s_.nResolution, (std::array<int, 4>{2, 2, 2, 2}));  // selecting counts as a click
  Click("bOK");
  EXPECT_EQ(Written().size(), kSettingsFileSize);  // hidden: no resolution record
  d_->setResolutionChoiceVisible(true);
  Show();
  Click("rgResolutionSelect_1");
  Click("bOK");
  const Bytes b = Written();
  ASSERT_EQ(b.size(), kSettingsFileSizeWithResolution);
  EXPECT_EQ(Bytes(b.end() - 4, b.end()), (Bytes{1, 1, 1, 1}));
}

TEST_F(CamSettings, TheCardBoxSetsThePendingCard) {
  Show();
  auto* box = Child<CardDriveBox>("cbDrive");
  EXPECT_EQ(box->cardPath().toStdString(), card_);
  const std::string other = card_ + "/other";
  fs::create_directories(other);
  box->setBrowseHandler([&](QWidget*, const QString&) { return QString::fromStdString(other); });
  emit box->activated(box->count() - 1);
  QTest::keyClick(d_.get(), Qt::Key_Escape);
  EXPECT_EQ(s_.cardPath, card_);  // Cancel drops it
  Show();
  emit box->activated(box->count() - 1);
  Click("bOK");
  EXPECT_EQ(s_.cardPath, other);
  EXPECT_TRUE(fs::exists(CameraSettingsPath(CameraProfile::Player, other)));
}

}  // namespace
}  // namespace klv
