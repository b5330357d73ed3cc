#pragma once
// Baseline JPEG encoder for test and demo movies: three components in 4:2:0
// (one MCU = four Y blocks, one Cb, one Cr), the example Huffman tables of
// T.81 Annex K (K.3-K.6) and its quantisation tables (K.1/K.2) scaled by the
// usual 1-100 quality, an accurate floating-point forward DCT and JFIF
// (full-range BT.601) RGB -> YCbCr. Picture sizes that are not multiples of
// 16 are padded by repeating the last column and row.
//
// Segment order by default, as the camera writes it:
//   SOI [APP0] APP4 COM APP5 DQT... SOF0 DHT... [extra] SOS <data> EOI
// (APP0 only with `jfif`; APP4/COM/APP5 only when their option is set.)

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "support/camera_segments.h"

namespace klv::sample {

// RGB picture: 3 bytes a pixel (R, G, B), rows top to bottom, stride width * 3.
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;

  RgbImage() = default;
  RgbImage(int w, int h, uint8_t r = 0, uint8_t g = 0, uint8_t b = 0);
  uint8_t* Pixel(int x, int y) { return rgb.data() + (static_cast<size_t>(y) * width + x) * 3; }
  const uint8_t* Pixel(int x, int y) const {
    return rgb.data() + (static_cast<size_t>(y) * width + x) * 3;
  }
};

// A Huffman table as carried by DHT: counts of codes of length 1..16, then the
// symbols in code order.
struct HuffmanSpec {
  std::array<uint8_t, 16> bits {};
  std::vector<uint8_t> values;
};
const HuffmanSpec& StdDcLuma();    // K.3
const HuffmanSpec& StdDcChroma();  // K.4
const HuffmanSpec& StdAcLuma();    // K.5
const HuffmanSpec& StdAcChroma();  // K.6

// Canonical codes of a table (T.81 Annex C): code and length by symbol
// (length 0 = symbol not in the table).
struct HuffmanCodes {
  std::array<uint16_t, 256> code {};
  std::array<uint8_t, 256> length {};
};
HuffmanCodes BuildHuffmanCodes(const HuffmanSpec& plan);

// zigzag position -> natural (row-major) index (T.81 Figure A.6).
extern const std::array<uint8_t, 64> kZigzagToNatural;

// 8-bit quantisation table, natural row order.
using QuantTable = std::array<uint8_t, 64>;
// K.1 (luma) or K.2 (chroma) scaled by quality 1..100 (values outside are
// clamped): scale = 5000 / q below 50, else 200 - 2q; entries 1..255.
QuantTable QuantTableForQuality(int quality, bool chroma);

enum class TablePacking {
  Separate,  // one segment per table (the default)
  Combined,  // all tables in one segment (DQT: luma then chroma; DHT: DC0, DC1, AC0, AC1)
  Omit,      // no segment at all (the decoder keeps the previous frame's tables)
};

// Payloads of single-table segments, for hand-made DHT/DQT segments
// (JpegOptions::customDht, extraSegments): class/id byte, 16 counts, symbols;
// and precision/id byte (precision 0: 8-bit), then 64 values in zigzag order.
std::vector<uint8_t> DhtPayload(int tableClass, int id, const HuffmanSpec& plan);
std::vector<uint8_t> DqtPayload(int id, const QuantTable& naturalOrder);

// A marker segment: marker code (the byte after 0xFF) and the payload after
// the two length bytes.
struct JpegSegment {
  uint8_t marker = 0;
  std::vector<uint8_t> payload;
};

struct JpegOptions {
  int quality = 75;
  // Explicit tables (natural order) instead of the quality-scaled ones.
  std::optional<QuantTable> lumaQuant;
  std::optional<QuantTable> chromaQuant;
  TablePacking dqt = TablePacking::Separate;
  TablePacking dht = TablePacking::Separate;
  // DC tables to code with, also written in DHT (default K.3 / K.4). The AC
  // coding always uses K.5 / K.6, the only AC tables the camera's decoder has.
  std::optional<HuffmanSpec> dcLuma;
  std::optional<HuffmanSpec> dcChroma;
  // Raw DHT payloads (class/id byte, 16 counts, symbols) written instead of
  // the DHT segments above, for broken or unusual tables; the data is still
  // coded with the tables above.
  std::vector<std::vector<uint8_t>> customDht;
  bool jfif = false;                          // APP0 "JFIF" 1.01 right after SOI
  std::optional<CameraRecordBytes> cameraRecord;  // APP4, 32 bytes
  std::optional<uint64_t> timeStamp;          // COM "T" + low 32 + high 16 bits (LE); 0 is written too
  std::optional<RtcBlock> rtcd;               // "RTCD" + 32 bytes after the stamp (only with timeStamp)
  std::optional<uint8_t> eventByte;           // APP5: the byte, then three zero bytes
  uint8_t sofMarker = 0xC0;                   // e.g. 0xC2 for a frame the camera's decoder must refuse
  std::vector<JpegSegment> extraSegments;     // written just before SOS, in order
  bool writeEoi = true;
};

