#pragma once
// A recording view for engine tests. Like the toolkit, moving a track bar from
// code runs its change handler when the position changes, so the engine's
// guards are exercised as in the window.

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine/player.h"
#include "platform/diagnostics.h"

namespace klv::test {

// A diagnostics window that keeps every line while "visible".
class RecordingDiagnostics : public DiagnosticsSink {
 public:
  bool visible = true;
  std::vector<std::string> lines;
  int badFrames = 0;
  std::vector<int> quantisers;
  int frameTimes = 0;  // times shown
  int scrolledTo = -1;
  bool Visible() const override { return visible; }
  void AddLine(std::string_view line) override { lines.emplace_back(line); }
  void CountBadFrame() override { ++badFrames; }
  void ShowQuantiser(int q) override { quantisers.push_back(q); }
  void ShowFrameTimes(int, int) override { ++frameTimes; }
  void ShowLastLines(int n) override { scrolledTo = static_cast<int>(lines.size()) - n; }
};

class FakeView : public PlayerView {
 public:
  Player* player = nullptr;

  std::array<bool, kControlCount> enabled {};
  std::array<bool, kControlCount> visible {};
  std::array<bool, kControlCount> checked {};
  std::array<Rect, kControlCount> bounds {};
  std::map<ControlId, std::string> text;
  std::map<ControlId, int> position;
  std::map<ControlId, std::pair<int, int>> range;
  std::map<ControlId, int> tickFrequency;
  std::array<std::string, kStatusPanelCount> panels;
  StatsCaptions captions = StatsCaptions::kInterval;
  std::string caption;
  Size client {1037, 666};
  Rect window {304, 215, 1045, 720};
  Size screen {1280, 800};
  const FramePicture* shown = nullptr;
  int picturesShown = 0;
  std::vector<std::string> listItems;
  int selected = -1;
  std::vector<MessageKind> messages;
  std::vector<std::string> reasons;  // beside each message
  std::vector<std::string> errorBoxes;
  std::vector<std::string> skipped;  // "name: reason" of each status note
  std::deque<std::optional<std::string>> saveAnswers;   // next answers of the save dialog
  std::vector<std::string> saveSuggestions;
  std::optional<std::vector<std::string>> openAnswer;
  int beeps = 0;
  int timerInterval = 33;
  bool timerEnabled = false;
  std::vector<int> seekChanges;  // positions handed to SeekBarChanged

  FakeView() {
    enabled.fill(true);
    visible.fill(true);
    position[ControlId::tbRate] = 1;  // designed position
    range[ControlId::tbWhere] = {0, 100};
    range[ControlId::pbWhere] = {0, 100};
  }

  bool Enabled(ControlId id) const { return enabled[static_cast<size_t>(id)]; }
  bool Shown(ControlId id) const { return visible[static_cast<size_t>(id)]; }
  const Rect& BoundsOf(ControlId id) const { return bounds[static_cast<size_t>(id)]; }
  std::string Text(ControlId id) const {
    auto it = text.find(id);
    return it == text.end() ? std::string() : it->second;
  }
  int Position(ControlId id) const {
    auto it = position.find(id);
    return it == position.end() ? 0 : it->second;
  }

  void SetEnabled(ControlId id, bool on) override { enabled[static_cast<size_t>(id)] = on; }
  void SetVisible(ControlId id, bool on) override { visible[static_cast<size_t>(id)] = on; }
  void SetChecked(ControlId id, bool on) override { checked[static_cast<size_t>(id)] = on; }
  void SetText(ControlId id, const std::string& t) override { text[id] = t; }
  void SetBounds(ControlId id, const Rect& r) override { bounds[static_cast<size_t>(id)] = r; }
  void SetFocus(ControlId id) override {
    focused = id;
    ++focusCount;
  }
  std::optional<ControlId> focused;

  void SetRange(ControlId id, int minimum, int maximum) override {
    range[id] = {minimum, std::max(minimum, maximum)};
    Move(id, Position(id));
  }
  void SetPosition(ControlId id, int p) override { Move(id, p); }
  void SetTickFrequency(ControlId id, int f) override { tickFrequency[id] = f; }

  void SetCaption(const std::string& t) override { caption = t; }
  void SetStatusPanel(StatusPanel panel, const std::string& t) override {
    panels[static_cast<size_t>(panel)] = t;
  }
  void ShowStatsCaptions(StatsCaptions c) override { captions = c; }
  Size ClientSize() override { return client; }
  Size ScrollBoxClientSize() override {
    const Rect& r = BoundsOf(ControlId::ScrollBox1);
    return {r.width - 4, r.height - 4};
  }
  Rect WindowBounds() override { return window; }
  void SetWindowBounds(const Rect& r) override { window = r; }
  Size ScreenSize() override { return screen; }
  void BringToFront() override {}

