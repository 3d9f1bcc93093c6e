#pragma once
// The windows' font: the classic 8-point dialog font their twips geometry was designed for.
// Wine ships a free MS Sans Serif with that font's metrics (Debian's fonts-wine, outside
// fontconfig's folders); without it the system's sans-serif at 8 points stands in, and some
// captions are clipped.
//
// That MS Sans Serif is a bitmap font drawn at 13, 16 and 20 pixels only: on a scaled desktop
// (a device pixel ratio other than 1) its letters would come out small and spread apart. There
// the outline Tahoma of the same package, made for the same dialog metrics, is used instead.
#include <QFont>

namespace varnel {

// For the primary screen's device pixel ratio.
QFont ClassicDialogFont();
QFont ClassicDialogFont(qreal devicePixelRatio);

}  // namespace varnel
