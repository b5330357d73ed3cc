// The main window under the offscreen platform: the motion timeline fills
// under the seek bar, lines up with it, draws the threshold and the motion,
// and takes clicks; Space, Home, End, N, P, F11 and Esc; the double click for
// full screen; a click on the seek bar; the Motion menu and Help > Keys.
// KLV_SCREENSHOT_DIR=DIR keeps a picture of the window with its timeline.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QStyleOptionSlider>
#include <QTest>
#include <QToolButton>
#include <filesystem>
#include <fstream>

#include "engine/motion_timeline.h"
#include "player/keys_box.h"
#include "player/klvmain.h"
#include "player/seek_slider.h"
#include "player/timeline_strip.h"
#include "support/avi_writer.h"
#include "support/movie_builder.h"
#include "support/mpeg4_stream.h"
#include "setclock/qt_offscreen.h"
#include "timeline/worker_gate.h"

namespace {

using klv::test::WaitFor;

class TimelineWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    klv::test::QtApp();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() / (std::string("klv_timeline_window_") + info->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    ini_ = (dir_ / "klvplay.ini").string();
    std::ofstream(ini_) << "[settings]\nnMotionThreshold=50\nShowMenus=1\n";
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // 320 x 240, 90 frames: a dark box stands from 15 to 17, a car crosses
  // from 40 to 48, a bright box from 70 to 73; events at 15 and 40.
  static klv::sample::MovieSpec Plan() {
    klv::sample::MovieSpec plan;
    plan.width = 320;
    plan.height = 240;
    plan.frames = 90;
    plan.scale = 1;
    plan.rate = 10;
    plan.eventMode = true;
    plan.eventFrames = {15, 40};
    plan.scene.road = true;
    plan.scene.objects = {
        {.shape = klv::sample::ShapeKind::Box, .firstFrame = 15, .lastFrame = 17, .x0 = 90, .y0 = 90,
         .x1 = 90, .y1 = 90, .width = 40, .height = 40, .r = 10, .g = 10, .b = 10},
        {.shape = klv::sample::ShapeKind::Car, .firstFrame = 40, .lastFrame = 48, .x0 = 30, .y0 = 190,
         .x1 = 290, .y1 = 190, .width = 80, .height = 40},
        {.shape = klv::sample::ShapeKind::Box, .firstFrame = 70, .lastFrame = 73, .x0 = 60, .y0 = 60,
         .x1 = 260, .y1 = 60, .width = 36, .height = 36, .r = 250, .g = 240, .b = 200}};
    return plan;
  }
  std::string Movie(const std::string& name) {
    const std::string path = (dir_ / name).string();
    EXPECT_TRUE(klv::sample::WriteCameraAvi(path, Plan()));
    return path;
  }
  static klv::player::TimelineStrip* Strip(TfrmKLVMain& w) {
    return w.findChild<klv::player::TimelineStrip*>("pnlTimeline");
  }
  static klv::player::SeekSlider* Bar(TfrmKLVMain& w) { return w.findChild<klv::player::SeekSlider*>("tbWhere"); }
  // Opens the window on `files`, paused, with the timeline of the first filled.
  void Open(TfrmKLVMain& w, const std::vector<std::string>& files) {
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QApplication::setActiveWindow(&w);
    w.Start(files);
    w.findChild<QToolButton*>("sbPause")->click();
    ASSERT_TRUE(WaitFor([&] {
      const auto v = Strip(w)->Values();
      return v != nullptr && v->Complete() && !Strip(w)->Polling();
    }));
  }
  // The first frame of every run above `threshold`, from the values.
  static std::vector<int> RunStarts(const klv::TimelineValues& v, int threshold) {
    std::vector<int> starts;
    for (int i = 1; i < v.Frames(); ++i)
      if (v.Value(i) > threshold && (i == 1 || v.Value(i - 1) <= threshold)) starts.push_back(i);
    return starts;
  }

  std::filesystem::path dir_;
  std::string ini_;
};

TEST_F(TimelineWindowTest, TheStripFillsLinesUpWithTheSeekBarAndGoesWhereItIsClicked) {
  const std::string a = Movie("a.avi");
  TfrmKLVMain w(ini_);
  Open(w, {a});
  klv::Player& p = w.player();
  klv::player::TimelineStrip* strip = Strip(w);
  ASSERT_NE(strip, nullptr);
  EXPECT_TRUE(strip->isVisible());
  EXPECT_EQ(strip->Values(), p.timeline.Current());
  EXPECT_EQ(strip->Threshold(), 50);
  EXPECT_EQ(strip->height(), 12);
  const auto values = strip->Values();
  EXPECT_EQ(values->EventFrames(), (std::vector<int>{15, 40}));

  // Frame f sits under the seek bar's handle at f.
  klv::player::SeekSlider* bar = Bar(w);
  for (int f : {0, 31, 89}) {
    ASSERT_TRUE(p.GoToFrame(f));
    QStyleOptionSlider opt;
    opt.initFrom(bar);
    opt.minimum = bar->minimum();
    opt.maximum = bar->maximum();
    opt.sliderPosition = opt.sliderValue = bar->value();
    opt.orientation = Qt::Horizontal;
    opt.tickPosition = bar->tickPosition();
    opt.tickInterval = bar->tickInterval();
    opt.rect = bar->rect();
    const QRect handle = bar->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, bar);
    const int centre = bar->mapTo(&w, handle.center()).x() - strip->mapTo(&w, QPoint(0, 0)).x();
    EXPECT_NEAR(strip->XOf(f), centre, 1) << f;
  }

