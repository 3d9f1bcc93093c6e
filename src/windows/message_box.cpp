#include "windows/message_box.h"

#include <algorithm>

#include <QApplication>
#include <QScreen>

#include "windows/ansi_text.h"

namespace varnel {

QString MessageText(const std::string& ansiText) {
  QString text = FromAnsi(ansiText);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  // A title of 100,000 characters in a message would make the box far taller than any screen,
  // its buttons out of reach: the middle of an overlong text gives way to an ellipsis, keeping
  // its start (what the message is about) and its end (why it failed).
  if (text.size() > kLongestMessage) {
    qsizetype head = kLongestMessage / 2, tail = text.size() - kLongestMessage / 2;
    if (text[head].isLowSurrogate()) --head;
    if (text[tail].isLowSurrogate()) ++tail;
    text = text.left(head) + QStringLiteral(" \u2026 ") + text.mid(tail);
  }
  return text;
}

namespace {

constexpr QChar kWordJoiner(0x2060);
constexpr QChar kZeroWidthSpace(0x200B);
// A word longer than this (a long path, say) would make the box wider than its window, which
// the box's width cannot go beyond: it may break anywhere.
constexpr qsizetype kLongestWholeWord = 50;

bool IsAddress(const QString& word) { return word.contains(QLatin1Char('@')) || word.contains(QLatin1String("://")); }

// The word with an invisible character between each two of its characters.
QString Interleaved(const QString& word, QChar between) {
  QString joined;
  for (qsizetype i = 0; i < word.size(); ++i) {
    if (i > 0 && !word[i].isLowSurrogate()) joined += between;
    joined += word[i];
  }
  return joined;
}

// The text layout would break an address after a hyphen or a slash: a word joiner between each
// two of its characters forbids that. A word too long for a line gets a zero-width space there
// instead, a place to break.
QString LineHtml(const QString& line) {
  QStringList words = line.split(QLatin1Char(' '));
  for (QString& word : words) {
    if (word.size() > kLongestWholeWord) {
      word = Interleaved(word, kZeroWidthSpace);
    } else if (IsAddress(word)) {
      word = Interleaved(word, kWordJoiner);
    }
    word = word.toHtmlEscaped();
  }
  return words.join(QLatin1Char(' '));
}

}  // namespace

QString MessageHtml(const QString& text) {
  QStringList lines = text.split(QLatin1Char('\n'));
  for (QString& line : lines) line = LineHtml(line);
  return QStringLiteral("<p style=\"white-space:pre-wrap\">") + lines.join(QStringLiteral("<br>")) +
         QStringLiteral("</p>");
}

QRect CentredOver(const QRect& windowFrame, QSize size, const QRect& screen) {
  QRect box(QPoint(0, 0), size);
  box.moveCenter(windowFrame.center());
  if (screen.isEmpty()) return box;
  box.moveRight(std::min(box.right(), screen.right()));
  box.moveBottom(std::min(box.bottom(), screen.bottom()));
  box.moveLeft(std::max(box.left(), screen.left()));
  box.moveTop(std::max(box.top(), screen.top()));
  return box;
}

namespace {

// The box takes its final size as it is shown; it is centred then, before it reaches the screen.
class CentredMessageBox : public QMessageBox {
 public:
  explicit CentredMessageBox(QWidget* parent) : QMessageBox(parent), owner_(parent) {}

 protected:
  void showEvent(QShowEvent* event) override {
    QMessageBox::showEvent(event);
    QWidget* window = owner_ ? owner_->window() : nullptr;
    if (!window || !window->isVisible()) window = QApplication::activeWindow();
    if (window == this) window = nullptr;
    const QScreen* screen = window ? window->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect();
    const QRect over = window ? window->frameGeometry() : area;
    move(CentredOver(over, frameGeometry().size(), area).topLeft());
  }

 private:
  QWidget* owner_;
};

}  // namespace

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const QString& text,
                                            QMessageBox::StandardButtons buttons) {
  std::unique_ptr<QMessageBox> box = std::make_unique<CentredMessageBox>(parent);
  box->setWindowTitle(QStringLiteral("Varnel"));
  box->setIcon(QMessageBox::NoIcon);
  box->setTextFormat(Qt::RichText);
  box->setText(MessageHtml(text));
  box->setStandardButtons(buttons);
  box->setDefaultButton(buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok);
  return box;
}

}  // namespace varnel
