#include "platform/output_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace klv {
namespace {

std::atomic<unsigned> g_serial {0};

// ".NAME.partPID-N" in the destination's folder; a hidden name so that file
// managers do not show the file while it grows.
std::string TempNameFor(const std::string& path, unsigned serial) {
  const size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  if (base.size() > 200) base.resize(200);  // leave room for the suffix within NAME_MAX
  return dir + "." + base + ".part" + std::to_string(::getpid()) + "-" + std::to_string(serial);
}

}  // namespace

OutputFile::~OutputFile() { Discard(); }

void OutputFile::FailErrno(int err) { Fail(std::strerror(err)); }

void OutputFile::Fail(const std::string& reason) {
  error_ = "cannot write " + path_ + ": " + reason;
  Discard();
}

bool OutputFile::Begin(const std::string& path) {
  Discard();
  path_ = path;
  error_.clear();
  if (path.empty() || path.back() == '/') {
    error_ = "cannot write " + path + ": " + std::strerror(EISDIR);
    return false;
  }
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = TempNameFor(path, g_serial.fetch_add(1));
    // 0666 less the umask: the finished file gets the usual permissions.
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      fd_ = fd;
      temp_ = name;
      return true;
    }
    if (errno != EEXIST) {
      error_ = "cannot write " + path + ": " + std::strerror(errno);
      return false;
    }
  }
  error_ = "cannot write " + path + ": " + std::strerror(EEXIST);
  return false;
}

bool OutputFile::Write(const void* data, size_t size) {
  if (fd_ < 0) return false;
  const auto* p = static_cast<const uint8_t*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd_, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      FailErrno(errno);
      return false;
    }
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool OutputFile::Commit() {
  if (temp_.empty()) return false;
  // Another writer may have filled the file through its own descriptor;
  // fsync on ours flushes the file's data all the same.
  if (::fsync(fd_) != 0 && errno != EINVAL) {
    FailErrno(errno);
    return false;
  }
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) {
    FailErrno(errno);
    return false;
  }
  if (std::rename(temp_.c_str(), path_.c_str()) != 0) {
    FailErrno(errno);
    return false;
  }
  temp_.clear();
  return true;
}

void OutputFile::Discard() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!temp_.empty()) {
    ::unlink(temp_.c_str());
    temp_.clear();
  }
}

bool WriteFileAtomically(const std::string& path, std::string_view data, std::string* error) {
  OutputFile out;
  const bool ok = out.Begin(path) && out.Write(data.data(), data.size()) && out.Commit();
  if (!ok && error != nullptr) *error = out.Error();
  return ok;
}

}  // namespace klv
