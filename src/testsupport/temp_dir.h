#pragma once
// Test helpers: a temporary folder removed at the end of the test, small file helpers, and the
// corpus of real files.
#include <optional>
#include <string>
#include <string_view>

#include "winenv/prefix.h"

namespace varnel::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// A temporary folder that is the working directory while this lives (for what a program writes
// there, such as Netscape's "tempfile"); the one before is restored at the end.
class TempWorkingDirectory : public TempDir {
 public:
  TempWorkingDirectory();
  ~TempWorkingDirectory();

 private:
  std::string before_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
std::string CorpusPath(const std::string& relative);  // e.g. "wine-prefix/system.reg"

// A prefix in a fresh temporary folder with the own-prefix layout (empty hives, drive_c,
// dosdevices links). Optionally seeded with copies of the corpus hive files.
class TempPrefix {
 public:
  explicit TempPrefix(bool withCorpusHives = false);
  const std::string& path() const { return dir_.path(); }
  std::string native(const std::string& relative) const { return dir_ / relative; }
  // Makes a directory (and parents) under drive_c, e.g. "Program Files/Netscape/users".
  void MakeDriveCDirectory(const std::string& relative) const;

 private:
  TempDir dir_;
};

// An environment holding only XDG_STATE_HOME, set to `folder`: a test's change journal stays there.
inline EnvLookup StateHomeIn(std::string folder) {
  return [folder](const char* name) -> std::optional<std::string> {
    if (std::string_view(name) == "XDG_STATE_HOME") return folder;
    return std::nullopt;
  };
}

}  // namespace varnel::test
