#include "windows/classic_list_box.h"

#include <gtest/gtest.h>

#include <vector>

#include "testsupport/test_events.h"

namespace varnel {
namespace {

using test::ClickAt;
using test::DoubleClickAt;
using test::Press;

class ClassicListBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* text : {"first", "second", "third"}) list.AddItem(text);
    list.resize(200, 150);
    list.show();
    QObject::connect(&list, &ClassicListBase::MouseDown, [this](Qt::MouseButton b) {
      downs.push_back(b);
      indexAtDown.push_back(list.ListIndex());
    });
    QObject::connect(&list, &ClassicListBase::Click, [this] { ++clicks; });
    QObject::connect(&list, &ClassicListBase::DblClick, [this] { ++doubleClicks; });
  }

  QPoint RowPoint(int row) { return list.visualItemRect(list.item(row)).center(); }

  ClassicListBox list;
  std::vector<Qt::MouseButton> downs;
  std::vector<int> indexAtDown;
  int clicks = 0;
  int doubleClicks = 0;
};

TEST_F(ClassicListBoxTest, LeftPressSelectsBeforeMouseDownIsReported) {
  Press(list.viewport(), Qt::LeftButton, RowPoint(1));
  EXPECT_EQ(list.ListIndex(), 1);
  EXPECT_EQ(list.Text(), "second");
  ASSERT_EQ(downs.size(), 1u);
  EXPECT_EQ(downs[0], Qt::LeftButton);
  EXPECT_EQ(indexAtDown[0], 1);
}

TEST_F(ClassicListBoxTest, RightPressKeepsSelectionAndReportsRightButton) {
  list.SetListIndex(0);
  ClickAt(list.viewport(), Qt::RightButton, RowPoint(2));
  EXPECT_EQ(list.ListIndex(), 0);
  ASSERT_EQ(downs.size(), 1u);
  EXPECT_EQ(downs[0], Qt::RightButton);
}

TEST_F(ClassicListBoxTest, RightPressWithNothingSelectedSelectsNothing) {
  Press(list.viewport(), Qt::RightButton, RowPoint(1));
  EXPECT_EQ(list.ListIndex(), -1);
  EXPECT_EQ(list.Text(), "");
}

TEST_F(ClassicListBoxTest, DoubleClickReportsOneDblClickAndOneMouseDown) {
  DoubleClickAt(list.viewport(), Qt::LeftButton, RowPoint(2));
  EXPECT_EQ(list.ListIndex(), 2);
  EXPECT_EQ(doubleClicks, 1);
  EXPECT_EQ(downs.size(), 1u);
}

TEST_F(ClassicListBoxTest, ClickFollowsSelectionChangesAndRepeatedPresses) {
  list.SetListIndex(1);
  EXPECT_EQ(clicks, 1);
  Press(list.viewport(), Qt::LeftButton, RowPoint(1));
  EXPECT_EQ(clicks, 2);
  Press(list.viewport(), Qt::LeftButton, RowPoint(0));
  EXPECT_EQ(clicks, 3);
}

TEST_F(ClassicListBoxTest, ClearingAndRemovingStaySilent) {
  list.SetListIndex(1);
  clicks = 0;
  list.RemoveItem(1);
  EXPECT_EQ(list.ListIndex(), -1);
  EXPECT_EQ(list.ListCount(), 2);
  list.Clear();
  EXPECT_EQ(list.ListCount(), 0);
  EXPECT_EQ(clicks, 0);
}

TEST_F(ClassicListBoxTest, OutOfRangeIndexesAreHarmless) {
  list.SetListIndex(7);
  EXPECT_EQ(list.ListIndex(), -1);
  list.RemoveItem(3);
  EXPECT_EQ(list.ListCount(), 3);
  EXPECT_EQ(list.Item(5), "");
}

TEST_F(ClassicListBoxTest, RowsKeepInsertionOrderAnd1252Text) {
  list.AddItem("Caf\xE9 \x80");
  list.AddItem("apple");
  EXPECT_EQ(list.Item(3), "Caf\xE9 \x80");
  EXPECT_EQ(list.item(3)->text(), QString::fromUtf8("Café €"));
  EXPECT_EQ(list.Item(4), "apple");
}

