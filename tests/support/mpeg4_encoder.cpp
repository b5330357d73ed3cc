#include "support/mpeg4_encoder.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "support/mpeg4_bitwriter.h"
#include "support/mpeg4_tables.h"

namespace klv::sample {

using mpeg4::BitWriter;
using mpeg4::Displacement;
using mpeg4::MacroblockSamples;

namespace {

int TimeIncrementBits(int resolution) {
  int bits = 0;
  while (bits < 16 && (1 << bits) < resolution) ++bits;
  return std::max(bits, 1);
}

bool Contains(const std::vector<int>& list, int value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

int Sign(int v) { return (v > 0) - (v < 0); }

// Forward transform (double precision; only the inverse must be exact).
const std::array<std::array<double, 8>, 8>& CosTable() {
  static const auto table = [] {
    std::array<std::array<double, 8>, 8> t {};
    const double pi = std::acos(-1.0);
    for (int k = 0; k < 8; ++k) {
      const double c = k == 0 ? std::sqrt(0.5) : 1.0;
      for (int n = 0; n < 8; ++n) t[static_cast<size_t>(k)][static_cast<size_t>(n)] = 0.5 * c * std::cos((2 * n + 1) * k * pi / 16.0);
    }
    return t;
  }();
  return table;
}

void ForwardTransform(const std::array<int, 64>& in, std::array<double, 64>& out) {
  const auto& t = CosTable();
  std::array<double, 64> tmp {};
  for (int r = 0; r < 8; ++r) {
    for (int k = 0; k < 8; ++k) {
      double s = 0;
      for (int n = 0; n < 8; ++n) s += t[static_cast<size_t>(k)][static_cast<size_t>(n)] * in[static_cast<size_t>(r * 8 + n)];
      tmp[static_cast<size_t>(r * 8 + k)] = s;
    }
  }
  for (int c = 0; c < 8; ++c) {
    for (int k = 0; k < 8; ++k) {
      double s = 0;
      for (int n = 0; n < 8; ++n) s += t[static_cast<size_t>(k)][static_cast<size_t>(n)] * tmp[static_cast<size_t>(n * 8 + c)];
      out[static_cast<size_t>(k * 8 + c)] = s;
    }
  }
}

int QuantiseIntraAc(double f, int step) {
  const int level = static_cast<int>(std::floor(std::fabs(f) / step + 0.5));
  return (f < 0 ? -1 : 1) * std::min(level, 2047);
}

// Inter levels reconstruct to ((2L + sign) * T) >> 1; pick the closest with a
// dead zone below one step.
int QuantiseInter(double f, int step) {
  const double a = std::fabs(f);
  if (a < step) return 0;
  const bool negative = f < 0;
  auto recon = [&](int level) {
    const int v = negative ? -(2 * level + 1) : 2 * level + 1;
    return std::fabs(static_cast<double>((v * step) >> 1));
  };
  int best = 0;
  double bestError = a;
  const int start = std::max(1, static_cast<int>(a / step) - 1);
  for (int level = start; level <= start + 2 && level <= 2047; ++level) {
    const double e = std::fabs(a - recon(level));
    if (e < bestError) {
      bestError = e;
      best = level;
    }
  }
  return negative ? -best : best;
}

// Coefficients that need escapes 1, 2 and 3 (see Mpeg4EncodeOptions::plantEscapes),
// as {scan position, level}.
constexpr std::array<std::pair<int, int>, 4> kPlantIntra = {{{1, 28}, {17, -1}, {38, -2}, {40, 1}}};
constexpr std::array<std::pair<int, int>, 4> kPlantInter = {{{0, 13}, {28, -1}, {56, -2}, {58, 1}}};

struct BlockPlan {
  std::array<int, 64> scan {};  // levels in the order they are sent; intra with DC code: [0] = DC differential
  bool coded = false;
};

struct MbPlan {
  MacroblockInfo info;
  std::array<BlockPlan, 6> blocks;
  int mvdCount = 0;
  std::array<MotionVector, 4> mvd {};
};

struct AcStore {
  bool intra = false;
  int qp = 0;
  std::array<int, 8> row {};  // raster 0 .. 7
  std::array<int, 8> col {};  // raster 0, 8, .. 56
};

int RoundedDiv(int a, int b) { return (a >= 0 ? a + b / 2 : a - b / 2) / b; }

}  // namespace

struct Mpeg4Encoder::Impl {
  Mpeg4Encoder& enc;
  const Mpeg4EncodeOptions& o;
  const YuvPicture& src;
  const YuvPicture& ref;
  YuvPicture recon;
  PictureStats& stats;
  int mbW, mbH, bw, bh;
  int qp = 1;
  mpeg4::StepTables steps;
  int lumaScaler = 8, chromaScaler = 8;
  int running = 1;
  int picture = 0;
  bool planted = false;
  int fLimit = 64;  // largest f = 2^(fcode - 1) the picture may use
  std::vector<int> dcLuma, dcU, dcV;
  std::vector<AcStore> acLuma, acU, acV;
  std::vector<MotionVector> mv;
  std::vector<uint8_t> mvSet;
  std::vector<MbPlan> plans;

  Impl(Mpeg4Encoder& e, const YuvPicture& source, PictureStats& s)
      : enc(e), o(e.options_), src(source), ref(e.reference_), stats(s), mbW(e.mbWidth_),
        mbH(e.mbHeight_), bw(2 * e.mbWidth_), bh(2 * e.mbHeight_) {}

