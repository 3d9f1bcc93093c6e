#include "windows/clickable_image.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>

#include "windows/focus_frame.h"

namespace varnel {

ClickableImage::ClickableImage(QWidget* parent) : QLabel(parent) { setFocusPolicy(Qt::TabFocus); }

bool ClickableImage::SetImage(const QString& path) {
  if (path.endsWith(".svg", Qt::CaseInsensitive) || path.endsWith(".svgz", Qt::CaseInsensitive)) {
    auto* svg = new QSvgRenderer(path, this);
    if (!svg->isValid()) {
      delete svg;
      return false;
    }
    delete svg_;
    svg_ = svg;
    pixmap_ = QPixmap();
    update();
    return true;
  }
  QPixmap pixmap(path);
  if (pixmap.isNull()) return false;
  SetPixmap(pixmap);
  return true;
}

void ClickableImage::SetPixmap(const QPixmap& pixmap) {
  delete svg_;
  svg_ = nullptr;
  pixmap_ = pixmap;
  update();
}

bool ClickableImage::HasImage() const { return svg_ != nullptr || !pixmap_.isNull(); }

void ClickableImage::paintEvent(QPaintEvent* event) {
  if (!HasImage()) {
    QLabel::paintEvent(event);
    return;
  }
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  if (svg_) {
    svg_->render(&painter, QRectF(rect()));
  } else {
    painter.drawPixmap(rect(), pixmap_);
  }
  if (hasFocus()) DrawFocusFrame(painter, rect(), palette());
}

void ClickableImage::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  QLabel::mousePressEvent(event);
}

void ClickableImage::mouseReleaseEvent(QMouseEvent* event) {
  const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  if (event->button() == Qt::LeftButton) pressed_ = false;
  QLabel::mouseReleaseEvent(event);
  if (click) emit Click();
}

void ClickableImage::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Space) {
    QLabel::keyPressEvent(event);
    return;
  }
  event->accept();
  if (!event->isAutoRepeat()) emit Click();
}

}  // namespace varnel
