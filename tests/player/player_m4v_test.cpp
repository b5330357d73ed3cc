// The main window under the offscreen platform with an .m4v stream: it plays
// on the 66 ms clock, pauses at the end with the last two good positions,
// stops and steps, switches the deblocking filter, ignores About, and saves
// the picture as BMP.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <fstream>
#include <set>

#include "player/about_box.h"
#include "player/klvmain.h"
#include "setclock/qt_offscreen.h"
#include "support/avi_writer.h"
#include "support/mpeg4_stream.h"

namespace {

using C = klv::ControlId;

using klv::test::WaitFor;

QAction* ActionWithText(QWidget& w, const QString& text) {
  for (QAction* a : w.findChildren<QAction*>())
    if (a->text() == text) return a;
  return nullptr;
}

TEST(PlayerM4vWindowTest, PlaysAStreamToItsEndStopsStepsAndSaves) {
  klv::test::QtApp();
  const auto dir = std::filesystem::temp_directory_path() / "klv_window_m4v";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  klv::sample::M4vStreamSpec plan = klv::sample::DemoM4vSpec();
  plan.encoder.width = 320;
  plan.encoder.height = 240;
  plan.pictures = 24;
  plan.intraPeriod = 12;
  const std::string movie = (dir / "pan.m4v").string();
  ASSERT_TRUE(klv::sample::WriteBytes(movie, klv::sample::BuildM4vStream(plan)));
  const std::string ini = (dir / "klvplay.ini").string();
  std::ofstream(ini) << "[settings]\nShowMenus=1\n";

  std::vector<klv::MessageKind> messages;
  {
    TfrmKLVMain w(ini);
    TAboutBox about(&w);
    w.SetAboutBox(&about);
    w.messageHook = [&](klv::MessageKind k) { messages.push_back(k); };
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.Start({movie});
    klv::Player& p = w.player();
    ASSERT_EQ(p.state.kind, klv::SourceKind::Stream);
    EXPECT_EQ(w.windowTitle(), "pan.m4v");
    EXPECT_EQ(w.findChild<QTimer*>("Timer1")->interval(), 66);
    EXPECT_FALSE(w.findChild<QGroupBox*>("gbStats")->isVisible());
    EXPECT_FALSE(w.findChild<QGroupBox*>("gbPlayRate")->isVisible());
    EXPECT_TRUE(w.findChild<QGroupBox*>("gbPlayList")->isVisible());
    EXPECT_FALSE(w.findChild<QToolButton*>("sbBackward")->isEnabled());

    ASSERT_TRUE(WaitFor([&] { return p.CurrentFrame() >= 3; }));
    EXPECT_TRUE(w.StatusPanel(3).startsWith("Frame "));

    // About does nothing while a stream is the source.
    QAction* aboutItem = ActionWithText(w, "&About");
    ASSERT_NE(aboutItem, nullptr);
    aboutItem->trigger();
    EXPECT_FALSE(about.isVisible());

    // Deblock switches the camera's filter off and on, with its check mark.
    QAction* deblock = w.MenuItem(C::Deblock1);
    ASSERT_NE(deblock, nullptr);
    EXPECT_TRUE(deblock->isVisible());
    EXPECT_TRUE(deblock->isChecked());
    deblock->trigger();
    EXPECT_EQ(p.decoderFlags.g_nDeblockMethod, 0);
    EXPECT_FALSE(deblock->isChecked());
    deblock->trigger();
    EXPECT_EQ(p.decoderFlags.g_nDeblockMethod, 2);
    EXPECT_TRUE(deblock->isChecked());

    // The end: paused, with the last two good positions.
    ASSERT_TRUE(WaitFor([&] { return !p.state.playing; }));
    EXPECT_EQ(w.StatusPanel(3), "Frame 24");
    EXPECT_TRUE(w.StatusPanel(4).startsWith("Last 2 good at = 0x")) << w.StatusPanel(4).toStdString();
    EXPECT_TRUE(w.findChild<QToolButton*>("sbNext")->isEnabled());

    // What the window shows is the stream's picture.
    QApplication::processEvents();
    const QImage shot = w.grab().toImage();
    QWidget* image = w.findChild<QWidget*>("Image1");
    const QPoint origin = image->mapTo(&w, QPoint(0, 0));
    std::set<QRgb> colours;
    for (int y = 0; y < image->height(); y += 4)
      for (int x = 0; x < image->width(); x += 4) colours.insert(shot.pixel(origin + QPoint(x, y)));
    EXPECT_GT(colours.size(), 100u);

    // Stop rewinds to the first picture; Forward 1 Frame goes on from there.
    w.findChild<QToolButton*>("sbStop")->click();
    EXPECT_EQ(w.StatusPanel(3), "Frame 1");
    w.findChild<QToolButton*>("sbNext")->click();
    EXPECT_EQ(w.StatusPanel(3), "Frame 2");

    // Save Current: the picture as BMP, named after the picture number.
    const std::string out = (dir / "saved.bmp").string();
    std::string suggested;
    w.saveDialogHook = [&](const std::string& s) -> std::optional<std::string> {
      suggested = s;
      return out;
    };
    w.SaveCurrentAction()->trigger();
    EXPECT_EQ(suggested, (dir / "ztfrm00002.bmp").string());
    EXPECT_EQ(klv::sample::ReadBytes(out), klv::EncodeBmp(*p.Picture()));
    w.close();
  }
  EXPECT_TRUE(messages.empty());
  std::filesystem::remove_all(dir);
}

}  // namespace

KLV_QT_TEST_LEAK_SUPPRESSIONS
