#pragma once
// The player's engine: the movie on show, the playback clock, presentation,
// the play list, the motion search, frame export and the settings. One
// instance per main window; a test creates it fresh with a fake view.
//
// Which file holds what:
//   player.cpp          construction, the view's mirror, opening and closing
//   playback.cpp        the clock: Play, Pause, Stop, steps, seeking, speed
//   presentation.cpp    zoom, centring, the window's layout
//   play_list.cpp       the play list and its commands
//   search_commands.cpp the motion search commands over the play list
//   event_navigation.cpp Next Event, Prev Event
//   motion_runs.cpp     Next Motion, Previous Motion; the motion timeline's start
//   transport_commands.cpp play/pause as one, first and last frame, going to a frame
//   frame_export.cpp    Save Current
//   settings.cpp        the INI file, start-up files, small menu commands
// The kinds of movie are MovieSource implementations (avi_source, stream_source).

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "audio/wave_device.h"
#include "engine/layout.h"
#include "engine/message_kind.h"
#include "engine/movie_source.h"
#include "engine/motion_timeline.h"
#include "engine/play_list_search.h"
#include "engine/player_state.h"
#include "engine/player_view.h"
#include "engine/run_finder.h"
#include "engine/texts.h"
#include "media/common/decoder_flags.h"
#include "media/common/picture.h"
#include "platform/diagnostics.h"
#include "platform/ini_store.h"

namespace klv {

class AviSource;

// What the INI file keeps besides the fields of PlayerState (rate, zoom,
// embedTime), the decoder flags and the diagnostics window's switches.
struct PlayerSettings {
  int nMainWinX = -1;
  int nMainWinY = -1;
  int nMainWinWidth = -1;
  int nMainWinHeight = -1;
  int nMotionThreshold = 50;
  int ShowDiags = 0;            // "settings" ShowDiags, defaulting to "window" ShowDiags
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

class Player : private SearchHost {
 public:
  explicit Player(PlayerView* view);
  ~Player() override;
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  // The main window's construction: pushes the designed control states to the
  // view, empties the play list and disables the transport.
  void Initialize();

  // ---- state (read by the window and the tests) -----------------------------
  PlayerState state;
  DecoderFlags decoderFlags;
  DiagnosticsOptions diagOptions;
  PlayerSettings settings;
  IniStore ini;
  int language = 1;  // display language slot 1-6; 1 is English
  std::array<PlayListEntry, kMaxPlayList> playList;
  // Length of one slice of a running search, in milliseconds of work between
  // two visits of the event loop; 0: one frame per slice.
  int searchSliceMs = 8;
  // Window size of the .m4v streams opened from now on (0: the normal 1 MiB);
  // tests cross window edges with small ones.
  uint32_t streamWindowForTesting = 0;
  // Opens the wave device of a .ztm recording's sound (tests give their own);
  // unset: the sound card, else the null device.
  std::function<std::unique_ptr<WaveDevice>(WaveDevice::Completion)> openWaveDevice;
  // The diagnostics window (through SetDiagnostics, so that the decoders'
  // lines reach it too); null or hidden: no lines.
  DiagnosticsSink* diag = nullptr;
  void SetDiagnostics(DiagnosticsSink* sink);
  // The record dump's previous frame interval, kept for the whole run.
  int recordDumpInterval = 0;
  // Milliseconds on a monotonic clock (tests substitute their own).
  std::function<int64_t()> clock;
  // When a movie was recorded, the play list's order: the first frame's
  // camera time, else the file's creation time (tests substitute their own).
  std::function<bool(const std::string&, int64_t*)> recordingTime;

  bool Enabled(ControlId id) const { return enabled_[static_cast<int>(id)]; }
  bool Visible(ControlId id) const { return visible_[static_cast<int>(id)]; }
  const Rect& Bounds(ControlId id) const { return bounds_[static_cast<int>(id)]; }
  const std::string& MovieFolder() const { return movieFolder_; }

  // ---- the movie on show ------------------------------------------------------
  MovieSource* Source() const { return source_.get(); }
  // The AVI movie on show; null when none or another kind is.
  AviSource* Avi() const { return source_ ? source_->AsAvi() : nullptr; }
  // The position the status bar shows (AVI: the frame index); 0 without a movie.
  int CurrentFrame() const { return source_ ? source_->CurrentFrame() : 0; }
  // The picture on show; null without a movie.
  const FramePicture* Picture() const { return source_ ? source_->Picture() : nullptr; }
  // The play-list entry `index`; null outside the list.
  const PlayListEntry* Entry(int index) const;
  // True when the play list has an entry next to the current one (+1 or -1).
  bool HasNeighbour(int direction) const { return Entry(state.playListIndex + direction) != nullptr; }

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

  // ---- opening (player.cpp) ----------------------------------------------------
  bool OpenSource(const std::string& path, int listIndex);
  // The same without telling the user; `failure` says what went wrong.
  bool OpenSourceQuietly(const std::string& path, int listIndex, OpenFailure* failure);
  void CloseSource();
  void OpenFilesCommand();
  void ShowPicture(const FramePicture& p);

