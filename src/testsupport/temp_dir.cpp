#include "testsupport/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "winenv/prefix.h"

namespace fs = std::filesystem;

namespace varnel::test {

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "varnel-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  // Make read-only folders removable again before cleaning up.
  for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec))
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

TempWorkingDirectory::TempWorkingDirectory() : before_(fs::current_path().string()) { fs::current_path(path()); }

TempWorkingDirectory::~TempWorkingDirectory() {
  std::error_code ignored;
  fs::current_path(before_, ignored);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string CorpusPath(const std::string& relative) { return std::string(VARNEL_CORPUS_DIR) + "/" + relative; }

TempPrefix::TempPrefix(bool withCorpusHives) {
  Status s = CreatePrefixLayout(dir_.path());
  if (!s.ok()) throw std::runtime_error(s.message);
  if (withCorpusHives) {
    WriteFile(dir_ / "system.reg", ReadFile(CorpusPath("wine-prefix/system.reg")));
    WriteFile(dir_ / "user.reg", ReadFile(CorpusPath("wine-prefix/user.reg")));
  }
}

void TempPrefix::MakeDriveCDirectory(const std::string& relative) const {
  fs::create_directories(dir_ / ("drive_c/" + relative));
}

}  // namespace varnel::test
