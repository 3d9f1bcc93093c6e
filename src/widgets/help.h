#pragma once
// F1 help. Once installed, F1 in any window of the program, modal dialogs and message boxes
// included, opens the help file in the help viewer; the viewer is one window that F1 raises
// again. The file is looked up as the resource ":/help/<name>", else beside the executable.
#include <QString>
#include <functional>
#include <string>

class QWidget;

namespace varnel {

// Installs the application-wide F1 key (once, however many windows call it). The window is
// the caller's and may be null; the key does not depend on it.
void InstallHelpKey(QWidget* window);

// The help file's name, "vr.hlp" by default.
void SetHelpFile(const std::string& name);
// The file F1 opens: the resource when it exists, else the file beside the executable.
QString HelpFilePath();

// What F1 does: hands HelpFilePath() to the opener.
void ShowHelp();
// Replaces the opener (tests); an empty function restores the help viewer.
void SetHelpOpener(std::function<void(const QString& file)> opener);

// The help viewer: a "Varnel Help" window showing the file; one instance, raised when open.
void ShowHelpViewer(const QString& file);

}  // namespace varnel
