// The playback clock: the timer, play, pause, stop, steps, seeking, the speed
// bar, and which transport buttons each state allows.

#include <algorithm>

#include "engine/player.h"
#include "platform/diagnostics.h"
#include "platform/format.h"

namespace klv {

using C = ControlId;

void Player::RecomputeTimer() {
  if (state.rate == 0) {
    state.step = 0;
    state.direction = 0;
    return;
  }
  if (state.decodeTime == -1) state.decodeTime = 100;
  state.frameInterval = 1000 / state.rate;
  state.step = state.decodeTime / state.frameInterval;
  if (state.step == 0) state.step = 1;
  view_->SetTimerInterval(std::max(state.frameInterval, state.decodeTime));
}

void Player::TimerTick() {
  if (!state.playing) return;
  switch (state.kind) {
    case SourceKind::Avi:
      if (state.step == 0) return;
      if (avi.AviStepFrame(state.step * state.direction) == -1) {
        // An end of the file: the play list moves on in the playing direction.
        state.playListIndex += state.direction;
        StartPlayListItem(state.playListIndex);
      } else {
        ShowFrame(true);
      }
      break;
    case SourceKind::Stream:
      if (!NextStreamPicture()) {
        Pause();
        view_->SetStatusPanel(4, Format("Last 2 good at = 0x%x, 0x%x", state.lastGood2, state.lastGood1));
        return;
      }
      avi.nCurFrame += 1;
      if (stream.skippedBytes() > 0) {
        state.bhcCount += 1;
        if (diag != nullptr && diag->Visible())
          diag->AddLine(Format("Frm %d, BHC = %d", avi.nCurFrame, state.bhcCount));
      }
      view_->SetStatusPanel(3, FrameLabel(avi.nCurFrame + 1));
      view_->SetPosition(C::pbWhere, state.streamPos);
      ShowPicture(picture);
      state.lastGood2 = state.lastGood1;
      state.lastGood1 = state.streamPos;
      break;
    case SourceKind::Ztm:
    case SourceKind::None:
      break;
  }
}

bool Player::NextStreamPicture() {
  int quantiser = 0;
  state.streamPos = stream.DecodeNextFrame(&picture, nullptr, false, false, nullptr, &quantiser);
  // A picture that ends inside the first KiB is at position 0 but decoded.
  return state.streamPos > 0 || (state.streamPos == 0 && stream.lastPictureDecoded());
}

void Player::ReportBadFrame(int index, uint32_t offset) {
  if (diag == nullptr || !diag->Visible() || index >= avi.nTotalFrames) return;
  diag->AddLine(Format("%5d: %8.8x", index + 1, offset));
}

void Player::ShowFrame(bool updateBars) {
  if (state.kind != SourceKind::Avi) return;
  const int index = avi.nCurFrame;
  state.elapsedSeconds = avi.ElapsedSeconds(index);
  uint32_t offset = 0;
  bool ok = avi.AviReadFrame(index, &offset) == 0;
  const int64_t start = clock();
  if (ok) {
    int interval = -1;
    ok = avi.decoder.DecodeFrame(avi.pFrameBuffer.data(), static_cast<size_t>(avi.nLastFrameSize),
                                 picture, index, &interval) == 0;
  }
  if (ok) {
    DrawOverlays(picture);
    ShowPicture(picture);
  } else {
    ReportBadFrame(index, offset);
  }
  state.decodeTime = static_cast<int>(clock() - start);

  view_->SetStatusPanel(3, FrameLabel(index + 1));
  if (avi.bEventMode) {
    const int k = static_cast<int>(
        std::count_if(avi.pnEventFrames.begin(), avi.pnEventFrames.end(),
                      [index](int e) { return e <= index; }));
    view_->SetText(C::lblElapsedTime, EventNumberText(k, avi.nEventCount));
    if (language == 1) view_->SetText(C::Label4, "Event Number");
  } else {
    if (language == 1) view_->SetText(C::Label4, "Elapsed Time");
    view_->SetText(C::lblElapsedTime, ElapsedText(state.elapsedSeconds));
  }
  if (updateBars) MoveBars(index);
}

void Player::Play(int direction) {
  state.direction = direction;
  if (direction == -1) {
    Enable(C::sbBackward, false);
    Enable(C::sbForward, true);
  } else {
    Enable(C::sbForward, false);
    Enable(C::sbBackward, true);
  }
  SetSeekPanel(false);
  for (C id : {C::sbNext, C::sbPrevious, C::sbSearchForward, C::sbSearchBackward,
               C::sbStopSearch, C::sbPrevEvent, C::sbNextEvent})
    Enable(id, false);
  Enable(C::sbPause, true);
  Enable(C::sbStop, true);
  state.bhcCount = 0;
  if (state.kind == SourceKind::Ztm) {
    // Audio-paced playback comes with the .ztm reader.
    Enable(C::sbBackward, false);
  } else {
    // Streams play forward only: Play Backward stays off for them.
    if (state.kind == SourceKind::Stream) Enable(C::sbBackward, false);
    stream.ResetDeblockStats();
    SetPlaying(true);
  }
  view_->BringToFront();
  state.paused = false;
}

void Player::Pause() {
  state.paused = true;
  switch (state.kind) {
    case SourceKind::Avi: {
      SetSeekPanel(true);
      const bool notFirst = avi.nCurFrame != 0;
      for (C id : {C::sbBackward, C::sbSearchBackward, C::sbPrevEvent, C::sbPrevious})
        Enable(id, notFirst);
      const bool notLast = avi.nTotalFrames != avi.nCurFrame + 1;
      for (C id : {C::sbNext, C::sbForward, C::sbNextEvent, C::sbSearchForward})
        Enable(id, notLast);
      break;
    }
    case SourceKind::Stream:
      for (C id : {C::sbBackward, C::sbSearchBackward, C::sbPrevEvent, C::sbPrevious,
                   C::sbForward, C::sbNextEvent, C::sbSearchForward})
        Enable(id, false);
      Enable(C::sbNext, true);
      Enable(C::sbForward, true);
      break;
    case SourceKind::Ztm:
      for (C id : {C::sbBackward, C::sbSearchBackward, C::sbPrevEvent, C::sbNextEvent,
                   C::sbSearchForward})
        Enable(id, false);
      Enable(C::sbNext, true);
      Enable(C::sbForward, true);
      Enable(C::sbPrevious, true);
      SetSeekPanel(true);
      if (state.streamPos < 1) {
        view_->SetPosition(C::tbWhere, state.lastGood1 / 16);
        Enable(C::sbForward, false);
        Enable(C::sbNext, false);
        Enable(C::sbStop, true);
      } else {
        view_->SetPosition(C::tbWhere, state.streamPos / 16);
      }
      break;
    case SourceKind::None:
      break;
  }
  Enable(C::sbStopSearch, false);
  Enable(C::sbPause, false);
  SetPlaying(false);
}

void Player::Stop() {
  if (state.playing) {
    SetPlaying(false);
    Pause();
  }
  for (C id : {C::sbBackward, C::sbPrevious, C::sbSearchForward, C::sbSearchBackward,
               C::sbStopSearch})
    Enable(id, false);
  switch (state.kind) {
    case SourceKind::Avi:
      avi.AviSetFrame(0);
      ShowFrame(true);
      for (C id : {C::sbPrevEvent, C::sbNextEvent, C::sbForward, C::sbNext}) Enable(id, true);
      Enable(C::sbStop, false);
      break;
    case SourceKind::Stream:
      if (stream.RewindStream() && NextStreamPicture()) {
        avi.nCurFrame = 0;
        view_->SetStatusPanel(3, FrameLabel(1));
        view_->SetPosition(C::pbWhere, state.streamPos);
        ShowPicture(picture);
        if (diag != nullptr && diag->Visible()) {
          diag->AddLine("Stopped");
          diag->AddLine(Format("Def, filt = %d", stream.deblockStats().defaultFiltered));
          diag->AddLine(Format("DC,  filt = %d", stream.deblockStats().dcFiltered));
        }
      }
      Enable(C::sbForward, true);
      Enable(C::sbNext, true);
      Enable(C::sbStop, false);
      break;
    case SourceKind::Ztm:
      Enable(C::sbForward, true);
      Enable(C::sbStop, false);
      break;
    case SourceKind::None:
      break;
  }
}

void Player::StopAll() {
  // Nothing runs beside the user-interface thread for AVI playback, so the
  // stop is complete when it returns.
  if (state.playing) Stop();
}

void Player::StepForward() {
  if (state.kind == SourceKind::Stream) {
    if (NextStreamPicture()) {
      avi.nCurFrame += 1;
      view_->SetStatusPanel(3, FrameLabel(avi.nCurFrame + 1));
      ShowPicture(picture);
    }
    return;
  }
  if (state.kind != SourceKind::Avi) return;  // .ztm steps come with its reader
  state.trackGuard = true;
  const bool lastShown = avi.nCurFrame + 1 >= avi.nTotalFrames;
  if (lastShown && state.playListIndex + 1 < state.playListCount) {
    state.playListIndex += 1;
    if (!OpenSource(playList[static_cast<size_t>(state.playListIndex)].path,
                    state.playListIndex)) {
      state.trackGuard = false;
      DisableTransport();
      return;
    }
    if (state.kind == SourceKind::Stream) {
      // The next entry is a stream: its first picture, with a stream's buttons.
      state.trackGuard = false;
      Pause();
      StepForward();
      return;
    }
    avi.AviSetFrame(0);
  } else {
    avi.AviStepFrame(1);
    if (avi.nCurFrame == 1) Enable(C::sbPrevious, true);
    if (avi.nCurFrame + 1 == avi.nTotalFrames) Enable(C::sbNext, false);
  }
  ShowFrame(true);
}

void Player::StepBackward() {
  if (state.kind != SourceKind::Avi) return;  // .ztm steps come with its reader
  if (avi.nCurFrame != 0 || state.playListIndex == 0) {
    avi.AviStepFrame(-1);
    if (avi.nCurFrame == 0 && state.playListIndex == 0) {
      Enable(C::sbPrevious, false);
      Enable(C::sbBackward, false);
    }
    if (avi.nTotalFrames == avi.nCurFrame + 2) {
      Enable(C::sbNext, true);
      Enable(C::sbForward, true);
    }
  } else {
    state.playListIndex -= 1;
    if (!OpenSource(playList[static_cast<size_t>(state.playListIndex)].path,
                    state.playListIndex)) {
      DisableTransport();
      return;
    }
    avi.AviSetFrame(avi.nTotalFrames - 1);
  }
  ShowFrame(true);
}

bool Player::KeyStepForward() {
  if (!Enabled(C::sbNext)) return false;
  StepForward();
  return true;
}

bool Player::KeyStepBackward() {
  if (!Enabled(C::sbPrevious)) return false;
  StepBackward();
  return true;
}

void Player::SeekBarChanged(int position) {
  if (state.trackGuard) return;
  state.trackGuard = true;
  if (state.seekBarFocused && !state.busy) {
    if (state.kind == SourceKind::Avi) {
      avi.AviSetFrame(std::clamp(position, 0, std::max(0, avi.nTotalFrames - 1)));
      ShowFrame(false);
      for (C id : {C::sbNext, C::sbForward, C::sbSearchForward}) Enable(id, true);
      for (C id : {C::sbBackward, C::sbSearchBackward, C::sbPrevious}) Enable(id, position != 0);
    }
    // .ztm seeking comes with its reader.
  }
  state.trackGuard = false;
}

void Player::SeekBarFocus(bool focused) { state.seekBarFocused = focused; }

void Player::RateChanged(int position) {
  // The engine itself moves the speed bar while settings load and files open
  // and sets the rate beside it; the bar's echo is not a user's choice.
  if (state.busy) return;
  state.rate = 30 - position;
  view_->SetText(C::lblRate, Format("%d", state.rate));
  RecomputeTimer();
}

void Player::RateBarFocus(bool focused) { state.trackGuard = focused; }

void Player::DisableTransport() {
  if (state.playing) Pause();
  for (C id : {C::sbPause, C::sbBackward, C::sbPrevious, C::sbForward, C::sbNext, C::sbStop})
    Enable(id, false);
  SetPlaying(false);
  Enable(C::sbPrevEvent, false);
  Enable(C::sbNextEvent, false);
  Show(C::tbWhere, false);
}

}  // namespace klv
