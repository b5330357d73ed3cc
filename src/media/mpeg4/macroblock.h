#pragma once
// Macroblock decoding of one I- or P-VOP: macroblock headers, coded-block
// patterns, motion vectors with their prediction, the coefficients of each
// block with the standard's variable-length codes and three escapes, and the
// adaptive prediction of intra DC values. Each macroblock is reconstructed
// into the output picture as soon as it is read.
//
// The camera's own choices hold: no AC prediction, one vector per inter
// macroblock, dquant moving only the running quantiser (kept within 1..31).
// Macroblocks with four vectors, AC prediction and B-VOPs are not decodable:
// they fail the picture cleanly. A picture that fails keeps the macroblocks
// already reconstructed.

#include <cstdint>
#include <vector>

#include "media/mpeg4/bit_reader.h"
#include "media/mpeg4/headers.h"
#include "media/mpeg4/reconstruct.h"

namespace klv {

class StreamReader;

namespace mpeg4 {

class MacroblockDecoder {
 public:
  // Reads the VOP header and, when the VOP is coded, all its macroblocks into
  // the output picture. Returns the file position after the picture in KiB
  // (rounded down), or -1. `decoded` tells whether the picture decoded
  // (a picture inside the first KiB returns 0); `touched` whether any
  // macroblock was written.
  int DecodePicture(StreamReader& reader, const StreamLayer& layer, VopHeader& vop, PictureStores& stores,
                    Dequantiser& dequantiser, bool forceBw, bool* decoded, bool* touched);

  int runningQuantiser = 0;  // after the last macroblock read
  int macroblockCount = 0;   // macroblocks decoded in the last picture

 private:
  // Every read must end before the file's last bit; windows move on when
  // the position has left the current one.
  bool Checkpoint() {
    if (bits_.pos > highWater_) highWater_ = bits_.pos;
    if (highWater_ < limitBits_ && bits_.pos < windowBits_) return true;
    return CheckpointSlow();
  }
  bool CheckpointSlow();
  bool PastEnd() const { return (bits_.pos > highWater_ ? bits_.pos : highWater_) >= limitBits_; }
  bool Fail(uint64_t consumed);
  void FinishFailure();
  bool DecodeMacroblock(int mbx, int mby);
  bool ReadVector(int mbx, int* vx, int* vy);
  bool ReadComponent(int* diff);
  template <bool kIntra>
  bool DecodeBlock(int b, bool coded, int mbx, bool useDc);
  bool ReadLongEvent(bool intra, int* run, int* level, int* last);
  void ResetRowPredictors(int mby);
  void Reconstruct(int mbx, int mby, bool intra, int dx, int dy);

  // Context of the picture being decoded.
  StreamReader* reader_ = nullptr;
  const StreamLayer* layer_ = nullptr;
  VopHeader* vop_ = nullptr;
  PictureStores* stores_ = nullptr;
  Dequantiser* dq_ = nullptr;
  bool forceBw_ = false;
  bool isP_ = false;
  bool touched_ = false;

  MbBitReader bits_;
  uint64_t windowBits_ = 0;  // bits of the window (relative to its start)
  uint64_t limitBits_ = 0;   // bits to the end of the file: a read reaching it fails
  uint64_t highWater_ = 0;   // furthest bit any read reached
  uint64_t failPos_ = 0;
  bool mapFailed_ = false;

  // DC predictors (dequantised DC values; 1024 when not intra or absent):
  // luma rows [above, top blocks, bottom blocks], chroma rows [above, this],
  // each indexed by block column + 1 (index 0 is left of the picture).
  std::vector<int32_t> dcY_[3], dcU_[2], dcV_[2];
  // Vector predictor rows (previous, current), indexed by column + 1.
  struct Mv {
    int32_t x, y;
  };
  std::vector<Mv> mvPrev_, mvCur_;

  alignas(16) int16_t coef_[6][64] = {};  // transposed raster, times 8
  BlockResidual residual_[6];
};

}  // namespace mpeg4
}  // namespace klv
