#pragma once
// Runs the klvtool program the way a user does and collects what it says.
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "support/avi_writer.h"

namespace klv {

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

inline ToolRun Klvtool(const std::string& args) {
  namespace fs = std::filesystem;
  static int n = 0;
  const fs::path errFile = fs::temp_directory_path() /
                           ("klvtool_err_" + std::to_string(::getpid()) + "_" + std::to_string(n++));
  const std::string cmd = std::string(KLVTOOL_PATH) + " " + args + " 2>" + errFile.string();
  ToolRun r;
  FILE* p = ::popen(cmd.c_str(), "r");
  if (p == nullptr) return r;
  std::array<char, 4096> buf;
  size_t got;
  while ((got = std::fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), got);
  const int st = ::pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  const std::vector<uint8_t> e = sample::ReadBytes(errFile.string());
  r.err.assign(e.begin(), e.end());
  fs::remove(errFile);
  return r;
}

}  // namespace klv
