// Next Event and Prev Event: jump to the frames the camera marked as the start
// of an event, going on through the play list.

#include "engine/player.h"

namespace klv {

using C = ControlId;

namespace {

constexpr C kTransport[] = {C::sbPause, C::sbBackward, C::sbPrevious, C::sbNext,
                            C::sbForward, C::sbNextEvent, C::sbPrevEvent};

}  // namespace

void Player::NextEventCommand() {
  if (state.kind != SourceKind::Avi) return;
  SetSeekPanel(false);
  Enable(C::sbStop, false);
  for (C id : kTransport) Enable(id, false);

  int e = avi.AviFindEvent(avi.nCurFrame + 1, avi.nTotalFrames);
  while (e == -1) {
    const int next = NextAviEntry(state.playListIndex, 1);
    if (next < 0) break;
    state.playListIndex = next;
    if (!OpenSource(playList[static_cast<size_t>(next)].path, next)) {
      DisableTransport();
      return;
    }
    e = avi.AviFindEvent(0, avi.nTotalFrames);
  }
  // None further on: the last frame of the file on show, whose entry stays
  // the current one.
  avi.AviSetFrame(e >= 0 ? e : avi.nTotalFrames - 1);
  ShowFrame(true);
  Pause();
}

void Player::PrevEventCommand() {
  if (state.kind != SourceKind::Avi) return;
  SetSeekPanel(false);
  for (C id : kTransport) Enable(id, false);
  Enable(C::sbStop, true);

  // Frame 0 is never examined going backward.
  int e = avi.nCurFrame > 0 ? avi.AviFindEvent(avi.nCurFrame - 1, 0) : -1;
  while (e == -1) {
    const int next = NextAviEntry(state.playListIndex, -1);
    if (next < 0) break;
    state.playListIndex = next;
    if (!OpenSource(playList[static_cast<size_t>(next)].path, next)) {
      DisableTransport();
      return;
    }
    e = avi.AviFindEvent(avi.nTotalFrames - 1, 0);
  }
  avi.AviSetFrame(e >= 0 ? e : 0);
  ShowFrame(true);
  Pause();
}

// Events and motion exist in AVI movies only: the walks through the play list
// step over entries of other kinds without opening them.
int Player::NextAviEntry(int from, int direction) const {
  for (int i = from + direction; i >= 0 && i < state.playListCount; i += direction)
    if (SourceKindOf(playList[static_cast<size_t>(i)].path) == SourceKind::Avi) return i;
  return -1;
}

}  // namespace klv
