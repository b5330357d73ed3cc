// Opening a movie by its kind, closing it, and the File > Open command.

#include <algorithm>

#include "engine/player.h"
#include "platform/format.h"

namespace klv {
namespace {

// Folder (with its trailing separator) and name of a path.
void SplitPath(const std::string& path, std::string* folder, std::string* name) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) {
    folder->clear();
    *name = path;
  } else {
    *folder = path.substr(0, slash + 1);
    *name = path.substr(slash + 1);
  }
}

}  // namespace

void Player::ShowPicture(const FramePicture& p) {
  view_->ShowPicture(&p);
  if (!Visible(ControlId::Image1)) Show(ControlId::Image1, true);
}

void Player::CloseSource() {
  // A search running on this file has nothing left to read.
  AbandonSearch();
  view_->ShowPicture(nullptr);
  switch (state.kind) {
    case SourceKind::Avi:
      avi.AviClose();
      break;
    case SourceKind::Stream:
      stream.CloseStream();
      break;
    case SourceKind::Ztm:
      // The .ztm reader and its ring close here once they exist.
      break;
    case SourceKind::None:
      break;
  }
  picture.Release();
  state.kind = SourceKind::None;
}

bool Player::OpenSource(const std::string& path, int listIndex) {
  CloseSource();
  std::string name;
  SplitPath(path, &movieFolder_, &name);
  view_->SetCaption(name);
  view_->SetStatusPanel(0, name);

  state.kind = SourceKindOf(path);
  bool ok = false;
  switch (state.kind) {
    case SourceKind::Avi:
      ok = OpenAviSource(path, listIndex);
      break;
    case SourceKind::Stream:
      ok = OpenStreamSource(path);
      break;
    case SourceKind::Ztm:
      ok = OpenZtmSource(path);
      break;
    case SourceKind::None:
      // The player stays up: the caller disables the transport.
      view_->ShowMessage(MessageKind::UnknownFormat);
      break;
  }
  if (!ok) CloseSource();
  return ok;
}

bool Player::OpenAviSource(const std::string& path, int listIndex) {
  if (avi.AviOpen(path) != 0) {
    view_->ShowMessage(avi.nTotalFrames != 0 ? MessageKind::NotFound : MessageKind::NoFrames);
    return false;
  }
  if (!picture.Create(avi.nImageWidth, avi.nImageHeight)) return false;

  Show(ControlId::CameraSettings1, false);
  Show(ControlId::EmbedTimestamp1, false);
  Show(ControlId::Deblock1, true);
  state.busy = true;
  Enable(ControlId::EmbedTimestamp1, false);
  Show(ControlId::gbMotion, true);
  Show(ControlId::gbStats, true);
  Show(ControlId::gbPlayRate, true);
  Show(ControlId::lblRate, true);

  view_->SetText(ControlId::lblCapInterval, CaptureIntervalText(avi.nCapInterval));
  view_->SetStatusPanel(1, Format("%dx%d", avi.nImageWidth, avi.nImageHeight));
  view_->SetStatusPanel(2, Format("Frames = %d", avi.nTotalFrames));

  if (state.firstFile) {
    // A capture interval of 0 is taken as 1 second; the speed bar holds 1-30.
    const int interval = std::max(1, avi.nCapInterval);
    state.rate = std::clamp(avi.nAviRate / interval, 0, 30);
    view_->SetPosition(ControlId::tbRate, 30 - state.rate);
    view_->SetText(ControlId::lblRate, Format("%d", state.rate));
    state.zoom = 100;
    RecomputeTimer();
    state.firstFile = false;
  }
  if (avi.nImageWidth >= 1280) state.zoom = 50;
  ApplyZoom();
  LayoutWindow();

  const int last = avi.nTotalFrames - 1;
  view_->SetRange(ControlId::pbWhere, 0, last);
  view_->SetRange(ControlId::tbWhere, 0, last);
  view_->SetTickFrequency(ControlId::tbWhere, avi.nTotalFrames / 100);

  Rect panel = Bounds(ControlId::pnlPlayCtrl);
  panel.width = (avi.bEventMode ? Bounds(ControlId::sbNextEvent).Right()
                                : Bounds(ControlId::sbForward).Right()) + 5;
  Place(ControlId::pnlPlayCtrl, panel);
  LayoutWindow();  // the panel is centred by its width

  if (language == 1)
    view_->SetText(ControlId::Label3, avi.bEventMode ? "Shutdown Delay" : "Capture Interval");

  view_->SelectListItem(listIndex);
  state.busy = false;
  return true;
}

bool Player::OpenStreamSource(const std::string& path) {
  state.busy = true;
  const int size = stream.OpenStream(path);
  view_->SetTimerEnabled(false);
  Show(ControlId::CameraSettings1, false);
  Show(ControlId::EmbedTimestamp1, false);
  Show(ControlId::Deblock1, true);
  for (ControlId id : {ControlId::gbMotion, ControlId::gbStats, ControlId::gbPlayRate, ControlId::lblRate})
    Show(id, false);
  Show(ControlId::gbPlayList, true);  // after a .ztm file, which hides it
  LayoutWindow();

  // A stream below 1 KiB has a size of 0 but plays all the same.
  if (size <= 0 && !stream.IsOpen()) {
    view_->ShowMessage(MessageKind::NotFound);
    state.busy = false;  // else the deblocking menu and the seek bar stay dead
    return false;
  }
  state.streamSizeKiB = size;
  state.streamPos = 0;
  state.lastGood1 = 0;
  state.lastGood2 = 0;
  state.bhcCount = 0;
  avi.nCurFrame = -1;  // no picture shown since the rewind
  view_->SetRange(ControlId::pbWhere, 0, size);
  view_->SetPosition(ControlId::pbWhere, 0);
  if (!picture.Create(stream.PictureWidth(), stream.BitmapHeight(state.embedTime))) {
    state.busy = false;
    return false;
  }
  view_->SetTimerInterval(66);
  ApplyZoom();
  state.busy = false;
  return true;
}

bool Player::OpenZtmSource(const std::string& path) {
  // The .ztm reader and its audio plug in here; until then it cannot be played.
  view_->ShowErrorBox("Error", Format("Error opening %s", path.c_str()));
  return false;
}

void Player::OpenFilesCommand() {
  std::optional<std::vector<std::string>> files = view_->RunOpenDialog();
  if (!files) return;
  state.playListCount = 0;
  for (const std::string& f : *files) AddToPlayList(f);
  RefreshPlayListBox();
  if (!state.playing) StartPlayListItem(0);
}

}  // namespace klv
