// Zoom, centring and the main window's layout for the movie on show.

#include <algorithm>

#include "engine/player.h"

namespace klv {

using C = ControlId;

void Player::SetZoom(int percent) {
  state.zoom = percent;
  ApplyZoom();
}

void Player::ApplyZoom() {
  if (state.zoom > 0) {
    const Size pic = source_ != nullptr ? source_->PictureSize() : Size{};
    Rect r = Bounds(C::Image1);
    if (pic.width <= 0) {
      r.width = 640;
      r.height = 480;
    } else {
      r.width = static_cast<int>(static_cast<int64_t>(pic.width) * state.zoom / 100);
      r.height = static_cast<int>(static_cast<int64_t>(pic.height) * state.zoom / 100);
    }
    Place(C::Image1, r);
  }
  view_->SetStatusPanel(StatusPanel::kInfo, ZoomText(state.zoom));
  CenterPicture();
}

void Player::CenterPicture() {
  const Size client = view_->ScrollBoxClientSize();
  Rect r = Bounds(C::Image1);
  if (state.zoom <= 0) {
    r = {0, 0, client.width, client.height};
  } else {
    r.left = r.width < client.width ? (client.width - r.width) / 2 : 0;
    r.top = r.height < client.height ? (client.height - r.height) / 2 : 0;
  }
  Place(C::Image1, r);
}

void Player::CycleZoom() {
  switch (state.zoom) {
    case 50: state.zoom = 100; break;
    case 100: state.zoom = 200; break;
    case 200: state.zoom = 50; break;
    default: break;
  }
  ApplyZoom();
}

void Player::LayoutWindow() {
  const Size client = view_->ClientSize();
  Rect scroll = Bounds(C::ScrollBox1);
  scroll.top = 4;
  scroll.left = 4;

  Rect status = Bounds(C::StatusBar1);
  status = {0, client.height - status.height, client.width, status.height};
  Place(C::StatusBar1, status);

  Rect panel = Bounds(C::pnlPlayCtrl);
  Rect seek = Bounds(C::gbSeek);
  // AVI movies have their motion timeline under the seek bar.
  const bool timeline = Avi() != nullptr;
  seek.height = DesignedLayout::Bounds(C::gbSeek).height +
                (timeline ? DesignedLayout::kTimelineHigh + DesignedLayout::kTimelineGap : 0);
  const int height = client.height - (panel.height + seek.height + status.height + 16);

  const WindowLayout layout = source_ != nullptr ? source_->Layout() : WindowLayout::kFull;
  if (layout == WindowLayout::kFull) {
    Rect rate = Bounds(C::gbPlayRate);
    Rect stats = Bounds(C::gbStats);
    Rect motion = Bounds(C::gbMotion);
    scroll.width = client.width - (rate.width + stats.width + motion.width + 16);
    scroll.height = height;
    seek.width = scroll.width;
    panel.top = scroll.top + scroll.height + 4;
    panel.left = scroll.width / 2 - panel.width / 2 + 4;
    seek.top = panel.top + panel.height + 4;
    rate.top = scroll.top;
    rate.left = scroll.width + 4;
    rate.height = scroll.height;
    Rect lblRate = Bounds(C::lblRate);
    lblRate.left = rate.left;
    lblRate.top = panel.top;
    stats.top = rate.top;
    stats.left = rate.left + rate.width + 4;
    motion.top = stats.top;
    motion.left = stats.left + stats.width + 4;
    Rect where = Bounds(C::pnlWhere);
    where.width = seek.width - 8;
    Rect list = Bounds(C::gbPlayList);
    list.left = stats.left;
    list.top = motion.top + motion.height + 4;
    list.height = std::min(client.height - list.top - 4, 200);
    Rect box = Bounds(C::lbPlayList);
    Rect path = Bounds(C::lblFilePath);
    Rect buttons = Bounds(C::pnlPLControls);
    box.height = list.height - (box.top + buttons.height + path.height + 12);
    path.top = box.height + box.top + 4;
    buttons.top = path.top + path.height + 4;

    Place(C::ScrollBox1, scroll);
    Place(C::gbSeek, seek);
    Place(C::pnlPlayCtrl, panel);
    Place(C::gbPlayRate, rate);
    Place(C::lblRate, lblRate);
    Place(C::gbStats, stats);
    Place(C::gbMotion, motion);
    Place(C::pnlWhere, where);
    Rect strip = Bounds(C::pnlTimeline);
    strip.left = where.left;
    strip.width = where.width;
    Place(C::pnlTimeline, strip);
    Place(C::gbPlayList, list);
    Place(C::lbPlayList, box);
    Place(C::lblFilePath, path);
    Place(C::pnlPLControls, buttons);
  } else {
    scroll.width = layout == WindowLayout::kBesideList
                       ? client.width - (Bounds(C::gbPlayList).width + 16)
                       : client.width - 16;
    scroll.height = height;
    panel.top = scroll.top + scroll.height + 4;
    panel.left = scroll.width / 2 - panel.width / 2 + 4;
    seek.top = panel.top + panel.height + 4;
    Place(C::ScrollBox1, scroll);
    Place(C::pnlPlayCtrl, panel);
    Place(C::gbSeek, seek);
  }
  if (Visible(C::pnlTimeline) != timeline) Show(C::pnlTimeline, timeline);
  CenterPicture();
}

}  // namespace klv
