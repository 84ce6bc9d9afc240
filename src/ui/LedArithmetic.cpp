#include "LedArithmetic.h"

#include <algorithm>
#include <cmath>

namespace larkspin {

int LedShownDigit(int value, bool blankZero) {
    int d = ((value % 10) + 10) % 10;
    return (blankZero && d == 0) ? -1 : d;
}

QString DisplayCells(const QString& text, int offset, int cells) {
    if (cells <= 0)
        return {};
    if (text.size() <= cells)
        return text.leftJustified(cells, QLatin1Char(' '));
    QString out;
    out.reserve(cells);
    qsizetype len = text.size();
    qsizetype start = ((offset % len) + len) % len;
    for (int i = 0; i < cells; ++i)
        out += text.at((start + i) % len);
    return out;
}

int SliderValueAt(int x, int width, int handleWidth, int minimum, int maximum) {
    if (maximum <= minimum)
        return minimum;
    int track = width - handleWidth;
    if (track <= 0)
        return minimum;
    double t = double(x - handleWidth / 2) / track;
    t = std::clamp(t, 0.0, 1.0);
    return minimum + int(std::lround(t * (double(maximum) - minimum)));
}

int SliderHandleLeft(int value, int width, int handleWidth, int minimum, int maximum) {
    int track = std::max(width - handleWidth, 0);
    if (maximum <= minimum)
        return 0;
    double t = (double(std::clamp(value, minimum, maximum)) - minimum) / (double(maximum) - minimum);
    return int(std::lround(t * track));
}

} // namespace larkspin
