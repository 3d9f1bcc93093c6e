#include "winenv/hive_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>

#include "testsupport/hive_test_support.h"
#include "testsupport/temp_dir.h"

namespace varnel {
namespace {

using test::CorpusHive;
using test::MustParse;
using test::TextOf;
constexpr std::int64_t kNow = test::kHiveNow;

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> ChangedLines(const std::string& before, const std::string& after) {
  std::vector<std::string> a = LinesOf(before), b = LinesOf(after), changed;
  if (a.size() != b.size()) return {"line counts differ"};
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i]) changed.push_back(b[i]);
  }
  return changed;
}

TEST(HiveRoundTrip, CorpusFilesSerializeToTheirOwnBytes) {
  for (const char* name : {"system.reg", "user.reg"}) {
    const std::string text = CorpusHive(name);
    ASSERT_FALSE(text.empty()) << name;
    EXPECT_TRUE(MustParse(text).Serialize() == text) << name;
  }
}

// Every value line is regenerated from its decoded data: the writer must reproduce Wine's
// bytes for strings, escapes, dwords and wrapped hex alike.
TEST(HiveRoundTrip, EveryCorpusValueRewrittenWithItsOwnDataGivesTheSameFile) {
  for (const char* file : {"system.reg", "user.reg"}) {
    const std::string text = CorpusHive(file);
    HiveFile hive = MustParse(text);
    const std::vector<std::u16string> keys = hive.KeyPaths();
    int key = -1, rewritten = 0;
    for (const std::string& line : LinesOf(text)) {
      if (line.starts_with("[")) ++key;
      const std::size_t close = line.find('"', 1);
      const bool plainName = line.starts_with("\"") && line.find('\\') > close;
      if (!plainName && !line.starts_with("@=")) continue;
      const std::u16string name(line.begin() + 1, line.begin() + (plainName ? close : 1));
      std::optional<RegValue> value = hive.GetValue(keys[key], name);
      ASSERT_TRUE(value) << line;
      hive.SetValue(keys[key], name, *value, kNow);
      ++rewritten;
    }
    EXPECT_GT(rewritten, 40);
    EXPECT_TRUE(hive.Serialize() == text) << file;
  }
}

