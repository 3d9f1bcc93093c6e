#include "windows/classic_font.h"

#include <QApplication>
#include <QFontDatabase>
#include <QScreen>
#include <QStringList>

namespace varnel {
namespace {

// The family of one of Wine's fonts, registered with the application once; "" when the font
// is not installed.
QString WineFontFamily(const char* fileName) {
  for (const char* folder : {"/usr/share/wine/fonts/", "/usr/lib/wine/fonts/"}) {
    const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(folder) + QString::fromLatin1(fileName));
    const QStringList families = id < 0 ? QStringList() : QFontDatabase::applicationFontFamilies(id);
    if (!families.isEmpty()) return families.front();
  }
  return QString();
}

}  // namespace

QFont ClassicDialogFont() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return ClassicDialogFont(screen ? screen->devicePixelRatio() : 1.0);
}

QFont ClassicDialogFont(qreal devicePixelRatio) {
  static const QString bitmapFamily = WineFontFamily("ms_sans_serif.ttf");
  static const QString outlineFamily = WineFontFamily("tahoma.ttf");
  const QString& family =
      qFuzzyCompare(devicePixelRatio, 1.0) || outlineFamily.isEmpty() ? bitmapFamily : outlineFamily;
  QFont font = family.isEmpty() ? QApplication::font() : QFont(family);
  font.setPointSize(8);
  return font;
}

}  // namespace varnel
