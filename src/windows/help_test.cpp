#include "windows/help.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QLineEdit>
#include <QTimer>

#include "testsupport/temp_dir.h"
#include "testsupport/test_events.h"
#include "windows/dialogs.h"
#include "windows/help_viewer.h"

namespace varnel {
namespace {

class HelpKeyTest : public ::testing::Test {
 protected:
  void SetUp() override { help.InstallKey(); }

  QStringList opened;
  Help help{[this](const QString& file) { opened << file; }};
};

TEST_F(HelpKeyTest, F1InAnyWindowOpensTheHelpFile) {
  QWidget window;
  auto* edit = new QLineEdit(&window);
  QDialog other;
  test::SendKey(edit, Qt::Key_F1);
  test::SendKey(&other, Qt::Key_F1);
  ASSERT_EQ(opened.size(), 2);
  EXPECT_TRUE(opened[0].endsWith("/vr.hlp"));
}

TEST_F(HelpKeyTest, F1WithModifiersIsNotHelp) {
  QWidget window;
  test::SendKey(&window, Qt::Key_F1, Qt::ShiftModifier);
  test::SendKey(&window, Qt::Key_F2);
  EXPECT_TRUE(opened.isEmpty());
}

TEST_F(HelpKeyTest, F1WorksInsideAModalMessageBox) {
  QTimer::singleShot(0, [] {
    QWidget* box = QApplication::activeModalWidget();
    if (!box) return;
    test::SendKey(box, Qt::Key_F1);
    box->close();
  });
  QtDialogs().Ok(nullptr, "Press F1");
  EXPECT_EQ(opened.size(), 1);
}

TEST_F(HelpKeyTest, TheBuiltInFileUnlessNoneOfThatNameThenBesideTheExecutable) {
  EXPECT_EQ(help.FilePath(), ":/help/vr.hlp");
  help.SetFileName("other.hlp");
  EXPECT_EQ(help.FilePath(), QCoreApplication::applicationDirPath() + "/other.hlp");
}

TEST(HelpTest, TheKeyGoesWithTheHelp) {
  QStringList opened;
  QWidget window;
  {
    Help help{[&](const QString& file) { opened << file; }};
    help.InstallKey();
    test::SendKey(&window, Qt::Key_F1);
  }
  test::SendKey(&window, Qt::Key_F1);
  EXPECT_EQ(opened.size(), 1);
}

QList<QWidget*> HelpWindows() {
  QList<QWidget*> found;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->windowTitle() == "Varnel Help") found << w;
  }
  return found;
}

TEST(HelpViewerTest, OneViewerShowsTheFileAndIsRaisedAgain) {
  test::TempDir dir;
  test::WriteFile(dir / "vr.hlp", "Varnel help  for the caf\xE9");
  const QString file = QString::fromStdString(dir / "vr.hlp");
  ShowHelpViewer(file);
  ShowHelpViewer(file);
  const QList<QWidget*> viewers = HelpWindows();
  ASSERT_EQ(viewers.size(), 1);
  auto* viewer = static_cast<HelpViewer*>(viewers[0]);
  EXPECT_TRUE(viewer->isVisible());
  EXPECT_EQ(viewer->Text(), QString::fromUtf8("Varnel help  for the café"));
  viewer->close();
}

TEST(HelpViewerTest, HtmlHelpIsRenderedAndUnreadableFileSaysSo) {
  HelpViewer viewer;
  test::TempDir dir;
  test::WriteFile(dir / "vr.hlp", "<html><body><h1>Varnel</h1><p>Contents</p></body></html>");
  viewer.Load(QString::fromStdString(dir / "vr.hlp"));
  EXPECT_EQ(viewer.Text(), "Varnel\nContents");
  viewer.Load(QString::fromStdString(dir / "missing.hlp"));
  EXPECT_TRUE(viewer.Text().contains("missing.hlp"));
}

}  // namespace
}  // namespace varnel
