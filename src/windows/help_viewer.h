#pragma once
// The help viewer window: a QTextBrowser in a dialog titled "Varnel Help". The help file is
// HTML or plain text, in UTF-8 or, failing that, 1252.
#include <QDialog>
#include <QString>

class QTextBrowser;

namespace varnel {

class HelpViewer : public QDialog {
 public:
  HelpViewer();

  // Loads the file unless it is the one shown already (so the reading position stays).
  void Load(const QString& file);
  const QString& File() const { return file_; }
  QString Text() const;

 private:
  QTextBrowser* browser_;
  QString file_;
};

// Reads a help file into text; a null string when it cannot be read.
QString ReadHelpText(const QString& file);

}  // namespace varnel
