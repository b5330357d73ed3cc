// AVI movies: JPEG frames by index, paced by the window timer, with frame
// skipping when decoding is slower than the chosen rate.

#include "engine/avi_source.h"

#include <algorithm>

#include "engine/player.h"
#include "engine/record_dump.h"
#include "engine/stamp.h"
#include "engine/texts.h"
#include "platform/format.h"

namespace klv {

using C = ControlId;

AviSource::AviSource(Player& player) : MovieSource(player) {
  decoder_.SetFlags(&player.decoderFlags);
  decoder_.SetDiagnostics(player.diag);  // the camera's raw clock dump
}

AviSource::~AviSource() {
  player_.View().ShowPicture(nullptr);
  reader_.AviClose();
  decoder_.ReleasePlanes();
}

bool AviSource::Open(const std::string& path, int listIndex, OpenFailure* failure) {
  PlayerState& state = player_.state;
  PlayerView& view = player_.View();
  const AviOpenStatus status = reader_.AviOpen(path, decoder_);
  if (status != AviOpenStatus::kOk) {
    failure->kind = reader_.TotalFrames() != 0 ? MessageKind::NotFound : MessageKind::NoFrames;
    failure->reason = AviOpenStatusText(status);
    return false;
  }
  if (!decoder_.AllocatePlanes(reader_.Width(), reader_.Height())) {
    failure->reason = AviOpenStatusText(AviOpenStatus::kOutOfMemory);
    return false;
  }
  nCurFrame = 0;
  if (!picture_.Create(reader_.Width(), reader_.Height())) {
    failure->reason = AviOpenStatusText(AviOpenStatus::kOutOfMemory);
    return false;
  }

  player_.ShowControlsFor(SourceKind::Avi);
  state.busy = true;
  player_.Enable(C::EmbedTimestamp1, false);

  view.SetText(C::lblCapInterval, CaptureIntervalText(reader_.CapInterval()));
  view.SetStatusPanel(StatusPanel::kPictureSize, Format("%dx%d", reader_.Width(), reader_.Height()));
  view.SetStatusPanel(StatusPanel::kLength, Format("Frames = %d", reader_.TotalFrames()));

  if (state.firstFile) {
    state.rate = AviPlayRate(reader_.Rate(), reader_.CapInterval());
    view.SetPosition(C::tbRate, 30 - state.rate);
    view.SetText(C::lblRate, Format("%d", state.rate));
    state.zoom = 100;
    player_.RecomputeTimer();
    state.firstFile = false;
  }
  if (reader_.Width() >= 1280) state.zoom = 50;
  player_.ApplyZoom();
  player_.LayoutWindow();

  const int last = reader_.TotalFrames() - 1;
  view.SetRange(C::pbWhere, 0, last);
  view.SetRange(C::tbWhere, 0, last);
  view.SetTickFrequency(C::tbWhere, reader_.TotalFrames() / 100);

  Rect panel = player_.Bounds(C::pnlPlayCtrl);
  panel.width = (reader_.EventMode() ? player_.Bounds(C::sbNextEvent).Right()
                                     : player_.Bounds(C::sbForward).Right()) + 5;
  player_.Place(C::pnlPlayCtrl, panel);
  player_.LayoutWindow();  // the panel is centred by its width

  view.ShowStatsCaptions(reader_.EventMode() ? StatsCaptions::kEvent : StatsCaptions::kInterval);
  view.SelectListItem(listIndex);
  state.busy = false;
  return true;
}

bool AviSource::AviStepFrame(int delta) {
  int64_t next = static_cast<int64_t>(nCurFrame) + delta;
  next = std::clamp<int64_t>(next, 0, std::max(0, reader_.TotalFrames() - 1));
  if (next == nCurFrame) return false;
  nCurFrame = static_cast<int>(next);
  return true;
}

void AviSource::DrawOverlays() {
  std::string date, time;
  DrawAviOverlays(reader_, decoder_.TimeStamp(), picture_, player_.state.elapsedSeconds,
                  player_.state.embedTime, &date, &time);
  player_.View().SetText(C::lblDate, date);
  player_.View().SetText(C::lblTime, time);
}

// The camera's record of the frame on show, for the diagnostics window.
void AviSource::DumpRecord(int index) {
  const DiagnosticsOptions& o = player_.diagOptions;
  DiagnosticsSink* diag = player_.diag;
  if (player_.settings.ShowDiags == 0 || !(o.bShowExpo || o.bShowTimes) || diag == nullptr ||
      !diag->Visible())
    return;
  const std::vector<std::string> lines =
      CameraRecordDump(index, decoder_.Record(), decoder_.RecordPresent(), reader_.Clock(),
                       decoder_.FrameIntervalMs(), o.bShowExpo, o.bShowTimes, &player_.recordDumpInterval);
  for (const std::string& line : lines) diag->AddLine(line);
  if (!lines.empty()) diag->ShowLastLines(kRecordDumpScrollLines);
}

void AviSource::ShowFrame(bool updateBars) {
  PlayerState& state = player_.state;
  PlayerView& view = player_.View();
  const int index = nCurFrame;
  state.elapsedSeconds = reader_.ElapsedSeconds(index);
  uint32_t offset = 0;
  bool ok = reader_.AviReadFrame(index, &offset) == 0;
  const int64_t start = player_.clock();
  if (ok) {
    const std::span<const uint8_t> bytes = reader_.FrameBytes();
    ok = decoder_.DecodeFrame(bytes.data(), bytes.size(), picture_, index).Ok();
  }
  if (ok) {
    const int64_t decoded = player_.clock();
    DrawOverlays();
    player_.ShowPicture(picture_);
    DumpRecord(index);
    if (DiagnosticsSink* diag = player_.diag; diag != nullptr && diag->Visible())
      diag->ShowFrameTimes(static_cast<int>(decoded - start), static_cast<int>(player_.clock() - decoded));
  } else if (index < reader_.TotalFrames()) {
    player_.ReportBadFrame(index, offset);
  }
  state.decodeTime = static_cast<int>(player_.clock() - start);

  view.SetStatusPanel(StatusPanel::kPosition, FrameLabel(index + 1));
  if (reader_.EventMode()) {
    const std::vector<int>& events = reader_.EventFrames();
    const int k = static_cast<int>(
        std::count_if(events.begin(), events.end(), [index](int e) { return e <= index; }));
    view.SetText(C::lblElapsedTime, EventNumberText(k, reader_.EventCount()));
  } else {
    view.SetText(C::lblElapsedTime, ElapsedText(state.elapsedSeconds));
  }
  if (updateBars) player_.MoveBars(index);
}

MoveResult AviSource::Tick() {
  const PlayerState& state = player_.state;
  if (state.step == 0) return MoveResult::kMoved;
  if (!AviStepFrame(state.step * state.direction)) return MoveResult::kAtEnd;
  ShowFrame(true);
  return MoveResult::kMoved;
}

void AviSource::Play(int) { player_.SetPlaying(true); }

void AviSource::Pause() {
  player_.SetSeekPanel(true);
  const bool notFirst = nCurFrame != 0;
  for (C id : {C::sbBackward, C::sbSearchBackward, C::sbPrevEvent, C::sbPrevious})
    player_.Enable(id, notFirst);
  const bool notLast = reader_.TotalFrames() != nCurFrame + 1;
  for (C id : {C::sbNext, C::sbForward, C::sbNextEvent, C::sbSearchForward}) player_.Enable(id, notLast);
}

void AviSource::Stop() {
  AviSetFrame(0);
  ShowFrame(true);
  for (C id : {C::sbPrevEvent, C::sbNextEvent, C::sbForward, C::sbNext}) player_.Enable(id, true);
  player_.Enable(C::sbStop, false);
}

MoveResult AviSource::StepForward() {
  player_.state.trackGuard = true;
  if (nCurFrame + 1 >= reader_.TotalFrames() && player_.HasNeighbour(+1)) return MoveResult::kAtEnd;
  AviStepFrame(1);
  if (nCurFrame == 1) player_.Enable(C::sbPrevious, true);
  if (nCurFrame + 1 == reader_.TotalFrames()) player_.Enable(C::sbNext, false);
  ShowFrame(true);
  return MoveResult::kMoved;
}

MoveResult AviSource::StepBackward() {
  const bool earlier = player_.HasNeighbour(-1);
  if (nCurFrame == 0 && earlier) return MoveResult::kAtEnd;
  AviStepFrame(-1);
  if (nCurFrame == 0 && !earlier) {
    player_.Enable(C::sbPrevious, false);
    player_.Enable(C::sbBackward, false);
  }
  if (reader_.TotalFrames() == nCurFrame + 2) {
    player_.Enable(C::sbNext, true);
    player_.Enable(C::sbForward, true);
  }
  ShowFrame(true);
  return MoveResult::kMoved;
}

void AviSource::EnterByStep(int direction) {
  AviSetFrame(direction > 0 ? 0 : reader_.TotalFrames() - 1);
  ShowFrame(true);
}

void AviSource::Seek(int position) {
  AviSetFrame(std::clamp(position, 0, std::max(0, reader_.TotalFrames() - 1)));
  ShowFrame(false);
  for (C id : {C::sbNext, C::sbForward, C::sbSearchForward}) player_.Enable(id, true);
  for (C id : {C::sbBackward, C::sbSearchBackward, C::sbPrevious}) player_.Enable(id, position != 0);
}

bool AviSource::TakeFrame(bool, SavedFrame* out) const {
  // The bytes of the frame read last, which is the frame on display.
  const std::span<const uint8_t> bytes = reader_.FrameBytes();
  out->suggestedName = SuggestedFrameName(SourceKind::Avi, nCurFrame + 1);
  out->bytes.assign(bytes.begin(), bytes.end());
  return true;
}

}  // namespace klv
