#include "windows/twips.h"

#include <gtest/gtest.h>

namespace varnel {
namespace {

TEST(TwipsTest, FifteenTwipsMakeOnePixelRoundedToNearest) {
  EXPECT_EQ(TwipsToPixels(0), 0);
  EXPECT_EQ(TwipsToPixels(7), 0);
  EXPECT_EQ(TwipsToPixels(8), 1);
  EXPECT_EQ(TwipsToPixels(1440), 96);
  EXPECT_EQ(TwipsToPixels(-30), -2);
}

TEST(TwipsTest, RectsAndPlacementConvertEveryValue) {
  EXPECT_EQ(TwipsRect(120, 240, 1500, 375), QRect(8, 16, 100, 25));
  QWidget widget;
  PlaceTwips(&widget, 120, 240, 1500, 375);
  EXPECT_EQ(widget.geometry(), QRect(8, 16, 100, 25));
}

}  // namespace
}  // namespace varnel
