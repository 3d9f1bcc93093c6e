#include "journal/journal.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <filesystem>
#include <functional>

#include "history/history_lists.h"
#include "history/typed_urls.h"
#include "journal/change_scope.h"
#include "journal/undo.h"
#include "session/journalled_writes.h"
#include "settings/registry_access.h"
#include "testsupport/expect_ok.h"
#include "testsupport/journal_entries.h"
#include "testsupport/scripted_prompt.h"
#include "testsupport/temp_dir.h"
#include "winenv/atomic_file.h"

namespace varnel {
namespace {

// Every registry value of the keys a test looks at, as "key\name=type:bytes", to compare.
using Snapshot = std::vector<std::string>;

std::string ValueText(const std::optional<RegValue>& value) {
  if (!value) return "absent";
  std::string text = std::to_string(value->type) + ":";
  for (std::uint8_t byte : value->data) text += std::to_string(byte) + ",";
  return text;
}

class JournalTest : public ::testing::Test {
 protected:
  JournalTest() {
    prefix_.MakeDriveCDirectory("Program Files/Netscape/Users/default");
    prefix_.MakeDriveCDirectory("Windows/Favorites");
    journal_.SetReporter([this](const std::string& text) { reports_.push_back(text); });
  }

  Snapshot Values(Hive hive, const std::vector<std::string>& keys) {
    Snapshot values;
    for (const std::string& key : keys) {
      values.push_back(key + (registry_.KeyExists(hive, key) ? " exists" : " absent"));
      for (const std::string& name : registry_.ValueNames(hive, key)) {
        values.push_back(key + "\\" + name + "=" + ValueText(registry_.QueryValue(hive, key, name)));
      }
    }
    return values;
  }
  std::vector<std::string> AssociationKeys() {
    std::vector<std::string> keys;
    for (const AssociationRow& row : IEAssociations("")) keys.push_back(row.key);
    return keys;
  }
  Status UndoFrom(std::optional<int> from = std::nullopt, bool force = false) {
    UndoPlan plan;
    Status status = PlanUndo(journal_, registry_, from, plan);
    return status.ok() ? CarryOutUndo(journal_, registry_, plan, force) : status;
  }
  std::string Native(const std::string& relative) const { return prefix_.native("drive_c/" + relative); }
  std::vector<JournalEntry> Entries() const { return test::JournalEntries(journal_); }

  test::TempPrefix prefix_;
  test::TempDir state_;
  Registry registry_{prefix_.path()};
  DriveMap drives_{prefix_.path()};
  Journal journal_{state_ / "journal", prefix_.path()};
  std::vector<std::string> reports_;
};

TEST(ChangeRecordText, KeepsAnyBytesAndRefusesDamage) {
  ChangeRecord record;
  record.time = 1234567890;
  record.what = "bookmark added: News\nToday \xe9";
  record.where = "c:\\p\\bookmark.htm";
  record.items.push_back({ItemKind::File, "/p/b\nx", "c:\\p", Hive::LocalMachine, "", ""});
  record.items.push_back({ItemKind::Key, "", "k", Hive::CurrentUser, "Software\\K", ""});
  ItemState file{true, std::string("\0\r\n\xff bytes 12 3\n", 16), 0640, 0, 0, {}, ""};
  ItemState key{true, "", 0, 0, 0, {{"url1", RegValue::String(u"http://a/")}, {"bin", {kRegBinary, {0, 10, 255}}}},
                "K"};
  record.before = {file, key};
  const std::string text = SerializeRecord(record);
  ChangeRecord read;
  ASSERT_TRUE(ParseRecord(text, read).ok());
  EXPECT_EQ(read.what, record.what);
  EXPECT_EQ(read.items[0].native, "/p/b\nx");
  EXPECT_EQ(read.items[1].hive, Hive::CurrentUser);
  EXPECT_EQ(read.before, record.before);
  // Cut short anywhere, or with a length that runs past the end, it is damaged, never misread.
  for (std::size_t cut : {text.size() - 1, text.size() / 2, std::size_t{20}}) {
    EXPECT_FALSE(ParseRecord(text.substr(0, cut), read).ok()) << cut;
  }
  std::string longer = text;
  longer.replace(longer.find("what ") + 5, 2, "99999");
  EXPECT_FALSE(ParseRecord(longer, read).ok());
  EXPECT_FALSE(ParseRecord("garbage", read).ok());
}

TEST_F(JournalTest, ASettingIsUndoneAndTheUndoIsUndoneInTurn) {
  ASSERT_TRUE(WriteSetting(registry_, Setting::NetPath, "c:\\old").ok());
  ASSERT_TRUE(WriteSettingRecorded(&journal_, registry_, Setting::NetPath, "c:\\new").ok());
  ASSERT_TRUE(WriteSettingRecorded(&journal_, registry_, Setting::IEPath, "c:\\ie").ok());  // was absent
  std::vector<JournalEntry> entries = Entries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].record.what, "IEPath set to c:\\ie");
  EXPECT_EQ(entries[1].record.what, "NetPath set to c:\\new");
  EXPECT_TRUE(entries[0].after.has_value());