  // ---- the playback clock (playback.cpp) --------------------------------------
  void RecomputeTimer();
  void TimerTick();
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
  bool Searching() const { return search_.Running(); }
  int SearchDirection() const { return search_.Running() ? search_.Direction() : 0; }
  const PlayListSearch& Search() const { return search_; }

  // ---- motion timeline, runs, and commands beside the buttons (motion_runs.cpp,
  //      transport_commands.cpp) -------------------------------------------------
  // The differences of every frame of the AVI movie on show, filled on a worker.
  MotionTimeline timeline;
  // Next Motion, Previous Motion: to the first frame of the next or previous
  // run of motion frames, through the play list. Decided at once when the
  // timeline has the values; else the frames are read a slice at a time from
  // the event loop (SearchSlice), with Stop Search to end it.
  void NextMotionCommand();
  void PrevMotionCommand();
  bool FindingRun() const { return runs_.Running(); }
  const RunFinder& Runs() const { return runs_; }
  // Play/pause as one (Space): pauses while playing, else plays in the
  // direction last played (forward when that way is closed). True when used.
  bool PlayPauseCommand();
  // While paused, AVI: to `frame` as the seek bar goes there, the bar following
  // (a click on the timeline). True when it moved.
  bool GoToFrame(int frame);
  // Home, End: the first and the last frame while paused. Streams rewind to
  // their first picture with Home, as Stop does.
  bool FirstFrameCommand();
  bool LastFrameCommand();

  // ---- what the movie sources use --------------------------------------------
  PlayerView& View() { return *view_; }
  // Enabling, visibility and placement, mirrored to the view.
  void Enable(ControlId id, bool on);
  void Show(ControlId id, bool on);
  // The menu items and groups a kind of movie shows.
  void ShowControlsFor(SourceKind kind);
  void Place(ControlId id, const Rect& r);
  void SetSeekPanel(bool seekBar);  // true: seek bar, 32 high; false: progress bar, 16 high
  void SetPlaying(bool on);
  void MoveBars(int position);      // seek and progress bar, under trackGuard
  // The diagnostics window's producers; nothing while it is hidden.
  void ReportBadFrame(int index, uint32_t offset);
  void AddDiagnosticsLine(const std::string& line);
  void ShowQuantiser(int q);
  // What the audio output of the movie being opened posts its messages
  // through: a call that any thread may make, delivered on the user-interface
  // thread to that movie only (a later movie ignores what is still queued).
  std::function<void(int)> AudioPoster();
  // The audio output's message 0x501 (0: a buffer has played, 1: it ran dry).
  void AudioMessage(int wParam);
  // The diagnostics window's "ZTM Restart": a paused recording goes back to
  // its first picture; anything else does nothing.
  void ZtmRestartCommand();

 private:
  // Opens play-list entry `index` for a walk (a step, a search or an event
  // jump); false when it cannot be opened.
  bool OpenWalkEntry(int index);
  // A single step left the file: open the neighbouring entry and show its
  // first (+1) or last (-1) picture.
  void CrossByStep(int direction);
  // A failed open: no picture, no file panels, no searches.
  void ClearSourcePanels();
  // Shows why an open failed.
  void Tell(const OpenFailure& failure);
  // Opens and starts entry `index`. `unattended`: playback ran on into it,
  // and an entry that cannot be opened is passed over with a note.
  void StartEntry(int index, bool unattended);

  // The search (search_commands.cpp).
  void StartSearch(int direction);
  void FinishSearch();
  void EndSearchWithoutResult();
  void ShowSearchPreview(const ReducedBitmapHeader& header, const uint8_t* bits, int index);
  // SearchHost.
  int EntryCount() const override { return state.playListCount; }
  bool IsAviEntry(int entry) const override;
  SearchFile OpenEntry(int entry) override;
  // A walk of the event commands moves on to the next AVI entry; -1: none.
  int NextAviEntry(int from, int direction) const;
  // The buttons and the label while a search or a run jump reads frames.
  void EnterSearchState(int direction);
  // Runs `step` for one slice of searchSliceMs; true when it said it is done.
  bool Slice(const std::function<bool()>& step) const;

  // The run jumps and the timeline (motion_runs.cpp).
  void StartRunJump(int direction);
  void FinishRunJump();
  void StartTimeline(const std::string& path);

  PlayerView* view_;
  std::unique_ptr<MovieSource> source_;
  PlayListSearch search_{*this};
  RunFinder runs_;
  std::array<bool, kControlCount> enabled_ {};
  std::array<bool, kControlCount> visible_ {};
  std::array<Rect, kControlCount> bounds_ {};
  std::string movieFolder_;   // folder of the open movie, with its trailing separator
  bool shutDown_ = false;
  uint64_t audioGeneration_ = 0;  // of the movie whose sound may post messages
};

}  // namespace klv
