#pragma once
// The context menu of the bookmarks window's tree and favorites list (the right button, the
// menu key or Shift+F10): "Import all favorites...", "Export all bookmarks..." and "Changes...".
// The two transfers run the session's whole-collection operations, as the `import-favorites` and
// `export-bookmarks` commands do: the reading off the window thread with a progress bar, then
// the plan as a question, the work, and the report. The window's layout stays as it is.
#include <QMenu>
#include <functional>
#include <string>

#include "bookmarks/collections.h"
#include "session/collection_text.h"
#include "windows/progress_work.h"

namespace varnel {

class Forms;

class CollectionMenu : public QMenu {
  Q_OBJECT

 public:
  // `shown` runs after a transfer that changed something (the window reads its lists again).
  CollectionMenu(Forms& forms, QWidget* window, std::function<void()> shown);

  // Opens on a control of the window, at a point of it; returns at once.
  void OpenOn(QWidget* control, const QPoint& at);
  void ImportAllFavorites();
  void ExportAllBookmarks();

  QAction* importFavorites;
  QAction* exportBookmarks;
  QAction* changes;

 private:
  void Transfer(CollectionWork work, const std::string& from, const std::string& into,
                const std::function<Status(const WorkProgress&)>& plan, const CollectionSummary& summary,
                const std::function<Status()>& apply);

  Forms& forms_;
  QWidget* window_;
  std::function<void()> shown_;
};

}  // namespace varnel
