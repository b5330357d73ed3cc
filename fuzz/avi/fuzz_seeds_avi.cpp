// Writes small camera AVI files made by the sample writer into
// <root>/fuzz_avi/: plain, event mode, absolute index, JUNK, tables omitted.

#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "support/movie_builder.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds_avi CORPUS_ROOT\n");
    return 2;
  }
  const std::string dir = std::string(argv[1]) + "/fuzz_avi";
  mkdir(argv[1], 0755);
  mkdir(dir.c_str(), 0755);
  using namespace klv::sample;
  bool ok = true;
  int n = 0;
  auto write = [&](MovieSpec plan) {
    ok &= WriteCameraAvi(dir + "/seed_" + std::to_string(n++) + ".avi", plan);
  };
  MovieSpec base;
  base.width = 32;
  base.height = 32;
  base.frames = 4;
  base.jpeg.quality = 50;
  write(base);
  MovieSpec events = base;
  events.eventMode = true;
  events.eventFrames = {2};
  events.rtcd = true;
  write(events);
  MovieSpec absolute = base;
  absolute.avi.absoluteOffsets = true;
  absolute.width = 24;
  absolute.height = 40;
  write(absolute);
  MovieSpec junk = base;
  junk.avi.junkBytes = 16;
  junk.jpeg.dqt = TablePacking::Combined;
  junk.jpeg.dht = TablePacking::Combined;
  write(junk);
  MovieSpec omitted = base;
  omitted.tweakOptions = [](int frame, JpegOptions& o) {
    if (frame > 0) {
      o.dqt = TablePacking::Omit;
      o.dht = TablePacking::Omit;
    }
  };
  write(omitted);
  return ok ? 0 : 1;
}
