#pragma once
// The windows' font: the classic 8-point dialog font their twips geometry was designed for.
// Wine ships a free MS Sans Serif with that font's metrics (Debian's fonts-wine, outside
// fontconfig's folders); without it the system's sans-serif at 8 points stands in, and some
// captions are clipped.
#include <QFont>

namespace varnel {

QFont ClassicDialogFont();

}  // namespace varnel
