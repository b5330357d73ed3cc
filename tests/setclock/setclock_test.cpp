// KLVSetClk's window, driven as a user would, offscreen.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimeEdit>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "camera/camera_settings.h"
#include "platform/ini_store.h"
#include "setclock/card_drive_box.h"
#include "setclock/klvsetclk1.h"
#include "setclock/qt_offscreen.h"
#include "setclock/setclk_settings.h"
#include "setclock/up_down.h"

KLV_QT_TEST_LEAK_SUPPRESSIONS

namespace klv {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

QApplication* App() { return test::QtApp(); }

struct Message {
  bool error;
  QString caption;
  QString text;
};

class SetClk : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    char tmpl[] = "/tmp/klv_setclk_XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    card_ = dir_ + "/card";
    fs::create_directories(card_);
    ini_ = dir_ + "/KLVSetClk.ini";
  }
  void TearDown() override {
    w_.reset();
    fs::remove_all(dir_);
  }

  void WriteIni(const std::string& text) { std::ofstream(ini_) << text; }

  // Opens the window with the card chosen and the messages recorded.
  void Open(bool chooseCard = true) {
    w_ = std::make_unique<TfrmKLSetClk>(ini_);
    w_->setMessageBox([this](bool error, const QString& caption, const QString& text) {
      messages_.push_back({error, caption, text});
    });
    if (chooseCard) Child<CardDriveBox>("DCB")->setCardPath(QString::fromStdString(card_));
    w_->show();
    w_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w_.get()));
  }

  template <typename T>
  T* Child(const char* name) {
    T* c = w_->findChild<T*>(QLatin1String(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
  }
  QLineEdit* Box(const char* name) { return Child<QLineEdit>(name); }
  UpDown* Ud(const char* name) { return Child<UpDown>(name); }

  // Types into a box as the user would, replacing what it shows.
  void Type(const char* box, const char* text) {
    QLineEdit* e = Box(box);
    e->setFocus();
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Backspace);
    QTest::keyClicks(e, QLatin1String(text));
  }
  // Moves the focus to the drive box, leaving whichever box had it.
  void Leave() { Child<CardDriveBox>("DCB")->setFocus(); }

  std::string Shown() {
    return (Box("edtHours")->text() + ":" + Box("edtMinutes")->text() + ":" +
            Box("edtSeconds")->text())
        .toStdString();
  }

  void SetClock(int y, int mo, int d, int h, int mi, int s) {
    Child<QDateEdit>("DateTimePicker1")->setDate(QDate(y, mo, d));
    Child<QTimeEdit>("DateTimePicker2")->setTime(QTime(h, mi, s));
  }

  Bytes Written() const {
    std::ifstream in(CameraSettingsPath(CameraProfile::ClockTool, card_), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  static uint16_t Word(const Bytes& b, size_t off) {
    return static_cast<uint16_t>(b.at(off) | b.at(off + 1) << 8);
  }

  IniStore SavedIni() const {
    IniStore ini(ini_);
    ini.Load();
    return ini;
  }

  std::string dir_, card_, ini_;
  std::unique_ptr<TfrmKLSetClk> w_;
  std::vector<Message> messages_;
};

TEST_F(SetClk, StartsFromTheIni) {
  WriteIni("[settings]\nnInterval=3725\nnLightCutOff=30\nnFlicker=500\n");
  Open();
  EXPECT_EQ(Shown(), "1:2:5");
  EXPECT_EQ(Ud("udHours")->position(), 1);
  EXPECT_EQ(Ud("udMinutes")->position(), 2);
  EXPECT_EQ(Ud("udSeconds")->position(), 5);
  EXPECT_TRUE(Child<QRadioButton>("RBNone")->isChecked());         // 500 is no known code
  EXPECT_TRUE(Child<QRadioButton>("rbLowLightOff")->isChecked());  // 30 is normalised to 50
  EXPECT_FALSE(Child<QWidget>("ScrollBar1")->isVisible());
  w_->close();
  EXPECT_EQ(SavedIni().GetInt("settings", "nLightCutOff", -7), 50);
  EXPECT_EQ(SavedIni().GetInt("settings", "nFlicker", -7), 500);  // changes only through a Write
}

TEST_F(SetClk, DefaultsWithoutIni) {
  Open(false);
  EXPECT_EQ(Shown(), "1:0:0");
  EXPECT_TRUE(Child<QRadioButton>("RBNone")->isChecked());
  EXPECT_TRUE(Child<QRadioButton>("rbLowLightOn")->isChecked());
  EXPECT_EQ(QDate::currentDate(), Child<QDateEdit>("DateTimePicker1")->date());
}

TEST_F(SetClk, HoursRule) {
  Open();
  Type("edtHours", "13");  // "1" is taken, "13" is refused
  EXPECT_EQ(w_->beepCount(), 1);
  EXPECT_EQ(Box("edtHours")->text(), "1");
  Type("edtHours", "-3");  // negative hours are refused as well
  EXPECT_EQ(w_->beepCount(), 2);
  EXPECT_GE(Box("edtHours")->text().toInt(), 0);
  Type("edtMinutes", "30");
  Leave();
  Type("edtHours", "24");
  EXPECT_EQ(Shown(), "24:0:0");
  EXPECT_EQ(Ud("udMinutes")->position(), 0);
  SetClock(2024, 3, 15, 10, 5, 7);
  w_->bWriteTimeClick();
  const Bytes b = Written();
  ASSERT_EQ(b.size(), kSettingsFileSize);
  EXPECT_EQ(Word(b, 5), 0xFFFF);
  EXPECT_EQ(Word(b, 26), 0x50A3);  // 10:05:06, the odd second rounded down
  EXPECT_EQ(Word(b, 28), 0x586F);
}

TEST_F(SetClk, DeleteEditsWithoutBeeping) {
  Open();
  for (const char* name : {"edtHours", "edtMinutes", "edtSeconds"})
    EXPECT_EQ(test::DeleteAfterTyping(w_.get(), name), "0") << name;
  EXPECT_EQ(w_->beepCount(), 0);
}

// The pickers follow the clock second by second until the user changes them.
TEST_F(SetClk, PickersFollowTheClockUntilChanged) {
  Open();
  auto* date = Child<QDateEdit>("DateTimePicker1");
  auto* time = Child<QTimeEdit>("DateTimePicker2");
  QDateTime now(QDate(2024, 3, 15), QTime(23, 59, 58, 700));
  w_->setClock([&] { return now; });
  EXPECT_EQ(time->time(), QTime(23, 59, 58));
  EXPECT_EQ(date->date(), QDate(2024, 3, 15));
  now = now.addMSecs(1500);  // past midnight: the date follows too
  w_->clockTick();
  EXPECT_EQ(time->time(), QTime(0, 0, 0));
  EXPECT_EQ(date->date(), QDate(2024, 3, 16));

  // A date of the user's holds; the time still follows.
  date->setFocus();
  QTest::keyClick(date, Qt::Key_Up);
  const QDate chosen = date->date();
  ASSERT_NE(chosen, QDate(2024, 3, 16));
  now = now.addSecs(7);
  w_->clockTick();
  EXPECT_EQ(date->date(), chosen);
  EXPECT_EQ(time->time(), QTime(0, 0, 7));

  // A time of the user's holds, whatever the clock does.
  time->setFocus();
  QTest::keyClick(time, Qt::Key_Up);
  const QTime typed = time->time();
  ASSERT_NE(typed, QTime(0, 0, 7));
  now = now.addDays(1).addSecs(30);
  w_->clockTick();
  EXPECT_EQ(time->time(), typed);
  EXPECT_EQ(date->date(), chosen);
}

// What is written is what the pickers show at the moment of Write, even when
// the last tick was a while ago.
TEST_F(SetClk, WriteTakesTheClockOfThatMoment) {
  Open();
  auto* time = Child<QTimeEdit>("DateTimePicker2");
  QDateTime now(QDate(2024, 3, 15), QTime(10, 5, 0, 900));
  w_->setClock([&] { return now; });
  EXPECT_EQ(time->time(), QTime(10, 5, 0));
  now = now.addSecs(125);  // no tick: the window was busy
  w_->bWriteTimeClick();
  EXPECT_EQ(time->time(), QTime(10, 7, 5));
  const Bytes b = Written();
  ASSERT_EQ(b.size(), kSettingsFileSize);
  EXPECT_EQ(Word(b, 26), 10 << 11 | 7 << 5 | 2);  // 10:07:05, the odd second rounded down
  EXPECT_EQ(Word(b, 28), 44 << 9 | 3 << 5 | 15);
}

TEST_F(SetClk, FiveSecondMinimumAndCarries) {
  Open();
  Type("edtHours", "0");  // 0:0:0 would be no interval at all
  EXPECT_EQ(Shown(), "0:0:5");
  Type("edtSeconds", "3");
  Leave();
  EXPECT_EQ(Shown(), "0:0:5");
  Type("edtSeconds", "75");
  Leave();
  EXPECT_EQ(Shown(), "0:1:15");
  EXPECT_EQ(Ud("udSeconds")->position(), 15);
  Type("edtMinutes", "125");
  Leave();
  EXPECT_EQ(Shown(), "2:5:15");
  Type("edtMinutes", "0");
  Type("edtHours", "0");
  Leave();
  EXPECT_EQ(Shown(), "0:0:15");
  Type("edtSeconds", "-4");  // refused, the previous seconds come back
  Leave();
  EXPECT_EQ(Shown(), "0:0:15");
}

TEST_F(SetClk, UpDownsStepAndCarry) {
  WriteIni("[settings]\nnInterval=59\n");
  Open();
  UpDown* s = Ud("udSeconds");
  emit s->pointerMoved();  // the box gets the focus and the position follows it
  EXPECT_TRUE(Box("edtSeconds")->hasFocus());
  EXPECT_EQ(s->position(), 59);
  s->stepUp();
  EXPECT_EQ(Shown(), "0:1:0");
  s->stepDown();  // 1:00 -> seconds position 0 - 1 clamps to 0
  EXPECT_EQ(Shown(), "0:1:0");
  UpDown* m = Ud("udMinutes");
  emit m->pointerMoved();
  m->stepDown();
  EXPECT_EQ(Shown(), "0:0:5");  // never 0:0:0
  // Hours: the last position is 24.
  UpDown* h = Ud("udHours");
  emit h->pointerMoved();
  for (int i = 0; i < 11; ++i) h->stepUp();
  EXPECT_EQ(Shown(), "11:0:5");
  h->stepUp();
  EXPECT_EQ(Shown(), "12:0:0");
  const int beeps = w_->beepCount();
  m->stepUp();  // no minutes at 12 hours
  EXPECT_EQ(w_->beepCount(), beeps + 1);
  EXPECT_EQ(m->position(), 0);
  h->stepUp();
  EXPECT_EQ(Shown(), "24:0:0");
  h->stepUp();
  EXPECT_EQ(Shown(), "24:0:0");
  // Carrying into 12 hours keeps minutes and seconds at 0.
  Type("edtHours", "11");
  Type("edtMinutes", "75");
  Leave();
  EXPECT_EQ(Shown(), "12:0:0");
}

TEST_F(SetClk, EnterKeepsTypedSecondsButTheButtonTakesThem) {
  WriteIni("[settings]\nnInterval=20\n");
  Open();
  SetClock(2024, 3, 15, 10, 0, 0);
  Type("edtSeconds", "40");
  QTest::keyClick(Box("edtSeconds"), Qt::Key_Return);  // presses the default button
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].caption, "Success");
  EXPECT_EQ(Word(Written(), 5), 20);
  EXPECT_FALSE(w_->isVisible());  // the program ends after success

  messages_.clear();
  Open();
  Type("edtSeconds", "40");
  QTest::mouseClick(Child<QPushButton>("bWriteTime"), Qt::LeftButton);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(Word(Written(), 5), 40);
}

