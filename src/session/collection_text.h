#pragma once
// What the windows say around a whole-collection import or export: the plan to confirm first
// ("adds 1,204 bookmarks in 37 new folders; 12 already there; 2 refused: ..."), and the report
// after it. The command line prints the same counts its own way.
#include <string>

#include "bookmarks/collections.h"

namespace varnel {

enum class CollectionWork { ImportFavorites, ExportBookmarks };

// "1,204".
std::string CountText(std::size_t count);
// The plan as a Yes/No question: what it reads from, writes into, and what it would do.
std::string CollectionPlanQuestion(CollectionWork work, const CollectionSummary& plan, const std::string& from,
                                   const std::string& into);
// After the work (or when there was nothing to do): what was done, or why nothing was.
std::string CollectionReport(CollectionWork work, const CollectionSummary& summary, const Status& status,
                             const std::string& into);

}  // namespace varnel
