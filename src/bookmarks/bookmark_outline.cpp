#include "bookmarks/bookmark_outline.h"

#include "bookmarks/bookmark_load.h"
#include "winenv/line_scanner.h"

namespace varnel {
namespace {

class Outliner : public MarkupEntries {
 public:
  explicit Outliner(BookmarkOutline& outline) : outline_(outline) {}

  void Entry(const MarkupEntry& entry) override {
    const std::size_t index = entry.line - 1;
    switch (entry.kind) {
      case MarkupEntry::Kind::FolderHeader: {
        const std::size_t parent = nesting_.ParentOfHeader();
        const std::size_t folder = outline_.folders.size();
        outline_.folders.push_back({std::string(entry.text), parent, {}, {}, std::nullopt});
        outline_.folders[parent].folders.push_back(folder);
        nesting_.Header(folder);
        break;
      }
      case MarkupEntry::Kind::Bookmark: {
        const std::size_t folder = nesting_.Current();
        outline_.folders[folder].bookmarks.push_back(outline_.bookmarks.size());
        outline_.bookmarks.push_back({std::string(entry.address), std::string(entry.text), folder});
        break;
      }
      case MarkupEntry::Kind::ListStart:
        nesting_.ListStart();
        lastListLine_ = entry.line;
        break;
      case MarkupEntry::Kind::ListEnd:
        if (const std::optional<std::size_t> folder = nesting_.ListEnd(); folder && lastListLine_ != entry.line) {
          outline_.folders[*folder].listEnd = index;
        }
        lastListLine_ = entry.line;
        break;
      case MarkupEntry::Kind::HeadingEnd:
        if (!outline_.headingLine) outline_.headingLine = index;
        break;
      case MarkupEntry::Kind::Unreadable: outline_.unreadableLines.push_back(entry.line); break;
      case MarkupEntry::Kind::Description: break;
    }
  }

 private:
  BookmarkOutline& outline_;
  FolderNesting nesting_;
  std::size_t lastListLine_ = 0;
};

}  // namespace

void OutlineBookmarkLines(std::vector<std::string> lines, BookmarkOutline& outline) {
  outline.lines = std::move(lines);
  outline.folders.assign(1, OutlineFolder{});
  outline.bookmarks.clear();
  outline.headingLine.reset();
  outline.unreadableLines.clear();
  Outliner outliner(outline);
  BookmarkMarkup markup(outliner);
  for (const std::string& line : outline.lines) markup.Line(line);
  markup.End();
  outline.charset = markup.charset();
}

Status ReadBookmarkOutline(const DriveMap& drives, const std::string& profileDirectory, BookmarkOutline& outline) {
  const std::string fileName = BookmarkFileName(profileDirectory);
  if (const Status mapped = drives.ToNativeFile(fileName, outline.native); !mapped.ok()) return mapped;
  LineScanner scanner;
  Status status = scanner.Open(outline.native);
  if (!status.ok()) return status;
  outline.identity = scanner.identity();
  std::vector<std::string> lines;
  std::string_view line;
  while (scanner.Next(line)) lines.emplace_back(line);
  if (!scanner.status().ok()) return scanner.status();
  OutlineBookmarkLines(std::move(lines), outline);
  return Status::Ok();
}

}  // namespace varnel
