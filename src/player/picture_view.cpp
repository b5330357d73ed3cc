#include "player/picture_view.h"

#include <QMouseEvent>
#include <QPainter>

#include "media/common/picture.h"

namespace klv::player {

PictureView::PictureView(QWidget* parent) : QWidget(parent) {
  setObjectName("Image1");
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureView::SetPicture(const FramePicture* picture) {
  if (picture == nullptr || picture->Empty()) {
    image_ = image_.copy();  // detach from rows about to be freed
    return;
  }
  image_ = QImage(picture->Bits(), picture->Width(), picture->Height(), picture->Stride(),
                  QImage::Format_BGR888);
  update();
}

void PictureView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (image_.isNull()) {
    p.fillRect(rect(), palette().color(QPalette::Dark));
    return;
  }
  if (image_.size() != size()) p.setRenderHint(QPainter::SmoothPixmapTransform);
  p.drawImage(rect(), image_);
}

namespace {

// Held for the full-screen double click, so that its clicks leave the zoom alone.
bool FullScreenModifier(const QMouseEvent* e) { return (e->modifiers() & Qt::ControlModifier) != 0; }

}  // namespace

void PictureView::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) {
    if (!FullScreenModifier(e)) emit leftPressed();
  } else if (e->button() == Qt::RightButton) {
    emit contextRequested(e->globalPosition().toPoint());
  }
  QWidget::mousePressEvent(e);
}

void PictureView::mouseDoubleClickEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && FullScreenModifier(e)) {
    emit fullScreenRequested();
    return;
  }
  // A plain double click is two clicks, as before.
  QWidget::mouseDoubleClickEvent(e);
}

}  // namespace klv::player
