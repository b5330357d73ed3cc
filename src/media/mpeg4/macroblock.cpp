#include "media/mpeg4/macroblock.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "media/mpeg4/stream_reader.h"
#include "media/mpeg4/vlc_tables.h"

namespace klv::mpeg4 {
namespace {

constexpr int32_t kNoDc = 1024;
constexpr int32_t kNoVector = INT32_MAX;
constexpr int kDquant[4] = {-1, -2, 1, 2};

// Scan position -> index into the transposed block the transform reads.
constexpr std::array<uint8_t, 64> MakeTransposedScan() {
  constexpr uint8_t zz[64] = {
      0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
      41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
      30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63,
  };
  std::array<uint8_t, 64> t {};
  for (int k = 0; k < 64; ++k) t[static_cast<size_t>(k)] = static_cast<uint8_t>((zz[k] & 7) * 8 + (zz[k] >> 3));
  return t;
}
constexpr std::array<uint8_t, 64> kScanT = MakeTransposedScan();

inline int16_t Times8(int32_t v) {
  return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(v) << 3));
}

inline int32_t Median(int32_t a, int32_t b, int32_t c) {
  return std::max(std::min(a, b), std::min(std::max(a, b), c));
}

}  // namespace

// --- picture -------------------------------------------------------------------

int MacroblockDecoder::DecodePicture(StreamReader& reader, const StreamLayer& layer, VopHeader& vop,
                                     PictureStores& stores, Dequantiser& dequantiser, bool forceBw, bool* decoded,
                                     bool* touched) {
  *decoded = false;
  *touched = false;
  macroblockCount = 0;
  if (!stores.Allocated() || stores.mbWidth() != layer.mbWidth || stores.mbHeight() != layer.mbHeight) return -1;
  if (!ReadVopHeader(reader, layer, vop) || !vop.coded) return -1;
  if (vop.codingType == 2) return -1;  // B-VOPs: not decodable
  reader_ = &reader;
  layer_ = &layer;
  vop_ = &vop;
  stores_ = &stores;
  dq_ = &dequantiser;
  forceBw_ = forceBw;
  isP_ = vop.codingType == 1;
  touched_ = false;
  mapFailed_ = false;
  runningQuantiser = vop.quantiser;
  dequantiser.PrepareDequantiser(vop.quantiser);

  const int mbw = layer.mbWidth;
  for (auto& row : dcY_) row.assign(static_cast<size_t>(2 * mbw + 1), kNoDc);
  for (auto& row : dcU_) row.assign(static_cast<size_t>(mbw + 1), kNoDc);
  for (auto& row : dcV_) row.assign(static_cast<size_t>(mbw + 1), kNoDc);
  if (isP_) {
    mvPrev_.assign(static_cast<size_t>(mbw + 2), Mv {kNoVector, kNoVector});
    mvCur_.assign(static_cast<size_t>(mbw + 2), Mv {kNoVector, kNoVector});
    stores.PrepareReference();
  }

  // From here the macroblocks are read from the view directly.
  if (!reader.HasView()) return -1;
  windowBits_ = uint64_t {reader.WindowLength()} * 8;
  limitBits_ = (reader.FileSize() - reader.WindowOffset()) * 8;
  bits_.Reset(reader.ViewBase(), reader.ViewReadable(), reader.BitPosition() - reader.WindowOffset() * 8);
  highWater_ = bits_.pos;

  for (int mby = 0; mby < layer.mbHeight; ++mby) {
    ResetRowPredictors(mby);
    for (int mbx = 0; mbx < mbw; ++mbx) {
      if (!DecodeMacroblock(mbx, mby)) {
        FinishFailure();
        *touched = touched_;
        return -1;
      }
      ++macroblockCount;
    }
  }
  if (!Checkpoint()) {
    FinishFailure();
    *touched = touched_;
    return -1;
  }
  *touched = touched_;
  if (!reader.SetBitPosition(reader.WindowOffset() * 8 + bits_.pos)) return -1;
  *decoded = true;
  return static_cast<int>(std::min<uint64_t>(reader.Position() / 1024, INT_MAX));
}