  void Begin(int quant, bool inter) {
    qp = quant;
    running = quant;
    steps = mpeg4::MakeStepTables(qp);
    lumaScaler = mpeg4::LumaDcScaler(qp);
    chromaScaler = mpeg4::ChromaDcScaler(qp);
    recon = inter ? ref : YuvPicture::Make(o.width, o.height);
    dcLuma.assign(static_cast<size_t>(bw) * bh, 1024);
    dcU.assign(static_cast<size_t>(mbW) * mbH, 1024);
    dcV = dcU;
    acLuma.assign(static_cast<size_t>(bw) * bh, AcStore {});
    acU.assign(static_cast<size_t>(mbW) * mbH, AcStore {});
    acV = acU;
    mv.assign(static_cast<size_t>(bw) * bh, MotionVector {});
    mvSet.assign(static_cast<size_t>(bw) * bh, 0);
    plans.assign(static_cast<size_t>(mbW) * mbH, MbPlan {});
    fLimit = o.fcode >= 1 && o.fcode <= 7 ? 1 << (o.fcode - 1) : 64;
  }

  // ---- dquant, stuffing

  int PickDquant(int index, bool allowed) {
    if (!allowed || o.dquantPattern.empty() || o.acPrediction) return 0;
    const int dq = std::clamp(o.dquantPattern[static_cast<size_t>(index) % o.dquantPattern.size()], -2, 2);
    if (running + dq < 1 || running + dq > 31) return 0;
    return dq;
  }

  int StuffingFor(int index) const {
    return o.stuffingEvery > 0 && index % o.stuffingEvery == 0 ? std::max(o.stuffingCount, 0) : 0;
  }

  bool UseDcCode() const {
    static constexpr int kBelow[8] = {99, 13, 15, 17, 19, 21, 23, 0};
    const int thr = std::clamp(o.intraDcVlcThreshold, 0, 7);
    return thr == 0 || (thr < 7 && running < kBelow[thr]);
  }

  // ---- DC and AC prediction neighbours

  struct Neighbours {
    int left, upperLeft, upper;       // dequantised DC (1024 when absent)
    const AcStore* leftAc;
    const AcStore* upperAc;
  };

  Neighbours NeighboursOf(int mbx, int mby, int b) const {
    static const AcStore kNone {};
    auto lumaDc = [&](int x, int y) {
      return x < 0 || y < 0 ? 1024 : dcLuma[static_cast<size_t>(y) * bw + x];
    };
    auto lumaAc = [&](int x, int y) -> const AcStore* {
      return x < 0 || y < 0 ? &kNone : &acLuma[static_cast<size_t>(y) * bw + x];
    };
    if (b < 4) {
      const int x = 2 * mbx + b % 2, y = 2 * mby + b / 2;
      return {lumaDc(x - 1, y), lumaDc(x - 1, y - 1), lumaDc(x, y - 1), lumaAc(x - 1, y), lumaAc(x, y - 1)};
    }
    const auto& dc = b == 4 ? dcU : dcV;
    const auto& ac = b == 4 ? acU : acV;
    auto cdc = [&](int x, int y) { return x < 0 || y < 0 ? 1024 : dc[static_cast<size_t>(y) * mbW + x]; };
    auto cac = [&](int x, int y) -> const AcStore* {
      return x < 0 || y < 0 ? &kNone : &ac[static_cast<size_t>(y) * mbW + x];
    };
    return {cdc(mbx - 1, mby), cdc(mbx - 1, mby - 1), cdc(mbx, mby - 1), cac(mbx - 1, mby), cac(mbx, mby - 1)};
  }

  void StoreIntraBlock(int mbx, int mby, int b, int dcValue, const std::array<int, 64>& raster) {
    AcStore s;
    s.intra = true;
    s.qp = running;
    for (int i = 0; i < 8; ++i) {
      s.row[static_cast<size_t>(i)] = raster[static_cast<size_t>(i)];
      s.col[static_cast<size_t>(i)] = raster[static_cast<size_t>(i * 8)];
    }
    if (b < 4) {
      const size_t at = static_cast<size_t>(2 * mby + b / 2) * bw + 2 * mbx + b % 2;
      dcLuma[at] = dcValue;
      acLuma[at] = s;
    } else {
      const size_t at = static_cast<size_t>(mby) * mbW + mbx;
      (b == 4 ? dcU : dcV)[at] = dcValue;
      (b == 4 ? acU : acV)[at] = s;
    }
  }

  // ---- blocks

  // Dequantises and transforms; reduces the levels until the transform stays
  // within 16-bit intermediates. Returns the transform output.
  std::array<int, 64> Reconstruct(std::array<int, 64>& levels, bool intra, int scaler,
                                  bool planted = false) {
    std::array<int, 64> deq {}, out {};
    for (int attempt = 0;; ++attempt) {
      mpeg4::Dequantise(levels, intra, scaler, steps, deq);
      if (mpeg4::InverseTransform(deq, out)) return out;
      ++stats.attenuatedBlocks;
      if (planted && intra && attempt == 0) {
        levels[0] = (1024 + scaler / 2) / scaler;  // neutral DC keeps the planted levels
        continue;
      }
      for (size_t i = intra ? 1 : 0; i < 64; ++i) levels[i] /= 2;
    }
  }

  void PlantLevels(std::array<int, 64>& raster, bool intra) {
    for (size_t i = intra ? 1 : 0; i < 64; ++i) raster[i] = 0;
    const auto& plant = intra ? kPlantIntra : kPlantInter;
    for (const auto& [pos, level] : plant) raster[mpeg4::kZigzag[static_cast<size_t>(pos)]] = level;
  }