  // What it draws: frames above the line in the motion colour, quiet ones low.
  QApplication::processEvents();
  QImage shot = strip->grab().toImage();
  const int bottom = strip->height() - 2;
  const std::vector<int> starts = RunStarts(*values, 50);
  ASSERT_FALSE(starts.empty());
  int motionColumns = 0;
  const std::vector<int>& events = values->EventFrames();
  auto marked = [&events](int f) { return std::find(events.begin(), events.end(), f) != events.end(); };
  for (int f = 1; f < values->Frames(); ++f) {
    if (marked(f)) continue;  // drawn over by the event mark
    const QColor c = shot.pixelColor(strip->XOf(f), bottom);
    if (values->Value(f) > 50) {
      EXPECT_EQ(c, QColor(0xFF, 0xB5, 0x47)) << f;
      ++motionColumns;
    } else if (c == QColor(0xFF, 0xB5, 0x47)) {
      ADD_FAILURE() << "quiet frame " << f << " drawn as motion";
    }
  }
  EXPECT_GT(motionColumns, 5);
  // A higher threshold: fewer frames stand out, the line moves up.
  w.findChild<QLineEdit*>("edtMotionThreshold")->setText("120");
  EXPECT_EQ(strip->Threshold(), 120);
  QApplication::processEvents();
  shot = strip->grab().toImage();
  for (int f = 1; f < values->Frames(); ++f) {
    if (!marked(f) && values->Value(f) > 50 && values->Value(f) <= 120) {
      EXPECT_NE(shot.pixelColor(strip->XOf(f), bottom), QColor(0xFF, 0xB5, 0x47)) << f;
    }
  }
  w.findChild<QLineEdit*>("edtMotionThreshold")->setText("50");
  if (qEnvironmentVariableIsSet("KLV_SCREENSHOT_DIR")) {
    p.GoToFrame(44);
    QApplication::processEvents();
    w.grab().save(qEnvironmentVariable("KLV_SCREENSHOT_DIR") + "/timeline_window.png");
    w.findChild<QWidget*>("gbSeek")->grab().save(qEnvironmentVariable("KLV_SCREENSHOT_DIR") + "/timeline_seek.png");
  }

