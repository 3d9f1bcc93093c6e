#include "windows/help.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>

#include "windows/ansi_text.h"
#include "windows/help_viewer.h"

namespace varnel {
namespace {

// Catches a plain F1 press on its way to any widget.
class HelpKeyFilter : public QObject {
 public:
  HelpKeyFilter(const Help& help, QObject* parent) : QObject(parent), help_(help) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier) return false;
    if (!key->isAutoRepeat()) help_.Show();
    return true;
  }

 private:
  const Help& help_;
};

}  // namespace

Help::Help(Viewer viewer) : viewer_(viewer ? std::move(viewer) : Viewer(ShowHelpViewer)) {}

Help::~Help() { delete keyFilter_; }

void Help::SetFileName(const std::string& name) { fileName_ = name; }

QString Help::FilePath() const {
  const QString name = FromAnsi(fileName_);
  const QString programDir = QCoreApplication::applicationDirPath();
  const QString installed = QDir::cleanPath(programDir + QStringLiteral("/" VARNEL_HELPDIR_FROM_PROGRAMDIR "/") + name);
  if (QFile::exists(installed)) return installed;
  const QString resource = QStringLiteral(":/help/") + name;
  if (QFile::exists(resource)) return resource;
  return programDir + QLatin1Char('/') + name;
}

void Help::Show() const { viewer_(FilePath()); }

void Help::InstallKey() {
  if (keyFilter_ || !qApp) return;
  keyFilter_ = new HelpKeyFilter(*this, qApp);
  qApp->installEventFilter(keyFilter_);
}

}  // namespace varnel
