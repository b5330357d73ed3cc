#pragma once
// pnlTimeline: the motion timeline of an AVI movie, a thin strip under the
// seek bar. Each frame is a bar as high as the frame changed from the one
// before it (the motion search's difference, on a square-root scale so that
// small changes still show); frames above the threshold line stand out, the
// frames the camera marked as events carry a mark, and the part still being
// computed is hatched. Frames line up with the seek bar's handle. A click (or
// a drag) chooses a frame.
#include <QWidget>
#include <memory>

class QTimer;

namespace klv {
class TimelineValues;
}

namespace klv::player {

class SeekSlider;

class TimelineStrip : public QWidget {
  Q_OBJECT

 public:
  // How often the strip looks at values still being filled.
  static constexpr int kPollMs = 200;

  explicit TimelineStrip(QWidget* parent = nullptr);

  // The values to draw (null: none); looked at again every kPollMs while filling.
  void SetValues(std::shared_ptr<const TimelineValues> values);
  const std::shared_ptr<const TimelineValues>& Values() const { return values_; }
  // The motion threshold: the line across the strip (0: no line).
  void SetThreshold(int threshold);
  int Threshold() const { return threshold_; }
  // Frames are placed where `bar` puts its handle for them.
  void AlignWith(const SeekSlider* bar) { bar_ = bar; }

  // The frame drawn at x; -1 without values.
  int FrameAt(int x) const;
  // The x at which `frame` is drawn.
  int XOf(int frame) const;
  bool Polling() const;
  // The height of the bar of a difference, in pixels.
  int BarHeight(int difference) const;

 signals:
  void frameChosen(int frame);

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  bool event(QEvent* e) override;

 private:
  void Poll();
  // The x of frame 0 and of the last frame.
  void Span(int* first, int* last) const;

  std::shared_ptr<const TimelineValues> values_;
  QTimer* poll_;
  int drawnFilled_ = -1;  // frames filled when last drawn
  int threshold_ = 0;
  int lastChosen_ = -1;   // the frame the drag is on
  const SeekSlider* bar_ = nullptr;
};

}  // namespace klv::player
