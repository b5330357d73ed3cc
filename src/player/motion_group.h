#pragma once
// gbMotion: the motion search's preview, threshold, buttons and state labels.
#include <QGroupBox>
#include <array>

#include "engine/player_view.h"

class QLabel;
class QLineEdit;
class QToolButton;

namespace klv::player {

class SearchPreviewPanel;

class MotionSearchGroup : public QGroupBox {
  Q_OBJECT

 public:
  explicit MotionSearchGroup(QWidget* parent = nullptr);

  // One state label is visible at a time.
  void ShowLabel(SearchLabel label);

  SearchPreviewPanel* pnlSearch;
  QLabel* Thresh;
  QLineEdit* edtMotionThreshold;
  QToolButton* sbSearchBackward;
  QToolButton* sbStopSearch;
  QToolButton* sbSearchForward;
  // lblSrchMsg, lblSearchForward, lblSearchBackward, lblSearchFound
  std::array<QLabel*, 4> labels {};

 protected:
  void changeEvent(QEvent* e) override;

 private:
  void Retranslate();
};

}  // namespace klv::player