  void IntraMacroblock(int mbx, int mby, MbPlan& plan, bool plantHere) {
    MacroblockSamples in {}, outS {};
    mpeg4::LoadMacroblock(src, mbx, mby, in);
    plan.info.useDcCode = UseDcCode();
    plan.info.acPred = o.acPrediction;
    for (int b = 0; b < 6; ++b) {
      const bool luma = b < 4;
      const int scaler = luma ? lumaScaler : chromaScaler;
      std::array<double, 64> f {};
      ForwardTransform(in[static_cast<size_t>(b)], f);
      std::array<int, 64> levels {};
      levels[0] = std::clamp(static_cast<int>(std::floor(f[0] / scaler + 0.5)), 0, 2047);
      for (size_t i = 1; i < 64; ++i) levels[i] = QuantiseIntraAc(f[i], steps.intra[i]);
      const bool plantBlock = plantHere && b == 0;
      if (plantBlock) PlantLevels(levels, true);
      outS[static_cast<size_t>(b)] = Reconstruct(levels, true, scaler, plantBlock);

      // DC prediction
      const Neighbours n = NeighboursOf(mbx, mby, b);
      const bool fromUpper = std::abs(n.left - n.upperLeft) < std::abs(n.upperLeft - n.upper);
      const int predictor = fromUpper ? n.upper : n.left;
      const int predictedLevel = (predictor + scaler / 2) / scaler;
      std::array<int, 64> sent = levels;
      sent[0] = levels[0] - predictedLevel;
      const std::array<uint8_t, 64>* scan = &mpeg4::kZigzag;
      if (o.acPrediction) {
        const AcStore* a = fromUpper ? n.upperAc : n.leftAc;
        for (int i = 1; i < 8; ++i) {
          const size_t pos = fromUpper ? static_cast<size_t>(i) : static_cast<size_t>(i * 8);
          const int p = a->intra ? (fromUpper ? a->row : a->col)[static_cast<size_t>(i)] : 0;
          sent[pos] -= a->intra ? RoundedDiv(p * a->qp, running) : 0;
        }
        scan = fromUpper ? &mpeg4::kAlternateHorizontal : &mpeg4::kAlternateVertical;
      }
      StoreIntraBlock(mbx, mby, b, levels[0] * scaler, levels);
      BlockPlan& bp = plan.blocks[static_cast<size_t>(b)];
      for (size_t k = 0; k < 64; ++k) bp.scan[k] = sent[(*scan)[k]];
      bp.coded = false;
      for (size_t k = plan.info.useDcCode ? 1 : 0; k < 64; ++k) bp.coded |= bp.scan[k] != 0;
    }
    mpeg4::StoreMacroblock(recon, mbx, mby, outS);
  }

  // Returns true when any block has a level to send.
  bool InterMacroblock(int mbx, int mby, const Displacement& d, MbPlan& plan, bool plantHere) {
    MacroblockSamples in {}, pred {}, outS {};
    mpeg4::LoadMacroblock(src, mbx, mby, in);
    mpeg4::PredictMacroblock(ref, mbx, mby, d, pred);
    bool any = false;
    for (size_t b = 0; b < 6; ++b) {
      std::array<int, 64> residual {};
      for (size_t i = 0; i < 64; ++i) residual[i] = in[b][i] - pred[b][i];
      std::array<double, 64> f {};
      ForwardTransform(residual, f);
      std::array<int, 64> levels {};
      for (size_t i = 0; i < 64; ++i) levels[i] = QuantiseInter(f[i], steps.inter[i]);
      if (plantHere && b == 0) PlantLevels(levels, false);
      const std::array<int, 64> idct = Reconstruct(levels, false, 0);
      for (size_t i = 0; i < 64; ++i) outS[b][i] = idct[i] + pred[b][i];
      BlockPlan& bp = plan.blocks[b];
      bp.coded = false;
      for (size_t k = 0; k < 64; ++k) {
        bp.scan[k] = levels[mpeg4::kZigzag[k]];
        bp.coded |= bp.scan[k] != 0;
      }
      any |= bp.coded;
    }
    mpeg4::StoreMacroblock(recon, mbx, mby, outS);
    return any;
  }

  // ---- motion vectors

  bool VectorAvailable(int x, int y) const {
    return x >= 0 && y >= 0 && x < bw && y < bh && mvSet[static_cast<size_t>(y) * bw + x];
  }

  // Prediction of the vector of 8x8 block (bx, by), `block` 0-3 inside its macroblock.
  MotionVector PredictVector(int bx, int by, int block) const {
    static constexpr int kRightOffset[4] = {2, 1, 1, -1};
    const int cx[3] = {bx - 1, bx, bx + kRightOffset[block]};
    const int cy[3] = {by, by - 1, by - 1};
    int available = 0;
    MotionVector c[3];
    bool ok[3];
    for (int i = 0; i < 3; ++i) {
      ok[i] = VectorAvailable(cx[i], cy[i]);
      c[i] = ok[i] ? mv[static_cast<size_t>(cy[i]) * bw + cx[i]] : MotionVector {};
      available += ok[i];
    }
    if (available == 0) return {};
    if (available == 1) {
      for (int i = 0; i < 3; ++i) {
        if (ok[i]) return c[i];
      }
    }
    auto median = [](int a, int b, int d) { return std::max(std::min(a, b), std::min(std::max(a, b), d)); };
    return {median(c[0].x, c[1].x, c[2].x), median(c[0].y, c[1].y, c[2].y)};
  }

  void SetVectors(int mbx, int mby, MotionVector v) {
    for (int b = 0; b < 4; ++b) SetBlockVector(2 * mbx + b % 2, 2 * mby + b / 2, v);
  }
  void SetBlockVector(int bx, int by, MotionVector v) {
    mv[static_cast<size_t>(by) * bw + bx] = v;
    mvSet[static_cast<size_t>(by) * bw + bx] = 1;
  }

  bool Fits(MotionVector v, MotionVector pred) const {
    const int lo = -32 * fLimit, hi = 32 * fLimit - 1;
    return v.x >= lo && v.x <= hi && v.y >= lo && v.y <= hi && std::abs(v.x - pred.x) <= 32 * fLimit &&
           std::abs(v.y - pred.y) <= 32 * fLimit;
  }

  MotionVector Coded(const Displacement& d) const {
    if (!o.oddVectors) return {2 * d.x, 2 * d.y};
    return {2 * d.x + Sign(d.x), 2 * d.y + Sign(d.y)};
  }

