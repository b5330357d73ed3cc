// klvgen OUTDIR: writes the demo movies.
#include <cstdio>
#include <string>

#include "support/movie_builder.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: klvgen OUTDIR\n");
    return 2;
  }
  klv::sample::MovieSpec spec;
  return klv::sample::WriteCameraAvi(std::string(argv[1]) + "/demo.avi", spec) ? 0 : 1;
}
