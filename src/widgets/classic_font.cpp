#include "widgets/classic_font.h"

#include <QApplication>
#include <QFontDatabase>
#include <QStringList>

namespace varnel {

QFont ClassicDialogFont() {
  static const QString family = [] {
    for (const char* file : {"/usr/share/wine/fonts/ms_sans_serif.ttf", "/usr/lib/wine/fonts/ms_sans_serif.ttf"}) {
      const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(file));
      const QStringList families = id < 0 ? QStringList() : QFontDatabase::applicationFontFamilies(id);
      if (!families.isEmpty()) return families.front();
    }
    return QString();
  }();
  QFont font = family.isEmpty() ? QApplication::font() : QFont(family);
  font.setPointSize(8);
  return font;
}

}  // namespace varnel
