#include "windows/classic_font.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QPainter>

namespace varnel {
namespace {

bool WineFontsInstalled() {
  return QFileInfo::exists("/usr/share/wine/fonts/ms_sans_serif.ttf") &&
         QFileInfo::exists("/usr/share/wine/fonts/tahoma.ttf");
}

// The longest captions fit the widths they were designed for.
void ExpectTheDesignedWidths(const QFont& font) {
  const QFontMetrics metrics(font);
  EXPECT_LE(metrics.horizontalAdvance("Refresh Bookmarks/ favorites"), 2295 / 15 - 8);  // the button, less its margins
  EXPECT_LE(metrics.horizontalAdvance("(left click to highlight MRU, then right click to delete, then Save MRU.  "
                                      "To launch double click)"),
            6855 / 15);  // Label4 (1) and (2)
}

// The height in device pixels of the ink of a caption drawn by a label at a device pixel ratio.
int InkHeight(const QFont& font, qreal ratio) {
  QLabel label(QString::fromLatin1("Back to main screen"));
  label.setFont(font);
  label.resize(160, 24);
  QImage shot(QSize(160, 24) * ratio, QImage::Format_RGB32);
  shot.setDevicePixelRatio(ratio);
  shot.fill(Qt::white);
  label.render(&shot);
  int top = shot.height(), bottom = -1;
  for (int y = 0; y < shot.height(); ++y) {
    for (int x = 0; x < shot.width(); ++x) {
      if (qGray(shot.pixel(x, y)) < 160) {
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
    }
  }
  return bottom - top + 1;
}

TEST(ClassicFontTest, EightPointsOfWinesBitmapFontAtThePlainPixelRatio) {
  const QFont font = ClassicDialogFont(1.0);
  EXPECT_EQ(font.pointSize(), 8);
  if (!WineFontsInstalled()) GTEST_SKIP() << "fonts-wine is not installed";
  EXPECT_EQ(font.family().toStdString(), "MS Sans Serif");
  ExpectTheDesignedWidths(font);
}

// On a scaled desktop the captions are drawn with an outline font of the same metrics, so their
// letters grow with the scale instead of staying at a bitmap's size.
TEST(ClassicFontTest, AScaledDesktopGetsAnOutlineFontWhoseLettersScale) {
  if (!WineFontsInstalled()) GTEST_SKIP() << "fonts-wine is not installed";
  for (qreal ratio : {1.5, 2.0}) {
    const QFont font = ClassicDialogFont(ratio);
    EXPECT_EQ(font.pointSize(), 8);
    EXPECT_EQ(font.family().toStdString(), "Tahoma");
    EXPECT_TRUE(QFontDatabase::isSmoothlyScalable(QFontInfo(font).family()));
    ExpectTheDesignedWidths(font);
  }
  const int plain = InkHeight(ClassicDialogFont(1.0), 1.0);
  const int doubled = InkHeight(ClassicDialogFont(2.0), 2.0);
  EXPECT_GE(plain, 9);
  EXPECT_NEAR(doubled, 2 * plain, 3) << "plain " << plain << ", doubled " << doubled;
  // The bitmap font itself cannot do that: its letters stay at the sizes it was drawn in.
  EXPECT_LT(InkHeight(ClassicDialogFont(1.0), 2.0), 2 * plain - 3);
}

}  // namespace
}  // namespace varnel
