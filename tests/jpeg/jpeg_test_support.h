#pragma once
// Helpers for the JPEG tests, fuzz seeds and benchmarks: synthetic camera-like
// scenes, libjpeg-turbo encode/decode, PSNR, and a small builder for frames
// made by hand (segments plus Huffman-coded blocks with the standard tables).

#include <turbojpeg.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "media/jpeg/jpeg_decoder.h"

namespace klv::jpegtest {

// BGR rows (stride width * 3): gradients, a sine texture, hard-edged shapes
// and noise, so that every kind of block shows up.
inline std::vector<uint8_t> MakeScene(int width, int height, uint32_t seed) {
  std::vector<uint8_t> bgr(static_cast<size_t>(width) * height * 3);
  uint32_t rng = seed * 2654435761u + 12345u;
  auto noise = [&rng]() {
    rng = rng * 1664525u + 1013904223u;
    return static_cast<int>((rng >> 24) % 21) - 10;
  };
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      double r = 255.0 * x / width;
      double g = 255.0 * y / height;
      double b = 128 + 60 * std::sin(x * 0.21 + seed) * std::cos(y * 0.17);
      if (x > width / 2) {  // right half: finer texture
        const double t = 40 * std::sin(x * 0.9) * std::sin(y * 0.7);
        r = 0.5 * r + 60 + t;
        g = 0.5 * g + 60 - t;
      }
      if ((x / 37 + y / 29) % 5 == 0) {  // hard edges
        r = 240;
        g = 30;
        b = 20;
      }
      if (x > width / 3 && x < width / 3 + 50 && y > height / 4 && y < height / 4 + 80) {
        r = g = b = 250;  // a bright patch
      }
      uint8_t* px = &bgr[(static_cast<size_t>(y) * width + x) * 3];
      auto put = [](double v, int n) {
        const int i = static_cast<int>(v) + n;
        return static_cast<uint8_t>(i < 0 ? 0 : (i > 255 ? 255 : i));
      };
      px[0] = put(b, noise());
      px[1] = put(g, noise());
      px[2] = put(r, noise());
    }
  }
  return bgr;
}

// Baseline 4:2:0 with the standard Huffman tables (no optimised tables).
inline std::vector<uint8_t> TurboEncode(const std::vector<uint8_t>& bgr, int width, int height,
                                        int quality) {
  tjhandle h = tjInitCompress();
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  std::vector<uint8_t> out;
  if (tjCompress2(h, bgr.data(), width, width * 3, height, TJPF_BGR, &jpeg, &size, TJSAMP_420,
                  quality, 0) == 0)
    out.assign(jpeg, jpeg + size);
  tjFree(jpeg);
  tjDestroy(h);
  return out;
}

// BGR rows of stride width * 3; empty on failure.
inline std::vector<uint8_t> TurboDecode(const std::vector<uint8_t>& jpeg, int width, int height,
                                        int flags) {
  tjhandle h = tjInitDecompress();
  std::vector<uint8_t> out(static_cast<size_t>(width) * height * 3);
  if (tjDecompress2(h, jpeg.data(), jpeg.size(), out.data(), width, width * 3, height, TJPF_BGR,
                    flags) != 0)
    out.clear();
  tjDestroy(h);
  return out;
}

inline double Psnr(const uint8_t* a, size_t strideA, const uint8_t* b, size_t strideB, int width,
                   int height) {
  double sum = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width * 3; ++x) {
      const double d = static_cast<double>(a[y * strideA + x]) - b[y * strideB + x];
      sum += d * d;
    }
  const double mse = sum / (static_cast<double>(width) * height * 3);
  return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

// --- frames by hand ----------------------------------------------------------

class BitWriter {
 public:
  void Put(uint32_t bits, int n) {
    for (int i = n - 1; i >= 0; --i) {
      acc_ = static_cast<uint8_t>((acc_ << 1) | ((bits >> i) & 1));
      if (++count_ == 8) Flush();
    }
  }
  // Pads the last byte with ones, as encoders do.
  std::vector<uint8_t> Finish() {
    while (count_ != 0) Put(1, 1);
    return bytes_;
  }

 private:
  void Flush() {
    bytes_.push_back(acc_);
    if (acc_ == 0xFF) bytes_.push_back(0x00);
    acc_ = 0;
    count_ = 0;
  }
  std::vector<uint8_t> bytes_;
  uint8_t acc_ = 0;
  int count_ = 0;
};

