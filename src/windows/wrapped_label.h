#pragma once
// A label whose text wraps onto several lines, with a gap between the lines at fractional
// scales: at 1.5 the font's own line spacing rounds down to the glyphs' height and the lines touched.
// Everything else is the plain label's (text(), alignment, the opaque background).
#include <QLabel>
#include <vector>

class QTextLayout;

namespace varnel {

class WrappedLabel : public QLabel {
  Q_OBJECT

 public:
  using QLabel::QLabel;
  // The top of each line as painted, in the label's pixels.
  std::vector<qreal> LineTops() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // Lays the text out in `layout` and returns the line tops.
  std::vector<qreal> Layout(QTextLayout& layout) const;
};

}  // namespace varnel
