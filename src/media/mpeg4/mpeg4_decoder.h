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

// How DecodeNextFrame treats the next picture and its side packets.
struct DecodeOptions {
  FramePicture* bitmap = nullptr;  // the picture to draw into; null: decode only
  bool firstOfStart = false;       // the first picture of a playback run: drop audio lead bytes
  bool feedAudio = false;          // hand the audio packets' bytes to the audio sink
};

// What DecodeNextFrame read.
struct DecodedFrame {
  int position = -1;         // file position after the picture in KiB; -1: no picture read
  bool decoded = false;      // a picture was decoded (one inside the first KiB is at 0)
  int audioLength = 0;       // audio bytes credited to the picture (0 without audio packets)
  uint32_t elapsedTime = 0;  // hundredths of a second from its time packet (0 without one)
  int quantiser = 0;         // the running quantiser after its last macroblock
  // The player shows it: a position past the start, or a picture inside the first KiB.
  bool Shown() const { return position > 0 || (position == 0 && decoded); }
};

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
  // Why the last open failed, in a few plain words.
  std::string FailReason() const {
    return reader_.LastError().empty() ? "not a camera stream: its headers cannot be read" : reader_.LastError();
  }
  bool CloseStream() { return reader_.CloseStream(); }
  bool IsOpen() const { return reader_.IsOpen(); }
  bool RewindStream() { return reader_.RewindStream(); }
  int SeekKeyFrame(int position, int unitKiB, int direction) {
    return reader_.SeekKeyFrame(position, unitKiB, direction);
  }

  // Size of the pictures (the layer's width and height); the player's
  // bitmaps are PictureWidth() x BitmapHeight(embedTime), 24 bits a pixel.
  int PictureWidth() const { return reader_.Layer().width; }
  int PictureHeight() const { return reader_.Layer().height; }
  int BitmapHeight(bool embedTime) const { return reader_.Layer().height + (embedTime ? 16 : 0); }

  // Reads the side packets in front of the next picture, decodes it, filters
  // a copy by the deblocking method and converts it into options.bitmap.
  // The quantiser is reported after a failure too.
  DecodedFrame DecodeNextFrame(const DecodeOptions& options = {});

  // True when a picture start code lies at or after byte `from`: a stream that
  // stopped there stopped at a picture it could not decode, not at its end.
  // Leaves the stream without a view.
  bool PictureStartsAtOrAfter(uint64_t from);

  // True when the last DecodeNextFrame decoded a picture.
  bool lastPictureDecoded() const { return lastDecoded_; }
  // Bytes the last start-code search passed over (the player's "BHC").
  int skippedBytes() const { return reader_.SkippedBytes(); }
  // Deblocking statistics ("Def, filt" / "DC,  filt"), reset by the player.
  const mpeg4::DeblockStats& deblockStats() const { return deblockStats_; }
  void ResetDeblockStats() { deblockStats_ = {}; }

  const mpeg4::MacroblockDecoder& macroblocks() const { return macroblocks_; }
  const VopHeader& vop() const { return vop_; }
  mpeg4::PictureStores& stores() { return stores_; }

  // Converts the output picture (unfiltered) into `bitmap`.
  void ConvertOutput(FramePicture& bitmap) const;

  const StreamReader& Reader() const { return reader_; }
  // Window size of the next open (tests cross window edges with small ones).
  void SetWindowSizeForTesting(uint32_t bytes) { reader_.SetWindowSizeForTesting(bytes); }
  // Switches (deblocking method, force black and white); defaults when null.
  void SetFlags(const DecoderFlags* f) { flags_ = f; }
  // Receives the audio packets' bytes when DecodeNextFrame feeds audio.
  void SetAudioSink(AudioSink* sink) { reader_.SetAudioSink(sink); }

 private:
  int FinishOpen(int kib);

  StreamReader reader_;
  const DecoderFlags* flags_ = nullptr;

  mpeg4::PictureStores stores_;
  mpeg4::Dequantiser dequantiser_;
  mpeg4::MacroblockDecoder macroblocks_;
  VopHeader vop_;
  mpeg4::DeblockStats deblockStats_;
  bool lastDecoded_ = false;
};

}  // namespace klv
