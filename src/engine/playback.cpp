// The playback clock: the timer, play, pause, stop, steps, seeking, the speed
// bar, and which transport buttons each state allows. The movie on show takes
// the steps that belong to its kind.

#include <algorithm>

#include "engine/player.h"
#include "platform/format.h"

namespace klv {

using C = ControlId;

void Player::RecomputeTimer() {
  if (state.rate == 0) {
    state.step = 0;
    state.direction = 0;
    return;
  }
  if (state.decodeTime == -1) state.decodeTime = 100;
  state.frameInterval = 1000 / state.rate;
  state.step = state.decodeTime / state.frameInterval;
  if (state.step == 0) state.step = 1;
  view_->SetTimerInterval(std::max(state.frameInterval, state.decodeTime));
}

void Player::TimerTick() {
  if (!state.playing || source_ == nullptr) return;
  if (source_->Tick() == MoveResult::kAtEnd) {
    // An end of the file: the play list moves on in the playing direction.
    StartEntry(state.playListIndex + state.direction, true);
  }
}

void Player::Play(int direction) {
  state.direction = direction;
  if (direction == -1) {
    Enable(C::sbBackward, false);
    Enable(C::sbForward, true);
  } else {
    Enable(C::sbForward, false);
    Enable(C::sbBackward, true);
  }
  SetSeekPanel(false);
  for (C id : {C::sbNext, C::sbPrevious, C::sbSearchForward, C::sbSearchBackward,
               C::sbStopSearch, C::sbPrevEvent, C::sbNextEvent})
    Enable(id, false);
  Enable(C::sbPause, true);
  Enable(C::sbStop, true);
  state.bhcCount = 0;
  if (source_ != nullptr) source_->Play(direction);
  view_->BringToFront();
  state.paused = false;
}

void Player::Pause() {
  state.paused = true;
  if (source_ != nullptr) source_->Pause();
  Enable(C::sbStopSearch, false);
  Enable(C::sbPause, false);
  SetPlaying(false);
}

void Player::Stop() {
  if (state.playing) {
    SetPlaying(false);
    Pause();
  }
  for (C id : {C::sbBackward, C::sbPrevious, C::sbSearchForward, C::sbSearchBackward,
               C::sbStopSearch})
    Enable(id, false);
  if (source_ != nullptr) source_->Stop();
}

void Player::StopAll() {
  // Nothing runs beside the user-interface thread for timer-paced movies, so
  // the stop is complete when it returns.
  if (state.playing) Stop();
}

void Player::CrossByStep(int direction) {
  if (!OpenWalkEntry(state.playListIndex + direction)) {
    state.trackGuard = false;
    DisableTransport();
    return;
  }
  source_->EnterByStep(direction);
}

void Player::StepForward() {
  if (source_ != nullptr && source_->StepForward() == MoveResult::kAtEnd) CrossByStep(+1);
}

void Player::StepBackward() {
  if (source_ != nullptr && source_->StepBackward() == MoveResult::kAtEnd) CrossByStep(-1);
}

bool Player::KeyStepForward() {
  if (!Enabled(C::sbNext)) return false;
  StepForward();
  return true;
}

bool Player::KeyStepBackward() {
  if (!Enabled(C::sbPrevious)) return false;
  StepBackward();
  return true;
}

void Player::SeekBarChanged(int position) {
  if (state.trackGuard) return;
  state.trackGuard = true;
  if (state.seekBarFocused && !state.busy && source_ != nullptr) source_->Seek(position);
  state.trackGuard = false;
}

void Player::SeekBarFocus(bool focused) { state.seekBarFocused = focused; }

void Player::RateChanged(int position) {
  // The engine itself moves the speed bar while settings load and files open
  // and sets the rate beside it; the bar's echo is not a user's choice.
  if (state.busy) return;
  state.rate = 30 - position;
  view_->SetText(C::lblRate, Format("%d", state.rate));
  RecomputeTimer();
}

void Player::RateBarFocus(bool focused) { state.trackGuard = focused; }

void Player::DisableTransport() {
  if (state.playing) Pause();
  for (C id : {C::sbPause, C::sbBackward, C::sbPrevious, C::sbForward, C::sbNext, C::sbStop})
    Enable(id, false);
  SetPlaying(false);
  Enable(C::sbPrevEvent, false);
  Enable(C::sbNextEvent, false);
  Show(C::tbWhere, false);
}

}  // namespace klv
