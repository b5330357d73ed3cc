#include "player/search_preview.h"

#include <QPainter>
#include <cstring>

namespace klv::player {

SearchPreviewPanel::SearchPreviewPanel(QWidget* parent) : QFrame(parent) {
  setObjectName("pnlSearch");
  setFrameShape(QFrame::StyledPanel);
  setFrameShadow(QFrame::Sunken);
}

void SearchPreviewPanel::SetPicture(int width, int height, int stride, const uint8_t* bits) {
  if (bits == nullptr || width <= 0 || height <= 0 || stride < 3 * width) return;
  if (image_.width() != width || image_.height() != height)
    image_ = QImage(width, height, QImage::Format_BGR888);
  for (int y = 0; y < height; ++y)
    std::memcpy(image_.scanLine(y), bits + static_cast<ptrdiff_t>(y) * stride,
                static_cast<size_t>(width) * 3);
  ++shown_;
  update();
}

void SearchPreviewPanel::paintEvent(QPaintEvent* e) {
  if (image_.isNull()) {
    QFrame::paintEvent(e);
    return;
  }
  // Stretched to the panel's full size, each block a sharp square.
  QPainter p(this);
  p.drawImage(rect(), image_);
}

}  // namespace klv::player