// Canonical code of `symbol` in a table (length 0 when absent).
inline void CodeOf(const HuffDecodeTable& t, int symbol, uint32_t* code, int* length) {
  uint32_t c = 0;
  int k = 0;
  for (int len = 1; len <= 16; ++len) {
    for (int i = 0; i < t.BITS[len]; ++i, ++k, ++c) {
      if (t.HUFFVAL[k] == symbol) {
        *code = c;
        *length = len;
        return;
      }
    }
    c <<= 1;
  }
  *code = 0;
  *length = 0;
}

// Writes blocks with the standard tables of a fresh decoder.
class BlockWriter {
 public:
  // One block: DC difference, then (zigzag index, value) coefficients.
  void Block(bool chroma, int dcDiff, const std::vector<std::pair<int, int>>& ac = {}) {
    PutValue(fresh_.Huff(0, chroma ? 1 : 0), 0, dcDiff);
    int k = 1;
    for (const auto& [pos, v] : ac) {
      int run = pos - k;
      while (run > 15) {
        PutSymbol(fresh_.Huff(1, chroma ? 1 : 0), 0xF0);
        run -= 16;
      }
      PutValue(fresh_.Huff(1, chroma ? 1 : 0), run, v);
      k = pos + 1;
    }
    if (k < 64) PutSymbol(fresh_.Huff(1, chroma ? 1 : 0), 0x00);
  }
  void PutSymbol(const HuffDecodeTable& t, int symbol) {
    uint32_t code;
    int len;
    CodeOf(t, symbol, &code, &len);
    bits.Put(code, len);
  }
  void PutValue(const HuffDecodeTable& t, int run, int v) {
    int size = 0;
    for (int a = v < 0 ? -v : v; a != 0; a >>= 1) ++size;
    PutSymbol(t, (run << 4) | size);
    if (size > 0) bits.Put(static_cast<uint32_t>(v < 0 ? v + (1 << size) - 1 : v), size);
  }
  BitWriter bits;

 private:
  JpegDecoder fresh_;
};

// Segment helpers.
inline void Segment(std::vector<uint8_t>& out, int marker, const std::vector<uint8_t>& payload) {
  out.push_back(0xFF);
  out.push_back(static_cast<uint8_t>(marker));
  const size_t len = payload.size() + 2;
  out.push_back(static_cast<uint8_t>(len >> 8));
  out.push_back(static_cast<uint8_t>(len));
  out.insert(out.end(), payload.begin(), payload.end());
}
inline std::vector<uint8_t> Soi() { return {0xFF, 0xD8}; }
inline std::vector<uint8_t> DqtPayload(int id, int value) {
  std::vector<uint8_t> p(65, static_cast<uint8_t>(value));
  p[0] = static_cast<uint8_t>(id);
  return p;
}
inline std::vector<uint8_t> Sof0Payload(int width, int height) {
  return {8, static_cast<uint8_t>(height >> 8), static_cast<uint8_t>(height), static_cast<uint8_t>(width >> 8),
          static_cast<uint8_t>(width), 3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1};
}
inline std::vector<uint8_t> SosPayload() { return {3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0}; }

// A complete frame: DQT 0 and 1 (all entries `q`), SOF0, SOS, the given
// entropy-coded bytes and EOI.
inline std::vector<uint8_t> HandFrame(int width, int height, int q, const std::vector<uint8_t>& entropy,
                                      const std::vector<uint8_t>& extraHead = {}) {
  std::vector<uint8_t> f = Soi();
  f.insert(f.end(), extraHead.begin(), extraHead.end());
  Segment(f, 0xDB, DqtPayload(0, q));
  Segment(f, 0xDB, DqtPayload(1, q));
  Segment(f, 0xC0, Sof0Payload(width, height));
  Segment(f, 0xDA, SosPayload());
  f.insert(f.end(), entropy.begin(), entropy.end());
  f.push_back(0xFF);
  f.push_back(0xD9);
  return f;
}

// Entropy data of a frame whose every block is DC only: luma blocks get
// `lumaDc` (first block; later blocks difference 0), chroma `cbDc`/`crDc`.
inline std::vector<uint8_t> FlatEntropy(int width, int height, int lumaDc, int cbDc, int crDc) {
  BlockWriter w;
  const int mcus = ((width + 15) / 16) * ((height + 15) / 16);
  for (int i = 0; i < mcus; ++i) {
    for (int b = 0; b < 4; ++b) w.Block(false, i == 0 && b == 0 ? lumaDc : 0);
    w.Block(true, i == 0 ? cbDc : 0);
    w.Block(true, i == 0 ? crDc : 0);
  }
  return w.bits.Finish();
}

}  // namespace klv::jpegtest
