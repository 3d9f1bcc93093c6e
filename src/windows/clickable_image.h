#pragma once
// A picture that stretches over its whole rectangle and reports Click when the left button is
// released inside it. SVG files are drawn as vectors, other formats as pixmaps. The mouse
// pointer stays the default arrow. It takes the focus by the Tab key (a click leaves the focus
// where it is, as the classic picture does), shows it with a dotted frame, and Enter, Return
// or Space report Click as a button does.
#include <QLabel>
#include <QPixmap>
#include <QString>

class QSvgRenderer;

namespace varnel {

class ClickableImage : public QLabel {
  Q_OBJECT

 public:
  explicit ClickableImage(QWidget* parent = nullptr);

  // A file or resource path (":/images/x.svg"); false when it cannot be read.
  [[nodiscard]] bool SetImage(const QString& path);
  void SetPixmap(const QPixmap& pixmap);
  bool HasImage() const;

 signals:
  void Click();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QSvgRenderer* svg_ = nullptr;
  QPixmap pixmap_;
  bool pressed_ = false;
};

}  // namespace varnel
