#include "session/collection_text.h"

#include <gtest/gtest.h>

namespace varnel {
namespace {

CollectionSummary Summary(std::size_t added, std::size_t folders, std::size_t there, std::size_t refused) {
  CollectionSummary s;
  s.added.assign(added, "a");
  s.foldersAdded.assign(folders, "f");
  s.alreadyThere.assign(there, "t");
  for (std::size_t i = 0; i < refused; ++i)
    s.refused.push_back({"c:\\fav\\r" + std::to_string(i) + ".url", "no URL= line"});
  return s;
}

TEST(CollectionText, ThePlanSaysWhatWouldBeAddedWithTheRefusalsNamed) {
  EXPECT_EQ(CountText(0), "0");
  EXPECT_EQ(CountText(999), "999");
  EXPECT_EQ(CountText(1204), "1,204");
  EXPECT_EQ(CountText(1234567), "1,234,567");
  EXPECT_EQ(
      CollectionPlanQuestion(CollectionWork::ImportFavorites, Summary(1204, 37, 12, 2), "c:\\fav",
                             "c:\\p\\bookmark.htm"),
      "Import all favorites of c:\\fav into c:\\p\\bookmark.htm: adds 1,204 bookmarks in 37 new folders; 12 already "
      "there; 2 refused: c:\\fav\\r0.url (no URL= line); c:\\fav\\r1.url (no URL= line).  Go ahead?");
  EXPECT_EQ(
      CollectionPlanQuestion(CollectionWork::ExportBookmarks, Summary(1, 1, 0, 0), "c:\\p\\bookmark.htm", "c:\\fav"),
      "Export all bookmarks of c:\\p\\bookmark.htm into c:\\fav: adds 1 favorite in 1 new folder; 0 already there; 0 "
      "refused.  Go ahead?");
  // A long list of refusals names the first ten and counts the rest.
  const std::string many = CollectionPlanQuestion(CollectionWork::ImportFavorites, Summary(1, 0, 0, 25), "a", "b");
  EXPECT_NE(many.find("r9.url (no URL= line); and 15 more.  Go ahead?"), std::string::npos) << many;
  EXPECT_EQ(many.find("r10.url"), std::string::npos);
}

TEST(CollectionText, TheReportSaysWhatWasDoneOrWhyNothingWas) {
  EXPECT_EQ(CollectionReport(CollectionWork::ImportFavorites, Summary(3, 0, 1, 0), Status::Ok(), "c:\\p\\bookmark.htm"),
            "Import done, into c:\\p\\bookmark.htm: added 3 bookmarks; 1 already there; 0 refused.  Ctrl+Z undoes it.");
  EXPECT_EQ(CollectionReport(CollectionWork::ExportBookmarks, Summary(0, 0, 4, 1), Status::Ok(), "c:\\fav"),
            "Nothing to add: 4 already there, 1 refused; c:\\fav was left as it was.");
  EXPECT_EQ(CollectionReport(CollectionWork::ExportBookmarks, Summary(3, 0, 0, 0),
                             Status::Error(errc::kPathFileAccess, "c:\\fav\\x.url exists"), "c:\\fav"),
            "Export failed, nothing was changed: 75 c:\\fav\\x.url exists");
}

}  // namespace
}  // namespace varnel
