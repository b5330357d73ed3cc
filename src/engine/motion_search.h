#pragma once
// The motion search: walks an AVI file's frames from one frame towards an
// end and stops at the first frame that differs noticeably from the frame
// before it. Each frame is reduced to one luma value per 8 x 8 block (and one
// chroma pair per 16 x 16 MCU) from the JPEG DC coefficients alone.
//
// Two ways to drive it: MotionSearch runs the whole loop (klvtool, tests);
// Begin / Step / Result run it one frame at a time, so that the player can
// drive it from its event loop.
//
// Picture sizes that are not multiples of 16: the planes are laid out by
// whole MCUs (every MCU of the frame has its place), and only the W8 x H8
// samples of the picture take part in the comparison and the colour picture.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "media/common/decoder_flags.h"

namespace klv {

class AviReader;
class JpegDecoder;

// The device-independent bitmap header describing the reduced colour
// picture: rows stored top to bottom, hence the negative height.
struct ReducedBitmapHeader {
  uint32_t biSize = 40;
  int32_t biWidth = 0;
  int32_t biHeight = 0;
  uint16_t biPlanes = 1;
  uint16_t biBitCount = 24;
  uint32_t biCompression = 0;
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;
};

// One reduced picture. Luma values are 0..255 (kept as bytes); chroma values
// are signed, neither level-shifted nor clamped.
struct ReducedSlot {
  std::vector<uint8_t> y;    // PlaneStride() x PlaneRows()
  std::vector<int32_t> cb;   // PlaneStride() / 2 x PlaneRows() / 2
  std::vector<int32_t> cr;
};

// What a search over one file came to.
enum class SearchOutcome {
  kFound,      // a frame with motion, or the frame where a stop request ended it
  kReachedEnd, // `to` reached without a find
  kNoSearch,   // from == to (nothing is read), or no buffers
};
struct MotionSearchResult {
  SearchOutcome outcome = SearchOutcome::kNoSearch;
  int frame = -1;  // the frame found (kFound only)
  bool operator==(const MotionSearchResult&) const = default;
};

class MotionSearcher {
 public:
  // Called for every frame reduced, with the colour picture and the frame index.
  using Preview = std::function<void(const ReducedBitmapHeader& header, const uint8_t* bits,
                                     int index)>;
  Preview preview;
  // bForceBW: a grey colour picture. May be null.
  const DecoderFlags* flags = nullptr;

  // ---- the whole search -------------------------------------------------------
  // From frame `from` (the first reference, never reported) towards `to`
  // (not examined), reading frames with `avi` and walking their headers with
  // `decoder`.
  MotionSearchResult MotionSearch(AviReader& avi, JpegDecoder& decoder, int from, int to, int threshold);
  // Sets the stop flag: the search ends at the frame just decoded.
  void MotionSearchStop() { stop_ = true; }
  bool StopRequested() const { return stop_; }

  // ---- one frame at a time ---------------------------------------------------
  // Starts a search: false (kNoSearch) as above, else true after frame `from`
  // has been reduced and shown. The search may be over at once
  // (from + step == to): Running() then is false and the result kReachedEnd.
  bool Begin(AviReader& avi, JpegDecoder& decoder, int from, int to, int threshold);
  // Examines one more frame. True when the search is over (Result()). A stop
  // flag set since the last step ends it at the frame the last step decoded.
  bool Step();
  bool Running() const { return running_; }
  const MotionSearchResult& Result() const { return result_; }
  // Forgets a running search (its file is closed or replaced).
  void Abandon() { running_ = false; }
  // Frame last reduced by this search; the step it is going to examine next.
  int LastDecoded() const { return lastDecoded_; }
  int NextFrame() const { return next_; }

  // ---- the pieces ----------------------------------------------------------------
  // Releases and allocates (zero-filled) both slots, the colour picture and its
  // header for a picture of width x height. False when they cannot be had.
  bool Allocate(int width, int height);
  // Header walk and DC-only decode of one frame into a slot: 0, or -1 when the
  // walk finds no entropy-coded data (the slot keeps its contents). An entropy
  // error ends the decode early, leaving the rest of the slot as it was.
  int DecodeReducedPicture(JpegDecoder& decoder, const uint8_t* frame, size_t size, int slot);
  // The colour picture of a slot.
  void ReducedToRgb(int slot);
  // True when some block's luma differs by more than threshold.
  bool MotionDetected(int newSlot, int oldSlot, int threshold) const;
  // Largest |luma difference| of any block.
  int LargestDifference(int newSlot, int oldSlot) const;

  int W8() const { return w8_; }
  int H8() const { return h8_; }
  int PlaneStride() const { return stride_; }
  int PlaneRows() const { return rows_; }
  const ReducedSlot& Slot(int i) const { return slots_[i & 1]; }
  ReducedSlot& Slot(int i) { return slots_[i & 1]; }
  const ReducedBitmapHeader& Header() const { return header_; }
  const std::vector<uint8_t>& Bits() const { return bits_; }
  int RgbStride() const { return rgbStride_; }
  // Slot holding the newest frame of a search.
  int CurrentSlot() const { return cur_; }

  // Reads frame `index` (a frame that cannot be read leaves the frame buffer
  // with the frame read before it, and that is what is decoded), reduces it
  // into `slot` and, when there is a preview, converts it and shows it.
  void ReduceFrame(AviReader& avi, JpegDecoder& decoder, int index, int slot);
  // True when the last ReduceFrame read its frame and wrote every sample of
  // its slot: the slot then holds that frame whatever it held before.
  bool LastReduceWhole() const { return lastWhole_; }

 private:
  void Finish(MotionSearchResult result);

  int w8_ = 0, h8_ = 0;
  int stride_ = 0, rows_ = 0;
  int mcusX_ = 0, mcusY_ = 0;
  ReducedSlot slots_[2];
  std::vector<int32_t> predictors_;
  ReducedBitmapHeader header_;
  std::vector<uint8_t> bits_;
  int rgbStride_ = 0;

  bool stop_ = false;
  AviReader* avi_ = nullptr;
  JpegDecoder* decoder_ = nullptr;
  bool running_ = false;
  int from_ = 0, to_ = 0, step_ = 1, threshold_ = 0;
  int cur_ = 0;
  int next_ = 0;
  int lastDecoded_ = -1;
  bool lastWhole_ = false;
  MotionSearchResult result_;
};

// The motion threshold from the threshold box's text: its leading decimal
// number, after any blanks; 0 when the text does not start with one.
int ParseMotionThreshold(const std::string& text);

}  // namespace klv
