#pragma once
// The camera's AVI movies on show: the reader (demuxer), the JPEG decoder
// whose tables persist from frame to frame, the picture, and the playhead.

#include "engine/movie_source.h"
#include "media/avi/avi_reader.h"
#include "media/jpeg/jpeg_decoder.h"

namespace klv {

class AviSource final : public MovieSource {
 public:
  explicit AviSource(Player& player);
  ~AviSource() override;

  SourceKind Kind() const override { return SourceKind::Avi; }
  bool Open(const std::string& path, int listIndex, OpenFailure* failure) override;
  Size PictureSize() const override { return {reader_.Width(), reader_.Height()}; }
  WindowLayout Layout() const override { return WindowLayout::kFull; }
  const FramePicture* Picture() const override { return &picture_; }
  int CurrentFrame() const override { return nCurFrame; }

  MoveResult Tick() override;
  void Play(int direction) override;
  void Pause() override;
  void Stop() override;
  MoveResult StepForward() override;
  MoveResult StepBackward() override;
  void EnterByStep(int direction) override;
  void Seek(int position) override;
  bool TakeFrame(bool fromPopup, SavedFrame* out) const override;
  AviSource* AsAvi() override { return this; }

  // ---- the playhead ------------------------------------------------------------
  // Moves by a signed count, clamped to the file; false when nothing moved.
  bool AviStepFrame(int delta);
  void AviSetFrame(int index) { nCurFrame = index; }
  // One past the last frame, from which a backward step of k frames lands on
  // the k-th frame from the end.
  void AviSeekEnd() { nCurFrame = reader_.TotalFrames(); }
  int TotalFrames() const { return reader_.TotalFrames(); }

  // Reads, decodes and presents frame nCurFrame; moves the bars when asked.
  void ShowFrame(bool updateBars);
  // The first event frame from `from` towards `to` (not examined); -1: none.
  int FindEvent(int from, int to) { return reader_.AviFindEvent(decoder_, from, to); }

  AviReader& Reader() { return reader_; }
  const AviReader& Reader() const { return reader_; }
  JpegDecoder& Decoder() { return decoder_; }

 private:
  void DrawOverlays();
  void DumpRecord(int index);

  AviReader reader_;
  JpegDecoder decoder_;
  FramePicture picture_;
  int nCurFrame = 0;
};

}  // namespace klv