// The camera's reader fails when reading the file's last bit makes it step
// off the end; windows are mapped on as the position leaves them.
bool MacroblockDecoder::CheckpointSlow() {
  if (highWater_ >= limitBits_) return Fail(bits_.pos);
  while (bits_.pos >= windowBits_) {
    StreamReader& r = *reader_;
    if (r.MapWindow(r.WindowOffset() + r.WindowLength()) <= 0) {
      mapFailed_ = true;
      return Fail(bits_.pos);
    }
    const uint64_t moved = bits_.pos - windowBits_;
    highWater_ -= windowBits_;
    limitBits_ -= windowBits_;
    windowBits_ = uint64_t {r.WindowLength()} * 8;
    bits_.Reset(r.ViewBase(), r.ViewReadable(), moved);
  }
  return true;
}

bool MacroblockDecoder::Fail(uint64_t consumed) {
  failPos_ = consumed;
  return false;
}

// Leaves the stream reader where the camera's reader stops: after the bits
// the failing read consumed, or at the end of the file.
void MacroblockDecoder::FinishFailure() {
  std::memset(coef_, 0, sizeof coef_);
  StreamReader& r = *reader_;
  if (mapFailed_) return;  // the view is gone already
  highWater_ = std::max({highWater_, failPos_, bits_.pos});
  if (highWater_ >= limitBits_) {
    r.DropView();
    return;
  }
  r.SetBitPosition(r.WindowOffset() * 8 + failPos_);
}

void MacroblockDecoder::ResetRowPredictors(int mby) {
  if (mby > 0) {
    dcY_[0].swap(dcY_[2]);
    dcU_[0].swap(dcU_[1]);
    dcV_[0].swap(dcV_[1]);
    if (isP_) {
      mvPrev_.swap(mvCur_);
      std::fill(mvCur_.begin(), mvCur_.end(), Mv {kNoVector, kNoVector});
    }
  }
  dcY_[1][0] = dcY_[2][0] = kNoDc;
  dcU_[1][0] = dcV_[1][0] = kNoDc;
}

// --- macroblock ----------------------------------------------------------------

bool MacroblockDecoder::DecodeMacroblock(int mbx, int mby) {
  int mbType = 0;
  int cbpc = 0;
  for (;;) {
    if (!Checkpoint()) return false;
    if (isP_ && bits_.Get1() != 0) {
      // Not coded: a copy of the reference at the same place.
      if (!Checkpoint()) return false;
      mvCur_[static_cast<size_t>(mbx + 1)] = Mv {0, 0};
      dcY_[1][static_cast<size_t>(2 * mbx + 1)] = dcY_[1][static_cast<size_t>(2 * mbx + 2)] = kNoDc;
      dcY_[2][static_cast<size_t>(2 * mbx + 1)] = dcY_[2][static_cast<size_t>(2 * mbx + 2)] = kNoDc;
      dcU_[1][static_cast<size_t>(mbx + 1)] = dcV_[1][static_cast<size_t>(mbx + 1)] = kNoDc;
      touched_ = true;
      PredictMacroblock(stores_->referencePicture(), stores_->outputPicture(), mbx, mby, 0, 0, forceBw_);
      return true;
    }
    const VlcEntry e = isP_ ? kMcbpcInterLut[bits_.Peek(kMcbpcBits)] : kMcbpcIntraLut[bits_.Peek(kMcbpcBits)];
    if (e.length == 0) return Fail(bits_.pos + kMcbpcBits + 1);
    bits_.Skip(e.length);
    if (isP_) {
      mbType = e.value & 7;
      cbpc = e.value >> 3;
      if (mbType == kMbStuffing) continue;
    } else {
      if (e.value == 0) continue;  // stuffing
      mbType = (e.value & 3) == 1 ? kMbIntra : kMbIntraQ;
      cbpc = e.value >> 2;
    }
    break;
  }
  if (mbType == kMbInter4V) return Fail(bits_.pos);  // not decodable
  const bool intra = mbType == kMbIntra || mbType == kMbIntraQ;
  if (intra && bits_.Get1() != 0) return Fail(bits_.pos);  // AC prediction: not decodable

  const VlcEntry c = kCbpyLut[bits_.Peek(kCbpyBits)];
  if (c.length == 0) return Fail(bits_.pos + kCbpyBits + 1);
  bits_.Skip(c.length);
  const int cbpy = intra ? c.value : 15 - c.value;

  if (mbType == kMbInterQ || mbType == kMbIntraQ) {
    const uint32_t d = bits_.Get(2);
    if (PastEnd()) return Fail(bits_.pos);
    // Kept within 1..31 so that nothing indexes outside the quantiser range.
    runningQuantiser = std::clamp(runningQuantiser + kDquant[d], 1, 31);
  }

  int vx = 0, vy = 0;
  if (isP_) {
    if (intra) {
      mvCur_[static_cast<size_t>(mbx + 1)] = Mv {0, 0};
    } else if (!ReadVector(mbx, &vx, &vy)) {
      return false;
    }
  }

  const bool useDc = intra && runningQuantiser < vop_->intraDcThreshold;
  const int cbp = (cbpy << 2) | cbpc;
  for (int b = 0; b < 6; ++b) {
    if (!Checkpoint()) return false;
    const bool coded = ((cbp >> (5 - b)) & 1) != 0;
    const bool ok = intra ? DecodeBlock<true>(b, coded, mbx, useDc) : DecodeBlock<false>(b, coded, mbx, false);
    if (!ok) return false;
  }
  if (!Checkpoint()) return false;

  if (!intra) {
    dcY_[1][static_cast<size_t>(2 * mbx + 1)] = dcY_[1][static_cast<size_t>(2 * mbx + 2)] = kNoDc;
    dcY_[2][static_cast<size_t>(2 * mbx + 1)] = dcY_[2][static_cast<size_t>(2 * mbx + 2)] = kNoDc;
    dcU_[1][static_cast<size_t>(mbx + 1)] = dcV_[1][static_cast<size_t>(mbx + 1)] = kNoDc;
  }

  // Whole-pixel luma displacement; at the picture's edges a displacement
  // pointing outward is dropped.
  int dx = vx / 2, dy = vy / 2;
  if (mby == 0 && dy < 0) dy = 0;
  if (mby == layer_->mbHeight - 1 && dy > 0) dy = 0;
  if (mbx == 0 && dx < 0) dx = 0;
  if (mbx == layer_->mbWidth - 1 && dx > 0) dx = 0;
  Reconstruct(mbx, mby, intra, dx, dy);
  return true;
}

