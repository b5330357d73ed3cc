#pragma once
#include <QImage>
#include <QWidget>

namespace klv {
class FramePicture;
}

namespace klv::player {

// Image1: shows the engine's picture stretched to its own size. The picture's
// rows are wrapped, not copied; when the engine is about to release them the
// view keeps a copy of what is on screen. A left click asks for the next zoom;
// with Ctrl held a click does not, and a double click asks for full screen.
class PictureView : public QWidget {
  Q_OBJECT

 public:
  explicit PictureView(QWidget* parent = nullptr);

  void SetPicture(const FramePicture* picture);
  const QImage& Image() const { return image_; }

 signals:
  void leftPressed();
  void contextRequested(const QPoint& globalPos);
  void fullScreenRequested();

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;

 private:
  QImage image_;
};

}  // namespace klv::player
