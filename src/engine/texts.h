#pragma once
// The texts the engine formats: status panels, labels and suggested names.
// Captions in the display language are the window's.

#include <cstdint>
#include <string>

#include "engine/player_state.h"

namespace klv {

std::string FrameLabel(int frameNumber);            // "%Frame %d" as the camera software prints it
std::string ElapsedText(int64_t seconds);           // "h:mm:ss", or "days: d\nh:mm:ss"
std::string EventNumberText(int k, int eventCount); // "3 of 12"
std::string CaptureIntervalText(int seconds);       // "hh:mm:ss"
std::string ZoomText(int zoom);                     // "Zoom = ..."
std::string SuggestedFrameName(SourceKind kind, int number);  // "ztfrm00042.jpg" ...
// The folder of a path with its trailing separator ("" for a bare name), and
// the name after it.
std::string FolderOf(const std::string& path);
std::string NameOf(const std::string& path);

}  // namespace klv
