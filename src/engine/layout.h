#pragma once
// The designed form: every rectangle of the main window in one place. The
// engine places the controls from it and moves them when the window resizes.

#include <array>

#include "engine/control_ids.h"
#include "engine/player_view.h"

namespace klv {

struct DesignedLayout {
  // Client coordinates for the window's own controls, parent coordinates for
  // the controls inside groups and panels; empty for controls that fill their
  // parent or are placed by the window.
  static Rect Bounds(ControlId id);
  static constexpr int kWindowLeft = 304;
  static constexpr int kWindowTop = 215;
  static constexpr int kWindowWidth = 1045;
  static constexpr int kWindowHeight = 720;
  static constexpr int kMinWidth = 560;
  static constexpr int kMinHeight = 520;
  static constexpr int kSeekPanelLow = 16;   // pnlWhere with the progress bar
  static constexpr int kSeekPanelHigh = 32;  // pnlWhere with the seek bar
  // The motion timeline under pnlWhere (AVI movies): the seek group grows by
  // its height and the gap above it.
  static constexpr int kTimelineHigh = 12;
  static constexpr int kTimelineGap = 2;
  // Widths of the status bar's panels; the last one takes what is left.
  static constexpr std::array<int, kStatusPanelCount> kStatusPanelWidths = {160, 80, 120, 120, 50};
};

}  // namespace klv