TEST(HiveRead, FindsCorpusValuesWithoutCase) {
  HiveFile system = MustParse(CorpusHive("system.reg"));
  EXPECT_EQ(TextOf(system.GetValue(u"Software\\Classes\\.htm", u"")), std::u16string(u"htmlfile\0", 9));
  EXPECT_EQ(TextOf(system.GetValue(u"SOFTWARE\\classes\\.HTM", u"content TYPE")), std::u16string(u"text/html\0", 10));
  EXPECT_FALSE(system.GetValue(u"Software\\Classes\\.htm", u"Missing"));
  EXPECT_FALSE(system.GetValue(u"Software\\Classes\\.nothing", u""));
  EXPECT_FALSE(system.GetValue(u"Software\\Classes", u""));  // implied, no block of its own

  const RegValue multi = *system.GetValue(
      u"Software\\Microsoft\\Cryptography\\OID\\EncodingType 1\\CertDllVerifyRevocation\\DEFAULT", u"Dll");
  EXPECT_EQ(multi.type, kRegMultiSz);
  EXPECT_EQ(TextOf(multi), std::u16string(u"cryptnet.dll\0\0", 14));

  HiveFile user = MustParse(CorpusHive("user.reg"));
  const RegValue expand =
      *user.GetValue(u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders", u"AppData");
  EXPECT_EQ(expand.type, kRegExpandSz);
  EXPECT_EQ(TextOf(expand), std::u16string(u"%USERPROFILE%\\AppData\\Roaming\0", 30));
  EXPECT_EQ(TextOf(user.GetValue(u"Control Panel\\International\\\U0001F30E\U0001F30F\U0001F30D", u"Currencies")),
            std::u16string(u"USD\0", 4));
}

TEST(HiveRead, DecodesDwordsAndContinuedHex) {
  const std::string text =
      "WINE REGISTRY Version 2\n\n[K] 1\n\"d\"=dword:0000010a\n\"h\"=hex(ffff0007):01,02,\\\n  ab,\\\n  ff\n"
      "\"e\"=hex(1):\n\"s\"=str:\"x\"\n";
  HiveFile hive = MustParse(text);
  EXPECT_EQ(*hive.GetValue(u"k", u"D"), (RegValue{kRegDword, {0x0a, 0x01, 0, 0}}));
  EXPECT_EQ(*hive.GetValue(u"k", u"h"), (RegValue{0xffff0007, {1, 2, 0xab, 0xff}}));
  EXPECT_EQ(*hive.GetValue(u"k", u"e"), (RegValue{kRegSz, {}}));
  EXPECT_EQ(*hive.GetValue(u"k", u"s"), RegValue::String(u"x"));
}

TEST(HiveRead, KeysExistWithTheirBlockOrADescendantsBlock) {
  HiveFile hive = MustParse("WINE REGISTRY Version 2\n\n[A\\\\B\\\\C] 1\n\n[A\\\\D] 1\n\n[A\\\\D!] 1\n\n[E\\\\F!] 1\n");
  EXPECT_TRUE(hive.KeyExists(u"a\\b\\c"));
  EXPECT_TRUE(hive.KeyExists(u"A\\B"));
  EXPECT_TRUE(hive.KeyExists(u"\\A\\\\B\\"));
  EXPECT_TRUE(hive.KeyExists(u"A"));
  EXPECT_FALSE(hive.KeyExists(u"A\\B\\C\\E"));
  EXPECT_FALSE(hive.KeyExists(u"A\\BC"));
  EXPECT_TRUE(hive.KeyExists(u"E"));
  EXPECT_FALSE(hive.KeyExists(u"E\\F"));  // "E\F!" is a sibling, not a sub-key
}

TEST(HiveEscapes, EveryEscapeIsDecoded) {
  HiveFile hive = MustParse(
      "WINE REGISTRY Version 2\n\n[K\\\\\\[x\\]\"] 1\n"
      "\"n\\\"\\\\\"=\"\\\\\\\"\\[\\]\\a\\b\\t\\n\\v\\f\\r\\e|\\0\\12\\3771\\7777|\\x41\\xe9g\\x20ac\\x1234567|[]\"\n");
  const std::u16string expected = std::u16string(u"\\\"[]\a\b\t\n\v\f\r\x1b|") + char16_t(0) +
                                  u"\n\u00ff1\u01ff7|A\u00e9g\u20ac\u12345" + u"67|[]" + char16_t(0);
  EXPECT_EQ(TextOf(hive.GetValue(u"K\\[x]\"", u"n\"\\")), expected);
}

TEST(HiveEscapes, WritesQuotesBackslashesAndNonAsciiAsWineDoes) {
  HiveFile hive = HiveFile::Empty("REGISTRY\\\\Machine");
  const std::u16string text =
      u"q\"b\\s[]\u00e9x\u00e9a\u20ac!\x01"
      u"7\x01z\t\x1b\x7f" +
      std::u16string(1, 0) + u"end";
  hive.SetValue(u"Software\\A[b]", u"na\"me\\", RegValue::String(text), kNow);
  EXPECT_EQ(hive.Serialize(),
            "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n"
            "[Software\\\\A\\[b\\]] 1700000000\n#time=1da1747c66d0000\n"
            "\"na\\\"me\\\\\"=\"q\\\"b\\\\s[]\\xe9x\\x00e9a\\x20ac!\\0017\\1z\\t\\e\x7f\\0end\"\n");
  HiveFile reread = MustParse(hive.Serialize());
  EXPECT_EQ(*reread.GetValue(u"software\\a[B]", u"NA\"ME\\"), RegValue::String(text));
}

TEST(HiveWrite, ValuesThatAreNotPlainStringsBecomeHex) {
  HiveFile hive = HiveFile::Empty("X");
  hive.SetValue(u"K", u"odd", RegValue{kRegSz, {0x41, 0, 0, 0, 0}}, kNow);
  hive.SetValue(u"K", u"unterminated", RegValue{kRegExpandSz, {0x41, 0}}, kNow);
  hive.SetValue(u"K", u"short", RegValue{kRegDword, {1, 2}}, kNow);
  hive.SetValue(u"K", u"", RegValue{kRegDword, {0xef, 0xbe, 0xad, 0xde}}, kNow);
  const std::string text = hive.Serialize();
  EXPECT_NE(
      text.find(
          "\n\"odd\"=hex(1):41,00,00,00,00\n\"unterminated\"=hex(2):41,00\n\"short\"=hex(4):01,02\n@=dword:deadbeef\n"),
      std::string::npos);
  HiveFile reread = MustParse(text);
  EXPECT_EQ(*reread.GetValue(u"K", u"odd"), (RegValue{kRegSz, {0x41, 0, 0, 0, 0}}));
}

// Wine breaks a hex line after the comma that takes it past 76 characters; the name counts.
TEST(HiveWrite, LongBinaryValuesWrapLikeWineAndReadBack) {
  HiveFile hive = HiveFile::Empty("X");
  RegValue blob{kRegBinary, {}};
  for (int i = 0; i < 60; ++i) blob.data.push_back(std::uint8_t(i * 7));
  hive.SetValue(u"K", u"Blob", blob, kNow);
  std::vector<std::string> lines = LinesOf(hive.Serialize());
  std::vector<std::string> value(lines.end() - 3, lines.end());
  EXPECT_EQ(value[0].size(), 78u);  // "Blob"=hex: and 22 bytes: the 22nd comma passes 76, then '\'
  EXPECT_TRUE(value[0].starts_with("\"Blob\"=hex:00,07,0e,") && value[0].ends_with(",\\"));
  EXPECT_EQ(value[1].size(), 78u);
  EXPECT_TRUE(value[1].starts_with("  "));
  EXPECT_FALSE(value[2].ends_with(","));
  EXPECT_EQ(*MustParse(hive.Serialize()).GetValue(u"k", u"blob"), blob);
}

TEST(HiveWrite, SettingAValueChangesOnlyItsLinesAndItsKeysTimeAsWineDoes) {
  const std::string text = CorpusHive("system.reg");
  HiveFile hive = MustParse(text);
  hive.SetValue(u"software\\classes\\.HTM", u"", RegValue::String(u"htmlfile"), kNow);  // as it was
  EXPECT_EQ(hive.Serialize(), text);
  hive.SetValue(u"software\\classes\\.HTM", u"", RegValue::String(u"NetscapeMarkup"), kNow);
  EXPECT_EQ(ChangedLines(text, hive.Serialize()),
            (std::vector<std::string>{"[Software\\\\Classes\\\\.htm] 1700000000", "#time=1da1747c66d0000",
                                      "@=\"NetscapeMarkup\""}));

  // A continued hex value is replaced whole.
  const std::u16string filter =
      u"Software\\Classes\\CLSID\\{083863F1-70DE-11D0-BD40-00A0C911CE86}\\Instance\\{1B544C20-FD0B-11CE-8C63-"
      u"00AA0044B51E}";
  ASSERT_TRUE(hive.GetValue(filter, u"FilterData")) << "corpus key moved";
  hive.SetValue(filter, u"FilterData", RegValue{kRegBinary, {1}}, kNow);
  std::string after = hive.Serialize();
  EXPECT_EQ(LinesOf(after).size() + 6, LinesOf(text).size());
  EXPECT_NE(after.find("-00AA0044B51E}\"\n\"FilterData\"=hex:01\n\"FriendlyName\"=\"AVI Splitter\"\n"),
            std::string::npos);
}

TEST(HiveWrite, NewValueFollowsTheKeysLastValue) {
  const std::string text =
      "WINE REGISTRY Version 2\n\n[A] 1\n#time=1\n\"x\"=\"1\"\n;note\n\n[B] 2\n#time=2\n\n[C] 3\n#time=3";
  HiveFile hive = MustParse(text);
  hive.SetValue(u"a", u"y", RegValue::String(u"2"), kNow);
  hive.SetValue(u"b", u"z", RegValue::String(u"3"), kNow);
  hive.SetValue(u"c", u"w", RegValue::String(u"4"), kNow);  // the file had no final line ending
  EXPECT_EQ(
      hive.Serialize(),
      "WINE REGISTRY Version 2\n\n[A] 1700000000\n#time=1da1747c66d0000\n\"x\"=\"1\"\n\"y\"=\"2\"\n;note\n\n"
      "[B] 1700000000\n#time=1da1747c66d0000\n\"z\"=\"3\"\n\n[C] 1700000000\n#time=1da1747c66d0000\n\"w\"=\"4\"\n");
}

TEST(HiveWrite, NewKeysGoWhereWineSortsThem) {
  HiveFile hive = HiveFile::Empty("REGISTRY\\\\Machine");
  hive.SetValue(u"Software\\B", u"", RegValue::String(u"b"), kNow);
  hive.SetValue(u"Software\\A\\Sub", u"", RegValue::String(u"s"), kNow);
  hive.SetValue(u"software\\a", u"v", RegValue::String(u"a"), kNow + 1);
  hive.SetValue(u"Software\\\\C\\", u"", RegValue::String(u"c"), kNow);  // empty names are skipped
  EXPECT_EQ(hive.Serialize(),
            "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n"
            "\n[Software\\\\A] 1700000001\n#time=1da1747c7059680\n\"v\"=\"a\"\n"  // Wine's first spelling
            "\n[Software\\\\A\\\\Sub] 1700000000\n#time=1da1747c66d0000\n@=\"s\"\n"
            "\n[Software\\\\B] 1700000000\n#time=1da1747c66d0000\n@=\"b\"\n"
            "\n[Software\\\\C] 1700000000\n#time=1da1747c66d0000\n@=\"c\"\n");
}

// A new key is spelled as its existing parents are, and changes the time of its parent.
TEST(HiveWrite, ANewKeyTakesItsParentsSpellingAndTime) {
  const std::string text = "WINE REGISTRY Version 2\n\n[Software\\\\Classes\\\\http] 1\n#time=1\n@=\"URL:HTTP\"\n";
  HiveFile hive = MustParse(text);
  hive.SetValue(u"SOFTWARE\\CLASSES\\HTTP\\shell\\open", u"", RegValue::String(u"x"), kNow);
  EXPECT_EQ(
      hive.Serialize(),
      "WINE REGISTRY Version 2\n\n[Software\\\\Classes\\\\http] 1700000000\n#time=1da1747c66d0000\n@=\"URL:HTTP\"\n"
      "\n[Software\\\\Classes\\\\http\\\\shell\\\\open] 1700000000\n#time=1da1747c66d0000\n@=\"x\"\n");
}

// Keys inserted in random order must land in the corpus order: the comparator is Wine's
// (component by component, folded to lower case, so "_x" sorts after letters).
TEST(HiveWrite, InsertionOrderAgreesWithTheCorpus) {
  for (const char* file : {"system.reg", "user.reg"}) {
    const std::vector<std::u16string> all = MustParse(CorpusHive(file)).KeyPaths();
    std::vector<std::u16string> sample;
    for (std::size_t i = 0; i < all.size(); ++i) {
      if (i % 16 == 0 || all[i].find(u"MIME\\Database\\Charset") != std::u16string::npos) sample.push_back(all[i]);
    }
    std::vector<std::u16string> shuffled = sample;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
    HiveFile hive = HiveFile::Empty("X");
    for (const std::u16string& key : shuffled) hive.SetValue(key, u"", RegValue::String(u"v"), kNow);
    EXPECT_TRUE(hive.KeyPaths() == sample) << file;
  }
}

TEST(HiveDelete, KeepsTheBlankLineStructureWineWrites) {
  const std::string header = "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n";
  const std::string a = "\n[A] 1\n#time=1\n\"x\"=\"1\"\n", b = "\n[B] 2\n#time=2\n",
                    c = "\n[C] 3\n#time=3\n@=hex:01,\\\n  02\n";
  HiveFile hive = MustParse(header + a + b + c);
  EXPECT_TRUE(hive.DeleteKey(u"b"));
  EXPECT_EQ(hive.Serialize(), header + a + c);
  EXPECT_TRUE(hive.DeleteKey(u"C"));
  EXPECT_EQ(hive.Serialize(), header + a);
  EXPECT_TRUE(hive.DeleteKey(u"A"));
  EXPECT_EQ(hive.Serialize(), header);
  EXPECT_FALSE(hive.KeyExists(u"A"));
  hive.SetValue(u"B", u"", RegValue{kRegNone, {}}, 2);
  EXPECT_EQ(hive.Serialize(), header + "\n[B] 2\n#time=19db1ded66fad00\n@=hex(0):\n");
}

TEST(HiveDelete, OnlyAKeyWithABlockAndNoSubKeys) {
  HiveFile hive = MustParse("WINE REGISTRY Version 2\n\n[A] 1\n\n[A\\\\B\\\\C] 1\n");
  const std::string before = hive.Serialize();
  EXPECT_FALSE(hive.DeleteKey(u"A"));     // has a sub-key
  EXPECT_FALSE(hive.DeleteKey(u"A\\B"));  // implied only
  EXPECT_FALSE(hive.DeleteKey(u"A\\X"));  // missing
  EXPECT_EQ(hive.Serialize(), before);
  EXPECT_TRUE(hive.DeleteKey(u"a\\b\\c"));
  EXPECT_FALSE(hive.KeyExists(u"A\\B"));
  EXPECT_TRUE(hive.DeleteKey(u"A"));
}

TEST(HiveParse, RejectsWhatItDoesNotUnderstandNamingTheLine) {
  const std::string head = "WINE REGISTRY Version 2\n\n[K] 1\n";
  const std::pair<std::string, int> cases[] = {
      {"", 1},
      {"WINE REGISTRY Version 1\n", 1},
      {"WINE REGISTRY Version 2\n\"v\"=\"x\"\n", 2},  // value before any key
      {head + "[K2 1\n", 4},                          // no closing bracket
      {head + "[K2] 1 x\n", 4},
      {head + "[A\\\\\\\\B]\n", 4},     // empty key name
      {head + "[k] 2\n", 4},            // the same key twice
      {head + "\"v\" \"x\"\n", 4},      // no '='
      {head + "\"v\"=\"x\n", 4},        // unterminated string
      {head + "\"v\"=\"a\\qb\"\n", 4},  // unknown escape
      {head + "\"v\"=\"a\\x\"\n", 4},
      {head + "\"v\"=\"caf\xc3\xa9\"\n", 4},  // raw non-ASCII
      {head + "\"v\"=hex:0g\n", 4},
      {head + "\"v\"=hex:123\n", 4},
      {head + "\"v\"=hex(zz):01\n", 4},
      {head + "\"v\"=hex:01,\\\n  02,zz\n", 5},
      {head + "\"v\"=hex:01,\\\n", 4},  // continued past the end
      {head + "\"v\"=dword:123456789\n", 4},
      {head + "\"v\"=str(3):\"x\"\n", 4},
      {head + "\"v\"=1\n", 4},                       // unknown type
      {head + "\"v\"=dword:1\n\"V\"=dword:2\n", 5},  // the same value twice
      {head + "garbage\n", 4},
  };
  for (const auto& [text, line] : cases) {
    HiveFile hive;
    const Status parsed = HiveFile::Parse(text, hive);
    EXPECT_FALSE(parsed.ok()) << text;
    EXPECT_TRUE(parsed.message.starts_with("line " + std::to_string(line) + ":")) << text << " -> " << parsed.message;
  }
}

TEST(HiveParse, AcceptsWhatWineMayWriteAndKeepsCrLf) {
  const std::string text =
      "WINE REGISTRY Version 2\r\n;; c\r\n\r\n#arch=win32\r\n\r\n[Old]\r\n; comment\r\n#class=\"x\"\r\n#link\r\n"
      "@ = \"v\"\r\n  \"w\"=hex:1,02 ,\t03\r\n\r\n[Older] 5\r\n";
  HiveFile hive = MustParse(text);
  EXPECT_EQ(hive.Serialize(), text);
  EXPECT_EQ(*hive.GetValue(u"Old", u"w"), (RegValue{kRegBinary, {1, 2, 3}}));
  hive.SetValue(u"Old", u"n", RegValue::String(u"1"), kNow);
  hive.SetValue(u"Z", u"", RegValue::String(u"2"), kNow);
  const std::string after = hive.Serialize();
  EXPECT_NE(after.find("\"w\"=hex:1,02 ,\t03\r\n\"n\"=\"1\"\r\n\r\n[Older] 5\r\n"), std::string::npos);
  EXPECT_TRUE(after.ends_with("\r\n\r\n[Z] 1700000000\r\n#time=1da1747c66d0000\r\n@=\"2\"\r\n"));
}

}  // namespace
}  // namespace varnel