  ASSERT_TRUE(UndoFrom(1).ok());  // both, newest first
  EXPECT_EQ(ReadSetting(registry_, Setting::NetPath), "c:\\old");
  EXPECT_FALSE(registry_.QueryValue(Hive::LocalMachine, SettingKey(Setting::IEPath), "").has_value());
  entries = Entries();
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].record.what, "undo of change 1: NetPath set to c:\\new");

  ASSERT_TRUE(UndoFrom().ok());  // the undo of change 1 is undone: NetPath is new again
  EXPECT_EQ(ReadSetting(registry_, Setting::NetPath), "c:\\new");
  // Its text names the undone change once, not "undo of change 4: undo of change 1: ...".
  EXPECT_EQ(Entries()[0].record.what, "undo of change 4: NetPath set to c:\\new");
  EXPECT_FALSE(registry_.QueryValue(Hive::LocalMachine, SettingKey(Setting::IEPath), "").has_value());
  EXPECT_TRUE(reports_.empty());
}

TEST_F(JournalTest, ASwitchIsUndoneToTheOldAssociationsAbsentOnesIncluded) {
  ASSERT_TRUE(WriteSetting(registry_, Setting::IEPath, "C:\\IE").ok());
  ASSERT_TRUE(WriteSetting(registry_, Setting::NetPath, "C:\\NS").ok());
  const std::vector<std::string> keys = AssociationKeys();
  // Some associations of another program, some missing altogether, one of another type.
  test::ExpectOk(WriteRegistryString(registry_, Hive::ClassesRoot, keys[0], "", "other.exe \"%1\""));
  ASSERT_TRUE(registry_.SetValue(Hive::ClassesRoot, keys[3], "", {kRegExpandSz, {'x', 0, 0, 0}}).ok());
  const Snapshot before = Values(Hive::ClassesRoot, keys);

  ASSERT_TRUE(MakeDefaultRecorded(&journal_, registry_, Browser::Netscape).ok());
  ASSERT_TRUE(MakeDefaultRecorded(&journal_, registry_, Browser::InternetExplorer).ok());
  EXPECT_EQ(Entries().front().record.what, "default browser set to Internet Explorer");

  ASSERT_TRUE(UndoFrom(1).ok());                                          // both switches, newest first
  EXPECT_EQ(Values(Hive::ClassesRoot, keys), before);                     // the keys a switch created are gone again
  EXPECT_EQ(DetectDefaultBrowser(registry_), Browser::InternetExplorer);  // "other.exe" is no Netscape
  ASSERT_TRUE(UndoFrom().ok());  // the undo of the first switch is undone: Netscape's table again
  EXPECT_EQ(DetectDefaultBrowser(registry_), Browser::Netscape);
  ASSERT_TRUE(UndoFrom().ok());  // and that undo in turn
  EXPECT_EQ(Values(Hive::ClassesRoot, keys), before);
}

TEST_F(JournalTest, AnUndoneSwitchLeavesNoKeyItMade) {
  ASSERT_TRUE(WriteSetting(registry_, Setting::IEPath, "C:\\IE").ok());
  test::ExpectOk(WriteRegistryString(registry_, Hive::ClassesRoot, "http\\shell\\open\\command", "", "other.exe"));
  ASSERT_TRUE(MakeDefaultRecorded(&journal_, registry_, Browser::InternetExplorer).ok());
  ASSERT_TRUE(registry_.KeyExists(Hive::ClassesRoot, "http\\shell\\open\\ddeexec\\application"));
  test::ExpectOk(UndoFrom());
  for (const char* key : {"http\\shell\\open\\ddeexec", "https", "ftp", "gopher", ".htm", "htmlfile"}) {
    EXPECT_FALSE(registry_.KeyExists(Hive::ClassesRoot, key)) << key;
  }
  EXPECT_TRUE(registry_.KeyExists(Hive::ClassesRoot, "http\\shell\\open\\command"));
}