  // A click goes to the frame under it, the seek bar and the buttons following.
  QTest::mouseClick(strip, Qt::LeftButton, {}, QPoint(strip->XOf(44), 6));
  EXPECT_EQ(p.CurrentFrame(), 44);
  EXPECT_EQ(bar->value(), 44);
  EXPECT_EQ(w.StatusPanel(3), "Frame 45");
  EXPECT_TRUE(w.findChild<QToolButton*>("sbPrevious")->isEnabled());
  QTest::mouseClick(strip, Qt::LeftButton, {}, QPoint(strip->XOf(0), 6));
  EXPECT_EQ(p.CurrentFrame(), 0);
  EXPECT_FALSE(w.findChild<QToolButton*>("sbPrevious")->isEnabled());
  // A drag along it follows the mouse.
  QTest::mousePress(strip, Qt::LeftButton, {}, QPoint(strip->XOf(10), 6));
  QMouseEvent move(QEvent::MouseMove, QPointF(strip->XOf(20), 6), strip->mapToGlobal(QPointF(strip->XOf(20), 6)),
                   Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(strip, &move);
  QTest::mouseRelease(strip, Qt::LeftButton, {}, QPoint(strip->XOf(20), 6));
  EXPECT_EQ(p.CurrentFrame(), 20);

  // An .m4v stream has no timeline.
  klv::sample::M4vStreamSpec plan;
  plan.encoder.width = 176;
  plan.encoder.height = 144;
  plan.pictures = 3;
  const std::string m = (dir_ / "clip.m4v").string();
  ASSERT_TRUE(klv::sample::WriteBytes(m, klv::sample::BuildM4vStream(plan)));
  p.ClearCommand();
  w.Start({m});
  EXPECT_FALSE(strip->isVisible());
  EXPECT_EQ(strip->Values(), nullptr);
  w.close();
}

TEST_F(TimelineWindowTest, TheStripFillsInWhileTheWorkerGoes) {
  const std::string a = Movie("a.avi");
  klv::test::WorkerGate gate(50);
  TfrmKLVMain w(ini_);
  w.player().timeline.afterFrameForTesting = [&gate](int frame) { gate.Reached(frame); };
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  w.Start({a});
  w.findChild<QToolButton*>("sbPause")->click();
  klv::player::TimelineStrip* strip = Strip(w);
  // The worker holds after frame 50; the window keeps looking meanwhile.
  ASSERT_TRUE(WaitFor([&] { return gate.IsReached(); }));
  QTest::qWait(3 * klv::player::TimelineStrip::kPollMs);
  EXPECT_TRUE(strip->Polling());
  EXPECT_EQ(strip->Values()->Filled(), 51);
  const QColor hatch(0x36, 0x39, 0x3E), motion(0xFF, 0xB5, 0x47);
  auto count = [&](const QImage& shot, const QColor& c, int from, int to) {
    int n = 0;
    for (int x = from; x < to; ++x)
      for (int y = 1; y < shot.height() - 1; ++y) n += shot.pixelColor(x, y) == c ? 1 : 0;
    return n;
  };
  QImage shot = strip->grab().toImage();
  const int edge = strip->XOf(51);
  EXPECT_GT(count(shot, hatch, edge + 2, strip->XOf(89)), 20);
  EXPECT_EQ(count(shot, hatch, strip->XOf(1), edge - 4), 0);
  EXPECT_GT(count(shot, motion, strip->XOf(1), edge), 0);     // the car, 40 to 49
  EXPECT_EQ(count(shot, motion, edge + 2, strip->width()), 0);  // nothing known there yet
  if (qEnvironmentVariableIsSet("KLV_SCREENSHOT_DIR"))
    w.findChild<QWidget*>("gbSeek")->grab().save(qEnvironmentVariable("KLV_SCREENSHOT_DIR") + "/timeline_filling.png");
  gate.Open();
  ASSERT_TRUE(WaitFor([&] { return strip->Values()->Complete() && !strip->Polling(); }));
  shot = strip->grab().toImage();
  EXPECT_EQ(count(shot, hatch, 0, strip->width()), 0);
  EXPECT_GT(count(shot, motion, strip->XOf(60), strip->XOf(89)), 0);  // the bright box, 70 to 74
  w.close();
}

TEST_F(TimelineWindowTest, KeysAndMouseActionsPeopleExpect) {
  const std::string a = Movie("a.avi");
  const std::string b = Movie("b.avi");
  TfrmKLVMain w(ini_);
  Open(w, {a, b});
  klv::Player& p = w.player();
  auto* list = w.findChild<QListWidget*>("lbPlayList");
  ASSERT_EQ(list->count(), 2);

  // Space: play, then pause, wherever the focus is.
  list->setFocus();
  QTest::keyClick(&w, Qt::Key_Space);
  EXPECT_TRUE(p.state.playing);
  QTest::keyClick(&w, Qt::Key_Space);
  EXPECT_FALSE(p.state.playing);
  EXPECT_EQ(list->count(), 2);

  // Home and End while paused, the seek bar following.
  QTest::keyClick(&w, Qt::Key_End);
  EXPECT_EQ(p.CurrentFrame(), 89);
  EXPECT_EQ(Bar(w)->value(), 89);
  QTest::keyClick(&w, Qt::Key_Home);
  EXPECT_EQ(p.CurrentFrame(), 0);
  EXPECT_EQ(Bar(w)->value(), 0);

  // N and P: run after run, decided from the filled timeline.
  const std::vector<int> starts = RunStarts(*Strip(w)->Values(), 50);
  ASSERT_GE(starts.size(), 3u);
  for (int s : starts) {
    QTest::keyClick(&w, Qt::Key_N);
    EXPECT_EQ(p.state.playListIndex, 0);
    EXPECT_EQ(p.CurrentFrame(), s);
  }
  QTest::keyClick(&w, Qt::Key_P);
  EXPECT_EQ(p.CurrentFrame(), starts[starts.size() - 2]);
  // The same from the Motion menu, which shows its keys.
  QAction* next = w.findChild<QAction*>("NextMotion1");
  ASSERT_NE(next, nullptr);
  EXPECT_TRUE(next->text().endsWith("\tN"));
  next->trigger();
  EXPECT_EQ(p.CurrentFrame(), starts.back());
  // On into the next movie: its runs are read from its frames.
  QTest::keyClick(&w, Qt::Key_N);
  ASSERT_TRUE(WaitFor([&] { return !p.FindingRun(); }));
  EXPECT_EQ(p.state.playListIndex, 1);
  EXPECT_EQ(p.CurrentFrame(), starts.front());
  // Typed into the threshold box, the letters are the box's.
  auto* threshold = w.findChild<QLineEdit*>("edtMotionThreshold");
  threshold->setFocus();
  QTest::keyClick(threshold, Qt::Key_End);
  QTest::keyClick(threshold, Qt::Key_N);
  EXPECT_EQ(threshold->text(), "50n");
  EXPECT_EQ(p.CurrentFrame(), starts.front());
  threshold->setText("50");
  list->setFocus();

  // F11 and Esc: full screen and back; Esc clears the list only after that.
  QTest::keyClick(&w, Qt::Key_F11);
  EXPECT_TRUE(w.isFullScreen());
  EXPECT_FALSE(w.menuBar()->isVisible());
  QTest::keyClick(&w, Qt::Key_Escape);
  EXPECT_FALSE(w.isFullScreen());
  EXPECT_TRUE(w.menuBar()->isVisible());
  EXPECT_EQ(list->count(), 2);

  // Ctrl + double click on the picture: full screen, the zoom left alone;
  // a plain click still steps the zoom.
  QWidget* picture = w.findChild<QWidget*>("Image1");
  const int zoom = p.state.zoom;
  QTest::mouseDClick(picture, Qt::LeftButton, Qt::ControlModifier, QPoint(20, 20));
  EXPECT_TRUE(w.isFullScreen());
  EXPECT_EQ(p.state.zoom, zoom);
  QTest::mouseDClick(picture, Qt::LeftButton, Qt::ControlModifier, QPoint(20, 20));
  EXPECT_FALSE(w.isFullScreen());
  QTest::mouseClick(picture, Qt::LeftButton, {}, QPoint(20, 20));
  EXPECT_NE(p.state.zoom, zoom);

  // A click on the seek bar goes to the frame under the mouse, not a page on.
  klv::player::SeekSlider* bar = Bar(w);
  p.GoToFrame(0);
  const int x = bar->width() * 3 / 4;
  const int expected = bar->ValueAt(x);
  ASSERT_GT(expected, bar->pageStep());
  QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(x, bar->height() / 3));
  EXPECT_EQ(bar->value(), expected);
  EXPECT_EQ(p.CurrentFrame(), expected);

