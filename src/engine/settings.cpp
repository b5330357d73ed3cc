// The settings file (read once at start, written once at exit), the files the
// player starts with or is given, and the small menu commands.

#include <cstdlib>

#include "engine/player.h"
#include "platform/format.h"

namespace klv {

using C = ControlId;

namespace {

constexpr const char* kWindow = "window";
constexpr const char* kSettings = "settings";

}  // namespace

std::string Player::DefaultSettingsPath() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') return std::string(xdg) + "/kelvarn/klvplay.ini";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0') return std::string(home) + "/.config/kelvarn/klvplay.ini";
  return "klvplay.ini";
}

void Player::LoadSettings() {
  state.busy = true;
  PlayerSettings& s = settings;

  s.nMainWinX = ini.GetInt(kWindow, "nMainWinX", s.nMainWinX);
  s.nMainWinY = ini.GetInt(kWindow, "nMainWinY", s.nMainWinY);
  s.nMainWinWidth = ini.GetInt(kWindow, "nMainWinWidth", s.nMainWinWidth);
  s.nMainWinHeight = ini.GetInt(kWindow, "nMainWinHeight", s.nMainWinHeight);
  Rect bounds = view_->WindowBounds();
  if (s.nMainWinX != -1) bounds.left = s.nMainWinX;
  if (s.nMainWinY != -1) bounds.top = s.nMainWinY;
  if (s.nMainWinWidth != -1) bounds.width = s.nMainWinWidth;
  if (s.nMainWinHeight != -1) bounds.height = s.nMainWinHeight;
  view_->SetWindowBounds(bounds);

  state.rate = ini.GetInt(kSettings, "nFrmRate", state.rate);
  view_->SetPosition(C::tbRate, 30 - state.rate);
  view_->SetText(C::lblRate, Format("%d", state.rate));
  state.zoom = ini.GetInt(kSettings, "nZoom", state.zoom);
  s.nMotionThreshold = ini.GetInt(kSettings, "nMotionThreshold", s.nMotionThreshold);
  view_->SetText(C::edtMotionThreshold, Format("%d", s.nMotionThreshold));

  const int showDiagsWindow = ini.GetInt(kWindow, "ShowDiags", 0);
  diagOptions.bShowExpo = ini.GetInt(kSettings, "bShowExpo", diagOptions.bShowExpo ? 1 : 0) != 0;
  s.ShowDiags = ini.GetInt(kSettings, "ShowDiags", showDiagsWindow);
  s.nInt1 = ini.GetInt(kSettings, "nInt1", s.nInt1);
  s.nInt2 = ini.GetInt(kSettings, "nInt2", s.nInt2);
  s.nInt3 = ini.GetInt(kSettings, "nInt3", s.nInt3);
  s.nAVIQuant = ini.GetInt(kSettings, "nAVIQuant", s.nAVIQuant);
  s.nFlicker = ini.GetInt(kSettings, "nFlicker", s.nFlicker);
  s.cDrive = static_cast<char>(
      ini.GetInt(kSettings, "cDrive", static_cast<unsigned char>(s.cDrive)));
  s.szCardPath = ini.GetString(kSettings, "szCardPath", s.szCardPath);
  s.wCamMode = static_cast<uint16_t>(ini.GetInt(kSettings, "wCamMode", s.wCamMode));
  state.embedTime = ini.GetInt(kSettings, "g_bEmbedTime", state.embedTime ? 1 : 0) != 0;
  view_->SetChecked(C::EmbedTimestamp1, state.embedTime);
  for (int i = 0; i < 4; ++i)
    s.nResolution[static_cast<size_t>(i)] = ini.GetInt(
        kSettings, Format("nResolution%d", i), s.nResolution[static_cast<size_t>(i)]);
  decoderFlags.g_nDeblockMethod =
      ini.GetInt(kSettings, "g_nDeblockMethod", decoderFlags.g_nDeblockMethod);
  view_->SetChecked(C::Deblock1, decoderFlags.g_nDeblockMethod != 0);
  s.TestLanguage = ini.GetInt(kSettings, "TestLanguage", s.TestLanguage);
  // Slots 1-6 exist; other values leave English.
  if (s.TestLanguage >= 1 && s.TestLanguage <= 6) language = s.TestLanguage;

  // The diagnostics window's two flags, kept so that the exit writes them back.
  diagOptions.bShowTimes = ini.GetInt(kSettings, "bShowTimes", diagOptions.bShowTimes ? 1 : 0) != 0;
  decoderFlags.bDumpRTCData =
      ini.GetInt(kSettings, "bDumpRTCData", decoderFlags.bDumpRTCData ? 1 : 0) != 0;
  // Read only, like ShowDiags: shows the Options and Help menus.
  s.ShowMenus = ini.GetInt(kSettings, "ShowMenus", s.ShowMenus);

  state.busy = false;
}

