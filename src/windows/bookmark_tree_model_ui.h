#pragma once
// The bookmark tree as a Qt item model: a view over the core's flat node array (each index
// carries its node's number), so a tree of 100,000 bookmarks costs no widget item per node.
// The two pictures (1 bookmark, 2 folder) are loaded once, when the model is made.
#include <QAbstractItemModel>
#include <QIcon>

#include "bookmarks/bookmark_tree.h"

namespace varnel {

class BookmarkTreeModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  explicit BookmarkTreeModel(BookmarkTree& tree, QObject* parent = nullptr);

  // Around a change of the whole tree (a load): the views let go of it, then show it anew.
  void BeginReplace() { beginResetModel(); }
  void EndReplace() { endResetModel(); }

  QModelIndex IndexOf(BookmarkTree::NodeId id) const;
  BookmarkTree::NodeId NodeOf(const QModelIndex& index) const;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

 private:
  BookmarkTree& tree_;
  QIcon bookmarkPicture_;
  QIcon folderPicture_;
};

}  // namespace varnel
