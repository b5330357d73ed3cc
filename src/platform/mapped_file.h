#pragma once
// Read-only windows onto a file: one view at a time, read on demand.
//
// The stream reader moves a window of about 1 MiB through a movie file rather
// than loading it. A view may also be taken over a caller's memory buffer
// (tests, fuzzing); it then behaves exactly like a file of that size.
//
// A file view is a copy read with pread into a buffer of exactly the view's
// length, not a memory mapping: a mapped file that shrinks under the player
// (the card pulled out, another program truncating the movie) would kill the
// process with SIGBUS on the next access. A short read fails the view
// instead, and bytes already handed out stay valid until the next view.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace klv {

class MappedFile {
 public:
  MappedFile() = default;
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // Offsets of views must be multiples of this (the page size, as a mapping
  // would need; the window arithmetic of the readers relies on it).
  static uint32_t Granularity();

  // Opens an existing file for reading. False (LastError() says why) when it
  // cannot be opened or is not a regular file whose size can be read.
  bool Open(const std::string& path);
  // Serves views from `data`, which must outlive the open.
  void OpenBuffer(const uint8_t* data, uint64_t size);
  // Releases the view and the file; true when every step succeeded.
  bool Close();

  bool IsOpen() const { return fd_ >= 0 || buffer_ != nullptr; }
  uint64_t Size() const { return size_; }

  // Replaces the current view (always released first) by `length` bytes at
  // `offset`. Null on failure, with the system's text in LastError(); a file
  // that has become shorter than the view fails here.
  const uint8_t* Map(uint64_t offset, size_t length);
  // Releases the current view (its bytes are not to be used any more); true.
  bool Unmap();

  const std::string& LastError() const { return lastError_; }

  // Test hook: views starting at or beyond `offset` fail to map.
  void FailMapsFrom(uint64_t offset) { failFrom_ = offset; }

 private:
  int fd_ = -1;
  const uint8_t* buffer_ = nullptr;
  uint64_t size_ = 0;
  // The view's bytes (files only): exactly viewLength_ long, so that a
  // sanitizer sees any read past the view.
  std::unique_ptr<uint8_t[]> view_;
  size_t viewLength_ = 0;
  uint64_t failFrom_ = UINT64_MAX;
  std::string lastError_;
};

}  // namespace klv