TEST_F(JournalTest, AStateMovedOnIsRefusedNamingItAndForceRevertsAnyway) {
  ASSERT_TRUE(WriteSetting(registry_, Setting::IEPath, "C:\\IE").ok());
  ASSERT_TRUE(MakeDefaultRecorded(&journal_, registry_, Browser::InternetExplorer).ok());
  const std::string key = AssociationKeys()[5];
  test::ExpectOk(WriteRegistryString(registry_, Hive::ClassesRoot, key, "", "edited by the user"));
  const Snapshot edited = Values(Hive::ClassesRoot, AssociationKeys());

  UndoPlan plan;
  ASSERT_TRUE(PlanUndo(journal_, registry_, std::nullopt, plan).ok());
  ASSERT_EQ(plan.moved.size(), 1u);
  EXPECT_NE(plan.moved[0].find("HKEY_CLASSES_ROOT\\" + key), std::string::npos) << plan.moved[0];
  const Status refused = CarryOutUndo(journal_, registry_, plan, false);
  EXPECT_FALSE(refused.ok());
  EXPECT_NE(refused.message.find("changed since change 1 (default browser set to Internet Explorer)"),
            std::string::npos);
  EXPECT_EQ(Values(Hive::ClassesRoot, AssociationKeys()), edited);  // nothing touched
  EXPECT_EQ(Entries().size(), 1u);

  ASSERT_TRUE(CarryOutUndo(journal_, registry_, plan, true).ok());
  EXPECT_FALSE(registry_.QueryValue(Hive::ClassesRoot, key, "").has_value());
}

class HistoryJournalTest : public JournalTest {
 protected:
  std::string Prefs() const { return Native("Program Files/Netscape/Users/default/prefs.js"); }
  SaveOutcome OpenDeleteAndSave() {
    std::vector<std::string> told;
    test::ScriptedPrompt prompt(told);
    prompt.answers = {true};
    HistoryLists lists(drives_, registry_, prompt, {[](const std::string&) {}, [] {}});
    lists.SetJournal(&journal_);
    if (!lists.Open(kProfile)) return SaveOutcome::Failed;
    lists.Select(HistoryList::Netscape, 0);
    lists.MouseDown(HistoryList::Netscape, kRightButton);
    lists.Select(HistoryList::InternetExplorer, 0);
    lists.MouseDown(HistoryList::InternetExplorer, kRightButton);
    const SaveOutcome outcome = lists.Save(kProfile);
    for (const std::string& text : told) {
      if (text.starts_with("message ")) {
        EXPECT_EQ(text, "message " + std::string(history_text::kCloseBrowsersWarning));
      }
    }
    return outcome;
  }
  static constexpr std::string_view kProfile = "c:\\Program Files\\Netscape\\Users\\default";
  const std::string kPrefs =
      "// prefs\r\nuser_pref(\"browser.url_history.URL_1\", \"http://a/\");\r\nuser_pref(\"x\", 1);\r\n"
      "user_pref(\"browser.url_history.URL_2\", \"http://b/\");\r\n";
};