  int Sad(int mbx, int mby, const Displacement& d, int limit) const {
    int sum = 0;
    const int x0 = mbx * 16, y0 = mby * 16;
    for (int r = 0; r < 16 && sum < limit; ++r) {
      const uint8_t* a = &src.y[static_cast<size_t>(y0 + r) * src.width + x0];
      const uint8_t* b = &ref.y[static_cast<size_t>(y0 + d.y + r) * ref.width + x0 + d.x];
      for (int c = 0; c < 16; ++c) sum += std::abs(a[c] - b[c]);
    }
    return sum;
  }

  int IntraActivity(int mbx, int mby) const {
    int sum = 0;
    for (int r = 0; r < 16; ++r) {
      for (int c = 0; c < 16; ++c) sum += src.Y(mbx * 16 + c, mby * 16 + r);
    }
    const int mean = sum / 256;
    int act = 0;
    for (int r = 0; r < 16; ++r) {
      for (int c = 0; c < 16; ++c) act += std::abs(src.Y(mbx * 16 + c, mby * 16 + r) - mean);
    }
    return act;
  }

  // Full search over whole-pixel displacements that stay inside the picture
  // and whose coded vectors fit the f range.
  Displacement Search(int mbx, int mby, MotionVector pred, int& bestSad) const {
    Displacement best {};
    bestSad = Sad(mbx, mby, best, INT_MAX);
    int bestCost = bestSad;
    const int r = std::clamp(o.searchRange, 0, 64);
    // The predicted displacement first: a good early bound prunes the full search.
    const Displacement guess {std::clamp(pred.x / 2, -r, r), std::clamp(pred.y / 2, -r, r)};
    const bool guessOutward = (mbx == 0 && guess.x < 0) || (mbx == mbW - 1 && guess.x > 0) ||
                              (mby == 0 && guess.y < 0) || (mby == mbH - 1 && guess.y > 0);
    if (!guessOutward && mpeg4::DisplacementInside(guess, mbx, mby, o.width, o.height) && Fits(Coded(guess), pred)) {
      const int penalty = 2 * (std::abs(guess.x) + std::abs(guess.y));
      const int sad = Sad(mbx, mby, guess, bestCost - penalty);
      if (sad + penalty < bestCost) {
        bestCost = sad + penalty;
        bestSad = sad;
        best = guess;
      }
    }
    for (int dy = -r; dy <= r; ++dy) {
      for (int dx = -r; dx <= r; ++dx) {
        if ((mbx == 0 && dx < 0) || (mbx == mbW - 1 && dx > 0) || (mby == 0 && dy < 0) ||
            (mby == mbH - 1 && dy > 0)) {
          continue;
        }
        const Displacement d {dx, dy};
        if (!mpeg4::DisplacementInside(d, mbx, mby, o.width, o.height)) continue;
        if (!Fits(Coded(d), pred)) continue;
        const int penalty = 2 * (std::abs(dx) + std::abs(dy));
        const int sad = Sad(mbx, mby, d, bestCost - penalty);
        if (sad + penalty < bestCost) {
          bestCost = sad + penalty;
          bestSad = sad;
          best = d;
        }
      }
    }
    return best;
  }

  // A scripted vector, reduced toward 0 until it fits the f range and reads
  // inside the picture.
  MotionVector Constrain(MotionVector v, MotionVector pred, int mbx, int mby) {
    const MotionVector original = v;
    const int lo = -32 * fLimit, hi = 32 * fLimit - 1;
    v.x = std::clamp(v.x, std::max(lo, pred.x - 32 * fLimit), std::min(hi, pred.x + 32 * fLimit));
    v.y = std::clamp(v.y, std::max(lo, pred.y - 32 * fLimit), std::min(hi, pred.y + 32 * fLimit));
    while (!mpeg4::DisplacementInside(mpeg4::LumaDisplacement(v.x, v.y, mbx, mby, mbW, mbH), mbx, mby,
                                      o.width, o.height)) {
      v.x -= std::clamp(v.x, -2, 2);
      v.y -= std::clamp(v.y, -2, 2);
    }
    if (!(v == original)) ++stats.adjustedVectors;
    return v;
  }

  MotionVector EdgeOutward(MotionVector v, const Displacement& d, MotionVector pred, int mbx, int mby) const {
    const int far = 48 + 2 * ((mbx + mby) % 5);
    const int hi = 32 * fLimit - 1;
    auto outward = [&](int& comp, int disp, int predComp, int sign) {
      if (disp != 0) return;
      int want = sign * far;
      want = std::clamp(want, std::max(-32 * fLimit, predComp - 32 * fLimit), std::min(hi, predComp + 32 * fLimit));
      if (Sign(want) == sign && std::abs(want) >= 2) comp = want;
    };
    if (mbx == 0) {
      outward(v.x, d.x, pred.x, -1);
    } else if (mbx == mbW - 1) {
      outward(v.x, d.x, pred.x, +1);
    }
    if (mby == 0) {
      outward(v.y, d.y, pred.y, -1);
    } else if (mby == mbH - 1) {
      outward(v.y, d.y, pred.y, +1);
    }
    return v;
  }

  // ---- pictures

  void PlanIntraPicture() {
    for (int i = 0; i < mbW * mbH; ++i) {
      const int mbx = i % mbW, mby = i / mbW;
      MbPlan& plan = plans[static_cast<size_t>(i)];
      plan.info.kind = MacroblockInfo::Kind::Intra;
      plan.info.stuffingBefore = StuffingFor(i);
      plan.info.dquant = PickDquant(i, true);
      running += plan.info.dquant;
      const bool plantHere = o.plantEscapes && !o.acPrediction && !planted;
      planted |= plantHere;
      IntraMacroblock(mbx, mby, plan, plantHere);
      Finish(plan);
    }
  }