bool MacroblockDecoder::ReadComponent(int* diff) {
  const VlcEntry e = kMvdLut[bits_.Peek(kMvdBits)];
  if (e.length == 0) return Fail(bits_.pos + kMvdBits + 1);
  bits_.Skip(e.length);
  *diff = 0;
  if (e.value == 0) return true;
  const bool negative = bits_.Get1() != 0;
  int magnitude = e.value;
  const int rSize = vop_->rSize;
  if (rSize > 0) {
    const int residual = static_cast<int>(bits_.Get(rSize));
    magnitude = (e.value - 1) * (1 << rSize) + residual + 1;
  }
  *diff = negative ? -magnitude : magnitude;
  return true;
}

bool MacroblockDecoder::ReadVector(int mbx, int* vx, int* vy) {
  int dxv = 0, dyv = 0;
  if (!ReadComponent(&dxv) || !ReadComponent(&dyv)) return false;
  const Mv left = mvCur_[static_cast<size_t>(mbx)];
  const Mv above = mvPrev_[static_cast<size_t>(mbx + 1)];
  const Mv aboveRight = mvPrev_[static_cast<size_t>(mbx + 2)];
  const bool hasL = left.x != kNoVector, hasA = above.x != kNoVector, hasR = aboveRight.x != kNoVector;
  const int available = hasL + hasA + hasR;
  int32_t px = 0, py = 0;
  if (available == 1) {
    const Mv& only = hasL ? left : (hasA ? above : aboveRight);
    px = only.x;
    py = only.y;
  } else if (available >= 2) {
    px = Median(hasL ? left.x : 0, hasA ? above.x : 0, hasR ? aboveRight.x : 0);
    py = Median(hasL ? left.y : 0, hasA ? above.y : 0, hasR ? aboveRight.y : 0);
  }
  *vx = px + dxv;
  *vy = py + dyv;
  mvCur_[static_cast<size_t>(mbx + 1)] = Mv {*vx, *vy};
  return true;
}

// --- blocks --------------------------------------------------------------------

