#pragma once
// gbSeek: pnlWhere holds either the seek bar (paused) or the progress bar;
// AVI movies have their motion timeline under it.
#include <QGroupBox>

class QProgressBar;

namespace klv::player {

class SeekSlider;
class TimelineStrip;

class SeekGroup : public QGroupBox {
  Q_OBJECT

 public:
  explicit SeekGroup(QWidget* parent = nullptr);
  QWidget* pnlWhere;
  SeekSlider* tbWhere;
  QProgressBar* pbWhere;
  TimelineStrip* pnlTimeline;

 protected:
  void changeEvent(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
};

}  // namespace klv::player
