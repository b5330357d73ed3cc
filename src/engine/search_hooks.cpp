// Motion search and event navigation: entry points that the motion search
// fills in. Until then the search buttons stay disabled (motionSearchReady).

#include "engine/player.h"

namespace klv {

void Player::StartForwardSearch() {
  state.searching = false;
  Pause();
}

void Player::StartBackwardSearch() {
  state.searching = false;
  Pause();
}

void Player::MotionSearchStop() { stopSearch_ = true; }

void Player::StopSearchCommand() {
  MotionSearchStop();
  state.searchDirection = 0;
  state.searching = false;
  Enable(ControlId::sbSearchForward, true);
  Enable(ControlId::sbSearchBackward, true);
  Pause();
}

}  // namespace klv
