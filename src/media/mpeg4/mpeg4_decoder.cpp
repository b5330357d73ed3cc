#include "media/mpeg4/mpeg4_decoder.h"

#include <algorithm>
#include <cstring>

#include "media/mpeg4/frame_output.h"

namespace klv {

int Mpeg4Decoder::OpenStream(const std::string& path) { return FinishOpen(reader_.OpenStream(path)); }

int Mpeg4Decoder::OpenStreamBuffer(const uint8_t* data, size_t size) {
  return FinishOpen(reader_.OpenStreamBuffer(data, size));
}

int Mpeg4Decoder::FinishOpen(int kib) {
  lastDecoded_ = false;
  vop_ = VopHeader {};
  macroblocks_.runningQuantiser = 0;
  if (!reader_.IsOpen()) return 0;
  if (!stores_.AllocatePictureStores(reader_.Layer().width, reader_.Layer().height)) {
    reader_.CloseStream();
    return 0;
  }
  return kib;
}

DecodedFrame Mpeg4Decoder::DecodeNextFrame(const DecodeOptions& options) {
  DecodedFrame out;
  lastDecoded_ = false;
  if (!reader_.IsOpen()) return out;
  const int code =
      reader_.ReadSidePackets(options.firstOfStart, options.feedAudio, &out.audioLength, &out.elapsedTime);
  if (code != mpeg4::kVopCode) return out;

  stores_.SwapPictures();
  const DecoderFlags defaults;
  const DecoderFlags& f = flags_ != nullptr ? *flags_ : defaults;
  bool decoded = false, touched = false;
  out.position = macroblocks_.DecodePicture(reader_, reader_.Layer(), vop_, stores_, dequantiser_, f.bForceBW,
                                            &decoded, &touched);
  // A picture that wrote nothing (a header that failed, a VOP not coded, a
  // B-VOP) leaves the reference as it was.
  if (!touched) stores_.SwapPictures();
  out.quantiser = macroblocks_.runningQuantiser;
  out.decoded = decoded;
  lastDecoded_ = decoded;

  // A picture inside the first KiB is at position 0 but drawn all the same.
  FramePicture* bitmap = options.bitmap;
  if (decoded && bitmap != nullptr && !bitmap->Empty()) {
    if (f.g_nDeblockMethod == 0) {
      ConvertOutput(*bitmap);
    } else {
      const mpeg4::PackedPicture& p =
          mpeg4::PostFilterPicture(stores_, f.g_nDeblockMethod, macroblocks_.runningQuantiser, &deblockStats_);
      mpeg4::ConvertToBgr(p.y, p.width, p.u, p.v, p.cwidth, p.width, p.height, *bitmap);
    }
  }
  return out;
}

bool Mpeg4Decoder::PictureStartsAtOrAfter(uint64_t from) {
  MappedFile& file = reader_.File();
  constexpr uint8_t kVop[4] = {0x00, 0x00, 0x01, 0xB6};
  constexpr uint64_t kChunk = 1 << 20;
  const uint64_t size = file.Size();
  for (uint64_t at = from; at + 4 <= size; at += kChunk) {
    const size_t length = static_cast<size_t>(std::min<uint64_t>(kChunk + 3, size - at));
    const uint8_t* p = file.Map(at, length);
    if (p == nullptr) return true;  // unreadable: not a clean end
    for (size_t i = 0; i + 4 <= length; ++i)
      if (std::memcmp(p + i, kVop, 4) == 0) return true;
  }
  return false;
}

void Mpeg4Decoder::ConvertOutput(FramePicture& bitmap) const {
  const mpeg4::Picture& p = stores_.outputPicture();
  if (p.y.data == nullptr) return;
  mpeg4::ConvertToBgr(p.y.data, p.y.stride, p.u.data, p.v.data, p.u.stride, stores_.width(), stores_.height(),
                      bitmap);
}

}  // namespace klv
