#include "LedArithmetic.h"

#include <algorithm>
#include <cmath>

namespace larkspin {

int LedShownDigit(int value, bool blankZero) {
    int d = ((value % 10) + 10) % 10;
    return (blankZero && d == 0) ? -1 : d;
}

std::array<int, 4> TrackDigits(int currentIndex, bool cdMode, int currentCdTrack) {
    if (!cdMode && currentIndex >= 9999)
        return {9, 9, 9, 9};
    int n = cdMode ? currentCdTrack + 1 : currentIndex + 1;
    return {n / 1000, n / 100, n / 10, n};
}

std::array<int, 5> TimeDigits(int seconds) {
    int s = std::max(seconds, 0);
    int minutes = s / 60;
    int rest = s % 60;
    return {minutes / 100, minutes / 10, minutes % 10, rest / 10, rest % 10};
}

std::array<int, 2> IndexDigits(int mark) {
    return {mark / 10, mark};
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
