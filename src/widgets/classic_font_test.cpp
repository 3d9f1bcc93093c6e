#include "widgets/classic_font.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QFontMetrics>

namespace varnel {
namespace {

// With Wine's MS Sans Serif the longest captions fit the widths they were designed for.
TEST(ClassicFontTest, EightPointsAndTheDesignedWidthsWhereWinesFontIsInstalled) {
  const QFont font = ClassicDialogFont();
  EXPECT_EQ(font.pointSize(), 8);
  if (!QFileInfo::exists("/usr/share/wine/fonts/ms_sans_serif.ttf")) GTEST_SKIP() << "fonts-wine is not installed";
  EXPECT_EQ(font.family().toStdString(), "MS Sans Serif");
  const QFontMetrics metrics(font);
  EXPECT_LE(metrics.horizontalAdvance("Refresh Bookmarks/ favorites"), 2295 / 15 - 8);  // the button, less its margins
  EXPECT_LE(metrics.horizontalAdvance("(left click to highlight MRU, then right click to delete, then Save MRU.  "
                                      "To launch double click)"),
            6855 / 15);  // Label4 (1) and (2)
}

}  // namespace
}  // namespace varnel
