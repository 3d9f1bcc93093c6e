#pragma once
#include <string>

#include "bookmarks/bookmark_load.h"
#include "cli/commands.h"

namespace varnel {

// Reads the profile's bookmark.htm into the tree for a subcommand. False, with the reason on
// stderr, when the file cannot be opened; a read that stopped or failed part-way is left to the
// caller (`reading` says which).
bool ReadBookmarksFor(CommandContext& context, const std::string& profile, BookmarkActions& tree,
                      BookmarkFileReading& reading);

}  // namespace varnel
