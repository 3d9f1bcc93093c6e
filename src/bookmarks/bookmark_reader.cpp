#include "bookmarks/bookmark_reader.h"

namespace varnel {

void BookmarkReader::Begin() {
  (void)actions_.AddNode({std::nullopt, kRootKey, kRootText, BookmarkPicture::Folder, std::nullopt});
}

void BookmarkReader::Entry(const MarkupEntry& entry) {
  using Kind = MarkupEntry::Kind;
  if (entry.kind != Kind::FolderHeader && entry.kind != Kind::Description) describedFolder_.reset();
  switch (entry.kind) {
    case Kind::FolderHeader: FolderHeader(entry.text); break;
    case Kind::ListStart: nesting_.ListStart(); break;
    case Kind::ListEnd: (void)nesting_.ListEnd(); break;
    case Kind::Bookmark: Bookmark(entry.text, entry.address); break;
    case Kind::Description: Description(entry.text); break;
    case Kind::Unreadable: unreadable_.push_back(entry.line); break;
    case Kind::HeadingEnd: break;
  }
}

std::optional<std::string_view> BookmarkReader::KeyOf(std::size_t folder) const {
  if (folder == FolderNesting::kTopLevel) return std::nullopt;
  return folderKeys_[folder];
}

void BookmarkReader::FolderHeader(std::string_view name) {
  const std::size_t parent = nesting_.ParentOfHeader();
  const std::size_t folder = folderKeys_.size();
  const std::string numbered = std::string(name) + " " + std::to_string(folder);
  folderKeys_.emplace_back(AddUnique(KeyOf(parent), numbered, name, BookmarkPicture::Folder, std::nullopt));
  nesting_.Header(folder);
  describedFolder_ = folder;
}

void BookmarkReader::Bookmark(std::string_view title, std::string_view address) {
  AddUnique(KeyOf(nesting_.Current()).value_or(kRootKey), title, title, BookmarkPicture::Bookmark, address);
  actions_.MakeVisible();
}

void BookmarkReader::Description(std::string_view text) {
  const std::optional<std::string_view> parent = KeyOf(describedFolder_.value_or(nesting_.Current()));
  if (!parent) return;  // at top level
  AddUnique(*parent, std::string(*parent).append(text), text, BookmarkPicture::Folder, std::nullopt);
  actions_.MakeVisible();
}

std::string_view BookmarkReader::AddUnique(std::optional<std::string_view> parent, std::string_view key,
                                           std::string_view text, BookmarkPicture picture,
                                           std::optional<std::string_view> address) {
  if (actions_.AddNode({parent, key, text, picture, address})) return key;
  // Taken: the next free " (n)" of this key, counted on from the last one given.
  std::size_t& next = nextCopy_.try_emplace(std::string(key), 2).first->second;
  do {
    key_.assign(key).append(" (").append(std::to_string(next++)).append(")");
  } while (actions_.HasKey(key_));
  (void)actions_.AddNode({parent, key_, text, picture, address});
  return key_;
}

}  // namespace varnel
