#include "windows/collection_menu_ui.h"

#include "bookmarks/bookmark_load.h"
#include "session/collection_text.h"
#include "windows/forms_ui.h"
#include "windows/progress_work.h"

namespace varnel {

CollectionMenu::CollectionMenu(Forms& forms, QWidget* window, std::function<void()> shown)
    : QMenu(window), forms_(forms), window_(window), shown_(std::move(shown)) {
  importFavorites = addAction(QStringLiteral("&Import all favorites..."), this, [this] { ImportAllFavorites(); });
  exportBookmarks = addAction(QStringLiteral("&Export all bookmarks..."), this, [this] { ExportAllBookmarks(); });
  addSeparator();
  changes = addAction(QStringLiteral("&Changes...\tCtrl+Shift+Z"), this, [this] { forms_.ShowChanges(); });
}

void CollectionMenu::OpenOn(QWidget* control, const QPoint& at) { popup(control->mapToGlobal(at)); }

void CollectionMenu::ImportAllFavorites() {
  Session& session = forms_.session();
  ImportPlan plan;
  Transfer(
      CollectionWork::ImportFavorites, session.FavoritesDirectoryInUse(), BookmarkFileName(session.profileDirectory()),
      [&](const WorkProgress& progress) { return session.PlanImportFavorites(progress, plan); }, plan.summary,
      [&] { return session.ImportFavorites(plan); });
}

void CollectionMenu::ExportAllBookmarks() {
  Session& session = forms_.session();
  ExportPlan plan;
  Transfer(
      CollectionWork::ExportBookmarks, BookmarkFileName(session.profileDirectory()), session.FavoritesDirectoryInUse(),
      [&](const WorkProgress& progress) { return session.PlanExportBookmarks(progress, plan); }, plan.summary,
      [&] { return session.ExportBookmarks(plan); });
}

// The plan read with the progress bar; when it changes something, asked and carried out; then
// the report, also of a failure or of nothing to do.
void CollectionMenu::Transfer(CollectionWork work, const std::string& from, const std::string& into,
                              const std::function<Status(const WorkProgress&)>& plan, const CollectionSummary& summary,
                              const std::function<Status()>& apply) {
  const char* reading = work == CollectionWork::ImportFavorites ? "reading the favorites" : "reading the bookmarks";
  Status status = RunWithProgressBar(window_, reading, plan);
  if (status.ok() && summary.changes()) {
    if (!forms_.dialogs().YesNo(window_, CollectionPlanQuestion(work, summary, from, into))) return;
    window_->setCursor(Qt::WaitCursor);
    status = apply();
    window_->unsetCursor();
  }
  forms_.dialogs().Ok(window_, CollectionReport(work, summary, status, into));
  if (status.ok() && summary.changes()) shown_();
}

}  // namespace varnel
