#pragma once
// The camera's JPEG decoder: header walk, entropy decoding, reconstruction and
// colour output for baseline 4:2:0 frames. One instance per open AVI movie;
// tables persist from frame to frame as the camera's software expects.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "media/common/decoder_flags.h"
#include "media/common/picture.h"
#include "media/jpeg/camera_meta.h"

namespace klv {

class DiagnosticsSink;
namespace jpeg {
struct AcTables;
struct AcSkipTable;
}

struct JpegFrameInfo {
  int precision = 0;
  int height = 0;
  int width = 0;
  int components = 0;
  struct Component {
    int id = 0;
    int h = 0;
    int v = 0;
    int tq = 0;
  } comp[4];
};

struct JpegScanInfo {
  int length = 0;
  int components = 0;
  struct Component {
    int id = 0;
    int td = 0;
    int ta = 0;
  } comp[4];
  int ss = 0;
  int se = 0;
  int ah = 0;
  int al = 0;
};

// One Huffman decoding table, with the derived fields of JPEG Annex C / F.
// Index 1..16 of the per-length arrays is the code length.
struct HuffDecodeTable {
  uint8_t BITS[17] = {};
  uint8_t HUFFVAL[256] = {};
  uint8_t HUFFSIZE[257] = {};
  uint16_t HUFFCODE[256] = {};
  uint16_t MINCODE[17] = {};
  int32_t MAXCODE[18] = {};
  uint8_t VALPTR[17] = {};
  bool operator==(const HuffDecodeTable&) const = default;
};

// Quantisation tables 0..2 (multipliers already carrying the IDCT prescale,
// zigzag order) and the raw DC quantiser of each.
struct QuantStore {
  int32_t multiplier[3][64] = {};
  int32_t dcQuant[3] = {};
  bool operator==(const QuantStore&) const = default;
};

// What a whole-frame decode came to.
enum class JpegStatus {
  kOk,
  kNoScan,        // the header walk found no entropy-coded data
  kNoPlanes,      // no planes allocated, or no picture to draw into
  kEntropyError,  // the MCU loop stopped; bytesRead tells where
};
struct JpegDecodeResult {
  JpegStatus status = JpegStatus::kOk;
  uint32_t bytesRead = 0;  // entropy-coded bytes read before an entropy error
  bool Ok() const { return status == JpegStatus::kOk; }
};

class JpegDecoder {
 public:
  JpegDecoder();  // Huffman tables = Annex K defaults; quantisers all zero

  // --- persistent tables -------------------------------------------------
  const QuantStore& Quant() const { return quant; }
  const HuffDecodeTable& Huff(int tableClass, int id) const { return huff[tableClass & 1][id & 1]; }

  // --- per-frame metadata written by the header walk -----------------------
  const CameraFrameRecord& Record() const { return record; }   // APP4 of the last walked frame
  bool RecordPresent() const { return bRecordPresent; }       // cleared by every walk
  const FrameTimeStamp& TimeStamp() const { return frameTimeStamp; }  // of the last decoded frame
  int FrameIntervalMs() const { return nFrameIntervalMs; }    // -1 until known

  // Switches and the diagnostics sink (RTC dump lines); either may be null.
  void SetFlags(const DecoderFlags* f) { flags = f; }
  void SetDiagnostics(DiagnosticsSink* sink) { diag = sink; }

  // Header walk. `size` is the frame's real byte count: segments are looked for
  // only below min(size, 4096) and no payload is read beyond `size`.
  // Returns the offset of the first entropy-coded byte, 0 when the walk ends
  // without SOS, -1 when data does not start with SOI.
  int ParseHeaders(const uint8_t* data, size_t size, JpegFrameInfo* frameInfo,
                   JpegScanInfo* scanInfo, FrameTimeStamp* timeStamp,
                   const uint8_t** eventSegment);

  // Decode planes Y, Cb, Cr for a picture of width x height (rounded up to
  // whole 16 x 16 MCUs), zero-filled. False for sizes outside 1..8192.
  bool AllocatePlanes(int width, int height);
  void ReleasePlanes();
  int PlaneWidth16() const { return w16_; }
  int PlaneHeight16() const { return h16_; }
  // Luma is kept as bytes (its samples are 0..255); PlaneY widens it on demand.
  const int32_t* PlaneY() const;
  const int32_t* PlaneCb() const { return cb_.data(); }
  const int32_t* PlaneCr() const { return cr_.data(); }

  // Whole frame: header walk, interval update, MCUs, colour. The picture is
  // untouched unless the result is kOk. Converts the planes' picture size,
  // limited to the picture's own size.
  JpegDecodeResult DecodeFrame(const uint8_t* data, size_t size, FramePicture& picture, int index);
  // MCU loop over the entropy-coded data [data, data + size) into the planes.
  int DecodeMcus(const uint8_t* data, size_t size);
  // Colour conversion of the planes into the picture's first `height` rows.
  void ToPicture(FramePicture& picture, int width, int height) const;
  // Takes `stamp` as frame `index`'s time stamp and derives the frame interval
  // from the previous decoded frame's.
  void UpdateFrameInterval(int index, const FrameTimeStamp& stamp);

