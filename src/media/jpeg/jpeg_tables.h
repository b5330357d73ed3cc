#pragma once
// Constant tables of the JPEG decoder: the standard Huffman code tables the
// camera writes, the AC lookups built from them, zigzag order and its helpers.

#include <cstdint>

namespace klv::jpeg {

// Standard code tables (counts for lengths 1..16, then the symbols).
struct StdHuffTable {
  uint8_t bits[16];
  uint8_t values[162];
  int count;
};
extern const StdHuffTable kStdDcLuma;
extern const StdHuffTable kStdDcChroma;
extern const StdHuffTable kStdAcLuma;
extern const StdHuffTable kStdAcChroma;

// The AC lookups indexed by the next 16 bits: (code length << 8) | run-size
// symbol, 0 where no code matches. Built once from the two standard AC tables,
// never from a frame's DHT.
//
// The fast table answers from the next kAcFastBits bits alone: a code together
// with its magnitude bits when both fit, else just the code, else "look it up
// in the 16-bit table".
constexpr int kAcFastBits = 11;
enum AcFastKind : uint32_t { kAcCoef = 0, kAcEob = 1, kAcZrl = 2, kAcSlow = 3 };
// Entry layout: kind (bits 0-1), bits to consume (2-6: code and magnitude for
// kAcCoef, the code for kAcEob / kAcZrl), code length (7-11), run (12-15),
// value (16-31, signed). Codes whose magnitude does not fit are kAcSlow.
struct AcTables {
  uint16_t lut16[65536];
  uint32_t fast[1 << kAcFastBits];
};
// [0] luma, [1] chroma; built on first use, thread-safe.
const AcTables& AcLookup(int chroma);

// Skipping a block's AC codes (the DC-only pass): from coefficient 1, as many
// whole codes (with their magnitude bits) as the next kAcSkipBits bits hold.
// Entry: bits to consume (bits 0-4), the coefficient index reached (5-11),
// and bit 12 when the block ends there (EOB, or a ZRL or the coefficient at
// 63 reaching 64). Codes that these bits do not decide, and a run past
// coefficient 63, are left to the exact loop.
constexpr int kAcSkipBits = 14;
struct AcSkipTable {
  uint16_t e[1 << kAcSkipBits];
};
// [0] luma, [1] chroma; built on first use, thread-safe.
const AcSkipTable& AcSkip(int chroma);
inline int AcSkipBitsUsed(uint16_t e) { return e & 31; }
inline int AcSkipNextK(uint16_t e) { return (e >> 5) & 127; }
inline bool AcSkipEnds(uint16_t e) { return (e & 0x1000) != 0; }

inline uint32_t AcFastKindOf(uint32_t e) { return e & 3; }
inline int AcFastBitsUsed(uint32_t e) { return static_cast<int>((e >> 2) & 31); }
inline int AcFastCodeLen(uint32_t e) { return static_cast<int>((e >> 7) & 31); }
inline int AcFastRun(uint32_t e) { return static_cast<int>((e >> 12) & 15); }
inline int32_t AcFastValue(uint32_t e) { return static_cast<int32_t>(e) >> 16; }

// Per zigzag position: the block index column by column (bits 0-5) and the
// bits of its row (8-15) and column (16-23) for the shortcut tests.
extern const uint32_t kZigzagInfo[64];

// Zigzag position -> index in a block stored column by column
// (column * 8 + row), the layout the IDCT's row pass reads.
extern const uint8_t kZigzagToColumnMajor[64];
// Zigzag position -> natural row and column.
extern const uint8_t kZigzagRow[64];
extern const uint8_t kZigzagCol[64];

}  // namespace klv::jpeg
