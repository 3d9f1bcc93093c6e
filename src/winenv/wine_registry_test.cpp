#include "winenv/wine_registry.h"

#include <gtest/gtest.h>

#include "winenv/code_page.h"

namespace varnel {
namespace {

std::string Utf16Le(std::string_view ascii) {
  std::string bytes = "\xff\xfe";
  for (const char c : ascii) {
    bytes += c;
    bytes += '\0';
  }
  return bytes;
}

TEST(RegeditFile, HoldsTheEditsInOrderWithRegeditsEscapes) {
  RegValue dword{kRegDword, {0x78, 0x56, 0x34, 0x12}};
  const std::vector<RegistryEdit> edits = {
      {true, u"Software\\Microsoft\\Internet Explorer\\TypedURLs", u"", std::nullopt},
      {true, u"Software\\Microsoft\\Internet Explorer\\TypedURLs", u"url1", RegValue::String(u"http://a/\"q\"\\b")},
      {false, u"Software\\Varnel\\NetLAU", u"", RegValue::String(u"c:\\x")},
      {false, u"Software\\Test", u"two lines", RegValue::String(u"a\nb")},
      {false, u"Software\\Test", u"n", dword},
  };
  EXPECT_EQ(RegeditFile(edits),
            Utf16Le("Windows Registry Editor Version 5.00\r\n"
                    "\r\n[-HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\TypedURLs]\r\n"
                    "\r\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\TypedURLs]\r\n"
                    "\"url1\"=\"http://a/\\\"q\\\"\\\\b\"\r\n"
                    "\r\n[HKEY_LOCAL_MACHINE\\Software\\Varnel\\NetLAU]\r\n@=\"c:\\\\x\"\r\n"
                    "\r\n[HKEY_LOCAL_MACHINE\\Software\\Test]\r\n\"two lines\"=hex(1):61,00,0a,00,62,00,00,00\r\n"
                    "\r\n[HKEY_LOCAL_MACHINE\\Software\\Test]\r\n\"n\"=dword:12345678\r\n"));
}

}  // namespace
}  // namespace varnel
