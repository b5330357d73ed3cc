// The diagnostics window under the offscreen platform: its controls and the
// switches they set, what it keeps only while visible, the quantiser bar, the
// deblocking choice shared with the main window's command, the saved log and
// its place in the settings file.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "engine/record_dump.h"
#include "platform/file_test_support.h"
#include "platform/ini_store.h"
#include "player/diags.h"
#include "player/klvmain.h"
#include "setclock/qt_offscreen.h"

namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& p) { return klv::test::ReadFileText(p.string()); }

// Lines as the engine reports bad frames.
std::string LogLine(int i) { return klv::BadFrameLine(i, static_cast<uint32_t>(i) * 0x1000u); }

class DiagsWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    klv::test::QtApp();
    dir_ = fs::temp_directory_path() /
           (std::string("klv_diags_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  template <typename T>
  static T* Find(const QWidget& w, const QString& name) {
    T* c = w.findChild<T*>(name);
    EXPECT_NE(c, nullptr) << name.toStdString();
    return c;
  }
  static QRadioButton* Method(const TfrmDiags& w, int i) {
    return Find<QRadioButton>(w, QString("rgDeBlockMethod%1").arg(i));
  }
  static QLabel* LabelWithText(const QWidget& w, const QString& text) {
    for (QLabel* l : w.findChildren<QLabel*>())
      if (l->text() == text) return l;
    ADD_FAILURE() << "no label " << text.toStdString();
    return nullptr;
  }

  klv::DiagnosticsOptions options_;
  klv::DecoderFlags flags_;
  fs::path dir_;
};

TEST_F(DiagsWindowTest, ControlsHaveTheirCaptionsAndEachClickSetsItsOwnFlag) {
  TfrmDiags w(&options_, &flags_);
  w.show();
  EXPECT_EQ(w.objectName(), "frmDiags");
  EXPECT_EQ(w.windowTitle(), "Diagnostics");

  const struct {
    const char* name;
    const char* caption;
    bool* flag;
  } boxes[] = {
      {"cbShowExpo", "Show &Expo", &options_.bShowExpo},
      {"cbShowTimes", "Show &Times", &options_.bShowTimes},
      {"cbDumpRTCData", "Dump RTC Data", &flags_.bDumpRTCData},
      {"cbForceBW", "Force &B&&W", &flags_.bForceBW},
      {"cbPauseOnStop", "ZTM Pause on Stop (don't reset movie)", &options_.bPauseOnStop},
      {"cbEnableZTMSingleStep", "Enable ZTM Single Step", &options_.bEnableZTMSingleStep},
      {"cbShowQuant", "Show QScale", &options_.bShowQuant},
  };
  for (const auto& box : boxes) {
    QCheckBox* b = Find<QCheckBox>(w, box.name);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->text(), box.caption);
    ASSERT_FALSE(*box.flag) << box.name;
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
    int on = 0;
    for (const auto& other : boxes) on += *other.flag ? 1 : 0;
    EXPECT_TRUE(*box.flag) << box.name;
    EXPECT_EQ(on, 1) << box.name << ": only its own flag";
    b->click();
    EXPECT_FALSE(*box.flag) << box.name;
  }

  EXPECT_EQ(Find<QGroupBox>(w, "rgDeBlockMethod")->title(), "DeBlock Method");
  const char* methods[] = {"0 - None", "1 - Buffer-wide LPF", "2 - ZTC Filter"};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Method(w, i)->text(), methods[i]);
  EXPECT_TRUE(Method(w, 2)->isChecked()) << "the decoders' default method";
  QTest::mouseClick(Method(w, 0), Qt::LeftButton, {}, QPoint(6, Method(w, 0)->height() / 2));
  EXPECT_EQ(flags_.g_nDeblockMethod, 0);
  Method(w, 1)->click();
  EXPECT_EQ(flags_.g_nDeblockMethod, 1);

  EXPECT_EQ(Find<QPushButton>(w, "Button1")->text(), "&Clear");
  auto* restart = Find<QPushButton>(w, "bZTMRestart");
  EXPECT_EQ(restart->text(), "ZTM Restart");
  int restarts = 0;
  w.onZTMRestart = [&] { ++restarts; };
  restart->click();
  EXPECT_EQ(restarts, 1);
  w.onZTMRestart = nullptr;
  restart->click();  // nobody listening: nothing happens

  EXPECT_EQ(Find<QLabel>(w, "lblBadFrameCount")->text(), "0");
  EXPECT_EQ(Find<QLabel>(w, "lblQDisp")->text(), "***");
  EXPECT_EQ(Find<QLabel>(w, "lblQNum")->text(), "Q");
  EXPECT_TRUE(LabelWithText(w, "Bad Frms:")->isVisible());
  EXPECT_TRUE(LabelWithText(w, "ZTM-Mode Debug Options")->isVisible());
  // The frame times and their captions are there but hidden.
  for (QLabel* l : {Find<QLabel>(w, "lblDecTime"), Find<QLabel>(w, "lblDispTime"),
                    LabelWithText(w, "Dec"), LabelWithText(w, "Disp")})
    EXPECT_FALSE(l->isVisible()) << l->objectName().toStdString();
  EXPECT_TRUE(QFontInfo(Find<QListWidget>(w, "ListBox1")->font()).fixedPitch());
  QStringList items;
  for (QAction* a : Find<QMenu>(w, "PopupMenu1")->actions())
    if (!a->isSeparator()) items << a->text();
  EXPECT_EQ(items, (QStringList{"&Clear", "C&ancel"}));
}

