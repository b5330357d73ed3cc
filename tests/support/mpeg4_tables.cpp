#include "support/mpeg4_tables.h"

#include <cstddef>
#include <initializer_list>
#include <vector>

namespace klv::sample::mpeg4 {

const Vlc kMcbpcIntra[2][4] = {
    {{1, 1}, {1, 3}, {2, 3}, {3, 3}},  // intra
    {{1, 4}, {1, 6}, {2, 6}, {3, 6}},  // intra + dquant
};

const Vlc kMcbpcInter[5][4] = {
    {{1, 1}, {3, 4}, {2, 4}, {5, 6}},  // inter
    {{3, 3}, {7, 7}, {6, 7}, {5, 9}},  // inter + dquant
    {{2, 3}, {5, 7}, {4, 7}, {5, 8}},  // inter, four vectors
    {{3, 5}, {4, 8}, {3, 8}, {3, 7}},  // intra
    {{4, 6}, {4, 9}, {3, 9}, {2, 9}},  // intra + dquant
};

const Vlc kCbpy[16] = {
    {3, 4}, {5, 5}, {4, 5}, {9, 4}, {3, 5}, {7, 4}, {2, 6}, {11, 4},
    {2, 5}, {3, 6}, {5, 4}, {10, 4}, {4, 4}, {8, 4}, {6, 4}, {3, 2},
};

const Vlc kMvd[33] = {
    {1, 1},   {1, 2},   {1, 3},   {1, 4},   {3, 6},   {5, 7},   {4, 7},   {3, 7},   {11, 9},
    {10, 9},  {9, 9},   {17, 10}, {16, 10}, {15, 10}, {14, 10}, {13, 10}, {12, 10}, {11, 10},
    {10, 10}, {9, 10},  {8, 10},  {7, 10},  {6, 10},  {5, 10},  {4, 10},  {7, 11},  {6, 11},
    {5, 11},  {4, 11},  {3, 11},  {2, 11},  {3, 12},  {2, 12},
};

const Vlc kDcSizeLuma[13] = {
    {3, 3}, {3, 2}, {2, 2}, {2, 3}, {1, 3}, {1, 4}, {1, 5},
    {1, 6}, {1, 7}, {1, 8}, {1, 9}, {1, 10}, {1, 11},
};
const Vlc kDcSizeChroma[13] = {
    {3, 2}, {2, 2}, {1, 2}, {1, 3}, {1, 4}, {1, 5}, {1, 6},
    {1, 7}, {1, 8}, {1, 9}, {1, 10}, {1, 11}, {1, 12},
};

namespace {

// One run of a coefficient table: codes for |level| = 1, 2, ...
using RunCodes = std::vector<Vlc>;
struct CoefTable {
  std::vector<RunCodes> notLast;  // index: run
  std::vector<RunCodes> last;
};

RunCodes Ones(std::initializer_list<Vlc> codes) { return RunCodes(codes); }

// Intra coefficients (one code per run for runs with a single level are
// written as one-entry lists).
const CoefTable& IntraTable() {
  static const CoefTable table = [] {
    CoefTable t;
    t.notLast = {
        Ones({{0x2, 2}, {0x6, 3}, {0xf, 4}, {0xd, 5}, {0xc, 5}, {0x15, 6}, {0x13, 6},
              {0x12, 6}, {0x17, 7}, {0x1f, 8}, {0x1e, 8}, {0x1d, 8}, {0x25, 9}, {0x24, 9},
              {0x23, 9}, {0x21, 9}, {0x21, 10}, {0x20, 10}, {0xf, 10}, {0xe, 10}, {0x7, 11},
              {0x6, 11}, {0x20, 11}, {0x21, 11}, {0x50, 12}, {0x51, 12}, {0x52, 12}}),
        Ones({{0xe, 4}, {0x14, 6}, {0x16, 7}, {0x1c, 8}, {0x20, 9}, {0x1f, 9}, {0xd, 10},
              {0x22, 11}, {0x53, 12}, {0x55, 12}}),
        Ones({{0xb, 5}, {0x15, 7}, {0x1e, 9}, {0xc, 10}, {0x56, 12}}),
        Ones({{0x11, 6}, {0x1b, 8}, {0x1d, 9}, {0xb, 10}}),
        Ones({{0x10, 6}, {0x22, 9}, {0xa, 10}}),
        Ones({{0xd, 6}, {0x1c, 9}, {0x8, 10}}),
        Ones({{0x12, 7}, {0x1b, 9}, {0x54, 12}}),
        Ones({{0x14, 7}, {0x1a, 9}, {0x57, 12}}),
        Ones({{0x19, 8}, {0x9, 10}}),
        Ones({{0x18, 8}, {0x23, 11}}),
        Ones({{0x17, 8}}),
        Ones({{0x19, 9}}),
        Ones({{0x18, 9}}),
        Ones({{0x7, 10}}),
        Ones({{0x58, 12}}),
    };
    t.last = {
        Ones({{0x7, 4}, {0xc, 6}, {0x16, 8}, {0x17, 9}, {0x6, 10}, {0x5, 11}, {0x4, 11},
              {0x59, 12}}),
        Ones({{0xf, 6}, {0x16, 9}, {0x5, 10}}),
        Ones({{0xe, 6}, {0x4, 10}}),
        Ones({{0x11, 7}, {0x24, 11}}),
        Ones({{0x10, 7}, {0x25, 11}}),
        Ones({{0x13, 7}, {0x5a, 12}}),
        Ones({{0x15, 8}, {0x5b, 12}}),
    };
    for (Vlc v : {Vlc {0x14, 8}, Vlc {0x13, 8}, Vlc {0x1a, 8}, Vlc {0x15, 9}, Vlc {0x14, 9},
                  Vlc {0x13, 9}, Vlc {0x12, 9}, Vlc {0x11, 9}, Vlc {0x26, 11}, Vlc {0x27, 11},
                  Vlc {0x5c, 12}, Vlc {0x5d, 12}, Vlc {0x5e, 12}, Vlc {0x5f, 12}}) {
      t.last.push_back({v});  // runs 7 .. 20
    }
    return t;
  }();
  return table;
}

const CoefTable& InterTable() {
  static const CoefTable table = [] {
    CoefTable t;
    t.notLast = {
        Ones({{0x2, 2}, {0xf, 4}, {0x15, 6}, {0x17, 7}, {0x1f, 8}, {0x25, 9}, {0x24, 9},
              {0x21, 10}, {0x20, 10}, {0x7, 11}, {0x6, 11}, {0x20, 11}}),
        Ones({{0x6, 3}, {0x14, 6}, {0x1e, 8}, {0xf, 10}, {0x21, 11}, {0x50, 12}}),
        Ones({{0xe, 4}, {0x1d, 8}, {0xe, 10}, {0x51, 12}}),
        Ones({{0xd, 5}, {0x23, 9}, {0xd, 10}}),
        Ones({{0xc, 5}, {0x22, 9}, {0x52, 12}}),
        Ones({{0xb, 5}, {0xc, 10}, {0x53, 12}}),
        Ones({{0x13, 6}, {0xb, 10}, {0x54, 12}}),
        Ones({{0x12, 6}, {0xa, 10}}),
        Ones({{0x11, 6}, {0x9, 10}}),
        Ones({{0x10, 6}, {0x8, 10}}),
        Ones({{0x16, 7}, {0x55, 12}}),
    };
    for (Vlc v : {Vlc {0x15, 7}, Vlc {0x14, 7}, Vlc {0x1c, 8}, Vlc {0x1b, 8}, Vlc {0x21, 9},
                  Vlc {0x20, 9}, Vlc {0x1f, 9}, Vlc {0x1e, 9}, Vlc {0x1d, 9}, Vlc {0x1c, 9},
                  Vlc {0x1b, 9}, Vlc {0x1a, 9}, Vlc {0x22, 11}, Vlc {0x23, 11}, Vlc {0x56, 12},
                  Vlc {0x57, 12}}) {
      t.notLast.push_back({v});  // runs 11 .. 26
    }
    t.last = {
        Ones({{0x7, 4}, {0x19, 9}, {0x5, 11}}),
        Ones({{0xf, 6}, {0x4, 11}}),
    };
    for (Vlc v : {Vlc {0xe, 6},   Vlc {0xd, 6},   Vlc {0xc, 6},   Vlc {0x13, 7},  Vlc {0x12, 7},
                  Vlc {0x11, 7},  Vlc {0x10, 7},  Vlc {0x1a, 8},  Vlc {0x19, 8},  Vlc {0x18, 8},
                  Vlc {0x17, 8},  Vlc {0x16, 8},  Vlc {0x15, 8},  Vlc {0x14, 8},  Vlc {0x13, 8},
                  Vlc {0x18, 9},  Vlc {0x17, 9},  Vlc {0x16, 9},  Vlc {0x15, 9},  Vlc {0x14, 9},
                  Vlc {0x13, 9},  Vlc {0x12, 9},  Vlc {0x11, 9},  Vlc {0x7, 10},  Vlc {0x6, 10},
                  Vlc {0x5, 10},  Vlc {0x4, 10},  Vlc {0x24, 11}, Vlc {0x25, 11}, Vlc {0x26, 11},
                  Vlc {0x27, 11}, Vlc {0x58, 12}, Vlc {0x59, 12}, Vlc {0x5a, 12}, Vlc {0x5b, 12},
                  Vlc {0x5c, 12}, Vlc {0x5d, 12}, Vlc {0x5e, 12}, Vlc {0x5f, 12}}) {
      t.last.push_back({v});  // runs 2 .. 40
    }
    return t;
  }();
  return table;
}

const std::vector<RunCodes>& Runs(bool intra, bool last) {
  const CoefTable& t = intra ? IntraTable() : InterTable();
  return last ? t.last : t.notLast;
}

}  // namespace

Vlc TcoefCode(bool intra, bool last, int run, int level) {
  const auto& runs = Runs(intra, last);
  if (run < 0 || run >= static_cast<int>(runs.size()) || level < 1) return {};
  const RunCodes& codes = runs[static_cast<size_t>(run)];
  if (level > static_cast<int>(codes.size())) return {};
  return codes[static_cast<size_t>(level - 1)];
}

int TcoefLmax(bool intra, bool last, int run) {
  const auto& runs = Runs(intra, last);
  if (run < 0 || run >= static_cast<int>(runs.size())) return 0;
  return static_cast<int>(runs[static_cast<size_t>(run)].size());
}

int TcoefRmax(bool intra, bool last, int level) {
  const auto& runs = Runs(intra, last);
  int best = -1;
  for (int run = 0; run < static_cast<int>(runs.size()); ++run) {
    if (static_cast<int>(runs[static_cast<size_t>(run)].size()) >= level) best = run;
  }
  return level >= 1 ? best : -1;
}

const std::array<uint8_t, 64> kZigzag = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
    12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
    35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
    58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63,
};
const std::array<uint8_t, 64> kAlternateHorizontal = {
    0,  1,  2,  3,  8,  9,  16, 17, 10, 11, 4,  5,  6,  7,  15, 14,
    13, 12, 19, 18, 24, 25, 32, 33, 26, 27, 20, 21, 22, 23, 28, 29,
    30, 31, 34, 35, 40, 41, 48, 49, 42, 43, 36, 37, 38, 39, 44, 45,
    46, 47, 50, 51, 56, 57, 58, 59, 52, 53, 54, 55, 60, 61, 62, 63,
};
const std::array<uint8_t, 64> kAlternateVertical = {
    0,  8,  16, 24, 1,  9,  2,  10, 17, 25, 32, 40, 48, 56, 57, 49,
    41, 33, 26, 18, 3,  11, 4,  12, 19, 27, 34, 42, 50, 58, 35, 43,
    51, 59, 20, 28, 5,  13, 6,  14, 21, 29, 36, 44, 52, 60, 37, 45,
    53, 61, 22, 30, 7,  15, 23, 31, 38, 46, 54, 62, 39, 47, 55, 63,
};

const std::array<uint8_t, 64> kDefaultIntraMatrix = {
    8,  17, 18, 19, 21, 23, 25, 27, 17, 18, 19, 21, 23, 25, 27, 28,
    20, 21, 22, 23, 24, 26, 28, 30, 21, 22, 23, 24, 26, 28, 30, 32,
    22, 23, 24, 26, 28, 30, 32, 35, 23, 24, 26, 28, 30, 32, 35, 38,
    25, 26, 28, 30, 32, 35, 38, 41, 27, 28, 30, 32, 35, 38, 41, 45,
};
const std::array<uint8_t, 64> kDefaultInterMatrix = {
    16, 17, 18, 19, 20, 21, 22, 23, 17, 18, 19, 20, 21, 22, 23, 24,
    18, 19, 20, 21, 22, 23, 24, 25, 19, 20, 21, 22, 23, 24, 26, 27,
    20, 21, 22, 23, 25, 26, 27, 28, 21, 22, 23, 24, 26, 27, 28, 30,
    22, 23, 24, 26, 27, 28, 30, 31, 23, 24, 25, 27, 28, 30, 31, 33,
};

}  // namespace klv::sample::mpeg4
