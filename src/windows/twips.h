#pragma once
// Window geometry is designed in twips; 15 twips make one device-independent pixel. Each value
// is converted on its own (rounded to the nearest pixel), so controls of one designed size
// always get the same pixel size wherever they sit.
#include <QRect>
#include <QWidget>
#include <cmath>

namespace varnel {

inline constexpr int kTwipsPerPixel = 15;

inline int TwipsToPixels(int twips) {
  return static_cast<int>(std::lround(static_cast<double>(twips) / kTwipsPerPixel));
}

inline QRect TwipsRect(int left, int top, int width, int height) {
  return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width), TwipsToPixels(height));
}

inline void PlaceTwips(QWidget* widget, int left, int top, int width, int height) {
  widget->setGeometry(TwipsRect(left, top, width, height));
}

}  // namespace varnel
