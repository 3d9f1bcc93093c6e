#include "session/change_list.h"

#include <gtest/gtest.h>

namespace varnel {
namespace {

JournalEntry Change(int number, std::string what, bool finished = true) {
  JournalEntry entry;
  entry.number = number;
  entry.record.time = 0;
  entry.record.what = std::move(what);
  entry.record.where = "c:\\p\\bookmark.htm";
  if (finished) entry.after = std::vector<ItemState>{};
  return entry;
}

TEST(ChangeList, EachChangeIsOneLineAsTheCommandLineListsIt) {
  const std::string time = ChangeTimeText(0);
  EXPECT_EQ(time.size(), std::string("1970-01-01 00:00:00").size());
  EXPECT_EQ(ChangeLine(Change(12, "bookmark added: Home")),
            "12  " + time + "  bookmark added: Home  (c:\\p\\bookmark.htm)");
  EXPECT_EQ(ChangeLine(Change(3, "MRU saved", false)), "3  " + time + "  MRU saved  (c:\\p\\bookmark.htm)  unfinished");
  JournalEntry damaged = Change(4, "whatever");
  damaged.damage = "not a change record";
  EXPECT_EQ(ChangeLine(damaged), "4  damaged record");
}

TEST(ChangeList, TheQuestionNamesTheChosenChangeAndHowManyGoWithIt) {
  UndoPlan plan;
  EXPECT_EQ(UndoPlanQuestion(plan), "");
  plan.changes = {Change(7, "MRU saved")};
  EXPECT_EQ(UndoPlanQuestion(plan), "Undo the last change, MRU saved?");
  plan.from = 7;  // chosen in the dialog: named by its number
  EXPECT_EQ(UndoPlanQuestion(plan), "Undo change 7, MRU saved?");
  plan.changes.insert(plan.changes.begin(), Change(8, "favorite added: A"));
  EXPECT_EQ(UndoPlanQuestion(plan), "Undo change 7, MRU saved, and the change after it?");
  plan.changes.insert(plan.changes.begin(), Change(9, "favorite added: B"));
  EXPECT_EQ(UndoPlanQuestion(plan), "Undo change 7, MRU saved, and the 2 changes after it, newest first?");

  plan.moved = {"c:\\p\\prefs.js changed since change 7 (MRU saved)"};
  const std::string overwrite = UndoOverwriteQuestion(plan);
  EXPECT_EQ(overwrite.find("c:\\p\\prefs.js changed since change 7 (MRU saved)."), 0u);
  EXPECT_NE(overwrite.find("which are then lost"), std::string::npos);
}

}  // namespace
}  // namespace varnel
