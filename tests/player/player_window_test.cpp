// The main window under the offscreen platform: it starts with camera movies
// on its command line, plays, steps with the keys, saves a frame, and what it
// shows is a real picture.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <filesystem>
#include <fstream>
#include <set>

#include "player/about_box.h"
#include "player/camsettings/setcamreg.h"
#include "player/klvmain.h"
#include "player/my_msg.h"
#include "setclock/qt_offscreen.h"
#include "support/movie_builder.h"

namespace {

using C = klv::ControlId;

// One application for the whole program, never destroyed: Qt's own globals
// go first at exit.
QApplication& App() {
  static int argc = 1;
  static char name[] = "player_window_tests";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

using klv::test::WaitFor;

class PlayerWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() / (std::string("klv_window_") + info->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  klv::sample::MovieSpec Plan(int frames) {
    klv::sample::MovieSpec plan;
    plan.width = 320;
    plan.height = 240;
    plan.frames = frames;
    plan.scale = 1;
    plan.rate = 30;  // plays at 30 frames a second
    plan.scene.objects.push_back({.shape = klv::sample::ShapeKind::Car, .firstFrame = 0,
                                  .lastFrame = frames - 1, .x0 = 40, .y0 = 150, .x1 = 280,
                                  .y1 = 150, .width = 80, .height = 40});
    return plan;
  }
  std::string Movie(const std::string& name, int frames) {
    const std::string path = (dir_ / name).string();
    EXPECT_TRUE(klv::sample::WriteCameraAvi(path, Plan(frames)));
    return path;
  }
  std::string Settings(const std::string& text = "") {
    const std::string path = (dir_ / "klvplay.ini").string();
    std::ofstream(path) << text;
    return path;
  }

  std::filesystem::path dir_;
};

TEST_F(PlayerWindowTest, PlaysStepsWithKeysSavesAFrameAndShowsAPicture) {
  const std::string a = Movie("a.avi", 40);
  const std::string b = Movie("b.avi", 10);
  const std::string ini = Settings();
  std::vector<klv::MessageKind> messages;
  {
    TfrmKLVMain w(ini);
    TfrmMyMsg msg(&w);
    w.SetMessageWindow(&msg);
    w.messageHook = [&](klv::MessageKind k) { messages.push_back(k); };
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.Start({a, b});
    klv::Player& p = w.player();

    EXPECT_EQ(w.windowTitle(), "a.avi");
    auto* list = w.findChild<QListWidget*>("lbPlayList");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->count(), 2);
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(p.state.rate, 30);

    // Plays: the timer moves the frames on.
    ASSERT_TRUE(WaitFor([&] { return p.CurrentFrame() >= 3; }));
    EXPECT_TRUE(p.state.playing);
    EXPECT_TRUE(w.StatusPanel(3).startsWith("Frame "));
    EXPECT_EQ(w.StatusPanel(1), "320x240");

    // Pause, then step with the keys.
    w.findChild<QToolButton*>("sbPause")->click();
    EXPECT_FALSE(p.state.playing);
    const int at = p.CurrentFrame();
    QTest::keyPress(&w, Qt::Key_Right);
    EXPECT_EQ(p.CurrentFrame(), at) << "steps on release, not on press";
    QTest::keyRelease(&w, Qt::Key_Right);
    EXPECT_EQ(p.CurrentFrame(), at + 1);
    QTest::keyClick(&w, '+');
    EXPECT_EQ(p.CurrentFrame(), at + 2);
    QTest::keyClick(&w, '-');
    QTest::keyClick(&w, Qt::Key_Left);
    EXPECT_EQ(p.CurrentFrame(), at);
    EXPECT_EQ(w.StatusPanel(3), QString("Frame %1").arg(at + 1));

    // Save Current writes the frame as the camera stored it.
    const std::string out = (dir_ / "saved.jpg").string();
    std::string suggested;
    w.saveDialogHook = [&](const std::string& s) -> std::optional<std::string> {
      suggested = s;
      return out;
    };
    w.SaveCurrentAction()->trigger();
    EXPECT_EQ(suggested, (dir_ / QString("ztfrm%1.jpg").arg(at + 1, 5, 10, QChar('0')).toStdString()).string());
    EXPECT_EQ(klv::sample::ReadBytes(out), klv::sample::BuildCameraFrame(Plan(40), at));

    // What the window shows is the movie, not an empty frame.
    QApplication::processEvents();
    const QImage shot = w.grab().toImage();
    ASSERT_FALSE(shot.isNull());
    const QRect view = w.findChild<QWidget*>("Image1")->geometry();
    std::set<QRgb> colours;
    const QPoint origin = w.findChild<QWidget*>("Image1")->mapTo(&w, QPoint(0, 0));
    for (int y = 0; y < view.height(); y += 4)
      for (int x = 0; x < view.width(); x += 4) colours.insert(shot.pixel(origin + QPoint(x, y)));
    EXPECT_GT(colours.size(), 100u);

    // Esc clears the play list.
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_EQ(list->count(), 0);
    EXPECT_EQ(w.windowTitle(), "[none]");
    EXPECT_EQ(w.StatusPanel(0), "[none]");
    w.close();
  }
  EXPECT_TRUE(messages.empty());
  // Closing saved the settings.
  std::ifstream in(ini);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("nFrmRate=30"), std::string::npos) << text;
  EXPECT_NE(text.find("nMainWinWidth="), std::string::npos);
}