TEST_F(DiagsWindowTest, AHiddenWindowKeepsNothing) {
  TfrmDiags w(&options_, &flags_);
  auto* count = Find<QLabel>(w, "lblBadFrameCount");
  auto* dec = Find<QLabel>(w, "lblDecTime");
  EXPECT_FALSE(w.Visible());
  w.AddLine("    1: 00000000");
  w.CountBadFrame();
  w.ShowQuantiser(7);
  w.ShowFrameTimes(12, 3);
  EXPECT_EQ(w.LineCount(), 0);
  EXPECT_EQ(count->text(), "0");
  EXPECT_EQ(Find<QLabel>(w, "lblQDisp")->text(), "***");
  EXPECT_EQ(dec->text(), "");

  w.show();
  EXPECT_TRUE(w.Visible());
  for (int i : {9, 10}) {
    w.AddLine(LogLine(i));
    w.CountBadFrame();
  }
  w.ShowFrameTimes(12, 3);
  EXPECT_EQ(w.LineCount(), 2);
  EXPECT_EQ(w.Line(0), "   10: 00009000");
  EXPECT_EQ(count->text(), "2");
  EXPECT_EQ(dec->text(), "12");
  EXPECT_EQ(Find<QLabel>(w, "lblDispTime")->text(), "3");

  // Closed, it stops listening again; the count and the log stay.
  w.close();
  w.AddLine(LogLine(11));
  w.CountBadFrame();
  EXPECT_EQ(w.LineCount(), 2);
  EXPECT_EQ(count->text(), "2");
}

TEST_F(DiagsWindowTest, TheQuantiserBarChangesOnlyWithTheQuantiser) {
  TfrmDiags w(&options_, &flags_);
  w.show();
  auto* bar = Find<QLabel>(w, "lblQDisp");
  auto* num = Find<QLabel>(w, "lblQNum");
  w.ShowQuantiser(5);
  EXPECT_EQ(bar->text(), "*****");
  EXPECT_EQ(num->text(), "5");
  bar->setText("untouched");
  w.ShowQuantiser(5);
  EXPECT_EQ(bar->text(), "untouched") << "the same value again changes nothing";
  // A value given while hidden is not "shown last".
  w.hide();
  w.ShowQuantiser(3);
  EXPECT_EQ(num->text(), "5");
  w.show();
  w.ShowQuantiser(3);
  EXPECT_EQ(bar->text(), "***");
  EXPECT_EQ(num->text(), "3");
  const std::pair<int, const char*> edges[] = {{0, "0"}, {-4, "-4"}, {2000000000, "2000000000"}};
  for (const auto& [q, text] : edges) {
    w.ShowQuantiser(q);
    EXPECT_EQ(num->text(), text);
    if (q > 0) EXPECT_TRUE(bar->text().size() >= 31 && bar->text().size() <= 64) << "bounded";
    else EXPECT_EQ(bar->text(), "");
  }
}

