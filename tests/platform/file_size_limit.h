#pragma once
// A disk that fills part way, for one scope: the process may write no more
// than `bytes` to any file; writes beyond fail (EFBIG) instead of raising
// SIGXFSZ. Works for root too, which a read-only folder does not stop.

#include <signal.h>
#include <sys/resource.h>

namespace klv::test {

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
