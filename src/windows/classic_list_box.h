#pragma once
// The classic list box: unsorted rows of 1252 text, one selected row at most.
// MouseDown(button) follows every press (after a left press has changed the selection); a right
// press keeps the selection. Click and DblClick as described in classic_list_base.h.
#include <string>

#include "windows/classic_list_base.h"

namespace varnel {

class ClassicListBox : public ClassicListBase {
  Q_OBJECT

 public:
  explicit ClassicListBox(QWidget* parent = nullptr);

  void AddItem(const std::string& ansiText);
  void RemoveItem(int index);  // out of range is ignored
  void Clear();

  int ListCount() const { return RowCount(); }
  int ListIndex() const { return SelectedRow(); }
  void SetListIndex(int index) { SelectRow(index); }
  std::string Text() const { return RowText(SelectedRow()); }
  std::string Item(int index) const { return RowText(index); }
};

}  // namespace varnel
