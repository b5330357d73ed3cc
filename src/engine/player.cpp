#include "engine/player.h"

#include "platform/clock.h"
#include "platform/file_times.h"
#include "platform/format.h"

namespace klv {

const char* MessageText(int kind) {
  switch (kind) {
    case 0:
      return "Could not create directory for Camera Settings.  Please make sure you have "
             "selected the USB flash drive and connected it to the PC";
    case 1:
      return "File Not Found";
    case 2:
      return "Unknown Format";
    case 3:
      return "File Does Not Contain Any Frames";
    default:
      return "";
  }
}

const char* ControlName(ControlId id) {
  static constexpr const char* kNames[] = {
      "pnlPlayCtrl", "sbStop",      "sbPause",        "sbBackward",     "sbPrevious",
      "sbNext",      "sbForward",   "sbPrevEvent",    "sbNextEvent",    "ScrollBox1",
      "Image1",      "gbPlayRate",  "tbRate",         "lblRate",        "gbStats",
      "Label3",      "lblCapInterval", "Label4",      "lblElapsedTime", "lblDate",
      "lblTime",     "gbMotion",    "pnlSearch",      "edtMotionThreshold", "sbSearchBackward",
      "sbStopSearch", "sbSearchForward", "gbSeek",    "pnlWhere",       "tbWhere",
      "pbWhere",     "gbPlayList",  "lbPlayList",     "lblFilePath",    "pnlPLControls",
      "bPrevious",   "bSkip",       "bClearPlayList", "StatusBar1",     "SaveCurrent1",
      "CameraSettings1", "EmbedTimestamp1", "Deblock1",
  };
  static_assert(sizeof(kNames) / sizeof(kNames[0]) == kControlCount);
  const int i = static_cast<int>(id);
  return i >= 0 && i < kControlCount ? kNames[i] : "?";
}

SourceKind SourceKindOf(std::string_view path) {
  const size_t slash = path.find_last_of('/');
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const size_t dot = name.find_last_of('.');
  if (dot == std::string_view::npos) return SourceKind::None;
  std::string ext(name.substr(dot));
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  if (ext == ".m4v") return SourceKind::Stream;
  if (ext == ".ztm") return SourceKind::Ztm;
  if (ext == ".avi") return SourceKind::Avi;
  return SourceKind::None;
}

void Player::SetDiagnostics(DiagnosticsSink* sink) {
  diag = sink;
  avi.decoder.diag = sink;  // the camera's raw clock dump
}

Player::Player(PlayerView* view) : view_(view) {
  clock = [] { return TickMs(); };
  creationTime = [](const std::string& path, int64_t* out) { return CreationFileTime(path, out); };
  avi.decoder.flags = &decoderFlags;
  searcher.flags = &decoderFlags;
  searcher.preview = [this](const ReducedBitmapHeader& header, const uint8_t* bits, int index) {
    ShowSearchPreview(&header, bits, index);
  };
  stream.flags = &decoderFlags;
  for (int i = 0; i < kControlCount; ++i) {
    enabled_[i] = true;
    visible_[i] = true;
    bounds_[i] = DesignedLayout::Bounds(static_cast<ControlId>(i));
  }
  // As designed: the search buttons start disabled, the seek panel holds the
  // progress bar, the deblocking item is hidden until a file opens.
  for (ControlId id : {ControlId::sbSearchBackward, ControlId::sbStopSearch,
                       ControlId::sbSearchForward})
    enabled_[static_cast<int>(id)] = false;
  visible_[static_cast<int>(ControlId::tbWhere)] = false;
  visible_[static_cast<int>(ControlId::Deblock1)] = false;
}

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

void Player::Enable(ControlId id, bool on) {
  enabled_[static_cast<int>(id)] = on;
  view_->SetEnabled(id, on);
}

void Player::Show(ControlId id, bool on) {
  visible_[static_cast<int>(id)] = on;
  view_->SetVisible(id, on);
}

void Player::Place(ControlId id, const Rect& r) {
  bounds_[static_cast<int>(id)] = r;
  view_->SetBounds(id, r);
}

void Player::SetSeekPanel(bool seekBar) {
  Rect r = Bounds(ControlId::pnlWhere);
  r.height = seekBar ? DesignedLayout::kSeekPanelHigh : DesignedLayout::kSeekPanelLow;
  if (seekBar) {
    Show(ControlId::pbWhere, false);
    Place(ControlId::pnlWhere, r);
    Show(ControlId::tbWhere, true);
  } else {
    Show(ControlId::pbWhere, true);
    Place(ControlId::pnlWhere, r);
    Show(ControlId::tbWhere, false);
  }
}

void Player::SetPlaying(bool on) {
  state.playing = on;
  // The tick does nothing unless playing; an idle player needs no timer.
  view_->SetTimerEnabled(on && (state.kind == SourceKind::Avi || state.kind == SourceKind::Stream));
}

void Player::MoveBars(int position) {
  state.trackGuard = true;
  view_->SetPosition(ControlId::tbWhere, position);
  view_->SetPosition(ControlId::pbWhere, position);
  state.trackGuard = false;
}

// ---- texts ---------------------------------------------------------------------

std::string FrameLabel(int frameNumber) {
  // The camera software formats "%Frame %d"; its formatter prints the unknown
  // conversion "%F" as the letter F.
  return Format("Frame %d", frameNumber);
}

std::string ElapsedText(int64_t seconds) {
  if (seconds < 0) seconds = 0;
  const long long s = seconds;
  if (s < 86400) return Format("%lld:%2.2lld:%2.2lld", s / 3600, (s / 60) % 60, s % 60);
  return Format("days: %lld\n%lld:%2.2lld:%2.2lld", s / 86400, (s / 3600) % 24, (s / 60) % 60,
                s % 60);
}

std::string EventNumberText(int k, int eventCount) {
  return Format("%d of %d", k + 1, eventCount + 1);
}

std::string CaptureIntervalText(int seconds) {
  return Format("%2.2d:%2.2d:%2.2d", seconds / 3600, (seconds / 60) % 60, seconds % 60);
}

std::string ZoomText(int zoom) {
  if (zoom == 0) return "Zoom = Variable";
  if (zoom >= 100) return Format("Zoom = %d", zoom / 100);
  return Format("Zoom = 0.%d", zoom);
}

std::string SuggestedFrameName(SourceKind kind, int number) {
  switch (kind) {
    case SourceKind::Avi:
      return Format("ztfrm%5.5d", number) + ".jpg";
    case SourceKind::Stream:
      return Format("ztfrm%5.5d", number) + ".bmp";
    case SourceKind::Ztm:
      return Format("ztfrm%6.6x", static_cast<unsigned>(number)) + ".bmp";
    case SourceKind::None:
      break;
  }
  return {};
}

}  // namespace klv