TEST_F(PlayerWindowTest, OnlyUnacceptedFilesLeaveTheWindowIdle) {
  const std::string ini = Settings();
  std::vector<klv::MessageKind> messages;
  TfrmKLVMain w(ini);
  w.messageHook = [&](klv::MessageKind k) { messages.push_back(k); };
  w.show();
  w.Start({(dir_ / "holiday.mp4").string()});
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(w.windowTitle(), "Kelvarn Player");
  EXPECT_FALSE(w.findChild<QToolButton*>("sbForward")->isEnabled());

  // An accepted name that cannot be opened: its message, and the player stays.
  w.player().DropFiles({(dir_ / "missing.avi").string()});
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], klv::MessageKind::NotFound);
  EXPECT_TRUE(w.isVisible());
  EXPECT_FALSE(w.findChild<QToolButton*>("sbForward")->isEnabled());
  w.close();
}

TEST_F(PlayerWindowTest, DroppedFilesJoinThePlayListAndTheEarliestPlays) {
  const std::string a = Movie("a.avi", 5);
  const std::string b = Movie("b.avi", 5);
  // The drop as the window receives it from the desktop.
  struct DropTarget : TfrmKLVMain {
    using TfrmKLVMain::TfrmKLVMain;
    using TfrmKLVMain::dropEvent;
  } w(Settings());
  w.messageHook = [](klv::MessageKind) {};
  w.show();
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(b)),
                QUrl::fromLocalFile(QString::fromStdString(a)),
                QUrl::fromLocalFile(QString::fromStdString((dir_ / "notes.txt").string()))});
  QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  w.dropEvent(&drop);
  auto* list = w.findChild<QListWidget*>("lbPlayList");
  EXPECT_EQ(list->count(), 2);
  EXPECT_TRUE(w.player().state.playing);
  EXPECT_EQ(w.player().state.playListIndex, 0);
  w.close();
}

TEST_F(PlayerWindowTest, CameraSettingsOpensTheDialogModally) {
  TfrmKLVMain w(Settings("[settings]\nShowMenus=1\nnInt2=7\n"));
  klv::TfrmSetCamReg dialog(&w);
  w.SetCameraSettingsDialog(&dialog);
  w.show();
  bool opened = false;
  QTimer::singleShot(0, [&] {
    opened = QApplication::activeModalWidget() == &dialog;
    dialog.reject();
  });
  w.CameraSettingsCommand();
  EXPECT_TRUE(opened);
  EXPECT_EQ(w.player().settings.nInt2, 7);
  w.close();
}

