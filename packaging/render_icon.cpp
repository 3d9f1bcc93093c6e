// Renders the program's SVG icon as square PNG files for the icon theme, one per size:
//   render_icon ICON.svg NAME OUTPUT_DIR SIZE...   writes OUTPUT_DIR/SIZExSIZE/apps/NAME.png
// Runs at build time, so the SVG is the icon's only source.
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: render_icon ICON.svg NAME OUTPUT_DIR SIZE...\n");
    return 2;
  }
  QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
  if (!svg.isValid()) {
    std::fprintf(stderr, "render_icon: cannot read %s\n", argv[1]);
    return 1;
  }
  const QString name = QString::fromLocal8Bit(argv[2]);
  for (int i = 4; i < argc; ++i) {
    const int size = std::atoi(argv[i]);
    const QString dir = QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[3])).arg(size);
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    svg.render(&painter);
    painter.end();
    if (size <= 0 || !QDir().mkpath(dir) || !image.save(dir + QLatin1Char('/') + name + QStringLiteral(".png"))) {
      std::fprintf(stderr, "render_icon: cannot write the %s icon in %s\n", argv[i], qPrintable(dir));
      return 1;
    }
  }
  return 0;
}