bool Player::SaveSettings() {
  PlayerSettings& s = settings;
  const Rect bounds = view_->WindowBounds();
  s.nMainWinX = bounds.left;
  s.nMainWinY = bounds.top;
  s.nMainWinWidth = bounds.width;
  s.nMainWinHeight = bounds.height;
  ini.WriteInt(kWindow, "nMainWinX", s.nMainWinX);
  ini.WriteInt(kWindow, "nMainWinY", s.nMainWinY);
  ini.WriteInt(kWindow, "nMainWinWidth", s.nMainWinWidth);
  ini.WriteInt(kWindow, "nMainWinHeight", s.nMainWinHeight);

  ini.WriteInt(kSettings, "bShowExpo", diagOptions.bShowExpo ? 1 : 0);
  ini.WriteInt(kSettings, "bShowTimes", diagOptions.bShowTimes ? 1 : 0);
  ini.WriteInt(kSettings, "bDumpRTCData", decoderFlags.bDumpRTCData ? 1 : 0);
  ini.WriteInt(kSettings, "nFrmRate", state.rate);
  ini.WriteInt(kSettings, "nZoom", state.zoom);
  ini.WriteInt(kSettings, "nMotionThreshold", s.nMotionThreshold);
  ini.WriteInt(kSettings, "nInt1", s.nInt1);
  ini.WriteInt(kSettings, "nInt2", s.nInt2);
  ini.WriteInt(kSettings, "nInt3", s.nInt3);
  ini.WriteInt(kSettings, "nAVIQuant", s.nAVIQuant);
  ini.WriteInt(kSettings, "nFlicker", s.nFlicker);
  for (int i = 0; i < 4; ++i)
    ini.WriteInt(kSettings, Format("nResolution%d", i), s.nResolution[static_cast<size_t>(i)]);
  ini.WriteInt(kSettings, "cDrive", static_cast<unsigned char>(s.cDrive));
  if (!s.szCardPath.empty() || ini.Has(kSettings, "szCardPath"))
    ini.WriteString(kSettings, "szCardPath", s.szCardPath);
  ini.WriteInt(kSettings, "wCamMode", s.wCamMode);
  ini.WriteInt(kSettings, "g_bEmbedTime", state.embedTime ? 1 : 0);
  ini.WriteInt(kSettings, "g_nDeblockMethod", decoderFlags.g_nDeblockMethod);
  // A settings file that cannot be written is not worth a message at exit.
  return ini.Save();
}

void Player::KeepOnScreen() {
  const Size screen = view_->ScreenSize();
  Rect b = view_->WindowBounds();
  const Rect before = b;
  if (b.left + b.width > screen.width) {
    b.left = 4;
    b.width = screen.width - 8;
  }
  if (b.top + b.height > screen.height) {
    b.top = 4;
    b.height = screen.height - 36;
  }
  if (!(b == before)) view_->SetWindowBounds(b);
}

void Player::StartWithFiles(const std::vector<std::string>& paths) {
  if (paths.empty()) return;
  for (const std::string& p : paths) AddToPlayList(p);
  RefreshPlayListBox();
  state.direction = 1;
  StartPlayListItem(0);
}

void Player::DropFiles(const std::vector<std::string>& paths) {
  for (const std::string& p : paths) AddToPlayList(p);
  RefreshPlayListBox();
  if (!state.playing) StartPlayListItem(0);
}

void Player::Shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  if (search_.Running()) EndSearchWithoutResult();
  StopAll();
  CloseSource();
  SaveSettings();
}

void Player::EmbedTimestampCommand() {
  state.embedTime = !state.embedTime;
  view_->SetChecked(C::EmbedTimestamp1, state.embedTime);
}

void Player::DeblockCommand() {
  if (state.busy) return;
  decoderFlags.g_nDeblockMethod = decoderFlags.g_nDeblockMethod == 0 ? 2 : 0;
  view_->SetChecked(C::Deblock1, decoderFlags.g_nDeblockMethod != 0);
}

}  // namespace klv
