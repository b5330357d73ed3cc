// The main window's keys and mouse actions beside the designed ones (Space,
// Home, End, N, P, F11, Esc in full screen), full screen, Help > Keys, and the
// motion timeline under the seek bar.

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>

#include "player/keys_box.h"
#include "player/klvmain.h"
#include "player/motion_group.h"
#include "player/picture_view.h"
#include "player/seek_group.h"
#include "player/timeline_strip.h"

void TfrmKLVMain::ConnectMotionTimeline() {
  klv::Player& p = *player_;
  klv::player::MainForm& f = form_;
  connect(f.NextMotion1, &QAction::triggered, this, [&p] { p.NextMotionCommand(); });
  connect(f.PrevMotion1, &QAction::triggered, this, [&p] { p.PrevMotionCommand(); });
  connect(f.Keys1, &QAction::triggered, this, [this] { ShowKeys(); });
  connect(f.Image1, &klv::player::PictureView::fullScreenRequested, this, [this] { ToggleFullScreen(); });
  klv::player::TimelineStrip* strip = f.seek->pnlTimeline;
  connect(strip, &klv::player::TimelineStrip::frameChosen, this, [&p](int frame) { p.GoToFrame(frame); });
  // The line across the strip follows the threshold box as the search reads it.
  connect(f.motion->edtMotionThreshold, &QLineEdit::textChanged, strip, [strip](const QString& text) {
    strip->SetThreshold(klv::ParseMotionThreshold(text.toStdString()));
  });
}

void TfrmKLVMain::ShowMotionTimeline(std::shared_ptr<const klv::TimelineValues> values) {
  form_.seek->pnlTimeline->SetValues(std::move(values));
}

void TfrmKLVMain::ToggleFullScreen() {
  if (isFullScreen()) {
    setWindowState(windowedState_);
    menuBar()->show();
  } else {
    windowedState_ = windowState() & ~Qt::WindowFullScreen;
    // The picture takes the menu bar's room; Esc and F11 bring it back.
    menuBar()->hide();
    showFullScreen();
  }
}

void TfrmKLVMain::ShowKeys() {
  if (keysBox_ == nullptr) keysBox_ = new klv::player::KeysBox(this);
  keysBox_->show();
  keysBox_->raise();
}

bool TfrmKLVMain::HandlePlayerKey(QKeyEvent* e, bool press) {
  klv::Player& p = *player_;
  const int key = e->key();
  if (key == Qt::Key_Escape && isFullScreen()) {
    // Out of full screen before Esc does anything else.
    if (press) ToggleFullScreen();
    return true;
  }
  // With Ctrl, Alt or Meta these are someone else's.
  if ((e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) != 0) return false;
  switch (key) {
    case Qt::Key_Space:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_N:
    case Qt::Key_P:
    case Qt::Key_F11:
      break;
    default:
      return false;
  }
  // Once per press, however long the key is held; the release is used up too,
  // so that no button under the focus acts on it.
  if (!press || e->isAutoRepeat()) return true;
  switch (key) {
    case Qt::Key_Space: p.PlayPauseCommand(); break;
    case Qt::Key_Home: p.FirstFrameCommand(); break;
    case Qt::Key_End: p.LastFrameCommand(); break;
    case Qt::Key_N: p.NextMotionCommand(); break;
    case Qt::Key_P: p.PrevMotionCommand(); break;
    case Qt::Key_F11: ToggleFullScreen(); break;
    default: break;
  }
  return true;
}
