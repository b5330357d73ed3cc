// .m4v streams: a picture every 66 ms from the window timer, forward only;
// the end pauses with the last two good positions.

#include "engine/stream_source.h"

#include "engine/player.h"
#include "engine/texts.h"
#include "platform/diagnostics.h"
#include "platform/format.h"

namespace klv {

using C = ControlId;

StreamSource::StreamSource(Player& player) : MovieSource(player) {
  decoder_.SetFlags(&player.decoderFlags);
}

StreamSource::~StreamSource() {
  player_.View().ShowPicture(nullptr);
  decoder_.CloseStream();
}

bool StreamSource::Open(const std::string& path, int, OpenFailure* failure) {
  PlayerState& state = player_.state;
  PlayerView& view = player_.View();
  state.busy = true;
  decoder_.SetWindowSizeForTesting(player_.streamWindowForTesting);
  const int size = decoder_.OpenStream(path);
  view.SetTimerEnabled(false);
  player_.ShowControlsFor(SourceKind::Stream);
  player_.LayoutWindow();

  // A stream below 1 KiB has a size of 0 but plays all the same.
  if (size <= 0 && !decoder_.IsOpen()) {
    failure->reason = decoder_.FailReason();
    state.busy = false;  // else the deblocking menu and the seek bar stay dead
    return false;
  }
  state.StartStream(size);
  pictureIndex_ = -1;  // no picture shown since the start
  view.SetStatusPanel(StatusPanel::kPictureSize,
                      Format("%dx%d", decoder_.PictureWidth(), decoder_.PictureHeight()));
  view.SetRange(C::pbWhere, 0, size);
  view.SetPosition(C::pbWhere, 0);
  if (!picture_.Create(decoder_.PictureWidth(), decoder_.BitmapHeight(state.embedTime))) {
    failure->reason = "out of memory";
    state.busy = false;
    return false;
  }
  view.SetTimerInterval(66);
  player_.ApplyZoom();
  state.busy = false;
  return true;
}

bool StreamSource::NextPicture() {
  const DecodedFrame f = decoder_.DecodeNextFrame({&picture_});
  player_.state.streamPos = f.position;
  quantiser_ = f.quantiser;
  return f.Shown();
}

void StreamSource::Shown() {
  player_.ShowQuantiser(quantiser_);
  pictureIndex_ += 1;
  player_.View().SetStatusPanel(StatusPanel::kPosition, FrameLabel(pictureIndex_ + 1));
}

MoveResult StreamSource::Tick() {
  PlayerState& state = player_.state;
  if (!NextPicture()) {
    player_.Pause();
    player_.View().SetStatusPanel(StatusPanel::kInfo,
                                  Format("Last 2 good at = 0x%x, 0x%x", state.lastGood2, state.lastGood1));
    return MoveResult::kMoved;
  }
  Shown();
  if (decoder_.skippedBytes() > 0) {
    state.bhcCount += 1;
    player_.AddDiagnosticsLine(Format("Frm %d, BHC = %d", pictureIndex_, state.bhcCount));
  }
  player_.View().SetPosition(C::pbWhere, state.streamPos);
  player_.ShowPicture(picture_);
  state.lastGood2 = state.lastGood1;
  state.lastGood1 = state.streamPos;
  return MoveResult::kMoved;
}

void StreamSource::Play(int) {
  // Streams play forward only: Play Backward stays off.
  player_.Enable(C::sbBackward, false);
  decoder_.ResetDeblockStats();
  player_.SetPlaying(true);
}

void StreamSource::Pause() {
  for (C id : {C::sbBackward, C::sbSearchBackward, C::sbPrevEvent, C::sbPrevious, C::sbForward,
               C::sbNextEvent, C::sbSearchForward})
    player_.Enable(id, false);
  player_.Enable(C::sbNext, true);
  player_.Enable(C::sbForward, true);
}

void StreamSource::Stop() {
  PlayerView& view = player_.View();
  if (decoder_.RewindStream() && NextPicture()) {
    pictureIndex_ = 0;
    view.SetStatusPanel(StatusPanel::kPosition, FrameLabel(1));
    view.SetPosition(C::pbWhere, player_.state.streamPos);
    player_.ShowPicture(picture_);
    player_.AddDiagnosticsLine("Stopped");
    player_.AddDiagnosticsLine(Format("Def, filt = %d", decoder_.deblockStats().defaultFiltered));
    player_.AddDiagnosticsLine(Format("DC,  filt = %d", decoder_.deblockStats().dcFiltered));
  }
  player_.Enable(C::sbForward, true);
  player_.Enable(C::sbNext, true);
  player_.Enable(C::sbStop, false);
}

MoveResult StreamSource::StepForward() {
  if (NextPicture()) {
    Shown();
    player_.ShowPicture(picture_);
  }
  return MoveResult::kMoved;
}

void StreamSource::EnterByStep(int) {
  // From either neighbour: the stream's first picture, with a stream's buttons.
  player_.state.trackGuard = false;
  player_.Pause();
  StepForward();
}

bool StreamSource::TakeFrame(bool, SavedFrame* out) const {
  if (picture_.Empty()) return false;
  out->suggestedName = SuggestedFrameName(SourceKind::Stream, pictureIndex_ + 1);
  out->picture = picture_;
  return true;
}

}  // namespace klv
