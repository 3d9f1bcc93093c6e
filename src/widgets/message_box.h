#pragma once
// The message box itself, apart from the service so its look can be checked without showing it.
#include <QMessageBox>
#include <QString>
#include <memory>
#include <string>

namespace varnel {

// The text as shown: 1252 decoded, CR LF and lone CR turned into line breaks, nothing else.
QString MessageText(const std::string& ansiText);

// Titled "Varnel", no icon, plain text, the given buttons (the first is the default).
std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const QString& text,
                                            QMessageBox::StandardButtons buttons);

}  // namespace varnel
