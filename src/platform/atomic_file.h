#pragma once
#include <string>
#include <string_view>

namespace klv {

// Replaces the file at `path` with `data` in one step: the bytes go to a
// temporary file beside it, are flushed to the disk, and the temporary file
// is renamed over the target. On any failure (folder not writable, disk full,
// short write, failed close or rename) the temporary file is removed, an
// existing file at `path` is left as it was, false is returned and `error`
// (may be null) receives the reason.
bool WriteFileAtomically(const std::string& path, std::string_view data,
                         std::string* error = nullptr);

}  // namespace klv
