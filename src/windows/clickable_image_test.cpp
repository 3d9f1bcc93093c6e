#include "windows/clickable_image.h"

#include <gtest/gtest.h>

#include <QImage>

#include "testsupport/temp_dir.h"
#include "testsupport/test_events.h"

namespace varnel {
namespace {

class ClickableImageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Left half red, right half blue, in a 10 x 10 picture.
    test::WriteFile(dir / "pic.svg",
                    "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'>"
                    "<rect x='0' y='0' width='5' height='10' fill='#ff0000'/>"
                    "<rect x='5' y='0' width='5' height='10' fill='#0000ff'/></svg>");
    image.resize(80, 20);
    QObject::connect(&image, &ClickableImage::Click, [this] { ++clicks; });
  }

  test::TempDir dir;
  ClickableImage image;
  int clicks = 0;
};

TEST_F(ClickableImageTest, SvgStretchesOverTheWholeRect) {
  ASSERT_TRUE(image.SetImage(QString::fromStdString(dir / "pic.svg")));
  const QImage shot = image.grab().toImage();
  EXPECT_EQ(shot.pixelColor(2, 10), QColor(Qt::red));
  EXPECT_EQ(shot.pixelColor(38, 18), QColor(Qt::red));
  EXPECT_EQ(shot.pixelColor(42, 1), QColor(Qt::blue));
  EXPECT_EQ(shot.pixelColor(78, 10), QColor(Qt::blue));
}

TEST_F(ClickableImageTest, UnreadableImageIsRefused) {
  EXPECT_FALSE(image.SetImage(QString::fromStdString(dir / "none.svg")));
  EXPECT_FALSE(image.SetImage(QString::fromStdString(dir / "none.png")));
  EXPECT_FALSE(image.HasImage());
}

TEST_F(ClickableImageTest, LeftReleaseInsideClicks) {
  test::ClickAt(&image, Qt::LeftButton, QPoint(5, 5));
  EXPECT_EQ(clicks, 1);
}

TEST_F(ClickableImageTest, ReleaseOutsideOrOtherButtonDoesNot) {
  test::Press(&image, Qt::LeftButton, QPoint(5, 5));
  test::SendMouse(&image, QEvent::MouseButtonRelease, Qt::LeftButton, QPoint(200, 5));
  test::ClickAt(&image, Qt::RightButton, QPoint(5, 5));
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(image.cursor().shape(), Qt::ArrowCursor);
}

TEST_F(ClickableImageTest, TabReachesItAndEnterReturnOrSpacePressIt) {
  EXPECT_EQ(image.focusPolicy(), Qt::TabFocus);  // a click leaves the focus where it was
  test::SendKeys(&image, {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space});
  EXPECT_EQ(clicks, 3);
  test::SendKeys(&image, {Qt::Key_A, Qt::Key_Delete, Qt::Key_Escape});
  EXPECT_EQ(clicks, 3);
  QKeyEvent held(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString(), true);
  QApplication::sendEvent(&image, &held);
  EXPECT_EQ(clicks, 3);  // a held key presses once
}

}  // namespace
}  // namespace varnel

namespace varnel {
namespace {

// The focus shows on a dark picture too (the style's dotted line was lost on the Netscape icon).
TEST(ClickableImageFocus, AFocusedDarkPictureShowsAHighlightFrame) {
  ClickableImage image;
  QPixmap dark(32, 32);
  dark.fill(Qt::black);
  image.SetPixmap(dark);
  image.resize(32, 32);
  image.show();
  QApplication::setActiveWindow(&image);
  const QColor highlight = image.palette().color(QPalette::Highlight);
  image.clearFocus();
  EXPECT_EQ(image.grab().toImage().pixelColor(1, 1), QColor(Qt::black));
  image.setFocus();
  ASSERT_TRUE(image.hasFocus());
  const QImage focused = image.grab().toImage();
  EXPECT_EQ(focused.pixelColor(1, 1), highlight);
  EXPECT_EQ(focused.pixelColor(30, 16), highlight);
  EXPECT_EQ(focused.pixelColor(16, 16), QColor(Qt::black));  // the picture itself stays as it is
}

}  // namespace
}  // namespace varnel