TEST_F(DiagsWindowTest, DeblockChoiceAndFlagStayInStepWithTheMainWindowsCommand) {
  TfrmDiags alone(&options_, &flags_);
  alone.SelectDeblockMethod(7);  // a method the window does not offer (hand-edited settings)
  EXPECT_EQ(flags_.g_nDeblockMethod, 7);
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(Method(alone, i)->isChecked()) << i;

  const std::string ini = (dir_ / "klvplay.ini").string();
  std::ofstream(ini) << "[settings]\nShowMenus=1\n";
  TfrmKLVMain main(ini);
  klv::Player& p = main.player();
  TfrmDiags w(&main.player().diagOptions, &p.decoderFlags, &main);
  w.LoadSettings(p.ini, 1);
  main.SetDiagnosticsWindow(&w);
  EXPECT_EQ(p.diag, &w) << "the engine's lines go to the window";
  QAction* deblock = main.MenuItem(klv::ControlId::Deblock1);
  deblock->setVisible(true);  // as every open makes it
  for (int expected : {0, 2}) {
    deblock->trigger();
    EXPECT_EQ(p.decoderFlags.g_nDeblockMethod, expected);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Method(w, i)->isChecked(), i == expected) << i;
  }
  // Closed, the window is left as it was; the command still switches.
  w.close();
  deblock->trigger();
  EXPECT_EQ(p.decoderFlags.g_nDeblockMethod, 0);
  EXPECT_TRUE(Method(w, 2)->isChecked());
  main.SetDiagnosticsWindow(nullptr);
  EXPECT_EQ(p.diag, nullptr);
}

TEST_F(DiagsWindowTest, TheLogIsClearedScrolledAndSavedWithCrLf) {
  const fs::path state = dir_ / "state";
  qputenv("XDG_STATE_HOME", QFile::encodeName(QString::fromStdString(state.string())));
  TfrmDiags w(&options_, &flags_);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  auto* log = Find<QListWidget>(w, "ListBox1");
  for (int i = 0; i < 60; ++i) w.AddLine(LogLine(i));
  w.ShowLastLines(8);
  const QRect view = log->viewport()->rect();
  EXPECT_TRUE(view.intersects(log->visualItemRect(log->item(59)))) << "the newest line is in view";
  EXPECT_FALSE(view.intersects(log->visualItemRect(log->item(0))));

  // Double click: the program's name in the state folder, made for the dialog.
  std::vector<std::string> suggestions;
  std::vector<std::string> messages;
  const std::string out = (dir_ / "run.log").string();
  std::ofstream(out) << "an older, longer log that is replaced without a question\r\n";
  w.saveDialogHook = [&](const std::string& s) -> std::optional<std::string> {
    suggestions.push_back(s);
    return out;
  };
  w.messageHook = [&](const std::string&, const std::string& text) { messages.push_back(text); };
  QTest::mouseDClick(log->viewport(), Qt::LeftButton, {}, QPoint(20, 10));
  ASSERT_EQ(suggestions.size(), 1u);
  EXPECT_EQ(suggestions[0], (state / "kelvarn" / "player_diags_tests.log").string());
  EXPECT_TRUE(fs::is_directory(state / "kelvarn"));
  std::string expected;
  for (int i = 0; i < 60; ++i) expected += LogLine(i) + "\r\n";
  EXPECT_EQ(Read(out), expected);
  EXPECT_TRUE(messages.empty());

  // Clear, then a cancelled dialog: nothing written.
  Find<QPushButton>(w, "Button1")->click();
  EXPECT_EQ(w.LineCount(), 0);
  w.saveDialogHook = [](const std::string&) -> std::optional<std::string> { return std::nullopt; };
  QTest::mouseDClick(log->viewport(), Qt::LeftButton, {}, QPoint(20, 10));
  EXPECT_EQ(Read(out), expected);

  // A right click pops the menu up there; Cancel leaves the log, Clear empties it.
  w.AddLine("kept");
  QMenu* popup = w.PopupMenu();
  const QPoint at = log->viewport()->mapToGlobal(QPoint(30, 12));
  QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(30, 12), at);
  QApplication::sendEvent(log->viewport(), &click);
  EXPECT_TRUE(popup->isVisible());
  EXPECT_EQ(popup->pos(), at);
  popup->close();
  popup->actions().back()->trigger();
  EXPECT_EQ(w.LineCount(), 1);
  popup->actions().front()->trigger();
  EXPECT_EQ(w.LineCount(), 0);

  // A disk that fills part way, a folder that is not there: said so, and the
  // earlier log is intact.
  for (int i = 0; i < 3000; ++i) w.AddLine(LogLine(i));
  {
    klv::test::FileSizeLimit full(64);
    ASSERT_TRUE(full.Active());
    EXPECT_FALSE(w.SaveLog(out));
  }
  EXPECT_FALSE(w.SaveLog((dir_ / "no" / "such.log").string()));
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_NE(messages[0].find("could not be saved as \"" + out + "\""), std::string::npos) << messages[0];
  EXPECT_EQ(Read(out), expected);

  // Without an absolute XDG_STATE_HOME the state folder is under the home folder.
  const QByteArray home = qgetenv("HOME");
  qputenv("HOME", QFile::encodeName(QString::fromStdString(dir_.string())));
  qputenv("XDG_STATE_HOME", "relative/state");
  EXPECT_EQ(TfrmDiags::SuggestedLogPath(),
            (dir_ / ".local" / "state" / "kelvarn" / "player_diags_tests.log").string());
  EXPECT_TRUE(fs::is_directory(dir_ / ".local" / "state" / "kelvarn"));
  qputenv("HOME", home);
  qunsetenv("XDG_STATE_HOME");
}

