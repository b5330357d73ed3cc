// Entropy decoding: the bit reader's public primitives, DC differences through
// the frame's DC tables, AC coefficients through the fixed AC lookups.

#include "media/jpeg/jpeg_bitreader.h"

namespace klv {

int JpegDecoder::Extend(int v, int s) { return jpeg::ExtendBits(v, s); }

void JpegDecoder::StartBits(const uint8_t* data, size_t size) {
  bitPtr_ = data;
  bitEnd_ = data == nullptr ? nullptr : data + size;
  bitBuf_ = 0;
  bitCount_ = 0;
  bitStop_ = false;
  stopCode_ = 0;
  markerUntouched_ = false;
  loaded_ = 0;
  nJpegError_ = 0;
  BuildDcFast();
}

void JpegDecoder::BuildDcFast() {
  for (int id = 0; id < 2; ++id) {
    const HuffDecodeTable& t = huff[0][id];
    for (int i = 0; i < 512; ++i) {
      uint16_t entry = 0;
      for (int len = 1; len <= 9; ++len) {
        const int32_t code = i >> (9 - len);
        if (t.MAXCODE[len] < code) continue;
        int j = t.VALPTR[len] + code - t.MINCODE[len];
        j = j < 0 ? 0 : (j > 255 ? 255 : j);
        entry = static_cast<uint16_t>((len << 8) | t.HUFFVAL[j]);
        break;
      }
      dcFast_[id][i] = entry;
    }
  }
}

// The marker's 0xFF byte (or a byte past the end) is fetched: its bits are
// read as data and the pointer stays on the code byte.
void JpegDecoder::FetchMarker(const char* text) {
  DebugOut(text);
  nJpegError_ = stopCode_;
  bitBuf_ &= bitCount_ == 0 ? 0 : (~0ull << (64 - bitCount_));
  bitBuf_ |= static_cast<uint64_t>(0xFF) << (56 - bitCount_);
  bitCount_ += 8;
  ++loaded_;
  if (bitPtr_ < bitEnd_) ++bitPtr_;
  bitStop_ = false;
}

int JpegDecoder::Get1Bit() {
  if (bitCount_ == 0) {
    Fill();
    if (bitCount_ == 0) FetchMarker("Error in Get1Bit");
  }
  const int bit = static_cast<int>(bitBuf_ >> 63);
  Consume(1);
  markerUntouched_ = false;
  return bit;
}

uint32_t JpegDecoder::GetBits(int n) {
  uint64_t value = 0;
  while (n > 0) {
    if (bitCount_ < n) Fill();
    if (bitCount_ == 0) {
      // The camera's reader gives up at once, the marker byte fetched but unread.
      FetchMarker("Error in GetBits");
      markerUntouched_ = true;
      return 0;
    }
    int take = n < bitCount_ ? n : bitCount_;
    if (take > 32) take = 32;
    value = ((value << take) | (bitBuf_ >> (64 - take))) & 0xFFFFFFFFull;
    Consume(take);
    markerUntouched_ = false;
    n -= take;
  }
  return static_cast<uint32_t>(value);
}

uint32_t JpegDecoder::Peek16() {
  if (bitCount_ < 16) Fill();
  if (bitCount_ >= 16) return static_cast<uint32_t>(bitBuf_ >> 48);
  // Looking ahead through a marker: its bytes read as data; past the end 0xFF.
  uint64_t buf = bitCount_ == 0 ? 0 : (bitBuf_ & (~0ull << (64 - bitCount_)));
  int count = bitCount_;
  const uint8_t* p = bitPtr_;
  while (count < 16) {
    uint8_t b = 0xFF;
    if (p < bitEnd_) {
      b = *p++;
      if (b == 0xFF && p < bitEnd_ && *p == 0x00) ++p;
    }
    buf |= static_cast<uint64_t>(b) << (56 - count);
    count += 8;
  }
  return static_cast<uint32_t>(buf >> 48);
}

uint32_t JpegDecoder::BytesRead() const {
  return loaded_ - static_cast<uint32_t>(bitCount_ >> 3) + (markerUntouched_ ? 1u : 0u);
}

// The length search one bit at a time, exactly as the camera's decoder runs it.
int JpegDecoder::DcDiffSlow(int id) {
  const HuffDecodeTable& t = huff[0][id];
  int32_t code = Get1Bit();
  int len = 1;
  if (nJpegError_ != 0) return 0;
  while (t.MAXCODE[len] < code) {
    if (++len > 16) {
      nJpegError_ = 255;
      return 0;
    }
    code = (code << 1) | Get1Bit();
    if (nJpegError_ != 0) return 0;
  }
  int j = t.VALPTR[len] + code - t.MINCODE[len];
  j = j < 0 ? 0 : (j > 255 ? 255 : j);
  const int s = t.HUFFVAL[j];
  const uint32_t v = GetBits(s);
  if (nJpegError_ != 0) return 0;
  return jpeg::ExtendBits(static_cast<int>(v), s);
}

int JpegDecoder::DecodeDcDiff(int id) {
  id = id != 0 ? 1 : 0;
  if (bitCount_ < 32) Fill();
  if (bitCount_ >= 32 && nJpegError_ == 0 && !markerUntouched_) return DcDiffFast(id);
  return DcDiffSlow(id);
}

namespace {
struct BlockSink {
  int32_t* block;
  KLV_JPEG_INLINE void operator()(int k, int32_t v) { block[k] = v; }
};
struct NullSink {
  KLV_JPEG_INLINE void operator()(int, int32_t) {}
};
}  // namespace

int JpegDecoder::DecodeAc(int32_t* block, bool chroma) {
  for (int k = 1; k < 64; ++k) block[k] = 0;
  BlockSink sink{block};
  return AcLoop(chroma ? 1 : 0, sink);
}

void JpegDecoder::SkipAc(bool chroma) {
  NullSink sink;
  if (chroma)
    AcLoop(1, sink);
  else
    AcLoop(0, sink);
}

}  // namespace klv
