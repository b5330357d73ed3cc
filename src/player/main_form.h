#pragma once
// The main window's form: its menus, the picture view, the groups and the
// status bar, as designed. TfrmKLVMain puts the engine behind it.

#include <QObject>
#include <array>

#include "engine/player_view.h"

class QAction;
class QLabel;
class QMainWindow;
class QMenu;
class QScrollArea;
class QStatusBar;
class QTimer;
class QWidget;

namespace klv::player {

class MotionSearchGroup;
class PictureView;
class PlayListGroup;
class SeekGroup;
class SpeedGroup;
class StatsGroup;
class TransportPanel;

class MainForm {
 public:
  // Builds the form on `window` (menus, central widget, timers).
  explicit MainForm(QMainWindow* window);
  // The menus' texts in the display language; the groups keep their own.
  void RetranslateMenus();
  // The canvas under the picture grows with it so that the scroll box scrolls.
  void UpdateCanvas(Size scrollBoxClient);

  // menus
  QMenu* File1;
  QAction* Open1;
  QAction* SaveCurrent1;
  QAction* ExportClip1;
  QAction* Exit1;
  QMenu* Motion1;
  QAction* NextMotion1;
  QAction* PrevMotion1;
  QMenu* Options1;
  QAction* CameraSettings1;
  QAction* EmbedTimestamp1;
  QAction* Deblock1;
  QMenu* Help1;
  QAction* Keys1;
  QAction* About1;
  QMenu* PopupMenu1;
  QAction* Zoom1X;
  QAction* Zoom2X;
  QAction* ZoomVar;
  QAction* PopupSave;

  // the client area
  QWidget* client;
  QScrollArea* ScrollBox1;
  QWidget* canvas;
  PictureView* Image1;
  SpeedGroup* speed;
  QLabel* lblRate;
  StatsGroup* stats;
  MotionSearchGroup* motion;
  TransportPanel* transport;
  SeekGroup* seek;
  PlayListGroup* playList;
  QStatusBar* StatusBar1;
  std::array<QLabel*, kStatusPanelCount> panels {};

  QTimer* Timer1;
  QTimer* searchTimer;  // runs the motion search's slices from the event loop
};

}  // namespace klv::player
