#pragma once
// F1 help. Once its key is installed, F1 in any window of the program, modal dialogs and message
// boxes included, opens the help file; by default in the help viewer, one window that F1 raises
// again. The windows reach the help through Forms; tests give it a recording viewer.
#include <QObject>
#include <QString>
#include <functional>
#include <string>

namespace varnel {

class Help {
 public:
  using Viewer = std::function<void(const QString& file)>;

  // The help file "vr.hlp", shown by `viewer` (the help viewer when empty).
  explicit Help(Viewer viewer = {});
  ~Help();
  Help(const Help&) = delete;
  Help& operator=(const Help&) = delete;

  void SetFileName(const std::string& name);
  // The file F1 opens: the installed copy (share/varnel/ beside the program's bin/, wherever
  // the program was installed) when it exists, else the copy built into the program, else the
  // name beside the executable.
  QString FilePath() const;
  void Show() const;
  // Catches a plain F1 application-wide until this help is destroyed.
  void InstallKey();

 private:
  std::string fileName_ = "vr.hlp";
  Viewer viewer_;
  QObject* keyFilter_ = nullptr;
};

// The help viewer: a "Varnel Help" window showing the file; one instance, raised when open.
void ShowHelpViewer(const QString& file);

}  // namespace varnel
