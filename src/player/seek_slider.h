#pragma once
// tbWhere: the seek bar. A click beside the handle jumps to the position
// clicked (and the handle follows the mouse from there) instead of a page
// step, as in any movie player.
#include <QSlider>

namespace klv::player {

class SeekSlider : public QSlider {
  Q_OBJECT

 public:
  explicit SeekSlider(QWidget* parent = nullptr);

  // The position under x (in the bar's own coordinates).
  int ValueAt(int x) const;
  // The x of the handle's centre at the first and at the last position, so
  // that what is drawn beside the bar lines up with its handle.
  void HandleSpan(int* first, int* last) const;

 protected:
  void mousePressEvent(QMouseEvent* e) override;
};

}  // namespace klv::player
