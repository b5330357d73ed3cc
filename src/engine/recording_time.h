#pragma once
// When a movie was recorded, for the play list's order: the camera's own
// time stamp on the first frame where the movie has one, else the file's
// creation time. A card copied to a disk gives every file the copy's time
// as its creation time; the camera's stamps keep the order it recorded in.

#include <cstdint>
#include <string>

namespace klv {

// 100-ns units since 1601-01-01 UTC, as file creation times are counted.
// False when neither can be read.
bool RecordingTime(const std::string& path, int64_t* out);

}  // namespace klv
