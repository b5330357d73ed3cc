#pragma once
#include <QFrame>
#include <QImage>

namespace klv::player {

// pnlSearch: the motion search's reduced picture of the frame it examines,
// stretched to the whole panel, one block a pixel before stretching.
class SearchPreviewPanel : public QFrame {
  Q_OBJECT

 public:
  explicit SearchPreviewPanel(QWidget* parent = nullptr);

  // Rows top to bottom, blue-green-red; copied, so the bits need not outlive the call.
  void SetPicture(int width, int height, int stride, const uint8_t* bits);
  const QImage& Image() const { return image_; }
  // Pictures handed over so far (each one repaints the panel).
  int PicturesShown() const { return shown_; }

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  QImage image_;
  int shown_ = 0;
};

}  // namespace klv::player
