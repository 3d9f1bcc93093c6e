#include "winenv/wine_registry.h"

#include <stdlib.h>
#include <algorithm>
#include <cerrno>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "winenv/atomic_file.h"
#include "winenv/code_page.h"
#include "winenv/process.h"

namespace varnel {
namespace {

constexpr int kWineTimeoutSeconds = 120;

std::u16string FullKey(const RegistryEdit& edit) {
  return (edit.currentUser ? u"HKEY_CURRENT_USER\\" : u"HKEY_LOCAL_MACHINE\\") + edit.key;
}

std::u16string Quoted(std::u16string_view text) {
  std::u16string quoted = u"\"";
  for (const char16_t c : text) {
    if (c == u'\\' || c == u'"') quoted += u'\\';
    quoted += c;
  }
  return quoted + u"\"";
}

// The text of a REG_SZ value when the "..." form can hold it (no line breaks, no inner NUL).
std::optional<std::u16string> PlainString(const RegValue& value) {
  if (value.type != kRegSz || value.data.size() % 2 != 0) return std::nullopt;
  std::u16string text;
  for (std::size_t i = 0; i + 1 < value.data.size(); i += 2) text += char16_t(value.data[i] | value.data[i + 1] << 8);
  if (!text.empty() && text.back() == u'\0') text.pop_back();
  if (text.find_first_of(u"\r\n", 0) != std::u16string::npos || text.find(u'\0') != std::u16string::npos) {
    return std::nullopt;
  }
  return text;
}

std::u16string DataText(const RegValue& value) {
  if (const std::optional<std::u16string> text = PlainString(value)) return Quoted(*text);
  char piece[16];
  if (value.type == kRegDword && value.data.size() == 4) {
    std::snprintf(piece, sizeof piece, "dword:%02x%02x%02x%02x", value.data[3], value.data[2], value.data[1],
                  value.data[0]);
    return Utf16FromAnsi(piece);
  }
  std::snprintf(piece, sizeof piece, value.type == kRegBinary ? "hex:" : "hex(%x):", value.type);
  std::string hex = piece;
  for (std::size_t i = 0; i < value.data.size(); ++i) {
    std::snprintf(piece, sizeof piece, i == 0 ? "%02x" : ",%02x", value.data[i]);
    hex += piece;
  }
  return Utf16FromAnsi(hex);
}

std::string Utf16LeBytes(std::u16string_view text) {
  std::string bytes = "\xff\xfe";
  for (const char16_t c : text) {
    bytes += static_cast<char>(c & 0xff);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

// Reads an edit back from Wine: a deleted key must be gone, a value there (with its text, where
// that text is plain ASCII and so comes back unchanged in any code page).
bool WineHolds(const std::vector<std::string>& environment, const RegistryEdit& edit) {
  const std::string key = AnsiFromUtf16(FullKey(edit));
  if (!edit.value) return RunProgram({"wine", "reg", "query", key}, environment, kWineTimeoutSeconds).exitCode == 1;
  std::vector<std::string> query = {"wine", "reg", "query", key};
  if (edit.name.empty()) {
    query.push_back("/ve");
  } else {
    query.insert(query.end(), {"/v", Utf8FromAnsi(AnsiFromUtf16(edit.name))});
  }
  const ProgramRun run = RunProgram(query, environment, kWineTimeoutSeconds);
  if (run.exitCode != 0) return false;
  const std::optional<std::u16string> text = PlainString(*edit.value);
  const bool ascii = text && std::all_of(text->begin(), text->end(), [](char16_t c) { return c >= 0x20 && c < 0x7f; });
  if (!ascii) return true;
  return run.output.find("REG_SZ    " + AnsiFromUtf16(*text) + "\r") != std::string::npos ||
         run.output.find("REG_SZ    " + AnsiFromUtf16(*text) + "\n") != std::string::npos;
}

bool Within(std::u16string_view key, std::u16string_view ancestor) {
  if (key.size() < ancestor.size() || !EqualNoCase(key.substr(0, ancestor.size()), ancestor)) return false;
  return key.size() == ancestor.size() || key[ancestor.size()] == u'\\';
}

// Whether a later edit decides what edit `i` left: the same value set again, its key (or an
// ancestor) deleted, or, for a deleted key, anything written inside it again.
bool Superseded(const std::vector<RegistryEdit>& edits, std::size_t i) {
  const RegistryEdit& edit = edits[i];
  for (std::size_t j = i + 1; j < edits.size(); ++j) {
    const RegistryEdit& later = edits[j];
    if (later.currentUser != edit.currentUser) continue;
    if (!later.value && Within(edit.key, later.key)) return true;
    if (!edit.value && Within(later.key, edit.key)) return true;
    if (edit.value && later.value && EqualNoCase(later.key, edit.key) && EqualNoCase(later.name, edit.name)) return true;
  }
  return false;
}

}  // namespace

std::string RegeditFile(const std::vector<RegistryEdit>& edits) {
  std::u16string text = u"Windows Registry Editor Version 5.00\r\n";
  for (const RegistryEdit& edit : edits) {
    if (!edit.value) {
      text += u"\r\n[-" + FullKey(edit) + u"]\r\n";
      continue;
    }
    text += u"\r\n[" + FullKey(edit) + u"]\r\n";
    text += (edit.name.empty() ? std::u16string(u"@") : Quoted(edit.name)) + u"=" + DataText(*edit.value) + u"\r\n";
  }
  return Utf16LeBytes(text);
}

Status WriteThroughWine(const std::string& prefix, const WineServer& server, const std::vector<RegistryEdit>& edits) {
  // The import file lies in the prefix's own C:\windows\temp, a folder every Wine program reaches.
  const std::filesystem::path temp = std::filesystem::path(prefix) / "drive_c" / "windows" / "temp";
  std::error_code ignored;
  std::filesystem::create_directories(temp, ignored);
  std::string native = (temp / "varnel-XXXXXX.reg").string();
  const int fd = mkstemps(native.data(), 4);
  if (fd < 0) return StatusFromErrno(errno, native);
  close(fd);
  Status status = ReplaceFileContents(native, RegeditFile(edits));
  const std::string windowsPath = "C:\\windows\\temp\\" + native.substr(native.rfind('/') + 1);
  const std::vector<std::string> environment = server.Environment(prefix);
  if (status.ok()) {
    const ProgramRun import = RunProgram({"wine", "regedit", "/S", windowsPath}, environment, kWineTimeoutSeconds);
    if (!import.started || import.exitCode == 127) {
      status = Status::Error(errc::kPathNotFound, "Wine is running in this prefix, but the wine command could not be started");
    } else if (import.timedOut) {
      status = Status::Error(errc::kDeviceIo, "Wine did not finish importing the registry changes");
    }
  }
  std::filesystem::remove(native, ignored);
  if (!status.ok()) return status;
  for (std::size_t i = 0; i < edits.size(); ++i) {
    const RegistryEdit& edit = edits[i];
    if (!Superseded(edits, i) && !WineHolds(environment, edit)) {
      return Status::Error(errc::kDeviceIo, "Wine did not take the change of " + AnsiFromUtf16(FullKey(edit)) +
                                                " (stop Wine with wineserver -k and try again)");
    }
  }
  return Status::Ok();
}

}  // namespace varnel