TEST_F(SetClk, WriteEncodesTheChoices) {
  struct Case {
    const char* flicker;
    const char* lowLight;
    uint16_t w2, w4;
  };
  const Case cases[] = {
      {"RB60", "rbLowLightOn", 0, 833},
      {"RB50", "rbLowLightOff", 4096, 1000},
      {"RBNone", "rbLowLightOn", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flicker);
    messages_.clear();
    Open();
    QTest::mouseClick(Child<QRadioButton>(c.flicker), Qt::LeftButton);
    QTest::mouseClick(Child<QRadioButton>(c.lowLight), Qt::LeftButton);
    QTest::mouseClick(Child<QPushButton>("bWriteTime"), Qt::LeftButton);
    const Bytes b = Written();
    ASSERT_EQ(b.size(), kSettingsFileSize);
    EXPECT_EQ(Word(b, 7), 0x7FFE);
    EXPECT_EQ(Word(b, 9), c.w2);
    EXPECT_EQ(Word(b, 13), c.w4);
    EXPECT_EQ(Word(b, 19), 0);
    EXPECT_EQ(SavedIni().GetInt("settings", "nFlicker", -7), c.w4);
  }
}

TEST_F(SetClk, FailedWriteStaysOpen) {
  Open(false);
  const std::string notACard = dir_ + "/file";
  std::ofstream(notACard) << "x";
  Child<CardDriveBox>("DCB")->setCardPath(QString::fromStdString(notACard));
  QTest::mouseClick(Child<QPushButton>("bWriteTime"), Qt::LeftButton);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_TRUE(messages_[0].error);
  EXPECT_EQ(messages_[0].caption, "Error");
  EXPECT_EQ(messages_[0].text,
            "Could not create directory for Camera Settings\nPlease make sure you have selected "
            "the flash drive\nand connected it to the PC");
  EXPECT_TRUE(w_->isVisible());
}