TEST_F(HistoryJournalTest, ASaveIsUndoneToTheSameBytesAndTheWholeOldKey) {
  test::WriteFile(Prefs(), kPrefs);
  ::chmod(Prefs().c_str(), 0640);
  for (const char* name : {"url1", "url2", "url3"}) {
    test::ExpectOk(
        WriteRegistryString(registry_, Hive::CurrentUser, kTypedUrlsKey, name, std::string("http://") + name + "/"));
  }
  test::ExpectOk(WriteRegistryString(registry_, Hive::CurrentUser, kTypedUrlsKey, "url25", "beyond what is read"));
  const Snapshot before = Values(Hive::CurrentUser, {std::string(kTypedUrlsKey)});

  ASSERT_EQ(OpenDeleteAndSave(), SaveOutcome::Saved);
  ASSERT_NE(test::ReadFile(Prefs()), kPrefs);
  ASSERT_NE(Values(Hive::CurrentUser, {std::string(kTypedUrlsKey)}), before);
  EXPECT_EQ(Entries().front().record.what, "MRU saved");

  ASSERT_TRUE(UndoFrom().ok());
  EXPECT_EQ(test::ReadFile(Prefs()), kPrefs);
  struct stat st {};
  ASSERT_EQ(::stat(Prefs().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(Values(Hive::CurrentUser, {std::string(kTypedUrlsKey)}), before);
}

TEST_F(HistoryJournalTest, TheBrowserRewritingPrefsJsStopsTheUndo) {
  test::WriteFile(Prefs(), kPrefs);
  test::ExpectOk(WriteRegistryString(registry_, Hive::CurrentUser, kTypedUrlsKey, "url1", "http://ie/"));
  ASSERT_EQ(OpenDeleteAndSave(), SaveOutcome::Saved);
  test::WriteFile(Prefs(), kPrefs + "user_pref(\"browser.closed\", true);\r\n");
  const Status refused = UndoFrom();
  EXPECT_FALSE(refused.ok());
  EXPECT_NE(refused.message.find("prefs.js changed since change 1 (MRU saved)"), std::string::npos) << refused.message;
  EXPECT_FALSE(registry_.QueryValue(Hive::CurrentUser, kTypedUrlsKey, "url1").has_value());  // untouched
}

TEST_F(HistoryJournalTest, AWriteKilledAtAnyStepIsUndoneToTheRecordedOldState) {
  test::WriteFile(Prefs(), kPrefs);
  test::ExpectOk(WriteRegistryString(registry_, Hive::CurrentUser, kTypedUrlsKey, "url1", "http://ie/"));
  const Snapshot before = Values(Hive::CurrentUser, {std::string(kTypedUrlsKey)});
  // Killed after the record, before any write; after prefs.js, before TypedURLs; after both,
  // before the record was marked finished. A scope that is never finished is what a kill leaves.
  for (int step = 0; step < 3; ++step) {
    {
      ChangeScope change(&journal_, registry_, "MRU saved", std::string(kProfile));
      change.AddFile(Prefs(), std::string(kProfile) + "\\prefs.js");
      change.AddKey(Hive::CurrentUser, std::string(kTypedUrlsKey));
      ASSERT_TRUE(change.Begin());
      const WatchWrites planning = change.PlanWrites();
      if (step >= 1) test::ExpectOk(ReplaceFileContents(Prefs(), "half-written"));
      if (step >= 2) {
        ASSERT_TRUE(WriteTypedUrls(registry_, {"http://new/"}).ok());
      }
    }
    const std::vector<JournalEntry> entries = Entries();
    ASSERT_FALSE(entries.front().after.has_value()) << step;  // shown as unfinished
    UndoPlan plan;
    ASSERT_TRUE(PlanUndo(journal_, registry_, std::nullopt, plan).ok());
    EXPECT_EQ(plan.unchecked.size(), 1u);
    ASSERT_TRUE(CarryOutUndo(journal_, registry_, plan, false).ok()) << step;
    EXPECT_EQ(test::ReadFile(Prefs()), kPrefs) << step;
    EXPECT_EQ(Values(Hive::CurrentUser, {std::string(kTypedUrlsKey)}), before) << step;
  }
}

// Killed after its write, before it was marked finished, then edited from outside: the change
// is undone only where things are as it found them or as it planned them, so the outside edit
// makes undo refuse, as for any change; --force undoes it anyway. The registry's and a file's
// plans are both recorded before their writes land.
TEST_F(HistoryJournalTest, AnInterruptedChangeIsUndoneOverItsOwnStatesOnly) {
  for (const bool editedFile : {false, true}) {
    test::WriteFile(Prefs(), kPrefs);
    test::ExpectOk(WriteRegistryString(registry_, Hive::CurrentUser, kTypedUrlsKey, "url1", "http://ie/"));
    const Snapshot before = Values(Hive::CurrentUser, {std::string(kTypedUrlsKey)});
    {
      ChangeScope change(&journal_, registry_, "MRU saved", std::string(kProfile));
      change.AddFile(Prefs(), std::string(kProfile) + "\\prefs.js");
      change.AddKey(Hive::CurrentUser, std::string(kTypedUrlsKey));
      ASSERT_TRUE(change.Begin());
      const WatchWrites planning = change.PlanWrites();
      test::ExpectOk(ReplaceFileContents(Prefs(), "saved by the change"));
      ASSERT_TRUE(WriteTypedUrls(registry_, {"http://new/"}).ok());
    }  // killed before the mark
    ASSERT_TRUE(Entries().front().planned.has_value());
    if (editedFile) test::WriteFile(Prefs(), "saved by the browser afterwards");
    const Status undone = UndoFrom();
    if (!editedFile) {
      test::ExpectOk(undone);
      EXPECT_EQ(test::ReadFile(Prefs()), kPrefs);
      EXPECT_EQ(Values(Hive::CurrentUser, {std::string(kTypedUrlsKey)}), before);
      continue;
    }
    EXPECT_NE(undone.message.find("prefs.js is neither as change"), std::string::npos) << undone.message;
    EXPECT_EQ(undone.message.find("TypedURLs"), std::string::npos) << undone.message;  // as the change left it
    EXPECT_EQ(test::ReadFile(Prefs()), "saved by the browser afterwards");
    UndoPlan plan;
    ASSERT_TRUE(PlanUndo(journal_, registry_, std::nullopt, plan).ok());
    test::ExpectOk(CarryOutUndo(journal_, registry_, plan, true));
    EXPECT_EQ(test::ReadFile(Prefs()), kPrefs);
  }
}

TEST_F(JournalTest, FavoritesAddedOrOverwrittenAreUndone) {
  std::string written;
  ASSERT_TRUE(
      WriteFavoriteRecorded(&journal_, registry_, drives_, "c:\\windows\\favorites", "News!", "http://n/", written)
          .ok());
  const std::string native = Native("Windows/Favorites/News.url");
  const std::string first = test::ReadFile(native);
  ASSERT_TRUE(
      WriteFavoriteRecorded(&journal_, registry_, drives_, "c:\\windows\\favorites", "News", "http://m/", written)
          .ok());
  const std::vector<JournalEntry> entries = Entries();
  EXPECT_EQ(entries[0].record.what, "favorite replaced: News");
  EXPECT_EQ(entries[1].record.what, "favorite added: News!");
  EXPECT_EQ(entries[1].record.where, "c:\\windows\\favorites\\News.url");

  ASSERT_TRUE(UndoFrom().ok());
  EXPECT_EQ(test::ReadFile(native), first);
  // Change 1 and everything after it, newest first: the favorite is gone as before change 1.
  ASSERT_TRUE(UndoFrom(1).ok());
  EXPECT_FALSE(std::filesystem::exists(native));
  EXPECT_TRUE(std::filesystem::exists(Native("Windows/Favorites")));
}

TEST_F(JournalTest, ABookmarkAddedIsUndoneToTheSameBytes) {
  const std::string bookmarks = Native("p/bookmark.htm");
  std::filesystem::create_directories(Native("p"));
  const std::string old = "<TITLE>B</TITLE>\n<H1>Bookmarks</H1>\n<DL><p>\n</DL><p>\n";
  test::WriteFile(bookmarks, old);
  BookmarkCopy copy;
  ASSERT_TRUE(
      CopyBookmarksWithFavorite(
          drives_, "c:\\p", "http://n/", "News Today", [] { return std::int64_t{1}; }, state_ / "tempfile", copy)
          .ok());
  ASSERT_TRUE(ReplaceBookmarksRecorded(&journal_, registry_, copy, "News Today", "c:\\p\\bookmark.htm").ok());
  EXPECT_EQ(Entries().front().record.what, "bookmark added: News Today");
  ASSERT_NE(test::ReadFile(bookmarks), old);
  ASSERT_TRUE(UndoFrom().ok());
  EXPECT_EQ(test::ReadFile(bookmarks), old);
}

TEST_F(JournalTest, AFailedWriteLeavesNoRecord) {
  const std::string bookmarks = Native("p/bookmark.htm");
  std::filesystem::create_directories(Native("p"));
  test::WriteFile(bookmarks, "<TITLE>B</TITLE>\n<H1>Bookmarks</H1>\n<DL><p>\n</DL><p>\n");
  BookmarkCopy copy;
  ASSERT_TRUE(CopyBookmarksWithFavorite(
                  drives_, "c:\\p", "http://n/", "News", [] { return std::int64_t{1}; }, state_ / "tempfile", copy)
                  .ok());
  test::WriteFile(bookmarks, "rewritten by the browser meanwhile");
  EXPECT_FALSE(ReplaceBookmarksRecorded(&journal_, registry_, copy, "News", "c:\\p\\bookmark.htm").ok());
  EXPECT_TRUE(Entries().empty());  // not a finished "bookmark added" whose new state is the browser's
  EXPECT_EQ(test::ReadFile(bookmarks), "rewritten by the browser meanwhile");
}

TEST_F(JournalTest, AChangeUnderWayIsNeverUndoneAndAKilledOneIs) {
  ASSERT_TRUE(WriteSettingRecorded(&journal_, registry_, Setting::NetLAU, "c:\\a").ok());
  {
    ChangeScope running(&journal_, registry_, "NetLAU set to c:\\b", "");
    running.AddValue(Hive::LocalMachine, SettingKey(Setting::NetLAU), "");
    ASSERT_TRUE(running.Begin());
    const WatchWrites planning = running.PlanWrites();
    EXPECT_TRUE(Entries().front().underWay);
    const Status refused = UndoFrom();
    EXPECT_NE(refused.message.find("change 2 (NetLAU set to c:\\b) is under way in another run of Varnel"),
              std::string::npos)
        << refused.message;
    EXPECT_FALSE(UndoFrom(1).ok());  // nor any earlier change
    test::ExpectOk(WriteSetting(registry_, Setting::NetLAU, "c:\\b"));
  }  // ended without a mark, as a kill ends it
  EXPECT_FALSE(Entries().front().underWay);
  test::ExpectOk(UndoFrom());
  EXPECT_EQ(ReadSetting(registry_, Setting::NetLAU), "c:\\a");
}

TEST_F(JournalTest, AnUndoPlannedBeforeAnotherUndoIsRefused) {
  ASSERT_TRUE(WriteSettingRecorded(&journal_, registry_, Setting::NetLAU, "c:\\a").ok());
  UndoPlan first, second;
  test::ExpectOk(PlanUndo(journal_, registry_, std::nullopt, first));
  test::ExpectOk(PlanUndo(journal_, registry_, std::nullopt, second));
  test::ExpectOk(CarryOutUndo(journal_, registry_, first, false));
  const Status refused = CarryOutUndo(journal_, registry_, second, false);
  EXPECT_NE(refused.message.find("the journal changed since the undo was planned"), std::string::npos)
      << refused.message;
  EXPECT_EQ(Entries().size(), 2u);
  EXPECT_FALSE(registry_.QueryValue(Hive::LocalMachine, SettingKey(Setting::NetLAU), "").has_value());
}

// A record edited to name a file elsewhere, to reach it through ".." or a link, or to give it
// odd permission bits, is refused as damaged; nothing is written.
TEST_F(JournalTest, AnUndoWritesOnlyWhereTheChangeWasMade) {
  std::filesystem::create_directories(state_ / "canary");
  test::WriteFile(state_ / "canary/keep.txt", "keep");
  std::filesystem::create_directory_symlink(state_ / "canary", Native("Windows/Favorites/out"));
  std::string written;
  const auto edits = std::vector<std::function<void(ChangeRecord&)>>{
      [&](ChangeRecord& r) { r.items[0].native = Native("Windows/Favorites/../../../../canary/keep.txt"); },
      [&](ChangeRecord& r) {
        r.items[0].native = state_ / "canary/keep.txt";
        r.items[0].shown = "z:" + r.items[0].native;
      },
      [&](ChangeRecord& r) {
        r.items[0].native = Native("Windows/Favorites/out/keep.txt");
        r.items[0].shown = "c:\\windows\\favorites\\out\\keep.txt";
      },
      [&](ChangeRecord& r) { r.before[0] = {true, "x", 04755, 0, 0, {}, ""}; },
  };
  for (std::size_t edit = 0; edit < edits.size(); ++edit) {
    std::filesystem::remove_all(state_ / "journal");
    std::filesystem::remove(Native("Windows/Favorites/News.url"));
    ASSERT_TRUE(
        WriteFavoriteRecorded(&journal_, registry_, drives_, "c:\\windows\\favorites", "News", "http://n/", written)
            .ok());
    ASSERT_EQ(Entries().size(), 1u);
    ChangeRecord record = Entries().front().record;
    edits[edit](record);
    std::filesystem::remove(journal_.RecordPath(1));
    test::WriteFile(journal_.RecordPath(1), SerializeRecord(record));
    const Status refused = UndoFrom(std::nullopt, true);
    EXPECT_NE(refused.message.find("change 1 cannot be read"), std::string::npos) << edit << ": " << refused.message;
    EXPECT_EQ(test::ReadFile(state_ / "canary/keep.txt"), "keep") << edit;
    EXPECT_TRUE(std::filesystem::exists(Native("Windows/Favorites/News.url"))) << edit;
  }
  // A record file that is a link is never followed.
  std::filesystem::remove(journal_.RecordPath(1));
  std::filesystem::create_symlink(state_ / "canary/keep.txt", journal_.RecordPath(1));
  EXPECT_FALSE(Entries().front().damage.empty());
}

TEST_F(JournalTest, AWriteThatChangesNothingLeavesNoChangeAndFilesAreTheUsersOnly) {
  ASSERT_TRUE(WriteSettingRecorded(&journal_, registry_, Setting::NetLAU, "c:\\p").ok());
  test::ExpectOk(StoreRememberedDirectoriesRecorded(&journal_, registry_, "c:\\p", std::nullopt));
  EXPECT_EQ(Entries().size(), 1u);
  for (const auto& entry : std::filesystem::directory_iterator(state_ / "journal")) {
    struct stat st {};
    ASSERT_EQ(::stat(entry.path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << entry.path();
  }
  struct stat st {};
  ASSERT_EQ(::stat((state_ / "journal").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(JournalTest, TheOldestChangesAreDroppedPastEitherBound) {
  journal_.SetBound(3, 1ull << 30);
  for (int i = 0; i < 5; ++i)
    ASSERT_TRUE(WriteSettingRecorded(&journal_, registry_, Setting::NetLAU, "c:\\" + std::to_string(i)).ok());
  std::vector<JournalEntry> entries = Entries();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries.back().number, 3);
  EXPECT_EQ(entries.front().number, 5);

  // A byte bound two changes fit in: the newest change is always kept, the rest go oldest first.
  journal_.SetBound(200, entries.front().bytes * 2 + 10);
  ASSERT_TRUE(WriteSettingRecorded(&journal_, registry_, Setting::NetLAU, "c:\\x").ok());
  entries = Entries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries.back().number, 5);
  journal_.SetBound(200, 1);
  ASSERT_TRUE(WriteSettingRecorded(&journal_, registry_, Setting::NetLAU, "c:\\y").ok());
  ASSERT_EQ(Entries().size(), 1u);
}

TEST_F(JournalTest, ADamagedJournalIsReportedAndNeverStopsAWrite) {
  ASSERT_TRUE(WriteSettingRecorded(&journal_, registry_, Setting::NetLAU, "c:\\a").ok());
  test::WriteFile(state_ / "journal/000002.change", "varnel change 1\ntime 5\n12345");
  test::WriteFile(state_ / "journal/000001.done", "garbage");  // a torn mark counts as none
  std::vector<JournalEntry> entries = Entries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_FALSE(entries[0].damage.empty());
  EXPECT_FALSE(entries[1].after.has_value());
  const Status refused = UndoFrom();
  EXPECT_NE(refused.message.find("change 2 cannot be read"), std::string::npos) << refused.message;
  // It says the way out: the damaged record's file to delete.
  EXPECT_NE(refused.message.find("Deleting " + journal_.RecordPath(2) + " drops"), std::string::npos)
      << refused.message;
  EXPECT_EQ(ReadSetting(registry_, Setting::NetLAU), "c:\\a");

  // The next change still gets its own number past the damaged one, and is undone past it.
  ASSERT_TRUE(WriteSettingRecorded(&journal_, registry_, Setting::NetLAU, "c:\\b").ok());
  EXPECT_EQ(Entries().front().number, 3);
  const Status before = UndoFrom(2);
  EXPECT_NE(before.message.find("The changes after it can be: undo 3"), std::string::npos) << before.message;
  test::ExpectOk(UndoFrom(3));
  EXPECT_EQ(ReadSetting(registry_, Setting::NetLAU), "c:\\a");

  // A journal that cannot be written: the write happens, the user hears it was not recorded.
  Journal blocked(state_ / "file/journal", prefix_.path());
  test::WriteFile(state_ / "file", "a file where the folder should be");
  std::vector<std::string> said;
  blocked.SetReporter([&](const std::string& text) { said.push_back(text); });
  ASSERT_TRUE(WriteSettingRecorded(&blocked, registry_, Setting::NetLAU, "c:\\c").ok());
  EXPECT_EQ(ReadSetting(registry_, Setting::NetLAU), "c:\\c");
  ASSERT_EQ(said.size(), 1u);
  EXPECT_NE(said[0].find("NetLAU set to c:\\c: not recorded for undo"), std::string::npos) << said[0];

  // A file the journal cannot keep (not a regular file) is told the same way.
  said.clear();
  std::filesystem::create_directories(Native("Windows/Favorites/Odd.url"));
  std::string written;
  EXPECT_FALSE(
      WriteFavoriteRecorded(&blocked, registry_, drives_, "c:\\windows\\favorites", "Odd", "http://o/", written).ok());
  EXPECT_EQ(said.size(), 1u);
}

TEST_F(JournalTest, AHugeOrOddlyNamedRecordIsNeitherReadWholeNorPushesOutTheValidOnes) {
  for (const char* value : {"c:\\1", "c:\\2", "c:\\3"}) {
    ASSERT_TRUE(WriteSettingRecorded(&journal_, registry_, Setting::NetLAU, value).ok());
  }
  // 3 GB that take no room on disk, and a number at the end of the range.
  test::WriteFile(state_ / "journal/000004.change", "");
  ASSERT_EQ(::truncate((state_ / "journal/000004.change").c_str(), 3ll << 30), 0);
  test::WriteFile(state_ / "journal/2147483647.change", "varnel change 1\n");
  test::WriteFile(state_ / "journal/0000003.change", "another spelling of change 3");
  std::vector<JournalEntry> entries = Entries();
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_NE(entries[0].damage.find("larger than the journal keeps"), std::string::npos) << entries[0].damage;

  ASSERT_TRUE(WriteSettingRecorded(&journal_, registry_, Setting::NetLAU, "c:\\5").ok());
  entries = Entries();
  ASSERT_EQ(entries.size(), 5u);  // 1 to 3 are kept
  EXPECT_EQ(entries.front().number, 5);
  EXPECT_EQ(entries.back().number, 1);
  test::ExpectOk(UndoFrom());
  EXPECT_EQ(ReadSetting(registry_, Setting::NetLAU), "c:\\3");
}

TEST_F(JournalTest, AnUnreadableFolderIsAnErrorAndNoModeIsSetThroughALink) {
  test::WriteFile(state_ / "file", "a file where the folder should be");
  Journal unreadable(state_ / "file/journal", prefix_.path());
  std::vector<JournalEntry> entries;
  EXPECT_FALSE(unreadable.List(entries).ok());
  UndoPlan plan;
  const Status refused = PlanUndo(unreadable, registry_, std::nullopt, plan);
  EXPECT_NE(refused.message.find("cannot be read"), std::string::npos) << refused.message;

  // $XDG_STATE_HOME/varnel a link to a folder of someone else's choosing: its mode stays.
  std::filesystem::create_directories(state_ / "elsewhere");
  ::chmod((state_ / "elsewhere").c_str(), 0755);
  std::filesystem::create_directory_symlink(state_ / "elsewhere", state_ / "varnel");
  Journal linked(state_ / "varnel/0123", prefix_.path());
  ASSERT_TRUE(WriteSettingRecorded(&linked, registry_, Setting::NetLAU, "c:\\l").ok());
  EXPECT_EQ(test::JournalEntries(linked).size(), 1u);
  struct stat st {};
  ASSERT_EQ(::stat((state_ / "elsewhere").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0755u);
}

TEST_F(JournalTest, AJournalFolderOfAnotherPrefixIsNotUsed) {
  Journal other(state_ / "journal", state_.path());
  std::vector<std::string> said;
  other.SetReporter([&](const std::string& text) { said.push_back(text); });
  ASSERT_TRUE(WriteSettingRecorded(&journal_, registry_, Setting::NetLAU, "c:\\a").ok());
  ASSERT_TRUE(WriteSettingRecorded(&other, registry_, Setting::NetLAU, "c:\\b").ok());
  EXPECT_EQ(said.size(), 1u);
  EXPECT_EQ(Entries().size(), 1u);
  EXPECT_NE(Journal::FolderFor("/a", [](const char*) { return std::optional<std::string>("/s"); }),
            Journal::FolderFor("/b", [](const char*) { return std::optional<std::string>("/s"); }));
  EXPECT_EQ(Journal::FolderFor("/a",
                               [](const char* n) {
                                 return std::string(n) == "HOME" ? std::optional<std::string>("/h") : std::nullopt;
                               })
                .rfind("/h/.local/state/varnel/", 0),
            0u);
}

}  // namespace
}  // namespace varnel
