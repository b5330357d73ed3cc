#pragma once

namespace klv {

// The fixed messages of the player's message window.
enum class MessageKind : int {
  NoDir = 0,        // camera settings folder could not be created
  NotFound = 1,     // a movie could not be opened
  UnknownFormat = 2,
  NoFrames = 3,
};

// The English text of a message.
const char* MessageText(MessageKind kind);

inline constexpr const char* kMessageCaption = "Error";

}  // namespace klv
