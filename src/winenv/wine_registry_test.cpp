#include "winenv/wine_registry.h"

#include <gtest/gtest.h>

#include "testsupport/hive_test_support.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "winenv/code_page.h"

namespace varnel {
namespace {

TEST(RegeditFile, HoldsTheEditsInOrderWithRegeditsEscapes) {
  RegValue dword{kRegDword, {0x78, 0x56, 0x34, 0x12}};
  const std::vector<RegistryEdit> edits = {
      RegistryEdit::DeleteKey(Hive::CurrentUser, "Software\\Microsoft\\Internet Explorer\\TypedURLs"),
      RegistryEdit::SetValue(Hive::CurrentUser, "Software\\Microsoft\\Internet Explorer\\TypedURLs", "url1",
                             RegValue::String(u"http://a/\"q\"\\b")),
      RegistryEdit::SetValue(Hive::LocalMachine, "Software\\Varnel\\NetLAU", "", RegValue::String(u"c:\\x")),
      RegistryEdit::SetValue(Hive::LocalMachine, "Software\\Test", "two lines", RegValue::String(u"a\nb")),
      RegistryEdit::SetValue(Hive::LocalMachine, "Software\\Test", "n", dword),
  };
  EXPECT_EQ(RegeditFile(edits),
            test::Utf16Le("Windows Registry Editor Version 5.00\r\n"
                          "\r\n[-HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\TypedURLs]\r\n"
                          "\r\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\TypedURLs]\r\n"
                          "\"url1\"=\"http://a/\\\"q\\\"\\\\b\"\r\n"
                          "\r\n[HKEY_LOCAL_MACHINE\\Software\\Varnel\\NetLAU]\r\n@=\"c:\\\\x\"\r\n"
                          "\r\n[HKEY_LOCAL_MACHINE\\Software\\Test]\r\n\"two lines\"=hex(1):61,00,0a,00,62,00,00,00\r\n"
                          "\r\n[HKEY_LOCAL_MACHINE\\Software\\Test]\r\n\"n\"=dword:12345678\r\n"));
}

TEST(ReadBackScript, ChecksWhatStandsAtTheEndInPlainAscii) {
  const std::vector<RegistryEdit> edits = {
      RegistryEdit::DeleteKey(Hive::CurrentUser, "Software\\Microsoft\\Internet Explorer\\TypedURLs"),
      RegistryEdit::SetValue(Hive::CurrentUser, "Software\\Microsoft\\Internet Explorer\\TypedURLs", "url1",
                             RegValue::String(u"http://caf\u00e9/\"q\"")),
      RegistryEdit::SetValue(Hive::ClassesRoot, "http\\shell\\open\\command", "", RegValue::String(u"x")),
      RegistryEdit::SetValue(Hive::LocalMachine, "Software\\Classes\\http\\shell\\open\\command", "",
                             RegValue::String(u"y")),
      RegistryEdit::SetValue(Hive::LocalMachine, "Software\\Test", "n", RegValue{kRegDword, {0x01, 0x00, 0x00, 0x80}}),
      RegistryEdit::SetValue(Hive::LocalMachine, "Software\\Test", "a\\b", RegValue::String(u"z")),
      RegistryEdit::DeleteKey(Hive::LocalMachine, "Software\\Gone"),
  };
  const std::string script = ReadBackScript(edits);
  EXPECT_TRUE(std::all_of(script.begin(), script.end(), [](char c) { return c > 0 && c < 0x7f; }));
  for (std::size_t at = script.find('\n'); at != std::string::npos; at = script.find('\n', at + 1)) {
    ASSERT_TRUE(at > 0 && script[at - 1] == '\r') << "a line of the script ends without CR LF at " << at;
  }
  // The deleted key is superseded by the value written into it again, the first "x" by "y".
  EXPECT_EQ(script.find("check(0,"), std::string::npos);
  EXPECT_EQ(script.find("check(2,"), std::string::npos);
  EXPECT_NE(script.find("check(1, function () { return read(\"HKCU\\u005cSoftware\\u005cMicrosoft\\u005cInternet "
                        "Explorer\\u005cTypedURLs\\u005curl1\") === \"http://caf\\u00e9/\\u0022q\\u0022\"; });"),
            std::string::npos)
      << script;
  EXPECT_NE(script.find("return read(\"HKLM\\u005cSoftware\\u005cClasses\\u005chttp\\u005cshell\\u005copen"
                        "\\u005ccommand\\u005c\") === \"y\""),
            std::string::npos);
  EXPECT_NE(script.find("return dword(\"HKLM\\u005cSoftware\\u005cTest\\u005cn\") === 2147483649"), std::string::npos);
  // A name with a backslash, and a deleted key, are asked of reg query.
  EXPECT_NE(script.find("return queried(\"reg query \\u0022HKLM\\u005cSoftware\\u005cTest\\u0022 /v "
                        "\\u0022a\\u005cb\\u0022\")"),
            std::string::npos);
  EXPECT_NE(script.find("return !queried(\"reg query \\u0022HKLM\\u005cSoftware\\u005cGone\\u0022\")"),
            std::string::npos);
}

// Plain strings are written by the script itself, in order, before it reads them back; anything
// else goes through regedit.
TEST(ReadBackScript, WritesPlainStringsItselfAndLeavesTheRestToRegedit) {
  const std::vector<RegistryEdit> strings = {
      RegistryEdit::SetValue(Hive::ClassesRoot, "http\\shell\\open\\command", "", RegValue::String(u"x \"%1\"")),
      RegistryEdit::SetValue(Hive::CurrentUser, "Software\\Varnel", "name", RegValue::String(u"caf\u00e9")),
  };
  EXPECT_TRUE(ScriptCanWrite(strings));
  const std::string script = ReadBackScript(strings, true);
  const std::size_t write = script.find(
      "write(\"HKLM\\u005cSoftware\\u005cClasses\\u005chttp\\u005cshell\\u005copen"
      "\\u005ccommand\\u005c\", \"x \\u0022%1\\u0022\");");
  ASSERT_NE(write, std::string::npos) << script;
  EXPECT_LT(write, script.find("write(\"HKCU\\u005cSoftware\\u005cVarnel\\u005cname\", \"caf\\u00e9\");"));
  EXPECT_LT(script.find("write(\"HKCU"), script.find("check(0,"));
  EXPECT_EQ(ReadBackScript(strings).find("write(\""), std::string::npos);

  for (const RegistryEdit& other :
       {RegistryEdit::DeleteKey(Hive::CurrentUser, "Software\\Gone"),
        RegistryEdit::SetValue(Hive::CurrentUser, "Software\\T", "n", {kRegDword, {1, 0, 0, 0}}),
        RegistryEdit::SetValue(Hive::CurrentUser, "Software\\T", "a\\b", RegValue::String(u"z")),
        RegistryEdit::SetValue(Hive::CurrentUser, "Software\\T", "lines", RegValue::String(u"a\nb")),
        RegistryEdit::DeleteValue(Hive::CurrentUser, "Software\\T", "v")}) {
    std::vector<RegistryEdit> mixed = strings;
    mixed.push_back(other);
    EXPECT_FALSE(ScriptCanWrite(mixed)) << AnsiFromUtf16(other.at.name);
  }
}

// The reading script asks for each value by its path, in plain ASCII, skipping a name RegRead
// would misread; its answers come back as text, none or unknown, and whatever Wine prints
// besides (a garbled line, a number out of range, an answer missing) never reads as "none".
TEST(ReadStringsScript, AsksInPlainAsciiAndItsAnswersAreReadSafely) {
  const std::vector<RegistryLocation> where = {
      RegistryLocation::Of(Hive::LocalMachine, "Software\\Varnel\\NetLAU", ""),
      RegistryLocation::Of(Hive::CurrentUser, "Software\\Caf\xe9", "url1"),
      RegistryLocation::Of(Hive::CurrentUser, "Software\\x", "a\\b"),
  };
  const std::string script = ReadStringsScript(where);
  EXPECT_NE(script.find(R"(report(0, "HKLM\u005cSoftware\u005cVarnel\u005cNetLAU\u005c");)"), std::string::npos);
  EXPECT_NE(script.find(R"(report(1, "HKCU\u005cSoftware\u005cCaf\u00e9\u005curl1");)"), std::string::npos);
  EXPECT_EQ(script.find("report(2"), std::string::npos);
  EXPECT_TRUE(std::all_of(script.begin(), script.end(), [](char c) { return c > 0 && c < 0x7f; }));

  const std::vector<WineString> found = ParseWineStrings(
      "varnel 1 text 0063003a005c00e9\r\nvarnel 0 none\r\nvarnel 2 text 12\r\nvarnel 3 none\nvarnel 4 text zzzz\n"
      "varnel 5 other\nnoise varnel 6 none\nvarnel 7 text \n",
      8);
  ASSERT_EQ(found.size(), 8u);
  EXPECT_EQ(found[0].kind, WineString::Kind::None);
  EXPECT_EQ(found[1].kind, WineString::Kind::Text);
  EXPECT_EQ(found[1].text, u"c:\\\u00e9");
  for (int i : {2, 4, 5, 6}) EXPECT_EQ(found[i].kind, WineString::Kind::Unknown) << i;
  EXPECT_EQ(found[3].kind, WineString::Kind::None);
  EXPECT_EQ(found[7].kind, WineString::Kind::Text);  // an empty string
  EXPECT_EQ(found[7].text, u"");
}

// What killed runs left in C:\windows\temp goes; the files of a run still going (its program
// file held locked), and files that only look alike, stay.
TEST(WineTempFiles, WhatEndedRunsLeftIsRemovedAndALiveRunsFilesStay) {
  test::TempPrefix prefix;
  const std::string temp = prefix.native("drive_c/windows/temp/");
  std::filesystem::create_directories(temp);
  const std::vector<std::string> gone = {
      "varnel-Kill01.js",  "varnel-Kill01.1.js", "varnel-Kill01.12.js",
      "varnel-Kill02.reg", "varnel-Kill02.wake", "varnel-Ended3.4.js" /* its script is gone: an "end" */};
  const std::vector<std::string> kept = {"varnel-Live01.js", "varnel-Live01.2.js", "varnel-Live01.wake",
                                         "varnel-notes.txt", "varnel-Kill01.x.js", "other.js",
                                         "varnel-AB.js"};
  for (const std::string& name : gone) test::WriteFile(temp + name, "left");
  for (const std::string& name : kept) test::WriteFile(temp + name, "stays");
  const int live = open((temp + "varnel-Live01.js").c_str(), O_RDONLY);
  ASSERT_EQ(flock(live, LOCK_EX), 0);
  RemoveFilesOfEndedRuns(prefix.path());
  for (const std::string& name : gone) EXPECT_FALSE(std::filesystem::exists(temp + name)) << name;
  for (const std::string& name : kept) EXPECT_TRUE(std::filesystem::exists(temp + name)) << name;
  close(live);
}

}  // namespace
}  // namespace varnel
