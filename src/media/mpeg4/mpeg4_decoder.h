#pragma once
// The camera's MPEG-4 decoder as the player uses it for .m4v and .ztm files:
// open a stream, decode the next picture (with the side packets in front of
// it) into a FramePicture, rewind, seek to an intra picture, close.
//
// One instance per open stream source; a test can create any number.

#include <cstdint>
#include <string>

#include "media/common/decoder_flags.h"
#include "media/common/picture.h"
#include "audio/audio_sink.h"
#include "media/mpeg4/deblock.h"
#include "media/mpeg4/headers.h"
#include "media/mpeg4/macroblock.h"
#include "media/mpeg4/reconstruct.h"
#include "media/mpeg4/stream_reader.h"

namespace klv {

class Mpeg4Decoder {
 public:
  Mpeg4Decoder() = default;
  Mpeg4Decoder(const Mpeg4Decoder&) = delete;
  Mpeg4Decoder& operator=(const Mpeg4Decoder&) = delete;

  // Opens the file, parses its headers and allocates the picture stores.
  // Returns the file size in KiB, 0 when the file cannot be opened, mapped or
  // decoded (a stream below 1 KiB also gives 0; IsOpen() tells).
  int OpenStream(const std::string& path);
  // The same over a caller's buffer (tests, fuzzing).
  int OpenStreamBuffer(const uint8_t* data, size_t size);
  bool CloseStream() { return reader.CloseStream(); }
  bool IsOpen() const { return reader.IsOpen(); }
  bool RewindStream() { return reader.RewindStream(); }
  int SeekKeyFrame(int position, int unitKiB, int direction) {
    return reader.SeekKeyFrame(position, unitKiB, direction);
  }

  // Size of the pictures (the layer's width and height); the player's
  // bitmaps are PictureWidth() x BitmapHeight(embedTime), 24 bits a pixel.
  int PictureWidth() const { return reader.layer.width; }
  int PictureHeight() const { return reader.layer.height; }
  int BitmapHeight(bool embedTime) const { return reader.layer.height + (embedTime ? 16 : 0); }

  // Reads the side packets in front of the next picture, decodes it, filters
  // a copy by flags->g_nDeblockMethod and converts it into `bitmap` (may be
  // null: decode only). Returns the file position after the picture in KiB,
  // or -1 when no picture could be read. audioLength: audio bytes credited
  // to the picture (0 without audio packets); elapsedTime: hundredths of a
  // second from its time packet (0 without one); quantiser: the running
  // quantiser after the picture's last macroblock (also after a failure).
  int DecodeNextFrame(FramePicture* bitmap, int* audioLength, bool firstOfStart, bool feedAudio,
                      uint32_t* elapsedTime, int* quantiser);

  // Bytes the last start-code search passed over (the player's "BHC").
  int skippedBytes() const { return reader.skippedBytes; }
  // Deblocking statistics ("Def, filt" / "DC,  filt"), reset by the player.
  const mpeg4::DeblockStats& deblockStats() const { return deblockStats_; }
  void ResetDeblockStats() { deblockStats_ = {}; }

  // True when the last DecodeNextFrame decoded a picture (also one inside
  // the first KiB, whose position is 0).
  bool lastPictureDecoded() const { return lastDecoded_; }
  const mpeg4::MacroblockDecoder& macroblocks() const { return macroblocks_; }
  const VopHeader& vop() const { return vop_; }
  mpeg4::PictureStores& stores() { return stores_; }

  // Converts the output picture (unfiltered) into `bitmap`.
  void ConvertOutput(FramePicture& bitmap) const;

  StreamReader reader;
  // Switches (deblocking method, force black and white); defaults when null.
  const DecoderFlags* flags = nullptr;
  // Receives the audio packets' bytes when DecodeNextFrame feeds audio.
  void SetAudioSink(AudioSink* sink) { reader.audioSink = sink; }

 private:
  int FinishOpen(int kib);

  mpeg4::PictureStores stores_;
  mpeg4::Dequantiser dequantiser_;
  mpeg4::MacroblockDecoder macroblocks_;
  VopHeader vop_;
  mpeg4::DeblockStats deblockStats_;
  bool lastDecoded_ = false;
};

}  // namespace klv
