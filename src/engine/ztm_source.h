#pragma once
// The camera's .ztm recordings: MPEG-4 pictures with sound and elapsed-time
// side packets. No timer: pictures are decoded ahead into a ring of eight,
// and the audio output shows the next one whenever the sound recorded with
// the picture on show has been handed to the device.

#include <array>

#include "audio/audio_output.h"
#include "engine/movie_source.h"
#include "media/mpeg4/mpeg4_decoder.h"

namespace klv {

class ZtmSource final : public MovieSource {
 public:
  static constexpr int kRingSize = 8;

  explicit ZtmSource(Player& player);
  ~ZtmSource() override;

  SourceKind Kind() const override { return SourceKind::Ztm; }
  bool Open(const std::string& path, int listIndex, OpenFailure* failure) override;
  Size PictureSize() const override { return {decoder_.PictureWidth(), decoder_.PictureHeight()}; }
  WindowLayout Layout() const override { return WindowLayout::kPictureOnly; }
  const FramePicture* Picture() const override { return &ringPictures[static_cast<size_t>(shownSlot_)]; }
  int CurrentFrame() const override { return shownCount_; }

  bool TimerPaced() const override { return false; }
  MoveResult Tick() override { return MoveResult::kMoved; }
  void Play(int direction) override;
  void Pause() override;
  void Stop() override;
  MoveResult StepForward() override;
  MoveResult StepBackward() override;
  void EnterByStep(int direction) override;
  void Seek(int position) override { ZtmSeek(position); }
  bool TakeFrame(bool fromPopup, SavedFrame* out) const override;
  void AudioMessage(int wParam) override;
  void RestartWhilePaused() override { ZtmRewind(); }

  // ---- audio-clocked playback ---------------------------------------------------
  void ZtmStart();
  void ZtmResume();
  void ZtmAdvance();
  void ZtmRewind();
  void ZtmStepForward();
  void ZtmStepBackward();
  void ZtmSeek(int position);

  // ---- the ring, read by tests ------------------------------------------------------
  int DisplayIndex() const { return displayIndex; }
  int DecodeIndex() const { return decodeIndex; }
  int RingAudioLength(int slot) const { return ringAudioLength[static_cast<size_t>(slot & 7)]; }
  int FrameCounter() const { return ztmFrameCounter; }
  bool AudioStarved() const { return audioStarved; }
  uint32_t ElapsedHundredths() const { return elapsedHundredths; }
  const FramePicture& Slot(int slot) const { return ringPictures[static_cast<size_t>(slot & 7)]; }
  int ShownSlot() const { return shownSlot_; }
  AudioOutput& Audio() { return audio_; }
  Mpeg4Decoder& Decoder() { return decoder_; }

 private:
  // Decodes the next picture into slot `slot`, keeping its elapsed time and
  // drawing its overlays; the quantiser bar follows when asked.
  DecodedFrame DecodeInto(int slot, bool firstOfStart, bool feedAudio, bool showQuantiser);
  void ShowSlot(int slot);
  void MoveSeekBar(int position);  // under trackGuard
  void DiagnosticsLine(const std::string& line);
  void EndOfRecording();

  Mpeg4Decoder decoder_;
  AudioOutput audio_;
  std::array<FramePicture, kRingSize> ringPictures;
  std::array<int, kRingSize> ringAudioLength {};
  int displayIndex = 0;
  int decodeIndex = 0;
  int ztmFrameCounter = 0;
  bool audioStarved = false;
  uint32_t elapsedHundredths = 0;
  uint16_t wFileDate = 0;
  uint16_t wFileTime = 0;
  int shownSlot_ = 0;       // the slot on screen
  int shownCount_ = 0;      // pictures shown since the start or a rewind
  int seekBarPosition_ = 0;
  bool streamEnded_ = false;  // the ring holds the recording's last pictures
};

}  // namespace klv
