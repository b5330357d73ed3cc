#pragma once
// pnlPlayCtrl: the transport buttons under the picture.
#include <QWidget>

class QToolButton;

namespace klv::player {

class TransportPanel : public QWidget {
  Q_OBJECT

 public:
  explicit TransportPanel(QWidget* parent = nullptr);

  QToolButton* sbStop;
  QToolButton* sbPause;
  QToolButton* sbBackward;
  QToolButton* sbPrevious;
  QToolButton* sbNext;
  QToolButton* sbForward;
  QToolButton* sbPrevEvent;
  QToolButton* sbNextEvent;

 protected:
  void changeEvent(QEvent* e) override;

 private:
  void Retranslate();
};

}  // namespace klv::player
