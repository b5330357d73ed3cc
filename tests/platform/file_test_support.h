#pragma once
// Files in tests of what the program writes: reading one back, and a disk
// that fills part way.

#include <signal.h>
#include <sys/resource.h>

#include <fstream>
#include <sstream>
#include <string>

namespace klv::test {

// The whole file as bytes; empty when it cannot be read.
inline std::string ReadFileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// For one scope the process may write no more than `bytes` to any file;
// writes beyond fail (EFBIG) instead of raising SIGXFSZ. Stops root too,
// which a read-only folder does not.

class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &signal_);
    getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    active_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    sigaction(SIGXFSZ, &signal_, nullptr);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  bool Active() const { return active_; }

 private:
  struct sigaction signal_ {};
  rlimit saved_ {};
  bool active_ = false;
};

}  // namespace klv::test
