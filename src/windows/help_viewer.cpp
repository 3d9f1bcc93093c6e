#include "windows/help_viewer.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QStringDecoder>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>

#include "windows/ansi_text.h"
#include "windows/help.h"

namespace varnel {

HelpViewer::HelpViewer() : browser_(new QTextBrowser(this)) {
  setWindowTitle(QStringLiteral("Varnel Help"));
  browser_->setOpenExternalLinks(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(browser_);
  resize(640, 480);
}

void HelpViewer::Load(const QString& file) {
  if (file == file_) return;
  file_ = file;
  const QString text = ReadHelpText(file);
  if (text.isNull()) {
    browser_->setPlainText(QStringLiteral("The help file %1 cannot be read.").arg(QFileInfo(file).fileName()));
  } else if (Qt::mightBeRichText(text)) {
    browser_->setHtml(text);
  } else {
    browser_->setPlainText(text);
  }
}

QString HelpViewer::Text() const { return browser_->toPlainText(); }

QString ReadHelpText(const QString& file) {
  QFile in(file);
  if (!in.open(QIODevice::ReadOnly)) return QString();
  const QByteArray bytes = in.readAll();
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(bytes);
  if (utf8.hasError()) text = FromAnsi(bytes.toStdString());
  return text.isNull() ? QStringLiteral("") : text;
}

void ShowHelpViewer(const QString& file) {
  static QPointer<HelpViewer> viewer;
  if (!viewer) viewer = new HelpViewer;
  viewer->Load(file);
  // Over a modal dialog the viewer must be modal itself, or the dialog would block it.
  QWidget* modal = QApplication::activeModalWidget();
  if (modal != viewer) {
    const Qt::WindowModality wanted = modal ? Qt::ApplicationModal : Qt::NonModal;
    if (viewer->windowModality() != wanted) {
      viewer->hide();
      viewer->setWindowModality(wanted);
    }
  }
  viewer->show();
  viewer->raise();
  viewer->activateWindow();
}

}  // namespace varnel
