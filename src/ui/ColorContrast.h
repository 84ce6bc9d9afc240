#pragma once

#include <QColor>

namespace larkspin {

// The contrast ratio of two colours as the web's accessibility guidelines reckon it: 1 for equal
// lightness up to 21 for black against white. 4.5 is the least for ordinary text.
double ContrastRatio(const QColor& a, const QColor& b);

// wanted, made lighter or darker (whichever leaves more room against background) just until it stands
// out from background by minimum; wanted itself when it already does. Hue and alpha are kept.
QColor ReadableAgainst(const QColor& wanted, const QColor& background, double minimum = 4.5);

} // namespace larkspin
