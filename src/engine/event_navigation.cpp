// Next Event and Prev Event: jump to the frames the camera marked as the start
// of an event, going on through the play list.

#include "engine/avi_source.h"
#include "engine/player.h"

namespace klv {

using C = ControlId;

namespace {

constexpr C kTransport[] = {C::sbPause, C::sbBackward, C::sbPrevious, C::sbNext,
                            C::sbForward, C::sbNextEvent, C::sbPrevEvent};

}  // namespace

void Player::NextEventCommand() {
  AviSource* avi = Avi();
  if (avi == nullptr) return;
  SetSeekPanel(false);
  Enable(C::sbStop, false);
  for (C id : kTransport) Enable(id, false);

  int e = avi->FindEvent(avi->CurrentFrame() + 1, avi->TotalFrames());
  while (e == -1) {
    const int next = NextAviEntry(state.playListIndex, 1);
    if (next < 0) break;
    if (!OpenWalkEntry(next) || (avi = Avi()) == nullptr) {
      DisableTransport();
      return;
    }
    e = avi->FindEvent(0, avi->TotalFrames());
  }
  // None further on: the last frame of the file on show, whose entry stays
  // the current one.
  avi->AviSetFrame(e >= 0 ? e : avi->TotalFrames() - 1);
  avi->ShowFrame(true);
  Pause();
}

void Player::PrevEventCommand() {
  AviSource* avi = Avi();
  if (avi == nullptr) return;
  SetSeekPanel(false);
  for (C id : kTransport) Enable(id, false);
  Enable(C::sbStop, true);

  // Frame 0 is never examined going backward.
  int e = avi->CurrentFrame() > 0 ? avi->FindEvent(avi->CurrentFrame() - 1, 0) : -1;
  while (e == -1) {
    const int next = NextAviEntry(state.playListIndex, -1);
    if (next < 0) break;
    if (!OpenWalkEntry(next) || (avi = Avi()) == nullptr) {
      DisableTransport();
      return;
    }
    e = avi->FindEvent(avi->TotalFrames() - 1, 0);
  }
  avi->AviSetFrame(e >= 0 ? e : 0);
  avi->ShowFrame(true);
  Pause();
}

// Events exist in AVI movies only: the walks through the play list step over
// entries of other kinds without opening them.
int Player::NextAviEntry(int from, int direction) const {
  for (int i = from + direction; i >= 0 && i < state.playListCount; i += direction)
    if (IsAviEntry(i)) return i;
  return -1;
}

}  // namespace klv
