#include "platform/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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
  void* view = ::mmap(nullptr, length, PROT_READ, MAP_SHARED, fd_, static_cast<off_t>(offset));
  if (view == MAP_FAILED) {
    lastError_ = ErrorText(errno);
    return nullptr;
  }
  view_ = view;
  viewLength_ = length;
  return static_cast<const uint8_t*>(view);
}

bool MappedFile::Unmap() {
  if (view_ == nullptr) return true;
  const bool ok = ::munmap(view_, viewLength_) == 0;
  if (!ok) lastError_ = ErrorText(errno);
  view_ = nullptr;
  viewLength_ = 0;
  return ok;
}

}  // namespace klv
