// The motion search in the main window under the offscreen platform: the
// buttons start it, the preview and the progress bar move while the event
// loop runs it, Stop Search ends it, and a find in a later file selects it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QTest>
#include <QToolButton>
#include <filesystem>
#include <fstream>

#include "player/klvmain.h"
#include "player/search_preview.h"
#include "setclock/qt_offscreen.h"
#include "support/movie_builder.h"

namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "search_window_tests";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

using klv::test::WaitFor;

class SearchWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() / (std::string("klv_search_window_") + info->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    ini_ = (dir_ / "klvplay.ini").string();
    std::ofstream(ini_) << "[settings]\nnMotionThreshold=50\n";
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // A quiet 160 x 120 scene; a dark box stands from `first` to `first` + 2.
  std::string Movie(const std::string& name, int frames, int first = -1) {
    klv::sample::MovieSpec plan;
    plan.width = 160;
    plan.height = 120;
    plan.frames = frames;
    plan.scale = 1;
    plan.rate = 10;
    if (first >= 0) {
      klv::sample::SceneObject box;
      box.firstFrame = first;
      box.lastFrame = first + 2;
      box.x0 = box.x1 = 80;
      box.y0 = box.y1 = 50;
      box.width = box.height = 40;
      box.r = box.g = box.b = 10;
      plan.scene.objects = {box};
    }
    const std::string path = (dir_ / name).string();
    EXPECT_TRUE(klv::sample::WriteCameraAvi(path, plan));
    return path;
  }
  static QLabel* Label(TfrmKLVMain& w, const char* name) { return w.findChild<QLabel*>(name); }
  static QString ShownLabel(TfrmKLVMain& w) {
    for (const char* n : {"lblSrchMsg", "lblSearchForward", "lblSearchBackward", "lblSearchFound"})
      if (Label(w, n)->isVisibleTo(&w)) return Label(w, n)->text();
    return {};
  }

  std::filesystem::path dir_;
  std::string ini_;
};

TEST_F(SearchWindowTest, FindsMotionInTheThirdFileWithThePreviewMoving) {
  const std::string a = Movie("a.avi", 40);
  const std::string b = Movie("b.avi", 30);
  const std::string c = Movie("c.avi", 40, 25);
  TfrmKLVMain w(ini_);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  w.Start({a, b, c});
  klv::Player& p = w.player();
  p.searchSliceMs = 0;  // one frame a slice: the event loop turns between frames
  w.findChild<QToolButton*>("sbPause")->click();
  EXPECT_EQ(ShownLabel(w), "Search Inactive");
  auto* threshold = w.findChild<QLineEdit*>("edtMotionThreshold");
  EXPECT_EQ(threshold->text(), "50");
  auto* forward = w.findChild<QToolButton*>("sbSearchForward");
  auto* stop = w.findChild<QToolButton*>("sbStopSearch");
  ASSERT_TRUE(forward->isEnabled());
  EXPECT_FALSE(stop->isEnabled());

  forward->click();
  EXPECT_TRUE(p.Searching());
  EXPECT_EQ(ShownLabel(w), "Search Forward");
  EXPECT_TRUE(stop->isEnabled());
  EXPECT_FALSE(forward->isEnabled());
  EXPECT_FALSE(w.findChild<QToolButton*>("sbForward")->isEnabled());
  auto* preview = w.findChild<klv::player::SearchPreviewPanel*>("pnlSearch");
  auto* progress = w.findChild<QProgressBar*>("pbWhere");
  ASSERT_NE(preview, nullptr);
  EXPECT_TRUE(progress->isVisibleTo(&w));

  // Returning to the event loop moves the search on, a frame at a time.
  const int before = preview->PicturesShown();
  ASSERT_TRUE(WaitFor([&] { return preview->PicturesShown() >= before + 10; }));
  EXPECT_GE(progress->value(), 9);
  EXPECT_EQ(preview->Image().size(), QSize(20, 15));

  ASSERT_TRUE(WaitFor([&] { return !p.Searching(); }));
  EXPECT_EQ(ShownLabel(w), "Found");
  EXPECT_EQ(p.state.playListIndex, 2);
  EXPECT_EQ(w.findChild<QListWidget*>("lbPlayList")->currentRow(), 2);
  EXPECT_EQ(w.windowTitle(), "c.avi");
  EXPECT_EQ(p.CurrentFrame(), 25);
  EXPECT_EQ(w.StatusPanel(3), "Frame 26");
  EXPECT_FALSE(stop->isEnabled());
  EXPECT_TRUE(forward->isEnabled());
  // The preview shows the found frame: the box's blocks are dark.
  EXPECT_LT(qGray(preview->Image().pixel(10, 6)), 60);
}

TEST_F(SearchWindowTest, StopSearchEndsItAtTheFrameOnShow) {
  const std::string a = Movie("a.avi", 400);
  TfrmKLVMain w(ini_);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  w.Start({a});
  klv::Player& p = w.player();
  p.searchSliceMs = 0;
  w.findChild<QToolButton*>("sbPause")->click();
  auto* preview = w.findChild<klv::player::SearchPreviewPanel*>("pnlSearch");
  w.findChild<QToolButton*>("sbSearchForward")->click();
  ASSERT_TRUE(WaitFor([&] { return preview->PicturesShown() >= 20; }));
  ASSERT_TRUE(p.Searching());
  const int reached = p.Search().Searcher().LastDecoded();
  w.findChild<QToolButton*>("sbStopSearch")->click();
  EXPECT_FALSE(p.Searching());
  EXPECT_EQ(p.CurrentFrame(), reached);
  EXPECT_LT(reached, 399);
  EXPECT_EQ(ShownLabel(w), "Found");
  // Nothing goes on behind the user's back.
  const int shown = preview->PicturesShown();
  QTest::qWait(50);
  EXPECT_EQ(preview->PicturesShown(), shown);
  EXPECT_EQ(p.CurrentFrame(), reached);

  // A threshold box without a number: a beep, and no search.
  w.findChild<QLineEdit*>("edtMotionThreshold")->setText("abc");
  w.findChild<QToolButton*>("sbSearchForward")->click();
  EXPECT_FALSE(p.Searching());
  EXPECT_EQ(preview->PicturesShown(), shown);
}

}  // namespace

// The system's font configuration keeps a cache for the life of the process.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }
