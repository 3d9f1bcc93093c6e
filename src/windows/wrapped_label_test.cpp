#include "windows/wrapped_label.h"

#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <cmath>

#include "windows/controls.h"

namespace varnel {
namespace {

// The lines of a wrapped label never touch: each starts a gap below the glyphs of the one above,
// at whatever size the font is drawn (1.5 rounded the font's own spacing down to nothing).
TEST(WrappedLabel, WrappedLinesKeepAGapBetweenThem) {
  QWidget window;
  QLabel* label = MakeLabel(&window, "Set up Browsers", 240, 720, 1095, 375);
  ASSERT_NE(dynamic_cast<WrappedLabel*>(label), nullptr);
  EXPECT_EQ(label->text(), "Set up Browsers");  // the text as given
  for (const int pixels : {11, 16, 17, 24}) {
    SCOPED_TRACE(pixels);
    QFont font = label->font();
    font.setPixelSize(pixels);
    label->setFont(font);
    label->resize(pixels * 6, pixels * 4);
    const std::vector<qreal> tops = static_cast<WrappedLabel*>(label)->LineTops();
    ASSERT_EQ(tops.size(), 2u);
    const qreal scale = label->devicePixelRatioF();
    EXPECT_GE(tops[1] - tops[0], QFontMetricsF(font).height() + (scale != std::floor(scale) ? 1 : 0));
  }
  EXPECT_EQ(dynamic_cast<WrappedLabel*>(MakeLabel(&window, "one line", 0, 0, 1000, 255)), nullptr);
}

}  // namespace
}  // namespace varnel
