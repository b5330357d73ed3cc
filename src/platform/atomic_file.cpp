#include "platform/atomic_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace klv {

bool WriteFileAtomically(const std::string& path, std::string_view data, std::string* error) {
  auto fail = [error](const char* what, int err) {
    if (error != nullptr) *error = std::string(what) + ": " + std::strerror(err);
    return false;
  };
  if (path.empty()) return fail("no file name", EINVAL);
  const std::string tmp = path + ".tmp" + std::to_string(::getpid());
  FILE* f = std::fopen(tmp.c_str(), "wb");
  if (f == nullptr) return fail("cannot create the file", errno);

  int err = 0;
  const char* what = nullptr;
  if (std::fwrite(data.data(), 1, data.size(), f) != data.size()) {
    err = errno != 0 ? errno : ENOSPC;
    what = "cannot write the file";
  } else if (std::fflush(f) != 0 || ::fsync(fileno(f)) != 0) {
    err = errno;
    what = "cannot write the file";
  }
  if (std::fclose(f) != 0 && what == nullptr) {
    err = errno;
    what = "cannot close the file";
  }
  if (what == nullptr && std::rename(tmp.c_str(), path.c_str()) != 0) {
    err = errno;
    what = "cannot replace the file";
  }
  if (what != nullptr) {
    std::remove(tmp.c_str());
    return fail(what, err);
  }
  return true;
}

}  // namespace klv
