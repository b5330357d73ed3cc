// Zoom, centring, the main window's layout and the overlays of each frame.

#include <algorithm>

#include "engine/player.h"
#include "engine/stamp.h"

namespace klv {

using C = ControlId;

namespace {

// Transport buttons: 30 x 30, one pixel apart, from x = 5 in a 34-pixel panel;
// the two event buttons stand 8 pixels apart from the others, so that a panel
// ending after Play Forward shows none of them.
constexpr int kButtonSize = 30;
constexpr int kButtonStep = 31;
constexpr int kButtonLeft = 5;
constexpr int kEventGap = 8;

Rect TransportButton(int i) {
  return {kButtonLeft + i * kButtonStep + (i >= 6 ? kEventGap : 0), 2, kButtonSize, kButtonSize};
}

}  // namespace

// The designed form, client coordinates for the window's own controls and
// parent coordinates for the controls inside groups and panels.
Rect DesignedLayout::Bounds(ControlId id) {
  switch (id) {
    case C::ScrollBox1: return {4, 4, 674, 545};
    case C::Image1: return {17, 32, 640, 480};
    case C::gbPlayRate: return {682, 4, 73, 545};
    case C::tbRate: return {18, 18, 37, 519};
    case C::lblRate: return {682, 553, 73, 16};
    case C::gbStats: return {759, 4, 121, 201};
    case C::gbMotion: return {884, 4, 153, 201};
    case C::pnlSearch: return {36, 18, 80, 60};
    case C::pnlPlayCtrl: return {211, 553, 261, 34};
    case C::sbStop: return TransportButton(0);
    case C::sbPause: return TransportButton(1);
    case C::sbBackward: return TransportButton(2);
    case C::sbPrevious: return TransportButton(3);
    case C::sbNext: return TransportButton(4);
    case C::sbForward: return TransportButton(5);
    case C::sbPrevEvent: return TransportButton(6);
    case C::sbNextEvent: return TransportButton(7);
    case C::gbSeek: return {4, 591, 674, 52};
    case C::pnlWhere: return {4, 16, 666, kSeekPanelLow};
    case C::tbWhere: return {0, 0, 666, kSeekPanelLow};
    case C::pbWhere: return {0, 0, 666, kSeekPanelLow};
    case C::gbPlayList: return {759, 209, 278, 200};
    case C::lbPlayList: return {8, 18, 262, 126};
    case C::lblFilePath: return {8, 148, 262, 14};
    case C::pnlPLControls: return {4, 166, 270, 30};
    case C::StatusBar1: return {0, 647, 1037, 19};
    default: return {};
  }
}

// The view is sized from the stream's own picture for .m4v, without the stamp
// band, which the view then squeezes into that height.
Size Player::PictureSize() const {
  if (state.kind == SourceKind::Stream) return {stream.PictureWidth(), stream.PictureHeight()};
  return {avi.nImageWidth, avi.nImageHeight};
}

void Player::SetZoom(int percent) {
  state.zoom = percent;
  ApplyZoom();
}

void Player::ApplyZoom() {
  if (state.zoom > 0) {
    const Size pic = PictureSize();
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
  view_->SetStatusPanel(4, ZoomText(state.zoom));
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
  const int height = client.height - (panel.height + seek.height + status.height + 16);

  if (state.kind == SourceKind::Avi || state.kind == SourceKind::None) {
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
    Place(C::gbPlayList, list);
    Place(C::lbPlayList, box);
    Place(C::lblFilePath, path);
    Place(C::pnlPLControls, buttons);
  } else {
    scroll.width = state.kind == SourceKind::Stream
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
  CenterPicture();
}

void Player::DrawOverlays(FramePicture& p) {
  if (state.kind == SourceKind::Avi) {
    std::string date, time;
    DrawAviOverlays(avi, p, state.elapsedSeconds, state.embedTime, &date, &time);
    view_->SetText(C::lblDate, date);
    view_->SetText(C::lblTime, time);
  }
  // The .ztm overlays (elapsed time, file clock, band) come with its reader;
  // .m4v pictures get none.
}

}  // namespace klv
