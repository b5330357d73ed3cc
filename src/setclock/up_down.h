#pragma once
#include <QWidget>

class QToolButton;

namespace klv {

// A pair of arrow buttons beside an edit box that steps a position within a
// range, without wrapping. Unlike a spin box it keeps its position apart from
// the box's text: the windows that use it decide, on each click, what the
// position means for the box.
class UpDown : public QWidget {
  Q_OBJECT
 public:
  explicit UpDown(QWidget* parent = nullptr);

  int position() const { return position_; }
  int minimum() const { return min_; }
  int maximum() const { return max_; }
  // Set in code: clamped to the range, emits nothing.
  void setPosition(int position);
  void setRange(int minimum, int maximum);

  // What a click on the upper or lower button does: step, then emit clicked.
  void stepUp();
  void stepDown();

  QSize sizeHint() const override;

 signals:
  // After a click has stepped the position (also when it sat at a limit).
  void clicked(bool up);
  // The pointer moves over the control.
  void pointerMoved();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  QToolButton* up_;
  QToolButton* down_;
  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
};

}  // namespace klv
