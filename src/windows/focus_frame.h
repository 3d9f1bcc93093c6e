#pragma once
// The focus frame of the controls that draw their own: two pixels of the highlight colour around
// one of white, seen on a dark picture as on a light list (the style's dotted line is lost on
// the dark Netscape icon).
#include <QPainter>
#include <QPalette>
#include <QRect>

namespace varnel {

inline void DrawFocusFrame(QPainter& painter, const QRect& rect, const QPalette& palette) {
  painter.save();
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(palette.color(QPalette::Highlight), 2));
  painter.drawRect(QRectF(rect).adjusted(1, 1, -1, -1));
  painter.setPen(QPen(Qt::white, 1));
  painter.drawRect(rect.adjusted(2, 2, -3, -3));
  painter.restore();
}

}  // namespace varnel
