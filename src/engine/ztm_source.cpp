// .ztm recordings: pictures paced by their sound. The decoder runs six slots
// ahead of the display; each picture is credited with the audio bytes that
// play while it is on show.

#include "engine/ztm_source.h"

#include "engine/player.h"
#include "engine/stamp.h"
#include "engine/texts.h"
#include "platform/file_times.h"
#include "platform/format.h"

namespace klv {

using C = ControlId;

ZtmSource::ZtmSource(Player& player) : MovieSource(player) {
  decoder_.SetFlags(&player.decoderFlags);
  decoder_.SetAudioSink(&audio_);
  audio_.shownPictureCredit = [this] { return ringAudioLength[static_cast<size_t>(displayIndex)]; };
  audio_.advance = [this] { ZtmAdvance(); };
  audio_.post = player.AudioPoster();
  audio_.openDevice = player.openWaveDevice;
}

ZtmSource::~ZtmSource() {
  // The device goes first: no completion may reach a closed ring.
  audio_.CloseAudio();
  player_.View().ShowPicture(nullptr);
  decoder_.CloseStream();
}

bool ZtmSource::Open(const std::string& path, int, OpenFailure* failure) {
  PlayerState& state = player_.state;
  PlayerView& view = player_.View();
  state.busy = true;
  DosDateTime dos;
  if (LastWriteDosTime(path, &dos)) {
    wFileDate = dos.date;
    wFileTime = dos.time;
  }
  const int size = decoder_.OpenStream(path);
  if (size <= 0) {
    failure->errorBox = Format("Error opening %s", path.c_str());
    failure->reason = decoder_.FailReason();
    state.busy = false;
    return false;
  }
  state.StartStream(size);
  view.SetRange(C::pbWhere, 0, size);
  view.SetRange(C::tbWhere, 0, size / state.seekUnitKiB);
  for (FramePicture& p : ringPictures) {
    if (!p.Create(decoder_.PictureWidth(), decoder_.BitmapHeight(state.embedTime))) {
      failure->reason = "out of memory";
      state.busy = false;
      return false;
    }
  }
  player_.ShowControlsFor(SourceKind::Ztm);
  view.SetStatusPanel(StatusPanel::kPictureSize,
                      Format("%dx%d", decoder_.PictureWidth(), decoder_.PictureHeight()));
  player_.LayoutWindow();
  player_.ApplyZoom();
  // Without a sound device the null device paces the pictures; without
  // buffers the sound bytes are dropped and the pictures stay where they are.
  audio_.OpenAudio();
  state.busy = false;
  return true;
}

DecodedFrame ZtmSource::DecodeInto(int slot, bool firstOfStart, bool feedAudio, bool showQuantiser) {
  FramePicture& picture = ringPictures[static_cast<size_t>(slot & 7)];
  const DecodedFrame f = decoder_.DecodeNextFrame({&picture, firstOfStart, feedAudio});
  elapsedHundredths = f.elapsedTime;
  if (showQuantiser) player_.ShowQuantiser(f.quantiser);
  std::string elapsed, dateTime;
  if (DrawZtmOverlays(wFileDate, wFileTime, elapsedHundredths, player_.state.embedTime, picture, &elapsed,
                      &dateTime)) {
    player_.View().SetStatusPanel(StatusPanel::kLength, elapsed);
    player_.View().SetStatusPanel(StatusPanel::kPosition, dateTime);
  }
  return f;
}

void ZtmSource::ShowSlot(int slot) {
  shownSlot_ = slot & 7;
  player_.ShowPicture(ringPictures[static_cast<size_t>(shownSlot_)]);
}

void ZtmSource::MoveSeekBar(int position) {
  seekBarPosition_ = position;
  player_.state.trackGuard = true;
  player_.View().SetPosition(C::tbWhere, position);
  player_.state.trackGuard = false;
}

void ZtmSource::DiagnosticsLine(const std::string& line) { player_.AddDiagnosticsLine(line); }

// ---- the playback clock's steps ----------------------------------------------------

void ZtmSource::Play(int) {
  player_.View().SetPosition(C::pbWhere, seekBarPosition_ * player_.state.seekUnitKiB);
  player_.Enable(C::sbBackward, false);
  if (player_.state.paused)
    ZtmResume();
  else
    ZtmStart();
}

void ZtmSource::Pause() {
  PlayerState& state = player_.state;
  for (C id : {C::sbBackward, C::sbSearchBackward, C::sbPrevEvent, C::sbNextEvent, C::sbSearchForward})
    player_.Enable(id, false);
  for (C id : {C::sbNext, C::sbForward, C::sbPrevious}) player_.Enable(id, true);
  audio_.ResetAudio();
  player_.SetSeekPanel(true);
  if (state.streamPos < 1) {
    // The recording has ended: only Stop goes on from here.
    MoveSeekBar(state.lastGood1 / 16);
    player_.Enable(C::sbForward, false);
    player_.Enable(C::sbNext, false);
    player_.Enable(C::sbStop, true);
  } else {
    MoveSeekBar(state.streamPos / 16);
  }
}

void ZtmSource::Stop() {
  if (player_.diagOptions.bPauseOnStop) return;  // the picture stays where it is
  ZtmRewind();
  player_.Enable(C::sbForward, true);
  player_.Enable(C::sbStop, false);
}

MoveResult ZtmSource::StepForward() {
  ZtmStepForward();
  return MoveResult::kMoved;
}

MoveResult ZtmSource::StepBackward() {
  ZtmStepBackward();
  return MoveResult::kMoved;
}

void ZtmSource::EnterByStep(int) {
  // From either neighbour: the recording's first picture, paused.
  player_.state.trackGuard = false;
  ZtmRewind();
  player_.Pause();
}

bool ZtmSource::TakeFrame(bool fromPopup, SavedFrame* out) const {
  const FramePicture& picture = ringPictures[static_cast<size_t>(displayIndex)];
  if (picture.Empty()) return false;
  out->suggestedName =
      SuggestedFrameName(SourceKind::Ztm, fromPopup ? shownCount_ + 1 : player_.state.streamPos);
  out->picture = picture;
  return true;
}

// ---- audio-clocked playback ----------------------------------------------------------

void ZtmSource::ZtmStart() {
  decoder_.ResetDeblockStats();
  streamEnded_ = false;
  // Bytes left from single steps belong to no picture of this run.
  audio_.ResetAudio();
  for (int i = 0; i < kRingSize; ++i) {
    const DecodedFrame f = DecodeInto(i, i == 1, true, false);
    if (i >= 1) ringAudioLength[static_cast<size_t>(i - 1)] = f.audioLength;
  }
  decodeIndex = 0;
  ShowSlot(1);
  shownCount_ = 1;
  displayIndex = 2;
  audio_.StartAudio(5, 3);
  audioStarved = false;
  ztmFrameCounter = 0;
  player_.state.playing = true;
}

void ZtmSource::ZtmResume() {
  player_.state.playing = true;
  streamEnded_ = false;
  audio_.ResetAudio();
  for (int i = 1; i < kRingSize; ++i) {
    const DecodedFrame f = DecodeInto(i, i == 1, true, false);
    if (f.position < 0) {
      player_.Stop();
      return;
    }
    ringAudioLength[static_cast<size_t>(i - 1)] = f.audioLength;
  }
  decodeIndex = 0;
  ShowSlot(1);
  ++shownCount_;
  displayIndex = 2;
  audio_.StartAudio(5, 3);
  audioStarved = false;
}

void ZtmSource::ZtmAdvance() {
  PlayerState& state = player_.state;
  if (!state.playing) return;
  const int k = decodeIndex;
  if (!streamEnded_) {
    const DecodedFrame f = DecodeInto(k, false, true, true);
    state.streamPos = f.position;
    // The sound after the last picture plays while it is on show.
    ringAudioLength[static_cast<size_t>((k + kRingSize - 1) % kRingSize)] = f.audioLength;
    if (state.streamPos > 0) {
      player_.View().SetStatusPanel(StatusPanel::kInfo, Format("%d", state.streamPos * 1024));
      if (decoder_.skippedBytes() > 0) {
        state.bhcCount += 1;
        DiagnosticsLine(Format("Frm %d, BHC = %d", ztmFrameCounter, state.bhcCount));
      }
      ztmFrameCounter += 1;
      player_.View().SetPosition(C::pbWhere, state.streamPos);
      decodeIndex = (k + 1) % kRingSize;
    } else {
      // The end of the recording, or a picture that cannot be decoded: the
      // pictures decoded ahead are still shown with their sound, to its end.
      streamEnded_ = true;
      audio_.EndOfSound();
      // No sound was recorded after the last picture, so its slot would wait
      // for nothing and the picture before it flash by: that one stays while
      // the sound recorded during its own showing plays.
      int& lastWait = ringAudioLength[static_cast<size_t>((k + kRingSize - 1) % kRingSize)];
      if (lastWait == 0) lastWait = ringAudioLength[static_cast<size_t>((k + kRingSize - 2) % kRingSize)];
    }
  }
  // Every picture is up: the last stays until the device has played the
  // sound out and, running dry, ends the recording (AudioMessage).
  if (streamEnded_ && displayIndex == decodeIndex) return;
  ShowSlot(displayIndex);
  ++shownCount_;
  displayIndex = (displayIndex + 1) % kRingSize;
  if (!streamEnded_) {
    state.lastGood2 = state.lastGood1;
    state.lastGood1 = state.streamPos;
  }
}

// The sound has run out after the last picture decoded: the recording is
// over (the last picture goes up if the sound ran out before it).
void ZtmSource::EndOfRecording() {
  const PlayerState& state = player_.state;
  const int last = (decodeIndex + kRingSize - 1) % kRingSize;
  if (shownSlot_ != last) ShowSlot(last);
  player_.Stop();
  DiagnosticsLine("Last 2 good at:");
  DiagnosticsLine(Format("0x%x, 0x%x", state.lastGood2, state.lastGood1));
}

void ZtmSource::ZtmRewind() {
  PlayerState& state = player_.state;
  if (!decoder_.RewindStream()) return;
  const DecodedFrame f = DecodeInto(0, false, false, false);
  if (f.position <= 0) return;
  player_.Show(C::tbWhere, false);
  player_.SetSeekPanel(false);
  player_.View().SetPosition(C::pbWhere, 0);
  MoveSeekBar(0);
  ShowSlot(0);
  // Save Current names the picture on show.
  displayIndex = 0;
  shownCount_ = 0;
  decoder_.RewindStream();  // Play starts from the first picture
  state.streamPos = 0;
  state.paused = false;
  DiagnosticsLine("Stopped");
  DiagnosticsLine(Format("Def, filt = %d", decoder_.deblockStats().defaultFiltered));
  DiagnosticsLine(Format("DC,  filt = %d", decoder_.deblockStats().dcFiltered));
}

void ZtmSource::ZtmStepForward() {
  PlayerState& state = player_.state;
  int p = decoder_.SeekKeyFrame(state.streamPos + 1, 1, +1);
  // Landing where it stands: the intra picture after the next 16 KiB.
  if (p > 0 && p == state.streamPos) p = decoder_.SeekKeyFrame(state.streamPos + 16, 1, +1);
  state.streamPos = p;
  DiagnosticsLine(Format("%d", state.streamPos));
  if (state.streamPos > 0) {
    // Like every other picture shown, it leaves the position after itself, so
    // that a step back finds this picture's intra picture first.
    const DecodedFrame f = DecodeInto(0, false, true, true);
    if (f.position > 0) state.streamPos = f.position;
    ShowSlot(0);
    ++shownCount_;
    MoveSeekBar(state.streamPos / 16);
    displayIndex = 0;
  }
}

void ZtmSource::ZtmStepBackward() {
  PlayerState& state = player_.state;
  // The first search finds the intra picture of the picture shown, the second
  // the one before it.
  const int p = decoder_.SeekKeyFrame(state.streamPos - 1, 1, -1);
  state.streamPos = p;
  if (p > 0) state.streamPos = decoder_.SeekKeyFrame(p - 1, 1, -1);
  DiagnosticsLine(Format("%d", state.streamPos));
  if (state.streamPos >= 1) {
    state.streamPos = DecodeInto(0, false, true, true).position;
    ShowSlot(0);
    if (shownCount_ > 0) --shownCount_;
    MoveSeekBar(state.streamPos / 16);
    displayIndex = 0;
  }
}

void ZtmSource::ZtmSeek(int position) {
  PlayerState& state = player_.state;
  seekBarPosition_ = position;
  // Nothing in the bar's last 16 steps.
  const int maximum = state.streamSizeKiB / state.seekUnitKiB;
  if (maximum - position <= 16) return;
  const int p = decoder_.SeekKeyFrame(position, state.seekUnitKiB, +1);
  if (p < 1) return;
  state.streamPos = DecodeInto(0, false, true, true).position;
  if (state.streamPos > 0) player_.View().SetStatusPanel(StatusPanel::kInfo, Format("%d", state.streamPos * 1024));
  ShowSlot(0);
  displayIndex = 0;
  for (C id : {C::sbNext, C::sbForward, C::sbStop}) player_.Enable(id, true);
}

void ZtmSource::AudioMessage(int wParam) {
  const PlayerState& state = player_.state;
  if (wParam == kAudioBufferDone) {
    if (state.playing) audio_.OnBufferDone();
  } else if (wParam == kAudioUnderrun) {
    // The device ran dry: refill from where the stream is and start again;
    // at the end of the recording, the sound has simply run out.
    if (state.playing && !state.paused && streamEnded_)
      EndOfRecording();
    else if (state.playing && !state.paused)
      ZtmResume();
    else
      audioStarved = true;
  }
}

}  // namespace klv
