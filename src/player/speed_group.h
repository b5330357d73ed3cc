#pragma once
// gbPlayRate: the speed bar, 1 to 30 frames a second from bottom to top.
#include <QGroupBox>

class QSlider;

namespace klv::player {

class SpeedGroup : public QGroupBox {
  Q_OBJECT

 public:
  explicit SpeedGroup(QWidget* parent = nullptr);
  QSlider* tbRate;

 protected:
  void resizeEvent(QResizeEvent* e) override;
  void changeEvent(QEvent* e) override;
};

}  // namespace klv::player