  void PlanInterPicture(bool allSkipped) {
    for (int i = 0; i < mbW * mbH; ++i) {
      const int mbx = i % mbW, mby = i / mbW;
      MbPlan& plan = plans[static_cast<size_t>(i)];
      plan.info.stuffingBefore = allSkipped ? 0 : StuffingFor(i);
      if (allSkipped) {
        plan.info.kind = MacroblockInfo::Kind::NotCoded;
        SetVectors(mbx, mby, {});
        Finish(plan);
        continue;
      }
      const MotionVector pred = PredictVector(2 * mbx, 2 * mby, 0);
      const bool fourV = Contains(o.fourVectorMbs, i);
      bool intra = Contains(o.intraMbsInP, i) && !fourV;
      MotionVector v {};
      Displacement d {};
      if (!intra) {
        std::optional<MotionVector> scripted;
        if (o.vectorScript) scripted = o.vectorScript(picture, mbx, mby);
        if (scripted) {
          v = Constrain(*scripted, pred, mbx, mby);
          d = mpeg4::LumaDisplacement(v.x, v.y, mbx, mby, mbW, mbH);
        } else {
          int sad = 0;
          d = Search(mbx, mby, pred, sad);
          v = Coded(d);
          if (o.adaptiveIntra && !fourV && sad > IntraActivity(mbx, mby) + 512) intra = true;
          if (!intra && o.edgeOutwardVectors) v = EdgeOutward(v, d, pred, mbx, mby);
        }
      }
      plan.info.dquant = PickDquant(i, !fourV);
      running += plan.info.dquant;
      const bool plantHere = o.plantEscapes && !o.acPrediction && !planted;
      planted |= plantHere;
      if (intra) {
        plan.info.kind = MacroblockInfo::Kind::Intra;
        SetVectors(mbx, mby, {});
        IntraMacroblock(mbx, mby, plan, plantHere);
        Finish(plan);
        continue;
      }
      const bool any = InterMacroblock(mbx, mby, d, plan, plantHere);
      plan.info.vector = v;
      plan.info.applied = d;
      if (fourV) {
        plan.info.kind = MacroblockInfo::Kind::FourVector;
        plan.mvdCount = 4;
        for (int b = 0; b < 4; ++b) {
          const int bx = 2 * mbx + b % 2, by = 2 * mby + b / 2;
          const MotionVector p = PredictVector(bx, by, b);
          plan.mvd[static_cast<size_t>(b)] = {v.x - p.x, v.y - p.y};
          SetBlockVector(bx, by, v);
        }
      } else if (o.allowNotCoded && !any && v == MotionVector {} && plan.info.dquant == 0) {
        plan.info.kind = MacroblockInfo::Kind::NotCoded;
        SetVectors(mbx, mby, {});
      } else {
        plan.info.kind = MacroblockInfo::Kind::Inter;
        plan.mvdCount = 1;
        plan.mvd[0] = {v.x - pred.x, v.y - pred.y};
        SetVectors(mbx, mby, v);
      }
      Finish(plan);
    }
  }

  void Finish(MbPlan& plan) {
    plan.info.cbp = 0;
    if (plan.info.kind != MacroblockInfo::Kind::NotCoded) {
      for (int b = 0; b < 6; ++b) {
        if (plan.blocks[static_cast<size_t>(b)].coded) plan.info.cbp |= 1 << (5 - b);
      }
    }
    plan.info.quantAfter = running;
    stats.maxVectorComponent = std::max({stats.maxVectorComponent, std::abs(plan.info.vector.x),
                                         std::abs(plan.info.vector.y)});
  }

  int ChooseFcode() const {
    if (o.fcode >= 1 && o.fcode <= 7) return o.fcode;
    int need = 1;
    auto grow = [&](int lo, int hi, bool diff) {
      while (need < 7) {
        const int f = 1 << (need - 1);
        if (diff ? (std::max(std::abs(lo), std::abs(hi)) <= 32 * f) : (lo >= -32 * f && hi <= 32 * f - 1)) break;
        ++need;
      }
    };
    for (const MbPlan& p : plans) {
      if (p.mvdCount == 0) continue;
      grow(std::min(p.info.vector.x, p.info.vector.y), std::max(p.info.vector.x, p.info.vector.y), false);
      for (int k = 0; k < p.mvdCount; ++k) {
        const MotionVector m = p.mvd[static_cast<size_t>(k)];
        grow(std::min(m.x, m.y), std::max(m.x, m.y), true);
      }
    }
    return need;
  }

  // ---- bits

  void PutVlc(BitWriter& w, mpeg4::Vlc v) { w.Put(v.code, v.length); }

  void PutMvd(BitWriter& w, int diff, int rSize) {
    if (diff == 0) {
      PutVlc(w, mpeg4::kMvd[0]);
      return;
    }
    const int a = std::abs(diff) - 1;
    PutVlc(w, mpeg4::kMvd[(a >> rSize) + 1]);
    w.PutBit(diff < 0);
    if (rSize > 0) w.Put(static_cast<uint32_t>(a & ((1 << rSize) - 1)), rSize);
  }

