#include "windows/dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>

#include "testsupport/scripted_dialogs.h"
#include "windows/message_box.h"

namespace varnel {
namespace {

// The core's prompt reaches the message boxes with its text, its kind and its default answer.
TEST(DialogsPromptTest, TellsAndAsksThroughTheDialogs) {
  test::ScriptedDialogs dialogs;
  dialogs.answers = {true};
  DialogsPrompt prompt(dialogs, nullptr);
  prompt.Tell("Saved.");
  EXPECT_TRUE(prompt.Ask("Overwrite?", Prompt::Answer::No));
  EXPECT_FALSE(prompt.Ask("Go on?"));  // the queue is empty: No
  ASSERT_EQ(dialogs.shown.size(), 3u);
  EXPECT_FALSE(dialogs.shown[0].yesNo);
  EXPECT_EQ(dialogs.shown[0].text, "Saved.");
  EXPECT_TRUE(dialogs.shown[1].yesNo);
  EXPECT_EQ(dialogs.shown[1].text, "Overwrite?");
  EXPECT_EQ(dialogs.shown[1].byDefault, Dialogs::Answer::No);
  EXPECT_EQ(dialogs.shown[2].byDefault, Dialogs::Answer::Yes);
}

TEST(ScriptedDialogsTest, RecordsEveryTextWithItsKind) {
  test::ScriptedDialogs dialogs;
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
  test::ScriptedDialogs dialogs;
  EXPECT_FALSE(dialogs.YesNo(nullptr, "Sure?"));
  EXPECT_EQ(dialogs.unanswered, 1);
}

TEST(MessageBoxTest, LooksClassicAndKeepsTheTextAsGiven) {
  auto box = MakeMessageBox(nullptr, MessageText("Two  blanks <b>not bold</b>\r\nCaf\xE9"),
                            QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(box->windowTitle(), "Varnel");
  EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
  EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Yes));
  auto* label = box->findChild<QLabel*>("qt_msgbox_label");
  ASSERT_NE(label, nullptr);
  QTextDocument shown;
  shown.setHtml(label->text());
  EXPECT_EQ(shown.toPlainText(), QString::fromUtf8("Two  blanks <b>not bold</b>\nCafé"));
}

TEST(MessageBoxTest, AnAddressIsNeverBrokenAcrossLines) {
  const QString text =
      QStringLiteral("Write to varnel-support@lists.example.org or https://a-b.example/x-y.  Then wait.");
  QTextDocument narrow;
  narrow.setHtml(MessageHtml(text));
  QTextOption wrapAtWords;  // as the box's label wraps
  wrapAtWords.setWrapMode(QTextOption::WordWrap);
  narrow.setDefaultTextOption(wrapAtWords);
  narrow.setTextWidth(20);               // narrower than any word: every word on a line of its own
  ASSERT_GT(narrow.size().height(), 0);  // lays the text out
  QStringList lines;
  for (QTextBlock block = narrow.begin(); block.isValid(); block = block.next()) {
    for (int i = 0; i < block.layout()->lineCount(); ++i) {
      const QTextLine line = block.layout()->lineAt(i);
      lines << block.text().mid(line.textStart(), line.textLength()).remove(QChar(0x2060)).trimmed();
    }
  }
  EXPECT_TRUE(lines.contains("varnel-support@lists.example.org")) << lines.join('|').toStdString();
  EXPECT_TRUE(lines.contains("https://a-b.example/x-y.")) << lines.join('|').toStdString();
  EXPECT_EQ(narrow.toPlainText().remove(QChar(0x2060)), text);
}

// A refused favorite's path is one word of 150 characters: the box still fits in the bookmarks
// window (641 pixels), and the text shown is the text given.
TEST(MessageBoxTest, AVeryLongWordBreaksSoTheBoxIsNoWiderThanItsWindow) {
  QWidget window;
  window.setFixedSize(641, 457);
  const QString path = QStringLiteral("c:\\windows\\favorites\\") + QString(130, QChar(0xE9)) + QStringLiteral(".url:");
  const QString text = QStringLiteral("52 ") + path + QStringLiteral(" File name too long");
  auto box = MakeMessageBox(&window, text, QMessageBox::Ok);
  box->show();
  QApplication::processEvents();
  EXPECT_LE(box->frameGeometry().width(), window.width());
  QTextDocument shown;
  shown.setHtml(box->text());
  EXPECT_EQ(shown.toPlainText().remove(QChar(0x200B)), text);
  box->hide();
}

// Answers the next message box from inside its event loop and notes what it showed.
struct Answerer {
  QString title;
  QString text;
  int buttons = 0;
  QMessageBox::StandardButton byDefault = QMessageBox::NoButton;

