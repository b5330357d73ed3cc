#pragma once
// The texts the engine formats: status panels, labels and suggested names.
// Captions in the display language are the window's.

#include <cstdint>
#include <string>

#include "engine/message_kind.h"
#include "engine/player_state.h"
#include "media/avi/avi_reader.h"

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
// One line for a movie that cannot be opened, as the message window says it:
// "FILE: File Not Found (the reason)"; no brackets without a reason.
std::string OpenFailureLine(const std::string& path, MessageKind kind, const std::string& reason);
// The line for an AVI open that came to `status` on `avi`.
std::string AviOpenFailureLine(const std::string& path, const AviReader& avi, AviOpenStatus status);

}  // namespace klv
