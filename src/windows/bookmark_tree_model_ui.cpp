#include "windows/bookmark_tree_model_ui.h"

namespace varnel {

BookmarkTreeModel::BookmarkTreeModel(BookmarkTree& tree, QObject* parent)
    : QAbstractItemModel(parent),
      tree_(tree),
      bookmarkPicture_(QStringLiteral(":/icons/bookmark.svg")),
      folderPicture_(QStringLiteral(":/icons/folder.svg")) {}

QModelIndex BookmarkTreeModel::IndexOf(BookmarkTree::NodeId id) const {
  if (id == BookmarkTree::kNone) return {};
  return createIndex(tree_.row(id), 0, static_cast<quintptr>(id));
}

BookmarkTree::NodeId BookmarkTreeModel::NodeOf(const QModelIndex& index) const {
  return index.isValid() ? static_cast<BookmarkTree::NodeId>(index.internalId()) : BookmarkTree::kNone;
}

QModelIndex BookmarkTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (column != 0 || row < 0) return {};
  const std::vector<BookmarkTree::NodeId>& children = tree_.children(NodeOf(parent));
  if (static_cast<std::size_t>(row) >= children.size()) return {};
  return createIndex(row, 0, static_cast<quintptr>(children[row]));
}

QModelIndex BookmarkTreeModel::parent(const QModelIndex& child) const {
  if (!child.isValid()) return {};
  return IndexOf(tree_.parent(NodeOf(child)));
}

int BookmarkTreeModel::rowCount(const QModelIndex& parent) const {
  if (parent.column() > 0) return 0;
  return static_cast<int>(tree_.children(NodeOf(parent)).size());
}

int BookmarkTreeModel::columnCount(const QModelIndex&) const { return 1; }

QVariant BookmarkTreeModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const BookmarkTree::NodeId id = NodeOf(index);
  if (role == Qt::DisplayRole) return QString::fromStdString(ShownText(tree_.text(id)));  // UTF-8
  if (role == Qt::DecorationRole) {
    return tree_.picture(id) == BookmarkPicture::Bookmark ? bookmarkPicture_ : folderPicture_;
  }
  return {};
}

}  // namespace varnel