  // --- entropy primitives (also for the DC-only reduced decode) ----------
  // The reader never reads at or beyond data + size: running out of data
  // behaves like meeting an EOI marker (nJpegError 0xD9), the missing bytes
  // reading as 0xFF. StartBits also takes the DC tables as they are now.
  void StartBits(const uint8_t* data, size_t size);
  int Get1Bit();
  uint32_t GetBits(int n);
  uint32_t Peek16();
  int DecodeDcDiff(int id);
  int DecodeAc(int32_t* block, bool chroma);  // block: 64 coefficients, zigzag
  void SkipAc(bool chroma);                   // decode and discard AC codes
  int JpegError() const { return nJpegError_; }
  uint32_t BytesRead() const;

  // DC-only pass over the MCUs of [data, data + size), for reduced pictures:
  // four luma blocks, Cb, Cr per MCU, the AC codes decoded and discarded.
  // predictors[6 * m + b] receives the running DC predictor after block b of
  // MCU m (b 0-3 luma, 4 Cb, 5 Cr). Stops after the first block that meets an
  // entropy error; that block's predictor is still written (a failed DC
  // difference adds 0). Returns the number of predictors written, 6 * mcus
  // when every block decoded. Uses the DC tables as they are now.
  int DecodeDcPredictors(const uint8_t* data, size_t size, int mcus, int32_t* predictors);

  static int Extend(int v, int s);
  static void Idct(const int32_t* block, int32_t* out);  // zigzag in, row order out

 private:
  struct AcList;  // coefficients of one block as decoded

  QuantStore quant;
  HuffDecodeTable huff[2][2];  // [class 0 DC / 1 AC][id]
  CameraFrameRecord record;
  bool bRecordPresent = false;
  FrameTimeStamp frameTimeStamp;
  int nFrameIntervalMs = -1;
  const DecoderFlags* flags = nullptr;
  DiagnosticsSink* diag = nullptr;

  // Header walk helpers.
  void LoadHuffSegment(const uint8_t* payload, size_t length);
  void LoadQuantSegment(const uint8_t* payload, size_t length);
  void TakeComment(const uint8_t* payload, size_t length, FrameTimeStamp* timeStamp);

  // Bit reader internals (jpeg_bitreader.h).
  void Fill();
  void FetchMarker(const char* text);
  void Consume(int n);
  void BuildDcFast();
  int DcDiffSlow(int id);
  int DcDiffFast(int id);
  template <class Sink>
  int AcLoop(int chroma, Sink& sink, int k = 1);  // from coefficient k
  template <bool kLuma, class Out>
  bool DecodeBlock(int32_t& predictor, Out* dst, int stride, AcList& list);

  int w16_ = 0;
  int h16_ = 0;
  int imageW_ = 0;
  int imageH_ = 0;
  std::vector<uint8_t> y_;
  std::vector<int32_t> cb_, cr_;
  mutable std::vector<int32_t> yWide_;
  mutable bool yWideValid_ = false;
  int nJpegError_ = 0;
  uint32_t prevStampLow_ = 0;
  int prevIndex_ = 0;

  // Bit reader: unstuffed bytes, most significant bit first, in a 64-bit
  // buffer. Loading stops in front of a marker (or the end of the data); the
  // marker's 0xFF byte is taken only when a bit of it is needed.
  uint64_t bitBuf_ = 0;
  int bitCount_ = 0;             // valid bits at the top of bitBuf_
  const uint8_t* bitPtr_ = nullptr;
  const uint8_t* bitEnd_ = nullptr;
  bool bitStop_ = false;         // a marker or the end of the data is at bitPtr_
  uint8_t stopCode_ = 0;         // its code byte (0xD9 for the end of the data)
  bool markerUntouched_ = false;  // a marker's 0xFF taken by GetBits, none of its bits used
  uint32_t loaded_ = 0;          // bytes loaded into the buffer (each one fetch)
  // DC codes of up to 9 bits by lookup: (length << 8) | size, 0 = longer code.
  uint16_t dcFast_[2][512] = {};
  const jpeg::AcTables* acTables_[2] = {};  // the fixed AC lookups (luma, chroma)
  const jpeg::AcSkipTable* acSkip_[2] = {};  // whole-block skips for the DC-only pass
};

// The decoder's colour conversion for planes laid out as its own: luma bytes
// with a row stride `lumaStride` (a multiple of 16), chroma at half that
// stride, one chroma sample per 2 x 2 luma samples. Converts rows [0, height)
// x columns [0, width) into 24-bit rows (blue, green, red) at `bits`. The
// planes must hold whole rows of `lumaStride` and an even number of rows.
void JpegColourRows(const uint8_t* y, const int32_t* cb, const int32_t* cr, int lumaStride,
                    int width, int height, bool forceBw, uint8_t* bits, ptrdiff_t stride);

// IDCT prescale factors in zigzag order (DC first).
extern const int32_t kJpegPrescale[64];

}  // namespace klv
