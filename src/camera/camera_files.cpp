#include "camera/camera_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace klv {

void PosixCameraFiles::Fail(int err) { lastError_ = std::strerror(err); }

int PosixCameraFiles::Open(const std::string& path) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) Fail(errno);
  return fd;
}

long PosixCameraFiles::Write(int handle, const void* data, size_t size) {
  // A partial write from the kernel is continued; what the card refuses to
  // take shows up as a count below size.
  const char* p = static_cast<const char*>(data);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(handle, p + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(errno);
      return done > 0 ? static_cast<long>(done) : -1;
    }
    if (n == 0) {
      lastError_ = "the card took no more bytes";
      break;
    }
    done += static_cast<size_t>(n);
  }
  return static_cast<long>(done);
}

bool PosixCameraFiles::Close(int handle) {
  bool ok = true;
  if (::fsync(handle) != 0 && errno != EINVAL) {
    Fail(errno);
    ok = false;
  }
  if (::close(handle) != 0 && errno != EINTR) {
    if (ok) Fail(errno);
    ok = false;
  }
  return ok;
}

bool PosixCameraFiles::MakeDir(const std::string& path) {
  if (::mkdir(path.c_str(), 0755) == 0) return true;
  Fail(errno);
  return false;
}

bool PosixCameraFiles::Rename(const std::string& from, const std::string& to) {
  if (std::rename(from.c_str(), to.c_str()) != 0) {
    Fail(errno);
    return false;
  }
  // Make the new name itself reach the card before the user pulls it; a
  // folder that cannot be synced is not a failure of the write.
  const size_t slash = to.find_last_of('/');
  const std::string dir = slash == std::string::npos ? "." : to.substr(0, slash == 0 ? 1 : slash);
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    (void)::fsync(fd);
    ::close(fd);
  }
  return true;
}

void PosixCameraFiles::Remove(const std::string& path) { (void)::unlink(path.c_str()); }

}  // namespace klv
