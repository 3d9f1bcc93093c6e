#include "windows/wrapped_label.h"

#include <QPainter>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

namespace varnel {

std::vector<qreal> WrappedLabel::Layout(QTextLayout& layout) const {
  const QFontMetricsF metrics(font());
  // At a fractional scale a tenth of the line, at least one pixel, between one line's glyphs and
  // the next's; at a whole one the font's own spacing, which keeps a gap and fits the label.
  const qreal scale = devicePixelRatioF();
  const bool fractional = scale != std::floor(scale);
  const qreal step = fractional ? metrics.height() + std::max<qreal>(1.0, std::round(metrics.height() / 10))
                                : std::max(metrics.lineSpacing(), metrics.height());
  QTextOption option(alignment());
  option.setWrapMode(QTextOption::WordWrap);
  layout.setTextOption(option);
  layout.setFont(font());
  std::vector<qreal> tops;
  layout.beginLayout();
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(contentsRect().width());
    const qreal top = static_cast<qreal>(tops.size()) * step;
    line.setPosition(QPointF(0, top));
    tops.push_back(top);
  }
  layout.endLayout();
  return tops;
}

std::vector<qreal> WrappedLabel::LineTops() const {
  QTextLayout layout(text());
  return Layout(layout);
}

void WrappedLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);  // the background, when the label fills it, is painted already
  painter.setPen(palette().color(foregroundRole()));
  QTextLayout layout(text());
  Layout(layout);
  layout.draw(&painter, contentsRect().topLeft());
}

}  // namespace varnel
