// The hive as an index over its file's text: keys out of Wine's order, keys and value names
// spelled with escapes, and writes held per key until the hive is serialised.
#include "winenv/hive_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "testsupport/hive_test_support.h"
#include "testsupport/temp_dir.h"
#include "winenv/code_page.h"
#include "winenv/hive_scan.h"

namespace varnel {
namespace {

using test::CorpusHive;
using test::MustParse;
using test::TextOf;
constexpr std::int64_t kNow = test::kHiveNow;

// Files edited by hand or by other programs may hold keys out of Wine's order: every key is
// still found, a key that appears twice is still refused, and a new key still goes before the
// first block that sorts after it.
TEST(HiveOrder, KeysOutOfWinesOrderAreFoundAndKeptWhereTheyAre) {
  const std::string text =
      "WINE REGISTRY Version 2\n\n[B\\\\Sub] 1\n@=\"b-sub\"\n\n[A] 1\n@=\"a\"\n\n[C] 1\n@=\"c\"\n\n[B] 1\n@=\"b\"\n";
  HiveFile hive = MustParse(text);
  EXPECT_EQ(hive.Serialize(), text);
  for (const char16_t* key : {u"a", u"B", u"b\\sub", u"C"}) EXPECT_TRUE(hive.GetValue(key, u"")) << AnsiFromUtf16(key);
  EXPECT_EQ(hive.KeyPaths(), (std::vector<std::u16string>{u"B\\Sub", u"A", u"C", u"B"}));
  hive.SetValue(u"AB", u"", RegValue::String(u"ab"), kNow);  // before "B\Sub", the first block after it
  hive.SetValue(u"BA", u"", RegValue::String(u"ba"), kNow);  // before "C"
  EXPECT_EQ(hive.KeyPaths(), (std::vector<std::u16string>{u"AB", u"B\\Sub", u"A", u"BA", u"C", u"B"}));
  EXPECT_FALSE(hive.DeleteKey(u"b"));  // its sub-key, which stands before it, is still there
  EXPECT_TRUE(hive.DeleteKey(u"b\\sub"));
  EXPECT_TRUE(hive.DeleteKey(u"b"));
  EXPECT_EQ(MustParse(hive.Serialize()).KeyPaths(), (std::vector<std::u16string>{u"AB", u"A", u"BA", u"C"}));
}

TEST(HiveOrder, AKeyThatAppearsTwiceIsRefusedWhereverTheTwoStand) {
  const std::string head = "WINE REGISTRY Version 2\n\n";
  const std::pair<std::string, int> cases[] = {
      {head + "[B] 1\n\n[A] 1\n\n[C] 1\n\n[b] 1\n", 9},       // far apart, the file out of order
      {head + "[B] 1\n\n[A] 1\n\n[a] 1\n\n[B] 1\n", 7},       // the first repetition is named
      {head + "[K\\x41] 1\n\n[Ka] 1\n", 5},                   // the same name spelled two ways
      {head + "[Z\\\\x] 1\n\n[Z\\x5cx] 1\n", 5},              // a separator spelled as an escape
      {head + "[B] 1\n\n[A] 1\n\n[a] 1\n\"v\"=hex:zz\n", 7},  // before a later bad line
  };
  for (const auto& [text, line] : cases) {
    HiveFile hive;
    const Status parsed = HiveFile::Parse(text, hive);
    EXPECT_FALSE(parsed.ok()) << text;
    EXPECT_EQ(parsed.message, "line " + std::to_string(line) + ": the key appears twice") << text;
  }
}

// Neighbouring keys are compared from where their spelling differs; an escape that reads on
// differently in the two ("\x41" then "z", "\x412") must be compared whole.
TEST(HiveOrder, KeysWhoseEscapesDifferAfterACommonSpellingAreOrderedByTheirCodeUnits) {
  HiveFile hive = MustParse("WINE REGISTRY Version 2\n\n[K\\x412] 1\n@=\"1\"\n\n[K\\x41z] 1\n@=\"2\"\n");
  EXPECT_EQ(TextOf(hive.GetValue(u"K\u0412", u"")), std::u16string(u"1\0", 2));
  EXPECT_EQ(TextOf(hive.GetValue(u"kAZ", u"")), std::u16string(u"2\0", 2));
}

TEST(HiveParse, ValueNamesAreComparedDecodedWithoutCase) {
  const std::string head = "WINE REGISTRY Version 2\n\n[K] 1\n";
  HiveFile hive;
  EXPECT_EQ(HiveFile::Parse(head + "\"A\"=\"1\"\n\"\\x61\"=\"2\"\n", hive).message,
            "line 5: the value appears twice in its key");
  // Names whose quick comparison agrees but which differ ("ab", "`\xe2") are both kept.
  hive = MustParse(head + "\"ab\"=\"1\"\n\"`\\xe2\"=\"2\"\n");
  EXPECT_EQ(TextOf(hive.GetValue(u"K", u"AB")), std::u16string(u"1\0", 2));
  EXPECT_EQ(TextOf(hive.GetValue(u"K", u"`\u00e2")), std::u16string(u"2\0", 2));
}

// Writes are held per key until the hive is serialised: many writes to one key, to keys before
// and after it, a deletion of a changed key and new keys at both ends must come out as the same
// writes made one by one on a freshly parsed file each time.
TEST(HiveWrite, ManyWritesGiveTheSameBytesAsEachWriteOnAFreshParse) {
  HiveFile held = MustParse(CorpusHive("system.reg"));
  std::string stepByStep = held.Serialize();
  const auto write = [&](const std::function<void(HiveFile&)>& change) {
    change(held);
    HiveFile fresh = MustParse(stepByStep);
    change(fresh);
    stepByStep = fresh.Serialize();
  };
  for (int i = 0; i < 3; ++i) {
    write([&](HiveFile& h) {
      h.SetValue(u"Software\\Classes\\.htm", u"", RegValue::String(i % 2 ? u"a" : u"bb"), kNow + i);
    });
  }
  write([](HiveFile& h) {
    h.SetValue(u"Software\\Classes\\.htm", u"New", RegValue{kRegBinary, std::vector<std::uint8_t>(50, 7)}, kNow);
  });
  write([](HiveFile& h) { h.SetValue(u"!first", u"", RegValue::String(u"x"), kNow); });
  write([](HiveFile& h) { h.SetValue(u"zzz last", u"", RegValue::String(u"y"), kNow); });
  write([](HiveFile& h) { h.SetValue(u"zzz last\\below", u"v", RegValue{kRegDword, {1, 0, 0, 0}}, kNow); });
  write([](HiveFile& h) { EXPECT_TRUE(h.DeleteKey(u"zzz last\\below")); });
  write([](HiveFile& h) { EXPECT_TRUE(h.DeleteKey(u"zzz last")); });
  write([](HiveFile& h) { EXPECT_TRUE(h.DeleteKey(u"!first")); });
  EXPECT_TRUE(held.Serialize() == stepByStep);
  EXPECT_EQ(held.GetValue(u"software\\classes\\.htm", u"new"),
            (RegValue{kRegBinary, std::vector<std::uint8_t>(50, 7)}));
  EXPECT_EQ(TextOf(held.GetValue(u"software\\classes\\.htm", u"")), std::u16string(u"bb\0", 3));
}

// A large hive is checked in two halves at once: a fault in either half is reported at its line
// of the whole file, and a hive without one is whole.
TEST(HiveHalves, ALargeHiveReadsAsInOnePass) {
  std::string text = "WINE REGISTRY Version 2\n";
  for (int key = 0; text.size() < hive::kScanInHalvesFrom + 4096; ++key) {
    text += "\n[Software\\\\Many\\\\P" + std::to_string(100000 + key) + "] 1\n\"Data\"=hex:01,02,03,\\\n  04,05\n";
  }
  HiveFile hive = MustParse(text);
  EXPECT_EQ(hive.Serialize(), text);
  EXPECT_TRUE(hive.GetValue(u"software\\many\\p100000", u"data"));
  for (const double where : {0.25, 0.75}) {
    std::string broken = text;
    const std::size_t at = broken.find("\"Data\"", static_cast<std::size_t>(broken.size() * where));
    broken.replace(at, 6, "\"Data");
    HiveFile refused;
    const Status parsed = HiveFile::Parse(broken, refused);
    const std::size_t line = 1 + static_cast<std::size_t>(std::count(broken.begin(), broken.begin() + at, '\n'));
    EXPECT_EQ(parsed.message.substr(0, parsed.message.find(':')), "line " + std::to_string(line)) << parsed.message;
  }
}

}  // namespace
}  // namespace varnel