template <bool kIntra>
bool MacroblockDecoder::DecodeBlock(int b, bool coded, int mbx, bool useDc) {
  int16_t* coef = coef_[b];
  const bool chroma = b >= 4;

  int32_t level0 = 0;   // the coefficient at position 0, before any DC prediction
  uint32_t parity = 0;  // lowest bit: parity of the sum for mismatch control
  bool ac = false;      // a value outside position 0
  int k = 0;

  if (kIntra && useDc) {
    const VlcEntry e = chroma ? kDcChromaLut[bits_.Peek(kDcChromaBits)] : kDcLumaLut[bits_.Peek(kDcLumaBits)];
    if (e.length == 0) return Fail(bits_.pos + (chroma ? kDcChromaBits : kDcLumaBits) + 1);
    bits_.Skip(e.length);
    const int size = e.value;
    if (size > 9) return Fail(bits_.pos);
    if (size > 0) {
      const int32_t v = static_cast<int32_t>(bits_.Get(size));
      level0 = v >= (1 << (size - 1)) ? v : v - ((1 << size) - 1);
      if (size > 8 && bits_.Get1() == 0) return Fail(bits_.pos);
    }
    k = 1;
  }

  if (coded) {
    const TcoefShortEntry* shortCodes = kIntra ? kTcoefIntraShort.data() : kTcoefInterShort.data();
    const int32_t* steps = kIntra ? dq_->intraScanSteps : dq_->interScanSteps;
    for (;;) {
      const TcoefShortEntry e = shortCodes[bits_.Peek(kTcoefShortBits)];
      int run, level, last;
      if (e.length != 0) [[likely]] {
        run = e.run;
        level = e.level;
        last = e.last;
        bits_.Skip(e.length);
      } else if (!ReadLongEvent(kIntra, &run, &level, &last)) {
        return false;
      }
      k += run;
      if (k > 63) return Fail(bits_.pos);
      if (k != 0) [[likely]] {
        int32_t v;
        if (kIntra) {
          v = level * steps[k];  // (2 * level * step) >> 1
        } else {
          v = ((2 * level + (level > 0) - (level < 0)) * steps[k]) >> 1;
        }
        coef[kScanT[static_cast<size_t>(k)]] = Times8(v);
        parity ^= static_cast<uint32_t>(v);
        ac = true;
      } else {
        level0 = level;
      }
      ++k;
      if (last) break;
    }
  }

  // Position 0: DC prediction for intra blocks, else the inter dequantiser.
  int32_t value0;
  if (kIntra) {
    std::vector<int32_t>* rows;
    size_t col;
    int scaler;
    if (chroma) {
      rows = b == 4 ? dcU_ : dcV_;
      col = static_cast<size_t>(mbx + 1);
      scaler = dq_->chromaDcScaler;
    } else {
      rows = &dcY_[b >> 1];  // rows[0] above this block row, rows[1] this block row
      col = static_cast<size_t>(2 * mbx + (b & 1) + 1);
      scaler = dq_->lumaDcScaler;
    }
    const int32_t fl = rows[1][col - 1];
    const int32_t fk = rows[0][col - 1];
    const int32_t ft = rows[0][col];
    const int32_t prediction = std::abs(fl - fk) < std::abs(fk - ft) ? ft : fl;
    const int32_t level = level0 + (prediction + scaler / 2) / scaler;
    value0 = level * scaler;
    rows[1][col] = value0;
  } else {
    value0 = ((2 * level0 + (level0 > 0) - (level0 < 0)) * dq_->interSteps[0]) >> 1;
  }
  parity ^= static_cast<uint32_t>(value0);

  // Mismatch control: an even sum flips the lowest bit at position 63 (bit 3
  // of the value times 8).
  BlockResidual& r = residual_[b];
  const bool flip = (parity & 1) == 0;
  if (ac) {
    if (flip) coef[63] = static_cast<int16_t>(coef[63] ^ 8);
    coef[0] = Times8(value0);
    r = BlockResidual {BlockKind::kFull, false, 0};
  } else if (value0 != 0) {
    r = BlockResidual {BlockKind::kDcOnly, flip, Times8(value0)};
  } else {
    // Nothing but the mismatch 1 at 63, which transforms to zero.
    r = BlockResidual {BlockKind::kZero, false, 0};
  }
  return true;
}

