#pragma once
// gbPlayList: the play list, the path of the entry under the mouse, and the
// Previous, Next and Clear buttons.
#include <QGroupBox>

class QLabel;
class QListWidget;
class QPushButton;

namespace klv::player {

class PlayListGroup : public QGroupBox {
  Q_OBJECT

 public:
  explicit PlayListGroup(QWidget* parent = nullptr);

  QListWidget* lbPlayList;
  QLabel* lblFilePath;
  QWidget* pnlPLControls;
  QPushButton* bPrevious;
  QPushButton* bSkip;
  QPushButton* bClearPlayList;

 protected:
  void changeEvent(QEvent* e) override;

 private:
  void Retranslate();
};

}  // namespace klv::player
