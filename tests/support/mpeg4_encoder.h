#pragma once
// MPEG-4 simple-profile encoder of the sample writer: the `.m4v` test and demo
// streams that the camera's decoder must play.
//
//   klv::sample::Mpeg4EncodeOptions o;       // 176 x 144, quantisers 6 / 8
//   klv::sample::Mpeg4Encoder enc(o);
//   auto bytes = enc.Headers();
//   auto pic = enc.EncodePicture(source, klv::sample::PictureType::Intra);
//   const klv::sample::YuvPicture& shown = enc.Reconstruction();
//
// The reconstruction uses the camera's arithmetic exactly (mpeg4_recon.h):
// dequantisation with the default matrices for the picture's quantiser,
// mismatch control, the camera's inverse transform, whole-pixel luma motion
// and chroma interpolation without rounding. A correct player therefore shows
// Reconstruction() bit for bit. The encoder never sends a block whose inverse
// transform leaves 16-bit intermediates, nor a vector that reads outside the
// reference picture (except components the camera zeroes at the picture edge).
//
// Width and height must be multiples of 16 (the headers may claim other
// sizes through Mpeg4HeaderOverrides).

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "support/mpeg4_recon.h"

namespace klv::sample {

enum class PictureType {
  Intra,          // I-VOP
  Inter,          // P-VOP: motion search, intra/inter/not-coded decisions
  Skipped,        // P-VOP whose macroblocks are all not coded (a copy of the reference)
  NotCoded,       // VOP header with vop_coded 0 (the camera treats it as undecodable)
  Bidirectional,  // B-VOP (the camera has no B-VOP syntax): every macroblock direct, no data;
                  // needs two earlier I/P pictures and timeIncrementPerPicture >= 2
};
// After a NotCoded or Bidirectional picture the writer keeps its reference
// (as the standard does); the camera's swapped picture stores would not, so
// test streams follow such a picture with an I-VOP when later pictures matter.

// Vector in half-pixel units, as coded.
struct MotionVector {
  int x = 0;
  int y = 0;
  bool operator==(const MotionVector&) const = default;
};

// Header values the camera refuses (or, for the marker and verid, reads
// without checking). Unset fields get the accepted value. Syntax that depends
// on a changed field is written where simple (PAR bytes, fixed increment,
// quantiser precision, matrix load flags, reversible VLC flag); the picture
// data itself is not coded differently.
struct Mpeg4HeaderOverrides {
  std::optional<int> visualObjectIdentifier;  // 1: verid 1 and priority 1 follow
  std::optional<int> visualObjectType;        // 4 bits; accepted 1
  std::optional<int> videoSignalType;         // 1: format 5, full range 0, no colour description
  std::optional<int> aspectRatioInfo;         // 4 bits; accepted 1; 15 adds PAR 1:1
  std::optional<int> shape;                   // 2 bits; accepted 0
  std::optional<int> markerAfterResolution;   // read, any value accepted
  std::optional<int> fixedVopRate;            // accepted 0
  std::optional<int> interlaced;              // accepted 0
  std::optional<int> spriteEnable;            // accepted 0
  std::optional<int> not8Bit;                 // accepted 0
  std::optional<int> quantType;               // accepted 0; 1 = MPEG quantisation (default matrices)
  std::optional<int> complexityEstimationDisable;  // accepted 1
  std::optional<int> resyncMarkerDisable;     // accepted 1
  std::optional<int> dataPartitioned;         // accepted 0
  std::optional<int> scalability;             // accepted 0
  std::optional<int> layerVerid;              // video_object_layer_verid when layerIdentifier
  std::optional<int> headerWidth;             // video_object_layer_width written
  std::optional<int> headerHeight;            // video_object_layer_height written
  enum class UserData { None, AfterSequence, AfterObject };
  UserData userData = UserData::None;         // a user-data unit between the headers
};

struct Mpeg4EncodeOptions {
  int width = 176;
  int height = 144;

  // ---- Stream headers (defaults are what the camera writes and accepts)
  uint8_t profileLevel = 0x01;       // 0x01 simple L1, 0xF0 advanced simple L0
  uint8_t objectType = 0x01;         // 0x01 simple, 0x11 advanced simple
  bool randomAccessibleVol = false;
  bool layerIdentifier = false;      // is_object_layer_identifier (verid 1, priority 1)
  bool volControlParameters = false; // chroma_format 1, low_delay, vbv_parameters
  bool lowDelay = true;
  bool vbvParameters = false;
  int timeIncrementResolution = 15;  // 1 .. 65535
  int timeIncrementPerPicture = 1;   // ticks between pictures
  Mpeg4HeaderOverrides overrides;

  // ---- Picture coding
  int intraQuant = 6;                // vop_quant of I-VOPs (1 .. 31)
  int interQuant = 8;                // vop_quant of P-VOPs
  std::vector<int> quantPerPicture;  // when not empty: vop_quant of picture k = [k % size]
  int intraDcVlcThreshold = 0;       // intra_dc_vlc_thr 0 .. 7
  std::vector<int> dquantPattern;    // dquant of macroblock i = [i % size] (-2 .. 2); a value that
                                     // would leave 1 .. 31 is sent as 0; not-coded candidates with a
                                     // dquant are sent as coded inter macroblocks
  int stuffingEvery = 0;             // MCBPC stuffing in front of macroblocks i % N == 0 (0: none)
  int stuffingCount = 1;             // stuffing codes at each such place
  bool forceEscape3 = false;         // every coefficient as escape type 3
  bool plantEscapes = false;         // per picture one block (Y0 of the first macroblock that
                                     // is not a four-vector one) gets coefficients needing
                                     // escapes 1, 2 and 3 (the type-3 level negative); not
                                     // together with acPrediction
  int roundingType = 0;              // vop_rounding_type of P-VOPs (read, not applied)

