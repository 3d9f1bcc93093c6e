#include "widgets/dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "widgets/message_box.h"

namespace varnel {
namespace {

TEST(ScriptedDialogsTest, RecordsEveryTextWithItsKind) {
  ScriptedDialogs dialogs;
  dialogs.answers = {true};
  dialogs.Ok(nullptr, "Saved.");
  EXPECT_TRUE(dialogs.YesNo(nullptr, "Replace it?"));
  ASSERT_EQ(dialogs.shown.size(), 2u);
  EXPECT_FALSE(dialogs.shown[0].yesNo);
  EXPECT_EQ(dialogs.shown[0].text, "Saved.");
  EXPECT_TRUE(dialogs.shown[1].yesNo);
  EXPECT_EQ(dialogs.shown[1].text, "Replace it?");
}

TEST(ScriptedDialogsTest, EmptyQueueAnswersNoAndCountsIt) {
  ScriptedDialogs dialogs;
  EXPECT_FALSE(dialogs.YesNo(nullptr, "Sure?"));
  EXPECT_EQ(dialogs.unanswered, 1);
}

TEST(AppDialogsTest, ReplacementServesUntilReset) {
  ScriptedDialogs scripted;
  SetAppDialogs(&scripted);
  AppDialogs().Ok(nullptr, "hello");
  EXPECT_EQ(scripted.shown.size(), 1u);
  SetAppDialogs(nullptr);
  EXPECT_NE(dynamic_cast<QtDialogs*>(&AppDialogs()), nullptr);
}

TEST(MessageBoxTest, LooksClassicAndKeepsTheTextAsGiven) {
  auto box = MakeMessageBox(nullptr, MessageText("Two  blanks <b>not bold</b>\r\nCaf\xE9"),
                            QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(box->windowTitle(), "Varnel");
  EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
  EXPECT_EQ(box->textFormat(), Qt::PlainText);
  EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Yes));
  auto* label = box->findChild<QLabel*>("qt_msgbox_label");
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->textFormat(), Qt::PlainText);
  EXPECT_EQ(label->text(), QString::fromUtf8("Two  blanks <b>not bold</b>\nCafé"));
}

// Answers the next message box from inside its event loop and notes what it showed.
struct Answerer {
  QString title;
  QString text;
  int buttons = 0;

  void Press(QMessageBox::StandardButton which) {
    QTimer::singleShot(0, [this, which] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      title = box->windowTitle();
      text = box->text();
      buttons = static_cast<int>(box->standardButtons());
      box->button(which)->click();
    });
  }
};

TEST(QtDialogsTest, YesNoReturnsTheButtonPressed) {
  QtDialogs dialogs;
  Answerer answerer;
  answerer.Press(QMessageBox::Yes);
  EXPECT_TRUE(dialogs.YesNo(nullptr, "Go on?"));
  EXPECT_EQ(answerer.title, "Varnel");
  EXPECT_EQ(answerer.text, "Go on?");
  EXPECT_EQ(answerer.buttons, QMessageBox::Yes | QMessageBox::No);
  answerer.Press(QMessageBox::No);
  EXPECT_FALSE(dialogs.YesNo(nullptr, "Go on?"));
}

TEST(QtDialogsTest, OkShowsOnlyOk) {
  QtDialogs dialogs;
  Answerer answerer;
  answerer.Press(QMessageBox::Ok);
  dialogs.Ok(nullptr, "Done.");
  EXPECT_EQ(answerer.buttons, QMessageBox::Ok);
}

}  // namespace
}  // namespace varnel
