#pragma once
// What differs between the kinds of movie, behind one interface. The engine
// (Player) keeps the order of the steps of every command and calls the
// movie on show for the steps that belong to its kind; a source never opens
// another play-list entry itself, it says when its file has ended.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/player_state.h"
#include "engine/player_view.h"
#include "media/common/picture.h"

namespace klv {

class AviSource;
class Player;

// How the main window is laid out for a kind of movie.
enum class WindowLayout {
  kFull,         // AVI (and no movie): picture, speed, statistics, search, play list
  kBesideList,   // .m4v: the picture beside the play list
  kPictureOnly,  // .ztm: the picture across the window
};

// A timer tick or a single step.
enum class MoveResult {
  kMoved,    // something was shown (or nothing needed to be)
  kAtEnd,    // the file ended in that direction: the play list may move on
};

// What Save Current writes, taken when the command is given so that what is
// written is the frame it names, however long the dialog stays open.
struct SavedFrame {
  std::string suggestedName;       // without the folder
  std::vector<uint8_t> bytes;      // written as they are (an AVI frame as stored)...
  FramePicture picture;            // ...or, when there are none, as a BMP file
};

// Why an open failed, for the message window: its kind and the plain words.
struct OpenFailure {
  MessageKind kind = MessageKind::NotFound;
  std::string reason;
  // Non-empty: the kind says it in a message box of its own instead.
  std::string errorBox;
};

class MovieSource {
 public:
  explicit MovieSource(Player& player) : player_(player) {}
  virtual ~MovieSource() = default;
  MovieSource(const MovieSource&) = delete;
  MovieSource& operator=(const MovieSource&) = delete;

  virtual SourceKind Kind() const = 0;

  // ---- opening and the window ------------------------------------------------
  // The kind's steps of opening the file (after the caption). On failure the
  // engine shows `failure` (when it has a reason or a kind to show) and closes.
  virtual bool Open(const std::string& path, int listIndex, OpenFailure* failure) = 0;
  // The size the view is sized from (a stream's picture without its stamp band).
  virtual Size PictureSize() const = 0;
  virtual WindowLayout Layout() const = 0;
  // The picture on show (null before the first).
  virtual const FramePicture* Picture() const = 0;
  // The position the status bar counts from: the frame shown, or the pictures
  // shown since the start minus one.
  virtual int CurrentFrame() const = 0;

  // ---- the playback clock -------------------------------------------------------
  // True when the window timer paces playback (false: something else does).
  virtual bool TimerPaced() const { return true; }
  // One tick while playing.
  virtual MoveResult Tick() = 0;
  // Play's own step, after the buttons are set: start advancing.
  virtual void Play(int direction) = 0;
  // Pause's own step: the buttons the position allows.
  virtual void Pause() = 0;
  // Stop's own step: back to the start of the movie.
  virtual void Stop() = 0;
  virtual MoveResult StepForward() = 0;
  virtual MoveResult StepBackward() = 0;
  // A single step has opened this movie from the neighbouring entry: show its
  // first picture (direction +1) or its last (-1).
  virtual void EnterByStep(int direction) = 0;
  // The user moved the seek bar to `position` (while it has the focus).
  virtual void Seek(int position) = 0;

  // ---- export, searches and events ------------------------------------------------
  // The frame on show for Save Current; `fromPopup` tells which menu asked.
  // False when there is nothing to save.
  virtual bool TakeFrame(bool fromPopup, SavedFrame* out) const = 0;
  // Motion search and events exist in AVI movies only.
  virtual AviSource* AsAvi() { return nullptr; }
  // The audio output's message (0: a buffer has played, 1: it ran dry), for
  // movies paced by their sound.
  virtual void AudioMessage(int wParam) { (void)wParam; }
  // The diagnostics window's "ZTM Restart" while paused: back to the first
  // picture (recordings only).
  virtual void RestartWhilePaused() {}

 protected:
  Player& player_;
};

// The one place that makes a source: by the kind of a file's extension; null
// for an extension the player does not accept.
std::unique_ptr<MovieSource> CreateSource(SourceKind kind, Player& player);

}  // namespace klv