TEST_F(ClassicListBoxTest, EnterOnASelectedRowIsADoubleClickAndEveryKeyIsReported) {
  std::vector<int> keys;
  QObject::connect(&list, &ClassicListBase::KeyDown, [&keys](int key) { keys.push_back(key); });
  test::SendKeys(&list, {Qt::Key_Return, Qt::Key_Enter});
  EXPECT_EQ(doubleClicks, 0);  // nothing selected: nothing to open
  test::SendKeys(&list, {Qt::Key_Down, Qt::Key_Down});
  EXPECT_EQ(list.ListIndex(), 1);
  EXPECT_EQ(clicks, 2);
  test::SendKeys(&list, {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Delete});
  EXPECT_EQ(doubleClicks, 2);
  EXPECT_EQ(list.ListIndex(), 1);  // Delete itself removes nothing; the window decides
  EXPECT_EQ(list.ListCount(), 3);
  EXPECT_EQ(keys, (std::vector<int>{Qt::Key_Return, Qt::Key_Enter, Qt::Key_Down, Qt::Key_Down, Qt::Key_Return,
                                    Qt::Key_Enter, Qt::Key_Delete}));
  EXPECT_TRUE(downs.empty());
}

}  // namespace
}  // namespace varnel

namespace varnel {
namespace {

// The keys start on the row the focus stands on: the view puts the focus on the first row
// without selecting it, and the first Down used to move past it.
TEST_F(ClassicListBoxTest, TheFirstDownOrEnterTakesTheRowTheFocusStandsOn) {
  test::SendTabFocusIn(&list);
  ASSERT_EQ(list.currentRow(), 0);
  ASSERT_EQ(list.ListIndex(), -1);
  test::SendKey(&list, Qt::Key_Down);
  EXPECT_EQ(list.ListIndex(), 0);
  test::SendKey(&list, Qt::Key_Down);
  EXPECT_EQ(list.ListIndex(), 1);

  list.SetListIndex(-1);  // the focus stays on the second row
  test::SendKey(&list, Qt::Key_Return);
  EXPECT_EQ(list.ListIndex(), 1);
  EXPECT_EQ(doubleClicks, 1);
}

TEST(ClassicListFocus, AnEmptyListWithTheFocusShowsAFrame) {
  ClassicListBox list;
  list.resize(120, 80);
  list.show();
  QApplication::setActiveWindow(&list);
  const QColor highlight = list.palette().color(QPalette::Highlight);
  list.clearFocus();
  EXPECT_NE(list.viewport()->grab().toImage().pixelColor(1, 1), highlight);
  list.setFocus();
  ASSERT_TRUE(list.hasFocus());
  EXPECT_EQ(list.viewport()->grab().toImage().pixelColor(1, 1), highlight);
  test::SendKey(&list, Qt::Key_Down);  // nothing to select
  EXPECT_EQ(list.ListIndex(), -1);
}

}  // namespace
}  // namespace varnel

namespace varnel {
namespace {

// A control character shows as \xHH, as on the command line; the row still hands back its text.
TEST(ClassicListText, ControlCharactersShowAsHexAndTheTextStaysWhole) {
  ClassicListBox list;
  list.AddItem(std::string("http://a/\x01tab\there"));
  list.AddItem("plain");
  EXPECT_EQ(list.item(0)->text(), QString("http://a/\\x01tab\\x09here"));
  EXPECT_EQ(list.Item(0), std::string("http://a/\x01tab\there"));
  EXPECT_EQ(list.item(1)->text(), QString("plain"));
  list.SetListIndex(0);
  EXPECT_EQ(list.Text(), std::string("http://a/\x01tab\there"));
  list.AddItem(std::string("c1 \x85 and del \x7f"));  // 1252's 0x85 is an ellipsis, not a control
  EXPECT_EQ(list.item(2)->text(), QString::fromUtf8("c1 \xE2\x80\xA6 and del \\x7f"));
}

}  // namespace
}  // namespace varnel