TEST_F(PlayerWindowTest, LanguageSlotsTranslateTheCaptionsOfEveryKindOfMovie) {
  const std::string a = Movie("a.avi", 3);
  klv::sample::MovieSpec events = Plan(4);
  events.eventMode = true;
  events.eventFrames = {2};
  const std::string e = (dir_ / "e.avi").string();
  ASSERT_TRUE(klv::sample::WriteCameraAvi(e, events));
  TfrmKLVMain w(Settings("[settings]\nTestLanguage=3\n"));
  w.messageHook = [](klv::MessageKind) {};
  EXPECT_EQ(w.findChild<QGroupBox*>("gbStats")->title(), QString::fromUtf8("统计信息"));
  EXPECT_EQ(w.findChild<QLabel*>("lblLang")->text(), QString::fromUtf8("简体中文"));
  w.show();
  w.Start({a});
  ASSERT_TRUE(WaitFor([&] { return w.player().CurrentFrame() >= 1; }));
  EXPECT_EQ(w.findChild<QLabel*>("Label3")->text(), QString::fromUtf8("拍摄间隔"));
  EXPECT_EQ(w.findChild<QLabel*>("Label4")->text(), QString::fromUtf8("经过时间"));
  // An event-mode movie names what its numbers are, in the same language.
  w.player().ClearCommand();
  w.Start({e});
  EXPECT_EQ(w.findChild<QLabel*>("Label3")->text(), QString::fromUtf8("关机延迟"));
  EXPECT_EQ(w.findChild<QLabel*>("Label4")->text(), QString::fromUtf8("事件编号"));
  // The message window says what is wrong in the same language too.
  TfrmMyMsg msg(&w);
  EXPECT_EQ(msg.Label(1)->text(), QString::fromUtf8("找不到文件"));
  msg.MessageKind = 1;
  msg.Reason = "the file is empty";
  msg.show();
  EXPECT_EQ(msg.findChild<QLabel*>("lblReason")->text(), QString::fromUtf8("文件为空"));
  msg.hide();
  w.close();
}

TEST_F(PlayerWindowTest, MenusHiddenUnlessTheSettingsShowThem) {
  {
    TfrmKLVMain w(Settings());
    int visible = 0;
    for (QAction* a : w.menuBar()->actions()) visible += a->isVisible() ? 1 : 0;
    EXPECT_EQ(visible, 1);  // File only
  }
  TfrmKLVMain w(Settings("[settings]\nShowMenus=1\n"));
  int visible = 0;
  for (QAction* a : w.menuBar()->actions()) visible += a->isVisible() ? 1 : 0;
  EXPECT_EQ(visible, 3);
}

TEST(AboutBoxTest, VersionFromTheProjectVersion) {
  App();
  EXPECT_EQ(FormatVersion("1.68.0.0"), "Version 1.68.0.0");
  EXPECT_EQ(FormatVersion("2.5.10.3"), "Version 2.5.10.3");
  TAboutBox box;
  box.show();
  EXPECT_TRUE(box.VersionText().startsWith("Version "));
  EXPECT_NE(box.VersionText(), "Version 0.0.0.0");
}

TEST(MessageWindowTest, ShowsOnlyTheLabelOfItsKind) {
  App();
  TfrmMyMsg msg;
  msg.MessageKind = 1;
  msg.show();
  EXPECT_TRUE(msg.Label(1)->isVisible());
  msg.hide();
  msg.MessageKind = 3;
  msg.show();
  EXPECT_FALSE(msg.Label(1)->isVisible());
  EXPECT_TRUE(msg.Label(3)->isVisible());
  EXPECT_EQ(msg.Label(3)->text(), "File Does Not Contain Any Frames");
  msg.hide();
  msg.MessageKind = 4;
  msg.show();
  for (int k = 0; k < 4; ++k) EXPECT_FALSE(msg.Label(k)->isVisible()) << k;
  EXPECT_EQ(msg.windowTitle(), "Error");
  msg.hide();
}

}  // namespace

// Fontconfig keeps its caches for the life of the process.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }
