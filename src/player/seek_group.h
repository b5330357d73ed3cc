#pragma once
// gbSeek: pnlWhere holds either the seek bar (paused) or the progress bar.
#include <QGroupBox>

class QProgressBar;
class QSlider;

namespace klv::player {

class SeekGroup : public QGroupBox {
  Q_OBJECT

 public:
  explicit SeekGroup(QWidget* parent = nullptr);
  QWidget* pnlWhere;
  QSlider* tbWhere;
  QProgressBar* pbWhere;

 protected:
  void changeEvent(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
};

}  // namespace klv::player
