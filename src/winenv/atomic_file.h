#pragma once
// Whole-file reads and the safe replacement of a file: a temporary file in the target's own
// directory, flushed to disk, renamed over the target. A symbolic link at the target is
// followed (the link stays, its target is replaced) and the target's permission bits are kept.
// On any failure the target is exactly as it was and the temporary file is gone.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "winenv/file_identity.h"
#include "winenv/status.h"

namespace varnel {

Status ReadWholeFile(const std::string& nativePath, std::string& bytes);
Status ReplaceFileContents(const std::string& nativePath, std::string_view bytes);
// The same with the new contents given in pieces, written one after the other: a large file
// edited in one place need not be joined in memory first.
Status ReplaceFileContents(const std::string& nativePath, const std::vector<std::string_view>& pieces);
// The same, renamed only when `beforeRename`, called once the new contents are on disk, succeeds
// (its failure is then the outcome): for a caller that must look at something, or take a lock,
// right before the target changes.
using BeforeRename = std::function<Status()>;
Status ReplaceFileContents(const std::string& nativePath, const std::vector<std::string_view>& pieces,
                           const BeforeRename& beforeRename);
// The same, but only while the target is still the file `expected` identifies (IdentityOf the
// path; a target that did not exist is expected absent): compared before the new contents are
// written and again right before the rename, so a file another program wrote meanwhile is left as
// it is and `changed` is the outcome.
Status ReplaceFileContentsIfUnchanged(const std::string& nativePath, const std::vector<std::string_view>& pieces,
                                      const FileIdentity& expected, const Status& changed);
// The file a replacement of `nativePath` writes: the end of its chain of symbolic links (a link
// whose target does not exist yet names the file that will be created).
Status ResolveReplaceTarget(const std::string& nativePath, std::string& target);
// Whether ReplaceFileContents would refuse the file as read-only (or its link cannot be followed),
// for a caller that checks before it starts work whose end is the replacement.
Status CheckReplaceable(const std::string& nativePath);
// Removes the temporary files a replacement of this file left when it was killed (".<name>.varnel-
// XXXXXX" beside the link-resolved target, regular files of ours). Only for a caller that holds
// a lock no other replacement of the file can be writing under.
void RemoveLeftoverTemporaries(const std::string& nativePath);
// "Copy source over target": the target ends identical to the source, replaced atomically.
Status CopyFileOver(const std::string& sourceNative, const std::string& targetNative);

}  // namespace varnel