  void Press(QMessageBox::StandardButton which) {
    QTimer::singleShot(0, [this, which] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      title = box->windowTitle();
      text = box->text();
      buttons = static_cast<int>(box->standardButtons());
      byDefault = box->standardButton(box->defaultButton());
      box->button(which)->click();
    });
  }
};

TEST(MessageBoxTest, AnOverlongTextKeepsItsStartAndEndAndTheBoxFitsTheScreen) {
  const std::string text = "favorite added: " + std::string(100000, 'x') + ": File name too long";
  const QString shown = MessageText(text);
  EXPECT_LE(shown.size(), kLongestMessage + 3);
  EXPECT_TRUE(shown.startsWith("favorite added: xxx"));
  EXPECT_TRUE(shown.endsWith("xxx: File name too long"));
  EXPECT_TRUE(shown.contains(QChar(0x2026)));
  auto box = MakeMessageBox(nullptr, shown, QMessageBox::Ok);
  box->show();
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_LE(box->frameGeometry().height(), screen.height());
  EXPECT_LE(box->frameGeometry().width(), screen.width());
  box->hide();
}

TEST(QtDialogsTest, YesNoReturnsTheButtonPressed) {
  QtDialogs dialogs;
  Answerer answerer;
  answerer.Press(QMessageBox::Yes);
  EXPECT_TRUE(dialogs.YesNo(nullptr, "Go on?"));
  EXPECT_EQ(answerer.title, "Varnel");
  QTextDocument shown;
  shown.setHtml(answerer.text);
  EXPECT_EQ(shown.toPlainText(), "Go on?");
  EXPECT_EQ(answerer.buttons, QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(answerer.byDefault, QMessageBox::Yes);
  answerer.Press(QMessageBox::No);
  EXPECT_FALSE(dialogs.YesNo(nullptr, "Go on?"));
  // A question whose Yes overwrites something has No as its default: Enter keeps things.
  answerer.Press(QMessageBox::No);
  EXPECT_FALSE(dialogs.YesNo(nullptr, "Overwrite?", Dialogs::Answer::No));
  EXPECT_EQ(answerer.byDefault, QMessageBox::No);
}

TEST(QtDialogsTest, OkShowsOnlyOk) {
  QtDialogs dialogs;
  Answerer answerer;
  answerer.Press(QMessageBox::Ok);
  dialogs.Ok(nullptr, "Done.");
  EXPECT_EQ(answerer.buttons, QMessageBox::Ok);
}

TEST(MessageBoxTest, ABoxStandsCentredOverItsWindowAndInsideTheScreen) {
  const QRect screen(0, 0, 1920, 1080);
  EXPECT_EQ(CentredOver(QRect(100, 200, 600, 400), QSize(200, 100), screen), QRect(300, 350, 200, 100));
  // A window reaching past the screen's edges: the box keeps inside it.
  EXPECT_EQ(CentredOver(QRect(1800, -300, 400, 400), QSize(300, 120), screen).topLeft(), QPoint(1620, 0));
  EXPECT_EQ(CentredOver(QRect(-500, 1000, 400, 400), QSize(300, 120), screen).topLeft(), QPoint(0, 960));

  // A window that is not on screen yet (a message while it loads), with no other window up:
  // the box goes to the middle of the screen.
  QWidget hidden;
  auto early = MakeMessageBox(&hidden, QStringLiteral("Unable to find the normal directory"), QMessageBox::Ok);
  early->show();
  const QRect area = early->screen()->availableGeometry();
  EXPECT_LE((early->frameGeometry().center() - area.center()).manhattanLength(), 2);
  early->hide();

  QWidget window;
  window.setGeometry(40, 60, 632, 441);
  window.show();
  auto box = MakeMessageBox(&window, QStringLiteral("The directory last used for your IE favorites does not exist"),
                            QMessageBox::Ok);
  box->show();
  EXPECT_LE((box->frameGeometry().center() - window.frameGeometry().center()).manhattanLength(), 2)
      << box->frameGeometry().x() << "," << box->frameGeometry().y();
}

}  // namespace
}  // namespace varnel
