// Commands beside the transport buttons, for the keys and the mouse: play and
// pause as one, the first and the last frame, and going to a frame chosen on
// the motion timeline. Each takes the path of the button or of the seek bar it
// stands for, so that the buttons follow as they do after those.

#include <algorithm>

#include "engine/avi_source.h"
#include "engine/player.h"

namespace klv {

using C = ControlId;

bool Player::PlayPauseCommand() {
  if (search_.Running() || runs_.Running()) return false;
  if (Enabled(C::sbPause)) {
    Pause();
    return true;
  }
  // On the way it last played; forward when that way is closed.
  const int direction = state.direction < 0 && Enabled(C::sbBackward) ? -1 : 1;
  if (!Enabled(direction < 0 ? C::sbBackward : C::sbForward)) return false;
  Play(direction);
  return true;
}

bool Player::GoToFrame(int frame) {
  AviSource* avi = Avi();
  // Only while the seek bar itself could be moved: paused or stopped.
  if (avi == nullptr || state.busy || !Visible(C::tbWhere) || search_.Running() || runs_.Running())
    return false;
  frame = std::clamp(frame, 0, std::max(0, avi->TotalFrames() - 1));
  state.trackGuard = true;
  avi->Seek(frame);
  state.trackGuard = false;
  MoveBars(frame);
  return true;
}

bool Player::FirstFrameCommand() {
  if (Avi() != nullptr) return GoToFrame(0);
  // Streams go back to their first picture the way Stop takes them there.
  if (source_ == nullptr || state.playing || !Enabled(C::sbStop)) return false;
  Stop();
  return true;
}

bool Player::LastFrameCommand() {
  const AviSource* avi = Avi();
  return avi != nullptr && GoToFrame(avi->TotalFrames() - 1);
}

}  // namespace klv
