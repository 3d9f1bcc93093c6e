#include "winenv/wine_registry.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "winenv/atomic_file.h"
#include "winenv/code_page.h"
#include "winenv/file_lock.h"
#include "winenv/process.h"
#include "winenv/wake_pipe.h"
#include "winenv/wine_requests.h"
#include "winenv/wine_scripts.h"

namespace varnel {
namespace {

constexpr int kWineTimeoutSeconds = 120;

using Kind = RegistryEdit::Kind;

std::u16string FullKey(const RegistryLocation& at) {
  return (at.hive == Hive::CurrentUser ? u"HKEY_CURRENT_USER\\" : u"HKEY_LOCAL_MACHINE\\") + at.key;
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

// A JScript string literal for any text: every character outside printable ASCII, and the quote
// and backslash, as a \uXXXX escape, so the script is plain ASCII whatever the registry holds.
std::string ScriptString(std::u16string_view text) {
  std::string literal = "\"";
  for (const char16_t c : text) {
    if (c >= 0x20 && c < 0x7f && c != u'"' && c != u'\\') {
      literal += static_cast<char>(c);
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
      literal += escape;
    }
  }
  return literal + "\"";
}

std::u16string ShortKey(const RegistryLocation& at) {
  return (at.hive == Hive::CurrentUser ? u"HKCU\\" : u"HKLM\\") + at.key;
}

std::string QueryCommand(std::u16string_view arguments) {
  return ScriptString(u"reg query " + std::u16string(arguments));
}

// The check of one edit as a JScript expression that is true when Wine holds it. A deleted key is
// asked of "reg query", which tells a missing key from one without a default value; so is a value
// whose name holds a backslash, which RegRead would take for a key. A plain string or a DWORD must
// come back as written; other data only be there.
std::string EditCheck(const RegistryEdit& edit) {
  const RegistryLocation& at = edit.at;
  const std::u16string key = u"\"" + ShortKey(at) + u"\"";
  if (edit.kind == Kind::DeleteValue) {
    const std::u16string which = at.name.empty() ? std::u16string(u" /ve") : u" /v \"" + at.name + u"\"";
    return "!queried(" + QueryCommand(key + which) + ")";
  }
  if (edit.kind == Kind::DeleteKey) return "!queried(" + QueryCommand(key) + ")";
  if (at.name.find(u'\\') != std::u16string::npos) {
    return "queried(" + QueryCommand(key + u" /v \"" + at.name + u"\"") + ")";
  }
  const std::string read = "read(" + ScriptString(ShortKey(at) + u"\\" + at.name) + ")";
  if (const std::optional<std::u16string> text = PlainString(*edit.value)) return read + " === " + ScriptString(*text);
  if (edit.value->type == kRegDword && edit.value->data.size() == 4) {
    const std::uint32_t number = DwordOf(*edit.value);
    return "dword(" + ScriptString(ShortKey(at) + u"\\" + at.name) + ") === " + std::to_string(number);
  }
  return read + " !== undefined";
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
    if (later.at.hive != edit.at.hive) continue;
    const bool laterDeletesKey = later.kind == Kind::DeleteKey;
    const bool deletesKey = edit.kind == Kind::DeleteKey;
    if (laterDeletesKey && Within(edit.at.key, later.at.key)) return true;
    if (deletesKey && Within(later.at.key, edit.at.key)) return true;
    if (!deletesKey && !laterDeletesKey && later.at.SameAs(edit.at)) return true;
  }
  return false;
}

}  // namespace

std::string RegeditFile(const std::vector<RegistryEdit>& edits) {
  std::u16string text = u"Windows Registry Editor Version 5.00\r\n";
  for (const RegistryEdit& edit : edits) {
    if (edit.kind == Kind::DeleteKey) {
      text += u"\r\n[-" + FullKey(edit.at) + u"]\r\n";
      continue;
    }
    text += u"\r\n[" + FullKey(edit.at) + u"]\r\n";
    const std::u16string data = edit.kind == Kind::SetValue ? DataText(*edit.value) : std::u16string(u"-");
    text += (edit.at.name.empty() ? std::u16string(u"@") : Quoted(edit.at.name)) + u"=" + data + u"\r\n";
  }
  return Utf16LeBytes(text);
}

bool ScriptCanWrite(const std::vector<RegistryEdit>& edits) {
  return std::all_of(edits.begin(), edits.end(), [](const RegistryEdit& edit) {
    return edit.kind == Kind::SetValue && PlainString(*edit.value) && edit.at.name.find(u'\\') == std::u16string::npos;
  });
}

namespace {

// A script file as Wine gets it: CR LF line ends.
std::string WithCrLf(std::string_view text) {
  std::string lines;
  for (const char c : text) {
    if (c == '\n') lines += '\r';
    lines += c;
  }
  return lines;
}

std::string ScriptPrelude() { return WithCrLf(wine_scripts::prelude); }

std::string ReadBackStatements(const std::vector<RegistryEdit>& edits, bool writeFirst) {
  std::string statements;
  if (writeFirst) {
    for (const RegistryEdit& edit : edits) {
      statements += "write(" + ScriptString(ShortKey(edit.at) + u"\\" + edit.at.name) + ", " +
                    ScriptString(*PlainString(*edit.value)) + ");\r\n";
    }
  }
  for (std::size_t i = 0; i < edits.size(); ++i) {
    if (Superseded(edits, i)) continue;
    statements += "check(" + std::to_string(i) + ", function () { return " + EditCheck(edits[i]) + "; });\r\n";
  }
  return statements;
}

std::string ReportStatements(const std::vector<RegistryLocation>& where) {
  std::string statements;
  for (std::size_t i = 0; i < where.size(); ++i) {
    // RegRead would take a backslash in a value's name for a key's: such a value is not asked.
    if (where[i].name.find(u'\\') != std::u16string::npos) continue;
    statements +=
        "report(" + std::to_string(i) + ", " + ScriptString(ShortKey(where[i]) + u"\\" + where[i].name) + ");\r\n";
  }
  return statements;
}

// The session's loop (serve.js) for the request files BASE.N.js, woken through BASE.wake.
std::string ServeStatements(const std::string& windowsBase) {
  std::string script = WithCrLf(wine_scripts::serve);
  const std::string_view placeholder = "VARNEL_BASE";
  script.replace(script.find(placeholder), placeholder.size(), ScriptString(Utf16FromAnsi(windowsBase)));
  return script;
}

}  // namespace

std::string ReadBackScript(const std::vector<RegistryEdit>& edits, bool writeFirst) {
  return ScriptPrelude() + ReadBackStatements(edits, writeFirst);
}

namespace {

std::filesystem::path WineTempFolder(const std::string& prefix) {
  return std::filesystem::path(prefix) / "drive_c" / "windows" / "temp";
}

// "varnel-" and the six letters or digits mkstemps chose: the run's part of a file's name.
constexpr std::size_t kRunNameSize = 13;

bool IsRunName(std::string_view name) {
  return name.size() >= kRunNameSize && name.starts_with("varnel-") &&
         std::all_of(name.begin() + 7, name.begin() + kRunNameSize,
                     [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
}

// Whether the program file of a run is gone or held by no one: the run is over.
bool RunIsOver(const std::string& programFile) {
  const int fd = ::open(programFile.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT;
  const bool free = flock(fd, LOCK_EX | LOCK_NB) == 0;
  ::close(fd);
  return free;
}

// What remains after the run's name: ".js" or ".reg" (its program file), ".N.js" (a request to
// its script) or ".wake" (the script's wake pipe), which go with the program file; "" when none.
std::string_view KindOfRest(std::string_view rest) {
  if (rest == ".js" || rest == ".reg") return "program";
  if (rest == ".wake") return "request";
  if (rest.size() > 4 && rest.front() == '.' && rest.ends_with(".js") &&
      std::all_of(rest.begin() + 1, rest.end() - 3, [](char c) { return c >= '0' && c <= '9'; })) {
    return "request";
  }
  return "";
}

}  // namespace

void RemoveFilesOfEndedRuns(const std::string& prefix) {
  const std::filesystem::path temp = WineTempFolder(prefix);
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(temp, error)) {
    const std::string name = entry.path().filename().string();
    if (!IsRunName(name)) continue;
    const std::string_view kind = KindOfRest(std::string_view(name).substr(kRunNameSize));
    if (kind.empty()) continue;
    const std::string run = (temp / name.substr(0, kRunNameSize)).string();
    const bool over = RunIsOver(kind == "request" ? run + ".js" : entry.path().string());
    if (over) ::unlink(entry.path().c_str());
  }
}

namespace {

// A file for a Wine program in the prefix's own C:\windows\temp, a folder every Wine program
// reaches: its native path and the path Wine sees. Held locked (flock) while it lives, so that
// another run tells it from one a killed run left; removed when it goes out of scope. Made under
// the folder's lock, after the files of ended runs are removed.
class WineTempFile {
 public:
  WineTempFile(const std::string& prefix, const char* extension) {
    const std::filesystem::path temp = WineTempFolder(prefix);
    std::error_code ignored;
    std::filesystem::create_directories(temp, ignored);
    FileLock turn;
    created_ = turn.Acquire((temp / std::string(kWineTempLockName)).string());
    if (!created_.ok()) return;
    RemoveFilesOfEndedRuns(prefix);
    native_ = (temp / "varnel-XXXXXX").string() + extension;
    fd_ = mkstemps(native_.data(), static_cast<int>(std::strlen(extension)));
    if (fd_ < 0) {
      created_ = StatusFromErrno(errno, native_);
      return;
    }
    flock(fd_, LOCK_EX);
    windowsPath_ = "C:\\windows\\temp\\" + native_.substr(native_.rfind('/') + 1);
  }
  ~WineTempFile() {
    if (!created_.ok()) return;
    ::unlink(native_.c_str());
    ::close(fd_);
  }
  WineTempFile(const WineTempFile&) = delete;
  WineTempFile& operator=(const WineTempFile&) = delete;

  [[nodiscard]] Status Write(std::string_view bytes) const {
    return created_.ok() ? ReplaceFileContents(native_, bytes) : created_;
  }
  const std::string& windowsPath() const { return windowsPath_; }
  const std::string& nativePath() const { return native_; }

 private:
  std::string native_;
  std::string windowsPath_;
  int fd_ = -1;
  Status created_;
};

Status RunWine(const std::vector<std::string>& argv, const std::vector<std::string>& environment, ProgramRun& run,
               const char* what) {
  run = RunProgram(argv, environment, kWineTimeoutSeconds);
  if (!run.started || run.exitCode == 127) {
    return Status::Error(errc::kPathNotFound,
                         "Wine is running in this prefix, but the wine command could not be started");
  }
  if (run.timedOut) return Status::Error(errc::kDeviceIo, std::string("Wine did not finish ") + what);
  return Status::Ok();
}

// For every edit, whether its check reported it held; an edit a later one supersedes is not
// checked and counts as held.
std::vector<bool> HeldEdits(const std::vector<RegistryEdit>& edits, const std::string& output) {
  std::vector<bool> held(edits.size(), true);
  for (std::size_t i = 0; i < edits.size(); ++i) {
    if (Superseded(edits, i)) continue;
    held[i] = HasLine(output, "varnel " + std::to_string(i) + " held");
  }
  return held;
}

Status RunReadBack(const std::string& prefix, const WineServer& server, const std::vector<RegistryEdit>& edits,
                   bool writeFirst, WineSession* session, std::vector<bool>& held) {
  std::string output;
  if (session && session->Run(ReadBackStatements(edits, writeFirst), output)) {
    held = HeldEdits(edits, output);
    return Status::Ok();
  }
  const WineTempFile readBack(prefix, ".js");
  Status status = readBack.Write(ReadBackScript(edits, writeFirst));
  if (!status.ok()) return status;
  ProgramRun run;
  status = RunWine({"wine", "cscript", "//nologo", readBack.windowsPath()}, server.Environment(prefix), run,
                   "reading the registry back");
  if (status.ok()) held = HeldEdits(edits, run.output);
  return status;
}

}  // namespace

// Plain strings (the settings, the default-browser switch) are written and read back by the one
// script; anything else is imported by regedit first, which takes every kind of edit.
Status WriteThroughWine(const std::string& prefix, const WineServer& server, const std::vector<RegistryEdit>& edits,
                        WineSession* session) {
  const bool scriptWrites = ScriptCanWrite(edits);
  Status status;
  if (!scriptWrites) {
    const WineTempFile import(prefix, ".reg");
    status = import.Write(RegeditFile(edits));
    ProgramRun run;
    if (status.ok()) {
      status = RunWine({"wine", "regedit", "/S", import.windowsPath()}, server.Environment(prefix), run,
                       "importing the registry changes");
    }
  }
  std::vector<bool> held;
  if (status.ok()) status = RunReadBack(prefix, server, edits, scriptWrites, session, held);
  if (!status.ok()) return status;
  const auto missing = std::find(held.begin(), held.end(), false);
  if (missing != held.end()) {
    const RegistryEdit& edit = edits[static_cast<std::size_t>(missing - held.begin())];
    return Status::Error(errc::kDeviceIo, "Wine did not take the change of " + AnsiFromUtf16(FullKey(edit.at)) +
                                              " (stop Wine with wineserver -k and try again)");
  }
  return Status::Ok();
}

std::string ReadStringsScript(const std::vector<RegistryLocation>& values) {
  return ScriptPrelude() + ReportStatements(values);
}

std::vector<WineString> ParseWineStrings(const std::string& output, std::size_t count) {
  std::vector<WineString> found(count);
  std::size_t lineStart = 0;
  while (lineStart < output.size()) {
    std::size_t lineEnd = output.find_first_of("\r\n", lineStart);
    if (lineEnd == std::string::npos) lineEnd = output.size();
    const std::string_view line(output.data() + lineStart, lineEnd - lineStart);
    lineStart = lineEnd + 1;
    if (!line.starts_with("varnel ")) continue;
    std::size_t index = 0;
    const char* const digits = line.data() + 7;
    const auto [end, error] = std::from_chars(digits, line.data() + line.size(), index);
    if (error != std::errc() || index >= count) continue;
    const std::string_view rest(end, static_cast<std::size_t>(line.data() + line.size() - end));
    if (rest == " none") {
      found[index] = {WineString::Kind::None, {}};
    } else if (rest.starts_with(" text ") && (rest.size() - 6) % 4 == 0) {
      std::u16string text;
      bool valid = true;
      for (std::size_t at = 6; at < rest.size() && valid; at += 4) {
        unsigned unit = 0;
        valid = std::from_chars(rest.data() + at, rest.data() + at + 4, unit, 16).ptr == rest.data() + at + 4;
        text += static_cast<char16_t>(unit);
      }
      if (valid) found[index] = {WineString::Kind::Text, std::move(text)};
    }
  }
  return found;
}

Status AskWineWhatItHolds(const std::string& prefix, const WineServer& server, const std::vector<RegistryEdit>& edits,
                          WineSession* session, std::vector<bool>& held) {
  return RunReadBack(prefix, server, edits, false, session, held);
}

// How often the waiting script is woken to see whether two seconds have passed without a request.
constexpr std::chrono::milliseconds kWakeTick{500};

// The session's script in Wine: its program file BASE.js, request files BASE.N.js and wake pipe
// BASE.wake in C:\windows\temp, and the cscript that runs it.
class WineSession::Script final : public ScriptProgram {
 public:
  explicit Script(const std::string& prefix) : file(prefix, ".js") {}

  bool Hand(int n, std::string_view text) override {
    if (!ReplaceFileContents(RequestFile(n), text).ok()) return false;
    wake.Wake();
    return true;
  }
  void TakeBack(int n) override { ::unlink(RequestFile(n).c_str()); }
  bool ReadUntil(const std::function<bool(const std::string&)>& done, Deadline deadline) override {
    return program.ReadUntil(done, deadline);
  }
  const std::string& output() const override { return program.output(); }
  bool exited() const override { return program.exited(); }
  void Finish(Deadline deadline) override { program.Finish(deadline); }
  void Abandon() override { program.Abandon(); }

  // The native path of the run's files without ".js".
  std::string Base() const { return file.nativePath().substr(0, file.nativePath().size() - 3); }

  WineTempFile file;
  WakePipe wake;
  ChildProgram program;

 private:
  std::string RequestFile(int n) const { return Base() + "." + std::to_string(n) + ".js"; }
};

WineSession::WineSession(std::string prefix, WineServer server)
    : prefix_(std::move(prefix)), server_(std::move(server)) {}

// At the run's end the script is not waited for: it ends by itself on the request, or once its
// wake pipe is gone.
WineSession::~WineSession() { End(false); }

void WineSession::End(bool wait) { requests_.End(std::chrono::seconds(wait ? 5 : 0)); }

Status WineSession::Start(const std::vector<RegistryLocation>& reads, std::vector<WineString>& found) {
  script_ = std::make_unique<Script>(prefix_);
  const std::string& windowsPath = script_->file.windowsPath();
  const std::string base = windowsPath.substr(0, windowsPath.size() - 3);  // without ".js"
  Status status = script_->file.Write(ReadStringsScript(reads) + ServeStatements(base));
  if (!status.ok()) return status;
  // Without its wake pipe the script ends after the first reads, and each later request runs as a
  // program of its own.
  static_cast<void>(script_->wake.Open(script_->Base() + ".wake", kWakeTick));
  ChildProgram& program = script_->program;
  if (!program.Start({"wine", "cscript", "//nologo", windowsPath}, server_.Environment(prefix_))) {
    return Status::Error(errc::kPathNotFound,
                         "Wine is running in this prefix, but the wine command could not be started");
  }
  const auto ready = [](const std::string& output) { return HasLine(output, "varnel ready"); };
  if (!program.ReadUntil(ready, std::chrono::steady_clock::now() + std::chrono::seconds(kWineTimeoutSeconds))) {
    return Status::Error(errc::kDeviceIo, "Wine did not finish reading the registry");
  }
  found = ParseWineStrings(program.output(), reads.size());
  requests_.Begin(*script_, std::chrono::seconds(kWineTimeoutSeconds));
  return Status::Ok();
}

Status WineSession::Read(const std::vector<RegistryLocation>& reads, std::vector<WineString>& found) {
  std::string output;
  if (Run(ReportStatements(reads), output)) {
    found = ParseWineStrings(output, reads.size());
    return Status::Ok();
  }
  const WineTempFile script(prefix_, ".js");
  Status status = script.Write(ReadStringsScript(reads));
  ProgramRun run;
  if (status.ok()) {
    status = RunWine({"wine", "cscript", "//nologo", script.windowsPath()}, server_.Environment(prefix_), run,
                     "reading the registry");
  }
  if (status.ok()) found = ParseWineStrings(run.output, reads.size());
  return status;
}

bool WineSession::Run(const std::string& statements, std::string& output) { return requests_.Run(statements, output); }

}  // namespace varnel
