// Writes small valid frames into <root>/fuzz_jpeg_frame/: libjpeg-turbo
// frames of a few sizes and qualities, and hand-made frames with the camera's
// segments.

#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "jpeg/jpeg_test_support.h"
#include "support/avi_writer.h"

using klv::sample::WriteBytes;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds_jpeg CORPUS_ROOT\n");
    return 2;
  }
  const std::string dir = std::string(argv[1]) + "/fuzz_jpeg_frame";
  mkdir(argv[1], 0755);
  mkdir(dir.c_str(), 0755);
  using namespace klv::jpegtest;
  int n = 0;
  bool ok = true;
  const int sizes[][2] = {{16, 16}, {40, 24}, {64, 48}, {33, 17}};
  for (const auto& s : sizes)
    for (int q : {30, 75, 95}) {
      const std::vector<uint8_t> jpg = TurboEncode(MakeScene(s[0], s[1], static_cast<uint32_t>(q)), s[0], s[1], q);
      ok &= WriteBytes(dir + "/turbo_" + std::to_string(n++) + ".jpg", jpg);
    }
  // Camera-style: APP4 record, APP5 event byte, COM time stamp with clock dump.
  std::vector<uint8_t> head;
  Segment(head, 0xE4, std::vector<uint8_t>(32, 3));
  Segment(head, 0xE5, {0x81});
  std::vector<uint8_t> com = {'T', 1, 2, 3, 4, 5, 6, 'R', 'T', 'C', 'D'};
  com.resize(43, 0x5A);
  Segment(head, 0xFE, com);
  ok &= WriteBytes(dir + "/camera_flat.jpg", HandFrame(32, 32, 6, FlatEntropy(32, 32, 20, -3, 4), head));
  BlockWriter w;
  for (int i = 0; i < 4; ++i) {
    for (int b = 0; b < 4; ++b) w.Block(false, b - 1, {{1, 5}, {9, -2}, {40, 1}});
    w.Block(true, 2, {{2, -1}});
    w.Block(true, -2);
  }
  ok &= WriteBytes(dir + "/camera_ac.jpg", HandFrame(32, 32, 12, w.bits.Finish(), head));
  if (!ok) {
    std::fprintf(stderr, "fuzz_seeds_jpeg: cannot write seeds into %s\n", dir.c_str());
    return 1;
  }
  return 0;
}
