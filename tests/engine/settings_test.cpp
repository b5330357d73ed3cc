// The settings file: defaults, partial files, the exit's key order, and the
// window kept on the screen.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "player_fixture.h"

namespace klv::test {
namespace {

using C = ControlId;

class SettingsTest : public PlayerFixture {
 protected:
  void Load(const std::string& text) {
    player->ini.LoadFromString(text);
    player->LoadSettings();
  }
};

TEST_F(SettingsTest, NoFileKeepsEveryDefault) {
  Load("");
  EXPECT_EQ(view.window, (Rect{304, 215, 1045, 720}));
  EXPECT_EQ(player->state.rate, 0);
  EXPECT_EQ(view.Text(C::lblRate), "0");
  EXPECT_EQ(player->state.zoom, 100);
  EXPECT_EQ(view.Text(C::edtMotionThreshold), "50");
  EXPECT_EQ(player->decoderFlags.g_nDeblockMethod, 2);
  EXPECT_TRUE(view.checked[static_cast<size_t>(C::Deblock1)]);
  EXPECT_FALSE(player->state.embedTime);
  EXPECT_EQ(player->settings.cDrive, 'C');
  EXPECT_EQ(player->settings.nInt3, 5);
  EXPECT_EQ(player->settings.nAVIQuant, 2);
  EXPECT_EQ(player->language, 1);
  EXPECT_EQ(player->settings.ShowMenus, 0);
  EXPECT_FALSE(player->state.busy);
}

TEST_F(SettingsTest, PartialKeysApplyOnlyWhatIsThere) {
  Load("[window]\nnMainWinWidth=900\n[Settings]\nCDRIVE=69\nnFrmRate=12\ng_nDeblockMethod=0\n"
       "ShowDiags=0\n[window]\nShowDiags=1\n");
  EXPECT_EQ(view.window, (Rect{304, 215, 900, 720}));
  EXPECT_EQ(player->settings.cDrive, 'E');
  EXPECT_EQ(player->state.rate, 12);
  EXPECT_EQ(view.Position(C::tbRate), 18);
  EXPECT_EQ(view.Text(C::lblRate), "12");
  EXPECT_EQ(player->decoderFlags.g_nDeblockMethod, 0);
  EXPECT_FALSE(view.checked[static_cast<size_t>(C::Deblock1)]);
  EXPECT_EQ(player->settings.ShowDiags, 0) << "the settings key wins over the window key";
}

TEST_F(SettingsTest, WindowShowDiagsIsTheDefaultOfTheSettingsKey) {
  Load("[window]\nShowDiags=1\n");
  EXPECT_EQ(player->settings.ShowDiags, 1);
}

TEST_F(SettingsTest, TestLanguageSelectsTheSlot) {
  Load("[settings]\nTestLanguage=3\nShowMenus=1\n");
  EXPECT_EQ(player->language, 3);
  EXPECT_EQ(player->settings.ShowMenus, 1);
  Load("[settings]\nTestLanguage=9\n");
  EXPECT_EQ(player->language, 3) << "no slot 9: the language stays";
}

TEST_F(SettingsTest, SavedWindowLargerThanTheScreenIsPulledBack) {
  struct Case {
    Rect saved;
    Rect shown;
  } cases[] = {
      {{100, 50, 2000, 700}, {4, 50, 1272, 700}},
      {{100, 200, 800, 700}, {100, 4, 800, 764}},
      {{900, 600, 800, 900}, {4, 4, 1272, 764}},
      {{10, 10, 800, 600}, {10, 10, 800, 600}},
  };
  for (const Case& c : cases) {
    view.window = c.saved;
    player->KeepOnScreen();
    EXPECT_EQ(view.window, c.shown);
  }
}

TEST_F(SettingsTest, ExitWritesEveryKeyInOrderAndKeepsTheOthers) {
  const std::string path = Path("klvplay.ini");
  {
    std::ofstream f(path);
    f << "[settings]\nShowDiags=1\nTestLanguage=2\nnFrmRate=7\n";
  }
  player->ini.SetPath(path);
  player->ini.Load();
  player->LoadSettings();
  view.window = {10, 20, 800, 600};
  player->state.zoom = 200;
  player->settings.cDrive = 'F';
  player->settings.szCardPath = "/media/card";
  ASSERT_TRUE(player->SaveSettings());
  player->Shutdown();

  std::ifstream in(path);
  std::stringstream ss;
  ss << in.rdbuf();
  const std::string text = ss.str();
  const char* order[] = {"[settings]", "ShowDiags=1", "TestLanguage=2", "nFrmRate=7",
                         "bShowExpo=0", "bShowTimes=0", "bDumpRTCData=0", "nZoom=200",
                         "nMotionThreshold=50", "nInt1=1", "nInt2=2", "nInt3=5",
                         "nAVIQuant=2", "nFlicker=0", "nResolution0=0", "nResolution1=0",
                         "nResolution2=0", "nResolution3=0", "cDrive=70", "szCardPath=/media/card", "wCamMode=0",
                         "g_bEmbedTime=0", "g_nDeblockMethod=2", "[window]", "nMainWinX=10",
                         "nMainWinY=20", "nMainWinWidth=800", "nMainWinHeight=600"};
  size_t at = 0;
  for (const char* line : order) {
    const size_t found = text.find(line, at);
    ASSERT_NE(found, std::string::npos) << line << " in\n" << text;
    at = found;
  }
}

TEST_F(SettingsTest, DeblockToggleIsIgnoredWhileBusy) {
  player->DeblockCommand();
  EXPECT_EQ(player->decoderFlags.g_nDeblockMethod, 0);
  player->DeblockCommand();
  EXPECT_EQ(player->decoderFlags.g_nDeblockMethod, 2);
  EXPECT_TRUE(view.checked[static_cast<size_t>(C::Deblock1)]);
  player->state.busy = true;
  player->DeblockCommand();
  EXPECT_EQ(player->decoderFlags.g_nDeblockMethod, 2);
}

TEST(SettingsPathTest, FollowsXdgConfigHome) {
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old ? old : "";
  const char* oldHome = std::getenv("HOME");
  const std::string savedHome = oldHome ? oldHome : "";
  setenv("XDG_CONFIG_HOME", "/tmp/cfg", 1);
  EXPECT_EQ(Player::DefaultSettingsPath(), "/tmp/cfg/kelvarn/klvplay.ini");
  setenv("XDG_CONFIG_HOME", "", 1);
  setenv("HOME", "/home/u", 1);
  EXPECT_EQ(Player::DefaultSettingsPath(), "/home/u/.config/kelvarn/klvplay.ini");
  if (old) setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else unsetenv("XDG_CONFIG_HOME");
  if (oldHome) setenv("HOME", savedHome.c_str(), 1);
}

}  // namespace
}  // namespace klv::test
