#include "windows/web_strip.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextDocument>

namespace varnel {
namespace {

// The page's pictures are drawn 32 pixels square (the page's width and height).
constexpr int kPictureSize = 32;

}  // namespace

WebStrip::WebStrip(QWidget* parent) : QTextBrowser(parent) {}

QVariant WebStrip::loadResource(int type, const QUrl& name) {
  if (type == QTextDocument::ImageResource && name.path().endsWith(QStringLiteral(".svg"))) {
    QSvgRenderer svg(name.scheme() == QStringLiteral("qrc") ? ":" + name.path() : name.toLocalFile());
    if (svg.isValid()) {
      const qreal scale = devicePixelRatioF();
      QImage picture(QSize(kPictureSize, kPictureSize) * scale, QImage::Format_ARGB32_Premultiplied);
      picture.fill(Qt::transparent);
      QPainter painter(&picture);
      svg.render(&painter);
      painter.end();
      picture.setDevicePixelRatio(scale);
      return picture;
    }
  }
  QVariant loaded = QTextBrowser::loadResource(type, name);
  if (type != QTextDocument::HtmlResource || note_.isEmpty()) return loaded;
  QString page = QString::fromUtf8(loaded.toByteArray());
  const qsizetype start = page.indexOf(QStringLiteral("<!--note-->"));
  const qsizetype end = page.indexOf(QStringLiteral("<!--/note-->"));
  if (start >= 0 && end > start) page.replace(start, end - start, note_.toHtmlEscaped());
  return page;
}

}  // namespace varnel
