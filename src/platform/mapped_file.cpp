#include "platform/mapped_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

namespace klv {
namespace {

std::string ErrorText(int err) { return std::strerror(err); }

}  // namespace

MappedFile::~MappedFile() { Close(); }

uint32_t MappedFile::Granularity() {
  const long page = sysconf(_SC_PAGESIZE);
  return page > 0 ? static_cast<uint32_t>(page) : 4096u;
}

bool MappedFile::Open(const std::string& path) {
  Close();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    lastError_ = ErrorText(errno);
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    lastError_ = ErrorText(errno);
    ::close(fd);
    return false;
  }
  // A folder opens for reading but has no bytes to read.
  if (!S_ISREG(st.st_mode)) {
    lastError_ = ErrorText(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    ::close(fd);
    return false;
  }
  fd_ = fd;
  size_ = st.st_size > 0 ? static_cast<uint64_t>(st.st_size) : 0;
  return true;
}

void MappedFile::OpenBuffer(const uint8_t* data, uint64_t size) {
  Close();
  buffer_ = data;
  size_ = data != nullptr ? size : 0;
}

bool MappedFile::Close() {
  bool ok = Unmap();
  if (fd_ >= 0) {
    if (::close(fd_) != 0) {
      lastError_ = ErrorText(errno);
      ok = false;
    }
    fd_ = -1;
  }
  view_.reset();
  viewLength_ = 0;
  buffer_ = nullptr;
  size_ = 0;
  failFrom_ = UINT64_MAX;
  return ok;
}

const uint8_t* MappedFile::Map(uint64_t offset, size_t length) {
  Unmap();
  if (!IsOpen()) {
    lastError_ = "No file is open";
    return nullptr;
  }
  if (length == 0 || offset >= size_ || length > size_ - offset) {
    lastError_ = ErrorText(EINVAL);
    return nullptr;
  }
  if (offset >= failFrom_) {
    lastError_ = ErrorText(ENOMEM);
    return nullptr;
  }
  if (buffer_ != nullptr) return buffer_ + offset;

  // The buffer is kept while the views keep their length (every window but
  // the last has the same), so moving through a file allocates once or twice.
  if (viewLength_ != length || view_ == nullptr) {
    view_.reset(new (std::nothrow) uint8_t[length]);
    viewLength_ = view_ != nullptr ? length : 0;
    if (view_ == nullptr) {
      lastError_ = ErrorText(ENOMEM);
      return nullptr;
    }
  }
  size_t done = 0;
  while (done < length) {
    const ssize_t got = ::pread(fd_, view_.get() + done, length - done, static_cast<off_t>(offset + done));
    if (got < 0) {
      if (errno == EINTR) continue;
      lastError_ = ErrorText(errno);
      return nullptr;
    }
    if (got == 0) {  // the file has become shorter since it was opened
      lastError_ = "The file has become shorter than it was when opened";
      return nullptr;
    }
    done += static_cast<size_t>(got);
  }
  return view_.get();
}

// The buffer itself is kept for the next view.
bool MappedFile::Unmap() { return true; }

}  // namespace klv
