// The play list: up to 25 movies in the order of their creation, walked by
// playback, steps and the list's own buttons.

#include <limits>

#include "engine/player.h"

namespace klv {

using C = ControlId;

namespace {

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

void Player::AddToPlayList(const std::string& path) {
  if (SourceKindOf(path) == SourceKind::None || state.playListCount >= kMaxPlayList) return;
  int64_t created = 0;
  // A file whose times cannot be read sorts after every other.
  if (!creationTime(path, &created)) created = std::numeric_limits<int64_t>::max();
  for (int i = 0; i < state.playListCount; ++i)
    if (playList[static_cast<size_t>(i)].path == path) return;

  int at = state.playListCount;
  for (int i = 0; i < state.playListCount; ++i) {
    if (playList[static_cast<size_t>(i)].created >= created) {
      at = i;
      break;
    }
  }
  for (int i = state.playListCount; i > at; --i)
    playList[static_cast<size_t>(i)] = std::move(playList[static_cast<size_t>(i - 1)]);
  playList[static_cast<size_t>(at)] = PlayListEntry{path, created};
  state.playListCount += 1;
  // The playing movie keeps playing under its new index.
  if (state.playing && at <= state.playListIndex) state.playListIndex += 1;
}

void Player::RefreshPlayListBox() {
  std::vector<std::string> lines;
  lines.reserve(static_cast<size_t>(state.playListCount));
  for (int i = 0; i < state.playListCount; ++i)
    lines.push_back(BaseName(playList[static_cast<size_t>(i)].path));
  view_->SetListItems(lines);
  view_->SelectListItem(state.playListIndex);
}

void Player::StartPlayListItem(int index) {
  // An empty list has nothing to open: files of unaccepted kinds never got in.
  if (state.playListCount == 0) return;
  if (state.playing) Stop();
  if (index >= state.playListCount) index = 0;
  if (index < 0) index = state.playListCount - 1;
  state.playListIndex = index;
  view_->SelectListItem(index);
  if (!OpenSource(playList[static_cast<size_t>(index)].path, index)) {
    DisableTransport();
    if (state.searching) EndSearchWithoutResult();
    return;
  }
  if (state.searching) {
    if (state.searchDirection < 0) {
      avi.AviSetFrame(avi.nTotalFrames - 1);
      StartBackwardSearch();
    } else {
      StartForwardSearch();
    }
    return;
  }
  if (state.kind == SourceKind::Avi) {
    if (state.direction < 0) avi.AviSeekEnd();
    Play(state.direction);
  } else {
    Play(1);
  }
}

void Player::ResetPlayList() {
  CloseSource();
  state.playListCount = 0;
  state.firstFile = true;
  state.direction = 1;
  DisableTransport();
  view_->SetListItems({});
}

void Player::PreviousCommand() {
  if (state.playListIndex - 1 < 0) {
    view_->Beep();
    return;
  }
  StartPlayListItem(state.playListIndex - 1);
}

void Player::NextCommand() {
  if (state.playListIndex + 1 >= state.playListCount) {
    view_->Beep();
    return;
  }
  StartPlayListItem(state.playListIndex + 1);
}

void Player::ClearCommand() {
  // A search has no list left to walk.
  if (state.searching) EndSearchWithoutResult();
  Stop();
  ResetPlayList();
  view_->SetStatusPanel(0, "[none]");
  for (int panel = 1; panel <= 3; ++panel) view_->SetStatusPanel(panel, "");
  SetSeekPanel(false);
  for (C id : {C::sbSearchForward, C::sbSearchBackward, C::sbStopSearch}) Enable(id, false);
  view_->SetCaption("[none]");
  Enable(C::EmbedTimestamp1, true);
  Show(C::Image1, false);
}

void Player::PlayListDoubleClick(int selectedLine) {
  if (selectedLine < 0) return;
  // The running search stops where it is; opening the chosen entry replaces
  // its file, and with `searching` still set the search goes on there.
  if (state.searching) MotionSearchStop();
  StartPlayListItem(selectedLine);
}

void Player::PlayListMouseMove(int x, int y, int itemHeight, int topIndex, int boxWidth,
                               int boxHeight) {
  view_->SetHintDelays(500, 2500);
  const int index = (itemHeight > 0 ? y / itemHeight : 0) + topIndex;
  if (index > state.playListCount - 1 || index < 0 || x < 4 || x > boxWidth - 16 || y < 4 ||
      y > boxHeight - 4) {
    view_->SetText(C::lblFilePath, "");
  } else {
    view_->SetText(C::lblFilePath, playList[static_cast<size_t>(index)].path);
  }
}

void Player::PlayListExit() { view_->SetText(C::lblFilePath, ""); }

}  // namespace klv
