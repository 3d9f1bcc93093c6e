#include "windows/classic_list_box.h"

#include "windows/ansi_text.h"

namespace varnel {

ClassicListBox::ClassicListBox(QWidget* parent) : ClassicListBase(parent) {}

void ClassicListBox::AddItem(const std::string& ansiText) { AddShownRow(FromAnsi(ansiText)); }

void ClassicListBox::RemoveItem(int index) {
  if (index < 0 || index >= count()) return;
  Quiet quiet(*this);
  // Removing the selected row leaves no row selected (Qt would select its neighbour).
  const bool wasSelected = index == SelectedRow();
  delete takeItem(index);
  if (wasSelected) SelectRow(-1);
}

void ClassicListBox::Clear() {
  Quiet quiet(*this);
  clear();
}

}  // namespace varnel