TEST_F(DiagsWindowTest, PlaceAndSwitchesComeFromTheSettingsAndGoBack) {
  {
    klv::IniStore ini;
    ini.LoadFromString("[window]\nnDiagWinX=120\nnDiagWinY=-1\n"
                       "[settings]\nbShowExpo=1\nbShowTimes=0\nbDumpRTCData=5\n");
    flags_.g_nDeblockMethod = 1;  // as the main window read it
    TfrmDiags w(&options_, &flags_);
    const int top = w.y();
    w.LoadSettings(ini, 0);
    EXPECT_FALSE(w.isVisible()) << "ShowDiags 0: created hidden";
    EXPECT_EQ(w.pos(), QPoint(120, top)) << "-1 leaves that edge";
    EXPECT_TRUE(options_.bShowExpo && !options_.bShowTimes && flags_.bDumpRTCData);
    EXPECT_TRUE(Find<QCheckBox>(w, "cbShowExpo")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>(w, "cbShowTimes")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>(w, "cbDumpRTCData")->isChecked());
    EXPECT_TRUE(Method(w, 1)->isChecked());
    // Never shown: the edge it was given, and the other as the file had it.
    klv::IniStore out;
    w.SaveSettings(out);
    EXPECT_EQ(out.GetInt("window", "nDiagWinX", 0), 120);
    EXPECT_EQ(out.GetInt("window", "nDiagWinY", 0), -1);
  }

  // The whole run: start with ShowDiags, move the window, change switches, exit.
  const std::string path = (dir_ / "klvplay.ini").string();
  std::ofstream(path) << "[window]\nnDiagWinX=30\nnDiagWinY=40\n[settings]\nShowDiags=1\nbShowTimes=1\n";
  {
    TfrmKLVMain main(path);
    TfrmDiags w(&main.player().diagOptions, &main.player().decoderFlags, &main);
    w.LoadSettings(main.player().ini, main.player().settings.ShowDiags);
    main.SetDiagnosticsWindow(&w);
    main.show();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.pos(), QPoint(30, 40));
    w.move(210, 150);
    for (const char* name : {"cbShowTimes", "cbShowExpo", "cbDumpRTCData"})
      Find<QCheckBox>(w, name)->click();
    main.close();
    EXPECT_FALSE(w.isVisible()) << "closing the main window closes it";
  }
  klv::IniStore saved(path);
  ASSERT_TRUE(saved.Load());
  EXPECT_EQ(saved.GetInt("window", "nDiagWinX", 0), 210);
  EXPECT_EQ(saved.GetInt("window", "nDiagWinY", 0), 150);
  EXPECT_EQ(saved.GetInt("settings", "bShowTimes", -1), 0);
  EXPECT_EQ(saved.GetInt("settings", "bShowExpo", -1), 1);
  EXPECT_EQ(saved.GetInt("settings", "bDumpRTCData", -1), 1);
}

TEST_F(DiagsWindowTest, TextsFollowTheDisplayLanguage) {
  TfrmDiags w(&options_, &flags_);
  {
    // The main window installs the language of its settings.
    const std::string ini = (dir_ / "klvplay.ini").string();
    std::ofstream(ini) << "[settings]\nTestLanguage=4\n";
    TfrmKLVMain main(ini);
    QApplication::processEvents();  // the language change reaches every window
    EXPECT_EQ(w.windowTitle(), QString::fromUtf8("診断"));
    EXPECT_EQ(Find<QCheckBox>(w, "cbForceBW")->text(), QString::fromUtf8("強制白黒(&B)"));
    EXPECT_EQ(w.PopupMenu()->actions().back()->text(), QString::fromUtf8("キャンセル(&A)"));
    EXPECT_EQ(Find<QLabel>(w, "lblQNum")->text(), "Q") << "values are not texts";
  }
  QApplication::processEvents();
  EXPECT_EQ(w.windowTitle(), "Diagnostics") << "back to English with the translator gone";
}

}  // namespace

KLV_QT_TEST_LEAK_SUPPRESSIONS
