// Next Motion and Previous Motion: jumps to the first frame of the next or
// previous run of motion frames through the play list, and the motion
// timeline that starts filling whenever an AVI movie opens.

#include "engine/avi_source.h"
#include "engine/player.h"

namespace klv {

using C = ControlId;

void Player::StartTimeline(const std::string& path) {
  // Other kinds of movie have no timeline (closing the last one has cancelled its fill).
  const AviSource* avi = Avi();
  if (avi == nullptr) return;
  view_->ShowMotionTimeline(timeline.Start(path, avi->TotalFrames(), avi->Reader().EventFrames()));
}

void Player::NextMotionCommand() { StartRunJump(+1); }

void Player::PrevMotionCommand() { StartRunJump(-1); }

void Player::StartRunJump(int direction) {
  AviSource* avi = Avi();
  // Runs exist in AVI movies only, and one search at a time reads frames.
  if (avi == nullptr || search_.Running() || runs_.Running() || state.busy) {
    view_->Beep();
    return;
  }
  // The threshold box's value, read as the search reads it.
  settings.nMotionThreshold = ParseMotionThreshold(view_->GetText(C::edtMotionThreshold));
  if (settings.nMotionThreshold == 0) {
    view_->Beep();
    view_->SetFocus(C::edtMotionThreshold);
    return;
  }
  if (state.playing) Pause();
  std::vector<std::string> files;
  for (int i = 0; i < state.playListCount; ++i) files.push_back(playList[static_cast<size_t>(i)].path);
  runs_.flags = &decoderFlags;
  runs_.preview = [this](const ReducedBitmapHeader& header, const uint8_t* bits, int index) {
    ShowSearchPreview(header, bits, index);
  };
  runs_.Start(std::move(files), state.playListIndex, avi->CurrentFrame(), direction,
              settings.nMotionThreshold, &timeline);
  // A jump the timeline decides (or a run a few frames away) happens at once;
  // else the frames are read from the event loop, as a search reads them.
  if (Slice([this] { return runs_.Step(); })) {
    FinishRunJump();
    return;
  }
  SetSeekPanel(false);
  EnterSearchState(direction);
  view_->SetSearchTimerEnabled(true);
}

void Player::FinishRunJump() {
  view_->SetSearchTimerEnabled(false);
  const RunJump r = runs_.Result();
  const PlayListEntry* entry = Entry(r.entry);
  if (r.outcome != RunJump::Outcome::kFound || entry == nullptr || entry->path != r.path) {
    // No further run: the picture stays.
    view_->Beep();
    view_->ShowSearchLabel(SearchLabel::kInactive);
    Pause();
    return;
  }
  AviSource* avi = nullptr;
  if ((r.entry != state.playListIndex && !OpenWalkEntry(r.entry)) || (avi = Avi()) == nullptr) {
    DisableTransport();
    EndSearchWithoutResult();
    return;
  }
  avi->AviSetFrame(r.frame);
  avi->ShowFrame(true);
  view_->ShowSearchLabel(SearchLabel::kFound);
  Pause();
}

}  // namespace klv
