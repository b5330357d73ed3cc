// The play list: up to 25 movies in the order of their creation, walked by
// playback, steps and the list's own buttons.

#include <limits>

#include "engine/avi_source.h"
#include "engine/player.h"

namespace klv {

using C = ControlId;

void Player::AddToPlayList(const std::string& path) {
  if (SourceKindOf(path) == SourceKind::None || state.playListCount >= kMaxPlayList) return;
  int64_t created = 0;
  // A file whose times cannot be read sorts after every other.
  if (!recordingTime(path, &created)) created = std::numeric_limits<int64_t>::max();
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
  if (state.playing && state.playListIndex >= 0 && at <= state.playListIndex) state.playListIndex += 1;
}

void Player::RefreshPlayListBox() {
  std::vector<std::string> lines;
  lines.reserve(static_cast<size_t>(state.playListCount));
  for (int i = 0; i < state.playListCount; ++i) lines.push_back(NameOf(playList[static_cast<size_t>(i)].path));
  view_->SetListItems(lines);
  view_->SelectListItem(state.playListIndex);
}

void Player::StartPlayListItem(int index) { StartEntry(index, false); }

void Player::StartEntry(int index, bool unattended) {
  // An empty list has nothing to open: files of unaccepted kinds never got in.
  if (state.playListCount == 0) return;
  // A search under way goes on in the entry opened, in its direction.
  const int searchDirection = SearchDirection();
  if (state.playing) Stop();
  for (int tried = 1;; ++tried) {
    if (index >= state.playListCount) index = 0;
    if (index < 0) index = state.playListCount - 1;
    state.playListIndex = index;
    view_->SelectListItem(index);
    const std::string& path = playList[static_cast<size_t>(index)].path;
    OpenFailure failure;
    if (OpenSourceQuietly(path, index, &failure)) break;
    if (!unattended || tried >= state.playListCount) {
      Tell(failure);
      DisableTransport();
      if (searchDirection != 0) EndSearchWithoutResult();
      return;
    }
    // A card with one damaged movie plays through: the run goes on past it.
    view_->ShowSkipped(NameOf(path), failure.reason.empty() ? failure.errorBox : failure.reason);
    index += state.direction < 0 ? -1 : 1;
  }
  if (searchDirection != 0) {
    if (searchDirection < 0) {
      if (AviSource* avi = Avi()) avi->AviSetFrame(avi->TotalFrames() - 1);
      StartBackwardSearch();
    } else {
      StartForwardSearch();
    }
    return;
  }
  if (AviSource* avi = Avi()) {
    if (state.direction < 0) avi->AviSeekEnd();
    Play(state.direction);
  } else {
    Play(1);
  }
}

void Player::ResetPlayList() {
  CloseSource();
  state.playListCount = 0;
  state.playListIndex = -1;
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
  if (search_.Running()) EndSearchWithoutResult();
  Stop();
  ResetPlayList();
  view_->SetStatusPanel(StatusPanel::kName, "[none]");
  for (StatusPanel p : {StatusPanel::kPictureSize, StatusPanel::kLength, StatusPanel::kPosition})
    view_->SetStatusPanel(p, "");
  SetSeekPanel(false);
  for (C id : {C::sbSearchForward, C::sbSearchBackward, C::sbStopSearch}) Enable(id, false);
  view_->SetCaption("[none]");
  Enable(C::EmbedTimestamp1, true);
  Show(C::Image1, false);
}

void Player::PlayListDoubleClick(int selectedLine) {
  if (selectedLine < 0) return;
  // The running search stops where it is; opening the chosen entry replaces
  // its file, and the search goes on there.
  if (search_.Running()) MotionSearchStop();
  StartPlayListItem(selectedLine);
}

void Player::PlayListMouseMove(int x, int y, int itemHeight, int topIndex, int boxWidth,
                               int boxHeight) {
  view_->SetHintDelays(500, 2500);
  const int index = (itemHeight > 0 ? y / itemHeight : 0) + topIndex;
  const PlayListEntry* e = Entry(index);
  if (e == nullptr || x < 4 || x > boxWidth - 16 || y < 4 || y > boxHeight - 4) {
    view_->SetText(C::lblFilePath, "");
  } else {
    view_->SetText(C::lblFilePath, e->path);
  }
}

void Player::PlayListExit() { view_->SetText(C::lblFilePath, ""); }

}  // namespace klv
