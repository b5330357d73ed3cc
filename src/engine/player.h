#pragma once
// The player's engine: the open source, the playback clock, presentation, the
// play list, frame export and the settings. One instance per main window; a
// test creates it fresh with a fake view.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/message_kind.h"
#include "engine/motion_search.h"
#include "engine/player_state.h"
#include "engine/player_view.h"
#include "media/avi/avi_reader.h"
#include "media/common/decoder_flags.h"
#include "media/common/picture.h"
#include "media/mpeg4/mpeg4_decoder.h"
#include "platform/ini_store.h"

namespace klv {

class DiagnosticsSink;

// What the INI file keeps besides the fields of PlayerState (rate, zoom,
// embedTime) and the decoder flags (deblocking method, clock dump).
struct PlayerSettings {
  int nMainWinX = -1;
  int nMainWinY = -1;
  int nMainWinWidth = -1;
  int nMainWinHeight = -1;
  int nMotionThreshold = 50;
  int ShowDiags = 0;            // "settings" ShowDiags, defaulting to "window" ShowDiags
  bool bShowExpo = false;
  bool bShowTimes = false;
  int nInt1 = 1;
  int nInt2 = 2;
  int nInt3 = 5;
  int nAVIQuant = 2;
  int nFlicker = 0;
  char cDrive = 'C';
  std::string szCardPath;       // the card's folder on this platform (beside cDrive)
  uint16_t wCamMode = 0;
  std::array<int, 4> nResolution = {0, 0, 0, 0};
  int TestLanguage = 0;
  int ShowMenus = 0;            // non-zero: the Options and Help menus are shown
};

// Window-relative sizes the layout starts from (the designed form).
struct DesignedLayout {
  static Rect Bounds(ControlId id);
  static constexpr int kWindowLeft = 304;
  static constexpr int kWindowTop = 215;
  static constexpr int kWindowWidth = 1045;
  static constexpr int kWindowHeight = 720;
  static constexpr int kMinWidth = 560;
  static constexpr int kMinHeight = 520;
  static constexpr int kSeekPanelLow = 16;   // pnlWhere with the progress bar
  static constexpr int kSeekPanelHigh = 32;  // pnlWhere with the seek bar
};

class Player {
 public:
  explicit Player(PlayerView* view);
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  // The main window's construction: pushes the designed control states to the
  // view, empties the play list and disables the transport.
  void Initialize();

  // ---- state (read by the window and the tests) -----------------------------
  PlayerState state;
  AviReader avi;
  Mpeg4Decoder stream;  // the .m4v source
  FramePicture picture;
  DecoderFlags decoderFlags;
  PlayerSettings settings;
  IniStore ini;
  int language = 1;  // display language slot 1-6; 1 is English
  std::array<PlayListEntry, kMaxPlayList> playList;

  // The motion search over the open AVI file.
  MotionSearcher searcher;
  // Length of one slice of a running search, in milliseconds of work between
  // two visits of the event loop; 0: one frame per slice.
  int searchSliceMs = 8;

  // Set by the diagnostics window (through SetDiagnostics, so that the
  // decoders' lines reach it too); null or hidden: no lines.
  DiagnosticsSink* diag = nullptr;
  void SetDiagnostics(DiagnosticsSink* sink);
  // Milliseconds on a monotonic clock (tests substitute their own).
  std::function<int64_t()> clock;
  // File creation time for the play list's order (tests substitute their own).
  std::function<bool(const std::string&, int64_t*)> creationTime;

  bool Enabled(ControlId id) const { return enabled_[static_cast<int>(id)]; }
  bool Visible(ControlId id) const { return visible_[static_cast<int>(id)]; }
  const Rect& Bounds(ControlId id) const { return bounds_[static_cast<int>(id)]; }
  const std::string& MovieFolder() const { return movieFolder_; }

  // ---- start-up and settings (settings.cpp) ---------------------------------
  // The INI path: --settings wins; else $XDG_CONFIG_HOME/kelvarn/klvplay.ini
  // (~/.config/kelvarn/klvplay.ini).
  static std::string DefaultSettingsPath();
  void LoadSettings();   // reads `ini` (loaded by the caller) and applies it
  bool SaveSettings();   // writes the keys into `ini` and saves it; false when not written
  // The window's show handler: keep it on the screen.
  void KeepOnScreen();
  // Command-line files at start: add, refresh, play the first.
  void StartWithFiles(const std::vector<std::string>& paths);
  // Files dropped on the window.
  void DropFiles(const std::vector<std::string>& paths);
  // Exit and window close: stop, close, save. Safe to call twice.
  void Shutdown();

  // ---- opening (open_source.cpp) ---------------------------------------------
  bool OpenSource(const std::string& path, int listIndex);
  void CloseSource();
  void OpenFilesCommand();
  void ShowPicture(const FramePicture& p);

