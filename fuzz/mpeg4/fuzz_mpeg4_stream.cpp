// libFuzzer target: a .m4v/.ztm stream from memory through the player's
// calls: open, pictures with their side packets (audio fed or not), the
// post-filter and colour output, seeks and rewinds.
//
// The first two bytes choose the options; the rest is the file. Small
// windows make every packet and picture cross window edges.

#include <cstddef>
#include <cstdint>

#include "media/mpeg4/mpeg4_decoder.h"

namespace {

constexpr int kMaxPictures = 12;
constexpr int kMaxPixels = 352 * 288;  // larger layers only open and close

void DecodeSome(klv::Mpeg4Decoder& d, klv::FramePicture* pic, int n, bool feedAudio, bool firstOfStart) {
  for (int k = 0; k < n; ++k) {
    const klv::DecodedFrame f = d.DecodeNextFrame({pic, firstOfStart && k == 0, feedAudio});
    if (f.position < 0 && !f.decoded) {
      // The engine pauses here; a later Play reads on from where it stopped.
      if (k + 1 < n) d.DecodeNextFrame({nullptr, false, feedAudio});
      return;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t options = data[0], seeks = data[1];
  data += 2;
  size -= 2;

  const int windowClass = options >> 5;
  const uint32_t window = windowClass == 0 ? 0 : 16u << windowClass;
  {
    klv::StreamReader probe;
    probe.SetWindowSizeForTesting(window);
    probe.OpenStreamBuffer(data, size);
    if (!probe.IsOpen() || probe.Layer().width * probe.Layer().height > kMaxPixels) return 0;
  }

  klv::DecoderFlags flags;
  flags.g_nDeblockMethod = options & 3;
  flags.bForceBW = (options & 4) != 0;
  const bool feedAudio = (options & 8) != 0;
  const bool firstOfStart = (options & 16) != 0;
  klv::CountingAudioSink sink;
  klv::Mpeg4Decoder d;
  d.SetFlags(&flags);
  d.SetAudioSink(&sink);
  d.SetWindowSizeForTesting(window);
  d.OpenStreamBuffer(data, size);
  if (!d.IsOpen()) return 0;
  klv::FramePicture pic;
  if (!pic.Create(d.PictureWidth(), d.BitmapHeight((seeks & 0x80) != 0))) return 0;

  DecodeSome(d, &pic, kMaxPictures, feedAudio, firstOfStart);
  const int unit = 1 + ((seeks >> 4) & 1) * 15;
  const int direction = (seeks & 0x40) != 0 ? -1 : 1;
  if (d.SeekKeyFrame(seeks & 15, unit, direction) > 0) DecodeSome(d, &pic, 2, feedAudio, false);
  if (d.RewindStream()) DecodeSome(d, nullptr, 2, false, false);
  d.CloseStream();
  (void)d.DecodeNextFrame({&pic, false, false});  // closed: a clean failure
  return 0;
}
