#pragma once
// The program's text is 1252 bytes; the widgets speak QString. These two convert at the widget
// boundary, every byte value round-trips.
#include <QString>
#include <string>

#include "winenv/code_page.h"

namespace varnel {

inline QString FromAnsi(const std::string& ansi) { return QString::fromStdU16String(Utf16FromAnsi(ansi)); }

inline std::string ToAnsi(const QString& text) { return AnsiFromUtf16(text.toStdU16String()); }

}  // namespace varnel
