#include "defaultbrowser/default_browser.h"

#include "settings/registry_access.h"
#include "settings/settings.h"
#include "winenv/code_page.h"

namespace varnel {

namespace {

// The keys of both tables in their written order; only row 2's letter case differs.
AssociationTable Rows(const char* ftpApplicationKey, const std::string& application, const std::string& command,
                      const std::string& ddeMessage, const std::string& htmlType, const std::string& htmType,
                      const std::string& icon) {
  return {{
      {"HTTP\\shell\\open\\ddeexec\\application", application},
      {ftpApplicationKey, application},
      {"HTTPs\\shell\\open\\ddeexec\\application", application},
      {"gopher\\shell\\open\\ddeexec\\application", application},
      {"HTTP\\shell\\open\\command", command},
      {"HTTPS\\shell\\open\\command", command},
      {"gopher\\shell\\open\\command", command},
      {"ftp\\shell\\open\\command", command},
      {"HTTPS\\shell\\open\\ddeexec", ddeMessage},
      {"HTTP\\shell\\open\\ddeexec", ddeMessage},
      {"ftp\\shell\\open\\ddeexec", ddeMessage},
      {"gopher\\shell\\open\\ddeexec", ddeMessage},
      {".html", htmlType},
      {".htm", htmType},
      {"http\\DefaultIcon", icon},
      {"ftp\\DefaultIcon", icon},
      {"gopher\\DefaultIcon", icon},
      {"https\\DefaultIcon", icon},
  }};
}

Status WriteTable(Registry& registry, const AssociationTable& table) {
  Registry::Batch batch(registry);
  for (const AssociationRow& row : table) {
    const Status written = WriteRegistryString(registry, Hive::ClassesRoot, row.key, "", row.data);
    if (!written.ok()) return written;  // the batch ends uncommitted: nothing of it is saved
  }
  return batch.Commit();
}

}  // namespace

// The program path is quoted, as Windows registers it, so a directory with blanks cannot be
// mistaken for a shorter program name.
AssociationTable IEAssociations(const std::string& iePath) {
  return Rows("ftp\\shell\\open\\ddeexec\\application", "IExplore", "\"" + iePath + "\\iexplore.exe\" -nohome",
              "\"%1\", , -1, , , , ,", "htmlfile", "htmlfile", "c:\\windows\\system\\url.dll,0");
}

AssociationTable NetscapeAssociations(const std::string& netPath) {
  return Rows("fTP\\shell\\open\\ddeexec\\application", "NSShell",
              "\"" + netPath + "\\COMMUNICATOR\\PROGRAM\\NETSCAPE.EXE\" -h \"%1\"", "%1", "NetscapeMarkup",
              "NetscapeMarkup", netPath + "\\COMMUNICATOR\\PROGRAM\\NETSCAPE.EXE,0");
}

Browser DetectDefaultBrowser(Registry& registry) {
  return BrowserOfDdeApplication(ReadRegistryString(registry, Hive::ClassesRoot, kDefaultBrowserKey, "", ""));
}

Browser BrowserOfDdeApplication(const std::string& application) {
  return UpperAnsi(application) == "NSSHELL" ? Browser::Netscape : Browser::InternetExplorer;
}

const char* DefaultBrowserCaption(Browser browser) {
  return browser == Browser::Netscape ? kNetscapeDefaultCaption : kIEDefaultCaption;
}

std::string MissingDirectoryMessage(Browser browser) {
  return browser == Browser::Netscape
             ? "The Netscape directory is not set up yet.  Please use Set up Browsers to select it first."
             : "The Internet Explorer directory is not set up yet.  Please use Set up Browsers to select it first.";
}

Status MakeDefault(Registry& registry, Browser browser) {
  const bool netscape = browser == Browser::Netscape;
  const std::string path = ReadSetting(registry, netscape ? Setting::NetPath : Setting::IEPath);
  if (path.empty()) return Status::Error(errc::kPathNotFound, MissingDirectoryMessage(browser));
  return WriteTable(registry, netscape ? NetscapeAssociations(path) : IEAssociations(path));
}

}  // namespace varnel
