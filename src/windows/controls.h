#pragma once
// Buttons and labels as the windows are designed: a caption (1252) and a twips rectangle.
// A one-line label clips its text as the classic label does; labels are opaque, so a later
// label covers an earlier one where they overlap. Enter presses a focused button.
#include <QLabel>
#include <QPushButton>

#include "windows/ansi_text.h"
#include "windows/keyboard.h"
#include "windows/twips.h"
#include "windows/wrapped_label.h"

namespace varnel {

inline QPushButton* MakeButton(QWidget* parent, const std::string& caption, int l, int t, int w, int h) {
  auto* button = new QPushButton(FromAnsi(caption), parent);
  PlaceTwips(button, l, t, w, h);
  ClickOnEnter(button);
  return button;
}

// A label higher than one line wraps its text, with a gap between the lines.
inline QLabel* MakeLabel(QWidget* parent, const std::string& caption, int l, int t, int w, int h) {
  const bool wraps = h > 255;
  QLabel* label = wraps ? new WrappedLabel(FromAnsi(caption), parent) : new QLabel(FromAnsi(caption), parent);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setWordWrap(wraps);
  label->setAutoFillBackground(true);
  PlaceTwips(label, l, t, w, h);
  return label;
}

}  // namespace varnel
