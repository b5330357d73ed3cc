#pragma once
// The playback engine's one record, shared by opening, the playback clock,
// presentation, the play list and export. The position within the movie is
// the source's own (an AVI frame index, a stream's picture count).

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

namespace klv {

// The kind of the current source, chosen by the file extension.
enum class SourceKind : int {
  None = 0,
  Avi = 1,     // ".avi": JPEG frames
  Stream = 2,  // ".m4v": MPEG-4 elementary stream
  Ztm = 3,     // ".ztm": MPEG-4 with sound and side packets
};

// The kind for a path's extension, without regard to case; None for any
// other extension (and for names without one).
SourceKind SourceKindOf(std::string_view path);

struct PlayerState {
  SourceKind kind = SourceKind::None;
  bool playing = false;
  bool paused = false;

  // Re-entrancy guards against the change events that setting a control raises.
  bool busy = false;            // settings load, file open
  bool trackGuard = false;      // the engine moves the seek bar / the speed bar has the focus
  bool seekBarFocused = false;  // only then does a seek-bar change seek

  int direction = 1;            // +1 forward, -1 backward; 0 only while rate is 0
  int rate = 0;                 // frames per second, 1-30 (0 until set)
  int frameInterval = 0;        // ms, 1000 / rate
  int step = 0;                 // AVI frames per timer tick
  int decodeTime = -1;          // ms, -1 until measured
  int64_t elapsedSeconds = 0;   // AVI: nCurFrame * nCapInterval

  // .m4v / .ztm positions in KiB.
  int streamSizeKiB = 0;
  int streamPos = 0;
  int lastGood1 = 0;
  int lastGood2 = 0;
  int bhcCount = 0;
  int seekUnitKiB = 16;
  // A stream or recording of `sizeKiB` has just opened: nothing read yet.
  void StartStream(int sizeKiB) {
    streamSizeKiB = sizeKiB;
    streamPos = lastGood1 = lastGood2 = bhcCount = 0;
  }

  int zoom = 100;               // percent; 0 fills the view
  bool embedTime = false;       // stamp date and time into the picture
  bool firstFile = true;        // the next AVI open sets the rate from the file

  // The current play-list entry; -1 while the list has none (it was emptied
  // or refilled without opening one of its entries).
  int playListIndex = -1;
  int playListCount = 0;
};

// One entry of the play list.
struct PlayListEntry {
  std::string path;      // as it was added
  int64_t created = 0;   // when it was recorded (RecordingTime), 100-ns units since 1601-01-01
};

inline constexpr int kMaxPlayList = 25;

// The frames a second an AVI movie plays at: its rate word over the capture
// interval (0 taken as 1 second), kept to the speed bar's 1..30 (a rate of 0
// would show frame 0 on every tick).
inline int AviPlayRate(int rateWord, int capInterval) {
  return std::clamp(rateWord / std::max(1, capInterval), 1, 30);
}

}  // namespace klv
