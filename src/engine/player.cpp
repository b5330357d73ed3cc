// Construction, the view's mirror of enabling, visibility and placement, and
// opening and closing the movie on show.

#include "engine/player.h"

#include "engine/avi_source.h"
#include "engine/record_dump.h"
#include "engine/recording_time.h"
#include "platform/clock.h"
#include "platform/file_times.h"
#include "platform/format.h"

namespace klv {

using C = ControlId;

Player::Player(PlayerView* view) : view_(view) {
  clock = [] { return TickMs(); };
  recordingTime = [](const std::string& path, int64_t* out) { return RecordingTime(path, out); };
  search_.Searcher().flags = &decoderFlags;
  search_.Searcher().preview = [this](const ReducedBitmapHeader& header, const uint8_t* bits, int index) {
    ShowSearchPreview(header, bits, index);
  };
  for (int i = 0; i < kControlCount; ++i) {
    enabled_[i] = true;
    visible_[i] = true;
    bounds_[i] = DesignedLayout::Bounds(static_cast<ControlId>(i));
  }
  // As designed: the search buttons start disabled, the seek panel holds the
  // progress bar, the deblocking item is hidden until a file opens, one search
  // label shows.
  for (C id : {C::sbSearchBackward, C::sbStopSearch, C::sbSearchForward})
    enabled_[static_cast<int>(id)] = false;
  for (C id : {C::tbWhere, C::Deblock1, C::lblSearchForward, C::lblSearchBackward, C::lblSearchFound,
               C::pnlTimeline})
    visible_[static_cast<int>(id)] = false;
}

Player::~Player() = default;

void Player::Initialize() {
  for (int i = 0; i < kControlCount; ++i) {
    const auto id = static_cast<ControlId>(i);
    view_->SetEnabled(id, enabled_[i]);
    view_->SetVisible(id, visible_[i]);
    // Controls without designed bounds here are placed by the window itself.
    if (bounds_[i].width > 0 || bounds_[i].height > 0) view_->SetBounds(id, bounds_[i]);
  }
  view_->SetTimerEnabled(false);
  view_->SetTimerInterval(33);
  ResetPlayList();
  DisableTransport();
}

void Player::SetDiagnostics(DiagnosticsSink* sink) {
  diag = sink;
  if (AviSource* avi = Avi()) avi->Decoder().SetDiagnostics(sink);  // the raw clock dump
}

const PlayListEntry* Player::Entry(int index) const {
  if (index < 0 || index >= state.playListCount || index >= kMaxPlayList) return nullptr;
  return &playList[static_cast<size_t>(index)];
}

// ---- the view's mirror ------------------------------------------------------------

void Player::Enable(ControlId id, bool on) {
  enabled_[static_cast<int>(id)] = on;
  view_->SetEnabled(id, on);
}

void Player::Show(ControlId id, bool on) {
  visible_[static_cast<int>(id)] = on;
  view_->SetVisible(id, on);
}

void Player::ShowControlsFor(SourceKind kind) {
  Show(C::CameraSettings1, false);
  Show(C::EmbedTimestamp1, false);
  Show(C::Deblock1, true);
  // AVI movies show every group, streams all but the play list, recordings none.
  for (C id : {C::gbMotion, C::gbStats, C::gbPlayRate, C::lblRate}) Show(id, kind == SourceKind::Avi);
  Show(C::gbPlayList, kind != SourceKind::Ztm);
}

void Player::Place(ControlId id, const Rect& r) {
  bounds_[static_cast<int>(id)] = r;
  view_->SetBounds(id, r);
}

void Player::SetSeekPanel(bool seekBar) {
  Rect r = Bounds(C::pnlWhere);
  r.height = seekBar ? DesignedLayout::kSeekPanelHigh : DesignedLayout::kSeekPanelLow;
  Show(seekBar ? C::pbWhere : C::tbWhere, false);
  Place(C::pnlWhere, r);
  Show(seekBar ? C::tbWhere : C::pbWhere, true);
}

void Player::SetPlaying(bool on) {
  state.playing = on;
  // The tick does nothing unless playing; an idle player needs no timer.
  view_->SetTimerEnabled(on && source_ != nullptr && source_->TimerPaced());
}

void Player::MoveBars(int position) {
  state.trackGuard = true;
  view_->SetPosition(C::tbWhere, position);
  view_->SetPosition(C::pbWhere, position);
  state.trackGuard = false;
}

void Player::ReportBadFrame(int index, uint32_t offset) {
  if (diag == nullptr || !diag->Visible()) return;
  diag->AddLine(BadFrameLine(index, offset));
  diag->CountBadFrame();
}

void Player::AddDiagnosticsLine(const std::string& line) {
  if (diag != nullptr && diag->Visible()) diag->AddLine(line);
}

std::function<void(int)> Player::AudioPoster() {
  const uint64_t generation = ++audioGeneration_;
  PlayerView* view = view_;
  return [this, view, generation](int wParam) {
    view->PostToUi([this, generation, wParam] {
      if (generation == audioGeneration_) AudioMessage(wParam);
    });
  };
}

void Player::ZtmRestartCommand() {
  if (state.paused && source_ != nullptr) source_->RestartWhilePaused();
}

void Player::AudioMessage(int wParam) {
  if (source_ != nullptr) source_->AudioMessage(wParam);
}

void Player::ShowQuantiser(int q) {
  if (diagOptions.bShowQuant && diag != nullptr) diag->ShowQuantiser(q);
}

// ---- opening and closing --------------------------------------------------------

void Player::ShowPicture(const FramePicture& p) {
  view_->ShowPicture(&p);
  if (!Visible(C::Image1)) Show(C::Image1, true);
}

void Player::CloseSource() {
  // A search reading this movie has nothing left to read; a run jump is
  // over when the movie on show changes; the timeline's fill stops.
  search_.FileClosed();
  if (runs_.Running()) EndSearchWithoutResult();
  timeline.Cancel();
  view_->ShowMotionTimeline(nullptr);
  source_.reset();  // the view lets go of its picture first
  ++audioGeneration_;  // what its sound still has queued goes nowhere
  state.kind = SourceKind::None;
}

void Player::ClearSourcePanels() {
  // Nothing of the previous movie stays under the new file's name.
  Show(C::Image1, false);
  for (StatusPanel p : {StatusPanel::kPictureSize, StatusPanel::kLength, StatusPanel::kPosition})
    view_->SetStatusPanel(p, "");
  for (C id : {C::lblCapInterval, C::lblElapsedTime, C::lblDate, C::lblTime}) view_->SetText(id, "");
  for (C id : {C::sbSearchForward, C::sbSearchBackward, C::sbStopSearch}) Enable(id, false);
}

bool Player::OpenSource(const std::string& path, int listIndex) {
  OpenFailure failure;
  if (OpenSourceQuietly(path, listIndex, &failure)) return true;
  Tell(failure);
  return false;
}

void Player::Tell(const OpenFailure& failure) {
  if (!failure.errorBox.empty())
    view_->ShowErrorBox("Error", failure.errorBox);
  else
    view_->ShowMessage(failure.kind, failure.reason);
}

bool Player::OpenSourceQuietly(const std::string& path, int listIndex, OpenFailure* failure) {
  CloseSource();
  movieFolder_ = FolderOf(path);
  const std::string name = NameOf(path);
  view_->SetCaption(name);
  view_->SetStatusPanel(StatusPanel::kName, name);
  for (StatusPanel p : {StatusPanel::kPictureSize, StatusPanel::kLength, StatusPanel::kPosition})
    view_->SetStatusPanel(p, "");

  const SourceKind kind = SourceKindOf(path);
  source_ = CreateSource(kind, *this);
  if (source_ == nullptr) {
    // The player stays up: the caller disables the transport.
    *failure = {MessageKind::UnknownFormat, "", ""};
    ClearSourcePanels();
    return false;
  }
  state.kind = kind;
  if (source_->Open(path, listIndex, failure)) {
    StartTimeline(path);
    return true;
  }
  CloseSource();
  ClearSourcePanels();
  return false;
}

bool Player::OpenWalkEntry(int index) {
  const PlayListEntry* e = Entry(index);
  if (e == nullptr) return false;
  state.playListIndex = index;
  return OpenSource(e->path, index);
}

void Player::OpenFilesCommand() {
  std::optional<std::vector<std::string>> files = view_->RunOpenDialog();
  if (!files) return;
  // The chosen files replace the list, and the movie of the old list stops:
  // the new list starts at its first entry.
  if (search_.Running()) EndSearchWithoutResult();
  if (state.playing) Pause();
  state.playListCount = 0;
  state.playListIndex = -1;
  for (const std::string& f : *files) AddToPlayList(f);
  RefreshPlayListBox();
  if (state.playListCount > 0) {
    StartPlayListItem(0);
  } else {
    CloseSource();
    ClearSourcePanels();
    DisableTransport();
  }
}

}  // namespace klv
