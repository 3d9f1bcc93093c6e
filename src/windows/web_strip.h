#pragma once
// The main window's web strip: a text browser that draws the page's SVG pictures at the screen's
// own scale (a picture made at its nominal size and enlarged was blurred at scale 2), and puts a
// note of the window's in place of the page's text between "<!--note-->" and "<!--/note-->"
// (which Windows environment is open).
#include <QTextBrowser>

namespace varnel {

class WebStrip : public QTextBrowser {
  Q_OBJECT

 public:
  explicit WebStrip(QWidget* parent = nullptr);
  // Plain text (UTF-8), shown on the page from its next load on.
  void SetNote(const QString& note) { note_ = note; }
  const QString& note() const { return note_; }

 protected:
  QVariant loadResource(int type, const QUrl& name) override;

 private:
  QString note_;
};

}  // namespace varnel
