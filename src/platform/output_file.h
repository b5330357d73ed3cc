#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace klv {

// An output written under a temporary name beside its destination and renamed
// into place only when complete, so that a failure or a cancel never leaves a
// half-written file under the name the user asked for.
class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();  // discards the temporary file unless committed
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates the empty temporary file beside `path`. False, with Error() such
  // as "cannot write OUT.png: Permission denied", when the folder refuses it.
  bool Begin(const std::string& path);
  // Appends bytes to the temporary file.
  bool Write(const void* data, size_t size);
  // Flushes the temporary file to disk and renames it to the destination
  // (replacing a file of that name). On failure the temporary file is removed.
  bool Commit();
  // Removes the temporary file; nothing is left behind.
  void Discard();
  // Records a failure from another writer of the same file (it is discarded).
  void Fail(const std::string& reason);

  bool Active() const { return !temp_.empty(); }
  const std::string& Path() const { return path_; }
  // The temporary name, for writers that open the file themselves.
  const std::string& TempPath() const { return temp_; }
  const std::string& Error() const { return error_; }

 private:
  void FailErrno(int err);

  std::string path_;
  std::string temp_;
  std::string error_;
  int fd_ = -1;
};

// Replaces the file `path` with `data` in one step, through an OutputFile: on
// any failure an existing file is left as it was, no temporary file stays
// behind and `error` (may be null) says why.
bool WriteFileAtomically(const std::string& path, std::string_view data, std::string* error = nullptr);
inline bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes,
                                std::string* error = nullptr) {
  return WriteFileAtomically(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                             error);
}

}  // namespace klv
