// Search Forward, Search Backward and Stop Search: the motion search over the
// open file and on through the play list, driven a slice at a time from the
// event loop. Nothing here waits for the user or runs the event loop itself,
// so Stop Search, the play list and window moves act between frames and no
// handler runs inside another.

#include <chrono>

#include "engine/player.h"

namespace klv {

using C = ControlId;

void Player::StartForwardSearch() { StartSearch(1); }

void Player::StartBackwardSearch() { StartSearch(-1); }

void Player::StartSearch(int direction) {
  // Reduced pictures exist for AVI frames only; a search that reaches another
  // kind of movie through the play list ends there.
  if (state.kind != SourceKind::Avi) {
    if (state.searching) {
      EndSearchWithoutResult();
      Pause();
    }
    return;
  }
  AbandonSearch();
  SetSeekPanel(false);
  settings.nMotionThreshold = ParseMotionThreshold(view_->GetText(C::edtMotionThreshold));
  if (settings.nMotionThreshold == 0) {
    view_->Beep();
    view_->SetFocus(C::edtMotionThreshold);
    state.searching = false;
    Pause();
    return;
  }
  searchThreshold_ = settings.nMotionThreshold;
  for (C id : {C::sbStop, C::sbPause, C::sbBackward, C::sbPrevious, C::sbNext, C::sbForward,
               C::sbNextEvent, C::sbPrevEvent})
    Enable(id, false);
  state.searching = true;
  state.searchDirection = direction;
  walkDirection_ = direction;
  Enable(C::sbStopSearch, true);
  Enable(C::sbSearchForward, false);
  Enable(C::sbSearchBackward, false);
  view_->ShowSearchLabel(direction > 0 ? 1 : 2);
  BeginFileSearch(avi.nCurFrame, direction > 0 ? avi.nTotalFrames : 0, false);
}

// Starts the search in the open file. `walking`: a file the walk has opened.
void Player::BeginFileSearch(int from, int to, bool walking) {
  if (walking && from == to) {
    // A file of one frame has nothing to compare: the walk goes on past it.
    FileSearchDone(0);
    return;
  }
  if (searcher.Begin(avi, from, to, searchThreshold_) != 0) {
    FileSearchDone(-1);
    return;
  }
  if (searcher.Running()) {
    view_->SetSearchTimerEnabled(true);
    return;
  }
  FileSearchDone(searcher.Result());
}

void Player::SearchSlice() {
  if (inSlice_) return;
  if (!searcher.Running()) {
    view_->SetSearchTimerEnabled(false);
    return;
  }
  inSlice_ = true;
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(searchSliceMs);
  for (;;) {
    if (searcher.Step()) {
      view_->SetSearchTimerEnabled(false);
      FileSearchDone(searcher.Result());
      break;
    }
    if (searchSliceMs <= 0 || std::chrono::steady_clock::now() >= until) break;
  }
  inSlice_ = false;
}

// One file searched: 0 walks on through the play list in the search's
// direction; anything else ends the command.
void Player::FileSearchDone(int result) {
  if (result != 0) {
    FinishSearch(result);
    return;
  }
  const int d = walkDirection_;
  const int next = NextAviEntry(state.playListIndex, d);
  if (next < 0) {
    FinishSearch(0);
    return;
  }
  state.playListIndex = next;
  if (!OpenSource(playList[static_cast<size_t>(next)].path, next)) {
    DisableTransport();
    EndSearchWithoutResult();
    return;
  }
  if (d > 0)
    BeginFileSearch(0, avi.nTotalFrames, true);
  else
    BeginFileSearch(avi.nTotalFrames - 1, 0, true);
}

// Shows where the search ended: the frame found (or where Stop Search ended
// it), else the end of the file reached in the search's direction.
void Player::FinishSearch(int result) {
  view_->SetSearchTimerEnabled(false);
  if (result > 0) {
    avi.AviSetFrame(result);
    ShowFrame(true);
    view_->ShowSearchLabel(3);
  } else {
    // Not found, or no buffers. The entry index stays that of the file on show.
    avi.AviSetFrame(walkDirection_ > 0 ? avi.nTotalFrames - 1 : 0);
    ShowFrame(true);
    view_->ShowSearchLabel(0);
  }
  walkDirection_ = 0;
  state.searching = false;
  Pause();
}

void Player::AbandonSearch() {
  searcher.Abandon();
  view_->SetSearchTimerEnabled(false);
}

// The search cannot go on (its next file cannot be opened, the list was
// cleared): no result to show.
void Player::EndSearchWithoutResult() {
  AbandonSearch();
  walkDirection_ = 0;
  state.searching = false;
  state.searchDirection = 0;
  view_->ShowSearchLabel(0);
  for (C id : {C::sbSearchForward, C::sbSearchBackward, C::sbStopSearch}) Enable(id, false);
}

void Player::MotionSearchStop() { searcher.MotionSearchStop(); }

void Player::StopSearchCommand() {
  MotionSearchStop();
  state.searchDirection = 0;
  state.searching = false;
  Enable(C::sbSearchForward, true);
  Enable(C::sbSearchBackward, true);
  Pause();
  // The search ends at the frame it has just shown, which is then shown as found.
  if (searcher.Running() && !inSlice_) {
    view_->SetSearchTimerEnabled(false);
    if (searcher.Step()) FileSearchDone(searcher.Result());
  }
}

void Player::ShowSearchPreview(const ReducedBitmapHeader* header, const uint8_t* bits, int index) {
  if (state.kind != SourceKind::Avi || header == nullptr || bits == nullptr) return;
  const int height = header->biHeight < 0 ? -header->biHeight : header->biHeight;
  view_->ShowSearchPreview(header->biWidth, height, searcher.RgbStride(), bits);
  view_->SetPosition(C::pbWhere, index);
}

}  // namespace klv
