// Search Forward, Search Backward and Stop Search: the motion search over the
// play list, driven a slice at a time from the event loop. Nothing here waits
// for the user or runs the event loop itself, so Stop Search, the play list
// and window moves act between frames and no handler runs inside another.

#include <chrono>

#include "engine/avi_source.h"
#include "engine/player.h"

namespace klv {

using C = ControlId;

void Player::StartForwardSearch() { StartSearch(1); }

void Player::StartBackwardSearch() { StartSearch(-1); }

void Player::StartSearch(int direction) {
  // Reduced pictures exist for AVI frames only; a search that reaches another
  // kind of movie through the play list ends there.
  AviSource* avi = Avi();
  if (avi == nullptr) {
    if (search_.Running()) {
      EndSearchWithoutResult();
      Pause();
    }
    return;
  }
  search_.Cancel();
  view_->SetSearchTimerEnabled(false);
  SetSeekPanel(false);
  settings.nMotionThreshold = ParseMotionThreshold(view_->GetText(C::edtMotionThreshold));
  if (settings.nMotionThreshold == 0) {
    view_->Beep();
    view_->SetFocus(C::edtMotionThreshold);
    Pause();
    return;
  }
  EnterSearchState(direction);
  search_.Start({&avi->Reader(), &avi->Decoder()}, state.playListIndex, avi->CurrentFrame(), direction,
                settings.nMotionThreshold);
  if (search_.Running())
    view_->SetSearchTimerEnabled(true);
  else
    FinishSearch();
}

void Player::EnterSearchState(int direction) {
  for (C id : {C::sbStop, C::sbPause, C::sbBackward, C::sbPrevious, C::sbNext, C::sbForward,
               C::sbNextEvent, C::sbPrevEvent})
    Enable(id, false);
  Enable(C::sbStopSearch, true);
  Enable(C::sbSearchForward, false);
  Enable(C::sbSearchBackward, false);
  view_->ShowSearchLabel(direction > 0 ? SearchLabel::kForward : SearchLabel::kBackward);
}

bool Player::Slice(const std::function<bool()>& step) const {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(searchSliceMs);
  for (;;) {
    if (step()) return true;
    if (searchSliceMs <= 0 || std::chrono::steady_clock::now() >= until) return false;
  }
}

void Player::SearchSlice() {
  if (runs_.Running()) {
    if (Slice([this] { return runs_.Step(); })) FinishRunJump();
    return;
  }
  if (!search_.Running()) {
    view_->SetSearchTimerEnabled(false);
    return;
  }
  if (Slice([this] { return search_.Step(); })) FinishSearch();
}

bool Player::IsAviEntry(int entry) const {
  const PlayListEntry* e = Entry(entry);
  return e != nullptr && SourceKindOf(e->path) == SourceKind::Avi;
}

// The walk opens the next entry as the movie on show.
SearchFile Player::OpenEntry(int entry) {
  if (!OpenWalkEntry(entry)) return {};
  AviSource* avi = Avi();
  if (avi == nullptr) return {};
  return {&avi->Reader(), &avi->Decoder()};
}

// Shows where the search ended: the frame found (or where Stop Search ended
// it), else the end of the file reached in the search's direction.
void Player::FinishSearch() {
  view_->SetSearchTimerEnabled(false);
  const SearchResult& r = search_.Result();
  AviSource* avi = Avi();
  if (r.outcome == SearchResult::Outcome::kFailed || avi == nullptr) {
    DisableTransport();
    EndSearchWithoutResult();
    return;
  }
  if (r.outcome == SearchResult::Outcome::kFound) {
    avi->AviSetFrame(r.frame);
    avi->ShowFrame(true);
    view_->ShowSearchLabel(SearchLabel::kFound);
  } else {
    // The entry index stays that of the file on show.
    avi->AviSetFrame(search_.Direction() > 0 ? avi->TotalFrames() - 1 : 0);
    avi->ShowFrame(true);
    view_->ShowSearchLabel(SearchLabel::kInactive);
  }
  Pause();
}

// The search cannot go on (its next file cannot be opened, the list was
// cleared): no result to show.
void Player::EndSearchWithoutResult() {
  search_.Cancel();
  runs_.Cancel();
  view_->SetSearchTimerEnabled(false);
  view_->ShowSearchLabel(SearchLabel::kInactive);
  for (C id : {C::sbSearchForward, C::sbSearchBackward, C::sbStopSearch}) Enable(id, false);
}

void Player::MotionSearchStop() { search_.Stop(); }

void Player::StopSearchCommand() {
  if (runs_.Running()) {
    // A run jump stopped leaves the picture where it was.
    EndSearchWithoutResult();
    Pause();
    return;
  }
  MotionSearchStop();
  Enable(C::sbSearchForward, true);
  Enable(C::sbSearchBackward, true);
  // The search ends at the frame it has just shown, which is then shown as found.
  if (search_.Running()) {
    view_->SetSearchTimerEnabled(false);
    search_.Step();
    FinishSearch();
  } else {
    Pause();
  }
}

void Player::ShowSearchPreview(const ReducedBitmapHeader& header, const uint8_t* bits, int index) {
  if (bits == nullptr) return;
  const int height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
  if (height == 0) return;
  view_->ShowSearchPreview(header.biWidth, height, static_cast<int>(header.biSizeImage) / height, bits);
  view_->SetPosition(C::pbWhere, index);
}

}  // namespace klv