  void PutCoefficient(BitWriter& w, bool intraTable, bool last, int run, int level) {
    const int a = std::abs(level);
    const uint32_t sign = level < 0;
    if (!o.forceEscape3) {
      mpeg4::Vlc c = mpeg4::TcoefCode(intraTable, last, run, a);
      if (c.length) {
        PutVlc(w, c);
        w.PutBit(sign);
        ++stats.vlcCoefficients;
        return;
      }
      const int lmax = mpeg4::TcoefLmax(intraTable, last, run);
      if (lmax > 0 && a > lmax) {
        c = mpeg4::TcoefCode(intraTable, last, run, a - lmax);
        if (c.length) {
          PutVlc(w, mpeg4::kTcoefEscape);
          w.PutBit(0);
          PutVlc(w, c);
          w.PutBit(sign);
          ++stats.escapes[1];
          return;
        }
      }
      const int rmax = mpeg4::TcoefRmax(intraTable, last, a);
      if (rmax >= 0 && run > rmax) {
        c = mpeg4::TcoefCode(intraTable, last, run - rmax - 1, a);
        if (c.length) {
          PutVlc(w, mpeg4::kTcoefEscape);
          w.Put(2, 2);
          PutVlc(w, c);
          w.PutBit(sign);
          ++stats.escapes[2];
          return;
        }
      }
    }
    PutVlc(w, mpeg4::kTcoefEscape);
    w.Put(3, 2);
    w.PutBit(last);
    w.Put(static_cast<uint32_t>(run), 6);
    w.PutBit(1);
    w.Put(static_cast<uint32_t>(level) & 0xFFFu, 12);
    w.PutBit(1);
    ++stats.escapes[3];
  }

  void PutBlock(BitWriter& w, const BlockPlan& bp, int b, bool intra, bool useDcCode) {
    size_t start = 0;
    if (intra && useDcCode) {
      const int diff = bp.scan[0];
      int size = 0;
      while ((std::abs(diff) >> size) != 0) ++size;
      PutVlc(w, b < 4 ? mpeg4::kDcSizeLuma[size] : mpeg4::kDcSizeChroma[size]);
      if (size > 0) {
        const int bits = diff > 0 ? diff : diff + (1 << size) - 1;
        w.Put(static_cast<uint32_t>(bits), size);
        if (size > 8) w.PutBit(1);
      }
      start = 1;
    }
    if (!bp.coded) return;
    size_t lastPos = 0;
    for (size_t k = start; k < 64; ++k) {
      if (bp.scan[k] != 0) lastPos = k;
    }
    int run = 0;
    for (size_t k = start; k < 64; ++k) {
      if (bp.scan[k] == 0) {
        ++run;
        continue;
      }
      PutCoefficient(w, intra, k == lastPos, run, bp.scan[k]);
      run = 0;
      if (k == lastPos) break;
    }
  }