// Encodes a picture. Never fails for width, height in 1..65535 (an empty
// picture gives an empty vector).
std::vector<uint8_t> EncodeJpeg(const RgbImage& image, const JpegOptions& options = {});

// ---- Lower level, for hand-made frames --------------------------------------

// Quantised coefficients in zigzag order. Blocks of each plane in raster
// order over the MCU-aligned plane: Y has (2 * mcuCols) x (2 * mcuRows)
// blocks, Cb and Cr mcuCols x mcuRows.
using CoefBlock = std::array<int16_t, 64>;
struct JpegCoefficients {
  int width = 0;   // picture size written in SOF0
  int height = 0;
  int mcuCols = 0;
  int mcuRows = 0;
  std::vector<CoefBlock> y, cb, cr;

  CoefBlock& Y(int bx, int by) { return y[static_cast<size_t>(by) * 2 * mcuCols + bx]; }
  CoefBlock& Cb(int mx, int my) { return cb[static_cast<size_t>(my) * mcuCols + mx]; }
  CoefBlock& Cr(int mx, int my) { return cr[static_cast<size_t>(my) * mcuCols + mx]; }
  const CoefBlock& Y(int bx, int by) const { return y[static_cast<size_t>(by) * 2 * mcuCols + bx]; }
  const CoefBlock& Cb(int mx, int my) const { return cb[static_cast<size_t>(my) * mcuCols + mx]; }
  const CoefBlock& Cr(int mx, int my) const { return cr[static_cast<size_t>(my) * mcuCols + mx]; }
};

// All-zero coefficients for a width x height picture (mid grey once decoded).
JpegCoefficients ZeroCoefficients(int width, int height);
// Forward DCT and quantisation with the given tables (natural order).
JpegCoefficients ComputeCoefficients(const RgbImage& image, const QuantTable& luma,
                                     const QuantTable& chroma);
// The tables EncodeJpeg would use for these options.
QuantTable LumaQuantFor(const JpegOptions& options);
QuantTable ChromaQuantFor(const JpegOptions& options);

// Codes the coefficients (MCU order Y0 Y1 Y2 Y3 Cb Cr, DC predicted) with the
// headers the options ask for. AC values are clamped to +-1023, DC
// differences to +-2047.
std::vector<uint8_t> EncodeJpegCoefficients(const JpegCoefficients& coefs,
                                            const JpegOptions& options = {});

// Headers for a width x height picture, then `scan` as the entropy-coded
// data exactly as given (already byte-stuffed; may contain markers), then EOI
// when options.writeEoi.
std::vector<uint8_t> EncodeJpegWithScan(int width, int height, const std::vector<uint8_t>& scan,
                                        const JpegOptions& options = {});

// Bit writer for entropy-coded data: most significant bit first, 0xFF bytes
// stuffed with 0x00, the last byte padded with 1 bits by Finish().
class JpegBitWriter {
 public:
  void PutBits(uint32_t bits, int count);  // count 0..24
  void PutSymbol(const HuffmanCodes& codes, uint8_t symbol);
  // The magnitude category of v and its extra bits (T.81 F.1.2.1).
  static int Category(int v);
  void PutValue(int v, int category);
  // A whole block: DC difference against `predictor` (updated), then AC
  // run/size symbols with ZRL and EOB.
  void PutBlock(const CoefBlock& zz, int& predictor, const HuffmanCodes& dc, const HuffmanCodes& ac);
  // Raw bytes, not stuffed (for markers in the data); the bit buffer is
  // flushed first.
  void PutRaw(const std::vector<uint8_t>& bytes);
  std::vector<uint8_t> Finish();

 private:
  void Flush();
  std::vector<uint8_t> out_;
  uint32_t acc_ = 0;
  int nbits_ = 0;
};

// Walks the marker segments of a JPEG from SOI up to and including SOS (the
// markers without length - SOI, EOI, RSTn - have empty payloads). Stops at
// the first byte that is not a marker or a length that runs past the end.
std::vector<JpegSegment> ListJpegSegments(const std::vector<uint8_t>& jpeg);
// Just the marker codes, in order, e.g. {0xD8, 0xE4, 0xFE, 0xE5, 0xDB, ...}.
std::vector<uint8_t> ListJpegMarkers(const std::vector<uint8_t>& jpeg);

// Inserts a segment before the first segment with marker `before` (0xDA for
// SOS ...); appends before SOS when `before` is absent. Returns false when the
// JPEG has no SOS.
bool InsertJpegSegment(std::vector<uint8_t>& jpeg, const JpegSegment& segment, uint8_t before);
// Removes every segment with this marker (before SOS). Returns the count removed.
int RemoveJpegSegments(std::vector<uint8_t>& jpeg, uint8_t marker);

}  // namespace klv::sample
