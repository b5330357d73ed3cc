#pragma once
// What the benchmark programs over movie files share: dropping a file from
// the page cache (a first read from the card) and their command line,
//
//   PROGRAM [--dir DIR] [--write-only] [benchmark flags]
//
// where DIR is the folder of the movies they write once and reuse, and
// --write-only writes them, prints their paths and runs nothing.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace klv::bench {

inline void EvictFromPageCache(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return;
  ::fdatasync(fd);
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  ::close(fd);
}

// Sets `*dir` from --dir; with --write-only calls `writeOnly` instead of the benchmarks.
inline int MovieBenchMain(int argc, char** argv, std::string* dir, const std::function<void()>& writeOnly) {
  bool only = false;
  std::vector<char*> rest;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--dir") == 0 && i + 1 < argc) {
      *dir = argv[++i];
    } else if (std::strcmp(argv[i], "--write-only") == 0) {
      only = true;
    } else {
      rest.push_back(argv[i]);
    }
  }
  if (only) {
    writeOnly();
    return 0;
  }
  int n = static_cast<int>(rest.size());
  benchmark::Initialize(&n, rest.data());
  if (benchmark::ReportUnrecognizedArguments(n, rest.data())) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

}  // namespace klv::bench
