#pragma once
// The camera's .m4v streams on show: the MPEG-4 decoder over the mapped file,
// the picture, and the count of pictures shown since the start.

#include "engine/movie_source.h"
#include "media/mpeg4/mpeg4_decoder.h"

namespace klv {

class StreamSource final : public MovieSource {
 public:
  explicit StreamSource(Player& player);
  ~StreamSource() override;

  SourceKind Kind() const override { return SourceKind::Stream; }
  bool Open(const std::string& path, int listIndex, OpenFailure* failure) override;
  Size PictureSize() const override { return {decoder_.PictureWidth(), decoder_.PictureHeight()}; }
  WindowLayout Layout() const override { return WindowLayout::kBesideList; }
  const FramePicture* Picture() const override { return &picture_; }
  int CurrentFrame() const override { return pictureIndex_; }

  MoveResult Tick() override;
  void Play(int direction) override;
  void Pause() override;
  void Stop() override;
  MoveResult StepForward() override;
  MoveResult StepBackward() override { return MoveResult::kMoved; }  // streams play forward only
  void EnterByStep(int direction) override;
  void Seek(int) override {}  // no seek bar
  bool TakeFrame(bool fromPopup, SavedFrame* out) const override;

  Mpeg4Decoder& Decoder() { return decoder_; }

 private:
  // Decodes the next picture into the picture; true when it is to be shown
  // (streamPos then holds the position after it).
  bool NextPicture();
  // One more picture shown: the quantiser bar, the count and its label.
  void Shown();

  Mpeg4Decoder decoder_;
  FramePicture picture_;
  int pictureIndex_ = -1;  // pictures shown since the start, minus one
  int quantiser_ = 0;
};

}  // namespace klv