TEST_F(SetClk, CancelKeepsFlickerButSavesTheRest) {
  WriteIni("[window]\nx=-1\n[settings]\nnFlicker=1000\nnInterval=600\nkeep=me\n");
  Open();
  QTest::mouseClick(Child<QRadioButton>("RB60"), Qt::LeftButton);
  QTest::mouseClick(Child<QRadioButton>("rbLowLightOff"), Qt::LeftButton);
  Type("edtMinutes", "20");
  Leave();
  QTest::mouseClick(Child<QPushButton>("bCancel"), Qt::LeftButton);
  EXPECT_FALSE(w_->isVisible());
  const IniStore ini = SavedIni();
  EXPECT_EQ(ini.GetInt("settings", "nFlicker", -7), 1000);
  EXPECT_EQ(ini.GetInt("settings", "nInterval", -7), 600);
  EXPECT_EQ(ini.GetInt("settings", "nLightCutOff", -7), 50);
  EXPECT_EQ(ini.GetString("settings", "szCardPath"), card_);
  EXPECT_EQ(ini.GetInt("settings", "cDrive", -7), 67);
  EXPECT_EQ(ini.GetString("settings", "keep"), "me");
  EXPECT_TRUE(ini.Has("window", "y"));
}

TEST(SetClkIni, CurrentFolderFirst) {
  char tmpl[] = "/tmp/klv_setclk_ini_XXXXXX";
  ASSERT_NE(::mkdtemp(tmpl), nullptr);
  const std::string dir = tmpl;
  const fs::path old = fs::current_path();
  fs::current_path(dir);
  const std::string xdg = dir + "/xdg";
  ::setenv("XDG_CONFIG_HOME", xdg.c_str(), 1);
  EXPECT_EQ(LocateSetClkIni(""), xdg + "/kelvarn/KLVSetClk.ini");
  EXPECT_EQ(LocateSetClkIni("/x/y.ini"), "/x/y.ini");
  std::ofstream(dir + "/KLVSetClk.ini") << "[settings]\n";
  EXPECT_EQ(LocateSetClkIni(""), fs::canonical(dir).string() + "/KLVSetClk.ini");
  ::unsetenv("XDG_CONFIG_HOME");
  fs::remove(dir + "/KLVSetClk.ini");
  ::setenv("HOME", dir.c_str(), 1);
  EXPECT_EQ(LocateSetClkIni(""), dir + "/.config/kelvarn/KLVSetClk.ini");
  fs::current_path(old);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace klv

namespace klv {
namespace {

TEST(CardDriveBoxTest, VolumesBrowseAndRememberedFolders) {
  test::QtApp();
  CardDriveBox box;
  box.setVolumeSource([] {
    return std::vector<Volume>{{"/media/u/CARD", "/dev/sdb1", "vfat", true, false, "CARD"},
                               {"/mnt/data", "/dev/sda3", "ext4", false, false, "data"}};
  });
  QString browseAnswer;
  int browsed = 0;
  box.setBrowseHandler([&](QWidget*, const QString&) {
    ++browsed;
    return browseAnswer;
  });
  QStringList changes;
  QObject::connect(&box, &CardDriveBox::cardChanged, [&](const QString& p) { changes << p; });

  EXPECT_EQ(box.cardPath(), "");
  EXPECT_EQ(box.itemText(0), "CARD  (/media/u/CARD)");
  EXPECT_EQ(box.itemText(box.count() - 1), "Browse…");

  // A remembered card that is not inserted stays chosen and listed.
  box.setCardPath("/media/u/OLD/");
  EXPECT_EQ(box.cardPath(), "/media/u/OLD");
  EXPECT_EQ(box.currentText(), "/media/u/OLD");
  box.refresh();
  EXPECT_EQ(box.cardPath(), "/media/u/OLD");

  emit box.activated(0);
  EXPECT_EQ(box.cardPath(), "/media/u/CARD");

  const int browse = box.count() - 1;
  browseAnswer = "";  // cancelled
  emit box.activated(browse);
  EXPECT_EQ(box.cardPath(), "/media/u/CARD");
  EXPECT_EQ(box.currentIndex(), 0);
  browseAnswer = "/tmp/somewhere";
  emit box.activated(box.count() - 1);
  EXPECT_EQ(box.cardPath(), "/tmp/somewhere");
  EXPECT_EQ(browsed, 2);
  EXPECT_EQ(changes, (QStringList{"/media/u/CARD", "/tmp/somewhere"}));

  // Folders chosen by hand or remembered stay listed after another choice,
  // behind the volumes and before "Browse…".
  emit box.activated(0);
  box.refresh();
  QStringList items;
  for (int i = 0; i < box.count(); ++i) items << box.itemText(i);
  EXPECT_EQ(items, (QStringList{"CARD  (/media/u/CARD)", "data  (/mnt/data)", "/media/u/OLD",
                                "/tmp/somewhere", "", "Browse…"}));
  EXPECT_EQ(box.cardPath(), "/media/u/CARD");
}

// The box as the machine fills it, from a planted mount table: cards only.
TEST(CardDriveBoxTest, ListsCardsFromTheMountTable) {
  test::QtApp();
  char tmpl[] = "/tmp/klv_cardbox_XXXXXX";
  ASSERT_NE(::mkdtemp(tmpl), nullptr);
  const std::string dir = tmpl;
  std::ofstream(dir + "/mountinfo")
      << "26 1 259:2 / / rw - ext4 /dev/nvme0n1p2 rw\n"
         "27 26 259:1 / /boot/efi rw - vfat /dev/nvme0n1p1 rw\n"
         "28 26 0:25 / /run rw - tmpfs tmpfs rw\n"
         "29 26 259:4 / /mnt/data rw - ext4 /dev/nvme0n1p4 rw\n"
         "30 26 8:17 / /run/media/ann/KELVARN rw - vfat /dev/sdb1 rw\n";
  CardDriveBox box;
  box.setVolumeSource([&] { return ListVolumes({dir + "/mountinfo", dir + "/block"}); });
  box.setCardPath("/home/ann/cards");  // chosen with Browse… once, remembered in the INI
  QStringList items;
  for (int i = 0; i < box.count(); ++i) items << box.itemText(i);
  EXPECT_EQ(items, (QStringList{"KELVARN  (/run/media/ann/KELVARN)", "data  (/mnt/data)",
                                "/home/ann/cards", "", "Browse…"}));
  EXPECT_EQ(box.currentIndex(), 2);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace klv
