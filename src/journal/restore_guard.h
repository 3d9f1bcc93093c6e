#pragma once
// What an undo trusts a record with, and how it writes files back. A record is only text in the
// user's journal folder: before anything is restored every file it names must lie, with no ".."
// and no link leading out, inside the prefix or the folder the change was made in (its "where"),
// reached through the prefix's drives as the record shows it, and its recorded permission bits
// must be plain ones the user can read and write. Anything else is a damaged record. The files
// are then restored under the replacement locks their writers take, held from the undo's check
// to its last restore, and each only while it is still the file the check saw.
#include <map>
#include <string>
#include <vector>

#include "journal/change_record.h"
#include "winenv/drive_map.h"
#include "winenv/file_identity.h"
#include "winenv/file_lock.h"
#include "winenv/status.h"

namespace varnel {

// Why the record's file items cannot be trusted ("" when they can).
std::string UntrustedFileItems(const ChangeRecord& record, const DriveMap& drives, const std::string& prefix);

class RestoreGuard {
 public:
  // Takes the replacement lock of each file's folder (one each, in order) and notes each file's
  // identity as it is now.
  [[nodiscard]] Status Lock(const std::vector<std::string>& natives);
  // Puts the file back into the state (or removes it), only while it is still the file it was
  // when locked or last restored.
  [[nodiscard]] Status Restore(const ChangeItem& item, const ItemState& state);

 private:
  Status RestoreFile(const ChangeItem& item, const ItemState& state) const;
  std::map<std::string, FileLock> folders_;
  std::map<std::string, FileIdentity> identities_;
};

}  // namespace varnel
