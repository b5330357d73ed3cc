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
    if (state.playListIndex + 1 >= state.playListCount) break;
    state.playListIndex += 1;
    if (!OpenSource(playList[static_cast<size_t>(state.playListIndex)].path,
                    state.playListIndex)) {
      DisableTransport();
      return;
    }
    e = avi.AviFindEvent(0, avi.nTotalFrames);
  }
  if (e >= 0) {
    avi.AviSetFrame(e);
  } else {
    avi.AviSetFrame(avi.nTotalFrames - 1);
    state.playListIndex = state.playListCount - 1;
  }
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
    if (state.playListIndex - 1 < 0) break;
    state.playListIndex -= 1;
    if (!OpenSource(playList[static_cast<size_t>(state.playListIndex)].path,
                    state.playListIndex)) {
      DisableTransport();
      return;
    }
    e = avi.AviFindEvent(avi.nTotalFrames - 1, 0);
  }
  avi.AviSetFrame(e >= 0 ? e : 0);
  ShowFrame(true);
  Pause();
}

}  // namespace klv