  QTest::keyClick(&w, Qt::Key_Escape);
  EXPECT_EQ(list->count(), 0);
  w.close();
}

TEST_F(TimelineWindowTest, TheMotionMenuIsShownAndHelpKeysListsTheKeys) {
  TfrmKLVMain w((dir_ / "plain.ini").string());
  QMenu* motion = w.findChild<QMenu*>("Motion1");
  ASSERT_NE(motion, nullptr);
  EXPECT_TRUE(motion->menuAction()->isVisible());
  EXPECT_EQ(motion->title(), "&Motion");
  // Without a movie the jumps only beep.
  w.findChild<QAction*>("PrevMotion1")->trigger();
  EXPECT_FALSE(w.player().FindingRun());

  TfrmKLVMain shown(ini_);
  QAction* keys = shown.findChild<QAction*>("Keys1");
  ASSERT_NE(keys, nullptr);
  keys->trigger();
  auto* box = shown.findChild<klv::player::KeysBox*>("KeysBox");
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(box->isVisible());
  QStringList rows;
  for (int i = 0; i < klv::player::KeysBox::RowCount(); ++i)
    rows << box->findChild<QLabel*>(QString("key%1").arg(i))->text();
  for (const char* key : {"Space", "Home, End", "N, P", "Esc"}) EXPECT_TRUE(rows.contains(key)) << key;
  EXPECT_TRUE(rows.join(' ').contains("F11"));
  box->close();
}

}  // namespace

KLV_QT_TEST_LEAK_SUPPRESSIONS
