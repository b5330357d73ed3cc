#pragma once
// What the engine needs of its window. The Qt main window implements it; the
// engine tests implement it with a recording fake. As with the toolkit, moving
// a bar from code must run the bar's change handler (the engine's guards rely
// on it).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/control_ids.h"
#include "engine/message_kind.h"

namespace klv {

class FramePicture;
class TimelineValues;

// The status bar's five panels, by what they show of an AVI movie.
enum class StatusPanel : int {
  kName = 0,         // the file's name
  kPictureSize = 1,  // "640x480"
  kLength = 2,       // "Frames = 300"; .ztm: the elapsed time
  kPosition = 3,     // "Frame 12"; .ztm: the date and time
  kInfo = 4,         // the zoom, the last good positions, the byte position
};
inline constexpr int kStatusPanelCount = 5;

// The four search state labels of the "Motion Search" group; one is visible.
enum class SearchLabel : int {
  kInactive = 0,  // "Search Inactive"
  kForward = 1,   // "Search Forward"
  kBackward = 2,  // "Search Backward"
  kFound = 3,     // "Found"
};

// What the statistics captions name: a time-lapse movie's capture interval
// and elapsed time, or an event-mode movie's shutdown delay and event number.
enum class StatsCaptions { kInterval, kEvent };

struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  int Right() const { return left + width; }
  int Bottom() const { return top + height; }
  bool operator==(const Rect&) const = default;
};

struct Size {
  int width = 0;
  int height = 0;
  bool operator==(const Size&) const = default;
};

class PlayerView {
 public:
  virtual ~PlayerView() = default;

  // --- controls ------------------------------------------------------------
  virtual void SetEnabled(ControlId id, bool on) = 0;
  virtual void SetVisible(ControlId id, bool on) = 0;
  virtual void SetChecked(ControlId id, bool on) = 0;  // menu check marks
  // Label caption, edit box text.
  virtual void SetText(ControlId id, const std::string& text) = 0;
  // Position inside the control's parent (the client area for top-level ones).
  virtual void SetBounds(ControlId id, const Rect& bounds) = 0;
  virtual void SetFocus(ControlId id) = 0;

  // Bars: tbWhere, pbWhere, tbRate. Moving a track bar runs its change handler
  // when the position changes, as a user's move would.
  virtual void SetRange(ControlId id, int minimum, int maximum) = 0;
  virtual void SetPosition(ControlId id, int position) = 0;
  virtual void SetTickFrequency(ControlId id, int frequency) = 0;

  // --- window --------------------------------------------------------------
  virtual void SetCaption(const std::string& text) = 0;
  virtual void SetStatusPanel(StatusPanel panel, const std::string& text) = 0;
  // The statistics captions Label3 and Label4, in the display language.
  virtual void ShowStatsCaptions(StatsCaptions captions) = 0;
  virtual Size ClientSize() = 0;
  // Client area of ScrollBox1 (inside its frame and scroll bars).
  virtual Size ScrollBoxClientSize() = 0;
  // Outer placement of the main window (left, top, width, height).
  virtual Rect WindowBounds() = 0;
  virtual void SetWindowBounds(const Rect& bounds) = 0;
  virtual Size ScreenSize() = 0;
  virtual void BringToFront() = 0;

  // --- picture -------------------------------------------------------------
  // Shows the picture stretched to Image1; the picture stays valid until the
  // next call. nullptr: the picture is about to be released — keep what is on
  // screen without referring to it.
  virtual void ShowPicture(const FramePicture* picture) = 0;

  // --- play list box -------------------------------------------------------
  virtual void SetListItems(const std::vector<std::string>& lines) = 0;
  virtual void SelectListItem(int index) = 0;
  virtual void SetHintDelays(int showMs, int hideMs) = 0;

  // --- messages and dialogs ------------------------------------------------
  // The message window, modal; returns when the user has closed it. `reason`
  // says in a few plain English words what is wrong (empty: nothing more);
  // the window shows it in the display language.
  virtual void ShowMessage(MessageKind kind, const std::string& reason) = 0;
  // A passing note in the status bar: playback ran on past an entry that
  // could not be opened (`reason` in plain English words, as ShowMessage's).
  virtual void ShowSkipped(const std::string& fileName, const std::string& reason) = 0;
  // A message box with the error icon, modal.
  virtual void ShowErrorBox(const std::string& title, const std::string& text) = 0;
  // The save dialog with a suggested full path; nullopt when cancelled.
  virtual std::optional<std::string> RunSaveDialog(const std::string& suggestedPath) = 0;
  // The open dialog (several files); nullopt when cancelled.
  virtual std::optional<std::vector<std::string>> RunOpenDialog() = 0;
  virtual void Beep() = 0;

  // --- the playback clock --------------------------------------------------
  virtual void SetTimerInterval(int ms) = 0;
  virtual void SetTimerEnabled(bool on) = 0;

  // Lets pending window events run.
  virtual void ProcessPendingEvents() = 0;
  // Runs `call` on the user-interface thread when the event loop comes round;
  // may be called from any thread.
  virtual void PostToUi(std::function<void()> call) = 0;

  // --- the motion search ---------------------------------------------------
  // Text of an edit box (edtMotionThreshold).
  virtual std::string GetText(ControlId id) { (void)id; return {}; }
  // Shows one search state label and hides the others.
  virtual void ShowSearchLabel(SearchLabel label) { (void)label; }
  // The reduced colour picture (rows top to bottom, blue-green-red, `stride`
  // bytes a row), stretched to pnlSearch. The bits are valid during the call.
  virtual void ShowSearchPreview(int width, int height, int stride, const uint8_t* bits) {
    (void)width, (void)height, (void)stride, (void)bits;
  }
  // While on, Player::SearchSlice is called again and again from the event
  // loop (a zero-interval timer), never from inside another handler.
  virtual void SetSearchTimerEnabled(bool on) { (void)on; }

  // --- the motion timeline -------------------------------------------------
  // The motion timeline of the AVI movie on show (pnlTimeline), filled by a
  // worker thread; null: none. The window draws what is filled and looks
  // again a few times a second until it is complete.
  virtual void ShowMotionTimeline(std::shared_ptr<const TimelineValues> values) { (void)values; }
};

}  // namespace klv