  std::function<void(const FramePicture&)> whenShown;  // each picture as it goes up
  void ShowPicture(const FramePicture* p) override {
    shown = p;
    if (p == nullptr) return;
    ++picturesShown;
    if (whenShown) whenShown(*p);
  }
  void SetListItems(const std::vector<std::string>& lines) override { listItems = lines; }
  void SelectListItem(int index) override { selected = index; }
  void SetHintDelays(int, int) override {}

  void ShowMessage(MessageKind kind, const std::string& reason) override {
    messages.push_back(kind);
    reasons.push_back(reason);
  }
  void ShowErrorBox(const std::string&, const std::string& t) override { errorBoxes.push_back(t); }
  void ShowSkipped(const std::string& name, const std::string& reason) override {
    skipped.push_back(name + ": " + reason);
  }
  std::function<void()> whileSaveDialogOpen;  // what happens behind the dialog
  std::optional<std::string> RunSaveDialog(const std::string& suggested) override {
    saveSuggestions.push_back(suggested);
    if (whileSaveDialogOpen) whileSaveDialogOpen();
    if (saveAnswers.empty()) return std::nullopt;
    auto a = saveAnswers.front();
    saveAnswers.pop_front();
    return a;
  }
  std::optional<std::vector<std::string>> RunOpenDialog() override { return openAnswer; }
  void Beep() override { ++beeps; }
  void SetTimerInterval(int ms) override { timerInterval = ms; }
  void SetTimerEnabled(bool on) override { timerEnabled = on; }
  void ProcessPendingEvents() override {}

  // Calls posted onto the user-interface thread, possibly from another thread;
  // RunPosted is the event loop coming round.
  void PostToUi(std::function<void()> call) override {
    {
      std::lock_guard<std::mutex> lock(postedLock_);
      posted_.push_back(std::move(call));
    }
    postedWake_.notify_all();
  }
  int RunPosted() {
    int n = 0;
    for (;;) {
      std::function<void()> call;
      {
        std::lock_guard<std::mutex> lock(postedLock_);
        if (posted_.empty()) return n;
        call = std::move(posted_.front());
        posted_.pop_front();
      }
      call();
      ++n;
    }
  }
  // The event loop of a window whose messages come from other threads: runs
  // what is posted, sleeping while nothing is, until `done` holds (checked
  // after every visit) or `deadline` passes. True when `done` held.
  bool RunPostedUntil(const std::function<bool()>& done, std::chrono::steady_clock::time_point deadline) {
    for (;;) {
      RunPosted();
      if (done()) return true;
      std::unique_lock<std::mutex> lock(postedLock_);
      if (!postedWake_.wait_until(lock, deadline, [this] { return !posted_.empty(); })) {
        lock.unlock();
        return done();
      }
    }
  }
  size_t PostedCount() {
    std::lock_guard<std::mutex> lock(postedLock_);
    return posted_.size();
  }

  // The motion search.
  int searchLabel = -1;                 // label shown last
  std::vector<int> searchLabels;        // every label shown, in order (their indexes)
  int previews = 0;                     // reduced pictures shown
  std::vector<uint8_t> previewBits;     // the last one, rows of previewStride bytes
  int previewWidth = 0, previewHeight = 0, previewStride = 0;
  bool searchTimer = false;
  int focusCount = 0;
  std::string GetText(ControlId id) override { return Text(id); }
  void ShowSearchLabel(SearchLabel label) override {
    searchLabel = static_cast<int>(label);
    searchLabels.push_back(searchLabel);
  }
  void ShowSearchPreview(int width, int height, int stride, const uint8_t* bits) override {
    ++previews;
    previewWidth = width;
    previewHeight = height;
    previewStride = stride;
    previewBits.assign(bits, bits + static_cast<size_t>(stride) * static_cast<size_t>(height));
  }
  void SetSearchTimerEnabled(bool on) override { searchTimer = on; }

  // The event loop's part: slices while the search timer is on. Returns the
  // number of slices run (bounded, so a search that never ends fails a test).
  int RunSearch(int limit = 100000) {
    int n = 0;
    while (searchTimer && n < limit) {
      player->SearchSlice();
      ++n;
    }
    return n;
  }

  // The user drags the seek bar (it has the focus while dragging).
  void UserSeek(int p) {
    player->SeekBarFocus(true);
    Move(ControlId::tbWhere, p);
    player->SeekBarFocus(false);
  }

 private:
  std::mutex postedLock_;
  std::condition_variable postedWake_;
  std::deque<std::function<void()>> posted_;

  void Move(ControlId id, int p) {
    auto r = range.find(id);
    if (r != range.end()) p = std::clamp(p, r->second.first, r->second.second);
    else if (id == ControlId::tbRate) p = std::clamp(p, 0, 29);
    const int before = Position(id);
    position[id] = p;
    if (p == before || player == nullptr) return;
    if (id == ControlId::tbWhere) {
      seekChanges.push_back(p);
      player->SeekBarChanged(p);
    } else if (id == ControlId::tbRate) {
      player->RateChanged(p);
    }
  }
};

}  // namespace klv::test
