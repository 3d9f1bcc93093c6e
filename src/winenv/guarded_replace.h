#pragma once
// Rewriting a file that other programs write too (bookmark.htm, prefs.js, a favorite) without
// losing what they wrote. Every such replacement Varnel makes takes turns with the others through
// an advisory lock of the folder of the link-resolved target (the folder where the replacement's
// temporary file is made): every path to the same file (a link, another prefix's drive) meets the
// same lock, and a folder has one lock however many files are replaced in it. The lock files are
// kept out of the user's folders (see ReplaceLockFor). Under the lock the temporaries a killed replacement
// left are removed; the caller then reads the file and hands over what it read, and the new
// contents replace the file only while it is still that file, compared again right before the
// rename: a browser, which takes no lock, is caught the same way.
#include <string>
#include <string_view>
#include <vector>

#include "winenv/file_identity.h"
#include "winenv/file_lock.h"
#include "winenv/status.h"

namespace varnel {

inline constexpr std::string_view kReplaceLockName = ".varnel-replace.lock";

// The lock file of a folder's replacements: in Varnel's own lock folder, /tmp/varnel-locks-<uid>
// (made 0700, and used only while it is a folder of the user's own), named after the folder's
// device and inode, so that the user's favorites and profile folders never hold one (and a folder
// an undo empties can go). Where that folder cannot be used, or the folder cannot be looked at,
// the lock is the hidden file kReplaceLockName in the folder itself.
std::string ReplaceLockFor(const std::string& folder);

class ReplaceGuard {
 public:
  // Takes the replacement lock for the file (waiting while another Varnel replaces a file in its
  // folder) and removes the temporaries a killed replacement of it left.
  Status Lock(const std::string& nativePath);
  bool locked() const { return lock_.held(); }
  // Replaces the locked file atomically (through a link, keeping its permission bits, refusing a
  // read-only file), only while it is still `expected`; otherwise nothing changes and `changed`
  // is the outcome.
  Status Replace(const FileIdentity& expected, const std::vector<std::string_view>& pieces,
                 const Status& changed) const;
  void Unlock() { lock_.Release(); }

 private:
  std::string path_;
  FileLock lock_;
};

}  // namespace varnel
