#pragma once
#include <QIcon>

namespace klv::player {

// The player's button glyphs, drawn at run time so that they follow the
// palette and stay sharp at any scale.
enum class Glyph {
  Stop,
  Pause,
  PlayBackward,
  StepBackward,
  StepForward,
  PlayForward,
  PrevEvent,
  NextEvent,
  SearchBackward,
  StopSearch,
  SearchForward,
};

QIcon GlyphIcon(Glyph glyph);

// The program's own icon: a small camera with a clock face.
QIcon AppIcon();
QPixmap AppPixmap(int size);

}  // namespace klv::player
