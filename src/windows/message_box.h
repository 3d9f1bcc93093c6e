#pragma once
// The message box itself, apart from the service so its look can be checked without showing it.
#include <QMessageBox>
#include <QString>
#include <memory>
#include <string>

namespace varnel {

// The text as shown: 1252 decoded, CR LF and lone CR turned into line breaks; a text longer than
// kLongestMessage characters keeps its start and end around an ellipsis, so the box fits a screen.
inline constexpr qsizetype kLongestMessage = 1000;
QString MessageText(const std::string& ansiText);

// The text as the box's label shows it: every blank kept, lines broken only between words, and
// an e-mail or web address never broken (not even at its hyphens), except that a word of more
// than 50 characters may break anywhere, so the box stays narrower than its window.
QString MessageHtml(const QString& text);

// Titled "Varnel", no icon, the text as MessageHtml shows it, the given buttons (Yes, else OK,
// is the default). It shows in the middle of the parent's window; when that window is not on
// screen (a message while a window loads), of the active window, else of the screen.
// Where a box of `size` stands centred over a window's frame, moved inside the screen's
// available area where the window reaches past it.
QRect CentredOver(const QRect& windowFrame, QSize size, const QRect& screen);

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const QString& text, QMessageBox::StandardButtons buttons);

}  // namespace varnel
