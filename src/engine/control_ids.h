#pragma once
// The main window's controls, by their designed names: one list from which the
// enum, the names and the window's lookup are all made.

namespace klv {

// X(name): every control the engine enables, shows, places or fills.
#define KLV_CONTROLS(X)                                                                        \
  /* transport panel */                                                                        \
  X(pnlPlayCtrl) X(sbStop) X(sbPause) X(sbBackward) X(sbPrevious) X(sbNext) X(sbForward)       \
  X(sbPrevEvent) X(sbNextEvent)                                                                \
  /* picture */                                                                                \
  X(ScrollBox1) X(Image1)                                                                      \
  /* speed */                                                                                  \
  X(gbPlayRate) X(tbRate) X(lblRate)                                                           \
  /* statistics */                                                                             \
  X(gbStats) X(Label3) X(lblCapInterval) X(Label4) X(lblElapsedTime) X(Label6) X(lblDate)      \
  X(lblTime) X(lblLang)                                                                        \
  /* motion search */                                                                          \
  X(gbMotion) X(pnlSearch) X(Thresh) X(edtMotionThreshold) X(sbSearchBackward)                 \
  X(sbStopSearch) X(sbSearchForward) X(lblSrchMsg) X(lblSearchForward) X(lblSearchBackward)    \
  X(lblSearchFound)                                                                            \
  /* seek */                                                                                   \
  X(gbSeek) X(pnlWhere) X(tbWhere) X(pbWhere) X(pnlTimeline)                                   \
  /* play list */                                                                              \
  X(gbPlayList) X(lbPlayList) X(lblFilePath) X(pnlPLControls) X(bPrevious) X(bSkip)            \
  X(bClearPlayList) X(StatusBar1)                                                              \
  /* menu items */                                                                             \
  X(SaveCurrent1) X(CameraSettings1) X(EmbedTimestamp1) X(Deblock1)

enum class ControlId : int {
#define KLV_CONTROL_ENUM(name) name,
  KLV_CONTROLS(KLV_CONTROL_ENUM)
#undef KLV_CONTROL_ENUM
  kCount
};

inline constexpr int kControlCount = static_cast<int>(ControlId::kCount);

// The designed name of a control ("sbNext"): the window's object name.
const char* ControlName(ControlId id);

}  // namespace klv