// Codes longer than the first look, and the three escapes.
bool MacroblockDecoder::ReadLongEvent(bool intra, int* run, int* level, int* last) {
  const std::array<TcoefEntry, 1u << kTcoefBits>& lut = intra ? kTcoefIntraLut : kTcoefInterLut;
  const EscapeLimits& limits = intra ? kEscapeIntra : kEscapeInter;
  const uint64_t w = bits_.PeekWord();
  const TcoefEntry e = lut[static_cast<size_t>(w >> (64 - kTcoefBits))];
  if (e.length != 0) {
    *run = e.run;
    *last = e.last;
    *level = ((w >> (63 - e.length)) & 1) != 0 ? -e.level : e.level;
    bits_.Skip(e.length + 1);
    return true;
  }
  // No code: the camera's search has read 13 bits, gives up and goes back
  // to where the code began; the escape follows.
  highWater_ = std::max(highWater_, bits_.pos + kTcoefSearchBits);
  if (bits_.Peek(kEscapeBits) != kEscapeCode) return Fail(bits_.pos + kEscapeBits);
  bits_.Skip(kEscapeBits);
  const uint32_t mode = bits_.Peek(2);
  if (mode != 3) {
    // Type 1 (0): the level is extended by LMAX; type 2 (10): the run by
    // RMAX + 1. A coded event and its sign follow.
    const bool type1 = mode < 2;
    bits_.Skip(type1 ? 1 : 2);
    const TcoefEntry x = lut[bits_.Peek(kTcoefBits)];
    if (x.length == 0) {
      highWater_ = std::max(highWater_, bits_.pos + kTcoefSearchBits);
      return Fail(bits_.pos);
    }
    bits_.Skip(x.length);
    const bool negative = bits_.Get1() != 0;
    *last = x.last;
    *run = x.run;
    int magnitude = x.level;
    if (type1) {
      if (*run >= limits.lmaxCount[*last]) return Fail(bits_.pos);
      magnitude += limits.lmax[*last][*run];
    } else {
      if (magnitude > limits.rmaxCount[*last]) return Fail(bits_.pos);
      *run += limits.rmax[*last][magnitude - 1] + 1;
    }
    *level = negative ? -magnitude : magnitude;
    return true;
  }
  // Type 3 (11): last, run, marker, 12-bit level, marker.
  bits_.Skip(2);
  *last = static_cast<int>(bits_.Get1());
  *run = static_cast<int>(bits_.Get(6));
  if (bits_.Get1() == 0) return Fail(bits_.pos);
  const int raw = static_cast<int>(bits_.Get(12));
  *level = raw >= 0x800 ? raw - 4096 : raw;
  if (bits_.Get1() == 0) return Fail(bits_.pos);
  return true;
}

// --- reconstruction ----------------------------------------------------------------

void MacroblockDecoder::Reconstruct(int mbx, int mby, bool intra, int dx, int dy) {
  Picture& out = stores_->outputPicture();
  touched_ = true;
  if (!intra) PredictMacroblock(stores_->referencePicture(), out, mbx, mby, dx, dy, forceBw_);
  uint8_t* y = out.y.Row(mby * 16) + mbx * 16;
  const int ys = out.y.stride;
  uint8_t* dst[4] = {y, y + 8, y + 8 * ys, y + 8 * ys + 8};
  for (int b = 0; b < 4; ++b) {
    if (intra || residual_[b].kind != BlockKind::kZero) StoreBlock(dst[b], ys, residual_[b], coef_[b], intra);
  }
  if (forceBw_) {
    if (intra) FillChromaGrey(out, mbx, mby);
    std::memset(coef_[4], 0, sizeof coef_[4] * 2);
    return;
  }
  if (intra || residual_[4].kind != BlockKind::kZero) {
    StoreBlock(out.u.Row(mby * 8) + mbx * 8, out.u.stride, residual_[4], coef_[4], intra);
  }
  if (intra || residual_[5].kind != BlockKind::kZero) {
    StoreBlock(out.v.Row(mby * 8) + mbx * 8, out.v.stride, residual_[5], coef_[5], intra);
  }
}

}  // namespace klv::mpeg4