  void PutMacroblocks(BitWriter& w, bool inter, int fcode) {
    const int rSize = fcode - 1;
    for (const MbPlan& p : plans) {
      for (int s = 0; s < p.info.stuffingBefore; ++s) {
        if (inter) w.PutBit(0);
        PutVlc(w, mpeg4::kMcbpcStuffing);
        ++stats.stuffingCodes;
      }
      const auto kind = p.info.kind;
      if (inter) w.PutBit(kind == MacroblockInfo::Kind::NotCoded);
      if (kind == MacroblockInfo::Kind::NotCoded) {
        ++stats.notCodedMbs;
        continue;
      }
      const bool intra = kind == MacroblockInfo::Kind::Intra;
      const int cbpc = p.info.cbp & 3, cbpy = p.info.cbp >> 2;
      const bool dq = p.info.dquant != 0;
      if (!inter) {
        PutVlc(w, mpeg4::kMcbpcIntra[dq ? 1 : 0][cbpc]);
      } else {
        const int type = intra ? (dq ? mpeg4::kMbIntraQ : mpeg4::kMbIntra)
                                : (kind == MacroblockInfo::Kind::FourVector ? mpeg4::kMbInter4V
                                                                            : (dq ? mpeg4::kMbInterQ : mpeg4::kMbInter));
        PutVlc(w, mpeg4::kMcbpcInter[type][cbpc]);
      }
      if (intra) w.PutBit(p.info.acPred);
      PutVlc(w, mpeg4::kCbpy[intra ? cbpy : 15 - cbpy]);
      if (dq) {
        static constexpr uint32_t kCode[5] = {1, 0, 0, 2, 3};  // for -2 .. 2
        w.Put(kCode[p.info.dquant + 2], 2);
        ++stats.dquantMbs;
      }
      for (int k = 0; k < p.mvdCount; ++k) {
        PutMvd(w, p.mvd[static_cast<size_t>(k)].x, rSize);
        PutMvd(w, p.mvd[static_cast<size_t>(k)].y, rSize);
      }
      if (intra) {
        ++stats.intraMbs;
      } else if (kind == MacroblockInfo::Kind::FourVector) {
        ++stats.fourVectorMbs;
      } else {
        ++stats.interMbs;
      }
      for (int b = 0; b < 6; ++b) PutBlock(w, p.blocks[static_cast<size_t>(b)], b, intra, p.info.useDcCode);
    }
  }
};

Mpeg4Encoder::Mpeg4Encoder(Mpeg4EncodeOptions options) : options_(std::move(options)) {
  options_.width = std::max(16, options_.width / 16 * 16);
  options_.height = std::max(16, options_.height / 16 * 16);
  mbWidth_ = options_.width / 16;
  mbHeight_ = options_.height / 16;
  options_.timeIncrementResolution = std::clamp(options_.timeIncrementResolution, 1, 65535);
  reference_ = YuvPicture::Make(options_.width, options_.height);
}

std::vector<uint8_t> Mpeg4Encoder::Headers() const {
  const Mpeg4EncodeOptions& o = options_;
  const Mpeg4HeaderOverrides& x = o.overrides;
  const std::vector<uint8_t> userData = {'K', 'L', 'V', ' ', 's', 'a', 'm', 'p', 'l', 'e'};
  BitWriter w;
  w.StartCode(mpeg4::kVisualObjectSequence);
  w.Put(o.profileLevel, 8);
  if (x.userData == Mpeg4HeaderOverrides::UserData::AfterSequence) {
    w.StartCode(mpeg4::kUserData);
    w.PutBytes(userData);
  }
  w.StartCode(mpeg4::kVisualObject);
  const int voId = x.visualObjectIdentifier.value_or(0) & 1;
  w.PutBit(static_cast<uint32_t>(voId));
  if (voId) {
    w.Put(1, 4);
    w.Put(1, 3);
  }
  w.Put(static_cast<uint32_t>(x.visualObjectType.value_or(1)), 4);
  const int signal = x.videoSignalType.value_or(0) & 1;
  w.PutBit(static_cast<uint32_t>(signal));
  if (signal) {
    w.Put(5, 3);
    w.PutBit(0);
    w.PutBit(0);
  }
  w.Stuff();
  if (x.userData == Mpeg4HeaderOverrides::UserData::AfterObject) {
    w.StartCode(mpeg4::kUserData);
    w.PutBytes(userData);
  }
  w.StartCode(mpeg4::kVideoObject);
  w.StartCode(mpeg4::kVideoObjectLayer);
  w.PutBit(o.randomAccessibleVol);
  w.Put(o.objectType, 8);
  const int verid = o.layerIdentifier ? x.layerVerid.value_or(1) & 15 : 1;
  w.PutBit(o.layerIdentifier);
  if (o.layerIdentifier) {
    w.Put(static_cast<uint32_t>(verid), 4);
    w.Put(1, 3);
  }
  const int aspect = x.aspectRatioInfo.value_or(1) & 15;
  w.Put(static_cast<uint32_t>(aspect), 4);
  if (aspect == 15) {
    w.Put(1, 8);
    w.Put(1, 8);
  }
  w.PutBit(o.volControlParameters);
  if (o.volControlParameters) {
    w.Put(1, 2);  // 4:2:0
    w.PutBit(o.lowDelay);
    w.PutBit(o.vbvParameters);
    if (o.vbvParameters) {
      w.Put(0, 15);  // bit rate 2000 (units of 400 bit/s)
      w.PutBit(1);
      w.Put(2000, 15);
      w.PutBit(1);
      w.Put(0, 15);  // vbv buffer size 40 (16384-bit units)
      w.PutBit(1);
      w.Put(40 & 7, 3);
      w.Put(0, 11);  // occupancy
      w.PutBit(1);
      w.Put(10000, 15);
      w.PutBit(1);
    }
  }
  const int shape = x.shape.value_or(0) & 3;
  w.Put(static_cast<uint32_t>(shape), 2);
  w.PutBit(1);
  w.Put(static_cast<uint32_t>(o.timeIncrementResolution), 16);
  w.PutBit(static_cast<uint32_t>(x.markerAfterResolution.value_or(1) & 1));
  const int fixedRate = x.fixedVopRate.value_or(0) & 1;
  w.PutBit(static_cast<uint32_t>(fixedRate));
  if (fixedRate) w.Put(static_cast<uint32_t>(o.timeIncrementPerPicture), TimeIncrementBits(o.timeIncrementResolution));
  if (shape == 0) {
    w.PutBit(1);
    w.Put(static_cast<uint32_t>(x.headerWidth.value_or(o.width)) & 0x1FFFu, 13);
    w.PutBit(1);
    w.Put(static_cast<uint32_t>(x.headerHeight.value_or(o.height)) & 0x1FFFu, 13);
    w.PutBit(1);
  }
  w.PutBit(static_cast<uint32_t>(x.interlaced.value_or(0) & 1));
  w.PutBit(1);  // obmc_disable
  w.Put(static_cast<uint32_t>(x.spriteEnable.value_or(0)), verid == 1 ? 1 : 2);
  const int not8 = x.not8Bit.value_or(0) & 1;
  w.PutBit(static_cast<uint32_t>(not8));
  if (not8) {
    w.Put(5, 4);
    w.Put(8, 4);
  }
  const int quantType = x.quantType.value_or(0) & 1;
  w.PutBit(static_cast<uint32_t>(quantType));
  if (quantType) {
    w.PutBit(0);  // default intra matrix
    w.PutBit(0);  // default non-intra matrix
  }
  if (verid != 1) w.PutBit(0);  // quarter_sample
  w.PutBit(static_cast<uint32_t>(x.complexityEstimationDisable.value_or(1) & 1));
  w.PutBit(static_cast<uint32_t>(x.resyncMarkerDisable.value_or(1) & 1));
  const int partitioned = x.dataPartitioned.value_or(0) & 1;
  w.PutBit(static_cast<uint32_t>(partitioned));
  if (partitioned) w.PutBit(0);  // reversible_vlc
  if (verid != 1) {
    w.PutBit(0);  // newpred_enable
    w.PutBit(0);  // reduced_resolution_vop_enable
  }
  w.PutBit(static_cast<uint32_t>(x.scalability.value_or(0) & 1));
  w.Stuff();
  return w.Take();
}

std::vector<uint8_t> Mpeg4Encoder::GroupOfVop(bool closedGov, bool brokenLink) {
  const int64_t next = referenceCount_ == 0 && pictureIndex_ == 0 ? 0 : time_ + std::max(options_.timeIncrementPerPicture, 0);
  lastRefSeconds_ = next / options_.timeIncrementResolution;
  const int seconds = static_cast<int>(lastRefSeconds_ % 86400);
  BitWriter w;
  w.StartCode(mpeg4::kGroupOfVop);
  w.Put(static_cast<uint32_t>((seconds / 3600) % 24), 5);
  w.Put(static_cast<uint32_t>((seconds / 60) % 60), 6);
  w.PutBit(1);
  w.Put(static_cast<uint32_t>(seconds % 60), 6);
  w.PutBit(closedGov);
  w.PutBit(brokenLink);
  w.Stuff();
  return w.Take();
}

std::vector<uint8_t> Mpeg4Encoder::EncodePicture(const YuvPicture& source, PictureType type,
                                                 const PictureControls& controls) {
  const Mpeg4EncodeOptions& o = options_;
  stats_ = PictureStats {};
  stats_.index = pictureIndex_;
  if ((type == PictureType::Inter || type == PictureType::Skipped) && referenceCount_ == 0) {
    type = PictureType::Intra;  // nothing to predict from yet
  }
  if (type == PictureType::Bidirectional && referenceCount_ < 2) type = PictureType::Inter;
  if (type == PictureType::Inter && referenceCount_ == 0) type = PictureType::Intra;
  stats_.type = type;

  const bool intra = type == PictureType::Intra;
  int quant = controls.quant;
  if (quant <= 0 && !o.quantPerPicture.empty()) {
    quant = o.quantPerPicture[static_cast<size_t>(pictureIndex_) % o.quantPerPicture.size()];
  }
  if (quant <= 0) quant = intra ? o.intraQuant : o.interQuant;
  quant = std::clamp(quant, 1, 31);
  stats_.quant = quant;
  stats_.finalQuant = quant;

  // Time stamp.
  const int res = o.timeIncrementResolution;
  const int step = std::max(o.timeIncrementPerPicture, 0);
  int64_t t;
  int ones;
  if (type == PictureType::Bidirectional) {
    t = pastRefTime_ + (time_ - pastRefTime_) / 2;
    ones = static_cast<int>(t / res - pastRefSeconds_);
  } else {
    t = referenceCount_ == 0 && pictureIndex_ == 0 ? 0 : time_ + step;
    ones = static_cast<int>(t / res - lastRefSeconds_);
  }
  ones = std::max(ones, 0);
  if (controls.moduloTimeBaseOnes) ones = std::max(*controls.moduloTimeBaseOnes, 0);
  stats_.timeIncrement = static_cast<int>(t % res);
  stats_.moduloOnes = ones;

  int codingType = 0;
  switch (type) {
    case PictureType::Intra: codingType = 0; break;
    case PictureType::Inter:
    case PictureType::Skipped: codingType = 1; break;
    case PictureType::NotCoded: codingType = referenceCount_ > 0 ? 1 : 0; break;
    case PictureType::Bidirectional: codingType = 2; break;
  }
  const int writtenType = controls.codingType.value_or(codingType) & 3;

  BitWriter w;
  w.StartCode(mpeg4::kVop);
  w.Put(static_cast<uint32_t>(writtenType), 2);
  for (int i = 0; i < ones; ++i) w.PutBit(1);
  w.PutBit(0);
  w.PutBit(1);
  w.Put(static_cast<uint32_t>(stats_.timeIncrement), TimeIncrementBits(res));
  w.PutBit(1);
  const bool coded = type != PictureType::NotCoded;
  w.PutBit(coded);

  if (type != PictureType::Bidirectional) {
    pastRefTime_ = time_;
    time_ = t;
    pastRefSeconds_ = lastRefSeconds_;
    lastRefSeconds_ = t / res;
  }

  if (!coded) {
    stats_.decodable = false;
    w.Stuff();
    stats_.bits = w.BitCount();
    ++pictureIndex_;
    ++referenceCount_;
    return w.Take();
  }

  if (type == PictureType::Bidirectional) {
    stats_.decodable = false;
    w.Put(static_cast<uint32_t>(o.intraDcVlcThreshold & 7), 3);
    w.Put(static_cast<uint32_t>(quant), 5);
    w.Put(1, 3);  // vop_fcode_forward
    w.Put(1, 3);  // vop_fcode_backward
    stats_.macroblocks.resize(static_cast<size_t>(mbWidth_) * mbHeight_);
    for (size_t i = 0; i < stats_.macroblocks.size(); ++i) {
      const bool skipped = lastRefWasP_ && i < lastNotCoded_.size() && lastNotCoded_[i];
      stats_.macroblocks[i].kind = skipped ? MacroblockInfo::Kind::Absent : MacroblockInfo::Kind::Direct;
      if (!skipped) w.PutBit(1);  // modb: direct, no vector delta, no coefficients
    }
    w.Stuff();
    stats_.bits = w.BitCount();
    ++pictureIndex_;
    return w.Take();
  }

  // A source of another size is coded as a grey picture rather than read out of bounds.
  const YuvPicture grey = YuvPicture::Make(o.width, o.height, 128);
  const bool sized = source.width == o.width && source.height == o.height &&
                     source.y.size() == grey.y.size() && source.u.size() == grey.u.size() &&
                     source.v.size() == grey.v.size();
  Impl impl(*this, sized ? source : grey, stats_);
  impl.picture = pictureIndex_;
  impl.Begin(quant, !intra);
  const bool inter = !intra;
  if (intra) {
    impl.PlanIntraPicture();
  } else {
    impl.PlanInterPicture(type == PictureType::Skipped);
  }
  const int fcode = inter ? impl.ChooseFcode() : 0;
  stats_.fcode = fcode;
  if (inter) w.PutBit(static_cast<uint32_t>(o.roundingType & 1));
  w.Put(static_cast<uint32_t>(o.intraDcVlcThreshold & 7), 3);
  w.Put(static_cast<uint32_t>(quant), 5);
  if (inter) w.Put(static_cast<uint32_t>(fcode), 3);
  impl.PutMacroblocks(w, inter, std::max(fcode, 1));
  w.Stuff();

  stats_.finalQuant = impl.running;
  stats_.macroblocks.reserve(impl.plans.size());
  lastNotCoded_.assign(impl.plans.size(), 0);
  for (size_t i = 0; i < impl.plans.size(); ++i) {
    stats_.macroblocks.push_back(impl.plans[i].info);
    lastNotCoded_[i] = impl.plans[i].info.kind == MacroblockInfo::Kind::NotCoded;
  }
  lastRefWasP_ = inter;
  reference_ = std::move(impl.recon);
  stats_.bits = w.BitCount();
  ++pictureIndex_;
  ++referenceCount_;
  return w.Take();
}

}  // namespace klv::sample
