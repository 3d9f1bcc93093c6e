#include "widgets/help.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>

#include "widgets/ansi_text.h"
#include "widgets/help_viewer.h"

namespace varnel {
namespace {

std::string g_helpFile = "vr.hlp";
std::function<void(const QString&)> g_opener;

// Catches a plain F1 press on its way to any widget.
class HelpKeyFilter : public QObject {
 public:
  using QObject::QObject;

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier) return false;
    if (!key->isAutoRepeat()) ShowHelp();
    return true;
  }
};

}  // namespace

void InstallHelpKey(QWidget*) {
  static HelpKeyFilter* filter = nullptr;
  if (filter || !qApp) return;
  filter = new HelpKeyFilter(qApp);
  qApp->installEventFilter(filter);
}

void SetHelpFile(const std::string& name) { g_helpFile = name; }

QString HelpFilePath() {
  const QString name = FromAnsi(g_helpFile);
  const QString resource = QStringLiteral(":/help/") + name;
  if (QFile::exists(resource)) return resource;
  return QCoreApplication::applicationDirPath() + QLatin1Char('/') + name;
}

void ShowHelp() {
  const QString file = HelpFilePath();
  if (g_opener) {
    g_opener(file);
  } else {
    ShowHelpViewer(file);
  }
}

void SetHelpOpener(std::function<void(const QString& file)> opener) { g_opener = std::move(opener); }

}  // namespace varnel
