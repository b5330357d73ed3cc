#pragma once
#include <cstddef>
#include <string>

namespace klv {

// The few file operations the settings writer needs, so that tests can stand
// in for a card that fails part way (short writes, a close that fails).
class CameraFileLayer {
 public:
  virtual ~CameraFileLayer() = default;
  // Creates or truncates the file for writing. A handle >= 0, or -1.
  virtual int Open(const std::string& path) = 0;
  // Bytes written (fewer than size on a short write), or -1.
  virtual long Write(int handle, const void* data, size_t size) = 0;
  // Flushes the file to the card and closes it; false when either fails.
  // The handle is gone afterwards in both cases.
  virtual bool Close(int handle) = 0;
  virtual bool MakeDir(const std::string& path) = 0;
  // Replaces `to` with `from` in one step.
  virtual bool Rename(const std::string& from, const std::string& to) = 0;
  virtual void Remove(const std::string& path) = 0;
  // Text of the last failure, for messages.
  virtual std::string LastError() const = 0;
};

// The real file system.
class PosixCameraFiles : public CameraFileLayer {
 public:
  int Open(const std::string& path) override;
  long Write(int handle, const void* data, size_t size) override;
  bool Close(int handle) override;
  bool MakeDir(const std::string& path) override;
  bool Rename(const std::string& from, const std::string& to) override;
  void Remove(const std::string& path) override;
  std::string LastError() const override { return lastError_; }

 private:
  void Fail(int err);
  std::string lastError_;
};

}  // namespace klv
