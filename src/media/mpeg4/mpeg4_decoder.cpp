#include "media/mpeg4/mpeg4_decoder.h"

#include "media/mpeg4/frame_output.h"

namespace klv {

int Mpeg4Decoder::OpenStream(const std::string& path) { return FinishOpen(reader.OpenStream(path)); }

int Mpeg4Decoder::OpenStreamBuffer(const uint8_t* data, size_t size) {
  return FinishOpen(reader.OpenStreamBuffer(data, size));
}

int Mpeg4Decoder::FinishOpen(int kib) {
  lastDecoded_ = false;
  vop_ = VopHeader {};
  macroblocks_.runningQuantiser = 0;
  if (!reader.IsOpen()) return 0;
  if (!stores_.AllocatePictureStores(reader.layer.width, reader.layer.height)) {
    reader.CloseStream();
    return 0;
  }
  return kib;
}

int Mpeg4Decoder::DecodeNextFrame(FramePicture* bitmap, int* audioLength, bool firstOfStart, bool feedAudio,
                                  uint32_t* elapsedTime, int* quantiser) {
  lastDecoded_ = false;
  if (!reader.IsOpen()) {
    if (audioLength != nullptr) *audioLength = 0;
    if (elapsedTime != nullptr) *elapsedTime = 0;
    return -1;
  }
  const int code = reader.ReadSidePackets(firstOfStart, feedAudio, audioLength, elapsedTime);
  if (code != mpeg4::kVopCode) return -1;

  stores_.SwapPictures();
  const DecoderFlags defaults;
  const DecoderFlags& f = flags != nullptr ? *flags : defaults;
  bool decoded = false, touched = false;
  const int result = macroblocks_.DecodePicture(reader, reader.layer, vop_, stores_, dequantiser_, f.bForceBW,
                                                &decoded, &touched);
  // A picture that wrote nothing (a header that failed, a VOP not coded, a
  // B-VOP) leaves the reference as it was.
  if (!touched) stores_.SwapPictures();
  if (quantiser != nullptr) *quantiser = macroblocks_.runningQuantiser;
  lastDecoded_ = decoded;

  // A picture inside the first KiB is at position 0 but drawn all the same.
  if (decoded && bitmap != nullptr && !bitmap->Empty()) {
    if (f.g_nDeblockMethod == 0) {
      ConvertOutput(*bitmap);
    } else {
      const mpeg4::PackedPicture& p =
          mpeg4::PostFilterPicture(stores_, f.g_nDeblockMethod, macroblocks_.runningQuantiser, &deblockStats_);
      mpeg4::ConvertToBgr(p.y, p.width, p.u, p.v, p.cwidth, p.width, p.height, *bitmap);
    }
  }
  return result;
}

void Mpeg4Decoder::ConvertOutput(FramePicture& bitmap) const {
  const mpeg4::Picture& p = stores_.outputPicture();
  if (p.y.data == nullptr) return;
  mpeg4::ConvertToBgr(p.y.data, p.y.stride, p.u.data, p.v.data, p.u.stride, stores_.width(), stores_.height(),
                      bitmap);
}

}  // namespace klv
