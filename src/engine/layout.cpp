#include "engine/layout.h"

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

Rect DesignedLayout::Bounds(ControlId id) {
  switch (id) {
    case C::ScrollBox1: return {4, 4, 674, 545};
    case C::Image1: return {17, 32, 640, 480};
    case C::gbPlayRate: return {682, 4, 73, 545};
    case C::tbRate: return {18, 18, 37, 519};
    case C::lblRate: return {682, 553, 73, 16};
    // statistics
    case C::gbStats: return {759, 4, 121, 201};
    case C::Label3: return {8, 20, 107, 15};
    case C::lblCapInterval: return {16, 36, 99, 17};
    case C::Label4: return {8, 60, 107, 15};
    case C::lblElapsedTime: return {16, 76, 99, 34};
    case C::Label6: return {8, 114, 107, 15};
    case C::lblDate: return {16, 130, 99, 17};
    case C::lblTime: return {16, 148, 99, 17};
    case C::lblLang: return {8, 180, 107, 15};
    // motion search
    case C::gbMotion: return {884, 4, 153, 201};
    case C::pnlSearch: return {36, 18, 80, 60};
    case C::Thresh: return {10, 90, 70, 20};
    case C::edtMotionThreshold: return {88, 88, 52, 24};
    case C::sbSearchBackward: return {29, 120, 30, 30};
    case C::sbStopSearch: return {61, 120, 30, 30};
    case C::sbSearchForward: return {93, 120, 30, 30};
    case C::lblSrchMsg:
    case C::lblSearchForward:
    case C::lblSearchBackward:
    case C::lblSearchFound: return {8, 160, 137, 18};
    // transport
    case C::pnlPlayCtrl: return {211, 553, 261, 34};
    case C::sbStop: return TransportButton(0);
    case C::sbPause: return TransportButton(1);
    case C::sbBackward: return TransportButton(2);
    case C::sbPrevious: return TransportButton(3);
    case C::sbNext: return TransportButton(4);
    case C::sbForward: return TransportButton(5);
    case C::sbPrevEvent: return TransportButton(6);
    case C::sbNextEvent: return TransportButton(7);
    // seek
    case C::gbSeek: return {4, 591, 674, 52};
    case C::pnlWhere: return {4, 16, 666, kSeekPanelLow};
    case C::tbWhere: return {0, 0, 666, kSeekPanelLow};
    case C::pbWhere: return {0, 0, 666, kSeekPanelLow};
    case C::pnlTimeline: return {4, 16 + kSeekPanelHigh + kTimelineGap, 666, kTimelineHigh};
    // play list
    case C::gbPlayList: return {759, 209, 278, 200};
    case C::lbPlayList: return {8, 18, 262, 126};
    case C::lblFilePath: return {8, 148, 262, 14};
    case C::pnlPLControls: return {4, 166, 270, 30};
    case C::bPrevious: return {4, 2, 84, 26};
    case C::bSkip: return {93, 2, 84, 26};
    case C::bClearPlayList: return {182, 2, 84, 26};
    case C::StatusBar1: return {0, 647, 1037, 19};
    default: return {};
  }
}

}  // namespace klv