  // ---- the playback clock (playback.cpp) --------------------------------------
  void RecomputeTimer();
  void TimerTick();
  void ShowFrame(bool updateBars);
  void Play(int direction);
  void Pause();
  void Stop();
  void StopAll();
  void StepForward();
  void StepBackward();
  void SeekBarChanged(int position);
  void SeekBarFocus(bool focused);
  void RateChanged(int position);
  void RateBarFocus(bool focused);
  void DisableTransport();
  // Keys seen by the window before its controls. True when the key was used.
  bool KeyStepForward();   // "+" and the right arrow (on release)
  bool KeyStepBackward();  // "-" and the left arrow (on release)

  // ---- presentation (presentation.cpp) -------------------------------------
  void SetZoom(int percent);
  void ApplyZoom();
  void CenterPicture();
  void CycleZoom();
  void LayoutWindow();
  void DrawOverlays(FramePicture& p);

  // ---- play list (play_list.cpp) ----------------------------------------------
  void AddToPlayList(const std::string& path);
  void RefreshPlayListBox();
  void StartPlayListItem(int index);
  void ResetPlayList();
  void PreviousCommand();
  void NextCommand();
  void ClearCommand();
  void PlayListDoubleClick(int selectedLine);
  // Mouse at (x, y) in the list box; the box's item height, first visible
  // line and size are the view's.
  void PlayListMouseMove(int x, int y, int itemHeight, int topIndex, int boxWidth, int boxHeight);
  void PlayListExit();

  // ---- frame export (frame_export.cpp) --------------------------------------
  // Save Current from the File menu (fromPopup false) or the picture's pop-up
  // menu. Returns true when a file was written.
  bool SaveCurrent(bool fromPopup);

  // ---- menu commands --------------------------------------------------------
  void EmbedTimestampCommand();
  void DeblockCommand();
  // The About command does nothing while an .m4v stream is the source.
  bool AboutAllowed() const { return state.kind != SourceKind::Stream; }

  // ---- motion search and events (search_commands.cpp, event_navigation.cpp) ----
  void StartForwardSearch();
  void StartBackwardSearch();
  void StopSearchCommand();
  void MotionSearchStop();
  void NextEventCommand();
  void PrevEventCommand();
  // A running search goes on from the event loop, a slice at a time, while the
  // view's search timer is on.
  void SearchSlice();
  // True while a search is walking frames (a slice is due).
  bool SearchRunning() const { return searcher.Running(); }
  // The reduced picture of the frame the search examines, into pnlSearch, and
  // the progress bar at its index (AVI only; nothing without a picture).
  void ShowSearchPreview(const ReducedBitmapHeader* header, const uint8_t* bits, int index);

 private:
  friend struct PlayerTestAccess;

  bool OpenAviSource(const std::string& path, int listIndex);
  bool OpenStreamSource(const std::string& path);
  bool OpenZtmSource(const std::string& path);

  // Enabling, visibility and placement, mirrored to the view.
  void Enable(ControlId id, bool on);
  void Show(ControlId id, bool on);
  void Place(ControlId id, const Rect& r);
  void SetSeekPanel(bool seekBar);  // true: seek bar, 32 high; false: progress bar, 16 high
  void SetPlaying(bool on);
  void MoveBars(int position);      // seek and progress bar, under trackGuard
  void ReportBadFrame(int index, uint32_t offset);
  // Decodes the next picture of the .m4v stream into `picture`; true when
  // one was decoded (streamPos then holds the position after it).
  bool NextStreamPicture();
  Size PictureSize() const;

  PlayerView* view_;
  std::array<bool, kControlCount> enabled_ {};
  std::array<bool, kControlCount> visible_ {};
  std::array<Rect, kControlCount> bounds_ {};
  std::string movieFolder_;   // folder of the open movie, with its trailing separator
  bool shutDown_ = false;

  // The search command in progress (search_commands.cpp).
  void StartSearch(int direction);
  void BeginFileSearch(int from, int to, bool walking);
  void FileSearchDone(int result);
  void FinishSearch(int result);
  void AbandonSearch();
  void EndSearchWithoutResult();
  int NextAviEntry(int from, int direction) const;  // -1: none
  int walkDirection_ = 0;      // +1 / -1 while a search command runs
  int searchThreshold_ = 0;
  bool inSlice_ = false;
};

// Texts the engine shows.
std::string FrameLabel(int frameNumber);            // "%Frame %d" as the camera software prints it
std::string ElapsedText(int64_t seconds);           // "h:mm:ss", or "days: d\nh:mm:ss"
std::string EventNumberText(int k, int eventCount); // "3 of 12"
std::string CaptureIntervalText(int seconds);       // "hh:mm:ss"
std::string ZoomText(int zoom);                     // "Zoom = ..."
std::string SuggestedFrameName(SourceKind kind, int number);  // "ztfrm00042.jpg" ...

}  // namespace klv
