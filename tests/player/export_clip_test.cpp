// File > Export Clip in the main window under the offscreen platform: the
// dialog, the export on its worker thread with playback going on, its
// progress, Cancel leaving nothing, a finished clip, and a failure's message.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "player/export_dialog.h"
#include "engine/avi_source.h"
#include "player/klvmain.h"
#include "setclock/qt_offscreen.h"
#include "support/movie_builder.h"

namespace {

namespace fs = std::filesystem;
using klv::test::WaitFor;

std::vector<std::string> Names(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Answers the Export Clip dialog once it is up: the output, the whole list
// or not, then Export.
void AnswerDialog(const std::string& output, bool wholeList, bool* seen) {
  QTimer::singleShot(0, [=] {
    auto* dialog = qobject_cast<ExportClipDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) {
      AnswerDialog(output, wholeList, seen);  // not up yet
      return;
    }
    *seen = true;
    EXPECT_TRUE(dialog->rbFromShown->isChecked()) << "from the frame shown, unless asked";
    EXPECT_TRUE(dialog->cbMotionOnly->isEnabled()) << "the threshold box holds a number";
    EXPECT_TRUE(dialog->edtOutput->text().endsWith("_clip.mp4")) << dialog->edtOutput->text().toStdString();
    dialog->edtOutput->setText(QString::fromStdString(output));
    (wholeList ? dialog->rbWholeList : dialog->rbFromShown)->setChecked(true);
    dialog->btnExport->click();
  });
}

TEST(ExportClipWindowTest, ExportsOnAWorkerWhilePlayingCancelsCleanlyAndSaysWhenItFails) {
  klv::test::QtApp();
  const fs::path dir = fs::temp_directory_path() / ("klv_window_export_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "out");
  klv::sample::MovieSpec plan;
  plan.width = 320;
  plan.height = 240;
  plan.frames = 200;
  const std::string movie = (dir / "long.avi").string();
  ASSERT_TRUE(klv::sample::WriteCameraAvi(movie, plan));
  const std::string ini = (dir / "klvplay.ini").string();
  std::ofstream(ini) << "[settings]\nnMotionThreshold=50\n";

  std::vector<std::string> boxes;
  {
    TfrmKLVMain w(ini);
    w.errorBoxHook = [&](const std::string& title, const std::string& text) { boxes.push_back(title + ": " + text); };
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.Start({movie});
    klv::Player& p = w.player();
    QAction* item = w.findChild<QAction*>("ExportClip1");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), "Export &Clip...");

    // The whole list, while the movie plays on.
    bool seen = false;
    AnswerDialog((dir / "out/whole.mp4").string(), true, &seen);
    item->trigger();
    ASSERT_TRUE(seen);
    ClipExportRun* run = w.ExportRun();
    ASSERT_NE(run, nullptr);
    QProgressDialog* progress = run->Progress();
    ASSERT_TRUE(progress->isVisible());
    ASSERT_TRUE(WaitFor([&] { return progress->value() >= 2; })) << progress->value();
    EXPECT_EQ(progress->maximum(), 200);
    const int frame = p.CurrentFrame();
    ASSERT_TRUE(WaitFor([&] { return p.CurrentFrame() > frame + 2; })) << "playback goes on meanwhile";
    ASSERT_TRUE(run->Running());
    // A second export waits for the first.
    item->trigger();
    EXPECT_EQ(w.ExportRun(), run);

    QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return w.ExportRun() == nullptr; }));
    EXPECT_TRUE(Names(dir / "out").empty()) << "a cancelled clip leaves nothing";
    EXPECT_TRUE(boxes.empty());

    // From the frame shown to the end: the last frames of the movie.
    p.Pause();
    ASSERT_NE(p.Avi(), nullptr);
    p.Avi()->AviSetFrame(190);
    p.Avi()->ShowFrame(true);
    ASSERT_EQ(p.CurrentFrame(), 190);
    AnswerDialog((dir / "out/tail.mp4").string(), false, &seen);
    item->trigger();
    ASSERT_TRUE(WaitFor([&] { return w.ExportRun() == nullptr; }));
    EXPECT_TRUE(boxes.empty()) << boxes.front();
    EXPECT_EQ(Names(dir / "out"), std::vector<std::string> {"tail.mp4"});

    // A folder that is not there: the message says so, and nothing is made.
    AnswerDialog((dir / "out/no/such/x.mp4").string(), false, &seen);
    item->trigger();
    ASSERT_TRUE(WaitFor([&] { return w.ExportRun() == nullptr; }));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind("Export Clip: The clip could not be exported:\ncannot write ", 0), 0u) << boxes[0];
    EXPECT_EQ(Names(dir / "out"), std::vector<std::string> {"tail.mp4"});
  }
  fs::remove_all(dir);
}

}  // namespace

KLV_QT_TEST_LEAK_SUPPRESSIONS