  // ---- Motion (P-VOPs)
  int searchRange = 8;               // full search +- whole pixels
  // Scripted vectors: when it returns a vector for (picture, mbx, mby) that vector is
  // used (reduced toward 0 if it would read outside the picture or leave the f range).
  std::function<std::optional<MotionVector>(int picture, int mbx, int mby)> vectorScript;
  bool oddVectors = false;           // code displacement d as 2d + sign(d) (same whole pixels)
  bool edgeOutwardVectors = false;   // edge macroblocks get large outward components, which
                                     // the camera applies as 0
  int fcode = 0;                     // vop_fcode_forward 1 .. 7; 0: the smallest that fits
  bool allowNotCoded = true;         // zero vector and no coefficients -> not_coded
  bool adaptiveIntra = true;         // intra macroblocks in P-VOPs where prediction fails
  std::vector<int> intraMbsInP;      // macroblock indices always intra in P-VOPs

  // ---- Features the camera does not implement (for its refusal tests)
  bool acPrediction = false;         // ac_pred_flag 1 with real AC prediction (no dquant then)
  std::vector<int> fourVectorMbs;    // macroblock indices sent as four-vector macroblocks
                                     // (four equal vectors) in P-VOPs
};

// Per-picture controls.
struct PictureControls {
  int quant = 0;                               // 0: from the options
  std::optional<int> moduloTimeBaseOnes;       // number of 1 bits of modulo_time_base
  std::optional<int> codingType;               // vop_coding_type written (3: S-VOP)
};

struct MacroblockInfo {
  enum class Kind { NotCoded, Inter, FourVector, Intra, Direct, Absent };
  Kind kind = Kind::Absent;
  MotionVector vector;           // as coded (the value the vector prediction uses)
  mpeg4::Displacement applied;   // the camera's whole-pixel luma displacement
  int cbp = 0;                   // bit 5 = Y0 ... bit 0 = V
  int dquant = 0;
  int quantAfter = 0;            // running quantiser after the macroblock
  int stuffingBefore = 0;
  bool acPred = false;
  bool useDcCode = false;
};

struct PictureStats {
  PictureType type = PictureType::Intra;
  int index = 0;
  int quant = 0;                 // vop_quant
  int finalQuant = 0;            // running quantiser after the last macroblock
  int fcode = 0;                 // P-VOPs
  bool decodable = true;         // false for NotCoded and Bidirectional pictures
  int timeIncrement = 0;
  int moduloOnes = 0;
  size_t bits = 0;
  int intraMbs = 0, interMbs = 0, fourVectorMbs = 0, notCodedMbs = 0;
  int stuffingCodes = 0, dquantMbs = 0;
  std::array<int, 4> escapes {};  // [1], [2], [3]: coefficients per escape type
  int vlcCoefficients = 0;
  int attenuatedBlocks = 0;      // blocks whose levels were reduced to keep 16-bit intermediates
  int adjustedVectors = 0;       // scripted vectors reduced
  int maxVectorComponent = 0;    // largest |component| of a coded vector
  std::vector<MacroblockInfo> macroblocks;
};

class Mpeg4Encoder {
 public:
  explicit Mpeg4Encoder(Mpeg4EncodeOptions options);

  const Mpeg4EncodeOptions& Options() const { return options_; }
  int MbWidth() const { return mbWidth_; }
  int MbHeight() const { return mbHeight_; }

  // Visual object sequence, visual object, video object and layer headers,
  // ending with stuffing to the byte boundary.
  std::vector<uint8_t> Headers() const;
  // A group-of-VOP header for the next picture: its time code is the next
  // picture's whole seconds, which also becomes the base of its time stamp.
  std::vector<uint8_t> GroupOfVop(bool closedGov = true, bool brokenLink = false);
  // One VOP, from its start code to the stuffing after it. The source must be
  // width x height (another size is coded as a grey picture).
  std::vector<uint8_t> EncodePicture(const YuvPicture& source, PictureType type,
                                     const PictureControls& controls = {});

  // The picture a correct player shows after the last EncodePicture (for
  // NotCoded and Bidirectional pictures: the unchanged reference).
  const YuvPicture& Reconstruction() const { return reference_; }
  const PictureStats& LastStats() const { return stats_; }
  int PicturesEncoded() const { return pictureIndex_; }

 private:
  struct Impl;
  Mpeg4EncodeOptions options_;
  int mbWidth_ = 0;
  int mbHeight_ = 0;
  int pictureIndex_ = 0;
  int referenceCount_ = 0;          // I/P pictures so far
  int64_t time_ = 0;                // ticks of the last I/P picture
  int64_t lastRefSeconds_ = 0;
  int64_t pastRefSeconds_ = 0;
  int64_t pastRefTime_ = 0;
  YuvPicture reference_;
  std::vector<uint8_t> lastNotCoded_;  // not_coded flags of the last P-VOP (B-VOP skipping)
  bool lastRefWasP_ = false;
  PictureStats stats_;
};

}  // namespace klv::sample
